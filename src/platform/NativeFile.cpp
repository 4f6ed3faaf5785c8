#include "platform/NativeFile.h"

#include <climits>
#include <cstdlib>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>

#include "platform/NativePath.h"

namespace kelvaro::NativeFile {
namespace {

bool statOf(const QString& path, struct stat& info)
{
    return !path.isEmpty() && ::stat(NativePath::encoded(path).constData(), &info) == 0;
}

} // namespace

bool exists(const QString& path)
{
    struct stat info {};
    return statOf(path, info);
}

bool isLink(const QString& path)
{
    struct stat info {};
    return !path.isEmpty() && ::lstat(NativePath::encoded(path).constData(), &info) == 0 && S_ISLNK(info.st_mode);
}

std::optional<Identity> identity(const QString& path)
{
    struct statx info {};
    if (path.isEmpty()
        || ::statx(AT_FDCWD, NativePath::encoded(path).constData(), AT_SYMLINK_NOFOLLOW, STATX_BASIC_STATS | STATX_BTIME, &info) != 0
        || !S_ISREG(info.stx_mode))
        return std::nullopt;
    const statx_timestamp made = (info.stx_mask & STATX_BTIME) ? info.stx_btime : info.stx_ctime;
    return Identity{(quint64(info.stx_dev_major) << 32) | info.stx_dev_minor, quint64(info.stx_ino),
                    qint64(made.tv_sec) * 1000000000 + made.tv_nsec};
}

bool isDir(const QString& path)
{
    struct stat info {};
    return statOf(path, info) && S_ISDIR(info.st_mode);
}

bool isFile(const QString& path)
{
    struct stat info {};
    return statOf(path, info) && !S_ISDIR(info.st_mode);
}

qint64 size(const QString& path)
{
    struct stat info {};
    return statOf(path, info) && S_ISREG(info.st_mode) ? qint64(info.st_size) : 0;
}

QDateTime birthTime(const QString& path)
{
    struct statx info {};
    if (path.isEmpty() || ::statx(AT_FDCWD, NativePath::encoded(path).constData(), 0, STATX_BTIME, &info) != 0
        || !(info.stx_mask & STATX_BTIME))
        return {};
    return QDateTime::fromMSecsSinceEpoch(qint64(info.stx_btime.tv_sec) * 1000 + info.stx_btime.tv_nsec / 1000000,
                                          Qt::UTC);
}

QString linkTarget(const QString& path)
{
    if (path.isEmpty())
        return {};
    QByteArray target(PATH_MAX, Qt::Uninitialized);
    const ssize_t length = ::readlink(NativePath::encoded(path).constData(), target.data(), size_t(target.size()));
    if (length <= 0 || length >= target.size())
        return {};
    target.truncate(length);
    const QString text = NativePath::decoded(target);
    if (QDir::isAbsolutePath(text))
        return QDir::cleanPath(text);
    const QString link = absolute(path);
    return QDir::cleanPath(link.left(link.lastIndexOf(QLatin1Char('/')) + 1) + text);
}

QString canonical(const QString& path)
{
    if (path.isEmpty())
        return {};
    char* real = ::realpath(NativePath::encoded(path).constData(), nullptr);
    if (!real)
        return {};
    const QString text = NativePath::decoded(QByteArray(real));
    std::free(real);
    return text;
}

QString absolute(const QString& path)
{
    if (QDir::isAbsolutePath(path))
        return QDir::cleanPath(path);
    // QDir::currentPath and QFileInfo::absoluteFilePath read the current folder as text.
    char current[PATH_MAX];
    const QString base = ::getcwd(current, sizeof current) ? NativePath::decoded(QByteArray(current)) : QDir::currentPath();
    return QDir::cleanPath(path.isEmpty() ? base : base + QLatin1Char('/') + path);
}

QStringList names(const QString& folder)
{
    QStringList found;
    DIR* listing = ::opendir(NativePath::encoded(folder).constData());
    if (!listing)
        return found;
    while (const dirent* entry = ::readdir(listing)) {
        const QByteArray name(entry->d_name);
        if (name != "." && name != "..")
            found << NativePath::decoded(name);
    }
    ::closedir(listing);
    return found;
}

} // namespace kelvaro::NativeFile
