// The batch loop's waits: a later file that finishes first and waits for its name turn, or asks for
// more memory first, never keeps an earlier file that asks for more memory waiting for ever, and a
// file being priced keeps no other worker waiting. Its cancel: a file it asks to stop is never
// counted as done, and a pricing under way stops. And a file priced beyond a hard memory limit
// fails alone.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <mutex>
#include <thread>
#include <vector>

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QElapsedTimer>
#include <QScopeGuard>

#include <gtest/gtest.h>

#include "engine/BatchLoop.h"
#include "engine/FileAbort.h"
#include "engine/MemoryBudget.h"
#include "engine/NameTurn.h"
#include "../support/BudgetHold.h"
#include "../support/TestSupport.h"

using namespace kelvaro;

namespace {

constexpr qint64 MB = 1'000'000;

// Opened once; waiters wait for it (a minute at most, so a broken loop fails instead of hanging).
class Latch {
public:
    void open()
    {
        {
            const std::lock_guard lock(m_mutex);
            m_open = true;
        }
        m_changed.notify_all();
    }
    bool wait(std::chrono::seconds limit = std::chrono::seconds(60))
    {
        std::unique_lock lock(m_mutex);
        return m_changed.wait_for(lock, limit, [&] { return m_open; });
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_open = false;
};

// Whether `condition` came true within `limit`, looked at again and again: the budget tells no
// one when a file starts to wait for it.
bool eventually(const std::function<bool()>& condition, std::chrono::seconds limit = std::chrono::seconds(60))
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::yield();
    }
    return true;
}

struct LaterFileRow {
    const char* name;
    bool laterGrows; // the later file asks for more first; else it only finishes
};

class EarlierFileGrowing : public ::testing::TestWithParam<LaterFileRow> {};

// Two files of 100 MB admitted together under a 300 MB limit; the first asks for 150 MB more only
// once the second has done its work and waits for its name turn (or waits to grow itself): more
// than fits beside the second while that one is at work. The second gives back all it holds before it
// waits for its name, so the first grows within the limit either way; where the second waits to
// grow too, it goes on first, beyond the limit, as the only way out of two waits.
TEST_P(EarlierFileGrowing, goesOnAndTheRunEnds)
{
    const LaterFileRow& row = GetParam();
    struct Restore {
        ~Restore() { MemoryBudget::setAvailableMemoryOverride(std::nullopt); }
    } restore;
    MemoryBudget::setAvailableMemoryOverride(600 * MB);
    MemoryBudget& budget = MemoryBudget::shared();
    Latch laterDone;
    std::atomic_bool earlierGrew = false;
    std::atomic_bool laterGrew = false;
    std::atomic<qint64> heldOnceGrown = 0;
    ImageEngine::BatchWork work;
    work.total = 2;
    work.memoryCost = [](int) { return 100 * MB; };
    work.run = [&](int index) {
        if (index == 0) {
            if (row.laterGrows)
                eventually([&] { return budget.growing() == 1; });
            else
                laterDone.wait();
            earlierGrew = MemoryBudget::FileHold::growTo(250 * MB);
            heldOnceGrown = budget.inUse();
        } else if (row.laterGrows) {
            laterGrew = MemoryBudget::FileHold::growTo(250 * MB);
        }
        const ImageEngine::NameTurn turn;
        ImageEngine::FileOutcome outcome;
        outcome.one = ImageEngine::One{QStringLiteral("file %1").arg(index), 0, std::nullopt};
        return outcome;
    };
    // The second file's work is counted as soon as it waits for its turn.
    test::RunAside run(
        [&](const RunHooksPtr& hooks) {
            OpResult result;
            for (const auto& outcome : ImageEngine::runBatch(work, 2, hooks))
                if (outcome && outcome->one)
                    result.outputs.append(outcome->one->url);
            return result;
        },
        [&](int done, int) {
            if (done == 1)
                laterDone.open();
        });
    ASSERT_TRUE(run.finished(std::chrono::seconds(60))) << "the files wait for each other";
    EXPECT_EQ(run.result().outputs, (QStringList{QStringLiteral("file 0"), QStringLiteral("file 1")}));
    EXPECT_TRUE(earlierGrew);
    EXPECT_EQ(laterGrew.load(), row.laterGrows);
    EXPECT_EQ(heldOnceGrown.load(), 250 * MB) << "the earlier file grew beside a finished one";
    EXPECT_EQ(budget.inUse(), 0);
    EXPECT_EQ(budget.growing(), 0);
}

INSTANTIATE_TEST_SUITE_P(BatchLoop, EarlierFileGrowing,
                         ::testing::Values(LaterFileRow{"laterFileWaitsForItsTurn", false},
                                           LaterFileRow{"laterFileGrowsFirst", true}),
                         test::RowName());

struct StoppedFileRow {
    const char* name;
    bool reachesItsNameTurn; // it stops in its name turn, as a result does that is written; else before
};

class StoppedFile : public ::testing::TestWithParam<StoppedFileRow> {};

// Three files at once. The cancel comes once the first is counted, while the second and third are
// at work: the second, the earliest in progress, finishes; the third is asked to stop and stops.
// The run keeps the first two, counts two, and has nothing of the third, not even a failure.
TEST_P(StoppedFile, isNeitherKeptNorCounted)
{
    const StoppedFileRow& row = GetParam();
    Latch firstCounted;
    Latch thirdStarted;
    Latch cancelSent;
    std::atomic_bool thirdAsked = false;
    std::mutex progressMutex;
    std::vector<int> progress;
    ImageEngine::BatchWork work;
    work.total = 3;
    work.memoryCost = [](int) { return 0; };
    work.run = [&](int index) {
        ImageEngine::FileOutcome outcome;
        if (index == 1) {
            cancelSent.wait();
        } else if (index == 2) {
            thirdStarted.open();
            thirdAsked = eventually([] { return ImageEngine::fileAbortRequested(); });
            if (row.reachesItsNameTurn) {
                const ImageEngine::NameTurn turn;
                outcome.stopped = ImageEngine::fileAbortRequested();
            } else {
                outcome.stopped = true;
            }
            outcome.error = QStringLiteral("stopped");
            return outcome;
        }
        const ImageEngine::NameTurn turn;
        outcome.one = ImageEngine::One{QStringLiteral("file %1").arg(index), 0, std::nullopt};
        return outcome;
    };
    test::RunAside run(
        [&](const RunHooksPtr& hooks) {
            OpResult result;
            for (const auto& outcome : ImageEngine::runBatch(work, 3, hooks)) {
                if (outcome && outcome->one)
                    result.outputs.append(outcome->one->url);
                else if (outcome)
                    ++result.failed;
            }
            return result;
        },
        [&](int done, int) {
            {
                const std::lock_guard lock(progressMutex);
                progress.push_back(done);
            }
            if (done == 1)
                firstCounted.open();
        });
    ASSERT_TRUE(firstCounted.wait() && thirdStarted.wait());
    run.hooks()->cancel();
    cancelSent.open();

    ASSERT_TRUE(run.finished(std::chrono::seconds(60))) << "the run never ended";
    EXPECT_TRUE(thirdAsked) << "the third file was never asked to stop";
    const OpResult result = run.result();
    EXPECT_EQ(result.outputs, (QStringList{QStringLiteral("file 0"), QStringLiteral("file 1")}));
    EXPECT_EQ(result.failed, 0);
    const std::lock_guard lock(progressMutex);
    EXPECT_EQ(progress, (std::vector<int>{1, 2}));
}

INSTANTIATE_TEST_SUITE_P(BatchLoop, StoppedFile,
                         ::testing::Values(StoppedFileRow{"stopsBeforeItsNameTurn", false},
                                           StoppedFileRow{"stopsInItsNameTurn", true}),
                         test::RowName());

// The outputs of a batch of test files ("file N" for each made), failures counted.
OpResult collected(const std::vector<std::optional<ImageEngine::FileOutcome>>& outcomes)
{
    OpResult result;
    for (const auto& outcome : outcomes) {
        if (outcome && outcome->one)
            result.outputs.append(outcome->one->url);
        else if (outcome)
            result.failures.append(outcome->error);
    }
    return result;
}

ImageEngine::FileOutcome made(int index)
{
    const ImageEngine::NameTurn turn;
    ImageEngine::FileOutcome outcome;
    outcome.one = ImageEngine::One{QStringLiteral("file %1").arg(index), 0, std::nullopt};
    return outcome;
}

// Three workers, three files: the second file's pricing goes on only once the third's has begun,
// which it can only beside it. Files are still admitted in input order: the second, priced last,
// holds its memory when the third starts.
TEST(BatchLoop, aFileBeingPricedKeepsNoOtherWorkerWaitingAndFilesStartInOrder)
{
    Latch thirdPricing;
    Latch thirdStarted;
    std::atomic_bool pricedBeside = false;
    std::atomic<qint64> heldAtThirdStart = 0;
    ImageEngine::BatchWork work;
    work.total = 3;
    work.memoryCost = [&](int index) {
        if (index == 2)
            thirdPricing.open();
        if (index == 1)
            pricedBeside = thirdPricing.wait(std::chrono::seconds(20));
        return (qint64(1) << index) * MB; // 1, 2 and 4 MB: what is held tells who is admitted
    };
    work.run = [&](int index) {
        if (index == 2) {
            heldAtThirdStart = MemoryBudget::shared().inUse();
            thirdStarted.open();
        } else if (index == 1) {
            thirdStarted.wait(std::chrono::seconds(20));
        }
        return made(index);
    };
    test::RunAside run([&](const RunHooksPtr& hooks) { return collected(ImageEngine::runBatch(work, 3, hooks)); });
    ASSERT_TRUE(run.finished(std::chrono::seconds(60)));
    EXPECT_TRUE(pricedBeside) << "the third file was priced only after the second";
    EXPECT_EQ(run.result().outputs.size(), 3);
    EXPECT_TRUE((heldAtThirdStart.load() / MB) & 2) << "the third file started before the second";
}

struct WorkersRow {
    const char* name;
    int workers;
};

class SlowPricing : public ::testing::TestWithParam<WorkersRow> {};

// The second file's pricing takes until its file is asked to stop. A cancel once the first file is
// counted reaches it: the run ends with the first file, the second never started.
TEST_P(SlowPricing, endsAtOnceOnACancel)
{
    Latch firstCounted;
    Latch pricing;
    std::atomic_bool pricingStopped = false;
    std::atomic_bool secondStarted = false;
    ImageEngine::BatchWork work;
    work.total = 2;
    work.memoryCost = [&](int index) {
        if (index == 1) {
            pricing.open();
            pricingStopped = eventually([] { return ImageEngine::fileAbortRequested(); }, std::chrono::seconds(20));
        }
        return qint64(MB);
    };
    work.run = [&](int index) {
        secondStarted = secondStarted || index == 1;
        return made(index);
    };
    test::RunAside run([&](const RunHooksPtr& hooks) { return collected(ImageEngine::runBatch(work, GetParam().workers, hooks)); },
                       [&](int done, int) {
                           if (done == 1)
                               firstCounted.open();
                       });
    ASSERT_TRUE(firstCounted.wait());
    // A cancel before the pricing starts would only show that no pricing starts after a cancel.
    ASSERT_TRUE(pricing.wait());
    run.hooks()->cancel();
    ASSERT_TRUE(run.finished(std::chrono::seconds(60)));
    EXPECT_TRUE(pricingStopped) << "the cancel did not reach the pricing";
    EXPECT_FALSE(secondStarted);
    EXPECT_EQ(run.result().outputs, QStringList{QStringLiteral("file 0")});
}

INSTANTIATE_TEST_SUITE_P(BatchLoop, SlowPricing,
                         ::testing::Values(WorkersRow{"oneWorker", 1}, WorkersRow{"twoWorkers", 2}), test::RowName());

struct CeilingRow {
    const char* name;
    int workers;
    std::optional<qint64> hardLimit; // the process's cgroup's memory.max
    bool largeRefused;
    qint64 used = 0;        // the cgroup's memory.current
    const char* stat = "";  // its memory.stat
    qint64 kept = 0;        // what the budget keeps from an earlier run, part of `used`
};

class FileBeyondTheMachine : public ::testing::TestWithParam<CeilingRow> {};

// A file priced at 600 MB between two of 10 MB. Where a hard limit of 500 MB leaves too little,
// it fails with its own outcome and the other two are made; with no hard limit (1 GB available, a
// budget of 500 MB), it runs alone. Page cache the kernel drops, written back first where it
// waits to be, and what the budget keeps are room: the file fails only where it could not fit with both let go, and what is kept goes
// before it runs.
TEST_P(FileBeyondTheMachine, failsAloneOnlyUnderAHardLimit)
{
    const CeilingRow& row = GetParam();
    const test::MachineMemory machine(qint64(1) << 30, row.hardLimit, row.used, row.stat);
    MemoryBudget& budget = MemoryBudget::shared();
    std::atomic_bool keptGone = false;
    if (row.kept > 0)
        budget.keepWhileIdle(row.kept, std::chrono::hours(1), [&] { keptGone = true; });
    const auto forget = qScopeGuard([&] { budget.takeKept(); });
    std::atomic_bool largeRan = false;
    std::atomic_bool largeBesideKept = false;
    ImageEngine::BatchWork work;
    work.total = 3;
    work.memoryCost = [](int index) { return index == 1 ? 600 * MB : 10 * MB; };
    work.run = [&](int index) {
        largeRan = largeRan || index == 1;
        largeBesideKept = largeBesideKept || (index == 1 && row.kept > 0 && !keptGone);
        return made(index);
    };
    work.refused = [](int index) {
        ImageEngine::FileOutcome outcome;
        outcome.error = QStringLiteral("refused %1").arg(index);
        return outcome;
    };
    test::RunAside run([&](const RunHooksPtr& hooks) { return collected(ImageEngine::runBatch(work, row.workers, hooks)); });
    ASSERT_TRUE(run.finished(std::chrono::seconds(60)));
    const OpResult result = run.result();
    EXPECT_EQ(largeRan.load(), !row.largeRefused);
    if (row.largeRefused) {
        EXPECT_EQ(result.outputs, (QStringList{QStringLiteral("file 0"), QStringLiteral("file 2")}));
        EXPECT_EQ(result.failures, QStringList{QStringLiteral("refused 1")});
    } else {
        EXPECT_EQ(result.outputs.size(), 3);
    }
    EXPECT_FALSE(largeBesideKept) << "ran beside what was kept";
    budget.takeKept();
    EXPECT_EQ(budget.inUse(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    BatchLoop, FileBeyondTheMachine,
    ::testing::Values(CeilingRow{"hardLimitOneWorker", 1, 500 * MB, true}, CeilingRow{"hardLimitThreeWorkers", 3, 500 * MB, true},
                      CeilingRow{"noLimitRunsAlone", 3, std::nullopt, false},
                      // 900 MB used of 1 GB, 800 MB of it page cache, 550 MB active.
                      CeilingRow{"activeCacheIsRoom", 3, 1000 * MB, false, 900 * MB,
                                 "anon 100000000\nfile 800000000\nactive_file 550000000\ninactive_file 250000000\n"},
                      // 400 MB of the cache in tmpfs, 100 MB mapped by programs.
                      CeilingRow{"cacheThatStaysIsNot", 3, 1000 * MB, true, 900 * MB,
                                 "anon 100000000\nfile 800000000\nshmem 400000000\nfile_mapped 100000000\n"},
                      // 700 MB of photos written just before, not yet on disk: written back, they go.
                      CeilingRow{"cacheWaitingToBeWrittenIsRoom", 1, 1000 * MB, false, 900 * MB,
                                 "anon 100000000\nfile 800000000\nfile_dirty 650000000\nfile_writeback 50000000\n"},
                      CeilingRow{"cacheWaitingToBeWrittenIsRoomAtThreeWorkers", 3, 1000 * MB, false, 900 * MB,
                                 "anon 100000000\nfile 800000000\nfile_dirty 650000000\nfile_writeback 50000000\n"},
                      // 600 MB of the 700 MB used kept from an earlier run.
                      CeilingRow{"whatIsKeptIsLetGoForAFileThatFitsWithoutIt", 1, 1000 * MB, false, 700 * MB, "", 600 * MB},
                      CeilingRow{"whatIsKeptIsLetGoForAFileThatFitsWithoutItAtThreeWorkers", 3, 1000 * MB, false, 700 * MB, "",
                                 600 * MB},
                      CeilingRow{"aFileBeyondEvenWithoutWhatIsKept", 3, 1000 * MB, true, 950 * MB, "", 500 * MB}),
    test::RowName());

struct DeadlineRow {
    const char* name;
    enum { spins, childSpins, waits } work; // spends the processor's time until cancelled, has a
                                            // program it started spend it, or spends none
    bool finished;                          // what a wait for one second of work tells
};

class RunDeadline : public ::testing::TestWithParam<DeadlineRow> {};

// A wait for a run's end gives it so much work, not so much time: a run that keeps spending the
// processor's time (a walk that never ends), or has a program it started spend it (a PDF page's
// drawer), is given up on once it has spent it, and one that spends none for a while (on a
// machine too busy to give it any) is waited for. By the clock alone, the suite failed at a load
// of 150 on 8 cores.
TEST_P(RunDeadline, countsTheWorkARunDid)
{
    const DeadlineRow& row = GetParam();
    QElapsedTimer waited;
    waited.start();
    test::RunAside run([&](const RunHooksPtr& hooks) {
        if (row.work == DeadlineRow::waits) {
            std::this_thread::sleep_for(std::chrono::seconds(3));
            return OpResult{};
        }
        pid_t child = 0;
        if (row.work == DeadlineRow::childSpins) {
            const char* argv[] = {"/bin/sh", "-c", "while :; do :; done", nullptr};
            EXPECT_EQ(::posix_spawn(&child, argv[0], nullptr, nullptr, const_cast<char**>(argv), environ), 0);
        }
        while (!hooks->isCancelled()) {
            if (child > 0)
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        if (child > 0) {
            ::kill(child, SIGKILL);
            ::waitpid(child, nullptr, 0);
        }
        return OpResult{};
    });
    EXPECT_EQ(run.finished(std::chrono::seconds(1)), row.finished);
    EXPECT_LT(waited.elapsed(), test::RunAside::kStarvedBound.count() * 1000 / 2) << "given up on only as a run doing nothing";
}

INSTANTIATE_TEST_SUITE_P(BatchLoop, RunDeadline,
                         ::testing::Values(DeadlineRow{"aRunThatSpinsIsGivenUpOn", DeadlineRow::spins, false},
                                           DeadlineRow{"aRunWhoseProgramSpinsIsGivenUpOn", DeadlineRow::childSpins, false},
                                           DeadlineRow{"aRunStarvedOfTheProcessorIsWaitedFor", DeadlineRow::waits, true}),
                         test::RowName());

} // namespace
