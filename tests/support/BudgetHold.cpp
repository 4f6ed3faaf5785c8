#include "BudgetHold.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>

#include <sys/resource.h>
#include <unistd.h>

#include <QDir>
#include <QFileInfo>

#include <gtest/gtest.h>

#include "TestSupport.h"

namespace kelvaro::test {

MachineMemory::MachineMemory(qint64 available, std::optional<qint64> hardLimit, qint64 used, const QByteArray& stat)
{
    const auto put = [&](const QString& path, const QByteArray& content) {
        ASSERT_TRUE(QDir().mkpath(QFileInfo(m_root.filePath(path)).path()));
        writeFile(m_root.filePath(path), content);
    };
    put(QStringLiteral("proc/meminfo"), "MemTotal: 64000000 kB\nMemAvailable: " + QByteArray::number(available / 1024) + " kB\n");
    put(QStringLiteral("proc/self/mountinfo"), "30 25 0:26 / /sys/fs/cgroup rw - cgroup2 cgroup2 rw\n");
    put(QStringLiteral("proc/self/cgroup"), "0::/kelvaro.scope\n");
    if (hardLimit) {
        put(QStringLiteral("sys/fs/cgroup/kelvaro.scope/memory.max"), QByteArray::number(*hardLimit) + '\n');
        use(used, stat);
    }
    MemoryBudget::setAvailableMemoryOverride(std::nullopt);
    MemoryBudget::setMemoryRootOverride(m_root.path());
}

void MachineMemory::use(qint64 used, const QByteArray& stat)
{
    writeFile(m_root.filePath(QStringLiteral("sys/fs/cgroup/kelvaro.scope/memory.current")), QByteArray::number(used) + '\n');
    writeFile(m_root.filePath(QStringLiteral("sys/fs/cgroup/kelvaro.scope/memory.stat")), stat);
}

MachineMemory::~MachineMemory()
{
    MemoryBudget::setMemoryRootOverride(std::nullopt);
}

BudgetHold::~BudgetHold()
{
    m_ending = true;
    m_budget.wake();
    // A take that stays blocked once ending is set is the budget's own deadlock: fail, do not hang.
    for (const std::shared_future<bool>& aside : m_aside) {
        if (aside.wait_for(std::chrono::seconds(45)) != std::future_status::ready) {
            std::fprintf(stderr, "\nBudgetHold: a take did not end when the hold ended; it waits for ever\n");
            std::fflush(stderr);
            std::_Exit(EXIT_FAILURE);
        }
    }
    if (m_held > 0)
        m_budget.release(m_held);
}

bool BudgetHold::take(qint64 cost, const std::atomic_bool* stop)
{
    const bool taken = m_budget.acquire(cost, [this, stop] { return m_ending.load() || (stop && stop->load()); });
    if (taken) {
        const std::lock_guard lock(m_mutex);
        m_held += cost;
    }
    return taken;
}

bool BudgetHold::acquire(qint64 cost)
{
    const std::shared_future<bool> aside = acquireAside(cost);
    return aside.wait_for(std::chrono::seconds(60)) == std::future_status::ready && aside.get();
}

std::shared_future<bool> BudgetHold::acquireAside(qint64 cost, const std::atomic_bool* stop)
{
    std::shared_future<bool> aside = std::async(std::launch::async, [this, cost, stop] { return take(cost, stop); }).share();
    const std::lock_guard lock(m_mutex);
    m_aside.push_back(aside);
    return aside;
}

void BudgetHold::release(qint64 cost)
{
    {
        const std::lock_guard lock(m_mutex);
        m_held -= cost;
    }
    m_budget.release(cost);
}

qint64 BudgetHold::held()
{
    const std::lock_guard lock(m_mutex);
    return m_held;
}

RunAside::RunAside(Run run, RunHooks::Progress progress)
    : m_hooks(std::make_shared<RunHooks>(std::move(progress)))
    , m_future(std::async(std::launch::async, [hooks = m_hooks, run = std::move(run)] { return run(hooks); }))
{
}

RunAside::~RunAside()
{
    m_hooks->cancel();
    if (!m_future.valid() || m_future.wait_for(std::chrono::seconds(45)) == std::future_status::ready)
        return;
    // Only a deadlock outlives a cancel: failing here beats hanging until the suite's timeout.
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    std::fprintf(stderr, "\n%s.%s: the run did not end after it was cancelled; it waits for ever\n",
                 test ? test->test_suite_name() : "?", test ? test->name() : "?");
    std::fflush(stderr);
    std::_Exit(EXIT_FAILURE);
}

bool RunAside::finished(std::chrono::seconds work)
{
    using std::chrono::steady_clock;
    // The work of the run: the process's threads but the one waiting here, and the programs it
    // started (a PDF page's drawer), those still running and those it waited for.
    const auto processorTime = [] {
        const auto clock = [](clockid_t id) {
            timespec spent{};
            ::clock_gettime(id, &spent);
            return std::chrono::seconds(spent.tv_sec) + std::chrono::nanoseconds(spent.tv_nsec);
        };
        rusage waited{};
        ::getrusage(RUSAGE_CHILDREN, &waited);
        std::chrono::nanoseconds spent = clock(CLOCK_PROCESS_CPUTIME_ID) - clock(CLOCK_THREAD_CPUTIME_ID)
            + std::chrono::seconds(waited.ru_utime.tv_sec + waited.ru_stime.tv_sec)
            + std::chrono::microseconds(waited.ru_utime.tv_usec + waited.ru_stime.tv_usec);
        qint64 ticks = 0;
        for (const ProcessEntry& process : processes())
            if (process.parent == ::getpid())
                ticks += process.ticks;
        return spent + std::chrono::milliseconds(ticks * 1000 / ::sysconf(_SC_CLK_TCK));
    };
    const steady_clock::time_point start = steady_clock::now();
    const auto spentBefore = processorTime();
    // When the run last did some work, and how much it had done by then.
    steady_clock::time_point progressAt = start;
    auto spentAtProgress = spentBefore;
    for (;;) {
        if (m_future.wait_for(std::chrono::milliseconds(200)) == std::future_status::ready)
            return true;
        const steady_clock::time_point now = steady_clock::now();
        const auto spent = processorTime();
        if (spent - spentAtProgress >= kProgress) {
            progressAt = now;
            spentAtProgress = spent;
        }
        if ((now - start >= work && spent - spentBefore >= work) || now - progressAt >= kStarvedBound)
            break;
    }
    m_hooks->cancel();
    return false;
}

OpResult RunAside::result()
{
    return m_future.get();
}

HandClock::HandClock(MemoryBudget& budget) : m_budget(budget)
{
    m_budget.setClock([this] {
        const std::chrono::milliseconds at = m_at.load();
        m_lastRead.store(at);
        return std::chrono::steady_clock::time_point(at);
    });
}

HandClock::~HandClock()
{
    m_budget.setClock({});
}

bool HandClock::moveTo(std::chrono::milliseconds at)
{
    m_at.store(at);
    return waitUntil([&] {
        m_budget.wake();
        return m_lastRead.load() == at;
    });
}

} // namespace kelvaro::test
