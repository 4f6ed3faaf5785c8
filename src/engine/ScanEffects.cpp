#include "engine/ScanEffects.h"

#include <algorithm>
#include <cmath>

#include <QFileInfo>

#include <opencv2/imgproc.hpp>

#include "engine/BatchLoop.h"
#include "engine/ImageEffects.h"
#include "engine/ImageEngine.h"
#include "engine/MemoryBudget.h"
#include "engine/PartFile.h"
#include "engine/PdfPages.h"
#include "engine/detectors/CodeReader.h"
#include "engine/detectors/ModelFiles.h"
#include "l10n/Localization.h"
#include "platform/Log.h"
#include "platform/NativePath.h"

namespace kelvaro {

using namespace detectors;

namespace {

// Above this confidence an outline is trusted enough to cut the photo to it.
constexpr float outlineConfidenceLimit = 0.4f;
constexpr double scanContrast = 1.25;
constexpr double scanBrightness = 0.04;
constexpr double scanSaturation = 0.85;
// Codes are small: they are looked for at a higher resolution than faces.
constexpr int codeMaxSide = 2048;
// A scanned page's own bytes per pixel beside the decoded photo and its copy, from the peak
// resident size of 12-megapixel photos scanned one at a time.
constexpr double scanOperationBytes = 12;

// The name of `path` as shown: a byte that is not UTF-8 reads as U+FFFD.
QString shownName(const QString& path) { return NativePath::displayName(QFileInfo(path).fileName()); }

// Saturation as a mix with the Rec. 709 luma, rounded back to 8 bits; alpha kept.
Bitmap desaturated(const Bitmap& image, double saturation)
{
    const vips::VImage rgb = image.extract_band(0, vips::VImage::option()->set("n", 3)).cast(VIPS_FORMAT_FLOAT);
    const vips::VImage luma = rgb[0] * 0.2125 + rgb[1] * 0.7154 + rgb[2] * 0.0721;
    const vips::VImage mixed = rgb * saturation + luma * (1 - saturation) + 0.5;
    return mixed.cast(VIPS_FORMAT_UCHAR).bandjoin(image.extract_band(3));
}

} // namespace

// ---- One page -----------------------------------------------------------------------------------

Bitmap ImageEffects::straightened(const Bitmap& image, const DocumentOutline& outline, const QString& name)
{
    try {
        std::array<cv::Point2f, 4> corners;
        for (int i = 0; i < 4; ++i)
            corners[i] = cv::Point2f(float(outline.corners[i].x() * image.width()), float(outline.corners[i].y() * image.height()));
        const auto length = [](cv::Point2f a, cv::Point2f b) { return std::hypot(a.x - b.x, a.y - b.y); };
        const int width = std::max(1, int(std::lround(std::max(length(corners[0], corners[1]), length(corners[3], corners[2])))));
        const int height = std::max(1, int(std::lround(std::max(length(corners[0], corners[3]), length(corners[1], corners[2])))));
        if (qint64(width) * height > kMaxPixels)
            throw KelvaroError::unreadable(name);
        const std::array<cv::Point2f, 4> target = {cv::Point2f(0, 0), cv::Point2f(float(width), 0),
                                                   cv::Point2f(float(width), float(height)), cv::Point2f(0, float(height))};
        const cv::Mat transform = cv::getPerspectiveTransform(corners.data(), target.data());
        Bitmap memory;
        const cv::Mat src = rgbaView(image, memory);
        cv::Mat page;
        cv::warpPerspective(src, page, transform, cv::Size(width, height), cv::INTER_LINEAR, cv::BORDER_REPLICATE);
        return fromMat(page);
    } catch (const KelvaroError&) {
        throw;
    } catch (const std::exception&) {
        throw KelvaroError::unreadable(name);
    }
}

Bitmap ImageEffects::scannedDocument(const Bitmap& image, const QString& name)
{
    std::optional<DocumentOutline> outline;
    try {
        outline = DocumentOutlineDetector::shared()->detect(reducedRGB(image).rgb);
    } catch (const std::exception& error) {
        // A failed detection is no failure of the page: it stays uncorrected.
        logLine(QStringLiteral("document detection failed for %1: %2").arg(name, QString::fromUtf8(error.what())));
    }
    try {
        Bitmap page = outline && outline->confidence > outlineConfidenceLimit ? straightened(image, *outline, name) : image;
        return colourControls(desaturated(page, scanSaturation), scanBrightness, scanContrast, false, name);
    } catch (const std::exception&) {
        throw KelvaroError::unreadable(name);
    }
}

// ---- Codes --------------------------------------------------------------------------------------

QStringList ImageEffects::detectCodes(const Bitmap& image)
{
    QStringList payloads;
    try {
        for (const QString& payload : CodeReader::shared()->read(reducedRGB(image, codeMaxSide).rgb))
            if (!payloads.contains(payload))
                payloads << payload;
    } catch (const std::exception& error) {
        logLine(QStringLiteral("code reading failed: %1").arg(QString::fromUtf8(error.what())));
    }
    return payloads;
}

// ---- The scan -----------------------------------------------------------------------------------

OpResult ImageEngine::scanToPDF(const QStringList& files, const QString& outDir, const RunHooksPtr& hooks,
                                const EngineSettings& settings)
{
    // Fixed Czech names, not translated; a photo's name too long for the folder gives way to " sken".
    // A photo's name keeps its bytes, also those that are not UTF-8.
    const QString photoName = QFileInfo(files.value(0)).fileName();
    const QString base = files.size() == 1 ? photoName.left(photoName.lastIndexOf(QLatin1Char('.')))
                                           : QStringLiteral("Sken (%1 stran)").arg(files.size());
    const QString suffix = files.size() == 1 ? QStringLiteral("sken") : QString();
    const QString targetName = numberedFileName(base, QStringLiteral("pdf"), 1, suffix);
    // Written whole under a part name, then given its own.
    PartFile part(outDir);
    // Our own writer: QPdfWriter would round every page box to whole points.
    PdfPages pdf(part.writePath(), settings.jpegQuality);
    if (!part.isValid() || !pdf.open())
        throw part.failure(KelvaroError::writeFailed(targetName));
    if (files.isEmpty())
        throw KelvaroError::runFailed(L(settings.language, "Nic se nepodařilo naskenovat."));

    int pages = 0;
    bool writerFailed = false;
    QStringList failures;
    // One page after another, each admitted by the process's memory budget as a photo of any
    // other run is: a page holds its photo several times over while it is straightened.
    ImageEngine::BatchWork work;
    work.total = int(files.size());
    work.tellsFiles = false; // a page is done only with the document
    work.memoryCost = [&](int i) {
        if (writerFailed || !isRegularFile(files[i]))
            return qint64(0);
        MemoryBudget::Work page;
        page.operationBytes = scanOperationBytes;
        return MemoryBudget::estimate(files[i], page);
    };
    work.run = [&](int i) {
        if (writerFailed)
            return ImageEngine::FileOutcome{};
        const QString name = shownName(files[i]);
        std::optional<Bitmap> page;
        try {
            page = ImageEffects::scannedDocument(load(files[i]).image, name);
        } catch (const KelvaroError& error) {
            failures.append(error.message(settings.language));
        } catch (const std::exception& error) { // allocation failures and the like
            failures.append(KelvaroError::unreadable(name).message(settings.language));
            logLine(QStringLiteral("scan of %1 failed: %2").arg(name, QString::fromUtf8(error.what())));
        }
        if (page) {
            const double width = page->width();
            const double height = page->height();
            const double longest = std::max(width, height);
            const double scale = longest < 2 ? 1 : std::min(scanPageMaxSide / longest, 1.0);
            try {
                if (pdf.addPage(*page, scale * width, scale * height, true))
                    ++pages;
                else
                    writerFailed = true;
            } catch (const std::exception& error) { // the page could not be encoded (a side beyond JPEG's)
                failures.append(KelvaroError::encodeFailed(name).message(settings.language));
                logLine(QStringLiteral("scan of %1 failed: %2").arg(name, QString::fromUtf8(error.what())));
            }
        }
        return ImageEngine::FileOutcome{};
    };
    work.refused = [&](int i) {
        failures.append(KelvaroError::notEnoughMemory(shownName(files[i])).message(settings.language));
        return ImageEngine::FileOutcome{};
    };
    ImageEngine::runBatch(work, 1, hooks);
    if (writerFailed || !pdf.close())
        throw part.failure(KelvaroError::writeFailed(targetName));
    if (pages == 0)
        throw KelvaroError::runFailed(failures.isEmpty() ? L(settings.language, "Nic se nepodařilo naskenovat.") : failures.first());

    const QString target = part.place(base, QStringLiteral("pdf"), suffix);
    if (target.isEmpty())
        throw part.failure(KelvaroError::writeFailed(targetName));
    OpResult result;
    result.outputs << target;
    result.entries << OpEntry{shownName(target), 0, target};
    result.failed = int(failures.size());
    result.failures = failures;
    return result;
}

} // namespace kelvaro
