#include "platform/ChildProcesses.h"

#include <cerrno>
#include <map>
#include <mutex>
#include <optional>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>

extern char** environ;

namespace kelvaro::ChildProcesses {
namespace {

using Kind = Ending::Kind;

// How often a waiting caller asks its stop request, where no exit wakes it first.
constexpr int kPollMs = 20;
// Descriptors handed on are copied this high first, so that moving them to 3, 4, … never
// overwrites one still to be moved.
constexpr int kHandOverFrom = 64;

struct Child {
    bool killed = false; // by stopAll() or a drain
};

std::mutex mutex;
int draining = 0;

std::map<pid_t, Child>& children()
{
    static auto* running = new std::map<pid_t, Child>(); // never freed: a pool may run at exit
    return *running;
}

// A child stays a zombie, its id not reused, until it is reaped, and it is taken off the list
// before that: a kill from the list never reaches another process.
void killLocked(pid_t pid, Child& child)
{
    child.killed = true;
    ::kill(pid, SIGKILL);
}

pid_t spawn(const QString& program, const QStringList& arguments, const std::vector<int>& descriptors)
{
    std::vector<int> high;
    const auto closeHigh = qScopeGuard([&high] {
        for (int fd : high)
            ::close(fd);
    });
    for (int fd : descriptors) {
        const int copy = ::fcntl(fd, F_DUPFD_CLOEXEC, kHandOverFrom);
        if (copy < 0)
            return -1;
        high.push_back(copy);
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    const auto freeActions = qScopeGuard([&actions] { posix_spawn_file_actions_destroy(&actions); });
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    for (size_t i = 0; i < high.size(); ++i)
        posix_spawn_file_actions_adddup2(&actions, high[i], 3 + int(i));

    // The child starts with every signal at its default and none blocked: this process ignores
    // some and blocks others on its threads, which an exec would hand on.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    const auto freeAttributes = qScopeGuard([&attributes] { posix_spawnattr_destroy(&attributes); });
    sigset_t none;
    sigset_t all;
    sigemptyset(&none);
    sigfillset(&all);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setsigdefault(&attributes, &all);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

    const QByteArray path = QFile::encodeName(program);
    std::vector<QByteArray> held{path};
    for (const QString& argument : arguments)
        held.push_back(argument.toLocal8Bit());
    std::vector<char*> argv;
    for (QByteArray& argument : held)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    pid_t pid = -1;
    if (posix_spawn(&pid, path.constData(), &actions, &attributes, argv.data(), environ) != 0)
        return -1;
    return pid;
}

} // namespace

QString besideExecutable(const QString& name)
{
    static const QString folder = QFileInfo(QFileInfo(QStringLiteral("/proc/self/exe")).symLinkTarget()).absolutePath();
    return folder + QLatin1Char('/') + name;
}

Ending run(const QString& program, const QStringList& arguments, const std::vector<int>& descriptors,
           std::chrono::milliseconds wall, const std::function<bool()>& stopped)
{
    const pid_t pid = spawn(program, arguments, descriptors);
    if (pid <= 0)
        return {Kind::notStarted, 0};
    {
        const std::lock_guard lock(mutex);
        Child& child = children()[pid];
        if (draining > 0)
            killLocked(pid, child);
    }
    const int exitFd = int(::syscall(SYS_pidfd_open, pid, 0));
    const auto deadline = std::chrono::steady_clock::now() + wall;
    std::optional<Kind> killedFor;
    for (;;) {
        siginfo_t info{};
        if (::waitid(P_PID, id_t(pid), &info, WEXITED | WNOHANG | WNOWAIT) == 0 && info.si_pid == pid)
            break;
        if (!killedFor) {
            if (stopped && stopped())
                killedFor = Kind::stopped;
            else if (std::chrono::steady_clock::now() >= deadline)
                killedFor = Kind::timedOut;
            if (killedFor)
                ::kill(pid, SIGKILL); // not reaped yet, so still this child
        }
        if (exitFd >= 0) {
            pollfd exit{exitFd, POLLIN, 0};
            ::poll(&exit, 1, kPollMs);
        } else {
            ::usleep(kPollMs * 1000 / 4);
        }
    }
    if (exitFd >= 0)
        ::close(exitFd);
    bool killedHere = false;
    {
        const std::lock_guard lock(mutex);
        killedHere = children()[pid].killed;
        children().erase(pid);
    }
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (killedFor)
        return {*killedFor, SIGKILL};
    if (killedHere)
        return {Kind::ended, SIGKILL};
    if (WIFEXITED(status))
        return {Kind::exited, WEXITSTATUS(status)};
    return {Kind::signalled, WIFSIGNALED(status) ? WTERMSIG(status) : 0};
}

void stopAll()
{
    const std::lock_guard lock(mutex);
    for (auto& [pid, child] : children())
        killLocked(pid, child);
}

Draining::Draining()
{
    const std::lock_guard lock(mutex);
    ++draining;
    for (auto& [pid, child] : children())
        killLocked(pid, child);
}

Draining::~Draining()
{
    const std::lock_guard lock(mutex);
    --draining;
}

int running()
{
    const std::lock_guard lock(mutex);
    return int(children().size());
}

} // namespace kelvaro::ChildProcesses
