#include "ui/design/ToolbarButton.h"

#include <QAction>
#include <QEnterEvent>
#include <QPainter>
#include <QPainterPath>

#include "ui/design/FocusRing.h"
#include "ui/design/Symbols.h"
#include "ui/design/Theme.h"

namespace kelvaro {

ToolbarButton::ToolbarButton(const QString& symbol, QWidget* parent) : QToolButton(parent), m_symbol(symbol)
{
    setAutoRaise(true);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus);
}

ToolbarButton::ToolbarButton(QAction* action, QWidget* parent) : ToolbarButton(action->property("symbol").toString(), parent)
{
    setDefaultAction(action);
}

QString ToolbarButton::symbol() const
{
    return m_symbol;
}

void ToolbarButton::setGlyphSide(qreal side)
{
    m_glyphSide = side;
    update();
}

QSize ToolbarButton::sizeHint() const
{
    return {30, 28};
}

void ToolbarButton::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const bool dark = Theme::isDark(this);
    if ((m_hovering || isDown()) && isEnabled()) {
        QPainterPath path;
        path.addRoundedRect(QRectF(rect()).adjusted(1, 1, -1, -1), 7, 7);
        p.fillPath(path, Theme::primaryAt(dark, isDown() ? 0.12 : 0.07));
    }
    if (showsFocusRing(this)) {
        p.setPen(QPen(Theme::ember(), 1.5));
        p.drawRoundedRect(QRectF(rect()).adjusted(1, 1, -1, -1), 7, 7);
    }
    QColor tint = (m_hovering ? Theme::primary() : Theme::secondary()).resolve(dark);
    if (!isEnabled())
        tint.setAlphaF(tint.alphaF() * 0.45f);
    const qreal side = m_glyphSide;
    Symbols::paint(p, QRectF((width() - side) / 2, (height() - side) / 2, side, side), m_symbol, tint, 1.1);
}

void ToolbarButton::enterEvent(QEnterEvent* event)
{
    m_hovering = true;
    update();
    QToolButton::enterEvent(event);
}

void ToolbarButton::leaveEvent(QEvent* event)
{
    m_hovering = false;
    update();
    QToolButton::leaveEvent(event);
}

} // namespace kelvaro
