#pragma once
// The loop of a batch of per-file work: progress, cancel and the process's memory budget, several
// files at once on worker threads of its own, with the result a one-by-one run gives. Created per
// run by ImageEngine::process on the run's thread; the workers live only inside runBatch.
#include <functional>
#include <optional>
#include <vector>

#include <QString>

#include "engine/ImageEngine.h"
#include "engine/RunHooks.h"

namespace kelvaro::ImageEngine {

// What one file of a batch gave.
struct FileOutcome {
    std::optional<One> one;
    QString error;             // the failure's message when `one` is absent
    bool keptOriginal = false; // a move whose source is still there
    bool stopped = false;      // stopped by a cancel part way: neither a result nor a failure
};

struct BatchWork {
    int total = 0;
    // The bytes file `index` is expected to hold in memory (0: none). Called on the worker that
    // takes the file, beside the other workers, with a stop request as the thread's current
    // FileAbort that a cancel raises; whatever it reads of the file must stay bounded.
    std::function<qint64(int index)> memoryCost;
    // Produces file `index`; never throws. On a worker it runs with the file's stop request as
    // the thread's current FileAbort and its NameTurn set up.
    std::function<FileOutcome(int index)> run;
    // What file `index` gives instead of `run` when its price is beyond what the process may ever
    // hold (MemoryBudget::beyondCeiling): its failure, in the run's language.
    std::function<FileOutcome(int index)> refused;
    // Whether each file's start and end go to the run's hooks (RunHooks::FileListener); not for
    // the pages of one combined result, whose files end with it.
    bool tellsFiles = true;
};

// Runs files 0 … total−1, `workers` at once (1: one after another on the calling thread), each
// priced by the worker that takes it and started in input order once the memory budget of the
// process admits it; a file priced beyond what the process may ever hold gives `refused`.
// Progress goes to `hooks` on the calling thread, one call per file as its work is done, in
// whatever order the files finish (a file waiting only for its name turn counts), so it climbs by
// one; the total comes once every result is in place. A cancel starts no new file, stops every
// pricing under way and keeps every file counted by then; of the files still being worked on the earliest
// finishes and every other one is asked to stop at once, so the run ends about one file's time
// after the cancel. Returns each file's outcome in
// input order, none for a file not started or stopped. Rethrows what the progress callback threw,
// after the workers have ended.
std::vector<std::optional<FileOutcome>> runBatch(const BatchWork& work, int workers, const RunHooksPtr& hooks);

} // namespace kelvaro::ImageEngine
