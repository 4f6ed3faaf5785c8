#pragma once
// Kelvaro's own glyphs, looked up by the symbol names that records and screens store
// ("photo.stack", "doc.on.clipboard", …). Each glyph is a small SVG drawing on a 24-unit grid,
// authored for this application, tinted to the colour asked for. Unknown names draw a neutral
// rounded square, so a record from a newer version never leaves a hole. Main thread (QPixmap);
// the pixmap cache is unbounded but holds only the few sizes and colours the screens use.
#include <QColor>
#include <QIcon>
#include <QPixmap>
#include <QString>
#include <QStringList>

class QPainter;
class QRectF;

namespace kelvaro::Symbols {

bool contains(const QString& name);
QStringList names();

// Draws the glyph fitted into `rect` (square, centred). `weight` scales the stroke: 1 regular,
// about 1.2 semibold.
void paint(QPainter& painter, const QRectF& rect, const QString& name, const QColor& color, qreal weight = 1.0);

// The glyph as a pixmap of `side` logical pixels at `devicePixelRatio`.
QPixmap pixmap(const QString& name, const QColor& color, int side, qreal devicePixelRatio = 1.0, qreal weight = 1.0);

// An icon with normal and disabled forms, for actions and tool buttons.
QIcon icon(const QString& name, const QColor& color, const QColor& disabledColor = QColor());

} // namespace kelvaro::Symbols
