#include <gtest/gtest.h>

#include "engine/Bitmap.h"

using namespace kelvaro;

TEST(Bitmap, roundTripsThroughQImageAndMatKeepingAlpha)
{
    QImage source(7, 5, QImage::Format_RGBA8888);
    source.fill(QColor(200, 100, 50, 128));
    const Bitmap bitmap = fromQImage(source);
    EXPECT_EQ(bitmap.width(), 7);
    EXPECT_EQ(bitmap.height(), 5);
    EXPECT_EQ(bitmap.bands(), 4);
    const cv::Mat mat = toMat(bitmap);
    EXPECT_EQ(mat.at<cv::Vec4b>(2, 3)[0], 200);
    EXPECT_EQ(mat.at<cv::Vec4b>(2, 3)[3], 128);
    const QImage back = toQImage(fromMat(mat)).convertToFormat(QImage::Format_RGBA8888);
    EXPECT_NEAR(back.pixelColor(3, 2).red(), 200, 2);
    EXPECT_EQ(back.pixelColor(3, 2).alpha(), 128);
}

TEST(Bitmap, normalizesGreyAndSixteenBitToRgba8)
{
    initVips();
    vips::VImage grey16 = vips::VImage::black(4, 3) + 30000;
    grey16 = grey16.cast(VIPS_FORMAT_USHORT).copy(vips::VImage::option()->set("interpretation", VIPS_INTERPRETATION_GREY16));
    const Bitmap b = normalizedBitmap(grey16);
    EXPECT_EQ(b.bands(), 4);
    EXPECT_EQ(b.format(), VIPS_FORMAT_UCHAR);
    EXPECT_NEAR(b.extract_band(0).avg(), 30000.0 / 257.0, 1.0);
    EXPECT_EQ(b.extract_band(3).avg(), 255);
}
