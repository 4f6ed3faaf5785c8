#pragma once
// The tray's drop window: a small frameless window holding the screen factory's drop-window
// content (MenuBarDropView once installed), opened from the tray icon next to the pointer (the
// tray rarely tells where its icon is). It is a tool window and not a popup: a popup closes at the
// first click elsewhere, and the click that starts a drag in the file manager is exactly such a
// click. It closes with Escape, a second click on the tray icon, or once the content has done its
// work (the content hides its window). Main thread; created by KelvaroApp on the tray's first click.
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QWidget>

namespace kelvaro {

class KelvaroStore;

class StatusItemDrop : public QWidget {
    Q_OBJECT
public:
    explicit StatusItemDrop(KelvaroStore& store, QWidget* parent = nullptr);

    QWidget* content() const { return m_content; }

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
    QWidget* m_content;
};

} // namespace kelvaro
