#pragma once
// What every test folder shares: readable Qt texts in failure messages, waiting on the event loop,
// catching the one error a call throws, the engine's error, names for table rows, small file helpers.
#include <functional>
#include <optional>
#include <ostream>
#include <string>

#include <QByteArray>
#include <QList>
#include <QJsonObject>
#include <QString>
#include <QStringList>

class QProcess;

#include <gtest/gtest.h>

#include "model/Operations.h"

// Found by argument-dependent lookup for QString, which lives in the global namespace.
inline void PrintTo(const QString& text, std::ostream* os)
{
    *os << '"' << text.toStdString() << '"';
}

// Defined in a build under AddressSanitizer or ThreadSanitizer, whose allocator replaces the C
// library's: GCC says so with __SANITIZE_*__, clang only through __has_feature.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define KELVARO_TEST_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define KELVARO_TEST_SANITIZED 1
#endif
#endif

namespace kelvaro {

// A format as its stored name, in the names of table rows' failures.
inline void PrintTo(ImageFormat format, std::ostream* os)
{
    *os << rawValue(format).toStdString();
}

} // namespace kelvaro

namespace kelvaro::test {

// Runs the main thread's events until `condition` holds; returns whether it did. The limit only
// keeps a broken build from hanging: nothing is asserted about how long it took.
bool waitUntil(const std::function<bool()>& condition, int limitMs = 30000);

// Sync points that wait for a later event which must come after the awaited one, never for a
// length of time: for a check that something did *not* happen, and for a reaction the main thread
// has queued. Nothing helps a test that runs the loop for a while and hopes.
// Runs the main thread's events until a marker posted now has been handled, so every queued call
// and event posted before it has run too.
void passPostedEvents();
// Runs the main thread's events until a marker timer started now has fired: Qt fires this thread's
// timers in the order they are due, so every timer started before it with an interval of at most
// `ms` has fired by then, however busy the machine.
void passTimersOf(int ms);
// Waits for the background decode pools (previews, thumbnails) to finish what they were given,
// then lets the results they posted to the main thread arrive.
void finishBackgroundWork();

// Sends `signal` to `child` while it runs; false when it has ended. Its id is then 0 (or stale),
// and kill(0) would signal this whole process group, the test runner included.
bool signalChild(QProcess& child, int signal);

// A process as /proc/<pid>/stat shows it: its parent, its program's name (cut to 15 bytes by the
// kernel) and the clock ticks it and the children it waited for have spent.
struct ProcessEntry {
    qint64 pid = 0;
    qint64 parent = 0;
    QByteArray name;
    qint64 ticks = 0;
};
// Every process /proc shows now.
QList<ProcessEntry> processes();

// Caps the data memory of this process (heap and private writable mappings) at `bytes` (1 GiB) above
// what it uses now, until it goes, and fails the test when an allocation was refused meanwhile.
// A test that hands the engine more pixels than its ceiling holds one: should the ceiling ever be
// loosened, the engine's allocation is refused and the test fails plainly, instead of growing
// until the machine gives out. One at a time; main thread.
class MemoryLimit {
public:
    explicit MemoryLimit(qint64 bytes = qint64(1) << 30);
    ~MemoryLimit();
    MemoryLimit(const MemoryLimit&) = delete;
    MemoryLimit& operator=(const MemoryLimit&) = delete;

private:
    quint64 m_previousSoft = 0;
};

// The `Error` that `work` throws, or none when it returns.
template <typename Error, typename Work>
std::optional<Error> thrown(Work&& work)
{
    try {
        work();
    } catch (const Error& error) {
        return error;
    }
    return std::nullopt;
}

// Whether `work` throws the engine's error of `kind`, naming `fileName` (any name when null).
template <typename Work>
::testing::AssertionResult failsWith(KelvaroError::Kind kind, const QString& fileName, Work&& work)
{
    try {
        work();
    } catch (const KelvaroError& error) {
        if (error.kind() != kind)
            return ::testing::AssertionFailure() << "another error: " << error.what();
        if (!fileName.isNull() && error.fileName() != fileName)
            return ::testing::AssertionFailure() << "the error names " << error.fileName().toStdString();
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure() << "no error";
}

// Names the instances of a parameterised test after the row's `name` member.
struct RowName {
    template <typename Row>
    std::string operator()(const ::testing::TestParamInfo<Row>& info) const
    {
        return std::string(info.param.name);
    }
};

// Runs the cases of this program that `filter` names (a "…Child" suite) again inside
// `dbus-run-session`, so nothing reaches the user's session bus; succeeds when all `count` pass.
// Whether that can be done at all: `hasPrivateSessionBus()`.
bool hasPrivateSessionBus();
::testing::AssertionResult passesOnPrivateSessionBus(const QString& filter, int count);
// Runs the cases that `filter` names (a "…Child" suite) in a new process of this program, with a
// home of its own: for a case that must be the first to open the settings, and whose state must
// not reach the cases after it when a whole program runs in one process.
::testing::AssertionResult passesInFreshProcess(const QString& filter, int count);

// The object `json` writes (empty when it is none), and an object as compact text.
QJsonObject parseJson(const char* json);
QByteArray compactJson(const QJsonObject& object);

// A file's bytes ("" when it cannot be read) and writing bytes to a new file or the end of one
// (asserted); the paths are NativePath text.
QByteArray readFile(const QString& path);
// The names in `folder` as the system lists them (NativePath text, dot files too), sorted: Qt's
// listings leave out names that are not UTF-8.
QStringList namesIn(const QString& folder);
void writeFile(const QString& path, const QByteArray& bytes, bool append = false);

} // namespace kelvaro::test
