#include "engine/WholeFile.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QScopeGuard>

#include <zlib.h>

#include "platform/NativePath.h"

namespace kelvaro {
namespace {

// Plain reads of this size keep the check's cost to a buffer, where a mapping of the whole file
// counted its every page into the process's peak.
constexpr size_t kBlock = 128 * 1024;
// The strip and tile tables are read side by side, each through a window of its own.
constexpr size_t kTableBlock = 16 * 1024;

// A window onto an open file: every look goes through one buffer, refilled by a read at the
// place looked at whenever that falls outside it. Never reads past the size the file had when
// opened; a file that shrank since reads as cut short.
class Window {
public:
    Window(int fd, quint64 size, size_t capacity)
        : m_fd(fd), m_size(size), m_capacity(capacity), m_data(std::make_unique<uchar[]>(capacity))
    {
    }

    int fd() const { return m_fd; }
    quint64 size() const { return m_size; }

    // The `n` bytes at `at` (1 ≤ n ≤ the capacity), or null when they are not all in the file.
    const uchar* bytes(quint64 at, size_t n)
    {
        if (n == 0 || n > m_capacity || at > m_size || n > m_size - at)
            return nullptr;
        if ((at < m_start || at - m_start > m_filled || n > m_filled - (at - m_start)) && !fill(at))
            return nullptr;
        return m_data.get() + (at - m_start);
    }

    // As many of the `most` bytes at `at` as the window holds, at least one: a long run read once.
    std::pair<const uchar*, size_t> run(quint64 at, quint64 most)
    {
        if (at < m_start || at - m_start >= m_filled)
            if (!bytes(at, size_t(std::min<quint64>({most, m_capacity, m_size - std::min(at, m_size)}))))
                return {nullptr, 0};
        const size_t held = m_filled - size_t(at - m_start);
        return {m_data.get() + (at - m_start), size_t(std::min<quint64>(held, most))};
    }

private:
    bool fill(quint64 at)
    {
        const size_t wanted = size_t(std::min<quint64>(m_capacity, m_size - at));
        size_t got = 0;
        while (got < wanted) {
            const ssize_t n = ::pread(m_fd, m_data.get() + got, wanted - got, off_t(at + got));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                break;
            got += size_t(n);
        }
        m_start = at;
        m_filled = got;
        return got == wanted;
    }

    int m_fd;
    quint64 m_size;
    size_t m_capacity;
    std::unique_ptr<uchar[]> m_data;
    quint64 m_start = 0;
    size_t m_filled = 0;
};

quint64 number(const uchar* d, size_t width, bool littleEndian)
{
    quint64 value = 0;
    for (size_t i = 0; i < width; ++i)
        value = littleEndian ? value | quint64(d[i]) << (8 * i) : value << 8 | d[i];
    return value;
}

// Every chunk in place with its checksum, up to the closing one.
bool wholePng(Window& file)
{
    static const uchar signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    const uchar* start = file.bytes(0, 8);
    if (!start || std::memcmp(start, signature, 8) != 0)
        return false;
    for (quint64 at = 8;;) {
        const uchar* head = file.bytes(at, 8);
        if (!head)
            return false; // ended before its closing chunk
        const quint64 length = number(head, 4, false);
        if (length + 12 > file.size() - at)
            return false;
        uchar type[4];
        std::memcpy(type, head + 4, 4);
        // The checksum covers the type and the data.
        uLong crc = ::crc32_z(0, type, 4);
        for (quint64 done = 0; done < length;) {
            const auto [data, n] = file.run(at + 8 + done, length - done);
            if (!data)
                return false;
            crc = ::crc32_z(crc, data, n);
            done += n;
        }
        const uchar* stored = file.bytes(at + 8 + length, 4);
        if (!stored || number(stored, 4, false) != crc)
            return false;
        if (std::memcmp(type, "IEND", 4) == 0)
            return true;
        at += 12 + length;
    }
}

// The bytes of one value of a TIFF field type; 0 for a type this reader does not know.
size_t typeWidth(quint64 type)
{
    switch (type) {
    case 1: case 2: case 6: case 7: // BYTE, ASCII, SBYTE, UNDEFINED
        return 1;
    case 3: case 8: // SHORT, SSHORT
        return 2;
    case 4: case 9: case 11: case 13: // LONG, SLONG, FLOAT, IFD
        return 4;
    case 5: case 10: case 12: case 16: case 17: case 18: // RATIONAL, SRATIONAL, DOUBLE, LONG8, SLONG8, IFD8
        return 8;
    default:
        return 0;
    }
}

// Where the values of one SHORT, LONG or LONG8 field of a directory lie.
struct Table {
    quint64 count = 0;
    size_t width = 0;
    quint64 at = 0;
};

// The first image's directory and every value it points to inside the file, and every strip or
// tile of it written: libtiff leaves a strip it could not write at length 0 and still closes the
// file.
bool wholeTiff(Window& file)
{
    const uchar* head = file.bytes(0, 8);
    if (!head || !((head[0] == 'I' && head[1] == 'I') || (head[0] == 'M' && head[1] == 'M')))
        return false;
    const bool little = head[0] == 'I';
    const quint64 version = number(head + 2, 2, little);
    if (version != 42 && version != 43)
        return false;
    const bool big = version == 43;
    quint64 directory = number(head + 4, 4, little);
    if (big) {
        head = file.bytes(0, 16);
        if (!head || number(head + 4, 2, little) != 8 || number(head + 6, 2, little) != 0)
            return false;
        directory = number(head + 8, 8, little);
    }
    const size_t countWidth = big ? 8 : 2;
    const size_t entryWidth = big ? 20 : 12;
    const size_t valueWidth = big ? 8 : 4;
    const uchar* countBytes = file.bytes(directory, countWidth);
    if (!countBytes)
        return false;
    const quint64 entries = number(countBytes, countWidth, little);
    if (entries > (file.size() - directory - countWidth) / entryWidth)
        return false;

    // StripOffsets, StripByteCounts, TileOffsets, TileByteCounts.
    static const quint64 tags[4] = {273, 279, 324, 325};
    Table tables[4];
    bool seen[4] = {};
    for (quint64 i = 0; i < entries; ++i) {
        const quint64 entryAt = directory + countWidth + i * entryWidth;
        const uchar* entry = file.bytes(entryAt, entryWidth);
        if (!entry)
            return false;
        const auto k = size_t(std::find(std::begin(tags), std::end(tags), number(entry, 2, little)) - std::begin(tags));
        const quint64 type = number(entry + 2, 2, little);
        const size_t width = typeWidth(type);
        if (width == 0) {
            if (k < 4)
                return false;
            continue; // a type of a later revision: its size is unknown, and so is where it ends
        }
        const quint64 n = number(entry + 4, valueWidth, little);
        if (n > file.size() / width)
            return false;
        // Every field's values, written beside the directory, are there too.
        const quint64 at = n * width <= valueWidth ? entryAt + 4 + valueWidth
                                                    : number(entry + 4 + valueWidth, valueWidth, little);
        if (at > file.size() || n * width > file.size() - at)
            return false;
        if (k == 4 || seen[k])
            continue;
        if (type != 3 && type != 4 && type != 16)
            return false;
        seen[k] = true;
        tables[k] = {n, width, at};
    }
    // The pointer to the next directory closes this one.
    if (!file.bytes(directory + countWidth + entries * entryWidth, valueWidth))
        return false;

    quint64 pieces = 0;
    for (const auto& [offsets, counts] : {std::pair{tables[0], tables[1]}, std::pair{tables[2], tables[3]}}) {
        if (offsets.count != counts.count)
            return false;
        Window offsetsIn(file.fd(), file.size(), kTableBlock);
        Window countsIn(file.fd(), file.size(), kTableBlock);
        for (quint64 k = 0; k < counts.count; ++k) {
            const uchar* offset = offsetsIn.bytes(offsets.at + k * offsets.width, offsets.width);
            const uchar* count = countsIn.bytes(counts.at + k * counts.width, counts.width);
            if (!offset || !count)
                return false;
            const quint64 length = number(count, counts.width, little);
            if (length == 0 || length > file.size() || number(offset, offsets.width, little) > file.size() - length)
                return false;
        }
        pieces += counts.count;
    }
    return pieces > 0;
}

bool wholeJpeg(Window& file)
{
    if (file.size() < 4)
        return false;
    const uchar* start = file.bytes(0, 2);
    if (!start || start[0] != 0xFF || start[1] != 0xD8)
        return false;
    const uchar* end = file.bytes(file.size() - 2, 2);
    return end && end[0] == 0xFF && end[1] == 0xD9;
}

} // namespace

bool ImageEngine::wholeFile(const QString& path, ImageFormat format)
{
    // Not blocking: a pipe put in the result's place must not hold the worker.
    const int fd = ::open(NativePath::encoded(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    const auto closer = qScopeGuard([fd] { ::close(fd); });
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_size <= 0)
        return false;
    const auto size = quint64(info.st_size);
    // Encoders write without gaps: a hole is a block whose write failed before a later one was
    // written further on.
    const off_t hole = ::lseek(fd, 0, SEEK_HOLE);
    if (hole >= 0 && quint64(hole) < size)
        return false;
    switch (format) {
    case ImageFormat::png: {
        Window file(fd, size, kBlock);
        return wholePng(file);
    }
    case ImageFormat::tiff: {
        Window file(fd, size, kTableBlock);
        return wholeTiff(file);
    }
    case ImageFormat::jpg: {
        Window file(fd, size, 16);
        return wholeJpeg(file);
    }
    default:
        return true;
    }
}

} // namespace kelvaro
