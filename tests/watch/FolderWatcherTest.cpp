// Rules, persistence, folder access, the loop's scans and demo mode. Runs of the engine are in
// FolderWatcherProcessingTest.cpp.

#include "platform/Bookmark.h"
#include "platform/Log.h"
#include "WatcherFixture.h"

using namespace kelvaro;
using namespace kelvaro::testing;

namespace {

using FolderWatcherTest = WatcherFixture;

const WatchAction kToJpg = WatchAction::convert(QStringLiteral("jpg"));

TEST_F(FolderWatcherTest, addStoresAnEnabledRuleAndStartsTheLoop)
{
    auto w = makeWatcher();
    int changed = 0;
    QObject::connect(w.get(), &FolderWatcher::rulesChanged, [&] { ++changed; });
    EXPECT_FALSE(w->isStarted());
    ASSERT_TRUE(w->add(inDir, kToJpg));
    EXPECT_TRUE(w->isStarted());
    EXPECT_EQ(changed, 1);
    ASSERT_EQ(w->rules().size(), 1);
    const WatchRule& rule = w->rules().first();
    EXPECT_EQ(rule.folderName, QStringLiteral("In"));
    EXPECT_EQ(rule.folderPath, inDir);
    EXPECT_EQ(rule.action, kToJpg);
    EXPECT_TRUE(rule.isEnabled);
    EXPECT_EQ(rule.processed, 0);
    EXPECT_FALSE(rule.lastRun);
    EXPECT_EQ(Bookmark::resolve(rule.bookmark)->path, inDir);
    EXPECT_EQ(w->activeCount(), 1);
    EXPECT_EQ(notifier->authorizationRequests(), 1);

    const auto stored = Settings::shared().dataValue(QString::fromLatin1(FolderWatcher::rulesKey));
    ASSERT_TRUE(stored);
    EXPECT_EQ(decodeWatchRules(*stored), w->rules());

    EXPECT_FALSE(w->add(root.filePath(QStringLiteral("missing")), kToJpg));
    EXPECT_EQ(w->rules().size(), 1);
    EXPECT_EQ(changed, 1);
}

TEST_F(FolderWatcherTest, rulesAndSeenKeysSurviveARestart)
{
    writeJpeg(in("a.jpg"));
    QList<WatchRule> before;
    {
        auto w = makeWatcher();
        ASSERT_TRUE(w->add(inDir, kToJpg));
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

TEST_F(FolderWatcherTest, unreadableRulesDocumentIsLoggedAndNeverOverwritten)
{
    const QByteArray broken("[{\"id\":\"nonsense\"}]");
    Settings::shared().setValue(QString::fromLatin1(FolderWatcher::rulesKey), broken);
    clearRecentLogLines();
    auto w = makeWatcher();
    EXPECT_TRUE(w->rules().isEmpty());
    EXPECT_TRUE(recentLogLines().contains(QStringLiteral("Kelvaro: failed to decode watch rules")));

    ASSERT_TRUE(w->add(inDir, kToJpg)); // works for this run only
    EXPECT_EQ(w->rules().size(), 1);
    step(*w);
    EXPECT_EQ(Settings::shared().dataValue(QString::fromLatin1(FolderWatcher::rulesKey)), broken);
    EXPECT_TRUE(hasStoredSeen(w->rules().first().id)); // the seen document is still written
}

TEST_F(FolderWatcherTest, aSeenDocumentMemberThatIsNoUuidIsDroppedAndAMalformedDocumentMeansABaseline)
{
    auto first = makeWatcher();
    ASSERT_TRUE(first->add(inDir, kToJpg));
    const QUuid id = first->rules().first().id;
    first.reset();
    const QUuid kept = QUuid::createUuid();
    const QString seenKey = QString::fromLatin1(FolderWatcher::seenKey);
    Settings::shared().setValue(seenKey, QJsonDocument(QJsonObject{{QStringLiteral("not-a-uuid"), QJsonArray{"x|1|1"}},
                                                                   {json::uuidText(kept), QJsonArray{"k|1|1", "k|1|1", "m|2|2"}}})
                                             .toJson());
    makeWatcher()->remove(QUuid::createUuid()); // writes the seen document back
    EXPECT_FALSE(seenDocument()->contains(QStringLiteral("not-a-uuid")));
    EXPECT_EQ(storedSeen(kept), (QSet<QString>{"k|1|1", "m|2|2"}));

    Settings::shared().setValue(seenKey, QJsonDocument(QJsonObject{{json::uuidText(id), QJsonArray{"a|1|1", 5}}}).toJson());
    writeJpeg(in("a.jpg"));
    auto w = makeWatcher();
    step(*w);
    EXPECT_EQ(storedSeen(id), QSet<QString>{keyOf(in("a.jpg"))});
    EXPECT_TRUE(history.isEmpty());
}

TEST_F(FolderWatcherTest, baselineRecordsExistingFilesAndSkipsThem)
{
    for (int i = 0; i < 10; ++i)
        writeJpeg(in(QStringLiteral("IMG_%1.jpg").arg(i)));
    auto w = makeWatcher();
    ASSERT_TRUE(w->add(inDir, kToJpg));
    const QUuid id = w->rules().first().id;
    step(*w);
    EXPECT_EQ(storedSeen(id).size(), 10);
    step(*w);
    step(*w);
    EXPECT_FALSE(QFileInfo::exists(QDir(outDir).filePath(QStringLiteral("Automaticky"))));
    EXPECT_EQ(w->rules().first().processed, 0);
    EXPECT_EQ(w->status(id), WatchStatus{});
}

TEST_F(FolderWatcherTest, ticksWithoutEnabledRulesTouchNothing)
{
    auto w = makeWatcher();
    ASSERT_TRUE(w->add(inDir, kToJpg));
    w->setEnabled(w->rules().first().id, false);
    bool done = false;
    w->tick([&] { done = true; });
    EXPECT_TRUE(done); // ended at once: nothing was listed
    EXPECT_FALSE(w->hasWorkInFlight());
    EXPECT_FALSE(hasStoredSeen(w->rules().first().id));
}

TEST_F(FolderWatcherTest, removingDropsRuleMemoryAndStatus)
{
    auto w = makeWatcher();
    ASSERT_TRUE(w->add(inDir, kToJpg));
    ASSERT_TRUE(w->add(outDir, kToJpg));
    const QUuid id = w->rules().first().id;
    step(*w);
    ASSERT_TRUE(hasStoredSeen(id));
    QDir(inDir).rename(inDir, root.filePath(QStringLiteral("Gone")));
    step(*w);
    ASSERT_TRUE(w->status(id).isUnavailable);

    w->remove(id);
    EXPECT_EQ(w->rules().size(), 1);
    EXPECT_FALSE(w->statuses().contains(id));
    EXPECT_FALSE(hasStoredSeen(id));
    EXPECT_EQ(decodeWatchRules(*Settings::shared().dataValue(QString::fromLatin1(FolderWatcher::rulesKey)))->size(), 1);
}

TEST_F(FolderWatcherTest, ruleRemovedWhileListingChangesNothing)
{
    auto w = makeWatcher();
    ASSERT_TRUE(w->add(inDir, kToJpg));
    const QUuid id = w->rules().first().id;
    bool done = false;
    w->tick([&] { done = true; });
    w->remove(id); // the listing is still out in the pool
    ASSERT_TRUE(waitUntil([&] { return done; }));
    EXPECT_FALSE(hasStoredSeen(id));
    EXPECT_TRUE(w->statuses().isEmpty());
}

TEST_F(FolderWatcherTest, unreachableFolderIsMarkedUntilItIsBack)
{
    auto w = makeWatcher();
    ASSERT_TRUE(w->add(inDir, kToJpg));
    const QUuid id = w->rules().first().id;
    step(*w);
    const QString away = root.filePath(QStringLiteral("Away"));
    ASSERT_TRUE(QDir().rename(inDir, away));
    int statuses = 0;
    QObject::connect(w.get(), &FolderWatcher::statusesChanged, [&] { ++statuses; });
    step(*w);
    EXPECT_TRUE(w->status(id).isUnavailable);
    EXPECT_FALSE(w->status(id).isBusy);
    EXPECT_EQ(w->status(id).message, QStringLiteral("Složka není dostupná. Přesunul jsi ji nebo smazal?"));
    step(*w); // same status again: no further notification
    EXPECT_EQ(statuses, 1);

    ASSERT_TRUE(QDir().rename(away, inDir));
    step(*w);
    EXPECT_EQ(w->status(id), WatchStatus{});
}

TEST_F(FolderWatcherTest, staleBookmarkIsRenewedAndStored)
{
    auto w = makeWatcher();
    ASSERT_TRUE(w->add(inDir, kToJpg));
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
    const auto stored = decodeWatchRules(*Settings::shared().dataValue(QString::fromLatin1(FolderWatcher::rulesKey)));
    EXPECT_EQ(stored->first().bookmark, fresh);
}

TEST_F(FolderWatcherTest, demoRulesAreShownButNeverScannedOrStored)
{
    auto w = makeWatcher();
    ASSERT_TRUE(w->add(inDir, kToJpg));
    const QList<WatchRule> real = w->rules();
    const QByteArray storedRules = *Settings::shared().dataValue(QString::fromLatin1(FolderWatcher::rulesKey));
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
    ASSERT_TRUE(w->add(outDir, kToJpg));
    w->setEnabled(real.first().id, false);
    EXPECT_EQ(*Settings::shared().dataValue(QString::fromLatin1(FolderWatcher::rulesKey)), storedRules);
    EXPECT_FALSE(seenDocument().has_value());

    w->exitDemo();
    EXPECT_EQ(w->rules(), real);
    EXPECT_FALSE(w->isInDemo());
    w->exitDemo(); // nothing to restore
    EXPECT_EQ(w->rules(), real);
}

TEST_F(FolderWatcherTest, pausedAndResumedRuleTakesANewBaseline)
{
    auto w = makeWatcher();
    ASSERT_TRUE(w->add(inDir, kToJpg));
    const QUuid id = w->rules().first().id;
    step(*w);
    w->setEnabled(id, false);
    EXPECT_FALSE(w->rules().first().isEnabled);
    writeJpeg(in("during-pause.jpg"));
    step(*w);
    w->setEnabled(id, true);
    EXPECT_FALSE(hasStoredSeen(id));
    step(*w);
    step(*w);
    step(*w);
    EXPECT_EQ(storedSeen(id), QSet<QString>{keyOf(in("during-pause.jpg"))});
    EXPECT_TRUE(results(resultsDir()).isEmpty());
}

TEST_F(FolderWatcherTest, withoutOutputFolderNothingIsMarkedSeen)
{
    Settings::shared().remove(QString::fromLatin1(OutputFolder::bookmarkKey));
    auto w = makeWatcher();
    ASSERT_TRUE(w->add(inDir, kToJpg));
    const QUuid id = w->rules().first().id;
    step(*w);
    writeJpeg(in("b.jpg"));
    step(*w);
    step(*w);
    EXPECT_EQ(w->status(id).message, QStringLiteral("Nejdřív vyber složku pro výsledky v Nastavení."));
    EXPECT_FALSE(w->status(id).isBusy);
    EXPECT_TRUE(storedSeen(id).isEmpty());
    step(*w);
    step(*w); // refused again: the message stays, still nothing seen
    EXPECT_TRUE(storedSeen(id).isEmpty());
    EXPECT_TRUE(history.isEmpty());
}

TEST_F(FolderWatcherTest, actionWithoutOperationLeavesNoBusyRule)
{
    writeJpeg(in("a.jpg"));
    auto w = makeWatcher();
    ASSERT_TRUE(w->add(inDir, WatchAction::convert(QStringLiteral("webp"))));
    const QUuid id = w->rules().first().id;
    w->processExisting(id);
    EXPECT_TRUE(w->status(id).isBusy);
    settle(*w);
    EXPECT_FALSE(w->status(id).isBusy);
    EXPECT_FALSE(w->status(id).message);
    EXPECT_FALSE(hasStoredSeen(id));
    // Scans go on: a new file settles but nothing is run or remembered for it.
    step(*w);
    writeJpeg(in("b.jpg"));
    step(*w);
    step(*w);
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
        ASSERT_TRUE(w->add(watched, kToJpg));
        const QUuid id = w->rules().first().id;
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
    auto w = makeWatcher();
    ASSERT_TRUE(w->add(inDir, kToJpg));
    const QUuid id = w->rules().first().id;
    writeBytes(in("notes.txt"), "not an image");
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
        {QStringLiteral("/x/Export"), kToJpg, QStringLiteral("Export \u2013 Převod na JPG")},
        {QStringLiteral("/x/a:b"), WatchAction::preset(preset), QStringLiteral("a-b \u2013 Web- 1-2")},
        {QStringLiteral("/x/  "), WatchAction::stripMetadata(), QStringLiteral("\u2013 Odstranit metadata")},
    };
    for (const Case& c : cases) {
        const WatchRule rule = WatchRule::make(c.folder, QByteArray("b"), c.action);
        EXPECT_EQ(FolderWatcher::resultsFolderName(rule), c.expected) << c.folder.toStdString();
    }
    auto w = makeWatcher();
    const WatchRule rule = WatchRule::make(QStringLiteral("/x/Export"), QByteArray("b"), kToJpg);
    EXPECT_EQ(w->resultsFolder(rule), resultsDir(QStringLiteral("Export")));
    Settings::shared().remove(QString::fromLatin1(OutputFolder::bookmarkKey));
    EXPECT_FALSE(w->resultsFolder(rule));
}

TEST_F(FolderWatcherTest, openFolderAndResults)
{
    auto w = makeWatcher();
    ASSERT_TRUE(w->add(inDir, kToJpg));
    const WatchRule rule = w->rules().first();
    w->openFolder(rule);
    EXPECT_EQ(fileManager->opened, QStringList{inDir});

    w->openResults(rule); // no run yet
    EXPECT_EQ(w->status(rule.id).message, QStringLiteral("Zatím tu nejsou žádné výsledky."));
    EXPECT_EQ(fileManager->opened.size(), 1);

    QDir().mkpath(resultsDir());
    w->openResults(rule);
    EXPECT_EQ(fileManager->opened.last(), resultsDir());

    Settings::shared().remove(QString::fromLatin1(OutputFolder::bookmarkKey));
    auto other = makeWatcher();
    other->openResults(rule);
    EXPECT_TRUE(other->statuses().isEmpty());
    EXPECT_EQ(fileManager->opened.size(), 2);
}

} // namespace
