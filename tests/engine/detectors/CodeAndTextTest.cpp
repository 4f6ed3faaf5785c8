// Code reading with ZXing and text reading with Tesseract on images made here.
#include <algorithm>
#include <thread>
#include <vector>

#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

#include "../../support/TestImages.h"
#include "InjectedDetectors.h"
#include "engine/detectors/CodeReader.h"
#include "engine/detectors/TextRecognizer.h"

using namespace kelvaro;
using namespace kelvaro::detectors;

namespace {

TEST(ZXingCodeReader, ReadsEveryCodeOfOnePictureUnicodePayloadsAndBarcodesAndNothingElse)
{
    QStringList found = ZXingCodeReader().read(test::rgbMat(testimages::qrCodes({QStringLiteral("Žluťoučký kůň"), QStringLiteral("druhý")})));
    found.sort();
    EXPECT_EQ(found, (QStringList{QStringLiteral("druhý"), QStringLiteral("Žluťoučký kůň")}));
    EXPECT_EQ(ZXingCodeReader().read(test::rgbMat(testimages::barcode(QStringLiteral("5901234123457")))), QStringList{QStringLiteral("5901234123457")});
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

// How many of `expected`'s words `read` holds in the same order (longest common subsequence).
qsizetype wordsInOrder(const QStringList& expected, const QStringList& read)
{
    std::vector<qsizetype> row(size_t(read.size()) + 1, 0), previous(row);
    for (const QString& word : expected) {
        std::swap(row, previous);
        for (size_t j = 0; j < size_t(read.size()); ++j)
            row[j + 1] = word == read[qsizetype(j)] ? previous[j] + 1 : std::max(previous[j + 1], row[j]);
    }
    return row.back();
}

// A page photographed up to about ten degrees askew either way reads as it does straight: its
// lines whole and in order, with their diacritics.
class AskewPage : public testing::TestWithParam<double> {};

TEST_P(AskewPage, ReadsItsWordsInOrder)
{
    const QString text = TesseractRecognizer().lines(test::rgbMat(test::askewLetter(GetParam()))).join(QLatin1Char(' '));
    const QStringList written = test::letterWords();
    EXPECT_GE(double(wordsInOrder(written, text.split(QLatin1Char(' ')))), 0.9 * double(written.size())) << qPrintable(text);
}

INSTANTIATE_TEST_SUITE_P(Degrees, AskewPage, testing::Values(0.0, 5.0, 10.0, -7.0));

// Images with no room for a line of text give no lines and no crash.
TEST(TesseractRecognizer, ReadsNothingFromImagesTooSmallOrThinForText)
{
    cv::RNG random(3);
    for (const cv::Size size : {cv::Size(1, 1), cv::Size(2, 2), cv::Size(3000, 1), cv::Size(1, 3000), cv::Size(30, 30),
                                cv::Size(2000, 3)}) {
        for (const bool noise : {false, true}) {
            cv::Mat image(size, CV_8UC3, cv::Scalar::all(255));
            if (noise)
                random.fill(image, cv::RNG::UNIFORM, 0, 256);
            EXPECT_TRUE(TesseractRecognizer().lines(image).isEmpty())
                << size.width << "×" << size.height << (noise ? " noise" : " white");
        }
    }
}

} // namespace
