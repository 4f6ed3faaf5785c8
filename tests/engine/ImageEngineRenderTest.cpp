#include <cmath>
#include <functional>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <exiv2/exiv2.hpp>
#include <gtest/gtest.h>

#include "../support/TestImages.h"
#include "engine/ImageEngine.h"
#include "platform/Settings.h"

// Readable failure messages for Qt strings.
[[maybe_unused]] static void PrintTo(const QString& text, std::ostream* os)
{
    *os << '"' << text.toStdString() << '"';
}

using namespace kelvaro;
namespace ti = kelvaro::testimages;

namespace {

class RenderImage : public ::testing::Test {
protected:
    void SetUp() override
    {
        initVips();
        // Result names are Czech in these tests.
        Settings::shared().setValue(QStringLiteral("kelvaro.language"), QStringLiteral("cs"));
        ASSERT_TRUE(QDir(m_root.path()).mkdir(QStringLiteral("in")));
        ASSERT_TRUE(QDir(m_root.path()).mkdir(QStringLiteral("out")));
    }
    void TearDown() override
    {
        for (const char* key : {"kelvaro.jpegQuality", "kelvaro.heicQuality", "kelvaro.describeNames", "kelvaro.language"})
            Settings::shared().remove(QString::fromLatin1(key));
    }
    QString in() const { return m_root.filePath(QStringLiteral("in")); }
    QString out() const { return m_root.filePath(QStringLiteral("out")); }

    ImageEngine::One render(const KelvaroOp& op, const QString& file, const QString& outDir = {})
    {
        const QFileInfo info(file);
        return ImageEngine::renderImage(op, file, info.completeBaseName(), info.fileName(), info.size(),
                                        outDir.isEmpty() ? out() : outDir);
    }
    static QString nameOf(const ImageEngine::One& one) { return QFileInfo(one.url).fileName(); }
    QStringList outFiles() const { return QDir(out()).entryList(QDir::Files); }

    // A 600 × 400 photo stored turned, with orientation 6, GPS, a camera make and IPTC.
    QString cameraPhoto(const QString& name = QStringLiteral("X.jpg"))
    {
        const Bitmap stored = ti::quadrants(400, 600).rot(VIPS_ANGLE_D270).copy_memory();
        return ti::writeJpeg(in(), name, stored,
                             {.orientation = 6, .gps = true, .make = QStringLiteral("Maker One"),
                              .iptcCity = QStringLiteral("Brno"), .pixelDimensions = true});
    }

    QTemporaryDir m_root;
};

std::optional<QString> meta(const QString& file, const char* key)
{
    return ti::metadataValue(file, QString::fromLatin1(key));
}

TEST_F(RenderImage, compressTurnsUprightKeepsLocationAndDropsOrientation)
{
    const QString source = cameraPhoto();
    const ImageEngine::One one = render(KelvaroOp::compress(0.7), source);
    EXPECT_EQ(nameOf(one), QStringLiteral("X komprese.jpg"));
    const Bitmap written = ti::read(one.url);
    EXPECT_EQ(written.width(), 400);
    EXPECT_EQ(written.height(), 600);
    EXPECT_EQ(ti::cornerColours(written), (std::array<int, 4>{0, 1, 2, 3}));
    EXPECT_EQ(ti::jpegQuality(one.url), 70);

    EXPECT_FALSE(meta(one.url, "Exif.Image.Orientation"));
    EXPECT_FALSE(meta(one.url, "Exif.Photo.PixelXDimension"));
    EXPECT_FALSE(meta(one.url, "Exif.Photo.PixelYDimension"));
    EXPECT_EQ(meta(one.url, "Exif.Image.Make"), QStringLiteral("Maker One"));
    EXPECT_EQ(meta(one.url, "Exif.Photo.DateTimeOriginal"), QStringLiteral("2026:07:14 10:20:30"));
    EXPECT_EQ(meta(one.url, "Exif.GPSInfo.GPSLatitude"), QStringLiteral("50/1 5/1 0/1"));
    EXPECT_EQ(meta(one.url, "Exif.GPSInfo.GPSLongitudeRef"), QStringLiteral("E"));
    EXPECT_EQ(meta(one.url, "Iptc.Application2.City"), QStringLiteral("Brno"));
    EXPECT_EQ(one.savedBytes, std::max<qint64>(QFileInfo(source).size() - QFileInfo(one.url).size(), 0));
    EXPECT_FALSE(one.text);
}

TEST_F(RenderImage, stripMetadataKeepsNothingAtQuality95)
{
    const ImageEngine::One one = render(KelvaroOp::stripMetadata(), cameraPhoto());
    EXPECT_EQ(nameOf(one), QStringLiteral("X bez metadat.jpg"));
    EXPECT_FALSE(ti::hasAnyExif(one.url));
    EXPECT_FALSE(ti::hasAnyIptc(one.url));
    EXPECT_EQ(ti::jpegQuality(one.url), 95);
    EXPECT_EQ(ti::pixelSize(one.url), QSize(400, 600)); // still upright without an orientation
}

TEST_F(RenderImage, convertPngWithAlphaToJpegFlattensOnWhite)
{
    const QString source = ti::writePng(in(), QStringLiteral("A.png"), ti::halfTransparent(80, 60));
    const ImageEngine::One one = render(KelvaroOp::convert(ImageFormat::jpg), source);
    EXPECT_EQ(nameOf(one), QStringLiteral("A.jpg"));
    EXPECT_EQ(ti::jpegQuality(one.url), 90);
    const Bitmap written = ti::read(one.url);
    EXPECT_TRUE(ti::near(ti::colourAt(written, 0.8, 0.5), QColor(255, 255, 255), 6));
    EXPECT_TRUE(ti::near(ti::colourAt(written, 0.2, 0.2), ti::topLeftColour));

    Settings::shared().setValue(QStringLiteral("kelvaro.jpegQuality"), 0.8);
    EXPECT_EQ(ti::jpegQuality(render(KelvaroOp::convert(ImageFormat::jpg), source).url), 80);
}

TEST_F(RenderImage, convertToPngAndTiffCarriesMetadataReadBack)
{
    const QString source = cameraPhoto();
    for (ImageFormat format : {ImageFormat::png, ImageFormat::tiff}) {
        const ImageEngine::One one = render(KelvaroOp::convert(format), source);
        EXPECT_EQ(nameOf(one), QStringLiteral("X.") + rawValue(format));
        EXPECT_EQ(ti::pixelSize(one.url), QSize(400, 600)) << rawValue(format).toStdString();
        EXPECT_EQ(ti::cornerColours(ti::read(one.url)), (std::array<int, 4>{0, 1, 2, 3}));
        EXPECT_EQ(meta(one.url, "Exif.Image.Make"), QStringLiteral("Maker One")) << rawValue(format).toStdString();
        EXPECT_EQ(meta(one.url, "Exif.GPSInfo.GPSLatitude"), QStringLiteral("50/1 5/1 0/1"));
        EXPECT_FALSE(meta(one.url, "Exif.Image.Orientation")) << rawValue(format).toStdString();
        EXPECT_FALSE(meta(one.url, "Exif.Photo.PixelXDimension"));
        // An opaque photo is written without an alpha channel.
        EXPECT_EQ(ti::read(one.url).bands(), 4);
        EXPECT_EQ(vips::VImage::new_from_file(QFile::encodeName(one.url).constData()).bands(), 3);
    }
}

TEST_F(RenderImage, convertToHeicEmbedsCarriedExif)
{
    const QString source = cameraPhoto();
    const ImageEngine::One one = render(KelvaroOp::convert(ImageFormat::heic), source);
    EXPECT_EQ(nameOf(one), QStringLiteral("X.heic"));
    EXPECT_EQ(ti::pixelSize(one.url), QSize(400, 600));
    EXPECT_EQ(ti::cornerColours(ti::read(one.url)), (std::array<int, 4>{0, 1, 2, 3}));
    EXPECT_EQ(meta(one.url, "Exif.Image.Make"), QStringLiteral("Maker One"));
    EXPECT_EQ(meta(one.url, "Exif.GPSInfo.GPSLatitude"), QStringLiteral("50/1 5/1 0/1"));
    // An orientation, if a reader finds one, must not turn the upright pixels again.
    const std::optional<QString> orientation = meta(one.url, "Exif.Image.Orientation");
    EXPECT_TRUE(!orientation || *orientation == QStringLiteral("1"));
    const std::optional<QString> width = meta(one.url, "Exif.Photo.PixelXDimension");
    EXPECT_TRUE(!width || *width == QStringLiteral("400"));
}

TEST_F(RenderImage, heicResultCarriesNeitherTheSourceThumbnailNorItsLayoutEntries)
{
    // A camera JPEG with an EXIF thumbnail (the photo before any change) and an IFD0 width.
    const QString source = cameraPhoto();
    {
        Exiv2::Image::AutoPtr image = Exiv2::ImageFactory::open(QFile::encodeName(source).toStdString());
        image->readMetadata();
        Exiv2::ExifData exif = image->exifData();
        exif["Exif.Image.ImageWidth"] = uint32_t(600);
        Exiv2::ExifThumb(exif).setJpegThumbnail(QFile::encodeName(ti::writeJpeg(in(), QStringLiteral("t.jpg"),
                                                                               ti::quadrants(16, 16))).toStdString());
        image->setExifData(exif);
        image->writeMetadata();
    }
    ASSERT_TRUE(meta(source, "Exif.Thumbnail.JPEGInterchangeFormat"));
    const ImageEngine::One one = render(KelvaroOp::convert(ImageFormat::heic), source);
    EXPECT_EQ(meta(one.url, "Exif.Image.Make"), QStringLiteral("Maker One"));
    EXPECT_EQ(meta(one.url, "Exif.GPSInfo.GPSLatitude"), QStringLiteral("50/1 5/1 0/1"));
    EXPECT_FALSE(meta(one.url, "Exif.Thumbnail.JPEGInterchangeFormat"));
    EXPECT_FALSE(meta(one.url, "Exif.Thumbnail.Compression"));
    EXPECT_FALSE(meta(one.url, "Exif.Image.ImageWidth"));
    EXPECT_EQ(meta(one.url, "Exif.Photo.ColorSpace"), QStringLiteral("1"));
}

TEST_F(RenderImage, heicSourceMetadataIsCarriedAlsoFromTiledLayouts)
{
    // A small HEIC is stored as a grid, whose EXIF exiv2 alone does not find.
    ti::Metadata metadata;
    metadata.gps = true;
    metadata.make = QStringLiteral("Maker One");
    const QString source = ti::writeHeic(in(), QStringLiteral("H.heic"), ti::quadrants(64, 48), metadata);
    const ImageEngine::One one = render(KelvaroOp::compress(0.8), source);
    EXPECT_EQ(nameOf(one), QStringLiteral("H komprese.jpg"));
    EXPECT_EQ(meta(one.url, "Exif.Image.Make"), QStringLiteral("Maker One"));
    EXPECT_EQ(meta(one.url, "Exif.GPSInfo.GPSLatitude"), QStringLiteral("50/1 5/1 0/1"));
}

TEST_F(RenderImage, pdfPageConvertedToPngAtTwoPixelsPerPoint)
{
    const QString source = ti::writePdf(in(), QStringLiteral("doc.pdf"), QSizeF(100, 50));
    const ImageEngine::One one = render(KelvaroOp::convert(ImageFormat::png), source);
    EXPECT_EQ(nameOf(one), QStringLiteral("doc.png"));
    EXPECT_EQ(ti::pixelSize(one.url), QSize(200, 100));
    // Watermarking a PDF also writes a PNG: "pdf" is no image extension.
    EXPECT_EQ(nameOf(render(KelvaroOp::adjust({}), source)), QStringLiteral("doc úpravy.png"));
}

struct WatermarkSource {
    const char* name;
    std::function<QString(const QString&)> write;
};

void PrintTo(const WatermarkSource& c, std::ostream* os)
{
    *os << c.name;
}

class WatermarkFormats : public RenderImage, public ::testing::WithParamInterface<WatermarkSource> {};

TEST_P(WatermarkFormats, writeAPng)
{
    const QString source = GetParam().write(in());
    WatermarkSpec spec;
    spec.text = QStringLiteral("© Moje fotky");
    const ImageEngine::One one = render(KelvaroOp::watermark(spec), source);
    EXPECT_EQ(nameOf(one), QStringLiteral("W vodoznak.png"));
    EXPECT_EQ(ti::pixelSize(one.url), QSize(120, 90));
    EXPECT_EQ(one.savedBytes, 0);
}

INSTANTIATE_TEST_SUITE_P(
    GifBmpWebp, WatermarkFormats,
    ::testing::Values(WatermarkSource{"gif", [](const QString& d) { return ti::writeGif(d, "W.gif", ti::quadrants(120, 90)); }},
                      WatermarkSource{"bmp", [](const QString& d) { return ti::writeBmp(d, "W.bmp", ti::quadrants(120, 90)); }},
                      WatermarkSource{"webp", [](const QString& d) { return ti::writeWebp(d, "W.webp", ti::quadrants(120, 90)); }}),
    [](const ::testing::TestParamInfo<WatermarkSource>& info) { return std::string(info.param.name); });

TEST_F(RenderImage, namesFollowTheSettingAndNeverOverwrite)
{
    const QString source = ti::writeJpeg(in(), QStringLiteral("IMG_7.jpg"), ti::quadrants(40, 30));
    EXPECT_EQ(nameOf(render(KelvaroOp::compress(0.7), source)), QStringLiteral("IMG_7 komprese.jpg"));
    EXPECT_EQ(nameOf(render(KelvaroOp::compress(0.7), source)), QStringLiteral("IMG_7 komprese 2.jpg"));
    Settings::shared().setValue(QStringLiteral("kelvaro.describeNames"), false);
    EXPECT_EQ(nameOf(render(KelvaroOp::compress(0.7), source)), QStringLiteral("IMG_7.jpg"));
    EXPECT_EQ(nameOf(render(KelvaroOp::compress(0.7), source)), QStringLiteral("IMG_7 2.jpg"));
    // Writing next to the source never replaces it.
    const qint64 before = QFileInfo(source).size();
    EXPECT_EQ(nameOf(render(KelvaroOp::compress(0.3), source, in())), QStringLiteral("IMG_7 2.jpg"));
    EXPECT_EQ(QFileInfo(source).size(), before);
}

TEST_F(RenderImage, suffixesFollowTheInterfaceLanguage)
{
    const QString source = ti::writeJpeg(in(), QStringLiteral("IMG_7.jpg"), ti::quadrants(40, 30));
    Settings::shared().setValue(QStringLiteral("kelvaro.language"), QStringLiteral("en"));
    EXPECT_EQ(nameOf(render(KelvaroOp::compress(0.7), source)), QStringLiteral("IMG_7 compressed.jpg"));
    EXPECT_EQ(nameOf(render(KelvaroOp::crop({CropRatio::story916, 0.5, 0.5}), source)), QStringLiteral("IMG_7 crop 9x16.jpg"));
    // A preset's own name has no translation and stays as typed; no name adds nothing.
    PresetSpec preset;
    preset.name = QStringLiteral("Moje tisky");
    EXPECT_EQ(nameOf(render(KelvaroOp::preset(preset), source)), QStringLiteral("IMG_7 Moje tisky.jpg"));
    preset.name = QStringLiteral(" ");
    EXPECT_EQ(nameOf(render(KelvaroOp::preset(preset), source)), QStringLiteral("IMG_7.jpg"));
}

TEST_F(RenderImage, conversionGetsNoSuffix)
{
    const QString source = ti::writePng(in(), QStringLiteral("IMG_7.png"), ti::quadrants(40, 30));
    const ImageEngine::One one = render(KelvaroOp::convert(ImageFormat::jpg), source);
    EXPECT_EQ(nameOf(one), QStringLiteral("IMG_7.jpg"));
}

TEST_F(RenderImage, cropCutsTheRatioAndNamesIt)
{
    const QString source = ti::writePng(in(), QStringLiteral("C.png"), ti::quadrants(400, 300));
    const ImageEngine::One one = render(KelvaroOp::crop({CropRatio::wide169, 0.5, 0.5}), source);
    EXPECT_EQ(nameOf(one), QStringLiteral("C ořez 16x9.png"));
    EXPECT_EQ(ti::pixelSize(one.url), QSize(400, 225));
    EXPECT_EQ(one.savedBytes, 0);
    // Offsets place the window: 1 keeps the bottom edge.
    const ImageEngine::One bottom = render(KelvaroOp::crop({CropRatio::square, 0, 1}), source);
    EXPECT_EQ(ti::pixelSize(bottom.url), QSize(300, 300));
    EXPECT_TRUE(ti::near(ti::colourAt(ti::read(bottom.url), 0.1, 0.95), ti::bottomLeftColour));
}

TEST_F(RenderImage, cropWindowOffThePhotoFailsTheFile)
{
    const QString source = ti::writePng(in(), QStringLiteral("C.png"), ti::quadrants(400, 300));
    try {
        render(KelvaroOp::crop({CropRatio::square, 5, 0.5}), source);
        FAIL();
    } catch (const KelvaroError& error) {
        EXPECT_EQ(error.kind(), KelvaroError::Kind::writeFailed);
        EXPECT_EQ(error.fileName(), QStringLiteral("C.png"));
    }
    EXPECT_TRUE(outFiles().isEmpty());
}

TEST_F(RenderImage, resizeNamesTheWidthAndCountsSavedBytes)
{
    const QString source = ti::writeJpeg(in(), QStringLiteral("R.jpg"), ti::quadrants(400, 300), {}, 98);
    const ImageEngine::One smaller = render(KelvaroOp::resize({false, 100, 200}), source);
    EXPECT_EQ(nameOf(smaller), QStringLiteral("R 200px.jpg"));
    EXPECT_EQ(ti::pixelSize(smaller.url), QSize(200, 150));
    EXPECT_EQ(smaller.savedBytes, QFileInfo(source).size() - QFileInfo(smaller.url).size());
    EXPECT_GT(smaller.savedBytes, 0);

    const ImageEngine::One larger = render(KelvaroOp::resize({true, 250, 0}), source);
    EXPECT_EQ(nameOf(larger), QStringLiteral("R 1000px.jpg"));
    EXPECT_EQ(ti::pixelSize(larger.url), QSize(1000, 750));
    EXPECT_EQ(larger.savedBytes, 0);
}

TEST_F(RenderImage, absurdTargetSizesFailTheFileInsteadOfTheMemory)
{
    const QString source = ti::writePng(in(), QStringLiteral("B.png"), ti::quadrants(400, 300));
    PresetSpec huge;
    huge.name = QStringLiteral("Obr");
    huge.targetWidth = 30000;
    huge.targetHeight = 30000;
    for (const KelvaroOp& op : {KelvaroOp::resize({true, 20000, 0}), KelvaroOp::resize({false, 100, 1000000}),
                                KelvaroOp::preset(huge)}) {
        try {
            render(op, source);
            ADD_FAILURE() << op.title().toStdString();
        } catch (const KelvaroError& error) {
            EXPECT_EQ(error.kind(), KelvaroError::Kind::writeFailed);
            EXPECT_EQ(error.fileName(), QStringLiteral("B.png"));
        }
    }
    EXPECT_TRUE(outFiles().isEmpty());
}

TEST_F(RenderImage, presetCoversTheExactSizeAtItsOffsets)
{
    const QString source = ti::writePng(in(), QStringLiteral("P.png"), ti::quadrants(400, 300));
    PresetSpec preset;
    preset.name = QStringLiteral("Na Instagram");
    preset.quality = 0.8;
    preset.targetWidth = 1080;
    preset.targetHeight = 1350;
    const ImageEngine::One centred = render(KelvaroOp::preset(preset), source);
    EXPECT_EQ(nameOf(centred), QStringLiteral("P Na Instagram.png"));
    EXPECT_EQ(ti::pixelSize(centred.url), QSize(1080, 1350));
    EXPECT_EQ(centred.savedBytes, 0);
    // Scale 4.5: 240 of the 400 source columns show, from column 80; the colour boundary at
    // column 200 falls in the middle.
    const Bitmap c = ti::read(centred.url);
    EXPECT_TRUE(ti::near(ti::colourAt(c, 0.45, 0.25), ti::topLeftColour));
    EXPECT_TRUE(ti::near(ti::colourAt(c, 0.55, 0.25), ti::topRightColour));

    preset.cropOffsetX = 0;
    preset.cropOffsetY = 0;
    const Bitmap left = ti::read(render(KelvaroOp::preset(preset), source).url);
    // From column 0, the boundary moves to 200 × 4.5 = 900 of 1080.
    EXPECT_TRUE(ti::near(ti::colourAt(left, 0.80, 0.25), ti::topLeftColour));
    EXPECT_TRUE(ti::near(ti::colourAt(left, 0.86, 0.25), ti::topRightColour));

    // Vertically: a portrait photo on a square, offset 1 keeps the bottom edge.
    const QString portrait = ti::writePng(in(), QStringLiteral("T.png"), ti::quadrants(300, 400));
    PresetSpec square;
    square.name = QStringLiteral("Čtverec");
    square.targetWidth = 1080;
    square.targetHeight = 1080;
    square.cropOffsetY = 1;
    const Bitmap bottom = ti::read(render(KelvaroOp::preset(square), portrait).url);
    // Scale 3.6: rows 100–400 show; the boundary at row 200 lands at 360 of 1080.
    EXPECT_TRUE(ti::near(ti::colourAt(bottom, 0.25, 0.30), ti::topLeftColour));
    EXPECT_TRUE(ti::near(ti::colourAt(bottom, 0.25, 0.37), ti::bottomLeftColour));
    square.cropOffsetY = 0;
    const Bitmap top = ti::read(render(KelvaroOp::preset(square), portrait).url);
    EXPECT_TRUE(ti::near(ti::colourAt(top, 0.25, 0.64), ti::topLeftColour));
    EXPECT_TRUE(ti::near(ti::colourAt(top, 0.25, 0.70), ti::bottomLeftColour));
}

TEST_F(RenderImage, presetLongSideNeverEnlargesAndSetsFormatQualityAndMetadata)
{
    const QString source = cameraPhoto(QStringLiteral("P.jpg"));
    PresetSpec preset;
    preset.name = QStringLiteral("Malé");
    preset.maxSide = 300;
    preset.format = QStringLiteral("jpg");
    preset.quality = 0.6;
    preset.stripMetadata = true;
    const ImageEngine::One small = render(KelvaroOp::preset(preset), source);
    EXPECT_EQ(nameOf(small), QStringLiteral("P Malé.jpg"));
    EXPECT_EQ(ti::pixelSize(small.url), QSize(200, 300));
    EXPECT_EQ(ti::jpegQuality(small.url), 60);
    EXPECT_FALSE(ti::hasAnyExif(small.url));
    EXPECT_EQ(small.savedBytes, 0);

    preset.maxSide = 5000;
    preset.format = QStringLiteral("pdf"); // names no image format: the source's is kept
    preset.stripMetadata = false;
    const ImageEngine::One same = render(KelvaroOp::preset(preset), source);
    EXPECT_EQ(nameOf(same), QStringLiteral("P Malé 2.jpg"));
    EXPECT_EQ(ti::pixelSize(same.url), QSize(400, 600));
    EXPECT_EQ(meta(same.url, "Exif.Image.Make"), QStringLiteral("Maker One"));
}

struct AdjustCase {
    const char* name;
    AdjustSpec spec;
    QSize size;
    std::array<int, 4> corners;
};

void PrintTo(const AdjustCase& c, std::ostream* os)
{
    *os << c.name;
}

class Adjust : public RenderImage, public ::testing::WithParamInterface<AdjustCase> {};

TEST_P(Adjust, turnsAndMirrorsAsSeen)
{
    const QString source = ti::writePng(in(), QStringLiteral("A.png"), ti::quadrants(60, 40));
    const ImageEngine::One one = render(KelvaroOp::adjust(GetParam().spec), source);
    EXPECT_EQ(nameOf(one), QStringLiteral("A úpravy.png"));
    const Bitmap written = ti::read(one.url);
    EXPECT_EQ(QSize(written.width(), written.height()), GetParam().size);
    EXPECT_EQ(ti::cornerColours(written), GetParam().corners);
}

INSTANTIATE_TEST_SUITE_P(
    Geometry, Adjust,
    ::testing::Values(AdjustCase{"unchanged", {}, {60, 40}, {0, 1, 2, 3}},
                      AdjustCase{"quarterClockwise", {.turns = 1}, {40, 60}, {2, 0, 3, 1}},
                      AdjustCase{"half", {.turns = 2}, {60, 40}, {3, 2, 1, 0}},
                      AdjustCase{"minusOne", {.turns = -1}, {40, 60}, {1, 3, 0, 2}},
                      AdjustCase{"five", {.turns = 5}, {40, 60}, {2, 0, 3, 1}},
                      AdjustCase{"flipH", {.flipH = true}, {60, 40}, {1, 0, 3, 2}},
                      AdjustCase{"flipV", {.flipV = true}, {60, 40}, {2, 3, 0, 1}},
                      AdjustCase{"flipHThenTurn", {.turns = 1, .flipH = true}, {40, 60}, {3, 1, 2, 0}}),
    [](const ::testing::TestParamInfo<AdjustCase>& info) { return std::string(info.param.name); });

TEST_F(RenderImage, adjustMonoAndBrightness)
{
    const QString source = ti::writePng(in(), QStringLiteral("M.png"), ti::quadrants(60, 40));
    const Bitmap mono = ti::read(render(KelvaroOp::adjust({.mono = true}), source).url);
    const QColor grey = ti::colourAt(mono, 0.1, 0.1);
    EXPECT_LE(std::abs(grey.red() - grey.green()), 1);
    EXPECT_LE(std::abs(grey.green() - grey.blue()), 1);
    const Bitmap brighter = ti::read(render(KelvaroOp::adjust({.brightness = 0.1}), source).url);
    EXPECT_NEAR(ti::colourAt(brighter, 0.1, 0.1).green(), ti::topLeftColour.green() + 25.5, 2);
}

TEST_F(RenderImage, workflowRunsStepsInOrderWithItsOutputSettings)
{
    const QString source = cameraPhoto(QStringLiteral("F.jpg")); // 400 × 600 upright
    Workflow workflow;
    workflow.name = QStringLiteral("Můj postup");
    WorkflowStep crop = WorkflowStep::make(WorkflowStep::Kind::crop);
    crop.ratio = QStringLiteral("wide169");
    WorkflowStep resize = WorkflowStep::make(WorkflowStep::Kind::resize);
    resize.longEdge = 200;
    workflow.steps = {crop, resize};
    workflow.format = QString();
    workflow.quality = 0.6;
    const ImageEngine::One kept = render(KelvaroOp::workflow(workflow), source);
    EXPECT_EQ(nameOf(kept), QStringLiteral("F Můj postup.jpg"));
    EXPECT_EQ(ti::pixelSize(kept.url), QSize(200, 113)); // 400 × 225, then the long side to 200
    EXPECT_EQ(ti::jpegQuality(kept.url), 60);
    EXPECT_EQ(meta(kept.url, "Exif.GPSInfo.GPSLatitudeRef"), QStringLiteral("N"));

    workflow.format = QStringLiteral("png");
    workflow.stripMetadata = true;
    const ImageEngine::One png = render(KelvaroOp::workflow(workflow), source);
    EXPECT_EQ(nameOf(png), QStringLiteral("F Můj postup.png"));
    EXPECT_FALSE(ti::hasAnyExif(png.url));
}

TEST_F(RenderImage, effectErrorsPassUnchanged)
{
    const QString source = ti::writePng(in(), QStringLiteral("Empty wall.png"), ti::plain(64, 64, QColor(128, 128, 128)));
    try {
        render(KelvaroOp::blurFaces(), source);
        FAIL();
    } catch (const KelvaroError& error) {
        EXPECT_EQ(error.kind(), KelvaroError::Kind::noFaces);
        EXPECT_EQ(error.fileName(), QStringLiteral("Empty wall.png"));
    }
    EXPECT_TRUE(outFiles().isEmpty());
}

TEST_F(RenderImage, unreadableSourceFailsWithItsName)
{
    const QString source = ti::writeGarbage(in(), QStringLiteral("bad.jpg"));
    try {
        render(KelvaroOp::compress(0.7), source);
        FAIL();
    } catch (const KelvaroError& error) {
        EXPECT_EQ(error.kind(), KelvaroError::Kind::unreadable);
        EXPECT_EQ(error.message(), KelvaroError::unreadable(QStringLiteral("bad.jpg")).message());
    }
    EXPECT_TRUE(outFiles().isEmpty());
}

TEST_F(RenderImage, unwritableFolderFailsWithTheOutputName)
{
    const QString source = ti::writePng(in(), QStringLiteral("S.png"), ti::quadrants(40, 30));
    try {
        render(KelvaroOp::compress(0.5), source, m_root.filePath(QStringLiteral("missing")));
        FAIL();
    } catch (const KelvaroError& error) {
        EXPECT_EQ(error.kind(), KelvaroError::Kind::writeFailed);
        EXPECT_EQ(error.fileName(), QStringLiteral("S komprese.jpg"));
    }
}

struct QualityCase {
    const char* name;
    std::optional<double> jpegSetting;
    std::optional<double> heicSetting;
    double quality;
    ImageFormat format;
    double expected;
};

void PrintTo(const QualityCase& c, std::ostream* os)
{
    *os << c.name;
}

class HeicQuality : public RenderImage, public ::testing::WithParamInterface<QualityCase> {};

TEST_P(HeicQuality, heicTakesItsOwnDefaultWhenAtTheJpegDefault)
{
    const QualityCase& c = GetParam();
    if (c.jpegSetting)
        Settings::shared().setValue(QStringLiteral("kelvaro.jpegQuality"), *c.jpegSetting);
    if (c.heicSetting)
        Settings::shared().setValue(QStringLiteral("kelvaro.heicQuality"), *c.heicSetting);
    EXPECT_DOUBLE_EQ(ImageEngine::effectiveQuality(c.quality, c.format), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, HeicQuality,
    ::testing::Values(QualityCase{"defaults", {}, {}, 0.9, ImageFormat::heic, 0.85},
                      QualityCase{"jpegUntouched", {}, {}, 0.9, ImageFormat::jpg, 0.9},
                      QualityCase{"ownValueKept", {}, {}, 0.8, ImageFormat::heic, 0.8},
                      QualityCase{"presetAtJpegSetting", 0.8, {}, 0.8, ImageFormat::heic, 0.85},
                      QualityCase{"oldDefaultNoLongerJpeg", 0.8, {}, 0.9, ImageFormat::heic, 0.9},
                      QualityCase{"heicSetting", 0.8, 0.6, 0.8, ImageFormat::heic, 0.6},
                      QualityCase{"zeroJpegCountsAsAbsent", 0.0, {}, 0.9, ImageFormat::heic, 0.85},
                      QualityCase{"negativeHeicCountsAsAbsent", {}, -1.0, 0.9, ImageFormat::heic, 0.85}),
    [](const ::testing::TestParamInfo<QualityCase>& info) { return std::string(info.param.name); });

TEST_F(RenderImage, heicEncoderReceivesTheQualityInForce)
{
    // Noise, so the encoder's quality shows in the size.
    const vips::VImage noise = vips::VImage::gaussnoise(96, 72, vips::VImage::option()->set("sigma", 40)->set("mean", 128));
    const Bitmap image = normalizedBitmap(noise.bandjoin(noise.rot(VIPS_ANGLE_D180)).bandjoin(noise.flip(VIPS_DIRECTION_HORIZONTAL))
                                              .cast(VIPS_FORMAT_UCHAR)
                                              .copy(vips::VImage::option()->set("interpretation", VIPS_INTERPRETATION_sRGB)));
    const QString source = ti::writePng(in(), QStringLiteral("N.png"), image);
    Settings::shared().setValue(QStringLiteral("kelvaro.heicQuality"), 0.2);
    const qint64 low = QFileInfo(render(KelvaroOp::convert(ImageFormat::heic), source).url).size();
    Settings::shared().setValue(QStringLiteral("kelvaro.heicQuality"), 0.95);
    const qint64 high = QFileInfo(render(KelvaroOp::convert(ImageFormat::heic), source).url).size();
    EXPECT_LT(low * 2, high);
}

TEST_F(RenderImage, jpegDefaultQualityFollowsTheSetting)
{
    EXPECT_DOUBLE_EQ(ImageEngine::jpegDefaultQuality(), 0.9);
    Settings::shared().setValue(QStringLiteral("kelvaro.jpegQuality"), 0.75);
    EXPECT_DOUBLE_EQ(ImageEngine::jpegDefaultQuality(), 0.75);
    Settings::shared().setValue(QStringLiteral("kelvaro.jpegQuality"), QStringLiteral("0.5"));
    EXPECT_DOUBLE_EQ(ImageEngine::jpegDefaultQuality(), 0.9);
}

} // namespace
