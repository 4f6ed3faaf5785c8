#pragma once
// The wheel's geometry as pure functions of its side, hole ratio and wedge count: wedge angles
// with their gaps, label points, the centre disc, the outer ring and the hit test. Angles are in
// degrees, clockwise on screen from 3 o'clock (y points down), so -90 is 12 o'clock. All lengths
// are logical pixels in the wheel's own coordinates (origin at the square's top-left corner).
#include <optional>

#include <QPainterPath>
#include <QPointF>
#include <QRectF>

namespace kelvaro::wheel {

struct WheelGeometry {
    double size = 280;       // side of the square the wheel occupies
    double innerRatio = 0.4; // hole radius as a fraction of the outer radius
    int count = 6;           // number of wedges (at least 1)

    static constexpr double gapHalf = 1.8;     // degrees trimmed from each side of a sector
    static constexpr double hitOuterFactor = 1.05;

    double radius() const { return size / 2; }
    double holeRadius() const { return innerRatio * radius(); }
    QPointF centre() const { return {radius(), radius()}; }
    double sector() const { return 360.0 / count; }

    double wedgeStart(int i) const { return sector() * i - 90 + gapHalf; }
    double wedgeEnd(int i) const { return sector() * (i + 1) - 90 - gapHalf; }
    double labelAngle(int i) const { return (i + 0.5) * sector() - 90; }
    double labelDistance() const { return radius() * (1 + innerRatio) / 2; }
    QPointF labelCentre(int i) const;

    double centreDiscDiameter() const { return size * innerRatio - 12; }
    double outerRingDiameter() const { return size + 10; }
    double hitLimit() const { return hitOuterFactor * radius(); }

    // The wedge's outline: outer arc clockwise from start to end, inner arc back, closed.
    QPainterPath wedgePath(int i) const;

    // The wedge index under a point, or none in the hole and beyond 1.05 R. Both bounds count as
    // hits; a point in a gap belongs to the sector that holds it.
    std::optional<int> indexAt(QPointF point) const;
};

} // namespace kelvaro::wheel
