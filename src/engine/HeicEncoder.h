#pragma once
// Writes HEIC through libheif directly rather than through libvips, whose HEIC saver cannot
// set x265's options: libheif's default for x265 is "slow", which on a photo costs about 2.3
// times the CPU of "medium" for the same fidelity. At the qualities that subsample chroma, most
// of x265's time goes into costing the coefficients of every 8×8 coding unit and every intra mode
// it tries; coding units of 16 and up with transforms split down to 4×4 inside them, and the
// cheapest rate-distortion level, halve the CPU again for the same RGB PSNR within 0.25 dB and
// files up to 2.5 % larger (bench/run's settings table). With full chroma those options change the
// rate itself (files 40 % larger), so "medium" stays as it is there. Stateless; any thread (each
// call has its own encoder).
#include <stdexcept>

#include <QByteArray>
#include <QString>

#include <vips/vips8>

namespace kelvaro::HeicEncoder {

// The x265 speed preset every HEIC is encoded with.
inline constexpr const char* x265Preset = "medium";
// x265's own options on top of it when chroma is subsampled (quality below 90), as
// "name=value" pairs.
inline constexpr const char* x265SubsampledOptions[] = {"min-cu-size=16", "rd=1", "tu-intra-depth=3"};

// The encoder would not take the image itself (its layout, its size): no fault of the place it
// was to be written to.
struct Refused : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Encodes `image` (8-bit sRGB: 3 bands RGB or 4 RGBA with straight alpha; grey, 1 band or 2 with
// alpha, is written as RGB) at `path`, replacing the file. `quality` is libheif's 1–100 (the same scale as libvips' Q); chroma is
// subsampled below 90, kept whole from 90 up, as libvips does. `exif` is an "Exif\0\0"-prefixed
// block to embed, `xmp` an XMP packet to embed; either may be empty. Throws Refused when the
// encoder cannot take the image (a side above 16384 pixels among others), std::runtime_error with
// libheif's message when the file cannot be written, vips::VError when computing the pixels fails.
// Touches disk.
void write(const vips::VImage& image, const QString& path, int quality, const QByteArray& exif,
           const QByteArray& xmp);

} // namespace kelvaro::HeicEncoder
