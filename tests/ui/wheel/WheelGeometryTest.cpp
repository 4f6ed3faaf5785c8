// The wheel's geometry and hit test, as pure functions.
#include <cmath>

#include <gtest/gtest.h>

#include "model/Models.h"
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

struct Hit {
    int count;
    double angle;    // clockwise from 12 o'clock
    double distance; // from the centre
    int expected;    // -1: none
};

TEST(WheelGeometry, IndexAt)
{
    EXPECT_EQ((WheelGeometry{280, 0.4, 6}).centre(), QPointF(140, 140));
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
                         Hit{9, 250, 98, 6},   // seventh wedge of nine
                         Hit{6, 0, 56, 0},     // both bounds of the band are hits: the hole's edge
                         Hit{6, 0, 55.999, -1},
                         Hit{6, 90, 147, 1},   // and 1.05 R
                         Hit{6, 90, 147.001, -1}}) {
        const WheelGeometry g{280, 0.4, h.count};
        EXPECT_EQ(g.indexAt(at(g, h.angle, h.distance)).value_or(-1), h.expected) << h.count << " wedges, " << h.angle << " deg, " << h.distance;
    }
}

} // namespace
