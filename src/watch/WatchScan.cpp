// Listing of a watched folder and the Czech count words (declared in WatchModels.h).
#include <algorithm>

#include <QDateTime>
#include <QDir>
#include <QFileInfo>

#include "l10n/Localization.h"
#include "watch/WatchModels.h"

namespace kelvaro::WatchScan {
namespace {

// A file without a modification time keeps one fixed key: 0001-01-01 00:00:00 UTC.
constexpr qint64 kDistantPastSeconds = -62135596800LL;

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
    const QFileInfo folderInfo(folder);
    if (!folderInfo.isDir() || !folderInfo.isReadable() || !folderInfo.isExecutable())
        return std::nullopt;
    QDir dir(folder);
    // Without QDir::Hidden the dot files are left out by the listing itself.
    const QStringList names = dir.entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot, QDir::NoSort);
    QList<std::pair<QList<uint>, WatchCandidate>> found;
    for (const QString& name : names) {
        // The extension test comes first so that other files cost no stat.
        const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
        if (dot < 0 || !extensions().contains(name.mid(dot + 1).toLower()))
            continue;
        const QFileInfo info(dir.filePath(name));
        if (info.isSymLink() || !info.isFile())
            continue;
        const qint64 size = info.size();
        if (size < 1)
            continue; // created but not written yet
        const QDateTime modified = info.lastModified();
        // Integer division truncates toward zero, also before 1970.
        const qint64 seconds = modified.isValid() ? modified.toMSecsSinceEpoch() / 1000 : kDistantPastSeconds;
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
