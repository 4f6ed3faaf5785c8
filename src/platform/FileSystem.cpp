#include "platform/FileSystem.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace kelvaro {

bool FileSystem::copyFile(const QString& from, const QString& to)
{
    if (QFileInfo::exists(to))
        return false;
    return QFile::copy(from, to);
}

bool FileSystem::moveFile(const QString& from, const QString& to)
{
    if (QFileInfo::exists(to) || !QFileInfo::exists(from))
        return false;
    QDir dir;
    if (dir.rename(from, to))
        return true;
    // Across file systems rename fails; copy, then remove the source only once the copy is whole.
    if (QFileInfo(from).isDir() || !QFile::copy(from, to))
        return false;
    if (!QFile::remove(from)) {
        QFile::remove(to);
        return false;
    }
    return true;
}

bool FileSystem::removeFile(const QString& path)
{
    return QFile::remove(path);
}

bool FileSystem::removeFolder(const QString& path)
{
    // A link standing where the folder was expected is removed itself: emptying it would delete
    // the files of whatever folder it points to. Links further down are never followed by
    // removeRecursively.
    const QFileInfo info(path);
    if (info.isSymLink())
        return QFile::remove(path);
    QDir dir(path);
    return dir.exists() && dir.removeRecursively();
}

bool FileSystem::makePath(const QString& path)
{
    return QDir().mkpath(path);
}

FileSystem& FileSystem::standard()
{
    static FileSystem instance;
    return instance;
}

bool FailingFileSystem::copyFile(const QString& from, const QString& to)
{
    if (failCopies || failing.contains(from) || failing.contains(to))
        return false;
    return FileSystem::copyFile(from, to);
}

bool FailingFileSystem::moveFile(const QString& from, const QString& to)
{
    if (failMoves || failing.contains(from) || failing.contains(to))
        return false;
    return FileSystem::moveFile(from, to);
}

bool FailingFileSystem::removeFile(const QString& path)
{
    return !failing.contains(path) && FileSystem::removeFile(path);
}

bool FailingFileSystem::removeFolder(const QString& path)
{
    return !failing.contains(path) && FileSystem::removeFolder(path);
}

bool FailingFileSystem::makePath(const QString& path)
{
    if (failMakePath || failing.contains(path))
        return false;
    return FileSystem::makePath(path);
}

} // namespace kelvaro
