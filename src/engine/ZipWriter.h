#pragma once
// Writes a ZIP archive with entries stored uncompressed (photos do not compress), UTF-8 names.
// The classic 32-bit format only (no ZIP64). Touches disk; any thread.
#include <utility>

#include <QByteArrayView>
#include <QDateTime>
#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>

namespace kelvaro::ZipWriter {

// Packs `files` (by their file names; duplicates get " 2", …) into `target`, which is created
// or emptied first. Entries carry the moment writing began, in local time.
// Throws KelvaroError: unreadable(<file name>), writeFailed(<archive name>), tooLarge (more than
// 65,534 files, a file above 4,294,967,294 bytes, or an archive whose central directory would
// start beyond that). A failure leaves the archive written so far.
void write(const QStringList& files, const QString& target);
// The same into the open file `fd` (emptied first; the caller keeps and closes it), whatever name
// it has now; `archiveName` is the name its errors give.
void write(const QStringList& files, int fd, const QString& archiveName);

// The CRC-32 of the ZIP format, which PNG chunks carry too: zlib's, the one routine both use.
quint32 crc32(QByteArrayView bytes, quint32 previous = 0);

// MS-DOS (time, date) words of a moment in its own time zone; years outside 1980–2107 are
// written as the nearest of the two.
std::pair<quint16, quint16> dosStamp(const QDateTime& moment);

// The entry names given so far in one archive (exact comparison).
class UsedNames {
public:
    // `name` itself when unused, else the first unused of "base 2.ext", "base 3.ext", … (base is
    // the name without its last extension); the result counts as used from now on.
    QString take(const QString& name);

private:
    QSet<QString> m_names;
    QHash<QString, qint64> m_lastNumber; // per requested name, so many duplicates stay linear
};

namespace detail {
// The format's limits; tests lower them to reach the refusals without gigabytes of data.
struct Limits {
    qint64 maxEntries = 65534;
    qint64 maxFileSize = 4294967294LL;
    qint64 maxOffset = 4294967294LL;
};
void write(const QStringList& files, const QString& target, const Limits& limits);
void write(const QStringList& files, int fd, const QString& archiveName, const Limits& limits);
} // namespace detail

} // namespace kelvaro::ZipWriter
