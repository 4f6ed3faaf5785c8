#include "ui/design/FocusRing.h"
#include "ui/design/DestructiveSymbolButton.h"

#include <QPainter>
#include <QPainterPath>

#include "ui/design/Symbols.h"
#include "ui/design/Theme.h"

namespace kelvaro {

DestructiveSymbolButton::DestructiveSymbolButton(const QString& symbol, const QString& tip, QSize size, int glyph, QWidget* parent)
    : QAbstractButton(parent), m_symbol(symbol), m_glyph(glyph)
{
    setFixedSize(size);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus);
    setToolTip(tip);
    setAccessibleName(tip);
}

QColor DestructiveSymbolButton::glyphColor() const
{
    QColor tint = Theme::destructive().on(this);
    if (!isEnabled())
        tint.setAlphaF(tint.alphaF() * 0.45f);
    return tint;
}

void DestructiveSymbolButton::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF box = QRectF(rect()).adjusted(1, 1, -1, -1);
    QPainterPath path;
    path.addRoundedRect(box, 7, 7);
    if ((m_hovering || isDown()) && isEnabled())
        p.fillPath(path, Theme::primaryAt(this, isDown() ? 0.12 : 0.07));
    if (showsFocusRing(this)) {
        p.setPen(QPen(Theme::ember(), 1.5));
        p.drawPath(path);
    }
    const QRectF glyph((width() - m_glyph) / 2.0, (height() - m_glyph) / 2.0, m_glyph, m_glyph);
    Symbols::paint(p, glyph, m_symbol, glyphColor(), 1.1);
}

void DestructiveSymbolButton::enterEvent(QEnterEvent* event)
{
    m_hovering = true;
    update();
    QAbstractButton::enterEvent(event);
}

void DestructiveSymbolButton::leaveEvent(QEvent* event)
{
    m_hovering = false;
    update();
    QAbstractButton::leaveEvent(event);
}


} // namespace kelvaro
