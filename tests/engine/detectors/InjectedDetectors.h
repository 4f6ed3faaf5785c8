#pragma once
// Fixed detectors for tests, and a guard that installs one for a test's scope.
#include <functional>
#include <memory>
#include <optional>

#include <QImage>
#include <QList>
#include <QRectF>
#include <QStringList>

#include <opencv2/core.hpp>

#include "engine/detectors/CodeReader.h"
#include "engine/detectors/DocumentOutlineDetector.h"
#include "engine/detectors/FaceDetector.h"
#include "engine/detectors/ForegroundSegmenter.h"
#include "engine/detectors/TextRecognizer.h"

namespace kelvaro::test {

// Sets `Interface`'s override while alive; the real detector comes back afterwards.
template <typename Interface>
class ScopedDetector {
public:
    explicit ScopedDetector(std::shared_ptr<const Interface> detector) { Interface::setOverride(std::move(detector)); }
    ~ScopedDetector() { Interface::setOverride(nullptr); }
    ScopedDetector(const ScopedDetector&) = delete;
    ScopedDetector& operator=(const ScopedDetector&) = delete;
};

struct FixedFaces : detectors::FaceDetector {
    explicit FixedFaces(QList<QRectF> normalisedBoxes) : boxes(std::move(normalisedBoxes)) {}
    QList<QRectF> detect(const cv::Mat&) const override { return boxes; }
    QList<QRectF> boxes;
};

// The mask comes from a function of the size the segmenter is asked about.
struct FixedMask : detectors::ForegroundSegmenter {
    explicit FixedMask(std::function<cv::Mat(cv::Size)> make) : makeMask(std::move(make)) {}
    cv::Mat segment(const cv::Mat& rgb) const override { return makeMask(rgb.size()); }
    std::function<cv::Mat(cv::Size)> makeMask;
};

struct FixedOutline : detectors::DocumentOutlineDetector {
    explicit FixedOutline(std::optional<detectors::DocumentOutline> result) : outline(std::move(result)) {}
    std::optional<detectors::DocumentOutline> detect(const cv::Mat&) const override { return outline; }
    std::optional<detectors::DocumentOutline> outline;
};

struct FixedLines : detectors::TextRecognizer {
    explicit FixedLines(QStringList result) : found(std::move(result)) {}
    QStringList lines(const cv::Mat&) const override { return found; }
    QStringList found;
};

// A QImage (any format) as the RGB matrix the detectors take.
cv::Mat rgbMat(const QImage& image);
// A file's pixels as an RGB matrix (transparent parts on white).
cv::Mat rgbMatFromFile(const QString& path);

// A letter of eight lines of Czech text on a sheet, photographed on a grey desk with the sheet
// turned `degrees` clockwise (1800 × 1300 px, letters 36 px high); and its words in order.
QImage askewLetter(double degrees);
QStringList letterWords();

// Intersection over union of two masks (pixels ≥ 128 count as set).
double maskIoU(const cv::Mat& a, const cv::Mat& b);

} // namespace kelvaro::test
