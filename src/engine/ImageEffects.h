#pragma once
// Stateless effects on one decoded bitmap. `name` is the photo's file name, used only in errors.
// Safe from any thread; the text watermark needs a QGuiApplication (fonts).
#include <QPointF>
#include <QRectF>
#include <QSize>
#include <QString>

#include "engine/Bitmap.h"
#include "engine/EngineSettings.h"
#include "model/Operations.h"

namespace kelvaro {

namespace ImageEffects {

// Draws the text or logo watermark. Throws writeFailed(name), or unreadable(<logo name>).
// Reads the logo file from disk when `spec.logoPath` is set.
Bitmap watermarked(const Bitmap& image, const WatermarkSpec& spec, const QString& name);

// The image on opaque white; the input itself when drawing fails.
Bitmap flattenOnWhite(const Bitmap& image);

// Output size of a resize, both sides at least 1. Never refuses to enlarge: callers that only
// shrink check the long side themselves.
QSize targetSize(int width, int height, const ResizeSpec& spec);

// Colour controls of the adjust operation and the workflow adjust step, on the sRGB-encoded
// channels in 0–1 units: saturation 0 when `mono` (Rec. 709 luma), then `brightness` added
// (0.1 ≈ +25 levels), then `contrast` as a factor about mid-grey. Alpha is kept. Both values
// are taken in single precision. Throws writeFailed(name).
Bitmap colourControls(const Bitmap& image, double brightness, double contrast, bool mono, const QString& name);

// The same controls not yet computed, on 8-bit sRGB with 3 bands or 4 (alpha kept), for a caller
// that computes them together with the decoder and the encoder. Throws vips::VError.
vips::VImage colourPipeline(const vips::VImage& image, double brightness, double contrast, bool mono);

// The image scaled to exactly `size` pixels with a high-quality kernel, alpha premultiplied while
// filtering so transparent pixels do not bleed. Throws writeFailed(name), also for a size of
// more than kMaxPixels.
Bitmap resized(const Bitmap& image, QSize size, const QString& name);

// Where the text watermark goes, in pixels of the image with the origin at the bottom-left
// corner and y growing upwards.
struct TextWatermarkLayout {
    double size = 0;        // min side × sizePercent / 100 (the shadow is measured by it)
    double fontSize = 0;    // pixel size of the font: `size`, but 8 when that is 8 or less
    double margin = 0;      // 0.8 × fontSize
    QRectF bounds;          // typographic bounds of the line about its origin: x from 0, y from −descent
    QPointF origin;         // baseline start of the line
    QPointF shadowOffset;   // (0, −0.05 × size)
    double shadowBlur = 0;  // 0.15 × size (blur radius; the Gaussian's sigma is half of it)
    QString fontFamily;     // the family really used
};
TextWatermarkLayout textWatermarkLayout(int width, int height, const WatermarkSpec& spec);

// The logo's rectangle in the same bottom-left coordinates, for a logo of `logoPixels`.
QRectF logoRect(int width, int height, QSize logoPixels, const WatermarkSpec& spec);

// The family of the watermark font: "Liberation Sans" (bold), "DejaVu Sans" when it is missing.
QString watermarkFontFamily();

} // namespace ImageEffects
} // namespace kelvaro
