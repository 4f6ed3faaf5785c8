#include "ui/design/QuietStat.h"

#include <QPainter>

#include "ui/design/Theme.h"

namespace kelvaro {

namespace {
QFont valueFont() { return Theme::font(17, QFont::DemiBold); }
QFont labelFont() { return Theme::font(TextStyle::callout); }
} // namespace

QuietStat::QuietStat(const QString& value, const QString& label, QWidget* parent)
    : QWidget(parent), m_value(value), m_label(label)
{
    setObjectName(QStringLiteral("stat"));
    setAccessibleName(value + QLatin1Char(' ') + label);
}

void QuietStat::setValue(const QString& value)
{
    if (value == m_value)
        return;
    m_value = value;
    setAccessibleName(value + QLatin1Char(' ') + m_label);
    updateGeometry();
    update();
}

QSize QuietStat::sizeHint() const
{
    const QFontMetrics v(valueFont());
    const QFontMetrics l(labelFont());
    const int ascent = qMax(v.ascent(), l.ascent());
    const int descent = qMax(v.descent(), l.descent());
    return {v.horizontalAdvance(m_value) + 6 + l.horizontalAdvance(m_label) + 1, ascent + descent + 1};
}

void QuietStat::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::TextAntialiasing);
    const bool dark = Theme::isDark(this);
    const QFontMetrics v(valueFont());
    const QFontMetrics l(labelFont());
    const int baseline = qMax(v.ascent(), l.ascent());
    p.setFont(valueFont());
    p.setPen(Theme::primary().resolve(dark));
    p.drawText(QPointF(0, baseline), m_value);
    p.setFont(labelFont());
    p.setPen(Theme::secondary().resolve(dark));
    p.drawText(QPointF(v.horizontalAdvance(m_value) + 6, baseline), m_label);
}

} // namespace kelvaro
