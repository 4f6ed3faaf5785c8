// The wheel's geometry and hit test, as pure functions.
#include <cmath>

#include <gtest/gtest.h>

#include "engine/Models.h"
#include "ui/wheel/WheelGeometry.h"

using namespace kelvaro;
using namespace kelvaro::wheel;

namespace {

// The point at `angle` degrees clockwise from 12 o'clock and `distance` from the centre.
QPointF at(const WheelGeometry& g, double angle, double distance)
{
    const double a = (angle - 90) * M_PI / 180;
    return g.centre() + QPointF(std::cos(a) * distance, std::sin(a) * distance);
}

TEST(WheelGeometry, WedgesLeaveCentredGaps)
{
    const WheelGeometry g{280, 0.4, 6};
    EXPECT_DOUBLE_EQ(g.wedgeStart(0), -88.2);
    EXPECT_DOUBLE_EQ(g.wedgeEnd(0), -31.8);
    for (int i = 0; i + 1 < 6; ++i)
        EXPECT_NEAR(g.wedgeStart(i + 1) - g.wedgeEnd(i), 3.6, 1e-9);
    // The last wedge ends 1.8° before 12 o'clock.
    EXPECT_NEAR(g.wedgeEnd(5), 268.2, 1e-9);
}

TEST(WheelGeometry, PathCoversTheWedgeButNotTheGap)
{
    const WheelGeometry g{280, 0.4, 6};
    const QPainterPath wedge = g.wedgePath(0);
    EXPECT_TRUE(wedge.contains(at(g, 30, 100)));
    EXPECT_FALSE(wedge.contains(at(g, 30, 50)));   // in the hole
    EXPECT_FALSE(wedge.contains(at(g, 30, 141)));  // beyond the edge
    EXPECT_FALSE(wedge.contains(at(g, 0.5, 100))); // in the gap at 12 o'clock
    EXPECT_FALSE(g.wedgePath(1).contains(at(g, 59.5, 100)));
}

struct Hit {
    int count;
    double angle;    // clockwise from 12 o'clock
    double distance; // from the centre
    int expected;    // -1: none
};

TEST(WheelGeometry, IndexAt)
{
    for (const Hit& h : {Hit{6, 0.0, 98, 0},   // 12 o'clock, middle of the ring
                         Hit{6, 90, 98, 1},    // 3 o'clock: 90 / 60 = 1.5
                         Hit{6, 359.9, 98, 5}, // just left of 12 o'clock
                         Hit{9, 359.9, 98, 8}, // 8.99 → 8, never n
                         Hit{6, 150, 146, 2},  // outside the wedges, inside the band
                         Hit{6, 150, 148, -1}, // beyond the band
                         Hit{6, 150, 55, -1},  // in the hole
                         Hit{6, 0, 0, -1},     // the centre
                         Hit{6, 60.5, 120, 1}, // in the gap after the border: the sector that holds it
                         Hit{6, 59.5, 120, 0}, // in the gap before it
                         Hit{9, 250, 98, 6}}) { // seventh wedge of nine
        const WheelGeometry g{280, 0.4, h.count};
        EXPECT_EQ(g.indexAt(at(g, h.angle, h.distance)).value_or(-1), h.expected) << h.count << " wedges, " << h.angle << " deg, " << h.distance;
    }
}

TEST(WheelGeometry, PointsOnTheAxesInWidgetCoordinates)
{
    const WheelGeometry g{280, 0.4, 6};
    EXPECT_EQ(g.indexAt({140, 140 - 98}), 0);
    EXPECT_EQ(g.indexAt({140 + 98, 140}), 1);
    EXPECT_EQ(g.indexAt({140, 140 + 98}), 3);
    EXPECT_EQ(g.indexAt({140 - 98, 140}), 4);
    EXPECT_FALSE(g.indexAt({0, 0}).has_value()); // the square's corner is outside the band
    // Both bounds of the band are hits: the hole's edge and 1.05 R.
    EXPECT_EQ(g.indexAt({140, 140 - 56}), 0);
    EXPECT_EQ(g.indexAt({140 + 147, 140}), 1);
    EXPECT_FALSE(g.indexAt({140, 140 - 55.999}).has_value());
    EXPECT_FALSE(g.indexAt({140 + 147.001, 140}).has_value());
}

} // namespace
