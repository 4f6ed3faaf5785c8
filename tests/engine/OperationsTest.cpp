#include <gtest/gtest.h>

#include "engine/Operations.h"
#include "platform/Settings.h"

using namespace kelvaro;

namespace {
void useLanguage(const char* code)
{
    Settings::shared().setValue(QStringLiteral("kelvaro.language"), QString::fromLatin1(code));
}
} // namespace

struct CropCase {
    int width, height;
    CropRatio ratio;
    double offsetX, offsetY;
    PixelRect expected;
};

class CropRect : public ::testing::TestWithParam<CropCase> {};

TEST_P(CropRect, largestRectangleOfTheRatioPlacedByTheOffsets)
{
    const CropCase& c = GetParam();
    const PixelRect r = CropSpec{c.ratio, c.offsetX, c.offsetY}.rect(c.width, c.height);
    EXPECT_EQ(r, c.expected) << r.x << "," << r.y << " " << r.width << "x" << r.height;
}

INSTANTIATE_TEST_SUITE_P(Ratios, CropRect, ::testing::Values(
    CropCase{4000, 3000, CropRatio::portrait45, 0.5, 0.5, {800, 0, 2400, 3000}},
    CropCase{4000, 3000, CropRatio::wide169, 0.5, 0.5, {0, 375, 4000, 2250}},
    CropCase{3000, 4000, CropRatio::square, 0.5, 0, {0, 0, 3000, 3000}},
    CropCase{3000, 4000, CropRatio::square, 0.5, 1, {0, 1000, 3000, 3000}},
    CropCase{4032, 3024, CropRatio::story916, 0, 0, {0, 0, 1701, 3024}},
    CropCase{4032, 3024, CropRatio::story916, 1, 1, {2331, 0, 1701, 3024}},
    // Sides never fall below one pixel.
    CropCase{1, 1000, CropRatio::wide169, 0.5, 0.5, {0, 500, 1, 1}},
    CropCase{1000, 1, CropRatio::story916, 0.5, 0.5, {500, 0, 1, 1}},
    // An image that already has the ratio is kept whole, whatever the offsets.
    CropCase{1600, 900, CropRatio::wide169, 0, 1, {0, 0, 1600, 900}},
    CropCase{1200, 800, CropRatio::landscape32, 1, 0, {0, 0, 1200, 800}}));

TEST(CropRect, offsetsOutsideTheRangeAreNotClampedByTheRecord)
{
    const PixelRect r = CropSpec{CropRatio::square, 2, 0.5}.rect(300, 100);
    EXPECT_EQ(r.x, 400);
    EXPECT_EQ(r.width, 100);
}

struct FormatCase {
    const char* path;
    ImageFormat expected;
};

class MatchingFormat : public ::testing::TestWithParam<FormatCase> {};

TEST_P(MatchingFormat, byLowerCasedExtension)
{
    EXPECT_EQ(matchingFormat(QString::fromUtf8(GetParam().path)), GetParam().expected) << GetParam().path;
}

INSTANTIATE_TEST_SUITE_P(Extensions, MatchingFormat, ::testing::Values(
    FormatCase{"/photos/x.JPEG", ImageFormat::jpg}, FormatCase{"x.jpg", ImageFormat::jpg},
    FormatCase{"a.TIF", ImageFormat::tiff}, FormatCase{"a.tiff", ImageFormat::tiff},
    FormatCase{"b.heif", ImageFormat::heic}, FormatCase{"b.HEIC", ImageFormat::heic},
    FormatCase{"a.webp", ImageFormat::png}, FormatCase{"a.pdf", ImageFormat::png},
    FormatCase{"a", ImageFormat::png}, FormatCase{"/folder.jpg/file", ImageFormat::png},
    FormatCase{"archive.tar.jpeg", ImageFormat::jpg}));

TEST(RawValues, matchExactlyAndRoundTrip)
{
    EXPECT_FALSE(imageFormatFromRaw(QStringLiteral("JPG")));
    EXPECT_EQ(imageFormatFromRaw(QStringLiteral("jpg")), ImageFormat::jpg);
    for (ImageFormat f : allImageFormats())
        EXPECT_EQ(imageFormatFromRaw(rawValue(f)), f);
    for (CropRatio r : allCropRatios())
        EXPECT_EQ(cropRatioFromRaw(rawValue(r)), r);
    for (WatermarkPosition p : allWatermarkPositions())
        EXPECT_EQ(watermarkPositionFromRaw(rawValue(p)), p);
    EXPECT_FALSE(cropRatioFromRaw(QStringLiteral("Square")));
    EXPECT_FALSE(watermarkPositionFromRaw(QStringLiteral("")));
    EXPECT_EQ(toolSheetFromRaw(QStringLiteral("platformCrop")), ToolSheet::platformCrop);
    EXPECT_FALSE(toolSheetFromRaw(QStringLiteral("platformcrop")));
    EXPECT_EQ(allImageFormats().size(), 6);
    EXPECT_TRUE(isLossy(ImageFormat::jpg));
    EXPECT_TRUE(isLossy(ImageFormat::heic));
    EXPECT_FALSE(isLossy(ImageFormat::png));
    EXPECT_FALSE(isLossy(ImageFormat::tiff));
}

TEST(CropRatio, labelsAndValues)
{
    EXPECT_EQ(label(CropRatio::story916), QStringLiteral("9:16"));
    EXPECT_EQ(label(CropRatio::landscape43), QStringLiteral("4:3"));
    EXPECT_DOUBLE_EQ(ratioValue(CropRatio::wide169), 16.0 / 9.0);
    EXPECT_DOUBLE_EQ(ratioValue(CropRatio::portrait45), 0.8);
}

TEST(OperationTitles, czech)
{
    useLanguage("cs");
    EXPECT_EQ(KelvaroOp::convert(ImageFormat::tiff).title(), QStringLiteral("Převod na TIFF"));
    EXPECT_EQ(KelvaroOp::convert(ImageFormat::heic).title(), QStringLiteral("Převod na HEIC"));
    EXPECT_EQ(KelvaroOp::convert(ImageFormat::zip).title(), QStringLiteral("Zabalit do ZIP"));
    EXPECT_EQ(KelvaroOp::convert(ImageFormat::pdf).title(), QStringLiteral("Spojit do PDF"));
    EXPECT_EQ(KelvaroOp::crop({CropRatio::story916}).title(), QStringLiteral("Ořez 9:16"));
    EXPECT_EQ(KelvaroOp::move().title(), QStringLiteral("Přesun"));
    EXPECT_EQ(KelvaroOp::compress(0.7).title(), QStringLiteral("Komprese"));
}

TEST(OperationTitles, englishFollowsTheLanguageSettingAtEachCall)
{
    const KelvaroOp op = KelvaroOp::convert(ImageFormat::tiff);
    useLanguage("en");
    EXPECT_EQ(op.title(), QStringLiteral("Convert to TIFF"));
    EXPECT_EQ(KelvaroOp::crop({CropRatio::story916}).title(), QStringLiteral("Crop 9:16"));
    EXPECT_EQ(KelvaroOp::blurFaces().title(), QStringLiteral("Blur faces"));
    useLanguage("cs");
    EXPECT_EQ(op.title(), QStringLiteral("Převod na TIFF"));
}

TEST(OperationTitles, presetAndWorkflowNames)
{
    useLanguage("en");
    PresetSpec own;
    own.name = QStringLiteral("Moje zmenšení");
    EXPECT_EQ(KelvaroOp::preset(own).title(), QStringLiteral("Preset Moje zmenšení"));
    PresetSpec builtIn = PresetSpec::defaults().at(2);
    EXPECT_EQ(KelvaroOp::preset(builtIn).title(), QStringLiteral("Preset Social media"));
    useLanguage("cs");
    EXPECT_EQ(KelvaroOp::preset(builtIn).title(), QStringLiteral("Předvolba Sociální sítě"));
    Workflow w;
    w.name = QStringLiteral("100%% jistota %@");
    w.symbol = QStringLiteral("star");
    // A name that looks like a format is filled in as text, never interpreted.
    EXPECT_EQ(KelvaroOp::workflow(w).title(), QStringLiteral("Postup 100%% jistota %@"));
    EXPECT_EQ(KelvaroOp::workflow(w).symbol(), QStringLiteral("star"));
}

TEST(OperationSymbols, perCase)
{
    EXPECT_EQ(KelvaroOp::convert(ImageFormat::zip).symbol(), QStringLiteral("doc.zipper"));
    EXPECT_EQ(KelvaroOp::convert(ImageFormat::pdf).symbol(), QStringLiteral("doc.richtext"));
    EXPECT_EQ(KelvaroOp::convert(ImageFormat::jpg).symbol(), QStringLiteral("photo"));
    EXPECT_EQ(KelvaroOp::preset({}).symbol(), QStringLiteral("bolt.fill"));
    EXPECT_EQ(KelvaroOp::stripMetadata().symbol(), QStringLiteral("eye.slash"));
    EXPECT_EQ(KelvaroOp::ocr().symbol(), QStringLiteral("text.viewfinder"));
}

TEST(WatermarkPositionTitles, localized)
{
    useLanguage("cs");
    EXPECT_EQ(title(WatermarkPosition::bottomRight), QStringLiteral("Vpravo dole"));
    useLanguage("en");
    EXPECT_EQ(title(WatermarkPosition::topLeft), QStringLiteral("Top left"));
}

TEST(KelvaroErrorMessages, nameTheFileOnly)
{
    useLanguage("cs");
    const KelvaroError e = KelvaroError::unreadable(QStringLiteral("/home/eva/Fotky/IMG_1.heic"));
    EXPECT_EQ(e.fileName(), QStringLiteral("IMG_1.heic"));
    EXPECT_EQ(e.message(), QStringLiteral("Soubor „IMG_1.heic“ se nepodařilo otevřít."));
    EXPECT_EQ(KelvaroError::writeFailed(QStringLiteral("a.jpg")).message(),
              QStringLiteral("Výsledek „a.jpg“ se nepodařilo uložit. Zkontroluj složku v Nastavení."));
    EXPECT_EQ(KelvaroError::noFaces(QStringLiteral("b.png")).message(),
              QStringLiteral("Na snímku „b.png“ jsem nenašel žádný obličej."));
    EXPECT_EQ(KelvaroError::noSubject(QStringLiteral("c.png")).message(),
              QStringLiteral("Na snímku „c.png“ jsem nenašel hlavní objekt."));
    EXPECT_EQ(KelvaroError::copyFailed(QStringLiteral("/tmp/d.png")).message(),
              QStringLiteral("Soubor „d.png“ se nepodařilo zkopírovat."));
}

// A whole run's failure carries the first file's sentence as it was, in whatever language then.
TEST(KelvaroErrorMessages, aRunsFailureKeepsItsMessage)
{
    useLanguage("cs");
    const KelvaroError e = KelvaroError::runFailed(KelvaroError::unreadable(QStringLiteral("a.jpg")).message());
    useLanguage("en");
    EXPECT_EQ(e.kind(), KelvaroError::Kind::runFailed);
    EXPECT_EQ(e.message(), QStringLiteral("Soubor „a.jpg“ se nepodařilo otevřít."));
    EXPECT_NE(std::string(e.what()).find("a.jpg"), std::string::npos);
}

TEST(KelvaroErrorMessages, tooLargeHasNoPlaceholderAndEnglishExists)
{
    useLanguage("cs");
    const KelvaroError e = KelvaroError::tooLarge();
    EXPECT_TRUE(e.fileName().isEmpty());
    EXPECT_EQ(e.message(), QStringLiteral("Archiv by byl příliš velký (limit je 4 GB)."));
    useLanguage("en");
    EXPECT_FALSE(e.message().contains(QLatin1Char('%')));
    EXPECT_NE(e.message(), QStringLiteral("Archiv by byl příliš velký (limit je 4 GB)."));
    EXPECT_TRUE(KelvaroError::noFaces(QStringLiteral("x.jpg")).message().contains(QStringLiteral("x.jpg")));
}

TEST(KelvaroErrorMessages, isAnExceptionWithAUsefulWhat)
{
    try {
        throw KelvaroError::writeFailed(QStringLiteral("out.png"));
    } catch (const std::exception& e) {
        EXPECT_NE(std::string(e.what()).find("out.png"), std::string::npos);
    }
}

TEST(OpResult, freshIsEmpty)
{
    const OpResult r;
    EXPECT_TRUE(r.outputs.isEmpty());
    EXPECT_TRUE(r.entries.isEmpty());
    EXPECT_EQ(r.failed, 0);
    EXPECT_FALSE(r.firstError);
    EXPECT_FALSE(r.text);
    EXPECT_TRUE(r.moves.isEmpty());
    EXPECT_EQ(r.keptOriginals, 0);
}
