#include "ui/wheel/FaceFade.h"

#include <algorithm>
#include <cmath>

#include <QPainter>
#include <QPainterPath>

#include "ui/design/Motion.h"
#include "ui/wheel/WheelStyle.h"

namespace kelvaro::wheel {

FaceFade::FaceFade(QWidget* card)
    : QWidget(card)
    , m_spring(new SpringAnimation(kResponse, this))
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    hide();
    m_spring->setStartValue(0.0);
    m_spring->setEndValue(1.0);
    connect(m_spring, &QVariantAnimation::valueChanged, this, [this](const QVariant& v) {
        m_progress = v.toDouble();
        update();
        Q_EMIT stepped();
    });
    connect(m_spring, &QAbstractAnimation::finished, this, [this] {
        m_old = QPixmap();
        m_progress = 1;
        hide();
        Q_EMIT stepped();
    });
}

void FaceFade::start(int fromHeight, QWidget* leaving)
{
    m_spring->stop();
    // The face on the card's fill, which is what lies under it: text drawn on a transparent
    // picture would be smoothed otherwise than on the card.
    const qreal ratio = leaving->devicePixelRatioF();
    m_old = QPixmap(leaving->size() * ratio);
    m_old.setDevicePixelRatio(ratio);
    m_old.fill(WheelPalette::forWidget(this).cardFill);
    leaving->render(&m_old, QPoint(), QRegion(), QWidget::DrawChildren);
    m_at = leaving->mapTo(parentWidget(), QPoint());
    m_from = fromHeight;
    m_progress = 0;
    show();
    raise();
    m_spring->start();
}

bool FaceFade::isRunning() const
{
    return m_spring->state() != QAbstractAnimation::Stopped;
}

int FaceFade::height(int toHeight) const
{
    if (!isRunning())
        return toHeight;
    return int(std::lround(m_from + (toHeight - m_from) * std::clamp(m_progress, 0.0, 1.0)));
}

void FaceFade::paintEvent(QPaintEvent*)
{
    if (m_old.isNull())
        return;
    // The old face on the card's fill, inside the card's border, as one layer: where old and new
    // look alike the cross-fade does not dip towards the fill.
    const qreal ratio = devicePixelRatioF();
    QPixmap layer(size() * ratio);
    layer.setDevicePixelRatio(ratio);
    layer.fill(Qt::transparent);
    {
        QPainter painter(&layer);
        painter.setRenderHint(QPainter::Antialiasing);
        QPainterPath inside;
        inside.addRoundedRect(QRectF(rect()).adjusted(kEdge, kEdge, -kEdge, -kEdge), 20 - kEdge, 20 - kEdge);
        painter.fillPath(inside, WheelPalette::forWidget(this).cardFill);
        // A taller old face is cut where the card now ends, inside its edge.
        painter.setClipPath(inside);
        painter.drawPixmap(m_at, m_old);
    }
    QPainter painter(this);
    painter.setOpacity(1 - std::clamp(m_progress, 0.0, 1.0));
    painter.drawPixmap(0, 0, layer);
}

} // namespace kelvaro::wheel
