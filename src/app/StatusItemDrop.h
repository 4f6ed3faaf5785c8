#pragma once
// The tray's drop window: a small frameless window holding MenuBarDropView, opened from the tray
// icon next to the pointer (the tray rarely tells where its icon is). It is a tool window and not
// a popup: a popup closes at the first click elsewhere, and the click that starts a drag in the
// file manager is exactly such a click. It closes with Escape, a second click on the tray icon,
// or once the view has done its work. Main thread; created by the tray on first use.
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QWidget>

#include "app/MenuBarDropView.h"

namespace kelvaro {

class StatusItemDrop : public QWidget {
    Q_OBJECT
public:
    StatusItemDrop(KelvaroStore& store, FolderWatcher& watcher, MenuBarDropView::Hooks hooks, QWidget* parent = nullptr);

    MenuBarDropView* view() const { return m_view; }

    // Shows the window beside `pointer` (global coordinates), inside that screen's free area.
    void showNear(const QPoint& pointer);
    // Shows it beside `pointer`, or hides it when it is showing (a second click on the icon).
    void toggleNear(const QPoint& pointer);

    // Top-left corner for a window of `size` opened at `pointer` within `area`: centred on the
    // pointer, below it in the upper half of the area and above it in the lower half (a panel
    // at the bottom), always wholly inside.
    static QPoint placement(const QSize& size, const QPoint& pointer, const QRect& area);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    MenuBarDropView* m_view;
};

} // namespace kelvaro
