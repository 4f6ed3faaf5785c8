#pragma once
// Where shelf copies live on disk and how an item's token finds its copy again. Copies go to
// <output folder>/Police/<safe shelf name>/<file> ("out:Police/<folder>/<file>"); when that is
// impossible, to <data folder>/Kelvaro/Shelves/<UUID>/<file> ("<UUID>/<file>"). No state: every
// call looks at the file system as it is. Main thread; every function touches disk unless it
// says otherwise. File changes go through a FileSystem so tests can make them fail. Paths and the
// names in tokens are NativePath text: a copy keeps the bytes of its source's name.
//
// A change on disk touches only what the output folder itself holds: a copy reached through a
// linked shelf folder is the user's own file, left alone (its item goes, the file stays); a link
// put into a shelf folder is removed or moved as a link, its target untouched. Nothing is copied
// or moved into a linked shelf folder (or a linked shelves folder), nor made there.
//
// Only tokens of the shapes written here are ever followed: each component non-empty, not "." or
// "..", no "/" or NUL inside, nothing absolute. Anything else is unknown: it resolves to none
// and removing it does nothing. Paths are built by concatenation below the root, never by a
// join that would let an absolute component replace the root.
#include <optional>
#include <utility>

#include <QString>
#include <QStringList>

namespace kelvaro {

class FileSystem;

namespace ShelfStorage {

inline constexpr const char* outPrefix = "out:";
inline constexpr const char* shelvesFolderName = "Police";
// The studio's demo photos live in this folder of the legacy root ("_ScreenshotDemo/<file>").
inline constexpr const char* demoFolderName = "_ScreenshotDemo";

// The folder-safe form of a shelf name; pure.
QString safeName(const QString& name);
// <output folder>/Police/<safe name>, or none without an output folder. Creates nothing.
std::optional<QString> folder(const QString& shelfName);
// <data folder>/Kelvaro/Shelves, created on the way; none only without a data folder.
std::optional<QString> legacyRoot();

// A token taken apart: a shelf copy below the output folder ("out:Police/<folder>/<file>") or a
// legacy copy ("<UUID>/<file>", or the studio's "_ScreenshotDemo/<file>"). Pure.
struct Token {
    bool inOutput = false;
    QString folder; // the shelf folder, or the legacy item folder
    QString file;
    QString relativePath() const; // below the output folder or the legacy root
};
std::optional<Token> parseToken(const QString& token); // none: an unknown token
QString outToken(const QString& folder, const QString& file);

// Copies `source` onto the shelf (into the fallback root when the shelf folder is a link); the new
// token, or none when no copy could be made at all.
std::optional<QString> copyIn(const QString& source, const QString& shelfName, FileSystem& files);
// The existing file of a token, or none.
std::optional<QString> url(const QString& token);
// Deletes the copy of a token (and a shelf folder left empty, or a legacy item's own folder).
// A copy reached through a linked folder stays.
void remove(const std::optional<QString>& token, FileSystem& files);
// Renames the shelf folder; the (old, new) token prefixes to rewrite, or none.
std::optional<std::pair<QString, QString>> renameFolder(const QString& oldName, const QString& newName, FileSystem& files);
// Moves a shelf copy into another shelf's folder; the new token, or none (legacy copies, copies
// reached through a linked folder and copies bound for a linked folder stay).
std::optional<QString> move(const QString& token, const QString& shelfName, FileSystem& files);
// Removes the shelf's folder when it is a link (the folder it points at stays); a real folder is
// left to remove() of its last copy.
void releaseFolder(const QString& shelfName, FileSystem& files);
// A path in `folder` for `name` at which nothing exists (" 2", " 3" … before the extension).
QString uniquePath(const QString& name, const QString& folder);

} // namespace ShelfStorage
} // namespace kelvaro
