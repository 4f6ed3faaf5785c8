#pragma once
// The file-system changes the application makes itself, behind one seam so tests can make any of
// them fail (tests run as root, where permissions refuse nothing): the engine's moves and renames,
// its results put in place and its clean-ups, undo's copy back, shelf copies, moves and clean-ups.
// copyFile and moveFile never overwrite; only copyOver and moveOver write into a name their caller
// reserved. The real one is stateless and safe from any thread; touches disk.
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

    // The process-wide real one.
    static FileSystem& standard();
    // The one the engine (and a store given none) uses: the real one unless a test set another.
    static FileSystem& current();
    // Replaces it (tests); nullptr restores the real one. Not while a run works.
    static void setCurrent(FileSystem* files);
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

    QSet<QString> failing;
    bool failCopies = false;
    bool failMoves = false;
    bool failMakePath = false;
    // copyOver writes this many bytes of the source and then fails, as a full disk would; < 0: off.
    qint64 failCopiesAfter = -1;
};

} // namespace kelvaro
