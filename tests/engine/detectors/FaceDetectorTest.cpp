// Face detection: the suppression that merges the detectors, and the real detectors on real photos.

#include <gtest/gtest.h>
#include <opencv2/imgproc.hpp>

#include "InjectedDetectors.h"
#include "engine/detectors/FaceDetector.h"
#include "engine/detectors/ModelFiles.h"
#include "../../support/FaceGroupPhotos.h"
#include "../../support/SamplePhotos.h"

using namespace kelvaro;
using namespace kelvaro::detectors;
using kelvaro::test::FaceLayout;

namespace {

TEST(Suppression, KeepsTheBestOfOverlappingBoxes)
{
    const struct {
        const char* name;
        QList<FaceCandidate> input;
        QList<int> keptScoresPercent; // the scores that survive, best first
    } rows[] = {
        {"disjoint", {{{0, 0, 10, 10}, 0.5f}, {{50, 50, 10, 10}, 0.9f}}, {90, 50}},
        {"nearly the same box", {{{0, 0, 10, 10}, 0.7f}, {{1, 1, 10, 10}, 0.8f}}, {80}},
        {"small box inside a big one", {{{0, 0, 100, 100}, 0.9f}, {{40, 40, 20, 20}, 0.5f}}, {90}},
        {"big box around a better small one", {{{0, 0, 100, 100}, 0.5f}, {{40, 40, 20, 20}, 0.9f}}, {90, 50}},
        {"touching edges", {{{0, 0, 10, 10}, 0.6f}, {{10, 0, 10, 10}, 0.6f}}, {60, 60}},
        {"none", {}, {}},
    };
    for (const auto& row : rows) {
        QList<int> kept;
        for (const FaceCandidate& c : suppressOverlaps(row.input))
            kept << qRound(c.score * 100);
        EXPECT_EQ(kept, row.keptScoresPercent) << row.name;
    }
}

TEST(FaceDetector, MissingModelsMakeAnUnavailableDetectorThatFindsNothing)
{
    const BlazeFaceDetector blaze(QString(), QStringLiteral("/nonexistent/model.onnx"));
    EXPECT_FALSE(blaze.isAvailable());
    const cv::Mat grey(200, 300, CV_8UC3, cv::Scalar::all(128));
    EXPECT_TRUE(blaze.detect(grey).isEmpty());
    const HaarFaceDetector haar(QStringLiteral("/nonexistent/cascade.xml"));
    EXPECT_FALSE(haar.isAvailable());
    EXPECT_TRUE(haar.detect(grey).isEmpty());
}

// Also in a photo taken with a tenth of the light, its face within 25 grey levels.
TEST(FaceDetector, WithoutTheNetworksTheCascadeAloneFindsAFrontalFace)
{
    KELVARO_SAMPLE_PHOTO_OR_SKIP(path, "astronaut.png");
    const HaarFaceDetector cascade(modelFile(QLatin1String(faceCascade)));
    ASSERT_TRUE(cascade.isAvailable()) << "opencv-data is not installed";
    const cv::Mat photo = test::rgbMatFromFile(path);
    for (const double light : {1.0, 0.1}) {
        SCOPED_TRACE(testing::Message() << "light " << light);
        cv::Mat lit;
        photo.convertTo(lit, CV_8U, light);
        const QList<QRectF> faces = cascade.detect(lit);
        ASSERT_EQ(faces.size(), 1);
        EXPECT_TRUE(faces[0].contains(QPointF(222 / 512.0, 125 / 512.0)));
    }
}

// The astronaut's frontal face lies about x 175–270, y 70–180; the cameraman's three-quarter
// one around (220, 160) (both photos 512 × 512).
TEST(FaceDetector, FindsTheFacesOfTheSamplePhotos)
{
    KELVARO_REQUIRE_MODEL_OR_SKIP(faceFrontModel);
    KELVARO_REQUIRE_MODEL_OR_SKIP(faceBackModel);
    for (const auto& [name, inFace] : {std::pair{"astronaut.png", QPointF(222, 125)}, {"camera.png", QPointF(220, 160)}}) {
        SCOPED_TRACE(name);
        KELVARO_SAMPLE_PHOTO_OR_SKIP(path, name);
        const QList<QRectF> faces = FaceDetector::shared()->detect(test::rgbMatFromFile(path));
        ASSERT_EQ(faces.size(), 1);
        const QRectF face(faces[0].x() * 512, faces[0].y() * 512, faces[0].width() * 512, faces[0].height() * 512);
        EXPECT_TRUE(face.contains(inFace)) << face.x() << "," << face.y();
        EXPECT_GT(face.width(), 60);
        EXPECT_LT(face.width(), 160);
    }
}

TEST(FaceDetector, FindsSmallFacesOfAGroupPhoto)
{
    KELVARO_REQUIRE_MODEL_OR_SKIP(faceBackModel);
    KELVARO_SAMPLE_PHOTO_OR_SKIP(path, "astronaut.png");
    // Four astronauts at 1/4 size in a 1024 × 768 frame: faces of ~25 px.
    const cv::Mat one = test::rgbMatFromFile(path);
    cv::Mat small;
    cv::resize(one, small, cv::Size(160, 160), 0, 0, cv::INTER_AREA);
    cv::Mat group(768, 1024, CV_8UC3, cv::Scalar(90, 110, 100));
    const QList<cv::Point> places{{40, 60}, {420, 90}, {780, 40}, {300, 520}};
    for (const cv::Point& p : places)
        small.copyTo(group(cv::Rect(p, small.size())));
    const QList<QRectF> faces = FaceDetector::shared()->detect(group);
    int found = 0;
    for (const cv::Point& p : places) {
        const QPointF centre((p.x + 222 * 160 / 512.0) / 1024, (p.y + 125 * 160 / 512.0) / 768);
        found += std::any_of(faces.cbegin(), faces.cend(), [&](const QRectF& f) { return f.contains(centre); });
    }
    EXPECT_EQ(found, 4);
}

TEST(FaceDetector, FindsNoFaceInATexturedPhotoWithoutPeople)
{
    // A generator of its own: the thread's shared one is where earlier tests left it.
    cv::RNG generator(0xffffffff);
    cv::Mat noise(600, 800, CV_8UC3);
    generator.fill(noise, cv::RNG::UNIFORM, cv::Scalar::all(0), cv::Scalar::all(255));
    cv::GaussianBlur(noise, noise, cv::Size(0, 0), 3);
    EXPECT_LE(FaceDetector::shared()->detect(noise).size(), 1);
}

enum class Detectors { cascade, networks, both };

std::string detectorsName(Detectors detectors)
{
    switch (detectors) {
    case Detectors::cascade: return "CascadeAlone";
    case Detectors::networks: return "NetworksAlone";
    case Detectors::both: return "NetworksAndCascade";
    }
    return {};
}
void PrintTo(Detectors detectors, std::ostream* os) { *os << detectorsName(detectors); }

// Copies of one portrait side by side, in a row, in a grid, on a plain canvas or filling the
// photo: each face gets one box of its own size on it, never one around the whole figure that
// reaches into the canvas. The detector sees the reduced copy the face blur gives it.
class FaceGroups : public ::testing::TestWithParam<std::tuple<Detectors, FaceLayout>> {};

TEST_P(FaceGroups, EachFaceGetsOneFaceSizedBoxWithinItsPortrait)
{
    const auto [which, layout] = GetParam();
    std::unique_ptr<FaceDetector> detector;
    switch (which) {
    case Detectors::cascade: {
        auto cascade = std::make_unique<HaarFaceDetector>(modelFile(QLatin1String(faceCascade)));
        ASSERT_TRUE(cascade->isAvailable()) << "opencv-data is not installed";
        detector = std::move(cascade);
        break;
    }
    case Detectors::networks:
    case Detectors::both: {
        KELVARO_REQUIRE_MODEL_OR_SKIP(faceFrontModel);
        KELVARO_REQUIRE_MODEL_OR_SKIP(faceBackModel);
        if (which == Detectors::networks)
            detector = std::make_unique<BlazeFaceDetector>(modelFile(QLatin1String(faceFrontModel)),
                                                           modelFile(QLatin1String(faceBackModel)));
        else
            detector = std::make_unique<CombinedFaceDetector>();
        break;
    }
    }
    const test::FaceGroupPhoto photo = test::faceGroupPhoto(layout);
    const QSizeF size(photo.image.width(), photo.image.height());
    QList<QRectF> boxes;
    for (const QRectF& box : detector->detect(reducedRGB(photo.image).rgb))
        boxes << QRectF(box.x() * size.width(), box.y() * size.height(), box.width() * size.width(), box.height() * size.height());
    auto describe = [&] {
        QString text;
        for (const QRectF& b : std::as_const(boxes))
            text += QStringLiteral(" (%1, %2) %3 × %4").arg(qRound(b.x())).arg(qRound(b.y())).arg(qRound(b.width())).arg(qRound(b.height()));
        return text.toStdString();
    };
    EXPECT_EQ(boxes.size(), photo.portraits.size()) << describe();
    for (const QRect& portrait : photo.portraits) {
        const QPointF face = test::faceCentreIn(portrait);
        SCOPED_TRACE(testing::Message() << "face at " << face.x() << ", " << face.y());
        const auto on = std::count_if(boxes.cbegin(), boxes.cend(), [&](const QRectF& b) { return b.contains(face); });
        EXPECT_EQ(on, 1) << describe();
    }
    for (const QRectF& box : std::as_const(boxes)) {
        SCOPED_TRACE(describe());
        const auto holder = std::find_if(photo.portraits.cbegin(), photo.portraits.cend(),
                                         [&](const QRect& p) { return p.contains(box.center().toPoint()); });
        ASSERT_NE(holder, photo.portraits.cend());
        const QPointF face = test::faceCentreIn(*holder);
        EXPECT_NEAR(box.center().x(), face.x(), 25);
        EXPECT_NEAR(box.center().y(), face.y(), 25);
        EXPECT_GT(box.width(), 60);
        EXPECT_LT(box.width(), 160);
        EXPECT_TRUE(QRectF(*holder).adjusted(-4, -4, 4, 4).contains(box)) << "reaches out of its portrait";
    }
}

INSTANTIATE_TEST_SUITE_P(, FaceGroups,
                         testing::Combine(testing::Values(Detectors::cascade, Detectors::networks, Detectors::both),
                                          testing::ValuesIn(test::allFaceLayouts)),
                         [](const testing::TestParamInfo<FaceGroups::ParamType>& info) {
                             return detectorsName(std::get<0>(info.param)) + "_" + test::layoutName(std::get<1>(info.param));
                         });

} // namespace
