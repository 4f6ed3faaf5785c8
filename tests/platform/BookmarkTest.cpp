#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "platform/Bookmark.h"
#include "../support/TestSupport.h"

using namespace kelvaro;

TEST(Bookmark, resolvesAnUnchangedFolderFreshARenamedOneNotAndNothingForAMissingPathOrGarbage)
{
    QTemporaryDir dir;
    EXPECT_TRUE(Bookmark::create(dir.path() + QStringLiteral("/missing")).isEmpty());
    EXPECT_FALSE(Bookmark::resolve({}));
    EXPECT_FALSE(Bookmark::resolve("garbage"));
    EXPECT_FALSE(Bookmark::resolve("{\"path\":5}"));
    EXPECT_TRUE(Bookmark::storedPath("garbage").isEmpty());

    const QString folder = dir.path() + QStringLiteral("/Fotky ž");
    ASSERT_TRUE(QDir().mkpath(folder));
    const QByteArray blob = Bookmark::create(folder);
    ASSERT_FALSE(blob.isEmpty());
    const auto r = Bookmark::resolve(blob);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->path, folder);
    EXPECT_FALSE(r->stale);
    EXPECT_EQ(Bookmark::storedPath(blob), folder);
    EXPECT_TRUE(Bookmark::identifies(blob, folder));
    // Unclean paths are stored clean.
    ASSERT_TRUE(QDir().mkpath(dir.path() + QStringLiteral("/a/b")));
    EXPECT_EQ(Bookmark::storedPath(Bookmark::create(dir.path() + QStringLiteral("/a/./b/../b"))), dir.path() + QStringLiteral("/a/b"));
    EXPECT_TRUE(Bookmark::startAccess(QStringLiteral("/nowhere")));
    // Renamed, the folder is still identified, but no longer found where it was.
    ASSERT_TRUE(QDir().rename(folder, dir.path() + QStringLiteral("/after")));
    EXPECT_TRUE(Bookmark::identifies(blob, dir.path() + QStringLiteral("/after")));
    EXPECT_FALSE(Bookmark::resolve(blob));
}

// A folder deleted is gone; one recreated at the path, or a file replaced under its name, is stale.
TEST(Bookmark, deletedIsGoneAndRecreatedOrReplacedIsStale)
{
    QTemporaryDir dir;
    const QString folder = dir.path() + QStringLiteral("/out");
    ASSERT_TRUE(QDir().mkpath(folder));
    const QByteArray blob = Bookmark::create(folder);
    ASSERT_TRUE(QDir(folder).removeRecursively());
    EXPECT_FALSE(Bookmark::resolve(blob));
    // Where the file system keeps no birth time, only a new inode tells the folders apart:
    // occupy the freed one first.
    ASSERT_TRUE(QDir().mkpath(dir.path() + QStringLiteral("/other")));
    ASSERT_TRUE(QDir().mkpath(folder));
    const auto r = Bookmark::resolve(blob);
    ASSERT_TRUE(r);
    EXPECT_TRUE(r->stale);
    EXPECT_FALSE(Bookmark::identifies(blob, folder));

    const QString path = dir.path() + QStringLiteral("/a.jpg");
    test::writeFile(path, {});
    const QByteArray file = Bookmark::create(path);
    // Safe-save style replacement: a new file renamed over the old one.
    test::writeFile(path + QStringLiteral(".tmp"), {});
    ASSERT_EQ(::rename(QFile::encodeName(path + QStringLiteral(".tmp")).constData(), QFile::encodeName(path).constData()), 0);
    EXPECT_TRUE(Bookmark::resolve(file)->stale);
}
