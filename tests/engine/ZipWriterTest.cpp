#include <cstring>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <zlib.h>

#include "../support/TestSupport.h"
#include "engine/ZipWriter.h"

using namespace kelvaro;
using kelvaro::test::failsWith;
using kelvaro::test::readFile;

namespace {

quint16 u16(const QByteArray& b, qsizetype at)
{
    return quint16(quint8(b[at]) | quint8(b[at + 1]) << 8);
}

quint32 u32(const QByteArray& b, qsizetype at)
{
    return quint32(u16(b, at)) | quint32(u16(b, at + 2)) << 16;
}

struct ParsedEntry {
    QByteArray name;
    quint16 flags = 0, method = 0, time = 0, date = 0;
    quint32 crc = 0, size = 0, offset = 0;
    QByteArray data;
};

// Walks the archive as a reader would (end record → central directory → local headers) and checks
// that both views of every entry agree.
QList<ParsedEntry> parse(const QByteArray& zip)
{
    QList<ParsedEntry> entries;
    [&] {
        ASSERT_GE(zip.size(), 22);
        const qsizetype end = zip.size() - 22;
        ASSERT_EQ(u32(zip, end), 0x06054B50u);
        const quint16 count = u16(zip, end + 10);
        ASSERT_EQ(u16(zip, end + 8), count);
        const quint32 cdSize = u32(zip, end + 12);
        const quint32 cdOffset = u32(zip, end + 16);
        ASSERT_EQ(qsizetype(cdOffset) + cdSize, end);
        qsizetype at = cdOffset;
        for (int i = 0; i < count; ++i) {
            ASSERT_EQ(u32(zip, at), 0x02014B50u);
            ParsedEntry e;
            EXPECT_EQ(u16(zip, at + 4), 20);
            EXPECT_EQ(u16(zip, at + 6), 20);
            e.flags = u16(zip, at + 8);
            e.method = u16(zip, at + 10);
            e.time = u16(zip, at + 12);
            e.date = u16(zip, at + 14);
            e.crc = u32(zip, at + 16);
            e.size = u32(zip, at + 20);
            EXPECT_EQ(u32(zip, at + 24), e.size);
            const quint16 nameLength = u16(zip, at + 28);
            EXPECT_EQ(u32(zip, at + 30), 0u); // no extra field, no comment
            EXPECT_EQ(u32(zip, at + 38), 0u);
            e.offset = u32(zip, at + 42);
            e.name = zip.mid(at + 46, nameLength);
            // The local header repeats the central one from the version needed to the extra length.
            EXPECT_EQ(u32(zip, e.offset), 0x04034B50u);
            EXPECT_EQ(zip.mid(e.offset + 4, 26), zip.mid(at + 6, 26));
            EXPECT_EQ(zip.mid(e.offset + 30, nameLength), e.name);
            e.data = zip.mid(e.offset + 30 + nameLength, e.size);
            entries.append(e);
            at += 46 + nameLength;
        }
        EXPECT_EQ(at, end);
    }();
    return entries;
}

// Info-ZIP's own test of every entry (CRC included).
void expectUnzipAccepts(const QString& archive, int entries)
{
    QProcess unzip;
    unzip.start(QStringLiteral("unzip"), {QStringLiteral("-t"), archive});
    ASSERT_TRUE(unzip.waitForFinished(30000));
    const QString output = QString::fromUtf8(unzip.readAllStandardOutput() + unzip.readAllStandardError());
    if (entries == 0) {
        // an empty archive is valid; unzip only warns about it
        EXPECT_TRUE(output.contains("zipfile is empty")) << output.toStdString();
        return;
    }
    EXPECT_EQ(unzip.exitCode(), 0) << output.toStdString();
    EXPECT_TRUE(output.contains("No errors detected")) << output.toStdString();
}

class ZipFiles : public ::testing::Test {
protected:
    QString file(const QString& relative, const QByteArray& content)
    {
        const QString path = dir.filePath(relative);
        QDir().mkpath(QFileInfo(path).path());
        test::writeFile(path, content);
        return path;
    }
    QString target(const QString& name = QStringLiteral("out.zip")) { return dir.filePath(name); }

    QTemporaryDir dir;
};

} // namespace

TEST(ZipDosStamp, packsLocalTimeWithHalvedSecondsAndClampsTheYear)
{
    const auto [time, date] = ZipWriter::dosStamp(QDateTime(QDate(2026, 12, 6), QTime(13, 45, 37)));
    EXPECT_EQ(time, (13 << 11) | (45 << 5) | 18); // 13:45:36
    EXPECT_EQ(date, (46 << 9) | (12 << 5) | 6);
    EXPECT_EQ(ZipWriter::dosStamp(QDateTime(QDate(1970, 1, 1), QTime(0, 0, 0))).second, (0 << 9) | (1 << 5) | 1);
    EXPECT_EQ(ZipWriter::dosStamp(QDateTime(QDate(2200, 3, 4), QTime(0, 0, 0))).second, (127 << 9) | (3 << 5) | 4);
    EXPECT_EQ(ZipWriter::dosStamp(QDateTime(QDate(2107, 12, 31), QTime(23, 59, 59))),
              std::make_pair(quint16((23 << 11) | (59 << 5) | 29), quint16((127 << 9) | (12 << 5) | 31)));
}

TEST(ZipNames, numbersTakenNamesBeforeTheExtension)
{
    const std::pair<QStringList, QStringList> rows[] = {
        {{"IMG_1.jpg", "IMG_1.jpg", "IMG_1 2.jpg"}, {"IMG_1.jpg", "IMG_1 2.jpg", "IMG_1 2 2.jpg"}},
        {{"README", "README", "README"}, {"README", "README 2", "README 3"}},
        {{"a.tar.gz", "a.tar.gz"}, {"a.tar.gz", "a.tar 2.gz"}},
        {{"a 2.jpg", "a.jpg", "a.jpg"}, {"a 2.jpg", "a.jpg", "a 3.jpg"}},
        {{"x.jpg", "X.jpg"}, {"x.jpg", "X.jpg"}}, // exact comparison
        {{".profile", ".profile"}, {".profile", ".profile 2"}}};
    for (const auto& [given, expected] : rows) {
        ZipWriter::UsedNames used;
        QStringList got;
        for (const QString& name : given)
            got << used.take(name);
        EXPECT_EQ(got, expected);
    }
}

TEST(ZipNamesMany, thousandsOfDuplicatesStayUniqueAndFast)
{
    ZipWriter::UsedNames used;
    QSet<QString> seen;
    for (int i = 0; i < 65534; ++i)
        seen.insert(used.take(QStringLiteral("IMG.jpg")));
    EXPECT_EQ(seen.size(), 65534);
    EXPECT_TRUE(seen.contains("IMG 65534.jpg"));
}

TEST_F(ZipFiles, anEmptyListGivesOnlyTheEndRecord)
{
    ZipWriter::write({}, target());
    EXPECT_EQ(readFile(target()).size(), 22);
    EXPECT_TRUE(parse(readFile(target())).isEmpty());
    expectUnzipAccepts(target(), 0);
}

TEST_F(ZipFiles, storesEveryFileUnchangedWithUtf8NamesAndOneStamp)
{
    QByteArray big(300000, Qt::Uninitialized); // spans more than one read chunk
    for (qsizetype i = 0; i < big.size(); ++i)
        big[i] = char(QRandomGenerator::global()->bounded(256));
    const QStringList files{file("a/IMG_1.jpg", "first"), file("b/IMG_1.jpg", "second"), file("Dovolená.jpg", big),
                            file("prázdný", QByteArray()), file("c/IMG_1 2.jpg", "third")};
    const QDateTime before = QDateTime::currentDateTime();
    ZipWriter::write(files, target());
    const QDateTime after = QDateTime::currentDateTime();

    const QList<ParsedEntry> entries = parse(readFile(target()));
    ASSERT_EQ(entries.size(), 5);
    const QStringList names{"IMG_1.jpg", "IMG_1 2.jpg", "Dovolená.jpg", "prázdný", "IMG_1 2 2.jpg"};
    for (int i = 0; i < 5; ++i) {
        SCOPED_TRACE(names[i].toStdString());
        EXPECT_EQ(entries[i].name, names[i].toUtf8());
        EXPECT_EQ(entries[i].flags, 0x0800);
        EXPECT_EQ(entries[i].method, 0);
        EXPECT_EQ(entries[i].data, readFile(files[i]));
        EXPECT_EQ(entries[i].crc, ZipWriter::crc32(readFile(files[i])));
        EXPECT_EQ(entries[i].time, entries[0].time);
        EXPECT_EQ(entries[i].date, entries[0].date);
    }
    EXPECT_EQ(entries[3].size, 0u);
    EXPECT_EQ(entries[3].crc, 0u);
    EXPECT_EQ(entries[0].offset, 0u);
    // the stamp is the moment writing began, in local time
    const auto stamps = {ZipWriter::dosStamp(before), ZipWriter::dosStamp(after)};
    EXPECT_TRUE(std::find(stamps.begin(), stamps.end(), std::make_pair(entries[0].time, entries[0].date)) != stamps.end());
    expectUnzipAccepts(target(), 5);
}

// A file of several of the writer's read chunks, which carries its CRC from one chunk to the
// next: zlib's own CRC over the bytes read back must be the one the archive gives, or every
// reader refuses the entry.
TEST_F(ZipFiles, aFileOfManyReadChunksKeepsItsCrc)
{
    QByteArray big(5 * (1 << 20) + 12345, Qt::Uninitialized); // random bytes: as a photo, incompressible
    QRandomGenerator random(57);
    for (qsizetype i = 0; i + 4 <= big.size(); i += 4) {
        const quint32 word = random.generate();
        std::memcpy(big.data() + i, &word, 4);
    }
    const QStringList files{file("big.jpg", big), file("after.jpg", "after")};
    ZipWriter::write(files, target());

    const QList<ParsedEntry> entries = parse(readFile(target()));
    ASSERT_EQ(entries.size(), 2);
    for (int i = 0; i < 2; ++i) {
        SCOPED_TRACE(i);
        const QByteArray& data = entries[i].data;
        EXPECT_EQ(data, readFile(files[i]));
        EXPECT_EQ(entries[i].crc, quint32(::crc32_z(0, reinterpret_cast<const Bytef*>(data.constData()), size_t(data.size()))));
    }
}

TEST_F(ZipFiles, replacesAnExistingTargetButNeverWritesThroughASymbolicLink)
{
    file("out.zip", QByteArray(5000, 'x'));
    ZipWriter::write({file("one.txt", "1")}, target());
    EXPECT_EQ(parse(readFile(target())).size(), 1);
    expectUnzipAccepts(target(), 1);

    const QString precious = file("precious.jpg", "keep me");
    ASSERT_TRUE(QFile::link(precious, target("link.zip")));
    EXPECT_THROW(ZipWriter::write({file("one.txt", "1")}, target("link.zip")), KelvaroError);
    EXPECT_EQ(readFile(precious), "keep me");
}

TEST_F(ZipFiles, tooManyFilesAreRefusedBeforeTouchingTheDisk)
{
    QStringList files;
    for (int i = 0; i < 65535; ++i)
        files << QStringLiteral("/nonexistent/%1.jpg").arg(i);
    EXPECT_TRUE(failsWith(KelvaroError::Kind::tooLarge, {}, [&] { ZipWriter::write(files, target()); }));
    EXPECT_FALSE(QFile::exists(target()));
}

TEST_F(ZipFiles, limitsOfTheClassicFormat)
{
    const QString a = file("a.bin", QByteArray(100, 'a'));
    const QString b = file("b.bin", QByteArray(100, 'b'));
    struct Case {
        const char* what;
        ZipWriter::detail::Limits limits;
        bool refused;
    };
    const QList<Case> cases{
        {"entry count", {1, 1000, 1000}, true},
        {"file size", {10, 99, 1000}, true},
        {"exact file size", {10, 100, 1000}, false},
        // each entry starts within the limit, but the central directory would not (30+5+100 twice)
        {"central directory start", {10, 1000, 269}, true},
        {"central directory start exactly at the limit", {10, 1000, 270}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QFile::remove(target());
        if (c.refused) {
            EXPECT_TRUE(failsWith(KelvaroError::Kind::tooLarge, {}, [&] { ZipWriter::detail::write({a, b}, target(), c.limits); }));
        } else {
            ZipWriter::detail::write({a, b}, target(), c.limits);
            expectUnzipAccepts(target(), 2);
        }
    }
}

TEST_F(ZipFiles, failuresNameTheInputOrTheArchive)
{
    // An unreadable input keeps what was written before it: the first entry, no central directory.
    EXPECT_TRUE(failsWith(KelvaroError::Kind::unreadable, "chybí.jpg",
                          [&] { ZipWriter::write({file("ok.jpg", "fine"), dir.filePath("chybí.jpg")}, target()); }));
    EXPECT_EQ(readFile(target()).size(), 30 + 6 + 4);
    EXPECT_TRUE(failsWith(KelvaroError::Kind::writeFailed, "Fotky.zip",
                          [&] { ZipWriter::write({file("ok.jpg", "fine")}, dir.filePath("missing/Fotky.zip")); }));
}
