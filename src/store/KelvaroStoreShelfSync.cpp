// Shelves follow their folders below "<output folder>/Police": folders the user renamed, files
// deleted or added by hand, and new folders. Only stored copies below the output folder take
// part; bookmarked items and legacy copies are never touched here.
#include <algorithm>

#include <QCollator>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QHash>

#include "engine/ImageEngine.h"
#include "engine/Localization.h"
#include "engine/OutputFolder.h"
#include "store/KelvaroStore.h"
#include "store/ShelfStorage.h"

namespace kelvaro {
namespace {

// The visible files of a folder (subfolders are not items) in the file manager's order:
// numbers by value, letters without regard to case.
QStringList filesIn(const QString& folder)
{
    QStringList files;
    const QFileInfoList entries = QDir(folder).entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System);
    for (const QFileInfo& entry : entries) {
        // A dangling link is no file: taken in, the next pass would drop it and take it in again.
        if (!entry.isDir() && entry.exists())
            files.append(entry.absoluteFilePath());
    }
    // The interface language's rules: the "C" locale would ignore numeric mode.
    QCollator collator(L10n::locale(L10n::current()));
    collator.setNumericMode(true);
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::stable_sort(files.begin(), files.end(), [&](const QString& a, const QString& b) {
        return collator.compare(QFileInfo(a).fileName(), QFileInfo(b).fileName()) < 0;
    });
    return files;
}

ShelfItem makeItem(const QString& file, const QString& folderName)
{
    const QFileInfo info(file);
    ShelfItem item;
    item.id = QUuid::createUuid();
    item.name = info.fileName();
    item.bytes = ImageEngine::fileSize(file);
    const QDateTime born = info.birthTime();
    item.added = born.isValid() ? born.toUTC() : QDateTime::currentDateTimeUtc();
    item.storedPath = ShelfStorage::outToken(folderName, item.name);
    return item;
}

// The shelf folder an item's token names, when it is a valid copy below the output folder.
std::optional<ShelfStorage::Token> outToken(const ShelfItem& item)
{
    if (!item.storedPath)
        return std::nullopt;
    auto token = ShelfStorage::parseToken(*item.storedPath);
    if (!token || !token->inOutput)
        return std::nullopt;
    return token;
}

} // namespace

void KelvaroStore::syncShelvesWithDisk()
{
    if (isShowingDemo())
        return;
    const auto root = OutputFolder::resolve();
    if (!root)
        return;
    holdAccess(*root);
    const QDir police(*root + QLatin1Char('/') + QLatin1String(ShelfStorage::shelvesFolderName));
    if (!police.exists())
        return;
    QMap<QString, QString> folders;
    for (const QFileInfo& entry : police.entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot))
        folders.insert(entry.fileName(), entry.absoluteFilePath());

    const QList<Shelf> before = m_shelves;
    bool changed = adoptRenamedFolders(folders);
    changed = dropMissingFiles(*root) || changed;
    changed = addNewFiles(folders) || changed;
    changed = addNewFolders(folders) || changed;
    if (!changed)
        return;
    if (m_shelves != before)
        Q_EMIT shelvesChanged();
    save();
}

QSet<QString> KelvaroStore::claimedFolders() const
{
    QSet<QString> claimed;
    for (const Shelf& shelf : m_shelves) {
        claimed.insert(ShelfStorage::safeName(shelf.name));
        for (const ShelfItem& item : shelf.items) {
            if (const auto token = outToken(item))
                claimed.insert(token->folder);
        }
    }
    return claimed;
}

bool KelvaroStore::adoptRenamedFolders(const QMap<QString, QString>& folders)
{
    bool changed = false;
    for (Shelf& shelf : m_shelves) {
        // The shelf's folder is the one most of its tokens name (the first such on a tie).
        QStringList order;
        QHash<QString, int> counts;
        QSet<QString> expected;
        for (const ShelfItem& item : shelf.items) {
            if (const auto token = outToken(item)) {
                if (!counts.contains(token->folder))
                    order.append(token->folder);
                ++counts[token->folder];
                expected.insert(token->file);
            }
        }
        if (order.isEmpty())
            continue;
        QString current = order.first();
        for (const QString& name : std::as_const(order)) {
            if (counts.value(name) > counts.value(current))
                current = name;
        }
        if (folders.contains(current))
            continue;

        const QSet<QString> claimed = claimedFolders();
        for (auto it = folders.cbegin(); it != folders.cend(); ++it) {
            if (claimed.contains(it.key()))
                continue;
            const QStringList files = filesIn(it.value());
            const bool matches = std::any_of(files.begin(), files.end(),
                                             [&](const QString& file) { return expected.contains(QFileInfo(file).fileName()); });
            if (!matches)
                continue;
            if (shelfNameTaken(it.key(), shelf.id))
                break;
            const QString oldPrefix = ShelfStorage::outToken(current, QString());
            const QString newPrefix = ShelfStorage::outToken(it.key(), QString());
            for (ShelfItem& item : shelf.items) {
                if (item.storedPath && item.storedPath->startsWith(oldPrefix))
                    item.storedPath = newPrefix + item.storedPath->mid(oldPrefix.size());
            }
            shelf.name = it.key();
            changed = true;
            break;
        }
    }
    return changed;
}

bool KelvaroStore::dropMissingFiles(const QString& outputRoot)
{
    bool changed = false;
    for (Shelf& shelf : m_shelves) {
        const qsizetype count = shelf.items.size();
        shelf.items.removeIf([&](const ShelfItem& item) {
            const auto token = outToken(item);
            if (!token)
                return false; // bookmarks, legacy copies and unknown tokens stay
            const QFileInfo file(outputRoot + QLatin1Char('/') + token->relativePath());
            return !file.exists() || file.isDir();
        });
        changed = changed || shelf.items.size() < count;
    }
    return changed;
}

bool KelvaroStore::shelfHasFile(const QString& file, const QUuid& excluding) const
{
    const QFileInfo info(file);
    const QString token = ShelfStorage::outToken(info.absoluteDir().dirName(), info.fileName());
    for (const Shelf& shelf : m_shelves) {
        if (shelf.id == excluding)
            continue;
        for (const ShelfItem& item : shelf.items) {
            if (item.storedPath == token)
                return true;
        }
    }
    return false;
}

bool KelvaroStore::addNewFiles(const QMap<QString, QString>& folders)
{
    bool changed = false;
    for (int i = 0; i < m_shelves.size(); ++i) {
        const QString folderName = ShelfStorage::safeName(m_shelves[i].name);
        if (!folders.contains(folderName))
            continue;
        QSet<QString> known;
        for (const ShelfItem& item : std::as_const(m_shelves[i].items)) {
            if (item.storedPath)
                known.insert(*item.storedPath);
        }
        for (const QString& file : filesIn(folders.value(folderName))) {
            const ShelfItem item = makeItem(file, folderName);
            if (known.contains(*item.storedPath) || shelfHasFile(file, m_shelves[i].id))
                continue;
            m_shelves[i].items.append(item);
            changed = true;
        }
    }
    return changed;
}

bool KelvaroStore::addNewFolders(const QMap<QString, QString>& folders)
{
    const QSet<QString> claimed = claimedFolders();
    bool changed = false;
    for (auto it = folders.cbegin(); it != folders.cend(); ++it) {
        if (claimed.contains(it.key()) || shelfNameTaken(it.key()))
            continue;
        Shelf shelf;
        shelf.id = QUuid::createUuid();
        shelf.name = it.key();
        shelf.symbol = QStringLiteral("folder.fill");
        shelf.colorIndex = int(m_shelves.size());
        for (const QString& file : filesIn(it.value()))
            shelf.items.append(makeItem(file, it.key()));
        m_shelves.append(shelf);
        changed = true;
    }
    return changed;
}

} // namespace kelvaro
