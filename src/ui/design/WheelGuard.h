#pragma once
// Keeps the mouse wheel off the values: a slider, pop-up or spin box takes the wheel only while it
// has the keyboard focus, in any window. Otherwise the wheel scrolls the page the control lies in,
// or does nothing where there is none, so turning it over a form never changes a value unnoticed.
// KelvaroStyle watches every such control it polishes. Main thread.
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
