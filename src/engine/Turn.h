#pragma once
// Turning and mirroring a photo while it is decoded: the source is read once, in order, in the
// calling thread, and every pixel goes straight to its turned place, so the photo is held in
// memory once (libvips' own turn needs the whole photo decoded first and then makes its copy).
// Plain values and pure functions; any thread.
#include <vips/vips8>

namespace kelvaro {

// One of the eight ways to turn and mirror a picture: transposed first (x and y swapped), then
// mirrored left to right, then top to bottom.
struct Turn {
    bool transpose = false;
    bool mirrorX = false;
    bool mirrorY = false;

    // What stands a photo stored with EXIF `orientation` (1–8; anything else counts as 1)
    // upright, as libvips' autorot does.
    static Turn upright(int orientation);
    // `quarters` quarter turns clockwise (any whole number, negative ones anticlockwise).
    static Turn clockwise(int quarters);
    // This turn, then `next`.
    Turn then(const Turn& next) const;
    bool isNone() const { return !transpose && !mirrorX && !mirrorY; }
};

// `image` (8-bit, 3 or 4 bands, read in order from its top) decoded and turned by `turn` into
// memory, with `bands` bands (3 or 4; 4 from 3 adds an opaque alpha), keeping the source's
// fields but its orientation. With `readOnce`, the result is held in strips of rows, each given back once its pixels
// were read, for a consumer that reads it once from top to bottom (an encoder); a pixel read
// again then fails the read. Otherwise it is one buffer, read as often as wanted. Throws
// vips::VError when the source fails.
vips::VImage turned(const vips::VImage& image, const Turn& turn, int bands, bool readOnce);

} // namespace kelvaro
