// Every stored document whose value this version cannot decode: its owner says it is unreadable,
// shows nothing in its place and never writes over it, whatever shape the value has.
#include <cerrno>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QEventLoop>
#include <QLockFile>
#include <QTimer>

#include "StoreTestSupport.h"
#include "platform/Json.h"
#include "../support/SmallDisk.h"
#include "store/UserPresets.h"
#include "store/WorkflowStore.h"
#include "watch/FolderWatcher.h"

namespace kelvaro::test {
namespace {

// A JSON value as compact text, so that a difference reads as one.
std::string text(const QJsonValue& value)
{
    return QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact).toStdString();
}

// The value of `key` in the settings file as it is on disk, as text.
std::string onDisk(const QString& key)
{
    return text(QJsonDocument::fromJson(readFile(Settings::shared().filePath())).object().value(key));
}

struct Document {
    const char* key;
    // Opens the document's owner, uses each of its writes and says whether it called the value
    // unreadable and showed nothing (no sample content) in its place.
    std::function<bool()> openAndUse;
};

class StoredDocumentsTest : public StoreTest {};

TEST_F(StoredDocumentsTest, AValueThatDoesNotDecodeIsUnreadableAndKeptAsItIs)
{
    const Document documents[] = {
        {SettingsKey::library, [this] {
             KelvaroStore store(services(fakeProcess));
             const bool unread = !store.canPersist() && store.activities().isEmpty() && store.shelves().isEmpty();
             store.addHistoryEntry(entry("a.jpg"));
             store.createShelf(QStringLiteral("Léto"));
             store.save();
             return unread;
         }},
        {SettingsKey::presets, [] {
             UserPresets presets(Settings::shared());
             const bool unread = presets.state() == UserPresets::State::unreadable && presets.presets().isEmpty();
             return unread && !presets.append(PresetSpec::defaults().at(0)) && !presets.remove(QUuid::createUuid());
         }},
        {SettingsKey::workflows, [] {
             WorkflowStore workflows(Settings::shared());
             const bool unread = workflows.state() == WorkflowStore::State::unreadable && workflows.workflows().isEmpty();
             return unread && !workflows.upsert(WorkflowStore::newTemplate());
         }},
        {SettingsKey::watchRules, [this] {
             FolderWatcher watcher;
             const bool unread = watcher.rulesUnreadable() && watcher.rules().isEmpty();
             const bool refused = !watcher.add(makeFolder(QStringLiteral("watched")), WatchAction::convert("jpg"));
             watcher.remove(QUuid::createUuid());
             return unread && refused;
         }},
        {SettingsKey::watchSeen, [] {
             FolderWatcher watcher;
             watcher.remove(QUuid::createUuid()); // writes the seen keys of the rules left
             return recentLogLines().contains(QStringLiteral("Kelvaro: failed to decode the watched folders' seen files"));
         }},
    };
    const QJsonArray history{QJsonObject{{"id", "x"}}, QJsonObject{{"fileName", "a.jpg"}}};
    const struct {
        const char* name;
        QJsonValue value;
    } shapes[] = {
        {"null", QJsonValue::Null},
        {"an object of another shape", QJsonObject{{"dcta", history}}},
        {"a tagged value of another type", QJsonObject{{"data", 7}}},
        {"a number", 7},
        {"a list of objects", history},
        {"data that is not JSON", QJsonObject{{"data", QString::fromLatin1(QByteArray("not json [").toBase64())}}},
    };
    int saves = 0;
    for (const Document& document : documents) {
        for (const auto& shape : shapes) {
            SCOPED_TRACE(std::string(document.key) + ": " + shape.name);
            const QString key = QString::fromLatin1(document.key);
            ASSERT_TRUE(Settings::shared().setValue(key, QVariant::fromValue(shape.value)));
            ASSERT_EQ(onDisk(key), text(shape.value));
            clearRecentLogLines();

            EXPECT_TRUE(document.openAndUse());
            // Another setting saved later writes the file again, with the value as it was read.
            ASSERT_TRUE(Settings::shared().setValue(QString::fromLatin1(SettingsKey::settingsTab), QString::number(++saves)));
            EXPECT_EQ(onDisk(key), text(shape.value));
            Settings::shared().remove(key);
        }
    }
}

// Every value found under "later" anywhere in `value`, as compact text, sorted.
QStringList laterValues(const QJsonValue& value)
{
    QStringList found;
    if (value.isArray()) {
        for (const QJsonValue& item : value.toArray())
            found += laterValues(item);
    } else if (value.isObject()) {
        const QJsonObject object = value.toObject();
        for (auto it = object.begin(); it != object.end(); ++it) {
            if (it.key() == QLatin1String("later"))
                found.append(QString::fromStdString(text(it.value())));
            found += laterValues(it.value());
        }
    }
    found.sort();
    return found;
}

// `object` with a member "later" that says where it stands: what a later version may add.
QJsonObject withLater(QJsonObject object, const char* where)
{
    object.insert(QStringLiteral("later"), QJsonObject{{QStringLiteral("at"), QString::fromLatin1(where)}, {QStringLiteral("n"), 2}});
    return object;
}

// A document a later version wrote, with members this version does not know on every level, is
// saved again by each of its writers with all of them, as read, beside the change.
TEST_F(StoredDocumentsTest, WhatALaterVersionAddedSurvivesEverySave)
{
    const QString watched = makeFolder(QStringLiteral("watched"));
    const QUuid ruleId = QUuid::createUuid();
    const QJsonArray presetList{withLater(PresetSpec::defaults().at(0).toJson(), "preset")};
    const QJsonObject step = withLater(WorkflowStep::make(WorkflowStep::Kind::resize).toJson(), "step");
    const QJsonObject workflow = [&] {
        QJsonObject w = withLater(WorkflowStore::newTemplate().toJson(), "workflow");
        w.insert(QStringLiteral("steps"), QJsonArray{step});
        return w;
    }();
    const QJsonObject rule = [&] {
        WatchRule r = WatchRule::make(watched, QByteArray("mark"), WatchAction::preset(PresetSpec::defaults().at(1)));
        r.id = ruleId;
        QJsonObject action = withLater(r.action.toJson(), "action");
        QJsonObject inner = action.value(QStringLiteral("preset")).toObject();
        inner.insert(QStringLiteral("_0"), withLater(inner.value(QStringLiteral("_0")).toObject(), "action's preset"));
        action.insert(QStringLiteral("preset"), inner);
        QJsonObject o = withLater(r.toJson(), "rule");
        o.insert(QStringLiteral("action"), action);
        return o;
    }();
    const QJsonObject library = [&] {
        ShelfItem item{QUuid::createUuid(), QStringLiteral("a.jpg"), {}, 10, QDateTime::currentDateTimeUtc(), std::nullopt};
        Shelf shelf{QUuid::createUuid(), QStringLiteral("Léto"), QStringLiteral("sun.max"), 1, 0, {}};
        QJsonObject shelfJson = withLater(shelf.toJson(), "shelf");
        shelfJson.insert(QStringLiteral("items"), QJsonArray{withLater(item.toJson(), "shelf item")});
        return withLater(QJsonObject{{QStringLiteral("activities"), QJsonArray{withLater(entry("a.jpg").toJson(), "history entry")}},
                                     {QStringLiteral("shelves"), QJsonArray{shelfJson}}},
                         "library");
    }();
    const QJsonObject seen = withLater(QJsonObject{{json::uuidText(ruleId), QJsonArray{QStringLiteral("a.jpg|1|2")}}}, "seen");

    const struct {
        const char* key;
        QJsonValue stored;
        std::function<void()> write; // a change through the document's own writer
    } rows[] = {
        {SettingsKey::library, library, [this] {
             KelvaroStore store(services(fakeProcess));
             ASSERT_EQ(store.activities().size(), 1);
             EXPECT_TRUE(store.addHistoryEntry(entry("b.jpg")));
         }},
        {SettingsKey::presets, presetList, [] {
             UserPresets presets(Settings::shared());
             EXPECT_TRUE(presets.append(PresetSpec::defaults().at(2)));
         }},
        {SettingsKey::workflows, QJsonArray{workflow}, [] {
             WorkflowStore workflows(Settings::shared());
             ASSERT_EQ(workflows.workflows().size(), 1);
             Workflow renamed = workflows.workflows().first();
             renamed.name = QStringLiteral("Přejmenovaný");
             EXPECT_TRUE(workflows.upsert(renamed));
             EXPECT_TRUE(workflows.upsert(WorkflowStore::newTemplate()));
         }},
        {SettingsKey::watchRules, QJsonArray{rule}, [this] {
             FolderWatcher watcher;
             ASSERT_EQ(watcher.rules().size(), 1);
             EXPECT_TRUE(watcher.add(makeFolder(QStringLiteral("other")), WatchAction::convert(QStringLiteral("png"))));
         }},
        {SettingsKey::watchSeen, seen, [&] {
             ASSERT_TRUE(Settings::shared().setValue(QString::fromLatin1(SettingsKey::watchRules),
                                                     QJsonDocument(QJsonArray{rule}).toJson(QJsonDocument::Compact)));
             FolderWatcher watcher;
             watcher.remove(ruleId); // and its seen keys
         }},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.key);
        const QString key = QString::fromLatin1(row.key);
        const QByteArray bytes = row.stored.isArray() ? QJsonDocument(row.stored.toArray()).toJson(QJsonDocument::Compact)
                                                      : QJsonDocument(row.stored.toObject()).toJson(QJsonDocument::Compact);
        ASSERT_TRUE(Settings::shared().setValue(key, bytes));
        row.write();
        const std::optional<QByteArray> saved = Settings::shared().dataValue(key);
        ASSERT_TRUE(saved);
        EXPECT_NE(*saved, bytes) << "nothing was written";
        const QJsonDocument document = QJsonDocument::fromJson(*saved);
        EXPECT_EQ(laterValues(document.isArray() ? QJsonValue(document.array()) : QJsonValue(document.object())),
                  laterValues(row.stored));
    }
}

// While the stored history and shelves cannot be read, nothing is taken in that could not be stored:
// no shelf is made (by hand, by putting files on one, from a folder on disk) and a run says that
// its history is not kept. The stored value stays as it was.
TEST_F(StoredDocumentsTest, NothingIsAddedToAnUnreadableLibrary)
{
    const QString refusal = QStringLiteral("Uložené police se nepodařilo přečíst, proto je nechávám beze změny a další nepřidám.");
    const struct {
        const char* name;
        std::function<void(KelvaroStore&)> add;
        QString status; // what the status line says after it
    } rows[] = {
        {"a new shelf", [](KelvaroStore& s) { s.createShelf(QStringLiteral("Léto")); }, refusal},
        {"files put on a new shelf", [](KelvaroStore& s) { EXPECT_FALSE(s.addToShelf(std::nullopt, QStringLiteral("Léto"))); },
         refusal},
        {"a shelf folder on disk", [this](KelvaroStore& s) {
             touch(QStringLiteral("out/Police/Zima/z.jpg"));
             s.syncShelvesWithDisk();
         }, QString()},
        {"a run", [this](KelvaroStore& s) { ASSERT_TRUE(runOn(s.droppedFiles(), KelvaroOp::convert(ImageFormat::png))); },
         QStringLiteral("Hotovo – 1 soubor ve složce „out“. Historii neukládám, protože uloženou se nepodařilo přečíst.")},
    };
    const QString key = QString::fromLatin1(SettingsKey::library);
    const QJsonValue bad = QJsonObject{{"dcta", QJsonArray{}}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        ASSERT_TRUE(Settings::shared().setValue(key, QVariant::fromValue(bad)));
        rememberOutput();
        KelvaroStore& s = makeStore(fakeProcess);
        s.receive(QStringList{touch(QStringLiteral("in/a.jpg"))}, false);
        s.setStatusMessage(std::nullopt);

        row.add(s);
        EXPECT_TRUE(s.shelves().isEmpty());
        EXPECT_EQ(s.statusMessage().value_or(QString()), row.status);
        EXPECT_EQ(onDisk(key), text(bad));
    }
}

// A save the disk refuses is told to whoever made the change: the run's last sentence, the shelf's
// status, the preset's and the workflow's callers. The change stays listed for the next save.
TEST_F(StoredDocumentsTest, AChangeTheDiskRefusedIsTold)
{
    rememberOutput();
    KelvaroStore& s = makeStore(fakeProcess);
    s.receive(QStringList{touch(QStringLiteral("in/a.jpg"))}, false);
    for (const char* key : {SettingsKey::presets, SettingsKey::workflows})
        ASSERT_TRUE(Settings::shared().setValue(QString::fromLatin1(key), QByteArray("[]")));
    UserPresets presets(Settings::shared());
    WorkflowStore workflows(Settings::shared());
    const Workflow workflow = [] {
        Workflow w = WorkflowStore::newTemplate();
        w.name = QStringLiteral("Web");
        return w;
    }();
    const struct {
        const char* name;
        std::function<void()> write;
    } rows[] = {
        {"a run's history", [&] {
             ASSERT_TRUE(runOn(s.droppedFiles(), KelvaroOp::convert(ImageFormat::png)));
             EXPECT_EQ(s.statusMessage(), QStringLiteral("Hotovo – 1 soubor ve složce „out“. Historii se nepodařilo uložit."));
         }},
        {"files put on a shelf", [&] {
             EXPECT_TRUE(s.addToShelf(std::nullopt, QStringLiteral("Léto")));
             EXPECT_EQ(s.statusMessage(), QStringLiteral("Odloženo na polici „Léto“. Police se nepodařilo uložit."));
             EXPECT_TRUE(s.statusIsError());
         }},
        {"a new shelf", [&] {
             s.createShelf(QStringLiteral("Zima"));
             EXPECT_EQ(s.statusMessage(), QStringLiteral("Police se nepodařilo uložit."));
         }},
        {"a preset", [&] {
             EXPECT_FALSE(presets.append(PresetSpec::defaults().at(0)));
             EXPECT_EQ(presets.presets().size(), 1);
         }},
        {"a workflow", [&] {
             EXPECT_FALSE(workflows.upsert(workflow));
             EXPECT_TRUE(workflows.workflow(workflow.id));
         }},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        FailingFileSystem disk;
        disk.writeBudget = 0;
        FileSystem::setCurrent(&disk);
        s.setStatusMessage(std::nullopt);
        row.write();
        FileSystem::setCurrent(nullptr);
    }
    EXPECT_TRUE(Settings::shared().sync());
}

// A run whose history save is only put off by another process's lock (retried within moments)
// says nothing of a failure, and the history reaches the disk once the lock is free.
TEST_F(StoredDocumentsTest, AHistoryPutOffByAnotherSaveIsNoFailure)
{
    rememberOutput();
    KelvaroStore& s = makeStore(fakeProcess);
    s.receive(QStringList{touch(QStringLiteral("in/a.jpg"))}, false);
    QLockFile other(Settings::shared().filePath() + QStringLiteral(".lock"));
    ASSERT_TRUE(other.tryLock(0));
    bool ran = false;
    QEventLoop loop; // the window's loop, where a save never waits for another process
    QTimer::singleShot(0, &loop, [&] {
        ran = runOn(s.droppedFiles(), KelvaroOp::convert(ImageFormat::png));
        loop.quit();
    });
    loop.exec();
    ASSERT_TRUE(ran);
    EXPECT_EQ(s.statusMessage(), QStringLiteral("Hotovo – 1 soubor ve složce „out“."));
    EXPECT_TRUE(Settings::shared().hasUnsavedChanges());
    other.unlock();
    EXPECT_TRUE(waitUntil([] { return !Settings::shared().hasUnsavedChanges(); }));
}

// The profile on a disk of its own that fills up: a run's history, files put on a shelf and a
// setting are each told not saved, the file on disk stays as it was, and once there is room again
// the next save writes them all and the sentences that said otherwise go.
TEST(StoredDocumentsOnAFullDisk, NothingIsToldSavedThatIsNotAndRoomLetsItAllBeSaved)
{
    QTemporaryDir probe;
    SmallDisk disk(probe.path(), 64 * 1024);
    if (!disk.isMounted())
        GTEST_SKIP() << disk.whyNot().toStdString();
    EXPECT_TRUE(passesInFreshProcess(QStringLiteral("StoredDocumentsFullDiskChild.*"), 1));
}

class StoredDocumentsFullDiskChild : public StoredDocumentsTest {
protected:
    void SetUp() override
    {
        // Before the settings are first opened, which the fixture does.
        disk = std::make_unique<SmallDisk>(qEnvironmentVariable("XDG_CONFIG_HOME") + QStringLiteral("/Kelvaro"), 256 * 1024);
        ASSERT_TRUE(disk->isMounted()) << disk->whyNot().toStdString();
        StoredDocumentsTest::SetUp();
    }
    std::unique_ptr<SmallDisk> disk;
};

TEST_F(StoredDocumentsFullDiskChild, savesOnAFullDisk)
{
    rememberOutput();
    KelvaroStore& s = makeStore(fakeProcess);
    s.receive(QStringList{touch(QStringLiteral("in/a.jpg"))}, false);
    ASSERT_TRUE(Settings::shared().sync());
    const QString file = Settings::shared().filePath();
    const QByteArray before = readFile(file);
    ASSERT_FALSE(before.isEmpty());
    disk->fillLeaving(0);

    const struct {
        const char* name;
        std::function<void()> write;
    } rows[] = {
        {"a run's history", [&] {
             ASSERT_TRUE(runOn(s.droppedFiles(), KelvaroOp::convert(ImageFormat::png)));
             EXPECT_EQ(s.statusMessage(), QStringLiteral("Hotovo – 1 soubor ve složce „out“. Historii se nepodařilo uložit."));
         }},
        {"files put on a shelf", [&] {
             EXPECT_TRUE(s.addToShelf(std::nullopt, QStringLiteral("Léto")));
             EXPECT_EQ(s.statusMessage(), QStringLiteral("Odloženo na polici „Léto“. Police se nepodařilo uložit."));
         }},
        {"a setting", [&] {
             EXPECT_FALSE(Settings::shared().setValue(QStringLiteral("kelvaro.autoReveal"), true));
             EXPECT_EQ(Settings::shared().saveError(), ENOSPC);
         }},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        row.write();
        EXPECT_TRUE(Settings::shared().hasUnsavedChanges());
        EXPECT_EQ(readFile(file), before) << "the file on the full disk changed";
    }

    ASSERT_TRUE(QFile::remove(QFileInfo(file).absolutePath() + QStringLiteral("/filler")));
    EXPECT_TRUE(Settings::shared().setValue(QString::fromLatin1(SettingsKey::settingsTab), QStringLiteral("export")));
    EXPECT_FALSE(Settings::shared().hasUnsavedChanges());
    const QJsonObject saved = QJsonDocument::fromJson(readFile(file)).object();
    const QByteArray library = QByteArray::fromBase64(
        saved.value(QString::fromLatin1(SettingsKey::library)).toObject().value(QStringLiteral("data")).toString().toLatin1());
    EXPECT_TRUE(library.contains("Převod na PNG")) << library.toStdString();
    EXPECT_TRUE(library.contains("Léto")) << library.toStdString();
    EXPECT_EQ(saved.value(QStringLiteral("kelvaro.autoReveal")), QJsonValue(true));
    EXPECT_TRUE(waitUntil([&] { return !s.statusMessage().value_or(QString()).contains(QStringLiteral("nepodařilo")); }))
        << s.statusMessage().value_or(QString()).toStdString();
}

} // namespace
} // namespace kelvaro::test
