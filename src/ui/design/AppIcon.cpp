#include "ui/design/AppIcon.h"

#include <cmath>

#include <QPainter>
#include <QPainterPath>

namespace kelvaro {

QImage AppIcon::image(int pixels)
{
    QImage image(pixels, pixels, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal s = pixels;
    const QRectF tile(s * 0.06, s * 0.06, s * 0.88, s * 0.88);
    QPainterPath square;
    square.addRoundedRect(tile, s * 0.2, s * 0.2);
    QLinearGradient fill(tile.topLeft(), tile.bottomRight());
    fill.setColorAt(0, QColor::fromRgbF(1.0f, 0.58f, 0.30f));
    fill.setColorAt(0.55, QColor::fromRgbF(1.0f, 0.42f, 0.22f));
    fill.setColorAt(1, QColor::fromRgbF(0.90f, 0.28f, 0.30f));
    p.fillPath(square, fill);
    // A soft light from above.
    QLinearGradient sheen(tile.topLeft(), tile.bottomLeft());
    sheen.setColorAt(0, QColor(255, 255, 255, 60));
    sheen.setColorAt(0.5, QColor(255, 255, 255, 0));
    p.fillPath(square, sheen);

    // The wheel: three slices of a ring with gaps, and a hub.
    const QPointF c = tile.center();
    const qreal outer = s * 0.30;
    const qreal innerR = s * 0.15;
    const qreal gapDeg = 14;
    for (int i = 0; i < 3; ++i) {
        const qreal start = 90 + i * 120 + gapDeg / 2;
        const qreal span = 120 - gapDeg;
        QPainterPath slice;
        slice.arcMoveTo(QRectF(c.x() - outer, c.y() - outer, 2 * outer, 2 * outer), start);
        slice.arcTo(QRectF(c.x() - outer, c.y() - outer, 2 * outer, 2 * outer), start, span);
        slice.arcTo(QRectF(c.x() - innerR, c.y() - innerR, 2 * innerR, 2 * innerR), start + span, -span);
        slice.closeSubpath();
        p.fillPath(slice, QColor(255, 255, 255, i == 0 ? 255 : 215));
    }
    const qreal hub = s * 0.075;
    p.setBrush(Qt::white);
    p.setPen(Qt::NoPen);
    p.drawEllipse(c, hub, hub);
    p.end();
    return image;
}

QIcon AppIcon::icon()
{
    QIcon icon;
    for (int side : {16, 22, 24, 32, 48, 64, 128, 256})
        icon.addPixmap(QPixmap::fromImage(image(side)));
    return icon;
}

AppLogo::AppLogo(int size, QWidget* parent) : QWidget(parent), m_size(size)
{
    setFixedSize(size, size);
    setAccessibleName(QStringLiteral("Kelvaro"));
}

void AppLogo::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    const qreal dpr = devicePixelRatioF();
    QImage img = AppIcon::image(qRound(m_size * dpr));
    img.setDevicePixelRatio(dpr);
    p.drawImage(QPointF(0, 0), img);
}

} // namespace kelvaro
