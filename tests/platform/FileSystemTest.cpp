// The file-system seam on real files, folders and symbolic links.
#include <cerrno>
#include <filesystem>
#include <functional>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "platform/FileSystem.h"
#include "platform/NativePath.h"
#include "../support/SmallDisk.h"
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

// Copies and moves (a shelf's files, undo's copy back) keep names that are not UTF-8, of the file
// or of a folder on either side, and never write over a taken name.
TEST_F(FileSystemTest, CopiesAndMovesKeepNamesThatAreNotUtf8)
{
    const QByteArray base = NativePath::encoded(temp.path());
    // QTemporaryDir would miss names that are not UTF-8.
    const auto removeAll = qScopeGuard([&] { std::filesystem::remove_all(base.toStdString()); });
    const std::pair<QByteArray, QByteArray> rows[] = {
        {"v\xe9sledky/a.jpg", "shelf/a.jpg"},
        {"in/caf\xe9.jpg", "shelf/caf\xe9.jpg"},
        {"in/b.jpg", "v\xe9sledky/b.jpg"},
    };
    const auto put = [](const QString& file, const QByteArray& bytes) {
        const int fd = ::open(NativePath::encoded(file).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::write(fd, bytes.constData(), size_t(bytes.size())), bytes.size());
        ::close(fd);
    };
    for (const bool move : {false, true}) {
        for (const auto& [from, to] : rows) {
            SCOPED_TRACE((move ? "move " : "copy ") + from.toStdString() + " → " + to.toStdString());
            for (const QByteArray& folder : {from, to})
                ::mkdir((base + "/" + folder.left(folder.indexOf('/'))).constData(), 0777);
            const QString source = NativePath::decoded(base + "/" + from);
            const QString target = NativePath::decoded(base + "/" + to);
            ::unlink(NativePath::encoded(target).constData());
            put(source, from);

            EXPECT_TRUE(move ? files.moveFile(source, target) : files.copyFile(source, target));
            EXPECT_EQ(test::readFile(target), from);
            EXPECT_EQ(test::readFile(source).isEmpty(), move);
            if (move)
                continue;
            put(source, "other");
            EXPECT_FALSE(files.copyFile(source, target));
            EXPECT_FALSE(files.moveFile(source, target));
            EXPECT_EQ(test::readFile(target), from);
        }
    }
}

// Bytes that differ at every position, so a piece of them is never mistaken for the whole.
QByteArray pattern(qsizetype size, char seed)
{
    QByteArray bytes(size, Qt::Uninitialized);
    for (qsizetype i = 0; i < size; ++i)
        bytes[i] = char(seed + i * 7 % 251);
    return bytes;
}

// A write cut short anywhere, as a full disk cuts it, or refused at the sync, leaves the previous
// file byte for byte and nothing beside it; a whole write replaces it and keeps its permissions.
TEST_F(FileSystemTest, AWholeWriteReplacesTheFileOrLeavesItAsItWas)
{
    const struct {
        const char* name;
        qint64 budget; // bytes the disk takes; -1: all
        int error;     // the failure it gives; 0: ENOSPC
        int syncError; // the sync's failure; 0: none
        int expected;
    } rows[] = {
        {"whole", -1, 0, 0, 0},
        {"nothing written", 0, 0, 0, ENOSPC},
        {"a first block", 4096, 0, 0, ENOSPC},
        {"all but the last byte", 40 * 1024 - 1, 0, 0, ENOSPC},
        {"an input/output error", 10000, EIO, 0, EIO},
        {"sync refused", -1, 0, EDQUOT, EDQUOT},
    };
    const QByteArray previous = pattern(30 * 1024, 'a');
    const QByteArray next = pattern(40 * 1024, 'k');
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const QString file = path(QStringLiteral("kelvaro.json"));
        test::writeFile(file, previous);
        ASSERT_TRUE(QFile::setPermissions(file, QFile::ReadOwner | QFile::WriteOwner));
        FailingFileSystem disk;
        disk.writeBudget = row.budget;
        disk.writeError = row.error;
        disk.syncError = row.syncError;

        EXPECT_EQ(disk.writeWhole(file, next), row.expected);
        EXPECT_EQ(test::readFile(file), row.expected == 0 ? next : previous);
        EXPECT_FALSE(QFile::permissions(file) & (QFileDevice::ReadGroup | QFileDevice::ReadOther)); // kept private
        EXPECT_EQ(QDir(temp.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("kelvaro.json")});
    }
}

// A file kept elsewhere behind a link is replaced where it lies, and the link stays.
TEST_F(FileSystemTest, AWholeWriteThroughALinkKeepsTheLink)
{
    const QString kept = writeFile(QStringLiteral("dotfiles/kelvaro.json"));
    const QString linked = link(kept, QStringLiteral("config/kelvaro.json"));
    EXPECT_EQ(files.writeWhole(linked, "new"), 0);
    EXPECT_TRUE(QFileInfo(linked).isSymLink());
    EXPECT_EQ(test::readFile(kept), QByteArray("new"));
}

// Links as the system follows them: a relative target read from the link's real folder (".."
// leaves the folder the link lies in, not the one its path names), names not UTF-8 kept byte for
// byte, chains of links. The write lands on the file a reader of the settings would open.
TEST_F(FileSystemTest, AWholeWriteThroughALinkReachesTheFileTheLinkLeadsTo)
{
    const QByteArray root = NativePath::encoded(temp.path());
    const auto make = [&](const QByteArray& relative) {
        const QByteArray at = root + '/' + relative;
        std::filesystem::create_directories(std::filesystem::path(at.toStdString()).parent_path());
        return at;
    };
    const auto symlink = [&](const QByteArray& target, const QByteArray& relative) {
        ASSERT_EQ(::symlink(target.constData(), make(relative).constData()), 0) << relative.constData();
    };
    const auto put = [&](const QByteArray& relative) {
        const int fd = ::open(make(relative).constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::write(fd, "old", 3), 3);
        ::close(fd);
    };
    const auto read = [&](const QByteArray& relative) {
        const int fd = ::open((root + '/' + relative).constData(), O_RDONLY | O_CLOEXEC);
        if (fd < 0)
            return QByteArray("(none)");
        QByteArray bytes(64, '\0');
        bytes.truncate(std::max<ssize_t>(::read(fd, bytes.data(), bytes.size()), 0));
        ::close(fd);
        return bytes;
    };
    // QTemporaryDir cannot remove names that are not UTF-8.
    const auto cleared = qScopeGuard([&] { std::filesystem::remove_all(root.toStdString()); });
    const struct {
        const char* name;
        std::function<void()> prepare;
        QByteArray written; // the settings file's path
        QByteArray kept;    // where the content must land
        QByteArray untouched;
    } rows[] = {
        {"a relative link in a linked folder",
         [&] {
             put("real/settings.json");
             make("real/app/x");
             symlink(root + "/real/app", "config/app");
             symlink("../settings.json", "real/app/kelvaro.json");
         },
         "config/app/kelvaro.json", "real/settings.json", "config/settings.json"},
        {"a target whose names are not UTF-8",
         [&] {
             put("sl\xe9\xff/n\xe1stroje.json");
             symlink("../sl\xe9\xff/n\xe1stroje.json", "c2/kelvaro.json");
         },
         "c2/kelvaro.json", "sl\xe9\xff/n\xe1stroje.json", "sl\xc3\xa9/n\xc3\xa1stroje.json"},
        {"a chain through a linked folder",
         [&] {
             put("deep/end.json");
             make("deep/a/b/x");
             symlink(root + "/deep/a/b", "c3/b");
             symlink("../../end.json", "deep/a/b/second");
             symlink("b/second", "c3/kelvaro.json");
         },
         "c3/kelvaro.json", "deep/end.json", "end.json"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        row.prepare();
        EXPECT_EQ(files.writeWhole(NativePath::decoded(root + '/' + row.written), "new"), 0);
        struct stat info {};
        EXPECT_TRUE(::lstat((root + '/' + row.written).constData(), &info) == 0 && S_ISLNK(info.st_mode));
        EXPECT_EQ(read(row.kept), QByteArray("new"));
        EXPECT_EQ(read(row.written), QByteArray("new"));
        EXPECT_EQ(read(row.untouched), QByteArray("(none)"));
    }
}

// The same on a real disk that fills up: room for a small file but not for the new content.
TEST_F(FileSystemTest, AWholeWriteOnAFullDiskLeavesThePreviousFile)
{
    const QString folder = path(QStringLiteral("small"));
    SmallDisk disk(folder, 64 * 1024);
    if (!disk.isMounted())
        GTEST_SKIP() << disk.whyNot().toStdString();
    const QString file = folder + QStringLiteral("/kelvaro.json");
    const QByteArray previous = pattern(30 * 1024, 'a');
    test::writeFile(file, previous);
    disk.fillLeaving(16 * 1024);

    EXPECT_EQ(FileSystem::standard().writeWhole(file, pattern(31 * 1024, 'k')), ENOSPC);
    EXPECT_EQ(test::readFile(file), previous);
    EXPECT_EQ(QDir(folder).entryList(QDir::Files | QDir::Hidden), (QStringList{QStringLiteral("filler"), QStringLiteral("kelvaro.json")}));

    const QByteArray small = pattern(8 * 1024, 'q');
    EXPECT_EQ(FileSystem::standard().writeWhole(file, small), 0);
    EXPECT_EQ(test::readFile(file), small);
}

} // namespace
} // namespace kelvaro::test
