#pragma once
// Finds the outline of a sheet of paper in a photo. The scan asks
// DocumentOutlineDetector::shared(); tests set an override that returns a fixed quadrilateral.
// The real one looks for the largest convex quadrilateral among the photo's edges and bright
// regions. Stateless, safe from any thread.
#include <array>
#include <memory>
#include <optional>

#include <QPointF>

#include <opencv2/core.hpp>

namespace kelvaro::detectors {

struct DocumentOutline {
    // Corners normalised to 0–1 of the image's width and height, origin top-left, in the order
    // top-left, top-right, bottom-right, bottom-left.
    std::array<QPointF, 4> corners;
    // How sure the detector is that this is a document, 0–1.
    float confidence = 0;
};

class DocumentOutlineDetector {
public:
    virtual ~DocumentOutlineDetector() = default;
    // The best outline in `rgb` (CV_8UC3), or none.
    virtual std::optional<DocumentOutline> detect(const cv::Mat& rgb) const = 0;

    static std::shared_ptr<const DocumentOutlineDetector> shared();
    static void setOverride(std::shared_ptr<const DocumentOutlineDetector> detector);
};

class ContourOutlineDetector final : public DocumentOutlineDetector {
public:
    std::optional<DocumentOutline> detect(const cv::Mat& rgb) const override;
};

// Four points in any order → top-left, top-right, bottom-right, bottom-left.
std::array<cv::Point2f, 4> orderedCorners(const std::array<cv::Point2f, 4>& points);

} // namespace kelvaro::detectors
