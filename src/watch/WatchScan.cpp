// Listing of a watched folder and the Czech count words (declared in WatchModels.h).
#include <algorithm>

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>

#include "l10n/Localization.h"
#include "platform/NativePath.h"
#include "watch/WatchModels.h"

namespace kelvaro::WatchScan {
namespace {

// Plain code-point order after canonical composition: case-sensitive, no locale, no numbers.
QList<uint> sortKey(const QString& name)
{
    return name.normalized(QString::NormalizationForm_C).toUcs4();
}

} // namespace

const QSet<QString>& extensions()
{
    static const QSet<QString> set{QStringLiteral("jpg"),  QStringLiteral("jpeg"), QStringLiteral("png"),
                                   QStringLiteral("heic"), QStringLiteral("heif"), QStringLiteral("tif"),
                                   QStringLiteral("tiff"), QStringLiteral("webp"), QStringLiteral("bmp")};
    return set;
}

QString fileKey(const QString& name, qint64 modificationSeconds, qint64 size)
{
    return name + QLatin1Char('|') + QString::number(modificationSeconds) + QLatin1Char('|') + QString::number(size);
}

std::optional<QList<WatchCandidate>> list(const QString& folder)
{
    // Asked with the folder's own bytes: QFileInfo finds no folder whose name is not UTF-8.
    const QByteArray native = NativePath::encoded(folder);
    struct stat folderInfo {};
    if (::stat(native.constData(), &folderInfo) != 0 || !S_ISDIR(folderInfo.st_mode)
        || ::access(native.constData(), R_OK | X_OK) != 0)
        return std::nullopt;
    QDir dir(folder);
    // Read from the system, not through QDir, which leaves out names that are not UTF-8. Dot
    // files are left out.
    QStringList names;
    if (DIR* listing = ::opendir(native.constData())) {
        while (const dirent* entry = ::readdir(listing))
            if (entry->d_name[0] != '.')
                names << NativePath::decoded(QByteArray(entry->d_name));
        ::closedir(listing);
    }
    QList<std::pair<QList<uint>, WatchCandidate>> found;
    for (const QString& name : names) {
        // The extension test comes first so that other files cost no stat.
        const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
        if (dot < 0 || !extensions().contains(name.mid(dot + 1).toLower()))
            continue;
        struct stat info {};
        if (::lstat(NativePath::encoded(dir.filePath(name)).constData(), &info) != 0 || !S_ISREG(info.st_mode))
            continue; // a link, a folder, gone
        const qint64 size = info.st_size;
        if (size < 1)
            continue; // created but not written yet
        // Integer division truncates toward zero, also before 1970.
        const qint64 seconds = (qint64(info.st_mtim.tv_sec) * 1000 + info.st_mtim.tv_nsec / 1000000) / 1000;
        found.append({sortKey(name), WatchCandidate{dir.filePath(name), fileKey(name, seconds, size)}});
    }
    std::stable_sort(found.begin(), found.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    QList<WatchCandidate> candidates;
    candidates.reserve(found.size());
    for (auto& entry : found)
        candidates.append(std::move(entry.second));
    return candidates;
}

QString filesWord(qint64 count)
{
    return filesWord(count, L10n::current());
}

QString filesWord(qint64 count, AppLanguage language)
{
    return Lp(language, count, "1 soubor", "%lld soubory", "%lld souborů");
}

QString foldersWord(qint64 count)
{
    return Lp(count, "1 složku", "%lld složky", "%lld složek");
}

} // namespace kelvaro::WatchScan
