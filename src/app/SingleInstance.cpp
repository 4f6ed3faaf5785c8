#include "app/SingleInstance.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <utility>

#include <fcntl.h>
#include <stdio.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDateTime>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QThread>
#include <QUrl>
#include <QtEndian>

#include "l10n/Localization.h"
#include "platform/Log.h"
#include "platform/NativePath.h"

namespace kelvaro {
namespace {

// A request travels as a 4-byte big-endian length and a small JSON document; the answer is one
// byte. JSON rather than a binary stream: a garbled length inside it cannot make us allocate.
constexpr quint32 kMaxRequestBytes = 16 * 1024 * 1024;
constexpr char kAck = '\x01';
// "This process is ending: wait for the lock." An older launch, which knows only kAck, takes it
// for no answer and waits for the lock as for an instance that does not answer.
constexpr char kEnding = '\x02';
// How often the declining thread looks whether it is to stop, in milliseconds.
constexpr int kDeclinePollMs = 20;
// How long the declining thread reads one launch's request: one that says nothing holds up the
// others no longer.
constexpr int kDeclineReadMs = 1000;
// How old a lock file no process holds must be before it is cleared: its owner takes it within
// microseconds of making it, so a younger one may be a launch's that is still doing so.
constexpr qint64 kOwnerlessAfterMs = 1000;
const QString kFilesKey = QStringLiteral("files");
const QString kActivateKey = QStringLiteral("activate");

QByteArray encode(const LaunchRequest& request)
{
    QJsonObject object;
    object.insert(kFilesKey, QJsonArray::fromStringList(request.files));
    object.insert(kActivateKey, request.activate);
    const QByteArray payload = QJsonDocument(object).toJson(QJsonDocument::Compact);
    QByteArray frame(4, '\0');
    qToBigEndian(quint32(payload.size()), frame.data());
    return frame + payload;
}

// Asked with the path's own bytes: QFileInfo would find no file whose name is not UTF-8.
bool exists(const QString& path)
{
    return ::access(NativePath::encoded(path).constData(), F_OK) == 0;
}

// Only what a local user could have meant: absolute paths that exist now. The paths are
// NativePath text; JSON keeps a byte that is not UTF-8 as its escaped code unit.
LaunchRequest decode(const QByteArray& payload, bool* ok)
{
    LaunchRequest request;
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(payload, &error);
    *ok = error.error == QJsonParseError::NoError && document.isObject();
    if (!*ok)
        return request;
    const QJsonObject object = document.object();
    request.activate = object.value(kActivateKey).toBool(false);
    for (const QJsonValue& value : object.value(kFilesKey).toArray()) {
        const QString path = value.toString();
        if (!path.isEmpty() && QDir::isAbsolutePath(path) && exists(path))
            request.files.append(QDir::cleanPath(path));
    }
    return request;
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

// Reads a launch's request without taking it (its sender waits until all of it is written) and
// tells it this process is ending. Blocking; on the declining thread.
void answerEnding(QLocalSocket& socket)
{
    QDeadlineTimer deadline(kDeclineReadMs);
    const auto arrived = [&](qint64 bytes) {
        while (socket.bytesAvailable() < bytes) {
            if (deadline.hasExpired() || !socket.waitForReadyRead(int(qMax<qint64>(1, deadline.remainingTime()))))
                return false;
        }
        return true;
    };
    char header[4];
    if (!arrived(4) || socket.read(header, 4) != 4)
        return;
    qint64 left = qFromBigEndian<quint32>(header);
    if (left > qint64(kMaxRequestBytes))
        return;
    while (left > 0) {
        const qint64 skipped = arrived(1) ? socket.skip(left) : -1;
        if (skipped < 1)
            return;
        left -= skipped;
    }
    socket.putChar(kEnding);
    socket.waitForBytesWritten(int(qMax<qint64>(1, deadline.remainingTime())));
    socket.disconnectFromServer();
}

// Renames what stands at `path` to "<name>.aside-<yyyyMMdd-HHmmss>[-n]" beside it, never
// replacing anything. False when it could not. Touches disk.
bool putAside(const QString& path)
{
    const QString stem = path + QStringLiteral(".aside-") + QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    const QByteArray from = QFile::encodeName(path);
    for (int n = 1; n <= 100; ++n) {
        const QString target = n == 1 ? stem : stem + QStringLiteral("-%1").arg(n);
        const QByteArray to = QFile::encodeName(target);
        if (::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE) == 0) {
            logLine(QStringLiteral("%1 was in the way of the running instance, kept as %2").arg(path, target));
            return true;
        }
        if (errno != EEXIST)
            return false;
    }
    return false;
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
        putAside(lockPath);
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
        m_profileLock = profileLockPath();
}

QString SingleInstance::profileLockPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QStringLiteral("/Kelvaro/instance.lock");
}

void SingleInstance::guardProfile(const QString& lockPath)
{
    m_profileLock = lockPath;
}

// Takes the profile's lock and writes this instance's socket into it; when another process holds
// it, this launch's socket becomes the one named there. The lock is the open file's (flock), so
// the kernel lets go of it when its holder dies, and a name left in the file by a dead holder is
// never read.
SingleInstance::ProfileLock SingleInstance::lockProfile(int timeoutMs)
{
    if (m_profileLock.isEmpty())
        return ProfileLock::none;
    if (m_profileFd < 0) {
        QDir().mkpath(QFileInfo(m_profileLock).absolutePath());
        const QByteArray path = NativePath::encoded(m_profileLock);
        const auto open = [&] {
            return ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY, 0600);
        };
        int fd = open();
        struct stat named {};
        if (fd < 0 && ::lstat(path.constData(), &named) == 0 && !S_ISREG(named.st_mode)) {
            // A folder, link or the like in the way: put aside once, as under the socket's names.
            putAside(m_profileLock);
            fd = open();
        }
        struct stat info {};
        if (fd >= 0 && (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode))) {
            ::close(fd);
            fd = -1;
        }
        if (fd < 0) {
            logLine(QStringLiteral("cannot keep the profile's instance lock: %1").arg(QString::fromLocal8Bit(std::strerror(errno))));
            return ProfileLock::none;
        }
        m_profileFd = fd;
    }
    const QDeadlineTimer deadline(timeoutMs);
    for (;;) {
        if (::flock(m_profileFd, LOCK_EX | LOCK_NB) == 0) {
            const QByteArray name = NativePath::encoded(m_name);
            if (::ftruncate(m_profileFd, 0) != 0 || ::pwrite(m_profileFd, name.constData(), size_t(name.size()), 0) != name.size())
                logLine(QStringLiteral("cannot name the socket in the profile's instance lock"));
            return ProfileLock::taken;
        }
        if (errno != EWOULDBLOCK && errno != EINTR)
            return ProfileLock::none;
        // Its holder writes the name right after taking it.
        char buffer[4096];
        const ssize_t n = ::pread(m_profileFd, buffer, sizeof buffer, 0);
        if (n > 0 && n < ssize_t(sizeof buffer)) {
            m_name = NativePath::decoded(QByteArray(buffer, int(n)));
            return ProfileLock::heldElsewhere;
        }
        if (deadline.hasExpired())
            return ProfileLock::heldElsewhere;
        QThread::msleep(20);
    }
}

void SingleInstance::releaseProfile()
{
    if (m_profileFd >= 0) {
        ::close(m_profileFd); // lets go of the lock
        m_profileFd = -1;
    }
}

SingleInstance::~SingleInstance()
{
    release();
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
    return ask(name, request, timeoutMs) == Answer::taken;
}

SingleInstance::Answer SingleInstance::ask(const QString& name, const LaunchRequest& request, int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    QLocalSocket socket;
    socket.connectToServer(name);
    if (!socket.waitForConnected(int(qMax<qint64>(1, deadline.remainingTime()))))
        return Answer::none;
    socket.write(encode(request));
    while (socket.bytesToWrite() > 0) {
        if (deadline.hasExpired() || !socket.waitForBytesWritten(int(qMax<qint64>(1, deadline.remainingTime()))))
            return Answer::none;
    }
    while (socket.bytesAvailable() < 1) {
        if (deadline.hasExpired() || !socket.waitForReadyRead(int(qMax<qint64>(1, deadline.remainingTime()))))
            return Answer::none;
    }
    char answer = 0;
    if (!socket.getChar(&answer))
        return Answer::none;
    return answer == kAck ? Answer::taken : answer == kEnding ? Answer::ending : Answer::none;
}

SingleInstance::Role SingleInstance::claim(const LaunchRequest& request, int timeoutMs, int endingPatienceMs)
{
    if (m_server)
        return Role::primary;
    // Another instance of this profile, found through the profile's lock, is the one to reach.
    const bool profileHeldElsewhere = lockProfile(2000) == ProfileLock::heldElsewhere;
    if (!m_lock) {
        m_lock = new QLockFile(lockPath());
        // The lock is held for the whole life of the process: only a dead owner makes it stale.
        m_lock->setStaleLockTime(0);
    }
    bool primary = false;
    auto becomePrimary = [this, profileHeldElsewhere, &primary] {
        // The profile's instance let go of its socket's lock; it lets go of the profile's right after.
        if (profileHeldElsewhere && lockProfile(5000) != ProfileLock::taken)
            logLine(QStringLiteral("the profile's instance lock stayed held"));
        listen();
        primary = true;
        return Role::primary;
    };
    // A launch that hands over, or gives up, holds no lock of the profile's.
    const auto notPrimary = qScopeGuard([this, &primary] {
        if (!primary)
            releaseProfile();
    });

    clearOwnerlessLock(lockPath());
    if (m_lock->tryLock(0))
        return becomePrimary();
    if (m_lock->error() != QLockFile::LockFailedError) {
        // No lock can be made here (an unwritable folder): the socket alone decides.
        if (send(m_name, request, qMin(timeoutMs, 500)))
            return Role::handedOff;
        return becomePrimary();
    }
    // Someone holds the lock; it may still be setting up its socket, or be on its way out.
    QDeadlineTimer deadline(timeoutMs);
    bool ending = false;
    do {
        const Answer answer = ask(m_name, request, int(qMax<qint64>(1, deadline.remainingTime())));
        if (answer == Answer::taken)
            return Role::handedOff;
        if (answer == Answer::ending && !std::exchange(ending, true)) {
            // Its last save may wait for another process: its lock is this launch's to take then.
            logLine(QStringLiteral("the running instance is ending: waiting for it to let go"));
            deadline = QDeadlineTimer(endingPatienceMs);
        }
        clearOwnerlessLock(lockPath());
        if (m_lock->tryLock(0))
            return becomePrimary();
        QThread::msleep(40);
    } while (!deadline.hasExpired());
    if (ending) {
        logLine(QStringLiteral("the running instance was still ending after %1 s: start Kelvaro again once it has ended")
                    .arg(endingPatienceMs / 1000.0));
        return Role::stillEnding;
    }
    logLine(QStringLiteral("the running instance did not answer"));
    return Role::failed;
}

void SingleInstance::listen()
{
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    // A socket file left by a crashed instance would make listen() fail, as would a folder.
    struct stat named {};
    if (::lstat(QFile::encodeName(socketPath()).constData(), &named) == 0 && S_ISDIR(named.st_mode))
        putAside(socketPath());
    QLocalServer::removeServer(m_name);
    if (!m_server->listen(m_name)) {
        logLine(QStringLiteral("cannot listen for other launches: %1").arg(m_server->errorString()));
        delete m_server;
        m_server = nullptr;
        return;
    }
    connect(m_server, &QLocalServer::newConnection, this, &SingleInstance::takeConnection);
}

bool SingleInstance::isListening() const
{
    return m_server && m_server->isListening();
}

void SingleInstance::decline()
{
    if (m_decliner || (!m_server && !(m_lock && m_lock->isLocked())))
        return;
    // Requests already read were taken and told; whatever waits unread in this server is dropped,
    // and its sender asks again and is told to wait.
    stopListening();
    m_stopDeclining = false;
    const QString name = m_name;
    m_decliner = QThread::create([this, name] {
        QLocalServer server;
        server.setSocketOptions(QLocalServer::UserAccessOption);
        QLocalServer::removeServer(name);
        if (!server.listen(name)) {
            logLine(QStringLiteral("cannot tell other launches that this one is ending: %1").arg(server.errorString()));
            return;
        }
        while (!m_stopDeclining.load() && server.isListening()) {
            if (!server.waitForNewConnection(kDeclinePollMs))
                continue;
            while (QLocalSocket* socket = server.nextPendingConnection()) {
                answerEnding(*socket);
                delete socket;
            }
        }
    });
    m_decliner->start();
}

void SingleInstance::resume()
{
    if (!m_decliner)
        return;
    stopListening();
    listen();
}

void SingleInstance::stopListening()
{
    if (m_server) {
        m_server->close();
        delete m_server;
        m_server = nullptr;
    }
    if (m_decliner) {
        m_stopDeclining = true;
        m_decliner->wait();
        delete m_decliner;
        m_decliner = nullptr;
    }
}

void SingleInstance::release()
{
    stopListening();
    if (m_lock) {
        m_lock->unlock();
        delete m_lock;
        m_lock = nullptr;
    }
    // After the socket's: a launch that comes between finds the profile's instance at its socket.
    releaseProfile();
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

void SingleInstance::takeConnection()
{
    while (m_server && m_server->hasPendingConnections()) {
        QLocalSocket* socket = m_server->nextPendingConnection();
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { readFrom(socket); });
        readFrom(socket);
    }
}

void SingleInstance::readFrom(QLocalSocket* socket)
{
    if (socket->property("kelvaroDone").toBool() || socket->bytesAvailable() < 4)
        return;
    char header[4];
    socket->peek(header, 4);
    const quint32 size = qFromBigEndian<quint32>(header);
    if (size > kMaxRequestBytes) {
        logLine(QStringLiteral("refused an oversized request from another launch"));
        socket->setProperty("kelvaroDone", true);
        socket->abort();
        return;
    }
    if (socket->bytesAvailable() < qint64(4 + size))
        return;
    socket->skip(4);
    const QByteArray payload = socket->read(size);
    socket->setProperty("kelvaroDone", true);
    bool ok = false;
    const LaunchRequest request = decode(payload, &ok);
    if (!ok) {
        logLine(QStringLiteral("refused an unreadable request from another launch"));
        socket->abort();
        return;
    }
    // The launching process may exit as soon as it hears back; the work happens after.
    socket->putChar(kAck);
    socket->flush();
    socket->disconnectFromServer();
    Q_EMIT requested(request);
}

} // namespace kelvaro
