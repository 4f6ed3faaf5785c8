#include "ui/design/Motion.h"

#include <cmath>

#include <QPointF>
#include <QWidget>

namespace kelvaro {
namespace Motion {
namespace {

double omega(double response)
{
    return 2 * M_PI / std::max(response, 1e-3);
}

// ωt at which (1 + ωt)·e^(−ωt) falls to kSettled; the same for every response.
double settledPhase()
{
    static const double phase = [] {
        double u = 10;
        // Newton's method on f(u) = ln(1 + u) − u − ln ε, which is concave and falling past 0.
        for (int i = 0; i < 50; ++i) {
            const double f = std::log1p(u) - u - std::log(kSettled);
            const double df = 1 / (1 + u) - 1;
            u -= f / df;
        }
        return u;
    }();
    return phase;
}

qreal springEase(qreal progress)
{
    if (progress >= 1)
        return 1;
    if (progress <= 0)
        return 0;
    const double u = settledPhase() * progress;
    const double end = 1 - (1 + settledPhase()) * std::exp(-settledPhase());
    return (1 - (1 + u) * std::exp(-u)) / end;
}

qreal springKick(qreal progress)
{
    if (progress <= 0 || progress >= 1)
        return 0;
    const double u = settledPhase() * progress;
    return u * std::exp(1 - u);
}

} // namespace

double springProgress(double seconds, double response)
{
    if (seconds <= 0)
        return 0;
    const double u = omega(response) * seconds;
    return 1 - (1 + u) * std::exp(-u);
}

double springSettleSeconds(double response)
{
    return settledPhase() / omega(response);
}

QEasingCurve springCurve()
{
    QEasingCurve curve;
    curve.setCustomType(springEase);
    return curve;
}

QEasingCurve springKickCurve()
{
    QEasingCurve curve;
    curve.setCustomType(springKick);
    return curve;
}

QEasingCurve easeOut()
{
    QEasingCurve curve(QEasingCurve::BezierSpline);
    curve.addCubicBezierSegment(QPointF(0, 0), QPointF(0.58, 1), QPointF(1, 1));
    return curve;
}

bool Spring::settled() const
{
    return std::abs(value - target) < kSettled && std::abs(velocity) < kSettled;
}

void Spring::step(double dt, double response)
{
    if (dt <= 0)
        return;
    // x(t) = (c1 + c2·t)·e^(−ωt) around the target, from the present offset and velocity.
    const double w = omega(response);
    const double c1 = value - target;
    const double c2 = velocity + w * c1;
    const double e = std::exp(-w * dt);
    value = target + (c1 + c2 * dt) * e;
    velocity = (c2 - w * (c1 + c2 * dt)) * e;
    if (settled())
        snap();
}

} // namespace Motion

SpringAnimation::SpringAnimation(double response, QObject* parent)
    : QVariantAnimation(parent)
    , m_response(response)
{
    setDuration(int(std::ceil(Motion::springSettleSeconds(response) * 1000)));
    setEasingCurve(Motion::springCurve());
}

QVariantAnimation* easeOutAnimation(QObject* parent, double seconds)
{
    auto* animation = new QVariantAnimation(parent);
    animation->setDuration(int(std::lround(seconds * 1000)));
    animation->setEasingCurve(Motion::easeOut());
    return animation;
}

QPixmap fadingPicture(QWidget* widget)
{
    const qreal ratio = widget->devicePixelRatioF();
    QPixmap picture(widget->size() * ratio);
    picture.setDevicePixelRatio(ratio);
    picture.fill(Qt::transparent);
    widget->render(&picture, QPoint(), QRegion(), QWidget::DrawChildren);
    return picture;
}

} // namespace kelvaro
