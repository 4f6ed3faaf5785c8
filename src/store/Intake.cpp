#include "store/Intake.h"

#include <algorithm>

#include <dirent.h>
#include <sys/stat.h>

#include <QDir>
#include <QFileInfo>

#include "l10n/Localization.h"
#include "platform/Bookmark.h"
#include "platform/NativeFile.h"
#include "platform/NativePath.h"
#include "store/Observed.h"
#include "store/StoreStatus.h"

namespace kelvaro {
namespace {

struct Kind {
    bool exists = false;
    bool folder = false;
    bool link = false;
};

// What `path` is, asked with its own bytes: QFileInfo would pass a name that is not UTF-8 through
// the locale's encoding and find nothing. A link counts as what it points to.
Kind kindOf(const QString& path)
{
    const QByteArray native = NativePath::encoded(path);
    struct stat info {};
    Kind kind;
    if (::lstat(native.constData(), &info) != 0)
        return kind;
    kind.exists = true;
    kind.link = S_ISLNK(info.st_mode);
    kind.folder = kind.link ? ::stat(native.constData(), &info) == 0 && S_ISDIR(info.st_mode) : S_ISDIR(info.st_mode);
    return kind;
}

QString suffixOf(const QString& name)
{
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return dot < 0 ? QString() : name.mid(dot + 1);
}

// The accepted files below `folder` in ascending path order, at most `limit` of them, skipping
// hidden entries and never following a linked folder (a link back up would never end). Each
// folder's entries are visited in the order their full paths sort in (a subfolder counts as its
// name followed by "/"), so the walk can stop at the limit instead of listing a whole disk first.
// Listed from the system, as a watched folder is: QDir leaves out names that are not UTF-8.
void collectFolder(const QString& folder, QStringList& found, qsizetype limit)
{
    struct Entry {
        QString key;
        QString path;
        Kind kind;
    };
    QList<Entry> entries;
    if (DIR* listing = ::opendir(NativePath::encoded(folder).constData())) {
        while (const dirent* entry = ::readdir(listing)) {
            if (entry->d_name[0] == '.')
                continue;
            const QString name = NativePath::decoded(QByteArray(entry->d_name));
            const QString path = QDir::cleanPath(folder + QLatin1Char('/') + name);
            const Kind kind = kindOf(path);
            if (kind.exists)
                entries.append({kind.folder ? name + QLatin1Char('/') : name, path, kind});
        }
        ::closedir(listing);
    }
    std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) { return a.key < b.key; });
    for (const Entry& entry : std::as_const(entries)) {
        if (found.size() >= limit)
            return;
        if (entry.kind.folder) {
            if (!entry.kind.link)
                collectFolder(entry.path, found, limit);
        } else if (Intake::acceptedExtensions().contains(suffixOf(entry.key).toLower())) {
            found.append(entry.path);
        }
    }
}

} // namespace

Intake::Intake(StoreStatus& status, QObject* parent) : QObject(parent), m_status(status) {}

void Intake::setDroppedFiles(const QStringList& v) { assignObserved(this, m_droppedFiles, v, &Intake::droppedFilesChanged); }

const QStringList& Intake::acceptedExtensions()
{
    static const QStringList list{QStringLiteral("jpg"), QStringLiteral("jpeg"), QStringLiteral("png"),
                                  QStringLiteral("heic"), QStringLiteral("heif"), QStringLiteral("tif"),
                                  QStringLiteral("tiff"), QStringLiteral("gif"), QStringLiteral("bmp"),
                                  QStringLiteral("webp"), QStringLiteral("pdf")};
    return list;
}

QStringList Intake::expandFolders(const QStringList& paths)
{
    QStringList result;
    for (const QString& path : paths) {
        if (!kindOf(path).folder) {
            result.append(path);
            continue;
        }
        // The first files by path; only as many as the whole result can still take.
        QStringList found;
        collectFolder(NativeFile::absolute(path), found, limit - result.size());
        std::sort(found.begin(), found.end());
        result.append(found);
    }
    if (result.size() > limit)
        result.resize(limit);
    return result;
}

bool Intake::receive(const QList<QUrl>& urls, bool adding)
{
    if (urls.isEmpty())
        return false;
    // Only local files: the application uses no network for what it is handed.
    QStringList paths;
    for (const QUrl& url : urls) {
        if (const QString path = NativePath::localFile(url); !path.isEmpty())
            paths.append(path);
    }
    if (paths.isEmpty()) {
        m_status.setStatus(L("V tom, co jsi přidal, nejsou žádné fotky ani PDF."), true);
        return false;
    }
    return receive(paths, adding);
}

bool Intake::receive(const QStringList& given, bool adding)
{
    if (given.isEmpty())
        return false;
    QStringList paths;
    for (const QString& path : given) {
        if (!path.isEmpty())
            paths.append(NativeFile::absolute(path));
    }
    const QStringList expanded = expandFolders(paths);
    // Nothing usable keeps the wheel as it is, also when replacing: an empty drop must not
    // silently throw the selection away.
    if (expanded.isEmpty()) {
        m_status.setStatus(L("V tom, co jsi přidal, nejsou žádné fotky ani PDF."), true);
        return false;
    }
    const bool adds = adding && !m_droppedFiles.isEmpty();
    if (!adds)
        releaseAccess();
    for (const QString& path : paths) {
        if (Bookmark::startAccess(path))
            m_accessedURLs.append(path);
    }
    if (!adds) {
        setDroppedFiles(expanded);
        m_status.setStatusMessage(std::nullopt);
        m_status.setLastOutputs({});
        return true;
    }
    QStringList kept;
    for (const QString& path : expanded) {
        if (!m_droppedFiles.contains(path) && !kept.contains(path))
            kept.append(path);
    }
    if (!kept.isEmpty())
        setDroppedFiles(m_droppedFiles + kept);
    m_status.setStatus(kept.isEmpty() ? std::optional<QString>(L("Tyhle soubory už ve výběru jsou.")) : std::nullopt,
                       false);
    m_status.setLastOutputs({});
    return true;
}

void Intake::removeDropped(const QString& path)
{
    QStringList files = m_droppedFiles;
    files.removeAll(path);
    setDroppedFiles(files);
    m_status.setLastOutputs({});
    m_status.setStatusMessage(std::nullopt);
    if (m_droppedFiles.isEmpty())
        releaseAccess();
}

void Intake::releaseAccess()
{
    for (const QString& path : std::as_const(m_accessedURLs))
        Bookmark::stopAccess(path);
    m_accessedURLs.clear();
}

} // namespace kelvaro
