#include "platform/FileSystem.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <utility>
#include <optional>
#include <cstdlib>
#include <climits>
#include <filesystem>
#include <system_error>

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include "platform/NativeFile.h"
#include "platform/NativePath.h"

namespace kelvaro {
namespace {

std::atomic<FileSystem*> injected{nullptr};

// NativePath's bytes, not QFile::encodeName: a name that is not UTF-8 still names its file.
std::filesystem::path nativePath(const QString& path)
{
    return std::filesystem::path(NativePath::encoded(path).toStdString());
}

// Closes a descriptor once, whichever way a write ends.
class Descriptor {
public:
    explicit Descriptor(int fd) : m_fd(fd) {}
    ~Descriptor() { close(); }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    // The result of close(2): on some file systems the last write error shows only here.
    int close()
    {
        if (m_fd < 0)
            return 0;
        const int result = ::close(m_fd);
        m_fd = -1;
        return result;
    }

private:
    int m_fd;
};

int errorOr(int fallback)
{
    return errno != 0 ? errno : fallback;
}

// The folder (its real path) and the file a write to `path` (absolute bytes) reaches, links
// followed as the system follows them: a relative target read from the link's real folder, so
// that ".." in it leaves the folder the link lies in, not the one its path names. Nothing when a
// link cannot be read (errno set).
std::optional<std::pair<QByteArray, QByteArray>> linkedPlace(QByteArray path)
{
    const auto split = [](const QByteArray& at) {
        const qsizetype slash = at.lastIndexOf('/');
        return std::pair{slash > 0 ? at.left(slash) : QByteArray("/"), at.mid(slash + 1)};
    };
    const auto real = [](const QByteArray& folder) {
        char* resolved = ::realpath(folder.constData(), nullptr);
        if (!resolved)
            return folder;
        const QByteArray text(resolved);
        std::free(resolved);
        return text;
    };
    for (int hops = 0; hops < 16; ++hops) {
        struct stat info {};
        if (::lstat(path.constData(), &info) != 0 || !S_ISLNK(info.st_mode))
            break;
        QByteArray target(PATH_MAX, Qt::Uninitialized);
        const ssize_t length = ::readlink(path.constData(), target.data(), size_t(target.size()));
        if (length <= 0 || length >= target.size()) {
            errno = length < 0 ? errno : ENAMETOOLONG;
            return std::nullopt;
        }
        target.truncate(length);
        path = target.startsWith('/') ? target : real(split(path).first) + '/' + target;
    }
    const auto [folder, name] = split(path);
    const QByteArray realFolder = real(folder);
    return std::pair{realFolder, (realFolder == "/" ? QByteArray() : realFolder) + '/' + name};
}

} // namespace

qint64 FileSystem::writeSome(int fd, const char* data, qint64 size)
{
    return ::write(fd, data, size_t(size));
}

int FileSystem::syncToDevice(int fd)
{
    return ::fsync(fd) == 0 ? 0 : errorOr(EIO);
}

int FileSystem::writeAll(int fd, const char* data, qint64 size)
{
    while (size > 0) {
        errno = 0;
        const qint64 written = writeSome(fd, data, size);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return errorOr(ENOSPC); // a write that takes nothing is a full disk that says so late
        data += written;
        size -= written;
    }
    return 0;
}

int FileSystem::writeWhole(const QString& path, const QByteArray& bytes)
{
    // A linked file (settings kept with the user's other configuration) is replaced where the link
    // points; the link stays.
    const std::optional<std::pair<QByteArray, QByteArray>> place =
        linkedPlace(NativePath::encoded(NativeFile::absolute(path)));
    if (!place)
        return errorOr(EIO);
    const auto& [folder, target] = *place;
    // A name of our own beside the target, so the rename stays on one file system.
    QByteArray temporary;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temporary = target + ".new-" + QByteArray::number(QRandomGenerator::global()->generate(), 36);
        fd = ::open(temporary.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST)
            return errorOr(EIO);
    }
    if (fd < 0)
        return EEXIST;
    Descriptor file(fd);
    const auto fail = [&](int error) {
        file.close();
        ::unlink(temporary.constData());
        return error;
    };
    struct stat existing {};
    if (::stat(target.constData(), &existing) == 0 && ::fchmod(fd, existing.st_mode & 07777) != 0)
        return fail(errorOr(EIO));
    if (const int error = writeAll(fd, bytes.constData(), bytes.size()))
        return fail(error);
    // Delayed allocation may refuse the bytes only here: a failed sync or close is a failed write.
    if (const int error = syncToDevice(fd))
        return fail(error);
    if (file.close() != 0)
        return fail(errorOr(EIO));
    if (::rename(temporary.constData(), target.constData()) != 0)
        return fail(errorOr(EIO));
    // The rename itself lives in the folder: without this a power cut may still bring back the old
    // file or none. The content is whole either way, so a folder that cannot sync is no failure.
    const int dir = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return 0;
}

bool FileSystem::copyFile(const QString& from, const QString& to)
{
    const QByteArray target = NativePath::encoded(to);
    struct stat info {};
    if (::lstat(target.constData(), &info) == 0 || ::stat(NativePath::encoded(from).constData(), &info) != 0
        || !S_ISREG(info.st_mode))
        return false;
    // The target is made exclusively: when it is taken meanwhile, nothing of ours is there to remove.
    std::error_code error;
    if (std::filesystem::copy_file(nativePath(from), nativePath(to), std::filesystem::copy_options::none, error))
        return true;
    if (error != std::errc::file_exists)
        ::unlink(target.constData()); // a partial copy
    return false;
}

bool FileSystem::moveFile(const QString& from, const QString& to)
{
    if (FileSystem::moveNew(from, to))
        return true;
    // Across file systems rename fails; copy, then remove the source only once the copy is whole.
    if (errno != EXDEV || !FileSystem::copyFile(from, to))
        return false;
    if (::unlink(NativePath::encoded(from).constData()) != 0) {
        ::unlink(NativePath::encoded(to).constData());
        return false;
    }
    return true;
}

bool FileSystem::removeFile(const QString& path)
{
    return !path.isEmpty() && ::unlink(NativePath::encoded(path).constData()) == 0;
}

bool FileSystem::removeFolder(const QString& path)
{
    // A link standing where the folder was expected is removed itself: emptying it would delete
    // the files of whatever folder it points to. Links further down are never followed by
    // removeRecursively.
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::symlink_status(nativePath(path), error);
    if (error)
        return false;
    if (std::filesystem::is_symlink(status))
        return std::filesystem::remove(nativePath(path), error) && !error;
    if (!std::filesystem::is_directory(status))
        return false;
    std::filesystem::remove_all(nativePath(path), error);
    return !error;
}

bool FileSystem::makePath(const QString& path)
{
    std::error_code error;
    std::filesystem::create_directories(nativePath(path), error);
    return !error && std::filesystem::is_directory(nativePath(path), error);
}

bool FileSystem::copyOver(const QString& from, const QString& to)
{
    std::error_code error;
    const bool copied = std::filesystem::copy_file(nativePath(from), nativePath(to),
                                                   std::filesystem::copy_options::overwrite_existing, error);
    if (!copied || error)
        return false;
    // A moved photo keeps its date, as a move within one disk would.
    const auto modified = std::filesystem::last_write_time(nativePath(from), error);
    if (!error)
        std::filesystem::last_write_time(nativePath(to), modified, error);
    return true;
}

bool FileSystem::moveOver(const QString& from, const QString& to)
{
    // rename(2) replaces `to` atomically; Qt's rename refuses an existing target.
    return std::rename(NativePath::encoded(from).constData(), NativePath::encoded(to).constData()) == 0;
}

bool FileSystem::moveNew(const QString& from, const QString& to)
{
    const QByteArray source = NativePath::encoded(from);
    const QByteArray target = NativePath::encoded(to);
    if (::renameat2(AT_FDCWD, source.constData(), AT_FDCWD, target.constData(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP)
        return false;
    // A file system without the flag: a hard link is made only where the name is free.
    if (::link(source.constData(), target.constData()) == 0) {
        ::unlink(source.constData());
        return true;
    }
    if (errno != EPERM && errno != ENOTSUP && errno != EOPNOTSUPP)
        return false;
    // Nor links (FAT): the name is taken by an exclusive create and the file renamed over it.
    const int fd = ::open(target.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0)
        return false;
    ::close(fd);
    if (std::rename(source.constData(), target.constData()) == 0)
        return true;
    ::unlink(target.constData());
    return false;
}

FileSystem& FileSystem::standard()
{
    static FileSystem instance;
    return instance;
}

FileSystem& FileSystem::current()
{
    FileSystem* files = injected.load();
    return files ? *files : standard();
}

void FileSystem::setCurrent(FileSystem* files)
{
    injected.store(files);
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

bool FailingFileSystem::copyOver(const QString& from, const QString& to)
{
    if (failCopies || failing.contains(from) || failing.contains(to))
        return false;
    if (failCopiesAfter >= 0) {
        QFile in(from);
        QFile out(to);
        if (in.open(QIODevice::ReadOnly) && out.open(QIODevice::WriteOnly | QIODevice::Truncate))
            out.write(in.read(failCopiesAfter));
        return false;
    }
    return FileSystem::copyOver(from, to);
}

bool FailingFileSystem::moveOver(const QString& from, const QString& to)
{
    if (failMoves || failing.contains(from) || failing.contains(to))
        return false;
    return FileSystem::moveOver(from, to);
}

bool FailingFileSystem::moveNew(const QString& from, const QString& to)
{
    if (failMoves || failing.contains(from) || failing.contains(to))
        return false;
    return FileSystem::moveNew(from, to);
}

int FailingFileSystem::writeWhole(const QString& path, const QByteArray& bytes)
{
    if (failing.contains(path))
        return EIO;
    return FileSystem::writeWhole(path, bytes);
}

int FailingFileSystem::syncToDevice(int fd)
{
    return syncError != 0 ? syncError : FileSystem::syncToDevice(fd);
}

qint64 FailingFileSystem::writeSome(int fd, const char* data, qint64 size)
{
    if (writeBudget < 0)
        return FileSystem::writeSome(fd, data, size);
    if (writeBudget == 0) {
        errno = writeError != 0 ? writeError : ENOSPC;
        return -1;
    }
    const qint64 written = FileSystem::writeSome(fd, data, std::min(size, writeBudget));
    if (written > 0)
        writeBudget -= written;
    return written;
}

bool FailingFileSystem::makePath(const QString& path)
{
    if (failMakePath || failing.contains(path))
        return false;
    return FileSystem::makePath(path);
}

} // namespace kelvaro
