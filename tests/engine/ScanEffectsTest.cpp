// Document scan (pages, names, failures, cancelling, the outline rule) and code reading.
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <stdexcept>
#include <thread>

#include <gtest/gtest.h>
#include <opencv2/imgproc.hpp>

#include "EngineFixture.h"
#include "detectors/InjectedDetectors.h"
#include "engine/ImageEngine.h"
#include "engine/ScanEffects.h"
#include "../support/TestImages.h"
#include "../support/TestSupport.h"

using namespace kelvaro;
using namespace kelvaro::detectors;
using kelvaro::test::ScopedDetector;

namespace {

class Scan : public test::InAndOut<> {
protected:
    ScopedDetector<DocumentOutlineDetector> outline{std::make_shared<test::FixedOutline>(std::nullopt)};

    QString photo(const QString& name, int width = 120, int height = 90)
    {
        return testimages::writePng(in(), name, testimages::quadrants(width, height));
    }
    QStringList outputFiles() const { return QDir(out()).entryList(QDir::Files); }
};

TEST_F(Scan, OnePhotoIsNamedAfterItAndATakenNameGetsANumber)
{
    const QString heic = testimages::writeHeic(in(), QStringLiteral("Smlouva.HEIC"), testimages::quadrants(64, 48));
    const OpResult first = ImageEngine::scanToPDF({heic}, out());
    ASSERT_EQ(first.outputs.size(), 1);
    EXPECT_EQ(QFileInfo(first.outputs[0]).fileName(), QStringLiteral("Smlouva sken.pdf"));
    ASSERT_EQ(first.entries.size(), 1);
    EXPECT_EQ(first.entries[0].fileName, QStringLiteral("Smlouva sken.pdf"));
    EXPECT_EQ(first.entries[0].outputPath, first.outputs[0]);
    EXPECT_EQ(test::pdfPageSizes(first.outputs[0]).size(), 1);
    const OpResult second = ImageEngine::scanToPDF({heic}, out());
    EXPECT_EQ(QFileInfo(second.outputs.value(0)).fileName(), QStringLiteral("Smlouva sken 2.pdf"));
}

// A photo whose name is as long as the folder takes still gives " sken" and the counter.
TEST_F(Scan, ALongNameKeepsSkenAndItsCounter)
{
    const QString source = photo(QString(125, QChar(0x010D)) /* č */ + QStringLiteral(".png"));
    const QString first = QFileInfo(ImageEngine::scanToPDF({source}, out()).outputs.value(0)).fileName();
    const QString second = QFileInfo(ImageEngine::scanToPDF({source}, out()).outputs.value(0)).fileName();
    EXPECT_TRUE(first.endsWith(QLatin1String(" sken.pdf"))) << first.toStdString();
    EXPECT_TRUE(second.endsWith(QLatin1String(" sken 2.pdf"))) << second.toStdString();
    for (const QString& name : {first, second})
        EXPECT_LE(QFile::encodeName(name).size(), 255);
}

TEST_F(Scan, AnUnreadablePhotoInTheMiddleIsCountedAndSkipped)
{
    const QStringList files{photo(QStringLiteral("a.png")), testimages::writeGarbage(in(), QStringLiteral("b.jpg")),
                            photo(QStringLiteral("c.png"), 60, 200)};
    QList<std::pair<int, int>> progress;
    auto hooks = std::make_shared<RunHooks>([&](int done, int total) { progress.append({done, total}); });
    const OpResult result = ImageEngine::scanToPDF(files, out(), hooks);
    ASSERT_EQ(result.outputs.size(), 1);
    EXPECT_EQ(QFileInfo(result.outputs[0]).fileName(), QStringLiteral("Sken (3 stran).pdf"));
    // Each page has its own photo's size.
    EXPECT_EQ(test::pdfPageSizes(result.outputs[0]), (QList<QSizeF>{QSizeF(120, 90), QSizeF(60, 200)}));
    EXPECT_EQ(result.failed, 1);
    EXPECT_FALSE(result.firstError.has_value()); // single failures show only in the count
    EXPECT_EQ(progress, (QList<std::pair<int, int>>{{1, 3}, {2, 3}, {3, 3}}));
}

// A photo that opens but whose page cannot be encoded (a side beyond JPEG's 65535 pixels) is
// skipped with that reason, not as a file that could not be opened.
TEST_F(Scan, APageThatCannotBeEncodedIsSkippedForThatReason)
{
    EngineSettings english;
    english.language = AppLanguage::english;
    const OpResult result = ImageEngine::scanToPDF({photo(QStringLiteral("tall.png"), 1, 70000), photo(QStringLiteral("a.png"))},
                                                   out(), {}, english);
    ASSERT_EQ(result.outputs.size(), 1);
    EXPECT_EQ(test::pdfPageSizes(result.outputs[0]).size(), 1);
    EXPECT_EQ(result.failures, QStringList{QStringLiteral("The image “tall.png” could not be encoded in this format.")});
}

TEST_F(Scan, PagesAreAtMost1600PointsNeverEnlargedAndNotRounded)
{
    const struct {
        int width, height;
        QSizeF page;
    } rows[] = {{4000, 3000, {1600, 1200}}, {1200, 800, {1200, 800}}, {900, 2400, {600, 1600}},
                {3000, 2001, {1600, 1067.2}}, {1, 1, {1, 1}}};
    QStringList files;
    for (const auto& row : rows)
        files << testimages::writeJpeg(in(), QStringLiteral("p%1.jpg").arg(files.size()), testimages::plain(row.width, row.height, Qt::white));
    const QList<QSizeF> pages = test::pdfPageSizes(ImageEngine::scanToPDF(files, out()).outputs.value(0));
    ASSERT_EQ(pages.size(), 5);
    for (int i = 0; i < 5; ++i) {
        EXPECT_NEAR(pages[i].width(), rows[i].page.width(), 0.01) << i;
        EXPECT_NEAR(pages[i].height(), rows[i].page.height(), 0.01) << i;
    }
}

TEST_F(Scan, NothingScannedLeavesNoPdfAndSaysWhy)
{
    const QStringList unreadable{testimages::writeGarbage(in(), QStringLiteral("první.jpg")),
                                 testimages::writeGarbage(in(), QStringLiteral("druhá.jpg"))};
    int calls = 0;
    auto cancelled = std::make_shared<RunHooks>([&](int, int) { ++calls; });
    cancelled->cancel();
    const struct {
        QStringList files;
        RunHooksPtr hooks;
        QString message;
    } rows[] = {
        {unreadable, {}, KelvaroError::unreadable(QStringLiteral("první.jpg")).message()}, // the first reason
        {{}, {}, QStringLiteral("Nic se nepodařilo naskenovat.")},
        {{photo(QStringLiteral("a.png"))}, cancelled, QStringLiteral("Nic se nepodařilo naskenovat.")},
    };
    for (const auto& row : rows) {
        const auto error = test::thrown<KelvaroError>([&] { ImageEngine::scanToPDF(row.files, out(), row.hooks); });
        ASSERT_TRUE(error);
        EXPECT_EQ(error->message(), row.message);
        EXPECT_TRUE(outputFiles().isEmpty());
    }
    EXPECT_EQ(calls, 0);
    // Unwritable: the PDF's name.
    EXPECT_TRUE(test::failsWith(KelvaroError::Kind::writeFailed, QStringLiteral("a sken.pdf"),
                                [&] { ImageEngine::scanToPDF({photo(QStringLiteral("a.png"))}, QStringLiteral("/nonexistent/folder")); }));
}

TEST_F(Scan, CancellingStopsBeforeTheNextPhotoAndKeepsAValidPdf)
{
    const QStringList files{photo(QStringLiteral("a.png")), photo(QStringLiteral("b.png")), photo(QStringLiteral("c.png"))};
    RunHooksPtr hooks;
    hooks = std::make_shared<RunHooks>([&](int done, int) {
        if (done == 1)
            hooks->cancel();
    });
    const OpResult result = ImageEngine::scanToPDF(files, out(), hooks);
    EXPECT_EQ(test::pdfPageSizes(result.outputs.value(0)).size(), 1);
    EXPECT_EQ(result.failed, 0);
}

TEST(ScannedDocument, AnOutlineIsAppliedOnlyAboveConfidence04)
{
    const std::array<QPointF, 4> half{QPointF(0.25, 0.25), QPointF(0.75, 0.25), QPointF(0.75, 0.75), QPointF(0.25, 0.75)};
    for (const auto& [confidence, size] : {std::pair{0.4f, QSize(400, 300)}, {0.41f, QSize(200, 150)}}) {
        ScopedDetector<DocumentOutlineDetector> outline(std::make_shared<test::FixedOutline>(DocumentOutline{half, confidence}));
        const Bitmap page = ImageEffects::scannedDocument(testimages::quadrants(400, 300), QStringLiteral("a.png"));
        EXPECT_EQ(QSize(page.width(), page.height()), size) << confidence;
        // Straightened or not, the middle of the photo is there: all four quadrant colours meet.
        EXPECT_EQ(testimages::cornerColours(page), (std::array<int, 4>{0, 1, 2, 3}));
    }
}

TEST(ScannedDocument, ColoursGetMoreContrastABitMoreLightAndLessSaturation)
{
    ScopedDetector<DocumentOutlineDetector> none(std::make_shared<test::FixedOutline>(std::nullopt));
    const Bitmap page = ImageEffects::scannedDocument(testimages::plain(40, 30, QColor(200, 100, 60)), QStringLiteral("a.png"));
    // Saturation 0.85 around luma 0.2125·200 + 0.7154·100 + 0.0721·60 ≈ 118.4, then
    // ((v/255 + 0.04) − 0.5) × 1.25 + 0.5.
    const auto expected = [](double v) {
        const double luma = 0.2125 * 200 + 0.7154 * 100 + 0.0721 * 60;
        const double mixed = std::round(0.85 * v + 0.15 * luma);
        return std::clamp(((mixed / 255 + 0.04) - 0.5) * 1.25 + 0.5, 0.0, 1.0) * 255;
    };
    const QColor c = testimages::colourAt(page, 0.5, 0.5);
    EXPECT_NEAR(c.red(), expected(200), 1.5);
    EXPECT_NEAR(c.green(), expected(100), 1.5);
    EXPECT_NEAR(c.blue(), expected(60), 1.5);
}

TEST(ScannedDocument, AWhiteSheetOnADarkDeskIsFoundAndStraightenedToItsAspect)
{
    // A 500 × 700 sheet turned by 8° in a 1200 × 1000 photo of a dark desk.
    cv::Mat rgba(1000, 1200, CV_8UC4);
    cv::randu(rgba, cv::Scalar(30, 30, 35, 255), cv::Scalar(60, 55, 65, 256));
    const cv::RotatedRect sheet(cv::Point2f(600, 500), cv::Size2f(500, 700), 8);
    cv::Point2f corners[4];
    sheet.points(corners);
    std::vector<cv::Point> polygon(corners, corners + 4);
    cv::fillConvexPoly(rgba, polygon, cv::Scalar(240, 238, 230, 255), cv::LINE_AA);
    const Bitmap page = ImageEffects::scannedDocument(fromMat(rgba), QStringLiteral("list.jpg"));
    EXPECT_NEAR(double(page.width()) / page.height(), 500.0 / 700.0, 0.03 * 500.0 / 700.0);
    EXPECT_NEAR(page.width(), 500, 25);
    // Only paper is left: no dark desk in the corners.
    for (const auto& [fx, fy] : {std::pair{0.02, 0.02}, {0.98, 0.02}, {0.02, 0.98}, {0.98, 0.98}})
        EXPECT_GT(testimages::colourAt(page, fx, fy).lightness(), 180) << fx << "," << fy;
}

TEST(DetectCodes, TheSameQrTwiceInOnePhotoGivesOnePayload)
{
    const QImage twice = testimages::qrCodes({QStringLiteral("KELVARO-42"), QStringLiteral("KELVARO-42")});
    EXPECT_EQ(ImageEffects::detectCodes(fromQImage(twice)), QStringList{QStringLiteral("KELVARO-42")});
    EXPECT_TRUE(ImageEffects::detectCodes(testimages::plain(300, 200, Qt::white)).isEmpty());
}

using OcrOperation = Scan;

struct FailingRecognizer : TextRecognizer {
    QStringList lines(const cv::Mat&) const override { throw std::runtime_error("no language data"); }
};

TEST_F(OcrOperation, AFailedRecognitionFailsThePhotoInsteadOfWritingAnEmptyText)
{
    ScopedDetector<TextRecognizer> failing(std::make_shared<FailingRecognizer>());
    const QString file = testimages::writePng(in(), QStringLiteral("sken.png"), testimages::plain(200, 100, Qt::white));
    EXPECT_THROW(ImageEngine::process(KelvaroOp::ocr(), {file}, out()), KelvaroError);
    EXPECT_TRUE(outputFiles().isEmpty());
}

TEST_F(OcrOperation, TesseractWithoutLanguageDataIsAFailureNotAnEmptyText)
{
    // Language data is looked up once per thread: a fresh thread sees the missing folder.
    QTemporaryDir empty;
    qputenv("TESSDATA_PREFIX", QFile::encodeName(empty.path()));
    bool threw = false;
    std::thread([&] {
        try {
            TesseractRecognizer().lines(cv::Mat(40, 40, CV_8UC3, cv::Scalar(255, 255, 255)));
        } catch (const std::exception&) {
            threw = true;
        }
    }).join();
    qunsetenv("TESSDATA_PREFIX");
    EXPECT_TRUE(threw);
}

} // namespace
