#include "engine/ImageMetadata.h"

#include <algorithm>
#include <cerrno>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QByteArrayView>
#include <QFile>
#include <QScopeGuard>
#include <QtEndian>

#include <exiv2/exiv2.hpp>

#include "engine/Bitmap.h"
#include "platform/FileSystem.h"
#include "platform/NativePath.h"

namespace kelvaro::ImageMetadata {
namespace {

// exiv2 registers the XMP namespaces it meets (in a source's packet, or while writing one) in
// the toolkit's one table; this lock keeps two threads from changing it at once.
void lockXmpNamespaces(void* mutex, bool lock)
{
    if (lock)
        static_cast<std::recursive_mutex*>(mutex)->lock();
    else
        static_cast<std::recursive_mutex*>(mutex)->unlock();
}

void setUp()
{
    static std::once_flag once;
    std::call_once(once, [] {
        // XMP's toolkit must be initialised before threads use it; exiv2's warnings about odd
        // files are not the user's business (the photo is still processed).
        static std::recursive_mutex xmpNamespaces;
        Exiv2::XmpParser::initialize(lockXmpNamespaces, &xmpNamespaces);
        Exiv2::LogMsg::setLevel(Exiv2::LogMsg::mute);
        Exiv2::enableBMFF(true);
    });
}

std::string nativePath(const QString& path)
{
    return NativePath::encoded(path).toStdString();
}

Exiv2::ExifData decodeExif(const QByteArray& block)
{
    Exiv2::ExifData data;
    if (block.size() >= 8)
        Exiv2::ExifParser::decode(data, reinterpret_cast<const Exiv2::byte*>(block.constData()), uint32_t(block.size()));
    return data;
}

QByteArray encodeExif(const Exiv2::ExifData& data)
{
    if (data.empty())
        return {};
    Exiv2::Blob blob;
    Exiv2::ExifParser::encode(blob, Exiv2::littleEndian, data);
    return QByteArray(reinterpret_cast<const char*>(blob.data()), qsizetype(blob.size()));
}

Exiv2::IptcData decodeIptc(const QByteArray& block)
{
    Exiv2::IptcData data;
    if (!block.isEmpty())
        Exiv2::IptcParser::decode(data, reinterpret_cast<const Exiv2::byte*>(block.constData()), uint32_t(block.size()));
    return data;
}

QByteArray encodeIptc(const Exiv2::IptcData& data)
{
    if (data.empty())
        return {};
    const Exiv2::DataBuf buffer = Exiv2::IptcParser::encode(data);
    return QByteArray(reinterpret_cast<const char*>(buffer.pData_), qsizetype(buffer.size_));
}

// Groups exiv2 may hand back that a result never carries.
bool isCarriableGroup(const std::string& group)
{
    return group == "Image" || group == "Photo" || group == "GPSInfo";
}

// The descriptive IFD0 entries; the rest of IFD0 describes the source's own pixel layout.
const std::set<std::string>& descriptiveImageTags()
{
    static const std::set<std::string> tags{
        "ImageDescription", "Make", "Model", "XResolution", "YResolution", "ResolutionUnit",
        "Software", "DateTime", "Artist", "HostComputer", "Copyright", "DocumentName",
        "WhitePoint", "PrimaryChromaticities"};
    return tags;
}

const std::set<std::string>& droppedPhotoTags()
{
    static const std::set<std::string> tags{"PixelXDimension", "PixelYDimension", "MakerNote", "InteroperabilityTag"};
    return tags;
}

// The EXIF block as the image decoder found it: exiv2 0.27 misses it in some HEIC layouts (a
// grid image described in "idat"), which libvips reads. Empty when there is none.
Exiv2::ExifData exifFromDecoder(const QString& path)
{
    Exiv2::ExifData data;
    try {
        initVips();
        const vips::VImage header = vips::VImage::new_from_source(
            vips::VSource::new_from_file(NativePath::encoded(path).constData()), "",
            vips::VImage::option()->set("access", VIPS_ACCESS_SEQUENTIAL));
        if (header.get_typeof(VIPS_META_EXIF_NAME) == 0)
            return data;
        size_t length = 0;
        const auto* bytes = static_cast<const char*>(header.get_blob(VIPS_META_EXIF_NAME, &length));
        const QByteArray blob(bytes, qsizetype(length));
        // Skip an "Exif\0\0" (or longer) prefix up to the TIFF header.
        qsizetype start = blob.indexOf(QByteArrayView("II*\0", 4));
        const qsizetype bigEndian = blob.indexOf(QByteArrayView("MM\0*", 4));
        if (start < 0 || (bigEndian >= 0 && bigEndian < start))
            start = bigEndian;
        if (start < 0 || start > 16)
            return data;
        data = decodeExif(blob.mid(start));
    } catch (const std::exception&) {
        data.clear();
    }
    return data;
}

// The metadata chunks exiv2 writes into a PNG for `blocks`, made on a one-pixel PNG.
QByteArray pngChunksFor(const Blocks& blocks)
{
    initVips();
    const vips::VImage pixel = vips::VImage::black(1, 1).cast(VIPS_FORMAT_UCHAR);
    VipsBlob* encoded = pixel.pngsave_buffer(vips::VImage::option()->set("strip", true));
    size_t length = 0;
    const void* bytes = vips_blob_get(encoded, &length);
    // exiv2 reads from the bytes it is given without copying them.
    const QByteArray empty(static_cast<const char*>(bytes), qsizetype(length));
    vips_area_unref(VIPS_AREA(encoded));
    Exiv2::Image::AutoPtr image =
        Exiv2::ImageFactory::open(reinterpret_cast<const Exiv2::byte*>(empty.constData()), long(empty.size()));
    image->setExifData(decodeExif(blocks.exif));
    image->setIptcData(decodeIptc(blocks.iptc));
    image->writeMetadata();
    Exiv2::BasicIo& io = image->io();
    if (io.open() != 0)
        return {};
    const Exiv2::DataBuf written = io.read(long(io.size()));
    io.close();
    const QByteArray png(reinterpret_cast<const char*>(written.pData_), qsizetype(written.size_));
    QByteArray chunks;
    for (qsizetype at = 8; at + 12 <= png.size();) {
        const qsizetype size = 12 + qsizetype(qFromBigEndian<quint32>(png.constData() + at));
        const QByteArray type = png.mid(at + 4, 4);
        if (type == "tEXt" || type == "zTXt" || type == "iTXt" || type == "eXIf")
            chunks += png.mid(at, size);
        at += size;
    }
    return chunks;
}

bool readAll(int fd, char* into, size_t size, off_t at)
{
    while (size > 0) {
        const ssize_t n = ::pread(fd, into, size, at);
        if (n <= 0)
            return false;
        into += n, size -= size_t(n), at += n;
    }
    return true;
}

bool writeAll(int fd, const char* from, size_t size, off_t at)
{
    while (size > 0) {
        const ssize_t n = ::pwrite(fd, from, size, at);
        if (n <= 0)
            return false;
        from += n, size -= size_t(n), at += n;
    }
    return true;
}

// Puts `chunks` right after the header chunk of the PNG file `fd`, moving the rest of the file
// along from its end, a block at a time.
bool insertAfterHeader(int fd, const QByteArray& chunks)
{
    constexpr off_t kAfterHeader = 8 + 12 + 13; // the signature and IHDR, which always comes first
    char head[16];
    struct stat info {};
    if (::fstat(fd, &info) != 0 || info.st_size < kAfterHeader || !readAll(fd, head, sizeof head, 0)
        || QByteArrayView(head + 12, 4) != QByteArrayView("IHDR") || qFromBigEndian<quint32>(head + 8) != 13)
        return false;
    const off_t shift = off_t(chunks.size());
    std::vector<char> block(size_t(1) << 20);
    for (off_t end = info.st_size; end > kAfterHeader;) {
        const off_t start = std::max(kAfterHeader, end - off_t(block.size()));
        if (!readAll(fd, block.data(), size_t(end - start), start) || !writeAll(fd, block.data(), size_t(end - start), start + shift))
            return false;
        end = start;
    }
    return writeAll(fd, chunks.constData(), size_t(chunks.size()), kAfterHeader);
}

} // namespace

Blocks read(const QString& path)
{
    setUp();
    Blocks blocks;
    try {
        Exiv2::Image::AutoPtr image = Exiv2::ImageFactory::open(nativePath(path));
        if (!image.get())
            return blocks;
        image->readMetadata();
        const Exiv2::ExifData found = image->exifData().empty() ? exifFromDecoder(path) : image->exifData();
        Exiv2::ExifData exif;
        for (const Exiv2::Exifdatum& datum : found)
            if (isCarriableGroup(datum.groupName()) && datum.tagName() != "MakerNote")
                exif.add(datum);
        blocks.exif = encodeExif(exif);
        blocks.iptc = encodeIptc(image->iptcData());
        blocks.xmp = QByteArray::fromStdString(image->xmpPacket());
    } catch (const std::exception&) {
        // Unknown formats (GIF, BMP) and damaged blocks simply have no metadata.
        return {};
    }
    return blocks;
}

std::optional<int> orientation(const QByteArray& exif)
{
    setUp();
    try {
        const Exiv2::ExifData data = decodeExif(exif);
        const auto it = data.findKey(Exiv2::ExifKey("Exif.Image.Orientation"));
        if (it == data.end() || it->count() < 1)
            return std::nullopt;
        const long value = it->toLong();
        if (value < 1 || value > 8)
            return std::nullopt;
        return int(value);
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

Blocks carried(const Blocks& source)
{
    setUp();
    Blocks kept;
    try {
        Exiv2::ExifData exif;
        for (const Exiv2::Exifdatum& datum : decodeExif(source.exif)) {
            const std::string group = datum.groupName();
            const std::string tag = datum.tagName();
            const bool keep = (group == "Image" && descriptiveImageTags().count(tag))
                || (group == "Photo" && !droppedPhotoTags().count(tag))
                || group == "GPSInfo";
            if (keep)
                exif.add(datum);
        }
        kept.exif = encodeExif(exif);
    } catch (const std::exception&) {
        kept.exif.clear();
    }
    kept.iptc = source.iptc;
    return kept;
}

bool writeInto(const QString& path, const Blocks& blocks, bool evenWhenEmpty)
{
    if (blocks.exif.isEmpty() && blocks.iptc.isEmpty() && !evenWhenEmpty)
        return true;
    setUp();
    try {
        // Rewritten in memory and written back here: exiv2's own file writer does not check its
        // writes, and on a full disk it left the file cut short without a word.
        const int fd = ::open(nativePath(path).c_str(), O_RDWR | O_CLOEXEC);
        if (fd < 0)
            return false;
        const auto closed = qScopeGuard([fd] { ::close(fd); });
        QByteArray bytes;
        // Read into a buffer of the file's size, not one grown by halves as it fills.
        struct stat info {};
        if (::fstat(fd, &info) == 0 && info.st_size > 0)
            bytes.reserve(qsizetype(info.st_size));
        char chunk[65536];
        for (ssize_t got = 0; (got = ::read(fd, chunk, sizeof chunk)) != 0;) {
            if (got < 0 && errno == EINTR)
                continue;
            if (got < 0)
                return false;
            bytes.append(chunk, got);
        }
        Exiv2::Image::AutoPtr image =
            Exiv2::ImageFactory::open(reinterpret_cast<const Exiv2::byte*>(bytes.constData()), long(bytes.size()));
        if (!image.get())
            return false;
        image->readMetadata();
        image->setExifData(decodeExif(blocks.exif));
        image->setIptcData(decodeIptc(blocks.iptc));
        image->writeMetadata();
        // The rewritten file is written from where it lies, and the one read goes once the
        // rewritten one is a buffer of its own: a large TIFF is held twice at most, not four times.
        Exiv2::BasicIo& io = image->io();
        const long size = long(io.size());
        const Exiv2::byte* rewritten = io.mmap();
        if (!rewritten)
            return false;
        const auto* read = reinterpret_cast<const Exiv2::byte*>(bytes.constData());
        if (rewritten + size <= read || rewritten >= read + bytes.size())
            bytes = QByteArray();
        if (::ftruncate(fd, 0) != 0 || ::lseek(fd, 0, SEEK_SET) != 0)
            return false;
        return FileSystem::current().writeAll(fd, reinterpret_cast<const char*>(rewritten), size) == 0;
    } catch (const std::exception&) {
        return false;
    }
}

bool writeIntoNewPng(const QString& path, const Blocks& blocks)
{
    if (blocks.exif.isEmpty() && blocks.iptc.isEmpty())
        return true;
    setUp();
    QByteArray chunks;
    try {
        chunks = pngChunksFor(blocks);
    } catch (const std::exception&) { // Exiv2::Error, vips::VError
        return false;
    }
    if (chunks.isEmpty())
        return false;
    const int fd = ::open(NativePath::encoded(path).constData(), O_RDWR | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool written = insertAfterHeader(fd, chunks);
    return ::close(fd) == 0 && written;
}

QByteArray exifPayload(const QByteArray& exif)
{
    if (exif.isEmpty())
        return {};
    setUp();
    try {
        Exiv2::ExifData data = decodeExif(exif);
        // The encoder completes the block with its mandatory entries; without this it would
        // mark the colours as uncalibrated.
        if (data.findKey(Exiv2::ExifKey("Exif.Photo.ColorSpace")) == data.end())
            data["Exif.Photo.ColorSpace"] = uint16_t(1);
        const QByteArray block = encodeExif(data);
        if (block.isEmpty())
            return {};
        return QByteArray("Exif\0\0", 6) + block;
    } catch (const std::exception&) {
        return {};
    }
}

QByteArray xmpFromIptc(const QByteArray& iptc)
{
    if (iptc.isEmpty())
        return {};
    setUp();
    try {
        // Without a character set dataset, exiv2 tells UTF-8 from Latin-1 by the bytes.
        Exiv2::XmpData xmp;
        Exiv2::copyIptcToXmp(decodeIptc(iptc), xmp);
        // Without the packet wrapper: readers of HEIC (libvips among them) look for the XMP
        // element itself at the start of the block.
        std::string packet;
        if (xmp.empty()
            || Exiv2::XmpParser::encode(packet, xmp, Exiv2::XmpParser::useCompactFormat | Exiv2::XmpParser::omitPacketWrapper) != 0)
            return {};
        return QByteArray::fromStdString(packet);
    } catch (const std::exception&) {
        return {};
    }
}

std::optional<QString> value(const QString& path, const QString& key)
{
    setUp();
    try {
        Exiv2::Image::AutoPtr image = Exiv2::ImageFactory::open(nativePath(path));
        if (!image.get())
            return std::nullopt;
        image->readMetadata();
        const std::string k = key.toStdString();
        if (key.startsWith(QLatin1String("Iptc."))) {
            const auto it = image->iptcData().findKey(Exiv2::IptcKey(k));
            if (it == image->iptcData().end())
                return std::nullopt;
            return QString::fromStdString(it->toString());
        }
        if (key.startsWith(QLatin1String("Xmp."))) {
            const auto it = image->xmpData().findKey(Exiv2::XmpKey(k));
            if (it == image->xmpData().end())
                return std::nullopt;
            return QString::fromStdString(it->toString());
        }
        const Exiv2::ExifData exif = image->exifData().empty() ? exifFromDecoder(path) : image->exifData();
        const auto it = exif.findKey(Exiv2::ExifKey(k));
        if (it == exif.end())
            return std::nullopt;
        return QString::fromStdString(it->toString());
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

} // namespace kelvaro::ImageMetadata
