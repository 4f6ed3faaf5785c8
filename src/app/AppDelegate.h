#pragma once
// The application's answer to the desktop: it starts the long-running services once the
// application is up (the folder watcher, then the update checker, then the tray), keeps the
// process alive with no window open when the desktop shows the tray item (without one, closing
// the last window ends it), and is the one intake for files that arrive from outside
// the windows (Open With, a launcher drop, the file manager's action, all relayed by
// SingleInstance). Intake replaces the wheel's files, shows the home screen and brings the main
// window forward. Main thread; created by main() after KelvaroApp, lives as long as it.
#include <functional>

#include <QObject>
#include <QStringList>

namespace kelvaro {

class FolderWatcher;
class KelvaroStore;
struct LaunchRequest;

class AppDelegate : public QObject {
    Q_OBJECT
public:
    struct Hooks {
        // Shows the main window (re-creating it when it was closed), raises and activates it.
        std::function<void()> showMainWindow;
        std::function<void()> startUpdateChecker;
        // Puts the tray item in; true when the desktop shows it.
        std::function<bool()> installTray;
    };

    // Leaves quitting on the last closed window as it is until the tray step decides it.
    AppDelegate(KelvaroStore& store, FolderWatcher& watcher, Hooks hooks, QObject* parent = nullptr);

    // Queues, in this order, one main-thread task each: wire the watcher's history into the
    // store and start it, start the update checker, install the tray. Once the tray is in, the
    // application outlives its last window only if the tray item is shown. Returns at once.
    void didFinishLaunching();

    // Files from outside the windows (absolute local paths). An empty list changes nothing.
    void accept(const QStringList& files);
    // A later launch's request: its files go through accept(); a bare launch only brings the
    // main window forward; a launch whose arguments named nothing usable changes nothing.
    void handle(const LaunchRequest& request);

private:
    KelvaroStore& m_store;
    FolderWatcher& m_watcher;
    Hooks m_hooks;
};

} // namespace kelvaro
