// Rules, persistence, folder access, the loop's scans and demo mode. Runs of the engine are in
// FolderWatcherProcessingTest.cpp.

#include <QEventLoop>
#include <QLockFile>
#include <QTimer>

#include "platform/Bookmark.h"
#include "platform/FileSystem.h"
#include "platform/Log.h"
#include "WatcherFixture.h"

using namespace kelvaro;
using namespace kelvaro::testing;

namespace {

using FolderWatcherTest = WatcherFixture;

TEST_F(FolderWatcherTest, addStoresAnEnabledRuleAndStartsTheLoop)
{
    auto w = makeWatcher();
    int changed = 0;
    QObject::connect(w.get(), &FolderWatcher::rulesChanged, [&] { ++changed; });
    EXPECT_FALSE(w->isStarted());
    ASSERT_TRUE(w->add(inDir, toJpg));
    EXPECT_TRUE(w->isStarted());
    EXPECT_EQ(changed, 1);
    ASSERT_EQ(w->rules().size(), 1);
    const WatchRule& rule = w->rules().first();
    EXPECT_EQ(rule.folderName, QStringLiteral("In"));
    EXPECT_EQ(rule.folderPath, inDir);
    EXPECT_EQ(rule.action, toJpg);
    EXPECT_TRUE(rule.isEnabled);
    EXPECT_EQ(Bookmark::resolve(rule.bookmark)->path, inDir);
    EXPECT_EQ(w->activeCount(), 1);
    EXPECT_EQ(notifier->authorizationRequests(), 1);

    EXPECT_EQ(storedRules(), w->rules());

    EXPECT_FALSE(w->add(root.filePath(QStringLiteral("missing")), toJpg));
    EXPECT_EQ(w->rules().size(), 1);
    EXPECT_EQ(changed, 1);
}

// A folder is only watched when its rule can be stored: one kept in memory alone would be gone at
// the next start. The refusal says why; stored rules and the list stay as they were.
TEST_F(FolderWatcherTest, aFolderWhoseRuleCannotBeStoredIsRefusedWithTheReason)
{
    const QString key = QString::fromLatin1(FolderWatcher::rulesKey);
    const struct {
        const char* name;
        std::optional<QByteArray> stored; // the rules document before; none: no rules yet
        qint64 writeBudget;               // bytes the disk takes; -1: all
        const char* refusal;
    } rows[] = {
        {"unreadable rules", QByteArray("[{\"id\": "), -1,
         "Uložené hlídané složky se nepodařilo přečíst, proto je nechávám beze změny a další nepřidám."},
        {"full disk, first rule", std::nullopt, 0,
         "Složku nemůžu hlídat, protože se hlídané složky nepodařilo uložit: na disku není místo."},
        {"full disk, another rule", encodeWatchRules({WatchRule::make(outDir, Bookmark::create(outDir), toJpg)}), 512,
         "Složku nemůžu hlídat, protože se hlídané složky nepodařilo uložit: na disku není místo."},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        if (row.stored)
            ASSERT_TRUE(Settings::shared().setValue(key, *row.stored));
        else
            ASSERT_TRUE(Settings::shared().remove(key));
        auto w = makeWatcher();
        const QList<WatchRule> before = w->rules();
        FailingFileSystem disk;
        disk.writeBudget = row.writeBudget;
        FileSystem::setCurrent(&disk);
        const WatchAddResult added = w->add(inDir, toJpg);
        FileSystem::setCurrent(nullptr);

        EXPECT_FALSE(added);
        EXPECT_EQ(added.refusal, QString::fromUtf8(row.refusal));
        EXPECT_EQ(w->rules(), before);
        EXPECT_FALSE(w->isStarted());
        EXPECT_EQ(Settings::shared().dataValue(key), row.stored);
        ASSERT_TRUE(Settings::shared().sync()); // what is stored now is what was stored before
        EXPECT_EQ(Settings::shared().dataValue(key), row.stored);
    }
}

// A folder added from the window while another process saves the settings is watched at once,
// and its rule reaches the file when that save is done: a postponed save is no refusal.
TEST_F(FolderWatcherTest, aFolderAddedWhileAnotherProcessSavesIsWatchedAndStoredLater)
{
    auto w = makeWatcher();
    QLockFile otherSave(Settings::shared().filePath() + QStringLiteral(".lock"));
    ASSERT_TRUE(otherSave.lock());
    std::optional<WatchAddResult> added;
    QEventLoop loop;
    QTimer::singleShot(0, &loop, [&] {
        added = w->add(inDir, toJpg);
        loop.quit();
    });
    loop.exec();
    ASSERT_TRUE(added.has_value());
    EXPECT_TRUE(*added) << added->refusal.value_or(QString()).toStdString();
    EXPECT_EQ(w->rules().size(), 1);
    EXPECT_TRUE(Settings::shared().hasUnsavedChanges());

    otherSave.unlock();
    EXPECT_TRUE(waitUntil([] { return !Settings::shared().hasUnsavedChanges(); }));
    const QJsonObject stored = QJsonDocument::fromJson(readFile(Settings::shared().filePath())).object();
    const QJsonValue rules = stored.value(QString::fromLatin1(FolderWatcher::rulesKey));
    const auto decoded = decodeWatchRules(QByteArray::fromBase64(rules[QStringLiteral("data")].toString().toLatin1()));
    ASSERT_TRUE(decoded.has_value());
    EXPECT_EQ(*decoded, w->rules());
}

TEST_F(FolderWatcherTest, rulesAndSeenKeysSurviveARestart)
{
    writeJpeg(in("a.jpg"));
    QList<WatchRule> before;
    {
        auto w = makeWatcher();
        ASSERT_TRUE(w->add(inDir, toJpg));
        ASSERT_TRUE(w->add(outDir, WatchAction::stripMetadata()));
        w->setEnabled(w->rules()[1].id, false);
        step(*w);
        before = w->rules();
    }
    auto again = makeWatcher();
    EXPECT_EQ(again->rules(), before);
    EXPECT_EQ(again->activeCount(), 1);
    EXPECT_EQ(storedSeen(before[0].id), QSet<QString>{keyOf(in("a.jpg"))});
}

// A member of the seen document named by no rule id (a later version's) is written back as read;
// a malformed seen document means a baseline, and is never written over.
TEST_F(FolderWatcherTest, aSeenDocumentMemberThatIsNoUuidIsKeptAndAMalformedDocumentMeansABaseline)
{
    watchIn().reset();
    const QUuid kept = QUuid::createUuid();
    const QString seenKey = QString::fromLatin1(FolderWatcher::seenKey);
    Settings::shared().setValue(seenKey, QJsonDocument(QJsonObject{{QStringLiteral("not-a-uuid"), QJsonArray{"x|1|1"}},
                                                                   {json::uuidText(kept), QJsonArray{"k|1|1", "k|1|1", "m|2|2"}}})
                                             .toJson());
    makeWatcher()->remove(QUuid::createUuid()); // writes the seen document back
    EXPECT_EQ(seenDocument()->value(QStringLiteral("not-a-uuid")), QJsonValue(QJsonArray{"x|1|1"}));
    EXPECT_EQ(storedSeen(kept), (QSet<QString>{"k|1|1", "m|2|2"}));

    const QByteArray malformed = QJsonDocument(QJsonObject{{json::uuidText(id), QJsonArray{"a|1|1", 5}}}).toJson();
    Settings::shared().setValue(seenKey, malformed);
    writeJpeg(in("a.jpg"));
    auto w = makeWatcher();
    step(*w);
    step(*w);
    EXPECT_TRUE(history.isEmpty());
    EXPECT_EQ(Settings::shared().dataValue(seenKey), malformed);
}

TEST_F(FolderWatcherTest, removingDropsRuleMemoryAndStatus)
{
    auto w = watchIn();
    ASSERT_TRUE(w->add(outDir, toJpg));
    step(*w);
    ASSERT_TRUE(hasStoredSeen(id));
    QDir(inDir).rename(inDir, root.filePath(QStringLiteral("Gone")));
    step(*w);
    ASSERT_TRUE(w->status(id).isUnavailable);

    w->remove(id);
    EXPECT_EQ(w->rules().size(), 1);
    EXPECT_FALSE(w->statuses().contains(id));
    EXPECT_FALSE(hasStoredSeen(id));
    EXPECT_EQ(storedRules()->size(), 1);
}

TEST_F(FolderWatcherTest, ruleRemovedWhileListingChangesNothing)
{
    auto w = watchIn();
    bool done = false;
    w->tick([&] { done = true; });
    w->remove(id); // the listing is still out in the pool
    ASSERT_TRUE(waitUntil([&] { return done; }));
    EXPECT_FALSE(hasStoredSeen(id));
    EXPECT_TRUE(w->statuses().isEmpty());
}

TEST_F(FolderWatcherTest, staleBookmarkIsRenewedAndStored)
{
    auto w = watchIn();
    const QByteArray old = w->rules().first().bookmark;
    // Another folder takes the place of the watched one (a new inode at the same path).
    ASSERT_TRUE(QDir(root.path()).mkdir(QStringLiteral("Replacement")));
    ASSERT_TRUE(QDir(inDir).removeRecursively());
    ASSERT_TRUE(QDir().rename(root.filePath(QStringLiteral("Replacement")), inDir));
    ASSERT_TRUE(Bookmark::resolve(old)->stale);

    step(*w);
    const QByteArray fresh = w->rules().first().bookmark;
    EXPECT_NE(fresh, old);
    EXPECT_FALSE(Bookmark::resolve(fresh)->stale);
    EXPECT_EQ(storedRules()->first().bookmark, fresh);
}

TEST_F(FolderWatcherTest, demoRulesAreShownButNeverScannedOrStored)
{
    auto w = watchIn();
    const QList<WatchRule> real = w->rules();
    const QByteArray storedBytes = *Settings::shared().dataValue(QString::fromLatin1(FolderWatcher::rulesKey));
    WatchRule demo = WatchRule::make(QStringLiteral("/demo/Fotky z mobilu"), QByteArray("x"), WatchAction::stripMetadata());
    demo.processed = 128;

    w->enterDemo({demo});
    w->enterDemo({demo, demo}); // a second call keeps the first backup
    EXPECT_EQ(w->rules().size(), 2);
    EXPECT_TRUE(w->statuses().isEmpty());
    bool done = false;
    w->tick([&] { done = true; });
    EXPECT_TRUE(done);
    EXPECT_FALSE(w->hasWorkInFlight());
    ASSERT_TRUE(w->add(outDir, toJpg));
    w->setEnabled(id, false);
    EXPECT_EQ(*Settings::shared().dataValue(QString::fromLatin1(FolderWatcher::rulesKey)), storedBytes);
    EXPECT_FALSE(seenDocument().has_value());

    w->exitDemo();
    EXPECT_EQ(w->rules(), real);
    EXPECT_FALSE(w->isInDemo());
    w->exitDemo(); // nothing to restore
    EXPECT_EQ(w->rules(), real);
}

// A tick without enabled rules ends at once, listing nothing; a resumed rule starts from a new baseline.
TEST_F(FolderWatcherTest, pausedAndResumedRuleTakesANewBaseline)
{
    auto w = watchIn();
    step(*w);
    w->setEnabled(id, false);
    EXPECT_FALSE(w->rules().first().isEnabled);
    writeJpeg(in("during-pause.jpg"));
    bool done = false;
    w->tick([&] { done = true; });
    EXPECT_TRUE(done);
    EXPECT_FALSE(w->hasWorkInFlight());
    w->setEnabled(id, true);
    EXPECT_FALSE(hasStoredSeen(id));
    step(*w, 3);
    EXPECT_EQ(storedSeen(id), QSet<QString>{keyOf(in("during-pause.jpg"))});
    EXPECT_TRUE(results().isEmpty());
}

TEST_F(FolderWatcherTest, actionWithoutOperationLeavesNoBusyRule)
{
    writeJpeg(in("a.jpg"));
    auto w = watchIn(WatchAction::convert(QStringLiteral("webp")));
    w->setEnabled(id, false); // the loop's first scan takes no baseline behind the request's back
    w->processExisting(id);
    EXPECT_TRUE(w->status(id).isBusy);
    settle(*w);
    EXPECT_FALSE(w->status(id).isBusy);
    EXPECT_FALSE(w->status(id).message);
    EXPECT_FALSE(hasStoredSeen(id));
    // Scans go on: a new file settles but nothing is run or remembered for it.
    w->setEnabled(id, true);
    step(*w);
    writeJpeg(in("b.jpg"));
    step(*w, 2);
    EXPECT_FALSE(w->status(id).isBusy);
    EXPECT_FALSE(storedSeen(id).contains(keyOf(in("b.jpg"))));
    EXPECT_FALSE(QFileInfo::exists(QDir(outDir).filePath(QStringLiteral("Automaticky"))));
}

TEST_F(FolderWatcherTest, resultsNeverGoIntoTheWatchedFolder)
{
    QDir(outDir).mkpath(QStringLiteral("Automaticky/W \u2013 Převod na JPG"));
    const QString link = root.filePath(QStringLiteral("W"));
    ASSERT_TRUE(QFile::link(QDir(outDir).filePath(QStringLiteral("Automaticky/W \u2013 Převod na JPG")), link));
    // The output folder itself, the automatic folder, a link to the folder's own results.
    for (const QString& watched : {outDir, QDir(outDir).filePath(QStringLiteral("Automaticky")), link}) {
        SCOPED_TRACE(watched.toStdString());
        for (const char* key : {FolderWatcher::rulesKey, FolderWatcher::seenKey})
            Settings::shared().remove(QString::fromLatin1(key));
        writeJpeg(QDir(watched).filePath(QStringLiteral("a.jpg")));
        auto w = makeWatcher();
        ASSERT_TRUE(w->add(watched, toJpg));
        const QUuid id = w->rules().first().id;
        // Paused, so the loop's first scan takes no baseline, whenever it comes; a manual request
        // runs on a paused rule too.
        w->setEnabled(id, false);
        w->processExisting(id);
        settle(*w);
        EXPECT_EQ(w->status(id).message, QStringLiteral("Výsledky by padaly do sledované složky. Vyber jinou složku."));
        EXPECT_FALSE(w->status(id).isBusy);
        EXPECT_FALSE(hasStoredSeen(id));
        EXPECT_TRUE(history.isEmpty());
    }
}

TEST_F(FolderWatcherTest, manualRequestOnEmptyOrUnreachableFolder)
{
    auto w = watchIn();
    writeFile(in("notes.txt"), "not an image");
    w->processExisting(id);
    EXPECT_TRUE(w->status(id).isBusy);
    settle(*w);
    EXPECT_EQ(w->status(id), (WatchStatus{false, false, QStringLiteral("Ve složce nejsou žádné obrázky.")}));

    w->processExisting(QUuid::createUuid()); // unknown rule: nothing
    auto fresh = makeWatcher();              // no folder access cached
    ASSERT_TRUE(QDir(inDir).removeRecursively());
    fresh->processExisting(id);
    EXPECT_EQ(fresh->status(id), (WatchStatus{false, true, QStringLiteral("Složka není dostupná.")}));
    EXPECT_FALSE(fresh->hasWorkInFlight());
}

TEST_F(FolderWatcherTest, resultsFolderNames)
{
    struct Case {
        QString folder;
        WatchAction action;
        QString expected;
    };
    PresetSpec preset = PresetSpec::defaults().first();
    preset.name = QStringLiteral("Web: 1/2");
    const QList<Case> cases{
        {QStringLiteral("/x/Export"), toJpg, QStringLiteral("Export \u2013 Převod na JPG")},
        {QStringLiteral("/x/a:b"), WatchAction::preset(preset), QStringLiteral("a-b \u2013 Web- 1-2")},
        {QStringLiteral("/x/  "), WatchAction::stripMetadata(), QStringLiteral("\u2013 Odstranit metadata")},
    };
    for (const Case& c : cases) {
        const WatchRule rule = WatchRule::make(c.folder, QByteArray("b"), c.action);
        EXPECT_EQ(FolderWatcher::resultsFolderName(rule), c.expected) << c.folder.toStdString();
    }
    auto w = makeWatcher();
    const WatchRule rule = WatchRule::make(QStringLiteral("/x/Export"), QByteArray("b"), toJpg);
    EXPECT_EQ(w->resultsFolder(rule), resultsDir(QStringLiteral("Export")));
    forgetOutputFolder();
    EXPECT_FALSE(w->resultsFolder(rule));
}

TEST_F(FolderWatcherTest, openFolderAndResults)
{
    auto w = watchIn();
    const WatchRule rule = w->rules().first();
    w->openFolder(rule);
    EXPECT_EQ(fileManager->opened, QStringList{inDir});

    w->openResults(rule); // no run yet
    EXPECT_EQ(w->status(rule.id).message, QStringLiteral("Zatím tu nejsou žádné výsledky."));
    EXPECT_EQ(fileManager->opened.size(), 1);

    QDir().mkpath(resultsDir());
    w->openResults(rule);
    EXPECT_EQ(fileManager->opened.last(), resultsDir());

    forgetOutputFolder();
    auto other = makeWatcher();
    EXPECT_TRUE(other->openResults(rule)); // nothing to show is no unanswered request
    EXPECT_TRUE(other->statuses().isEmpty());
    EXPECT_EQ(fileManager->opened.size(), 2);
}

// Only a file manager that was asked and did not answer makes a request fail.
TEST_F(FolderWatcherTest, openingWithoutAFileManagerSaysSo)
{
    auto w = watchIn();
    const WatchRule rule = w->rules().first();
    fileManager->reachable = false;
    EXPECT_TRUE(w->openResults(rule)); // no results yet: the rule says so itself
    EXPECT_EQ(fileManager->opened.size(), 0);
    QDir().mkpath(resultsDir());
    EXPECT_FALSE(w->openResults(rule));
    EXPECT_FALSE(w->openFolder(rule));
    EXPECT_EQ(fileManager->opened, (QStringList{resultsDir(), inDir}));
}

} // namespace
