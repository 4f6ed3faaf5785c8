#include "store/ShelfSync.h"

#include <algorithm>

#include <QCollator>
#include <QDateTime>
#include <QFileInfo>
#include <QHash>

#include "l10n/Localization.h"
#include "output/OutputFolder.h"
#include "platform/NativeFile.h"
#include "platform/NativePath.h"
#include "store/HeldFolder.h"
#include "store/Library.h"
#include "store/ShelfStorage.h"
#include "store/Shelves.h"

namespace kelvaro {
namespace {

// The visible files of a folder (subfolders are not items) in the file manager's order:
// numbers by value, letters without regard to case.
QStringList filesIn(const QString& folder)
{
    QStringList files;
    // Listed with the names' own bytes: Qt's listing leaves out a name that is not UTF-8. Dot
    // files are the system's, not items.
    for (const QString& name : NativeFile::names(folder)) {
        const QString path = folder + QLatin1Char('/') + name;
        // A dangling link is no file: taken in, the next pass would drop it and take it in again.
        if (!name.startsWith(QLatin1Char('.')) && NativeFile::isFile(path))
            files.append(path);
    }
    // The interface language's rules: the "C" locale would ignore numeric mode.
    QCollator collator(L10n::locale(L10n::current()));
    collator.setNumericMode(true);
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::stable_sort(files.begin(), files.end(), [&](const QString& a, const QString& b) {
        return collator.compare(NativePath::displayName(QFileInfo(a).fileName()),
                                NativePath::displayName(QFileInfo(b).fileName())) < 0;
    });
    return files;
}

ShelfItem makeItem(const QString& file, const QString& folderName)
{
    const QString name = QFileInfo(file).fileName();
    ShelfItem item;
    item.id = QUuid::createUuid();
    item.name = NativePath::displayName(name);
    item.bytes = NativeFile::size(file);
    const QDateTime born = NativeFile::birthTime(file);
    item.added = born.isValid() ? born.toUTC() : QDateTime::currentDateTimeUtc();
    item.storedPath = ShelfStorage::outToken(folderName, name);
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

ShelfSync::ShelfSync(Library& library, HeldFolder& held) : m_library(library), m_held(held) {}

void ShelfSync::sync()
{
    // Shelves taken from folders over stored ones that could not be read would be listed, never stored.
    if (m_library.isShowingDemo() || !m_library.canPersist())
        return;
    const auto root = OutputFolder::resolve();
    if (!root)
        return;
    m_held.hold(*root);
    const QString police = *root + QLatin1Char('/') + QLatin1String(ShelfStorage::shelvesFolderName);
    if (!NativeFile::isDir(police))
        return;
    QMap<QString, QString> folders;
    for (const QString& name : NativeFile::names(police)) {
        const QString path = police + QLatin1Char('/') + name;
        if (!name.startsWith(QLatin1Char('.')) && NativeFile::isDir(path))
            folders.insert(name, path);
    }

    QList<Shelf> shelves = m_library.shelves();
    bool changed = adoptRenamedFolders(shelves, folders);
    changed = dropMissingFiles(shelves, *root) || changed;
    changed = addNewFiles(shelves, folders) || changed;
    changed = addNewFolders(shelves, folders) || changed;
    if (!changed)
        return;
    m_library.setShelves(shelves);
    m_library.save();
}

QSet<QString> ShelfSync::claimedFolders(const QList<Shelf>& shelves)
{
    QSet<QString> claimed;
    for (const Shelf& shelf : shelves) {
        claimed.insert(ShelfStorage::safeName(shelf.name));
        for (const ShelfItem& item : shelf.items) {
            if (const auto token = outToken(item))
                claimed.insert(token->folder);
        }
    }
    return claimed;
}

bool ShelfSync::adoptRenamedFolders(QList<Shelf>& shelves, const QMap<QString, QString>& folders)
{
    bool changed = false;
    for (Shelf& shelf : shelves) {
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

        const QSet<QString> claimed = claimedFolders(shelves);
        for (auto it = folders.cbegin(); it != folders.cend(); ++it) {
            if (claimed.contains(it.key()))
                continue;
            const QStringList files = filesIn(it.value());
            const bool matches = std::any_of(files.begin(), files.end(),
                                             [&](const QString& file) { return expected.contains(QFileInfo(file).fileName()); });
            if (!matches)
                continue;
            if (Shelves::nameTaken(shelves, it.key(), shelf.id))
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

bool ShelfSync::dropMissingFiles(QList<Shelf>& shelves, const QString& outputRoot)
{
    bool changed = false;
    for (Shelf& shelf : shelves) {
        const qsizetype count = shelf.items.size();
        shelf.items.removeIf([&](const ShelfItem& item) {
            const auto token = outToken(item);
            if (!token)
                return false; // bookmarks, legacy copies and unknown tokens stay
            return !NativeFile::isFile(outputRoot + QLatin1Char('/') + token->relativePath());
        });
        changed = changed || shelf.items.size() < count;
    }
    return changed;
}

bool ShelfSync::shelfHasFile(const QList<Shelf>& shelves, const QString& file, const QUuid& excluding)
{
    const QFileInfo info(file);
    const QString token = ShelfStorage::outToken(QFileInfo(info.path()).fileName(), info.fileName());
    for (const Shelf& shelf : shelves) {
        if (shelf.id == excluding)
            continue;
        for (const ShelfItem& item : shelf.items) {
            if (item.storedPath == token)
                return true;
        }
    }
    return false;
}

bool ShelfSync::addNewFiles(QList<Shelf>& shelves, const QMap<QString, QString>& folders)
{
    bool changed = false;
    for (int i = 0; i < shelves.size(); ++i) {
        const QString folderName = ShelfStorage::safeName(shelves[i].name);
        if (!folders.contains(folderName))
            continue;
        QSet<QString> known;
        for (const ShelfItem& item : std::as_const(shelves[i].items)) {
            if (item.storedPath)
                known.insert(*item.storedPath);
        }
        for (const QString& file : filesIn(folders.value(folderName))) {
            const ShelfItem item = makeItem(file, folderName);
            if (known.contains(*item.storedPath) || shelfHasFile(shelves, file, shelves[i].id))
                continue;
            shelves[i].items.append(item);
            changed = true;
        }
    }
    return changed;
}

bool ShelfSync::addNewFolders(QList<Shelf>& shelves, const QMap<QString, QString>& folders)
{
    const QSet<QString> claimed = claimedFolders(shelves);
    bool changed = false;
    for (auto it = folders.cbegin(); it != folders.cend(); ++it) {
        if (claimed.contains(it.key()) || Shelves::nameTaken(shelves, it.key()))
            continue;
        Shelf shelf;
        shelf.id = QUuid::createUuid();
        shelf.name = it.key();
        shelf.symbol = QStringLiteral("folder.fill");
        shelf.colorIndex = int(shelves.size());
        for (const QString& file : filesIn(it.value()))
            shelf.items.append(makeItem(file, it.key()));
        shelves.append(shelf);
        changed = true;
    }
    return changed;
}

} // namespace kelvaro
