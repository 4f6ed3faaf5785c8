#pragma once
// The symbols the wheel, its card and the compare sheet draw, by the symbol names the records
// carry ("crop", "doc.zipper", …): the application's own glyphs, with one addition the wheel
// needs, a second colour for round filled symbols ("xmark.circle.fill" white on a dark disc).
// Main thread.
#include <QColor>
#include <QPixmap>
#include <QRectF>
#include <QString>

class QPainter;

namespace kelvaro::wheel {

// Draws the symbol fitted into `rect` (square drawing, centred), in `color`. For a symbol named
// "….circle.fill" a valid `secondary` colours the glyph that is otherwise cut out of the disc.
void drawSymbol(QPainter& painter, const QString& name, const QRectF& rect, const QColor& color,
                const QColor& secondary = QColor());

// The symbol as a pixmap of `side` logical pixels at the given device-pixel ratio.
QPixmap symbolPixmap(const QString& name, int side, const QColor& color, const QColor& secondary = QColor(),
                     qreal dpr = 1.0);

} // namespace kelvaro::wheel
