#pragma once
// Painting of the action wheel as a pure function of what is shown: the wedges with their
// highlight amounts, the labels and the centre disc. The widget feeds it animated values; tests
// and the gallery feed it settled ones. Main thread (it paints with fonts).
#include <QColor>
#include <QList>
#include <QString>

#include "model/Models.h"
#include "ui/wheel/WheelGeometry.h"
#include "ui/wheel/WheelStyle.h"

class QPainter;

namespace kelvaro::wheel {

// The mode's own centre symbol: convert "arrow.triangle.2.circlepath", tools "wand.and.stars",
// actions "bolt.fill".
QString modeSymbol(WheelMode mode);

struct CentreContent {
    QString symbol;
    QString title; // already localized
    bool operator==(const CentreContent&) const = default;
};

// The centre's content for a highlighted index (none: the mode's symbol and title).
CentreContent centreContent(WheelMode mode, std::optional<int> hovered);

struct WheelVisual {
    QList<WheelAction> actions;
    QList<double> highlight;       // per wedge, 0 (resting) … 1 (highlighted); missing entries are 0
    QList<QColor> wedgeColors;     // wedge i takes entry i modulo the length; never empty
    CentreContent centre;
    CentreContent previousCentre;  // cross-faded out while centreBlend < 1
    double centreBlend = 1;        // 0 shows the previous content, 1 the current
    double centreHighlight = 0;    // 0 hairline border, 1 ember border

    double highlightOf(int i) const { return i >= 0 && i < highlight.size() ? highlight[i] : 0.0; }
    QColor colorOf(int i) const;
};

// The visual of a wheel at rest with `hovered` highlighted (or none).
WheelVisual settledVisual(WheelMode mode, std::optional<int> hovered,
                          const QList<QColor>& wedgeColors = wedgeHighlightColors());

inline constexpr double kHighlightScale = 1.03;

// Where the labels go: one text size for all of them and, per wedge, the rectangle its text is
// drawn in, in the wheel's own coordinates before a highlight's scale (which moves a wedge and
// its label alike).
struct WheelLabels {
    int textSize = 0;
    QList<QRectF> textRects;
};
WheelLabels wheelLabels(const WheelGeometry& geometry, const QList<WheelAction>& actions);

// Paints the wheel with its square's top-left corner at the painter's origin. The outer ring
// reaches 5 px beyond the square on every side.
void paintWheel(QPainter& painter, const WheelGeometry& geometry, const WheelVisual& visual,
                const WheelPalette& palette);

} // namespace kelvaro::wheel
