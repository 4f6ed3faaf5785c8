#include <functional>
#include <limits>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

#include <QFile>

#include <gtest/gtest.h>

#include "EngineFixture.h"
#include "engine/ImageStream.h"
#include "engine/WholeFile.h"
#include "../support/TestImages.h"

using namespace kelvaro;

namespace ti = kelvaro::testimages;

namespace {

using WholeFile = test::InAndOut<>;

QByteArray bytesOf(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void store(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(file.write(bytes), bytes.size());
}

// What a full disk left of a file whose encoder went on once another file's removal made room:
// a block never written, a gap never filled, an end never reached.
TEST_F(WholeFile, aFileTheEncoderWroteInPartIsToldFromAWholeOne)
{
    // Noise, so that every format spreads over many blocks and strips.
    const Bitmap photo = (vips::VImage::gaussnoise(900, 700) * 3).bandjoin({vips::VImage::gaussnoise(900, 700),
                                                                              vips::VImage::gaussnoise(900, 700)})
                             .cast(VIPS_FORMAT_UCHAR);
    const auto cutShort = [](QByteArray& b) { b.truncate(b.size() / 2); };
    const auto blockDropped = [](QByteArray& b) { b.remove(b.size() / 2, 8192); };
    // A failed write followed by one further on: the file system fills the gap with zeros.
    const auto gap = [](QByteArray& b) { std::fill(b.begin() + b.size() / 2, b.begin() + b.size() / 2 + 8192, '\0'); };
    // libtiff writes the directory last, at the end, and points to it from the start.
    const auto directoryLost = [](QByteArray& b) {
        const quint32 at =
            quint32(uchar(b[4])) | quint32(uchar(b[5])) << 8 | quint32(uchar(b[6])) << 16 | quint32(uchar(b[7])) << 24;
        std::fill(b.begin() + at, b.end(), '\0');
    };
    const struct {
        const char* name;
        ImageFormat format;
        std::function<void(QByteArray&)> damage;
        bool whole;
    } rows[] = {
        {"a whole PNG", ImageFormat::png, {}, true},
        {"a PNG cut short", ImageFormat::png, cutShort, false},
        {"a PNG missing a block", ImageFormat::png, blockDropped, false},
        {"a PNG with a gap", ImageFormat::png, gap, false},
        {"a whole TIFF", ImageFormat::tiff, {}, true},
        {"a TIFF cut short", ImageFormat::tiff, cutShort, false},
        {"a TIFF without its directory", ImageFormat::tiff, directoryLost, false},
        {"a whole JPEG", ImageFormat::jpg, {}, true},
        {"a JPEG cut short", ImageFormat::jpg, cutShort, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const QString path = out() + QStringLiteral("/photo");
        ImageEngine::encode(vips::VImage(photo), row.format, 0.8, {}, path);
        if (row.damage) {
            QByteArray bytes = bytesOf(path);
            row.damage(bytes);
            store(path, bytes);
        }
        EXPECT_EQ(ImageEngine::wholeFile(path, row.format), row.whole);
        QFile::remove(path);
    }
}

// The gap as the file system keeps it: a hole no write reached, read back as zeros, in a JPEG
// whose start and end are still in place.
TEST_F(WholeFile, aFileWithAHoleIsNotWhole)
{
    const QString path = out() + QStringLiteral("/photo.jpg");
    const Bitmap photo = (vips::VImage::gaussnoise(900, 700) * 3).bandjoin({vips::VImage::gaussnoise(900, 700),
                                                                              vips::VImage::gaussnoise(900, 700)})
                             .cast(VIPS_FORMAT_UCHAR);
    ImageEngine::encode(vips::VImage(photo), ImageFormat::jpg, 0.9, {}, path);
    ASSERT_TRUE(ImageEngine::wholeFile(path, ImageFormat::jpg));
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    const off_t size = ::lseek(fd, 0, SEEK_END);
    ASSERT_GT(size, 4 * 4096);
    const bool punched = ::fallocate(fd, FALLOC_FL_PUNCH_HOLE | FALLOC_FL_KEEP_SIZE, 4096, 2 * 4096) == 0;
    ::close(fd);
    if (!punched)
        GTEST_SKIP() << "this file system makes no holes";
    EXPECT_FALSE(ImageEngine::wholeFile(path, ImageFormat::jpg));
}

// A photo of noise, the same on every run, that every format spreads over many blocks, strips
// and tiles.
Bitmap noise()
{
    const auto band = [](int seed) {
        return vips::VImage::gaussnoise(400, 300, vips::VImage::option()->set("seed", seed));
    };
    return (band(1) * 3).bandjoin({band(2), band(3)}).cast(VIPS_FORMAT_UCHAR);
}

// The layouts libvips writes a result in: ours, and the TIFF layouts its writer can choose.
enum class Layout { png, jpeg, tiffStrips, tiffTiles, bigTiffStrips, bigTiffTiles };

const Layout kLayouts[] = {Layout::png,       Layout::jpeg,          Layout::tiffStrips,
                           Layout::tiffTiles, Layout::bigTiffStrips, Layout::bigTiffTiles};
const std::vector<Layout> kTiffs{Layout::tiffStrips, Layout::tiffTiles, Layout::bigTiffStrips, Layout::bigTiffTiles};

const char* nameOf(Layout layout)
{
    static const char* const names[] = {"PNG", "JPEG", "TIFF in strips", "TIFF in tiles", "BigTIFF in strips",
                                        "BigTIFF in tiles"};
    return names[int(layout)];
}

ImageFormat formatOf(Layout layout)
{
    return layout == Layout::png ? ImageFormat::png : layout == Layout::jpeg ? ImageFormat::jpg : ImageFormat::tiff;
}

void write(const Bitmap& photo, Layout layout, const QString& path)
{
    const QByteArray name = QFile::encodeName(path);
    switch (layout) {
    case Layout::png:
        photo.pngsave(name.constData(), vips::VImage::option()->set("compression", 6));
        return;
    case Layout::jpeg:
        photo.jpegsave(name.constData(), vips::VImage::option()->set("Q", 80));
        return;
    default:
        photo.tiffsave(name.constData(),
                       vips::VImage::option()
                           ->set("compression", VIPS_FOREIGN_TIFF_COMPRESSION_LZW)
                           ->set("tile", layout == Layout::tiffTiles || layout == Layout::bigTiffTiles)
                           ->set("bigtiff", layout == Layout::bigTiffStrips || layout == Layout::bigTiffTiles));
    }
}

quint64 numberAt(const QByteArray& b, qsizetype at, int width, bool bigEndian = false)
{
    quint64 value = 0;
    for (int i = 0; i < width; ++i)
        value = bigEndian ? value << 8 | uchar(b[at + i]) : value | quint64(uchar(b[at + i])) << (8 * i);
    return value;
}

void putAt(QByteArray& b, qsizetype at, int width, quint64 value, bool bigEndian = false)
{
    for (int i = 0; i < width; ++i)
        b[at + (bigEndian ? width - 1 - i : i)] = char(value >> (8 * i));
}

// A PNG's chunks as a reader walks them: where each starts and how long its data is.
struct Chunk {
    qsizetype at;
    quint32 length;
    QByteArray type;
};

std::vector<Chunk> chunks(const QByteArray& png)
{
    std::vector<Chunk> found;
    for (qsizetype at = 8; at + 12 <= png.size();) {
        const auto length = quint32(numberAt(png, at, 4, true));
        found.push_back({at, length, png.mid(at + 4, 4)});
        at += 12 + qsizetype(length);
    }
    return found;
}

Chunk firstData(const QByteArray& png)
{
    for (const Chunk& chunk : chunks(png))
        if (chunk.type == "IDAT")
            return chunk;
    ADD_FAILURE() << "no image data";
    return {};
}

// One field of a little-endian TIFF's first directory (libvips writes the machine's order): where
// its entry lies, where its values lie, how many there are and how wide each is.
struct Field {
    qsizetype entry = 0;
    qsizetype values = 0;
    quint64 count = 0;
    int width = 0;
    int pointerWidth = 4; // of a count or an offset in the entry: 8 in a BigTIFF
};

Field field(const QByteArray& tiff, quint16 tag)
{
    if (!tiff.startsWith("II")) {
        ADD_FAILURE() << "not a little-endian TIFF";
        return {};
    }
    const bool big = numberAt(tiff, 2, 2) == 43;
    const int pointer = big ? 8 : 4;
    const auto directory = qsizetype(numberAt(tiff, big ? 8 : 4, pointer));
    const int countWidth = big ? 8 : 2, entryWidth = big ? 20 : 12;
    const quint64 entries = numberAt(tiff, directory, countWidth);
    for (quint64 i = 0; i < entries; ++i) {
        const qsizetype entry = directory + countWidth + qsizetype(i) * entryWidth;
        if (numberAt(tiff, entry, 2) != tag)
            continue;
        const quint64 type = numberAt(tiff, entry + 2, 2);
        const int width = type == 3 ? 2 : type == 4 ? 4 : 8;
        const quint64 count = numberAt(tiff, entry + 4, pointer);
        const bool inEntry = count * width <= quint64(pointer);
        const qsizetype values = inEntry ? entry + 4 + pointer : qsizetype(numberAt(tiff, entry + 4 + pointer, pointer));
        return {entry, values, count, width, pointer};
    }
    ADD_FAILURE() << "no field " << tag;
    return {};
}

bool tiled(const QByteArray& tiff)
{
    const bool big = numberAt(tiff, 2, 2) == 43;
    const auto directory = qsizetype(numberAt(tiff, big ? 8 : 4, big ? 8 : 4));
    const int countWidth = big ? 8 : 2, entryWidth = big ? 20 : 12;
    for (quint64 i = 0; i < numberAt(tiff, directory, countWidth); ++i)
        if (numberAt(tiff, directory + countWidth + qsizetype(i) * entryWidth, 2) == 324)
            return true;
    return false;
}

// The table of where each strip or tile starts and the one of how long each is.
Field offsets(const QByteArray& tiff)
{
    return field(tiff, tiled(tiff) ? 324 : 273);
}

Field lengths(const QByteArray& tiff)
{
    return field(tiff, tiled(tiff) ? 325 : 279);
}

void setValue(QByteArray& tiff, const Field& f, quint64 k, quint64 value)
{
    putAt(tiff, f.values + qsizetype(k) * f.width, f.width, value);
}

// Damage that a full disk or a hostile file leaves in a structure, each in a file that libvips
// wrote whole. Every file must still be looked at without reading past its end.
TEST_F(WholeFile, aDamagedStructureIsNotWhole)
{
    using Damage = std::function<void(QByteArray&)>;
    const auto idatByteFlipped = [](QByteArray& b) {
        const Chunk c = firstData(b);
        b[c.at + 8 + c.length / 2] = char(b[c.at + 8 + c.length / 2] ^ 0x10);
    };
    const auto idatChecksumFlipped = [](QByteArray& b) {
        const Chunk c = firstData(b);
        b[c.at + 8 + c.length] = char(b[c.at + 8 + c.length] ^ 0x01);
    };
    const auto closingChunkLost = [](QByteArray& b) {
        ASSERT_EQ(chunks(b).back().type, "IEND");
        b.chop(12);
    };
    const auto chunkLength = [](quint32 length) -> Damage {
        return [length](QByteArray& b) { putAt(b, firstData(b).at, 4, length, true); };
    };
    // One byte longer than the rest of the file holds.
    const auto chunkPastTheEnd = [](QByteArray& b) {
        const Chunk c = firstData(b);
        putAt(b, c.at, 4, quint64(b.size() - c.at - 12 + 1), true);
    };
    const auto pieceLength = [](bool first, quint64 value) -> Damage {
        return [first, value](QByteArray& b) {
            const Field f = lengths(b);
            ASSERT_GT(f.count, 2u);
            setValue(b, f, first ? 0 : f.count / 2, value);
        };
    };
    const auto lastPieceAtTheEnd = [](QByteArray& b) {
        const Field f = offsets(b);
        setValue(b, f, f.count - 1, quint64(b.size()));
    };
    const auto offsetsTablePastTheEnd = [](QByteArray& b) {
        const Field f = offsets(b);
        ASSERT_NE(f.values, f.entry + 4 + f.pointerWidth);
        putAt(b, f.entry + 4 + f.pointerWidth, f.pointerWidth, quint64(b.size() - 2));
    };
    const auto lengthsTableShorter = [](QByteArray& b) {
        const Field f = lengths(b);
        putAt(b, f.entry + 4, f.pointerWidth, f.count - 1);
    };
    const auto directoryPastTheEnd = [](QByteArray& b) {
        const bool big = numberAt(b, 2, 2) == 43;
        putAt(b, big ? 8 : 4, big ? 8 : 4, quint64(b.size()) + 100);
    };
    const auto directoryCountHuge = [](QByteArray& b) {
        const bool big = numberAt(b, 2, 2) == 43;
        const auto directory = qsizetype(numberAt(b, big ? 8 : 4, big ? 8 : 4));
        putAt(b, directory, big ? 8 : 2, big ? std::numeric_limits<quint64>::max() : 0xFFFF);
    };
    const quint64 wraps = std::numeric_limits<quint64>::max();

    struct Row {
        const char* name;
        std::vector<Layout> layouts;
        Damage damage;
        bool whole;
    };
    const Row rows[] = {
        {"whole", {std::begin(kLayouts), std::end(kLayouts)}, {}, true},
        {"one byte of image data changed", {Layout::png}, idatByteFlipped, false},
        {"a chunk's checksum changed", {Layout::png}, idatChecksumFlipped, false},
        {"no closing chunk", {Layout::png}, closingChunkLost, false},
        {"a chunk one byte longer than the file", {Layout::png}, chunkPastTheEnd, false},
        {"a chunk of the largest length", {Layout::png}, chunkLength(0xFFFFFFFFu), false},
        {"a chunk of the largest length allowed", {Layout::png}, chunkLength(0x7FFFFFFFu), false},
        {"a piece left at length 0", kTiffs, pieceLength(false, 0), false},
        {"the first piece left at length 0", kTiffs, pieceLength(true, 0), false},
        {"a piece longer than the file", kTiffs, pieceLength(false, 0xFFFFFFFFu), false},
        {"a piece whose end wraps around", kTiffs, pieceLength(false, wraps), false},
        {"the last piece starting at the end", kTiffs, lastPieceAtTheEnd, false},
        {"the table of pieces past the end", kTiffs, offsetsTablePastTheEnd, false},
        {"fewer lengths than pieces", kTiffs, lengthsTableShorter, false},
        {"the directory past the end", kTiffs, directoryPastTheEnd, false},
        {"a directory of more entries than the file holds", kTiffs, directoryCountHuge, false},
    };
    const Bitmap photo = noise();
    const QString path = out() + QStringLiteral("/photo");
    for (const Row& row : rows) {
        for (const Layout layout : row.layouts) {
            SCOPED_TRACE(testing::Message() << nameOf(layout) << ": " << row.name);
            write(photo, layout, path);
            if (row.damage) {
                QByteArray bytes = bytesOf(path);
                row.damage(bytes);
                store(path, bytes);
            }
            EXPECT_EQ(ImageEngine::wholeFile(path, formatOf(layout)), row.whole);
            QFile::remove(path);
        }
    }
}

// Wherever a write stopped, what it left is not whole, and is looked at within its bytes.
TEST_F(WholeFile, aFileCutAnywhereIsNotWhole)
{
    const Bitmap photo = noise();
    const QString path = out() + QStringLiteral("/photo");
    for (const Layout layout : kLayouts) {
        write(photo, layout, path);
        ASSERT_TRUE(ImageEngine::wholeFile(path, formatOf(layout)));
        const auto size = qsizetype(QFileInfo(path).size());
        ASSERT_GT(size, 4096);
        // Every length within the headers and near the end, where the directories lie, and lengths
        // spread over the rest.
        std::vector<qsizetype> lengths;
        for (qsizetype n = size - 1; n >= size - 512; --n)
            lengths.push_back(n);
        for (int i = 1; i < 64; ++i)
            lengths.push_back(size - 512 - (size - 1024) * i / 64);
        for (qsizetype n = 511; n >= 0; --n)
            lengths.push_back(n);
        // Shortened step by step, as each length is shorter than the one before.
        for (const qsizetype n : lengths) {
            SCOPED_TRACE(testing::Message() << nameOf(layout) << ", " << n << " of " << size << " bytes");
            ASSERT_EQ(::truncate(QFile::encodeName(path).constData(), off_t(n)), 0);
            EXPECT_FALSE(ImageEngine::wholeFile(path, formatOf(layout)));
        }
        QFile::remove(path);
    }
}

} // namespace
