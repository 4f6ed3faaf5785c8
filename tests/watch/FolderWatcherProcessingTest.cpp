// Settled files run through the real engine into the automatic subfolder, with their booking:
// seen keys, counters, history entries, status and notice.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include <filesystem>

#include <QImage>
#include <QScopeGuard>

#include "WatcherFixture.h"
#include "engine/ImageEngine.h"
#include "engine/MemoryBudget.h"
#include "platform/NativePath.h"
#include "../support/BudgetHold.h"
#include "../support/StandInNetwork.h"

using namespace kelvaro;
using namespace kelvaro::testing;

namespace {

using FolderWatcherProcessing = WatcherFixture;

TEST_F(FolderWatcherProcessing, newFileIsProcessedOnTheSecondScanAfterItAppears)
{
    for (int i = 0; i < 10; ++i)
        writeJpeg(in(QStringLiteral("IMG_%1.jpg").arg(i)));
    auto w = watchIn();
    step(*w); // baseline: the files already there are seen, never processed
    EXPECT_EQ(storedSeen(id).size(), 10);
    writeJpeg(in("b.jpg"), 40, 30);
    step(*w); // first scan that sees b.jpg: pending
    EXPECT_TRUE(history.isEmpty());
    step(*w); // second: processed

    const QString out = QDir(resultsDir()).filePath(QStringLiteral("b.jpg"));
    EXPECT_EQ(results(), QStringList{"b.jpg"});
    EXPECT_EQ(QImage(out).size(), QSize(40, 30));

    const WatchRule rule = w->rules().first();
    EXPECT_EQ(rule.processed, 1);
    ASSERT_TRUE(rule.lastRun);
    EXPECT_EQ(w->status(id), WatchStatus{});

    ASSERT_EQ(history.size(), 1);
    EXPECT_EQ(history[0].fileName, QStringLiteral("b.jpg"));
    EXPECT_EQ(history[0].actionTitle, QStringLiteral("Automaticky \u00b7 Převod na JPG"));
    EXPECT_EQ(history[0].symbol, QStringLiteral("folder.badge.gearshape"));
    EXPECT_EQ(history[0].outputPath, out);
    EXPECT_FALSE(history[0].id.isNull());

    EXPECT_TRUE(storedSeen(id).contains(keyOf(in("b.jpg"))));
    EXPECT_EQ(storedSeen(id).size(), 11);

    ASSERT_EQ(notifier->notices().size(), 1);
    EXPECT_EQ(notifier->notices()[0], (Notice{QStringLiteral("Kelvaro"),
                                              QStringLiteral("Zpracováno: 1 soubor ze složky „In“.")}));
    EXPECT_EQ(storedRules()->first().processed, 1);

    step(*w, 2); // handled once only
    EXPECT_EQ(history.size(), 1);
    EXPECT_EQ(results().size(), 1);
}

// A watched folder whose name is as long as a name can be, or a preset with a long name, still
// gets a results folder its run writes into, its name within the limit.
TEST_F(FolderWatcherProcessing, longNamesStillGetAResultsFolder)
{
    PresetSpec longPreset = PresetSpec::defaults().first();
    longPreset.name = QString(300, QLatin1Char('p'));
    const struct {
        const char* name;
        QString folder;
        WatchAction action;
    } rows[] = {
        {"255 bytes", QString(255, QLatin1Char('a')), toJpg},
        {"125 accented letters", QString(125, QChar(0x010D)), toJpg},
        {"long preset name", QStringLiteral("Fotky"), WatchAction::preset(longPreset)},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const QString folder = root.filePath(row.folder);
        ASSERT_TRUE(QDir().mkpath(folder));
        auto w = makeWatcher();
        ASSERT_TRUE(w->add(folder, row.action));
        const WatchRule rule = w->rules().first();
        step(*w); // baseline
        writeJpeg(QDir(folder).filePath(QStringLiteral("b.jpg")));
        step(*w, 2);
        const auto results = w->resultsFolder(rule);
        ASSERT_TRUE(results);
        EXPECT_LE(QFile::encodeName(QFileInfo(*results).fileName()).size(), 255);
        EXPECT_EQ(QDir(*results).entryList(QDir::Files).size(), 1) << results->toStdString();
        EXPECT_EQ(w->status(rule.id), WatchStatus{});
        ASSERT_TRUE(QDir(folder).removeRecursively());
        w->remove(rule.id);
    }
    EXPECT_EQ(history.size(), 3);
}

// A watched folder whose name is not UTF-8 is found again, by a watcher started later too, and a
// file in it (whose name may not be UTF-8 either) is processed into a results folder and a result
// that keep those bytes; what is shown names them as text.
TEST_F(FolderWatcherProcessing, foldersAndFilesWhoseNamesAreNotUtf8AreWatchedAndProcessed)
{
    const struct {
        const char* name;
        QByteArray folder;
        QByteArray file;
        QString shownFolder;
        QString shownFile;
    } rows[] = {
        {"file", "Fotky", "caf\xe9.jpg", QStringLiteral("Fotky"), QStringLiteral("caf\uFFFD.jpg")},
        {"folder", "fotky-\xe9", "b.jpg", QStringLiteral("fotky-\uFFFD"), QStringLiteral("b.jpg")},
        {"folderAndFile", "v\xfdlet-\xe9", "caf\xe9.jpg", QStringLiteral("v\uFFFDlet-\uFFFD"), QStringLiteral("caf\uFFFD.jpg")},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const QByteArray native = NativePath::encoded(root.path()) + "/" + row.folder;
        ASSERT_TRUE(std::filesystem::create_directory(native.toStdString()));
        // Qt's listing would leave the names that are not UTF-8 behind.
        const auto removeFolder = qScopeGuard([&] { std::filesystem::remove_all(native.toStdString()); });
        const QString folder = NativePath::decoded(native);
        history.clear();
        const qsizetype noticesBefore = notifier->notices().size();
        QUuid ruleId;
        {
            auto w = makeWatcher();
            ASSERT_TRUE(w->add(folder, toJpg));
            ruleId = w->rules().first().id;
            EXPECT_EQ(NativePath::encoded(w->rules().first().folderPath), native);
            step(*w); // baseline
            EXPECT_FALSE(w->status(ruleId).isUnavailable) << w->status(ruleId).message.value_or("").toStdString();
        }
        // Read back from the stored rule.
        auto w = makeWatcher();
        ASSERT_EQ(w->rules().size(), 1);
        testimages::writeJpeg(folder, NativePath::decoded(row.file), testimages::quadrants(40, 30));
        step(*w, 2);
        EXPECT_EQ(w->status(ruleId), WatchStatus{});
        const auto results = w->resultsFolder(w->rules().first());
        ASSERT_TRUE(results);
        EXPECT_EQ(NativePath::encoded(*results),
                  NativePath::encoded(outDir) + "/Automaticky/" + row.folder + " \xe2\x80\x93 P\xc5\x99" "evod na JPG");
        EXPECT_EQ(test::namesIn(*results), QStringList{NativePath::decoded(row.file)});
        ASSERT_EQ(history.size(), 1);
        EXPECT_EQ(history[0].fileName, row.shownFile);
        ASSERT_EQ(notifier->notices().size(), noticesBefore + 1);
        EXPECT_EQ(notifier->notices().last().body, QStringLiteral("Zpracováno: 1 soubor ze složky „%1“.").arg(row.shownFolder));
        std::filesystem::remove_all(NativePath::encoded(*results).toStdString());
        w->remove(ruleId);
    }
}

// While away the folder is marked, once; the scans that could not list it do not count for settling.
TEST_F(FolderWatcherProcessing, aScanOfAnUnreachableFolderDoesNotCountForSettling)
{
    auto w = watchIn();
    step(*w); // baseline
    writeJpeg(in("b.jpg"));
    step(*w); // pending
    const QString away = root.filePath(QStringLiteral("Away"));
    ASSERT_TRUE(QDir().rename(inDir, away));
    int statuses = 0;
    QObject::connect(w.get(), &FolderWatcher::statusesChanged, [&] { ++statuses; });
    step(*w, 2); // unreachable: cut short, the pending file stays pending
    EXPECT_TRUE(w->status(id).isUnavailable);
    EXPECT_FALSE(w->status(id).isBusy);
    EXPECT_EQ(w->status(id).message, QStringLiteral("Složka není dostupná. Přesunul jsi ji nebo smazal?"));
    EXPECT_EQ(statuses, 1); // the same status again notifies nobody
    EXPECT_TRUE(history.isEmpty());
    ASSERT_TRUE(QDir().rename(away, inDir));
    step(*w); // the key read before the gap still holds: ready
    EXPECT_EQ(results(), QStringList{"b.jpg"});
    EXPECT_EQ(history.size(), 1);
    EXPECT_EQ(w->status(id), WatchStatus{});
}

TEST_F(FolderWatcherProcessing, growingFileWaitsUntilItsKeyHolds)
{
    auto w = watchIn();
    step(*w);
    writeJpeg(root.filePath("whole.jpg"), 64, 48);
    const QByteArray jpeg = readFile(root.filePath("whole.jpg"));
    const qsizetype half = jpeg.size() / 2;
    writeFile(in("big.jpg"), jpeg.left(half));
    step(*w);
    writeFile(in("big.jpg"), jpeg.mid(half, 10), true);
    step(*w);
    writeFile(in("big.jpg"), jpeg.mid(half + 10), true);
    step(*w);
    // No run was tried on a file still being written: no error, nothing remembered as seen.
    EXPECT_TRUE(history.isEmpty());
    EXPECT_EQ(w->rules().first().processed, 0);
    EXPECT_FALSE(w->status(id).message);
    EXPECT_TRUE(storedSeen(id).isEmpty());
    step(*w);
    ASSERT_EQ(history.size(), 1);
    EXPECT_EQ(QImage(*history[0].outputPath).size(), QSize(64, 48));
}

TEST_F(FolderWatcherProcessing, unreadableFileIsSeenAndNotRetriedUntilItChanges)
{
    auto w = watchIn();
    step(*w);
    writeFile(in("broken.jpg"), "this is no photo");
    step(*w, 2);
    // Nothing came out: the engine's error is shown, counters and history stay as they were.
    const WatchStatus status = w->status(id);
    EXPECT_FALSE(status.isBusy);
    ASSERT_TRUE(status.message);
    EXPECT_TRUE(status.message->contains(QStringLiteral("broken.jpg"))) << status.message->toStdString();
    EXPECT_EQ(w->rules().first().processed, 0);
    EXPECT_FALSE(w->rules().first().lastRun);
    EXPECT_TRUE(history.isEmpty());
    EXPECT_TRUE(notifier->notices().isEmpty());
    EXPECT_TRUE(storedSeen(id).contains(keyOf(in("broken.jpg"))));

    int statuses = 0;
    QObject::connect(w.get(), &FolderWatcher::statusesChanged, [&] { ++statuses; });
    step(*w, 3);
    EXPECT_EQ(statuses, 0); // never handed to the engine again

    writeJpeg(in("broken.jpg")); // replaced by a real photo: a new key
    step(*w, 2);
    EXPECT_EQ(w->rules().first().processed, 1);
    EXPECT_EQ(w->status(id), WatchStatus{});
    EXPECT_EQ(history.size(), 1);
}

TEST_F(FolderWatcherProcessing, partlyFailedRunCountsWhatCameOut)
{
    auto w = watchIn();
    step(*w);
    writeJpeg(in("a.jpg"));
    writeFile(in("b.jpg"), "garbage");
    writeJpeg(in("c.jpg"));
    writeFile(in("d.jpg"), "no photo either");
    step(*w, 2);
    EXPECT_EQ(w->rules().first().processed, 2);
    EXPECT_EQ(w->status(id).message, QStringLiteral("Nepovedlo se zpracovat: 2."));
    EXPECT_FALSE(w->status(id).isBusy);
    // Behind the count: each failed file's own message, in listing order.
    const QStringList failures = w->status(id).failures;
    ASSERT_EQ(failures.size(), 2) << failures.join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(failures[0].contains(QStringLiteral("b.jpg"))) << failures[0].toStdString();
    EXPECT_TRUE(failures[1].contains(QStringLiteral("d.jpg"))) << failures[1].toStdString();
    ASSERT_EQ(history.size(), 2);
    EXPECT_EQ(historyCalls, 1);
    // Handed over in listing order; the store puts each at the front, so c ends up first there.
    EXPECT_EQ(history[0].fileName, QStringLiteral("a.jpg"));
    EXPECT_EQ(history[1].fileName, QStringLiteral("c.jpg"));
    EXPECT_EQ(storedSeen(id).size(), 4);
    ASSERT_EQ(notifier->notices().size(), 1);
    EXPECT_EQ(notifier->notices()[0].body, QStringLiteral("Zpracováno: 2 soubory ze složky „In“."));

    // A new message of the rule says nothing of those files any more.
    QFile::remove(in("b.jpg"));
    QFile::remove(in("d.jpg"));
    w->processExisting(id);
    EXPECT_TRUE(w->status(id).failures.isEmpty());
    settle(*w);
    EXPECT_EQ(w->status(id), WatchStatus{});
}

// The interface switches language the moment the rule turns busy (the earliest a user could): the
// run read its language before, so its whole-run error, or its count of failed files and its
// notice, stay in the language it started in.
struct LanguageSwitchCase {
    const char* name;
    AppLanguage started;
    WatchAction action;
    QStringList photos, broken;
    QString message; // the rule's, once the run has ended
    QString notice;  // none when no notice is posted
};

void PrintTo(const LanguageSwitchCase& c, std::ostream* os) { *os << c.name; }

class WatchLanguageSwitch : public WatcherFixture, public ::testing::WithParamInterface<LanguageSwitchCase> {};

TEST_P(WatchLanguageSwitch, aRunKeepsTheLanguageItStartedIn)
{
    const LanguageSwitchCase& c = GetParam();
    const AppLanguage other = c.started == AppLanguage::czech ? AppLanguage::english : AppLanguage::czech;
    Settings::shared().setValue(QStringLiteral("kelvaro.language"), rawValue(c.started));
    auto w = watchIn(c.action);
    step(*w); // baseline
    for (const QString& name : c.photos)
        writeJpeg(in(name));
    for (const QString& name : c.broken)
        writeFile(in(name), "this is no photo");
    QObject::connect(w.get(), &FolderWatcher::statusesChanged, [&] {
        if (w->status(id).isBusy)
            Settings::shared().setValue(QStringLiteral("kelvaro.language"), rawValue(other));
    });
    step(*w, 2); // pending, then handed over
    ASSERT_EQ(L10n::current(), other) << "no run started";
    EXPECT_EQ(w->status(id).message, c.message);
    const QStringList notices = [&] {
        QStringList bodies;
        for (const Notice& n : notifier->notices())
            bodies << n.body;
        return bodies;
    }();
    EXPECT_EQ(notices, c.notice.isEmpty() ? QStringList() : QStringList{c.notice});
}

INSTANTIATE_TEST_SUITE_P(
    Runs, WatchLanguageSwitch,
    ::testing::Values(
        // One PDF of every photo: the unreadable one ends the whole run with the engine's error.
        LanguageSwitchCase{"czechError", AppLanguage::czech, WatchAction::convert(QStringLiteral("pdf")), {}, {"broken.jpg"},
                           QStringLiteral("Soubor „broken.jpg“ se nepodařilo otevřít."), {}},
        LanguageSwitchCase{"englishError", AppLanguage::english, WatchAction::convert(QStringLiteral("pdf")), {}, {"broken.jpg"},
                           QStringLiteral("The file “broken.jpg” could not be opened."), {}},
        LanguageSwitchCase{"czechPartly", AppLanguage::czech, toJpg, {"a.jpg"}, {"b.jpg"},
                           QStringLiteral("Nepovedlo se zpracovat: 1."), QStringLiteral("Zpracováno: 1 soubor ze složky „In“.")},
        LanguageSwitchCase{"englishPartly", AppLanguage::english, toJpg, {"a.jpg"}, {"b.jpg"},
                           QStringLiteral("Could not process: 1."), QStringLiteral("Processed 1 file from the folder “In”.")}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(FolderWatcherProcessing, manualRequestProcessesEverythingEvenWhenPaused)
{
    writeJpeg(in("a.jpg"));
    writeJpeg(in("b.jpg"));
    auto w = watchIn(WatchAction::stripMetadata());
    step(*w); // both are in the baseline
    w->setEnabled(id, false);
    w->processExisting(id);
    EXPECT_TRUE(w->status(id).isBusy);
    w->processExisting(id); // busy: ignored
    settle(*w);
    EXPECT_FALSE(w->status(id).isBusy);
    EXPECT_EQ(w->rules().first().processed, 2);
    EXPECT_FALSE(w->rules().first().isEnabled);
    EXPECT_EQ(results(QStringLiteral("Odstranit metadata")).size(), 2);
    EXPECT_EQ(history.size(), 2);
    EXPECT_EQ(history[0].actionTitle, QStringLiteral("Automaticky \u00b7 Odstranit metadata"));
}

TEST_F(FolderWatcherProcessing, manualRequestDuringAScanProcessesFilesOnce)
{
    auto w = watchIn();
    step(*w);
    writeJpeg(in("a.jpg"));
    step(*w); // a.jpg is pending: the next scan would hand it over
    bool done = false;
    w->tick([&] { done = true; });
    w->processExisting(id); // while the scan is listing
    ASSERT_TRUE(waitUntil([&] { return done && !w->hasWorkInFlight(); }));
    EXPECT_EQ(results(), QStringList{"a.jpg"});
    EXPECT_EQ(w->rules().first().processed, 1);
    step(*w, 2);
    EXPECT_EQ(results(), QStringList{"a.jpg"});
    EXPECT_EQ(history.size(), 1);
}

// Without an output folder the settled file is refused, not marked seen, and goes through as soon
// as a folder is chosen.
TEST_F(FolderWatcherProcessing, choosingAnOutputFolderLetsWaitingFilesThrough)
{
    forgetOutputFolder();
    auto w = watchIn();
    step(*w);
    writeJpeg(in("b.jpg"));
    step(*w, 2);
    EXPECT_EQ(w->status(id).message, QStringLiteral("Nejdřív vyber složku pro výsledky v Nastavení."));
    EXPECT_FALSE(w->status(id).isBusy);
    EXPECT_TRUE(storedSeen(id).isEmpty());
    step(*w, 2); // refused again: the message stays, still nothing seen
    EXPECT_TRUE(storedSeen(id).isEmpty());
    EXPECT_TRUE(history.isEmpty());
    ASSERT_TRUE(OutputFolder::remember(outDir));
    step(*w, 2);
    EXPECT_EQ(results(), QStringList{"b.jpg"});
    EXPECT_EQ(w->status(id), WatchStatus{});
}

TEST_F(FolderWatcherProcessing, noticeFollowsTheSettingAndTheActiveWindow)
{
    auto w = watchIn();
    step(*w);
    const auto runOne = [&](const QString& name) {
        writeJpeg(in(name));
        step(*w, 2);
    };
    Settings::shared().setValue(QString::fromLatin1(WatchNotifier::notifyKey), false);
    runOne(QStringLiteral("1.jpg"));
    EXPECT_TRUE(notifier->notices().isEmpty());
    Settings::shared().setValue(QString::fromLatin1(WatchNotifier::notifyKey), QStringLiteral("no")); // not a Boolean: on
    AppActivity::setOverride(true);
    runOne(QStringLiteral("2.jpg"));
    EXPECT_TRUE(notifier->notices().isEmpty());
    AppActivity::setOverride(false);
    runOne(QStringLiteral("3.jpg"));
    runOne(QStringLiteral("4.jpg"));
    EXPECT_EQ(notifier->notices().size(), 2); // two runs, two notices
    EXPECT_EQ(w->rules().first().processed, 4);
}

TEST_F(FolderWatcherProcessing, theLoopRunsByItself)
{
    auto w = makeWatcher();
    w->setTickInterval(std::chrono::milliseconds(5));
    ASSERT_TRUE(w->add(inDir, toJpg)); // starts the loop
    id = w->rules().first().id;
    ASSERT_TRUE(waitUntil([&] { return hasStoredSeen(id); }));
    writeJpeg(in("late.jpg"));
    ASSERT_TRUE(waitUntil([&] { return w->rules().first().processed == 1; }));
    EXPECT_EQ(results(), QStringList{"late.jpg"});
}

TEST_F(FolderWatcherProcessing, removedRuleStillBooksItsHistoryButNoCounters)
{
    writeJpeg(in("a.jpg"));
    auto w = watchIn();
    w->processExisting(id);
    w->remove(id); // the run goes on
    settle(*w);
    EXPECT_TRUE(w->rules().isEmpty());
    EXPECT_EQ(history.size(), 1);
    EXPECT_EQ(notifier->notices().size(), 1);
    EXPECT_FALSE(hasStoredSeen(id)); // no memory left behind for a rule that is gone
}

// A watched folder that removes backgrounds makes every photo that arrives while the network is
// kept from the last one, under a hard memory limit that fits one network and one photo: counted
// twice (in the group's usage and again in each photo's price), the network had every photo after
// the first refused, and counted as seen, never to be tried again. A stand-in counts its loads and
// declares what it holds.
TEST_F(FolderWatcherProcessing, photosArrivingWhileTheNetworkIsKeptAreMadeUnderAHardLimit)
{
    static constexpr qint64 kNetwork = 300'000'000;
    const test::StandInNetwork network(kNetwork);
    test::HandClock clock(MemoryBudget::shared()); // the keep window stays open
    writeJpeg(in("priced.jpg"), 400, 300);
    const qint64 photo = ImageEngine::memoryPrice(KelvaroOp::removeBackground(), in("priced.jpg")) - kNetwork;
    ASSERT_GT(photo, 0);
    ASSERT_TRUE(QFile::remove(in("priced.jpg")));
    test::MachineMemory machine(qint64(8) << 30, kNetwork + 2 * photo);

    auto w = watchIn(WatchAction::removeBackground());
    step(*w); // baseline
    for (int i = 0; i < 3; ++i) {
        writeJpeg(in(QStringLiteral("p%1.jpg").arg(i)), 400, 300);
        step(*w, 2);
        machine.use(kNetwork); // kept, the network is in the group's usage
    }
    EXPECT_EQ(w->status(id), WatchStatus{}) << w->status(id).failures.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(history.size(), 3);
    EXPECT_EQ(w->rules().first().processed, 3);
    EXPECT_EQ(network.loads(), 1) << "the network was loaded again";
}

// A watcher that goes while its run waits for memory that another run holds stops that run: nobody
// would take its outcome, and waiting for it could last for ever.
TEST_F(FolderWatcherProcessing, aWatcherGoingAwayStopsItsRunWaitingForMemory)
{
    MemoryBudget& budget = MemoryBudget::shared();
    MemoryBudget::setAvailableMemoryOverride(qint64(200) << 20);
    const qint64 whole = qint64(100) << 20;
    {
        const MemoryBudget::Run other(budget);
        ASSERT_TRUE(budget.acquire(whole, [] { return false; }));
        writeJpeg(in("a.jpg"));
        auto w = watchIn();
        w->processExisting(id);
        ASSERT_TRUE(waitUntil([&] { return budget.waiting() == 1; }));

        // Should the watcher wait for its run, the memory comes free in the end: a failure, not a hang.
        std::mutex mutex;
        std::condition_variable changed;
        bool gone = false;
        std::atomic<bool> freed{false};
        std::thread deadline([&] {
            std::unique_lock lock(mutex);
            if (!changed.wait_for(lock, std::chrono::seconds(30), [&] { return gone; })) {
                freed = true;
                budget.release(whole);
            }
        });
        w.reset();
        {
            const std::lock_guard lock(mutex);
            gone = true;
        }
        changed.notify_all();
        deadline.join();
        EXPECT_FALSE(freed) << "the watcher waited for its run";
        if (!freed)
            budget.release(whole);
    }
    EXPECT_TRUE(results().isEmpty());
    MemoryBudget::setAvailableMemoryOverride(std::nullopt);
}

// Halted for the application's end while its run waits for memory: the run stops and books what
// it made, which is nothing, so the file it never made is not marked seen; no scan starts while
// halted, and the file goes through once the watcher resumes.
TEST_F(FolderWatcherProcessing, aHaltStopsTheRunAndLeavesTheFilesItDidNotMakeForLater)
{
    MemoryBudget& budget = MemoryBudget::shared();
    MemoryBudget::setAvailableMemoryOverride(qint64(200) << 20);
    const qint64 whole = qint64(100) << 20;
    auto w = watchIn();
    step(*w); // the empty baseline
    writeJpeg(in("a.jpg"));
    step(*w); // a.jpg is pending: the next scan hands it over
    int ended = 0;
    QObject::connect(w.get(), &FolderWatcher::workInFlightEnded, [&ended] { ++ended; });
    {
        const MemoryBudget::Run other(budget);
        ASSERT_TRUE(budget.acquire(whole, [] { return false; }));
        bool done = false;
        w->tick([&] { done = true; });
        EXPECT_TRUE(waitUntil([&] { return budget.waiting() == 1; }));
        w->halt();
        EXPECT_TRUE(waitUntil([&] { return done && !w->hasWorkInFlight(); })) << "the run went on after the halt";
        budget.release(whole);
    }
    EXPECT_GE(ended, 1);
    EXPECT_TRUE(results().isEmpty());
    EXPECT_TRUE(history.isEmpty());
    EXPECT_FALSE(w->status(id).isBusy);
    EXPECT_FALSE(storedSeen(id).contains(keyOf(in("a.jpg"))));
    step(*w);
    EXPECT_TRUE(results().isEmpty()) << "a scan ran while halted";

    w->resume();
    step(*w, 2); // seen settled again, then handed over
    EXPECT_EQ(results(), QStringList{"a.jpg"});
    EXPECT_EQ(history.size(), 1);
    EXPECT_TRUE(storedSeen(id).contains(keyOf(in("a.jpg"))));
    MemoryBudget::setAvailableMemoryOverride(std::nullopt);
}

} // namespace
