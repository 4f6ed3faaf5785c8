#pragma once
// The few file-system changes the store makes itself (undo's copy back, shelf copies, moves and
// clean-ups), behind one seam so tests can make any of them fail. Never overwrites: copy and
// move refuse an existing target. Main thread; touches disk.
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

    // The process-wide real one.
    static FileSystem& standard();
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

    QSet<QString> failing;
    bool failCopies = false;
    bool failMoves = false;
    bool failMakePath = false;
};

} // namespace kelvaro
