#pragma once
// Document scan and code reading.
#include <QStringList>

#include "engine/Bitmap.h"
#include "engine/Operations.h"
#include "engine/RunHooks.h"

namespace kelvaro {

namespace ImageEffects {
// The photo straightened to the document's outline and colour-adjusted. Throws unreadable(name).
Bitmap scannedDocument(const Bitmap& image, const QString& name);
// Payloads of every QR or bar code found; empty when none or on failure. Never throws.
QStringList detectCodes(const Bitmap& image);
} // namespace ImageEffects

namespace ImageEngine {
// All files as pages of one PDF in `outDir`. Throws as documented in ScanEffects.cpp.
OpResult scanToPDF(const QStringList& files, const QString& outDir, const RunHooksPtr& hooks = {});
} // namespace ImageEngine

} // namespace kelvaro
