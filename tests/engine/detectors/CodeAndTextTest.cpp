// Code reading with ZXing and text reading with Tesseract on images made here.
#define ZX_USE_UTF8 1
#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>
#include <ZXing/BitMatrix.h>
#include <ZXing/MultiFormatWriter.h>

#include "InjectedDetectors.h"
#include "engine/detectors/CodeReader.h"
#include "engine/detectors/TextRecognizer.h"

using namespace kelvaro;
using namespace kelvaro::detectors;

namespace {

QImage barcode(const std::string& digits)
{
    const ZXing::BitMatrix bits = ZXing::MultiFormatWriter(ZXing::BarcodeFormat::EAN13).setMargin(20).encode(digits, 400, 120);
    QImage image(bits.width(), bits.height(), QImage::Format_RGB888);
    for (int y = 0; y < bits.height(); ++y)
        for (int x = 0; x < bits.width(); ++x)
            image.setPixel(x, y, bits.get(x, y) ? qRgb(0, 0, 0) : qRgb(255, 255, 255));
    return image;
}

TEST(ZXingCodeReader, ReadsEveryCodeOfOnePictureUnicodePayloadsAndBarcodesAndNothingElse)
{
    QImage canvas(900, 400, QImage::Format_RGB888);
    canvas.fill(Qt::white);
    QPainter painter(&canvas);
    painter.drawImage(QPoint(20, 40), test::qrCode(QStringLiteral("Žluťoučký kůň"), 300));
    painter.drawImage(QPoint(480, 40), test::qrCode(QStringLiteral("druhý"), 300));
    painter.end();
    QStringList found = ZXingCodeReader().read(test::rgbMat(canvas));
    found.sort();
    EXPECT_EQ(found, (QStringList{QStringLiteral("druhý"), QStringLiteral("Žluťoučký kůň")}));
    EXPECT_EQ(ZXingCodeReader().read(test::rgbMat(barcode("5901234123457"))), QStringList{QStringLiteral("5901234123457")});
    // Nothing in a plain picture or a matrix of the wrong kind.
    EXPECT_TRUE(ZXingCodeReader().read(cv::Mat(200, 200, CV_8UC3, cv::Scalar::all(255))).isEmpty());
    EXPECT_TRUE(ZXingCodeReader().read(cv::Mat(200, 200, CV_8UC1, cv::Scalar::all(255))).isEmpty());
    EXPECT_TRUE(ZXingCodeReader().read(cv::Mat()).isEmpty());
}

// Czech letters and several lines come out in order; each thread has its own engine; blank images
// give no lines.
TEST(TesseractRecognizer, ReadsCzechLinesInOrderOnEveryThreadAndNothingFromBlankImages)
{
    QImage image(1000, 320, QImage::Format_RGB888);
    image.fill(Qt::white);
    QPainter painter(&image);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(40);
    painter.setFont(font);
    painter.setPen(Qt::black);
    painter.drawText(QPoint(40, 100), QStringLiteral("Dobrý den, posílám fakturu č. 12"));
    painter.drawText(QPoint(40, 220), QStringLiteral("Těšíme se na spolupráci, Jiří"));
    painter.end();
    const cv::Mat text = test::rgbMat(image);
    QStringList fromThread;
    std::thread worker([&] { fromThread = TesseractRecognizer().lines(text); });
    const QStringList here = TesseractRecognizer().lines(text);
    worker.join();
    EXPECT_EQ(here, (QStringList{QStringLiteral("Dobrý den, posílám fakturu č. 12"), QStringLiteral("Těšíme se na spolupráci, Jiří")}));
    EXPECT_EQ(fromThread, here);
    EXPECT_TRUE(TesseractRecognizer().isAvailable());
    EXPECT_TRUE(TesseractRecognizer().lines(cv::Mat(300, 400, CV_8UC3, cv::Scalar::all(255))).isEmpty());
    EXPECT_TRUE(TesseractRecognizer().lines(cv::Mat()).isEmpty());
}

} // namespace
