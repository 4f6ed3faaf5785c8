#pragma once
// Stateless effects on one decoded bitmap. `name` is the photo's file name, used only in errors.
// Safe from any thread.
#include <QSize>
#include <QString>

#include "engine/Bitmap.h"
#include "engine/Operations.h"

namespace kelvaro {

enum class FaceStyle { blur, pixelate, solid };
QString rawValue(FaceStyle style);
std::optional<FaceStyle> faceStyleFromRaw(const QString& raw);
QString title(FaceStyle style); // localized

namespace ImageEffects {

// "kelvaro.faceStyle", read at every call (default blur).
FaceStyle currentFaceStyle();

// Draws the text or logo watermark. Throws writeFailed(name), or unreadable(<logo name>).
Bitmap watermarked(const Bitmap& image, const WatermarkSpec& spec, const QString& name);

// The image on opaque white; the input itself when drawing fails.
Bitmap flattenOnWhite(const Bitmap& image);

// Output size of a resize, both sides at least 1.
QSize targetSize(int width, int height, const ResizeSpec& spec);

} // namespace ImageEffects
} // namespace kelvaro
