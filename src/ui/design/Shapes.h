#pragma once
// The small drawing steps the design's components share: a rounded rectangle's path, the inside
// edge a 1-px border is drawn on, and a colour darkened for a pressed control. Pure functions.
#include <QColor>
#include <QPainterPath>
#include <QRectF>

namespace kelvaro::Shapes {

QPainterPath rounded(const QRectF& rect, qreal radius);
// The rectangle inset by half a pixel, where a 1-px line lies wholly inside `rect`.
QRectF inner(const QRectF& rect);
// `color` with `amount` (0–1) taken off each channel, alpha kept.
QColor darker(const QColor& color, qreal amount);

} // namespace kelvaro::Shapes
