#pragma once
// The engine's one bitmap type: a libvips image held in memory, always 8-bit sRGB with alpha
// (4 bands, uchar). Converted to QImage only where QPainter draws and to cv::Mat only inside
// effects. Functions here are pure and thread-safe.
#include <QImage>

#include <opencv2/core.hpp>
#include <vips/vips8>

#include "model/Limits.h"

namespace kelvaro {

using Bitmap = vips::VImage;

// Starts libvips once per process (idempotent, any thread) with its untrusted loaders blocked.
void initVips();

// Any decoded image (grey, CMYK, 16-bit, ICC-tagged, with or without alpha) → 8-bit sRGB RGBA
// in memory. Throws vips::VError on failure.
Bitmap normalizedBitmap(const vips::VImage& image);

// The same conversion, not yet computed: for a caller that computes it together with the decode.
// Without `withAlpha`, a source without transparency comes out as RGB (3 bands): the caller adds
// the opaque alpha itself.
vips::VImage normalizedPipeline(const vips::VImage& image, bool withAlpha = true);

// Deep copies. QImage is Format_RGBA8888_Premultiplied (what QPainter draws fastest into
// without losing alpha); cv::Mat is CV_8UC4 RGBA.
QImage toQImage(const Bitmap& bitmap);
Bitmap fromQImage(const QImage& image);
cv::Mat toMat(const Bitmap& bitmap);
Bitmap fromMat(const cv::Mat& rgba);

} // namespace kelvaro
