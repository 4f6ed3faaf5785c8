#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

#include "engine/Localization.h"
#include "engine/WorkflowLibrary.h"
#include "platform/Bookmark.h"
#include "platform/Json.h"
#include "platform/Settings.h"
#include "watch/WatchModels.h"

using namespace kelvaro;

namespace {

QJsonValue parse(const char* text)
{
    const QJsonDocument doc = QJsonDocument::fromJson(QByteArray(text));
    return doc.isObject() ? QJsonValue(doc.object()) : QJsonValue();
}

QByteArray compact(const QJsonObject& object)
{
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

class WatchModels : public ::testing::Test {
protected:
    void SetUp() override { Settings::shared().setValue(QStringLiteral("kelvaro.language"), QStringLiteral("cs")); }
    void TearDown() override { Settings::shared().remove(QStringLiteral("kelvaro.language")); }
};

// ---- Actions: stored form ---------------------------------------------------------------------------

struct ActionCase {
    const char* json;
    bool readable;
    bool roundTripsExactly; // written back byte for byte
};

class WatchActionJson : public WatchModels, public ::testing::WithParamInterface<ActionCase> {};

TEST_P(WatchActionJson, readsAndWrites)
{
    const ActionCase c = GetParam();
    const auto action = WatchAction::fromJson(parse(c.json));
    ASSERT_EQ(action.has_value(), c.readable) << c.json;
    if (action && c.roundTripsExactly) {
        EXPECT_EQ(compact(action->toJson()), QByteArray(c.json));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, WatchActionJson,
    ::testing::Values(ActionCase{R"({"convert":{"_0":"jpg"}})", true, true},
                      ActionCase{R"({"stripMetadata":{}})", true, true},
                      ActionCase{R"({"removeBackground":{}})", true, true},
                      ActionCase{R"({"convert":{"_0":"webp"}})", true, true},
                      // inner contents of the payload-less cases do not matter
                      ActionCase{R"({"stripMetadata":{"_0":1}})", true, false},
                      // a further key that names no case is ignored
                      ActionCase{R"({"stripMetadata":{},"comment":"x"})", true, false},
                      ActionCase{R"({"convert":{"_0":"png","extra":true}})", true, false},
                      ActionCase{R"({"stripMetadata":true})", false, false},
                      ActionCase{R"({"convert":{}})", false, false},
                      ActionCase{R"({"convert":{"_0":5}})", false, false},
                      ActionCase{R"({"convert":{"_0":null}})", false, false},
                      ActionCase{R"({"convert":"jpg"})", false, false},
                      ActionCase{R"({"preset":{"_0":{"name":"x"}}})", false, false},
                      ActionCase{R"({"Convert":{"_0":"jpg"}})", false, false}));

TEST_F(WatchModels, actionNeedsExactlyOneCaseKey)
{
    for (const char* text : {R"({})", R"({"convert":{"_0":"jpg"},"stripMetadata":{}})"}) {
        QString error;
        EXPECT_FALSE(WatchAction::fromJson(parse(text), &error).has_value()) << text;
        EXPECT_EQ(error, QStringLiteral("Invalid number of keys found, expected one.")) << text;
    }
    EXPECT_FALSE(WatchAction::fromJson(QJsonValue(QStringLiteral("convert"))).has_value());
}

TEST_F(WatchModels, convertReadsItsText)
{
    const auto action = WatchAction::fromJson(parse(R"({"convert":{"_0":"jpg"}})"));
    ASSERT_TRUE(action);
    EXPECT_EQ(*action, WatchAction::convert(QStringLiteral("jpg")));
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

TEST_F(WatchModels, equalityComparesPayloads)
{
    PresetSpec p = PresetSpec::defaults().first();
    PresetSpec other = p;
    other.id = QUuid::createUuid(); // identity counts
    EXPECT_NE(WatchAction::preset(p), WatchAction::preset(other));
    EXPECT_EQ(WatchAction::convert(QStringLiteral("jpg")), WatchAction::convert(QStringLiteral("jpg")));
    EXPECT_NE(WatchAction::convert(QStringLiteral("jpg")), WatchAction::convert(QStringLiteral("JPG")));
    EXPECT_NE(WatchAction::stripMetadata(), WatchAction::removeBackground());
    EXPECT_EQ(qHash(WatchAction::preset(p)), qHash(WatchAction::preset(PresetSpec(p))));
}

// ---- Actions: texts and operation -------------------------------------------------------------------

struct ConvertCase {
    const char* text;
    const char* folderTitle;
    std::optional<ImageFormat> format;
};

class WatchConvertAction : public WatchModels, public ::testing::WithParamInterface<ConvertCase> {};

TEST_P(WatchConvertAction, titlesAndOperation)
{
    const ConvertCase c = GetParam();
    const WatchAction action = WatchAction::convert(QString::fromUtf8(c.text));
    EXPECT_EQ(action.folderTitle(), QString::fromUtf8(c.folderTitle));
    EXPECT_EQ(action.title(), QString::fromUtf8(c.folderTitle)); // Czech interface: the same words
    const auto op = action.operation();
    ASSERT_EQ(op.has_value(), c.format.has_value()) << c.text;
    if (op) {
        ASSERT_TRUE(op->is<op::Convert>());
        EXPECT_EQ(op->as<op::Convert>()->format, *c.format);
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, WatchConvertAction,
                         ::testing::Values(ConvertCase{"jpg", "Převod na JPG", ImageFormat::jpg},
                                           ConvertCase{"JPG", "Převod na JPG", std::nullopt},
                                           ConvertCase{"webp", "Převod na WEBP", std::nullopt},
                                           ConvertCase{"heic", "Převod na HEIC", ImageFormat::heic},
                                           ConvertCase{"pdf", "Převod na PDF", ImageFormat::pdf},
                                           ConvertCase{"zip", "Převod na ZIP", ImageFormat::zip},
                                           ConvertCase{"straße", "Převod na STRASSE", std::nullopt}));

TEST_F(WatchModels, otherActionsTextsAndOperations)
{
    EXPECT_EQ(WatchAction::stripMetadata().title(), QStringLiteral("Odstranit metadata"));
    EXPECT_EQ(WatchAction::stripMetadata().folderTitle(), QStringLiteral("Odstranit metadata"));
    EXPECT_EQ(WatchAction::stripMetadata().detail(), QStringLiteral("Smaže polohu GPS a údaje o foťáku"));
    EXPECT_TRUE(WatchAction::stripMetadata().operation()->is<op::StripMetadata>());
    EXPECT_EQ(WatchAction::removeBackground().folderTitle(), QStringLiteral("Odstranit pozadí"));
    EXPECT_EQ(WatchAction::removeBackground().detail(), QStringLiteral("Vystřihne hlavní objekt do PNG"));
    EXPECT_TRUE(WatchAction::removeBackground().operation()->is<op::RemoveBackground>());
    EXPECT_EQ(WatchAction::convert(QStringLiteral("jpg")).detail(), QStringLiteral("Rozměry zůstanou, změní se jen formát"));

    PresetSpec own = PresetSpec::defaults().first();
    own.name = QStringLiteral("Moje zcela vlastní předvolba 42");
    const WatchAction preset = WatchAction::preset(own);
    EXPECT_EQ(preset.title(), own.name); // no translation: the name itself
    EXPECT_EQ(preset.folderTitle(), own.name);
    EXPECT_EQ(preset.detail(), own.summary());
    ASSERT_TRUE(preset.operation()->is<op::Preset>());
    EXPECT_EQ(preset.operation()->as<op::Preset>()->spec, own);

    const Workflow workflow = WorkflowLibrary::defaults().first();
    const WatchAction flow = WatchAction::workflow(workflow);
    EXPECT_EQ(flow.folderTitle(), workflow.name);
    EXPECT_EQ(flow.detail(), WorkflowLibrary::summary(workflow));
    EXPECT_EQ(flow.operation()->as<op::RunWorkflow>()->workflow, workflow);
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

// ---- Rules -------------------------------------------------------------------------------------------

WatchRule sampleRule()
{
    WatchRule rule = WatchRule::make(QStringLiteral("/tmp/Export"), QByteArray("bookmark-bytes"),
                                     WatchAction::convert(QStringLiteral("jpg")));
    return rule;
}

TEST_F(WatchModels, freshRuleWritesEveryKeyButLastRun)
{
    const WatchRule rule = sampleRule();
    EXPECT_TRUE(rule.isEnabled);
    EXPECT_EQ(rule.processed, 0);
    EXPECT_EQ(rule.folderName, QStringLiteral("Export"));
    const QJsonObject o = rule.toJson();
    QStringList keys = o.keys();
    keys.sort();
    EXPECT_EQ(keys, (QStringList{"action", "bookmark", "created", "folderName", "folderPath", "id", "isEnabled",
                                 "processed"}));
    EXPECT_EQ(o.value("id").toString(), rule.id.toString(QUuid::WithoutBraces).toUpper());
    EXPECT_EQ(o.value("bookmark").toString(), QStringLiteral("Ym9va21hcmstYnl0ZXM="));
    EXPECT_EQ(compact(o.value("action").toObject()), QByteArray(R"({"convert":{"_0":"jpg"}})"));
    EXPECT_TRUE(o.value("created").isDouble());
}

TEST_F(WatchModels, ruleRoundTripsWithAndWithoutLastRun)
{
    WatchRule rule = sampleRule();
    rule.processed = 7;
    rule.isEnabled = false;
    auto read = WatchRule::fromJson(rule.toJson());
    ASSERT_TRUE(read);
    EXPECT_EQ(*read, rule);
    EXPECT_FALSE(read->lastRun);

    rule.lastRun = QDateTime::fromMSecsSinceEpoch(1'700'000'000'123, Qt::UTC);
    read = WatchRule::fromJson(rule.toJson());
    ASSERT_TRUE(read);
    EXPECT_EQ(*read, rule);
    EXPECT_NE(*read, sampleRule());
}

struct RuleEdit {
    const char* name;
    std::function<void(QJsonObject&)> edit;
    bool readable;
};

class WatchRuleJson : public WatchModels, public ::testing::WithParamInterface<RuleEdit> {};

TEST_P(WatchRuleJson, decodes)
{
    QJsonObject o = sampleRule().toJson();
    GetParam().edit(o);
    EXPECT_EQ(WatchRule::fromJson(o).has_value(), GetParam().readable) << GetParam().name;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, WatchRuleJson,
    ::testing::Values(
        RuleEdit{"nullLastRun", [](QJsonObject& o) { o.insert("lastRun", QJsonValue::Null); }, true},
        RuleEdit{"unknownKey", [](QJsonObject& o) { o.insert("colour", "red"); }, true},
        RuleEdit{"noProcessed", [](QJsonObject& o) { o.remove("processed"); }, false},
        RuleEdit{"noCreated", [](QJsonObject& o) { o.remove("created"); }, false},
        RuleEdit{"noAction", [](QJsonObject& o) { o.remove("action"); }, false},
        RuleEdit{"badAction", [](QJsonObject& o) { o.insert("action", QJsonObject()); }, false},
        RuleEdit{"enabledAsNumber", [](QJsonObject& o) { o.insert("isEnabled", 1); }, false},
        RuleEdit{"processedFraction", [](QJsonObject& o) { o.insert("processed", 1.5); }, false},
        RuleEdit{"lastRunAsText", [](QJsonObject& o) { o.insert("lastRun", "yesterday"); }, false},
        RuleEdit{"badId", [](QJsonObject& o) { o.insert("id", "not-a-uuid"); }, false}),
    [](const auto& info) { return std::string(info.param.name); });

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

// ---- Recipes -------------------------------------------------------------------------------------------

TEST_F(WatchModels, fourRecipesInOrder)
{
    const auto& recipes = WatchRecipe::all();
    ASSERT_EQ(recipes.size(), 4);
    EXPECT_EQ(recipes[0].id, QStringLiteral("web"));
    EXPECT_EQ(recipes[1].id, QStringLiteral("heic"));
    EXPECT_EQ(recipes[2].id, QStringLiteral("insta"));
    EXPECT_EQ(recipes[3].id, QStringLiteral("privacy"));

    EXPECT_EQ(recipes[0].action, WatchAction::preset(PresetSpec::defaults().first()));
    EXPECT_EQ(recipes[0].color, WatchRecipe::Color::violet);
    EXPECT_EQ(recipes[1].action, WatchAction::convert(QStringLiteral("jpg")));
    EXPECT_EQ(recipes[1].color, WatchRecipe::Color::teal);
    EXPECT_EQ(recipes[2].action, WatchAction::preset(PlatformPresets::all().first().presets.first()));
    EXPECT_EQ(recipes[2].color, WatchRecipe::Color::rose);
    EXPECT_EQ(recipes[2].subtitle, QStringLiteral("Ořízne a zmenší na 1080×1350 px"));
    EXPECT_EQ(recipes[3].action, WatchAction::stripMetadata());
    EXPECT_EQ(recipes[3].color, WatchRecipe::Color::gold);
    EXPECT_EQ(&WatchRecipe::all(), &recipes); // built once
    for (const WatchRecipe& r : recipes)
        EXPECT_TRUE(r.action.operation().has_value()) << r.id.toStdString();
}

TEST_F(WatchModels, recipeTextsHaveEnglish)
{
    for (const WatchRecipe& r : WatchRecipe::all()) {
        EXPECT_TRUE(L10n::hasEnglishTranslation(r.title)) << r.title.toStdString();
        EXPECT_TRUE(L10n::hasEnglishTranslation(r.subtitle)) << r.subtitle.toStdString();
    }
}

} // namespace
