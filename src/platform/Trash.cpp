#include "platform/Trash.h"

#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include "platform/FileSystem.h"
#include "platform/Log.h"
#include "platform/NativeFile.h"
#include "platform/NativePath.h"

namespace kelvaro {
namespace {

// The home trash by the path's own bytes, for a name Qt cannot name (it is not UTF-8): Qt would
// look for another file. Only on the disk the home trash lives on; a file elsewhere stays.
bool trashByBytes(const QString& path, const QString& dataHome)
{
    const QByteArray native = NativePath::encoded(path);
    const QByteArray trash = NativePath::encoded(dataHome) + "/Trash";
    struct stat source {};
    struct stat home {};
    if (!QDir::isAbsolutePath(path) || ::lstat(native.constData(), &source) != 0)
        return false;
    for (const QByteArray& folder : {trash, trash + "/files", trash + "/info"})
        ::mkdir(folder.constData(), 0700);
    if (::stat((trash + "/files").constData(), &home) != 0 || home.st_dev != source.st_dev)
        return false;

    const QByteArray name = native.mid(native.lastIndexOf('/') + 1);
    const QString now = QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-ddThh:mm:ss"));
    const QByteArray info =
        "[Trash Info]\nPath=" + native.toPercentEncoding("/") + "\nDeletionDate=" + now.toLatin1() + "\n";
    for (int n = 1; n < 1000; ++n) {
        const QByteArray entry = n == 1 ? name : QByteArray::number(n) + '-' + name;
        // The info file claims the name first, so another program trashing now cannot take it.
        const QByteArray infoPath = trash + "/info/" + entry + ".trashinfo";
        const int fd = ::open(infoPath.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0) {
            if (errno == EEXIST)
                continue;
            return false;
        }
        const bool written = FileSystem::standard().writeAll(fd, info.constData(), info.size()) == 0;
        ::close(fd);
        if (written && FileSystem::standard().moveNew(path, NativePath::decoded(trash + "/files/" + entry)))
            return true;
        ::unlink(infoPath.constData());
        if (!written || errno != EEXIST)
            return false;
    }
    return false;
}

} // namespace

bool DesktopTrash::moveToTrash(const QString& path)
{
    // Without the data folder Qt 6.4 reports success and leaves the file under ./files/.
    const QString dataHome = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (dataHome.isEmpty() || !QDir().mkpath(dataHome))
        return false;
    if (NativePath::encoded(path) != QFile::encodeName(path))
        return trashByBytes(path, dataHome);
    const QFileInfo source(path);
    if (!source.exists() && !source.isSymLink())
        return false;

    QString pathInTrash;
    if (!QFile::moveToTrash(path, &pathInTrash))
        return false;
    if (QDir::isAbsolutePath(pathInTrash) && QFileInfo::exists(pathInTrash) && !QFileInfo::exists(path))
        return true;

    // A relative trash path is the fault above: put the file back rather than lose it.
    if (!pathInTrash.isEmpty() && !QDir::isAbsolutePath(pathInTrash)) {
        const QString stray = QDir::current().absoluteFilePath(pathInTrash);
        if (QFileInfo::exists(stray) && !QFileInfo::exists(path) && !QFile::rename(stray, path))
            logLine(QStringLiteral("trash failed, file left at %1").arg(stray));
    }
    return false;
}

bool RecordingTrash::moveToTrash(const QString& path)
{
    trashed.append(path);
    if (failing.contains(path) || !NativeFile::exists(path))
        return false;
    if (bin.isEmpty())
        return true;
    FileSystem::standard().makePath(bin);
    QString target = bin + QLatin1Char('/') + QFileInfo(path).fileName();
    for (int n = 2; NativeFile::exists(target) || NativeFile::isLink(target); ++n)
        target = bin + QLatin1Char('/') + QString::number(n) + QLatin1Char('-') + QFileInfo(path).fileName();
    return FileSystem::standard().moveFile(path, target);
}

} // namespace kelvaro
