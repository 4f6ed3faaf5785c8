#pragma once
// Installs the screens and sheets that exist into the window's screen factory, so the windows
// never name a subsystem's widgets themselves. Called once at start-up (and by the gallery).
namespace kelvaro {
void installScreens();
} // namespace kelvaro
