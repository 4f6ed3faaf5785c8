// The file-system seam on real files, folders and symbolic links.
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

// A linked folder goes as a link, links inside a removed folder are not followed, a dangling link
// is removed and a missing folder is no success.
TEST_F(FileSystemTest, RemovingFoldersNeverFollowsLinks)
{
    const QString kept = writeFile("elsewhere/a.jpg");
    const QString keptDeep = writeFile("elsewhere/inner/b.jpg");
    const QString keptFile = writeFile("single.jpg");
    const QString shelf = link(path("elsewhere"), "shelves/ABC");
    EXPECT_TRUE(files.removeFolder(shelf));
    EXPECT_FALSE(QFileInfo(shelf).isSymLink());
    EXPECT_FALSE(QFileInfo::exists(shelf));
    EXPECT_TRUE(QDir(path("shelves")).exists());

    writeFile("shelf/own.jpg");
    writeFile("shelf/sub/own.jpg");
    link(path("elsewhere"), "shelf/folderLink");
    link(path("single.jpg"), "shelf/sub/fileLink");
    EXPECT_TRUE(files.removeFolder(path("shelf")));
    EXPECT_FALSE(QFileInfo::exists(path("shelf")));
    for (const QString& file : {kept, keptDeep, keptFile})
        EXPECT_TRUE(QFileInfo::exists(file)) << file.toStdString();

    const QString dangling = link(path("gone"), "shelves/ABC");
    EXPECT_TRUE(files.removeFolder(dangling));
    EXPECT_FALSE(QFileInfo(dangling).isSymLink());
    EXPECT_FALSE(files.removeFolder(path("never")));
}

// A finished result takes the place of the empty file that reserved its name; a missing one
// leaves the reservation as it was.
TEST_F(FileSystemTest, MovingOverAReservedNameReplacesIt)
{
    const QString reserved = path("IMG.jpg");
    test::writeFile(reserved, {});
    const QString finished = writeFile(".kelvaro-1.part");
    EXPECT_TRUE(files.moveOver(finished, reserved));
    EXPECT_EQ(test::readFile(reserved), QByteArray("photo"));
    EXPECT_FALSE(QFileInfo::exists(finished));

    test::writeFile(reserved, {});
    EXPECT_FALSE(files.moveOver(path("gone.part"), reserved));
    EXPECT_TRUE(QFileInfo::exists(reserved));
    EXPECT_EQ(QFileInfo(reserved).size(), 0);
}

} // namespace
} // namespace kelvaro::test
