#include <functional>

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "engine/ImageEngine.h"
#include "../support/TestImages.h"
#include "../support/TestSupport.h"

using namespace kelvaro;
using kelvaro::test::failsWith;
namespace ti = kelvaro::testimages;

namespace {

class ImageEngineLoad : public ::testing::Test {
protected:
    QString dir() const { return m_dir.path(); }
    QTemporaryDir m_dir;
};

// What a camera stores for each orientation so that the upright photo is `upright`.
Bitmap storedFor(int orientation, const Bitmap& upright)
{
    switch (orientation) {
    case 2: return upright.flip(VIPS_DIRECTION_HORIZONTAL);
    case 3: return upright.rot(VIPS_ANGLE_D180);
    case 4: return upright.flip(VIPS_DIRECTION_VERTICAL);
    case 5: return upright.rot(VIPS_ANGLE_D90).flip(VIPS_DIRECTION_HORIZONTAL);  // transpose
    case 6: return upright.rot(VIPS_ANGLE_D270);
    case 7: return upright.rot(VIPS_ANGLE_D270).flip(VIPS_DIRECTION_HORIZONTAL); // transverse
    case 8: return upright.rot(VIPS_ANGLE_D90);
    default: return upright;
    }
}

TEST_F(ImageEngineLoad, everyExifOrientationLoadsUpright)
{
    const Bitmap upright = ti::quadrants(60, 40);
    for (int orientation = 1; orientation <= 8; ++orientation) {
        SCOPED_TRACE(orientation);
        const QString file = ti::writeJpeg(dir(), QStringLiteral("o%1.jpg").arg(orientation),
                                           storedFor(orientation, upright).copy_memory(), ti::oriented(orientation));
        const LoadedImage loaded = ImageEngine::load(file);
        EXPECT_EQ(QSize(loaded.image.width(), loaded.image.height()), QSize(60, 40));
        EXPECT_EQ(ti::cornerColours(loaded.image), (std::array<int, 4>{0, 1, 2, 3}));
        if (orientation > 1) {
            EXPECT_EQ(loaded.properties.value(QStringLiteral("Orientation")).toInt(), orientation);
        }
    }
}

TEST_F(ImageEngineLoad, everyFormatDecodesToUprightRgba8)
{
    using Write = std::function<QString(const QString&, const Bitmap&)>;
    struct Row {
        const char* name;
        Write write;
        bool keepsAlpha;
        int tolerance = 40; // CMYK cannot hold the saturated test colours exactly
    };
    const Row rows[] = {
        {"jpeg", [](const QString& d, const Bitmap& b) { return ti::writeJpeg(d, "a.jpg", b); }, false},
        {"png", [](const QString& d, const Bitmap& b) { return ti::writePng(d, "a.png", b); }, true},
        {"png16", [](const QString& d, const Bitmap& b) { return ti::writePng16(d, "b.png", b); }, false},
        {"heic", [](const QString& d, const Bitmap& b) { return ti::writeHeic(d, "a.heic", b); }, false},
        {"tiff", [](const QString& d, const Bitmap& b) { return ti::writeTiff(d, "a.tiff", b); }, true},
        {"gif", [](const QString& d, const Bitmap& b) { return ti::writeGif(d, "a.gif", b); }, false},
        {"webp", [](const QString& d, const Bitmap& b) { return ti::writeWebp(d, "a.webp", b); }, true},
        {"bmp", [](const QString& d, const Bitmap& b) { return ti::writeBmp(d, "a.bmp", b); }, false},
        {"cmyk", [](const QString& d, const Bitmap& b) { return ti::writeCmykJpeg(d, "c.jpg", b); }, false, 100},
        // The decoder is chosen by content, not by the name.
        {"bmpNamedJpg", [](const QString& d, const Bitmap& b) { return ti::writeBmp(d, "bmp.jpg", b); }, false},
        {"brackets", [](const QString& d, const Bitmap& b) { return ti::writeJpeg(d, "a[1].jpg", b); }, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const Bitmap source = row.keepsAlpha ? ti::halfTransparent(64, 48) : ti::quadrants(64, 48);
        const LoadedImage loaded = ImageEngine::load(row.write(dir(), source));
        EXPECT_EQ(QSize(loaded.image.width(), loaded.image.height()), QSize(64, 48));
        EXPECT_EQ(loaded.image.bands(), 4);
        EXPECT_EQ(loaded.image.format(), VIPS_FORMAT_UCHAR);
        EXPECT_TRUE(ti::near(ti::colourAt(loaded.image, 0.1, 0.1), ti::topLeftColour, row.tolerance));
        EXPECT_TRUE(ti::near(ti::colourAt(loaded.image, 0.1, 0.9), ti::bottomLeftColour, row.tolerance));
        if (row.keepsAlpha) {
            EXPECT_EQ(ti::colourAt(loaded.image, 0.9, 0.5).alpha(), 0);
            EXPECT_EQ(ti::colourAt(loaded.image, 0.1, 0.5).alpha(), 255);
        } else {
            EXPECT_TRUE(ti::near(ti::colourAt(loaded.image, 0.9, 0.9), ti::bottomRightColour, row.tolerance));
        }
    }
}

TEST_F(ImageEngineLoad, bmpIsReadWithoutTheUntrustedDecoderAndMetadataBlocksAreKept)
{
    const QString bmp = ti::writeBmp(dir(), QStringLiteral("a.bmp"), ti::quadrants(10, 10));
    EXPECT_FALSE(ti::vipsOpens(bmp)); // libvips' own BMP decoder is blocked
    EXPECT_EQ(ImageEngine::load(bmp).properties.value(QStringLiteral("Loader")).toString(), QStringLiteral("qimage"));

    const QString jpeg = ti::writeJpeg(dir(), QStringLiteral("m.jpg"), ti::quadrants(20, 20),
                                       {.gps = true, .make = QStringLiteral("Maker One"), .iptcCity = QStringLiteral("Brno")});
    const LoadedImage loaded = ImageEngine::load(jpeg);
    EXPECT_FALSE(loaded.exif.isEmpty());
    EXPECT_FALSE(loaded.iptc.isEmpty());
    EXPECT_EQ(loaded.properties.value(QStringLiteral("PixelWidth")).toInt(), 20);
}

TEST_F(ImageEngineLoad, pdfFirstPageAtTwoPixelsPerPointFromItsMediaBoxUnrotated)
{
    const LoadedImage loaded = ImageEngine::load(ti::writePdf(dir(), QStringLiteral("doc.pdf"), QSizeF(200.5, 100), QPointF(50, 30), 0, 2));
    EXPECT_EQ(QSize(loaded.image.width(), loaded.image.height()), QSize(401, 200)); // 2 × 200.5, towards zero
    EXPECT_TRUE(loaded.properties.isEmpty());
    // The box's corner lands on the bitmap's corner: red fills the left half, blue the right.
    EXPECT_TRUE(ti::near(ti::colourAt(loaded.image, 0.02, 0.5), QColor(255, 0, 0), 10));
    EXPECT_TRUE(ti::near(ti::colourAt(loaded.image, 0.98, 0.02), QColor(0, 0, 255), 10));

    const Bitmap turned = ImageEngine::renderPDFPage(ti::writePdf(dir(), QStringLiteral("t.pdf"), QSizeF(300, 100), QPointF(), 90));
    EXPECT_EQ(QSize(turned.width(), turned.height()), QSize(600, 200));
    EXPECT_TRUE(ti::near(ti::colourAt(turned, 0.05, 0.5), QColor(255, 0, 0), 10));
}

TEST_F(ImageEngineLoad, unreadableSourcesFailWithTheirOwnName)
{
    const test::MemoryLimit limit; // some claim more pixels than the ceiling allows
    const struct {
        const char* name;
        std::function<QString(const QString&)> make;
        KelvaroError::Kind kind = KelvaroError::Kind::unreadable;
    } rows[] = {
        {"garbage", [](const QString& d) { return ti::writeGarbage(d, "x.jpg"); }},
        {"missing", [](const QString& d) { return QDir(d).filePath("missing.png"); }},
        {"folder", [](const QString& d) { QDir(d).mkdir("sub.jpg"); return QDir(d).filePath("sub.jpg"); }},
        {"empty", [](const QString& d) { test::writeFile(QDir(d).filePath("e.png"), {}); return QDir(d).filePath("e.png"); }},
        // Above 2^28 pixels: refused from the header, before any memory is taken.
        {"bombPng", [](const QString& d) { return ti::writeLyingPng(d, "bomb.png", QSize(20000, 20000)); }, KelvaroError::Kind::tooManyPixels},
        {"widePng", [](const QString& d) { return ti::writeLyingPng(d, "wide.png", QSize(300000000, 1)); }},
        {"hugePdfPage", [](const QString& d) { return ti::writePdf(d, "big.pdf", QSizeF(12000, 12000)); }, KelvaroError::Kind::tooManyPixels},
        {"notAPdf", [](const QString& d) { return ti::writeGarbage(d, "fake.pdf"); }},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const QString file = row.make(dir());
        const auto error = test::thrown<KelvaroError>([&] { ImageEngine::load(file); });
        ASSERT_TRUE(error);
        EXPECT_EQ(error->kind(), row.kind);
        EXPECT_EQ(error->fileName(), QFileInfo(file).fileName());
        // A photo over the ceiling is not called broken: its message names the limit.
        if (row.kind == KelvaroError::Kind::tooManyPixels) {
            EXPECT_TRUE(error->message().contains(QStringLiteral("268 megapix"))) << error->message().toStdString();
        }
    }
}

TEST_F(ImageEngineLoad, fileSizeOfFilesOnly)
{
    const QString file = ti::writeGarbage(dir(), QStringLiteral("g.bin"));
    EXPECT_EQ(ImageEngine::fileSize(file), QFileInfo(file).size());
    EXPECT_EQ(ImageEngine::fileSize(QDir(dir()).filePath(QStringLiteral("none"))), 0);
    EXPECT_EQ(ImageEngine::fileSize(dir()), 0);
}

TEST(Bitmap, convertsBetweenQImageAndMatKeepingAlphaAndNormalisesGrey16)
{
    QImage source(7, 5, QImage::Format_RGBA8888);
    source.fill(QColor(200, 100, 50, 128));
    const cv::Mat mat = toMat(fromQImage(source));
    EXPECT_EQ(mat.at<cv::Vec4b>(2, 3), cv::Vec4b(200, 100, 50, 128));
    const QColor back = toQImage(fromMat(mat)).convertToFormat(QImage::Format_RGBA8888).pixelColor(3, 2);
    EXPECT_NEAR(back.red(), 200, 2);
    EXPECT_EQ(back.alpha(), 128);
    const Bitmap b = normalizedBitmap((vips::VImage::black(4, 3) + 30000).cast(VIPS_FORMAT_USHORT)
                                          .copy(vips::VImage::option()->set("interpretation", VIPS_INTERPRETATION_GREY16)));
    EXPECT_EQ(b.bands(), 4);
    EXPECT_EQ(b.format(), VIPS_FORMAT_UCHAR);
    EXPECT_NEAR(b.extract_band(0).avg(), 30000.0 / 257.0, 1.0);
    EXPECT_EQ(b.extract_band(3).avg(), 255);
}

} // namespace
