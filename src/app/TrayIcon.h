#pragma once
// The tray item: Kelvaro's wand in the desktop's tray; a click shows or hides the application's
// drop window under it, the context menu opens the main window or quits.
// When the desktop has no tray nothing is shown and the application works through its main
// window alone. Main thread; owned by KelvaroApp.
#include <functional>

#include <QObject>
#include <QPoint>

class QMenu;
class QSystemTrayIcon;

namespace kelvaro {

class TrayIcon : public QObject {
    Q_OBJECT
public:
    struct Hooks {
        std::function<void()> openMain;
        std::function<void()> quit;
        // Shows or hides the application's drop window at a global position; when unset a click
        // opens the main window.
        std::function<void(const QPoint& near)> toggleDropWindow;
    };
    explicit TrayIcon(Hooks hooks, QObject* parent = nullptr);
    ~TrayIcon() override;

    bool isAvailable() const { return m_tray != nullptr; }
    void retranslate();
    // Fills `menu` with the tray's entries, in the interface language, calling `hooks`.
    static void populate(QMenu* menu, const Hooks& hooks);

private:
    Hooks m_hooks;
    QSystemTrayIcon* m_tray = nullptr;
    QMenu* m_menu = nullptr;
};

} // namespace kelvaro
