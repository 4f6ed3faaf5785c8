// bench-tool: makes the benchmark's input photos and checks the outputs of every tool.
//
//   bench-tool jpeg OUT WIDTH HEIGHT ORIENTATION SEED   photo-like JPEG (Q 92) with EXIF and GPS;
//                                                        WIDTH × HEIGHT is the upright size
//   bench-tool heic OUT WIDTH HEIGHT SEED               photo-like HEIC (Q 80), with EXIF
//   bench-tool png  OUT WIDTH HEIGHT SEED               photo-like PNG with a soft alpha edge
//   bench-tool tiff16 OUT WIDTH HEIGHT ORIENTATION SEED  photo-like TIFF of 16 bits a sample
//                                                        (LZW), its orientation tag set
//   bench-tool check FILE...                            one line per file:
//       <upright width> <upright height> <upright 0/1> <orientation tag> <exif 0/1> <mean>
//       <corner of the marker: tl tr br bl none> TAB <file>
//   bench-tool diff A B                                 mean absolute difference of two images
//                                                        of the same size (levels), and PSNR
//   bench-tool x265 FILE QUALITY REPEATS SETTING...     encodes FILE as HEIC through libheif
//                                                        with each encoder setting (a preset,
//                                                        then ",name=value" parameters): CPU
//                                                        and wall seconds, bytes, PSNR against
//                                                        the source, and each against the first
//
// Every input carries a red square in its upright top left corner, so that a result that was not
// turned upright (or was mirrored) is caught by `check`.
#include <cmath>
#include <cstdio>
#include <cstring>

#include <sys/resource.h>
#include <time.h>
#include <unistd.h>
#include <cstdlib>
#include <string>
#include <vector>

#include <exiv2/exiv2.hpp>
#include <libheif/heif.h>
#include <vips/vips8>

using vips::VImage;

namespace {

[[noreturn]] void usage()
{
    std::fputs("usage: bench-tool jpeg|heic|tiff16|png|check|diff|x265 ...\n", stderr);
    std::exit(2);
}

// Smooth shapes at a few scales plus fine sensor-like grain: compresses like a camera photo
// (a 24 MP frame gives a JPEG of several megabytes), unlike a flat test card.
VImage photoLike(int width, int height, int seed)
{
    std::vector<VImage> bands;
    for (int band = 0; band < 3; ++band) {
        const int s = seed * 7 + band * 101;
        VImage coarse = VImage::perlin(width, height, VImage::option()->set("cell_size", 1024)->set("seed", s));
        VImage middle = VImage::perlin(width, height, VImage::option()->set("cell_size", 160)->set("seed", s + 1));
        VImage fine = VImage::perlin(width, height, VImage::option()->set("cell_size", 24)->set("seed", s + 2));
        VImage grain = VImage::gaussnoise(width, height,
                                          VImage::option()->set("sigma", 4.0)->set("mean", 0.0)->set("seed", s + 3));
        bands.push_back(coarse * 70 + middle * 35 + fine * 12 + grain + (110 + 25 * band));
    }
    VImage rgb = bands[0].bandjoin(bands[1]).bandjoin(bands[2]).cast(VIPS_FORMAT_UCHAR);
    // The upright marker: an opaque red square in the top left corner.
    const int side = std::max(8, std::min(width, height) / 8);
    VImage red = VImage::black(side, side, VImage::option()->set("bands", 3)).new_from_image({220, 20, 20});
    rgb = rgb.insert(red.cast(VIPS_FORMAT_UCHAR), 0, 0);
    return rgb.copy(VImage::option()->set("interpretation", VIPS_INTERPRETATION_sRGB));
}

// Stored pixels for an upright image: what a camera with this orientation tag would have written.
VImage storedFor(const VImage& upright, int orientation)
{
    switch (orientation) {
    case 3: return upright.rot(VIPS_ANGLE_D180);
    case 6: return upright.rot(VIPS_ANGLE_D270); // tag 6: turn 90° clockwise to show
    case 8: return upright.rot(VIPS_ANGLE_D90);
    default: return upright;
    }
}

void addExif(const std::string& path, int orientation)
{
    auto image = Exiv2::ImageFactory::open(path);
    image->readMetadata();
    Exiv2::ExifData& exif = image->exifData();
    exif["Exif.Image.Make"] = "Bench";
    exif["Exif.Image.Model"] = "Generated 24";
    exif["Exif.Image.Orientation"] = uint16_t(orientation);
    exif["Exif.Image.Artist"] = "Kelvaro bench";
    exif["Exif.Photo.DateTimeOriginal"] = "2026:06:01 12:00:00";
    exif["Exif.Photo.ExposureTime"] = Exiv2::URational(1, 250);
    exif["Exif.Photo.FNumber"] = Exiv2::URational(28, 10);
    exif["Exif.GPSInfo.GPSLatitudeRef"] = "N";
    exif["Exif.GPSInfo.GPSLatitude"] = "50/1 5/1 0/1";
    exif["Exif.GPSInfo.GPSLongitudeRef"] = "E";
    exif["Exif.GPSInfo.GPSLongitude"] = "14/1 25/1 0/1";
    image->iptcData()["Iptc.Application2.City"] = "Praha";
    image->writeMetadata();
}

int makeJpeg(const std::string& out, int width, int height, int orientation, int seed)
{
    storedFor(photoLike(width, height, seed), orientation)
        .jpegsave(out.c_str(), VImage::option()->set("Q", 92)->set("strip", true));
    addExif(out, orientation);
    return 0;
}

int makeHeic(const std::string& out, int width, int height, int seed)
{
    photoLike(width, height, seed).heifsave(out.c_str(), VImage::option()->set("Q", 80)->set("strip", true));
    return 0;
}

int makeTiff16(const std::string& out, int width, int height, int orientation, int seed)
{
    VImage stored = storedFor(photoLike(width, height, seed), orientation);
    // Every 8-bit level spread over the 16-bit range, as a scanner or a raw converter writes it.
    stored = (stored.cast(VIPS_FORMAT_USHORT) * 257)
                 .cast(VIPS_FORMAT_USHORT)
                 .copy(VImage::option()->set("interpretation", VIPS_INTERPRETATION_RGB16));
    stored.set(VIPS_META_ORIENTATION, orientation);
    stored.tiffsave(out.c_str(), VImage::option()->set("compression", VIPS_FOREIGN_TIFF_COMPRESSION_LZW));
    return 0;
}

int makePng(const std::string& out, int width, int height, int seed)
{
    const VImage rgb = photoLike(width, height, seed);
    // A soft vignette of transparency: the corners fade out.
    VImage xy = VImage::xyz(width, height);
    VImage dx = (xy[0] - width / 2.0) / (width / 2.0);
    VImage dy = (xy[1] - height / 2.0) / (height / 2.0);
    VImage alpha = (1.6 - (dx * dx + dy * dy)) * 255;
    rgb.bandjoin(alpha.cast(VIPS_FORMAT_UCHAR))
        .copy(VImage::option()->set("interpretation", VIPS_INTERPRETATION_sRGB))
        .pngsave(out.c_str(), VImage::option()->set("compression", 1));
    return 0;
}

int check(int argc, char** argv)
{
    int failures = 0;
    for (int i = 2; i < argc; ++i) {
        const std::string file = argv[i];
        try {
            VImage image = VImage::new_from_file(file.c_str());
            const int tag = image.get_typeof(VIPS_META_ORIENTATION) ? image.get_int(VIPS_META_ORIENTATION) : 0;
            const bool exif = image.get_typeof(VIPS_META_EXIF_NAME) != 0;
            // Upright as a viewer shows it: the tag applied.
            VImage upright = image.autorot();
            if (upright.bands() > 3)
                upright = upright.flatten(VImage::option()->set("background", 255));
            if (upright.bands() < 3)
                upright = upright.colourspace(VIPS_INTERPRETATION_sRGB);
            const double mean = upright.avg(); // decodes every pixel: the file is readable
            const int w = upright.width(), h = upright.height();
            const int probe = std::max(1, std::min(w, h) / 24);
            const auto redAt = [&](int x, int y) {
                VImage patch = upright.extract_area(x, y, probe, probe);
                const double r = patch[0].avg(), g = patch[1].avg(), b = patch[2].avg();
                return r > 150 && g < 90 && b < 90;
            };
            const int inset = probe / 2 + 1;
            // The corner that holds the marker, alone: "tl" for an upright result, "tr" for one
            // turned a quarter clockwise; "none" when no single corner does.
            const bool corners[4] = {redAt(inset, inset), redAt(w - probe - inset, inset),
                                     redAt(w - probe - inset, h - probe - inset), redAt(inset, h - probe - inset)};
            static const char* const names[4] = {"tl", "tr", "br", "bl"};
            const char* corner = "none";
            if (corners[0] + corners[1] + corners[2] + corners[3] == 1)
                for (int c = 0; c < 4; ++c)
                    if (corners[c])
                        corner = names[c];
            const bool upright1 = std::strcmp(corner, "tl") == 0;
            std::printf("%d %d %d %d %d %.2f %s\t%s\n", w, h, upright1 ? 1 : 0, tag, exif ? 1 : 0, mean, corner, file.c_str());
        } catch (const vips::VError& error) {
            std::printf("0 0 0 0 0 unreadable none\t%s\n", file.c_str());
            ++failures;
        }
    }
    return failures == 0 ? 0 : 1;
}

int diff(const std::string& a, const std::string& b)
{
    VImage x = VImage::new_from_file(a.c_str()).autorot();
    VImage y = VImage::new_from_file(b.c_str()).autorot();
    if (x.width() != y.width() || x.height() != y.height()) {
        std::printf("size %dx%d vs %dx%d\n", x.width(), x.height(), y.width(), y.height());
        return 1;
    }
    x = x.extract_band(0, VImage::option()->set("n", 3)).cast(VIPS_FORMAT_FLOAT);
    y = y.extract_band(0, VImage::option()->set("n", 3)).cast(VIPS_FORMAT_FLOAT);
    const VImage d = x - y;
    const double mad = d.abs().avg();
    const double mse = (d * d).avg();
    std::printf("mean-abs %.3f psnr %.2f\n", mad, mse > 0 ? 10 * std::log10(255.0 * 255.0 / mse) : 99.0);
    return 0;
}

double cpuSeconds()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

double wallSeconds()
{
    timespec now {};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return now.tv_sec + now.tv_nsec / 1e9;
}

double psnr(const VImage& a, const VImage& b)
{
    const VImage d = a.extract_band(0, VImage::option()->set("n", 3)).cast(VIPS_FORMAT_FLOAT) -
                     b.extract_band(0, VImage::option()->set("n", 3)).cast(VIPS_FORMAT_FLOAT);
    const double mse = (d * d).avg();
    return mse > 0 ? 10 * std::log10(255.0 * 255.0 / mse) : 99.0;
}

// PSNR of the luma (BT.601) alone: the RGB figure of a 4:2:0 file is held down by the chroma
// subsampling, which hides what the encoder's settings change.
double lumaPsnr(const VImage& a, const VImage& b)
{
    const auto luma = [](const VImage& image) {
        const VImage rgb = image.cast(VIPS_FORMAT_FLOAT);
        return rgb[0] * 0.299 + rgb[1] * 0.587 + rgb[2] * 0.114;
    };
    const VImage d = luma(a) - luma(b);
    const double mse = (d * d).avg();
    return mse > 0 ? 10 * std::log10(255.0 * 255.0 / mse) : 99.0;
}

// One HEIC encoder setting: an x265 preset, then libheif encoder parameters ("chroma=444") or x265
// options ("x265:rskip=1"), joined by commas: "medium,x265:rskip=1".
struct Variant {
    std::string text;
    std::string preset;
    std::vector<std::pair<std::string, std::string>> parameters;
};

Variant parseVariant(const std::string& text)
{
    Variant variant{text, {}, {}};
    size_t start = 0;
    while (start <= text.size()) {
        const size_t comma = std::min(text.find(',', start), text.size());
        const std::string item = text.substr(start, comma - start);
        const size_t equals = item.find('=');
        if (start == 0)
            variant.preset = item;
        else if (equals != std::string::npos)
            variant.parameters.emplace_back(item.substr(0, equals), item.substr(equals + 1));
        start = comma + 1;
    }
    return variant;
}

// The route of the engine's HEIC writer: 8-bit RGB handed to libheif, which converts it to
// YCbCr, chroma subsampled below quality 90. Each variant is encoded `repeats` times; the CPU
// and wall time are the fastest of them.
int x265Variants(const std::string& file, int quality, int repeats, const std::vector<std::string>& texts)
{
    const VImage source = VImage::new_from_file(file.c_str()).autorot().extract_band(0, VImage::option()->set("n", 3)).copy_memory();
    const int w = source.width(), h = source.height();
    std::printf("%-64s %6s %6s %10s %7s %7s %6s %6s %7s %7s\n", "setting", "cpu s", "wall s", "bytes", "psnr dB", "Y dB", "cpu",
                "size", "psnr", "Y");
    double firstCpu = 0, firstPsnr = 0, firstLuma = 0;
    long firstSize = 0;
    for (const std::string& text : texts) {
        const Variant variant = parseVariant(text);
        const std::string out = "/tmp/bench-x265-" + std::to_string(getpid()) + ".heic";
        double cpu = 1e9, wall = 1e9;
        heif_error error{};
        for (int r = 0; r < repeats; ++r) {
            const double start = cpuSeconds();
            const double wallStart = wallSeconds();
            heif_context* context = heif_context_alloc();
            heif_encoder* encoder = nullptr;
            heif_context_get_encoder_for_format(context, heif_compression_HEVC, &encoder);
            heif_encoder_set_lossy_quality(encoder, quality);
            heif_encoder_set_parameter_string(encoder, "chroma", quality >= 90 ? "444" : "420");
            if (variant.preset != "default")
                heif_encoder_set_parameter_string(encoder, "preset", variant.preset.c_str());
            for (const auto& [name, value] : variant.parameters)
                if (heif_encoder_set_parameter_string(encoder, name.c_str(), value.c_str()).code != heif_error_Ok)
                    heif_encoder_set_parameter_integer(encoder, name.c_str(), std::atoi(value.c_str()));
            heif_image* image = nullptr;
            heif_image_create(w, h, heif_colorspace_RGB, heif_chroma_interleaved_RGB, &image);
            heif_image_add_plane(image, heif_channel_interleaved, w, h, 8);
            int stride = 0;
            uint8_t* plane = heif_image_get_plane(image, heif_channel_interleaved, &stride);
            const auto* pixels = static_cast<const uint8_t*>(source.data());
            for (int y = 0; y < h; ++y)
                std::memcpy(plane + size_t(y) * size_t(stride), pixels + size_t(y) * size_t(w) * 3, size_t(w) * 3);
            heif_image_handle* handle = nullptr;
            error = heif_context_encode_image(context, image, encoder, nullptr, &handle);
            if (error.code == heif_error_Ok)
                heif_context_write_to_file(context, out.c_str());
            cpu = std::min(cpu, cpuSeconds() - start);
            wall = std::min(wall, wallSeconds() - wallStart);
            heif_image_handle_release(handle);
            heif_image_release(image);
            heif_encoder_release(encoder);
            heif_context_free(context);
            if (error.code != heif_error_Ok)
                break;
        }
        if (error.code != heif_error_Ok) {
            std::printf("%-64s failed: %s\n", text.c_str(), error.message);
            continue;
        }
        const VImage decoded = VImage::new_from_file(out.c_str());
        FILE* f = std::fopen(out.c_str(), "rb");
        std::fseek(f, 0, SEEK_END);
        const long size = std::ftell(f);
        std::fclose(f);
        const double quality = psnr(source, decoded);
        const double luma = lumaPsnr(source, decoded);
        if (firstSize == 0)
            firstCpu = cpu, firstPsnr = quality, firstLuma = luma, firstSize = size;
        std::printf("%-64s %6.2f %6.2f %10ld %7.2f %7.2f %5.0f%% %+5.1f%% %+7.2f %+7.2f\n", text.c_str(), cpu, wall, size, quality,
                    luma, 100 * cpu / firstCpu, 100.0 * (size - firstSize) / firstSize, quality - firstPsnr, luma - firstLuma);
        std::remove(out.c_str());
    }
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (VIPS_INIT(argv[0]) != 0)
        return 3;
    vips_cache_set_max(0); // an output written again under the same name must be read again
    Exiv2::XmpParser::initialize();
    if (argc < 2)
        usage();
    const std::string command = argv[1];
    try {
        if (command == "jpeg" && argc == 7)
            return makeJpeg(argv[2], std::atoi(argv[3]), std::atoi(argv[4]), std::atoi(argv[5]), std::atoi(argv[6]));
        if (command == "heic" && argc == 6)
            return makeHeic(argv[2], std::atoi(argv[3]), std::atoi(argv[4]), std::atoi(argv[5]));
        if (command == "tiff16" && argc == 7)
            return makeTiff16(argv[2], std::atoi(argv[3]), std::atoi(argv[4]), std::atoi(argv[5]), std::atoi(argv[6]));
        if (command == "png" && argc == 6)
            return makePng(argv[2], std::atoi(argv[3]), std::atoi(argv[4]), std::atoi(argv[5]));
        if (command == "check")
            return check(argc, argv);
        if (command == "diff" && argc == 4)
            return diff(argv[2], argv[3]);
        if (command == "x265" && argc >= 6)
            return x265Variants(argv[2], std::atoi(argv[3]), std::atoi(argv[4]), std::vector<std::string>(argv + 5, argv + argc));
    } catch (const std::exception& error) {
        std::fprintf(stderr, "bench-tool: %s\n", error.what());
        return 1;
    }
    usage();
}
