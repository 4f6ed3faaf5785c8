#pragma once
// Turning and mirroring a photo as it is decoded: the source is read once, in order, in the
// calling thread, and the photo is held in memory once, never decoded whole first and then
// copied turned as libvips' own turn does. Plain values and pure functions; any thread.
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

// `image` (8-bit, 3 or 4 bands, read in order from its top) decoded and turned by `turn`, with
// `bands` bands (3 or 4; 4 from 3 adds an opaque alpha), keeping the source's fields but its
// orientation. Without `readOnce`, the result is one buffer in memory, turned as it is decoded,
// read as often as wanted. With it, the photo is kept as decoded in strips and turned as it is
// read, for a consumer that reads every pixel once (an encoder, a copy into memory): each strip
// is given back once the rows made of it were read, and reading them again fails. Throws
// vips::VError when the source fails.
vips::VImage turned(const vips::VImage& image, const Turn& turn, int bands, bool readOnce);

} // namespace kelvaro
