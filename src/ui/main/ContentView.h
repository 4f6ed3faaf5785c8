#pragma once
// The main window's content: the sidebar at the left, and at the right the toolbar over the
// screen of the store's sidebarSelection (home for none), under a screen without a status
// line of its own the store's errors met there, and under every screen but the loaded wheel
// (whose status line has its own) the word that changes are not on disk. It presents the tool
// sheet the store asks for as a window-modal dialog and clears activeSheet when it closes, and it
// reconciles the shelves with the disk when it is first shown and whenever the application
// becomes active. Everything it shows is store state; rebuilding it (a language switch) shows
// the same screen. Main thread; created by the main window.
#include <functional>
#include <memory>

#include <QDialog>
#include <QHash>
#include <QPointer>
#include <QWidget>

#include "model/Models.h"

class QSplitter;
class QStackedWidget;

namespace kelvaro {

class FileManager;
class KelvaroStore;
class Sidebar;
class StatusNotice;
class WindowToolbar;
namespace wheel {
class UnsavedNotice;
}

class ContentView : public QWidget {
    Q_OBJECT
public:
    struct Options {
        std::shared_ptr<FileManager> fileManager; // reveals the output folder
        std::function<void()> openSettings;
        std::function<void()> openStudio;
    };
    ContentView(KelvaroStore& store, Options options, QWidget* parent = nullptr);
    ~ContentView() override;

    Sidebar* sidebar() const { return m_sidebar; }
    WindowToolbar* toolbar() const { return m_toolbar; }
    StatusNotice* notice() const { return m_notice; }
    wheel::UnsavedNotice* unsavedNotice() const { return m_unsaved; }
    // The section shown (home when the store's selection is none) and its screen.
    SidebarItem currentSection() const { return m_current; }
    QWidget* currentScreen() const;
    QWidget* screen(SidebarItem item) const { return m_screens.value(int(item)); }
    QDialog* sheet() const { return m_sheet; }

protected:
    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void showSelection();
    void presentSheet();
    void dismissSheet();
    void placeUnsavedNotice();

    KelvaroStore& m_store;
    Sidebar* m_sidebar;
    WindowToolbar* m_toolbar;
    QStackedWidget* m_stack;
    StatusNotice* m_notice;
    wheel::UnsavedNotice* m_unsaved;
    QHash<int, QWidget*> m_screens;
    SidebarItem m_current = SidebarItem::home;
    QPointer<QDialog> m_sheet;
    bool m_shownOnce = false;
};

} // namespace kelvaro
