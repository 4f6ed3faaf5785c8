#include "ui/design/Text.h"

#include <QPainter>
#include <QTextLayout>

namespace kelvaro {
Text::Text(const QString& text, TextStyle style, QWidget* parent)
    : QWidget(parent), m_text(text), m_font(Theme::font(style))
{
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    setAttribute(Qt::WA_TranslucentBackground);
    setAccessibleName(text);
}

void Text::setText(const QString& text)
{
    if (text == m_text)
        return;
    m_text = text;
    setAccessibleName(text);
    changed();
}

void Text::setTextFont(const QFont& font)
{
    m_font = font;
    changed();
}

void Text::setStyle(TextStyle style, std::optional<QFont::Weight> weight)
{
    setTextFont(weight ? Theme::font(style, *weight) : Theme::font(style));
}

void Text::setColor(const DynamicColor& color)
{
    m_color = color;
    update();
}

void Text::setColor(const QColor& color)
{
    m_color = color;
    update();
}

QColor Text::resolvedColor() const
{
    return colorOn(m_color, this);
}

void Text::setElide(Qt::TextElideMode mode)
{
    m_elide = mode;
    changed();
}

void Text::setWrap(bool wrap)
{
    m_wrap = wrap;
    QSizePolicy policy = sizePolicy();
    policy.setHeightForWidth(wrap);
    setSizePolicy(policy);
    changed();
}

void Text::setAlignment(Qt::Alignment alignment)
{
    m_alignment = alignment;
    update();
}

void Text::setExtraLineSpacing(int pixels)
{
    m_extraSpacing = pixels;
    changed();
}

void Text::changed()
{
    updateGeometry();
    update();
}

bool Text::isElided() const
{
    if (m_wrap || m_elide == Qt::ElideNone)
        return false;
    return QFontMetrics(m_font).horizontalAdvance(m_text) > contentsRect().width();
}

int Text::wrappedHeight(int width, QList<QPair<int, int>>* lines) const
{
    QFontMetrics metrics(m_font);
    QTextLayout layout(m_text, m_font);
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    layout.beginLayout();
    int count = 0;
    for (;;) {
        QTextLine line = layout.createLine();
        if (!line.isValid())
            break;
        line.setLineWidth(qMax(1, width));
        if (lines)
            lines->append({line.textStart(), line.textLength()});
        ++count;
    }
    layout.endLayout();
    count = qMax(1, count);
    return count * metrics.height() + (count - 1) * m_extraSpacing;
}

QSize Text::sizeHint() const
{
    QFontMetrics metrics(m_font);
    const QMargins m = contentsMargins();
    const int full = metrics.horizontalAdvance(m_text) + 1;
    if (m_wrap) {
        const int w = qMin(full, 560);
        return {w + m.left() + m.right(), wrappedHeight(w) + m.top() + m.bottom()};
    }
    return {full + m.left() + m.right(), metrics.height() + m.top() + m.bottom()};
}

QSize Text::minimumSizeHint() const
{
    QFontMetrics metrics(m_font);
    if (m_wrap)
        return {qMin(metrics.horizontalAdvance(m_text), metrics.averageCharWidth() * 8), metrics.height()};
    if (m_elide != Qt::ElideNone)
        return {qMin(metrics.horizontalAdvance(m_text) + 1, metrics.horizontalAdvance(QStringLiteral("…")) + metrics.averageCharWidth() * 3),
                metrics.height()};
    return sizeHint();
}

int Text::heightForWidth(int width) const
{
    const QMargins m = contentsMargins();
    return m_wrap ? wrappedHeight(width - m.left() - m.right()) + m.top() + m.bottom() : sizeHint().height();
}

void Text::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.setFont(m_font);
    p.setPen(resolvedColor());
    QFontMetrics metrics(m_font);
    const QRect area = contentsRect();
    if (!m_wrap) {
        const QString shown = m_elide == Qt::ElideNone ? m_text : metrics.elidedText(m_text, m_elide, area.width());
        p.drawText(area, int(m_alignment) | Qt::TextSingleLine, shown);
        return;
    }
    QList<QPair<int, int>> lines;
    const int total = wrappedHeight(area.width(), &lines);
    int y = area.y();
    if (m_alignment & Qt::AlignVCenter)
        y += (area.height() - total) / 2;
    for (const auto& [start, length] : lines) {
        const QString line = m_text.mid(start, length).trimmed();
        QRect lineRect(area.x(), y, area.width(), metrics.height());
        p.drawText(lineRect, int(m_alignment & Qt::AlignHorizontal_Mask) | Qt::AlignVCenter | Qt::TextSingleLine, line);
        y += metrics.height() + m_extraSpacing;
    }
}

} // namespace kelvaro
