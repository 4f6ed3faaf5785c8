// Writing: free names claimed atomically, qualities, and the encoders with their metadata.
#include <algorithm>
#include <cerrno>
#include <climits>
#include <cmath>
#include <stdexcept>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTextBoundaryFinder>
#include <QUuid>

#include "engine/FileAbort.h"
#include "engine/HeicEncoder.h"
#include "engine/ImageEffects.h"
#include "engine/ImageEngine.h"
#include "engine/ImageMetadata.h"
#include "engine/ImageStream.h"
#include "engine/MemoryBudget.h"
#include "engine/PartFile.h"
#include "engine/WholeFile.h"
#include "platform/NativePath.h"

namespace kelvaro {
namespace {

// What exiv2 works with while it rewrites a file, beside the file and its copy (measured on
// 240-megapixel TIFFs of 0.3 to 0.85 GB).
constexpr qint64 kRewriteBytes = 60'000'000;

// Results are tagged 72 dpi, as photo tools commonly do; libvips would otherwise write its
// own default of 1 pixel per millimetre.
constexpr double kPixelsPerMillimetre = 72.0 / 25.4;

constexpr int kMaxJpegSide = 65535;

bool pathExists(const QByteArray& path)
{
    struct stat info {};
    return ::lstat(path.constData(), &info) == 0; // a dangling link is still a taken name
}

int vipsQuality(double quality)
{
    return int(std::clamp(std::lround(quality * 100), 1L, 100L));
}

// An alpha band that is opaque everywhere would only make lossless files bigger.
vips::VImage withoutOpaqueAlpha(const vips::VImage& image)
{
    if (image.bands() == 4 && image.extract_band(3).min() >= 255)
        return image.extract_band(0, vips::VImage::option()->set("n", 3));
    return image;
}

// The names of the image's metadata fields that start with `prefix` (or equal it).
std::vector<std::string> fieldsStartingWith(const vips::VImage& image, const char* prefix)
{
    std::vector<std::string> found;
    gchar** fields = vips_image_get_fields(image.get_image());
    for (gchar** field = fields; field && *field; ++field)
        if (g_str_has_prefix(*field, prefix))
            found.emplace_back(*field);
    g_strfreev(fields);
    return found;
}

vips::VImage prepared(const vips::VImage& image)
{
    vips::VImage out = image.copy(vips::VImage::option()
                                      ->set("interpretation", VIPS_INTERPRETATION_sRGB)
                                      ->set("xres", kPixelsPerMillimetre)
                                      ->set("yres", kPixelsPerMillimetre));
    // The bitmap is upright: no field may tell a reader to turn it again.
    out.remove(VIPS_META_ORIENTATION);
    out.remove(VIPS_META_EXIF_NAME);
    out.remove(VIPS_META_XMP_NAME);
    out.remove(VIPS_META_IPTC_NAME);
    // The source's EXIF also travels as parsed fields ("exif-ifd0-Make", the EXIF thumbnail),
    // which an encoder that embeds EXIF writes back: the thumbnail would show the photo as it
    // was before blurring or cropping.
    for (const std::string& field : fieldsStartingWith(out, "exif-ifd"))
        out.remove(field.c_str());
    out.remove("jpeg-thumbnail-data");
    return out;
}

qsizetype fileNameBytes(const QString& text)
{
    return NativePath::encoded(text).size();
}

// The longest start of `text` that takes at most `room` bytes, cut between characters as people
// see them, so no letter loses its accent; no space left at its end.
QString cutToBytes(QString text, qsizetype room)
{
    QTextBoundaryFinder boundaries(QTextBoundaryFinder::Grapheme, text);
    boundaries.toEnd();
    while (boundaries.position() > 0 && fileNameBytes(text.left(boundaries.position())) > room)
        boundaries.toPreviousBoundary();
    text.truncate(std::max<qsizetype>(boundaries.position(), 0));
    while (!text.isEmpty() && text.back().isSpace())
        text.chop(1);
    return text;
}

// The failure of a file its encoder wrote in part: only a full disk lets writes fail and later
// ones succeed, as another file's removal makes room.
std::runtime_error writtenInPart(const QString& path)
{
    ImageEngine::foundFull(path);
    return std::runtime_error("written in part");
}

} // namespace

QString ImageEngine::fittedFileName(const QString& base, const QString& tail, const QString& ext, int limit)
{
    // "/" and ":" would leave the folder or confuse file managers. A byte of a source's name that
    // is not UTF-8 stays that byte: the result is named as its source is.
    const auto clean = [](QString text) {
        text.replace(QLatin1Char('/'), QLatin1Char('-'));
        text.replace(QLatin1Char(':'), QLatin1Char('-'));
        return text;
    };
    const QString end = clean(tail) + (ext.isEmpty() ? QString() : QLatin1Char('.') + ext);
    const QString name = clean(base);
    if (fileNameBytes(name + end) > limit)
        return cutToBytes(name, limit - fileNameBytes(end)) + end;
    return name + end;
}

QString ImageEngine::plainFileName(const QString& base, const QString& ext)
{
    return fittedFileName(base, {}, ext);
}

int ImageEngine::nameLimit(const QString& folder)
{
    const long nameMax = ::pathconf(NativePath::encoded(folder).constData(), _PC_NAME_MAX);
    return nameMax > 0 ? int(std::min(nameMax, 4096L)) : NAME_MAX;
}

QString ImageEngine::numberedFileName(const QString& base, const QString& ext, qint64 n, const QString& suffix,
                                      int limit, const QString& mark)
{
    // A suffix (a preset's name as typed) takes at most half the name, so that no suffix can push
    // the name past the limit or leave nothing of the photo's own name.
    const QString kept = fileNameBytes(suffix) > limit / 2 ? cutToBytes(suffix, limit / 2) : suffix;
    const QString described = mark + (kept.isEmpty() ? QString() : QLatin1Char(' ') + kept);
    return fittedFileName(base, n == 1 ? described : described + QLatin1Char(' ') + QString::number(n), ext, limit);
}

QString ImageEngine::uniqueURL(const QString& folder, const QString& base, const QString& ext, const QString& suffix)
{
    const QDir dir(folder);
    const int limit = nameLimit(folder);
    for (qint64 n = 1; n < 1000000; ++n) {
        const QString fileName = numberedFileName(base, ext, n, suffix, limit);
        const QString path = dir.filePath(fileName);
        const QByteArray native = NativePath::encoded(path);
        const int fd = ::open(native.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            ::close(fd);
            return path;
        }
        if (errno == EEXIST || pathExists(native))
            continue;
        // The folder refuses new files: hand back the free name; its writer reports the failure.
        return path;
    }
    // A million names taken: a name no earlier run can have, so nothing is written over.
    const QString described = suffix.isEmpty() ? QString() : QLatin1Char(' ') + suffix;
    return dir.filePath(fittedFileName(
        base, described + QLatin1Char(' ') + QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper(), ext, limit));
}

QString ImageEngine::fileExtension(ImageFormat format)
{
    return rawValue(format);
}

double ImageEngine::effectiveQuality(double quality, ImageFormat format, const EngineSettings& settings)
{
    if (format != ImageFormat::heic)
        return quality;
    // A HEIC result still at the JPEG default takes the HEIC default instead, also when an
    // operation set that same value on purpose.
    if (quality == settings.jpegQuality)
        return settings.heicQuality;
    return quality;
}

void ImageEngine::encode(vips::VImage&& input, ImageFormat format, double quality, const ImageMetadata::Blocks& carried,
                         const QString& path)
{
    // A file asked to stop stops within a strip of the encoder's work. (libvips' handles copy
    // on a move: the caller's is emptied by hand.)
    vips::VImage image = abortable(input);
    input = vips::VImage();
    const QByteArray native = NativePath::encoded(path);
    switch (format) {
    case ImageFormat::jpg: {
        // JPEG counts each side in 16 bits: a longer photo is the format's refusal, not the disk's.
        if (image.width() > kMaxJpegSide || image.height() > kMaxJpegSide)
            throw HeicEncoder::Refused("JPEG takes at most 65535 pixels a side");
        // Transparency is laid on white. Computed as the encoder goes: no copy of the photo.
        const vips::VImage flat = image.bands() == 4
            ? image.flatten(vips::VImage::option()->set("background", std::vector<double>{255, 255, 255}))
                  .cast(VIPS_FORMAT_UCHAR)
            : image;
        // Chroma subsampling is fixed so that the file size follows the quality alone
        // (libvips would turn it off from quality 90 up and double the size).
        prepared(flat).jpegsave(native.constData(), vips::VImage::option()
                                                        ->set("Q", vipsQuality(quality))
                                                        ->set("strip", true)
                                                        ->set("optimize_coding", true)
                                                        ->set("subsample_mode", VIPS_FOREIGN_SUBSAMPLE_ON));
        break;
    }
    case ImageFormat::png:
        prepared(image).pngsave(native.constData(), vips::VImage::option()->set("strip", true)->set("compression", 6));
        if (!wholeFile(path, format))
            throw writtenInPart(path);
        if (!ImageMetadata::writeIntoNewPng(path, carried))
            throw std::runtime_error("metadata not written");
        return;
    case ImageFormat::tiff:
        // libvips drops EXIF from TIFF: the metadata is written afterwards, below.
        prepared(image).tiffsave(native.constData(), vips::VImage::option()
                                                         ->set("strip", true)
                                                         ->set("compression", VIPS_FOREIGN_TIFF_COMPRESSION_LZW)
                                                         ->set("predictor", VIPS_FOREIGN_TIFF_PREDICTOR_HORIZONTAL));
        break;
    case ImageFormat::heic:
        // exiv2 cannot write HEIC: the encoder embeds the EXIF block itself. The carried block
        // holds no orientation or pixel size, so it cannot contradict the upright pixels. HEIC
        // has no place for IPTC: its fields travel as the XMP properties that hold the same.
        HeicEncoder::write(image, path, vipsQuality(quality), ImageMetadata::exifPayload(carried.exif),
                           ImageMetadata::xmpFromIptc(carried.iptc));
        return;
    case ImageFormat::pdf:
    case ImageFormat::zip:
        throw std::runtime_error("not an image format");
    }
    // On a full disk the encoders can drop a block they could not write, go on with the next once
    // another file's removal made room, and report success.
    if (!wholeFile(path, format))
        throw writtenInPart(path);
    // What was encoded goes before the metadata is written back: a bitmap handed over is given
    // back here, and the rewrite takes its place.
    image = vips::VImage();
    MemoryBudget::FileHold::encoderDone();
    if (format == ImageFormat::tiff || !carried.exif.isEmpty() || !carried.iptc.isEmpty()) {
        // Writing the metadata back holds the file and its rewritten copy at once, in place of
        // the encoder's strips: a large TIFF's size, which its content sets, is known only now.
        struct stat written {};
        const qint64 size = ::stat(native.constData(), &written) == 0 ? qint64(written.st_size) : 0;
        // Holds what it wrote; waits for files at work to give memory back or to wait
        // themselves, never for one that waits (MemoryBudget). A stop ends the wait.
        if (!MemoryBudget::FileHold::growTo(2 * size + kRewriteBytes))
            throw FileAborted();
    }
    if (!ImageMetadata::writeInto(path, carried, format == ImageFormat::tiff))
        throw std::runtime_error("metadata not written");
}

void ImageEngine::writeImage(Bitmap&& image, ImageFormat format, double quality, const LoadedImage* metadata,
                             const QString& path, const QString& resultName)
{
    const QString outName = resultName.isEmpty() ? QFileInfo(path).fileName() : resultName;
    ImageMetadata::Blocks carried;
    if (metadata)
        carried = ImageMetadata::carried({metadata->exif, metadata->iptc, {}});
    try {
        vips::VImage written = withoutOpaqueAlpha(image);
        image = Bitmap();
        encode(std::move(written), format, quality, carried, path);
    } catch (const HeicEncoder::Refused&) {
        throw KelvaroError::encodeFailed(outName);
    } catch (const std::exception&) { // vips::VError, std::bad_alloc, the metadata writer's failure
        throw KelvaroError::writeFailed(outName);
    }
}

} // namespace kelvaro
