#pragma once
// When a control draws its focus ring: only once the keyboard has moved the focus in its window
// (Tab, the arrows, a shortcut), as the style draws it on the stock controls, and until the mouse
// is pressed in that window. The focus a window or sheet gives its first control on opening, or a
// click, shows no ring, so nothing looks chosen that the user did not reach. Main thread.
class QWidget;

namespace kelvaro {

bool showsFocusRing(const QWidget* widget);

// While installed, a press of the mouse in a window takes the keys' mark off it (Qt keeps it
// through clicks), so the control clicked, and the one the keys had reached, draw no ring. One
// filter on the application, installed by KelvaroStyle while it is the application's style.
void installFocusRingReset();
void uninstallFocusRingReset();

// Draws the ring around the visible part of a list that shows its focus in no row of its own: on
// its viewport, after the rows. Call from the list's paintEvent.
void paintListFocusRing(QWidget* viewport);

} // namespace kelvaro
