#pragma once
// Shelves: filling, creating, renaming and deleting shelves and moving their files, with the
// copies on disk kept in line through ShelfStorage. The shelves themselves live in the Library.
// While demo content is shown only the in-memory shelves change: no copy, folder or file on disk
// is touched (a demo shelf may share its name with a real shelf folder). While the stored shelves
// cannot be read, no shelf is made and no file put on one: the status line says why. A shelf
// change that could not be saved is told there too. Owned by KelvaroStore; main thread; touches
// disk.
#include <optional>

#include <QList>
#include <QString>
#include <QStringList>
#include <QUuid>

#include "model/Models.h"

namespace kelvaro {

class FileSystem;
class HeldFolder;
class Library;
class StoreStatus;

class Shelves {
public:
    Shelves(Library& library, StoreStatus& status, HeldFolder& held, FileSystem& files);
    Shelves(const Shelves&) = delete;
    Shelves& operator=(const Shelves&) = delete;

    // Copies `files` onto the shelf `shelfID`, or onto a new shelf named `newName` ("Nová police"
    // when blank). True when at least one file was put on the shelf.
    bool addToShelf(const QStringList& files, const std::optional<QUuid>& shelfID, const QString& newName);
    void createShelf(const QString& name);
    void updateShelf(const QUuid& id, const QString& name, const QString& symbol, int colorIndex);
    bool shelfNameTaken(const QString& name, const std::optional<QUuid>& excluding = std::nullopt) const;
    void deleteShelf(const QUuid& id);
    void removeItem(const QUuid& itemID, const QUuid& shelfID);
    void moveItem(const QUuid& itemID, const QUuid& fromShelf, const QUuid& toShelf);
    // The file of a shelf item (its stored copy, or its bookmark), or none.
    std::optional<QString> resolve(const ShelfItem& item);
    // The files of every item that still resolves, in the shelf's order.
    QStringList resolveAll(const Shelf& shelf);

    // Whether another shelf of `shelves` than `excluding` has the name, ignoring case and blanks.
    static bool nameTaken(const QList<Shelf>& shelves, const QString& name,
                          const std::optional<QUuid>& excluding = std::nullopt);

private:
    // Whether the stored shelves are unread, which refuses every new shelf (told on the status line).
    bool refusedUnread();
    // Saves the library; a failed save is told on the status line.
    void save();

    Library& m_library;
    StoreStatus& m_status;
    HeldFolder& m_held;
    FileSystem& m_files;
};

} // namespace kelvaro
