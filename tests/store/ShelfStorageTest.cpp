// Shelf copies on disk and their tokens.
#include <QStandardPaths>

#include "StoreTestSupport.h"
#include "store/ShelfStorage.h"

namespace kelvaro::test {
namespace {

class ShelfStorageTest : public StoreTest {
protected:
    static QString legacy() { return *ShelfStorage::legacyRoot(); }
};

TEST(ShelfStorageNames, FolderSafeForm)
{
    const std::pair<const char*, const char*> rows[] = {
        {" Dovolená: léto/2024 ", "Dovolená- léto-2024"}, {"...tajné", "tajné"}, {"   ", "Police"}, {"...", "Police"},
        {"", "Police"}, {"a\\b", "a-b"}, {"x\ty\nz", "x-y-z"}, {". skryté", " skryté"}, {"Léto ", "Léto"}};
    for (const auto& [name, safe] : rows)
        EXPECT_EQ(ShelfStorage::safeName(QString::fromUtf8(name)), QString::fromUtf8(safe)) << name;
}

TEST_F(ShelfStorageTest, CopiesGetFreeNamesInTheShelfFolder)
{
    const QString out = rememberOutput();
    const QString a = image("src/a.jpg");
    const QString shelf = QStringLiteral(" Dovolená: léto/2024 ");
    EXPECT_EQ(ShelfStorage::copyIn(a, shelf, *fileSystem), QStringLiteral("out:Police/Dovolená- léto-2024/a.jpg"));
    EXPECT_EQ(ShelfStorage::copyIn(a, shelf, *fileSystem), QStringLiteral("out:Police/Dovolená- léto-2024/a 2.jpg"));
    const auto third = ShelfStorage::copyIn(a, shelf, *fileSystem);
    EXPECT_EQ(third, QStringLiteral("out:Police/Dovolená- léto-2024/a 3.jpg"));
    EXPECT_EQ(ShelfStorage::url(*third), out + QStringLiteral("/Police/Dovolená- léto-2024/a 3.jpg"));
    EXPECT_EQ(QImage(*ShelfStorage::url(*third)).size(), QSize(48, 32));

    const QString plain = touch("src/notes");
    EXPECT_EQ(ShelfStorage::copyIn(plain, "Léto", *fileSystem), QStringLiteral("out:Police/Léto/notes"));
    EXPECT_EQ(ShelfStorage::copyIn(plain, "Léto", *fileSystem), QStringLiteral("out:Police/Léto/notes 2"));

    // A hidden file dropped directly: its leading dot is no extension separator.
    const QString dotted = touch("src/.poznamky");
    EXPECT_EQ(ShelfStorage::copyIn(dotted, "Léto", *fileSystem), QStringLiteral("out:Police/Léto/.poznamky"));
    EXPECT_EQ(ShelfStorage::copyIn(dotted, "Léto", *fileSystem), QStringLiteral("out:Police/Léto/.poznamky 2"));
}

TEST_F(ShelfStorageTest, WithoutAnOutputFolderCopiesGoToTheFallbackRoot)
{
    const QString a = touch("src/a.jpg", "photo");
    const auto token = ShelfStorage::copyIn(a, "Léto", *fileSystem);
    ASSERT_TRUE(token.has_value());
    const QStringList parts = token->split('/');
    ASSERT_EQ(parts.size(), 2);
    EXPECT_EQ(parts[0], parts[0].toUpper());
    EXPECT_FALSE(QUuid::fromString(parts[0]).isNull());
    EXPECT_EQ(parts[1], "a.jpg");
    const auto file = ShelfStorage::url(*token);
    ASSERT_TRUE(file.has_value());
    EXPECT_TRUE(file->startsWith(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + "/Kelvaro/Shelves/"));

    ShelfStorage::remove(token, *fileSystem);
    EXPECT_FALSE(QFileInfo::exists(legacy() + "/" + parts[0]));
    EXPECT_TRUE(QFileInfo::exists(legacy()));
}

TEST_F(ShelfStorageTest, RemovingAFallbackCopyWhoseFolderIsALinkLeavesTheLinkedFiles)
{
    const auto token = ShelfStorage::copyIn(touch("src/a.jpg", "photo"), "Léto", *fileSystem);
    ASSERT_TRUE(token.has_value());
    const QString copyFolder = legacy() + "/" + token->split('/').first();
    ASSERT_TRUE(QDir(copyFolder).removeRecursively());
    const QString userFile = touch("photos/a.jpg", "the user's own");
    touch("photos/more/b.jpg");
    ASSERT_TRUE(QFile::link(path("photos"), copyFolder));
    ASSERT_TRUE(ShelfStorage::url(*token).has_value());

    ShelfStorage::remove(token, *fileSystem);
    EXPECT_FALSE(QFileInfo(copyFolder).isSymLink());
    EXPECT_TRUE(QFileInfo::exists(userFile));
    EXPECT_TRUE(QFileInfo::exists(path("photos/more/b.jpg")));
    EXPECT_TRUE(QFileInfo::exists(legacy()));
}

TEST_F(ShelfStorageTest, AFailedShelfCopyFallsBackAndAFailedFallbackLeavesNothing)
{
    const QString out = rememberOutput();
    const QString a = touch("src/a.jpg");
    fileSystem->failing.insert(out + "/Police/Léto/a.jpg");
    const auto token = ShelfStorage::copyIn(a, "Léto", *fileSystem);
    ASSERT_TRUE(token.has_value());
    EXPECT_FALSE(token->startsWith("out:"));

    fileSystem->failCopies = true;
    const QStringList before = QDir(legacy()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
    EXPECT_FALSE(ShelfStorage::copyIn(a, "Léto", *fileSystem).has_value());
    EXPECT_EQ(QDir(legacy()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), before);
}

// Only tokens of the shapes written here are followed: a lax join could reach any of these files.
TEST_F(ShelfStorageTest, ABadTokenResolvesToNothingAndRemovesNothing)
{
    const QString out = rememberOutput();
    const QString inOut = touch("out/x", "keep");
    const QString inPolice = touch("out/Police/x", "keep");
    const QString inShelf = touch("out/Police/Léto/x", "keep");
    const QString outside = touch("x", "keep");
    const QString inLegacy = legacy() + "/x";
    writeFile(inLegacy, {});
    for (const char* bad : {"out:Police/../x", "./x", "/etc/x", "out:/tmp/x", "out:$TMP/x", "$TMP/x", "out:Police/Léto/../x",
                            "out:Police//x", "out:Police/./x", "out:Other/a/x", "out:Police/Léto/x/y", "out:x", "x",
                            "not-a-uuid/x", "", "out:", "../x", "12345678-1234-1234-1234-123456789ABC/..",
                            "12345678-1234-1234-1234-123456789ABC/"}) {
        const QString token = QString::fromUtf8(bad).replace("$TMP", temp.path());
        EXPECT_FALSE(ShelfStorage::url(token).has_value()) << bad;
        EXPECT_FALSE(ShelfStorage::parseToken(token).has_value()) << bad;
        ShelfStorage::remove(token, *fileSystem);
        EXPECT_FALSE(ShelfStorage::move(token, "Jinam", *fileSystem).has_value()) << bad;
    }
    for (const QString& file : {inOut, inPolice, inShelf, outside, inLegacy})
        EXPECT_TRUE(QFileInfo::exists(file)) << file.toStdString();
    EXPECT_TRUE(QDir(legacy()).exists());
    EXPECT_TRUE(QDir(out).exists());
}

TEST_F(ShelfStorageTest, RemovingTheLastFileRemovesItsFolder)
{
    rememberOutput();
    const QString a = touch("src/a.jpg"), b = touch("src/b.jpg");
    const auto ta = ShelfStorage::copyIn(a, "Léto", *fileSystem);
    const auto tb = ShelfStorage::copyIn(b, "Léto", *fileSystem);
    const QString folder = *ShelfStorage::folder("Léto");
    ShelfStorage::remove(ta, *fileSystem);
    EXPECT_TRUE(QDir(folder).exists());
    EXPECT_FALSE(QFileInfo::exists(folder + "/a.jpg"));
    ShelfStorage::remove(tb, *fileSystem);
    EXPECT_FALSE(QDir(folder).exists());

    // A hidden file keeps the folder.
    const auto tc = ShelfStorage::copyIn(a, "Zima", *fileSystem);
    touch("out/Police/Zima/.directory");
    ShelfStorage::remove(tc, *fileSystem);
    EXPECT_TRUE(QDir(*ShelfStorage::folder("Zima")).exists());
}

TEST_F(ShelfStorageTest, RenamingAFolder)
{
    rememberOutput();
    const auto token = ShelfStorage::copyIn(touch("src/a.jpg"), "Léto", *fileSystem);
    ShelfStorage::copyIn(touch("src/b.jpg"), "Zima", *fileSystem);

    EXPECT_FALSE(ShelfStorage::renameFolder("Léto", "Léto ", *fileSystem).has_value());
    EXPECT_FALSE(ShelfStorage::renameFolder("Léto", "Zima", *fileSystem).has_value());
    EXPECT_TRUE(QFileInfo::exists(path("out/Police/Léto/a.jpg")));
    EXPECT_TRUE(QFileInfo::exists(path("out/Police/Zima/b.jpg")));

    const auto prefixes = ShelfStorage::renameFolder("Léto", "Léto: 2024", *fileSystem);
    ASSERT_TRUE(prefixes.has_value());
    EXPECT_EQ(prefixes->first, QStringLiteral("out:Police/Léto/"));
    EXPECT_EQ(prefixes->second, QStringLiteral("out:Police/Léto- 2024/"));
    EXPECT_TRUE(QFileInfo::exists(path("out/Police/Léto- 2024/a.jpg")));
    EXPECT_FALSE(ShelfStorage::url(*token).has_value());
}

TEST_F(ShelfStorageTest, MovingACopyToAnotherShelf)
{
    rememberOutput();
    const auto token = ShelfStorage::copyIn(touch("src/a.jpg"), "Léto", *fileSystem);
    ShelfStorage::copyIn(touch("src/a.jpg"), "Zima", *fileSystem);
    const auto moved = ShelfStorage::move(*token, "Zima", *fileSystem);
    EXPECT_EQ(moved, QStringLiteral("out:Police/Zima/a 2.jpg"));
    EXPECT_FALSE(QDir(path("out/Police/Léto")).exists());

    forgetOutputFolder();
    const auto legacyToken = ShelfStorage::copyIn(touch("src/c.jpg"), "Léto", *fileSystem);
    rememberOutput();
    EXPECT_FALSE(ShelfStorage::move(*legacyToken, "Zima", *fileSystem).has_value());
    EXPECT_TRUE(ShelfStorage::url(*legacyToken).has_value());
}

TEST_F(ShelfStorageTest, StudioDemoPhotosResolveButAreNeverRemoved)
{
    QDir().mkpath(legacy() + "/_ScreenshotDemo");
    writeFile(legacy() + "/_ScreenshotDemo/p1.jpg", {});
    EXPECT_EQ(ShelfStorage::url("_ScreenshotDemo/p1.jpg"), legacy() + "/_ScreenshotDemo/p1.jpg");
    ShelfStorage::remove(QStringLiteral("_ScreenshotDemo/p1.jpg"), *fileSystem);
    EXPECT_TRUE(QFileInfo::exists(legacy() + "/_ScreenshotDemo/p1.jpg"));
}

} // namespace
} // namespace kelvaro::test
