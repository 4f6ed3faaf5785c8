#include "app/ProfileLock.h"

#include <cerrno>
#include <cstring>
#include <utility>

#include <fcntl.h>
#include <stdio.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "platform/Log.h"
#include "platform/NativePath.h"

namespace kelvaro {
namespace {

// A socket's path is far shorter; anything longer is not a name an instance wrote.
constexpr ssize_t kMaxNameBytes = 4096;

QString lastError()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

} // namespace

bool putAsideInstanceFile(const QString& path)
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

ProfileLock::ProfileLock(QString path) : m_path(std::move(path))
{
}

ProfileLock::~ProfileLock()
{
    release();
}

// Opens what is locked: the file, read-write where it can be written (where flock is emulated over
// NFS an exclusive lock needs that), else read-only; the folder when no regular file can be had.
// Never blocks: a FIFO is opened without waiting for a writer and put aside.
bool ProfileLock::open()
{
    if (m_fd >= 0)
        return true;
    const QString folder = QFileInfo(m_path).absolutePath();
    QDir().mkpath(folder);
    const QByteArray path = NativePath::encoded(m_path);
    constexpr int flags = O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY;
    for (int attempt = 0; attempt < 3; ++attempt) {
        struct stat named {};
        if (::lstat(path.constData(), &named) == 0 && !S_ISREG(named.st_mode) && !putAsideInstanceFile(m_path))
            break;
        int fd = ::open(path.constData(), O_RDWR | O_CREAT | flags, 0600);
        const bool writable = fd >= 0;
        if (fd < 0)
            fd = ::open(path.constData(), O_RDONLY | flags);
        if (fd < 0)
            break;
        struct stat opened {};
        if (::fstat(fd, &opened) == 0 && S_ISREG(opened.st_mode)) {
            m_fd = fd;
            m_writable = writable;
            return true;
        }
        ::close(fd); // replaced between the look and the open: look again
    }
    m_fd = ::open(NativePath::encoded(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (m_fd < 0) {
        logLine(QStringLiteral("cannot keep the profile's instance lock: %1").arg(lastError()));
        return false;
    }
    m_writable = false;
    if (!std::exchange(m_lockingFolderSaid, true))
        logLine(QStringLiteral("the profile's folder %1 holds no instance lock file: the folder itself is locked").arg(folder));
    return true;
}

ProfileLock::State ProfileLock::tryTake()
{
    if (m_held)
        return State::held;
    if (!open())
        return State::unavailable;
    if (::flock(m_fd, LOCK_EX | LOCK_NB) == 0) {
        m_held = true;
        return State::held;
    }
    if (errno == EWOULDBLOCK || errno == EINTR)
        return State::heldElsewhere;
    logLine(QStringLiteral("cannot take the profile's instance lock: %1").arg(lastError()));
    return State::unavailable;
}

void ProfileLock::setName(const QString& socket)
{
    if (!m_held || !m_writable)
        return;
    const QByteArray name = NativePath::encoded(socket);
    if (::ftruncate(m_fd, 0) != 0 || ::pwrite(m_fd, name.constData(), size_t(name.size()), 0) != name.size())
        logLine(QStringLiteral("cannot name the socket in the profile's instance lock: %1").arg(lastError()));
}

QString ProfileLock::holderName() const
{
    int fd = -1;
    bool own = false;
    struct stat info {};
    if (m_fd >= 0 && ::fstat(m_fd, &info) == 0 && S_ISREG(info.st_mode)) {
        fd = m_fd;
        own = true;
    } else {
        fd = ::open(NativePath::encoded(m_path).constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY);
        if (fd >= 0 && (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode))) {
            ::close(fd);
            fd = -1;
        }
    }
    if (fd < 0)
        return {};
    char buffer[kMaxNameBytes];
    const ssize_t n = ::pread(fd, buffer, sizeof buffer, 0);
    if (!own)
        ::close(fd);
    // Empty: the holder has not named its socket yet, or cannot; never a socket's name.
    if (n <= 0 || n >= kMaxNameBytes)
        return {};
    return NativePath::decoded(QByteArray(buffer, int(n)));
}

void ProfileLock::release()
{
    if (m_fd < 0)
        return;
    // A launch that reads the name between this and the next holder's asks its own socket, not ours.
    if (m_held && m_writable && ::ftruncate(m_fd, 0) != 0)
        logLine(QStringLiteral("cannot clear the name in the profile's instance lock: %1").arg(lastError()));
    ::close(m_fd); // lets go of the lock
    m_fd = -1;
    m_held = false;
}

} // namespace kelvaro
