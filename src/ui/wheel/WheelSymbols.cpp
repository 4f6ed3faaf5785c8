#include "ui/wheel/WheelSymbols.h"

#include <QPainter>

#include "ui/design/Symbols.h"

namespace kelvaro::wheel {

void drawSymbol(QPainter& painter, const QString& name, const QRectF& rect, const QColor& color, const QColor& secondary)
{
    const qreal side = std::min(rect.width(), rect.height());
    const QRectF box(rect.center().x() - side / 2, rect.center().y() - side / 2, side, side);
    if (secondary.isValid() && name.endsWith(QLatin1String(".circle.fill"))) {
        // The glyph is cut out of the disc; a smaller disc of the second colour behind it shows
        // through the cut.
        painter.save();
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(secondary);
        painter.drawEllipse(box.center(), side * 0.36, side * 0.36);
        painter.restore();
    }
    Symbols::paint(painter, box, name, color);
}

QPixmap symbolPixmap(const QString& name, int side, const QColor& color, const QColor& secondary, qreal dpr)
{
    QPixmap pixmap(QSize(side, side) * dpr);
    pixmap.setDevicePixelRatio(dpr);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    drawSymbol(painter, name, QRectF(0, 0, side, side), color, secondary);
    return pixmap;
}

} // namespace kelvaro::wheel
