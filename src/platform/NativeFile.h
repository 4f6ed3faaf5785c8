#pragma once
// What is on disk at a path, asked with the path's own bytes (NativePath text). QFileInfo and QDir
// ask with QFile::encodeName, so they find no file whose name (or whose folder's name) is not
// UTF-8, and their listings leave such names out. Stateless; any thread; every function touches
// disk except `absolute` of an absolute path.
#include <optional>

#include <QDateTime>
#include <QString>
#include <QStringList>

namespace kelvaro::NativeFile {

// Which file a name gives: the same file while nothing has replaced it, whatever was written into it.
// An inode number freed by a removal is soon given to a new file: the moment the file was made
// (its birth, or where the file system keeps none its last change of state) tells them apart.
struct Identity {
    quint64 device = 0;
    quint64 inode = 0;
    qint64 madeNs = 0;
    bool operator==(const Identity&) const = default;
};

// Something exists at `path`; a link counts when its target exists.
bool exists(const QString& path);
// `path` is a symbolic link, dangling or not.
bool isLink(const QString& path);
// A folder is at `path`, links followed.
bool isDir(const QString& path);
// Something that is no folder is at `path`, links followed.
bool isFile(const QString& path);
// The size in bytes of the regular file at `path` (links followed); 0 for anything else.
qint64 size(const QString& path);
// When the file at `path` was made, where the file system keeps it; invalid otherwise.
QDateTime birthTime(const QString& path);
// Where the link at `path` points, absolute and clean (a relative target read from the link's
// folder); empty when `path` is no link.
QString linkTarget(const QString& path);
// The real path of an existing `path` (links and ".." resolved); empty when nothing is there.
QString canonical(const QString& path);
// `path` made absolute against the current folder and cleaned, with every byte kept.
QString absolute(const QString& path);
// The regular file `path` itself names (a link names none); none when there is no such file.
std::optional<Identity> identity(const QString& path);
// The names in `folder` but "." and "..", unsorted; empty when it cannot be listed.
QStringList names(const QString& folder);

} // namespace kelvaro::NativeFile
