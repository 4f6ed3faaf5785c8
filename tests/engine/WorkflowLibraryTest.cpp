#include <QJsonDocument>

#include <gtest/gtest.h>

#include "engine/ImageEffects.h"
#include "engine/Localization.h"
#include "engine/WorkflowLibrary.h"
#include "platform/Log.h"
#include "platform/Settings.h"

// Readable failures for Qt texts.
static void PrintTo(const QString& text, std::ostream* os)
{
    *os << '"' << text.toStdString() << '"';
}

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

TEST(WorkflowDefaults, threeBuiltInsWithStableIdentities)
{
    useCzech();
    const QList<Workflow>& d = WorkflowLibrary::defaults();
    ASSERT_EQ(d.size(), 3);
    EXPECT_EQ(d[0].name, "Portfolio");
    EXPECT_EQ(d[0].symbol, "star.fill");
    EXPECT_EQ(d[1].name, "Produktovka");
    EXPECT_EQ(d[1].symbol, "shippingbox.fill");
    EXPECT_EQ(d[2].name, QString::fromUtf8("Bezpečné sdílení"));
    EXPECT_EQ(d[2].symbol, "lock.shield.fill");

    ASSERT_EQ(d[0].steps.size(), 3);
    EXPECT_EQ(d[0].steps[0].kind, K::adjust);
    EXPECT_DOUBLE_EQ(d[0].steps[0].contrast, 1.1);
    EXPECT_EQ(d[0].steps[1].kind, K::resize);
    EXPECT_EQ(d[0].steps[1].longEdge, 2400);
    EXPECT_EQ(d[0].steps[2].kind, K::watermark);
    EXPECT_EQ(d[0].steps[2].text, QString::fromUtf8("© Moje fotky"));
    EXPECT_EQ(d[0].steps[2].position, "bottomRight");
    EXPECT_EQ(d[0].format, "jpg");
    EXPECT_DOUBLE_EQ(d[0].quality, 0.9);
    EXPECT_FALSE(d[0].stripMetadata);

    ASSERT_EQ(d[1].steps.size(), 2);
    EXPECT_EQ(d[1].steps[0].kind, K::removeBackground);
    EXPECT_EQ(d[1].steps[1].longEdge, 1200);
    EXPECT_EQ(d[1].format, "png");

    ASSERT_EQ(d[2].steps.size(), 2);
    EXPECT_EQ(d[2].steps[0].kind, K::blurFaces);
    EXPECT_EQ(d[2].steps[1].longEdge, 1600);
    EXPECT_EQ(d[2].format, "jpg");
    EXPECT_DOUBLE_EQ(d[2].quality, 0.8);
    EXPECT_TRUE(d[2].stripMetadata);

    QSet<QUuid> ids;
    for (const Workflow& w : d) {
        ids.insert(w.id);
        for (const WorkflowStep& s : w.steps)
            ids.insert(s.id);
    }
    EXPECT_EQ(ids.size(), 3 + 7);
    EXPECT_FALSE(ids.contains(QUuid()));
    EXPECT_EQ(WorkflowLibrary::defaults(), d); // same ids on every call
}

TEST(WorkflowDecode, emptyDataGivesTheBuiltInsAndAnEmptyArrayNothing)
{
    EXPECT_EQ(WorkflowLibrary::decode(QByteArray()), WorkflowLibrary::defaults());
    const auto none = WorkflowLibrary::decode("[]");
    ASSERT_TRUE(none);
    EXPECT_TRUE(none->isEmpty());
}

TEST(WorkflowDecode, oneBadRecordFailsTheWholeList)
{
    const char* const bad[] = {
        "not json",
        "{}",
        R"([{"name":"A"},{"name":"B","steps":[{"kind":"sharpen"}]}])",
        R"([{"name":"A"},{"symbol":"x"}])",
        R"([{"name":"A","quality":"high"}])",
    };
    for (const char* data : bad)
        EXPECT_FALSE(WorkflowLibrary::decode(data)) << data;
    const auto one = WorkflowLibrary::decode(R"([{"name":"A","steps":[{"kind":"adjust"}]}])");
    ASSERT_TRUE(one);
    ASSERT_EQ(one->size(), 1);
    EXPECT_DOUBLE_EQ(one->first().steps.first().contrast, 1);
}

TEST(WorkflowStore, nothingStoredReadsAsTheBuiltIns)
{
    EXPECT_EQ(WorkflowLibrary::load(), WorkflowLibrary::defaults());
}

TEST(WorkflowStore, aStoredEmptyArrayGivesNoWorkflows)
{
    Settings::shared().setValue(key(), QByteArray("[]"));
    const auto list = WorkflowLibrary::load();
    ASSERT_TRUE(list);
    EXPECT_TRUE(list->isEmpty());
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

static void PrintTo(const StepText& c, std::ostream* os)
{
    const WorkflowStep& s = c.step;
    *os << rawValue(s.kind).toStdString();
    if (s.kind == K::adjust)
        *os << "_b" << s.brightness << "_c" << s.contrast << (s.mono ? "_mono" : "");
    else if (s.kind == K::crop)
        *os << "_" << s.ratio.toStdString();
    else if (s.kind == K::resize)
        *os << "_" << s.longEdge;
}

class StepSummary : public ::testing::TestWithParam<StepText> {};

TEST_P(StepSummary, inCzech)
{
    useCzech();
    EXPECT_EQ(WorkflowLibrary::summary(GetParam().step), QString::fromUtf8(GetParam().expected));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, StepSummary,
    ::testing::Values(StepText{adjust(0.1, 1, false), "jas 20"}, StepText{adjust(0, 1.2, false), "kontrast 39"},
                      StepText{adjust(0, 0.9, false), "kontrast -19"}, StepText{adjust(0, 1, false), "Beze změny"},
                      StepText{adjust(0, 1, true), "černobíle"},
                      StepText{adjust(-0.25, 1.1, true), "jas -50, kontrast 20, černobíle"},
                      StepText{stepOf(K::removeBackground), "Vystřihne hlavní objekt"},
                      StepText{stepOf(K::blurFaces), "Skryje obličeje na fotce"},
                      StepText{with(K::crop, [](WorkflowStep& s) { s.ratio = "wide169"; }), "Poměr 16:9"},
                      StepText{with(K::crop, [](WorkflowStep& s) { s.ratio = "story916"; }), "Poměr 9:16"},
                      StepText{with(K::crop, [](WorkflowStep& s) { s.ratio = "panorama"; }), "Poměr 1:1"},
                      StepText{with(K::resize, [](WorkflowStep& s) { s.longEdge = 2400; }), "Delší strana nejvýš 2400 px"},
                      StepText{with(K::watermark, [](WorkflowStep& s) { s.text = "Ahoj"; }), "„Ahoj“"}));

TEST(WorkflowSummary, outputDescription)
{
    useCzech();
    EXPECT_EQ(WorkflowLibrary::outputSummary(workflow(0, "png", 0.9, true)), QString::fromUtf8("PNG · bez metadat"));
    EXPECT_EQ(WorkflowLibrary::outputSummary(workflow(0, "", 0.85, false)),
              QString::fromUtf8("Původní formát · kvalita 85 %"));
    EXPECT_EQ(WorkflowLibrary::outputSummary(workflow(0, "jpg", 0.57, false)), QString::fromUtf8("JPG · kvalita 56 %"));
    EXPECT_EQ(WorkflowLibrary::outputSummary(workflow(0, "heic", 0.8, true)),
              QString::fromUtf8("HEIC · kvalita 80 % · bez metadat"));
    EXPECT_EQ(WorkflowLibrary::outputSummary(workflow(0, "tiff", 0.8, false)), "TIFF");
}

TEST(WorkflowSummary, stepCountForms)
{
    useCzech();
    const std::pair<int, const char*> cases[] = {{0, "0 kroky"}, {1, "1 krok"}, {2, "2 kroky"},
                                                 {4, "4 kroky"}, {5, "5 kroků"}, {12, "12 kroků"}};
    for (const auto& [n, words] : cases)
        EXPECT_EQ(WorkflowLibrary::summary(workflow(n, "png", 0.9, false)), QString::fromUtf8(words) + " · PNG");
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
    try {
        WorkflowLibrary::apply(stepOf(K::blurFaces), solid(200, 200, {128, 128, 128, 255}), "prázdná.jpg");
        FAIL();
    } catch (const KelvaroError& e) {
        EXPECT_EQ(e.kind(), KelvaroError::Kind::noFaces);
        EXPECT_EQ(e.fileName(), QString::fromUtf8("prázdná.jpg"));
    }
}
