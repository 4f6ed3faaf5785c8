#pragma once
// A test's share of a memory budget: what it took, here or on threads of its own, and the takes
// still waiting. When the test ends, also early through a failed assertion, the waiting takes are
// stopped and woken and everything taken is given back, so a wait that never ends fails the test
// instead of keeping its process alive. And engine runs that end, or are cancelled, when a test
// stops waiting for them. Any thread.
#include <atomic>
#include <chrono>
#include <functional>
#include <future>
#include <mutex>
#include <optional>
#include <vector>

#include <QTemporaryDir>

#include "engine/MemoryBudget.h"
#include "engine/RunHooks.h"
#include "model/Operations.h"

namespace kelvaro::test {

class BudgetHold {
public:
    explicit BudgetHold(MemoryBudget& budget) : m_budget(budget) {}
    ~BudgetHold();
    BudgetHold(const BudgetHold&) = delete;
    BudgetHold& operator=(const BudgetHold&) = delete;

    // acquire() that the caller waits for up to a minute: false when refused or not yet admitted
    // (a late admission still counts as held). What it takes is held until release() or the end.
    bool acquire(qint64 cost);
    // acquire() on a thread of its own, stopped by `stop` (when given) or the end of the hold.
    std::shared_future<bool> acquireAside(qint64 cost, const std::atomic_bool* stop = nullptr);
    // Gives back part of what was taken.
    void release(qint64 cost);
    qint64 held(); // what was taken and not given back

private:
    bool take(qint64 cost, const std::atomic_bool* stop);

    MemoryBudget& m_budget;
    std::atomic_bool m_ending = false;
    std::mutex m_mutex;
    qint64 m_held = 0;
    std::vector<std::shared_future<bool>> m_aside;
};

// The machine as the shared memory budget reads it while this lives: `available` bytes of
// MemAvailable and, when `hardLimit` is set, the process's own cgroup (v2) limited to it with
// `used` bytes used (memory.current) and `stat` as its memory.stat, laid out in a folder of the
// test's own. The budget takes it when a run next opens it idle. Main thread.
class MachineMemory {
public:
    MachineMemory(qint64 available, std::optional<qint64> hardLimit, qint64 used = 0, const QByteArray& stat = {});
    ~MachineMemory();
    MachineMemory(const MachineMemory&) = delete;
    MachineMemory& operator=(const MachineMemory&) = delete;
    // The cgroup now uses `used` bytes, `stat` its memory.stat.
    void use(qint64 used, const QByteArray& stat = {});

private:
    QTemporaryDir m_root;
};

// An engine run (`run`, given its hooks) on a thread of its own. The test waits for its end with
// finished(); a run that has not ended when the test stops waiting, also through a failed
// assertion, is cancelled, which ends its waits for memory, and waited for. A run that does not
// end even then waits for ever (a deadlock): the test program says so and ends, failed.
class RunAside {
public:
    using Run = std::function<OpResult(const RunHooksPtr& hooks)>;
    // `progress` becomes the hooks' progress callback.
    explicit RunAside(Run run, RunHooks::Progress progress = {});
    ~RunAside();
    RunAside(const RunAside&) = delete;
    RunAside& operator=(const RunAside&) = delete;

    const RunHooksPtr& hooks() const { return m_hooks; }
    // Whether the run ended before it had `work` seconds of the machine; cancels it when not.
    // Time counts as work only while the run (its threads and the programs it started) spends as
    // much of the processor's time (a run that never ends keeps spending it), so a machine too
    // busy to give it much only waits longer, however long, while the run goes on working; a run
    // that does less than kProgress of work in kStarvedBound (a deadlock) is given up on.
    bool finished(std::chrono::seconds work = std::chrono::seconds(120));
    static constexpr std::chrono::seconds kStarvedBound{240};
    static constexpr std::chrono::milliseconds kProgress{500};
    // The run's result (rethrows what it threw); only after finished().
    OpResult result();

private:
    RunHooksPtr m_hooks;
    std::future<OpResult> m_future;
};

// A clock of a budget's idle time that the test moves by hand (MemoryBudget::setClock), and a way
// to know that the budget's own thread has seen it move: the thread reads the clock each time it
// looks, under the budget's lock, and decides before it lets the lock go. The steady clock comes
// back when it goes.
class HandClock {
public:
    explicit HandClock(MemoryBudget& budget);
    ~HandClock();
    HandClock(const HandClock&) = delete;
    HandClock& operator=(const HandClock&) = delete;

    std::chrono::milliseconds now() const { return m_at.load(); }
    // Moves the clock on to a time not read before and waits until the budget's thread has read
    // it: false when it never did.
    bool moveTo(std::chrono::milliseconds at);

private:
    MemoryBudget& m_budget;
    std::atomic<std::chrono::milliseconds> m_at{std::chrono::hours(1)};
    std::atomic<std::chrono::milliseconds> m_lastRead{std::chrono::milliseconds(-1)};
};

} // namespace kelvaro::test
