#pragma once
// Programs of ours that Kelvaro runs beside itself for work it cannot bound in its own process
// (a PDF page's drawing): started with posix_spawn, never a fork of the running application, and
// known here while they run, so that the quit and the background pools' drain end them at once
// instead of waiting for them. A child takes one piece of work after another from its
// descriptor 3, a socket: a message of its arguments, each ended by a NUL, with the descriptors
// it works on attached, in order; it answers with a short message, whose first byte is its
// outcome, and waits for the next, or ends when the socket closes. A child that ends instead of answering (a bound of its own, a
// crash) is not used again; one that answered waits for the next piece among a few others, so
// that their start (loading their libraries, their own setup) is paid once, for half a minute at
// most, then is ended and reaped (it would end by itself after a minute). A run's caller waits
// for its child without blocking its own stop request: it is asked every few milliseconds. Any
// thread; the registry lives as long as the process.
//
// A child starts with descriptors 0–2 on /dev/null, its socket at 3 and nothing else of this
// process's, with an environment of a few variables (where fonts and their cache are found, the
// language), and leads a process group of its own: every kill reaches the group, so nothing it
// started outlives it.
#include <chrono>
#include <functional>
#include <vector>

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QtGlobal>

namespace kelvaro::ChildProcesses {

// How a child's run ended.
struct Ending {
    enum class Kind {
        answered,   // with the outcome `code` and the rest of its answer, `message`; waits for more
        exited,     // of itself, with `code`
        signalled,  // by the signal `code` (a bound of its own reached, a crash)
        stopped,    // killed: its caller's stop request
        timedOut,   // killed: it outlived its wall time
        ended,      // killed: stopAll(), or the background pools draining
        notStarted, // the program could not be started or given its work: `code` is the errno
    };
    Kind kind = Kind::notStarted;
    int code = 0;
    QByteArray message; // what an answer says after its outcome
};

// How long an answer may be, its outcome included.
constexpr int kMaxAnswerBytes = 512;

// The program `name` beside this process's own executable: where the build, `make run` and an
// installed tree all put Kelvaro's programs.
QString besideExecutable(const QString& name);

// A child of a program made ready for its work: one that waits for work, or one started now,
// whose start then goes on while its caller prepares the work. Given back to those waiting when
// it goes unused. Any thread; moved, never copied.
class Ready {
public:
    explicit Ready(const QString& program);
    // The child `preferred` when it waits for work (one that kept what an earlier piece of work
    // left, a document open), else as above.
    Ready(const QString& program, int preferred);
    ~Ready();
    Ready(Ready&& other) noexcept;
    Ready(const Ready&) = delete;
    Ready& operator=(const Ready&) = delete;
    Ready& operator=(Ready&&) = delete;
    // The child's process id; -1 for none yet (it is started when its work is handed over).
    int pid() const { return m_pid; }

private:
    friend Ending run(Ready child, const QStringList& arguments, const std::vector<int>& descriptors,
                      std::chrono::milliseconds wall, const std::function<bool()>& stopped, bool keeps);
    QString m_program;
    int m_pid = -1;
    int m_socket = -1;
};

// Hands `arguments` and `descriptors` (they stay the caller's) to `child` (a fresh one when it was
// killed while it waited) and waits for its answer or its end. Kills it (SIGKILL) as soon as
// `stopped` is true, once `wall` has passed, or on stopAll(). A child that answered and `keeps`
// what this work left (a document open) is handed to others only when no other waits: its caller
// asks for it again by its id. Blocks.
Ending run(Ready child, const QStringList& arguments, const std::vector<int>& descriptors,
           std::chrono::milliseconds wall, const std::function<bool()>& stopped, bool keeps = false);

// Kills every child, at work or waiting for it: the application ends.
void stopAll();

// How many times every child was killed (stopAll(), a drain begun): work that spans several
// pieces given to one child (a document read, then drawn) ends, as stopped, once this has changed
// since it began, instead of going on in a fresh child.
quint64 endsSoFar();

// While it lives every child is killed at once, those at work, those waiting for it and those
// started meanwhile: the background pools drain, so nothing they start may hold them.
class Draining {
public:
    Draining();
    ~Draining();
    Draining(const Draining&) = delete;
    Draining& operator=(const Draining&) = delete;
};

// How many children are at work now (tests).
int running();
// How long a child may wait for work before it is ended and reaped: 30 s, shorter in tests.
void setIdleUse(std::chrono::milliseconds use);

} // namespace kelvaro::ChildProcesses
