#include "engine/Turn.h"

#include <algorithm>
#include <cstddef>
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

// A photo read once, kept as decoded in strips along the axis that becomes the rows of the
// turned result (the source's rows, or its columns when the turn transposes), so that every strip
// is given back as soon as the rows made of it were read. The turn itself is done as the result is
// read, in libvips' threads, beside the encoder.
struct Strips {
    Turn turn;
    int width = 0; // of the source
    int bands = 0;
    int span = 1;   // source rows or columns per strip
    std::vector<std::unique_ptr<uint8_t[]>> data;
    std::vector<int64_t> unread; // pixels of each strip not read yet
    std::vector<int> readers;    // rows of each strip being copied now
    std::mutex mutex;

    // Where source pixel (x, y) is kept.
    uint8_t* at(int x, int y) const
    {
        if (!turn.transpose)
            return data[size_t(y / span)].get() + (size_t(y % span) * size_t(width) + size_t(x)) * size_t(bands);
        const int first = x / span * span;
        const int columns = std::min(span, width - first);
        return data[size_t(x / span)].get() + (size_t(y) * size_t(columns) + size_t(x - first)) * size_t(bands);
    }
};

template <int N>
void copyAlong(uint8_t* into, const uint8_t* from, ptrdiff_t step, int count)
{
    for (int i = 0; i < count; ++i, into += N, from += step)
        for (int k = 0; k < N; ++k)
            into[k] = from[k];
}

// `count` result rows made of neighbouring source columns of one strip: each source row gives
// them one short run of pixels, so the strip is read once, in order, instead of a cache line
// per pixel for every result row.
template <int N>
void copyAcross(uint8_t* const* into, const uint8_t* from, ptrdiff_t acrossStep, ptrdiff_t alongStep, int count,
                int width)
{
    // Blocks of source rows small enough that the lines read stay in the first-level cache
    // while every result row takes its run of pixels from them.
    constexpr int kBlock = 16;
    for (int left = 0; left < width; left += kBlock, from += alongStep * kBlock) {
        const int block = std::min(kBlock, width - left);
        for (int i = 0; i < count; ++i) {
            uint8_t* d = into[i] + size_t(left) * N;
            const uint8_t* s = from + acrossStep * i;
            for (int x = 0; x < block; ++x, d += N, s += alongStep)
                for (int k = 0; k < N; ++k)
                    d[k] = s[k];
        }
    }
}

int readStrips(VipsRegion* out, void*, void* a, void*, gboolean*)
{
    auto* strips = static_cast<Strips*>(a);
    const Turn& turn = strips->turn;
    const VipsRect& r = out->valid;
    const size_t pixel = size_t(strips->bands);
    const int outWidth = out->im->Xsize;
    const int outHeight = out->im->Ysize;
    uint8_t* rows[kRowsPerBand];
    for (int v = r.top; v < VIPS_RECT_BOTTOM(&r);) {
        const int b = turn.mirrorY ? outHeight - 1 - v : v; // the source row, or column when transposed
        const int strip = b / strips->span;
        const int first = strip * strips->span;
        // The region's next rows that come from this strip.
        const int inStrip = turn.mirrorY ? b - first + 1 : std::min(strips->span, outHeight - first) - (b - first);
        const int count = std::min({VIPS_RECT_BOTTOM(&r) - v, inStrip, kRowsPerBand});
        {
            // Rows are copied outside the lock, in parallel; a strip being read is kept.
            const std::lock_guard lock(strips->mutex);
            if (!strips->data[size_t(strip)]) {
                vips_error("kelvaro", "%s", "pixels read again after they were given back");
                return -1;
            }
            ++strips->readers[size_t(strip)];
        }
        const int left = turn.mirrorX ? outWidth - 1 - r.left : r.left;
        if (turn.transpose) {
            for (int i = 0; i < count; ++i)
                rows[i] = reinterpret_cast<uint8_t*>(VIPS_REGION_ADDR(out, r.left, v + i));
            const int columns = std::min(strips->span, strips->width - first);
            const ptrdiff_t along = ptrdiff_t(pixel) * columns;
            const ptrdiff_t across = turn.mirrorY ? -ptrdiff_t(pixel) : ptrdiff_t(pixel);
            const uint8_t* from = strips->at(b, left);
            if (pixel == 3)
                copyAcross<3>(rows, from, across, turn.mirrorX ? -along : along, count, r.width);
            else
                copyAcross<4>(rows, from, across, turn.mirrorX ? -along : along, count, r.width);
        } else {
            for (int i = 0; i < count; ++i) {
                auto* into = reinterpret_cast<uint8_t*>(VIPS_REGION_ADDR(out, r.left, v + i));
                const int row = turn.mirrorY ? b - i : b + i;
                if (!turn.mirrorX)
                    std::memcpy(into, strips->at(r.left, row), size_t(r.width) * pixel);
                else if (pixel == 3)
                    copyAlong<3>(into, strips->at(left, row), -ptrdiff_t(pixel), r.width);
                else
                    copyAlong<4>(into, strips->at(left, row), -ptrdiff_t(pixel), r.width);
            }
        }
        const std::lock_guard lock(strips->mutex);
        --strips->readers[size_t(strip)];
        if ((strips->unread[size_t(strip)] -= int64_t(r.width) * count) <= 0 && strips->readers[size_t(strip)] == 0)
            strips->data[size_t(strip)].reset();
        v += count;
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

template <int SB, int DB>
void copyPixels(uint8_t* d, const uint8_t* s, int count)
{
    if constexpr (SB == DB) {
        std::memcpy(d, s, size_t(count) * SB);
    } else {
        for (int x = 0; x < count; ++x)
            put<SB, DB>(d + size_t(x) * DB, s + size_t(x) * SB);
    }
}

// One band of source rows into the strips, as decoded.
template <int SB, int DB>
void keep(VipsRegion* from, const VipsRect& band, Strips& strips)
{
    for (int y = band.top; y < VIPS_RECT_BOTTOM(&band); ++y) {
        const auto* s = reinterpret_cast<const uint8_t*>(VIPS_REGION_ADDR(from, 0, y));
        if (!strips.turn.transpose) {
            copyPixels<SB, DB>(strips.at(0, y), s, band.width);
            continue;
        }
        for (int first = 0; first < band.width; first += strips.span)
            copyPixels<SB, DB>(strips.at(first, y), s + size_t(first) * SB, std::min(strips.span, band.width - first));
    }
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
using Keeper = void (*)(VipsRegion*, const VipsRect&, Strips&);

Placer placerFor(int sourceBands, int bands)
{
    if (sourceBands == 3)
        return bands == 3 ? place<3, 3> : place<3, 4>;
    return bands == 3 ? place<4, 3> : place<4, 4>;
}

Keeper keeperFor(int sourceBands, int bands)
{
    if (sourceBands == 3)
        return bands == 3 ? keep<3, 3> : keep<3, 4>;
    return bands == 3 ? keep<4, 3> : keep<4, 4>;
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
    std::vector<uint8_t*> rows;
    Strips* strips = nullptr;
    try {
        if (readOnce) {
            strips = new Strips;
            // From here the image owns the strips, also when filling them fails.
            g_signal_connect(out, "close", G_CALLBACK(freeStrips), strips);
            strips->turn = turn;
            strips->width = width;
            strips->bands = bands;
            // A strip is `span` rows of the result.
            const size_t lineBytes = size_t(outWidth) * size_t(bands);
            strips->span = int(std::clamp<size_t>(kStripBytes / lineBytes, 1, size_t(outHeight)));
            for (int first = 0; first < outHeight; first += strips->span) {
                const int count = std::min(strips->span, outHeight - first);
                strips->data.emplace_back(new uint8_t[lineBytes * size_t(count)]);
                strips->unread.push_back(int64_t(count) * outWidth);
                strips->readers.push_back(0);
            }
        } else {
            if (vips_image_write_prepare(out) != 0)
                throw vips::VError();
            rows.resize(size_t(outHeight));
            for (int y = 0; y < outHeight; ++y)
                rows[size_t(y)] = VIPS_IMAGE_ADDR(out, 0, y);
        }
        // A band of rows at a time, in order, so a sequential decoder can follow.
        const Placer placer = placerFor(image.bands(), bands);
        const Keeper keeper = keeperFor(image.bands(), bands);
        VipsRegion* from = vips_region_new(image.get_image());
        bool ok = true;
        for (int top = 0; ok && top < height; top += kRowsPerBand) {
            const VipsRect band{0, top, width, std::min(kRowsPerBand, height - top)};
            ok = vips_region_prepare(from, &band) == 0;
            if (ok && strips)
                keeper(from, band, *strips);
            else if (ok)
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
