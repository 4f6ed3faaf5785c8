// The watcher's memory of its folders' files: what a start makes of the files found in hand, each
// change on disk when the call returns, and nothing lost when the disk refuses a write.
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

#include "../support/TestSupport.h"
#include "platform/FileSystem.h"
#include "platform/Json.h"
#include "platform/Settings.h"
#include "watch/WatchMemory.h"

using namespace kelvaro;

namespace {

const QUuid kRule = QUuid::fromString(QStringLiteral("{6f0d3a51-0c77-4b7e-9a8e-3c1f5a2b7d10}"));
const QString kRuleText = json::uuidText(kRule);

QString seenName()
{
    return QString::fromLatin1(WatchMemory::seenKey);
}
QString inHandName()
{
    return QString::fromLatin1(WatchMemory::inHandKey);
}

// A stored document as the settings file on disk holds it (none when absent).
std::optional<QByteArray> onDisk(const QString& key)
{
    const QJsonObject file = QJsonDocument::fromJson(test::readFile(Settings::shared().filePath())).object();
    if (!file.contains(key))
        return std::nullopt;
    return QByteArray::fromBase64(file.value(key).toObject().value(QStringLiteral("data")).toString().toLatin1());
}
QJsonObject objectOnDisk(const QString& key)
{
    return QJsonDocument::fromJson(onDisk(key).value_or(QByteArray())).object();
}
QSet<QString> seenOnDisk()
{
    QSet<QString> keys;
    for (const QJsonValue& key : objectOnDisk(seenName()).value(kRuleText).toArray())
        keys.insert(key.toString());
    return keys;
}
QJsonObject inHandOnDisk()
{
    return objectOnDisk(inHandName()).value(kRuleText).toObject();
}

void store(const QString& key, const std::optional<QByteArray>& document)
{
    if (document)
        ASSERT_TRUE(Settings::shared().setValue(key, *document));
    else
        ASSERT_TRUE(Settings::shared().remove(key));
}

struct LoadRow {
    const char* name;
    std::optional<QByteArray> seen;   // the stored documents; none: absent
    std::optional<QByteArray> inHand;
    QStringList givenUp;              // keys the load gives up
    std::optional<QSet<QString>> seenAfter; // the rule's memory after the load; none: no memory
    QJsonObject inHandAfter;          // the rule's files in hand after it, on disk too
};

void PrintTo(const LoadRow& row, std::ostream* os)
{
    *os << row.name;
}

class WatchMemoryLoad : public ::testing::TestWithParam<LoadRow> {};

TEST_P(WatchMemoryLoad, decidesWhatBecomesOfTheFilesFoundInHand)
{
    const LoadRow& row = GetParam();
    store(seenName(), row.seen);
    store(inHandName(), row.inHand);

    WatchMemory memory;
    QStringList givenUp;
    for (const WatchMemory::GivenUp& file : memory.load()) {
        EXPECT_EQ(file.rule, kRule);
        givenUp.append(file.key);
    }
    EXPECT_EQ(givenUp, row.givenUp);
    EXPECT_EQ(memory.has(kRule), row.seenAfter.has_value());
    if (row.seenAfter) {
        EXPECT_EQ(memory.seen(kRule), *row.seenAfter);
        EXPECT_EQ(seenOnDisk(), *row.seenAfter);
    }
    QHash<QString, int> inHand;
    for (auto it = row.inHandAfter.constBegin(); it != row.inHandAfter.constEnd(); ++it)
        inHand.insert(it.key(), it.value().toInt());
    EXPECT_EQ(memory.inHand(kRule), inHand);
    if (row.inHand) {
        EXPECT_EQ(inHandOnDisk(), row.inHandAfter);
    }
}

QByteArray seenOf(const char* keys)
{
    return QByteArray(R"({")") + kRuleText.toLatin1() + R"(":)" + keys + "}";
}
QByteArray inHandOf(const char* starts)
{
    return QByteArray(R"({")") + kRuleText.toLatin1() + R"(":)" + starts + "}";
}

INSTANTIATE_TEST_SUITE_P(
    Rows, WatchMemoryLoad,
    ::testing::Values(
        // Saved by a version that kept no files in hand: read as before.
        LoadRow{"olderDocumentsWithoutFilesInHand", seenOf(R"(["a|1|1"])"), std::nullopt, {}, QSet<QString>{"a|1|1"}, {}},
        // In hand at one end: tried once more, and counted again when it starts.
        LoadRow{"inHandOnceIsTriedAgain", seenOf(R"(["a|1|1"])"), inHandOf(R"({"b|1|1":1})"), {}, QSet<QString>{"a|1|1"},
                QJsonObject{{"b|1|1", 1}}},
        // In hand at two ends in a row: failed, seen as a failed file is.
        LoadRow{"inHandTwiceIsGivenUpAsSeen", seenOf(R"(["a|1|1"])"), inHandOf(R"({"b|1|1":2,"c|1|1":1})"), {"b|1|1"},
                QSet<QString>{"a|1|1", "b|1|1"}, QJsonObject{{"c|1|1", 1}}},
        // Killed between saving it as seen and taking it out of hand: made, nothing to try.
        LoadRow{"seenAndInHandIsMade", seenOf(R"(["a|1|1","b|1|1"])"), inHandOf(R"({"b|1|1":1})"), {},
                QSet<QString>{"a|1|1", "b|1|1"}, {}},
        // A rule without a memory takes a baseline at its first scan: no memory is made for it.
        LoadRow{"givenUpForARuleWithoutMemory", QByteArray("{}"), inHandOf(R"({"b|1|1":2})"), {"b|1|1"}, std::nullopt, {}},
        // Counts of a moment only: dropped, and the seen keys stay as they are.
        LoadRow{"inHandThatDoesNotDecodeIsDropped", seenOf(R"(["a|1|1"])"), inHandOf(R"({"b|1|1":"twice"})"), {},
                QSet<QString>{"a|1|1"}, {}}),
    test::RowName());

// A later version's members beside the rules' are written back as read.
TEST(WatchMemory, membersNamedByNoRuleAreWrittenBackAsRead)
{
    store(inHandName(), QByteArray(R"({"later":{"x":[1]}})"));
    WatchMemory memory;
    memory.load();
    memory.starting(kRule, QStringLiteral("a|1|1"));
    EXPECT_EQ(objectOnDisk(inHandName()).value(QStringLiteral("later")), QJsonValue(QJsonObject{{"x", QJsonArray{1}}}));
    EXPECT_EQ(inHandOnDisk(), (QJsonObject{{"a|1|1", 1}}));
}

// Each step of a file is on disk when its call returns: in hand from its start, seen and out of
// hand at its end; a file that went leaves both.
TEST(WatchMemory, aFileIsOnDiskInHandFromItsStartAndSeenFromItsEnd)
{
    WatchMemory memory;
    memory.load();
    memory.begin(kRule, {QStringLiteral("old|1|1")});
    memory.starting(kRule, QStringLiteral("a|1|1"));
    memory.starting(kRule, QStringLiteral("b|1|1"));
    EXPECT_EQ(inHandOnDisk(), (QJsonObject{{"a|1|1", 1}, {"b|1|1", 1}}));
    EXPECT_EQ(seenOnDisk(), (QSet<QString>{"old|1|1"}));

    memory.ended(kRule, QStringLiteral("a|1|1"));
    EXPECT_EQ(seenOnDisk(), (QSet<QString>{"old|1|1", "a|1|1"}));
    EXPECT_EQ(inHandOnDisk(), (QJsonObject{{"b|1|1", 1}}));

    memory.keepOnly(kRule, {QStringLiteral("a|1|1")});
    EXPECT_EQ(seenOnDisk(), (QSet<QString>{"a|1|1"}));
    EXPECT_EQ(inHandOnDisk(), QJsonObject());
}

// A disk that refuses the writes loses nothing: the changes are saved with the next save that
// goes through.
TEST(WatchMemory, aRefusedWriteIsSavedLater)
{
    WatchMemory memory;
    memory.load();
    memory.begin(kRule, {});
    FailingFileSystem full;
    full.writeBudget = 0;
    FileSystem::setCurrent(&full);
    memory.starting(kRule, QStringLiteral("a|1|1"));
    memory.starting(kRule, QStringLiteral("b|1|1"));
    memory.ended(kRule, QStringLiteral("a|1|1"));
    FileSystem::setCurrent(nullptr);
    EXPECT_EQ(seenOnDisk(), QSet<QString>());
    EXPECT_EQ(inHandOnDisk(), QJsonObject());

    ASSERT_TRUE(Settings::shared().sync());
    EXPECT_EQ(seenOnDisk(), (QSet<QString>{"a|1|1"}));
    EXPECT_EQ(inHandOnDisk(), (QJsonObject{{"b|1|1", 1}}));
}

} // namespace
