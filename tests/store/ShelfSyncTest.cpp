// Shelves following their folders on disk.
#include <fcntl.h>
#include <unistd.h>

#include "StoreTestSupport.h"
#include "platform/NativePath.h"
#include "store/ShelfStorage.h"

namespace kelvaro::test {
namespace {

class ShelfSyncTest : public StoreTest {
protected:
    void SetUp() override
    {
        StoreTest::SetUp();
        out = rememberOutput();
    }

    KelvaroStore& storeWith(const QList<Shelf>& shelves)
    {
        KelvaroStore& s = makeStore(fakeProcess);
        s.setActivities({});
        s.setShelves(shelves);
        s.save();
        return s;
    }

    static QStringList names(const Shelf& shelf)
    {
        QStringList list;
        for (const ShelfItem& item : shelf.items)
            list.append(item.name);
        return list;
    }

    QString out;
};

TEST_F(ShelfSyncTest, ARenamedFolderTakesItsShelfAlong)
{
    touch("out/Police/Léto 2024/a.jpg");
    touch("out/Police/Léto 2024/b.jpg");
    KelvaroStore& s = storeWith({shelf("Léto", {"out:Police/Léto/a.jpg", "out:Police/Léto/b.jpg"})});
    SignalCounter changes(&s, &KelvaroStore::shelvesChanged);
    s.syncShelvesWithDisk();
    ASSERT_EQ(s.shelves().size(), 1);
    EXPECT_EQ(s.shelves()[0].name, "Léto 2024");
    EXPECT_EQ(s.shelves()[0].items[0].storedPath, QStringLiteral("out:Police/Léto 2024/a.jpg"));
    EXPECT_EQ(s.shelves()[0].items[1].storedPath, QStringLiteral("out:Police/Léto 2024/b.jpg"));
    EXPECT_EQ(changes.count, 1);
    EXPECT_TRUE(storedLibrary().contains("Léto 2024"));
    EXPECT_EQ(s.heldFolder(), out);
}

TEST_F(ShelfSyncTest, TheFirstMatchingFolderByNameWinsAndClaimedOnesAreSkipped)
{
    touch("out/Police/B/a.jpg");
    touch("out/Police/A/a.jpg");
    touch("out/Police/Zima/a.jpg"); // claimed by the other shelf's name
    KelvaroStore& s = storeWith({shelf("Léto", {"out:Police/Léto/a.jpg"}), shelf("Zima", {})});
    s.syncShelvesWithDisk();
    EXPECT_EQ(s.shelves()[0].name, "A");
    // B is now an unclaimed folder: it becomes a shelf of its own.
    ASSERT_EQ(s.shelves().size(), 3);
    EXPECT_EQ(s.shelves()[2].name, "B");
}

TEST_F(ShelfSyncTest, AFolderNamedLikeAnotherShelfIsNotAdopted)
{
    touch("out/Police/zima/a.jpg");
    KelvaroStore& s = storeWith({shelf("Léto", {"out:Police/Léto/a.jpg"}), shelf("Zima", {"out:Police/Jinde/x.jpg"})});
    s.syncShelvesWithDisk();
    EXPECT_EQ(s.shelves()[0].name, "Léto");
    EXPECT_EQ(s.shelves()[0].items.size(), 0); // its file is gone
    EXPECT_EQ(s.shelves().size(), 2);
}

TEST_F(ShelfSyncTest, NewFolderBecomesAShelfInFileManagerOrder)
{
    touch("out/Police/Nová/b.jpg");
    touch("out/Police/Nová/a10.jpg");
    touch("out/Police/Nová/a2.jpg", "12345");
    touch("out/Police/Nová/.hidden.jpg");
    touch("out/Police/Nová/sub/inner.jpg");
    makeFolder("out/Police/Prázdná");
    makeFolder("out/Police/prázdná"); // differing only in case: the same shelf
    KelvaroStore& s = storeWith({shelf("Stará", {})});
    s.syncShelvesWithDisk();
    ASSERT_EQ(s.shelves().size(), 3);
    const Shelf& nova = s.shelves()[1];
    EXPECT_EQ(nova.name, "Nová");
    EXPECT_EQ(nova.symbol, "folder.fill");
    EXPECT_EQ(nova.colorIndex, 1);
    EXPECT_EQ(names(nova), (QStringList{"a2.jpg", "a10.jpg", "b.jpg"}));
    EXPECT_EQ(nova.items[0].bytes, 5);
    EXPECT_TRUE(nova.items[0].bookmark.isEmpty());
    EXPECT_EQ(nova.items[0].storedPath, QStringLiteral("out:Police/Nová/a2.jpg"));
    EXPECT_EQ(s.shelves()[2].name, "Prázdná");
    EXPECT_TRUE(s.shelves()[2].items.isEmpty());
    EXPECT_EQ(s.resolve(nova.items[1]), out + "/Police/Nová/a10.jpg");
}

TEST_F(ShelfSyncTest, FilesDeletedOrAddedByHand)
{
    touch("out/Police/Léto/keep.jpg");
    touch("out/Police/Léto/added.jpg");
    touch("out/Police/Zima/shared.jpg");
    Shelf leto = shelf("Léto", {"out:Police/Léto/keep.jpg", "out:Police/Léto/gone.jpg", "out:Police/../x.jpg",
                                "out:Police/Zima/shared.jpg"});
    leto.items.append(shelf("x", {"elsewhere.jpg"}).items.first());
    leto.items.last().storedPath.reset(); // kept by bookmark
    KelvaroStore& s = storeWith({leto, shelf("Zima", {})});
    s.syncShelvesWithDisk();
    EXPECT_EQ(names(s.shelves()[0]), (QStringList{"keep.jpg", "x.jpg", "shared.jpg", "elsewhere.jpg", "added.jpg"}));
    // "Zima" already has its file listed by "Léto": not added twice.
    EXPECT_TRUE(s.shelves()[1].items.isEmpty());
}

// A copy whose name is not UTF-8, stored by an earlier version under the name as text (U+FFFD in
// place of the byte), which therefore named no file: one pass puts the copy that is there on the
// shelf in its place, under its own bytes, with its size; an item read from the store resolves.
TEST_F(ShelfSyncTest, ACopyStoredUnderTheNameAsTextIsTakenInByItsBytes)
{
    const QByteArray copy = NativePath::encoded(path("out/Police/Léto")) + "/caf\xe9.jpg";
    touch("out/Police/Léto/b.jpg");
    const int fd = ::open(copy.constData(), O_WRONLY | O_CREAT | O_EXCL, 0666);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::write(fd, "12345", 5), 5);
    ::close(fd);
    KelvaroStore& s = storeWith({shelf("Léto", {"out:Police/Léto/caf\uFFFD.jpg", "out:Police/Léto/b.jpg"})});
    s.syncShelvesWithDisk();
    ASSERT_EQ(s.shelves().size(), 1);
    const QList<ShelfItem> items = s.shelves()[0].items;
    ASSERT_EQ(items.size(), 2);
    EXPECT_EQ(items[1].name, QStringLiteral("caf\uFFFD.jpg"));
    EXPECT_EQ(items[1].bytes, 5);
    ASSERT_TRUE(items[1].storedPath);
    const auto file = ShelfStorage::url(*items[1].storedPath);
    ASSERT_TRUE(file);
    EXPECT_EQ(NativePath::encoded(*file), copy);
    // As stored and read back.
    KelvaroStore& again = makeStore(fakeProcess);
    ASSERT_EQ(again.shelves().size(), 1);
    EXPECT_EQ(again.shelves()[0].items, items);
    ::unlink(copy.constData()); // Qt's listing would not find it
}

TEST_F(ShelfSyncTest, WithoutAPoliceFolderNothingChangesOrIsSaved)
{
    KelvaroStore& s = storeWith({shelf("Léto", {"out:Police/Léto/a.jpg"})});
    const QByteArray before = storedLibrary();
    const QList<Shelf> shelves = s.shelves();
    SignalCounter changes(&s, &KelvaroStore::shelvesChanged);
    s.syncShelvesWithDisk();
    EXPECT_EQ(s.shelves(), shelves);
    EXPECT_EQ(storedLibrary(), before);
    EXPECT_EQ(changes.count, 0);

    forgetOutputFolder();
    s.syncShelvesWithDisk();
    EXPECT_EQ(s.shelves(), shelves);
}

TEST_F(ShelfSyncTest, AnUnchangedDiskChangesNothing)
{
    KelvaroStore& s = storeWith({});
    s.receive(QStringList{touch("in/a.jpg")}, false);
    s.addToShelf(std::nullopt, "Léto");
    const QByteArray before = storedLibrary();
    SignalCounter changes(&s, &KelvaroStore::shelvesChanged);
    s.syncShelvesWithDisk();
    s.syncShelvesWithDisk();
    EXPECT_EQ(changes.count, 0);
    EXPECT_EQ(storedLibrary(), before);
}

TEST_F(ShelfSyncTest, ADanglingLinkIsNoFileAndNeverChurns)
{
    touch("out/Police/Léto/a.jpg");
    ASSERT_TRUE(QFile::link(path("nowhere.jpg"), path("out/Police/Léto/dead.jpg")));
    KelvaroStore& s = storeWith({shelf("Léto", {"out:Police/Léto/a.jpg"})});
    s.syncShelvesWithDisk();
    EXPECT_EQ(names(s.shelves()[0]), QStringList{"a.jpg"});
    const QByteArray before = storedLibrary();
    SignalCounter changes(&s, &KelvaroStore::shelvesChanged);
    s.syncShelvesWithDisk();
    EXPECT_EQ(changes.count, 0);
    EXPECT_EQ(storedLibrary(), before);
}

TEST_F(ShelfSyncTest, ADeletedShelfsLeftoverFolderComesBack)
{
    KelvaroStore& s = storeWith({});
    s.receive(QStringList{touch("in/a.jpg")}, false);
    s.addToShelf(std::nullopt, "Léto");
    touch("out/Police/Léto/mine.jpg");
    s.deleteShelf(s.shelves().first().id);
    s.syncShelvesWithDisk();
    ASSERT_EQ(s.shelves().size(), 1);
    EXPECT_EQ(names(s.shelves().first()), QStringList{"mine.jpg"});
}

} // namespace
} // namespace kelvaro::test
