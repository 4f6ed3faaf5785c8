#include "ui/wheel/WheelGeometry.h"

#include <algorithm>
#include <cmath>

namespace kelvaro::wheel {

namespace {
constexpr double kDegrees = 180.0 / M_PI;
}

QPointF WheelGeometry::labelCentre(int i) const
{
    const double a = labelAngle(i) / kDegrees;
    const double d = labelDistance();
    return centre() + QPointF(std::cos(a) * d, std::sin(a) * d);
}

QPainterPath WheelGeometry::wedgePath(int i) const
{
    const double r = radius();
    const double inner = holeRadius();
    const QRectF outerBox(centre().x() - r, centre().y() - r, 2 * r, 2 * r);
    const QRectF innerBox(centre().x() - inner, centre().y() - inner, 2 * inner, 2 * inner);
    const double start = wedgeStart(i);
    const double sweep = wedgeEnd(i) - start;
    // QPainterPath angles run counter-clockwise with y up: negate the screen-clockwise angles.
    QPainterPath path;
    path.arcMoveTo(outerBox, -start);
    path.arcTo(outerBox, -start, -sweep);
    path.arcTo(innerBox, -(start + sweep), sweep);
    path.closeSubpath();
    return path;
}

std::optional<int> WheelGeometry::indexAt(QPointF point) const
{
    if (count < 1)
        return std::nullopt;
    const double dx = point.x() - radius();
    const double dy = point.y() - radius();
    const double d = std::hypot(dx, dy);
    if (d < holeRadius() || d > hitLimit())
        return std::nullopt;
    const double angle = std::fmod(std::atan2(dy, dx) * kDegrees + 90 + 360, 360);
    const int index = int(angle / sector());
    return std::clamp(index, 0, count - 1);
}

} // namespace kelvaro::wheel
