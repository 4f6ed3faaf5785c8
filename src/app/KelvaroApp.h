#pragma once
// The application: holds the one store's windows and commands for the life of the process.
// It builds the main window, the tray item with its drop window (the screen factory's
// drop-window content, built on the tray's first click), and on request the settings
// window (Ctrl+,; over the main window) and the screenshot-studio window (only while
// "kelvaro.studio.enabled" is true); it rebuilds the main window when "kelvaro.language" changes
// (the settings window retranslates itself). Without a tray the application quits when its last
// window closes; with one it keeps running. The quit command's Ctrl+Q works in every window of the
// application that takes the keyboard, not only in the main window's menu.
// Main thread; created by main() after the store.
#include <memory>

#include <QObject>
#include <QPointer>

class QPoint;
class QWidget;
class QWindow;

namespace kelvaro {

class Commands;
class FileManager;
class KelvaroStore;
class MainWindow;
class StatusItemDrop;
class TrayIcon;

struct KelvaroAppOptions {
    std::shared_ptr<FileManager> fileManager; // none: the desktop's
    bool useTray = true; // install the tray at once; false leaves it to installTray()
};

class KelvaroApp : public QObject {
    Q_OBJECT
public:
    using Options = KelvaroAppOptions;
    explicit KelvaroApp(KelvaroStore& store, Options options = Options(), QObject* parent = nullptr);
    ~KelvaroApp() override;

    MainWindow* mainWindow() const { return m_main; }
    Commands* commands() const { return m_commands; }
    TrayIcon* tray() const { return m_tray; }
    QWidget* settingsWindow() const { return m_settings; }
    QWidget* studioWindow() const { return m_studio; }
    QWidget* dropWindow() const; // none before the tray's first click

    void showMainWindow();
    // Puts Kelvaro's item into the desktop's tray (once); without a tray nothing happens.
    // True when the desktop shows the item.
    bool installTray();
    // Shows the tray's drop window beside `near` (global coordinates), or hides it when showing.
    void toggleDropWindow(const QPoint& near);
    void openSettings();
    // Opens the studio window; false (and nothing opens) while the studio is not enabled.
    bool openStudio();
    void quit();

private:
    void languageChanged();
    // Binds the quit command's keys in the window that just got the keyboard.
    void offerQuit(QWindow* focused);
    void showMainWindowIfOpen();
    void retitleSettings();

    KelvaroStore& m_store;
    Commands* m_commands;
    TrayIcon* m_tray = nullptr;
    QPointer<MainWindow> m_main;
    QPointer<QWidget> m_settings;
    QPointer<QWidget> m_studio;
    QPointer<StatusItemDrop> m_dropWindow;
};

} // namespace kelvaro
