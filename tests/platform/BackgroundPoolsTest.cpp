// The background pools' drain at the end: what has not started is dropped, but where someone waits
// for its result, and what runs is waited for.
#include <atomic>
#include <chrono>
#include <future>
#include <memory>
#include <thread>
#include <utility>

#include <QFuture>
#include <QThreadPool>
#include <QtConcurrent/QtConcurrentRun>

#include <gtest/gtest.h>

#include "platform/BackgroundPools.h"
#include "../support/TestSupport.h"

using namespace kelvaro;

namespace {

// Tasks that each hold until released, counting what became of them. A task's copy of `gone` goes
// with the task, run or dropped. Going, releases them and waits until they are gone, so that
// none outlives them, whatever a failed test left behind.
struct HeldTasks {
    std::promise<void> releasing;
    std::shared_future<void> released = releasing.get_future().share();
    bool releasedYet = false;
    int made = 0;
    std::atomic_int started = 0;
    std::atomic_int ran = 0;
    std::shared_ptr<std::atomic_int> gone = std::make_shared<std::atomic_int>(0);

    ~HeldTasks()
    {
        release();
        const auto until = std::chrono::steady_clock::now() + std::chrono::minutes(2);
        while (*gone < made && std::chrono::steady_clock::now() < until)
            std::this_thread::yield();
    }
    void release()
    {
        if (!std::exchange(releasedYet, true))
            releasing.set_value();
    }

    // A task to hand to a pool.
    auto task()
    {
        ++made;
        struct Goes {
            std::shared_ptr<std::atomic_int> count;
            ~Goes() { ++*count; }
        };
        return [this, goes = std::make_shared<Goes>(gone)] {
            ++started;
            // Bounded only so that a failing test ends.
            released.wait_for(std::chrono::minutes(2));
            ++ran;
            return started.load();
        };
    }
};

// drain() on a thread of its own, so that the test sees it wait.
class DrainAside {
public:
    DrainAside()
    {
        std::thread([done = m_done] {
            BackgroundPools::drain();
            *done = true;
        }).detach();
    }
    bool returned() const { return *m_done; }

private:
    std::shared_ptr<std::atomic_bool> m_done = std::make_shared<std::atomic_bool>(false);
};

constexpr int kQueued = 38;

// Forty thumbnails on two threads: the end waits for the two being made and drops the rest, whose
// files would each be read first.
TEST(BackgroundPools, drainDropsWhatHasNotStartedAndWaitsForWhatRuns)
{
    QThreadPool* pool = BackgroundPools::make(2);
    HeldTasks tasks;
    for (int i = 0; i < 2 + kQueued; ++i)
        pool->start(tasks.task());
    ASSERT_TRUE(test::waitUntil([&] { return tasks.started == 2; }));
    const DrainAside drain;
    const bool dropped = test::waitUntil([&] { return *tasks.gone == kQueued; });
    EXPECT_TRUE(dropped) << "the queued tasks were kept";
    EXPECT_FALSE(drain.returned()) << "the drain did not wait for the tasks that run";
    tasks.release();
    // The bound is a hang's, not a speed's.
    ASSERT_TRUE(test::waitUntil([&] { return drain.returned(); }, 120'000));
    EXPECT_EQ(tasks.ran, 2);
    EXPECT_EQ(*tasks.gone, 2 + kQueued);
}

// A run's task is waited for through its future when the run's owner goes, after the drain: had the
// drain dropped it, the future would never finish.
TEST(BackgroundPools, drainRunsWhatHasNotStartedWhereSomeoneWaitsForIt)
{
    QThreadPool* runs = BackgroundPools::make(1, QThread::InheritPriority, BackgroundPools::AtDrain::runQueued);
    // Made second, cleared after `runs`: once its queue is gone, the drain has passed `runs` by.
    QThreadPool* thumbnails = BackgroundPools::make(1);
    HeldTasks run;
    HeldTasks thumbnail;
    const QFuture<int> first = QtConcurrent::run(runs, run.task());
    const QFuture<int> second = QtConcurrent::run(runs, run.task());
    thumbnails->start(thumbnail.task());
    thumbnails->start(thumbnail.task());
    ASSERT_TRUE(test::waitUntil([&] { return run.started == 1 && thumbnail.started == 1; }));
    const DrainAside drain;
    ASSERT_TRUE(test::waitUntil([&] { return *thumbnail.gone == 1; }));
    run.release();
    thumbnail.release();
    ASSERT_TRUE(test::waitUntil([&] { return drain.returned(); }, 120'000));
    EXPECT_EQ(run.ran, 2);
    EXPECT_TRUE(first.isFinished());
    EXPECT_TRUE(second.isFinished()) << "the queued run was dropped: its future never finishes";
}

} // namespace
