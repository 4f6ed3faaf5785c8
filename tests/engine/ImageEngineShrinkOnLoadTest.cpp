// Decoding at a reduced size when the operation only shrinks: the result has exactly the size the
// full-size path computes, is upright, and looks the same within a level or two.
#include <QDir>
#include <QFileInfo>

#include <gtest/gtest.h>

#include "EngineFixture.h"
#include "../support/TestImages.h"
#include "engine/ImageEffects.h"
#include "engine/ImageEngine.h"
#include "engine/ImageProbe.h"

using namespace kelvaro;
namespace ti = kelvaro::testimages;

namespace {

enum class Kind { jpeg, jpegTurned, jpegTurnedLeft, png, pngAlpha, png16, heic, tiff, cmyk };

struct Source {
    Kind kind;
    int width; // as seen upright; the turned kinds store it on its side
    int height;
    const char* label;
};

QString writeSource(const QString& dir, const Source& s)
{
    const Bitmap image = s.kind == Kind::pngAlpha ? ti::halfTransparent(s.width, s.height) : ti::quadrants(s.width, s.height);
    switch (s.kind) {
    case Kind::jpeg: return ti::writeJpeg(dir, QStringLiteral("s.jpg"), image);
    // Stored turned: the pixels lie on their side and the tag turns them back.
    case Kind::jpegTurned:
        return ti::writeJpeg(dir, QStringLiteral("s.jpg"), image.rot(VIPS_ANGLE_D270).copy_memory(), ti::oriented(6));
    case Kind::jpegTurnedLeft:
        return ti::writeJpeg(dir, QStringLiteral("s.jpg"), image.rot(VIPS_ANGLE_D90).copy_memory(), ti::oriented(8));
    case Kind::png:
    case Kind::pngAlpha: return ti::writePng(dir, QStringLiteral("s.png"), image);
    case Kind::png16: return ti::writePng16(dir, QStringLiteral("s.png"), image);
    case Kind::heic: return ti::writeHeic(dir, QStringLiteral("s.heic"), image);
    case Kind::tiff: return ti::writeTiff(dir, QStringLiteral("s.tiff"), image);
    case Kind::cmyk: return ti::writeCmykJpeg(dir, QStringLiteral("s.jpg"), image);
    }
    return {};
}

double meanDifference(const Bitmap& a, const Bitmap& b)
{
    return (a.cast(VIPS_FORMAT_FLOAT) - b.cast(VIPS_FORMAT_FLOAT)).abs().avg();
}

using ShrinkOnLoad = test::InAndOut<::testing::TestWithParam<Source>>;

// Sides chosen so that rounding the short side is a close call (odd sizes, a 3:2 and a 4:3).
const Source kSources[] = {
    {Kind::jpeg, 901, 601, "jpeg"},
    {Kind::jpegTurned, 900, 677, "jpegTurned6"},
    {Kind::jpegTurnedLeft, 803, 451, "jpegTurned8"},
    {Kind::png, 640, 481, "png"},
    {Kind::pngAlpha, 700, 333, "pngAlpha"},
    {Kind::png16, 517, 389, "png16"},
    {Kind::heic, 480, 362, "heic"},
    {Kind::tiff, 611, 409, "tiff"},
    {Kind::cmyk, 555, 371, "cmyk"},
};

// Every operation that shrinks on load writes the size the full-size path computes; loading itself
// gives exactly that size, upright and close to the full path, and a limit that does not shrink
// loads the full size.
TEST_P(ShrinkOnLoad, givesTheFullPathsSizeUprightAndCloseToItsPixels)
{
    const Source s = GetParam();
    const QString file = writeSource(in(), s);
    const QSize upright(s.width, s.height);
    const int longSide = std::max(upright.width(), upright.height());
    const auto target = [&](const ResizeSpec& spec) { return ImageEffects::targetSize(upright.width(), upright.height(), spec); };
    const LoadedImage full = ImageEngine::load(file);
    ASSERT_EQ(QSize(full.image.width(), full.image.height()), upright);

    const PresetSpec preset{.name = QStringLiteral("Malé"), .maxSide = longSide / 3, .format = QStringLiteral("jpg")};
    const WorkflowStep resize{.kind = WorkflowStep::Kind::resize, .longEdge = longSide / 2 + 1};
    const Workflow workflow{.name = QStringLiteral("Tok"),
                            .steps = {WorkflowStep::make(WorkflowStep::Kind::adjust), resize,
                                      {.kind = WorkflowStep::Kind::crop, .ratio = QStringLiteral("square")}}};
    const QSize resized = target(ResizeSpec{false, 100, resize.longEdge});
    const int cropped = std::min(resized.width(), resized.height());
    const std::pair<KelvaroOp, QSize> cases[] = {
        {KelvaroOp::resize({false, 100, longSide / 3 + 7}), target(ResizeSpec{false, 100, longSide / 3 + 7})},
        {KelvaroOp::resize({true, 37, 0}), target(ResizeSpec{true, 37, 0})},
        {KelvaroOp::resize({true, 150, 0}), target(ResizeSpec{true, 150, 0})},
        {KelvaroOp::preset(preset), target(ResizeSpec{false, 100, longSide / 3})},
        {KelvaroOp::workflow(workflow), QSize(cropped, cropped)},
    };
    for (const auto& [op, expected] : cases) {
        SCOPED_TRACE(op.title().toStdString());
        const OpResult result = ImageEngine::process(op, {file}, out());
        ASSERT_EQ(result.outputs.size(), 1);
        const Bitmap written = ti::read(result.outputs.first());
        EXPECT_EQ(QSize(written.width(), written.height()), expected);
        if (op.is<op::Resize>()) {
            EXPECT_TRUE(QFileInfo(result.outputs.first()).fileName().contains(QStringLiteral(" %1px").arg(expected.width())));
        }
        if (!op.is<op::RunWorkflow>() && s.kind != Kind::pngAlpha) {
            EXPECT_EQ(ti::cornerColours(written), ti::cornerColours(full.image));
        }
    }
    for (const int maxSide : {longSide, 100000, 0}) {
        const LoadedImage loaded = ImageEngine::load(file, maxSide);
        EXPECT_EQ(QSize(loaded.image.width(), loaded.image.height()), upright) << maxSide;
    }

    const int maxSide = longSide * 2 / 5 + 1;
    const LoadedImage small = ImageEngine::load(file, maxSide);
    if (s.kind == Kind::cmyk) {
        // CMYK keeps the full-size path, where its colours are converted by their profile.
        EXPECT_EQ(QSize(small.image.width(), small.image.height()), upright);
        return;
    }
    const QSize expected = target(ResizeSpec{false, 100, maxSide});
    EXPECT_EQ(QSize(small.image.width(), small.image.height()), expected);
    EXPECT_EQ(small.image.bands(), 4);
    EXPECT_EQ(small.image.format(), VIPS_FORMAT_UCHAR);
    // The properties still describe the source as stored.
    EXPECT_EQ(small.properties.value(QStringLiteral("PixelWidth")), full.properties.value(QStringLiteral("PixelWidth")));
    EXPECT_EQ(small.properties.value(QStringLiteral("Orientation")), full.properties.value(QStringLiteral("Orientation")));
    // Fully transparent pixels have no colour to keep; the opaque kinds show their corners.
    if (s.kind != Kind::pngAlpha) {
        EXPECT_EQ(ti::cornerColours(small.image), ti::cornerColours(full.image));
    }
    EXPECT_EQ(ImageEngine::uprightSize(file), std::optional<QSize>(upright));
    EXPECT_LT(meanDifference(small.image, ImageEffects::resized(full.image, expected, QStringLiteral("s"))), 2.5);
}

INSTANTIATE_TEST_SUITE_P(Sources, ShrinkOnLoad, ::testing::ValuesIn(kSources),
                         [](const ::testing::TestParamInfo<Source>& info) { return std::string(info.param.label); });

} // namespace
