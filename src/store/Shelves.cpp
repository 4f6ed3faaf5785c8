#include "store/Shelves.h"

#include <algorithm>

#include <QDateTime>
#include <QFileInfo>

#include "l10n/Localization.h"
#include "output/OutputFolder.h"
#include "platform/Bookmark.h"
#include "platform/NativeFile.h"
#include "platform/NativePath.h"
#include "store/HeldFolder.h"
#include "store/Library.h"
#include "store/ShelfStorage.h"
#include "store/StoreStatus.h"

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

// Whether another shelf's name has the same folder-safe form, so the folder is not this shelf's alone.
bool sharesFolder(const QList<Shelf>& shelves, const Shelf& shelf)
{
    const QString safe = ShelfStorage::safeName(shelf.name);
    return std::any_of(shelves.begin(), shelves.end(), [&](const Shelf& other) {
        return other.id != shelf.id && ShelfStorage::safeName(other.name) == safe;
    });
}

} // namespace

Shelves::Shelves(Library& library, StoreStatus& status, HeldFolder& held, FileSystem& files)
    : m_library(library), m_status(status), m_held(held), m_files(files)
{
}

bool Shelves::refusedUnread()
{
    if (m_library.canPersist())
        return false;
    // A shelf kept in memory alone would vanish at the next start without a word.
    m_status.setStatus(L("Uložené police se nepodařilo přečíst, proto je nechávám beze změny a další nepřidám."), true);
    return true;
}

void Shelves::save()
{
    if (!m_library.save() && m_library.canPersist())
        m_status.setUnsavedStatus(L("Police se nepodařilo uložit."), true, std::nullopt);
}

bool Shelves::addToShelf(const QStringList& dropped, const std::optional<QUuid>& shelfID, const QString& newName)
{
    if (refusedUnread())
        return false;
    const bool demo = m_library.isShowingDemo();
    // Demo content never asks for (and so never remembers) an output folder.
    const auto outDir = demo ? OutputFolder::resolve() : OutputFolder::obtain();
    if (outDir)
        m_held.hold(*outDir);

    const int existing = shelfID ? indexOfShelf(m_library.shelves(), *shelfID) : -1;
    QString target = newName.trimmed();
    if (target.isEmpty())
        target = L("Nová police");
    if (existing >= 0)
        target = m_library.shelves()[existing].name;

    QList<ShelfItem> items;
    for (const QString& file : dropped) {
        const std::optional<QString> token = demo ? std::nullopt : ShelfStorage::copyIn(file, target, m_files);
        const QByteArray bookmark = Bookmark::create(file);
        if (!token && bookmark.isEmpty())
            continue;
        ShelfItem item;
        item.id = QUuid::createUuid();
        item.name = NativePath::displayName(QFileInfo(file).fileName());
        item.bookmark = token ? QByteArray() : bookmark;
        item.bytes = NativeFile::size(file);
        item.added = QDateTime::currentDateTimeUtc();
        item.storedPath = token;
        items.append(item);
    }
    if (items.isEmpty()) {
        m_status.setStatus(L("Soubory se na polici nepodařilo uložit."), true);
        return false;
    }

    QList<Shelf> shelves = m_library.shelves();
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
    m_library.setShelves(shelves);
    QList<ActivityItem> entries;
    for (const ShelfItem& item : items) {
        ActivityItem entry;
        entry.id = QUuid::createUuid();
        entry.fileName = item.name;
        entry.actionTitle = QString::fromUtf8(LKey("Na polici", "history title"));
        entry.symbol = QStringLiteral("tray.full");
        entry.date = QDateTime::currentDateTimeUtc();
        entries.append(entry);
    }
    const bool saved = m_library.addHistoryEntries(entries); // saves the shelves with it
    const QString text = Lf("Odloženo na polici „%@“.", shelfName);
    if (saved)
        m_status.setStatus(text, false);
    else
        m_status.setUnsavedStatus(text + QLatin1Char(' ') + L("Police se nepodařilo uložit."), true, text);
    return true;
}

void Shelves::createShelf(const QString& name)
{
    const QString trimmed = name.trimmed();
    if (trimmed.isEmpty() || refusedUnread())
        return;
    Shelf shelf;
    shelf.id = QUuid::createUuid();
    shelf.name = trimmed;
    shelf.symbol = newShelfSymbols().first();
    shelf.colorIndex = int(m_library.shelves().size());
    m_library.setShelves(m_library.shelves() + QList<Shelf>{shelf});
    save();
}

bool Shelves::nameTaken(const QList<Shelf>& shelves, const QString& name, const std::optional<QUuid>& excluding)
{
    const QString key = name.trimmed().toLower();
    for (const Shelf& shelf : shelves) {
        if (excluding && shelf.id == *excluding)
            continue;
        if (shelf.name.toLower() == key)
            return true;
    }
    return false;
}

bool Shelves::shelfNameTaken(const QString& name, const std::optional<QUuid>& excluding) const
{
    return nameTaken(m_library.shelves(), name, excluding);
}

void Shelves::updateShelf(const QUuid& id, const QString& name, const QString& symbol, int colorIndex)
{
    const QString trimmed = name.trimmed();
    if (trimmed.isEmpty() || shelfNameTaken(trimmed, id))
        return;
    QList<Shelf> shelves = m_library.shelves();
    const int index = indexOfShelf(shelves, id);
    if (index < 0)
        return;
    Shelf& shelf = shelves[index];
    if (trimmed != shelf.name && !m_library.isShowingDemo()) {
        m_held.holdOutputFolder();
        if (!sharesFolder(shelves, shelf)) {
            if (const auto prefixes = ShelfStorage::renameFolder(shelf.name, trimmed, m_files)) {
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
    m_library.setShelves(shelves);
    save();
}

void Shelves::deleteShelf(const QUuid& id)
{
    m_held.holdOutputFolder();
    const int index = indexOfShelf(m_library.shelves(), id);
    if (index >= 0 && !m_library.isShowingDemo()) {
        const Shelf& shelf = m_library.shelves()[index];
        for (const ShelfItem& item : shelf.items)
            ShelfStorage::remove(item.storedPath, m_files);
        // A linked folder left behind would come back as a shelf on the next sync.
        if (!sharesFolder(m_library.shelves(), shelf))
            ShelfStorage::releaseFolder(shelf.name, m_files);
    }
    QList<Shelf> shelves = m_library.shelves();
    shelves.removeIf([&](const Shelf& shelf) { return shelf.id == id; });
    m_library.setShelves(shelves);
    save();
}

void Shelves::removeItem(const QUuid& itemID, const QUuid& shelfID)
{
    QList<Shelf> shelves = m_library.shelves();
    const int index = indexOfShelf(shelves, shelfID);
    if (index < 0)
        return;
    m_held.holdOutputFolder();
    QList<ShelfItem>& items = shelves[index].items;
    for (const ShelfItem& item : std::as_const(items)) {
        if (item.id == itemID) {
            if (!m_library.isShowingDemo())
                ShelfStorage::remove(item.storedPath, m_files);
            break;
        }
    }
    items.removeIf([&](const ShelfItem& item) { return item.id == itemID; });
    m_library.setShelves(shelves);
    save();
}

void Shelves::moveItem(const QUuid& itemID, const QUuid& fromShelf, const QUuid& toShelf)
{
    if (fromShelf == toShelf)
        return;
    QList<Shelf> shelves = m_library.shelves();
    const int from = indexOfShelf(shelves, fromShelf);
    const int to = indexOfShelf(shelves, toShelf);
    if (from < 0 || to < 0)
        return;
    QList<ShelfItem>& source = shelves[from].items;
    const auto found = std::find_if(source.begin(), source.end(), [&](const ShelfItem& item) { return item.id == itemID; });
    if (found == source.end())
        return;
    m_held.holdOutputFolder();
    ShelfItem item = *found;
    source.erase(found);
    if (item.storedPath && !m_library.isShowingDemo()) {
        if (const auto token = ShelfStorage::move(*item.storedPath, shelves[to].name, m_files))
            item.storedPath = token;
    }
    shelves[to].items.append(item);
    m_library.setShelves(shelves);
    const bool saved = m_library.save();
    const QString text = Lf("„%@“ je na polici „%@“.", item.name, shelves[to].name);
    if (saved)
        m_status.setStatus(text, false);
    else
        m_status.setUnsavedStatus(text + QLatin1Char(' ') + L("Police se nepodařilo uložit."), true, text);
}

std::optional<QString> Shelves::resolve(const ShelfItem& item)
{
    if (item.storedPath) {
        m_held.holdOutputFolder();
        return ShelfStorage::url(*item.storedPath);
    }
    if (item.bookmark.isEmpty())
        return std::nullopt;
    const auto resolved = Bookmark::resolve(item.bookmark);
    if (!resolved)
        return std::nullopt;
    return resolved->path;
}

QStringList Shelves::resolveAll(const Shelf& shelf)
{
    QStringList files;
    for (const ShelfItem& item : shelf.items) {
        if (const auto file = resolve(item))
            files.append(*file);
    }
    return files;
}

} // namespace kelvaro
