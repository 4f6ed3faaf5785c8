#pragma once
// Moving files to the desktop's trash. One small seam so undo and tests can count on a trash
// that never deletes for real. Main thread; touches disk.
#include <QSet>
#include <QString>
#include <QStringList>

namespace kelvaro {

class Trash {
public:
    virtual ~Trash() = default;
    // True only when the file is now in the trash and gone from `path`. Never deletes instead.
    virtual bool moveToTrash(const QString& path) = 0;
};

// The freedesktop trash through QFile::moveToTrash, guarded against Qt 6.4's fault of "trashing"
// into the current folder when the data folder is missing. A path that is not UTF-8 (NativePath
// text), which Qt cannot name, goes into the home trash by its bytes, from the home trash's disk only.
class DesktopTrash : public Trash {
public:
    bool moveToTrash(const QString& path) override;
};

// Test double: remembers what it was asked to trash; moves the file into `bin` (when set) or
// leaves it in place; fails every path in `failing`.
class RecordingTrash : public Trash {
public:
    bool moveToTrash(const QString& path) override;

    QStringList trashed;
    QSet<QString> failing;
    QString bin;
};

} // namespace kelvaro
