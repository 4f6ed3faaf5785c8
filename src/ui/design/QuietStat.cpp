#include "ui/design/QuietStat.h"

#include <cmath>

#include <QPainter>

#include "ui/design/Motion.h"
#include "ui/design/Readout.h"
#include "ui/design/Theme.h"

namespace kelvaro {

namespace {
constexpr double kRollResponse = 0.35; // seconds
QFont valueFont() { return Theme::font(17, QFont::DemiBold); }
QFont labelFont() { return Theme::font(TextStyle::callout); }
} // namespace

QuietStat::QuietStat(const QString& value, const QString& label, QWidget* parent)
    : QWidget(parent), m_value(value), m_label(label), m_roll(new SpringAnimation(kRollResponse, this))
{
    setObjectName(QStringLiteral("stat"));
    setAccessibleName(value + QLatin1Char(' ') + label);
    m_roll->setStartValue(0.0);
    m_roll->setEndValue(1.0);
    connect(m_roll, &QVariantAnimation::valueChanged, this, [this](const QVariant& v) {
        m_rolled = v.toDouble();
        update();
    });
    connect(m_roll, &QVariantAnimation::finished, this, [this] {
        m_rolled = 1;
        m_previous.clear();
        update();
    });
}

void QuietStat::setValue(const QString& value)
{
    if (value == m_value)
        return;
    m_roll->stop();
    // A roll cut short starts again from what stands now, not from what was rolling out.
    m_previous = isVisible() ? m_value : QString();
    m_value = value;
    m_rolled = m_previous.isNull() ? 1 : 0;
    setAccessibleName(value + QLatin1Char(' ') + m_label);
    updateGeometry();
    update();
    if (!m_previous.isNull())
        m_roll->start();
}

bool QuietStat::isRolling() const
{
    return m_roll->state() == QAbstractAnimation::Running;
}

QSize QuietStat::sizeHint() const
{
    const QFontMetrics v(valueFont());
    const QFontMetrics l(labelFont());
    const int ascent = qMax(v.ascent(), l.ascent());
    const int descent = qMax(v.descent(), l.descent());
    const int value = int(std::ceil(Readout::advance(m_value, valueFont())));
    return {value + 6 + l.horizontalAdvance(m_label) + 1, ascent + descent + 1};
}

void QuietStat::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::TextAntialiasing);
    const bool dark = Theme::isDark(this);
    const QFont vf = valueFont();
    const QFontMetrics v(vf);
    const QFontMetrics l(labelFont());
    const int baseline = qMax(v.ascent(), l.ascent());
    const QColor colour = Theme::primary().resolve(dark);
    const QList<Readout::Run> now = Readout::runs(m_value, vf);
    const QList<Readout::Run> before = m_previous.isNull() ? QList<Readout::Run>() : Readout::runs(m_previous, vf);
    // Counting up: what changed rises out of the line while its successor rises into it; a
    // stretch that stands in the same place in both values keeps still.
    const qreal travel = v.height();
    const auto same = [&](const QList<Readout::Run>& other, const Readout::Run& run, qsizetype i) {
        return before.size() == now.size() && other.at(i).text == run.text && qFuzzyCompare(other.at(i).x + 1, run.x + 1);
    };
    p.setFont(vf);
    p.save();
    p.setClipRect(QRectF(0, baseline - v.ascent(), width(), v.height()));
    // The label takes its new place at once: what rolls out keeps to the new value's cells.
    p.save();
    p.setClipRect(QRectF(0, 0, Readout::advance(m_value, vf), height()), Qt::IntersectClip);
    for (qsizetype i = 0; i < before.size(); ++i) {
        if (same(now, before.at(i), i))
            continue;
        QColor c = colour;
        c.setAlphaF(colour.alphaF() * float(1 - m_rolled));
        p.setPen(c);
        p.drawText(QPointF(before.at(i).x, baseline - travel * m_rolled), before.at(i).text);
    }
    p.restore();
    for (qsizetype i = 0; i < now.size(); ++i) {
        const bool rolls = !before.isEmpty() && !same(before, now.at(i), i);
        QColor c = colour;
        if (rolls)
            c.setAlphaF(colour.alphaF() * float(m_rolled));
        p.setPen(c);
        p.drawText(QPointF(now.at(i).x, baseline + (rolls ? travel * (1 - m_rolled) : 0)), now.at(i).text);
    }
    p.restore();
    p.setFont(labelFont());
    p.setPen(Theme::secondary().resolve(dark));
    p.drawText(QPointF(Readout::advance(m_value, vf) + 6, baseline), m_label);
}

} // namespace kelvaro
