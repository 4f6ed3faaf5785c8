#include "engine/PartFile.h"

#include <cerrno>
#include <csignal>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QUuid>

#include "engine/FileAbort.h"
#include "engine/ImageEngine.h"
#include "engine/NameTurn.h"
#include "platform/FileSystem.h"

namespace kelvaro::ImageEngine {
namespace {

const QString kPrefix = QStringLiteral(".kelvaro-");
const QString kSuffix = QStringLiteral(".part");

bool taken(const QString& path)
{
    struct stat info {};
    return ::lstat(QFile::encodeName(path).constData(), &info) == 0; // a dangling link is taken too
}

bool processLives(qint64 pid)
{
    if (pid <= 0 || pid > INT32_MAX)
        return false;
    return ::kill(pid_t(pid), 0) == 0 || errno == EPERM;
}

} // namespace

PartFile::PartFile(const QString& folder)
{
    for (int attempt = 0; attempt < 8; ++attempt) {
        const QString path = QDir(folder).filePath(kPrefix + QString::number(::getpid()) + QLatin1Char('-')
                                                   + QUuid::createUuid().toString(QUuid::Id128) + kSuffix);
        const int fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            // Held until the result is in place or removed: the clean-up of a later run leaves it.
            ::flock(fd, LOCK_EX);
            m_path = path;
            m_fd = fd;
            return;
        }
        if (errno != EEXIST)
            return;
    }
}

PartFile::~PartFile()
{
    if (m_fd < 0)
        return;
    // Removed while still locked, so no clean-up ever sees it unlocked.
    FileSystem::current().removeFile(m_path);
    ::close(m_fd);
}

bool PartFile::write(const QByteArray& bytes)
{
    if (m_fd < 0)
        return false;
    return FileSystem::current().writeAll(m_fd, bytes.constData(), bytes.size()) == 0;
}

bool PartFile::sync()
{
    if (m_fd < 0)
        return false;
    // A buffered write that failed for want of space shows here at the latest.
    if (m_synced < 0)
        m_synced = ::fsync(m_fd) == 0 ? 1 : 0;
    return m_synced == 1;
}

QString PartFile::place(const QString& base, const QString& ext, const QString& suffix, const QString& mark)
{
    if (m_fd < 0)
        return {};
    bool ok = sync();
    QString placed;
    const QString folder = QFileInfo(m_path).path();
    const int limit = nameLimit(folder);
    for (qint64 n = 1; ok && placed.isEmpty() && n < 1000000; ++n) {
        const QString candidate = QDir(folder).filePath(numberedFileName(base, ext, n, suffix, limit, mark));
        if (FileSystem::current().moveNew(m_path, candidate))
            placed = candidate;
        else if (!taken(candidate))
            ok = false; // the folder refuses the name: trying further names would not help
    }
    if (placed.isEmpty()) {
        FileSystem::current().removeFile(m_path);
        ::close(m_fd);
        m_fd = -1;
        return {};
    }
    ::close(m_fd);
    m_fd = -1;
    return placed;
}

QString PartFile::placeInTurn(const QString& base, const QString& ext, const QString& suffix, const QString& mark)
{
    if (!sync())
        return {};
    const NameTurn turn;
    checkFileAbort();
    return place(base, ext, suffix, mark);
}

void removeLeftoverParts(const QString& folder)
{
    // ".kelvaro-<process id>-<32 hex digits>.part"; earlier versions wrote the digits alone.
    static const QRegularExpression pattern(QStringLiteral("^\\.kelvaro-(?:([0-9]{1,10})-)?[0-9a-f]{32}\\.part$"));
    const QDir dir(folder);
    const QStringList names = dir.entryList({kPrefix + QLatin1Char('*') + kSuffix},
                                            QDir::Files | QDir::Hidden | QDir::System | QDir::NoSymLinks);
    for (const QString& name : names) {
        const QRegularExpressionMatch match = pattern.match(name);
        if (!match.hasMatch())
            continue;
        if (match.hasCaptured(1) && processLives(match.captured(1).toLongLong()))
            continue;
        const QString path = dir.filePath(name);
        const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
        if (fd < 0)
            continue;
        struct stat info {};
        if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && ::flock(fd, LOCK_EX | LOCK_NB) == 0)
            FileSystem::current().removeFile(path);
        ::close(fd);
    }
}

} // namespace kelvaro::ImageEngine
