#include "output/OutputFolder.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStandardPaths>

#include "l10n/Localization.h"
#include "platform/Bookmark.h"
#include "platform/NativeFile.h"
#include "platform/FolderChooser.h"
#include "platform/Log.h"
#include "platform/Settings.h"

namespace kelvaro::OutputFolder {
namespace {

QString key()
{
    return QString::fromLatin1(bookmarkKey);
}

bool isBelow(const QString& path, const QString& root)
{
    return !root.isEmpty() && (path == root || path.startsWith(root + QLatin1Char('/')));
}

bool pathLiesInTrash(const QString& cleanPath)
{
    static const QRegularExpression mountTrash(QStringLiteral("^\\.Trash-\\d+$"));
    const QStringList parts = cleanPath.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    for (const QString& part : parts) {
        // ".Trash" covers both the top-level ".Trash/<uid>" of a mount and the folder itself.
        if (part == QLatin1String(".Trash") || part == QLatin1String(".Trashes") || mountTrash.match(part).hasMatch())
            return true;
    }
    const QString home = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (home.isEmpty())
        return false;
    const QString userTrash = QDir::cleanPath(home + QStringLiteral("/Trash"));
    if (isBelow(cleanPath, userTrash))
        return true;
    const QString canonicalTrash = QFileInfo(userTrash).canonicalFilePath();
    return isBelow(cleanPath, canonicalTrash);
}

void forgetTrashedFolder()
{
    logLine(QStringLiteral("output folder is in the Trash, asking for a new one"));
    Settings::shared().remove(key());
}

// Whether the remembered folder now lies at the top of the user's trash (where a move to the
// trash puts it, under the same or a numbered name).
bool isInUserTrashFiles(const QByteArray& blob)
{
    const QString files = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/Trash/files");
    const QString name = QFileInfo(Bookmark::storedPath(blob)).fileName();
    if (name.isEmpty())
        return false;
    const QDir dir(files);
    const QStringList candidates = dir.entryList({name + QLatin1Char('*')}, QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden);
    for (const QString& candidate : candidates)
        if (Bookmark::identifies(blob, dir.filePath(candidate)))
            return true;
    return false;
}

} // namespace

bool isInTrash(const QString& path)
{
    if (path.isEmpty())
        return false;
    const QString clean = NativeFile::absolute(path);
    if (pathLiesInTrash(clean))
        return true;
    // A symbolic link may lead into a trash under another name.
    const QString canonical = NativeFile::canonical(clean);
    return !canonical.isEmpty() && canonical != clean && pathLiesInTrash(canonical);
}

bool remember(const QString& folder)
{
    const QByteArray blob = Bookmark::create(folder);
    if (blob.isEmpty())
        return false;
    Settings::shared().setValue(key(), blob);
    return true;
}

std::optional<QString> resolve()
{
    const auto blob = Settings::shared().dataValue(key());
    if (!blob)
        return std::nullopt;
    const auto resolved = Bookmark::resolve(*blob);
    if (!resolved) {
        // Our bookmarks follow the path; a folder the file manager moved into the trash keeps
        // its identity there, and is forgotten as the trash rule says.
        // Otherwise it is gone: the bookmark is kept.
        if (isInUserTrashFiles(*blob))
            forgetTrashedFolder();
        return std::nullopt;
    }
    // A file now stands where the folder was: keep the bookmark, report none.
    if (!NativeFile::isDir(resolved->path))
        return std::nullopt;
    if (resolved->stale)
        remember(resolved->path);
    if (isInTrash(resolved->path)) {
        forgetTrashedFolder();
        return std::nullopt;
    }
    return resolved->path;
}

std::optional<QString> choose(const QString& message, const std::optional<QString>& startAt)
{
    const auto chooser = FolderChooser::shared();
    if (!chooser)
        return std::nullopt;
    const auto folder = chooser->choose(message, startAt);
    if (!folder || folder->isEmpty() || isInTrash(*folder))
        return std::nullopt;
    return QDir::cleanPath(*folder);
}

std::optional<QString> obtain(const std::optional<QString>& startAt)
{
    if (auto folder = resolve())
        return folder;
    const auto chosen = choose(L("Vyber složku, kam se budou ukládat výsledky. Originály zůstanou nedotčené."), startAt);
    if (!chosen)
        return std::nullopt;
    // Used for this run even when no bookmark can be made.
    remember(*chosen);
    return chosen;
}

} // namespace kelvaro::OutputFolder
