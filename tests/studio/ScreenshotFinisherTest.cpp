// The finisher on synthetic captures: what trimming keeps, the exact output sizes, the frame's
// gradient, the flattened fill and the atomic write.
#include <QDir>
#include <QImageReader>
#include <QPainter>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "../support/TestSupport.h"
#include "platform/FileSystem.h"
#include "studio/ScreenshotFinisher.h"

namespace kelvaro {
namespace {

namespace F = ScreenshotFinisher;
using test::RowName;

// `size` of margin at `marginAlpha` with `window` (and `band`, when given) painted over it.
QImage capture(QSize size, QRect window, int windowAlpha = 255, int marginAlpha = 0, QRect band = {})
{
    QImage image(size, QImage::Format_ARGB32);
    image.fill(QColor(40, 40, 40, marginAlpha));
    QPainter p(&image);
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.fillRect(window, QColor(90, 160, 220, windowAlpha));
    p.fillRect(band, Qt::green);
    return image;
}

bool near(QRgb a, QColor b, int tolerance = 3)
{
    return std::abs(qRed(a) - b.red()) <= tolerance && std::abs(qGreen(a) - b.green()) <= tolerance
           && std::abs(qBlue(a) - b.blue()) <= tolerance;
}

struct TrimRow {
    const char* name;
    QSize size;
    QRect window;
    int windowAlpha, marginAlpha;
    QSize kept;
};
class Trimming : public ::testing::TestWithParam<TrimRow> {};

TEST_P(Trimming, KeepsWhatTheCentreLinesSeeAsWindow)
{
    const TrimRow row = GetParam();
    EXPECT_EQ(F::trimmed(capture(row.size, row.window, row.windowAlpha, row.marginAlpha)).size(), row.kept);
}

INSTANTIATE_TEST_SUITE_P(
    Captures, Trimming,
    ::testing::Values(TrimRow{"alpha251IsWindow250IsMargin", {100, 80}, {10, 5, 70, 60}, 251, 250, {70, 60}},
                      TrimRow{"noWindowOnTheCentreLinesKeepsAll", {100, 80}, {0, 0, 20, 20}, 255, 0, {100, 80}},
                      TrimRow{"onePixelWideStaysAsItIs", {1, 80}, {0, 10, 1, 40}, 255, 0, {1, 80}}),
    RowName());

struct ExportRow {
    const char* name;
    StudioSize size;
    int windowWidth; // after trimming
    bool framed;
    QSize file;
};
class Export : public ::testing::TestWithParam<ExportRow> {};

TEST_P(Export, WritesAnOpaqueJpegOfExactlyTheStoreSize)
{
    const ExportRow row = GetParam();
    QTemporaryDir dir;
    const int height = row.windowWidth * 10 / 16;
    // A transparent margin all round, and a transparent top-left corner of the window itself.
    QImage shot = capture({row.windowWidth + 12, height + 12}, {6, 6, row.windowWidth, height});
    for (int y = 6; y < 16; ++y)
        for (int x = 6; x < 16; ++x)
            shot.setPixel(x, y, 0);
    const QString file = dir.filePath(QStringLiteral("shot.jpg"));
    const auto caption = row.framed ? std::optional<F::Caption>({QStringLiteral("Titulek"), QStringLiteral("Řádek")}) : std::nullopt;
    ASSERT_TRUE(F::exportImage(shot, row.size, caption, file));
    const QImage written = QImageReader(file, "jpeg").read();
    EXPECT_EQ(written.size(), row.file);
    EXPECT_FALSE(written.hasAlphaChannel());
    if (!row.framed) { // the transparent corner shows the colour found near it, not black
        EXPECT_TRUE(near(written.pixel(0, 0), QColor(90, 160, 220), 8));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, Export,
    ::testing::Values(ExportRow{"large1872IsSingle", StudioSize::large, 1872, false, {1440, 900}},
                      ExportRow{"large1873IsDouble", StudioSize::large, 1873, true, {2880, 1800}},
                      ExportRow{"small1664IsSingle", StudioSize::small, 1664, true, {1280, 800}},
                      ExportRow{"small1665IsDouble", StudioSize::small, 1665, false, {2560, 1600}}),
    RowName());

// The frame runs from light orange at the top to dark at the bottom; the flattened fill cuts
// both ends of the long side alike.
TEST(ScreenshotFinisher, FrameGradientAndFlattenedFill)
{
    const QImage image = F::framed(capture({1440, 900}, {0, 0, 1440, 900}), {QStringLiteral("A"), QStringLiteral("B")}, {1440, 900});
    EXPECT_TRUE(near(image.pixel(2, 0), QColor::fromRgbF(0.98f, 0.47f, 0.22f)));
    EXPECT_TRUE(near(image.pixel(2, 899), QColor::fromRgbF(0.78f, 0.25f, 0.12f)));
    // A green band across the middle half of the long side: filling a square shows only the band.
    const QImage wide = capture({200, 100}, {0, 0, 200, 100}, 255, 0, {50, 0, 100, 100});
    const QImage tall = capture({100, 200}, {0, 0, 100, 200}, 255, 0, {0, 50, 100, 100});
    for (const QImage& square : {F::flattened(wide, {100, 100}), F::flattened(tall, {100, 100})})
        for (const QPoint at : {QPoint(1, 1), QPoint(98, 98)})
            EXPECT_TRUE(near(square.pixel(at), Qt::green, 30)) << at.x() << "," << at.y();
}

TEST(ScreenshotFinisher, AScreenshotThatCannotBeWrittenLeavesThePreviousFileWhole)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("01 Domů.jpg"));
    ASSERT_TRUE(F::write(capture({64, 40}, {0, 0, 64, 40}), file));
    const QByteArray bytes = test::readFile(file);
    // Wider than any JPEG may be: the encoder gives up after the file was opened.
    QImage tooWide(70000, 2, QImage::Format_RGB32);
    tooWide.fill(Qt::white);
    EXPECT_FALSE(F::write(tooWide, file));
    EXPECT_EQ(test::readFile(file), bytes);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 1) << "a temporary file was left behind";
}

// A full disk may take the first bytes and refuse the rest: the previous file stays whole.
TEST(ScreenshotFinisher, AScreenshotTheDiskCutsShortLeavesThePreviousFileWhole)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("01 Domů.jpg"));
    ASSERT_TRUE(F::write(capture({64, 40}, {0, 0, 64, 40}), file));
    const QByteArray bytes = test::readFile(file);
    FailingFileSystem disk;
    disk.writeBudget = 512;
    FileSystem::setCurrent(&disk);
    EXPECT_FALSE(F::write(capture({640, 400}, {0, 0, 640, 400}), file));
    FileSystem::setCurrent(nullptr);
    EXPECT_EQ(test::readFile(file), bytes);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 1) << "a temporary file was left behind";
}

} // namespace
} // namespace kelvaro
