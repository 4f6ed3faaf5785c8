#pragma once
// ShelfSync: brings the shelves of the Library into line with their folders below
// "<output folder>/Police": folders the user renamed, files deleted or added by hand, and new
// folders. Only stored copies below the output folder take part; bookmarked items and legacy
// copies are never touched here. Owned by KelvaroStore; main thread; reads disk, writes nothing
// there.
#include <QList>
#include <QMap>
#include <QSet>
#include <QString>
#include <QUuid>

#include "model/Models.h"

namespace kelvaro {

class HeldFolder;
class Library;

class ShelfSync {
public:
    ShelfSync(Library& library, HeldFolder& held);
    ShelfSync(const ShelfSync&) = delete;
    ShelfSync& operator=(const ShelfSync&) = delete;

    // One pass; saves the library when a shelf changed. Does nothing while demo content is shown
    // or the stored shelves cannot be read.
    void sync();

private:
    // Each step works on `shelves` and says whether it changed them.
    static bool adoptRenamedFolders(QList<Shelf>& shelves, const QMap<QString, QString>& folders);
    static bool dropMissingFiles(QList<Shelf>& shelves, const QString& outputRoot);
    static bool addNewFiles(QList<Shelf>& shelves, const QMap<QString, QString>& folders);
    static bool addNewFolders(QList<Shelf>& shelves, const QMap<QString, QString>& folders);
    static QSet<QString> claimedFolders(const QList<Shelf>& shelves);
    static bool shelfHasFile(const QList<Shelf>& shelves, const QString& file, const QUuid& excluding);

    Library& m_library;
    HeldFolder& m_held;
};

} // namespace kelvaro
