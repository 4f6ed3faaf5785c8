#include <QJsonDocument>

#include <gtest/gtest.h>

#include "engine/ImageEffects.h"
#include "engine/Localization.h"
#include "engine/WorkflowLibrary.h"
#include "platform/Log.h"
#include "platform/Settings.h"
#include "../support/TestSupport.h"

using namespace kelvaro;
using K = WorkflowStep::Kind;

namespace {

QString key()
{
    return QString::fromLatin1(WorkflowLibrary::key);
}

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

Workflow workflow(int steps, QString format, double quality, bool strip)
{
    Workflow w;
    w.id = QUuid::createUuid();
    w.name = QStringLiteral("Test");
    for (int i = 0; i < steps; ++i)
        w.steps << stepOf(K::resize);
    w.format = format;
    w.quality = quality;
    w.stripMetadata = strip;
    return w;
}

void useCzech()
{
    Settings::shared().setValue(QStringLiteral("kelvaro.language"), QStringLiteral("cs"));
}

bool equalPixels(const Bitmap& a, const Bitmap& b)
{
    return a.width() == b.width() && a.height() == b.height() && (a - b).abs().max() == 0;
}

} // namespace

// ---- Built-ins and the stored list -----------------------------------------------------------

TEST(WorkflowStore, nothingStoredGivesTheBuiltInsAnEmptyArrayNothingAndOneBadRecordFailsTheList)
{
    EXPECT_EQ(WorkflowLibrary::load(), WorkflowLibrary::defaults());
    EXPECT_EQ(WorkflowLibrary::decode(QByteArray()), WorkflowLibrary::defaults());
    Settings::shared().setValue(key(), QByteArray("[]"));
    const auto list = WorkflowLibrary::load();
    ASSERT_TRUE(list);
    EXPECT_TRUE(list->isEmpty());
    for (const char* data : {"not json", "{}", R"([{"name":"A"},{"name":"B","steps":[{"kind":"sharpen"}]}])",
                             R"([{"name":"A"},{"symbol":"x"}])", R"([{"name":"A","quality":"high"}])"})
        EXPECT_FALSE(WorkflowLibrary::decode(data)) << data;
    const auto one = WorkflowLibrary::decode(R"([{"name":"A","steps":[{"kind":"adjust"}]}])");
    ASSERT_TRUE(one && one->size() == 1);
    EXPECT_DOUBLE_EQ(one->first().steps.first().contrast, 1);
}

TEST(WorkflowStore, unreadableDataGivesNoneAndIsLoggedOnce)
{
    clearRecentLogLines();
    const QList<QVariant> unreadable{QVariant(QByteArray(R"([{"name":"A","steps":[{"kind":"sharpen"}]}])")),
                                     QVariant(QStringLiteral("[]"))}; // a text, not data
    for (const QVariant& stored : unreadable) {
        Settings::shared().setValue(key(), stored);
        EXPECT_FALSE(WorkflowLibrary::load());
        EXPECT_EQ(Settings::shared().value(key()), stored);
    }
    EXPECT_EQ(recentLogLines().filter("failed to decode workflows").size(), 1);
}

// ---- Texts ----------------------------------------------------------------------------------

struct StepText {
    WorkflowStep step;
    const char* expected;
};

WorkflowStep adjust(double brightness, double contrast, bool mono)
{
    WorkflowStep s = stepOf(K::adjust);
    s.brightness = brightness;
    s.contrast = contrast;
    s.mono = mono;
    return s;
}

WorkflowStep with(K kind, void (*change)(WorkflowStep&))
{
    WorkflowStep s = stepOf(kind);
    change(s);
    return s;
}

TEST(StepSummary, inCzech)
{
    useCzech();
    const StepText rows[] = {
        {adjust(0.1, 1, false), "jas 20"}, {adjust(0, 1.2, false), "kontrast 39"}, {adjust(0, 0.9, false), "kontrast -19"},
        {adjust(0, 1, false), "Beze změny"}, {adjust(0, 1, true), "černobíle"},
        {adjust(-0.25, 1.1, true), "jas -50, kontrast 20, černobíle"},
        {stepOf(K::removeBackground), "Vystřihne hlavní objekt"}, {stepOf(K::blurFaces), "Skryje obličeje na fotce"},
        {with(K::crop, [](WorkflowStep& s) { s.ratio = "wide169"; }), "Poměr 16:9"},
        {with(K::crop, [](WorkflowStep& s) { s.ratio = "story916"; }), "Poměr 9:16"},
        {with(K::crop, [](WorkflowStep& s) { s.ratio = "panorama"; }), "Poměr 1:1"},
        {with(K::resize, [](WorkflowStep& s) { s.longEdge = 2400; }), "Delší strana nejvýš 2400 px"},
        {with(K::watermark, [](WorkflowStep& s) { s.text = "Ahoj"; }), "„Ahoj“"},
    };
    for (const StepText& row : rows)
        EXPECT_EQ(WorkflowLibrary::summary(row.step), QString::fromUtf8(row.expected));
}

TEST(WorkflowSummary, stepCountFormsAndOutputDescription)
{
    useCzech();
    const std::pair<int, const char*> counts[] = {{0, "0 kroky"}, {1, "1 krok"}, {2, "2 kroky"}, {4, "4 kroky"}, {5, "5 kroků"}, {12, "12 kroků"}};
    for (const auto& [n, words] : counts)
        EXPECT_EQ(WorkflowLibrary::summary(workflow(n, "png", 0.9, false)), QString::fromUtf8(words) + " · PNG");
    EXPECT_EQ(WorkflowLibrary::outputSummary(workflow(0, "", 0.85, false)), QString::fromUtf8("Původní formát · kvalita 85 %"));
    EXPECT_EQ(WorkflowLibrary::outputSummary(workflow(0, "jpg", 0.57, false)), QString::fromUtf8("JPG · kvalita 56 %"));
    EXPECT_EQ(WorkflowLibrary::outputSummary(workflow(0, "heic", 0.8, true)), QString::fromUtf8("HEIC · kvalita 80 % · bez metadat"));
    EXPECT_EQ(WorkflowLibrary::outputSummary(workflow(0, "tiff", 0.8, false)), "TIFF");
}

TEST(WorkflowSummary, builtInsInBothLanguages)
{
    useCzech();
    const QList<Workflow>& d = WorkflowLibrary::defaults();
    EXPECT_EQ(WorkflowLibrary::summary(d[0]), QString::fromUtf8("3 kroky · JPG · kvalita 90 %"));
    EXPECT_EQ(WorkflowLibrary::summary(d[1]), QString::fromUtf8("2 kroky · PNG"));
    EXPECT_EQ(WorkflowLibrary::summary(d[2]), QString::fromUtf8("2 kroky · JPG · kvalita 80 % · bez metadat"));

    Settings::shared().setValue(QStringLiteral("kelvaro.language"), QStringLiteral("en"));
    EXPECT_EQ(WorkflowLibrary::summary(d[0]), QString::fromUtf8("3 steps · JPG · quality 90 %"));
    EXPECT_EQ(WorkflowLibrary::summary(d[2]), QString::fromUtf8("2 steps · JPG · quality 80 % · no metadata"));
    EXPECT_EQ(WorkflowLibrary::summary(workflow(1, "", 0.9, false)), QString::fromUtf8("1 step · Original format · quality 90 %"));
    EXPECT_EQ(WorkflowLibrary::summary(adjust(0.1, 1.2, true)), QString::fromUtf8("brightness 20, contrast 39, black and white"));
    EXPECT_EQ(WorkflowLibrary::summary(d[1].steps[1]), QString::fromUtf8("Long side at most 1200 px"));
    EXPECT_EQ(L(d[1].name), "Product shot");
    EXPECT_EQ(L(d[2].name), "Safe sharing");
}

// ---- Applying steps -------------------------------------------------------------------------

TEST(WorkflowApply, resizeOnlyShrinks)
{
    WorkflowStep s = stepOf(K::resize);
    s.longEdge = 2400;
    const Bitmap small = solid(2000, 1500, {10, 20, 30, 255});
    const Bitmap same = WorkflowLibrary::apply(s, small, "a.jpg");
    EXPECT_EQ(same.width(), 2000);
    EXPECT_EQ(same.height(), 1500);
    const Bitmap big = WorkflowLibrary::apply(s, solid(6000, 4000, {10, 20, 30, 255}), "b.jpg");
    EXPECT_EQ(big.width(), 2400);
    EXPECT_EQ(big.height(), 1600);
    EXPECT_NEAR(big.extract_band(2).avg(), 30, 0.5);
    s.longEdge = 0;
    EXPECT_EQ(WorkflowLibrary::apply(s, small, "a.jpg").width(), 2000);
    s.longEdge = 2000; // already within the limit
    EXPECT_EQ(WorkflowLibrary::apply(s, small, "a.jpg").width(), 2000);
    s.longEdge = 1999;
    EXPECT_EQ(WorkflowLibrary::apply(s, small, "a.jpg").width(), 1999);
}

TEST(WorkflowApply, cropIsCentredAndUnknownRatiosAreSquare)
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
    const Bitmap wide = WorkflowLibrary::apply(s, image, "a.jpg");
    EXPECT_EQ(wide.width(), 400);
    EXPECT_EQ(wide.height(), 225);
    EXPECT_EQ(wide.getpoint(0, 0)[0], expected.y);

    s.ratio = "nonsense";
    const Bitmap square = WorkflowLibrary::apply(s, solid(300, 200, {1, 2, 3, 255}), "a.jpg");
    EXPECT_EQ(square.width(), 200);
    EXPECT_EQ(square.height(), 200);
}

TEST(WorkflowApply, adjustLeavesANeutralStepAloneAndOtherwiseChangesColours)
{
    const Bitmap grey = solid(20, 10, {100, 100, 100, 255});
    EXPECT_TRUE(equalPixels(WorkflowLibrary::apply(adjust(0, 1, false), grey, "a.jpg"), grey));
    const Bitmap brighter = WorkflowLibrary::apply(adjust(0.1, 1, false), grey, "a.jpg");
    EXPECT_NEAR(brighter.extract_band(0).avg(), 125.5, 1);
    const Bitmap mono = WorkflowLibrary::apply(adjust(0, 1, true), solid(4, 4, {0, 255, 0, 255}), "a.jpg");
    EXPECT_NEAR(mono.getpoint(0, 0)[0], 0.7154 * 255, 1);
    EXPECT_EQ(mono.getpoint(0, 0)[0], mono.getpoint(0, 0)[2]);
}

TEST(WorkflowApply, watermarkWithAnUnknownPositionActsAsBottomRight)
{
    const Bitmap photo = solid(300, 200, {30, 60, 90, 255});
    WorkflowStep s = stepOf(K::watermark);
    s.text = "ABC";
    s.position = "somewhere";
    const Bitmap unknown = WorkflowLibrary::apply(s, photo, "a.jpg");
    s.position = "bottomRight";
    EXPECT_TRUE(equalPixels(unknown, WorkflowLibrary::apply(s, photo, "a.jpg")));
    s.position = "topLeft";
    EXPECT_FALSE(equalPixels(unknown, WorkflowLibrary::apply(s, photo, "a.jpg")));
    EXPECT_FALSE(equalPixels(unknown, photo));
}

TEST(WorkflowApply, aFaceStepOnAPhotoWithoutFacesFailsThePhoto)
{
    EXPECT_TRUE(test::failsWith(KelvaroError::Kind::noFaces, QString::fromUtf8("prázdná.jpg"), [] {
        WorkflowLibrary::apply(stepOf(K::blurFaces), solid(200, 200, {128, 128, 128, 255}), "prázdná.jpg");
    }));
}
