#include <gtest/gtest.h>

#include "../support/TestSupport.h"
#include "model/Operations.h"
#include "platform/Settings.h"

using namespace kelvaro;

namespace {

void useLanguage(const char* code)
{
    Settings::shared().setValue(QStringLiteral("kelvaro.language"), QString::fromLatin1(code));
}

TEST(CropRect, largestRectangleOfTheRatioPlacedByTheOffsets)
{
    const struct {
        int width, height;
        CropRatio ratio;
        double offsetX, offsetY;
        PixelRect expected;
    } rows[] = {
        {4000, 3000, CropRatio::portrait45, 0.5, 0.5, {800, 0, 2400, 3000}},
        {4000, 3000, CropRatio::wide169, 0.5, 0.5, {0, 375, 4000, 2250}},
        {3000, 4000, CropRatio::square, 0.5, 0, {0, 0, 3000, 3000}},
        {3000, 4000, CropRatio::square, 0.5, 1, {0, 1000, 3000, 3000}},
        {4032, 3024, CropRatio::story916, 0, 0, {0, 0, 1701, 3024}},
        {4032, 3024, CropRatio::story916, 1, 1, {2331, 0, 1701, 3024}},
        // Sides never fall below one pixel.
        {1, 1000, CropRatio::wide169, 0.5, 0.5, {0, 500, 1, 1}},
        {1000, 1, CropRatio::story916, 0.5, 0.5, {500, 0, 1, 1}},
        // An image that already has the ratio is kept whole, whatever the offsets.
        {1600, 900, CropRatio::wide169, 0, 1, {0, 0, 1600, 900}},
        {1200, 800, CropRatio::landscape32, 1, 0, {0, 0, 1200, 800}},
        // Offsets outside the range are not clamped by the record (the engine refuses the window).
        {300, 100, CropRatio::square, 2, 0.5, {400, 0, 100, 100}},
    };
    for (const auto& row : rows) {
        const PixelRect r = CropSpec{row.ratio, row.offsetX, row.offsetY}.rect(row.width, row.height);
        EXPECT_EQ(r, row.expected) << row.width << "x" << row.height << " " << rawValue(row.ratio).toStdString() << " → " << r.x
                                   << "," << r.y << " " << r.width << "x" << r.height;
    }
}

TEST(MatchingFormat, byTheLowerCasedExtensionOfTheFileName)
{
    const std::pair<const char*, ImageFormat> rows[] = {
        {"/photos/x.JPEG", ImageFormat::jpg}, {"x.jpg", ImageFormat::jpg},  {"a.TIF", ImageFormat::tiff},
        {"a.tiff", ImageFormat::tiff},        {"b.heif", ImageFormat::heic}, {"b.HEIC", ImageFormat::heic},
        {"a.webp", ImageFormat::png},         {"a.pdf", ImageFormat::png},   {"a", ImageFormat::png},
        {"/folder.jpg/file", ImageFormat::png}, {"archive.tar.jpeg", ImageFormat::jpg}};
    for (const auto& [path, expected] : rows)
        EXPECT_EQ(matchingFormat(QString::fromUtf8(path)), expected) << path;
    // Raw values match exactly.
    EXPECT_FALSE(imageFormatFromRaw(QStringLiteral("JPG")));
    EXPECT_FALSE(cropRatioFromRaw(QStringLiteral("Square")));
    EXPECT_FALSE(toolSheetFromRaw(QStringLiteral("platformcrop")));
}

TEST(OperationTitles, followTheLanguageAtEachCall)
{
    PresetSpec own;
    own.name = QStringLiteral("Moje zmenšení");
    Workflow w;
    w.name = QStringLiteral("100%% jistota %@");
    w.symbol = QStringLiteral("star");
    const struct {
        KelvaroOp op;
        const char *czech, *english, *symbol;
    } rows[] = {
        {KelvaroOp::convert(ImageFormat::tiff), "Převod na TIFF", "Convert to TIFF", "photo"},
        {KelvaroOp::convert(ImageFormat::zip), "Zabalit do ZIP", nullptr, "doc.zipper"},
        {KelvaroOp::convert(ImageFormat::pdf), "Spojit do PDF", nullptr, "doc.richtext"},
        {KelvaroOp::crop({CropRatio::story916}), "Ořez 9:16", "Crop 9:16", nullptr},
        {KelvaroOp::compress(0.7), "Komprese", nullptr, nullptr},
        {KelvaroOp::blurFaces(), nullptr, "Blur faces", nullptr},
        {KelvaroOp::stripMetadata(), nullptr, nullptr, "eye.slash"},
        {KelvaroOp::ocr(), nullptr, nullptr, "text.viewfinder"},
        // A preset's own name stays as typed; a built-in one is translated.
        {KelvaroOp::preset(own), nullptr, "Preset Moje zmenšení", "bolt.fill"},
        {KelvaroOp::preset(PresetSpec::defaults().at(2)), "Předvolba Sociální sítě", "Preset Social media", nullptr},
        // A name that looks like a format is filled in as text, never interpreted.
        {KelvaroOp::workflow(w), "Postup 100%% jistota %@", nullptr, "star"},
    };
    for (const auto& row : rows) {
        useLanguage("cs");
        if (row.czech) {
            EXPECT_EQ(row.op.title(), QString::fromUtf8(row.czech));
        }
        useLanguage("en");
        if (row.english) {
            EXPECT_EQ(row.op.title(), QString::fromUtf8(row.english));
        }
        if (row.symbol) {
            EXPECT_EQ(row.op.symbol(), QString::fromUtf8(row.symbol)) << row.symbol;
        }
    }
}

// Messages name the file only; a whole run's failure carries the first file's sentence as it
// was, in whatever language then.
TEST(KelvaroErrorMessages, nameTheFileOnlyAndARunsFailureKeepsItsMessage)
{
    useLanguage("cs");
    const KelvaroError e = KelvaroError::unreadable(QStringLiteral("/home/eva/Fotky/IMG_1.heic"));
    EXPECT_EQ(e.fileName(), QStringLiteral("IMG_1.heic"));
    EXPECT_EQ(e.message(), QStringLiteral("Soubor „IMG_1.heic“ se nepodařilo otevřít."));
    EXPECT_NE(std::string(e.what()).find("IMG_1.heic"), std::string::npos);
    for (const KelvaroError& other : {KelvaroError::writeFailed(QStringLiteral("/tmp/a.jpg")), KelvaroError::noFaces(QStringLiteral("/tmp/b.png")),
                                      KelvaroError::noSubject(QStringLiteral("/tmp/c.png")), KelvaroError::copyFailed(QStringLiteral("/tmp/d.png"))}) {
        EXPECT_TRUE(other.message().contains(QStringLiteral("„") + other.fileName() + QStringLiteral("“"))) << other.what();
        EXPECT_FALSE(other.message().contains(QStringLiteral("/tmp"))) << other.what();
    }
    const KelvaroError tooLarge = KelvaroError::tooLarge();
    EXPECT_TRUE(tooLarge.fileName().isEmpty());
    EXPECT_EQ(tooLarge.message(), QStringLiteral("Archiv by byl příliš velký (limit je 4 GB)."));
    const KelvaroError run = KelvaroError::runFailed(e.message());
    useLanguage("en");
    EXPECT_FALSE(tooLarge.message().contains(QLatin1Char('%')));
    EXPECT_NE(tooLarge.message(), QStringLiteral("Archiv by byl příliš velký (limit je 4 GB)."));
    EXPECT_EQ(run.kind(), KelvaroError::Kind::runFailed);
    EXPECT_EQ(run.message(), QStringLiteral("Soubor „IMG_1.heic“ se nepodařilo otevřít."));
    EXPECT_NE(std::string(run.what()).find("IMG_1.heic"), std::string::npos);
}

} // namespace
