#include "FaceGroupPhotos.h"

#include <opencv2/core.hpp>

#include "TestImages.h"
#include "TestPaths.h"

namespace kelvaro::test {
namespace {

constexpr int side = 512; // of one portrait
// Where the face lies in the portrait, measured on the file.
const QRect faceInPortrait(175, 70, 95, 110);

} // namespace

std::string layoutName(FaceLayout layout)
{
    switch (layout) {
    case FaceLayout::fourInARowOnACanvas: return "FourInARowOnACanvas";
    case FaceLayout::twoOnACanvas: return "TwoOnACanvas";
    case FaceLayout::twoInARow: return "TwoInARow";
    case FaceLayout::fourInARow: return "FourInARow";
    case FaceLayout::twoByTwo: return "TwoByTwo";
    }
    return {};
}

FaceGroupPhoto faceGroupPhoto(FaceLayout layout)
{
    const cv::Mat file = toMat(testimages::read(QStringLiteral(KELVARO_TEST_DATA_DIR "/faces-four-in-a-row.jpg")));
    const int margin = 256;
    auto portraitsAt = [](int top, int count) {
        QList<QRect> portraits;
        for (int i = 0; i < count; ++i)
            portraits << QRect(i * side, top, side, side);
        return portraits;
    };
    switch (layout) {
    case FaceLayout::fourInARowOnACanvas:
        return {fromMat(file), portraitsAt(margin, 4)};
    case FaceLayout::twoOnACanvas:
        return {fromMat(file(cv::Rect(0, 0, 2 * side, file.rows))), portraitsAt(margin, 2)};
    case FaceLayout::twoInARow:
        return {fromMat(file(cv::Rect(0, margin, 2 * side, side))), portraitsAt(0, 2)};
    case FaceLayout::fourInARow:
        return {fromMat(file(cv::Rect(0, margin, 4 * side, side))), portraitsAt(0, 4)};
    case FaceLayout::twoByTwo: {
        cv::Mat grid(2 * side, 2 * side, file.type());
        file(cv::Rect(0, margin, 2 * side, side)).copyTo(grid(cv::Rect(0, 0, 2 * side, side)));
        file(cv::Rect(2 * side, margin, 2 * side, side)).copyTo(grid(cv::Rect(0, side, 2 * side, side)));
        return {fromMat(grid), portraitsAt(0, 2) + portraitsAt(side, 2)};
    }
    }
    return {};
}

QRect faceIn(const QRect& portrait) { return faceInPortrait.translated(portrait.topLeft()); }

QPointF faceCentreIn(const QRect& portrait) { return QRectF(faceIn(portrait)).center(); }

} // namespace kelvaro::test
