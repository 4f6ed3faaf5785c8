// Listing a watched folder: which files, in which order, under which keys; the count words.
#include <fcntl.h>
#include <unistd.h>

#include <limits>

#include <QScopeGuard>

#include "WatcherFixture.h"
#include "platform/NativePath.h"

using namespace kelvaro;
using namespace kelvaro::testing;

namespace {

class WatchScanTest : public WatcherFixture {
protected:
    QString path(const QString& name) const { return in(name); }
    QStringList listedNames() const
    {
        QStringList names;
        const auto listing = WatchScan::list(inDir);
        EXPECT_TRUE(listing.has_value());
        for (const WatchCandidate& c : listing.value_or(QList<WatchCandidate>()))
            names.append(QFileInfo(c.path).fileName());
        return names;
    }
};

TEST_F(WatchScanTest, unlistableFoldersGiveNone)
{
    EXPECT_FALSE(WatchScan::list(path("missing")).has_value());
    writeFile(path("photo.jpg"), "x");
    EXPECT_FALSE(WatchScan::list(path("photo.jpg")).has_value());
    QDir(inDir).mkdir("empty");
    const auto empty = WatchScan::list(path("empty"));
    ASSERT_TRUE(empty.has_value());
    EXPECT_TRUE(empty->isEmpty());
    if (geteuid() != 0) { // root reads every folder
        QDir(inDir).mkdir("locked");
        QFile::setPermissions(path("locked"), QFileDevice::WriteOwner);
        EXPECT_FALSE(WatchScan::list(path("locked")).has_value());
        QFile::setPermissions(path("locked"), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    }
}

TEST_F(WatchScanTest, listsOnlyImagesDirectlyInsideSortedByCodePoints)
{
    for (const char* name : {"beach.JPG", "beach.Jpeg", "b.heic", "c.heif", "d.tif", "e.tiff", "f.webp", "g.bmp",
                             "anim.gif", "scan.pdf", "noext", "notes.txt", ".cover.jpg", "jpg", "IMG_9.jpg", "a.png",
                             "IMG_10.jpg", "Z.jpg", "z.jpg", "A.jpg", "\xc3\xa9t\xc3\xa9.jpg"})
        writeFile(path(QString::fromUtf8(name)), "x");
    QDir(inDir).mkpath("sub");
    writeFile(path("sub/inner.jpg"), "x");
    QDir(inDir).mkpath("holiday.jpg");
    QFile::link(path("a.png"), path("link.png"));

    EXPECT_EQ(listedNames(), (QStringList{"A.jpg", "IMG_10.jpg", "IMG_9.jpg", "Z.jpg", "a.png", "b.heic", "beach.JPG",
                                          "beach.Jpeg", "c.heif", "d.tif", "e.tiff", "f.webp", "g.bmp", "z.jpg",
                                          QString::fromUtf8("\xc3\xa9t\xc3\xa9.jpg")}));
}

// A name that is not UTF-8 is listed like any other, and its path names the file.
TEST_F(WatchScanTest, aNameThatIsNotUtf8IsListedWithAPathThatOpensIt)
{
    const QByteArray raw = NativePath::encoded(inDir) + "/bad-\xff\xfe.jpg";
    const int fd = ::open(raw.constData(), O_WRONLY | O_CREAT | O_EXCL, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::write(fd, "photo", 5), 5);
    ::close(fd);
    const auto removeFile = qScopeGuard([&] { ::unlink(raw.constData()); }); // Qt's listing would not find it
    const auto listing = WatchScan::list(inDir);
    ASSERT_TRUE(listing.has_value());
    ASSERT_EQ(listing->size(), 1);
    EXPECT_EQ(NativePath::encoded(listing->first().path), raw);
    EXPECT_TRUE(listing->first().key.endsWith(QStringLiteral("|5")));
}

TEST_F(WatchScanTest, emptyFileWaitsForContent)
{
    writeFile(path("new.jpg"), QByteArray());
    EXPECT_TRUE(listedNames().isEmpty());
    writeFile(path("new.jpg"), QByteArray(123, 'x'));
    const auto listing = WatchScan::list(inDir);
    ASSERT_EQ(listing->size(), 1);
    EXPECT_TRUE(listing->first().key.endsWith(QStringLiteral("|123")));
    EXPECT_EQ(listing->first().path, path("new.jpg"));
}

TEST_F(WatchScanTest, keyIsNameSecondsSize)
{
    const struct {
        const char* name;
        qint64 msecs;
        int size;
        const char* key;
    } rows[] = {{"IMG_1.heic", 75'900, 520, "IMG_1.heic|75|520"},
                {"old.jpg", -75'900, 3, "old.jpg|-75|3"},
                {"a|b.jpg", 1'700'000'000'999, 1, "a|b.jpg|1700000000|1"},
                {"Beach.JPG", 1'000, 10, "Beach.JPG|1|10"}};
    for (const auto& row : rows) {
        QTemporaryDir one;
        const QString file = one.filePath(QString::fromUtf8(row.name));
        writeFile(file, QByteArray(row.size, 'x'));
        setModified(file, row.msecs);
        EXPECT_EQ(WatchScan::list(one.path())->value(0).key, QString::fromUtf8(row.key));
    }
}

TEST_F(WatchScanTest, wordsInBothLanguagesAndExtremeCounts)
{
    const struct {
        qint64 count;
        const char *files, *folders;
    } rows[] = {{0, "0 souborů", "0 složek"}, {1, "1 soubor", "1 složku"},     {2, "2 soubory", "2 složky"},
                {4, "4 soubory", "4 složky"}, {5, "5 souborů", "5 složek"},   {12, "12 souborů", "12 složek"},
                {22, "22 souborů", "22 složek"}, {-1, "-1 souborů", "-1 složek"}};
    for (const auto& row : rows) {
        EXPECT_EQ(WatchScan::filesWord(row.count), QString::fromUtf8(row.files));
        EXPECT_EQ(WatchScan::foldersWord(row.count), QString::fromUtf8(row.folders));
    }
    Settings::shared().setValue(QStringLiteral("kelvaro.language"), QStringLiteral("en"));
    EXPECT_EQ(WatchScan::filesWord(1), QStringLiteral("1 file"));
    EXPECT_EQ(WatchScan::filesWord(3), QStringLiteral("3 files"));
    EXPECT_EQ(WatchScan::foldersWord(7), QStringLiteral("7 folders"));
    EXPECT_FALSE(WatchScan::filesWord(std::numeric_limits<qint64>::min()).isEmpty());
}

} // namespace
