#pragma once
// The application's look in one place: brand and accent colours, the appearance-dependent
// colours (light and dark values, resolved when drawn from the palette of the widget that
// draws), the palette for user-chosen colours, the text styles and the Qt palettes of the light
// and dark windows. Tokens are immutable values built on first use; main thread for widgets,
// the plain colours may be read from any thread.
#include <variant>

#include <QColor>
#include <QFont>
#include <QList>
#include <QPalette>

class QWidget;

namespace kelvaro {

// A colour with a light and a dark value; the dark one is used where the drawing widget's
// palette is dark (window darker than its text), the light one everywhere else. A colour that
// names a role of the desktop's palette takes the desktop's colour instead, each time it is
// resolved, while that palette is of the appearance drawn and text stays readable on it.
struct DynamicColor {
    QColor light;
    QColor dark;
    QPalette::ColorRole desktopRole = QPalette::NoRole;

    QColor resolve(bool isDark) const;
    QColor on(const QWidget* widget) const;
    bool operator==(const DynamicColor&) const = default;
};

// A colour given either way, as `widget` shows it.
QColor colorOn(const std::variant<DynamicColor, QColor>& color, const QWidget* widget);

// Text styles of the interface; sizes are logical pixels (QFont::setPixelSize).
enum class TextStyle {
    display,   // 26, semibold, tight leading: page titles
    cardTitle, // 15, semibold
    eyebrow,   // 11, semibold
    title2,    // 17
    title3,    // 15
    headline,  // 13, semibold
    body,      // 13
    callout,   // 12
    caption,   // 11
};

namespace Theme {

// Fixed colours, the same in both appearances.
QColor ember();  // brand colour and tint
QColor rose();   // errors
QColor violet();
QColor teal();
QColor gold();
QColor buttonOrange(); // fill of the primary button

// Appearance-dependent colours.
const DynamicColor& emberText();
const DynamicColor& tealText();
const DynamicColor& cardFill();  // panels and cards: the desktop's control background (Base)
const DynamicColor& canvas();    // window backdrop: the desktop's window background (Window)
const DynamicColor& sidebar();   // the sidebar column
const DynamicColor& hairline();  // 1-px borders: primary at 8 %
const DynamicColor& wedgeFill(); // resting wheel slices: primary at 7 %
const DynamicColor& primary();   // text and the "primary colour" of fills
const DynamicColor& secondary(); // secondary text and glyphs
const DynamicColor& tertiary();  // quiet glyphs, separators of lists
// Text, glyphs and tint of every action that deletes or removes something.
const DynamicColor& destructive();
// The outline of an unchecked check box or switch: at least 3:1 against the window and the
// cards in its appearance, so an empty box is seen where it is.
const DynamicColor& controlBorder();

// The primary colour (black in light, white in dark) at `opacity` 0–1.
QColor primaryAt(const QWidget* widget, qreal opacity);
QColor primaryAt(bool isDark, qreal opacity);

// Five colours in the order ember, violet, teal, gold, rose.
const QList<QColor>& palette();
// The palette colour for any stored index (its absolute value modulo five).
QColor paletteColor(qint64 index);

// The palette the desktop gives the application: the application's own palette, or what it was
// before the appearance's palette was set over it.
QPalette desktopPalette();

// Whether a widget is drawn in the dark appearance (from its palette).
bool isDark(const QWidget* widget);
bool isDark(const QPalette& palette);

QFont font(TextStyle style);
QFont font(TextStyle style, QFont::Weight weight);
// A font of `pixelSize` logical pixels in the interface family.
QFont font(int pixelSize, QFont::Weight weight = QFont::Normal);
// Makes Inter (fonts-inter) the interface family of every window, at the body size, when it is
// installed; otherwise the desktop's default font stays. The application and the gallery both
// call it, so the gallery shows what users see. Needs the QApplication.
void installInterfaceFont();

// The Qt palette of a window in the light or dark appearance.
QPalette qtPalette(bool dark);

// Gives `window` the palette of the current appearance now and whenever it changes.
void follow(QWidget* window);
// How many windows follow() keeps track of, for tests.
qsizetype followedWindowCount();
// Gives `window` (and its children) the palette of the chosen appearance, once.
void apply(QWidget* window, bool dark);

} // namespace Theme
} // namespace kelvaro
