#pragma once
// Document scan and code reading. Stateless; safe from any thread. The detectors behind them
// (document outline, code reader) live in engine/detectors/.
#include <optional>

#include <QStringList>

#include "engine/Bitmap.h"
#include "engine/EngineSettings.h"
#include "engine/RunHooks.h"
#include "engine/detectors/DocumentOutlineDetector.h"
#include "model/Operations.h"

namespace kelvaro {

namespace ImageEffects {
// The photo straightened to the document's outline (when one is found with a confidence above
// 0.4) and colour-adjusted for reading: contrast 1.25, brightness +0.04, saturation 0.85.
// Throws unreadable(name).
Bitmap scannedDocument(const Bitmap& image, const QString& name);
// Payloads of every QR or bar code found, each once, in the order found; empty when none or on
// failure. Never throws.
QStringList detectCodes(const Bitmap& image);

// The photo's pixels inside `outline` mapped onto an upright rectangle as wide and tall as the
// outline's longer opposite sides. Throws unreadable(name).
Bitmap straightened(const Bitmap& image, const detectors::DocumentOutline& outline, const QString& name);
} // namespace ImageEffects

namespace ImageEngine {
// All files as pages of one PDF in `outDir`: "<name> sken.pdf" for one file, "Sken (N stran).pdf"
// for any other count, never overwriting. Each page is its scanned image at 1 px = 1 pt, scaled
// down so that no side exceeds 1600 pt. Files that fail are counted in `failed`; the run stops
// before the next file when cancelled. Throws writeFailed(<pdf name>) when the PDF cannot be
// written, runFailed (the first file's message, or "Nic se nepodařilo naskenovat.") when no page
// came out; then no PDF is left. Pages are JPEG at the quality of `settings`. Reads and writes
// disk.
OpResult scanToPDF(const QStringList& files, const QString& outDir, const RunHooksPtr& hooks = {},
                   const EngineSettings& settings = {});

// Longest side of a scanned page in points.
inline constexpr double scanPageMaxSide = 1600;
} // namespace ImageEngine

} // namespace kelvaro
