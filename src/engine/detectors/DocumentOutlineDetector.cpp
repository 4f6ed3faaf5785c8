#include "engine/detectors/DocumentOutlineDetector.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include <opencv2/imgproc.hpp>

#include "engine/detectors/DetectorSlot.h"

namespace kelvaro::detectors {
namespace {

// Outlines are looked for on a small copy: edges of a sheet survive, paper texture does not.
constexpr int workSide = 640;
constexpr double minAreaFraction = 0.08;

DetectorSlot<DocumentOutlineDetector>& slot()
{
    static DetectorSlot<DocumentOutlineDetector> instance([] { return std::make_shared<const ContourOutlineDetector>(); });
    return instance;
}

using Quad = std::array<cv::Point2f, 4>;

struct Candidate {
    Quad quad;
    double area = 0;
    double fit = 0; // area of the contour / area of its quadrilateral
};

void collectQuads(const cv::Mat& binary, double imageArea, std::vector<Candidate>& out)
{
    std::vector<std::vector<cv::Point>> contours;
    cv::findContours(binary, contours, cv::RETR_LIST, cv::CHAIN_APPROX_SIMPLE);
    for (const std::vector<cv::Point>& contour : contours) {
        const double contourArea = cv::contourArea(contour);
        if (contourArea < minAreaFraction * imageArea)
            continue;
        std::vector<cv::Point> hull;
        cv::convexHull(contour, hull);
        const double perimeter = cv::arcLength(hull, true);
        std::vector<cv::Point> poly;
        for (double epsilon : {0.02, 0.035, 0.05}) {
            cv::approxPolyDP(hull, poly, epsilon * perimeter, true);
            if (poly.size() <= 4)
                break;
        }
        if (poly.size() != 4 || !cv::isContourConvex(poly))
            continue;
        const double quadArea = cv::contourArea(poly);
        if (quadArea < minAreaFraction * imageArea)
            continue;
        Quad quad;
        for (int i = 0; i < 4; ++i)
            quad[i] = cv::Point2f(poly[i]);
        out.push_back({orderedCorners(quad), quadArea, std::min(1.0, contourArea / quadArea)});
    }
}

// Smallest interior angle of the quadrilateral in degrees: a sheet in perspective keeps its
// corners far from a sliver.
double smallestAngle(const Quad& q)
{
    double smallest = 180;
    for (int i = 0; i < 4; ++i) {
        const cv::Point2f a = q[(i + 3) % 4] - q[i], b = q[(i + 1) % 4] - q[i];
        const double cosine = a.dot(b) / std::max(1e-6, double(std::hypot(a.x, a.y)) * std::hypot(b.x, b.y));
        smallest = std::min(smallest, std::acos(std::clamp(cosine, -1.0, 1.0)) * 180 / CV_PI);
    }
    return smallest;
}

// Share of each side's length along which the brightness steps across it, always the same way
// (paper brighter or darker than the desk all along). Sides lying on the photo's own border, and
// texture whose steps go both ways, count as unsupported.
std::array<double, 4> sideSupport(const cv::Mat& grey, const Quad& q)
{
    std::array<double, 4> support{};
    const float borderSlack = 0.01f * std::max(grey.cols, grey.rows);
    const auto onBorder = [&](cv::Point2f a, cv::Point2f b) {
        return (a.x < borderSlack && b.x < borderSlack) || (a.y < borderSlack && b.y < borderSlack)
            || (a.x > grey.cols - 1 - borderSlack && b.x > grey.cols - 1 - borderSlack)
            || (a.y > grey.rows - 1 - borderSlack && b.y > grey.rows - 1 - borderSlack);
    };
    const auto at = [&](cv::Point2f p) {
        return int(grey.at<uchar>(std::clamp(cvRound(p.y), 0, grey.rows - 1), std::clamp(cvRound(p.x), 0, grey.cols - 1)));
    };
    constexpr int samples = 40;
    constexpr float reach = 4;    // px on either side of the side
    constexpr int minimumStep = 18; // grey levels
    for (int side = 0; side < 4; ++side) {
        const cv::Point2f a = q[side], b = q[(side + 1) % 4];
        const float length = std::hypot(b.x - a.x, b.y - a.y);
        if (onBorder(a, b) || length < 1)
            continue;
        const cv::Point2f normal(-(b.y - a.y) / length * reach, (b.x - a.x) / length * reach);
        int brighter = 0, darker = 0;
        // The ends are left out: corners of paper are often rounded, bent or shaded.
        for (int i = 0; i < samples; ++i) {
            const cv::Point2f p = a + (b - a) * float(0.1 + 0.8 * (i + 0.5) / samples);
            const int step = at(p + normal) - at(p - normal);
            brighter += step > minimumStep;
            darker += step < -minimumStep;
        }
        support[side] = double(std::max(brighter, darker) - std::min(brighter, darker)) / samples;
    }
    return support;
}

// The quadrilateral with every side moved `distance` px towards the inside (corners where the
// moved sides meet). Unchanged when it is too small or degenerate for that.
Quad insetQuad(const Quad& q, float distance)
{
    std::array<cv::Point2f, 4> points, directions;
    for (int i = 0; i < 4; ++i) {
        const cv::Point2f d = q[(i + 1) % 4] - q[i];
        const float length = std::hypot(d.x, d.y);
        if (length < 4 * distance)
            return q;
        directions[i] = d / length;
        // Corners run clockwise on screen (y down): the inside lies to the right of each side.
        points[i] = q[i] + cv::Point2f(-directions[i].y, directions[i].x) * distance;
    }
    Quad moved;
    for (int i = 0; i < 4; ++i) {
        const int previous = (i + 3) % 4;
        const cv::Point2f p = points[previous], r = directions[previous], p2 = points[i], r2 = directions[i];
        const float cross = r.x * r2.y - r.y * r2.x;
        if (std::abs(cross) < 1e-4f)
            return q;
        const float t = ((p2.x - p.x) * r2.y - (p2.y - p.y) * r2.x) / cross;
        moved[i] = p + r * t;
    }
    return moved;
}

// Difference of mean brightness just inside and just outside the outline, 0–255.
double edgeContrast(const cv::Mat& grey, const Quad& q)
{
    std::vector<cv::Point> poly;
    for (const cv::Point2f& p : q)
        poly.emplace_back(cvRound(p.x), cvRound(p.y));
    cv::Mat inside(grey.size(), CV_8U, cv::Scalar(0));
    cv::fillConvexPoly(inside, poly, cv::Scalar(255));
    const int band = std::max(3, std::max(grey.cols, grey.rows) / 60);
    const cv::Mat kernel = cv::getStructuringElement(cv::MORPH_RECT, cv::Size(2 * band + 1, 2 * band + 1));
    cv::Mat grown, shrunk;
    cv::dilate(inside, grown, kernel);
    cv::erode(inside, shrunk, kernel);
    const cv::Mat outerRing = grown & ~inside, innerRing = inside & ~shrunk;
    if (cv::countNonZero(outerRing) == 0 || cv::countNonZero(innerRing) == 0)
        return 0; // the outline is the photo's own border
    return std::abs(cv::mean(grey, innerRing)[0] - cv::mean(grey, outerRing)[0]);
}

} // namespace

std::shared_ptr<const DocumentOutlineDetector> DocumentOutlineDetector::shared() { return slot().get(); }
void DocumentOutlineDetector::setOverride(std::shared_ptr<const DocumentOutlineDetector> detector)
{
    slot().setOverride(std::move(detector));
}

std::array<cv::Point2f, 4> orderedCorners(const std::array<cv::Point2f, 4>& points)
{
    // Sorted by angle around the centre, starting from the corner nearest the top-left.
    cv::Point2f centre(0, 0);
    for (const cv::Point2f& p : points)
        centre += p * 0.25f;
    Quad sorted = points;
    std::sort(sorted.begin(), sorted.end(), [&](const cv::Point2f& a, const cv::Point2f& b) {
        return std::atan2(a.y - centre.y, a.x - centre.x) < std::atan2(b.y - centre.y, b.x - centre.x);
    });
    // atan2 with y down runs clockwise on screen; start at the smallest x + y.
    const auto first = std::min_element(sorted.begin(), sorted.end(),
                                        [](const cv::Point2f& a, const cv::Point2f& b) { return a.x + a.y < b.x + b.y; });
    std::rotate(sorted.begin(), first, sorted.end());
    return sorted;
}

std::optional<DocumentOutline> ContourOutlineDetector::detect(const cv::Mat& rgb) const
{
    if (rgb.empty() || rgb.cols < 16 || rgb.rows < 16)
        return std::nullopt;
    const double scale = std::min(1.0, double(workSide) / std::max(rgb.cols, rgb.rows));
    cv::Mat small, grey;
    cv::resize(rgb, small, cv::Size(), scale, scale, cv::INTER_AREA);
    cv::cvtColor(small, grey, cv::COLOR_RGB2GRAY);
    cv::GaussianBlur(grey, grey, cv::Size(5, 5), 0);
    const double imageArea = double(grey.cols) * grey.rows;

    std::vector<Candidate> candidates;
    // Edges: thresholds from the median brightness, closed so a sheet's border is one contour.
    std::vector<uchar> values(grey.begin<uchar>(), grey.end<uchar>());
    std::nth_element(values.begin(), values.begin() + values.size() / 2, values.end());
    const double median = values[values.size() / 2];
    cv::Mat edges;
    cv::Canny(grey, edges, std::max(10.0, 0.66 * median), std::max(30.0, std::min(255.0, 1.33 * median)));
    cv::dilate(edges, edges, cv::getStructuringElement(cv::MORPH_RECT, cv::Size(3, 3)));
    collectQuads(edges, imageArea, candidates);
    // Bright paper on a darker table: the Otsu split finds it even with soft edges.
    cv::Mat bright;
    cv::threshold(grey, bright, 0, 255, cv::THRESH_BINARY | cv::THRESH_OTSU);
    cv::morphologyEx(bright, bright, cv::MORPH_OPEN, cv::getStructuringElement(cv::MORPH_RECT, cv::Size(5, 5)));
    collectQuads(bright, imageArea, candidates);

    std::optional<DocumentOutline> best;
    double bestArea = 0;
    for (const Candidate& c : candidates) {
        const double angle = smallestAngle(c.quad);
        if (angle < 35)
            continue;
        const std::array<double, 4> support = sideSupport(grey, c.quad);
        const double weakest = *std::min_element(support.begin(), support.end());
        const double mean = (support[0] + support[1] + support[2] + support[3]) / 4;
        const double areaScore = std::clamp((c.area / imageArea - minAreaFraction) / 0.25, 0.0, 1.0);
        const double contrastScore = std::clamp(edgeContrast(grey, c.quad) / 50.0, 0.0, 1.0);
        const double angleScore = std::clamp((angle - 35) / 40.0, 0.0, 1.0);
        const double confidence = (0.6 * weakest + 0.4 * mean) * (0.6 + 0.4 * c.fit) * (0.5 + 0.5 * contrastScore)
            * (0.8 + 0.2 * areaScore) * (0.8 + 0.2 * angleScore);
        // The largest plausible sheet wins; a much weaker one does not displace a clear one.
        if (!best || (c.area > bestArea && confidence >= best->confidence * 0.8) || confidence > best->confidence * 1.5) {
            DocumentOutline outline;
            // Contours run on the desk's side of the paper's edge (edges are thickened to close
            // them): move every side inwards so no rim of desk is left on the page.
            const Quad inner = insetQuad(c.quad, 2.5f);
            for (int i = 0; i < 4; ++i)
                outline.corners[i] = QPointF(inner[i].x / grey.cols, inner[i].y / grey.rows);
            outline.confidence = float(std::clamp(confidence, 0.0, 1.0));
            best = outline;
            bestArea = c.area;
        }
    }
    return best;
}

} // namespace kelvaro::detectors
