#include <limits>
#include <set>

#include <QJsonArray>
#include <QJsonDocument>
#include <QSet>

#include <gtest/gtest.h>

#include "../support/TestSupport.h"
#include "model/Models.h"
#include "platform/Settings.h"

using namespace kelvaro;

namespace {

using test::parseJson;

// `base` with the members of `patch` set, "<remove>" removing one.
QJsonObject patched(QJsonObject base, const char* patch)
{
    const QJsonObject changes = parseJson(patch);
    for (auto it = changes.begin(); it != changes.end(); ++it) {
        if (it.value().toString() == QStringLiteral("<remove>"))
            base.remove(it.key());
        else
            base.insert(it.key(), it.value());
    }
    return base;
}

// Their English is the translation table's check.
TEST(WheelActions, twentyOneUniqueKeysEachWithADetail)
{
    Settings::shared().setValue(QStringLiteral("kelvaro.language"), QStringLiteral("cs"));
    QSet<QString> keys;
    for (WheelMode mode : allWheelModes())
        for (const WheelAction& a : actions(mode)) {
            keys.insert(a.key);
            EXPECT_FALSE(a.detail().isEmpty()) << qPrintable(a.key);
        }
    EXPECT_EQ(keys.size(), 21);
    // The detail depends on the exact key only.
    EXPECT_EQ((WheelAction{QStringLiteral("Ořez"), QStringLiteral("other")}).detail(), QStringLiteral("Poměr 1:1, 4:5, 16:9…"));
    EXPECT_EQ((WheelAction{QStringLiteral("ořez"), QStringLiteral("crop")}).detail(), QString());
    // Same key, another symbol: the same id but another value.
    const WheelAction a{QStringLiteral("PDF"), QStringLiteral("doc.richtext")}, b{QStringLiteral("PDF"), QStringLiteral("doc")};
    EXPECT_EQ(a.id(), b.id());
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

TEST(ActivityItemJson, roundTripsWithDateAndPathLeavesANullPathOutAndRejectsAMistypedMember)
{
    ActivityItem a;
    a.id = QUuid::createUuid();
    a.fileName = QStringLiteral("IMG_1.heic");
    a.actionTitle = QStringLiteral("Automaticky · Převod na JPG");
    a.symbol = QStringLiteral("photo");
    a.date = QDateTime(QDate(2026, 3, 14), QTime(15, 9, 26, 535), Qt::UTC);
    a.savedBytes = 5'000'000'000;
    a.outputPath = QStringLiteral("/tmp/out/IMG_1.jpg");
    EXPECT_DOUBLE_EQ(a.toJson().value(QStringLiteral("date")).toDouble(), 795193766.535);
    EXPECT_EQ(ActivityItem::fromJson(a.toJson()), a);

    const auto item = ActivityItem::fromJson(parseJson(
        R"({"id":"0f8fad5b-d9cb-469f-a165-70867728950e","fileName":"a.jpg","actionTitle":"Komprese",)"
        R"("symbol":"photo","date":0,"savedBytes":12,"outputPath":null,"extra":true})"));
    ASSERT_TRUE(item);
    EXPECT_FALSE(item->outputPath);
    EXPECT_EQ(item->date, QDateTime(QDate(2001, 1, 1), QTime(0, 0), Qt::UTC));
    const QJsonObject o = item->toJson();
    EXPECT_FALSE(o.contains(QStringLiteral("outputPath")));
    EXPECT_EQ(o.value(QStringLiteral("extra")), QJsonValue(true)) << "a later version's member is written back";
    EXPECT_EQ(o.value(QStringLiteral("id")).toString(), QStringLiteral("0F8FAD5B-D9CB-469F-A165-70867728950E"));

    // A missing or mistyped required member rejects the item.
    const QJsonObject good = parseJson(R"({"id":"0F8FAD5B-D9CB-469F-A165-70867728950E","fileName":"a","actionTitle":"b",)"
                                   R"("symbol":"c","date":1.5,"savedBytes":0})");
    ASSERT_TRUE(ActivityItem::fromJson(good));
    for (const char* patch : {R"({"id":"<remove>"})", R"({"date":"<remove>"})", R"({"savedBytes":1.5})", R"({"savedBytes":"12"})",
                              R"({"date":"2026-01-01"})", R"({"date":1e300})", R"({"fileName":null})", R"({"outputPath":5})",
                              R"({"symbol":false})"})
        EXPECT_FALSE(ActivityItem::fromJson(patched(good, patch))) << patch;
}

TEST(SavedBytes, HugeSavingsDoNotOverflowIntoANegativeSumAndGrownFilesSaveNothing)
{
    const auto saving = [](qint64 bytes) { return ActivityItem{.savedBytes = bytes}; };
    EXPECT_GT(totalSavedBytes({saving(std::numeric_limits<qint64>::max()), saving(10)}), 0);
    EXPECT_EQ(totalSavedBytes({saving(1200), saving(-10), saving(0), saving(34)}), 1234);
}

TEST(ShelfJson, optionalMembersDecodeEmptyAreAlwaysWrittenAndItemsRoundTrip)
{
    const auto empty = Shelf::fromJson(parseJson(R"({"id":"0F8FAD5B-D9CB-469F-A165-70867728950E","name":"V","symbol":"s","colorIndex":-3,)"
                                         R"("fileCount":null,"items":null})"));
    ASSERT_TRUE(empty);
    EXPECT_EQ(empty->fileCount, 0);
    EXPECT_TRUE(empty->items.isEmpty());
    EXPECT_EQ(empty->colorIndex, -3);
    const QJsonObject written = empty->toJson();
    EXPECT_TRUE(written.value(QStringLiteral("items")).isArray());
    EXPECT_EQ(written.value(QStringLiteral("fileCount")).toInt(-1), 0);

    const QJsonObject good = parseJson(R"({"id":"0F8FAD5B-D9CB-469F-A165-70867728950E","name":"V","symbol":"s","colorIndex":1})");
    ASSERT_TRUE(Shelf::fromJson(good));
    for (const char* patch : {R"({"colorIndex":"<remove>"})", R"({"colorIndex":1.5})", R"({"colorIndex":3000000000})",
                              R"({"fileCount":"3"})", R"({"items":{}})", R"({"items":[{"name":"x"}]})", R"({"id":"<remove>"})"})
        EXPECT_FALSE(Shelf::fromJson(patched(good, patch))) << patch;

    // Items round-trip with their bookmark data and stored path.
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
    EXPECT_EQ(items.at(0).toObject().value(QStringLiteral("bookmark")).toString(), QString::fromLatin1(a.bookmark.toBase64()));
    EXPECT_EQ(Shelf::fromJson(o), s);
    EXPECT_FALSE(ShelfItem::fromJson(parseJson(R"({"id":"0F8FAD5B-D9CB-469F-A165-70867728950E","name":"a","bookmark":"%%%","bytes":1,"added":0})")));
}

TEST(PaletteIndex, isTheAbsoluteRemainderAlsoAtTheLimits)
{
    const struct {
        qint64 colorIndex;
        int count, expected;
    } rows[] = {{0, 5, 0}, {4, 5, 4}, {5, 5, 0}, {-2, 5, 2}, {-7, 5, 2}, {std::numeric_limits<int>::min(), 5, 3},
                {std::numeric_limits<int>::max(), 5, 2}, {std::numeric_limits<qint64>::min(), 5, 3}, {3, 0, 0}};
    for (const auto& row : rows)
        EXPECT_EQ(paletteIndex(row.colorIndex, row.count), row.expected) << row.colorIndex;
    Shelf s;
    s.colorIndex = std::numeric_limits<int>::min();
    EXPECT_EQ(s.paletteIndex(5), 3);
}

TEST(SampleData, shelfNamesFollowTheLanguageAndEachCallGivesNewIds)
{
    Settings::shared().setValue(QStringLiteral("kelvaro.language"), QStringLiteral("en"));
    const QList<Shelf> shelves = SampleData::shelves();
    EXPECT_EQ(shelves[3].name, QStringLiteral("Iceland"));
    EXPECT_NE(SampleData::shelves()[0].id, shelves[0].id);
    EXPECT_NE(SampleData::activities()[0].id, SampleData::activities()[0].id);
}

} // namespace
