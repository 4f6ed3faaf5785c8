#pragma once
// A critically damped spring (no overshoot) for the wheel's highlight: response is the period of
// the undamped spring in seconds. Values only; the owner steps it from its frame timer.
#include <cmath>

namespace kelvaro::wheel {

struct Spring {
    double value = 0;
    double velocity = 0;
    double target = 0;

    bool settled() const { return std::abs(value - target) < 1e-3 && std::abs(velocity) < 1e-3; }
    void snap() { value = target; velocity = 0; }

    // Advances by dt seconds in small steps (stable for any frame gap).
    void step(double dt, double response = 0.25, double damping = 1.0)
    {
        const double omega = 2 * M_PI / response;
        while (dt > 0) {
            const double h = dt > 0.004 ? 0.004 : dt;
            const double accel = -omega * omega * (value - target) - 2 * damping * omega * velocity;
            velocity += accel * h;
            value += velocity * h;
            dt -= h;
        }
        if (settled())
            snap();
    }
};

} // namespace kelvaro::wheel
