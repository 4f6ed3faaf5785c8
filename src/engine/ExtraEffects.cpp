// Placeholder until the detectors land: every detector effect fails the file cleanly.
#include "engine/ExtraEffects.h"
#include "engine/ScanEffects.h"

namespace kelvaro {

Bitmap ImageEffects::blurredFaces(const Bitmap&, const QString& name) { throw KelvaroError::noFaces(name); }
Bitmap ImageEffects::removeBackground(const Bitmap&, const QString& name) { throw KelvaroError::noSubject(name); }
QString ImageEffects::recognizeText(const Bitmap&) { return {}; }
Bitmap ImageEffects::scannedDocument(const Bitmap& image, const QString&) { return image; }
QStringList ImageEffects::detectCodes(const Bitmap&) { return {}; }
OpResult ImageEngine::scanToPDF(const QStringList& files, const QString&, const RunHooksPtr&)
{
    throw KelvaroError::unreadable(files.isEmpty() ? QString() : files.first().section(QLatin1Char('/'), -1));
}

} // namespace kelvaro
