#pragma once
// Helpers of the wheel's widget tests: pointer moves, clicks and points on a wheel.
#include <cmath>

#include "../main/UiTestSupport.h"
#include "ui/wheel/ActionWheel.h"

namespace wheeltest {

// Texts in these tests are the Czech ones: every test starts in Czech whatever the system says.
using kelvaro::uitest::CzechTest;
using kelvaro::uitest::waitFor;

// The widget point at `angle` degrees clockwise from 12 o'clock and `distance` from the centre.
inline QPointF wheelPoint(const kelvaro::wheel::ActionWheel& wheel, double angle, double distance)
{
    const double a = (angle - 90) * M_PI / 180;
    const QPointF c = wheel.toWidget(wheel.wheelGeometry().centre());
    return c + QPointF(std::cos(a) * distance, std::sin(a) * distance);
}

// The middle of wedge i of a wheel.
inline QPointF wedgePoint(const kelvaro::wheel::ActionWheel& wheel, int i)
{
    const auto g = wheel.wheelGeometry();
    return wheelPoint(wheel, (i + 0.5) * g.sector(), g.labelDistance() + 20);
}

inline void mouseMove(QWidget* widget, QPointF p)
{
    QMouseEvent event(QEvent::MouseMove, p, widget->mapToGlobal(p), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

inline void click(QWidget* widget, QPointF p)
{
    kelvaro::uitest::mouse(widget, QEvent::MouseButtonPress, p);
    kelvaro::uitest::mouse(widget, QEvent::MouseButtonRelease, p);
}

// How many pixels of two pictures of one size differ by more than antialiasing does.
inline int differingPixels(const QImage& a, const QImage& b)
{
    int differing = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QColor p = a.pixelColor(x, y), q = b.pixelColor(x, y);
            if (std::abs(p.red() - q.red()) + std::abs(p.green() - q.green()) + std::abs(p.blue() - q.blue()) > 12)
                ++differing;
        }
    return differing;
}

inline void leave(QWidget* widget)
{
    QEvent event(QEvent::Leave);
    QApplication::sendEvent(widget, &event);
}

using kelvaro::test::dragEnter;
using kelvaro::test::dragLeave;
using kelvaro::test::dragMove;
using kelvaro::test::drop;
using kelvaro::test::DropOutcome;
using kelvaro::test::urlMime;
using kelvaro::test::urlsOf;

} // namespace wheeltest
