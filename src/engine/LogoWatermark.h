#pragma once
// The logo half of the watermark: decoding the user's logo file and drawing it onto a canvas.
// Stateless; any thread.
#include <QImage>
#include <QPainter>
#include <QRectF>
#include <QString>

namespace kelvaro::LogoWatermark {

// Decodes the first image of the logo file as it is stored (no orientation applied), as
// premultiplied RGBA. Reads disk. Throws KelvaroError::unreadable(<the logo's file name>), also
// for a logo of more than kMaxPixels.
QImage load(const QString& path);

// Draws `logo` scaled into `target` (the painter's coordinates, y down) at `opacity` (0–1),
// interpolating smoothly. Throws KelvaroError::writeFailed(name) when the scaled logo cannot be
// made.
void draw(QPainter& painter, const QImage& logo, const QRectF& target, double opacity, const QString& name);

} // namespace kelvaro::LogoWatermark
