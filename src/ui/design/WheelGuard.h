#pragma once
// Keeps the mouse wheel on the page: a slider, pop-up or spin box inside a scrolling page takes the
// wheel only while it has the keyboard focus; otherwise the wheel scrolls the page, so turning it
// over a form never changes a value unnoticed. Outside a scrolling page a control takes the wheel
// as usual. KelvaroStyle watches every such control it polishes. Main thread.
#include <QObject>

class QWidget;

namespace kelvaro {

class WheelGuard : public QObject {
    Q_OBJECT
public:
    // Whether `widget` is a control the wheel would change (scroll bars are the page's own).
    static bool isValueControl(const QWidget* widget);
    // Stops `control` taking the focus from the wheel and passes the wheel on while unfocused.
    static void watch(QWidget* control);
    static void unwatch(QWidget* control);

    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    static WheelGuard& shared();
};

} // namespace kelvaro
