#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

#include "../support/TestSupport.h"
#include "l10n/Localization.h"
#include "model/WorkflowLibrary.h"
#include "platform/Bookmark.h"
#include "platform/Json.h"
#include "platform/Settings.h"
#include "watch/WatchModels.h"

using namespace kelvaro;

namespace {

using test::compactJson;
using test::parseJson;

class WatchModels : public ::testing::Test {
protected:
    void SetUp() override { Settings::shared().setValue(QStringLiteral("kelvaro.language"), QStringLiteral("cs")); }
};

TEST_F(WatchModels, actionJsonReadsOneCaseKeyAndWritesItBack)
{
    const struct {
        const char* json;
        bool readable;
        bool roundTripsExactly; // written back byte for byte
    } rows[] = {
        {R"({"convert":{"_0":"jpg"}})", true, true},
        {R"({"stripMetadata":{}})", true, true},
        {R"({"removeBackground":{}})", true, true},
        {R"({"convert":{"_0":"webp"}})", true, true},
        // inner contents of the payload-less cases do not matter
        {R"({"stripMetadata":{"_0":1}})", true, false},
        // a further key that names no case is kept beside it (in the order JSON objects are written)
        {R"({"comment":"x","stripMetadata":{}})", true, true},
        {R"({"convert":{"_0":"png","extra":true}})", true, false},
        {R"({"stripMetadata":true})", false, false},
        {R"({"convert":{}})", false, false},
        {R"({"convert":{"_0":5}})", false, false},
        {R"({"convert":{"_0":null}})", false, false},
        {R"({"convert":"jpg"})", false, false},
        {R"({"preset":{"_0":{"name":"x"}}})", false, false},
        {R"({"Convert":{"_0":"jpg"}})", false, false},
    };
    for (const auto& row : rows) {
        const auto action = WatchAction::fromJson(parseJson(row.json));
        ASSERT_EQ(action.has_value(), row.readable) << row.json;
        if (action && row.roundTripsExactly) {
            EXPECT_EQ(compactJson(action->toJson()), QByteArray(row.json));
        }
    }
    for (const char* text : {R"({})", R"({"convert":{"_0":"jpg"},"stripMetadata":{}})"}) {
        QString error;
        EXPECT_FALSE(WatchAction::fromJson(parseJson(text), &error).has_value()) << text;
        EXPECT_EQ(error, QStringLiteral("Invalid number of keys found, expected one.")) << text;
    }
    EXPECT_FALSE(WatchAction::fromJson(QJsonValue(QStringLiteral("convert"))).has_value());
}

TEST_F(WatchModels, presetAndWorkflowRoundTrip)
{
    PresetSpec preset = PresetSpec::defaults().first();
    preset.targetWidth = 1080;
    preset.cropOffsetX = 0.25;
    const WatchAction a = WatchAction::preset(preset);
    const auto readA = WatchAction::fromJson(a.toJson());
    ASSERT_TRUE(readA);
    EXPECT_EQ(*readA, a);
    EXPECT_TRUE(a.toJson().value(QStringLiteral("preset")).toObject().contains(QStringLiteral("_0")));

    ASSERT_FALSE(WorkflowLibrary::defaults().isEmpty());
    const WatchAction w = WatchAction::workflow(WorkflowLibrary::defaults().first());
    const auto readW = WatchAction::fromJson(w.toJson());
    ASSERT_TRUE(readW);
    EXPECT_EQ(*readW, w);
    EXPECT_NE(*readW, a);
}

// What the add-watch sheet takes for the same action: a built-in workflow by its fixed id, stored
// in whatever language; everything else only when equal.
TEST_F(WatchModels, aBuiltInIsTheSameActionInEveryLanguage)
{
    const QList<Workflow>& czech = WorkflowLibrary::defaults(AppLanguage::czech);
    const QList<Workflow>& english = WorkflowLibrary::defaults(AppLanguage::english);
    Workflow edited = czech.first();
    edited.steps.removeLast();
    Workflow own = czech.first();
    own.id = QUuid::createUuid();
    Workflow ownInEnglish = english.first();
    ownInEnglish.id = own.id;
    // Read back from a rule stored in Czech, as after a restart.
    const auto stored = WatchAction::fromJson(WatchAction::workflow(czech.first()).toJson());
    ASSERT_TRUE(stored);
    const struct {
        const char* name;
        WatchAction a, b;
        bool same;
    } rows[] = {
        {"one built-in, Czech and English", WatchAction::workflow(czech.first()), WatchAction::workflow(english.first()), true},
        {"a stored rule's built-in and the English one", *stored, WatchAction::workflow(english.first()), true},
        {"a built-in and its edited self", WatchAction::workflow(english.first()), WatchAction::workflow(edited), true},
        {"two built-ins", WatchAction::workflow(czech.at(0)), WatchAction::workflow(czech.at(1)), false},
        {"a built-in and a workflow of the user's", WatchAction::workflow(own), WatchAction::workflow(czech.first()), false},
        {"the user's workflow, texts in two languages", WatchAction::workflow(own), WatchAction::workflow(ownInEnglish), false},
        {"the user's workflow, equal", WatchAction::workflow(own), WatchAction::workflow(own), true},
        {"a built-in and a conversion", WatchAction::workflow(czech.first()), WatchAction::convert(QStringLiteral("jpg")), false},
        {"equal conversions", WatchAction::convert(QStringLiteral("png")), WatchAction::convert(QStringLiteral("png")), true},
        {"two conversions", WatchAction::convert(QStringLiteral("png")), WatchAction::convert(QStringLiteral("jpg")), false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(row.a.isSameAs(row.b), row.same);
        EXPECT_EQ(row.b.isSameAs(row.a), row.same);
    }
}

TEST_F(WatchModels, convertTitlesAndOperation)
{
    const struct {
        const char* text;
        const char* folderTitle;
        std::optional<ImageFormat> format;
    } rows[] = {{"jpg", "Převod na JPG", ImageFormat::jpg}, {"JPG", "Převod na JPG", std::nullopt},
                {"webp", "Převod na WEBP", std::nullopt},  {"heic", "Převod na HEIC", ImageFormat::heic},
                {"pdf", "Převod na PDF", ImageFormat::pdf}, {"zip", "Převod na ZIP", ImageFormat::zip},
                {"straße", "Převod na STRASSE", std::nullopt}};
    for (const auto& row : rows) {
        const WatchAction action = WatchAction::convert(QString::fromUtf8(row.text));
        EXPECT_EQ(action.folderTitle(), QString::fromUtf8(row.folderTitle));
        EXPECT_EQ(action.title(), QString::fromUtf8(row.folderTitle)); // Czech interface: the same words
        const auto op = action.operation();
        ASSERT_EQ(op.has_value(), row.format.has_value()) << row.text;
        if (op) {
            EXPECT_EQ(op->as<op::Convert>()->format, *row.format);
        }
    }
}

// Presets and workflows are shown under their own names (no translation) and run as themselves.
TEST_F(WatchModels, otherActionsRunTheirOwnOperation)
{
    EXPECT_TRUE(WatchAction::stripMetadata().operation()->is<op::StripMetadata>());
    EXPECT_TRUE(WatchAction::removeBackground().operation()->is<op::RemoveBackground>());
    PresetSpec own = PresetSpec::defaults().first();
    own.name = QStringLiteral("Moje zcela vlastní předvolba 42");
    const WatchAction preset = WatchAction::preset(own);
    EXPECT_EQ(preset.title(), own.name);
    EXPECT_EQ(preset.detail(), own.summary());
    EXPECT_EQ(preset.operation()->as<op::Preset>()->spec, own);
    const Workflow workflow = WorkflowLibrary::defaults().first();
    EXPECT_EQ(WatchAction::workflow(workflow).folderTitle(), workflow.name);
    EXPECT_EQ(WatchAction::workflow(workflow).operation()->as<op::RunWorkflow>()->workflow, workflow);
}

TEST_F(WatchModels, folderTitleIgnoresTheInterfaceLanguage)
{
    Settings::shared().setValue(QStringLiteral("kelvaro.language"), QStringLiteral("en"));
    const WatchAction convert = WatchAction::convert(QStringLiteral("jpg"));
    EXPECT_EQ(convert.folderTitle(), QStringLiteral("Převod na JPG"));
    EXPECT_NE(convert.title(), convert.folderTitle());
    EXPECT_EQ(WatchAction::stripMetadata().folderTitle(), QStringLiteral("Odstranit metadata"));
    EXPECT_NE(WatchAction::stripMetadata().title(), QStringLiteral("Odstranit metadata"));
}

WatchRule sampleRule()
{
    return WatchRule::make(QStringLiteral("/tmp/Export"), QByteArray("bookmark-bytes"),
                           WatchAction::convert(QStringLiteral("jpg")));
}

// A fresh rule writes every key but lastRun; with or without it, a rule reads back as written.
TEST_F(WatchModels, ruleRoundTripsWithAndWithoutLastRun)
{
    WatchRule rule = sampleRule();
    const QJsonObject o = rule.toJson();
    QStringList keys = o.keys();
    keys.sort();
    EXPECT_EQ(keys, (QStringList{"action", "bookmark", "created", "folderName", "folderPath", "id", "isEnabled", "processed"}));
    EXPECT_EQ(o.value("folderName").toString(), QStringLiteral("Export"));
    EXPECT_EQ(o.value("bookmark").toString(), QStringLiteral("Ym9va21hcmstYnl0ZXM="));
    EXPECT_EQ(compactJson(o.value("action").toObject()), QByteArray(R"({"convert":{"_0":"jpg"}})"));

    rule.processed = 7;
    rule.isEnabled = false;
    EXPECT_EQ(WatchRule::fromJson(rule.toJson()), rule);
    rule.lastRun = QDateTime::fromMSecsSinceEpoch(1'700'000'000'123, Qt::UTC);
    EXPECT_EQ(WatchRule::fromJson(rule.toJson()), rule);
}

TEST_F(WatchModels, ruleJsonIsStrictAboutItsMembers)
{
    const struct {
        const char* name;
        std::function<void(QJsonObject&)> edit;
        bool readable;
    } rows[] = {
        {"nullLastRun", [](QJsonObject& o) { o.insert("lastRun", QJsonValue::Null); }, true},
        {"unknownKey", [](QJsonObject& o) { o.insert("colour", "red"); }, true},
        {"noProcessed", [](QJsonObject& o) { o.remove("processed"); }, false},
        {"noCreated", [](QJsonObject& o) { o.remove("created"); }, false},
        {"noAction", [](QJsonObject& o) { o.remove("action"); }, false},
        {"badAction", [](QJsonObject& o) { o.insert("action", QJsonObject()); }, false},
        {"enabledAsNumber", [](QJsonObject& o) { o.insert("isEnabled", 1); }, false},
        {"processedFraction", [](QJsonObject& o) { o.insert("processed", 1.5); }, false},
        {"lastRunAsText", [](QJsonObject& o) { o.insert("lastRun", "yesterday"); }, false},
        {"badId", [](QJsonObject& o) { o.insert("id", "not-a-uuid"); }, false},
    };
    for (const auto& row : rows) {
        QJsonObject o = sampleRule().toJson();
        row.edit(o);
        EXPECT_EQ(WatchRule::fromJson(o).has_value(), row.readable) << row.name;
    }
}

TEST_F(WatchModels, oneBadRuleFailsTheList)
{
    const QList<WatchRule> rules{sampleRule(), sampleRule()};
    const auto read = decodeWatchRules(encodeWatchRules(rules));
    ASSERT_TRUE(read);
    EXPECT_EQ(*read, rules);

    QJsonArray array{rules[0].toJson(), QJsonObject{{"id", "x"}}};
    EXPECT_FALSE(decodeWatchRules(QJsonDocument(array).toJson()).has_value());
    EXPECT_FALSE(decodeWatchRules("{}").has_value());
}

TEST_F(WatchModels, everyRecipeHasAnOperationAndEnglishTexts)
{
    const auto& recipes = WatchRecipe::all();
    ASSERT_EQ(recipes.size(), 4);
    EXPECT_EQ(recipes[2].action, WatchAction::preset(PlatformPresets::all().first().presets.first()));
    EXPECT_EQ(recipes[2].subtitle, QStringLiteral("Ořízne a zmenší na 1080×1350 px"));
    for (const WatchRecipe& r : recipes) {
        EXPECT_TRUE(r.action.operation().has_value()) << r.id.toStdString();
        EXPECT_TRUE(L10n::hasEnglishTranslation(r.title)) << r.title.toStdString();
        EXPECT_TRUE(L10n::hasEnglishTranslation(r.subtitle)) << r.subtitle.toStdString();
    }
}

} // namespace
