#include "engine/PdfDrawer.h"

#include <csignal>
#include <cstring>
#include <mutex>
#include <optional>
#include <utility>

#include <sys/stat.h>

#include <QSet>

#include "engine/FileAbort.h"
#include "model/Operations.h"
#include "platform/ChildProcesses.h"
#include "platform/Log.h"

namespace kelvaro::PdfDrawer {
namespace {

// The drawer's outcomes, and the exit code it ends with once memory is refused.
constexpr int kDone = 0;
constexpr int kNotOpen = 4;
constexpr int kOutOfMemory = 3;

// How long a reading is taken as still open in its drawer: well within the time the drawer keeps
// it (10 s), so that a drawing rarely finds it gone.
constexpr std::chrono::seconds kReadingKept{6};

// kelvaro-pdfpage: beside this program, or where KELVARO_PDFPAGE names it (a program built
// elsewhere than Kelvaro's own, the tests).
QString drawerProgram()
{
    const QString named = qEnvironmentVariable("KELVARO_PDFPAGE");
    return named.isEmpty() ? ChildProcesses::besideExecutable(QStringLiteral("kelvaro-pdfpage")) : named;
}

// The wall time a drawer may take, for one that spends none of its CPU time: a busy machine gives
// it a share of a core, never none.
std::chrono::milliseconds wallBound(std::chrono::seconds cpu)
{
    return std::max<std::chrono::milliseconds>(std::chrono::minutes(1), cpu * 10);
}

// A drawer that cannot be started is a fault of the installation, not of the files: said once for
// each program named, however many pages then fail.
void reportNotStarted(const QString& program, int error)
{
    static std::mutex mutex;
    static QSet<QString> reported;
    {
        const std::lock_guard lock(mutex);
        if (reported.contains(program))
            return;
        reported.insert(program);
    }
    logLine(QStringLiteral("the PDF page drawer %1 cannot be started (%2): no PDF page can be drawn")
                .arg(program, QString::fromLocal8Bit(std::strerror(error))));
}

bool crashed(int signal)
{
    return signal == SIGSEGV || signal == SIGBUS || signal == SIGILL || signal == SIGFPE;
}

// What this thread began to read last, left open in the drawer `pid` once read.
struct Reading {
    QByteArray identity;
    int pid = -1;
    std::optional<PageFacts> facts; // none while read, or when the reading failed
    std::chrono::steady_clock::time_point at;
    quint64 ends = 0; // ChildProcesses::endsSoFar() before it was read

    bool recentOf(const QByteArray& file) const
    {
        return !file.isEmpty() && identity == file && std::chrono::steady_clock::now() - at < kReadingKept;
    }
    // The application's end or the pools' drain since this file began to be read stops its
    // drawing too, also when they ended a reading that would have been done again.
    void stopIfEnded(const QByteArray& file)
    {
        if (recentOf(file) && ChildProcesses::endsSoFar() != ends) {
            *this = {};
            throw ImageEngine::FileAborted();
        }
    }
};
thread_local Reading lastRead;

std::mutex observerMutex;
Observer& observer()
{
    static Observer watching;
    return watching;
}

Observer observing()
{
    const std::lock_guard lock(observerMutex);
    return observer();
}

// Tells the observer that a drawer starts its work and, as it goes, that the work has ended.
// Called under no lock: an observer may hold a drawer back.
class Observed {
public:
    Observed(const char* work, qint64 memory) : m_work(work), m_memory(memory)
    {
        if (const Observer watching = observing(); watching.started)
            watching.started(m_work, m_memory);
    }
    ~Observed()
    {
        if (const Observer watching = observing(); watching.ended)
            watching.ended(m_work, m_memory);
    }
    Observed(const Observed&) = delete;
    Observed& operator=(const Observed&) = delete;

private:
    const char* m_work;
    qint64 m_memory;
};

// The error a drawer's end other than a done answer gives its file: a crash is poppler failing on
// this document, which no bound would change; any other end is a bound reached: its CPU time's
// signal, an abort on an allocation refused, the system's memory killer. A stop is no failure.
[[noreturn]] void fail(const ChildProcesses::Ending& ending, const QString& name)
{
    using Kind = ChildProcesses::Ending::Kind;
    switch (ending.kind) {
    case Kind::exited:
        if (ending.code == kOutOfMemory)
            throw KelvaroError::pageBeyondBounds(name);
        break;
    case Kind::signalled:
        if (!crashed(ending.code))
            throw KelvaroError::pageBeyondBounds(name);
        break;
    case Kind::timedOut:
        throw KelvaroError::pageBeyondBounds(name);
    case Kind::stopped:
    case Kind::ended:
        throw ImageEngine::FileAborted();
    case Kind::notStarted:
        reportNotStarted(drawerProgram(), ending.code);
        break;
    case Kind::answered:
        break;
    }
    throw KelvaroError::unreadable(name);
}

// `keeps`: the drawer keeps the document open for a drawing that asks for it.
ChildProcesses::Ending ask(ChildProcesses::Ready drawer, const QStringList& arguments, int descriptor,
                           std::chrono::seconds cpu, bool keeps)
{
    return ChildProcesses::run(std::move(drawer), arguments, {descriptor}, wallBound(cpu),
                               [] { return ImageEngine::fileAbortRequested(); }, keeps);
}

// Has the drawer `preferred` (or another, when it is at work elsewhere or gone) read the document
// open at `descriptor` and keep it open: its facts, and the drawer in `pid`.
PageFacts readIn(int preferred, int descriptor, const QByteArray& identity, const QString& name, qint64 memory,
                 std::chrono::seconds cpu, int& pid)
{
    ImageEngine::checkFileAbort();
    const Observed working("read", memory);
    ChildProcesses::Ready drawer(drawerProgram(), preferred);
    pid = drawer.pid();
    const ChildProcesses::Ending ending
        = ask(std::move(drawer),
              {QStringLiteral("open"), QString::fromLatin1(identity), QString::number(memory), QString::number(cpu.count())},
              descriptor, cpu, true);
    if (ending.kind != ChildProcesses::Ending::Kind::answered || ending.code != kDone)
        fail(ending, name);
    const QList<QByteArray> parts = ending.message.split(' ');
    bool ok[4] = {};
    PageFacts facts;
    if (parts.size() == 4) {
        facts.mediaWidth = parts[0].toDouble(&ok[0]);
        facts.mediaHeight = parts[1].toDouble(&ok[1]);
        facts.rotate = parts[2].toInt(&ok[2]);
        facts.drawing = parts[3].toInt(&ok[3]) != 0;
    }
    if (!(ok[0] && ok[1] && ok[2] && ok[3]))
        throw KelvaroError::unreadable(name);
    return facts;
}

} // namespace

QByteArray identityOf(int descriptor)
{
    struct stat info {};
    if (::fstat(descriptor, &info) != 0)
        return {};
    return QByteArray::number(quint64(info.st_dev)) + ':' + QByteArray::number(quint64(info.st_ino)) + ':'
        + QByteArray::number(qint64(info.st_size)) + ':' + QByteArray::number(qint64(info.st_mtim.tv_sec)) + '.'
        + QByteArray::number(qint64(info.st_mtim.tv_nsec));
}

bool holdsReading(int descriptor)
{
    return lastRead.recentOf(identityOf(descriptor)) && lastRead.facts && ChildProcesses::endsSoFar() == lastRead.ends;
}

PageFacts read(int descriptor, const QString& name, qint64 memory, std::chrono::seconds cpu)
{
    const QByteArray identity = identityOf(descriptor);
    if (identity.isEmpty())
        throw KelvaroError::unreadable(name);
    lastRead.stopIfEnded(identity);
    if (lastRead.recentOf(identity) && lastRead.facts)
        return *lastRead.facts;
    lastRead = {identity, -1, std::nullopt, std::chrono::steady_clock::now(), ChildProcesses::endsSoFar()};
    int pid = -1;
    const PageFacts facts = readIn(-1, descriptor, identity, name, memory, cpu, pid);
    lastRead.pid = pid;
    lastRead.facts = facts;
    return facts;
}

void draw(int descriptor, const QString& name, const Drawing& drawing, int pixels)
{
    const QByteArray identity = identityOf(descriptor);
    if (identity.isEmpty())
        throw KelvaroError::unreadable(name);
    lastRead.stopIfEnded(identity);
    const bool readHere = lastRead.recentOf(identity) && lastRead.facts;
    int pid = readHere ? lastRead.pid : -1;
    const quint64 ends = ChildProcesses::endsSoFar();
    lastRead = {};
    const auto number = [](double value) { return QString::number(value, 'g', 17); };
    const QStringList arguments{QStringLiteral("draw"),
                                QString::fromLatin1(identity),
                                QString::number(drawing.size.width()),
                                QString::number(drawing.size.height()),
                                number(drawing.hDpi),
                                number(drawing.vDpi),
                                QString::number(drawing.rotate),
                                QString::number(drawing.memory),
                                QString::number(drawing.cpu.count())};
    // Read again, in the drawer that answers, once it has let the reading go or another thread's
    // work took the drawer that held it.
    if (!readHere)
        readIn(pid, descriptor, identity, name, drawing.memory, drawing.cpu, pid);
    for (int attempt = 0;; ++attempt) {
        ImageEngine::checkFileAbort();
        if (ChildProcesses::endsSoFar() != ends)
            throw ImageEngine::FileAborted();
        ChildProcesses::Ending ending;
        {
            const Observed working("draw", drawing.memory);
            ChildProcesses::Ready drawer(drawerProgram(), pid);
            ending = ask(std::move(drawer), arguments, pixels, drawing.cpu, false);
        }
        if (ending.kind == ChildProcesses::Ending::Kind::answered && ending.code == kDone)
            return;
        if (ending.kind != ChildProcesses::Ending::Kind::answered || ending.code != kNotOpen || attempt >= 2)
            fail(ending, name);
        readIn(pid, descriptor, identity, name, drawing.memory, drawing.cpu, pid);
    }
}

void setObserver(Observer watching)
{
    const std::lock_guard lock(observerMutex);
    observer() = std::move(watching);
}

} // namespace kelvaro::PdfDrawer
