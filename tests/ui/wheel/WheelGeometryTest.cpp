// The wheel's geometry and hit test, as pure functions.
#include <cmath>
#include <ostream>

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

struct Slice {
    WheelMode mode;
    int index;
    const char* key;
    const char* symbol;
};

void PrintTo(const Slice& s, std::ostream* os)
{
    *os << rawValue(s.mode).toStdString() << " " << s.index << " " << s.key;
}

class WheelSlices : public ::testing::TestWithParam<Slice> {};

TEST_P(WheelSlices, KeyAndSymbolInOrder)
{
    const Slice s = GetParam();
    const QList<WheelAction>& list = actions(s.mode);
    ASSERT_GT(list.size(), s.index);
    EXPECT_EQ(list[s.index].key, QString::fromUtf8(s.key));
    EXPECT_EQ(list[s.index].symbol, QString::fromUtf8(s.symbol));
}

INSTANTIATE_TEST_SUITE_P(
    AllModes, WheelSlices,
    ::testing::Values(Slice{WheelMode::convert, 0, "JPG", "photo"}, Slice{WheelMode::convert, 1, "PNG", "square.on.square"},
                      Slice{WheelMode::convert, 2, "HEIC", "camera.aperture"}, Slice{WheelMode::convert, 3, "TIFF", "photo.artframe"},
                      Slice{WheelMode::convert, 4, "PDF", "doc.richtext"}, Slice{WheelMode::convert, 5, "ZIP", "doc.zipper"},
                      Slice{WheelMode::tools, 0, "Ořez", "crop"},
                      Slice{WheelMode::tools, 1, "Velikost", "arrow.up.left.and.arrow.down.right"},
                      Slice{WheelMode::tools, 2, "Komprese", "arrow.down.right.and.arrow.up.left"},
                      Slice{WheelMode::tools, 3, "Pozadí", "person.crop.rectangle"},
                      Slice{WheelMode::tools, 4, "Úpravy", "slider.horizontal.3"}, Slice{WheelMode::tools, 5, "Obličeje", "face.dashed"},
                      Slice{WheelMode::tools, 6, "OCR", "text.viewfinder"}, Slice{WheelMode::tools, 7, "Sken", "doc.viewfinder"},
                      Slice{WheelMode::tools, 8, "Vodoznak", "signature"}, Slice{WheelMode::actions, 0, "Na polici", "tray.full"},
                      Slice{WheelMode::actions, 1, "KDE Connect", "airplayaudio"}, Slice{WheelMode::actions, 2, "Přesunout", "folder"},
                      Slice{WheelMode::actions, 3, "Přejmenovat", "character.cursor.ibeam"},
                      Slice{WheelMode::actions, 4, "Metadata", "eye.slash"},
                      Slice{WheelMode::actions, 5, "Schránka", "doc.on.clipboard"}));

TEST(WheelGeometry, CountsPerMode)
{
    EXPECT_EQ(actions(WheelMode::convert).size(), 6);
    EXPECT_EQ(actions(WheelMode::tools).size(), 9);
    EXPECT_EQ(actions(WheelMode::actions).size(), 6);
}

TEST(WheelGeometry, HostMeasures)
{
    const WheelGeometry g{280, 0.4, 6};
    EXPECT_DOUBLE_EQ(g.radius(), 140);
    EXPECT_DOUBLE_EQ(g.holeRadius(), 56);
    EXPECT_DOUBLE_EQ(g.labelDistance(), 98);
    EXPECT_DOUBLE_EQ(g.centreDiscDiameter(), 100);
    EXPECT_DOUBLE_EQ(g.outerRingDiameter(), 290);
    EXPECT_DOUBLE_EQ(g.hitLimit(), 147);
    EXPECT_DOUBLE_EQ(g.sector(), 60);
    EXPECT_DOUBLE_EQ((WheelGeometry{280, 0.4, 9}.sector()), 40);
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

TEST(WheelGeometry, LabelsSitInTheMiddleOfTheRing)
{
    const WheelGeometry g{280, 0.4, 6};
    const QPointF first = g.labelCentre(0); // 30° clockwise from 12 o'clock
    EXPECT_NEAR(first.x(), 140 + 98 * std::sin(M_PI / 6), 1e-9);
    EXPECT_NEAR(first.y(), 140 - 98 * std::cos(M_PI / 6), 1e-9);
    EXPECT_EQ(g.indexAt(first), 0);
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

void PrintTo(const Hit& h, std::ostream* os)
{
    *os << h.count << " wedges, " << h.angle << " deg, " << h.distance << " px";
}

class WheelHits : public ::testing::TestWithParam<Hit> {};

TEST_P(WheelHits, IndexAt)
{
    const Hit h = GetParam();
    const WheelGeometry g{280, 0.4, h.count};
    const std::optional<int> index = g.indexAt(at(g, h.angle, h.distance));
    if (h.expected < 0)
        EXPECT_FALSE(index.has_value()) << "got " << index.value_or(-1);
    else
        EXPECT_EQ(index, h.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, WheelHits,
    ::testing::Values(Hit{6, 0.0, 98, 0},      // 12 o'clock, middle of the ring
                      Hit{6, 90, 98, 1},       // 3 o'clock: 90 / 60 = 1.5
                      Hit{6, 359.9, 98, 5},    // just left of 12 o'clock
                      Hit{9, 359.9, 98, 8},    // 8.99 → 8, never n
                      Hit{6, 150, 146, 2},     // outside the wedges, inside the band
                      Hit{6, 150, 148, -1},    // beyond the band
                      Hit{6, 150, 55, -1},     // in the hole
                      Hit{6, 0, 0, -1},        // the centre
                      Hit{6, 60.5, 120, 1},    // in the gap after the border: the sector that holds it
                      Hit{6, 59.5, 120, 0},    // in the gap before it
                      Hit{9, 250, 98, 6}));    // seventh wedge of nine

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
