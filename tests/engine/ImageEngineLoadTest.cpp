#include <functional>
#include <initializer_list>
#include <string>
#include <utility>
#include <latch>
#include <thread>
#include <vector>

#include <QDir>
#include <QFileInfo>
#include <QFont>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "engine/ImageEngine.h"
#include "model/WorkflowLibrary.h"
#include "../support/TestImages.h"
#include "../support/TestSupport.h"

using namespace kelvaro;
using kelvaro::test::failsWith;
namespace ti = kelvaro::testimages;

namespace {

class ImageEngineLoad : public ::testing::Test {
protected:
    QString dir() const { return m_dir.path(); }
    QTemporaryDir m_dir;
};

// What a camera stores for each orientation so that the upright photo is `upright`.
Bitmap storedFor(int orientation, const Bitmap& upright)
{
    switch (orientation) {
    case 2: return upright.flip(VIPS_DIRECTION_HORIZONTAL);
    case 3: return upright.rot(VIPS_ANGLE_D180);
    case 4: return upright.flip(VIPS_DIRECTION_VERTICAL);
    case 5: return upright.rot(VIPS_ANGLE_D90).flip(VIPS_DIRECTION_HORIZONTAL);  // transpose
    case 6: return upright.rot(VIPS_ANGLE_D270);
    case 7: return upright.rot(VIPS_ANGLE_D270).flip(VIPS_DIRECTION_HORIZONTAL); // transverse
    case 8: return upright.rot(VIPS_ANGLE_D90);
    default: return upright;
    }
}

TEST_F(ImageEngineLoad, everyExifOrientationLoadsUpright)
{
    const Bitmap upright = ti::quadrants(60, 40);
    for (int orientation = 1; orientation <= 8; ++orientation) {
        SCOPED_TRACE(orientation);
        const QString file = ti::writeJpeg(dir(), QStringLiteral("o%1.jpg").arg(orientation),
                                           storedFor(orientation, upright).copy_memory(), ti::oriented(orientation));
        const LoadedImage loaded = ImageEngine::load(file);
        EXPECT_EQ(QSize(loaded.image.width(), loaded.image.height()), QSize(60, 40));
        EXPECT_EQ(ti::cornerColours(loaded.image), (std::array<int, 4>{0, 1, 2, 3}));
        if (orientation > 1) {
            EXPECT_EQ(loaded.properties.value(QStringLiteral("Orientation")).toInt(), orientation);
        }
    }
}

TEST_F(ImageEngineLoad, everyFormatDecodesToUprightRgba8)
{
    using Write = std::function<QString(const QString&, const Bitmap&)>;
    struct Row {
        const char* name;
        Write write;
        bool keepsAlpha;
        int tolerance = 40; // CMYK cannot hold the saturated test colours exactly
    };
    const Row rows[] = {
        {"jpeg", [](const QString& d, const Bitmap& b) { return ti::writeJpeg(d, "a.jpg", b); }, false},
        {"png", [](const QString& d, const Bitmap& b) { return ti::writePng(d, "a.png", b); }, true},
        {"png16", [](const QString& d, const Bitmap& b) { return ti::writePng16(d, "b.png", b); }, false},
        {"heic", [](const QString& d, const Bitmap& b) { return ti::writeHeic(d, "a.heic", b); }, false},
        {"tiff", [](const QString& d, const Bitmap& b) { return ti::writeTiff(d, "a.tiff", b); }, true},
        {"gif", [](const QString& d, const Bitmap& b) { return ti::writeGif(d, "a.gif", b); }, false},
        {"webp", [](const QString& d, const Bitmap& b) { return ti::writeWebp(d, "a.webp", b); }, true},
        {"bmp", [](const QString& d, const Bitmap& b) { return ti::writeBmp(d, "a.bmp", b); }, false},
        {"cmyk", [](const QString& d, const Bitmap& b) { return ti::writeCmykJpeg(d, "c.jpg", b); }, false, 100},
        // The decoder is chosen by content, not by the name.
        {"bmpNamedJpg", [](const QString& d, const Bitmap& b) { return ti::writeBmp(d, "bmp.jpg", b); }, false},
        {"brackets", [](const QString& d, const Bitmap& b) { return ti::writeJpeg(d, "a[1].jpg", b); }, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const Bitmap source = row.keepsAlpha ? ti::halfTransparent(64, 48) : ti::quadrants(64, 48);
        const LoadedImage loaded = ImageEngine::load(row.write(dir(), source));
        EXPECT_EQ(QSize(loaded.image.width(), loaded.image.height()), QSize(64, 48));
        EXPECT_EQ(loaded.image.bands(), 4);
        EXPECT_EQ(loaded.image.format(), VIPS_FORMAT_UCHAR);
        EXPECT_TRUE(ti::near(ti::colourAt(loaded.image, 0.1, 0.1), ti::topLeftColour, row.tolerance));
        EXPECT_TRUE(ti::near(ti::colourAt(loaded.image, 0.1, 0.9), ti::bottomLeftColour, row.tolerance));
        if (row.keepsAlpha) {
            EXPECT_EQ(ti::colourAt(loaded.image, 0.9, 0.5).alpha(), 0);
            EXPECT_EQ(ti::colourAt(loaded.image, 0.1, 0.5).alpha(), 255);
        } else {
            EXPECT_TRUE(ti::near(ti::colourAt(loaded.image, 0.9, 0.9), ti::bottomRightColour, row.tolerance));
        }
    }
}

TEST_F(ImageEngineLoad, bmpIsReadWithoutTheUntrustedDecoderAndMetadataBlocksAreKept)
{
    const QString bmp = ti::writeBmp(dir(), QStringLiteral("a.bmp"), ti::quadrants(10, 10));
    EXPECT_FALSE(ti::vipsOpens(bmp)); // libvips' own BMP decoder is blocked
    EXPECT_EQ(ImageEngine::load(bmp).properties.value(QStringLiteral("Loader")).toString(), QStringLiteral("qimage"));

    const QString jpeg = ti::writeJpeg(dir(), QStringLiteral("m.jpg"), ti::quadrants(20, 20),
                                       {.gps = true, .make = QStringLiteral("Maker One"), .iptcCity = QStringLiteral("Brno")});
    const LoadedImage loaded = ImageEngine::load(jpeg);
    EXPECT_FALSE(loaded.exif.isEmpty());
    EXPECT_FALSE(loaded.iptc.isEmpty());
    EXPECT_EQ(loaded.properties.value(QStringLiteral("PixelWidth")).toInt(), 20);
}

// The whole media box at two pixels per point, its corner on the bitmap's corner, as the page
// lies in the file: neither a crop box nor the page's rotation changes what is drawn.
TEST_F(ImageEngineLoad, pdfFirstPageAtTwoPixelsPerPointFromItsMediaBoxUnrotated)
{
    const struct {
        const char* name;
        QSizeF mediaBox;
        QPointF origin;
        int rotate = 0;
        QRectF cropBox;
        QSize expected;
    } rows[] = {
        {"fractionalSizeRoundsTowardsZero", QSizeF(200.5, 100), QPointF(50, 30), 0, {}, QSize(401, 200)},
        {"fractionsOfAPixelAreDropped", QSizeF(200.3, 100.2), QPointF(50, 30), 0, {}, QSize(400, 200)},
        {"rotationNotApplied", QSizeF(300, 100), QPointF(), 90, {}, QSize(600, 200)},
        {"upsideDownNotApplied", QSizeF(300, 100), QPointF(), 180, {}, QSize(600, 200)},
        {"cropBoxOfTheLowerLeftQuarter", QSizeF(200, 100), QPointF(), 0, QRectF(0, 0, 100, 50), QSize(400, 200)},
        {"cropBoxOfTheUpperRightQuarterOnAMovedPage", QSizeF(200, 100), QPointF(-40, 25), 270,
         QRectF(60, 75, 100, 50), QSize(400, 200)},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const QString file = ti::writePdf(dir(), QString::fromLatin1(row.name) + QStringLiteral(".pdf"), row.mediaBox,
                                          row.origin, row.rotate, 2, row.cropBox);
        const LoadedImage loaded = ImageEngine::load(file);
        EXPECT_EQ(QSize(loaded.image.width(), loaded.image.height()), row.expected);
        EXPECT_TRUE(loaded.properties.isEmpty());
        // Red fills the box's left half, blue its right half, from the top to the bottom row.
        for (const double fy : {0.01, 0.5, 0.99}) {
            EXPECT_TRUE(ti::near(ti::colourAt(loaded.image, 0.01, fy), QColor(255, 0, 0), 10)) << fy;
            EXPECT_TRUE(ti::near(ti::colourAt(loaded.image, 0.49, fy), QColor(255, 0, 0), 10)) << fy;
            EXPECT_TRUE(ti::near(ti::colourAt(loaded.image, 0.51, fy), QColor(0, 0, 255), 10)) << fy;
            EXPECT_TRUE(ti::near(ti::colourAt(loaded.image, 0.99, fy), QColor(0, 0, 255), 10)) << fy;
        }
    }
}

// A page of text in an embedded font, drawn by Qt's own PDF writer.
QString writeTextPdf(const QString& dir)
{
    const QString path = QDir(dir).filePath(QStringLiteral("text.pdf"));
    QPdfWriter pdf(path);
    pdf.setResolution(72);
    pdf.setPageSize(QPageSize(QSizeF(300, 120), QPageSize::Point));
    pdf.setPageMargins(QMarginsF());
    QPainter painter(&pdf);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(28);
    painter.setFont(font);
    painter.drawText(QRectF(10, 10, 280, 100), Qt::AlignCenter | Qt::TextWordWrap, QStringLiteral("Příliš žluťoučký kůň"));
    painter.end();
    return path;
}

// poppler's process-wide settings are made on first use and shared by every document: pages
// drawn by several threads at once (in a test of its own, the process's first pages), each its
// own document, come out exactly as each drawn alone afterwards.
TEST_F(ImageEngineLoad, pdfPagesDrawnInSeveralThreadsAtOnceComeOutAsDrawnAlone)
{
    const QStringList files{writeTextPdf(dir()),
                            ti::writePdf(dir(), QStringLiteral("cropped.pdf"), QSizeF(200, 100), QPointF(10, 20), 0, 1,
                                         QRectF(20, 30, 50, 40)),
                            ti::writePdf(dir(), QStringLiteral("turned.pdf"), QSizeF(150, 90), QPointF(), 90)};
    constexpr int kThreads = 8;
    constexpr int kRounds = 6;
    // Each thread's pages, in its order; an empty image where drawing failed.
    std::vector<std::vector<Bitmap>> drawn(kThreads);
    std::latch start(kThreads);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            start.arrive_and_wait(); // all begin together
            for (int round = 0; round < kRounds; ++round) {
                try {
                    drawn[t].push_back(ImageEngine::renderPDFPage(files[(t + round) % files.size()]));
                } catch (const std::exception&) {
                    drawn[t].push_back(Bitmap());
                }
            }
        });
    }
    for (std::thread& thread : threads)
        thread.join();

    std::vector<Bitmap> alone;
    for (const QString& file : files)
        alone.push_back(ImageEngine::renderPDFPage(file));
    // The text page has ink: a blank page would make the comparison pointless.
    ASSERT_LT(alone[0].extract_band(0).min(), 100);
    for (int t = 0; t < kThreads; ++t) {
        for (int round = 0; round < kRounds; ++round) {
            SCOPED_TRACE(testing::Message() << "thread " << t << ", round " << round);
            const Bitmap& page = drawn[t][round];
            const Bitmap& expected = alone[(t + round) % files.size()];
            ASSERT_TRUE(page.get_image()) << "not drawn";
            ASSERT_EQ(QSize(page.width(), page.height()), QSize(expected.width(), expected.height()));
            EXPECT_EQ((page - expected).abs().max(), 0);
        }
    }
}

TEST_F(ImageEngineLoad, unreadableSourcesFailWithTheirOwnName)
{
    const test::MemoryLimit limit; // some claim more pixels than the ceiling allows
    const struct {
        const char* name;
        std::function<QString(const QString&)> make;
        KelvaroError::Kind kind = KelvaroError::Kind::unreadable;
    } rows[] = {
        {"garbage", [](const QString& d) { return ti::writeGarbage(d, "x.jpg"); }},
        {"missing", [](const QString& d) { return QDir(d).filePath("missing.png"); }},
        {"folder", [](const QString& d) { QDir(d).mkdir("sub.jpg"); return QDir(d).filePath("sub.jpg"); }},
        {"empty", [](const QString& d) { test::writeFile(QDir(d).filePath("e.png"), {}); return QDir(d).filePath("e.png"); }},
        // Above 2^28 pixels: refused from the header, before any memory is taken.
        {"bombPng", [](const QString& d) { return ti::writeLyingPng(d, "bomb.png", QSize(20000, 20000)); }, KelvaroError::Kind::tooManyPixels},
        {"widePng", [](const QString& d) { return ti::writeLyingPng(d, "wide.png", QSize(300000000, 1)); }},
        {"hugePdfPage", [](const QString& d) { return ti::writePdf(d, "big.pdf", QSizeF(12000, 12000)); }, KelvaroError::Kind::tooManyPixels},
        {"notAPdf", [](const QString& d) { return ti::writeGarbage(d, "fake.pdf"); }},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const QString file = row.make(dir());
        const auto error = test::thrown<KelvaroError>([&] { ImageEngine::load(file); });
        ASSERT_TRUE(error);
        EXPECT_EQ(error->kind(), row.kind);
        EXPECT_EQ(error->fileName(), QFileInfo(file).fileName());
        // A photo over the ceiling is not called broken: its message names the limit.
        if (row.kind == KelvaroError::Kind::tooManyPixels) {
            EXPECT_TRUE(error->message().contains(QStringLiteral("268 megapix"))) << error->message().toStdString();
        }
    }
}

// How much of a photo an operation needs: its long edge (0: full size; -1: the paths that stream).
struct CutShortRow {
    const char* format; // "jpg" or "png"
    const char* size;
    int longEdge;
};

void PrintTo(const CutShortRow& row, std::ostream* os)
{
    *os << row.format << ' ' << row.size;
}

class ImageEngineLoadCutShort : public ::testing::TestWithParam<CutShortRow> {
protected:
    QTemporaryDir m_dir;
};

constexpr int kStreamed = -1;

// A photo cut short is refused however much of it the operation needs: at full size, at a long
// edge between a half and the whole (a JPEG decoded without its own reduction), and at the sizes
// where the decoder reduces it; by load, by every operation that shrinks on load, by the built-in
// portfolio workflow and by the paths that stream.
TEST_P(ImageEngineLoadCutShort, aPhotoCutShortIsRefused)
{
    const CutShortRow& row = GetParam();
    const QString dir = m_dir.path();
    const vips::VImage noise = vips::VImage::gaussnoise(2000, 1250, vips::VImage::option()->set("sigma", 30.0)) + 128;
    const Bitmap detailed = normalizedBitmap(noise.bandjoin(noise.flip(VIPS_DIRECTION_HORIZONTAL)).bandjoin(noise).cast(VIPS_FORMAT_UCHAR));
    QDir(dir).mkdir(QStringLiteral("out"));
    const QString out = QDir(dir).filePath(QStringLiteral("out"));
    const bool jpeg = QLatin1String(row.format) == QLatin1String("jpg");
    const QString sound = jpeg ? ti::writeJpeg(dir, QStringLiteral("sound.jpg"), detailed) : ti::writePng(dir, QStringLiteral("sound.png"), detailed);
    const QString cutName = QStringLiteral("cut.") + QFileInfo(sound).suffix();
    const QString cut = QDir(dir).filePath(cutName);
    ASSERT_TRUE(QFile::copy(sound, cut));
    QFile::resize(cut, QFileInfo(cut).size() * 70 / 100);
    const QString refused = KelvaroError::unreadable(cutName).message(AppLanguage::czech);

    QList<KelvaroOp> ops;
    if (row.longEdge == kStreamed) {
        ops = {KelvaroOp::compress(0.7), KelvaroOp::convert(ImageFormat::tiff), KelvaroOp::stripMetadata()};
    } else {
        EXPECT_TRUE(failsWith(KelvaroError::Kind::unreadable, cutName, [&] { ImageEngine::load(cut, row.longEdge); }));
        EXPECT_NO_THROW(ImageEngine::load(sound, row.longEdge));
        if (row.longEdge > 0) {
            Workflow portfolio = WorkflowLibrary::defaults().first();
            ASSERT_EQ(portfolio.name, QStringLiteral("Portfolio"));
            for (WorkflowStep& step : portfolio.steps)
                if (step.kind == WorkflowStep::Kind::resize)
                    step.longEdge = row.longEdge;
            const PresetSpec preset{.name = QStringLiteral("Malé"), .maxSide = row.longEdge, .format = QStringLiteral("jpg")};
            ops = {KelvaroOp::resize({false, 100, row.longEdge}), KelvaroOp::workflow(portfolio), KelvaroOp::preset(preset)};
        }
    }
    for (const KelvaroOp& op : ops) {
        SCOPED_TRACE(op.title().toStdString());
        const OpResult result = ImageEngine::process(op, {cut, sound}, out);
        EXPECT_EQ(result.failed, 1);
        EXPECT_EQ(result.firstError, refused);
        EXPECT_EQ(result.outputs.size(), 1);
    }
}

std::vector<CutShortRow> cutShortRows()
{
    std::vector<CutShortRow> rows;
    for (const char* format : {"jpg", "png"})
        for (const auto& [size, longEdge] : std::initializer_list<std::pair<const char*, int>>{
                 {"full", 0}, {"threeQuarters", 1500}, {"twoThirds", 1280}, {"justOverHalf", 1060}, {"twoFifths", 800},
                 {"aFifth", 400}, {"streamed", kStreamed}})
            rows.push_back({format, size, longEdge});
    return rows;
}

INSTANTIATE_TEST_SUITE_P(Sizes, ImageEngineLoadCutShort, ::testing::ValuesIn(cutShortRows()),
                         [](const ::testing::TestParamInfo<CutShortRow>& info) {
                             return std::string(info.param.format) + "_" + info.param.size;
                         });

TEST_F(ImageEngineLoad, fileSizeOfFilesOnly)
{
    const QString file = ti::writeGarbage(dir(), QStringLiteral("g.bin"));
    EXPECT_EQ(ImageEngine::fileSize(file), QFileInfo(file).size());
    EXPECT_EQ(ImageEngine::fileSize(QDir(dir()).filePath(QStringLiteral("none"))), 0);
    EXPECT_EQ(ImageEngine::fileSize(dir()), 0);
}

TEST(Bitmap, convertsBetweenQImageAndMatKeepingAlphaAndNormalisesGrey16)
{
    QImage source(7, 5, QImage::Format_RGBA8888);
    source.fill(QColor(200, 100, 50, 128));
    const cv::Mat mat = toMat(fromQImage(source));
    EXPECT_EQ(mat.at<cv::Vec4b>(2, 3), cv::Vec4b(200, 100, 50, 128));
    const QColor back = toQImage(fromMat(mat)).convertToFormat(QImage::Format_RGBA8888).pixelColor(3, 2);
    EXPECT_NEAR(back.red(), 200, 2);
    EXPECT_EQ(back.alpha(), 128);
    const Bitmap b = normalizedBitmap((vips::VImage::black(4, 3) + 30000).cast(VIPS_FORMAT_USHORT)
                                          .copy(vips::VImage::option()->set("interpretation", VIPS_INTERPRETATION_GREY16)));
    EXPECT_EQ(b.bands(), 4);
    EXPECT_EQ(b.format(), VIPS_FORMAT_UCHAR);
    EXPECT_NEAR(b.extract_band(0).avg(), 30000.0 / 257.0, 1.0);
    EXPECT_EQ(b.extract_band(3).avg(), 255);
}

} // namespace
