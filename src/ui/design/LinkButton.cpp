#include "ui/design/LinkButton.h"

#include <QPainter>

#include "ui/design/FocusRing.h"
#include "ui/design/Shapes.h"
#include "ui/design/Theme.h"

namespace kelvaro {

LinkButton::LinkButton(const QString& title, TextStyle style, QWidget* parent)
    : QAbstractButton(parent), m_font(Theme::font(style, QFont::Medium))
{
    setText(title);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void LinkButton::setTextFont(const QFont& font)
{
    m_font = font;
    updateGeometry();
    update();
}

QSize LinkButton::sizeHint() const
{
    QFontMetrics metrics(m_font);
    return {metrics.horizontalAdvance(text()) + 2, metrics.height() + 2};
}

void LinkButton::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    QFont f = m_font;
    f.setUnderline(m_hovering && isEnabled());
    p.setFont(f);
    QColor c = Theme::emberText().on(this);
    if (isDown())
        c = Shapes::darker(c, 0.12);
    if (!isEnabled())
        c.setAlphaF(0.45f);
    p.setPen(c);
    p.drawText(rect(), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, text());
    if (showsFocusRing(this)) {
        p.setPen(QPen(Theme::ember(), 1, Qt::DotLine));
        p.drawRect(rect().adjusted(0, 0, -1, -1));
    }
}

void LinkButton::enterEvent(QEnterEvent* event)
{
    m_hovering = true;
    update();
    QAbstractButton::enterEvent(event);
}

void LinkButton::leaveEvent(QEvent* event)
{
    m_hovering = false;
    update();
    QAbstractButton::leaveEvent(event);
}


} // namespace kelvaro
