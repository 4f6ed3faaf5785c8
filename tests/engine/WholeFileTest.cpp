#include <functional>

#include <fcntl.h>
#include <unistd.h>

#include <QFile>

#include <gtest/gtest.h>

#include "EngineFixture.h"
#include "engine/ImageStream.h"
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
        ImageEngine::encode(photo, row.format, 0.8, {}, path);
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
    ImageEngine::encode(photo, ImageFormat::jpg, 0.9, {}, path);
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

} // namespace
