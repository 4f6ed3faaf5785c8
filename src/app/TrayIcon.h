#pragma once
// The tray item: Kelvaro's wand in the desktop's tray; a click opens the small drop window under
// it (its content comes from ScreenFactory), the context menu opens the main window or quits.
// When the desktop has no tray nothing is shown and the application works through its main
// window alone. Main thread; owned by KelvaroApp.
#include <functional>

#include <QObject>
#include <QPoint>
#include <QPointer>

class QMenu;
class QSystemTrayIcon;
class QWidget;

namespace kelvaro {

class KelvaroStore;

class TrayIcon : public QObject {
    Q_OBJECT
public:
    struct Hooks {
        std::function<void()> openMain;
        std::function<void()> quit;
        // Shows or hides the application's own drop window at a global position; when unset the
        // tray keeps a simple panel of its own holding ScreenFactory's dropWindow screen.
        std::function<void(const QPoint& near)> toggleDropWindow;
    };
    TrayIcon(KelvaroStore& store, Hooks hooks, QObject* parent = nullptr);
    ~TrayIcon() override;

    bool isAvailable() const { return m_tray != nullptr; }
    // Shows the drop window (creating it on first use) near `anchor` (global), or centred on
    // the screen when `anchor` is null.
    void showDropWindow(const QPoint& anchor = {});
    QWidget* dropWindow() const { return m_window; }
    void retranslate();

private:
    KelvaroStore& m_store;
    Hooks m_hooks;
    QSystemTrayIcon* m_tray = nullptr;
    QMenu* m_menu = nullptr;
    QPointer<QWidget> m_window;
};

} // namespace kelvaro
