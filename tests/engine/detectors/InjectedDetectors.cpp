#include "InjectedDetectors.h"

#include <opencv2/imgproc.hpp>

#include "engine/detectors/ModelFiles.h"
#include "../../support/TestImages.h"

namespace kelvaro::test {

cv::Mat rgbMat(const QImage& image)
{
    const QImage rgb = image.convertToFormat(QImage::Format_RGB888);
    return cv::Mat(rgb.height(), rgb.width(), CV_8UC3, const_cast<uchar*>(rgb.constBits()), rgb.bytesPerLine()).clone();
}

cv::Mat rgbMatFromFile(const QString& path)
{
    return detectors::reducedRGB(testimages::read(path), 1 << 20).rgb;
}

double maskIoU(const cv::Mat& a, const cv::Mat& b)
{
    const cv::Mat setA = a >= 128, setB = b >= 128;
    const double inter = cv::countNonZero(setA & setB), uni = cv::countNonZero(setA | setB);
    return uni > 0 ? inter / uni : 0;
}

} // namespace kelvaro::test
