#include "ui/design/SymbolView.h"

#include <QPainter>

#include "ui/design/Symbols.h"

namespace kelvaro {
SymbolView::SymbolView(const QString& symbol, int glyphSize, QWidget* parent)
    : QWidget(parent), m_symbol(symbol), m_glyph(glyphSize)
{
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void SymbolView::setSymbol(const QString& symbol)
{
    m_symbol = symbol;
    update();
}

void SymbolView::setColor(const DynamicColor& color)
{
    m_color = color;
    update();
}

void SymbolView::setColor(const QColor& color)
{
    m_color = color;
    update();
}

void SymbolView::setBoxWidth(int width)
{
    m_box = width;
    updateGeometry();
}

void SymbolView::setWeight(qreal weight)
{
    m_weight = weight;
    update();
}

QSize SymbolView::sizeHint() const
{
    return {qMax(m_box, m_glyph), m_glyph};
}

void SymbolView::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r((width() - m_glyph) / 2.0, (height() - m_glyph) / 2.0, m_glyph, m_glyph);
    Symbols::paint(p, r, m_symbol, colorOn(m_color, this), m_weight);
}

} // namespace kelvaro
