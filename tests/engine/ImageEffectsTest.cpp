#include <cmath>
#include <cstdio>
#include <filesystem>

#include <sys/stat.h>

#include <QFontDatabase>
#include <QFileInfo>
#include <QImage>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <opencv2/imgproc.hpp>

#include "engine/ImageEffects.h"
#include "platform/NativePath.h"
#include "../support/TestImages.h"
#include "../support/TestSupport.h"

using namespace kelvaro;
namespace ti = kelvaro::testimages;

namespace {

QColor pixel(const Bitmap& b, int x, int y)
{
    const std::vector<double> p = b.getpoint(x, y);
    return QColor(int(p[0]), int(p[1]), int(p[2]), int(p[3]));
}

// Bounding box (Qt coordinates) of pixels whose red channel is at least `threshold`.
QRect brightBox(const Bitmap& b, int threshold)
{
    std::vector<cv::Mat> channels;
    cv::split(toMat(b), channels);
    const cv::Rect box = cv::boundingRect(channels[0] >= threshold);
    return box.empty() ? QRect() : QRect(box.x, box.y, box.width, box.height);
}

WatermarkSpec textSpec(WatermarkPosition position, double sizePercent = 5, QString text = QStringLiteral("© Moje fotky"))
{
    return {.text = text, .position = position, .opacity = 1, .sizePercent = sizePercent};
}

} // namespace

TEST(TargetSize, scalesRoundsHalvesAwayAndKeepsOnePixel)
{
    const struct {
        int w, h;
        ResizeSpec spec;
        QSize expected;
    } rows[] = {
        {1001, 1, {true, 50, 0}, {501, 1}},          {4000, 3000, {false, 100, 1600}, {1600, 1200}},
        {800, 600, {false, 100, 1600}, {1600, 1200}}, // enlarges
        {5, 3, {true, 50, 0}, {3, 2}},               // 2.5 → 3, 1.5 → 2
        {3000, 4000, {false, 100, 1000}, {750, 1000}}, {10, 10, {true, 1, 0}, {1, 1}},
        {10, 10, {true, -50, 0}, {1, 1}},            {10, 10, {false, 100, 0}, {1, 1}},
    };
    for (const auto& row : rows)
        EXPECT_EQ(ImageEffects::targetSize(row.w, row.h, row.spec), row.expected) << row.w << "x" << row.h;
}

TEST(TextWatermark, geometryOfALargeAndASmallPhotoInLiberationSansBold)
{
    ASSERT_TRUE(QFontDatabase::families().contains("Liberation Sans")) << "fonts-liberation2 is not installed";
    EXPECT_EQ(ImageEffects::watermarkFontFamily(), "Liberation Sans");
    const auto layout = ImageEffects::textWatermarkLayout(4000, 3000, textSpec(WatermarkPosition::bottomRight));
    EXPECT_DOUBLE_EQ(layout.fontSize, 150);
    EXPECT_DOUBLE_EQ(layout.margin, 120);
    EXPECT_DOUBLE_EQ(layout.shadowOffset.x(), 0);
    EXPECT_DOUBLE_EQ(layout.shadowOffset.y(), -7.5);
    EXPECT_DOUBLE_EQ(layout.shadowBlur, 22.5);
    // the line's right edge 120 px from the right border, its bottom 120 px above the lower one
    EXPECT_NEAR(layout.origin.x() + layout.bounds.right(), 4000 - 120, 1e-9);
    EXPECT_NEAR(layout.origin.y() + layout.bounds.top(), 120, 1e-9);
    // Liberation Sans Bold: ascent 0.905 em, descent 0.212 em
    EXPECT_NEAR(layout.bounds.bottom(), 0.905 * 150, 1.0);
    EXPECT_NEAR(layout.bounds.top(), -0.212 * 150, 1.0);
    EXPECT_GT(layout.bounds.width(), 150 * 4);

    // A small photo floors the font, but not the shadow.
    const auto small = ImageEffects::textWatermarkLayout(100, 100, textSpec(WatermarkPosition::bottomRight));
    EXPECT_DOUBLE_EQ(small.size, 5);
    EXPECT_DOUBLE_EQ(small.fontSize, 8);
    EXPECT_DOUBLE_EQ(small.margin, 6.4);
    EXPECT_DOUBLE_EQ(small.shadowOffset.y(), -0.25);
    EXPECT_DOUBLE_EQ(small.shadowBlur, 0.75);
}

TEST(TextWatermark, everyPositionKeepsTheMarginFromItsCorner)
{
    const int W = 1200, H = 800;
    // Where each position anchors the line: -1 at the left or bottom margin, 0 centred, 1 at the
    // right or top margin.
    const struct {
        WatermarkPosition position;
        int horizontal, vertical;
    } rows[] = {{WatermarkPosition::topLeft, -1, 1},     {WatermarkPosition::topRight, 1, 1},
                {WatermarkPosition::center, 0, 0},       {WatermarkPosition::bottomLeft, -1, -1},
                {WatermarkPosition::bottomRight, 1, -1}};
    ASSERT_EQ(std::size(rows), allWatermarkPositions().size());
    const auto edge = [](int anchor, double low, double high, double margin, double side) {
        return anchor < 0 ? low - margin : anchor > 0 ? high - (side - margin) : (low + high) / 2 - side / 2;
    };
    for (const auto& row : rows) {
        const auto l = ImageEffects::textWatermarkLayout(W, H, textSpec(row.position, 10));
        SCOPED_TRACE(rawValue(row.position).toStdString());
        EXPECT_NEAR(edge(row.horizontal, l.origin.x() + l.bounds.left(), l.origin.x() + l.bounds.right(), l.margin, W), 0, 1e-9);
        EXPECT_NEAR(edge(row.vertical, l.origin.y() + l.bounds.top(), l.origin.y() + l.bounds.bottom(), l.margin, H), 0, 1e-9);
    }
}

// The glyphs land where the layout says, in the right corner (y flipped correctly), in white.
TEST(TextWatermark, drawsTheTextInsideItsBoundsInTheRightCorner)
{
    const int W = 600, H = 400;
    const Bitmap photo = ti::plain(W, H, QColor(40, 40, 40));
    for (WatermarkPosition position : {WatermarkPosition::bottomRight, WatermarkPosition::topLeft}) {
        SCOPED_TRACE(rawValue(position).toStdString());
        const WatermarkSpec spec = textSpec(position, 10, QStringLiteral("HELLO"));
        const Bitmap out = ImageEffects::watermarked(photo, spec, "p.jpg");
        ASSERT_EQ(QSize(out.width(), out.height()), QSize(W, H));
        ASSERT_EQ(out.bands(), 4);
        const auto l = ImageEffects::textWatermarkLayout(W, H, spec);
        // typographic rectangle in Qt's top-left coordinates
        const QRectF box(l.origin.x() + l.bounds.left(), H - (l.origin.y() + l.bounds.bottom()), l.bounds.width(),
                         l.bounds.height());
        const QRect ink = brightBox(out, 200);
        ASSERT_FALSE(ink.isNull());
        EXPECT_GE(ink.left(), box.left() - 1);
        EXPECT_LE(ink.right(), box.right() + 1);
        EXPECT_GE(ink.top(), box.top() - 1);
        EXPECT_LE(ink.bottom(), box.bottom() + 1);
        // capitals reach close to the baseline and to the line's end
        EXPECT_NEAR(ink.bottom(), H - l.origin.y(), 2);
        EXPECT_GT(ink.width(), 0.8 * box.width());
        // the opposite corner is untouched
        const int farX = position == WatermarkPosition::bottomRight ? 5 : W - 5;
        const int farY = position == WatermarkPosition::bottomRight ? 5 : H - 5;
        EXPECT_EQ(pixel(out, farX, farY), QColor(40, 40, 40, 255));
    }
}

TEST(TextWatermark, castsASoftShadowBelowTheText)
{
    const int W = 600, H = 400;
    const Bitmap photo = ti::plain(W, H, QColor(128, 128, 128));
    // size 80: shadow 4 px down, blur radius 12
    const WatermarkSpec spec = textSpec(WatermarkPosition::center, 20, QStringLiteral("I"));
    const Bitmap out = ImageEffects::watermarked(photo, spec, "p.jpg");
    const auto l = ImageEffects::textWatermarkLayout(W, H, spec);
    ASSERT_DOUBLE_EQ(l.shadowOffset.y(), -4);
    const QRect ink = brightBox(out, 250);
    ASSERT_FALSE(ink.isNull());
    const int x = ink.center().x();
    const int below = pixel(out, x, ink.bottom() + 3).red();
    const int above = pixel(out, x, ink.top() - 3).red();
    EXPECT_LT(below, 118);        // darkened under the stem
    EXPECT_GT(above, below + 10); // the shadow falls downwards
    // and it fades out: far from the glyph nothing changed
    EXPECT_EQ(pixel(out, x, ink.bottom() + int(3 * l.shadowBlur)).red(), 128);
}

TEST(TextWatermark, opacityScalesTheTextAndTransparencyStaysAwayFromIt)
{
    WatermarkSpec spec = textSpec(WatermarkPosition::center, 20, QStringLiteral("I"));
    spec.opacity = 0.5;
    EXPECT_NEAR(ImageEffects::watermarked(ti::plain(300, 200, QColor(0, 0, 0)), spec, "p.jpg").extract_band(0).max(), 128, 3);
    const Bitmap out = ImageEffects::watermarked(ti::plain(300, 200, QColor(0, 0, 0), 0), textSpec(WatermarkPosition::bottomRight, 10, "X"), "p.png");
    EXPECT_EQ(pixel(out, 5, 5).alpha(), 0);
    EXPECT_EQ(out.extract_band(3).max(), 255); // the glyph itself is opaque
}

TEST(TextWatermark, absurdSizesFailThePhotoOrDrawButNeverCrash)
{
    const Bitmap photo = ti::plain(120, 80, QColor(40, 40, 40));
    for (double size : {1e7, std::nan(""), -5.0}) {
        const auto error = test::thrown<KelvaroError>([&] {
            const Bitmap out = ImageEffects::watermarked(photo, textSpec(WatermarkPosition::center, size, "X"), "p.jpg");
            EXPECT_EQ(QSize(out.width(), out.height()), QSize(120, 80));
        });
        EXPECT_TRUE(!error || (error->kind() == KelvaroError::Kind::writeFailed && error->fileName() == "p.jpg")) << size;
    }
}

TEST(LogoWatermark, rectangleOfTheDesignExample)
{
    WatermarkSpec spec = textSpec(WatermarkPosition::topLeft);
    EXPECT_EQ(ImageEffects::logoRect(4000, 3000, QSize(1000, 250), spec), QRectF(90, 2797.5, 450, 112.5));
    spec.position = WatermarkPosition::bottomRight;
    EXPECT_EQ(ImageEffects::logoRect(4000, 3000, QSize(1000, 250), spec), QRectF(4000 - 90 - 450, 90, 450, 112.5));
    spec.position = WatermarkPosition::center;
    EXPECT_EQ(ImageEffects::logoRect(4000, 3000, QSize(1000, 250), spec), QRectF(1775, 1443.75, 450, 112.5));
    spec.position = WatermarkPosition::topRight;
    EXPECT_EQ(ImageEffects::logoRect(4000, 3000, QSize(0, 250), spec).height(), 450 * 250); // width counts as 1
}

class LogoFiles : public ::testing::Test {
protected:
    // Written under a plain name, then given `nativeName`'s bytes.
    QString writeLogo(const QByteArray& nativeName, const char* format)
    {
        QImage logo(100, 25, QImage::Format_RGBA8888);
        logo.fill(QColor(255, 0, 0));
        const QString written = dir.filePath(QStringLiteral("written"));
        EXPECT_TRUE(logo.save(written, format));
        const QByteArray path = NativePath::encoded(dir.path()) + '/' + nativeName;
        EXPECT_EQ(::rename(NativePath::encoded(written).constData(), path.constData()), 0);
        return NativePath::decoded(path);
    }
    // QTemporaryDir cannot remove a name that is not UTF-8.
    void TearDown() override { std::filesystem::remove_all(NativePath::encoded(dir.path()).toStdString()); }
    QTemporaryDir dir;
};

TEST_F(LogoFiles, drawsTheLogoAtItsPlaceWithItsOpacity)
{
    // BMP goes through Qt: libvips' loader is blocked. A name need not be UTF-8 and may hold
    // what libvips would read as load options.
    const struct {
        const char* name;
        const char* format;
    } rows[] = {{"logo.png", "PNG"}, {"logo.bmp", "BMP"}, {"logo caf\xe9.png", "PNG"}, {"logo[0].png", "PNG"}, {"logo\xe9.bmp", "BMP"}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const Bitmap photo = ti::plain(400, 300, QColor(0, 0, 255));
        WatermarkSpec spec = textSpec(WatermarkPosition::topLeft);
        spec.logoPath = writeLogo(row.name, row.format);
        // 300 × 5 × 3 / 100 = 45 wide, 11.25 high, 9 px from the top-left corner
        const Bitmap out = ImageEffects::watermarked(photo, spec, "p.jpg");
        for (const auto& [x, y, logo] : {std::tuple{30, 14, true}, {10, 10, true}, {30, 30, false}, {60, 14, false}, {5, 5, false}})
            EXPECT_EQ(pixel(out, x, y), logo ? QColor(255, 0, 0) : QColor(0, 0, 255)) << x << "," << y;
        spec.opacity = 0.5;
        const QColor half = pixel(ImageEffects::watermarked(photo, spec, "p.jpg"), 30, 14);
        EXPECT_NEAR(half.red(), 128, 2);
        EXPECT_NEAR(half.blue(), 127, 2);
    }
}

TEST_F(LogoFiles, aLogoTooLargeOrUnreadableFailsThePhotoWithTheRightName)
{
    WatermarkSpec spec = textSpec(WatermarkPosition::center, 1e6);
    spec.logoPath = writeLogo("logo.png", "PNG");
    EXPECT_TRUE(test::failsWith(KelvaroError::Kind::writeFailed, "p.jpg",
                                [&] { ImageEffects::watermarked(ti::plain(400, 300, QColor(0, 0, 255)), spec, "p.jpg"); }));
    test::writeFile(dir.filePath("firma.png"), "\x89PNG\r\n\x1a\nnot really");
    // A FIFO is not waited on.
    ASSERT_EQ(::mkfifo(NativePath::encoded(dir.filePath("roura.png")).constData(), 0600), 0);
    for (const QString& logo : {dir.filePath("firma.png"), dir.filePath("chybí.png"), dir.path(), dir.filePath("roura.png")}) {
        spec.logoPath = logo;
        EXPECT_TRUE(test::failsWith(KelvaroError::Kind::unreadable, QFileInfo(logo).fileName(),
                                    [&] { ImageEffects::watermarked(ti::plain(50, 50, QColor(0, 0, 0)), spec, "fotka.jpg"); }));
    }
}

TEST(FlattenOnWhite, composesOverWhiteAndMakesEveryPixelOpaque)
{
    const Bitmap flat = ImageEffects::flattenOnWhite(ti::plain(4, 3, QColor(255, 0, 0), 128));
    ASSERT_EQ(QSize(flat.width(), flat.height()), QSize(4, 3));
    ASSERT_EQ(flat.bands(), 4);
    EXPECT_TRUE(ti::near(pixel(flat, 1, 1), QColor(255, 127, 127), 1));
    EXPECT_EQ(pixel(flat, 1, 1).alpha(), 255);
    EXPECT_EQ(pixel(ImageEffects::flattenOnWhite(ti::plain(2, 2, QColor(0, 0, 0), 0)), 0, 0), QColor(255, 255, 255, 255));
    EXPECT_EQ(pixel(ImageEffects::flattenOnWhite(ti::plain(2, 2, QColor(10, 20, 30))), 0, 0), QColor(10, 20, 30, 255));
}

TEST(ColourControls, monoThenBrightnessThenContrastKeepingAlpha)
{
    const struct {
        QColor in;
        double brightness, contrast;
        bool mono;
        std::vector<double> out;
    } rows[] = {
        {QColor(100, 100, 100), 0.1, 1, false, {125.5, 125.5, 125.5, 255}},
        {QColor(100, 150, 200, 77), 0, 1, false, {100, 150, 200, 77}},
        {QColor(64, 128, 250), 0, 2, false, {0.5, 128.5, 255, 255}}, // clipped at both ends
        {QColor(255, 0, 0, 128), 0, 1, true, {54.2, 54.2, 54.2, 128}}, // Rec. 709 luma
        {QColor(200, 200, 200), -0.2, 0.5, false, {138.25, 138.25, 138.25, 255}},
        {QColor(10, 10, 10), -1, 1, false, {0, 0, 0, 255}},
    };
    for (const auto& row : rows) {
        const std::vector<double> p =
            ImageEffects::colourControls(ti::plain(3, 3, row.in, row.in.alpha()), row.brightness, row.contrast, row.mono, "p.jpg").getpoint(1, 1);
        for (int band = 0; band < 4; ++band)
            EXPECT_NEAR(p[band], row.out[band], 1.0) << "in " << row.in.red() << " band " << band;
    }
}

TEST(Resized, hitsTheExactSizeWithoutDarkFringes)
{
    // left half opaque white, right half transparent black
    const Bitmap image = ti::plain(50, 40, Qt::white).join(ti::plain(51, 40, Qt::black, 0), VIPS_DIRECTION_HORIZONTAL).copy_memory();
    const Bitmap out = ImageEffects::resized(image, QSize(33, 13), "p.png");
    ASSERT_EQ(QSize(out.width(), out.height()), QSize(33, 13));
    ASSERT_EQ(out.bands(), 4);
    for (int x = 0; x < 33; ++x) {
        const QColor p = pixel(out, x, 6);
        if (p.alpha() > 20) {
            EXPECT_GE(p.red(), 240) << "x " << x;
        }
    }
    const test::MemoryLimit limit; // above the pixel ceiling
    EXPECT_THROW(ImageEffects::resized(image, QSize(1 << 15, 1 << 14), "p.png"), KelvaroError);
    EXPECT_THROW(ImageEffects::resized(image, QSize(0, 10), "p.png"), KelvaroError);
}
