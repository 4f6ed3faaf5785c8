// What each step of a workflow does to an image.
#include <gtest/gtest.h>

#include "../support/TestImages.h"
#include "../support/TestSupport.h"
#include "engine/WorkflowSteps.h"

using namespace kelvaro;
using K = WorkflowStep::Kind;
namespace ti = kelvaro::testimages;

namespace {

Bitmap applied(const WorkflowStep& step, const Bitmap& image)
{
    return WorkflowSteps::apply(step, image, "a.jpg", FaceStyle::blur);
}

bool equalPixels(const Bitmap& a, const Bitmap& b)
{
    return a.width() == b.width() && a.height() == b.height() && (a - b).abs().max() == 0;
}

TEST(WorkflowSteps, resizeOnlyShrinksAndCropIsCentredWithUnknownRatiosSquare)
{
    const auto resize = [](int longEdge) { return WorkflowStep{.kind = K::resize, .longEdge = longEdge}; };
    const auto crop = [](const char* ratio) { return WorkflowStep{.kind = K::crop, .ratio = QString::fromLatin1(ratio)}; };
    const struct {
        const char* name;
        WorkflowStep step;
        QSize in, out;
    } rows[] = {
        {"resizeShrinks", resize(2400), {6000, 4000}, {2400, 1600}},
        {"resizeNeverEnlarges", resize(2400), {2000, 1500}, {2000, 1500}},
        {"resizeZeroKeeps", resize(0), {2000, 1500}, {2000, 1500}},
        {"resizeAtTheLimitKeeps", resize(2000), {2000, 1500}, {2000, 1500}},
        {"resizeJustBelow", resize(1999), {2000, 1500}, {1999, 1499}},
        {"cropWide", crop("wide169"), {400, 400}, {400, 225}},
        {"cropUnknownIsSquare", crop("nonsense"), {300, 200}, {200, 200}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const Bitmap out = applied(row.step, ti::plain(row.in.width(), row.in.height(), QColor(10, 20, 30)));
        EXPECT_EQ(QSize(out.width(), out.height()), row.out);
        EXPECT_NEAR(out.extract_band(2).avg(), 30, 0.5);
    }
    // The crop window is centred: red holds each pixel's source row.
    const vips::VImage xy = vips::VImage::xyz(400, 400);
    const Bitmap rows400 = normalizedBitmap((xy[1] % 256).bandjoin(xy[0] % 256).bandjoin(0).cast(VIPS_FORMAT_UCHAR)
                                                .copy(vips::VImage::option()->set("interpretation", VIPS_INTERPRETATION_sRGB)));
    const PixelRect window = CropSpec{CropRatio::wide169, 0.5, 0.5}.rect(400, 400);
    EXPECT_EQ(applied(crop("wide169"), rows400).getpoint(0, 0)[0], window.y);
}

TEST(WorkflowSteps, adjustLeavesANeutralStepAloneAndOtherwiseChangesColours)
{
    const Bitmap grey = ti::plain(20, 10, QColor(100, 100, 100));
    WorkflowStep s{.kind = K::adjust};
    EXPECT_TRUE(equalPixels(applied(s, grey), grey));
    s.brightness = 0.1;
    EXPECT_NEAR(applied(s, grey).extract_band(0).avg(), 125.5, 1);
    s.brightness = 0;
    s.mono = true;
    const Bitmap mono = applied(s, ti::plain(4, 4, QColor(0, 255, 0)));
    EXPECT_NEAR(mono.getpoint(0, 0)[0], 0.7154 * 255, 1);
    EXPECT_EQ(mono.getpoint(0, 0)[0], mono.getpoint(0, 0)[2]);
}

TEST(WorkflowSteps, watermarkWithAnUnknownPositionActsAsBottomRight)
{
    const Bitmap photo = ti::plain(300, 200, QColor(30, 60, 90));
    WorkflowStep s{.kind = K::watermark, .text = "ABC", .position = "somewhere"};
    const Bitmap unknown = applied(s, photo);
    s.position = "bottomRight";
    EXPECT_TRUE(equalPixels(unknown, applied(s, photo)));
    s.position = "topLeft";
    EXPECT_FALSE(equalPixels(unknown, applied(s, photo)));
    EXPECT_FALSE(equalPixels(unknown, photo));
}

TEST(WorkflowSteps, aFaceStepOnAPhotoWithoutFacesFailsThePhoto)
{
    EXPECT_TRUE(test::failsWith(KelvaroError::Kind::noFaces, QString::fromUtf8("prázdná.jpg"), [] {
        WorkflowSteps::apply({.kind = K::blurFaces}, ti::plain(200, 200, QColor(128, 128, 128)), "prázdná.jpg", FaceStyle::blur);
    }));
}

} // namespace
