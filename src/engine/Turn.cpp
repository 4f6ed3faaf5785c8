#include "engine/Turn.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <mutex>
#include <vector>

namespace kelvaro {
namespace {

// A strip of a photo read once: small enough that what the encoder has read goes back soon,
// large enough to be mapped from the system on its own, so that freeing it lowers the footprint.
constexpr size_t kStripBytes = size_t(2) << 20;
// Source rows decoded at a time.
constexpr int kRowsPerBand = 128;
// Source columns copied at a time when transposing, so the rows written to stay in the cache.
constexpr int kColumnsPerBlock = 64;

struct Strips {
    int width = 0;
    int bands = 0;
    int rowsPerStrip = 1;
    std::vector<std::unique_ptr<uint8_t[]>> data;
    std::vector<int64_t> unread; // pixels of each strip not read yet
    std::mutex mutex;
};

int readStrips(VipsRegion* out, void*, void* a, void*, gboolean*)
{
    auto* strips = static_cast<Strips*>(a);
    const VipsRect& r = out->valid;
    const size_t pixel = size_t(strips->bands);
    const std::lock_guard lock(strips->mutex);
    for (int y = r.top; y < VIPS_RECT_BOTTOM(&r); ++y) {
        const int strip = y / strips->rowsPerStrip;
        std::unique_ptr<uint8_t[]>& data = strips->data[size_t(strip)];
        if (!data) {
            vips_error("kelvaro", "%s", "pixels read again after they were given back");
            return -1;
        }
        const uint8_t* row = data.get() + size_t(y % strips->rowsPerStrip) * size_t(strips->width) * pixel;
        std::memcpy(VIPS_REGION_ADDR(out, r.left, y), row + size_t(r.left) * pixel, size_t(r.width) * pixel);
        if ((strips->unread[size_t(strip)] -= r.width) <= 0)
            data.reset();
    }
    return 0;
}

void freeStrips(VipsObject*, void* strips)
{
    delete static_cast<Strips*>(strips);
}

template <int SB, int DB>
inline void put(uint8_t* d, const uint8_t* s)
{
    d[0] = s[0];
    d[1] = s[1];
    d[2] = s[2];
    if constexpr (DB == 4)
        d[3] = SB == 4 ? s[3] : 255;
}

// One band of source rows to their turned places; `rows` are the result's rows.
template <int SB, int DB>
void place(VipsRegion* from, const VipsRect& band, const Turn& turn, uint8_t* const* rows, int outWidth, int outHeight)
{
    const int width = band.width;
    if (!turn.transpose) {
        for (int y = band.top; y < VIPS_RECT_BOTTOM(&band); ++y) {
            const auto* s = reinterpret_cast<const uint8_t*>(VIPS_REGION_ADDR(from, 0, y));
            uint8_t* d = rows[turn.mirrorY ? outHeight - 1 - y : y];
            if (SB == DB && !turn.mirrorX) {
                std::memcpy(d, s, size_t(width) * SB);
                continue;
            }
            for (int x = 0; x < width; ++x)
                put<SB, DB>(d + size_t(turn.mirrorX ? width - 1 - x : x) * DB, s + size_t(x) * SB);
        }
        return;
    }
    // Source column x becomes row x of the result, source row y its column y.
    for (int left = 0; left < width; left += kColumnsPerBlock) {
        const int right = std::min(left + kColumnsPerBlock, width);
        for (int y = band.top; y < VIPS_RECT_BOTTOM(&band); ++y) {
            const auto* s = reinterpret_cast<const uint8_t*>(VIPS_REGION_ADDR(from, 0, y));
            const size_t column = size_t(turn.mirrorX ? outWidth - 1 - y : y) * DB;
            for (int x = left; x < right; ++x)
                put<SB, DB>(rows[turn.mirrorY ? outHeight - 1 - x : x] + column, s + size_t(x) * SB);
        }
    }
}

using Placer = void (*)(VipsRegion*, const VipsRect&, const Turn&, uint8_t* const*, int, int);

Placer placerFor(int sourceBands, int bands)
{
    if (sourceBands == 3)
        return bands == 3 ? place<3, 3> : place<3, 4>;
    return bands == 3 ? place<4, 3> : place<4, 4>;
}

} // namespace

Turn Turn::upright(int orientation)
{
    switch (orientation) {
    case 2: return {false, true, false};
    case 3: return {false, true, true};
    case 4: return {false, false, true};
    case 5: return {true, false, false};
    case 6: return {true, true, false};
    case 7: return {true, true, true};
    case 8: return {true, false, true};
    default: return {};
    }
}

Turn Turn::clockwise(int quarters)
{
    switch (((quarters % 4) + 4) % 4) {
    case 1: return {true, true, false};
    case 2: return {false, true, true};
    case 3: return {true, false, true};
    default: return {};
    }
}

Turn Turn::then(const Turn& next) const
{
    // Mirroring and then transposing is transposing and then mirroring the other axis.
    return {transpose != next.transpose, (next.transpose ? mirrorY : mirrorX) != next.mirrorX,
            (next.transpose ? mirrorX : mirrorY) != next.mirrorY};
}

vips::VImage turned(const vips::VImage& image, const Turn& turn, int bands, bool readOnce)
{
    const int width = image.width();
    const int height = image.height();
    if ((image.bands() != 3 && image.bands() != 4) || (bands != 3 && bands != 4) || image.format() != VIPS_FORMAT_UCHAR)
        throw vips::VError("turned: 8-bit pixels of 3 or 4 bands only");
    const int outWidth = turn.transpose ? height : width;
    const int outHeight = turn.transpose ? width : height;

    VipsImage* out = readOnce ? vips_image_new() : vips_image_new_memory();
    // The result takes the source's fields and metadata (orientation, ICC profile).
    if (vips_image_pipelinev(out, VIPS_DEMAND_STYLE_THINSTRIP, image.get_image(), nullptr) != 0) {
        g_object_unref(out);
        throw vips::VError();
    }
    out->Xsize = outWidth;
    out->Ysize = outHeight;
    out->Bands = bands;
    // It stands as turned: no reader may turn it again.
    vips_image_remove(out, VIPS_META_ORIENTATION);
    std::vector<uint8_t*> rows(static_cast<size_t>(outHeight));
    Strips* strips = nullptr;
    try {
        if (readOnce) {
            strips = new Strips;
            // From here the image owns the strips, also when filling them fails.
            g_signal_connect(out, "close", G_CALLBACK(freeStrips), strips);
            const size_t rowBytes = size_t(outWidth) * size_t(bands);
            strips->width = outWidth;
            strips->bands = bands;
            strips->rowsPerStrip = int(std::clamp<size_t>(kStripBytes / rowBytes, 1, size_t(outHeight)));
            for (int top = 0; top < outHeight; top += strips->rowsPerStrip) {
                const int count = std::min(strips->rowsPerStrip, outHeight - top);
                strips->data.emplace_back(new uint8_t[rowBytes * size_t(count)]);
                strips->unread.push_back(int64_t(count) * outWidth);
                for (int y = 0; y < count; ++y)
                    rows[size_t(top + y)] = strips->data.back().get() + rowBytes * size_t(y);
            }
        } else {
            if (vips_image_write_prepare(out) != 0)
                throw vips::VError();
            for (int y = 0; y < outHeight; ++y)
                rows[size_t(y)] = VIPS_IMAGE_ADDR(out, 0, y);
        }
        // A band of rows at a time, in order, so a sequential decoder can follow.
        const Placer placer = placerFor(image.bands(), bands);
        VipsRegion* from = vips_region_new(image.get_image());
        bool ok = true;
        for (int top = 0; ok && top < height; top += kRowsPerBand) {
            const VipsRect band{0, top, width, std::min(kRowsPerBand, height - top)};
            ok = vips_region_prepare(from, &band) == 0;
            if (ok)
                placer(from, band, turn, rows.data(), outWidth, outHeight);
        }
        g_object_unref(from);
        if (!ok)
            throw vips::VError();
        if (readOnce && vips_image_generate(out, nullptr, readStrips, nullptr, strips, nullptr) != 0)
            throw vips::VError();
    } catch (...) {
        g_object_unref(out);
        throw;
    }
    return vips::VImage(out);
}

} // namespace kelvaro
