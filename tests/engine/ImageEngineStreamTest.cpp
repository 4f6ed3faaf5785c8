// Full-size operations stream from decoder to encoder and give what rendering the whole bitmap
// gives: the same names, sizes, metadata rules and pixels, upright; a source cut short still
// fails with its own error, part way through the stream, and leaves nothing behind.
#include <cmath>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "../support/TestImages.h"
#include "../support/TestSupport.h"
#include "engine/ImageEngine.h"
#include "engine/ImageStream.h"
#include "platform/Settings.h"

using namespace kelvaro;
namespace ti = kelvaro::testimages;

namespace {

struct StreamCase {
    const char* name;
    KelvaroOp op;
    const char* ending;   // what the result's name adds to the source's base name
    bool keepsMetadata;
    bool turnsOnce = false; // a quarter turn clockwise on top of the orientation
};

void PrintTo(const StreamCase& c, std::ostream* os)
{
    *os << c.name;
}

const ti::Metadata kCamera{6, true, QStringLiteral("Kelvaro"), QStringLiteral("Praha")};

double psnr(const vips::VImage& a, const vips::VImage& b)
{
    const auto rgb = [](const vips::VImage& image) {
        return image.extract_band(0, vips::VImage::option()->set("n", 3)).cast(VIPS_FORMAT_FLOAT);
    };
    const vips::VImage d = rgb(a) - rgb(b);
    const double mse = (d * d).avg();
    return mse > 0 ? 10 * std::log10(255.0 * 255.0 / mse) : 99;
}

class StreamedResult : public ::testing::TestWithParam<StreamCase> {
protected:
    void SetUp() override { Settings::shared().setValue(QStringLiteral("kelvaro.language"), QStringLiteral("cs")); }
    // A folder of the test's own, made when first named.
    QString dir(const char* sub) const
    {
        QDir(m_root.path()).mkpath(QLatin1String(sub));
        return m_root.filePath(QLatin1String(sub));
    }
    QStringList everything() const { return QDir(dir("out")).entryList(QDir::Files | QDir::Hidden); }

    QTemporaryDir m_root;
};

TEST_P(StreamedResult, matchesTheWholeBitmapsRenderingUprightWithTheSameMetadataRules)
{
    const StreamCase& c = GetParam();
    const Bitmap q = ti::quadrants(64, 96);
    const QStringList sources{
        ti::writeJpeg(dir("a"), QStringLiteral("turned.jpg"), q.rot(VIPS_ANGLE_D270), kCamera),
        ti::writeJpeg(dir("a"), QStringLiteral("left.jpg"), q.rot(VIPS_ANGLE_D90), ti::oriented(8)),
        ti::writeJpeg(dir("a"), QStringLiteral("upside.jpg"), q.rot(VIPS_ANGLE_D180), ti::oriented(3)),
        ti::writeJpeg(dir("a"), QStringLiteral("upright.jpg"), q, ti::oriented(1)),
        ti::writePng16(dir("a"), QStringLiteral("deep.png"), ti::quadrants(64, 48)),
        ti::writeCmykJpeg(dir("a"), QStringLiteral("cmyk.jpg"), ti::quadrants(64, 48)),
        ti::writePng(dir("a"), QStringLiteral("clear.png"), ti::halfTransparent(64, 48)),
        ti::writeHeic(dir("a"), QStringLiteral("phone.heic"), q),
        ti::writeTiff(dir("a"), QStringLiteral("scan.tiff"), q.rot(VIPS_ANGLE_D270), ti::oriented(6)),
        ti::writeWebp(dir("a"), QStringLiteral("web.webp"), ti::halfTransparent(64, 48)),
    };
    const OpResult result = ImageEngine::process(c.op, sources, dir("out"));
    ImageEngine::setStreaming(false);
    const OpResult whole = ImageEngine::process(c.op, sources, dir("whole"));
    ImageEngine::setStreaming(true);
    ASSERT_EQ(result.outputs.size(), sources.size()) << result.firstError.value_or(QString()).toStdString();
    ASSERT_EQ(whole.outputs.size(), sources.size());
    EXPECT_EQ(everything().size(), sources.size()) << "no temporary file stays";

    for (qsizetype i = 0; i < sources.size(); ++i) {
        const QString out = result.outputs[i];
        EXPECT_EQ(QFileInfo(out).fileName(), QFileInfo(whole.outputs[i]).fileName());
        const Bitmap written = ti::read(out);
        const Bitmap expected = ti::read(whole.outputs[i]);
        ASSERT_EQ(QSize(written.width(), written.height()), QSize(expected.width(), expected.height())) << out.toStdString();
        EXPECT_GE(psnr(written, expected), 45) << out.toStdString();
        for (const QString& key : {QStringLiteral("Exif.Image.Make"), QStringLiteral("Exif.GPSInfo.GPSLatitude")})
            EXPECT_EQ(ti::metadataValue(out, key), ti::metadataValue(whole.outputs[i], key)) << out.toStdString();
        EXPECT_EQ(ti::hasAnyIptc(out), ti::hasAnyIptc(whole.outputs[i])) << out.toStdString();
        EXPECT_EQ(ti::xmpItems(out, QStringLiteral("Xmp.photoshop.City")),
                  ti::xmpItems(whole.outputs[i], QStringLiteral("Xmp.photoshop.City"))) << out.toStdString();
        EXPECT_FALSE(ti::metadataValue(out, QStringLiteral("Exif.Image.Orientation"))) << out.toStdString();
    }
    QString ending = QString::fromUtf8(c.ending);
    ending.replace(QLatin1String("<ext>"), QStringLiteral("jpg"));
    EXPECT_EQ(QFileInfo(result.outputs[0]).fileName(), QStringLiteral("turned") + ending);
    // The camera's photo stood upright: its turn came from the orientation tag alone.
    const Bitmap turned = ti::read(result.outputs[0]);
    EXPECT_EQ(QSize(turned.width(), turned.height()), c.turnsOnce ? QSize(96, 64) : QSize(64, 96));
    const bool heic = result.outputs[0].endsWith(QLatin1String(".heic"));
    EXPECT_EQ(ti::metadataValue(result.outputs[0], QStringLiteral("Exif.Image.Make")).has_value(), c.keepsMetadata);
    EXPECT_EQ(ti::metadataValue(result.outputs[0], QStringLiteral("Exif.GPSInfo.GPSLatitude")).has_value(), c.keepsMetadata);
    EXPECT_EQ(ti::hasAnyIptc(result.outputs[0]), c.keepsMetadata && !heic);
    // HEIC holds the IPTC fields as XMP.
    EXPECT_EQ(ti::xmpItems(result.outputs[0], QStringLiteral("Xmp.photoshop.City")),
              c.keepsMetadata && heic ? QStringList{QStringLiteral("Praha")} : QStringList{});
}

// Two cut copies of a detailed photo (one upright, read in order; one turned, decoded whole), a
// sound one, all named IMG.jpg, and a PNG that claims far more rows than it holds: the broken
// ones fail with their own error part way through, the sound one gets the plain name in a
// parallel run as one by one, and nothing else is left.
TEST_P(StreamedResult, aSourceCutShortFailsWithItsOwnErrorAndLeavesNothing)
{
    const vips::VImage noise = vips::VImage::gaussnoise(900, 600, vips::VImage::option()->set("sigma", 40.0)) + 128;
    const Bitmap detailed = normalizedBitmap(noise.bandjoin(noise.flip(VIPS_DIRECTION_HORIZONTAL)).bandjoin(noise).cast(VIPS_FORMAT_UCHAR));
    const QStringList files{ti::writeJpeg(dir("a"), QStringLiteral("IMG.jpg"), detailed),
                            ti::writeJpeg(dir("b"), QStringLiteral("IMG.jpg"), detailed, kCamera),
                            ti::writeJpeg(dir("c"), QStringLiteral("IMG.jpg"), ti::quadrants(64, 48)),
                            ti::writeLyingPng(dir("c"), QStringLiteral("IMG.png"), QSize(3000, 2000))};
    for (const QString& cut : {files[0], files[1]})
        QFile::resize(cut, QFileInfo(cut).size() * 55 / 100);

    qputenv("KELVARO_JOBS", "3");
    const OpResult result = ImageEngine::process(GetParam().op, files, dir("out"));
    qunsetenv("KELVARO_JOBS");
    EXPECT_EQ(result.failed, 3);
    EXPECT_EQ(result.firstError, KelvaroError::unreadable(QStringLiteral("IMG.jpg")).message());
    EXPECT_EQ(result.failures.value(2), KelvaroError::unreadable(QStringLiteral("IMG.png")).message());
    QString ending = QString::fromUtf8(GetParam().ending);
    ending.replace(QLatin1String("<ext>"), QStringLiteral("jpg"));
    EXPECT_EQ(everything(), QStringList{QStringLiteral("IMG") + ending});
}

// A grey photo streams into a format that keeps transparency as it streams into JPEG: it has
// none, so no alpha band is made up for it, which would send it to the bitmap path and hold it
// whole. Upright or turned by its orientation, from a camera's JPEG or a grey PNG.
class GreyStreamed : public ::testing::TestWithParam<ImageFormat> {
protected:
    QTemporaryDir m_root;
};

TEST_P(GreyStreamed, aGreyPhotoStreamsWithoutAnAlphaBand)
{
    const Bitmap q = ti::quadrants(64, 48);
    const QStringList sources{ti::writeGreyJpeg(m_root.path(), QStringLiteral("camera.jpg"), q, kCamera),
                              ti::writeGreyJpeg(m_root.path(), QStringLiteral("upright.jpg"), q),
                              [&] {
                                  const QString path = m_root.filePath(QStringLiteral("scan.png"));
                                  q.extract_band(0).copy(vips::VImage::option()->set("interpretation", VIPS_INTERPRETATION_B_W))
                                      .pngsave(path.toUtf8().constData());
                                  return path;
                              }()};
    const KelvaroOp op = KelvaroOp::convert(GetParam());
    const EngineSettings settings;
    for (const QString& source : sources) {
        SCOPED_TRACE(source.toStdString());
        EXPECT_TRUE(ImageEngine::streamedHold(op, source, GetParam()).has_value()) << "priced for the bitmap path";
        const QString out = m_root.filePath(QFileInfo(source).fileName() + QStringLiteral("-out"));
        QDir().mkpath(out);
        const std::optional<ImageEngine::One> one = ImageEngine::streamImage(
            op, source, QFileInfo(source).completeBaseName(), QFileInfo(source).fileName(), QFileInfo(source).size(), out, settings);
        ASSERT_TRUE(one.has_value()) << "it took the bitmap path";
        const vips::VImage written = vips::VImage::new_from_file(one->url.toUtf8().constData());
        EXPECT_FALSE(written.has_alpha()) << written.bands() << " bands";
        EXPECT_TRUE(written.bands() == 1 || written.bands() == 3) << written.bands() << " bands";
    }
}

INSTANTIATE_TEST_SUITE_P(Formats, GreyStreamed, ::testing::Values(ImageFormat::tiff, ImageFormat::png, ImageFormat::jpg),
                         [](const ::testing::TestParamInfo<ImageFormat>& info) {
                             return rawValue(info.param).toStdString();
                         });

const KelvaroOp kAdjust = KelvaroOp::adjust(AdjustSpec{1, true, false, 0.05, 1.1, false});

const PresetSpec kBigPreset{.name = QStringLiteral("Velké"), .maxSide = 5000, .format = QStringLiteral("jpg")};
// Made at static initialisation, before the test's home exists: nothing here may read a setting.
const Workflow kColourAndBigResize{.name = QStringLiteral("Tisk"),
                                   .steps = {{.kind = WorkflowStep::Kind::adjust, .contrast = 1.1},
                                             {.kind = WorkflowStep::Kind::resize, .longEdge = 5000}}};

INSTANTIATE_TEST_SUITE_P(
    Operations, StreamedResult,
    ::testing::Values(StreamCase{"compress", KelvaroOp::compress(0.6), " komprese.jpg", true},
                      StreamCase{"convertPng", KelvaroOp::convert(ImageFormat::png), ".png", true},
                      StreamCase{"convertHeic", KelvaroOp::convert(ImageFormat::heic), ".heic", true},
                      StreamCase{"convertTiff", KelvaroOp::convert(ImageFormat::tiff), ".tiff", true},
                      StreamCase{"stripMetadata", KelvaroOp::stripMetadata(), " bez metadat.<ext>", false},
                      StreamCase{"adjust", kAdjust, " úpravy.<ext>", true, true},
                      StreamCase{"presetThatFits", KelvaroOp::preset(kBigPreset), " Velké.jpg", true},
                      StreamCase{"workflowThatFits", KelvaroOp::workflow(kColourAndBigResize), " Tisk.<ext>", true}),
    [](const ::testing::TestParamInfo<StreamCase>& info) { return std::string(info.param.name); });

} // namespace
