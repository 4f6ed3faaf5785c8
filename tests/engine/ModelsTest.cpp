#include <limits>
#include <set>

#include <QJsonArray>
#include <QJsonDocument>
#include <QSet>

#include <gtest/gtest.h>

#include "engine/Localization.h"
#include "engine/Models.h"
#include "platform/Settings.h"

using namespace kelvaro;

namespace {
void useLanguage(const char* code)
{
    Settings::shared().setValue(QStringLiteral("kelvaro.language"), QString::fromLatin1(code));
}

QJsonObject parse(const char* json)
{
    return QJsonDocument::fromJson(QByteArray(json)).object();
}

const char* kItemId = "0F8FAD5B-D9CB-469F-A165-70867728950E";
} // namespace

TEST(WheelModes, rawValuesAndTitles)
{
    EXPECT_EQ(allWheelModes(), (QList<WheelMode>{WheelMode::convert, WheelMode::tools, WheelMode::actions}));
    EXPECT_EQ(wheelModeFromRaw(QStringLiteral("tools")), WheelMode::tools);
    EXPECT_FALSE(wheelModeFromRaw(QStringLiteral("Tools")));
    useLanguage("cs");
    EXPECT_EQ(title(WheelMode::convert), QStringLiteral("Převést"));
    useLanguage("en");
    EXPECT_EQ(title(WheelMode::actions), QStringLiteral("Actions"));
}

TEST(WheelActions, twentyOneUniqueKeysInOrder)
{
    EXPECT_EQ(actions(WheelMode::convert).size(), 6);
    EXPECT_EQ(actions(WheelMode::tools).size(), 9);
    EXPECT_EQ(actions(WheelMode::actions).size(), 6);
    EXPECT_EQ(actions(WheelMode::convert).first(), (WheelAction{QStringLiteral("JPG"), QStringLiteral("photo")}));
    EXPECT_EQ(actions(WheelMode::tools).last().key, QStringLiteral("Vodoznak"));
    EXPECT_EQ(actions(WheelMode::actions).at(5).symbol, QStringLiteral("doc.on.clipboard"));
    QSet<QString> keys;
    for (WheelMode m : allWheelModes())
        for (const WheelAction& a : actions(m))
            keys.insert(a.key);
    EXPECT_EQ(keys.size(), 21);
    // The conversion slices name their format by the lower-cased key.
    for (const WheelAction& a : actions(WheelMode::convert))
        EXPECT_FALSE(a.key.toLower().isEmpty());
}

TEST(WheelActions, detailOfKnownAndUnknownKeys)
{
    useLanguage("cs");
    EXPECT_EQ((WheelAction{QStringLiteral("Ořez"), QStringLiteral("crop")}).detail(), QStringLiteral("Poměr 1:1, 4:5, 16:9…"));
    EXPECT_EQ((WheelAction{QStringLiteral("Ořez"), QStringLiteral("crop")}).detail().right(1), QString(QChar(0x2026)));
    EXPECT_EQ((WheelAction{QStringLiteral("ořez"), QStringLiteral("crop")}).detail(), QString());
    EXPECT_EQ((WheelAction{QStringLiteral("Neznámé"), QStringLiteral("crop")}).detail(), QString());
    // The detail depends on the key only.
    EXPECT_EQ((WheelAction{QStringLiteral("Ořez"), QStringLiteral("other")}).detail(), QStringLiteral("Poměr 1:1, 4:5, 16:9…"));
    useLanguage("en");
    EXPECT_EQ((WheelAction{QStringLiteral("Ořez"), QStringLiteral("crop")}).detail(), QStringLiteral("Ratio 1:1, 4:5, 16:9…"));
}

TEST(WheelActions, everyKeyAndDetailHasEnglish)
{
    useLanguage("cs");
    for (WheelMode m : allWheelModes()) {
        for (const WheelAction& a : actions(m)) {
            EXPECT_TRUE(L10n::hasEnglishTranslation(a.key)) << qPrintable(a.key);
            EXPECT_FALSE(a.detail().isEmpty()) << qPrintable(a.key);
            EXPECT_TRUE(L10n::hasEnglishTranslation(a.detail())) << qPrintable(a.detail());
        }
    }
}

TEST(WheelActions, sameKeyDifferentSymbolSameIdButDifferentValue)
{
    const WheelAction a{QStringLiteral("PDF"), QStringLiteral("doc.richtext")};
    const WheelAction b{QStringLiteral("PDF"), QStringLiteral("doc")};
    EXPECT_EQ(a.id(), b.id());
    EXPECT_NE(a, b);
    EXPECT_EQ((QSet<WheelAction>{a, b, a}).size(), 2);
}

// The one table that turns keys into commands: each slice its own command, only in its own mode.
TEST(WheelActions, everySliceHasItsOwnCommandInItsModeOnly)
{
    std::set<WheelCommand> seen;
    for (WheelMode mode : allWheelModes()) {
        for (const WheelAction& action : actions(mode)) {
            const std::optional<WheelCommand> command = wheelCommand(mode, action.key);
            ASSERT_TRUE(command) << action.key.toStdString();
            EXPECT_TRUE(seen.insert(*command).second) << action.key.toStdString();
            for (WheelMode other : allWheelModes())
                EXPECT_FALSE(other != mode && wheelCommand(other, action.key)) << action.key.toStdString();
        }
    }
    EXPECT_EQ(seen.size(), 21u);
    EXPECT_EQ(wheelCommand(WheelMode::convert, QStringLiteral("heic")), WheelCommand::convertHeic);
    EXPECT_FALSE(wheelCommand(WheelMode::tools, QStringLiteral("ořez")));
    EXPECT_FALSE(wheelCommand(WheelMode::actions, QStringLiteral("AirDrop")));
}

TEST(ActivityItemJson, nullOutputPathDecodesAndIsLeftOutAgain)
{
    const auto item = ActivityItem::fromJson(parse(
        R"({"id":"0f8fad5b-d9cb-469f-a165-70867728950e","fileName":"a.jpg","actionTitle":"Komprese",)"
        R"("symbol":"photo","date":0,"savedBytes":12,"outputPath":null,"extra":true})"));
    ASSERT_TRUE(item);
    EXPECT_FALSE(item->outputPath);
    EXPECT_EQ(item->date, QDateTime(QDate(2001, 1, 1), QTime(0, 0), Qt::UTC));
    const QJsonObject o = item->toJson();
    EXPECT_FALSE(o.contains(QStringLiteral("outputPath")));
    EXPECT_FALSE(o.contains(QStringLiteral("extra")));
    EXPECT_EQ(o.value(QStringLiteral("id")).toString(), QString::fromLatin1(kItemId));
}

TEST(ActivityItemJson, roundTripWithDateAndPath)
{
    ActivityItem a;
    a.id = QUuid::createUuid();
    a.fileName = QStringLiteral("IMG_1.heic");
    a.actionTitle = QStringLiteral("Automaticky · Převod na JPG");
    a.symbol = QStringLiteral("photo");
    a.date = QDateTime(QDate(2026, 3, 14), QTime(15, 9, 26, 535), Qt::UTC);
    a.savedBytes = 5'000'000'000;
    a.outputPath = QStringLiteral("/tmp/out/IMG_1.jpg");
    const QJsonObject o = a.toJson();
    EXPECT_DOUBLE_EQ(o.value(QStringLiteral("date")).toDouble(), 795193766.535);
    EXPECT_EQ(ActivityItem::fromJson(o), a);
}

class ActivityItemRejects : public ::testing::TestWithParam<const char*> {};

TEST_P(ActivityItemRejects, missingOrMistypedRequiredMember)
{
    QJsonObject o = parse(R"({"id":"0F8FAD5B-D9CB-469F-A165-70867728950E","fileName":"a","actionTitle":"b",)"
                          R"("symbol":"c","date":1.5,"savedBytes":0})");
    ASSERT_TRUE(ActivityItem::fromJson(o));
    const QJsonObject patch = parse(GetParam());
    for (auto it = patch.begin(); it != patch.end(); ++it) {
        if (it.value().toString() == QStringLiteral("<remove>"))
            o.remove(it.key());
        else
            o.insert(it.key(), it.value());
    }
    EXPECT_FALSE(ActivityItem::fromJson(o)) << GetParam();
}

INSTANTIATE_TEST_SUITE_P(Members, ActivityItemRejects, ::testing::Values(
    R"({"id":"<remove>"})", R"({"date":"<remove>"})", R"({"savedBytes":1.5})", R"({"savedBytes":"12"})",
    R"({"date":"2026-01-01"})", R"({"date":1e300})", R"({"fileName":null})", R"({"outputPath":5})",
    R"({"symbol":false})"));

TEST(ShelfJson, withoutCountAndItemsDecodesEmpty)
{
    const auto s = Shelf::fromJson(parse(R"({"id":"0F8FAD5B-D9CB-469F-A165-70867728950E","name":"Výlet","symbol":"star","colorIndex":-3})"));
    ASSERT_TRUE(s);
    EXPECT_EQ(s->fileCount, 0);
    EXPECT_TRUE(s->items.isEmpty());
    EXPECT_EQ(s->colorIndex, -3);
    const auto n = Shelf::fromJson(parse(R"({"id":"0F8FAD5B-D9CB-469F-A165-70867728950E","name":"V","symbol":"s","colorIndex":0,"fileCount":null,"items":null})"));
    ASSERT_TRUE(n);
    EXPECT_EQ(n->fileCount, 0);
    // Written always.
    const QJsonObject o = n->toJson();
    EXPECT_TRUE(o.value(QStringLiteral("items")).isArray());
    EXPECT_EQ(o.value(QStringLiteral("fileCount")).toInt(-1), 0);
}

class ShelfRejects : public ::testing::TestWithParam<const char*> {};

TEST_P(ShelfRejects, record)
{
    EXPECT_FALSE(Shelf::fromJson(parse(GetParam()))) << GetParam();
}

INSTANTIATE_TEST_SUITE_P(Cases, ShelfRejects, ::testing::Values(
    R"({"id":"0F8FAD5B-D9CB-469F-A165-70867728950E","name":"V","symbol":"s"})",
    R"({"id":"0F8FAD5B-D9CB-469F-A165-70867728950E","name":"V","symbol":"s","colorIndex":1.5})",
    R"({"id":"0F8FAD5B-D9CB-469F-A165-70867728950E","name":"V","symbol":"s","colorIndex":3000000000})",
    R"({"id":"0F8FAD5B-D9CB-469F-A165-70867728950E","name":"V","symbol":"s","colorIndex":1,"fileCount":"3"})",
    R"({"id":"0F8FAD5B-D9CB-469F-A165-70867728950E","name":"V","symbol":"s","colorIndex":1,"items":{}})",
    R"({"id":"0F8FAD5B-D9CB-469F-A165-70867728950E","name":"V","symbol":"s","colorIndex":1,"items":[{"name":"x"}]})",
    R"({"name":"V","symbol":"s","colorIndex":1})"));

TEST(ShelfJson, itemsRoundTripWithBookmarkDataAndStoredPath)
{
    Shelf s;
    s.id = QUuid::createUuid();
    s.name = QStringLiteral("Produkty");
    s.symbol = QStringLiteral("folder.fill");
    s.colorIndex = 7;
    ShelfItem a;
    a.id = QUuid::createUuid();
    a.name = QStringLiteral("a.jpg");
    a.bookmark = QByteArray("\x00\x01\xff" "bookmark", 11);
    a.bytes = 1234;
    a.added = QDateTime(QDate(2026, 1, 2), QTime(3, 4, 5), Qt::UTC);
    ShelfItem b = a;
    b.id = QUuid::createUuid();
    b.bookmark.clear();
    b.storedPath = QStringLiteral("Produkty/b.jpg");
    s.items = {a, b};
    const QJsonObject o = s.toJson();
    const QJsonArray items = o.value(QStringLiteral("items")).toArray();
    EXPECT_FALSE(items.at(0).toObject().contains(QStringLiteral("storedPath")));
    EXPECT_EQ(items.at(1).toObject().value(QStringLiteral("bookmark")).toString(), QString());
    EXPECT_EQ(items.at(0).toObject().value(QStringLiteral("bookmark")).toString(), QString::fromLatin1(a.bookmark.toBase64()));
    EXPECT_EQ(Shelf::fromJson(o), s);
}

TEST(ShelfItemJson, badBase64Fails)
{
    EXPECT_FALSE(ShelfItem::fromJson(parse(R"({"id":"0F8FAD5B-D9CB-469F-A165-70867728950E","name":"a","bookmark":"%%%","bytes":1,"added":0})")));
    EXPECT_TRUE(ShelfItem::fromJson(parse(R"({"id":"0F8FAD5B-D9CB-469F-A165-70867728950E","name":"a","bookmark":"","bytes":1,"added":0})")));
}

struct PaletteCase {
    qint64 colorIndex;
    int count;
    int expected;
};

class PaletteIndex : public ::testing::TestWithParam<PaletteCase> {};

TEST_P(PaletteIndex, absoluteRemainder)
{
    EXPECT_EQ(paletteIndex(GetParam().colorIndex, GetParam().count), GetParam().expected) << GetParam().colorIndex;
}

INSTANTIATE_TEST_SUITE_P(Indexes, PaletteIndex, ::testing::Values(
    PaletteCase{0, 5, 0}, PaletteCase{4, 5, 4}, PaletteCase{5, 5, 0}, PaletteCase{-2, 5, 2}, PaletteCase{-7, 5, 2},
    PaletteCase{std::numeric_limits<int>::min(), 5, 3}, PaletteCase{std::numeric_limits<int>::max(), 5, 2},
    PaletteCase{std::numeric_limits<qint64>::min(), 5, 3}, PaletteCase{3, 0, 0}));

TEST(PaletteIndex, shelfUsesTheSameRule)
{
    Shelf s;
    s.colorIndex = std::numeric_limits<int>::min();
    EXPECT_EQ(s.paletteIndex(5), 3);
}

TEST(SidebarItems, orderRawValuesTitles)
{
    ASSERT_EQ(allSidebarItems().size(), 6);
    EXPECT_EQ(allSidebarItems().first(), SidebarItem::home);
    EXPECT_EQ(allSidebarItems().last(), SidebarItem::guide);
    for (SidebarItem item : allSidebarItems())
        EXPECT_EQ(sidebarItemFromRaw(rawValue(item)), item);
    EXPECT_FALSE(sidebarItemFromRaw(QStringLiteral("Home")));
    useLanguage("cs");
    EXPECT_EQ(title(SidebarItem::watch), QStringLiteral("Sledované složky"));
    useLanguage("en");
    EXPECT_EQ(title(SidebarItem::shelves), QStringLiteral("Shelves"));
    EXPECT_EQ(symbol(SidebarItem::history), QStringLiteral("clock.arrow.circlepath"));
}

TEST(SampleData, activitiesAreFreshEachTimeWithTheSameTexts)
{
    const QDateTime before = QDateTime::currentDateTimeUtc();
    const QList<ActivityItem> a = SampleData::activities();
    const QList<ActivityItem> b = SampleData::activities();
    ASSERT_EQ(a.size(), 12);
    ASSERT_EQ(b.size(), 12);
    for (int i = 0; i < 12; ++i) {
        EXPECT_NE(a[i].id, b[i].id);
        EXPECT_EQ(a[i].fileName, b[i].fileName);
        EXPECT_EQ(a[i].actionTitle, b[i].actionTitle);
        EXPECT_FALSE(a[i].outputPath);
        if (i > 0) {
            EXPECT_LT(a[i].date, a[i - 1].date) << "newest first";
        }
    }
    EXPECT_NEAR(double(a[0].date.secsTo(before)), 3600.0, 5.0);
    EXPECT_NEAR(double(a[11].date.secsTo(before)), 518400.0, 5.0);
    EXPECT_EQ(a[0].actionTitle, QStringLiteral("HEIC → JPG"));
    EXPECT_EQ(a[2].fileName, QStringLiteral("DSC_7781.jpg"));
    EXPECT_EQ(a[3].savedBytes, 18600000);
    EXPECT_EQ(a[11].actionTitle, QStringLiteral("TIFF → JPG"));
}

TEST(SampleData, shelvesHaveCountsAndNoItems)
{
    useLanguage("cs");
    const QList<Shelf> s = SampleData::shelves();
    ASSERT_EQ(s.size(), 4);
    EXPECT_EQ(s[1].name, QStringLiteral("Portfolio 2026"));
    EXPECT_EQ(s[2].name, QStringLiteral("Produktovky"));
    EXPECT_EQ(s[0].colorIndex, 4);
    EXPECT_EQ(s[3].fileCount, 214);
    for (const Shelf& shelf : s) {
        EXPECT_GE(shelf.fileCount, 1);
        EXPECT_TRUE(shelf.items.isEmpty());
    }
    EXPECT_NE(SampleData::shelves()[0].id, s[0].id);
    useLanguage("en");
    EXPECT_EQ(SampleData::shelves()[3].name, QStringLiteral("Iceland"));
}

TEST(SampleData, titlesTranslatePartByPart)
{
    useLanguage("en");
    for (const ActivityItem& a : SampleData::activities())
        EXPECT_TRUE(L10n::hasEnglishTranslation(a.actionTitle)) << qPrintable(a.actionTitle);
}
