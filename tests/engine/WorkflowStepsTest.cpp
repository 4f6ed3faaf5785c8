// What each step of a workflow does to an image.
#include <gtest/gtest.h>

#include "../support/TestSupport.h"
#include "engine/WorkflowSteps.h"
#include "model/Operations.h"
#include "platform/Settings.h"

using namespace kelvaro;
using K = WorkflowStep::Kind;

namespace {

Bitmap solid(int w, int h, std::vector<double> rgba)
{
    initVips();
    return (vips::VImage::black(w, h) + rgba)
        .cast(VIPS_FORMAT_UCHAR)
        .copy(vips::VImage::option()->set("interpretation", VIPS_INTERPRETATION_sRGB))
        .copy_memory();
}

WorkflowStep stepOf(K kind)
{
    WorkflowStep s = WorkflowStep::make(kind);
    s.contrast = 1;
    return s;
}

bool equalPixels(const Bitmap& a, const Bitmap& b)
{
    return a.width() == b.width() && a.height() == b.height() && (a - b).abs().max() == 0;
}

WorkflowStep adjust(double brightness, double contrast, bool mono)
{
    WorkflowStep s = stepOf(K::adjust);
    s.brightness = brightness;
    s.contrast = contrast;
    s.mono = mono;
    return s;
}

} // namespace

TEST(WorkflowSteps, resizeOnlyShrinks)
{
    WorkflowStep s = stepOf(K::resize);
    s.longEdge = 2400;
    const Bitmap small = solid(2000, 1500, {10, 20, 30, 255});
    const Bitmap same = WorkflowSteps::apply(s, small, "a.jpg", FaceStyle::blur);
    EXPECT_EQ(same.width(), 2000);
    EXPECT_EQ(same.height(), 1500);
    const Bitmap big = WorkflowSteps::apply(s, solid(6000, 4000, {10, 20, 30, 255}), "b.jpg", FaceStyle::blur);
    EXPECT_EQ(big.width(), 2400);
    EXPECT_EQ(big.height(), 1600);
    EXPECT_NEAR(big.extract_band(2).avg(), 30, 0.5);
    s.longEdge = 0;
    EXPECT_EQ(WorkflowSteps::apply(s, small, "a.jpg", FaceStyle::blur).width(), 2000);
    s.longEdge = 2000; // already within the limit
    EXPECT_EQ(WorkflowSteps::apply(s, small, "a.jpg", FaceStyle::blur).width(), 2000);
    s.longEdge = 1999;
    EXPECT_EQ(WorkflowSteps::apply(s, small, "a.jpg", FaceStyle::blur).width(), 1999);
}

TEST(WorkflowSteps, cropIsCentredAndUnknownRatiosAreSquare)
{
    initVips();
    // every pixel holds its row number (mod 256) in red and its column in green
    const vips::VImage xy = vips::VImage::xyz(400, 400);
    const Bitmap image = normalizedBitmap((xy[1] % 256).bandjoin(xy[0] % 256).bandjoin(0).cast(VIPS_FORMAT_UCHAR)
                                              .copy(vips::VImage::option()->set("interpretation", VIPS_INTERPRETATION_sRGB)));
    WorkflowStep s = stepOf(K::crop);
    s.ratio = "wide169";
    const PixelRect expected = CropSpec{CropRatio::wide169, 0.5, 0.5}.rect(400, 400);
    EXPECT_EQ(expected.width, 400);
    EXPECT_EQ(expected.height, 225);
    const Bitmap wide = WorkflowSteps::apply(s, image, "a.jpg", FaceStyle::blur);
    EXPECT_EQ(wide.width(), 400);
    EXPECT_EQ(wide.height(), 225);
    EXPECT_EQ(wide.getpoint(0, 0)[0], expected.y);

    s.ratio = "nonsense";
    const Bitmap square = WorkflowSteps::apply(s, solid(300, 200, {1, 2, 3, 255}), "a.jpg", FaceStyle::blur);
    EXPECT_EQ(square.width(), 200);
    EXPECT_EQ(square.height(), 200);
}

TEST(WorkflowSteps, adjustLeavesANeutralStepAloneAndOtherwiseChangesColours)
{
    const Bitmap grey = solid(20, 10, {100, 100, 100, 255});
    EXPECT_TRUE(equalPixels(WorkflowSteps::apply(adjust(0, 1, false), grey, "a.jpg", FaceStyle::blur), grey));
    const Bitmap brighter = WorkflowSteps::apply(adjust(0.1, 1, false), grey, "a.jpg", FaceStyle::blur);
    EXPECT_NEAR(brighter.extract_band(0).avg(), 125.5, 1);
    const Bitmap mono = WorkflowSteps::apply(adjust(0, 1, true), solid(4, 4, {0, 255, 0, 255}), "a.jpg", FaceStyle::blur);
    EXPECT_NEAR(mono.getpoint(0, 0)[0], 0.7154 * 255, 1);
    EXPECT_EQ(mono.getpoint(0, 0)[0], mono.getpoint(0, 0)[2]);
}

TEST(WorkflowSteps, watermarkWithAnUnknownPositionActsAsBottomRight)
{
    const Bitmap photo = solid(300, 200, {30, 60, 90, 255});
    WorkflowStep s = stepOf(K::watermark);
    s.text = "ABC";
    s.position = "somewhere";
    const Bitmap unknown = WorkflowSteps::apply(s, photo, "a.jpg", FaceStyle::blur);
    s.position = "bottomRight";
    EXPECT_TRUE(equalPixels(unknown, WorkflowSteps::apply(s, photo, "a.jpg", FaceStyle::blur)));
    s.position = "topLeft";
    EXPECT_FALSE(equalPixels(unknown, WorkflowSteps::apply(s, photo, "a.jpg", FaceStyle::blur)));
    EXPECT_FALSE(equalPixels(unknown, photo));
}

TEST(WorkflowSteps, aFaceStepOnAPhotoWithoutFacesFailsThePhoto)
{
    EXPECT_TRUE(test::failsWith(KelvaroError::Kind::noFaces, QString::fromUtf8("prázdná.jpg"), [] {
        WorkflowSteps::apply(stepOf(K::blurFaces), solid(200, 200, {128, 128, 128, 255}), "prázdná.jpg", FaceStyle::blur);
    }));
}
