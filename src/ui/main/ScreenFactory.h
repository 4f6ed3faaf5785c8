#pragma once
// Where the main window, the settings and studio windows and the tray get the screens of the
// subsystems that draw them. Each screen has a builder; a subsystem installs its own at start-up
// (install()), and until it does a placeholder in the application's look stands in, so the
// windows never change when a screen arrives. Main thread.
#include <functional>

#include <QString>

#include "model/Models.h"
#include "model/Operations.h"

class QDialog;
class QWidget;

namespace kelvaro {

class FolderWatcher;
class KelvaroStore;
class Settings;

// What a screen's builder may use: the application's store, the folder watcher (null where none
// runs: tests, the gallery) and the settings.
struct ScreenContext {
    KelvaroStore& store;
    FolderWatcher* watcher;
    Settings& settings;
};

enum class Screen {
    dropCard,   // the home screen's card with the action wheel
    workflows,
    watch,
    shelves,
    history,
    guide,
    settings,   // content of the settings window
    studio,     // content of the screenshot-studio window
    dropWindow, // content of the tray's drop window
    onboarding, // first-run welcome over the main window; no stand-in (nothing shows until installed)
};

namespace ScreenFactory {

using Builder = std::function<QWidget*(const ScreenContext& context, QWidget* parent)>;
// Builds the dialog of a tool sheet; the caller shows it window-modal and clears the store's
// active sheet when it closes.
using SheetBuilder = std::function<QDialog*(ToolSheet kind, const ScreenContext& context, QWidget* parent)>;

void install(Screen screen, Builder builder);
void installSheets(SheetBuilder builder);
bool isInstalled(Screen screen);
// The watcher handed to builders in their context; the application sets it once at start-up.
void setWatcher(FolderWatcher* watcher);
// Removes every installed builder and the watcher (tests).
void reset();

QWidget* build(Screen screen, KelvaroStore& store, QWidget* parent);
QDialog* buildSheet(ToolSheet kind, KelvaroStore& store, QWidget* parent);
// The detail screen of a sidebar section other than home.
QWidget* buildSection(SidebarItem item, KelvaroStore& store, QWidget* parent);

// Whether a widget is one of the stand-ins (object name "placeholder").
bool isPlaceholder(const QWidget* widget);

} // namespace ScreenFactory
} // namespace kelvaro
