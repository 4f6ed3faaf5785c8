#pragma once
// Effects that need a detector: faces, background removal, text. Stateless; safe from any
// thread. Detectors see a reduced copy (long side ≤ 1024 px); results are mapped back to the
// full image. The detectors behind them live in engine/detectors/.
#include <QList>
#include <QRectF>
#include <QString>

#include <opencv2/core.hpp>

#include "engine/Bitmap.h"
#include "engine/ImageEffects.h"

namespace kelvaro::ImageEffects {

// Every detected face anonymised in `style`. Throws noFaces(name), writeFailed(name).
Bitmap blurredFaces(const Bitmap& image, FaceStyle style, const QString& name);

// Same size, background transparent, the subject's edges soft. Throws noSubject(name) when the
// photo holds no subject, writeFailed(name).
Bitmap removeBackground(const Bitmap& image, const QString& name);

// Recognised text, one line per line in reading order; "" when none. Throws the recognizer's
// error (std::exception) when it cannot read at all.
QString recognizeText(const Bitmap& image);

// ---- The pieces of face anonymising (pixels, origin top-left) -------------------------------

// `faces` anonymised in `style`: pixelate gives hard-edged cells on each face grown by a quarter
// on every side and clipped to the image; blur and solid give soft elliptical patches.
// Throws writeFailed(name).
Bitmap anonymisedFaces(const Bitmap& image, const QList<QRectF>& faces, FaceStyle style, const QString& name);

// The soft patch's box for a face: 1.6 × its width, 2 × its height, centred 5 % of the face's
// height above the face's centre. Not clipped to the image.
QRectF facePatchBox(const QRectF& face);

// The grey mask of the soft patches over `area` of the image (CV_8U of area's size): the ellipse
// inscribed in each box is white out to 65 % of its radii and falls linearly to black at its
// edge; where ellipses overlap the lighter value wins; black elsewhere.
cv::Mat ovalMask(const QList<QRectF>& boxes, const cv::Rect& area);

// The colour of the solid style, RGB(0.08, 0.08, 0.09) in 0–255 levels.
inline constexpr double solidFaceColour[3] = {0.08 * 255, 0.08 * 255, 0.09 * 255};

} // namespace kelvaro::ImageEffects
