// Shelf operations of the store, with copies on disk.
#include <filesystem>

#include <fcntl.h>
#include <unistd.h>

#include <QDirIterator>
#include <QScopeGuard>

#include "StoreTestSupport.h"
#include "platform/NativePath.h"
#include "store/ShelfStorage.h"

namespace kelvaro::test {
namespace {

// A store without sample content, its output folder "out" remembered.
class ShelvesTest : public StoreTest {
protected:
    void SetUp() override
    {
        StoreTest::SetUp();
        out = rememberOutput();
    }

    // With `names` (files under "in/") on the wheel.
    KelvaroStore& emptyStore(const QStringList& names = {})
    {
        KelvaroStore& s = makeStore(fakeProcess);
        s.setShelves({});
        s.setActivities({});
        QStringList files;
        for (const QString& name : names)
            files.append(touch(QStringLiteral("in/") + name));
        if (!files.isEmpty())
            s.receive(files, false);
        return s;
    }

    QString out;
};

TEST_F(ShelvesTest, NoFilesMeansNoShelf)
{
    KelvaroStore& s = emptyStore();
    EXPECT_FALSE(s.addToShelf(std::nullopt, "Léto"));
    EXPECT_EQ(s.statusMessage(), QStringLiteral("Soubory se na polici nepodařilo uložit."));
    EXPECT_TRUE(s.statusIsError());
    EXPECT_TRUE(s.shelves().isEmpty());
}

TEST_F(ShelvesTest, ThreeFilesOnANewShelf)
{
    KelvaroStore& s = emptyStore();
    const QString a = image("in/a.jpg"), b = touch("in/b.png", "12345"), c = touch("in/c.heic");
    s.receive(QStringList{a, b, c}, false);
    EXPECT_TRUE(s.addToShelf(QUuid::createUuid(), "  Léto  "));
    ASSERT_EQ(s.shelves().size(), 1);
    const Shelf& shelf = s.shelves().first();
    EXPECT_EQ(shelf.name, "Léto");
    EXPECT_EQ(shelf.symbol, "folder.fill");
    EXPECT_EQ(shelf.colorIndex, 0);
    ASSERT_EQ(shelf.items.size(), 3);
    EXPECT_EQ(shelf.items[1].storedPath, QStringLiteral("out:Police/Léto/b.png"));
    EXPECT_TRUE(shelf.items[1].bookmark.isEmpty());
    EXPECT_EQ(shelf.items[1].bytes, 5);
    EXPECT_EQ(s.statusMessage(), QStringLiteral("Odloženo na polici „Léto“."));
    ASSERT_EQ(s.activities().size(), 3);
    EXPECT_EQ(s.activities()[0].fileName, "c.heic");
    EXPECT_EQ(s.activities()[0].actionTitle, QStringLiteral("Na polici"));
    EXPECT_EQ(s.activities()[0].symbol, "tray.full");
    EXPECT_EQ(s.shelvedFiles(), 3);
}

// A file whose name is not UTF-8 (in a folder whose name may not be either, onto a shelf in an
// output folder whose name may not be either) is copied under its own bytes, a second time with
// " 2" before the extension; its size shows, the shelf loads every copy, a pass over the shelf
// folders keeps the items and takes in a file put there by hand, and removing an item removes
// its copy from disk (the last one its folder too).
TEST_F(ShelvesTest, FilesWhoseNamesAreNotUtf8AreCopiedShownLoadedAndRemovedByTheirBytes)
{
    const struct {
        const char* name;
        QByteArray sourceFolder;
        QByteArray outputFolder;
    } rows[] = {
        {"file", "in", "out"},
        {"folderAndFile", "fotky-\xe9", "out"},
        {"outputFolderToo", "fotky-\xe9", "v\xfdsledky-\xe9"},
    };
    const QByteArray base = NativePath::encoded(temp.path());
    const auto write = [](const QByteArray& native, qint64 size) {
        const int fd = ::open(native.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
        const QByteArray bytes(size, 'k');
        return fd >= 0 && ::write(fd, bytes.constData(), size_t(size)) == size && ::close(fd) == 0;
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const QByteArray sourceFolder = base + "/" + row.name + "/" + row.sourceFolder;
        const QByteArray outputFolder = base + "/" + row.name + "/" + row.outputFolder;
        for (const QByteArray& folder : {sourceFolder, outputFolder})
            ASSERT_TRUE(std::filesystem::create_directories(folder.toStdString()));
        // Qt's listing would leave the names that are not UTF-8 behind.
        const auto removeAll = qScopeGuard([&] { std::filesystem::remove_all((base + "/" + row.name).toStdString()); });
        ASSERT_TRUE(OutputFolder::remember(NativePath::decoded(outputFolder)));
        ASSERT_TRUE(write(sourceFolder + "/caf\xe9.jpg", 400));
        ASSERT_TRUE(write(sourceFolder + "/b.jpg", 10));
        const QString source = NativePath::decoded(sourceFolder + "/caf\xe9.jpg");
        const QString shelfFolder = NativePath::decoded(outputFolder) + QStringLiteral("/Police/Léto");

        KelvaroStore& s = emptyStore();
        s.receive(QStringList{source, NativePath::decoded(sourceFolder + "/b.jpg")}, false);
        ASSERT_TRUE(s.addToShelf(std::nullopt, "Léto"));
        s.receive(QStringList{source}, false);
        ASSERT_TRUE(s.addToShelf(s.shelves().first().id, "Léto"));
        const QString first = NativePath::decoded("caf\xe9.jpg");
        const QString second = NativePath::decoded("caf\xe9 2.jpg");
        EXPECT_EQ(namesIn(shelfFolder), (QStringList{QStringLiteral("b.jpg"), second, first}));
        EXPECT_EQ(readFile(shelfFolder + "/" + first), QByteArray(400, 'k'));
        EXPECT_EQ(readFile(shelfFolder + "/" + second), QByteArray(400, 'k'));

        // A copy put there by hand joins the shelf.
        ASSERT_TRUE(write(NativePath::encoded(shelfFolder) + "/ru\xe8n\xed.jpg", 300));
        s.syncShelvesWithDisk();
        const Shelf shelf = s.shelves().first();
        ASSERT_EQ(shelf.items.size(), 4);
        const qint64 sizes[] = {400, 10, 400, 300};
        const QString shown[] = {"caf\uFFFD.jpg", "b.jpg", "caf\uFFFD.jpg", "ru\uFFFDn\uFFFD.jpg"};
        for (int i = 0; i < 4; ++i) {
            EXPECT_EQ(shelf.items[i].bytes, sizes[i]) << i;
            EXPECT_EQ(shelf.items[i].name, shown[i]) << i;
        }

        s.loadShelfIntoWheel(shelf);
        EXPECT_EQ(s.droppedFiles(), (QStringList{shelfFolder + "/" + first, shelfFolder + "/b.jpg", shelfFolder + "/" + second,
                                                 NativePath::decoded(NativePath::encoded(shelfFolder) + "/ru\xe8n\xed.jpg")}));

        for (const ShelfItem& item : shelf.items)
            if (item.name != QStringLiteral("b.jpg"))
                s.removeItem(item.id, shelf.id);
        EXPECT_EQ(namesIn(shelfFolder), QStringList{QStringLiteral("b.jpg")});
        ASSERT_EQ(s.shelves().first().items.size(), 1);
        // The last copy takes its emptied folder along, so no pass brings the shelf back.
        s.removeItem(s.shelves().first().items.first().id, shelf.id);
        EXPECT_EQ(namesIn(NativePath::decoded(outputFolder) + QStringLiteral("/Police")), QStringList{});
        s.syncShelvesWithDisk();
        EXPECT_TRUE(s.shelves().first().items.isEmpty());
        // The user's own file stays where it was.
        EXPECT_EQ(readFile(source), QByteArray(400, 'k'));
    }
}

// A blank name makes a new shelf, an id adds to its shelf; new shelves take the next symbol and colour.
TEST_F(ShelvesTest, NewShelvesCycleTheirSymbols)
{
    KelvaroStore& s = emptyStore({"a.jpg"});
    EXPECT_TRUE(s.addToShelf(std::nullopt, "   "));
    ASSERT_EQ(s.shelves().size(), 1);
    EXPECT_EQ(s.shelves().first().name, QStringLiteral("Nová police"));
    EXPECT_TRUE(s.addToShelf(s.shelves().first().id, "Ignored"));
    ASSERT_EQ(s.shelves().size(), 1);
    EXPECT_EQ(s.shelves().first().items.last().storedPath, QStringLiteral("out:Police/Nová police/a 2.jpg"));
    EXPECT_EQ(s.statusMessage(), QStringLiteral("Odloženo na polici „Nová police“."));

    for (int i = 1; i < 7; ++i)
        ASSERT_TRUE(s.addToShelf(std::nullopt, QStringLiteral("S%1").arg(i)));
    EXPECT_EQ(s.shelves()[1].symbol, "star.fill");
    EXPECT_EQ(s.shelves()[5].symbol, "bolt.fill");
    EXPECT_EQ(s.shelves()[6].symbol, "folder.fill");
    EXPECT_EQ(s.shelves()[6].colorIndex, 6);
    s.createShelf("Prázdná");
    EXPECT_EQ(s.shelves().last().symbol, "folder.fill");
    EXPECT_EQ(s.shelves().last().colorIndex, 7);
    EXPECT_TRUE(s.shelves().last().items.isEmpty());
    s.createShelf("  ");
    EXPECT_EQ(s.shelves().size(), 8);
}

TEST_F(ShelvesTest, WhenNoCopyCanBeMadeTheFileIsBookmarked)
{
    KelvaroStore& s = emptyStore();
    const QString a = touch("in/a.jpg");
    fileSystem->failCopies = true;
    s.receive(QStringList{a}, false);
    EXPECT_TRUE(s.addToShelf(std::nullopt, "Léto"));
    const ShelfItem item = s.shelves().first().items.first();
    EXPECT_FALSE(item.storedPath.has_value());
    EXPECT_FALSE(item.bookmark.isEmpty());
    EXPECT_EQ(s.resolve(item), a);
}

TEST_F(ShelvesTest, RenamingMovesTheFolderAndRewritesTokens)
{
    KelvaroStore& s = emptyStore({"a.jpg"});
    s.addToShelf(std::nullopt, "Léto");
    const QUuid id = s.shelves().first().id;
    s.createShelf("Zima");
    EXPECT_TRUE(s.shelfNameTaken("  zIMA "));
    EXPECT_FALSE(s.shelfNameTaken("  lÉTO ", id));

    s.updateShelf(id, "zima", "star.fill", 3); // taken
    EXPECT_EQ(s.shelves().first().name, "Léto");

    s.updateShelf(id, " Léto 2024 ", "star.fill", 3);
    const Shelf& shelf = s.shelves().first();
    EXPECT_EQ(shelf.name, "Léto 2024");
    EXPECT_EQ(shelf.symbol, "star.fill");
    EXPECT_EQ(shelf.colorIndex, 3);
    EXPECT_EQ(shelf.items.first().storedPath, QStringLiteral("out:Police/Léto 2024/a.jpg"));
    EXPECT_TRUE(s.resolve(shelf.items.first()).has_value());
    EXPECT_FALSE(QDir(path("out/Police/Léto")).exists());
}

TEST_F(ShelvesTest, ASharedFolderIsNotRenamed)
{
    KelvaroStore& s = emptyStore({"a.jpg"});
    s.addToShelf(std::nullopt, "Léto");
    s.createShelf("...Léto"); // shares the folder-safe name "Léto"
    const QUuid id = s.shelves().first().id;
    s.updateShelf(id, "Jaro", "folder.fill", 0);
    EXPECT_EQ(s.shelves().first().name, "Jaro");
    EXPECT_EQ(s.shelves().first().items.first().storedPath, QStringLiteral("out:Police/Léto/a.jpg"));
    EXPECT_TRUE(QFileInfo::exists(path("out/Police/Léto/a.jpg")));
}

TEST_F(ShelvesTest, DeletingAShelfDeletesItsCopiesButNotOtherFiles)
{
    KelvaroStore& s = emptyStore({"a.jpg", "b.jpg"});
    s.addToShelf(std::nullopt, "Léto");
    s.addToShelf(std::nullopt, "Zima");
    touch("out/Police/Zima/mine.txt");
    s.deleteShelf(s.shelves()[0].id);
    s.deleteShelf(s.shelves()[0].id);
    EXPECT_TRUE(s.shelves().isEmpty());
    EXPECT_FALSE(QDir(path("out/Police/Léto")).exists());
    EXPECT_EQ(QDir(path("out/Police/Zima")).entryList(QDir::Files), QStringList{"mine.txt"});
}

TEST_F(ShelvesTest, RemovingAndMovingItems)
{
    KelvaroStore& s = emptyStore({"a.jpg", "b.jpg"});
    s.addToShelf(std::nullopt, "Léto");
    s.createShelf("Zima");
    const QUuid leto = s.shelves()[0].id, zima = s.shelves()[1].id;
    const QUuid a = s.shelves()[0].items[0].id, b = s.shelves()[0].items[1].id;

    s.moveItem(a, leto, leto);
    EXPECT_EQ(s.shelves()[0].items.size(), 2);

    s.moveItem(a, leto, zima);
    EXPECT_EQ(s.shelves()[0].items.size(), 1);
    ASSERT_EQ(s.shelves()[1].items.size(), 1);
    EXPECT_EQ(s.shelves()[1].items[0].storedPath, QStringLiteral("out:Police/Zima/a.jpg"));
    EXPECT_EQ(s.statusMessage(), QStringLiteral("„a.jpg“ je na polici „Zima“."));
    EXPECT_EQ(s.shelvedFiles(), 2);

    s.removeItem(b, leto);
    EXPECT_TRUE(s.shelves()[0].items.isEmpty());
    EXPECT_FALSE(QDir(path("out/Police/Léto")).exists());
    s.removeItem(QUuid::createUuid(), QUuid::createUuid()); // unknown: nothing
    EXPECT_EQ(s.shelves().size(), 2);
}

TEST_F(ShelvesTest, LoadingAShelfIntoTheWheel)
{
    KelvaroStore& s = emptyStore({"a.jpg", "b.jpg"});
    s.addToShelf(std::nullopt, "Léto");
    const Shelf shelf = s.shelves().first();
    s.receive(QStringList{touch("in/other.jpg")}, false);
    s.setSidebarSelection(SidebarItem::shelves);

    s.loadShelfIntoWheel(shelf);
    EXPECT_EQ(s.droppedFiles(), (QStringList{path("out/Police/Léto/a.jpg"), path("out/Police/Léto/b.jpg")}));
    EXPECT_EQ(s.sidebarSelection(), SidebarItem::home);

    QDir(path("out/Police/Léto")).removeRecursively();
    s.receive(QStringList{touch("in/other.jpg")}, false);
    s.setSidebarSelection(SidebarItem::shelves);
    s.loadShelfIntoWheel(shelf);
    EXPECT_EQ(s.droppedFiles(), QStringList{path("in/other.jpg")});
    EXPECT_EQ(s.sidebarSelection(), SidebarItem::shelves);
}

TEST_F(ShelvesTest, DemoShelvesNeverTouchTheRealFolders)
{
    KelvaroStore& s = emptyStore({"a.jpg"});
    s.addToShelf(std::nullopt, "Léto");
    const QByteArray saved = storedLibrary();

    const Shelf demo = shelf("Léto", {"out:Police/Léto/a.jpg"});
    s.enterDemo({}, {demo});
    s.updateShelf(demo.id, "Jaro", "folder.fill", 0);
    s.removeItem(demo.items.first().id, demo.id);
    EXPECT_TRUE(s.addToShelf(std::nullopt, "Demo"));
    s.deleteShelf(demo.id);
    s.syncShelvesWithDisk();

    EXPECT_TRUE(QFileInfo::exists(out + "/Police/Léto/a.jpg"));
    EXPECT_FALSE(QDir(out + "/Police/Demo").exists());
    EXPECT_FALSE(QDir(out + "/Police/Jaro").exists());
    EXPECT_EQ(storedLibrary(), saved);
    s.exitDemo();
    EXPECT_EQ(s.shelves().first().name, "Léto");
}


// Links in the shelf folders: the user's files outside the output folder, and another shelf's
// copies, are never changed by an operation reached through a link; a link itself may go or move.
enum class ShelfOp { remove, move, rename, deleteShelf };

struct LinkRow {
    const char* name;
    const char* shelf;  // the shelf acted on, adopted from its folder
    const char* item;   // the item acted on (remove, move)
    ShelfOp op;
    const char* target; // the shelf a move goes to
    const char* gone;   // an entry below the temporary folder that must be gone afterwards
    const char* link;   // an entry that must be a link afterwards
};

class ShelfLinksTest : public ShelvesTest, public ::testing::WithParamInterface<LinkRow> {
protected:
    // The real files below `folder`, links neither listed nor followed, with their bytes.
    QMap<QString, QByteArray> realFiles(const QString& folder) const
    {
        QMap<QString, QByteArray> files;
        QDirIterator it(path(folder), QDir::Files | QDir::Hidden | QDir::System | QDir::NoSymLinks, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString file = it.next();
            files.insert(file, readFile(file));
        }
        return files;
    }

    static int indexOf(const QList<Shelf>& shelves, const QString& name)
    {
        for (int i = 0; i < shelves.size(); ++i) {
            if (shelves[i].name == name)
                return i;
        }
        return -1;
    }
};

TEST_P(ShelfLinksTest, OnlyTheOutputFoldersOwnFilesChange)
{
    const LinkRow& row = GetParam();
    touch("mine/a.jpg", "the user's a");
    touch("mine/b.jpg", "the user's b");
    touch("out/Police/Zima/z.jpg", "the shelf Zima's copy");
    touch("out/Police/Jinam/j.jpg");
    touch("out/Police/Léto/own.jpg", "Léto's own copy");
    ASSERT_TRUE(QFile::link(path("mine"), path("out/Police/Moje")));                  // a linked shelf folder
    ASSERT_TRUE(QFile::link(path("mine/a.jpg"), path("out/Police/Léto/a.jpg")));      // a linked item
    ASSERT_TRUE(QFile::link(path("out/Police/Zima"), path("out/Police/Odkaz")));      // a folder linked into a shelf
    ASSERT_TRUE(QFile::link(QStringLiteral("../Zima/z.jpg"), path("out/Police/Léto/z.jpg"))); // an item linked into a shelf

    KelvaroStore& s = emptyStore();
    s.syncShelvesWithDisk();
    const int index = indexOf(s.shelves(), QString::fromUtf8(row.shelf));
    ASSERT_GE(index, 0) << row.shelf;
    const Shelf shelf = s.shelves()[index];
    const auto item = std::find_if(shelf.items.begin(), shelf.items.end(),
                                   [&](const ShelfItem& i) { return i.name == QString::fromUtf8(row.item); });
    ASSERT_TRUE(row.op == ShelfOp::rename || row.op == ShelfOp::deleteShelf || item != shelf.items.end()) << row.item;
    const auto userFiles = realFiles("mine");
    const auto otherShelf = realFiles("out/Police/Zima");

    switch (row.op) {
    case ShelfOp::remove:
        s.removeItem(item->id, shelf.id);
        EXPECT_EQ(s.shelves()[index].items.size(), shelf.items.size() - 1);
        break;
    case ShelfOp::move:
        s.moveItem(item->id, shelf.id, s.shelves()[indexOf(s.shelves(), QString::fromUtf8(row.target))].id);
        EXPECT_EQ(s.shelves()[indexOf(s.shelves(), QString::fromUtf8(row.target))].items.last().id, item->id);
        break;
    case ShelfOp::rename:
        s.updateShelf(shelf.id, shelf.name + QStringLiteral(" 2"), shelf.symbol, shelf.colorIndex);
        EXPECT_EQ(s.shelves()[index].name, shelf.name + QStringLiteral(" 2"));
        break;
    case ShelfOp::deleteShelf:
        s.deleteShelf(shelf.id);
        EXPECT_EQ(indexOf(s.shelves(), shelf.name), -1);
        break;
    }

    EXPECT_EQ(realFiles("mine"), userFiles);
    EXPECT_EQ(realFiles("out/Police/Zima"), otherShelf);
    if (row.gone) {
        EXPECT_FALSE(QFileInfo(path(QString::fromUtf8(row.gone))).isSymLink() || QFileInfo::exists(path(QString::fromUtf8(row.gone))))
            << row.gone;
    }
    if (row.link) {
        EXPECT_TRUE(QFileInfo(path(QString::fromUtf8(row.link))).isSymLink()) << row.link;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Shelves, ShelfLinksTest,
    ::testing::Values(
        LinkRow{"LinkedFolderRemove", "Moje", "a.jpg", ShelfOp::remove, nullptr, nullptr, "out/Police/Moje"},
        LinkRow{"LinkedFolderMove", "Moje", "a.jpg", ShelfOp::move, "Jinam", "out/Police/Jinam/a.jpg", "out/Police/Moje"},
        LinkRow{"LinkedFolderRename", "Moje", nullptr, ShelfOp::rename, nullptr, "out/Police/Moje", "out/Police/Moje 2"},
        LinkRow{"LinkedFolderDelete", "Moje", nullptr, ShelfOp::deleteShelf, nullptr, "out/Police/Moje", nullptr},
        LinkRow{"LinkedItemRemove", "Léto", "a.jpg", ShelfOp::remove, nullptr, "out/Police/Léto/a.jpg", nullptr},
        LinkRow{"LinkedItemMove", "Léto", "a.jpg", ShelfOp::move, "Jinam", "out/Police/Léto/a.jpg", "out/Police/Jinam/a.jpg"},
        LinkRow{"LinkedItemsShelfDelete", "Léto", nullptr, ShelfOp::deleteShelf, nullptr, "out/Police/Léto", nullptr},
        LinkRow{"FolderIntoShelfRemove", "Odkaz", "z.jpg", ShelfOp::remove, nullptr, nullptr, "out/Police/Odkaz"},
        LinkRow{"FolderIntoShelfMove", "Odkaz", "z.jpg", ShelfOp::move, "Jinam", "out/Police/Jinam/z.jpg", nullptr},
        LinkRow{"FolderIntoShelfDelete", "Odkaz", nullptr, ShelfOp::deleteShelf, nullptr, "out/Police/Odkaz", nullptr},
        LinkRow{"ItemIntoShelfRemove", "Léto", "z.jpg", ShelfOp::remove, nullptr, "out/Police/Léto/z.jpg", nullptr},
        LinkRow{"ItemIntoShelfMove", "Léto", "z.jpg", ShelfOp::move, "Jinam", nullptr, "out/Police/Jinam/z.jpg"},
        LinkRow{"CopyIntoLinkedFolder", "Léto", "own.jpg", ShelfOp::move, "Moje", "mine/own.jpg", nullptr}),
    RowName());

// A shelf folder that is a link, or a linked shelves folder, is someone else's place: a file put on
// the shelf is kept in the application's own store instead, and nothing is made there, so every
// copy the shelf holds can also be removed again.
struct LinkedPlaceRow {
    const char* name;
    const char* linkAt; // below the temporary folder
    const char* shelf;  // the shelf the file goes to (adopted from its folder or new)
};

class LinkedEntriesTest : public ShelvesTest {
protected:
    // Every entry below `folder`, links not followed, files with their bytes.
    QStringList entries(const QString& folder) const
    {
        QStringList found;
        QDirIterator it(path(folder), QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString entry = it.next();
            found.append(it.fileInfo().isFile() ? entry + QLatin1Char('=') + QString::fromUtf8(readFile(entry)) : entry);
        }
        found.sort();
        return found;
    }
};

class LinkedPlaceTest : public LinkedEntriesTest, public ::testing::WithParamInterface<LinkedPlaceRow> {};

TEST_P(LinkedPlaceTest, AFileAddedThereIsNotCopiedThere)
{
    const LinkedPlaceRow& row = GetParam();
    touch("elsewhere/Léto/own.jpg", "the user's own");
    ASSERT_TRUE(QDir().mkpath(QFileInfo(path(QString::fromUtf8(row.linkAt))).absolutePath()));
    ASSERT_TRUE(QFile::link(path("elsewhere"), path(QString::fromUtf8(row.linkAt))));
    KelvaroStore& s = emptyStore({QStringLiteral("new.jpg")});
    s.syncShelvesWithDisk();
    const auto before = entries("elsewhere");
    std::optional<QUuid> shelfId = QUuid::createUuid();
    for (const Shelf& shelf : s.shelves()) {
        if (shelf.name == QString::fromUtf8(row.shelf))
            shelfId = shelf.id;
    }

    EXPECT_TRUE(s.addToShelf(shelfId, QString::fromUtf8(row.shelf)));
    EXPECT_EQ(entries("elsewhere"), before);
    const QList<Shelf> shelves = s.shelves();
    const auto shelf = std::find_if(shelves.begin(), shelves.end(), [&](const Shelf& x) { return x.name == QString::fromUtf8(row.shelf); });
    ASSERT_NE(shelf, shelves.end());
    const auto item = std::find_if(shelf->items.begin(), shelf->items.end(), [](const ShelfItem& i) { return i.name == "new.jpg"; });
    ASSERT_NE(item, shelf->items.end());
    ASSERT_TRUE(item->storedPath.has_value());
    const auto copy = ShelfStorage::url(*item->storedPath);
    ASSERT_TRUE(copy.has_value());
    EXPECT_EQ(readFile(*copy), "x");

    s.removeItem(item->id, shelf->id);
    EXPECT_FALSE(QFileInfo::exists(*copy)); // the copy was the application's own
    EXPECT_EQ(entries("elsewhere"), before);
}

INSTANTIATE_TEST_SUITE_P(Shelves, LinkedPlaceTest,
                         ::testing::Values(LinkedPlaceRow{"LinkedShelvesFolder", "out/Police", "Léto"},
                                           LinkedPlaceRow{"LinkedShelvesFolderNewShelf", "out/Police", "Nová"},
                                           LinkedPlaceRow{"LinkedShelfFolder", "out/Police/Moje", "Moje"}),
                         RowName());

// With the shelves folder itself a link, every shelf is someone else's folder: no operation changes
// a file or folder there.
class LinkedShelvesFolderTest : public LinkedEntriesTest, public ::testing::WithParamInterface<ShelfOp> {};

TEST_P(LinkedShelvesFolderTest, NoOperationChangesTheLinkedFolder)
{
    const ShelfOp op = GetParam();
    touch("elsewhere/Léto/own.jpg", "the user's own");
    touch("elsewhere/Zima/z.jpg", "another");
    ASSERT_TRUE(QFile::link(path("elsewhere"), path("out/Police")));
    ASSERT_TRUE(QFile::link(path("elsewhere/gone.jpg"), path("elsewhere/Léto/dangling.jpg")));
    KelvaroStore& s = emptyStore();
    s.syncShelvesWithDisk();
    const auto before = entries("elsewhere");
    const auto indexOf = [&](const QString& name) {
        for (int i = 0; i < s.shelves().size(); ++i) {
            if (s.shelves()[i].name == name)
                return i;
        }
        return -1;
    };
    ASSERT_GE(indexOf("Léto"), 0);
    ASSERT_GE(indexOf("Zima"), 0);
    const Shelf leto = s.shelves()[indexOf("Léto")];
    ASSERT_FALSE(leto.items.isEmpty());
    for (const ShelfItem& item : leto.items) {
        switch (op) {
        case ShelfOp::remove:
            s.removeItem(item.id, leto.id);
            break;
        case ShelfOp::move:
            s.moveItem(item.id, leto.id, s.shelves()[indexOf("Zima")].id);
            break;
        default:
            break;
        }
    }
    if (op == ShelfOp::rename)
        s.updateShelf(leto.id, QStringLiteral("Jaro"), leto.symbol, leto.colorIndex);
    if (op == ShelfOp::deleteShelf)
        s.deleteShelf(leto.id);
    EXPECT_EQ(entries("elsewhere"), before);
    EXPECT_TRUE(QFileInfo(path("out/Police")).isSymLink());
}

INSTANTIATE_TEST_SUITE_P(Shelves, LinkedShelvesFolderTest,
                         ::testing::Values(ShelfOp::remove, ShelfOp::move, ShelfOp::rename, ShelfOp::deleteShelf));

} // namespace
} // namespace kelvaro::test
