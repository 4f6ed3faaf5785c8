#include "platform/SettingsFile.h"

#include <cerrno>

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QRegularExpression>
#include <QThread>

#include "platform/Log.h"

namespace kelvaro::settingsfile {
namespace {

// Renames `path`, whatever kind of file it is (a FIFO, a folder), to
// "<name>.unreadable-<yyyyMMdd-HHmmss>[-n]" beside it, never replacing an earlier one. Returns the
// new name, empty when it could not, with the system's error number in `error`. Touches disk.
QString renameAside(const QString& path, int& error)
{
    error = 0;
    const QString stem = path + QStringLiteral(".unreadable-")
        + QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    for (int n = 1; n <= 100; ++n) {
        const QString target = n == 1 ? stem : stem + QStringLiteral("-%1").arg(n);
        if (QFileInfo::exists(target) || QFileInfo(target).isSymLink())
            continue;
        const QByteArray from = QFile::encodeName(path);
        const QByteArray to = QFile::encodeName(target);
        // A name taken since the check is never replaced.
        if (::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE) == 0
            || ((errno == EINVAL || errno == ENOSYS) && ::rename(from.constData(), to.constData()) == 0))
            return target;
        error = errno != 0 ? errno : EIO;
        return {};
    }
    error = EEXIST;
    return {};
}

} // namespace

// Keeps an unreadable settings file aside. Returns the new name, empty when it could not be
// moved. Touches disk.
QString moveAside(const QString& path)
{
    int error = 0;
    const QString target = renameAside(path, error);
    if (target.isEmpty())
        logLine(QStringLiteral("settings file %1 is unreadable and could not be moved aside; nothing is saved").arg(path));
    else
        logLine(QStringLiteral("settings file was unreadable, kept as %1; starting with empty settings").arg(target));
    return target;
}

// Each save is guarded by "<file>.lock", and a lock that cannot be proved stale is waited for up
// to half a minute by a save that may wait. A save killed between creating that file and writing
// its owner into it leaves it empty, and the next save would freeze for that long. A live owner
// fills it within microseconds, so one still empty after a moment has no owner and goes. A whole
// lock is left to QLockFile, which clears it at once when its process is gone. Without `mayWait`
// it never sleeps: a young empty lock is left for a later try. QLockFile only ever makes a regular
// file and reads what it finds there: a FIFO would hold it for good, a folder or a socket for its
// whole wait at every save. Anything else under that name is no one's lock and is put aside; 0,
// or the system's error number when it could not be. Touches disk.
int clearAbandonedLock(const QString& settingsPath, bool mayWait)
{
    const QString lockPath = settingsPath + QStringLiteral(".lock");
    struct stat kind {};
    if (::lstat(QFile::encodeName(lockPath).constData(), &kind) == 0 && !S_ISREG(kind.st_mode)) {
        int error = 0;
        const QString target = renameAside(lockPath, error);
        if (target.isEmpty() && error != ENOENT) { // gone: another process put it aside first
            logLine(QStringLiteral("settings lock %1 is no lock file and could not be moved aside; nothing is saved").arg(lockPath));
            return error;
        }
        if (!target.isEmpty())
            logLine(QStringLiteral("settings lock %1 was no lock file, kept as %2").arg(lockPath, target));
    }
    for (int attempt = 0; attempt < 10; ++attempt) {
        const QFileInfo info(lockPath);
        if (!info.exists())
            return 0;
        qint64 pid = 0;
        QString host;
        QString app;
        if (QLockFile(lockPath).getLockInfo(&pid, &host, &app))
            return 0;
        if (info.lastModified().msecsTo(QDateTime::currentDateTime()) > 200) {
            if (QFile::remove(lockPath))
                logLine(QStringLiteral("removed an ownerless settings lock %1").arg(lockPath));
            return 0;
        }
        if (!mayWait)
            return 0;
        QThread::msleep(50);
    }
    return 0;
}

// A save killed between writing its new file and renaming it leaves "<file>.new-…" beside the file
// (beside its target when it is a link), a whole copy of the settings each time. Every save writes
// under the lock, so one found while holding it belongs to nobody. Only names of the shape
// writeWhole gives go: a copy the user keeps as "kelvaro.json.new-version.json" is theirs.
// Touches disk.
void clearAbandonedWrites(const QString& settingsPath)
{
    QFileInfo info(settingsPath);
    for (int hops = 0; hops < 16 && info.isSymLink(); ++hops)
        info = QFileInfo(info.symLinkTarget());
    const QDir folder = info.absoluteDir();
    const QRegularExpression written(QStringLiteral("^%1\\.new-[0-9a-z]{1,7}$").arg(QRegularExpression::escape(info.fileName())));
    QStringList names = folder.entryList({info.fileName() + QStringLiteral(".new-*")}, QDir::Files | QDir::Hidden | QDir::System);
    names.removeIf([&](const QString& name) { return !written.match(name).hasMatch(); });
    for (const QString& name : names) {
        if (QFile::remove(folder.filePath(name)))
            logLine(QStringLiteral("removed the new settings file %1 of a save cut short").arg(folder.filePath(name)));
    }
}

// The bytes of `path` when it is a regular file (behind any links); none when it is another kind
// of file or cannot be read. Opened without blocking, so a FIFO put there after the caller's check
// is never waited on. Touches disk.
std::optional<QByteArray> readRegularFile(const QString& path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    struct stat info {};
    std::optional<QByteArray> bytes;
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode)) {
        bytes.emplace();
        char buffer[64 * 1024];
        for (;;) {
            const ssize_t got = ::read(fd, buffer, sizeof buffer);
            if (got < 0 && errno == EINTR)
                continue;
            if (got < 0)
                bytes.reset();
            if (got <= 0)
                break;
            bytes->append(buffer, got);
        }
    }
    ::close(fd);
    return bytes;
}

} // namespace kelvaro::settingsfile
