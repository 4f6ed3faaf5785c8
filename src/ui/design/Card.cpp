#include "ui/design/Card.h"

#include <QPainter>

#include "ui/design/Shapes.h"
#include "ui/design/Theme.h"

namespace kelvaro {

Card::Card(int radius, QWidget* parent) : QWidget(parent), m_radius(radius)
{
    setAttribute(Qt::WA_TranslucentBackground);
}

QColor Card::borderColor(bool dark)
{
    return dark ? QColor::fromRgbF(1, 1, 1, 0.09f) : QColor::fromRgbF(0, 0, 0, 0.08f);
}

void Card::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const bool dark = Theme::isDark(this);
    p.fillPath(Shapes::rounded(QRectF(rect()), m_radius), Theme::cardFill().resolve(dark));
    p.setPen(QPen(borderColor(dark), 1));
    p.setBrush(Qt::NoBrush);
    p.drawPath(Shapes::rounded(Shapes::inner(QRectF(rect())), m_radius - 0.5));
}

} // namespace kelvaro
