#include "ui/design/KelvaroStyle.h"

#include <QPainter>
#include <QPainterPath>
#include <QStyleFactory>
#include <QStyleOptionSlider>

#include "ui/design/Theme.h"
#include "ui/design/WheelGuard.h"

namespace kelvaro {

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
    const auto* bar = qstyleoption_cast<const QStyleOptionSlider*>(option);
    if (control != CC_ScrollBar || !bar) {
        QProxyStyle::drawComplexControl(control, option, painter, widget);
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

} // namespace kelvaro
