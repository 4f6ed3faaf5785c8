#include "ui/design/Readout.h"

#include <cmath>

#include <QPainter>

namespace kelvaro {
namespace {

bool isDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

qreal digitCell(const QFontMetricsF& metrics)
{
    qreal widest = 0;
    for (char d = '0'; d <= '9'; ++d)
        widest = std::max(widest, metrics.horizontalAdvance(QLatin1Char(d)));
    return widest;
}

// Calls `draw(x, run, isDigit)` for each stretch of the text: every digit alone, every other
// stretch whole (so it keeps its kerning); returns the total width.
template <typename Draw>
qreal layOut(const QString& text, const QFontMetricsF& metrics, Draw&& draw)
{
    const qreal cell = digitCell(metrics);
    qreal x = 0;
    qsizetype i = 0;
    while (i < text.size()) {
        if (isDigit(text.at(i))) {
            const QString digit = text.mid(i, 1);
            draw(x + (cell - metrics.horizontalAdvance(digit)) / 2, digit);
            x += cell;
            ++i;
            continue;
        }
        qsizetype end = i;
        while (end < text.size() && !isDigit(text.at(end)))
            ++end;
        const QString run = text.mid(i, end - i);
        draw(x, run);
        x += metrics.horizontalAdvance(run);
        i = end;
    }
    return x;
}

} // namespace

Readout::Readout(TextStyle style, QWidget* parent) : QWidget(parent), m_font(Theme::font(style))
{
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    setAttribute(Qt::WA_TranslucentBackground);
}

void Readout::setText(const QString& text)
{
    if (text == m_text)
        return;
    m_text = text;
    setAccessibleName(text);
    updateGeometry();
    update();
}

void Readout::setTextFont(const QFont& font)
{
    m_font = font;
    updateGeometry();
    update();
}

void Readout::setColor(const DynamicColor& color)
{
    m_color = color;
    update();
}

void Readout::setColor(const QColor& color)
{
    m_color = color;
    update();
}

QColor Readout::resolvedColor() const
{
    return colorOn(m_color, this);
}

void Readout::setAlignment(Qt::Alignment alignment)
{
    m_alignment = alignment;
    update();
}

qreal Readout::advance(const QString& text, const QFont& font)
{
    return layOut(text, QFontMetricsF(font), [](qreal, const QString&) {});
}

QList<Readout::Run> Readout::runs(const QString& text, const QFont& font)
{
    QList<Run> list;
    layOut(text, QFontMetricsF(font), [&list](qreal x, const QString& run) { list.append({x, run}); });
    return list;
}

QSize Readout::sizeHint() const
{
    const QMargins m = contentsMargins();
    const QFontMetrics metrics(m_font);
    return {int(std::ceil(advance(m_text, m_font))) + 1 + m.left() + m.right(), metrics.height() + m.top() + m.bottom()};
}

void Readout::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.setFont(m_font);
    p.setPen(resolvedColor());
    const QFontMetricsF metrics(m_font);
    const QRectF area(contentsRect());
    const qreal width = advance(m_text, m_font);
    qreal left = area.left();
    if (m_alignment & Qt::AlignRight)
        left = area.right() - width;
    else if (m_alignment & Qt::AlignHCenter)
        left = area.left() + (area.width() - width) / 2;
    qreal top = area.top();
    if (m_alignment & Qt::AlignBottom)
        top = area.bottom() - metrics.height();
    else if (!(m_alignment & Qt::AlignTop))
        top = area.top() + (area.height() - metrics.height()) / 2;
    const qreal baseline = top + metrics.ascent();
    layOut(m_text, metrics, [&](qreal x, const QString& run) { p.drawText(QPointF(left + x, baseline), run); });
}

} // namespace kelvaro
