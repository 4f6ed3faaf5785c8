#pragma once
// The colours and text sizes the wheel and its card draw with, in one place, taken from the
// application theme (ember, rose, teal, the hairline and wedge fills, the card and canvas
// surfaces) and resolved once per paint for the appearance the widget is drawn in.
// Values only; main thread.
#include <QColor>
#include <QFont>
#include <QList>
#include <QPalette>

class QWidget;

namespace kelvaro::wheel {

struct WheelPalette {
    bool isDark = false;
    QColor ember;       // brand orange, same in both appearances
    QColor emberText;   // ember for text: darker on light, lighter on dark
    QColor rose;
    QColor teal;
    QColor canvas;      // window backdrop; also the gap colour between wedges
    QColor cardFill;    // card and centre-disc surface
    QColor hairline;    // primary at 8 %
    QColor wedgeFill;   // primary at 7 %
    QColor primary;     // label colour
    QColor secondary;
    QColor tertiary;
    QColor buttonOrange; // the primary button's fill

    static WheelPalette light();
    static WheelPalette dark();
    // The palette for the appearance a widget is drawn in (inferred from its window colour).
    static WheelPalette forWidget(const QWidget* widget);
    static bool isDarkPalette(const QPalette& palette);
};

// The six highlight colours of the wedges; wedge i takes entry i modulo 6 in every mode.
const QList<QColor>& wedgeHighlightColors();

// Text sizes in logical pixels.
namespace TextSize {
inline constexpr int caption = 11;
inline constexpr int caption2 = 10;
inline constexpr int footnote = 11;
inline constexpr int callout = 12;
inline constexpr int headline = 13;
inline constexpr int title3 = 15;
} // namespace TextSize

QFont wheelFont(int pixelSize, QFont::Weight weight = QFont::Normal);

// The colour `a` moved towards `b` by t in 0…1, alpha included.
QColor mix(const QColor& a, const QColor& b, double t);
QColor withAlpha(QColor color, double opacity);

} // namespace kelvaro::wheel
