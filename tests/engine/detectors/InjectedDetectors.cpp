#define ZX_USE_UTF8 1
#include "InjectedDetectors.h"

#include <QFont>
#include <QPainter>

#include <opencv2/imgproc.hpp>
#include <ZXing/BitMatrix.h>
#include <ZXing/CharacterSet.h>
#include <ZXing/MultiFormatWriter.h>

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

QImage qrCode(const QString& payload, int side)
{
    const ZXing::BitMatrix bits =
        ZXing::MultiFormatWriter(ZXing::BarcodeFormat::QRCode)
            .setMargin(4)
            .setEncoding(ZXing::CharacterSet::UTF8)
            .encode(payload.toStdWString(), side, side);
    QImage image(bits.width(), bits.height(), QImage::Format_RGB888);
    for (int y = 0; y < bits.height(); ++y)
        for (int x = 0; x < bits.width(); ++x)
            image.setPixel(x, y, bits.get(x, y) ? qRgb(0, 0, 0) : qRgb(255, 255, 255));
    return image;
}

QImage textImage(const QString& text, const QString& qrPayload)
{
    QImage image(900, qrPayload.isEmpty() ? 200 : 560, QImage::Format_RGB888);
    image.fill(Qt::white);
    QPainter painter(&image);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(64);
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(Qt::black);
    painter.drawText(QRect(40, 40, 820, 120), Qt::AlignLeft | Qt::AlignVCenter, text);
    if (!qrPayload.isEmpty())
        painter.drawImage(QPoint(40, 200), qrCode(qrPayload, 320));
    return image;
}

} // namespace kelvaro::test
