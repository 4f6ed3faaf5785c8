#pragma once
// A remembered file or folder: the absolute path plus the file's identity (device, inode), kept
// as an opaque blob (Base64 inside JSON records, data in the settings). Resolved on every use.
// Paths are NativePath text: a path that is not UTF-8 is kept in the blob as JSON's escape of each
// such byte's code unit, and resolves to the same bytes.
// Access is not restricted on this desktop, so startAccess/stopAccess only keep callers'
// structure; they never fail.
#include <optional>

#include <QByteArray>
#include <QString>

namespace kelvaro {

struct ResolvedBookmark {
    QString path;
    bool stale = false; // the path now holds another file than the one remembered
};

namespace Bookmark {

// Empty when the path does not exist (nothing to remember). Touches disk (stat).
QByteArray create(const QString& path);
// None when the blob is malformed or nothing exists at its path any more.
std::optional<ResolvedBookmark> resolve(const QByteArray& blob);
// The path stored in a blob without touching disk; empty when malformed.
QString storedPath(const QByteArray& blob);

// Whether the file now at `path` is the one the blob remembers (same identity), wherever it was
// remembered. Touches disk (stat).
bool identifies(const QByteArray& blob, const QString& path);

inline bool startAccess(const QString&) { return true; }
inline void stopAccess(const QString&) {}

} // namespace Bookmark
} // namespace kelvaro
