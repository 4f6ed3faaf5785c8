#include "engine/PartFile.h"

#include <cerrno>
#include <chrono>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <utility>

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <QRegularExpression>
#include <QUuid>

#include "engine/FileAbort.h"
#include "engine/ImageEngine.h"
#include "engine/NameTurn.h"
#include "platform/FileSystem.h"
#include "platform/NativePath.h"

namespace kelvaro::ImageEngine {
namespace {

const QString kPrefix = QStringLiteral(".kelvaro-");
const QString kSuffix = QStringLiteral(".part");

// Joined as text: QDir would pass a name that is not UTF-8 through the locale's encoding.
QString inFolder(const QString& folder, const QString& name)
{
    return folder.endsWith(QLatin1Char('/')) ? folder + name : folder + QLatin1Char('/') + name;
}

QString folderOf(const QString& path)
{
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    return slash <= 0 ? path.left(slash + 1) : path.left(slash);
}

bool taken(const QString& path)
{
    struct stat info {};
    return ::lstat(NativePath::encoded(path).constData(), &info) == 0; // a dangling link is taken too
}

// Whether `path` still names the file open as `fd`: a clean-up may have removed it before its
// writer or the clean-up itself held the lock.
bool namesFile(const QByteArray& path, int fd)
{
    struct stat open {};
    struct stat named {};
    return ::fstat(fd, &open) == 0 && open.st_nlink > 0 && ::lstat(path.constData(), &named) == 0
        && named.st_dev == open.st_dev && named.st_ino == open.st_ino;
}

// Waits only while a clean-up holds the file's lock for a moment to look at it; holds nothing else.
void lock(int fd)
{
    while (::flock(fd, LOCK_EX) != 0 && errno == EINTR) {
    }
}

std::mutex namedHookMutex;
std::function<void(const QString&)> namedHook;

// Tells a test that a part file has just been given its name.
void named(const QString& path)
{
    std::function<void(const QString&)> hook;
    {
        const std::lock_guard guard(namedHookMutex);
        hook = namedHook;
    }
    if (hook)
        hook(path);
}

// A new file in `folder` with no name yet, locked, or -1 when its file system makes no such files.
int unnamedLocked(const QByteArray& folder)
{
    const int fd = ::open(folder.constData(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0666);
    if (fd >= 0)
        lock(fd); // no one else can reach it yet: at once
    return fd;
}

// Gives the unnamed file open as `fd` the name `path`, which must be free; false with errno set.
bool giveName(int fd, const QByteArray& path)
{
    const QByteArray self = "/proc/self/fd/" + QByteArray::number(fd);
    return ::linkat(AT_FDCWD, self.constData(), AT_FDCWD, path.constData(), AT_SYMLINK_FOLLOW) == 0;
}

bool outOfSpace(int error)
{
    return error == ENOSPC || error == EDQUOT;
}

// Whether the file system of `fd` has room for one more block, as the system's error number of
// reserving it (0: room). The quota counts too.
int roomError(int fd)
{
    struct stat info {};
    if (::fstat(fd, &info) != 0)
        return 0;
    if (::fallocate(fd, FALLOC_FL_KEEP_SIZE, info.st_size, info.st_blksize > 0 ? info.st_blksize : 4096) == 0)
        return 0;
    if (errno != EOPNOTSUPP && errno != ENOSYS)
        return errno;
    struct statvfs disk {};
    return ::fstatvfs(fd, &disk) == 0 && disk.f_bavail == 0 ? ENOSPC : 0;
}

// The file systems found full lately, by device. An encoder that opens its file itself does not
// say why it failed, so a failure is measured after the fact; in a parallel run another file's
// part, removed meanwhile, may have made room again. A disk found full moments ago still is, as
// far as the files that failed with it are concerned.
class FullDisks {
public:
    static FullDisks& shared()
    {
        static FullDisks instance;
        return instance;
    }
    void found(int fd)
    {
        if (const auto device = deviceOf(fd)) {
            const std::lock_guard lock(m_mutex);
            m_lately[*device] = Clock::now();
        }
    }
    bool foundLately(int fd) const
    {
        const auto device = deviceOf(fd);
        const std::lock_guard lock(m_mutex);
        const auto it = device ? m_lately.find(*device) : m_lately.end();
        return it != m_lately.end() && Clock::now() - it->second < std::chrono::seconds(10);
    }

private:
    using Clock = std::chrono::steady_clock;
    static std::optional<dev_t> deviceOf(int fd)
    {
        struct stat info {};
        return ::fstat(fd, &info) == 0 ? std::optional(info.st_dev) : std::nullopt;
    }
    mutable std::mutex m_mutex;
    std::map<dev_t, Clock::time_point> m_lately;
};

// Who hears of this thread's results about to take their names (PlacingHeard).
thread_local std::function<void(const QByteArray&)> placingHeard;

QByteArray identityOf(const struct stat& info)
{
    return QByteArray::number(quint64(info.st_dev)) + ':' + QByteArray::number(quint64(info.st_ino));
}

} // namespace

PartFile::PartFile(const QString& folder)
{
    // A part file is locked before a clean-up can see it, so no clean-up ever takes it for a
    // leftover: it is made without a name, locked, and then named. Where the file system cannot
    // make a file without a name, it is made under its name and locked next; a clean-up that
    // took it for a leftover in between has removed it, and another is made. Only names already
    // taken count against the attempts: a clean-up racing the writer must not fail its file.
    bool unnamed = true;
    for (int taken = 0, raced = 0; taken < 8 && raced < 1000;) {
        const QString path = inFolder(folder, kPrefix + QString::number(::getpid()) + QLatin1Char('-')
                                                  + QUuid::createUuid().toString(QUuid::Id128) + kSuffix);
        const QByteArray native = NativePath::encoded(path);
        int fd = unnamed ? unnamedLocked(NativePath::encoded(folder)) : -1;
        if (fd >= 0) {
            if (!giveName(fd, native)) {
                const int error = errno;
                ::close(fd);
                if (error == EEXIST) {
                    ++taken;
                    continue;
                }
                unnamed = false; // no /proc, or a file system that cannot name such a file: the other way
                continue;
            }
            named(path);
        } else {
            if (unnamed && errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) {
                m_error = errno; // the folder refuses new files either way
                return;
            }
            unnamed = false;
            fd = ::open(native.constData(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
            if (fd < 0) {
                if (errno == EEXIST) {
                    ++taken;
                    continue;
                }
                m_error = errno;
                return;
            }
            named(path);
            // Held until the result is in place or removed: a free lock tells a clean-up that no
            // one writes the file.
            lock(fd);
            if (!namesFile(native, fd)) {
                ::close(fd);
                ++raced;
                continue;
            }
        }
        m_path = path;
        m_fd = fd;
        return;
    }
}

void PartFile::setNamedHook(std::function<void(const QString& path)> hook)
{
    const std::lock_guard guard(namedHookMutex);
    namedHook = std::move(hook);
}

PartFile::~PartFile()
{
    if (m_fd < 0)
        return;
    // Removed while still locked, so no clean-up ever sees it unlocked; whatever took its name
    // meanwhile is not ours to remove.
    if (namesFile(NativePath::encoded(m_path), m_fd))
        FileSystem::current().removeFile(m_path);
    ::close(m_fd);
}

QString PartFile::writePath() const
{
    if (m_fd < 0)
        return {};
    static const bool descriptors = ::access("/proc/self/fd", X_OK) == 0;
    return descriptors ? QStringLiteral("/proc/self/fd/%1").arg(m_fd) : m_path;
}

bool PartFile::write(const QByteArray& bytes)
{
    if (m_fd < 0)
        return false;
    if (const int error = FileSystem::current().writeAll(m_fd, bytes.constData(), bytes.size())) {
        m_error = error;
        return false;
    }
    return true;
}

bool PartFile::sync()
{
    if (m_fd < 0)
        return false;
    // A buffered write that failed for want of space shows here at the latest.
    if (m_synced < 0) {
        m_synced = ::fsync(m_fd) == 0 ? 1 : 0;
        if (m_synced == 0)
            m_error = errno;
    }
    return m_synced == 1;
}

QString PartFile::place(const QString& base, const QString& ext, const QString& suffix, const QString& mark)
{
    if (m_fd < 0)
        return {};
    const QByteArray native = NativePath::encoded(m_path);
    // A link or another file put in the part's place is not the result: it would be named as one.
    bool ok = sync() && namesFile(native, m_fd);
    if (ok && placingHeard) {
        struct stat info {};
        if (::fstat(m_fd, &info) == 0)
            placingHeard(identityOf(info));
    }
    QString placed;
    const QString folder = folderOf(m_path);
    const int limit = nameLimit(folder);
    for (qint64 n = 1; ok && placed.isEmpty() && n < 1000000; ++n) {
        const QString candidate = inFolder(folder, numberedFileName(base, ext, n, suffix, limit, mark));
        errno = 0;
        if (FileSystem::current().moveNew(m_path, candidate)) {
            placed = candidate;
            // Swapped in between the check and the rename: what took the result's name stays
            // there, but is no result.
            if (!namesFile(NativePath::encoded(candidate), m_fd)) {
                placed.clear();
                ok = false;
            }
        } else if (!taken(candidate)) {
            // The folder refuses the name: trying further names would not help.
            m_error = errno;
            ok = false;
        }
    }
    if (placed.isEmpty() && namesFile(native, m_fd))
        FileSystem::current().removeFile(m_path);
    ::close(m_fd);
    m_fd = -1;
    return placed;
}

PlacingHeard::PlacingHeard(std::function<void(const QByteArray&)> heard)
    : m_before(std::exchange(placingHeard, std::move(heard)))
{
}

PlacingHeard::~PlacingHeard()
{
    placingHeard = std::move(m_before);
}

QByteArray placedIdentity(const QString& path)
{
    struct stat info {};
    if (::lstat(NativePath::encoded(path).constData(), &info) != 0 || !S_ISREG(info.st_mode))
        return {};
    return identityOf(info);
}

QString PartFile::placeInTurn(const QString& base, const QString& ext, const QString& suffix, const QString& mark)
{
    if (!sync())
        return {};
    const NameTurn turn;
    checkFileAbort();
    return place(base, ext, suffix, mark);
}

KelvaroError PartFile::failure(const KelvaroError& error) const
{
    if (error.kind() != KelvaroError::Kind::writeFailed && error.kind() != KelvaroError::Kind::copyFailed)
        return error;
    if (m_fd < 0)
        return outOfSpace(m_error) ? KelvaroError::diskFull(error.fileName()) : error;
    if (outOfSpace(m_error) || outOfSpace(roomError(m_fd))) {
        FullDisks::shared().found(m_fd);
        return KelvaroError::diskFull(error.fileName());
    }
    // A step of ours that failed for another reason said so; only a cause the encoder hid is guessed.
    return m_error == 0 && FullDisks::shared().foundLately(m_fd) ? KelvaroError::diskFull(error.fileName()) : error;
}

void foundFull(const QString& path)
{
    const int fd = ::open(NativePath::encoded(path).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return;
    FullDisks::shared().found(fd);
    ::close(fd);
}

void removeLeftoverParts(const QString& folder)
{
    // ".kelvaro-<process id>-<32 hex digits>.part"; earlier versions wrote the digits alone. The
    // process id is no proof of life: after a restart or a wrap any process may have it.
    static const QRegularExpression pattern(QStringLiteral("^\\.kelvaro-(?:[0-9]{1,10}-)?[0-9a-f]{32}\\.part$"));
    // Listed from the system: QDir leaves out names that are not UTF-8 and misreads such a folder.
    QStringList names;
    if (DIR* listing = ::opendir(NativePath::encoded(folder).constData())) {
        while (const dirent* entry = ::readdir(listing))
            if (entry->d_name[0] == '.')
                names << NativePath::decoded(QByteArray(entry->d_name));
        ::closedir(listing);
    }
    for (const QString& name : names) {
        if (!pattern.match(name).hasMatch())
            continue;
        const QString path = inFolder(folder, name);
        const QByteArray native = NativePath::encoded(path);
        const int fd = ::open(native.constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
        if (fd < 0)
            continue;
        struct stat info {};
        // Removed while the lock is held and only while the name is still this file's: a writer
        // that placed its result and let go has moved it under another name.
        if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && ::flock(fd, LOCK_EX | LOCK_NB) == 0
            && namesFile(native, fd))
            FileSystem::current().removeFile(path);
        ::close(fd);
    }
}

} // namespace kelvaro::ImageEngine
