#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "EngineFixture.h"
#include "engine/ImageEngine.h"
#include "engine/ImageStream.h"
#include "../support/TestImages.h"
#include "../support/TestSupport.h"

using namespace kelvaro;
using kelvaro::test::failsWith;
namespace ti = kelvaro::testimages;

namespace {

class WritePdf : public ::testing::Test {
protected:
    QString path(const QString& name) const { return m_dir.filePath(name); }
    QTemporaryDir m_dir;
};

TEST_F(WritePdf, pagesAreThePixelSizeInPointsUpTo1000)
{
    const QStringList files{
        ti::writeJpeg(m_dir.path(), QStringLiteral("big.jpg"), ti::plain(4000, 3000, QColor(200, 40, 40))),
        ti::writePng(m_dir.path(), QStringLiteral("mid.png"), ti::quadrants(800, 600)),
        ti::writePng(m_dir.path(), QStringLiteral("odd.png"), ti::quadrants(1001, 333)),
        ti::writePng(m_dir.path(), QStringLiteral("dot.png"), ti::plain(1, 1, Qt::black)),
        ti::writeJpeg(m_dir.path(), QStringLiteral("tall.jpg"), ti::quadrants(30, 2000)),
    };
    ImageEngine::writePDF(files, path(QStringLiteral("all.pdf")), 0.9);
    const QList<QSizeF> sizes = test::pdfPageSizes(path(QStringLiteral("all.pdf")));
    ASSERT_EQ(sizes.size(), 5);
    EXPECT_EQ(sizes[0], QSizeF(1000, 750));
    EXPECT_EQ(sizes[1], QSizeF(800, 600));
    // Page boxes keep their fraction of a point.
    EXPECT_NEAR(sizes[2].height(), 333 * 1000.0 / 1001, 1e-3);
    EXPECT_EQ(sizes[3], QSizeF(1, 1));
    EXPECT_NEAR(sizes[4].width(), 15, 1e-3);
}

TEST_F(WritePdf, pagesShowTheImageFillingTheBoxWithTransparencyKept)
{
    ImageEngine::writePDF({ti::writePng(m_dir.path(), QStringLiteral("q.png"), ti::quadrants(300, 200))}, path(QStringLiteral("one.pdf")), 0.9);
    // Read back at 2 px per point: 600 × 400 with the quadrants where they were.
    const Bitmap page = ImageEngine::renderPDFPage(path(QStringLiteral("one.pdf")));
    EXPECT_EQ(QSize(page.width(), page.height()), QSize(600, 400));
    EXPECT_EQ(ti::cornerColours(page), (std::array<int, 4>{0, 1, 2, 3}));
    ImageEngine::writePDF({ti::writePng(m_dir.path(), QStringLiteral("a.png"), ti::halfTransparent(100, 100))}, path(QStringLiteral("a.pdf")), 0.9);
    const Bitmap alpha = ImageEngine::renderPDFPage(path(QStringLiteral("a.pdf"))); // rendered on white
    EXPECT_TRUE(ti::near(ti::colourAt(alpha, 0.8, 0.5), QColor(255, 255, 255), 4));
    EXPECT_TRUE(ti::near(ti::colourAt(alpha, 0.2, 0.2), ti::topLeftColour));
}

TEST_F(WritePdf, failuresNameTheFileAndNoFilesMakeAValidEmptyDocument)
{
    const QStringList files{ti::writePng(m_dir.path(), QStringLiteral("ok.png"), ti::quadrants(20, 20)),
                            ti::writeGarbage(m_dir.path(), QStringLiteral("broken.jpg"))};
    EXPECT_TRUE(failsWith(KelvaroError::Kind::unreadable, QStringLiteral("broken.jpg"), [&] { ImageEngine::writePDF(files, path(QStringLiteral("x.pdf")), 0.9); }));
    EXPECT_TRUE(failsWith(KelvaroError::Kind::writeFailed, QStringLiteral("Spojené.pdf"),
                          [&] { ImageEngine::writePDF({}, path(QStringLiteral("missing/Spojené.pdf")), 0.9); }));

    ImageEngine::writePDF({}, path(QStringLiteral("empty.pdf")), 0.9);
    const QByteArray bytes = test::readFile(path(QStringLiteral("empty.pdf")));
    EXPECT_TRUE(bytes.startsWith("%PDF-1.4"));
    EXPECT_TRUE(bytes.trimmed().endsWith("%%EOF"));
    EXPECT_TRUE(bytes.contains("/Count 0"));
}

TEST(WriteImage, losslessFormatsKeepAlphaAndAddNoMetadata)
{
    QTemporaryDir dir;
    const Bitmap image = ti::halfTransparent(64, 64);
    for (ImageFormat format : {ImageFormat::png, ImageFormat::tiff, ImageFormat::heic}) {
        SCOPED_TRACE(rawValue(format).toStdString());
        const QString file = dir.filePath(QStringLiteral("a.") + rawValue(format));
        ImageEngine::writeImage(Bitmap(image), format, 0.9, nullptr, file);
        const Bitmap back = ti::read(file);
        EXPECT_LT(ti::colourAt(back, 0.8, 0.5).alpha(), 10);
        EXPECT_GT(ti::colourAt(back, 0.2, 0.5).alpha(), 245);
        // A TIFF's own layout reads as EXIF; no descriptive entry may appear from nowhere.
        if (format != ImageFormat::tiff) {
            EXPECT_FALSE(ti::hasAnyExif(file));
        }
        EXPECT_FALSE(ti::metadataValue(file, QStringLiteral("Exif.Image.Orientation")));
    }
    // The combined formats are no image format.
    for (ImageFormat format : {ImageFormat::pdf, ImageFormat::zip})
        EXPECT_TRUE(failsWith(KelvaroError::Kind::writeFailed, QStringLiteral("x.pdf"),
                              [&] { ImageEngine::writeImage(ti::quadrants(8, 8), format, 0.9, nullptr, dir.filePath(QStringLiteral("x.pdf"))); }));
}

} // namespace

namespace {

// A HEIC takes grey as it takes colour; an image its encoder cannot take is named as such, not
// as a folder that refused the file.
TEST(WriteImage, heicTakesGreyAndAnImageItsEncoderRefusesIsNoFolderFault)
{
    const QTemporaryDir dir;
    const vips::VImage grey = ti::quadrants(40, 30).extract_band(1);
    const QString written = dir.filePath(QStringLiteral("grey.heic"));
    ImageEngine::writeImage(Bitmap(grey), ImageFormat::heic, 0.8, nullptr, written);
    EXPECT_EQ(ti::pixelSize(written), QSize(40, 30));

    const Bitmap fiveBands = ti::quadrants(40, 30).bandjoin(ti::quadrants(40, 30).extract_band(0));
    const auto error = test::thrown<KelvaroError>(
        [&] { ImageEngine::writeImage(Bitmap(fiveBands), ImageFormat::heic, 0.8, nullptr, dir.filePath(QStringLiteral("odd.heic"))); });
    ASSERT_TRUE(error);
    EXPECT_EQ(error->kind(), KelvaroError::Kind::encodeFailed);
    EXPECT_EQ(error->message(AppLanguage::english), QStringLiteral("The image “odd.heic” could not be encoded in this format."));
}

// JPEG counts a side in 16 bits: a photo longer than that is refused as the format's limit, on
// the bitmap path and the streamed one, while a PNG takes it.
TEST(WriteImage, aSideBeyondJpegsLimitIsTheFormatsRefusalNotTheFolders)
{
    const QTemporaryDir dir;
    const QString tall = ti::writePng(dir.path(), QStringLiteral("tall.png"), ti::quadrants(1, 70000));
    const auto error = test::thrown<KelvaroError>([&] {
        ImageEngine::writeImage(Bitmap(ti::quadrants(70000, 1)), ImageFormat::jpg, 0.8, nullptr, dir.filePath(QStringLiteral("wide.jpg")));
    });
    ASSERT_TRUE(error);
    EXPECT_EQ(error->kind(), KelvaroError::Kind::encodeFailed);
    EngineSettings english;
    english.language = AppLanguage::english;
    for (const bool streaming : {true, false}) {
        SCOPED_TRACE(streaming ? "streamed" : "bitmap");
        ImageEngine::setStreaming(streaming);
        const QString out = QDir(dir.path()).filePath(QStringLiteral("out-%1").arg(streaming));
        QDir().mkpath(out);
        const OpResult result = ImageEngine::process(KelvaroOp::convert(ImageFormat::png), {tall}, out);
        EXPECT_EQ(result.outputs.size(), 1);
        const auto refused = test::thrown<KelvaroError>([&] { ImageEngine::process(KelvaroOp::convert(ImageFormat::jpg), {tall}, out, {}, english); });
        ASSERT_TRUE(refused);
        EXPECT_EQ(refused->message(AppLanguage::english), QStringLiteral("The image “tall.jpg” could not be encoded in this format."));
    }
    ImageEngine::setStreaming(true);
}

} // namespace
