// Face anonymising, background removal and text recognition: injected detectors for the exact
// geometry and the fallbacks, the real models on real photos when they are installed.
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <opencv2/imgproc.hpp>

#include "detectors/InjectedDetectors.h"
#include "engine/ExtraEffects.h"
#include "engine/ImageEngine.h"
#include "engine/detectors/ModelFiles.h"
#include "../support/FaceGroupPhotos.h"
#include "../support/SamplePhotos.h"
#include "../support/TestImages.h"
#include "../support/TestSupport.h"

using namespace kelvaro;
using namespace kelvaro::detectors;
using kelvaro::test::failsWith;
using kelvaro::test::ScopedDetector;

namespace {

// A photo with detail everywhere (a smooth colour ramp plus a fine checker), so any effect shows.
Bitmap detailedPhoto(int width, int height)
{
    cv::Mat rgba(height, width, CV_8UC4);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const int checker = ((x / 3 + y / 3) % 2) * 60;
            rgba.at<cv::Vec4b>(y, x) = cv::Vec4b(uchar(40 + checker + x * 100 / width), uchar(60 + checker + y * 100 / height),
                                                 uchar(180 - checker), 255);
        }
    return fromMat(rgba);
}

cv::Vec4b pixel(const Bitmap& image, int x, int y) { return toMat(image).at<cv::Vec4b>(y, x); }

// Largest channel difference between two images inside / outside `area`.
std::pair<int, int> differenceInsideOutside(const Bitmap& a, const Bitmap& b, const cv::Rect& area)
{
    cv::Mat diff, largest;
    cv::absdiff(toMat(a), toMat(b), diff);
    cv::reduce(diff.reshape(1, int(diff.total())), largest, 1, cv::REDUCE_MAX);
    largest = largest.reshape(1, diff.rows);
    cv::Mat inside = cv::Mat::zeros(diff.size(), CV_8U);
    inside(area).setTo(255);
    double maxIn = 0, maxOut = 0;
    cv::minMaxLoc(largest, nullptr, &maxIn, nullptr, nullptr, inside);
    cv::minMaxLoc(largest, nullptr, &maxOut, nullptr, nullptr, ~inside);
    return {int(maxIn), int(maxOut)};
}

TEST(FacePatches, BoxIsWiderTallerAndSlightlyAboveTheFace)
{
    const QRectF box = ImageEffects::facePatchBox(QRectF(100, 200, 50, 80));
    EXPECT_DOUBLE_EQ(box.width(), 80);
    EXPECT_DOUBLE_EQ(box.height(), 160);
    EXPECT_DOUBLE_EQ(box.center().x(), 125);
    EXPECT_DOUBLE_EQ(box.center().y(), 240 - 4); // 5 % of the face's height above its centre
}

TEST(FacePatches, OvalMaskIsWhiteInsideFallsToBlackAndOverlapsTakeTheLighterValue)
{
    const QRectF left(0, 0, 100, 100), right(60, 0, 100, 100);
    const cv::Mat one = ImageEffects::ovalMask({left}, cv::Rect(0, 0, 200, 100));
    const cv::Mat other = ImageEffects::ovalMask({right}, cv::Rect(0, 0, 200, 100));
    const cv::Mat both = ImageEffects::ovalMask({left, right}, cv::Rect(0, 0, 200, 100));
    EXPECT_EQ(one.at<uchar>(50, 50), 255);                // centre
    EXPECT_EQ(one.at<uchar>(50, 20), 255);                // 0.59 of the radius: still full
    EXPECT_NEAR(one.at<uchar>(50, 8), 255 * (1 - 0.83) / 0.35, 3); // on the ramp
    EXPECT_EQ(one.at<uchar>(0, 0), 0);                    // the box's corner lies outside the ellipse
    EXPECT_EQ(one.at<uchar>(50, 150), 0);
    cv::Mat expected;
    cv::max(one, other, expected);
    EXPECT_EQ(cv::countNonZero(both != expected), 0);
    // Partly outside the area: only the inside part is drawn.
    const cv::Mat shifted = ImageEffects::ovalMask({QRectF(-50, 0, 100, 100)}, cv::Rect(0, 0, 100, 100));
    EXPECT_EQ(shifted.at<uchar>(50, 0), 255);
    EXPECT_EQ(shifted.at<uchar>(50, 60), 0);
}

TEST(FaceStyles, PixelatePatchesAreClippedToTheImageWithHardEdges)
{
    const Bitmap photo = detailedPhoto(200, 160);
    // A face at the top-left corner: grown by a quarter it would reach past the border.
    const QRectF face(-10, -10, 60, 60); // grown: (−25, −25) to (65, 65), clipped to (0, 0)–(65, 65)
    const Bitmap out = ImageEffects::anonymisedFaces(photo, {face}, FaceStyle::pixelate, QStringLiteral("a.png"));
    ASSERT_EQ(QSize(out.width(), out.height()), QSize(200, 160));
    const auto [inside, outside] = differenceInsideOutside(photo, out, cv::Rect(0, 0, 65, 65));
    EXPECT_GT(inside, 20);
    EXPECT_EQ(outside, 0); // hard edge: nothing outside the patch moves
    // Cells are max(65 / 7, 8) ≈ 9.3 px: neighbours inside one cell are equal.
    EXPECT_EQ(pixel(out, 1, 63), pixel(out, 2, 62));
    EXPECT_NE(pixel(out, 5, 5), pixel(photo, 5, 5));
}

// Blur changes nothing outside the patch box and smooths the face's centre; solid covers the
// centre in near black and blends its rim into the photo.
TEST(FaceStyles, BlurAndSolidReplaceTheFaceCentreAndLeaveEveryPixelOutsideThePatchBox)
{
    const Bitmap photo = detailedPhoto(300, 240);
    const QRectF face(100, 80, 60, 70);
    const QRectF box = ImageEffects::facePatchBox(face);
    const Bitmap blurred = ImageEffects::anonymisedFaces(photo, {face}, FaceStyle::blur, QStringLiteral("a.png"));
    const cv::Rect boxPixels(int(std::floor(box.x())), int(std::floor(box.y())), int(std::ceil(box.width())) + 1,
                             int(std::ceil(box.height())) + 1);
    const auto [inside, outside] = differenceInsideOutside(photo, blurred, boxPixels);
    EXPECT_EQ(outside, 0);
    EXPECT_GT(inside, 30);
    cv::Scalar mean, deviation;
    cv::meanStdDev(toMat(blurred)(cv::Rect(120, 105, 20, 20)), mean, deviation);
    EXPECT_LT(deviation[0], 8); // the fine checker is gone

    const Bitmap solid = ImageEffects::anonymisedFaces(photo, {face}, FaceStyle::solid, QStringLiteral("a.png"));
    const cv::Vec4b centre = pixel(solid, 130, 115);
    EXPECT_EQ(centre, cv::Vec4b(20, 20, 23, 255));
    const int rimX = int(box.center().x() + 0.82 * box.width() / 2);
    const cv::Vec4b rim = pixel(solid, rimX, int(box.center().y()));
    EXPECT_NE(rim, pixel(photo, rimX, int(box.center().y())));
    EXPECT_NE(rim, centre);
}

// Detected faces get the style asked for; a face nearly as large as the photo (blurred on a
// reduced copy) and one overlapping it stay within the image.
TEST(FaceStyles, BlurredFacesTakesTheStyleItIsGivenAndLargeFacesStayWithinTheImage)
{
    const Bitmap photo = detailedPhoto(240, 200);
    ScopedDetector<FaceDetector> faces(std::make_shared<test::FixedFaces>(QList<QRectF>{{0.35, 0.3, 0.3, 0.35}}));
    const Bitmap large = detailedPhoto(400, 300);
    for (const FaceStyle style : allFaceStyles()) {
        SCOPED_TRACE(rawValue(style).toStdString());
        const Bitmap expected = ImageEffects::anonymisedFaces(photo, {QRectF(84, 60, 72, 70)}, style, QStringLiteral("a.png"));
        EXPECT_EQ(differenceInsideOutside(ImageEffects::blurredFaces(photo, style, QStringLiteral("a.png")), expected, cv::Rect()).second, 0);
        const Bitmap out = ImageEffects::anonymisedFaces(large, {QRectF(20, 10, 360, 280), QRectF(250, 100, 80, 90)}, style, QStringLiteral("a.png"));
        EXPECT_EQ(QSize(out.width(), out.height()), QSize(400, 300));
        EXPECT_EQ(out.bands(), 4);
    }
}

TEST(BlurredFaces, NoFaceFailsWithTheFileNamedInEveryStyle)
{
    // The real detectors find nothing in a plain photo; an injected one that finds nothing fails
    // every style the same way.
    EXPECT_TRUE(failsWith(KelvaroError::Kind::noFaces, QStringLiteral("Šedá.png"), [] {
        ImageEffects::blurredFaces(testimages::plain(640, 480, QColor(128, 128, 128)), FaceStyle::blur, QStringLiteral("Šedá.png"));
    }));
    ScopedDetector<FaceDetector> none(std::make_shared<test::FixedFaces>(QList<QRectF>{}));
    for (const FaceStyle style : allFaceStyles()) {
        EXPECT_TRUE(failsWith(KelvaroError::Kind::noFaces, QStringLiteral("Rodina.jpg"), [style] {
            ImageEffects::blurredFaces(testimages::plain(320, 240, QColor(128, 128, 128)), style, QStringLiteral("Rodina.jpg"));
        })) << rawValue(style).toStdString();
    }
}

TEST(BlurredFaces, NormalisedBoxesAreMappedOntoTheFullImage)
{
    // The detector sees a reduced copy; its normalised box must land on the full image's face.
    const Bitmap photo = detailedPhoto(2400, 1200);
    ScopedDetector<FaceDetector> faces(std::make_shared<test::FixedFaces>(QList<QRectF>{{0.5, 0.5, 0.1, 0.2}}));
    const Bitmap out = ImageEffects::blurredFaces(photo, FaceStyle::solid, QStringLiteral("a.png"));
    EXPECT_EQ(pixel(out, 1320, 720), cv::Vec4b(20, 20, 23, 255)); // the face's centre
    EXPECT_EQ(pixel(out, 1000, 720), pixel(photo, 1000, 720));
}

// Mean difference of the colour channels (0–255) between two images of one size, within `mask`.
double meanDifference(const Bitmap& a, const Bitmap& b, const cv::Mat& mask)
{
    cv::Mat diff;
    cv::absdiff(toMat(a), toMat(b), diff);
    const cv::Scalar mean = cv::mean(diff, mask);
    return (mean[0] + mean[1] + mean[2]) / 3;
}

// With whatever detectors are installed (the networks and the cascade, or the cascade alone), a
// group of one portrait gets its faces blurred and nothing else: not the bodies below them, not the
// plain canvas around them.
class BlurredFaceGroups : public ::testing::TestWithParam<test::FaceLayout> {};

TEST_P(BlurredFaceGroups, OnlyTheFacesChange)
{
    const test::FaceGroupPhoto photo = test::faceGroupPhoto(GetParam());
    const Bitmap out = ImageEffects::blurredFaces(photo.image, FaceStyle::blur, QStringLiteral("skupina.jpg"));
    ASSERT_EQ(QSize(out.width(), out.height()), QSize(photo.image.width(), photo.image.height()));
    const cv::Size size(out.width(), out.height());
    cv::Mat canvas(size, CV_8U, cv::Scalar(255));
    for (const QRect& portrait : photo.portraits)
        canvas(cv::Rect(portrait.x(), portrait.y(), portrait.width(), portrait.height())).setTo(0);
    for (const QRect& portrait : photo.portraits) {
        SCOPED_TRACE(testing::Message() << "portrait at " << portrait.x() << ", " << portrait.y());
        const cv::Rect p(portrait.x(), portrait.y(), portrait.width(), portrait.height());
        cv::Mat face(size, CV_8U, cv::Scalar(0)), body(size, CV_8U, cv::Scalar(0)), margins(size, CV_8U, cv::Scalar(0));
        const QRect f = test::faceIn(portrait).adjusted(15, 15, -15, -15);
        face(cv::Rect(f.x(), f.y(), f.width(), f.height())).setTo(255);
        body(cv::Rect(p.x, p.y + 280, p.width, p.height - 280)).setTo(255); // below the chin, collar and all
        const cv::Rect column(p.x, 0, p.width, size.height);
        margins(column).setTo(255, canvas(column)); // the canvas above and below it
        EXPECT_GT(meanDifference(photo.image, out, face), 8);
        EXPECT_LT(meanDifference(photo.image, out, body), 0.5);
        if (cv::countNonZero(margins) > 0) {
            EXPECT_LT(meanDifference(photo.image, out, margins), 0.5);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(, BlurredFaceGroups, testing::ValuesIn(test::allFaceLayouts),
                         [](const testing::TestParamInfo<test::FaceLayout>& info) { return test::layoutName(info.param); });

TEST(RemoveBackground, TheMaskBecomesTheAlphaOfTheFullImage)
{
    const Bitmap photo = detailedPhoto(1600, 1200); // the segmenter sees 1024 × 768
    cv::Size asked;
    ScopedDetector<ForegroundSegmenter> mask(std::make_shared<test::FixedMask>([&](cv::Size size) {
        asked = size;
        cv::Mat m(size, CV_8U, cv::Scalar(0));
        m(cv::Rect(size.width / 4, size.height / 4, size.width / 2, size.height / 2)).setTo(255);
        m(cv::Rect(0, 0, 8, 8)).setTo(6); // faint haze: counts as clear background
        return m;
    }));
    const Bitmap out = ImageEffects::removeBackground(photo, QStringLiteral("a.png"));
    EXPECT_EQ(asked, cv::Size(1024, 768));
    ASSERT_EQ(QSize(out.width(), out.height()), QSize(1600, 1200));
    EXPECT_EQ(pixel(out, 0, 0)[3], 0);
    EXPECT_EQ(pixel(out, 1599, 1199)[3], 0);
    EXPECT_EQ(pixel(out, 800, 600)[3], 255);
    // Colours are kept where the subject is.
    const cv::Vec4b in = pixel(out, 800, 600), source = pixel(photo, 800, 600);
    EXPECT_EQ(cv::Vec3b(in[0], in[1], in[2]), cv::Vec3b(source[0], source[1], source[2]));
}

TEST(RemoveBackground, NoSubjectWhenThePhotoIsPlainOrTheMaskHoldsOnlyASpeckAndABrokenMaskFailsCleanly)
{
    const auto removing = [](const Bitmap& image) { return [image] { ImageEffects::removeBackground(image, QStringLiteral("Zeď.png")); }; };
    // Whatever the segmenter is, a plain photo has no subject.
    EXPECT_TRUE(failsWith(KelvaroError::Kind::noSubject, QStringLiteral("Zeď.png"), removing(testimages::plain(400, 300, QColor(200, 190, 180)))));
    {
        ScopedDetector<ForegroundSegmenter> speck(std::make_shared<test::FixedMask>([](cv::Size size) {
            cv::Mat m(size, CV_8U, cv::Scalar(0));
            m(cv::Rect(10, 10, 3, 3)).setTo(255);
            return m;
        }));
        EXPECT_TRUE(failsWith(KelvaroError::Kind::noSubject, QStringLiteral("Zeď.png"), removing(detailedPhoto(400, 300))));
    }
    ScopedDetector<ForegroundSegmenter> broken(std::make_shared<test::FixedMask>([](cv::Size) { return cv::Mat(5, 5, CV_8U, cv::Scalar(255)); }));
    EXPECT_TRUE(failsWith(KelvaroError::Kind::writeFailed, QStringLiteral("Zeď.png"), removing(detailedPhoto(100, 80))));
}

TEST(RemoveBackground, TheHorseSilhouetteKeepsTheHorse)
{
    KELVARO_REQUIRE_MODEL_OR_SKIP(segmentationModel);
    KELVARO_SAMPLE_PHOTO_OR_SKIP(path, "horse.png");
    const Bitmap photo = ImageEngine::load(path).image;
    const Bitmap out = ImageEffects::removeBackground(photo, QStringLiteral("horse.png"));
    ASSERT_EQ(QSize(out.width(), out.height()), QSize(photo.width(), photo.height()));
    // The horse is the dark part of the picture laid on white.
    cv::Mat grey;
    cv::cvtColor(test::rgbMatFromFile(path), grey, cv::COLOR_RGB2GRAY);
    std::vector<cv::Mat> channels;
    cv::split(toMat(out), channels);
    EXPECT_GE(test::maskIoU(channels[3], grey < 128), 0.95);
    EXPECT_EQ(channels[3].at<uchar>(0, 0), 0);
    EXPECT_EQ(channels[3].at<uchar>(photo.height() - 1, photo.width() - 1), 0);
}

TEST(EngineRuns, RemovingTheBackgroundWritesAPngOfTheSameSizeWithTransparentCorners)
{
    QTemporaryDir in, out;
    ScopedDetector<ForegroundSegmenter> centre(std::make_shared<test::FixedMask>([](cv::Size size) {
        cv::Mat m(size, CV_8U, cv::Scalar(0));
        cv::ellipse(m, cv::Point(size.width / 2, size.height / 2), cv::Size(size.width / 4, size.height / 3), 0, 0, 360,
                    cv::Scalar(255), cv::FILLED);
        return m;
    }));
    const QString file = testimages::writeJpeg(in.path(), QStringLiteral("produkt.jpg"), detailedPhoto(640, 480));
    const OpResult result = ImageEngine::process(KelvaroOp::removeBackground(), {file}, out.path());
    ASSERT_EQ(result.outputs.size(), 1);
    EXPECT_TRUE(result.outputs[0].endsWith(QStringLiteral(".png")));
    const Bitmap written = testimages::read(result.outputs[0]);
    EXPECT_EQ(QSize(written.width(), written.height()), QSize(640, 480));
    ASSERT_EQ(written.bands(), 4);
    EXPECT_EQ(pixel(written, 0, 0)[3], 0);
    EXPECT_EQ(pixel(written, 639, 479)[3], 0);
    EXPECT_EQ(pixel(written, 320, 240)[3], 255);
}

TEST(RecognizeText, LinesWithoutLettersOrDigitsAreDroppedAndABlankImageGivesNothing)
{
    EXPECT_EQ(ImageEffects::recognizeText(testimages::plain(800, 600, Qt::white)), QString());
    ScopedDetector<TextRecognizer> lines(std::make_shared<test::FixedLines>(
        QStringList{QStringLiteral("Faktura"), QStringLiteral("|"), QStringLiteral("— ."), QStringLiteral("č. 12")}));
    EXPECT_EQ(ImageEffects::recognizeText(detailedPhoto(50, 40)), QStringLiteral("Faktura\nč. 12"));
}

} // namespace
