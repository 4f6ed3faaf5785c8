#include "ui/design/KeyboardScrolling.h"

#include <algorithm>
#include <optional>

#include <QApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QScopedValueRollback>
#include <QScrollArea>
#include <QScrollBar>

namespace kelvaro {
namespace {

// What a plain scrolling key does to a page's vertical bar; none for every other key.
std::optional<QAbstractSlider::SliderAction> scrollAction(const QKeyEvent* key)
{
    if (key->modifiers() & ~Qt::KeypadModifier)
        return std::nullopt;
    switch (key->key()) {
    case Qt::Key_PageUp: return QAbstractSlider::SliderPageStepSub;
    case Qt::Key_PageDown: return QAbstractSlider::SliderPageStepAdd;
    case Qt::Key_Up: return QAbstractSlider::SliderSingleStepSub;
    case Qt::Key_Down: return QAbstractSlider::SliderSingleStepAdd;
    case Qt::Key_Home: return QAbstractSlider::SliderToMinimum;
    case Qt::Key_End: return QAbstractSlider::SliderToMaximum;
    default: return std::nullopt;
    }
}

bool canScroll(const QAbstractScrollArea* area)
{
    const QScrollBar* bar = area->verticalScrollBar();
    return bar->maximum() > bar->minimum();
}

// What a key that reached `window` unused scrolls: its largest shown page or list that can scroll,
// the screen's content rather than the sidebar beside it.
QAbstractScrollArea* mainPage(QWidget* window)
{
    QAbstractScrollArea* best = nullptr;
    qint64 bestArea = 0;
    for (QAbstractScrollArea* area : window->findChildren<QAbstractScrollArea*>()) {
        if (area->window() != window || !area->isVisible() || !canScroll(area))
            continue;
        const qint64 size = qint64(area->viewport()->width()) * area->viewport()->height();
        if (size > bestArea) {
            best = area;
            bestArea = size;
        }
    }
    return best;
}

// Guards the second delivery of a key to a window, made to learn whether the window uses it.
QWidget* g_asking = nullptr;

} // namespace

KeyboardScrolling& KeyboardScrolling::shared()
{
    static KeyboardScrolling filter;
    return filter;
}

void KeyboardScrolling::install()
{
    qApp->installEventFilter(&shared());
}

void KeyboardScrolling::uninstall()
{
    qApp->removeEventFilter(&shared());
}

void KeyboardScrolling::reveal(QWidget* widget)
{
    // The whole control with a little of what surrounds it, where the page's own reveal would
    // settle for a text field's cursor and cut the field's edge and ring.
    constexpr int context = 16;
    for (QWidget* outer = widget->parentWidget(); outer && !outer->isWindow(); outer = outer->parentWidget()) {
        auto* area = qobject_cast<QScrollArea*>(outer);
        if (!area || !area->widget() || !area->widget()->isAncestorOf(widget))
            continue;
        const QRect at(widget->mapTo(area->widget(), QPoint(0, 0)), widget->size());
        const QSize room = area->viewport()->size();
        area->ensureVisible(at.center().x(), at.center().y(), std::min(at.width() / 2 + context, room.width() / 2),
                            std::min(at.height() / 2 + context, room.height() / 2));
    }
}

bool KeyboardScrolling::eventFilter(QObject* watched, QEvent* event)
{
    if (!watched->isWidgetType())
        return false;
    auto* widget = static_cast<QWidget*>(watched);
    if (event->type() == QEvent::FocusIn) {
        // The focus a window gives back on activation or a program sets stays where the user left
        // the page; only the keys bring a control to the eye.
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason || reason == Qt::ShortcutFocusReason)
            reveal(widget);
        return false;
    }
    if (event->type() == QEvent::KeyPress)
        return scrollPage(widget, static_cast<QKeyEvent*>(event));
    return false;
}

bool KeyboardScrolling::scrollPage(QWidget* receiver, QKeyEvent* key)
{
    const std::optional<QAbstractSlider::SliderAction> action = scrollAction(key);
    if (!action || receiver == g_asking)
        return false;
    if (auto* area = qobject_cast<QScrollArea*>(receiver)) {
        // A page that cannot move passes the key on to the page around it, or to its window.
        if (!canScroll(area)) {
            key->ignore();
            return true;
        }
        // Qt's pages know the arrows and Page Up/Down but not Home and End.
        if (key->key() != Qt::Key_Home && key->key() != Qt::Key_End)
            return false;
        area->verticalScrollBar()->triggerAction(*action);
        key->accept();
        return true;
    }
    if (!receiver->isWindow())
        return false;
    // The key came up to the window unused: the window has its say first (a panel that steps
    // through photos by the arrows), and what it leaves scrolls its page.
    {
        const QScopedValueRollback asking(g_asking, receiver);
        key->accept();
        QCoreApplication::sendEvent(receiver, key);
    }
    if (key->isAccepted())
        return true;
    if (QAbstractScrollArea* page = mainPage(receiver)) {
        page->verticalScrollBar()->triggerAction(*action);
        key->accept();
    }
    return true;
}

} // namespace kelvaro
