#pragma once
// Escape on an open pop-up (a drop-down's list, a menu) closes the pop-up alone. Qt 6.4 asks for
// a shortcut override on the window with the keyboard focus, whose open list closes while it is
// asked: the key then went on as if no list had been open, to the window's Escape shortcut or a
// dialog's reject. With this filter the Escape that closes a pop-up is the pop-up's alone:
// nothing behind it hears it. One filter on the application, installed for good on
// first use (the style installs it; so does a window that closes on Escape). Main thread.
namespace kelvaro {

void installPopupEscape();

} // namespace kelvaro
