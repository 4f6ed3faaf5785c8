// The finisher on synthetic captures: what trimming keeps, the exact output sizes, the frame's
// gradient and the flattened fill.
#include <QDir>
#include <QImageReader>
#include <QPainter>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "StudioTestSupport.h"
#include "studio/ScreenshotFinisher.h"

namespace kelvaro {
namespace {

namespace F = ScreenshotFinisher;

// A capture of `size` whose `window` has alpha `windowAlpha` over a margin of alpha `marginAlpha`.
QImage capture(QSize size, QRect window, int windowAlpha = 255, int marginAlpha = 0)
{
    QImage image(size, QImage::Format_ARGB32);
    image.fill(QColor(40, 40, 40, marginAlpha));
    QPainter p(&image);
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.fillRect(window, QColor(90, 160, 220, windowAlpha));
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
    [](const auto& info) { return std::string(info.param.name); });

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
    // A transparent margin all round and a transparent top-left corner of the window itself.
    QImage shot = capture({row.windowWidth + 12, height + 12}, {6, 6, row.windowWidth, height});
    for (int y = 6; y < 16; ++y)
        for (int x = 6; x < 16; ++x)
            shot.setPixelColor(x, y, Qt::transparent);
    const QString file = dir.filePath(QStringLiteral("shot.jpg"));
    const auto caption = row.framed ? std::optional<F::Caption>({QStringLiteral("Titulek"), QStringLiteral("Podtitulek")}) : std::nullopt;
    ASSERT_TRUE(F::exportImage(shot, row.size, caption, file));
    QImageReader reader(file);
    EXPECT_EQ(reader.format(), "jpeg");
    const QImage written = reader.read();
    EXPECT_EQ(written.size(), row.file);
    EXPECT_FALSE(written.hasAlphaChannel());
    if (!row.framed) { // the window's transparent corner shows the colour found near it, not black
        EXPECT_TRUE(near(written.pixel(0, 0), QColor(90, 160, 220), 8));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, Export,
    ::testing::Values(ExportRow{"large1872IsSingle", StudioSize::large, 1872, false, {1440, 900}},
                      ExportRow{"large1873IsDouble", StudioSize::large, 1873, true, {2880, 1800}},
                      ExportRow{"small1664IsSingle", StudioSize::small, 1664, true, {1280, 800}},
                      ExportRow{"small1665IsDouble", StudioSize::small, 1665, false, {2560, 1600}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ScreenshotFinisher, FrameRunsFromLightOrangeAtTheTopToDarkAtTheBottom)
{
    const QImage image = F::framed(capture({1440, 900}, {0, 0, 1440, 900}), {QStringLiteral("A"), QStringLiteral("B")}, {1440, 900});
    ASSERT_EQ(image.size(), QSize(1440, 900));
    EXPECT_TRUE(near(image.pixel(2, 0), QColor::fromRgbF(0.98f, 0.47f, 0.22f)));
    EXPECT_TRUE(near(image.pixel(2, 899), QColor::fromRgbF(0.78f, 0.25f, 0.12f)));
}

TEST(ScreenshotFinisher, FlattenedFillIsCentred)
{
    // Three bands across the long side; filling a square shows only the middle one.
    for (const bool wide : {true, false}) {
        QImage bands(wide ? QSize(200, 100) : QSize(100, 200), QImage::Format_RGB32);
        QPainter p(&bands);
        const QList<QColor> colours{Qt::red, Qt::green, Qt::blue};
        for (int i = 0; i < 3; ++i) {
            const QRect band = wide ? QRect(i == 0 ? 0 : i == 1 ? 50 : 150, 0, i == 1 ? 100 : 50, 100)
                                    : QRect(0, i == 0 ? 0 : i == 1 ? 50 : 150, 100, i == 1 ? 100 : 50);
            p.fillRect(band, colours[i]);
        }
        p.end();
        const QImage square = F::flattened(bands, {100, 100});
        for (const QPoint at : {QPoint(1, 1), QPoint(98, 98), QPoint(50, 50)})
            EXPECT_TRUE(near(square.pixel(at), Qt::green, 30)) << (wide ? "wide" : "tall") << " at " << at.x() << "," << at.y();
    }
}

TEST(ScreenshotFinisher, AScreenshotThatCannotBeWrittenLeavesThePreviousFileWhole)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("01 Domů.jpg"));
    ASSERT_TRUE(F::write(capture({64, 40}, {0, 0, 64, 40}), file));
    QFile previous(file);
    ASSERT_TRUE(previous.open(QIODevice::ReadOnly));
    const QByteArray bytes = previous.readAll();
    // Wider than any JPEG may be: the encoder gives up after the file was opened.
    QImage tooWide(70000, 2, QImage::Format_RGB32);
    tooWide.fill(Qt::white);
    EXPECT_FALSE(F::write(tooWide, file));
    QFile after(file);
    ASSERT_TRUE(after.open(QIODevice::ReadOnly));
    EXPECT_EQ(after.readAll(), bytes);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 1) << "a temporary file was left behind";
}

} // namespace
} // namespace kelvaro
