#include "ui/wheel/DropRing.h"

#include <algorithm>

#include <QPainter>

#include "ui/design/Motion.h"
#include "ui/wheel/WheelStyle.h"
#include "ui/wheel/WheelSymbols.h"

namespace kelvaro::wheel {

DropRing::DropRing(QWidget* parent)
    : QWidget(parent)
    , m_spring(new SpringAnimation(kResponse, this))
    , m_bounce(new SpringAnimation(kResponse, this))
{
    setFixedSize(180, 180);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    connect(m_spring, &QVariantAnimation::valueChanged, this, [this](const QVariant& v) {
        m_shown = v.toDouble();
        update();
    });
    m_bounce->setEasingCurve(Motion::springKickCurve());
    m_bounce->setStartValue(0.0);
    m_bounce->setEndValue(1.0);
    connect(m_bounce, &QVariantAnimation::valueChanged, this, [this](const QVariant& v) {
        m_scale = 1 + kBounceGrowth * v.toDouble();
        update();
    });
}

void DropRing::setTargeted(bool targeted)
{
    if (targeted == m_targeted)
        return;
    m_targeted = targeted;
    m_spring->stop();
    if (!isVisible()) {
        settle();
        return;
    }
    m_spring->setStartValue(m_shown);
    m_spring->setEndValue(targeted ? 1.0 : 0.0);
    m_spring->start();
    // A bounce under way starts over from rest rather than stacking on itself.
    m_bounce->stop();
    m_bounce->start();
}

void DropRing::settle()
{
    m_spring->stop();
    m_bounce->stop();
    m_shown = m_targeted ? 1 : 0;
    m_scale = 1;
    update();
}

void DropRing::paintEvent(QPaintEvent*)
{
    const WheelPalette palette = WheelPalette::forWidget(this);
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF box(rect());
    const double t = std::clamp(m_shown, 0.0, 1.0);
    painter.setPen(Qt::NoPen);
    painter.setBrush(withAlpha(palette.ember, 0.1 * t));
    painter.drawEllipse(box);
    QPen dash(mix(withAlpha(palette.primary, 0.18), palette.ember, t), 1.5);
    dash.setDashPattern({6 / 1.5, 6 / 1.5});
    painter.setPen(dash);
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(box.adjusted(0.75, 0.75, -0.75, -0.75));
    const double side = 44 * m_scale;
    const QRectF symbol(box.center() - QPointF(side / 2, side / 2), QSizeF(side, side));
    const QColor colour = mix(palette.secondary, palette.ember, t);
    if (t < 1) {
        painter.setOpacity(1 - t);
        drawSymbol(painter, QStringLiteral("photo.stack"), symbol, colour);
    }
    if (t > 0) {
        painter.setOpacity(t);
        drawSymbol(painter, QStringLiteral("arrow.down.circle.fill"), symbol, colour);
    }
}

} // namespace kelvaro::wheel
