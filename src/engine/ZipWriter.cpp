#include "engine/ZipWriter.h"

#include <algorithm>

#include <fcntl.h>
#include <unistd.h>

#include <QFile>
#include <QFileInfo>

#include <zlib.h>

#include "model/Operations.h"
#include "platform/NativePath.h"

namespace kelvaro {
namespace {

constexpr qint64 kLocalHeaderSize = 30;
constexpr qint64 kChunkSize = 1 << 20;
constexpr quint16 kVersion = 20;
constexpr quint16 kUtf8NameFlag = 0x0800;

void put16(QByteArray& out, quint16 v)
{
    out.append(char(v & 0xFF)).append(char(v >> 8));
}

void put32(QByteArray& out, quint32 v)
{
    put16(out, quint16(v & 0xFFFF));
    put16(out, quint16(v >> 16));
}

struct Entry {
    QByteArray name; // UTF-8
    quint32 crc = 0;
    quint32 size = 0;
    quint32 offset = 0;
};

// The fields the local header and the central record share, from "version needed" on.
void putCommon(QByteArray& out, const Entry& e, std::pair<quint16, quint16> stamp)
{
    put16(out, kVersion);
    put16(out, kUtf8NameFlag);
    put16(out, 0); // stored
    put16(out, stamp.first);
    put16(out, stamp.second);
    put32(out, e.crc);
    put32(out, e.size);
    put32(out, e.size);
    put16(out, quint16(e.name.size()));
    put16(out, 0); // extra field
}

class ArchiveFile {
public:
    ArchiveFile(const QString& path, const QString& name) : m_path(path), m_name(name) {}
    // Opened from the path's own bytes, as QFile would lose one that is not UTF-8. Emptying "the
    // file at the target" must not reach through a link into another file.
    bool open()
    {
        return adopt(::open(NativePath::encoded(m_path).constData(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0666));
    }
    // A copy of the caller's descriptor of a file it holds, emptied.
    bool openDescriptor(int fd)
    {
        const int own = fd >= 0 ? ::fcntl(fd, F_DUPFD_CLOEXEC, 0) : -1;
        if (own >= 0 && (::ftruncate(own, 0) != 0 || ::lseek(own, 0, SEEK_SET) != 0)) {
            ::close(own);
            return false;
        }
        return adopt(own);
    }
    void write(const char* data, qint64 size)
    {
        if (m_file.write(data, size) != size)
            throw KelvaroError::writeFailed(m_name);
    }
    void write(const QByteArray& bytes) { write(bytes.constData(), bytes.size()); }
    void close()
    {
        m_file.close(); // flushes; a failed flush is a failed write
        if (m_file.error() != QFileDevice::NoError)
            throw KelvaroError::writeFailed(m_name);
    }

private:
    bool adopt(int fd)
    {
        if (fd >= 0 && m_file.open(fd, QIODevice::WriteOnly, QFileDevice::AutoCloseHandle))
            return true;
        if (fd >= 0)
            ::close(fd);
        return false;
    }

    QString m_path;
    QFile m_file; // closed by its destructor on every path out
    QString m_name;
};

// Reads the input once for its CRC, then copies it, checking that it did not change in between
// (an archive with a wrong CRC or size would be silently broken).
quint32 fileCrc(QFile& in, const QString& name, qint64 size)
{
    QByteArray chunk;
    quint32 crc = 0;
    qint64 total = 0;
    while (total < size) {
        chunk = in.read(std::min(kChunkSize, size - total));
        if (chunk.isEmpty())
            throw KelvaroError::unreadable(name);
        crc = ZipWriter::crc32(chunk, crc);
        total += chunk.size();
    }
    return crc;
}

void copyFile(QFile& in, ArchiveFile& out, const QString& name, qint64 size, quint32 expectedCrc)
{
    if (!in.seek(0))
        throw KelvaroError::unreadable(name);
    QByteArray chunk;
    quint32 crc = 0;
    qint64 total = 0;
    while (total < size) {
        chunk = in.read(std::min(kChunkSize, size - total));
        if (chunk.isEmpty())
            throw KelvaroError::unreadable(name);
        crc = ZipWriter::crc32(chunk, crc);
        total += chunk.size();
        out.write(chunk);
    }
    if (crc != expectedCrc || !in.read(1).isEmpty())
        throw KelvaroError::unreadable(name);
}

// Writes the entries of `files` and the central directory into `out`, and closes it.
void pack(const QStringList& files, ArchiveFile& out, const ZipWriter::detail::Limits& limits);

} // namespace

quint32 ZipWriter::crc32(QByteArrayView bytes, quint32 previous)
{
    return quint32(::crc32_z(previous, reinterpret_cast<const Bytef*>(bytes.data()), size_t(bytes.size())));
}

std::pair<quint16, quint16> ZipWriter::dosStamp(const QDateTime& moment)
{
    const QDate date = moment.date();
    const QTime time = moment.time();
    const int year = date.isValid() ? std::clamp(date.year(), 1980, 2107) : 1980;
    const int month = date.isValid() ? date.month() : 1;
    const int day = date.isValid() ? date.day() : 1;
    const int hour = time.isValid() ? time.hour() : 0;
    const int minute = time.isValid() ? time.minute() : 0;
    const int second = time.isValid() ? time.second() : 0;
    const quint16 timeWord = quint16((hour << 11) | (minute << 5) | (second / 2));
    const quint16 dateWord = quint16(((year - 1980) << 9) | (month << 5) | day);
    return {timeWord, dateWord};
}

QString ZipWriter::UsedNames::take(const QString& name)
{
    if (!m_names.contains(name)) {
        m_names.insert(name);
        return name;
    }
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    const bool hasExtension = dot > 0 && dot < name.size() - 1;
    const QString base = hasExtension ? name.left(dot) : name;
    const QString extension = hasExtension ? name.mid(dot) : QString(); // with its dot
    // Numbers up to the last one given for this name are all taken: the set only grows.
    qint64 number = std::max<qint64>(m_lastNumber.value(name, 1), 1);
    QString candidate;
    do {
        ++number;
        candidate = base + QLatin1Char(' ') + QString::number(number) + extension;
    } while (m_names.contains(candidate));
    m_lastNumber.insert(name, number);
    m_names.insert(candidate);
    return candidate;
}

void ZipWriter::write(const QStringList& files, const QString& target)
{
    detail::write(files, target, detail::Limits{});
}

void ZipWriter::write(const QStringList& files, int fd, const QString& archiveName)
{
    detail::write(files, fd, archiveName, detail::Limits{});
}

void ZipWriter::detail::write(const QStringList& files, const QString& target, const Limits& limits)
{
    if (files.size() > limits.maxEntries)
        throw KelvaroError::tooLarge();
    const QString archiveName = QFileInfo(target).fileName();
    ArchiveFile out(target, archiveName);
    if (!out.open())
        throw KelvaroError::writeFailed(archiveName);
    pack(files, out, limits);
}

void ZipWriter::detail::write(const QStringList& files, int fd, const QString& archiveName, const Limits& limits)
{
    if (files.size() > limits.maxEntries)
        throw KelvaroError::tooLarge();
    ArchiveFile out(QString(), archiveName);
    if (!out.openDescriptor(fd))
        throw KelvaroError::writeFailed(archiveName);
    pack(files, out, limits);
}

namespace {

void pack(const QStringList& files, ArchiveFile& out, const ZipWriter::detail::Limits& limits)
{
    const auto stamp = ZipWriter::dosStamp(QDateTime::currentDateTime());
    qint64 offset = 0;
    ZipWriter::UsedNames used;
    QByteArray central;
    for (const QString& path : files) {
        const QString fileName = QFileInfo(path).fileName();
        // Opened from the name's own bytes: QFile would lose a byte that is not UTF-8. Not waiting
        // for a writer: a fifo is refused as sequential.
        QFile in;
        const int fd = ::open(NativePath::encoded(path).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
        if (fd >= 0 && !in.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle))
            ::close(fd);
        if (!in.isOpen() || in.isSequential())
            throw KelvaroError::unreadable(fileName);
        const qint64 size = in.size();
        Entry entry;
        entry.name = used.take(fileName).toUtf8();
        // Checked before anything of the entry is written: the local header must start within
        // 32 bits, and so must the central directory after the last entry.
        const qint64 next = offset + kLocalHeaderSize + entry.name.size() + size;
        if (size > limits.maxFileSize || offset > limits.maxOffset || next > limits.maxOffset
            || entry.name.size() > 0xFFFF)
            throw KelvaroError::tooLarge();
        entry.crc = fileCrc(in, fileName, size);
        entry.size = quint32(size);
        entry.offset = quint32(offset);

        QByteArray header;
        header.reserve(kLocalHeaderSize + entry.name.size());
        put32(header, 0x04034B50);
        putCommon(header, entry, stamp);
        header.append(entry.name);
        out.write(header);
        copyFile(in, out, fileName, size, entry.crc);

        put32(central, 0x02014B50);
        put16(central, kVersion); // made by: version 2.0, MS-DOS attributes
        putCommon(central, entry, stamp);
        put16(central, 0); // comment
        put16(central, 0); // disk number start
        put16(central, 0); // internal attributes
        put32(central, 0); // external attributes
        put32(central, entry.offset);
        central.append(entry.name);
        offset = next;
    }
    if (central.size() > 0xFFFFFFFFLL)
        throw KelvaroError::tooLarge();

    QByteArray end;
    put32(end, 0x06054B50);
    put16(end, 0);
    put16(end, 0);
    put16(end, quint16(files.size()));
    put16(end, quint16(files.size()));
    put32(end, quint32(central.size()));
    put32(end, quint32(offset));
    put16(end, 0);
    out.write(central);
    out.write(end);
    out.close();
}

} // namespace

} // namespace kelvaro
