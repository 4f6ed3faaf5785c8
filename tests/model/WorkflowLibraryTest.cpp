#include <gtest/gtest.h>

#include "../support/TestSupport.h"
#include "l10n/Localization.h"
#include "model/WorkflowLibrary.h"
#include "platform/Log.h"
#include "platform/Settings.h"

using namespace kelvaro;
using K = WorkflowStep::Kind;

namespace {

QString key()
{
    return QString::fromLatin1(WorkflowLibrary::key);
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

} // namespace

// ---- Built-ins and the stored list -----------------------------------------------------------

TEST(WorkflowStore, nothingStoredGivesTheBuiltInsAnEmptyArrayNothingAndOneBadRecordOrUnreadableDataNone)
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

    // Unreadable stored data gives none, stays as it is and is logged once.
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

// The built-ins are the same workflows in every language: their ids stay, the watermark's text is
// the one of the language asked for, and one made in another language is brought to it.
TEST(BuiltInWorkflows, followTheLanguageAndKeepTheirIds)
{
    const auto watermark = [](const QList<Workflow>& list) { return list.first().steps.last().text; };
    Settings::shared().setValue(QStringLiteral("kelvaro.language"), QStringLiteral("cs"));
    const QList<Workflow> czech = WorkflowLibrary::defaults();
    EXPECT_EQ(watermark(czech), QString::fromUtf8("© Moje fotky"));
    Settings::shared().setValue(QStringLiteral("kelvaro.language"), QStringLiteral("en"));
    const QList<Workflow> english = WorkflowLibrary::defaults();
    EXPECT_EQ(watermark(english), QStringLiteral("© My photos"));
    ASSERT_EQ(english.size(), czech.size());
    for (qsizetype i = 0; i < czech.size(); ++i) {
        EXPECT_EQ(english[i].id, czech[i].id);
        EXPECT_TRUE(WorkflowLibrary::isBuiltIn(czech[i].id));
        EXPECT_EQ(WorkflowLibrary::inLanguage(czech[i], AppLanguage::english), english[i]);
        EXPECT_EQ(WorkflowLibrary::inLanguage(english[i], AppLanguage::czech), czech[i]);
    }

    Workflow own = czech.first();
    own.id = QUuid::createUuid();
    EXPECT_FALSE(WorkflowLibrary::isBuiltIn(own.id));
    EXPECT_FALSE(WorkflowLibrary::isBuiltIn(QUuid()));
    const struct {
        const char* name;
        bool builtIn;
        const char* text;
        AppLanguage language;
        const char* expected;
    } rows[] = {
        {"built-in, Czech text, into English", true, "© Moje fotky", AppLanguage::english, "© My photos"},
        {"built-in, English text, into Czech", true, "© My photos", AppLanguage::czech, "© Moje fotky"},
        {"built-in, the user's text", true, "© Jana 2024", AppLanguage::english, "© Jana 2024"},
        {"built-in, nearly the default", true, "© Moje fotky!", AppLanguage::english, "© Moje fotky!"},
        {"the user's own workflow", false, "© Moje fotky", AppLanguage::english, "© Moje fotky"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        Workflow w = row.builtIn ? czech.first() : own;
        w.steps.last().text = QString::fromUtf8(row.text);
        const Workflow shown = WorkflowLibrary::inLanguage(w, row.language);
        EXPECT_EQ(shown.steps.last().text, QString::fromUtf8(row.expected));
        Workflow rest = shown; // nothing but texts changes
        for (qsizetype i = 0; i < rest.steps.size(); ++i)
            rest.steps[i].text = w.steps[i].text;
        EXPECT_EQ(rest, w);
    }
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
    Settings::shared().setValue(QStringLiteral("kelvaro.language"), QStringLiteral("cs"));
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

TEST(StepSummary, inEnglishAWatermarksTextStaysBetweenTheCzechQuotes)
{
    Settings::shared().setValue(QStringLiteral("kelvaro.language"), QStringLiteral("en"));
    const StepText rows[] = {
        {adjust(0, 1, false), "No change"},
        {with(K::watermark, [](WorkflowStep& s) { s.text = "Ahoj"; }), "„Ahoj“"},
        {WorkflowLibrary::defaults()[0].steps[2], "„© My photos“"},
    };
    for (const StepText& row : rows)
        EXPECT_EQ(WorkflowLibrary::summary(row.step), QString::fromUtf8(row.expected));
}

TEST(WorkflowSummary, stepCountFormsOutputDescriptionAndTheBuiltInsInBothLanguages)
{
    Settings::shared().setValue(QStringLiteral("kelvaro.language"), QStringLiteral("cs"));
    const std::pair<int, const char*> counts[] = {{0, "0 kroky"}, {1, "1 krok"}, {2, "2 kroky"}, {4, "4 kroky"}, {5, "5 kroků"}, {12, "12 kroků"}};
    for (const auto& [n, words] : counts)
        EXPECT_EQ(WorkflowLibrary::summary(workflow(n, "png", 0.9, false)), QString::fromUtf8(words) + " · PNG");
    EXPECT_EQ(WorkflowLibrary::outputSummary(workflow(0, "", 0.85, false)), QString::fromUtf8("Původní formát · kvalita 85 %"));
    EXPECT_EQ(WorkflowLibrary::outputSummary(workflow(0, "jpg", 0.57, false)), QString::fromUtf8("JPG · kvalita 56 %"));
    EXPECT_EQ(WorkflowLibrary::outputSummary(workflow(0, "heic", 0.8, true)), QString::fromUtf8("HEIC · kvalita 80 % · bez metadat"));
    EXPECT_EQ(WorkflowLibrary::outputSummary(workflow(0, "tiff", 0.8, false)), "TIFF");
    // The built-ins, in both languages.
    const QList<Workflow>& d = WorkflowLibrary::defaults();
    EXPECT_EQ(WorkflowLibrary::summary(d[0]), QString::fromUtf8("3 kroky · JPG · kvalita 90 %"));
    EXPECT_EQ(WorkflowLibrary::summary(d[1]), QString::fromUtf8("2 kroky · PNG"));
    EXPECT_EQ(WorkflowLibrary::summary(d[2]), QString::fromUtf8("2 kroky · JPG · kvalita 80 % · bez metadat"));

    Settings::shared().setValue(QStringLiteral("kelvaro.language"), QStringLiteral("en"));
    EXPECT_EQ(WorkflowLibrary::summary(d[0]), QString::fromUtf8("3 steps · JPG · quality 90%"));
    EXPECT_EQ(WorkflowLibrary::summary(d[2]), QString::fromUtf8("2 steps · JPG · quality 80% · no metadata"));
    EXPECT_EQ(WorkflowLibrary::summary(workflow(1, "", 0.9, false)), QString::fromUtf8("1 step · Original format · quality 90%"));
    EXPECT_EQ(WorkflowLibrary::summary(adjust(0.1, 1.2, true)), QString::fromUtf8("brightness 20, contrast 39, black and white"));
    EXPECT_EQ(WorkflowLibrary::summary(d[1].steps[1]), QString::fromUtf8("Long side at most 1200 px"));
    EXPECT_EQ(L(d[1].name), "Product shot");
    EXPECT_EQ(L(d[2].name), "Safe sharing");
}
