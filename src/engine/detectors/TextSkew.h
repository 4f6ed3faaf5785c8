#pragma once
// Finds how far the lines of text in a photo lean from level and turns the photo level, so that
// a page photographed a little askew reads as one photographed straight. Pure functions, safe
// from any thread; TesseractRecognizer calls them before every recognition.
#include <opencv2/core.hpp>

namespace kelvaro::detectors {

// How many degrees the text lines of `grey` (CV_8U) are turned clockwise as seen on screen
// (negative: anticlockwise), looked for within ±12° in tenths of a degree. 0 when the image holds
// no lines of text that clearly lean (a level page, a photo without text, an image too small to
// tell). Looks at a copy of at most 1200 pixels a side, whatever the image's size.
double textSkewDegrees(const cv::Mat& grey);

// `grey` turned anticlockwise by `degrees` about its centre onto a canvas grown to hold all of
// it; the corners the turn uncovers take the tone of the image's edge.
cv::Mat turnedLevel(const cv::Mat& grey, double degrees);

} // namespace kelvaro::detectors
