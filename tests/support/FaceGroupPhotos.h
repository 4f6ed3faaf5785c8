#pragma once
// Group photos of one portrait for the face tests, made from tests/data/faces-four-in-a-row.jpg:
// four identical 512 × 512 copies of a portrait side by side on a 2048 × 1024 grey canvas, 256 px
// of plain grey above and below them. The other layouts are crops and composites of it.
#include <ostream>
#include <string>

#include <QList>
#include <QPointF>
#include <QRect>

#include "engine/Bitmap.h"

namespace kelvaro::test {

enum class FaceLayout {
    fourInARowOnACanvas, // the file as it is
    twoOnACanvas,        // its left half: two portraits, grey above and below
    twoInARow,           // two portraits, nothing else
    fourInARow,          // four portraits, nothing else
    twoByTwo,            // four portraits in two rows
};
inline constexpr FaceLayout allFaceLayouts[] = {FaceLayout::fourInARowOnACanvas, FaceLayout::twoOnACanvas,
                                                FaceLayout::twoInARow, FaceLayout::fourInARow, FaceLayout::twoByTwo};
std::string layoutName(FaceLayout layout); // an identifier, for test names
inline void PrintTo(FaceLayout layout, std::ostream* os) { *os << layoutName(layout); }

struct FaceGroupPhoto {
    Bitmap image;            // RGBA
    QList<QRect> portraits;  // where each copy of the portrait lies, in pixels of `image`
};
// Reads the file from the source tree.
FaceGroupPhoto faceGroupPhoto(FaceLayout layout);

// The face of the portrait placed at `portrait` (pixels of the group photo): its outline from
// forehead to chin and ear to ear, about 95 × 110 px, and its centre.
QRect faceIn(const QRect& portrait);
QPointF faceCentreIn(const QRect& portrait);

} // namespace kelvaro::test
