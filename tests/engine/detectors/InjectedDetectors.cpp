#include "InjectedDetectors.h"

#include <QPainter>

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

namespace {

const QStringList& letterLines()
{
    static const QStringList text{
        QStringLiteral("Vážený pane Nováku, děkujeme za Vaši objednávku"),
        QStringLiteral("z minulého týdne. Zboží jsme odeslali v pondělí"),
        QStringLiteral("a kurýr je doručí nejpozději ve čtvrtek odpoledne."),
        QStringLiteral("Fakturu č. 2041 najdete v příloze této zprávy."),
        QStringLiteral("Částku uhraďte prosím do čtrnácti dnů na účet"),
        QStringLiteral("uvedený v záhlaví. Při platbě nezapomeňte uvést"),
        QStringLiteral("variabilní symbol, jinak ji nemůžeme přiřadit."),
        QStringLiteral("S pozdravem Jiří Žďárský, oddělení prodeje"),
    };
    return text;
}

} // namespace

QImage askewLetter(double degrees)
{
    QImage image(1800, 1300, QImage::Format_RGB888);
    image.fill(QColor(120, 118, 112));
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(image.width() / 2.0, image.height() / 2.0);
    painter.rotate(degrees);
    const QRectF sheet(-720, -480, 1440, 960);
    painter.fillRect(sheet, QColor(250, 249, 245));
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(36);
    painter.setFont(font);
    painter.setPen(QColor(25, 25, 30));
    for (qsizetype i = 0; i < letterLines().size(); ++i)
        painter.drawText(QPointF(sheet.left() + 70, sheet.top() + 130 + double(i) * 100), letterLines()[i]);
    painter.end();
    return image;
}

QStringList letterWords() { return letterLines().join(QLatin1Char(' ')).split(QLatin1Char(' ')); }

double maskIoU(const cv::Mat& a, const cv::Mat& b)
{
    const cv::Mat setA = a >= 128, setB = b >= 128;
    const double inter = cv::countNonZero(setA & setB), uni = cv::countNonZero(setA | setB);
    return uni > 0 ? inter / uni : 0;
}

} // namespace kelvaro::test
