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
    const auto ordered = orderedCorners(shuffled);
    EXPECT_EQ(ordered[0], cv::Point2f(10, 5));
    EXPECT_EQ(ordered[1], cv::Point2f(100, 10));
    EXPECT_EQ(ordered[2], cv::Point2f(90, 95));
    EXPECT_EQ(ordered[3], cv::Point2f(5, 100));
}

// A white sheet (a slightly turned and tilted quadrilateral) with lines of "text" on a dark desk.
cv::Mat sheetPhoto(const std::array<cv::Point, 4>& corners, cv::Size size)
{
    cv::Mat photo(size, CV_8UC3);
    cv::randu(photo, cv::Scalar::all(35), cv::Scalar::all(65));
    cv::GaussianBlur(photo, photo, cv::Size(0, 0), 1.5);
    cv::fillConvexPoly(photo, corners.data(), 4, cv::Scalar(235, 232, 225), cv::LINE_AA);
    return photo;
}

TEST(ContourOutlineDetector, FindsAWhiteSheetOnADarkDesk)
{
    const std::array<cv::Point, 4> corners = {cv::Point(220, 90), cv::Point(760, 130), cv::Point(720, 860), cv::Point(170, 820)};
    const cv::Mat photo = sheetPhoto(corners, cv::Size(1000, 950));
    const auto outline = ContourOutlineDetector().detect(photo);
    ASSERT_TRUE(outline.has_value());
    EXPECT_GT(outline->confidence, 0.6f);
    EXPECT_LE(outline->confidence, 1.0f);
    for (int i = 0; i < 4; ++i) {
        EXPECT_NEAR(outline->corners[i].x() * 1000, corners[i].x, 12) << "corner " << i;
        EXPECT_NEAR(outline->corners[i].y() * 950, corners[i].y, 12) << "corner " << i;
    }
}

TEST(ContourOutlineDetector, PlainAndNoisyPhotosHoldNoConfidentSheet)
{
    const cv::Mat plain(480, 640, CV_8UC3, cv::Scalar(120, 130, 140));
    const auto none = ContourOutlineDetector().detect(plain);
    EXPECT_TRUE(!none || none->confidence <= 0.4f);
    cv::Mat noise(480, 640, CV_8UC3);
    cv::randu(noise, cv::Scalar::all(0), cv::Scalar::all(255));
    const auto noisy = ContourOutlineDetector().detect(noise);
    EXPECT_TRUE(!noisy || noisy->confidence <= 0.4f);
}

TEST(ContourOutlineDetector, TooSmallImagesGiveNothing)
{
    EXPECT_FALSE(ContourOutlineDetector().detect(cv::Mat()).has_value());
    EXPECT_FALSE(ContourOutlineDetector().detect(cv::Mat(8, 8, CV_8UC3, cv::Scalar::all(255))).has_value());
}

} // namespace
