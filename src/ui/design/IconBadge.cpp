#include "ui/design/IconBadge.h"

#include <QLinearGradient>
#include <QPainter>

#include "ui/design/Shapes.h"
#include "ui/design/Symbols.h"

namespace kelvaro {

IconBadge::IconBadge(const QString& symbol, const QColor& color, int size, bool filled, QWidget* parent)
    : QWidget(parent), m_symbol(symbol), m_color(color), m_size(size), m_filled(filled)
{
    setFixedSize(size, size);
}

void IconBadge::setSymbol(const QString& symbol)
{
    if (symbol == m_symbol)
        return;
    m_symbol = symbol;
    update();
}

void IconBadge::setColor(const QColor& color)
{
    if (color == m_color)
        return;
    m_color = color;
    update();
}

void IconBadge::setFilled(bool filled)
{
    if (filled == m_filled)
        return;
    m_filled = filled;
    update();
}

void IconBadge::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r(0, 0, m_size, m_size);
    if (m_filled) {
        // The colour's own gradient: a touch lighter at the top, a touch deeper at the bottom.
        QLinearGradient g(r.topLeft(), r.bottomLeft());
        g.setColorAt(0, m_color.lighter(112));
        g.setColorAt(1, m_color.darker(108));
        p.fillPath(Shapes::rounded(r, cornerRadius()), g);
    } else {
        QColor tint = m_color;
        tint.setAlphaF(0.14f);
        p.fillPath(Shapes::rounded(r, cornerRadius()), tint);
    }
    const qreal g = glyphSize();
    Symbols::paint(p, QRectF((m_size - g) / 2, (m_size - g) / 2, g, g), m_symbol, m_filled ? QColor(Qt::white) : m_color, 1.2);
}

} // namespace kelvaro
