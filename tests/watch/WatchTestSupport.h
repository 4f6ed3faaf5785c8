#pragma once
// Shared helpers of the folder-watching tests: real folders and real tiny images on disk, file
// times set exactly.
#include <fcntl.h>
#include <sys/stat.h>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "../support/TestSupport.h"

namespace kelvaro::testing {

using test::waitUntil;

// A small JPEG with a colour gradient, so encoders have something to chew on.
inline void writeJpeg(const QString& path, int width = 24, int height = 16)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, qRgb(x * 255 / width, y * 255 / height, 128));
    ASSERT_TRUE(image.save(path, "JPEG", 90)) << path.toStdString();
}

inline QByteArray jpegBytes(int width = 24, int height = 16)
{
    QTemporaryDir dir;
    writeJpeg(dir.filePath(QStringLiteral("x.jpg")), width, height);
    return test::readFile(dir.filePath(QStringLiteral("x.jpg")));
}

inline void writeBytes(const QString& path, const QByteArray& bytes, bool append = false)
{
    QFile f(path);
    ASSERT_TRUE(f.open(append ? QIODevice::Append : QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
    ASSERT_EQ(f.write(bytes), bytes.size());
}

// Sets a file's modification time to `msecs` since 1970 (may be negative; QFile refuses those).
inline void setModified(const QString& path, qint64 msecs)
{
    qint64 seconds = msecs / 1000;
    qint64 rest = msecs % 1000;
    if (rest < 0) {
        rest += 1000;
        --seconds;
    }
    const struct timespec times[2] = {{0, UTIME_OMIT}, {time_t(seconds), long(rest * 1'000'000)}};
    ASSERT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0), 0) << path.toStdString();
}

} // namespace kelvaro::testing
