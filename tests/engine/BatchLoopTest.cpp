// The batch loop's waits: a later file that finishes first and waits for its name turn, or asks for
// more memory first, never keeps an earlier file that asks for more memory waiting for ever. And
// its cancel: a file it asks to stop is never counted as done.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

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
    bool wait()
    {
        std::unique_lock lock(m_mutex);
        return m_changed.wait_for(lock, std::chrono::seconds(60), [&] { return m_open; });
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_open = false;
};

// Whether `condition` came true within a minute, looked at again and again: the budget tells no
// one when a file starts to wait for it.
bool eventually(const std::function<bool()>& condition)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
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

} // namespace
