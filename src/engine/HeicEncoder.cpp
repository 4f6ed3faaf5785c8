#include "engine/HeicEncoder.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <string>

#include <fcntl.h>
#include <unistd.h>

#include <libheif/heif.h>

#include "platform/FileSystem.h"
#include "platform/NativePath.h"

namespace kelvaro::HeicEncoder {
namespace {

// libheif reads no image above this many pixels a side (a limit of its own against hostile
// files), and x265 wrote a longer photo into a file no reader opens, or crashed on it.
constexpr int kMaxSide = 16384;

void check(const heif_error& error)
{
    if (error.code != heif_error_Ok)
        throw std::runtime_error(error.message ? error.message : "libheif failed");
}

// Writes all of `data` into the file whose descriptor `userdata` points to.
heif_error writeAll(heif_context*, const void* data, size_t size, void* userdata)
{
    const int fd = *static_cast<const int*>(userdata);
    if (FileSystem::current().writeAll(fd, static_cast<const char*>(data), qint64(size)) != 0)
        return {heif_error_Encoding_error, heif_suberror_Cannot_write_output_data, "the file could not be written"};
    return {heif_error_Ok, heif_suberror_Unspecified, "Success"};
}

// The encoder's own failures are about the image, never about the file.
void checkEncoding(const heif_error& error)
{
    if (error.code != heif_error_Ok)
        throw Refused(error.message ? error.message : "libheif refused the image");
}

// libheif's RGB input takes three colour bands: grey is spread over them, an alpha band kept last.
vips::VImage asRgb(const vips::VImage& image)
{
    if (image.bands() > 2)
        return image;
    const vips::VImage grey = image.extract_band(0);
    vips::VImage rgb = grey.bandjoin(grey).bandjoin(grey);
    if (image.bands() == 2)
        rgb = rgb.bandjoin(image.extract_band(1));
    return rgb.copy(vips::VImage::option()->set("interpretation", VIPS_INTERPRETATION_sRGB));
}

// Owners of libheif's objects: each freed by its own release function.
template <typename T, auto Free>
struct Deleter {
    void operator()(T* p) const
    {
        if (p)
            Free(p);
    }
};
using Context = std::unique_ptr<heif_context, Deleter<heif_context, heif_context_free>>;
using Encoder = std::unique_ptr<heif_encoder, Deleter<heif_encoder, heif_encoder_release>>;
using Image = std::unique_ptr<heif_image, Deleter<heif_image, heif_image_release>>;
using Handle = std::unique_ptr<heif_image_handle, Deleter<heif_image_handle, heif_image_handle_release>>;
using Options = std::unique_ptr<heif_encoding_options, Deleter<heif_encoding_options, heif_encoding_options_free>>;

// Computes `image` (3 or 4 bands of uchar) into the interleaved plane a band of rows at a time,
// in the calling thread: a pipeline's decoder then runs here, so its failure reaches the caller
// (libvips' thread pool could lose it), and the photo is never held twice.
void fillPlane(const vips::VImage& image, uint8_t* plane, int stride)
{
    VipsRegion* region = vips_region_new(image.get_image());
    const size_t rowBytes = size_t(image.width()) * size_t(image.bands());
    constexpr int kRowsPerBand = 64;
    for (int top = 0; top < image.height(); top += kRowsPerBand) {
        VipsRect band{0, top, image.width(), std::min(kRowsPerBand, image.height() - top)};
        if (vips_region_prepare(region, &band) != 0) {
            g_object_unref(region);
            throw vips::VError();
        }
        for (int y = band.top; y < band.top + band.height; ++y)
            std::memcpy(plane + size_t(y) * size_t(stride), VIPS_REGION_ADDR(region, 0, y), rowBytes);
    }
    g_object_unref(region);
}

} // namespace

void write(const vips::VImage& input, const QString& path, int quality, const QByteArray& exif, const QByteArray& xmp)
{
    const vips::VImage image = asRgb(input.format() == VIPS_FORMAT_UCHAR ? input : input.cast(VIPS_FORMAT_UCHAR));
    const int bands = image.bands();
    if (bands != 3 && bands != 4)
        throw Refused("HEIC takes grey, RGB or RGBA");
    const int width = image.width();
    const int height = image.height();
    if (width > kMaxSide || height > kMaxSide)
        throw Refused("HEIC takes at most 16384 pixels a side");

    Context context(heif_context_alloc());
    heif_encoder* rawEncoder = nullptr;
    checkEncoding(heif_context_get_encoder_for_format(context.get(), heif_compression_HEVC, &rawEncoder));
    Encoder encoder(rawEncoder);
    checkEncoding(heif_encoder_set_lossy_quality(encoder.get(), quality));
    // An encoder without these parameters (not x265) keeps its own defaults.
    heif_encoder_set_parameter_string(encoder.get(), "preset", x265Preset);
    const bool subsampled = quality < 90;
    heif_encoder_set_parameter_string(encoder.get(), "chroma", subsampled ? "420" : "444");
    if (subsampled) {
        for (const std::string option : x265SubsampledOptions) {
            const size_t equals = option.find('=');
            heif_encoder_set_parameter_string(encoder.get(), ("x265:" + option.substr(0, equals)).c_str(),
                                              option.substr(equals + 1).c_str());
        }
    }

    heif_image* rawImage = nullptr;
    checkEncoding(heif_image_create(width, height, heif_colorspace_RGB,
                            bands == 4 ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB, &rawImage));
    Image heifImage(rawImage);
    checkEncoding(heif_image_add_plane(heifImage.get(), heif_channel_interleaved, width, height, 8));
    int stride = 0;
    uint8_t* plane = heif_image_get_plane(heifImage.get(), heif_channel_interleaved, &stride);
    if (!plane)
        throw Refused("libheif gave no plane");
    fillPlane(image, plane, stride);

    Options options(heif_encoding_options_alloc());
    options->save_alpha_channel = bands == 4;
    heif_image_handle* rawHandle = nullptr;
    checkEncoding(heif_context_encode_image(context.get(), heifImage.get(), encoder.get(), options.get(), &rawHandle));
    Handle handle(rawHandle);
    if (!exif.isEmpty())
        check(heif_context_add_exif_metadata(context.get(), handle.get(), exif.constData(), int(exif.size())));
    if (!xmp.isEmpty())
        check(heif_context_add_XMP_metadata(context.get(), handle.get(), xmp.constData(), int(xmp.size())));
    // libheif's own file writer does not check its writes: on a full disk it reported success for
    // a file cut short, or empty. The bytes go out through checked writes instead.
    int fd = ::open(NativePath::encoded(path).constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0)
        throw std::runtime_error("the HEIC file could not be opened");
    heif_writer writer{1, writeAll};
    const heif_error written = heif_context_write(context.get(), &writer, &fd);
    if (::close(fd) != 0)
        throw std::runtime_error("the HEIC file could not be written");
    check(written);
}

} // namespace kelvaro::HeicEncoder
