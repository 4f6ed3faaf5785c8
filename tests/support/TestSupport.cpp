#include "TestSupport.h"

#include <algorithm>
#include <atomic>

#include <csignal>

#include <dirent.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QProcess>
#include <QStandardPaths>
#include <QThread>
#include <QTimer>

#include "platform/BackgroundPools.h"
#include "platform/NativePath.h"

namespace kelvaro::test {

bool signalChild(QProcess& child, int signal)
{
    const qint64 pid = child.processId();
    return child.state() == QProcess::Running && pid > 0 && ::kill(pid_t(pid), signal) == 0;
}

QList<ProcessEntry> processes()
{
    QList<ProcessEntry> found;
    for (const QString& entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        bool number = false;
        const qint64 pid = entry.toLongLong(&number);
        if (!number)
            continue;
        QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
        if (!stat.open(QIODevice::ReadOnly))
            continue; // ended meanwhile
        // pid (name) state ppid … utime stime cutime cstime: the name may hold spaces and brackets.
        const QByteArray line = stat.readAll();
        const qsizetype open = line.indexOf('(');
        const qsizetype close = line.lastIndexOf(')');
        const QList<QByteArray> fields = line.mid(close + 2).split(' ');
        if (open < 0 || close < open || fields.size() < 15)
            continue;
        found.append({pid, fields[1].toLongLong(), line.mid(open + 1, close - open - 1),
                      fields[11].toLongLong() + fields[12].toLongLong() + fields[13].toLongLong() + fields[14].toLongLong()});
    }
    return found;
}

bool waitUntil(const std::function<bool()>& condition, int limitMs)
{
    QDeadlineTimer limit(limitMs);
    while (!condition()) {
        if (limit.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        // Leaves the core to the workers being waited for (tests run two to a core pair).
        QThread::msleep(1);
    }
    return true;
}

void passPostedEvents()
{
    bool reached = false;
    QMetaObject::invokeMethod(QCoreApplication::instance(), [&reached] { reached = true; }, Qt::QueuedConnection);
    while (!reached)
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
}

void passTimersOf(int ms)
{
    bool fired = false;
    QTimer marker;
    marker.setSingleShot(true);
    marker.setTimerType(Qt::PreciseTimer);
    QObject::connect(&marker, &QTimer::timeout, [&fired] { fired = true; });
    marker.start(ms + ms / 20 + 1); // a coarse timer may fire up to 5 % late
    while (!fired)
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
}

void finishBackgroundWork()
{
    BackgroundPools::finish();
    passPostedEvents();
}

namespace {

// VmData of /proc/self/status, in bytes: what RLIMIT_DATA counts.
qint64 dataInUse()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmData:"))
            return line.mid(7).trimmed().split(' ').value(0).toLongLong() * 1024;
    return 0;
}

// Allocations refused while a MemoryLimit stands: how many, and the largest, in bytes (not counted
// in sanitizer builds, whose allocator is their own).
std::atomic<bool> limited{false};
std::atomic<quint64> refusedCount{0};
std::atomic<quint64> largestRefused{0};

[[maybe_unused]] void noteRefusal(size_t size)
{
    if (!limited.load(std::memory_order_relaxed))
        return;
    ++refusedCount;
    quint64 largest = largestRefused.load();
    while (size > largest && !largestRefused.compare_exchange_weak(largest, size)) {
    }
}

} // namespace

MemoryLimit::MemoryLimit(qint64 bytes)
{
    refusedCount = 0;
    largestRefused = 0;
    limited = true;
    rlimit limit{};
    getrlimit(RLIMIT_DATA, &limit);
    m_previousSoft = limit.rlim_cur;
    limit.rlim_cur = std::min<rlim_t>(rlim_t(dataInUse() + bytes), limit.rlim_max);
    EXPECT_EQ(setrlimit(RLIMIT_DATA, &limit), 0) << "the memory limit could not be set";
}

MemoryLimit::~MemoryLimit()
{
    rlimit limit{};
    getrlimit(RLIMIT_DATA, &limit);
    limit.rlim_cur = m_previousSoft;
    setrlimit(RLIMIT_DATA, &limit);
    limited = false;
    // The engine turns a refused allocation into the error a refusal at the ceiling gives: the
    // refusal itself says that the ceiling let through more than it should.
    EXPECT_EQ(refusedCount.load(), 0u) << "the memory limit refused allocations of up to " << largestRefused.load() / (1024 * 1024)
                                       << " MB, which the pixel ceiling should have made unnecessary";
}

bool hasPrivateSessionBus()
{
    return !QStandardPaths::findExecutable(QStringLiteral("dbus-run-session")).isEmpty();
}

namespace {

::testing::AssertionResult childPasses(QProcess& child, int count)
{
    if (!child.waitForFinished(120000))
        return ::testing::AssertionFailure() << "the child run did not end";
    const QString output = QString::fromUtf8(child.readAll());
    if (child.exitCode() != 0 || !output.contains(QStringLiteral("[  PASSED  ] %1 test").arg(count)))
        return ::testing::AssertionFailure() << output.toStdString();
    return ::testing::AssertionSuccess();
}

} // namespace

::testing::AssertionResult passesOnPrivateSessionBus(const QString& filter, int count)
{
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"));
    env.insert(QStringLiteral("KELVARO_TEST_PRIVATE_BUS"), QStringLiteral("1"));
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(QStringLiteral("dbus-run-session"), {QStringLiteral("--"), QCoreApplication::applicationFilePath(),
                                                     QStringLiteral("--gtest_filter=") + filter});
    return childPasses(child, count);
}

::testing::AssertionResult passesInFreshProcess(const QString& filter, int count)
{
    QProcess child;
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--gtest_filter=") + filter});
    return childPasses(child, count);
}

QJsonObject parseJson(const char* json)
{
    return QJsonDocument::fromJson(QByteArray(json)).object();
}

QByteArray compactJson(const QJsonObject& object)
{
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

QByteArray readFile(const QString& path)
{
    const int fd = ::open(NativePath::encoded(path).constData(), O_RDONLY | O_CLOEXEC);
    QFile file;
    if (fd < 0 || !file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        if (fd >= 0)
            ::close(fd);
        return {};
    }
    return file.readAll();
}

QStringList namesIn(const QString& folder)
{
    QStringList names;
    if (DIR* listing = ::opendir(NativePath::encoded(folder).constData())) {
        while (const dirent* entry = ::readdir(listing))
            if (qstrcmp(entry->d_name, ".") != 0 && qstrcmp(entry->d_name, "..") != 0)
                names << NativePath::decoded(QByteArray(entry->d_name));
        ::closedir(listing);
    }
    names.sort();
    return names;
}

void writeFile(const QString& path, const QByteArray& bytes, bool append)
{
    const int fd = ::open(NativePath::encoded(path).constData(),
                          O_WRONLY | O_CREAT | O_CLOEXEC | (append ? O_APPEND : O_TRUNC), 0666);
    ASSERT_GE(fd, 0) << path.toStdString();
    QFile file;
    ASSERT_TRUE(file.open(fd, QIODevice::WriteOnly, QFileDevice::AutoCloseHandle)) << path.toStdString();
    ASSERT_EQ(file.write(bytes), bytes.size());
}

} // namespace kelvaro::test

// Every allocation of the process goes through these, so a MemoryLimit sees what it refused,
// whichever library asked (libvips, libjpeg, Qt, poppler). They hand on to the C library's own
// allocator, so memory from either may be freed by either. Sanitizer builds keep their own.
#ifndef KELVARO_TEST_SANITIZED
extern "C" {
void* __libc_malloc(size_t size);
void* __libc_calloc(size_t count, size_t size);
void* __libc_realloc(void* pointer, size_t size);

void* malloc(size_t size)
{
    void* pointer = __libc_malloc(size);
    if (!pointer && size > 0)
        kelvaro::test::noteRefusal(size);
    return pointer;
}

void* calloc(size_t count, size_t size)
{
    void* pointer = __libc_calloc(count, size);
    if (!pointer && count > 0 && size > 0)
        kelvaro::test::noteRefusal(count * size);
    return pointer;
}

void* realloc(void* pointer, size_t size)
{
    void* moved = __libc_realloc(pointer, size);
    if (!moved && size > 0)
        kelvaro::test::noteRefusal(size);
    return moved;
}
}
#endif
