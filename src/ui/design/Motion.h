#pragma once
// How the interface moves: the critically damped spring that every springing change uses (the
// mode pill, the drop card's faces and height, its ring and the bounce of its symbol, the wheel's
// highlight and mode swap) and the short ease-out of hover and drag feedback. A spring is given
// by its response, the period in seconds of the same spring without damping; at damping fraction
// 1 it never overshoots. The curves are pure functions of time; SpringAnimation and
// easeOutAnimation() drive them on the main thread.
#include <QEasingCurve>
#include <QPixmap>
#include <QVariantAnimation>

class QWidget;

namespace kelvaro {

namespace Motion {

// How close to its target a spring counts as arrived: a thousandth of the way.
constexpr double kSettled = 1e-3;

// The share (0–1) of the way a critically damped spring of `response` seconds has travelled
// `seconds` after it was let go from rest: 1 − (1 + ωt)·e^(−ωt), ω = 2π / response.
double springProgress(double seconds, double response);
// When that spring comes within kSettled of its target, in seconds.
double springSettleSeconds(double response);
// The spring's course over its settle time as an easing curve (its shape does not depend on the
// response); it ends exactly at 1.
QEasingCurve springCurve();
// The same spring struck while at rest on its target: how far it swings out, as a share of its
// greatest swing, over its settle time: ωt·e^(1−ωt), 0 at the strike, 1 at t = 1/ω, and back to
// exactly 0 at the end. A bounce that needs no second curve; its shape does not depend on the
// response either.
QEasingCurve springKickCurve();

// The platform's ease-out (a cubic Bézier through (0.58, 1)), and the feedback length it is used
// with in seconds.
QEasingCurve easeOut();
constexpr double kFeedbackSeconds = 0.15;

// A value on its way to a target under a critically damped spring, keeping its velocity when the
// target moves mid-way. Values only: the owner steps it from its frame timer.
struct Spring {
    double value = 0;
    double velocity = 0; // per second
    double target = 0;

    bool settled() const;
    void snap()
    {
        value = target;
        velocity = 0;
    }
    // Advances by `dt` seconds along the exact solution, so any frame gap is stable; snaps once
    // settled.
    void step(double dt, double response);
};

} // namespace Motion

// A QVariantAnimation that runs from its start to its end value along a critically damped spring
// of `response` seconds, lasting until the spring settles. Main thread.
class SpringAnimation : public QVariantAnimation {
    Q_OBJECT
public:
    explicit SpringAnimation(double response, QObject* parent = nullptr);
    double response() const { return m_response; }

private:
    double m_response;
};

// An animation of the ease-out of `seconds` (0.15 unless told).
QVariantAnimation* easeOutAnimation(QObject* parent, double seconds = Motion::kFeedbackSeconds);

// What `widget` and its children show now, on transparency at the screen's pixel ratio, for a
// cross-fade out of it. Not grab(): that lays the palette's window colour under the picture, a
// square box over rounded or see-through content while it fades.
QPixmap fadingPicture(QWidget* widget);

} // namespace kelvaro
