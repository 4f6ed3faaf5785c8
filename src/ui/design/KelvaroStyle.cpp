#include "ui/design/KelvaroStyle.h"

#include <QAbstractButton>
#include <QAction>
#include <QMenu>
#include <QMessageBox>
#include <QPainter>
#include <QPainterPath>
#include <QScrollArea>
#include <QStyleFactory>
#include <QStyleOptionMenuItem>
#include <QStyleOptionSlider>
#include <QStyleOptionToolButton>

#include "ui/design/FocusRing.h"
#include "ui/design/KeyboardScrolling.h"
#include "ui/design/PopupEscape.h"
#include "ui/design/Theme.h"
#include "ui/design/WheelGuard.h"

namespace kelvaro {

namespace {

const char* const kDestructive = "kelvaroDestructive";

bool keyboardFocused(const QStyleOption* option)
{
    return (option->state & QStyle::State_HasFocus) && (option->state & QStyle::State_KeyboardFocusChange);
}

void drawCheckBox(const QStyleOption* option, QPainter* painter)
{
    const bool dark = Theme::isDark(option->palette);
    const bool on = option->state & (QStyle::State_On | QStyle::State_NoChange);
    const bool sunken = option->state & QStyle::State_Sunken;
    const QRectF box = QRectF(option->rect).adjusted(0.5, 0.5, -0.5, -0.5);
    QPainterPath path;
    path.addRoundedRect(box, 3.5, 3.5);
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    if (!(option->state & QStyle::State_Enabled))
        painter->setOpacity(0.45);
    if (on) {
        painter->fillPath(path, sunken ? Theme::ember().darker(112) : Theme::ember());
        painter->setPen(QPen(Qt::white, 1.8, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        const qreal w = box.width(), h = box.height();
        if (option->state & QStyle::State_NoChange) {
            painter->drawLine(QPointF(box.left() + w * 0.28, box.center().y()), QPointF(box.right() - w * 0.28, box.center().y()));
        } else {
            QPainterPath tick;
            tick.moveTo(box.left() + w * 0.25, box.top() + h * 0.53);
            tick.lineTo(box.left() + w * 0.43, box.top() + h * 0.71);
            tick.lineTo(box.left() + w * 0.76, box.top() + h * 0.31);
            painter->drawPath(tick);
        }
    } else {
        painter->fillPath(path, option->palette.color(QPalette::Base));
        if (sunken)
            painter->fillPath(path, Theme::primaryAt(dark, 0.1));
        painter->setPen(QPen(Theme::controlBorder().resolve(dark), 1));
        painter->drawPath(path);
    }
    // On the ember of a ticked box a ring would vanish: the ring around the label shows the focus.
    if (!on && keyboardFocused(option)) {
        painter->setPen(QPen(Theme::ember(), 1.5));
        painter->setBrush(Qt::NoBrush);
        painter->drawPath(path);
    }
    painter->restore();
}

// The house ring, 2 px of ember just inside `rect`, over what the base style drew there: the base
// style's own focus frame is a pale line lost on a white card.
void drawRing(QPainter* painter, const QRect& rect, qreal radius)
{
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setPen(QPen(Theme::ember(), 2));
    painter->setBrush(Qt::NoBrush);
    painter->drawRoundedRect(QRectF(rect).adjusted(1, 1, -1, -1), radius, radius);
    painter->restore();
}

// A message box's button with the destructive role: the platform's own confirmations.
bool isDestructiveMessageButton(const QWidget* widget)
{
    auto* button = qobject_cast<QAbstractButton*>(const_cast<QWidget*>(widget));
    const auto* box = button ? qobject_cast<const QMessageBox*>(button->window()) : nullptr;
    return box && box->buttonRole(button) == QMessageBox::DestructiveRole;
}

} // namespace

KelvaroStyle::KelvaroStyle() : QProxyStyle(QStyleFactory::create(QStringLiteral("Fusion"))) {}

int KelvaroStyle::pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const
{
    switch (metric) {
    case PM_ScrollBarExtent: return 10;
    case PM_ScrollBarSliderMin: return 32;
    default: return QProxyStyle::pixelMetric(metric, option, widget);
    }
}

void KelvaroStyle::polish(QWidget* widget)
{
    QProxyStyle::polish(widget);
    if (WheelGuard::isValueControl(widget))
        WheelGuard::watch(widget);
    // A page draws no focus ring, so Tab passes it by; a click on it still gives it the keys.
    if (qobject_cast<QScrollArea*>(widget))
        widget->setFocusPolicy(Qt::ClickFocus);
}

void KelvaroStyle::polish(QApplication* application)
{
    QProxyStyle::polish(application);
    KeyboardScrolling::install();
    installFocusRingReset();
    installPopupEscape();
}

void KelvaroStyle::unpolish(QApplication* application)
{
    uninstallFocusRingReset();
    KeyboardScrolling::uninstall();
    QProxyStyle::unpolish(application);
}

void KelvaroStyle::unpolish(QWidget* widget)
{
    if (WheelGuard::isValueControl(widget))
        WheelGuard::unwatch(widget);
    QProxyStyle::unpolish(widget);
}

int KelvaroStyle::styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget, QStyleHintReturn* returnData) const
{
    // A click on the empty part of a scroll bar jumps there, as overlay bars do.
    if (hint == SH_ScrollBar_LeftClickAbsolutePosition)
        return true;
    return QProxyStyle::styleHint(hint, option, widget, returnData);
}

QRect KelvaroStyle::subControlRect(ComplexControl control, const QStyleOptionComplex* option, SubControl sub, const QWidget* widget) const
{
    const auto* bar = qstyleoption_cast<const QStyleOptionSlider*>(option);
    if (control != CC_ScrollBar || !bar)
        return QProxyStyle::subControlRect(control, option, sub, widget);
    const QRect r = bar->rect;
    const bool horizontal = bar->orientation == Qt::Horizontal;
    const int length = horizontal ? r.width() : r.height();
    int sliderLength = length;
    if (bar->maximum != bar->minimum) {
        const qint64 range = qint64(bar->maximum) - bar->minimum;
        sliderLength = int(qint64(bar->pageStep) * length / (range + bar->pageStep));
        sliderLength = qBound(qMin(pixelMetric(PM_ScrollBarSliderMin, option, widget), length), sliderLength, length);
    }
    const int start = sliderPositionFromValue(bar->minimum, bar->maximum, bar->sliderPosition, length - sliderLength, bar->upsideDown);
    const auto along = [&](int from, int size) {
        return horizontal ? QRect(r.x() + from, r.y(), size, r.height()) : QRect(r.x(), r.y() + from, r.width(), size);
    };
    switch (sub) {
    case SC_ScrollBarSubLine:
    case SC_ScrollBarAddLine: return {};
    case SC_ScrollBarSubPage: return along(0, start);
    case SC_ScrollBarAddPage: return along(start + sliderLength, length - start - sliderLength);
    case SC_ScrollBarGroove: return r;
    case SC_ScrollBarSlider: return along(start, sliderLength);
    default: return QProxyStyle::subControlRect(control, option, sub, widget);
    }
}

void KelvaroStyle::drawComplexControl(ComplexControl control, const QStyleOptionComplex* option, QPainter* painter, const QWidget* widget) const
{
    const auto* tool = qstyleoption_cast<const QStyleOptionToolButton*>(option);
    if (control == CC_ToolButton && tool && (tool->features & QStyleOptionToolButton::HasMenu)
        && !(tool->features & QStyleOptionToolButton::MenuButtonPopup)) {
        // A button that opens its menu at once ("Přidat krok") is drawn as any other command: the
        // base style's arrow would stand in its corner, below the baseline of its text.
        QStyleOptionToolButton plain(*tool);
        plain.features &= ~QStyleOptionToolButton::HasMenu;
        QProxyStyle::drawComplexControl(control, &plain, painter, widget);
        return;
    }
    const auto* bar = qstyleoption_cast<const QStyleOptionSlider*>(option);
    if (control != CC_ScrollBar || !bar) {
        QProxyStyle::drawComplexControl(control, option, painter, widget);
        if ((control == CC_ComboBox || control == CC_Slider || control == CC_SpinBox) && keyboardFocused(option))
            drawRing(painter, option->rect, 4);
        return;
    }
    const QRect slider = subControlRect(control, option, SC_ScrollBarSlider, widget);
    if (slider.isEmpty() || bar->maximum == bar->minimum)
        return;
    const bool dark = Theme::isDark(bar->palette);
    const bool active = (bar->activeSubControls & SC_ScrollBarSlider) && (bar->state & (State_MouseOver | State_Sunken));
    QRectF handle = QRectF(slider).adjusted(3, 2, -3, -2);
    if (bar->orientation == Qt::Horizontal)
        handle = QRectF(slider).adjusted(2, 3, -2, -3);
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    QPainterPath path;
    const qreal radius = qMin(handle.width(), handle.height()) / 2;
    path.addRoundedRect(handle, radius, radius);
    painter->fillPath(path, Theme::primaryAt(dark, active ? 0.4 : 0.22));
    painter->restore();
}

void KelvaroStyle::markDestructive(QAction* action)
{
    if (action)
        action->setProperty(kDestructive, true);
}

bool KelvaroStyle::isDestructive(const QAction* action)
{
    return action && action->property(kDestructive).toBool();
}

void KelvaroStyle::drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter, const QWidget* widget) const
{
    if (element == PE_IndicatorCheckBox) {
        drawCheckBox(option, painter);
        return;
    }
    // Around a check box's label and a tool button: the base style's is a faint grey frame.
    if (element == PE_FrameFocusRect && keyboardFocused(option)) {
        drawRing(painter, option->rect.adjusted(-2, -1, 2, 1), 4);
        return;
    }
    QProxyStyle::drawPrimitive(element, option, painter, widget);
    // The base style edges a menu's panel in the window colour darkened, which a dark panel
    // already is: the menu would melt into the card under it.
    if (element == PE_PanelMenu && Theme::isDark(option->palette)) {
        painter->save();
        painter->setPen(Theme::tertiary().resolve(true));
        painter->setBrush(Qt::NoBrush);
        painter->drawRect(QRectF(option->rect).adjusted(0.5, 0.5, -0.5, -0.5));
        painter->restore();
    }
    if (element == PE_FrameLineEdit && keyboardFocused(option))
        drawRing(painter, option->rect, 4);
}

void KelvaroStyle::drawControl(ControlElement element, const QStyleOption* option, QPainter* painter, const QWidget* widget) const
{
    const auto tint = [option] { return Theme::destructive().resolve(Theme::isDark(option->palette)); };
    const auto* button = qstyleoption_cast<const QStyleOptionButton*>(option);
    if (element == CE_PushButtonLabel && button && isDestructiveMessageButton(widget)) {
        QStyleOptionButton marked(*button);
        marked.palette.setColor(QPalette::ButtonText, tint());
        QProxyStyle::drawControl(element, &marked, painter, widget);
        return;
    }
    const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option);
    const auto* menu = qobject_cast<const QMenu*>(widget);
    if (element == CE_MenuItem && item && menu && isDestructive(menu->actionAt(item->rect.center()))) {
        QStyleOptionMenuItem marked(*item);
        const QColor destructive = tint();
        for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
            for (QPalette::ColorRole role : {QPalette::Text, QPalette::ButtonText, QPalette::WindowText})
                marked.palette.setColor(group, role, destructive);
            marked.palette.setColor(group, QPalette::Highlight, Theme::rose());
            marked.palette.setColor(group, QPalette::HighlightedText, Qt::white);
        }
        QProxyStyle::drawControl(element, &marked, painter, widget);
        return;
    }
    QProxyStyle::drawControl(element, option, painter, widget);
    // The base style draws a separator in the window colour darkened, which on a dark panel is
    // lost: the groups of a dark menu would run together.
    if (element == CE_MenuItem && item && item->menuItemType == QStyleOptionMenuItem::Separator && item->text.isEmpty()
        && Theme::isDark(option->palette)) {
        const int margin = pixelMetric(PM_MenuHMargin, option, widget) + 4;
        const qreal y = item->rect.center().y() + 0.5;
        painter->save();
        painter->setPen(QPen(Theme::tertiary().resolve(true), 1));
        painter->drawLine(QPointF(item->rect.left() + margin, y), QPointF(item->rect.right() + 1 - margin, y));
        painter->restore();
    }
}

} // namespace kelvaro
