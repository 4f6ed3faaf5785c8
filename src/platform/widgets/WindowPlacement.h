#pragma once
// Where a window that belongs to another one opens: centred over it and wholly on the screen, as a
// dialog is. Left to a plain window manager such a window lands in a corner, partly off the screen.
// Main thread.
class QWidget;

namespace kelvaro {

// Moves the top-level `window` so that its frame is centred over `over`'s frame, then into the
// free area of the screen under `over`'s centre (its top left corner stays on the screen when it
// is larger). Before a window is first shown its frame is taken to be as thick as `over`'s.
void centreOver(QWidget* window, const QWidget* over);

} // namespace kelvaro
