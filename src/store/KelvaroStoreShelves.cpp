// Shelf operations: filling, creating, renaming, deleting shelves and moving their files.
// While demo content is shown only the in-memory shelves change: no copy, folder or file on disk
// is touched (a demo shelf may share its name with a real shelf folder).
#include <QDateTime>
#include <QFileInfo>

#include "engine/Localization.h"
#include "engine/OutputFolder.h"
#include "platform/Bookmark.h"
#include "store/KelvaroStore.h"
#include "store/ShelfStorage.h"

namespace kelvaro {
namespace {

const QStringList& newShelfSymbols()
{
    static const QStringList symbols{QStringLiteral("folder.fill"), QStringLiteral("star.fill"),
                                     QStringLiteral("heart.fill"),  QStringLiteral("camera.fill"),
                                     QStringLiteral("leaf.fill"),   QStringLiteral("bolt.fill")};
    return symbols;
}

int indexOfShelf(const QList<Shelf>& shelves, const QUuid& id)
{
    for (int i = 0; i < shelves.size(); ++i) {
        if (shelves[i].id == id)
            return i;
    }
    return -1;
}

} // namespace

bool KelvaroStore::addToShelf(const std::optional<QUuid>& shelfID, const QString& newName)
{
    const bool demo = isShowingDemo();
    // Demo content never asks for (and so never remembers) an output folder.
    const auto outDir = demo ? OutputFolder::resolve() : OutputFolder::obtain();
    if (outDir)
        holdAccess(*outDir);

    const int existing = shelfID ? indexOfShelf(m_shelves, *shelfID) : -1;
    QString target = newName.trimmed();
    if (target.isEmpty())
        target = L("Nová police");
    if (existing >= 0)
        target = m_shelves[existing].name;

    QList<ShelfItem> items;
    for (const QString& file : std::as_const(m_droppedFiles)) {
        const std::optional<QString> token = demo ? std::nullopt : ShelfStorage::copyIn(file, target, files());
        const QByteArray bookmark = Bookmark::create(file);
        if (!token && bookmark.isEmpty())
            continue;
        ShelfItem item;
        item.id = QUuid::createUuid();
        item.name = QFileInfo(file).fileName();
        item.bookmark = token ? QByteArray() : bookmark;
        item.bytes = QFileInfo(file).size();
        item.added = QDateTime::currentDateTimeUtc();
        item.storedPath = token;
        items.append(item);
    }
    if (items.isEmpty()) {
        setStatus(L("Soubory se na polici nepodařilo uložit."), true);
        return false;
    }

    QList<Shelf> shelves = m_shelves;
    const int index = shelfID ? indexOfShelf(shelves, *shelfID) : -1;
    QString shelfName;
    if (index >= 0) {
        shelves[index].items.append(items);
        shelfName = shelves[index].name;
    } else {
        Shelf shelf;
        shelf.id = QUuid::createUuid();
        shelf.name = target;
        shelf.symbol = newShelfSymbols().at(int(shelves.size() % newShelfSymbols().size()));
        shelf.colorIndex = int(shelves.size());
        shelf.items = items;
        shelves.append(shelf);
        shelfName = shelf.name;
    }
    setShelves(shelves);
    QList<ActivityItem> entries;
    for (const ShelfItem& item : items) {
        ActivityItem entry;
        entry.id = QUuid::createUuid();
        entry.fileName = item.name;
        entry.actionTitle = QStringLiteral("Na polici");
        entry.symbol = QStringLiteral("tray.full");
        entry.date = QDateTime::currentDateTimeUtc();
        entries.append(entry);
    }
    insertHistory(entries); // saves the shelves with it
    setStatus(Lf("Odloženo na polici „%@“.", shelfName), false);
    return true;
}

void KelvaroStore::createShelf(const QString& name)
{
    const QString trimmed = name.trimmed();
    if (trimmed.isEmpty())
        return;
    Shelf shelf;
    shelf.id = QUuid::createUuid();
    shelf.name = trimmed;
    shelf.symbol = newShelfSymbols().first();
    shelf.colorIndex = int(m_shelves.size());
    setShelves(m_shelves + QList<Shelf>{shelf});
    save();
}

bool KelvaroStore::shelfNameTaken(const QString& name, const std::optional<QUuid>& excluding) const
{
    const QString key = name.trimmed().toLower();
    for (const Shelf& shelf : m_shelves) {
        if (excluding && shelf.id == *excluding)
            continue;
        if (shelf.name.toLower() == key)
            return true;
    }
    return false;
}

void KelvaroStore::updateShelf(const QUuid& id, const QString& name, const QString& symbol, int colorIndex)
{
    const QString trimmed = name.trimmed();
    if (trimmed.isEmpty() || shelfNameTaken(trimmed, id))
        return;
    QList<Shelf> shelves = m_shelves;
    const int index = indexOfShelf(shelves, id);
    if (index < 0)
        return;
    Shelf& shelf = shelves[index];
    if (trimmed != shelf.name && !isShowingDemo()) {
        holdOutputFolder();
        const QString oldSafe = ShelfStorage::safeName(shelf.name);
        bool shared = false;
        for (const Shelf& other : std::as_const(shelves))
            shared = shared || (other.id != id && ShelfStorage::safeName(other.name) == oldSafe);
        if (!shared) {
            if (const auto prefixes = ShelfStorage::renameFolder(shelf.name, trimmed, files())) {
                for (ShelfItem& item : shelf.items) {
                    if (item.storedPath && item.storedPath->startsWith(prefixes->first))
                        item.storedPath = prefixes->second + item.storedPath->mid(prefixes->first.size());
                }
            }
        }
    }
    shelf.name = trimmed;
    shelf.symbol = symbol;
    shelf.colorIndex = colorIndex;
    setShelves(shelves);
    save();
}

void KelvaroStore::deleteShelf(const QUuid& id)
{
    holdOutputFolder();
    const int index = indexOfShelf(m_shelves, id);
    if (index >= 0 && !isShowingDemo()) {
        for (const ShelfItem& item : m_shelves[index].items)
            ShelfStorage::remove(item.storedPath, files());
    }
    QList<Shelf> shelves = m_shelves;
    shelves.removeIf([&](const Shelf& shelf) { return shelf.id == id; });
    setShelves(shelves);
    save();
}

void KelvaroStore::removeItem(const QUuid& itemID, const QUuid& shelfID)
{
    QList<Shelf> shelves = m_shelves;
    const int index = indexOfShelf(shelves, shelfID);
    if (index < 0)
        return;
    holdOutputFolder();
    QList<ShelfItem>& items = shelves[index].items;
    for (const ShelfItem& item : std::as_const(items)) {
        if (item.id == itemID) {
            if (!isShowingDemo())
                ShelfStorage::remove(item.storedPath, files());
            break;
        }
    }
    items.removeIf([&](const ShelfItem& item) { return item.id == itemID; });
    setShelves(shelves);
    save();
}

void KelvaroStore::moveItem(const QUuid& itemID, const QUuid& fromShelf, const QUuid& toShelf)
{
    if (fromShelf == toShelf)
        return;
    QList<Shelf> shelves = m_shelves;
    const int from = indexOfShelf(shelves, fromShelf);
    const int to = indexOfShelf(shelves, toShelf);
    if (from < 0 || to < 0)
        return;
    QList<ShelfItem>& source = shelves[from].items;
    const auto found = std::find_if(source.begin(), source.end(), [&](const ShelfItem& item) { return item.id == itemID; });
    if (found == source.end())
        return;
    holdOutputFolder();
    ShelfItem item = *found;
    source.erase(found);
    if (item.storedPath && !isShowingDemo()) {
        if (const auto token = ShelfStorage::move(*item.storedPath, shelves[to].name, files()))
            item.storedPath = token;
    }
    shelves[to].items.append(item);
    setShelves(shelves);
    save();
    setStatus(Lf("„%@“ je na polici „%@“.", item.name, shelves[to].name), false);
}

std::optional<QString> KelvaroStore::resolve(const ShelfItem& item)
{
    if (item.storedPath) {
        holdOutputFolder();
        return ShelfStorage::url(*item.storedPath);
    }
    if (item.bookmark.isEmpty())
        return std::nullopt;
    const auto resolved = Bookmark::resolve(item.bookmark);
    if (!resolved)
        return std::nullopt;
    return resolved->path;
}

void KelvaroStore::loadShelfIntoWheel(const Shelf& shelf)
{
    QStringList files;
    for (const ShelfItem& item : shelf.items) {
        if (const auto file = resolve(item))
            files.append(*file);
    }
    if (files.isEmpty())
        return;
    receive(files, false);
    setSidebarSelection(SidebarItem::home);
}

} // namespace kelvaro
