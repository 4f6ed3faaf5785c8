#pragma once
// Effects that need a detector: faces, background removal, text. Stateless; safe from any thread.
#include <QRectF>
#include <QString>
#include <QList>

#include "engine/Bitmap.h"
#include "engine/ImageEffects.h"

namespace kelvaro::ImageEffects {

// Every detected face anonymised in the current face style. Throws noFaces(name), writeFailed(name).
Bitmap blurredFaces(const Bitmap& image, const QString& name);

// Same size, background transparent. Throws noSubject(name), writeFailed(name).
Bitmap removeBackground(const Bitmap& image, const QString& name);

// Recognised text, one line per line; "" when none.
QString recognizeText(const Bitmap& image);

} // namespace kelvaro::ImageEffects
