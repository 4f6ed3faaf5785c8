#pragma once
// When a control draws its focus ring: only once the keyboard has moved the focus in its window
// (Tab, the arrows, a shortcut), as the style draws it on the stock controls. The focus a window
// or sheet gives its first control on opening, or a click, shows no ring, so nothing looks chosen
// that the user did not reach. Main thread.
class QWidget;

namespace kelvaro {

bool showsFocusRing(const QWidget* widget);

// Draws the ring around the visible part of a list that shows its focus in no row of its own: on
// its viewport, after the rows. Call from the list's paintEvent.
void paintListFocusRing(QWidget* viewport);

} // namespace kelvaro
