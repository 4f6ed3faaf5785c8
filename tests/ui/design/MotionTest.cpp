// The design system's spring: its course over time, its settling, the stateful spring the wheel
// steps, and the animation that drives it.
#include <cmath>

#include <QVariantAnimation>

#include <gtest/gtest.h>

#include "../../support/TestSupport.h"
#include "ui/design/Motion.h"

using namespace kelvaro;

namespace {

// ωt = 2π·t / response; the spring has gone 1 − (1 + ωt)·e^(−ωt) of the way.
struct Point {
    const char* name;
    double response;
    double omegaT;
    double expected;
};

class SpringCourse : public ::testing::TestWithParam<Point> {};

TEST_P(SpringCourse, TravelsTheCriticallyDampedWay)
{
    const Point& c = GetParam();
    const double seconds = c.omegaT * c.response / (2 * M_PI);
    EXPECT_NEAR(Motion::springProgress(seconds, c.response), c.expected, 1e-4);
}

INSTANTIATE_TEST_SUITE_P(Points, SpringCourse, ::testing::Values(
    Point{"start", 0.3, 0, 0},
    Point{"pillEarly", 0.3, 1, 0.26424},
    Point{"pillHalf", 0.3, 2, 0.59399},
    Point{"cardLate", 0.35, 4, 0.90842},
    Point{"wheelNearlyThere", 0.25, 8, 0.99698}),
    test::RowName());

TEST(Spring, RisesWithoutOvershootAndSettlesWithinAThousandth)
{
    for (const double response : {0.25, 0.3, 0.35}) {
        const double settle = Motion::springSettleSeconds(response);
        double last = 0;
        for (int i = 1; i <= 400; ++i) {
            const double x = Motion::springProgress(settle * 1.5 * i / 400, response);
            EXPECT_GE(x, last) << response << " at step " << i;
            EXPECT_LE(x, 1.0) << response << " at step " << i;
            last = x;
        }
        EXPECT_NEAR(Motion::springProgress(settle, response), 1 - Motion::kSettled, 1e-9) << response;
        EXPECT_LT(Motion::springProgress(settle * 0.9, response), 1 - Motion::kSettled) << response;
    }
    // A stiffer spring arrives sooner: settling scales with the response.
    EXPECT_NEAR(Motion::springSettleSeconds(0.35) / Motion::springSettleSeconds(0.25), 0.35 / 0.25, 1e-9);
}

// The stateful spring is stepped exactly: one long frame lands where many short ones do, and a
// spring let go from rest follows the course above.
TEST(Spring, StepsLandOnTheSameCourseWhateverTheFrameGap)
{
    Motion::Spring coarse{0, 0, 1}, fine{0, 0, 1};
    coarse.step(0.05, 0.25);
    for (int i = 0; i < 50; ++i)
        fine.step(0.001, 0.25);
    EXPECT_NEAR(coarse.value, fine.value, 1e-9);
    EXPECT_NEAR(coarse.velocity, fine.velocity, 1e-9);
    EXPECT_NEAR(coarse.value, Motion::springProgress(0.05, 0.25), 1e-9);
}

// A target moved half-way keeps the value where it was and its speed; it then settles on the
// new target and snaps there.
TEST(Spring, ARetargetKeepsItsPlaceAndSpeedAndSettlesOnTheNewTarget)
{
    Motion::Spring s{0, 0, 1};
    s.step(0.05, 0.3);
    const double value = s.value, velocity = s.velocity;
    ASSERT_GT(velocity, 0);
    s.target = 0;
    EXPECT_EQ(s.value, value);
    EXPECT_EQ(s.velocity, velocity);
    s.step(0.001, 0.3);
    EXPECT_GT(s.value, value) << "still moving on as it was";
    for (int i = 0; i < 200 && !s.settled(); ++i)
        s.step(1.0 / 60, 0.3);
    EXPECT_TRUE(s.settled());
    EXPECT_EQ(s.value, 0);
    EXPECT_EQ(s.velocity, 0);
}

// The driver runs its values along the spring until it settles, and ends on the end value.
TEST(SpringAnimation, RunsToItsEndValueAlongTheSpring)
{
    SpringAnimation animation(0.3);
    EXPECT_EQ(animation.duration(), int(std::ceil(Motion::springSettleSeconds(0.3) * 1000)));
    animation.setStartValue(10.0);
    animation.setEndValue(110.0);
    QList<double> seen;
    bool overshot = false;
    QObject::connect(&animation, &QVariantAnimation::valueChanged, [&](const QVariant& v) {
        const double x = v.toDouble();
        overshot = overshot || x > 110.0 || (!seen.isEmpty() && x < seen.last());
        seen.append(x);
        // Where the spring is at this moment of the animation.
        const double expected = 10 + 100 * Motion::springProgress(animation.currentTime() / 1000.0, 0.3);
        EXPECT_NEAR(x, expected, 0.5) << "at " << animation.currentTime() << " ms";
    });
    bool finished = false;
    QObject::connect(&animation, &QAbstractAnimation::finished, [&] { finished = true; });
    animation.start();
    ASSERT_TRUE(test::waitUntil([&] { return finished; }));
    EXPECT_FALSE(overshot);
    ASSERT_FALSE(seen.isEmpty());
    EXPECT_EQ(seen.last(), 110.0);
}

} // namespace
