#pragma once
// Programs of ours that Kelvaro runs beside itself for work it cannot bound in its own process
// (a PDF page's drawing): started with posix_spawn, never a fork of the running application, and
// known here while they run, so that the quit and the background pools' drain end them at once
// instead of waiting for them. A run's caller waits for its child without blocking its own stop
// request: it is asked every few milliseconds. Any thread; the registry lives as long as the
// process.
#include <chrono>
#include <functional>
#include <vector>

#include <QString>
#include <QStringList>

namespace kelvaro::ChildProcesses {

// How a child's run ended.
struct Ending {
    enum class Kind {
        exited,     // of itself, with `code`
        signalled,  // by the signal `code` (a bound of its own reached, a crash)
        stopped,    // killed: its caller's stop request
        timedOut,   // killed: it outlived its wall time
        ended,      // killed: stopAll(), the application ending or its pools draining
        notStarted, // the program could not be started
    };
    Kind kind = Kind::notStarted;
    int code = 0;
};

// The program `name` beside this process's own executable: where the build, `make run` and an
// installed tree all put Kelvaro's programs.
QString besideExecutable(const QString& name);

// Runs `program` with `arguments`, given `descriptors` as its 3, 4, … (they stay the caller's)
// and nothing else open but /dev/null as its standard streams, and waits for its end. Kills it
// (SIGKILL) as soon as `stopped` is true, once `wall` has passed, or on stopAll(). Blocks.
Ending run(const QString& program, const QStringList& arguments, const std::vector<int>& descriptors,
           std::chrono::milliseconds wall, const std::function<bool()>& stopped);

// Kills every child running now: the application ends.
void stopAll();

// While it lives every child is killed at once, those running and those started meanwhile: the
// background pools drain, so nothing they start may hold them.
class Draining {
public:
    Draining();
    ~Draining();
    Draining(const Draining&) = delete;
    Draining& operator=(const Draining&) = delete;
};

// How many children run now (tests).
int running();

} // namespace kelvaro::ChildProcesses
