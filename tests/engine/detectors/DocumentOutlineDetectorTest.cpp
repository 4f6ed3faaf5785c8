// Document outlines: corner order, a synthetic sheet found, plain photos without a sheet.
#include <gtest/gtest.h>
#include <opencv2/imgproc.hpp>

#include "engine/detectors/DocumentOutlineDetector.h"

using namespace kelvaro::detectors;

namespace {

TEST(DocumentOutline, CornersAreOrderedClockwiseFromTopLeft)
{
    const std::array<cv::Point2f, 4> shuffled = {cv::Point2f(90, 95), cv::Point2f(10, 5), cv::Point2f(5, 100),
                                                 cv::Point2f(100, 10)};
    EXPECT_EQ(orderedCorners(shuffled),
              (std::array<cv::Point2f, 4>{cv::Point2f(10, 5), cv::Point2f(100, 10), cv::Point2f(90, 95), cv::Point2f(5, 100)}));
}

struct SheetCase {
    const char* label;
    std::array<cv::Point, 4> corners; // top-left, top-right, bottom-right, bottom-left
    cv::Scalar deskLow, deskHigh;     // the desk's mottled colour range
    bool lightFalloff;                // light fading towards one side, as under a lamp
};

// A sheet with lines of "text" on a desk, photographed at an angle.
cv::Mat sheetPhoto(const SheetCase& c, cv::Size size)
{
    cv::Mat photo(size, CV_8UC3);
    cv::randu(photo, c.deskLow, c.deskHigh);
    cv::GaussianBlur(photo, photo, cv::Size(0, 0), 1.5);
    cv::fillConvexPoly(photo, c.corners.data(), 4, cv::Scalar(235, 232, 225), cv::LINE_AA);
    // Text lines across the sheet, following its top edge.
    const cv::Point2f tl(c.corners[0]), tr(c.corners[1]), br(c.corners[2]), bl(c.corners[3]);
    for (int line = 0; line < 14; ++line) {
        const float t = 0.12f + 0.05f * line;
        const cv::Point2f left = tl + (bl - tl) * t, right = tr + (br - tr) * t;
        cv::line(photo, left + (right - left) * 0.1f, left + (right - left) * (line % 3 == 2 ? 0.6f : 0.9f),
                 cv::Scalar(40, 40, 40), 4);
    }
    if (c.lightFalloff)
        for (int y = 0; y < photo.rows; ++y)
            photo.row(y) *= 1.0 - 0.35 * y / photo.rows;
    return photo;
}

class SheetOnDesk : public ::testing::TestWithParam<SheetCase> {};

TEST_P(SheetOnDesk, IsFoundWithItsCorners)
{
    const SheetCase& c = GetParam();
    const cv::Mat photo = sheetPhoto(c, cv::Size(1000, 950));
    const auto outline = ContourOutlineDetector().detect(photo);
    ASSERT_TRUE(outline.has_value()) << c.label;
    EXPECT_GT(outline->confidence, 0.6f) << c.label;
    EXPECT_LE(outline->confidence, 1.0f);
    for (int i = 0; i < 4; ++i) {
        EXPECT_NEAR(outline->corners[i].x() * 1000, c.corners[i].x, 12) << c.label << " corner " << i;
        EXPECT_NEAR(outline->corners[i].y() * 950, c.corners[i].y, 12) << c.label << " corner " << i;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Sheets, SheetOnDesk,
    ::testing::Values(
        SheetCase{"dark desk, turned", {cv::Point(220, 90), cv::Point(760, 130), cv::Point(720, 860), cv::Point(170, 820)},
                  cv::Scalar::all(35), cv::Scalar::all(65), false},
        SheetCase{"wooden desk, in perspective, under a lamp",
                  {cv::Point(300, 120), cv::Point(700, 120), cv::Point(900, 880), cv::Point(100, 880)},
                  cv::Scalar(110, 70, 40), cv::Scalar(150, 100, 60), true},
        SheetCase{"filling most of the photo", {cv::Point(40, 30), cv::Point(960, 45), cv::Point(950, 920), cv::Point(50, 905)},
                  cv::Scalar::all(60), cv::Scalar::all(90), false}));

// Photos without a sheet, or where something else bounds a quadrilateral: the image's own
// border, a round subject, a plain or noisy photo; too small images give nothing at all.
TEST(ContourOutlineDetector, NoConfidentSheetInPhotosOfOtherThings)
{
    cv::Mat halves(480, 640, CV_8UC3, cv::Scalar::all(40));
    halves(cv::Rect(320, 0, 320, 480)).setTo(cv::Scalar::all(220)); // a bright half bounded by the border
    cv::Mat disc(480, 640, CV_8UC3, cv::Scalar::all(40));
    cv::circle(disc, cv::Point(320, 240), 200, cv::Scalar::all(230), cv::FILLED);
    const cv::Mat plain(480, 640, CV_8UC3, cv::Scalar(120, 130, 140));
    cv::Mat noise(480, 640, CV_8UC3);
    cv::randu(noise, cv::Scalar::all(0), cv::Scalar::all(255));
    for (const cv::Mat& photo : {halves, disc, plain, noise}) {
        const auto outline = ContourOutlineDetector().detect(photo);
        EXPECT_TRUE(!outline || outline->confidence <= 0.4f) << outline->confidence;
    }
    EXPECT_FALSE(ContourOutlineDetector().detect(cv::Mat()).has_value());
    EXPECT_FALSE(ContourOutlineDetector().detect(cv::Mat(8, 8, CV_8UC3, cv::Scalar::all(255))).has_value());
}

} // namespace
