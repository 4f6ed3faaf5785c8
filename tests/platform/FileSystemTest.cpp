// The store's file-system seam on real folders and symbolic links.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "platform/FileSystem.h"
#include "../support/TestSupport.h"

namespace kelvaro::test {
namespace {

class FileSystemTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(temp.isValid()); }

    QString path(const QString& relative) const { return temp.filePath(relative); }

    QString writeFile(const QString& relative)
    {
        const QString file = path(relative);
        QDir().mkpath(QFileInfo(file).absolutePath());
        test::writeFile(file, "photo");
        return file;
    }

    QString link(const QString& target, const QString& relative)
    {
        const QString at = path(relative);
        QDir().mkpath(QFileInfo(at).absolutePath());
        EXPECT_TRUE(QFile::link(target, at));
        return at;
    }

    QTemporaryDir temp;
    FileSystem files;
};

TEST_F(FileSystemTest, RemovingALinkedFolderRemovesOnlyTheLink)
{
    const QString kept = writeFile("elsewhere/a.jpg");
    const QString keptDeep = writeFile("elsewhere/inner/b.jpg");
    const QString shelf = link(path("elsewhere"), "shelves/ABC");

    EXPECT_TRUE(files.removeFolder(shelf));
    EXPECT_FALSE(QFileInfo(shelf).isSymLink());
    EXPECT_FALSE(QFileInfo::exists(shelf));
    EXPECT_TRUE(QFileInfo::exists(kept));
    EXPECT_TRUE(QFileInfo::exists(keptDeep));
    EXPECT_TRUE(QDir(path("shelves")).exists());
}

TEST_F(FileSystemTest, LinksInsideARemovedFolderAreNotFollowed)
{
    const QString keptInFolder = writeFile("elsewhere/a.jpg");
    const QString keptFile = writeFile("single.jpg");
    writeFile("shelf/own.jpg");
    writeFile("shelf/sub/own.jpg");
    link(path("elsewhere"), "shelf/folderLink");
    link(path("single.jpg"), "shelf/sub/fileLink");

    EXPECT_TRUE(files.removeFolder(path("shelf")));
    EXPECT_FALSE(QFileInfo::exists(path("shelf")));
    EXPECT_TRUE(QFileInfo::exists(keptInFolder));
    EXPECT_TRUE(QFileInfo::exists(keptFile));
    // A dangling link is removed; a missing folder is no success.
    const QString dangling = link(path("gone"), "shelves/ABC");
    EXPECT_TRUE(files.removeFolder(dangling));
    EXPECT_FALSE(QFileInfo(dangling).isSymLink());
    EXPECT_FALSE(files.removeFolder(path("never")));
}

} // namespace
} // namespace kelvaro::test
