#include <functional>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "engine/ImageEngine.h"
#include "../support/TestImages.h"

// Readable failure messages for Qt strings.
[[maybe_unused]] static void PrintTo(const QString& text, std::ostream* os)
{
    *os << '"' << text.toStdString() << '"';
}

using namespace kelvaro;
namespace ti = kelvaro::testimages;

namespace {

class ImageEngineLoad : public ::testing::Test {
protected:
    void SetUp() override { initVips(); }
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

class Orientation : public ImageEngineLoad, public ::testing::WithParamInterface<int> {};

TEST_P(Orientation, everyExifOrientationLoadsUpright)
{
    const int orientation = GetParam();
    const Bitmap upright = ti::quadrants(60, 40);
    ti::Metadata metadata;
    metadata.orientation = orientation;
    const QString file = ti::writeJpeg(dir(), QStringLiteral("o.jpg"), storedFor(orientation, upright).copy_memory(), metadata);
    const LoadedImage loaded = ImageEngine::load(file);
    EXPECT_EQ(loaded.image.width(), 60);
    EXPECT_EQ(loaded.image.height(), 40);
    EXPECT_EQ(loaded.image.bands(), 4);
    EXPECT_EQ(ti::cornerColours(loaded.image), (std::array<int, 4>{0, 1, 2, 3}));
    if (orientation > 1) {
        EXPECT_EQ(loaded.properties.value(QStringLiteral("Orientation")).toInt(), orientation);
    }
}

INSTANTIATE_TEST_SUITE_P(AllEight, Orientation, ::testing::Range(1, 9));

struct FormatCase {
    const char* name;
    std::function<QString(const QString&, const Bitmap&)> write;
    bool keepsAlpha;
    int tolerance = 40; // CMYK cannot hold the saturated test colours exactly
};

void PrintTo(const FormatCase& c, std::ostream* os)
{
    *os << c.name;
}

class Formats : public ImageEngineLoad, public ::testing::WithParamInterface<FormatCase> {};

TEST_P(Formats, decodeToUprightRgba)
{
    const FormatCase& c = GetParam();
    const Bitmap source = c.keepsAlpha ? ti::halfTransparent(64, 48) : ti::quadrants(64, 48);
    const LoadedImage loaded = ImageEngine::load(c.write(dir(), source));
    EXPECT_EQ(loaded.image.width(), 64);
    EXPECT_EQ(loaded.image.height(), 48);
    EXPECT_EQ(loaded.image.bands(), 4);
    EXPECT_EQ(loaded.image.format(), VIPS_FORMAT_UCHAR);
    EXPECT_TRUE(ti::near(ti::colourAt(loaded.image, 0.1, 0.1), ti::topLeftColour, c.tolerance)) << c.name;
    EXPECT_TRUE(ti::near(ti::colourAt(loaded.image, 0.1, 0.9), ti::bottomLeftColour, c.tolerance)) << c.name;
    if (c.keepsAlpha) {
        EXPECT_EQ(ti::colourAt(loaded.image, 0.9, 0.5).alpha(), 0) << c.name;
        EXPECT_EQ(ti::colourAt(loaded.image, 0.1, 0.5).alpha(), 255) << c.name;
    } else {
        EXPECT_TRUE(ti::near(ti::colourAt(loaded.image, 0.9, 0.9), ti::bottomRightColour, c.tolerance)) << c.name;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Everything, Formats,
    ::testing::Values(
        FormatCase{"jpeg", [](const QString& d, const Bitmap& b) { return ti::writeJpeg(d, "a.jpg", b); }, false},
        FormatCase{"png", [](const QString& d, const Bitmap& b) { return ti::writePng(d, "a.png", b); }, true},
        FormatCase{"png16", [](const QString& d, const Bitmap& b) { return ti::writePng16(d, "a.png", b); }, false},
        FormatCase{"heic", [](const QString& d, const Bitmap& b) { return ti::writeHeic(d, "a.heic", b); }, false},
        FormatCase{"tiff", [](const QString& d, const Bitmap& b) { return ti::writeTiff(d, "a.tiff", b); }, true},
        FormatCase{"gif", [](const QString& d, const Bitmap& b) { return ti::writeGif(d, "a.gif", b); }, false},
        FormatCase{"webp", [](const QString& d, const Bitmap& b) { return ti::writeWebp(d, "a.webp", b); }, true},
        FormatCase{"bmp", [](const QString& d, const Bitmap& b) { return ti::writeBmp(d, "a.bmp", b); }, false},
        FormatCase{"cmyk", [](const QString& d, const Bitmap& b) { return ti::writeCmykJpeg(d, "c.jpg", b); }, false, 100},
        // The decoder is chosen by content, not by the name.
        FormatCase{"bmpNamedJpg", [](const QString& d, const Bitmap& b) { return ti::writeBmp(d, "bmp.jpg", b); }, false},
        FormatCase{"brackets", [](const QString& d, const Bitmap& b) { return ti::writeJpeg(d, "a[1].jpg", b); }, false}),
    [](const ::testing::TestParamInfo<FormatCase>& info) { return std::string(info.param.name); });

TEST_F(ImageEngineLoad, bmpIsReadWithoutTheUntrustedDecoder)
{
    const QString file = ti::writeBmp(dir(), QStringLiteral("a.bmp"), ti::quadrants(10, 10));
    // libvips itself must refuse it: its BMP decoder is blocked.
    EXPECT_FALSE(ti::vipsOpens(file));
    EXPECT_EQ(ImageEngine::load(file).properties.value(QStringLiteral("Loader")).toString(), QStringLiteral("qimage"));
}

TEST_F(ImageEngineLoad, keepsSourceMetadataBlocks)
{
    const QString file = ti::writeJpeg(dir(), QStringLiteral("m.jpg"), ti::quadrants(20, 20),
                                       {.gps = true, .make = QStringLiteral("Maker One"), .iptcCity = QStringLiteral("Brno")});
    const LoadedImage loaded = ImageEngine::load(file);
    EXPECT_FALSE(loaded.exif.isEmpty());
    EXPECT_FALSE(loaded.iptc.isEmpty());
    EXPECT_EQ(loaded.properties.value(QStringLiteral("PixelWidth")).toInt(), 20);
}

TEST_F(ImageEngineLoad, pdfFirstPageAtTwoPixelsPerPointWithMediaBoxOrigin)
{
    const QString file = ti::writePdf(dir(), QStringLiteral("doc.pdf"), QSizeF(200.5, 100), QPointF(50, 30), 0, 2);
    const LoadedImage loaded = ImageEngine::load(file);
    EXPECT_EQ(loaded.image.width(), 401); // 2 × 200.5, rounded toward zero
    EXPECT_EQ(loaded.image.height(), 200);
    EXPECT_TRUE(loaded.properties.isEmpty());
    // The box's corner lands on the bitmap's corner: red fills the left half, blue the right.
    EXPECT_TRUE(ti::near(ti::colourAt(loaded.image, 0.02, 0.5), QColor(255, 0, 0), 10));
    EXPECT_TRUE(ti::near(ti::colourAt(loaded.image, 0.98, 0.5), QColor(0, 0, 255), 10));
    EXPECT_TRUE(ti::near(ti::colourAt(loaded.image, 0.98, 0.02), QColor(0, 0, 255), 10));
}

TEST_F(ImageEngineLoad, pdfPageRotationIsNotApplied)
{
    const QString file = ti::writePdf(dir(), QStringLiteral("turned.pdf"), QSizeF(300, 100), QPointF(), 90);
    const Bitmap page = ImageEngine::renderPDFPage(file);
    EXPECT_EQ(page.width(), 600);
    EXPECT_EQ(page.height(), 200);
    EXPECT_TRUE(ti::near(ti::colourAt(page, 0.05, 0.5), QColor(255, 0, 0), 10));
    EXPECT_TRUE(ti::near(ti::colourAt(page, 0.95, 0.5), QColor(0, 0, 255), 10));
}

struct Unreadable {
    const char* name;
    std::function<QString(const QString&)> make;
    KelvaroError::Kind kind = KelvaroError::Kind::unreadable;
};

void PrintTo(const Unreadable& c, std::ostream* os)
{
    *os << c.name;
}

class UnreadableSources : public ImageEngineLoad, public ::testing::WithParamInterface<Unreadable> {};

TEST_P(UnreadableSources, failWithTheirOwnName)
{
    const QString file = GetParam().make(dir());
    try {
        ImageEngine::load(file);
        FAIL() << "loaded " << GetParam().name;
    } catch (const KelvaroError& error) {
        EXPECT_EQ(error.kind(), GetParam().kind);
        EXPECT_EQ(error.fileName(), QFileInfo(file).fileName());
        // A photo over the ceiling is not called broken: its message names the limit.
        if (GetParam().kind == KelvaroError::Kind::tooManyPixels)
            EXPECT_TRUE(error.message().contains(QStringLiteral("268 megapix"))) << error.message().toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Sources, UnreadableSources,
    ::testing::Values(
        Unreadable{"garbage", [](const QString& d) { return ti::writeGarbage(d, "x.jpg"); }},
        Unreadable{"missing", [](const QString& d) { return QDir(d).filePath("missing.png"); }},
        Unreadable{"folder", [](const QString& d) { QDir(d).mkdir("sub.jpg"); return QDir(d).filePath("sub.jpg"); }},
        Unreadable{"empty", [](const QString& d) { QFile f(QDir(d).filePath("e.png")); f.open(QIODevice::WriteOnly); return f.fileName(); }},
        // Above 2^28 pixels: refused from the header, before any memory is taken.
        Unreadable{"bombPng", [](const QString& d) { return ti::writeLyingPng(d, "bomb.png", QSize(20000, 20000)); },
                   KelvaroError::Kind::tooManyPixels},
        Unreadable{"widePng", [](const QString& d) { return ti::writeLyingPng(d, "wide.png", QSize(300000000, 1)); }},
        Unreadable{"hugePdfPage", [](const QString& d) { return ti::writePdf(d, "big.pdf", QSizeF(12000, 12000)); },
                   KelvaroError::Kind::tooManyPixels},
        Unreadable{"notAPdf", [](const QString& d) { return ti::writeGarbage(d, "fake.pdf"); }}),
    [](const ::testing::TestParamInfo<Unreadable>& info) { return std::string(info.param.name); });

TEST_F(ImageEngineLoad, fileSizeOfFilesOnly)
{
    const QString file = ti::writeGarbage(dir(), QStringLiteral("g.bin"));
    EXPECT_EQ(ImageEngine::fileSize(file), QFileInfo(file).size());
    EXPECT_GT(ImageEngine::fileSize(file), 0);
    EXPECT_EQ(ImageEngine::fileSize(QDir(dir()).filePath(QStringLiteral("none"))), 0);
    EXPECT_EQ(ImageEngine::fileSize(dir()), 0);
    EXPECT_EQ(ImageEngine::fileSize(QString()), 0);
}

} // namespace
