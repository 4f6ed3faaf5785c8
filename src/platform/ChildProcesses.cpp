#include "platform/ChildProcesses.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <map>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>
#include <variant>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define KELVARO_CHILD_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define KELVARO_CHILD_SANITIZED 1
#endif
#endif

namespace kelvaro::ChildProcesses {
namespace {

using Kind = Ending::Kind;

// How often a waiting caller asks its stop request, where no answer or end wakes it first.
constexpr int kPollMs = 20;
// How many children of a program wait for work, at most: one for each worker a run may have.
size_t maxIdle()
{
    static const size_t most = std::clamp<size_t>(std::thread::hardware_concurrency(), 4, 16);
    return most;
}
constexpr int kMaxDescriptors = 8;

struct Child {
    bool atWork = false;
    bool killed = false; // by stopAll() or a drain
};

// A child that waits for work: its id, this end of its socket, and since when it waits.
struct Idle {
    pid_t pid = -1;
    int socket = -1;
    std::chrono::steady_clock::time_point since = std::chrono::steady_clock::now();
    bool keeps = false; // what its last work left, for a next piece that asks for it by its id
};

// How long a child waits for work before it is ended: well before it would end by itself (a
// minute), so that work never goes to one that is ending and none is left unreaped.
std::atomic<std::chrono::milliseconds::rep> idleUseMs{30'000};

std::chrono::milliseconds idleUse()
{
    return std::chrono::milliseconds(idleUseMs.load());
}

std::mutex mutex;
int draining = 0;
std::atomic<quint64> ends{0};
bool sweeping = false; // a sweeper thread runs (sweep)

std::condition_variable& sweepWake()
{
    static auto* wake = new std::condition_variable(); // never freed: the sweeper may run at exit
    return *wake;
}

std::map<pid_t, Child>& children()
{
    static auto* all = new std::map<pid_t, Child>(); // never freed: a pool may still run at exit
    return *all;
}

std::map<QString, std::vector<Idle>>& idle()
{
    static auto* all = new std::map<QString, std::vector<Idle>>();
    return *all;
}

// A child and whatever it started: its process group, which bears its id. A child stays a zombie,
// its id not reused, until it is reaped, and it is taken off the list before that: a kill from the
// list never reaches another process.
void killGroup(pid_t pid)
{
    ::kill(-pid, SIGKILL);
}

void killLocked(pid_t pid, Child& child)
{
    child.killed = true;
    killGroup(pid);
}

// Ends a child that is not at work, reaps it and forgets it.
void discard(const Idle& child)
{
    ::close(child.socket);
    killGroup(child.pid);
    {
        const std::lock_guard lock(mutex);
        children().erase(child.pid);
    }
    while (::waitpid(child.pid, nullptr, 0) < 0 && errno == EINTR) {
    }
}

// What a child gets of this process's environment: what fontconfig reads to find the fonts, their
// configuration and its cache, and the language; nothing else of the application's (its bus, its
// tokens, the folders it was pointed at). PATH is fixed: a child starts no program.
std::vector<QByteArray> environment()
{
    static constexpr const char* kept[] = {
        "HOME", "LANG", "LC_ALL", "LC_CTYPE", "XDG_CACHE_HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_DATA_DIRS",
        "FONTCONFIG_FILE", "FONTCONFIG_PATH", "FONTCONFIG_SYSROOT", "FC_LANG",
#ifdef KELVARO_CHILD_SANITIZED
        "ASAN_OPTIONS", "LSAN_OPTIONS", "TSAN_OPTIONS", "UBSAN_OPTIONS",
#endif
    };
    std::vector<QByteArray> entries{QByteArrayLiteral("PATH=/usr/local/bin:/usr/bin:/bin")};
    for (const char* name : kept)
        if (qEnvironmentVariableIsSet(name))
            entries.push_back(QByteArray(name) + '=' + qgetenv(name));
    return entries;
}

// A new child of `program` waiting for its work, registered; else why it could not start (errno).
std::variant<Idle, int> start(const QString& program)
{
    int sockets[2];
    if (::socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, sockets) != 0)
        return errno;
    const auto closeTheirs = qScopeGuard([&sockets] { ::close(sockets[1]); });
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    const auto freeActions = qScopeGuard([&actions] { posix_spawn_file_actions_destroy(&actions); });
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    posix_spawn_file_actions_adddup2(&actions, sockets[1], 3);
    // Whatever else this process holds without CLOEXEC (what its launcher left open, a library's
    // descriptor) stays here.
    posix_spawn_file_actions_addclosefrom_np(&actions, 4);

    // The child starts with every signal at its default and none blocked: this process ignores
    // some and blocks others on its threads, which an exec would hand on. It leads a process group
    // of its own, which is what is killed: anything it started goes with it.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    const auto freeAttributes = qScopeGuard([&attributes] { posix_spawnattr_destroy(&attributes); });
    sigset_t none;
    sigset_t all;
    sigemptyset(&none);
    sigfillset(&all);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setsigdefault(&attributes, &all);
    posix_spawnattr_setpgroup(&attributes, 0);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETPGROUP);

    QByteArray path = QFile::encodeName(program);
    char* argv[] = {path.data(), nullptr};
    std::vector<QByteArray> entries = environment();
    std::vector<char*> envp;
    for (QByteArray& entry : entries)
        envp.push_back(entry.data());
    envp.push_back(nullptr);
    pid_t pid = -1;
    if (const int error = posix_spawn(&pid, path.constData(), &actions, &attributes, argv, envp.data()); error != 0) {
        ::close(sockets[0]);
        return error;
    }
    const std::lock_guard lock(mutex);
    Child& child = children()[pid];
    if (draining > 0)
        killLocked(pid, child);
    return Idle{pid, sockets[0]};
}

// A child of `program` waiting for work, `preferred` when it waits, or none. Those killed while
// they waited (an end since called off) or that waited too long are ended, reaped and passed over.
std::optional<Idle> takeIdle(const QString& program, pid_t preferred = -1)
{
    std::vector<Idle> killed;
    std::optional<Idle> taken;
    {
        const std::lock_guard lock(mutex);
        std::vector<Idle>& ready = idle()[program];
        // The one asked for, else one that keeps nothing another caller may still ask for.
        std::optional<size_t> wanted;
        for (size_t i = ready.size(); i-- > 0 && !wanted;)
            if (ready[i].pid == preferred)
                wanted = i;
        for (size_t i = ready.size(); i-- > 0 && !wanted;)
            if (!ready[i].keeps)
                wanted = i;
        if (wanted)
            std::rotate(ready.begin() + std::ptrdiff_t(*wanted), ready.begin() + std::ptrdiff_t(*wanted) + 1, ready.end());
        while (!ready.empty() && !taken) {
            const Idle child = ready.back();
            ready.pop_back();
            if (children()[child.pid].killed || std::chrono::steady_clock::now() - child.since > idleUse())
                killed.push_back(child);
            else
                taken = child;
        }
    }
    for (const Idle& child : killed)
        discard(child);
    return taken;
}

// Ends and reaps the children that have waited for work for their time, so that none ends by
// itself and stays a zombie while the application is idle. Runs on a thread of its own while any
// child waits.
void sweep()
{
    std::unique_lock lock(mutex);
    for (;;) {
        const auto now = std::chrono::steady_clock::now();
        std::optional<std::chrono::steady_clock::time_point> next;
        std::vector<Idle> expired;
        for (auto& [program, ready] : idle()) {
            for (auto it = ready.begin(); it != ready.end();) {
                if (now - it->since >= idleUse()) {
                    expired.push_back(*it);
                    it = ready.erase(it);
                } else {
                    next = std::min(next.value_or(it->since + idleUse()), it->since + idleUse());
                    ++it;
                }
            }
        }
        if (!expired.empty()) {
            lock.unlock();
            for (const Idle& child : expired)
                discard(child);
            lock.lock();
            continue;
        }
        if (!next) {
            sweeping = false;
            return;
        }
        sweepWake().wait_until(lock, *next);
    }
}

// A child that answered waits for more among the idle ones, unless they are enough or the pools
// drain.
void giveBack(const QString& program, const Idle& child, bool keeps = false)
{
    {
        const std::lock_guard lock(mutex);
        std::vector<Idle>& ready = idle()[program];
        Child& known = children()[child.pid];
        known.atWork = false;
        if (draining == 0 && !known.killed && ready.size() < maxIdle()) {
            ready.push_back({child.pid, child.socket, std::chrono::steady_clock::now(), keeps});
            if (!sweeping) {
                sweeping = true;
                std::thread(sweep).detach();
            }
            return;
        }
    }
    discard(child);
}

// Sends the child its work: false when it is gone (killed while it waited).
bool handOver(const Idle& child, const QStringList& arguments, const std::vector<int>& descriptors)
{
    if (descriptors.size() > size_t(kMaxDescriptors)) {
        errno = E2BIG;
        return false;
    }
    QByteArray text;
    for (const QString& argument : arguments)
        text += argument.toUtf8() + '\0';
    iovec part{text.data(), size_t(text.size())};
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int) * kMaxDescriptors)] = {};
    msghdr message{};
    message.msg_iov = &part;
    message.msg_iovlen = 1;
    if (!descriptors.empty()) {
        message.msg_control = control;
        message.msg_controllen = CMSG_SPACE(sizeof(int) * descriptors.size());
        cmsghdr* attached = CMSG_FIRSTHDR(&message);
        attached->cmsg_level = SOL_SOCKET;
        attached->cmsg_type = SCM_RIGHTS;
        attached->cmsg_len = CMSG_LEN(sizeof(int) * descriptors.size());
        std::memcpy(CMSG_DATA(attached), descriptors.data(), sizeof(int) * descriptors.size());
    }
    ssize_t sent;
    do
        sent = ::sendmsg(child.socket, &message, MSG_NOSIGNAL);
    while (sent < 0 && errno == EINTR);
    return sent == text.size();
}

} // namespace

QString besideExecutable(const QString& name)
{
    static const QString folder = QFileInfo(QFileInfo(QStringLiteral("/proc/self/exe")).symLinkTarget()).absolutePath();
    return folder + QLatin1Char('/') + name;
}

Ready::Ready(const QString& program) : Ready(program, -1) {}

Ready::Ready(const QString& program, int preferred) : m_program(program)
{
    std::optional<Idle> child = takeIdle(program, pid_t(preferred));
    if (!child) {
        // One that cannot start says why when it is given its work.
        if (const auto started = start(program); std::holds_alternative<Idle>(started))
            child = std::get<Idle>(started);
    }
    if (child) {
        m_pid = child->pid;
        m_socket = child->socket;
    }
}

Ready::Ready(Ready&& other) noexcept
    : m_program(std::move(other.m_program)), m_pid(std::exchange(other.m_pid, -1)), m_socket(std::exchange(other.m_socket, -1))
{
}

Ready::~Ready()
{
    if (m_pid > 0)
        giveBack(m_program, Idle{m_pid, m_socket});
}

Ending run(Ready ready, const QStringList& arguments, const std::vector<int>& descriptors,
           std::chrono::milliseconds wall, const std::function<bool()>& stopped, bool keeps)
{
    const QString program = ready.m_program;
    std::optional<Idle> child;
    if (ready.m_pid > 0)
        child = Idle{std::exchange(ready.m_pid, -1), ready.m_socket};
    // A child may have been killed while it waited (the quit called off): a fresh one then.
    if (child && !handOver(*child, arguments, descriptors)) {
        discard(*child);
        child.reset();
    }
    if (!child) {
        const auto started = start(program);
        if (!std::holds_alternative<Idle>(started))
            return {Kind::notStarted, std::get<int>(started), {}};
        const Idle fresh = std::get<Idle>(started);
        if (!handOver(fresh, arguments, descriptors)) {
            const int error = errno;
            bool killed = false;
            {
                const std::lock_guard lock(mutex);
                killed = children()[fresh.pid].killed;
            }
            discard(fresh);
            // Killed as it started (the pools drain): ended, no fault of the program.
            if (killed)
                return {Kind::ended, SIGKILL, {}};
            return {Kind::notStarted, error, {}};
        }
        child = fresh;
    }
    const pid_t pid = child->pid;
    {
        const std::lock_guard lock(mutex);
        children()[pid].atWork = true;
    }
    const int exitFd = int(::syscall(SYS_pidfd_open, pid, 0));
    const auto closeExit = qScopeGuard([exitFd] {
        if (exitFd >= 0)
            ::close(exitFd);
    });
    const auto deadline = std::chrono::steady_clock::now() + wall;
    std::optional<Kind> killedFor;
    for (;;) {
        if (!killedFor) {
            char answer[kMaxAnswerBytes];
            const ssize_t got = ::recv(child->socket, answer, sizeof answer, MSG_DONTWAIT);
            if (got >= 1) {
                giveBack(program, *child, keeps);
                return {Kind::answered, static_cast<unsigned char>(answer[0]), QByteArray(answer + 1, int(got - 1))};
            }
        }
        siginfo_t info{};
        if (::waitid(P_PID, id_t(pid), &info, WEXITED | WNOHANG | WNOWAIT) == 0 && info.si_pid == pid)
            break;
        if (!killedFor) {
            if (stopped && stopped())
                killedFor = Kind::stopped;
            else if (std::chrono::steady_clock::now() >= deadline)
                killedFor = Kind::timedOut;
            if (killedFor)
                killGroup(pid); // not reaped yet, so still this child's
        }
        pollfd wake[2] = {{child->socket, POLLIN, 0}, {exitFd, POLLIN, 0}};
        ::poll(wake, exitFd >= 0 ? 2 : 1, kPollMs);
    }
    ::close(child->socket);
    // What it started ends with it, however it ended.
    killGroup(pid);
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
        return {*killedFor, SIGKILL, {}};
    if (killedHere)
        return {Kind::ended, SIGKILL, {}};
    if (WIFEXITED(status))
        return {Kind::exited, WEXITSTATUS(status), {}};
    return {Kind::signalled, WIFSIGNALED(status) ? WTERMSIG(status) : 0, {}};
}

void stopAll()
{
    const std::lock_guard lock(mutex);
    ++ends;
    for (auto& [pid, child] : children())
        killLocked(pid, child);
}

Draining::Draining()
{
    std::map<QString, std::vector<Idle>> waiting;
    {
        const std::lock_guard lock(mutex);
        ++draining;
        ++ends;
        for (auto& [pid, child] : children())
            killLocked(pid, child);
        waiting.swap(idle());
    }
    for (const auto& [program, ready] : waiting)
        for (const Idle& child : ready)
            discard(child);
}

Draining::~Draining()
{
    const std::lock_guard lock(mutex);
    --draining;
}

quint64 endsSoFar()
{
    return ends.load();
}

void setIdleUse(std::chrono::milliseconds use)
{
    idleUseMs.store(use.count());
    sweepWake().notify_all();
}

int running()
{
    const std::lock_guard lock(mutex);
    int atWork = 0;
    for (const auto& [pid, child] : children())
        atWork += child.atWork ? 1 : 0;
    return atWork;
}

} // namespace kelvaro::ChildProcesses
