// Decoding: every source becomes an upright 8-bit sRGB RGBA bitmap in memory. libvips decodes
// the formats it trusts; BMP goes through QImage and PDF pages through poppler, since the
// libvips loaders for those are blocked as untrusted. A PDF is known by its first bytes too:
// libvips' PDF decoder opens a document before its block is checked.
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QScopeGuard>
#include <QtEndian>

#include "engine/FileAbort.h"
#include "engine/ImageEffects.h"
#include "engine/ImageEngine.h"
#include "engine/ImageMetadata.h"
#include "engine/ImageProbe.h"
#include "engine/Turn.h"
#include "platform/NativePath.h"

namespace kelvaro {
namespace {

// A source without pixels is broken; one with more than the ceiling is refused as too large.
void checkPixels(qint64 width, qint64 height, const QString& name)
{
    if (width < 1 || height < 1)
        throw KelvaroError::unreadable(name);
    if (width * height > kMaxPixels)
        throw KelvaroError::tooManyPixels(name);
}

bool isBmp(const QString& file)
{
    return QImageReader::imageFormat(file) == "bmp";
}

// QImage refuses images above 256 MB unless told otherwise; the engine's own pixel limit is the
// one that counts.
void allowQImageUpToEngineLimit()
{
    static std::once_flag once;
    std::call_once(once, [] {
        const qint64 megabytes = kMaxPixels * 4 / (1024 * 1024) + 1;
        if (QImageReader::allocationLimit() < megabytes)
            QImageReader::setAllocationLimit(int(megabytes));
    });
}

// Qt's BMP reader returns a partly filled image for a file that was cut short. An uncompressed
// BMP's size follows from its header, so a shorter file is refused (RLE sizes cannot be known).
bool isCutBmp(const QString& file)
{
    QFile in(file);
    if (!in.open(QIODevice::ReadOnly))
        return false;
    const QByteArray h = in.read(34);
    if (h.size() < 34)
        return true;
    const auto u32 = [&](int at) { return qFromLittleEndian<quint32>(h.constData() + at); };
    const auto i32 = [&](int at) { return qFromLittleEndian<qint32>(h.constData() + at); };
    if (u32(14) < 40)
        return false; // the old OS/2 header: left to Qt
    const quint32 compression = u32(30);
    if (compression != 0 && compression != 3 && compression != 6)
        return false;
    const qint64 bitsPerPixel = qFromLittleEndian<quint16>(h.constData() + 28);
    const qint64 rowBytes = (qint64(i32(18)) * bitsPerPixel + 31) / 32 * 4;
    const qint64 needed = qint64(u32(10)) + rowBytes * std::llabs(qint64(i32(22)));
    return in.size() < needed;
}

// Decodes every pixel in the calling thread. libvips' thread pool can lose a decoder's error
// (a file cut short then comes out with rows missing), and a failed read must fail the file.
// The conversion to the bitmap's colours and the turn upright are done in the same pass, so a
// photo is held in memory once.
Bitmap bitmapInThisThread(const vips::VImage& decoded, const Turn& turn = {})
{
    return turned(ImageEngine::abortable(normalizedPipeline(decoded, false)), turn, 4, false);
}

Bitmap loadWithQImage(const QString& file, const QString& name)
{
    allowQImageUpToEngineLimit();
    QImageReader reader(file, "bmp");
    const QSize size = reader.size();
    if (!size.isValid() || isCutBmp(file))
        throw KelvaroError::unreadable(name);
    checkPixels(size.width(), size.height(), name);
    const QImage image = reader.read();
    if (image.isNull())
        throw KelvaroError::unreadable(name);
    return fromQImage(image);
}

// How much larger than the target a DCT-scaled JPEG must stay for the scaler to finish the job.
constexpr double kDctHeadroom = 1.0;

int orientationOf(const vips::VImage& header)
{
    if (header.get_typeof(VIPS_META_ORIENTATION) == 0)
        return 1;
    const int orientation = header.get_int(VIPS_META_ORIENTATION);
    return orientation >= 1 && orientation <= 8 ? orientation : 1;
}

QSize uprightSizeOf(const vips::VImage& header, int orientation)
{
    return orientation >= 5 ? QSize(header.height(), header.width()) : QSize(header.width(), header.height());
}

// What the decoder of the source whose header this is holds beyond its strips, in bytes per pixel
// (decoderHeldBytes).
struct DecoderHold {
    double bytes = 0;    // per pixel
    bool whole = false;  // the whole source, held whoever reads it; not strips the encoder pulls
};

DecoderHold decoderHoldOf(const vips::VImage& header)
{
    const QByteArray loader = header.get_typeof(VIPS_META_LOADER) != 0 ? QByteArray(header.get_string(VIPS_META_LOADER)) : QByteArray();
    const bool interlaced = header.get_typeof("interlaced") != 0 && header.get_int("interlaced") != 0;
    // From the peak resident size of 12-megapixel photos of fine detail, one file at a time,
    // beyond the same photo as a baseline JPEG.
    if (loader.startsWith("heifload") || loader.startsWith("webpload") || loader.startsWith("gifload"))
        return {7, true};
    if (loader.startsWith("jpegload") && interlaced)
        return {6, true};
    if (loader.startsWith("pngload") && interlaced)
        return {3, true};
    // Sixteen bits a sample pass through the conversion to eight in strips twice as wide.
    if (header.format() == VIPS_FORMAT_USHORT)
        return {3, false};
    return {};
}

// The whole source, upright (its EXIF orientation applied), decoded once into the bitmap.
Bitmap fullSize(const vips::VImage& header, int orientation)
{
    return bitmapInThisThread(header, Turn::upright(orientation));
}

// Rounding inside the scaler may leave a side one pixel off; the edge is repeated.
Bitmap fitted(Bitmap bitmap, QSize size)
{
    if (bitmap.width() != size.width() || bitmap.height() != size.height())
        bitmap = bitmap
                     .embed(0, 0, size.width(), size.height(),
                            vips::VImage::option()->set("extend", VIPS_EXTEND_COPY))
                     .copy_memory();
    return bitmap;
}

// `image` scaled to exactly `width` × `height`, as the thumbnail scales: transparent pixels give
// no colour to their neighbours, and the result keeps the source's sample format.
vips::VImage scaledTo(const vips::VImage& image, int width, int height)
{
    const auto options = vips::VImage::option()->set("vscale", double(height) / image.height());
    const double hscale = double(width) / image.width();
    if (!image.has_alpha())
        return image.resize(hscale, options);
    return image.premultiply().resize(hscale, options).unpremultiply().cast(image.format());
}

// The source scaled down, upright, to exactly `size`: libvips picks the decoder's own reduction
// (JPEG's DCT scaling, a pyramid level) and streams the rest, so the full-size pixels are never
// held in memory.
Bitmap reduced(const vips::VSource& source, const vips::VImage& header, int orientation, QSize size)
{
    const auto options = [&] {
        return vips::VImage::option()->set("height", size.height())->set("size", VIPS_SIZE_FORCE)->set("fail_on", VIPS_FAIL_ON_TRUNCATED);
    };
    // libvips' own choice leaves JPEG's DCT scaling out until a quarter of the size; scaling by
    // half already halves the decoding work while the scaler still has more than enough pixels.
    const double factor = double(std::max(header.width(), header.height())) / std::max(size.width(), size.height());
    int shrink = 1;
    const std::string loader = header.get_typeof("vips-loader") != 0 ? header.get_string("vips-loader") : "";
    const bool jpeg = loader == "jpegload_source";
    if (jpeg) {
        while (shrink < 8 && factor >= shrink * 2 * kDctHeadroom)
            shrink *= 2;
    }
    // The thumbnail's own loader completes a JPEG it does not scale, or a PNG, cut short with
    // grey: those are opened here, where a file cut short is refused. Neither has a reduction
    // the thumbnail could pick (pyramid levels, embedded previews) that this would miss. They are
    // scaled by the thumbnail's own scaler without the rest of the thumbnail, which would hold
    // a few more megabytes of every photo in progress, and turned upright once small.
    if (jpeg || loader == "pngload_source") {
        auto options = vips::VImage::option()->set("access", VIPS_ACCESS_SEQUENTIAL)->set("fail_on", VIPS_FAIL_ON_TRUNCATED);
        const vips::VImage opened = vips::VImage::new_from_source(source, "", jpeg ? options->set("shrink", shrink) : options);
        const QSize stored = orientation >= 5 ? size.transposed() : size;
        return fitted(bitmapInThisThread(scaledTo(opened, stored.width(), stored.height()), Turn::upright(orientation)), size);
    }
    return fitted(bitmapInThisThread(vips::VImage::thumbnail_source(source, size.width(), options())), size);
}

} // namespace

ImageEngine::Probe ImageEngine::probe(const QString& file)
{
    initVips();
    Probe probed;
    // Opened without waiting: what is not a regular file is never read.
    const int descriptor = ::open(NativePath::encoded(file).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (descriptor < 0)
        return probed;
    const auto closing = qScopeGuard([descriptor] { ::close(descriptor); });
    struct stat info {};
    if (::fstat(descriptor, &info) != 0 || !S_ISREG(info.st_mode))
        return probed;
    probed.regular = true;
    char head[4] = {};
    const ssize_t read = ::pread(descriptor, head, sizeof head, 0);
    // The signatures libvips looks for before it hands a file to its PDF decoder, and Qt's BMP
    // reader before it takes a file.
    probed.pdf = QFileInfo(file).suffix().toLower() == QLatin1String("pdf") || (read == 4 && std::memcmp(head, "%PDF", 4) == 0);
    probed.bmp = !probed.pdf && read >= 2 && std::memcmp(head, "BM", 2) == 0;
    if (probed.pdf) {
        probePdfPage(descriptor, probed);
        return probed;
    }
    if (probed.bmp) {
        QFile in;
        if (in.open(descriptor, QIODevice::ReadOnly, QFileDevice::DontCloseHandle))
            probed.size = QImageReader(&in, "bmp").size();
        return probed;
    }
    try {
        // libvips takes a duplicate of the descriptor, read from the start.
        const vips::VSource source = vips::VSource::new_from_descriptor(descriptor);
        probed.header = vips::VImage::new_from_source(source, "", vips::VImage::option()->set("access", VIPS_ACCESS_SEQUENTIAL));
        probed.size = uprightSizeOf(probed.header, orientationOf(probed.header));
        const DecoderHold hold = decoderHoldOf(probed.header);
        probed.decoderBytes = hold.bytes;
        probed.decoderWhole = hold.whole;
    } catch (const std::exception&) {
        probed.header = vips::VImage();
        probed.size = QSize();
    }
    return probed;
}

std::optional<QSize> ImageEngine::uprightSize(const QString& file)
{
    const Probe probed = probe(file);
    if (probed.bmp || !probed.size.isValid())
        return std::nullopt;
    return probed.size;
}

double ImageEngine::decoderHeldBytes(const QString& file)
{
    return probe(file).decoderBytes;
}

bool ImageEngine::decoderHoldsWhole(const QString& file)
{
    return probe(file).decoderWhole;
}

LoadedImage ImageEngine::load(const QString& file, int maxSide)
{
    initVips();
    const QString name = QFileInfo(file).fileName();
    LoadedImage loaded;
    // Also a PDF under a photo's name: drawn as the PDF it is, never handed to libvips.
    if (isPdf(file)) {
        loaded.image = renderPDFPage(file, maxSide);
        return loaded;
    }
    try {
        struct stat info {};
        if (::stat(NativePath::encoded(file).constData(), &info) != 0 || !S_ISREG(info.st_mode))
            throw KelvaroError::unreadable(name);

        int orientation = 1;
        if (isBmp(file)) {
            loaded.image = loadWithQImage(file, name);
            loaded.properties.insert(QStringLiteral("Loader"), QStringLiteral("qimage"));
            loaded.properties.insert(QStringLiteral("PixelWidth"), loaded.image.width());
            loaded.properties.insert(QStringLiteral("PixelHeight"), loaded.image.height());
        } else {
            // A source, not new_from_file: file names may contain "[", which libvips would
            // read as load options.
            const vips::VSource source = vips::VSource::new_from_file(NativePath::encoded(file).constData());
            // A file cut short is refused, not completed with grey or black.
            const vips::VImage header = vips::VImage::new_from_source(
                source, "",
                vips::VImage::option()->set("access", VIPS_ACCESS_SEQUENTIAL)->set("fail_on", VIPS_FAIL_ON_TRUNCATED));
            // The header is read before any pixel: a file that claims an absurd size is refused
            // before it can claim the memory.
            checkPixels(header.width(), header.height(), name);
            orientation = orientationOf(header);
            loaded.properties.insert(QStringLiteral("Loader"), QStringLiteral("vips"));
            loaded.properties.insert(QStringLiteral("PixelWidth"), header.width());
            loaded.properties.insert(QStringLiteral("PixelHeight"), header.height());
            if (orientation > 1)
                loaded.properties.insert(QStringLiteral("Orientation"), orientation);
            // Only shrinking is done on load, to the size the long side gives; the rest of
            // the operation then finds the size it would compute anyway.
            const QSize upright = uprightSizeOf(header, orientation);
            // CMYK keeps the full-size path: the scaler would convert its colours its own way.
            if (maxSide > 0 && std::max(upright.width(), upright.height()) > maxSide
                && header.interpretation() != VIPS_INTERPRETATION_CMYK)
                loaded.image = reduced(source, header, orientation, ImageEffects::targetSize(upright.width(), upright.height(),
                                                                        ResizeSpec{false, 100, maxSide}));
            else
                loaded.image = fullSize(header, orientation);
        }
        const ImageMetadata::Blocks metadata = ImageMetadata::read(file);
        loaded.exif = metadata.exif;
        loaded.iptc = metadata.iptc;
        loaded.xmp = metadata.xmp;
    } catch (const KelvaroError&) {
        throw;
    } catch (const std::exception&) { // vips::VError, std::bad_alloc
        throw KelvaroError::unreadable(name);
    }
    return loaded;
}

bool ImageEngine::isRegularFile(const QString& file)
{
    struct stat info {};
    return !file.isEmpty() && ::stat(NativePath::encoded(file).constData(), &info) == 0 && S_ISREG(info.st_mode);
}

qint64 ImageEngine::fileSize(const QString& file)
{
    struct stat info {};
    if (file.isEmpty() || ::stat(NativePath::encoded(file).constData(), &info) != 0 || !S_ISREG(info.st_mode))
        return 0;
    return qint64(info.st_size);
}

} // namespace kelvaro
