#pragma once
// The file-system changes the application makes itself, behind one seam so tests can make any of
// them fail (tests run as root, where permissions refuse nothing): the engine's moves and renames,
// its results put in place and its clean-ups, undo's copy back, shelf copies, moves and clean-ups.
// copyFile and moveFile never overwrite; only copyOver and moveOver write into a name their caller
// reserved; writeWhole replaces a file's content whole or not at all. Paths are NativePath text: a
// name that is not UTF-8 keeps its bytes. The real one is stateless and safe from any thread;
// touches disk.
#include <QByteArray>
#include <QSet>
#include <QString>

namespace kelvaro {

class FileSystem {
public:
    virtual ~FileSystem() = default;
    virtual bool copyFile(const QString& from, const QString& to);
    // Rename, or copy and remove across file systems.
    virtual bool moveFile(const QString& from, const QString& to);
    virtual bool removeFile(const QString& path);
    // With everything inside; a symbolic link at `path` is removed as a link, its target untouched.
    virtual bool removeFolder(const QString& path);
    virtual bool makePath(const QString& path);
    // Copies the bytes, permissions and modification time of `from` into `to`, a name the caller
    // reserved (an empty file, replaced). False when the copy could not be made.
    virtual bool copyOver(const QString& from, const QString& to);
    // Renames `from` to `to`, a name the caller reserved (an empty file, replaced), in one step:
    // `to` is never seen half written. Both lie on one file system. False when it could not.
    virtual bool moveOver(const QString& from, const QString& to);
    // Renames `from` to `to` in one step unless `to` exists (also as a dangling link), which it
    // never replaces; both lie on one file system. False when `to` was taken or the rename failed.
    virtual bool moveNew(const QString& from, const QString& to);
    // Makes `bytes` the whole content of `path`: written to a new file beside it ("<name>.new-"
    // and 1 to 7 of 0-9 a-z, the shape the settings' clean-up looks for) with every write checked,
    // synced to the device, then renamed over `path`, and the folder synced. Buffered writes are
    // never trusted: a full disk may only show at the flush, and a rename after that would put a
    // truncated file in place of a good one. On any failure the new file goes and `path` keeps its
    // previous bytes. An existing file's permissions are kept; a link at `path` is followed, and
    // stays. Returns 0 when the file was written whole, else the system's error number that
    // stopped it (ENOSPC: disk full).
    virtual int writeWhole(const QString& path, const QByteArray& bytes);
    // Writes all `size` bytes of `data` into `fd` at its offset, retrying short and interrupted
    // writes. 0 when every byte was taken, else the system's error number (ENOSPC when a write took
    // nothing). Any thread; touches disk.
    int writeAll(int fd, const char* data, qint64 size);

    // The process-wide real one.
    static FileSystem& standard();
    // The one the engine (and a store given none) uses: the real one unless a test set another.
    static FileSystem& current();
    // Replaces it (tests); nullptr restores the real one. Not while a run works.
    static void setCurrent(FileSystem* files);

protected:
    // One write(2) of at most `size` bytes into `fd`: what it returns, with errno set on -1.
    virtual qint64 writeSome(int fd, const char* data, qint64 size);
    // fsync(2) of `fd`: 0 when its bytes are on the device, else the system's error number.
    virtual int syncToDevice(int fd);
};

// Test double: the real operations, except that any call whose first path is in `failing`
// (or whose target folder is, for makePath) fails without touching anything.
class FailingFileSystem : public FileSystem {
public:
    bool copyFile(const QString& from, const QString& to) override;
    bool moveFile(const QString& from, const QString& to) override;
    bool removeFile(const QString& path) override;
    bool removeFolder(const QString& path) override;
    bool makePath(const QString& path) override;
    bool copyOver(const QString& from, const QString& to) override;
    bool moveOver(const QString& from, const QString& to) override;
    bool moveNew(const QString& from, const QString& to) override;
    int writeWhole(const QString& path, const QByteArray& bytes) override; // EIO for a failing path

    QSet<QString> failing;
    // Checked writes (writeAll, writeWhole) of this process fail part-way, as on a full disk: bytes
    // beyond this many (counted over all writes from the moment it is set, not guarded for writes
    // from several threads at once) are refused with `writeError`.
    qint64 writeBudget = -1;
    int writeError = 0; // ENOSPC when 0
    bool failCopies = false;
    bool failMoves = false;
    bool failMakePath = false;
    // copyOver writes this many bytes of the source and then fails, as a full disk would; < 0: off.
    qint64 failCopiesAfter = -1;
    // Syncs of whole writes fail with this error, as a disk that refuses the bytes only when they
    // are flushed; 0: off.
    int syncError = 0;

protected:
    qint64 writeSome(int fd, const char* data, qint64 size) override;
    int syncToDevice(int fd) override;
};

} // namespace kelvaro
