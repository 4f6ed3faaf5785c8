#include "app/SingleInstance.h"

#include <cerrno>
#include <cstdlib>
#include <utility>

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDateTime>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QLocalSocket>
#include <QLockFile>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QThread>
#include <QUrl>

#include "app/InstanceDecliner.h"
#include "app/LaunchReceiver.h"
#include "app/ProfileLock.h"
#include "l10n/Localization.h"
#include "platform/Log.h"
#include "platform/NativePath.h"

namespace kelvaro {
namespace {

// How old a lock file no process holds must be before it is cleared: its owner takes it within
// microseconds of making it, so a younger one may be a launch's that is still doing so.
constexpr qint64 kOwnerlessAfterMs = 1000;
// How long a launch rests between looks at the locks of an instance that does not answer.
constexpr int kLockPollMs = 20;
// How long a launch waits for an answer before it says in the log that it waits.
constexpr int kSlowAnswerMs = 1000;

// Asked with the path's own bytes: QFileInfo would find no file whose name is not UTF-8.
bool exists(const QString& path)
{
    return ::access(NativePath::encoded(path).constData(), F_OK) == 0;
}

// Whether process `pid` still exists (a process of another user's still does).
bool lives(pid_t pid)
{
    return pid > 0 && (::kill(pid, 0) == 0 || errno == EPERM);
}

// The process that listens at the other end of `socket`; 0 when it cannot be told.
pid_t listenerOf(const QLocalSocket& socket)
{
    ucred peer{};
    socklen_t size = sizeof peer;
    if (::getsockopt(int(socket.socketDescriptor()), SOL_SOCKET, SO_PEERCRED, &peer, &size) != 0)
        return 0;
    return peer.pid;
}

// "file:" URIs with a host other than this machine name files we cannot reach.
std::optional<QString> localPathOfUri(const QString& argument)
{
    const QUrl url(argument);
    if (!url.isValid() || !url.isLocalFile())
        return std::nullopt;
    if (!url.host().isEmpty() && url.host() != QLatin1String("localhost"))
        return std::nullopt;
    const QString path = NativePath::localFile(url);
    if (path.isEmpty())
        return std::nullopt;
    return path;
}

// Clears what stands under the instance's lock name and is nobody's lock, so that a launch can
// take it: anything but a regular file (QLockFile would wait for ever to read a FIFO and fail on a
// folder at every try), and a lock file no process holds. QLockFile holds its file with flock(2)
// for its owner's whole life, so a file nobody holds is ownerless whatever it says: empty (its
// maker was killed between making and writing it), garbled, or naming another machine, which
// QLockFile never takes for stale. Touches disk.
void clearOwnerlessLock(const QString& lockPath)
{
    const QByteArray path = QFile::encodeName(lockPath);
    struct stat named {};
    if (::lstat(path.constData(), &named) != 0)
        return;
    if (!S_ISREG(named.st_mode)) {
        putAsideInstanceFile(lockPath);
        return;
    }
    // The guard QLockFile's own clearing of stale locks takes: two launches never clear one lock,
    // nor one the lock another has just made in its place.
    QLockFile guard(lockPath + QStringLiteral(".rmlock"));
    if (!guard.tryLock(0))
        return;
    const int fd = ::open(path.constData(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return;
    struct stat opened {};
    const bool ownerless = ::fstat(fd, &opened) == 0 && S_ISREG(opened.st_mode) && ::flock(fd, LOCK_EX | LOCK_NB) == 0
        && ::lstat(path.constData(), &named) == 0 && named.st_dev == opened.st_dev && named.st_ino == opened.st_ino
        && std::abs(QDateTime::currentMSecsSinceEpoch() - (qint64(opened.st_mtim.tv_sec) * 1000 + opened.st_mtim.tv_nsec / 1000000))
            > kOwnerlessAfterMs;
    if (ownerless && ::unlink(path.constData()) == 0)
        logLine(QStringLiteral("cleared the instance lock %1, which no process held").arg(lockPath));
    ::close(fd);
}

} // namespace

SingleInstance::SingleInstance(const QString& name, QObject* parent)
    : QObject(parent), m_name(name.isEmpty() ? defaultName() : name)
{
    if (name.isEmpty() && qEnvironmentVariable(socketEnvironment).isEmpty())
        guardProfile(profileLockPath());
}

SingleInstance::~SingleInstance()
{
    release();
}

QString SingleInstance::profileLockPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QStringLiteral("/Kelvaro/instance.lock");
}

void SingleInstance::guardProfile(const QString& lockPath)
{
    m_profile = std::make_unique<ProfileLock>(lockPath);
}

QString SingleInstance::defaultName()
{
    const QString overridden = qEnvironmentVariable(socketEnvironment);
    if (!overridden.isEmpty())
        return overridden;
    // A runtime folder that takes no files would hold neither lock nor socket, and every launch
    // would become an instance of its own on the one profile.
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QFileInfo(runtime).isDir() && ::access(QFile::encodeName(runtime).constData(), W_OK | X_OK) == 0)
        return QDir(runtime).filePath(QStringLiteral("kelvaro-instance"));
    // The shared temporary folder: one name per user, so users never reach each other.
    return QStringLiteral("kelvaro-%1").arg(uint(::getuid()));
}

QString SingleInstance::socketPath() const
{
    // QLocalServer puts relative names into the temporary folder.
    return QDir::isAbsolutePath(m_name) ? m_name : QDir(QDir::tempPath()).filePath(m_name);
}

QString SingleInstance::lockPath() const
{
    return socketPath() + QStringLiteral(".lock");
}

std::optional<QString> SingleInstance::informationRequest(const QStringList& arguments)
{
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& argument = arguments.at(i);
        if (argument == QLatin1String("--"))
            break;
        if (argument == QLatin1String("--version") || argument == QLatin1String("-v"))
            return QStringLiteral("Kelvaro %1\n").arg(QStringLiteral(KELVARO_VERSION));
        if (argument == QLatin1String("--help") || argument == QLatin1String("-h")) {
            return Lf("Použití: %@ [--send] [SOUBOR…]", QStringLiteral("kelvaro")) + QStringLiteral("\n\n")
                + L("Otevře okno Kelvara; fotky, PDF a složky z příkazové řádky předá už běžícímu Kelvaru.")
                + QStringLiteral("\n\n") + L("Možnosti:") + QStringLiteral("\n  --send     ")
                + L("soubory z akce „Poslat do Kelvara“ ve správci souborů")
                + QStringLiteral("\n  --help     ") + L("vypíše tuto nápovědu a skončí")
                + QStringLiteral("\n  --version  ") + L("vypíše verzi a skončí") + QLatin1Char('\n');
        }
    }
    return std::nullopt;
}

LaunchRequest SingleInstance::parseArguments(const QStringList& arguments, const QString& workingDir)
{
    static const QRegularExpression otherUri(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]*://"));
    LaunchRequest request;
    request.activate = arguments.size() <= 1;
    bool options = true;
    const QDir base(workingDir);
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& argument = arguments.at(i);
        if (argument.isEmpty())
            continue;
        if (options && argument == QLatin1String("--")) {
            options = false;
            continue;
        }
        // "--send" only marks the file manager's action; like any other option it names no file.
        if (options && argument.startsWith(QLatin1Char('-')) && argument.size() > 1)
            continue;
        QString path;
        if (argument.startsWith(QLatin1String("file:"), Qt::CaseInsensitive)) {
            const std::optional<QString> local = localPathOfUri(argument);
            if (!local)
                continue;
            path = *local;
        } else if (otherUri.match(argument).hasMatch()) {
            continue; // web links and other remote places: nothing local to open
        } else {
            path = base.absoluteFilePath(argument);
        }
        path = QDir::cleanPath(path);
        if (!exists(path)) {
            logLine(QStringLiteral("skipped a file that does not exist: %1").arg(NativePath::displayName(path)));
            continue;
        }
        if (!request.files.contains(path))
            request.files.append(path);
    }
    return request;
}

bool SingleInstance::send(const QString& name, const LaunchRequest& request, int timeoutMs)
{
    return ask(name, request, QDeadlineTimer(timeoutMs), nullptr) == Answer::taken;
}

SingleInstance::Answer SingleInstance::ask(const QString& name, const LaunchRequest& request, const QDeadlineTimer& deadline, pid_t* ender)
{
    const auto left = [&deadline] { return int(qMax<qint64>(1, deadline.remainingTime())); };
    QLocalSocket socket;
    socket.connectToServer(name);
    if (!socket.waitForConnected(left()))
        return Answer::none;
    socket.write(launchWire::encode(request));
    while (socket.bytesToWrite() > 0) {
        if (deadline.hasExpired() || !socket.waitForBytesWritten(left()))
            return Answer::none;
    }
    bool ending = false;  // told to wait for the end
    bool waiting = false; // answered the offer: the instance decides from here
    bool slowSaid = false;
    for (;;) {
        while (socket.bytesAvailable() < 1) {
            if (socket.state() != QLocalSocket::ConnectedState)
                return ending ? Answer::letGo : waiting ? Answer::dropped : Answer::none;
            if (ending || waiting) {
                socket.waitForReadyRead(-1);
            } else if (deadline.hasExpired()) {
                // Closed unanswered: the instance, should it read the request later, drops it.
                return Answer::silent;
            } else if (!socket.waitForReadyRead(qMin(left(), kSlowAnswerMs)) && socket.state() == QLocalSocket::ConnectedState
                       && !deadline.hasExpired() && !std::exchange(slowSaid, true)) {
                logLine(QStringLiteral("the running instance has not answered yet: waiting up to %1 s for it")
                            .arg((deadline.remainingTime() + 999) / 1000));
            }
        }
        char answer = 0;
        socket.getChar(&answer);
        if (answer == launchWire::taken)
            return Answer::taken;
        if (answer == launchWire::offered && !ending && !waiting) {
            // From here the request is the instance's to take: this launch waits for it, however
            // long, rather than give up on files the instance may be opening.
            waiting = true;
            socket.putChar(launchWire::stillWaiting);
            socket.flush();
            continue;
        }
        if (answer != launchWire::ending || ending || waiting)
            return Answer::none;
        if (!ender)
            return Answer::ending;
        // Its end may wait for long work and then for another process's settings lock: whatever it
        // takes, the connection stays open while the process lives, and its files are this launch's.
        ending = true;
        *ender = listenerOf(socket);
        logLine(QStringLiteral("the running instance is ending: waiting for it to let go"));
    }
}

// The profile's lock first: it alone says who the instance is. The socket's lock then keeps
// launches of this runtime folder at one socket; once this process holds the profile's, a holder
// of the socket's is no instance of this profile's (that lets go of the profile's last) but of
// another profile sharing the folder, and gets the launch as before.
SingleInstance::Locks SingleInstance::takeLocks()
{
    if (m_profile && m_profile->tryTake() == ProfileLock::State::heldElsewhere)
        return Locks::heldElsewhere;
    const bool profileHeld = m_profile && m_profile->isHeld();
    clearOwnerlessLock(lockPath());
    if (m_lock->tryLock(0)) {
        // By its path: a relative name would be taken against each launch's own temporary folder.
        if (profileHeld)
            m_profile->setName(socketPath());
        return Locks::taken;
    }
    if (m_lock->error() != QLockFile::LockFailedError) {
        // No lock can be made beside the socket (an unwritable folder): the profile's decides.
        if (!profileHeld)
            return Locks::socketAlone;
        m_profile->setName(socketPath());
        return Locks::taken;
    }
    if (m_profile)
        m_profile->release();
    return Locks::heldElsewhere;
}

// The socket the profile's instance named, then this launch's own: an instance that could not
// name its socket (a read-only profile) or named one that is gone may still listen there.
QStringList SingleInstance::socketsToAsk() const
{
    QStringList names;
    if (m_profile && !m_profile->isHeld()) {
        const QString named = m_profile->holderName();
        if (!named.isEmpty() && named != socketPath())
            names << named;
    }
    return names << m_name;
}

SingleInstance::Role SingleInstance::claim(const LaunchRequest& request, int timeoutMs)
{
    if (m_receiver)
        return Role::primary;
    if (!m_lock) {
        m_lock = new QLockFile(lockPath());
        // The lock is held for the whole life of the process: only a dead owner makes it stale.
        m_lock->setStaleLockTime(0);
    }
    QDeadlineTimer deadline(timeoutMs);
    pid_t ender = 0;      // the process that said it is ending, once one has
    bool letGo = false;   // it let go: wait for the locks, not its answer
    bool waitLogged = false;
    bool silent = false;  // a listener took the request and did not answer in time
    for (;;) {
        switch (takeLocks()) {
        case Locks::taken:
            listen();
            return Role::primary;
        case Locks::socketAlone:
            // One that says it is ending is waited for here too, until it takes the request or goes.
            if (ask(m_name, request, QDeadlineTimer(qMin(timeoutMs, 500)), &ender) == Answer::taken)
                return Role::handedOff;
            listen();
            return Role::primary;
        case Locks::heldElsewhere:
            break;
        }
        if (letGo && !std::exchange(waitLogged, true))
            logLine(QStringLiteral("the running instance let go of its socket: waiting for its lock"));
        // While the ending process lives, the locks are still its own, or a next instance's that
        // is setting up its socket: no deadline runs out meanwhile, and each ask has the full answer
        // time. Once it is gone, whoever holds the locks has that long to answer.
        const bool enderLives = lives(ender);
        if (ender > 0 && !enderLives) {
            ender = 0;
            deadline = QDeadlineTimer(timeoutMs);
        }
        // The holder may still be setting up its socket, be one that has just taken over, or be on
        // its way out: one that says it is ending keeps the connection until it takes the request
        // or goes, and is not asked again meanwhile.
        for (const QString& name : socketsToAsk()) {
            const Answer answer = ask(name, request, enderLives ? QDeadlineTimer(timeoutMs) : deadline, &ender);
            if (answer == Answer::taken) {
                release();
                return Role::handedOff;
            }
            // Let go, or the offer withdrawn as the instance began to end: the next one to hold
            // the locks has the full answer time.
            if (answer == Answer::letGo || answer == Answer::dropped) {
                letGo = letGo || answer == Answer::letGo;
                deadline = QDeadlineTimer(timeoutMs);
            }
            // One that had the whole answer time and said nothing is given up on: should it read the
            // request later, it finds this launch gone and drops it.
            silent = answer == Answer::silent;
            if (answer != Answer::none)
                break;
        }
        if (silent || (!lives(ender) && deadline.hasExpired()))
            break;
        QThread::msleep(kLockPollMs);
    }
    release();
    if (m_profile && m_profile->holderName().isEmpty())
        logLine(QStringLiteral("the running instance did not answer: its profile %1 names no socket (a read-only folder?), and it "
                               "does not listen at this launch's")
                    .arg(QFileInfo(m_profile->path()).absolutePath()));
    else
        logLine(QStringLiteral("the running instance did not answer"));
    return Role::failed;
}

void SingleInstance::listen()
{
    // A folder at the socket's name would make listen() fail.
    struct stat named {};
    if (::lstat(QFile::encodeName(socketPath()).constData(), &named) == 0 && S_ISDIR(named.st_mode))
        putAsideInstanceFile(socketPath());
    m_receiver = std::make_unique<LaunchReceiver>();
    if (!m_receiver->listen(m_name)) {
        m_receiver.reset();
        return;
    }
    connect(m_receiver.get(), &LaunchReceiver::requested, this, &SingleInstance::requested);
}

bool SingleInstance::isListening() const
{
    return m_receiver && m_receiver->isListening();
}

void SingleInstance::decline()
{
    if (m_decliner || (!m_receiver && !(m_lock && m_lock->isLocked())))
        return;
    // Requests already taken were told so; whatever waits unread or offered in this server is
    // dropped, and its sender asks again and is told to wait.
    stopListening();
    m_decliner = std::make_unique<InstanceDecliner>(m_name);
}

void SingleInstance::resume()
{
    if (!m_decliner)
        return;
    const QList<LaunchRequest> waited = m_decliner->takeWaiting();
    m_decliner.reset();
    listen();
    // Queued: the end being called off is still on the stack.
    for (const LaunchRequest& request : waited)
        QMetaObject::invokeMethod(this, [this, request] { Q_EMIT requested(request); }, Qt::QueuedConnection);
}

void SingleInstance::stopListening()
{
    m_receiver.reset();
    m_decliner.reset();
}

void SingleInstance::release()
{
    const bool instance = (m_lock && m_lock->isLocked()) || (m_profile && m_profile->isHeld());
    const auto reached = [&](ReleaseStep step) {
        if (instance && m_releaseHook)
            m_releaseHook(step);
    };
    stopListening();
    reached(ReleaseStep::socketClosed);
    if (m_lock) {
        m_lock->unlock();
        delete m_lock;
        m_lock = nullptr;
    }
    reached(ReleaseStep::socketLockReleased);
    // Last: while it is held no launch can become the instance, wherever its socket would be.
    if (m_profile)
        m_profile->release();
}

bool SingleInstance::relaunch(const QString& program)
{
    // Taking launches would make the new process hand itself back to this one and exit; letting
    // go now would let it read the settings before this one's last save.
    decline();
    if (L10n::relaunch(program))
        return true;
    logLine(QStringLiteral("could not start a new instance for the restart"));
    resume();
    return false;
}

} // namespace kelvaro
