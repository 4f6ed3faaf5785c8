// Foreground segmentation: the GrabCut fallback always, the network when its model is installed.
#include <gtest/gtest.h>
#include <opencv2/imgproc.hpp>

#include "InjectedDetectors.h"
#include "engine/detectors/ForegroundSegmenter.h"
#include "engine/detectors/ModelFiles.h"
#include "../../support/SamplePhotos.h"

using namespace kelvaro;
using namespace kelvaro::detectors;

namespace {

// A red disc in the middle of a mottled blue-green background, and its true mask.
std::pair<cv::Mat, cv::Mat> centredSubject(cv::Size size)
{
    cv::Mat image(size, CV_8UC3);
    cv::randu(image, cv::Scalar(20, 80, 120), cv::Scalar(60, 140, 200));
    cv::GaussianBlur(image, image, cv::Size(0, 0), 2);
    cv::Mat truth(size, CV_8U, cv::Scalar(0));
    const cv::Point centre(size.width / 2, size.height / 2);
    const int radius = std::min(size.width, size.height) / 4;
    cv::circle(image, centre, radius, cv::Scalar(210, 40, 30), cv::FILLED, cv::LINE_AA);
    cv::circle(truth, centre, radius, cv::Scalar(255), cv::FILLED);
    return {image, truth};
}

TEST(GrabCutSegmenter, CutsOutACentredSubjectAndGivesTinyImagesAnEmptyMaskOfTheirSize)
{
    const auto [image, truth] = centredSubject(cv::Size(480, 360));
    const cv::Mat mask = GrabCutSegmenter().segment(image);
    ASSERT_EQ(mask.size(), image.size());
    ASSERT_EQ(mask.type(), CV_8U);
    EXPECT_GE(test::maskIoU(mask, truth), 0.9);
    EXPECT_EQ(mask.at<uchar>(0, 0), 0);
    EXPECT_EQ(mask.at<uchar>(359, 479), 0);
    const cv::Mat tiny = GrabCutSegmenter().segment(cv::Mat(4, 5, CV_8UC3, cv::Scalar::all(10)));
    EXPECT_EQ(tiny.size(), cv::Size(5, 4));
    EXPECT_EQ(cv::countNonZero(tiny), 0);
}

TEST(IsNetSegmenter, MissingModelIsUnavailableAndFindsNothing)
{
    const IsNetSegmenter network(QStringLiteral("/nonexistent/isnet.onnx"));
    EXPECT_FALSE(network.isAvailable());
    const auto [image, truth] = centredSubject(cv::Size(64, 48));
    const cv::Mat mask = network.segment(image);
    EXPECT_EQ(mask.size(), image.size());
    EXPECT_EQ(cv::countNonZero(mask), 0);
}

TEST(ForegroundSegmenter, TheModelFolderIsTakenFromTheEnvironmentFirst)
{
    const QByteArray saved = qgetenv(modelsDirEnv);
    qputenv(modelsDirEnv, "/nonexistent/models");
    EXPECT_EQ(modelSearchPaths().value(0), QStringLiteral("/nonexistent/models"));
    EXPECT_TRUE(modelFile(QStringLiteral("no-such-model.onnx")).isEmpty());
    // The cascade is found in the system's OpenCV data even without a models folder.
    EXPECT_FALSE(modelFile(QLatin1String(faceCascade)).isEmpty());
    if (saved.isNull())
        qunsetenv(modelsDirEnv);
    else
        qputenv(modelsDirEnv, saved);
}

} // namespace
