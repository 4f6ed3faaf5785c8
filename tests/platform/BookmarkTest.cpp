#include <filesystem>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QScopeGuard>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "platform/Bookmark.h"
#include "platform/NativePath.h"
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

// A folder or file whose name is not UTF-8, given whole or relative to the current folder, is
// remembered by its bytes and found again: the blob is valid UTF-8 JSON whatever the bytes.
TEST(Bookmark, aPathWhoseNameIsNotUtf8IsRememberedAndFoundByItsBytes)
{
    QTemporaryDir dir;
    const QByteArray base = NativePath::encoded(dir.path());
    // QTemporaryDir would miss names that are not UTF-8.
    const auto removeAll = qScopeGuard([&] { std::filesystem::remove_all((base + "/v\xe9sledky").toStdString()); });
    ASSERT_EQ(::mkdir((base + "/v\xe9sledky").constData(), 0777), 0);
    const int fd = ::open((base + "/v\xe9sledky/caf\xe9.jpg").constData(), O_WRONLY | O_CREAT | O_EXCL, 0666);
    ASSERT_GE(fd, 0);
    ::close(fd);
    const struct {
        const char* name;
        QByteArray given;
        QByteArray workingFolder;
        QByteArray remembered;
    } rows[] = {
        {"folder", base + "/v\xe9sledky", {}, base + "/v\xe9sledky"},
        {"fileInThatFolder", base + "/v\xe9sledky/caf\xe9.jpg", {}, base + "/v\xe9sledky/caf\xe9.jpg"},
        {"relativeFolder", "v\xe9sledky", base, base + "/v\xe9sledky"},
        {"relativeFile", "./caf\xe9.jpg", base + "/v\xe9sledky", base + "/v\xe9sledky/caf\xe9.jpg"},
    };
    const QByteArray startedIn = QFile::encodeName(QDir::currentPath());
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        if (!row.workingFolder.isEmpty()) {
            ASSERT_EQ(::chdir(row.workingFolder.constData()), 0);
        }
        const QByteArray blob = Bookmark::create(NativePath::decoded(row.given));
        ASSERT_EQ(::chdir(startedIn.constData()), 0);
        ASSERT_FALSE(blob.isEmpty());
        EXPECT_EQ(QString::fromUtf8(blob).toUtf8(), blob);
        EXPECT_EQ(NativePath::encoded(Bookmark::storedPath(blob)), row.remembered);
        const auto resolved = Bookmark::resolve(blob);
        ASSERT_TRUE(resolved);
        EXPECT_EQ(NativePath::encoded(resolved->path), row.remembered);
        EXPECT_FALSE(resolved->stale);
        EXPECT_TRUE(Bookmark::identifies(blob, NativePath::decoded(row.remembered)));
    }
}
