#pragma once
// Installs the screens and sheets that exist into the window's screen factory, so the windows
// never name a subsystem's widgets themselves. Called once at start-up (and by the gallery and
// the tests).
#include <functional>
#include <memory>

namespace kelvaro {

class FileManager;

// What screens may ask of the application around them; empty hooks do nothing.
struct ScreenHooks {
    std::function<void()> openMainWindow;
    std::function<void()> quit;
    // Starts a new instance for the language switch; true when it started (this one then quits).
    std::function<bool()> restart;
    std::shared_ptr<FileManager> fileManager; // none: the desktop's
};

void installScreens(const ScreenHooks& hooks = {});

} // namespace kelvaro
