#include "engine/detectors/TextSkew.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

#include <opencv2/imgproc.hpp>

namespace kelvaro::detectors {
namespace {

// Lines are told apart on a small copy: letters of a page of text stay a few pixels tall there,
// and the search costs the same for a 24 MP photo as for a thumbnail.
constexpr int workSide = 1200;
constexpr int minimumSide = 24;
constexpr double searchRange = 12;   // degrees either way
constexpr double coarseStep = 0.5;
constexpr double fineStep = 0.1;
// Enough ink pixels to tell lines by; more only cost time.
constexpr int minimumInk = 400;
constexpr int maximumInk = 30000;
// Turning softens the letters a little: a page leaning less than this, which Tesseract follows by
// itself, stays as it is.
constexpr double smallestTurn = 0.5;
// How much sharper the rows must be at the best angle than level before the image is turned:
// a photo without text shows rows at some angle by chance, but only a few tens of percent
// sharper (text: many times).
constexpr double clearGain = 2.5;

// Positions of dark pixels on a lighter surround: letters, rules, a sheet's edge; not the
// shading of a plain surface.
std::vector<cv::Point2f> inkPoints(const cv::Mat& grey)
{
    const double scale = std::min(1.0, double(workSide) / std::max(grey.cols, grey.rows));
    cv::Mat small;
    if (scale < 1) {
        const cv::Size smallSize(std::max(1, int(grey.cols * scale)), std::max(1, int(grey.rows * scale)));
        cv::resize(grey, small, smallSize, 0, 0, cv::INTER_AREA);
    } else
        small = grey;
    cv::Mat ink;
    const int block = std::max(15, (std::max(small.cols, small.rows) / 40) | 1);
    cv::adaptiveThreshold(small, ink, 255, cv::ADAPTIVE_THRESH_MEAN_C, cv::THRESH_BINARY_INV, block, 12);
    // A random choice, not every n-th: every n-th pixel of a dense area forms a lattice whose
    // own rows would be taken for lines.
    const int inked = cv::countNonZero(ink);
    const double keep = std::min(1.0, double(maximumInk) / std::max(inked, 1));
    cv::RNG choice(0x5eed);
    std::vector<cv::Point2f> points;
    points.reserve(size_t(std::min(inked, maximumInk * 2)));
    for (int y = 0; y < ink.rows; ++y) {
        const uchar* row = ink.ptr<uchar>(y);
        for (int x = 0; x < ink.cols; ++x)
            if (row[x] && (keep == 1 || choice.uniform(0.0, 1.0) < keep))
                points.emplace_back(float(x), float(y));
    }
    return points;
}

// How sharply the points fall into rows across lines turned `degrees`: the summed squared change
// between neighbouring rows of their profile, high when rows of ink alternate with empty gaps.
// Each point is shared between the two rows it falls between, so that the pixel grid itself
// makes no rows at angles where pixel rows happen to line up.
double sharpness(const std::vector<cv::Point2f>& points, double degrees, std::vector<float>& profile, float reach)
{
    const double radians = degrees * std::numbers::pi / 180;
    const float sine = float(std::sin(radians)), cosine = float(std::cos(radians));
    std::fill(profile.begin(), profile.end(), 0.f);
    const float last = float(profile.size() - 2);
    for (const cv::Point2f& p : points) {
        const float row = std::clamp(p.y * cosine - p.x * sine + reach, 0.f, last);
        const int below = int(row);
        const float share = row - float(below);
        profile[size_t(below)] += 1 - share;
        profile[size_t(below) + 1] += share;
    }
    double sum = 0;
    for (size_t i = 0; i + 1 < profile.size(); ++i) {
        const double step = double(profile[i + 1]) - profile[i];
        sum += step * step;
    }
    return sum;
}

} // namespace

double textSkewDegrees(const cv::Mat& grey)
{
    if (grey.type() != CV_8U || grey.cols < minimumSide || grey.rows < minimumSide)
        return 0;
    const std::vector<cv::Point2f> points = inkPoints(grey);
    if (points.size() < size_t(minimumInk))
        return 0;
    float width = 0, height = 0;
    for (const cv::Point2f& p : points) {
        width = std::max(width, p.x);
        height = std::max(height, p.y);
    }
    // A point's row moves up by at most its x·sin(range); the profile starts that far above 0.
    const float reach = float(width * std::sin(searchRange * std::numbers::pi / 180)) + 2;
    std::vector<float> profile(size_t(std::ceil(height + 2 * reach)) + 2);

    double best = 0, bestScore = -1;
    for (double degrees = -searchRange; degrees <= searchRange + 1e-9; degrees += coarseStep) {
        const double score = sharpness(points, degrees, profile, reach);
        if (score > bestScore)
            best = degrees, bestScore = score;
    }
    const double coarse = best;
    for (double degrees = coarse - coarseStep + fineStep; degrees < coarse + coarseStep - 1e-9; degrees += fineStep) {
        const double score = sharpness(points, degrees, profile, reach);
        if (score > bestScore)
            best = degrees, bestScore = score;
    }
    best = std::round(best * 10) / 10;
    if (std::abs(best) < smallestTurn)
        return 0;
    const double level = sharpness(points, 0, profile, reach);
    return bestScore >= clearGain * level ? best : 0;
}

cv::Mat turnedLevel(const cv::Mat& grey, double degrees)
{
    if (degrees == 0 || grey.empty())
        return grey;
    const cv::Point2f centre(float(grey.cols) / 2, float(grey.rows) / 2);
    cv::Mat turn = cv::getRotationMatrix2D(centre, degrees, 1);
    const double radians = degrees * std::numbers::pi / 180;
    const double sine = std::abs(std::sin(radians)), cosine = std::abs(std::cos(radians));
    const cv::Size size(int(std::ceil(grey.cols * cosine + grey.rows * sine)),
                        int(std::ceil(grey.cols * sine + grey.rows * cosine)));
    turn.at<double>(0, 2) += size.width / 2.0 - centre.x;
    turn.at<double>(1, 2) += size.height / 2.0 - centre.y;
    // The edge's tone, so that the uncovered corners add no edges of their own.
    const cv::Scalar edge = (cv::mean(grey.row(0)) + cv::mean(grey.row(grey.rows - 1)) + cv::mean(grey.col(0)) +
                             cv::mean(grey.col(grey.cols - 1))) / 4;
    cv::Mat level;
    cv::warpAffine(grey, level, turn, size, cv::INTER_LINEAR, cv::BORDER_CONSTANT, edge);
    return level;
}

} // namespace kelvaro::detectors
