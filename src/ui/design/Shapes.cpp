#include "ui/design/Shapes.h"

#include <algorithm>

namespace kelvaro::Shapes {

QPainterPath rounded(const QRectF& rect, qreal radius)
{
    QPainterPath path;
    path.addRoundedRect(rect, radius, radius);
    return path;
}

QRectF inner(const QRectF& rect)
{
    return rect.adjusted(0.5, 0.5, -0.5, -0.5);
}

QColor darker(const QColor& color, qreal amount)
{
    return QColor::fromRgbF(float(std::max(0.0, color.redF() - amount)), float(std::max(0.0, color.greenF() - amount)),
                            float(std::max(0.0, color.blueF() - amount)), color.alphaF());
}

} // namespace kelvaro::Shapes
