// The lean of text lines found in images made here, and images where there is none to find.
#include <functional>

#include <gtest/gtest.h>
#include <opencv2/imgproc.hpp>

#include "InjectedDetectors.h"
#include "engine/detectors/TextSkew.h"

using namespace kelvaro;
using namespace kelvaro::detectors;

namespace {

cv::Mat greyLetter(double degrees)
{
    cv::Mat grey;
    cv::cvtColor(test::rgbMat(test::askewLetter(degrees)), grey, cv::COLOR_RGB2GRAY);
    return grey;
}

class LetterTurned : public testing::TestWithParam<double> {};

// Found to a tenth of a degree either way, the sign as the page is turned; a level page is left
// as it is.
TEST_P(LetterTurned, LeansByItsAngle)
{
    const cv::Mat grey = greyLetter(GetParam());
    EXPECT_NEAR(textSkewDegrees(grey), GetParam(), 0.15);
    // Turned back, the letter is level.
    EXPECT_EQ(textSkewDegrees(turnedLevel(grey, textSkewDegrees(grey))), 0);
}

INSTANTIATE_TEST_SUITE_P(Degrees, LetterTurned, testing::Values(-12.0, -7.0, -2.0, 0.0, 1.0, 5.0, 8.0, 12.0));

struct Lineless {
    const char* name;
    std::function<cv::Mat()> make;
};

void PrintTo(const Lineless& row, std::ostream* out) { *out << row.name; }

cv::Mat noise(cv::Size size, double blur)
{
    cv::Mat grey(size, CV_8U);
    cv::RNG random(11);
    random.fill(grey, cv::RNG::UNIFORM, 0, 256);
    if (blur > 0) {
        cv::GaussianBlur(grey, grey, cv::Size(0, 0), blur);
        cv::normalize(grey, grey, 0, 255, cv::NORM_MINMAX);
    }
    return grey;
}

class NoLines : public testing::TestWithParam<Lineless> {};

// Photos without text, and images too small or too thin to tell, are not turned; a huge one is
// looked at on its small copy.
TEST_P(NoLines, LeansNot)
{
    EXPECT_EQ(textSkewDegrees(GetParam().make()), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Images, NoLines,
    testing::Values(Lineless{"white", [] { return cv::Mat(900, 1200, CV_8U, cv::Scalar(255)); }},
                    Lineless{"noise", [] { return noise({1400, 1000}, 0); }},
                    Lineless{"blotches", [] { return noise({1400, 1100}, 2); }},
                    Lineless{"clouds", [] { return noise({1200, 1300}, 12); }},
                    Lineless{"empty", [] { return cv::Mat(); }},
                    Lineless{"one pixel", [] { return cv::Mat(1, 1, CV_8U, cv::Scalar(0)); }},
                    Lineless{"one row", [] { return noise({4000, 1}, 0); }},
                    Lineless{"one column", [] { return noise({1, 4000}, 0); }},
                    Lineless{"tiny", [] { return noise({20, 20}, 0); }},
                    Lineless{"colour", [] { return cv::Mat(600, 800, CV_8UC3, cv::Scalar::all(255)); }},
                    Lineless{"huge noise", [] { return noise({8000, 6000}, 0); }}),
    [](const testing::TestParamInfo<Lineless>& info) {
        std::string name = info.param.name;
        std::replace(name.begin(), name.end(), ' ', '_');
        return name;
    });

} // namespace
