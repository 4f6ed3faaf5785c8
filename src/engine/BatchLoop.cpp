#include "engine/BatchLoop.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <exception>
#include <memory>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>

#include <QThread>

#include <vips/vips8>

#include "engine/FileAbort.h"
#include "engine/MemoryBudget.h"
#include "engine/NameTurn.h"
#include "engine/PartFile.h"

namespace kelvaro::ImageEngine {
namespace {

// ---- Name turns ------------------------------------------------------------------------------

// The order in which the files of one parallel batch claim their names: file i may claim once
// files 0 … i−1 have claimed theirs or are done.
class NameOrder {
public:
    explicit NameOrder(int count) : m_passed(size_t(count), false) {}

    // Holds the file's written part file, its memory given back (NameTurn); waits for the earlier
    // files of the batch, which never wait for a later one.
    void await(int index)
    {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [&] { return m_turn >= index; });
    }
    void pass(int index)
    {
        {
            const std::lock_guard lock(m_mutex);
            m_passed[size_t(index)] = true;
            while (m_turn < int(m_passed.size()) && m_passed[size_t(m_turn)])
                ++m_turn;
        }
        m_changed.notify_all();
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<bool> m_passed;
    int m_turn = 0;
};

struct CurrentFile {
    NameOrder* order = nullptr;
    int index = 0;
    // Told when the file's work is done and only its name is left to claim.
    const std::function<void(int index)>* workDone = nullptr;
};
thread_local CurrentFile currentFile;

// ---- Shared out -----------------------------------------------------------------------------

// libvips' own threads per image while the batch runs: the cores are shared out between the
// workers, instead of every worker starting one thread per core. Runs may overlap (a user run
// and a watched folder's): the share follows all their workers, and the last one to end puts
// back the value from before the first.
std::mutex vipsThreadsMutex;
int vipsThreadsWorkers = 0; // workers of all runs under way
int vipsThreadsBefore = 0;  // the value before the first of them

class VipsThreadsPerWorker {
public:
    explicit VipsThreadsPerWorker(int workers) : m_workers(workers)
    {
        const std::lock_guard lock(vipsThreadsMutex);
        if (vipsThreadsWorkers == 0)
            vipsThreadsBefore = vips_concurrency_get();
        vipsThreadsWorkers += m_workers;
        vips_concurrency_set(std::max(1, QThread::idealThreadCount() / vipsThreadsWorkers));
    }
    ~VipsThreadsPerWorker()
    {
        const std::lock_guard lock(vipsThreadsMutex);
        vipsThreadsWorkers -= m_workers;
        vips_concurrency_set(vipsThreadsWorkers == 0 ? vipsThreadsBefore
                                                     : std::max(1, QThread::idealThreadCount() / vipsThreadsWorkers));
    }
    VipsThreadsPerWorker(const VipsThreadsPerWorker&) = delete;
    VipsThreadsPerWorker& operator=(const VipsThreadsPerWorker&) = delete;

private:
    int m_workers;
};

// Opens the process's memory budget for one run, and lets a cancel wake the run while it waits
// for memory that other runs hold, and `onCancel` too. The listener may be called after the run
// has ended (the cancelling thread holds a copy): whatever `onCancel` needs, it must own.
class BudgetForRun {
public:
    BudgetForRun(const RunHooksPtr& hooks, std::function<void()> onCancel = {})
        : m_run(MemoryBudget::shared()), m_hooks(hooks)
    {
        if (m_hooks)
            m_hooks->setCancelListener([onCancel = std::move(onCancel)] {
                // On the cancelling thread, which holds nothing: takes the run's lock, then the
                // budget's, each let go before the next, so it waits for no one who waits for it.
                // Files are asked to stop first, so a file waiting to grow sees it on waking.
                if (onCancel)
                    onCancel();
                MemoryBudget::shared().wake();
            });
    }
    ~BudgetForRun()
    {
        if (m_hooks)
            m_hooks->setCancelListener({});
    }
    BudgetForRun(const BudgetForRun&) = delete;
    BudgetForRun& operator=(const BudgetForRun&) = delete;

private:
    MemoryBudget::Run m_run;
    RunHooksPtr m_hooks;
};

using Outcomes = std::vector<std::optional<FileOutcome>>;

// What file `index` is expected to hold, worked out with `stop` as the thread's stop request, so
// that a cancel reaches what is done to the file before its work (its header read, a PDF's forms
// walked).
qint64 priced(const BatchWork& work, int index, const FileAbortPtr& stop)
{
    const CurrentFileAbort current(stop);
    return work.memoryCost(index);
}

// What a file that needs more memory than the process may ever hold gives, instead of its work.
FileOutcome refusedOutcome(const BatchWork& work, int index)
{
    return work.refused ? work.refused(index) : FileOutcome{};
}

// Whoever listens to the run's files hears of file `index` on the thread working on it.
void tellStarting(const BatchWork& work, const RunHooksPtr& hooks, int index)
{
    if (hooks && work.tellsFiles)
        hooks->fileStarting(index);
}
// Whoever listens to the run's files also hears of the result of file `index` about to take its
// name, while the returned object lives on this thread.
std::optional<PlacingHeard> hearPlacing(const BatchWork& work, const RunHooksPtr& hooks, int index)
{
    if (!hooks || !work.tellsFiles || !hooks->hearsPlacing())
        return std::nullopt;
    return std::optional<PlacingHeard>(std::in_place, [hooks, index](const QByteArray& identity) {
        hooks->filePlacing(index, identity);
    });
}
void tellEnded(const BatchWork& work, const RunHooksPtr& hooks, int index)
{
    if (hooks && work.tellsFiles)
        hooks->fileEnded(index);
}

Outcomes sequentialLoop(const BatchWork& work, const RunHooksPtr& hooks)
{
    // Asked to stop by a cancel: the pricing of the next file, which no cancel lets finish.
    const auto pricingStop = std::make_shared<FileAbort>();
    const BudgetForRun run(hooks, [pricingStop] { pricingStop->request(); });
    MemoryBudget& budget = MemoryBudget::shared();
    const auto cancelled = [&] { return hooks && hooks->isCancelled(); };
    Outcomes outcomes(static_cast<size_t>(work.total));
    int kept = 0;
    for (int index = 0; index < work.total; ++index) {
        if (cancelled())
            break;
        qint64 cost = priced(work, index, pricingStop);
        const bool refused = budget.beyondCeiling(cost);
        if (refused)
            cost = 0;
        // Holds nothing (the last file gave its memory back); waits for other runs' files.
        if (cancelled() || !budget.acquire(cost, cancelled))
            break;
        FileOutcome outcome;
        {
            // The file in progress is the earliest one: a cancel lets it finish.
            const MemoryBudget::FileHold hold(budget, cost, {});
            tellStarting(work, hooks, index);
            const auto placing = hearPlacing(work, hooks, index);
            outcome = refused ? refusedOutcome(work, index) : work.run(index);
        }
        // Stopped by the application's end: neither made nor failed, as in the parallel loop.
        if (!outcome.stopped) {
            tellEnded(work, hooks, index);
            outcomes[size_t(index)] = std::move(outcome);
        }
        if (hooks)
            hooks->reportProgress(++kept, work.total);
    }
    return outcomes;
}

// What the workers, the calling thread and a cancelling thread share. Owned jointly: a cancel
// may still reach it after the run has returned.
struct RunState {
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<FileAbortPtr> inProgress; // the stop request of each file under way
    std::vector<FileAbortPtr> pricing;    // the stop request of each file being priced, not started
    std::vector<bool> workDone;           // files whose work is done, waiting only for their name
    bool cancelled = false;               // the user cancelled
    int spared = -1;                      // the file the cancel lets finish; -1: none was under way

    // Under the lock. Whether a cancel keeps a file: the earliest one still being worked on, and
    // every file whose work is done (counted already, it waits only for its name), wherever it
    // stands: the counter never shows a file that the run then drops.
    bool keeps(int index) const { return index == spared || workDone[size_t(index)]; }
    // Under the lock. Once the user cancelled, every file in progress, or started after, that the
    // cancel does not keep is asked to stop.
    void stopAllButSpared()
    {
        if (!cancelled)
            return;
        for (int index = 0; index < int(inProgress.size()); ++index)
            if (inProgress[size_t(index)] && !keeps(index))
                inProgress[size_t(index)]->request();
    }
    // Under the lock.
    void cancel()
    {
        if (cancelled)
            return;
        cancelled = true;
        spared = -1;
        // No file being priced is started after a cancel.
        for (const FileAbortPtr& stop : pricing)
            if (stop)
                stop->request();
        for (int index = 0; index < int(inProgress.size()) && spared < 0; ++index)
            if (inProgress[size_t(index)] && !workDone[size_t(index)])
                spared = index;
        stopAllButSpared();
    }
};

// Each free worker takes the next file and prices it (reads its header) beside the other workers;
// files are then started in input order, each once the earlier ones have started and the
// process's memory budget admits it (one worker of the run at a time waits for it, with the next
// file). A cancel starts no new file, stops every pricing, lets the earliest file still being
// worked on finish, places every file whose work is done (in input order, as ever), and asks every
// other one to stop before the cancelling call returns. Progress is reported on the calling
// thread, one call per file whose work is done, in whatever order: a file that waits for its name
// turn behind a slower earlier one counts at once. It climbs by one and reaches the total only
// when the last file is written.
Outcomes parallelLoop(const BatchWork& work, const RunHooksPtr& hooks, int workers)
{
    const VipsThreadsPerWorker vipsThreads(workers);
    const int total = work.total;
    const auto state = std::make_shared<RunState>();
    state->inProgress.resize(size_t(total));
    state->pricing.resize(size_t(total));
    state->workDone.resize(size_t(total), false);
    std::mutex& mutex = state->mutex;
    std::condition_variable& changed = state->changed;
    Outcomes outcomes(static_cast<size_t>(total));
    NameOrder order(total);
    int next = 0;                    // the next file to price
    int admitting = 0;               // the next file to start: every earlier one has started
    std::vector<bool> counted(size_t(total), false);
    int finished = 0;                // files counted as done, in any order
    int settled = 0;                 // files whose work has returned
    int running = 0;                 // workers still taking files
    std::atomic_bool halted = false; // the progress callback threw: no new file starts
    const BudgetForRun run(hooks, [state] {
        {
            const std::lock_guard lock(state->mutex);
            state->cancel();
        }
        state->changed.notify_all();
    });
    MemoryBudget& budget = MemoryBudget::shared();
    const auto userCancelled = [&] { return hooks && hooks->isCancelled(); };
    // Asked under the budget's lock too: it takes no lock of this run.
    const auto cancelled = [&] { return halted.load() || userCancelled(); };
    // Under the lock.
    const auto count = [&](int index) {
        if (!counted[size_t(index)]) {
            counted[size_t(index)] = true;
            ++finished;
        }
    };
    // A file a cancel asks to stop is counted only if it ends kept after all.
    const std::function<void(int)> workDone = [&](int index) {
        {
            const std::lock_guard lock(mutex);
            if (state->cancelled && index != state->spared)
                return;
            state->workDone[size_t(index)] = true;
            count(index);
        }
        changed.notify_all();
    };
    // Under the lock. The total means every result is in place.
    const auto shown = [&] { return settled == total ? finished : std::min(finished, total - 1); };

    const auto work1 = [&] {
        for (;;) {
            int index = 0;
            const auto abort = std::make_shared<FileAbort>();
            {
                const std::lock_guard lock(mutex);
                if (next >= total || cancelled())
                    break;
                index = next++;
                state->pricing[size_t(index)] = abort;
            }
            // Holds nothing and waits for no one: the workers price their files side by side.
            qint64 cost = priced(work, index, abort);
            const bool refused = budget.beyondCeiling(cost);
            if (refused)
                cost = 0;
            {
                std::unique_lock lock(mutex);
                state->pricing[size_t(index)].reset();
                // Holds nothing; waits for the earlier files to start, the one before waiting for
                // memory or finishing its pricing, neither of which waits for this one.
                changed.wait(lock, [&] { return admitting == index || cancelled(); });
                if (cancelled())
                    break;
            }
            // Holds nothing (the file is not started); waits for memory, which files at work give
            // back without waiting for any file not started. A cancel ends the wait.
            const bool admitted = budget.acquire(cost, cancelled);
            {
                const std::lock_guard lock(mutex);
                if (admitted) {
                    ++admitting;
                    state->inProgress[size_t(index)] = abort;
                    state->stopAllButSpared();
                }
            }
            changed.notify_all();
            if (!admitted)
                break;
            FileOutcome outcome;
            {
                const MemoryBudget::FileHold hold(budget, cost, [abort] { return abort->requested(); });
                tellStarting(work, hooks, index);
                const auto placing = hearPlacing(work, hooks, index);
                {
                    const CurrentFileAbort current(abort);
                    currentFile = {&order, index, &workDone};
                    outcome = refused ? refusedOutcome(work, index) : work.run(index);
                    currentFile = {};
                }
                order.pass(index); // also for a file that failed or stopped before it claimed a name
            }
            if (!outcome.stopped)
                tellEnded(work, hooks, index);
            {
                const std::lock_guard lock(mutex);
                state->inProgress[size_t(index)].reset();
                ++settled;
                if (!outcome.stopped) {
                    outcomes[size_t(index)] = std::move(outcome);
                    count(index);
                }
            }
            changed.notify_all();
        }
        {
            const std::lock_guard lock(mutex);
            --running;
        }
        changed.notify_all();
    };

    std::vector<std::thread> threads;
    threads.reserve(size_t(workers));
    for (int i = 0; i < workers; ++i) {
        try {
            {
                const std::lock_guard lock(mutex);
                ++running;
            }
            threads.emplace_back(work1);
        } catch (const std::system_error&) { // no more threads: the ones running share the work
            const std::lock_guard lock(mutex);
            --running;
            break;
        }
    }
    if (threads.empty())
        return sequentialLoop(work, hooks);

    int reported = 0;
    std::exception_ptr failure;
    for (;;) {
        int done = 0;
        bool over = false;
        {
            std::unique_lock lock(mutex);
            // Holds nothing the workers need; waits for them to count a file or to end.
            changed.wait(lock, [&] { return shown() > reported || running == 0; });
            // A cancel from before the run had its listener.
            if (userCancelled())
                state->cancel();
            done = shown();
            over = running == 0;
        }
        try {
            while (hooks && !failure && reported < done)
                hooks->reportProgress(++reported, total);
        } catch (...) {
            // The workers are let finish and joined before the caller hears of it.
            failure = std::current_exception();
            {
                const std::lock_guard lock(mutex);
                halted = true;
            }
            changed.notify_all();
            budget.wake(); // a worker waiting for memory stops waiting
        }
        reported = done;
        if (over)
            break;
    }
    // Every worker has stopped taking files (running == 0): each join waits for a thread leaving.
    for (std::thread& thread : threads)
        thread.join();
    if (failure)
        std::rethrow_exception(failure);
    return outcomes;
}

} // namespace

NameTurn::NameTurn()
{
    if (!currentFile.order)
        return;
    if (currentFile.workDone)
        (*currentFile.workDone)(currentFile.index);
    // Its work is done and its pixels gone: what it held goes back before it waits, so an earlier
    // file that waits to grow never waits for it in turn.
    MemoryBudget::FileHold::giveBack();
    currentFile.order->await(currentFile.index);
}

NameTurn::~NameTurn()
{
    if (currentFile.order)
        currentFile.order->pass(currentFile.index);
}

std::vector<std::optional<FileOutcome>> runBatch(const BatchWork& work, int workers, const RunHooksPtr& hooks)
{
    return workers > 1 ? parallelLoop(work, hooks, workers) : sequentialLoop(work, hooks);
}

} // namespace kelvaro::ImageEngine
