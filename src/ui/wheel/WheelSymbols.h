#pragma once
// The line symbols the wheel, its card and the compare sheet draw, by the symbol names the
// records carry ("crop", "doc.zipper", …). Our own 24-unit vector drawings, tinted at draw time.
// Symbols named "….fill" with a round base have a glyph that is cut out of the base (or drawn in
// `secondary` when one is given). Unknown names draw a neutral dot, never nothing. Main thread.
#include <QColor>
#include <QPixmap>
#include <QRectF>
#include <QString>

class QPainter;

namespace kelvaro::wheel {

// Whether a drawing exists for the name.
bool hasSymbol(const QString& name);

// Draws the symbol fitted into `rect` (square drawing, centred), in `color`.
void drawSymbol(QPainter& painter, const QString& name, const QRectF& rect, const QColor& color,
                const QColor& secondary = QColor());

// The symbol as a pixmap of `side` logical pixels at the given device-pixel ratio.
QPixmap symbolPixmap(const QString& name, int side, const QColor& color,
                     const QColor& secondary = QColor(), qreal dpr = 1.0);

} // namespace kelvaro::wheel
