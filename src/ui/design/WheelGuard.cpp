#include "ui/design/WheelGuard.h"

#include <QAbstractScrollArea>
#include <QAbstractSlider>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QScrollBar>
#include <QWheelEvent>

namespace kelvaro {
namespace {

// The nearest scrolling page `control` lies in, or null.
QAbstractScrollArea* enclosingPage(QWidget* control)
{
    QWidget* inner = control;
    for (QWidget* outer = control->parentWidget(); outer && !inner->isWindow(); inner = outer, outer = outer->parentWidget()) {
        auto* area = qobject_cast<QAbstractScrollArea*>(outer);
        if (area && area->viewport() == inner)
            return area;
    }
    return nullptr;
}

} // namespace

WheelGuard& WheelGuard::shared()
{
    static WheelGuard guard;
    return guard;
}

bool WheelGuard::isValueControl(const QWidget* widget)
{
    if (qobject_cast<const QScrollBar*>(widget))
        return false;
    return qobject_cast<const QAbstractSlider*>(widget) || qobject_cast<const QComboBox*>(widget)
        || qobject_cast<const QAbstractSpinBox*>(widget);
}

void WheelGuard::watch(QWidget* control)
{
    // With the wheel in its focus policy a control would take the focus from the very turn that
    // should scroll past it.
    if (control->focusPolicy() == Qt::WheelFocus)
        control->setFocusPolicy(Qt::StrongFocus);
    control->installEventFilter(&shared());
}

void WheelGuard::unwatch(QWidget* control)
{
    control->removeEventFilter(&shared());
}

bool WheelGuard::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::Wheel || !watched->isWidgetType())
        return false;
    auto* control = static_cast<QWidget*>(watched);
    if (control->hasFocus())
        return false;
    // Not in a page that can take it, the turn goes nowhere: a sheet that does not scroll must not
    // have its values changed from under the pointer either.
    QAbstractScrollArea* page = enclosingPage(control);
    if (!page)
        return true;
    const auto* wheel = static_cast<QWheelEvent*>(event);
    QWidget* viewport = page->viewport();
    QWheelEvent passed(viewport->mapFromGlobal(wheel->globalPosition()), wheel->globalPosition(), wheel->pixelDelta(),
                       wheel->angleDelta(), wheel->buttons(), wheel->modifiers(), wheel->phase(), wheel->inverted());
    QCoreApplication::sendEvent(viewport, &passed);
    return true;
}

} // namespace kelvaro
