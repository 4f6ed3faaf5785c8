// The live preview of the effect sheets: reduced upright before picture, coalesced renderings,
// stale and failing renderings (never the untouched photo in the result's place), holding the
// mouse for the original, the missing file, and the caption naming the file.
#include <atomic>
#include <mutex>

#include <QFileInfo>
#include <QFontMetrics>
#include <QSemaphore>

#include "../main/UiTestSupport.h"
#include "../../support/TestImages.h"
#include "engine/ImageEngine.h"
#include "ui/sheets/LivePreview.h"

using namespace kelvaro;
namespace ti = kelvaro::testimages;

namespace {

class LivePreviewTest : public uitest::CzechTest {
protected:
    // A preview of `file`, shown, with its before picture loaded.
    std::unique_ptr<LivePreview> loaded(const std::optional<QString>& file)
    {
        auto preview = std::make_unique<LivePreview>();
        preview->resize(392, preview->sizeHint().height());
        preview->show();
        int finished = 0;
        QObject::connect(preview.get(), &LivePreview::baseFinished, [&finished] { ++finished; });
        preview->setFile(file);
        EXPECT_TRUE(uitest::waitFor([&] { return finished > 0; }));
        QObject::disconnect(preview.get(), &LivePreview::baseFinished, nullptr, nullptr);
        return preview;
    }

    QString photo(int w, int h, int orientation = 0, const QString& name = QStringLiteral("photo.jpg"))
    {
        ti::Metadata meta;
        meta.orientation = orientation;
        return ti::writeJpeg(temp.path(), name, ti::quadrants(w, h), meta);
    }
};

QColor pixel(const QImage& image, double fx, double fy)
{
    return image.pixelColor(int(fx * (image.width() - 1)), int(fy * (image.height() - 1)));
}

// A rendering that paints the whole picture in the key's colour and counts its calls.
struct Painter {
    std::atomic<int> calls{0};
    std::mutex mutex;
    QList<int> keys;

    LivePreview::RenderFunction forKey(int key)
    {
        return [this, key](const Bitmap& base) {
            ++calls;
            {
                std::lock_guard lock(mutex);
                keys << key;
            }
            return ti::plain(base.width(), base.height(), colourOf(key));
        };
    }
    static QColor colourOf(int key) { return QColor::fromHsv((key * 60) % 360, 255, 255); }
};

TEST_F(LivePreviewTest, FiveQuickChangesRenderOnceWithTheLastKeyAndAnEqualKeyNone)
{
    auto preview = loaded(photo(64, 48));
    ASSERT_TRUE(preview->hasBase());
    Painter painter;
    int applied = 0;
    QObject::connect(preview.get(), &LivePreview::renderFinished, [&applied] { ++applied; });
    for (int key = 1; key <= 5; ++key)
        preview->setKey(key, painter.forKey(key));
    ASSERT_TRUE(uitest::waitFor([&] { return applied > 0; }));
    test::finishBackgroundWork(); // nothing else may follow
    EXPECT_EQ(painter.calls.load(), 1);
    EXPECT_EQ(painter.keys, QList<int>{5});
    EXPECT_EQ(applied, 1);
    EXPECT_TRUE(ti::near(pixel(preview->drawnImage(), 0.5, 0.5), Painter::colourOf(5), 8));
    preview->setKey(5, painter.forKey(5)); // an equal key renders nothing new
    uitest::passTimersOf(LivePreview::debounceMs);
    test::finishBackgroundWork();
    EXPECT_EQ(painter.calls.load(), 1);
}

TEST_F(LivePreviewTest, KeysSetBeforeTheBaseArrivesRenderWhenItDoes)
{
    auto preview = std::make_unique<LivePreview>();
    Painter painter;
    int applied = 0;
    QObject::connect(preview.get(), &LivePreview::renderFinished, [&applied] { ++applied; });
    preview->setKey(1, painter.forKey(1));
    preview->setKey(2, painter.forKey(2));
    preview->setFile(photo(40, 30));
    ASSERT_TRUE(uitest::waitFor([&] { return applied > 0; }));
    EXPECT_EQ(painter.keys, QList<int>{2});
}

// The untouched photo in the result's place would pass for a rendering that did nothing.
TEST_F(LivePreviewTest, AFailingRenderShowsThatNoPreviewIsAvailable)
{
    auto preview = loaded(photo(60, 40));
    Painter painter;
    int applied = 0;
    QObject::connect(preview.get(), &LivePreview::renderFinished, [&applied] { ++applied; });
    preview->setKey(QStringLiteral("broken"), [](const Bitmap&) -> Bitmap { throw std::runtime_error("no"); });
    ASSERT_TRUE(uitest::waitFor([&] { return applied == 1; }));
    EXPECT_TRUE(preview->isFailed());
    EXPECT_TRUE(preview->drawnImage().isNull());
    preview->setKey(QStringLiteral("fine"), [&painter](const Bitmap& base) { return painter.forKey(4)(base); });
    ASSERT_TRUE(uitest::waitFor([&] { return applied == 2; }));
    EXPECT_FALSE(preview->isFailed());
    EXPECT_TRUE(ti::near(pixel(preview->drawnImage(), 0.5, 0.5), Painter::colourOf(4), 8));
}

TEST_F(LivePreviewTest, ARenderingOvertakenByNewSettingsIsThrownAway)
{
    auto preview = loaded(photo(32, 32));
    QSemaphore release;
    std::atomic<bool> slowStarted{false};
    int applied = 0;
    QObject::connect(preview.get(), &LivePreview::renderFinished, [&applied] { ++applied; });
    preview->setKey(1, [&](const Bitmap& base) {
        slowStarted = true;
        release.acquire();
        return ti::plain(base.width(), base.height(), Painter::colourOf(1));
    });
    ASSERT_TRUE(uitest::waitFor([&] { return slowStarted.load(); }));
    Painter painter;
    preview->setKey(2, painter.forKey(2));
    ASSERT_TRUE(uitest::waitFor([&] { return applied == 1; }));
    release.release();
    test::finishBackgroundWork();
    EXPECT_EQ(applied, 1);
    EXPECT_TRUE(ti::near(pixel(preview->drawnImage(), 0.5, 0.5), Painter::colourOf(2), 8));
}

TEST_F(LivePreviewTest, LargePhotosAreReducedTo900PixelsUpright)
{
    for (const auto& [orientation, expected] : {std::pair{1, QSize(900, 675)}, {6, QSize(675, 900)}, {3, QSize(900, 675)}, {8, QSize(675, 900)}}) {
        const std::optional<Bitmap> thumb = previewThumbnail(photo(4000, 3000, orientation, QStringLiteral("o%1.jpg").arg(orientation)));
        ASSERT_TRUE(thumb);
        EXPECT_EQ(QSize(thumb->width(), thumb->height()), expected) << orientation;
        EXPECT_EQ(thumb->bands(), 4);
    }
}

TEST_F(LivePreviewTest, APdfWithACapitalExtensionShowsItsFirstPage)
{
    const QString pdf = ti::writePdf(temp.path(), QStringLiteral("Scan.PDF"), QSizeF(200, 100));
    auto preview = loaded(pdf);
    ASSERT_TRUE(preview->hasBase());
    const QImage base = preview->baseImage();
    EXPECT_GT(base.width(), base.height());
    EXPECT_TRUE(ti::near(pixel(base, 0.2, 0.5), QColor(255, 0, 0), 60));
    EXPECT_TRUE(ti::near(pixel(base, 0.8, 0.5), QColor(0, 0, 255), 60));
}

TEST_F(LivePreviewTest, NoFileOrAnUnreadableOneFailsAndRendersNothing)
{
    Painter painter;
    for (const std::optional<QString>& file : {std::optional<QString>(), std::optional(ti::writeGarbage(temp.path(), QStringLiteral("broken.jpg")))}) {
        auto preview = loaded(file);
        preview->setKey(1, painter.forKey(1));
        uitest::passTimersOf(LivePreview::debounceMs);
        test::finishBackgroundWork();
        EXPECT_TRUE(preview->isFailed());
        EXPECT_FALSE(preview->hasBase());
        EXPECT_TRUE(preview->drawnImage().isNull());
        EXPECT_TRUE(preview->captionText().isEmpty()) << "nothing to compare, so no hint how to";
    }
    EXPECT_EQ(painter.calls.load(), 0);
}

TEST_F(LivePreviewTest, HoldingTheMouseShowsTheOriginal)
{
    auto preview = loaded(photo(80, 60));
    Painter painter;
    int applied = 0;
    QObject::connect(preview.get(), &LivePreview::renderFinished, [&applied] { ++applied; });
    preview->setKey(3, painter.forKey(3));
    ASSERT_TRUE(uitest::waitFor([&] { return applied > 0; }));
    EXPECT_FALSE(preview->captionText().isEmpty());

    const QPointF centre = preview->pictureArea().center();
    uitest::mouse(preview.get(), QEvent::MouseButtonPress, centre);
    EXPECT_TRUE(preview->isHoldingOriginal());
    EXPECT_TRUE(ti::near(pixel(preview->drawnImage(), 0.1, 0.1), ti::topLeftColour));

    uitest::mouse(preview.get(), QEvent::MouseMove, centre + QPointF(6, 6)); // within 10 px
    EXPECT_TRUE(preview->isHoldingOriginal());
    uitest::mouse(preview.get(), QEvent::MouseButtonRelease, centre + QPointF(6, 6));
    EXPECT_FALSE(preview->isHoldingOriginal());
    EXPECT_TRUE(ti::near(pixel(preview->drawnImage(), 0.1, 0.1), Painter::colourOf(3), 8));

    uitest::mouse(preview.get(), QEvent::MouseButtonPress, centre);
    uitest::mouse(preview.get(), QEvent::MouseMove, centre + QPointF(11, 0));
    EXPECT_FALSE(preview->isHoldingOriginal());
}

// In a sheet's 392-px column the file's name is shown whole whenever it fits, beside the hint or
// under it, in either language; only a name too long even for a line of its own is shortened,
// in the middle.
struct CaptionCase {
    const char* name;
    const char* language;
    const char* file;
    bool whole;
};

class LivePreviewCaption : public LivePreviewTest, public ::testing::WithParamInterface<CaptionCase> {};

TEST_P(LivePreviewCaption, ShowsTheFileNameWholeWhenItFits)
{
    const CaptionCase& c = GetParam();
    Settings::shared().setValue(QStringLiteral("kelvaro.language"), QString::fromLatin1(c.language));
    const QString name = QFileInfo(photo(80, 60, 0, QString::fromUtf8(c.file))).fileName();
    auto preview = loaded(temp.filePath(name));
    preview->resize(392, preview->heightForWidth(392));
    ASSERT_FALSE(preview->captionText().isEmpty());
    const QString shown = preview->shownFileName();
    if (c.whole) {
        EXPECT_EQ(shown, name);
        return;
    }
    EXPECT_TRUE(preview->isFileNameOnOwnLine());
    EXPECT_NE(shown, name);
    EXPECT_TRUE(shown.contains(QStringLiteral("…"))) << qPrintable(shown);
    EXPECT_TRUE(shown.startsWith(name.left(4)) && shown.endsWith(name.right(4))) << qPrintable(shown);
    EXPECT_LE(QFontMetrics(Theme::font(TextStyle::caption)).horizontalAdvance(shown), 392);
}

INSTANTIATE_TEST_SUITE_P(Names, LivePreviewCaption, ::testing::Values(
    CaptionCase{"czechShort", "cs", "demo-3×2.jpg", true},
    CaptionCase{"englishShort", "en", "demo-3×2.jpg", true}, // the longer English hint leaves less room beside it
    CaptionCase{"englishMedium", "en", "Dovolená u moře – západ slunce.jpg", true},
    CaptionCase{"czechLong", "cs", "Dovolená u moře 2024 – západ slunce nad zátokou, lodě v přístavu a racek na molu.jpg", false},
    CaptionCase{"englishLong", "en", "Dovolená u moře 2024 – západ slunce nad zátokou, lodě v přístavu a racek na molu.jpg", false}),
    test::RowName());

// With no preview there is no hint to share the line with: the name stands on the first line,
// with no empty line above it.
TEST_F(LivePreviewTest, WithoutAPreviewTheNameStandsOnTheFirstLine)
{
    const QString name = QStringLiteral("Dovolená u moře 2024 – západ slunce.jpg");
    const QString broken = ti::writeGarbage(temp.path(), name);
    const int oneLine = LivePreview().heightForWidth(392);
    for (const char* language : {"cs", "en"}) {
        Settings::shared().setValue(QStringLiteral("kelvaro.language"), QString::fromLatin1(language));
        auto preview = loaded(broken);
        ASSERT_TRUE(preview->isFailed());
        preview->resize(392, preview->heightForWidth(392));
        EXPECT_FALSE(preview->isFileNameOnOwnLine()) << language;
        EXPECT_EQ(preview->shownFileName(), name) << language;
        EXPECT_EQ(preview->heightForWidth(392), oneLine) << language;
    }
}

TEST(LivePreviewOperations, SameOperationComparesCaseAndParameters)
{
    AdjustSpec a;
    AdjustSpec b;
    b.brightness = 0.2;
    EXPECT_TRUE(sameOperation(KelvaroOp::adjust(a), KelvaroOp::adjust(a)));
    EXPECT_FALSE(sameOperation(KelvaroOp::adjust(a), KelvaroOp::adjust(b)));
    EXPECT_FALSE(sameOperation(KelvaroOp::compress(0.5), KelvaroOp::compress(0.6)));
    EXPECT_TRUE(sameOperation(KelvaroOp::blurFaces(), KelvaroOp::blurFaces()));
    EXPECT_FALSE(sameOperation(KelvaroOp::blurFaces(), KelvaroOp::removeBackground()));
    EXPECT_FALSE(sameOperation(KelvaroOp::convert(ImageFormat::jpg), KelvaroOp::convert(ImageFormat::png)));
}

} // namespace
