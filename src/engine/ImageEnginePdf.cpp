// The combined PDF of a conversion: one page per photo, no page beyond 1000 points.
#include <algorithm>
#include <cmath>

#include <QFileInfo>

#include "engine/ImageEngine.h"
#include "engine/PdfPages.h"

namespace kelvaro {

void ImageEngine::writePDF(const QStringList& files, const QString& target, double jpegQuality)
{
    const QString targetName = QFileInfo(target).fileName();
    PdfPages pdf(target, jpegQuality);
    if (!pdf.open())
        throw KelvaroError::writeFailed(targetName);
    for (const QString& file : files) {
        const LoadedImage loaded = load(file); // its error ends the whole PDF
        const double w = loaded.image.width();
        const double h = loaded.image.height();
        const double longest = std::max(w, h);
        // No page beyond 1000 points; smaller images keep one point per pixel.
        const double scale = longest < 2 ? 1 : std::min(1000 / longest, 1.0);
        try {
            if (!pdf.addPage(loaded.image, scale * w, scale * h, isLossy(matchingFormat(file))))
                throw KelvaroError::writeFailed(targetName);
        } catch (const KelvaroError&) {
            throw;
        } catch (const std::exception&) {
            throw KelvaroError::writeFailed(targetName);
        }
    }
    if (!pdf.close())
        throw KelvaroError::writeFailed(targetName);
}

} // namespace kelvaro
