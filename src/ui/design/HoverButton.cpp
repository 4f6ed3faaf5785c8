#include "ui/design/HoverButton.h"

#include <QChildEvent>
#include <QHBoxLayout>
#include <QPainter>

#include "ui/design/FocusRing.h"
#include "ui/design/Shapes.h"
#include "ui/design/Theme.h"

namespace kelvaro {

HoverButton::HoverButton(int radius, QWidget* parent)
    : QAbstractButton(parent), m_layout(new QHBoxLayout(this)), m_radius(radius)
{
    m_layout->setContentsMargins(0, 0, 0, 0);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

QSize HoverButton::sizeHint() const
{
    return m_layout->sizeHint();
}

QSize HoverButton::minimumSizeHint() const
{
    return m_layout->minimumSize();
}

void HoverButton::childEvent(QChildEvent* event)
{
    // The children only draw; the button under them takes every click and hover.
    if (event->added() && event->child()->isWidgetType())
        static_cast<QWidget*>(event->child())->setAttribute(Qt::WA_TransparentForMouseEvents);
    QAbstractButton::childEvent(event);
}

void HoverButton::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    if (m_hovering)
        p.fillPath(Shapes::rounded(QRectF(rect()), m_radius), Theme::primaryAt(this, 0.05));
    if (showsFocusRing(this)) {
        p.setPen(QPen(Theme::ember(), 1.5));
        p.drawPath(Shapes::rounded(QRectF(rect()).adjusted(1, 1, -1, -1), m_radius));
    }
}

void HoverButton::enterEvent(QEnterEvent* event)
{
    m_hovering = true;
    update();
    QAbstractButton::enterEvent(event);
}

void HoverButton::leaveEvent(QEvent* event)
{
    m_hovering = false;
    update();
    QAbstractButton::leaveEvent(event);
}

} // namespace kelvaro
