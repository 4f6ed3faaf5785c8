#include <memory>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <poppler/qt6/poppler-qt6.h>

#include "../support/TestImages.h"
#include "engine/ImageEngine.h"

// Readable failure messages for Qt strings.
[[maybe_unused]] static void PrintTo(const QString& text, std::ostream* os)
{
    *os << '"' << text.toStdString() << '"';
}

using namespace kelvaro;
namespace ti = kelvaro::testimages;

namespace {

class WritePdf : public ::testing::Test {
protected:
    void SetUp() override { initVips(); }
    QString path(const QString& name) const { return m_dir.filePath(name); }

    static QList<QSizeF> pageSizes(const QString& pdf)
    {
        QList<QSizeF> sizes;
        const std::unique_ptr<Poppler::Document> document = Poppler::Document::load(pdf);
        if (!document)
            return sizes;
        for (int i = 0; i < document->numPages(); ++i)
            sizes.append(document->page(i)->pageSizeF());
        return sizes;
    }

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
    const QString target = path(QStringLiteral("all.pdf"));
    ImageEngine::writePDF(files, target, 0.9);
    const QList<QSizeF> sizes = pageSizes(target);
    ASSERT_EQ(sizes.size(), 5);
    EXPECT_EQ(sizes[0], QSizeF(1000, 750));
    EXPECT_EQ(sizes[1], QSizeF(800, 600));
    // Page boxes keep their fraction of a point.
    EXPECT_NEAR(sizes[2].width(), 1000, 1e-3);
    EXPECT_NEAR(sizes[2].height(), 333 * 1000.0 / 1001, 1e-3);
    EXPECT_EQ(sizes[3], QSizeF(1, 1));
    EXPECT_NEAR(sizes[4].width(), 15, 1e-3);
    EXPECT_NEAR(sizes[4].height(), 1000, 1e-3);
}

TEST_F(WritePdf, pagesShowTheImageFillingTheBox)
{
    const QString target = path(QStringLiteral("one.pdf"));
    ImageEngine::writePDF({ti::writePng(m_dir.path(), QStringLiteral("q.png"), ti::quadrants(300, 200))}, target, 0.9);
    // Read back at 2 px per point: 600 × 400 with the quadrants where they were.
    const Bitmap page = ImageEngine::renderPDFPage(target);
    EXPECT_EQ(page.width(), 600);
    EXPECT_EQ(page.height(), 400);
    EXPECT_EQ(ti::cornerColours(page), (std::array<int, 4>{0, 1, 2, 3}));
}

TEST_F(WritePdf, transparencyStaysTransparent)
{
    const QString target = path(QStringLiteral("alpha.pdf"));
    ImageEngine::writePDF({ti::writePng(m_dir.path(), QStringLiteral("a.png"), ti::halfTransparent(100, 100))}, target, 0.9);
    const Bitmap page = ImageEngine::renderPDFPage(target); // rendered on white
    EXPECT_TRUE(ti::near(ti::colourAt(page, 0.8, 0.5), QColor(255, 255, 255), 4));
    EXPECT_TRUE(ti::near(ti::colourAt(page, 0.2, 0.2), ti::topLeftColour));
}

TEST_F(WritePdf, unreadableFileEndsThePdfWithItsError)
{
    const QStringList files{ti::writePng(m_dir.path(), QStringLiteral("ok.png"), ti::quadrants(20, 20)),
                            ti::writeGarbage(m_dir.path(), QStringLiteral("broken.jpg"))};
    try {
        ImageEngine::writePDF(files, path(QStringLiteral("x.pdf")), 0.9);
        FAIL();
    } catch (const KelvaroError& error) {
        EXPECT_EQ(error.kind(), KelvaroError::Kind::unreadable);
        EXPECT_EQ(error.fileName(), QStringLiteral("broken.jpg"));
    }
}

TEST_F(WritePdf, targetThatCannotBeCreatedNamesIt)
{
    try {
        ImageEngine::writePDF({}, path(QStringLiteral("missing/Spojené.pdf")), 0.9);
        FAIL();
    } catch (const KelvaroError& error) {
        EXPECT_EQ(error.kind(), KelvaroError::Kind::writeFailed);
        EXPECT_EQ(error.fileName(), QStringLiteral("Spojené.pdf"));
    }
}

TEST_F(WritePdf, noFilesMakeAnEmptyButValidDocument)
{
    const QString target = path(QStringLiteral("empty.pdf"));
    ImageEngine::writePDF({}, target, 0.9);
    QFile file(target);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    EXPECT_TRUE(bytes.startsWith("%PDF-1.4"));
    EXPECT_TRUE(bytes.trimmed().endsWith("%%EOF"));
    EXPECT_TRUE(bytes.contains("/Count 0"));
}

class WriteImage : public ::testing::Test {
protected:
    void SetUp() override { initVips(); }
    QTemporaryDir m_dir;
};

TEST_F(WriteImage, losslessFormatsKeepAlphaWhereThereIsSome)
{
    const Bitmap image = ti::halfTransparent(64, 64);
    for (ImageFormat format : {ImageFormat::png, ImageFormat::tiff, ImageFormat::heic}) {
        const QString file = m_dir.filePath(QStringLiteral("a.") + rawValue(format));
        ImageEngine::writeImage(image, format, 0.9, nullptr, file);
        const Bitmap back = ti::read(file);
        EXPECT_EQ(back.width(), 64);
        EXPECT_LT(ti::colourAt(back, 0.8, 0.5).alpha(), 10) << rawValue(format).toStdString();
        EXPECT_GT(ti::colourAt(back, 0.2, 0.5).alpha(), 245) << rawValue(format).toStdString();
        // A TIFF's own layout reads as EXIF; no descriptive entry may appear from nowhere.
        if (format != ImageFormat::tiff) {
            EXPECT_FALSE(ti::hasAnyExif(file)) << rawValue(format).toStdString();
        }
        EXPECT_FALSE(ti::metadataValue(file, QStringLiteral("Exif.Image.Orientation"))) << rawValue(format).toStdString();
    }
}

TEST_F(WriteImage, combinedFormatsAreNoImageFormat)
{
    for (ImageFormat format : {ImageFormat::pdf, ImageFormat::zip}) {
        try {
            ImageEngine::writeImage(ti::quadrants(8, 8), format, 0.9, nullptr, m_dir.filePath(QStringLiteral("x.pdf")));
            ADD_FAILURE();
        } catch (const KelvaroError& error) {
            EXPECT_EQ(error.kind(), KelvaroError::Kind::writeFailed);
            EXPECT_EQ(error.fileName(), QStringLiteral("x.pdf"));
        }
    }
}

} // namespace
