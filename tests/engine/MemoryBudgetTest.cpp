// The memory budget the runs of the process share: files are admitted in the order they asked,
// a file larger than the whole limit waits until nothing else is held and then runs alone, a
// cancel ends a wait without holding anything, and the shared budget takes its limit when the
// first of overlapping runs opens it.
#include <atomic>
#include <chrono>
#include <future>

#include <gtest/gtest.h>

#include "engine/MemoryBudget.h"
#include "../support/TestSupport.h"

using namespace kelvaro;

namespace {

constexpr qint64 MB = 1'000'000;

// acquire() on a thread of its own; the test waits for its answer with a deadline.
std::future<bool> acquireAside(MemoryBudget& budget, qint64 cost, const std::atomic_bool& stop)
{
    return std::async(std::launch::async, [&budget, cost, &stop] { return budget.acquire(cost, [&] { return stop.load(); }); });
}

bool answered(std::future<bool>& future)
{
    return future.wait_for(std::chrono::seconds(60)) == std::future_status::ready;
}

const std::atomic_bool never = false;

TEST(MemoryBudget, aFileTooLargeForTheLimitWaitsUntilNothingIsHeldAndLaterOnesWaitBehindIt)
{
    MemoryBudget budget(600 * MB); // a limit of 300 MB
    ASSERT_EQ(budget.limit(), 300 * MB);
    ASSERT_TRUE(budget.acquire(100 * MB, [] { return false; }));

    std::future<bool> large = acquireAside(budget, 400 * MB, never);
    ASSERT_TRUE(test::waitUntil([&] { return budget.waiting() == 1; })) << "the large file never asked";
    // This one would fit beside the 100 MB, but the large file asked first.
    std::future<bool> small = acquireAside(budget, 10 * MB, never);
    ASSERT_TRUE(test::waitUntil([&] { return budget.waiting() == 2; })) << "the small file never asked";
    EXPECT_EQ(budget.inUse(), 100 * MB);

    budget.release(100 * MB);
    ASSERT_TRUE(answered(large));
    EXPECT_TRUE(large.get());
    ASSERT_TRUE(test::waitUntil([&] { return budget.waiting() == 1; }));
    EXPECT_EQ(budget.inUse(), 400 * MB); // alone: the small one still waits

    budget.release(400 * MB);
    ASSERT_TRUE(answered(small));
    EXPECT_TRUE(small.get());
    EXPECT_EQ(budget.inUse(), 10 * MB);
    EXPECT_EQ(budget.waiting(), 0);
}

// A move or a rename holds no pixels: it goes on while a file too large for the limit runs alone
// and another waits, and it is still refused once stopped.
TEST(MemoryBudget, workWithoutPixelsNeverWaits)
{
    MemoryBudget budget(600 * MB);
    ASSERT_TRUE(budget.acquire(400 * MB, [] { return false; })); // over the 300 MB limit, alone
    std::future<bool> waiting = acquireAside(budget, 10 * MB, never);
    ASSERT_TRUE(test::waitUntil([&] { return budget.waiting() == 1; }));
    std::future<bool> move = acquireAside(budget, 0, never);
    ASSERT_TRUE(answered(move)) << "a move waited for memory it does not use";
    EXPECT_TRUE(move.get());
    EXPECT_FALSE(budget.acquire(0, [] { return true; }));
    EXPECT_EQ(budget.inUse(), 400 * MB);
    budget.release(400 * MB);
    ASSERT_TRUE(answered(waiting));
}

TEST(MemoryBudget, aCancelEndsTheWaitHoldingNothingAndLetsTheNextIn)
{
    MemoryBudget budget(600 * MB);
    ASSERT_TRUE(budget.acquire(250 * MB, [] { return false; }));
    std::atomic_bool cancelFirst = false;
    std::future<bool> first = acquireAside(budget, 400 * MB, cancelFirst);
    ASSERT_TRUE(test::waitUntil([&] { return budget.waiting() == 1; }));
    std::future<bool> second = acquireAside(budget, 40 * MB, never);
    ASSERT_TRUE(test::waitUntil([&] { return budget.waiting() == 2; }));

    cancelFirst = true;
    budget.wake();
    ASSERT_TRUE(answered(first)) << "the cancelled wait never ended";
    EXPECT_FALSE(first.get());
    ASSERT_TRUE(answered(second)) << "the file behind the cancelled one was never let in";
    EXPECT_TRUE(second.get());
    EXPECT_EQ(budget.inUse(), 290 * MB);

    // Stopped before it asks: nothing is held, also when it would fit.
    EXPECT_FALSE(budget.acquire(1, [] { return true; }));
    EXPECT_EQ(budget.inUse(), 290 * MB);
    EXPECT_EQ(budget.waiting(), 0);
}

TEST(MemoryBudget, unknownMemoryLimitsNothing)
{
    MemoryBudget budget(0);
    EXPECT_EQ(budget.limit(), 0);
    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE(budget.acquire(100'000 * MB, [] { return false; }));
}

// Overlapping runs keep the limit the first of them found; the next run on an idle budget looks
// at the machine again.
TEST(MemoryBudget, theSharedLimitIsTakenWhenTheFirstOfOverlappingRunsStarts)
{
    struct Restore {
        ~Restore() { MemoryBudget::setAvailableMemoryOverride(std::nullopt); }
    } restore;
    MemoryBudget& budget = MemoryBudget::shared();
    MemoryBudget::setAvailableMemoryOverride(600 * MB);
    {
        const MemoryBudget::Run first(budget);
        EXPECT_EQ(budget.limit(), 300 * MB);
        MemoryBudget::setAvailableMemoryOverride(100 * MB); // the first run's files took memory
        {
            const MemoryBudget::Run second(budget);
            EXPECT_EQ(budget.limit(), 300 * MB);
        }
    }
    const MemoryBudget::Run later(budget);
    EXPECT_EQ(budget.limit(), 50 * MB);
}

} // namespace
