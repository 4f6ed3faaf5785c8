#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QTemporaryDir>

#include <exiv2/exiv2.hpp>
#include <gtest/gtest.h>

#include "EngineFixture.h"
#include "engine/ImageEngine.h"
#include "engine/ImageStream.h"
#include "model/WorkflowLibrary.h"
#include "platform/Settings.h"
#include "../support/TestImages.h"
#include "../support/TestSupport.h"

using namespace kelvaro;
using kelvaro::test::failsWith;
namespace ti = kelvaro::testimages;

namespace {

class RenderImage : public test::InAndOut<> {
protected:
    ImageEngine::One render(const KelvaroOp& op, const QString& file, const QString& outDir = {})
    {
        const QFileInfo info(file);
        return ImageEngine::renderImage(op, file, info.completeBaseName(), info.fileName(), info.size(),
                                        outDir.isEmpty() ? out() : outDir, EngineSettings::read(Settings::shared()));
    }
    QString nameOf(const KelvaroOp& op, const QString& file, const QString& outDir = {})
    {
        return QFileInfo(render(op, file, outDir).url).fileName();
    }
    QStringList outFiles() const { return QDir(out()).entryList(QDir::Files); }

    // A 600 × 400 photo stored turned, with orientation 6, GPS, a camera make and IPTC.
    QString cameraPhoto(const QString& name = QStringLiteral("X.jpg"))
    {
        const Bitmap stored = ti::quadrants(400, 600).rot(VIPS_ANGLE_D270).copy_memory();
        return ti::writeJpeg(in(), name, stored,
                             {.orientation = 6, .gps = true, .make = QStringLiteral("Maker One"),
                              .iptcCity = QStringLiteral("Brno"), .pixelDimensions = true});
    }

};

std::optional<QString> meta(const QString& file, const char* key)
{
    return ti::metadataValue(file, QString::fromLatin1(key));
}

// The camera photo comes out upright with its make and location, in every format; an
// orientation or size, if a reader finds one, describes the upright pixels.
TEST_F(RenderImage, compressAndConversionsTurnUprightKeepLocationAndDropOrientation)
{
    const QString source = cameraPhoto();
    const std::pair<KelvaroOp, const char*> rows[] = {{KelvaroOp::compress(0.7), "X komprese.jpg"},
                                                      {KelvaroOp::convert(ImageFormat::png), "X.png"}, // no suffix for a conversion
                                                      {KelvaroOp::convert(ImageFormat::tiff), "X.tiff"},
                                                      {KelvaroOp::convert(ImageFormat::heic), "X.heic"}};
    for (const auto& [op, name] : rows) {
        SCOPED_TRACE(name);
        const QString file = render(op, source).url;
        EXPECT_EQ(QFileInfo(file).fileName(), QString::fromUtf8(name));
        EXPECT_EQ(ti::pixelSize(file), QSize(400, 600));
        EXPECT_EQ(ti::cornerColours(ti::read(file)), (std::array<int, 4>{0, 1, 2, 3}));
        EXPECT_EQ(meta(file, "Exif.Image.Make"), QStringLiteral("Maker One"));
        EXPECT_EQ(meta(file, "Exif.GPSInfo.GPSLatitude"), QStringLiteral("50/1 5/1 0/1"));
        const std::optional<QString> orientation = meta(file, "Exif.Image.Orientation");
        EXPECT_TRUE(!orientation || *orientation == QStringLiteral("1"));
        const std::optional<QString> width = meta(file, "Exif.Photo.PixelXDimension");
        EXPECT_TRUE(!width || *width == QStringLiteral("400"));
    }
    const QString compressed = QDir(out()).filePath(QStringLiteral("X komprese.jpg"));
    EXPECT_EQ(ti::jpegQuality(compressed), 70);
    EXPECT_FALSE(meta(compressed, "Exif.Image.Orientation"));
    EXPECT_FALSE(meta(compressed, "Exif.Photo.PixelYDimension"));
    EXPECT_EQ(meta(compressed, "Exif.Photo.DateTimeOriginal"), QStringLiteral("2026:07:14 10:20:30"));
    EXPECT_EQ(meta(compressed, "Iptc.Application2.City"), QStringLiteral("Brno"));
    // An opaque photo is written without an alpha channel.
    EXPECT_EQ(vips::VImage::new_from_file(QFile::encodeName(QDir(out()).filePath(QStringLiteral("X.png"))).constData()).bands(), 3);

    const ImageEngine::One stripped = render(KelvaroOp::stripMetadata(), source);
    EXPECT_EQ(QFileInfo(stripped.url).fileName(), QStringLiteral("X bez metadat.jpg"));
    EXPECT_FALSE(ti::hasAnyExif(stripped.url));
    EXPECT_FALSE(ti::hasAnyIptc(stripped.url));
    EXPECT_EQ(ti::jpegQuality(stripped.url), 95);
    EXPECT_EQ(ti::pixelSize(stripped.url), QSize(400, 600)); // still upright without an orientation
}

TEST_F(RenderImage, convertPngWithAlphaToJpegFlattensOnWhiteAtTheQualitySetting)
{
    const QString source = ti::writePng(in(), QStringLiteral("A.png"), ti::halfTransparent(80, 60));
    const ImageEngine::One one = render(KelvaroOp::convert(ImageFormat::jpg), source);
    EXPECT_EQ(ti::jpegQuality(one.url), 90);
    const Bitmap written = ti::read(one.url);
    EXPECT_TRUE(ti::near(ti::colourAt(written, 0.8, 0.5), QColor(255, 255, 255), 6));
    EXPECT_TRUE(ti::near(ti::colourAt(written, 0.2, 0.2), ti::topLeftColour));
    Settings::shared().setValue(QStringLiteral("kelvaro.jpegQuality"), 0.8);
    EXPECT_EQ(ti::jpegQuality(render(KelvaroOp::convert(ImageFormat::jpg), source).url), 80);
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
    EXPECT_FALSE(meta(one.url, "Exif.Thumbnail.JPEGInterchangeFormat"));
    EXPECT_FALSE(meta(one.url, "Exif.Thumbnail.Compression"));
    EXPECT_FALSE(meta(one.url, "Exif.Image.ImageWidth"));
    EXPECT_EQ(meta(one.url, "Exif.Photo.ColorSpace"), QStringLiteral("1"));
}

// HEIC has no place for IPTC: a HEIC result holds the source's IPTC fields as the XMP properties
// that carry the same (what photo tools show as caption, keywords, copyright and place), beside
// its EXIF. A result without metadata holds none of it, also from a HEIC that had it.
TEST_F(RenderImage, heicResultCarriesTheSourcesIptcAsXmpUnlessMetadataIsDropped)
{
    const QString jpeg = ti::writeJpeg(in(), QStringLiteral("P.jpg"), ti::quadrants(64, 48),
                                       {.make = QStringLiteral("Maker One"), .iptcCity = QStringLiteral("Praha"),
                                        .iptcCaption = QStringLiteral("Praha"),
                                        .iptcKeywords = {QStringLiteral("most"), QStringLiteral("Vltava"), QStringLiteral("řeka")},
                                        .iptcCopyright = QStringLiteral("© 2026 Fotoklub Žižkov")});
    const QString heic = render(KelvaroOp::convert(ImageFormat::heic), jpeg, in()).url;
    ASSERT_TRUE(ti::hasAnyXmp(heic));

    const struct {
        const char* name;
        KelvaroOp op;
        QString source;
        bool keeps;
    } rows[] = {
        {"conversion", KelvaroOp::convert(ImageFormat::heic), jpeg, true},
        {"preset", KelvaroOp::preset({.name = QStringLiteral("Web"), .format = QStringLiteral("heic")}), jpeg, true},
        {"presetWithoutMetadata",
         KelvaroOp::preset({.name = QStringLiteral("Čistý"), .format = QStringLiteral("heic"), .stripMetadata = true}), jpeg, false},
        {"heicWithoutMetadata", KelvaroOp::stripMetadata(), heic, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const QString file = render(row.op, row.source).url;
        ASSERT_TRUE(file.endsWith(QLatin1String(".heic")));
        EXPECT_FALSE(ti::hasAnyIptc(file));
        if (row.keeps) {
            EXPECT_EQ(ti::xmpItems(file, QStringLiteral("Xmp.dc.description")), QStringList{QStringLiteral("Praha")});
            EXPECT_EQ(ti::xmpItems(file, QStringLiteral("Xmp.dc.subject")),
                      (QStringList{QStringLiteral("most"), QStringLiteral("Vltava"), QStringLiteral("řeka")}));
            EXPECT_EQ(ti::xmpItems(file, QStringLiteral("Xmp.dc.rights")), QStringList{QStringLiteral("© 2026 Fotoklub Žižkov")});
            EXPECT_EQ(ti::xmpItems(file, QStringLiteral("Xmp.photoshop.City")), QStringList{QStringLiteral("Praha")});
            EXPECT_EQ(meta(file, "Exif.Image.Make"), QStringLiteral("Maker One"));
        } else {
            EXPECT_FALSE(ti::hasAnyXmp(file));
            EXPECT_FALSE(meta(file, "Exif.Image.Make"));
        }
    }
}

// A source whose name is as long as the folder takes still gets its suffix, counter and
// extension: its base gives way, between characters as people see them.
TEST_F(RenderImage, aLongestNameKeepsItsSuffixCounterAndExtension)
{
    const QString bases[] = {QString(251, QLatin1Char('a')), QString(125, QChar(0x010D)) /* č */,
                             QStringLiteral("e\u0301").repeated(83) /* é as e and an accent */,
                             QStringLiteral("\U0001F4F7").repeated(62) /* four bytes each */};
    for (const QString& base : bases) {
        const QString source = ti::writeJpeg(in(), base + QStringLiteral(".jpg"), ti::quadrants(40, 30));
        QTemporaryDir results;
        for (const KelvaroOp& op : {KelvaroOp::compress(0.7), KelvaroOp::compress(0.7), KelvaroOp::convert(ImageFormat::png)}) {
            const OpResult result = ImageEngine::process(op, {source}, results.path());
            ASSERT_EQ(result.outputs.size(), 1) << result.firstError.value_or(QString()).toStdString();
            EXPECT_EQ(ti::pixelSize(result.outputs[0]), QSize(40, 30));
        }
        const QStringList names = QDir(results.path()).entryList(QDir::Files, QDir::Name);
        ASSERT_EQ(names.size(), 3);
        EXPECT_EQ(names.filter(QRegularExpression(QStringLiteral(" komprese\\.jpg$"))).size(), 1);
        EXPECT_EQ(names.filter(QRegularExpression(QStringLiteral(" komprese 2\\.jpg$"))).size(), 1);
        for (const QString& name : names) {
            EXPECT_LE(QFile::encodeName(name).size(), 255);
            const QString kept = name.left(name.indexOf(name.endsWith(QLatin1String(".png")) ? QStringLiteral(".png") : QStringLiteral(" komprese")));
            EXPECT_TRUE(base.startsWith(kept) && kept.size() > base.size() / 2) << name.toStdString();
            EXPECT_FALSE(kept.size() < base.size() && base.at(kept.size()).isLowSurrogate()); // no half character
            EXPECT_FALSE(kept.size() < base.size() && base.at(kept.size()) == QChar(0x0301)); // no accent alone
        }
    }
}

// A preset named longer than the folder takes still writes its photo, under a name that fits, starts
// with the photo's own name and keeps the counter, streamed or through the bitmap.
TEST_F(RenderImage, aPresetNamedLongerThanTheFolderTakesStillWritesAFittingName)
{
    const QString source = ti::writeJpeg(in(), QStringLiteral("Léto.jpg"), ti::quadrants(40, 30));
    const KelvaroOp op = KelvaroOp::preset({.name = QString(140, QChar(0x017E)) /* ž, 280 bytes */, .format = QStringLiteral("jpg")});
    for (const bool streaming : {true, false}) {
        SCOPED_TRACE(streaming ? "streamed" : "bitmap");
        ImageEngine::setStreaming(streaming);
        const auto streamAgain = qScopeGuard([] { ImageEngine::setStreaming(true); });
        QTemporaryDir results;
        QStringList names;
        for (int run = 0; run < 2; ++run) {
            const OpResult result = ImageEngine::process(op, {source}, results.path());
            ASSERT_EQ(result.outputs.size(), 1) << result.firstError.value_or(QString()).toStdString();
            names << QFileInfo(result.outputs[0]).fileName();
        }
        EXPECT_TRUE(names[0].startsWith(QStringLiteral("Léto ž")) && names[0].endsWith(QStringLiteral("ž.jpg"))) << names[0].toStdString();
        EXPECT_TRUE(names[1].startsWith(QStringLiteral("Léto ž")) && names[1].endsWith(QStringLiteral("ž 2.jpg"))) << names[1].toStdString();
        for (const QString& name : names)
            EXPECT_LE(QFile::encodeName(name).size(), 255);
    }
}

// A turn with black and white on a HEIC, streamed or through the bitmap, writes a grey HEIC
// turned a quarter; so does a grey source.
TEST_F(RenderImage, blackAndWhiteHeicComesOutTurnedAndGreyOnEveryPath)
{
    const QString colour = ti::writeHeic(in(), QStringLiteral("C.heic"), ti::quadrants(64, 48));
    const vips::VImage grey = ti::quadrants(64, 48).extract_band(0).copy(vips::VImage::option()->set("interpretation", VIPS_INTERPRETATION_B_W));
    const QString greySource = QDir(in()).filePath(QStringLiteral("G.heic"));
    grey.heifsave(QFile::encodeName(greySource).constData());
    const KelvaroOp op = KelvaroOp::adjust(AdjustSpec{1, false, false, 0, 1, true});
    for (const bool streaming : {true, false}) {
        ImageEngine::setStreaming(streaming);
        const auto streamAgain = qScopeGuard([] { ImageEngine::setStreaming(true); });
        for (const QString& source : {colour, greySource}) {
            SCOPED_TRACE(QStringLiteral("%1 streaming %2").arg(QFileInfo(source).fileName()).arg(streaming).toStdString());
            const OpResult result = ImageEngine::process(op, {source}, out());
            ASSERT_EQ(result.outputs.size(), 1) << result.firstError.value_or(QString()).toStdString();
            ASSERT_TRUE(result.outputs[0].endsWith(QLatin1String(".heic")));
            const Bitmap written = ti::read(result.outputs[0]);
            EXPECT_EQ(QSize(written.width(), written.height()), QSize(48, 64));
            const QColor corner = ti::colourAt(written, 0.1, 0.1);
            EXPECT_LE(std::abs(corner.red() - corner.green()) + std::abs(corner.green() - corner.blue()), 6);
        }
    }
}

// The bitmap path writes a HEIC without metadata with no XMP and no IPTC either.
TEST_F(RenderImage, heicWithoutMetadataFromTheBitmapPathCarriesNoXmpNorIptc)
{
    const QString jpeg = ti::writeJpeg(in(), QStringLiteral("P.jpg"), ti::quadrants(64, 48),
                                       {.make = QStringLiteral("Maker One"), .iptcCity = QStringLiteral("Praha"),
                                        .iptcKeywords = {QStringLiteral("most")}});
    const QString heic = render(KelvaroOp::convert(ImageFormat::heic), jpeg, in()).url;
    ASSERT_TRUE(ti::hasAnyXmp(heic));
    ImageEngine::setStreaming(false);
    const auto streamAgain = qScopeGuard([] { ImageEngine::setStreaming(true); });
    const KelvaroOp crop = KelvaroOp::preset({.name = QStringLiteral("Čtverec"), .format = QStringLiteral("heic"), .stripMetadata = true,
                                              .targetWidth = 32, .targetHeight = 32});
    for (const auto& [op, source] : {std::pair{KelvaroOp::stripMetadata(), heic}, std::pair{crop, jpeg}}) {
        SCOPED_TRACE(op.title().toStdString());
        const QString file = render(op, source).url;
        ASSERT_TRUE(file.endsWith(QLatin1String(".heic")));
        EXPECT_FALSE(ti::hasAnyXmp(file));
        EXPECT_FALSE(ti::hasAnyIptc(file));
        EXPECT_FALSE(meta(file, "Exif.Image.Make"));
    }
}

TEST_F(RenderImage, heicSourceMetadataIsCarriedAlsoFromTiledLayouts)
{
    // A small HEIC is stored as a grid, whose EXIF exiv2 alone does not find.
    const QString source = ti::writeHeic(in(), QStringLiteral("H.heic"), ti::quadrants(64, 48),
                                         {.gps = true, .make = QStringLiteral("Maker One")});
    const ImageEngine::One one = render(KelvaroOp::compress(0.8), source);
    EXPECT_EQ(QFileInfo(one.url).fileName(), QStringLiteral("H komprese.jpg"));
    EXPECT_EQ(meta(one.url, "Exif.Image.Make"), QStringLiteral("Maker One"));
    EXPECT_EQ(meta(one.url, "Exif.GPSInfo.GPSLatitude"), QStringLiteral("50/1 5/1 0/1"));
}

TEST_F(RenderImage, formatsWithoutAnEncoderOfTheirOwnWriteAPng)
{
    const QString pdf = ti::writePdf(in(), QStringLiteral("doc.pdf"), QSizeF(100, 50));
    const ImageEngine::One page = render(KelvaroOp::convert(ImageFormat::png), pdf);
    EXPECT_EQ(QFileInfo(page.url).fileName(), QStringLiteral("doc.png"));
    EXPECT_EQ(ti::pixelSize(page.url), QSize(200, 100)); // two pixels per point
    EXPECT_EQ(nameOf(KelvaroOp::adjust({}), pdf), QStringLiteral("doc úpravy.png"));

    const WatermarkSpec spec{.text = QStringLiteral("© Moje fotky")};
    for (const QString& source : {ti::writeGif(in(), QStringLiteral("G.gif"), ti::quadrants(120, 90)),
                                  ti::writeBmp(in(), QStringLiteral("B.bmp"), ti::quadrants(120, 90)),
                                  ti::writeWebp(in(), QStringLiteral("W.webp"), ti::quadrants(120, 90))}) {
        const ImageEngine::One one = render(KelvaroOp::watermark(spec), source);
        EXPECT_EQ(QFileInfo(one.url).fileName(), QFileInfo(source).completeBaseName() + QStringLiteral(" vodoznak.png"));
        EXPECT_EQ(ti::pixelSize(one.url), QSize(120, 90));
        EXPECT_EQ(one.savedBytes, 0);
    }
}

TEST_F(RenderImage, namesFollowTheSettingsAndNeverOverwrite)
{
    const QString source = ti::writeJpeg(in(), QStringLiteral("IMG_7.jpg"), ti::quadrants(40, 30));
    EXPECT_EQ(nameOf(KelvaroOp::compress(0.7), source), QStringLiteral("IMG_7 komprese.jpg"));
    EXPECT_EQ(nameOf(KelvaroOp::compress(0.7), source), QStringLiteral("IMG_7 komprese 2.jpg"));
    Settings::shared().setValue(QStringLiteral("kelvaro.language"), QStringLiteral("en"));
    EXPECT_EQ(nameOf(KelvaroOp::compress(0.7), source), QStringLiteral("IMG_7 compressed.jpg"));
    EXPECT_EQ(nameOf(KelvaroOp::crop({CropRatio::story916, 0.5, 0.5}), source), QStringLiteral("IMG_7 crop 9x16.jpg"));
    // A preset's own name has no translation and stays as typed; no name adds nothing.
    EXPECT_EQ(nameOf(KelvaroOp::preset({.name = QStringLiteral("Moje tisky")}), source), QStringLiteral("IMG_7 Moje tisky.jpg"));
    EXPECT_EQ(nameOf(KelvaroOp::preset({.name = QStringLiteral(" ")}), source), QStringLiteral("IMG_7.jpg"));
    Settings::shared().setValue(QStringLiteral("kelvaro.describeNames"), false);
    EXPECT_EQ(nameOf(KelvaroOp::compress(0.7), source), QStringLiteral("IMG_7 2.jpg"));
    // Writing next to the source never replaces it.
    const qint64 before = QFileInfo(source).size();
    EXPECT_EQ(nameOf(KelvaroOp::compress(0.3), source, in()), QStringLiteral("IMG_7 2.jpg"));
    EXPECT_EQ(QFileInfo(source).size(), before);
}

// A crop cuts the ratio at its offsets (1 keeps the bottom edge) and saves nothing; a resize
// names the width and counts the bytes saved, when it saved any.
TEST_F(RenderImage, cropAndResizeNameTheirSizeAndCountSavedBytes)
{
    const QString png = ti::writePng(in(), QStringLiteral("C.png"), ti::quadrants(400, 300));
    const QString jpeg = ti::writeJpeg(in(), QStringLiteral("R.jpg"), ti::quadrants(400, 300), {}, 98);
    const struct {
        KelvaroOp op;
        const QString& source;
        const char* name;
        QSize size;
        bool countsSavedBytes;
    } rows[] = {
        {KelvaroOp::crop({CropRatio::wide169, 0.5, 0.5}), png, "C ořez 16x9.png", {400, 225}, false},
        {KelvaroOp::crop({CropRatio::square, 0, 1}), png, "C ořez 1x1.png", {300, 300}, false},
        {KelvaroOp::resize({false, 100, 200}), jpeg, "R 200px.jpg", {200, 150}, true},
        {KelvaroOp::resize({true, 250, 0}), jpeg, "R 1000px.jpg", {1000, 750}, true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const ImageEngine::One one = render(row.op, row.source);
        EXPECT_EQ(QFileInfo(one.url).fileName(), QString::fromUtf8(row.name));
        EXPECT_EQ(ti::pixelSize(one.url), row.size);
        const qint64 smaller = QFileInfo(row.source).size() - QFileInfo(one.url).size();
        EXPECT_EQ(one.savedBytes, row.countsSavedBytes ? std::max<qint64>(smaller, 0) : 0);
    }
    EXPECT_GT(QFileInfo(jpeg).size(), QFileInfo(QDir(out()).filePath(QStringLiteral("R 200px.jpg"))).size());
    EXPECT_TRUE(ti::near(ti::colourAt(ti::read(QDir(out()).filePath(QStringLiteral("C ořez 1x1.png"))), 0.1, 0.95),
                         ti::bottomLeftColour));
}

TEST_F(RenderImage, aFailingFileLeavesNothingAndNamesItself)
{
    const test::MemoryLimit limit; // the absurd sizes are above the pixel ceiling
    const QString source = ti::writePng(in(), QStringLiteral("B.png"), ti::quadrants(400, 300));
    const PresetSpec huge{.name = QStringLiteral("Obr"), .targetWidth = 30000, .targetHeight = 30000};
    // Absurd sizes fail the file instead of the memory; a crop window off the photo fails too.
    for (const KelvaroOp& op : {KelvaroOp::resize({true, 20000, 0}), KelvaroOp::resize({false, 100, 1000000}),
                                KelvaroOp::preset(huge), KelvaroOp::crop({CropRatio::square, 5, 0.5})})
        EXPECT_TRUE(failsWith(KelvaroError::Kind::writeFailed, QStringLiteral("B.png"), [&] { render(op, source); }))
            << op.title().toStdString();
    // Effect errors pass unchanged.
    const QString wall = ti::writePng(in(), QStringLiteral("Empty wall.png"), ti::plain(64, 64, QColor(128, 128, 128)));
    EXPECT_TRUE(failsWith(KelvaroError::Kind::noFaces, QStringLiteral("Empty wall.png"), [&] { render(KelvaroOp::blurFaces(), wall); }));
    const QString bad = ti::writeGarbage(in(), QStringLiteral("bad.jpg"));
    EXPECT_TRUE(failsWith(KelvaroError::Kind::unreadable, QStringLiteral("bad.jpg"), [&] { render(KelvaroOp::compress(0.7), bad); }));
    EXPECT_TRUE(outFiles().isEmpty());
    // An unwritable folder names the output.
    EXPECT_TRUE(failsWith(KelvaroError::Kind::writeFailed, QStringLiteral("B komprese.jpg"),
                          [&] { render(KelvaroOp::compress(0.5), source, m_out.filePath(QStringLiteral("missing"))); }));
}

TEST_F(RenderImage, presetCoversTheExactSizeAtItsOffsets)
{
    const QString landscape = ti::writePng(in(), QStringLiteral("P.png"), ti::quadrants(400, 300));
    const QString portrait = ti::writePng(in(), QStringLiteral("T.png"), ti::quadrants(300, 400));
    // Where the colour boundary lands. Landscape on 1080 × 1350, scale 4.5: 240 of the 400
    // columns show; centred, column 200 falls in the middle; from column 0 it lands at 900 of
    // 1080. Portrait on a square, scale 3.6: offset 1 keeps the bottom edge (rows 100–400 show,
    // row 200 lands at 360 of 1080); offset 0 puts row 200 at 720.
    const struct {
        const char* name;
        const QString& source;
        QSize size;
        double offsetX, offsetY;
        QPointF before, after; // fractions on either side of the boundary
        QColor afterColour;
    } rows[] = {
        {"centred", landscape, {1080, 1350}, 0.5, 0.5, {0.45, 0.25}, {0.55, 0.25}, ti::topRightColour},
        {"left", landscape, {1080, 1350}, 0, 0, {0.80, 0.25}, {0.86, 0.25}, ti::topRightColour},
        {"bottom", portrait, {1080, 1080}, 0.5, 1, {0.25, 0.30}, {0.25, 0.37}, ti::bottomLeftColour},
        {"top", portrait, {1080, 1080}, 0.5, 0, {0.25, 0.64}, {0.25, 0.70}, ti::bottomLeftColour},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const PresetSpec preset{.name = QStringLiteral("Na Instagram"), .targetWidth = row.size.width(),
                                .targetHeight = row.size.height(), .cropOffsetX = row.offsetX, .cropOffsetY = row.offsetY};
        const ImageEngine::One one = render(KelvaroOp::preset(preset), row.source);
        EXPECT_EQ(ti::pixelSize(one.url), row.size);
        const Bitmap written = ti::read(one.url);
        EXPECT_TRUE(ti::near(ti::colourAt(written, row.before.x(), row.before.y()), ti::topLeftColour));
        EXPECT_TRUE(ti::near(ti::colourAt(written, row.after.x(), row.after.y()), row.afterColour));
    }
    EXPECT_TRUE(outFiles().contains(QStringLiteral("P Na Instagram.png")));
}

TEST_F(RenderImage, presetLongSideNeverEnlargesAndSetsFormatQualityAndMetadata)
{
    const QString source = cameraPhoto(QStringLiteral("P.jpg"));
    PresetSpec preset{.name = QStringLiteral("Malé"), .maxSide = 300, .format = QStringLiteral("jpg"), .quality = 0.6,
                      .stripMetadata = true};
    const ImageEngine::One small = render(KelvaroOp::preset(preset), source);
    EXPECT_EQ(QFileInfo(small.url).fileName(), QStringLiteral("P Malé.jpg"));
    EXPECT_EQ(ti::pixelSize(small.url), QSize(200, 300));
    EXPECT_EQ(ti::jpegQuality(small.url), 60);
    EXPECT_FALSE(ti::hasAnyExif(small.url));
    preset.maxSide = 5000;
    preset.format = QStringLiteral("pdf"); // names no image format: the source's is kept
    preset.stripMetadata = false;
    const ImageEngine::One same = render(KelvaroOp::preset(preset), source);
    EXPECT_EQ(QFileInfo(same.url).fileName(), QStringLiteral("P Malé 2.jpg"));
    EXPECT_EQ(ti::pixelSize(same.url), QSize(400, 600));
    EXPECT_EQ(meta(same.url, "Exif.Image.Make"), QStringLiteral("Maker One"));
}

TEST_F(RenderImage, adjustTurnsAndMirrorsAsSeenAndChangesColours)
{
    const QString source = ti::writePng(in(), QStringLiteral("A.png"), ti::quadrants(60, 40));
    const struct {
        const char* name;
        AdjustSpec spec;
        QSize size;
        std::array<int, 4> corners;
    } rows[] = {
        {"unchanged", {}, {60, 40}, {0, 1, 2, 3}},
        {"quarterClockwise", {.turns = 1}, {40, 60}, {2, 0, 3, 1}},
        {"half", {.turns = 2}, {60, 40}, {3, 2, 1, 0}},
        {"minusOne", {.turns = -1}, {40, 60}, {1, 3, 0, 2}},
        {"five", {.turns = 5}, {40, 60}, {2, 0, 3, 1}},
        {"flipH", {.flipH = true}, {60, 40}, {1, 0, 3, 2}},
        {"flipV", {.flipV = true}, {60, 40}, {2, 3, 0, 1}},
        {"flipHThenTurn", {.turns = 1, .flipH = true}, {40, 60}, {3, 1, 2, 0}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const Bitmap written = ti::read(render(KelvaroOp::adjust(row.spec), source).url);
        EXPECT_EQ(QSize(written.width(), written.height()), row.size);
        EXPECT_EQ(ti::cornerColours(written), row.corners);
    }
    EXPECT_TRUE(outFiles().contains(QStringLiteral("A úpravy.png")));
    const QColor grey = ti::colourAt(ti::read(render(KelvaroOp::adjust({.mono = true}), source).url), 0.1, 0.1);
    EXPECT_LE(std::abs(grey.red() - grey.green()), 1);
    EXPECT_LE(std::abs(grey.green() - grey.blue()), 1);
    const Bitmap brighter = ti::read(render(KelvaroOp::adjust({.brightness = 0.1}), source).url);
    EXPECT_NEAR(ti::colourAt(brighter, 0.1, 0.1).green(), ti::topLeftColour.green() + 25.5, 2);
}

TEST_F(RenderImage, workflowRunsStepsInOrderWithItsOutputSettings)
{
    const QString source = cameraPhoto(QStringLiteral("F.jpg")); // 400 × 600 upright
    Workflow workflow{.name = QStringLiteral("Můj postup"),
                      .steps = {{.kind = WorkflowStep::Kind::crop, .ratio = QStringLiteral("wide169")},
                                {.kind = WorkflowStep::Kind::resize, .longEdge = 200}},
                      .quality = 0.6};
    const ImageEngine::One kept = render(KelvaroOp::workflow(workflow), source);
    EXPECT_EQ(QFileInfo(kept.url).fileName(), QStringLiteral("F Můj postup.jpg"));
    EXPECT_EQ(ti::pixelSize(kept.url), QSize(200, 113)); // 400 × 225, then the long side to 200
    EXPECT_EQ(ti::jpegQuality(kept.url), 60);
    EXPECT_EQ(meta(kept.url, "Exif.GPSInfo.GPSLatitudeRef"), QStringLiteral("N"));
    workflow.format = QStringLiteral("png");
    workflow.stripMetadata = true;
    const ImageEngine::One png = render(KelvaroOp::workflow(workflow), source);
    EXPECT_EQ(QFileInfo(png.url).fileName(), QStringLiteral("F Můj postup.png"));
    EXPECT_FALSE(ti::hasAnyExif(png.url));
}

// A built-in workflow stored in one language (a watch rule's) and run in another writes the run's
// watermark text: exactly what the built-in of the run's language draws.
TEST_F(RenderImage, aBuiltInWorkflowWatermarksInTheLanguageOfTheRun)
{
    LoadedImage source;
    source.image = ti::plain(600, 400, QColor(40, 90, 160));
    const auto drawn = [&](AppLanguage stored, AppLanguage run) {
        const EngineSettings settings{.language = run};
        const KelvaroOp op = KelvaroOp::workflow(WorkflowLibrary::defaults(stored).first());
        return ImageEngine::render(op, source, QString(), QStringLiteral("a.jpg"), settings).image;
    };
    const auto difference = [](const Bitmap& a, const Bitmap& b) { return (a - b).abs().max(); };
    const Bitmap english = drawn(AppLanguage::english, AppLanguage::english);
    const Bitmap czech = drawn(AppLanguage::czech, AppLanguage::czech);
    ASSERT_GT(difference(english, czech), 0); // the two texts do differ on the photo
    EXPECT_EQ(difference(drawn(AppLanguage::czech, AppLanguage::english), english), 0);
    EXPECT_EQ(difference(drawn(AppLanguage::english, AppLanguage::czech), czech), 0);
}

TEST(EffectiveQuality, heicTakesItsOwnDefaultWhenAtTheJpegDefault)
{
    const struct {
        const char* name;
        std::optional<double> jpegSetting, heicSetting;
        double quality;
        ImageFormat format;
        double expected;
    } rows[] = {
        {"defaults", {}, {}, 0.9, ImageFormat::heic, 0.85},
        {"jpegUntouched", {}, {}, 0.9, ImageFormat::jpg, 0.9},
        {"ownValueKept", {}, {}, 0.8, ImageFormat::heic, 0.8},
        {"presetAtJpegSetting", 0.8, {}, 0.8, ImageFormat::heic, 0.85},
        {"oldDefaultNoLongerJpeg", 0.8, {}, 0.9, ImageFormat::heic, 0.9},
        {"heicSetting", 0.8, 0.6, 0.8, ImageFormat::heic, 0.6},
        {"zeroJpegCountsAsAbsent", 0.0, {}, 0.9, ImageFormat::heic, 0.85},
        {"negativeHeicCountsAsAbsent", {}, -1.0, 0.9, ImageFormat::heic, 0.85},
    };
    Settings& settings = Settings::shared();
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        settings.remove(QStringLiteral("kelvaro.jpegQuality"));
        settings.remove(QStringLiteral("kelvaro.heicQuality"));
        if (row.jpegSetting)
            settings.setValue(QStringLiteral("kelvaro.jpegQuality"), *row.jpegSetting);
        if (row.heicSetting)
            settings.setValue(QStringLiteral("kelvaro.heicQuality"), *row.heicSetting);
        EXPECT_DOUBLE_EQ(ImageEngine::effectiveQuality(row.quality, row.format, EngineSettings::read(settings)), row.expected);
    }
}

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

} // namespace
