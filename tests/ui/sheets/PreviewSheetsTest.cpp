// The sheets with a live preview and the platform-crop sheet: the watermark's text and logo
// rules, adjust's controls and its preview against the engine's written result, the crop
// window's geometry and drag, and what the platform-crop sheet shows and runs.
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>

#include "../../support/TestImages.h"
#include "../main/UiTestSupport.h"
#include "engine/ImageEngine.h"
#include "model/PresetSpec.h"
#include "output/OutputFolder.h"
#include "platform/widgets/LogoPicker.h"
#include "store/KelvaroStore.h"
#include "ui/design/DesignSystem.h"
#include "ui/design/Readout.h"
#include "ui/design/Spinner.h"
#include "ui/sheets/AdjustSheet.h"
#include "ui/sheets/ChoiceButton.h"
#include "ui/sheets/LabeledSlider.h"
#include "ui/sheets/LivePreview.h"
#include "ui/sheets/PlatformCropPreview.h"
#include "ui/sheets/PlatformCropSheet.h"
#include "ui/sheets/WatermarkSheet.h"

using namespace kelvaro;
namespace ti = kelvaro::testimages;

namespace {

class PreviewSheetsTest : public uitest::CzechTest {
protected:
    void SetUp() override
    {
        CzechTest::SetUp();
        store = std::make_unique<KelvaroStore>(StoreServices{}, QStringLiteral("kelvaro.test.previews"));
    }
    void TearDown() override { LogoPicker::setShared(std::make_shared<FileDialogLogoPicker>()); }
    std::unique_ptr<KelvaroStore> store;
};

// ---- Watermark ------------------------------------------------------------------------------------

TEST_F(PreviewSheetsTest, WatermarkStartsFromTheDefaultsAndNeedsMoreThanSpacesAndTabs)
{
    for (const auto& [language, text] : {std::pair{"cs", "© Moje fotky"}, {"en", "© My photos"}}) {
        Settings::shared().setValue(QStringLiteral("kelvaro.language"), QString::fromLatin1(language));
        WatermarkSheet sheet(*store);
        const WatermarkSpec expected{QString::fromUtf8(text), WatermarkPosition::bottomRight, 0.8, 5, std::nullopt};
        EXPECT_EQ(sheet.currentOp().as<op::Watermark>()->spec, expected) << language;
    }
    const std::optional<QString> logo = QStringLiteral("/tmp/logo.png");
    for (const auto& [text, withLogo, runnable] : {std::tuple{" \t  ", false, false}, {"", false, false},
             {" \t ", true, true}, {" x ", false, true}, {"\n", false, true}}) // only spaces and tabs are blank
        EXPECT_EQ(WatermarkSheet::isRunnable({QString::fromLatin1(text), {}, 0.8, 5, withLogo ? logo : std::nullopt}),
                  runnable) << text;
}

// Choosing, cancelling and removing a logo; a logo that cannot be drawn leaves no picture that
// could pass for a watermark-free result.
TEST_F(PreviewSheetsTest, ALogoReplacesTheTextUntilRemoved)
{
    store->setDroppedFiles({ti::writeJpeg(temp.path(), "a.jpg", ti::quadrants(120, 80))});
    auto picker = std::make_shared<FakeLogoPicker>(ti::writeGarbage(temp.path(), "logo.png"));
    LogoPicker::setShared(picker);
    WatermarkSheet sheet(*store);
    sheet.show();
    sheet.textField()->setText(QStringLiteral(" \t"));
    EXPECT_FALSE(sheet.actionButton()->isEnabled());

    sheet.logoButton()->click();
    EXPECT_TRUE(sheet.actionButton()->isEnabled());
    EXPECT_FALSE(sheet.textField()->isEnabled());
    EXPECT_EQ(sheet.textField()->text(), QStringLiteral(" \t"));
    EXPECT_TRUE(uitest::waitFor([&] { return sheet.preview()->isFailed(); }));
    EXPECT_TRUE(sheet.preview()->drawnImage().isNull());

    picker->answer.reset(); // cancelled
    sheet.logoButton()->click();
    EXPECT_EQ(sheet.currentOp().as<op::Watermark>()->spec.logoPath, QDir(temp.path()).filePath("logo.png"));

    sheet.removeLogoButton()->click();
    EXPECT_EQ(sheet.currentOp().as<op::Watermark>()->spec.logoPath, std::nullopt);
    EXPECT_TRUE(sheet.textField()->isEnabled() && sheet.removeLogoButton()->isHidden());
    EXPECT_EQ(picker->requests, 2);
}

TEST_F(PreviewSheetsTest, APositionChangeAloneRendersOnceAfterTheWait)
{
    store->setDroppedFiles({ti::writeJpeg(temp.path(), "a.jpg", ti::quadrants(200, 120))});
    WatermarkSheet sheet(*store);
    int applied = 0;
    QObject::connect(sheet.preview(), &LivePreview::renderFinished, [&applied] { ++applied; });
    sheet.show();
    ASSERT_TRUE(uitest::waitFor([&] { return applied == 1; }));
    sheet.positionPicker()->setCurrentIndex(0);
    ASSERT_TRUE(uitest::waitFor([&] { return applied == 2; }));
    uitest::passTimersOf(LivePreview::debounceMs);
    test::finishBackgroundWork();
    EXPECT_EQ(applied, 2);
    EXPECT_EQ(sheet.currentOp().as<op::Watermark>()->spec.position, WatermarkPosition::topLeft);
}

// ---- Adjust ---------------------------------------------------------------------------------------

TEST_F(PreviewSheetsTest, AdjustRunsOnlyWhenChangedAndReadsOutExactSteps)
{
    AdjustSheet sheet(*store);
    const auto runnable = [&] { return sheet.actionButton()->isEnabled() && sheet.resetButton()->isEnabled(); };
    EXPECT_FALSE(sheet.actionButton()->isEnabled() || sheet.resetButton()->isEnabled());
    EXPECT_TRUE(sheet.angleCaption()->isHidden());
    sheet.rotateLeftButton()->click();
    EXPECT_EQ(sheet.angleCaption()->text(), QStringLiteral("270°"));
    EXPECT_TRUE(runnable());
    for (int i = 0; i < 4; ++i)
        sheet.rotateRightButton()->click(); // 270 → 0 → … → 270 again
    sheet.rotateRightButton()->click();
    EXPECT_TRUE(sheet.angleCaption()->isHidden());
    EXPECT_FALSE(runnable());

    for (const auto& [slider, readout, units, text] : {std::tuple{sheet.brightnessSlider(), sheet.brightnessText(), 500, "+100"},
             {sheet.brightnessSlider(), sheet.brightnessText(), -500, "-100"}, {sheet.contrastSlider(), sheet.contrastText(), 1500, "+100"},
             {sheet.contrastSlider(), sheet.contrastText(), 500, "-100"}, {sheet.brightnessSlider(), sheet.brightnessText(), 4, "0"}}) {
        slider->setUnits(units);
        EXPECT_EQ(readout->text(), QString::fromLatin1(text)) << units;
    }
    sheet.contrastSlider()->setUnits(1000);
    EXPECT_EQ(sheet.currentOp().as<op::Adjust>()->spec, (AdjustSpec{0, false, false, 0.004, 1, false}));
    EXPECT_TRUE(runnable()); // reads 0, yet is not the neutral setting
    sheet.resetButton()->click();
    EXPECT_EQ(sheet.brightnessSlider()->units(), 0);
    EXPECT_FALSE(runnable());
}

struct AdjustCase {
    const char* name;
    QSize source;
    AdjustSpec spec;
    QSize shown;
};
class AdjustPreview : public PreviewSheetsTest, public ::testing::WithParamInterface<AdjustCase> {};

// The preview shows the pixels the run writes.
TEST_P(AdjustPreview, IsWhatTheRunWrites)
{
    const AdjustCase& c = GetParam();
    const QString file = ti::writePng(temp.path(), "in.png", ti::quadrants(c.source.width(), c.source.height()));
    store->setDroppedFiles({file});
    AdjustSheet sheet(*store);
    int applied = 0;
    QObject::connect(sheet.preview(), &LivePreview::renderFinished, [&applied] { ++applied; });
    sheet.show();
    ASSERT_TRUE(uitest::waitFor([&] { return applied == 1; }));
    for (int i = 0; i < c.spec.turns; ++i)
        sheet.rotateRightButton()->click();
    if (c.spec.flipH)
        sheet.mirrorButton()->click();
    if (c.spec.mono)
        sheet.monoToggle()->setChecked(true);
    ASSERT_EQ(sheet.currentOp().as<op::Adjust>()->spec, c.spec);
    ASSERT_TRUE(uitest::waitFor([&] { return applied == 2; }));

    const QImage shown = sheet.preview()->shownImage();
    ASSERT_EQ(shown.size(), c.shown);
    ASSERT_TRUE(QDir(temp.path()).mkpath("out"));
    const OpResult result = ImageEngine::process(sheet.currentOp(), {file}, temp.filePath("out"));
    ASSERT_EQ(result.outputs.size(), 1);
    const QImage written(result.outputs.first());
    ASSERT_EQ(written.size(), c.shown);
    for (int y = 0; y < shown.height(); y += qMax(1, shown.height() / 7))
        for (int x = 0; x < shown.width(); x += qMax(1, shown.width() / 7)) {
            const QColor a = shown.pixelColor(x, y);
            ASSERT_TRUE(ti::near(a, written.pixelColor(x, y), 1)) << x << "," << y;
            if (c.spec.mono) {
                ASSERT_TRUE(a.red() == a.green() && a.green() == a.blue()) << x << "," << y;
            }
        }
    if (c.source == QSize(2, 1)) { // a one-row image is all bottom half: [blue yellow] → [yellow; blue]
        EXPECT_TRUE(ti::near(shown.pixelColor(0, 0), ti::bottomRightColour, 2));
        EXPECT_TRUE(ti::near(shown.pixelColor(0, 1), ti::bottomLeftColour, 2));
    }
}

INSTANTIATE_TEST_SUITE_P(Specs, AdjustPreview, ::testing::Values(
    AdjustCase{"turnAndMirror", {2, 1}, {1, true, false, 0, 1, false}, {1, 2}},
    AdjustCase{"oddTurnSwapsSides", {300, 200}, {1, false, false, 0, 1, false}, {200, 300}},
    AdjustCase{"mono", {64, 48}, {0, false, false, 0, 1, true}, {64, 48}}),
    [](const auto& info) { return info.param.name; });

// ---- Platform crop --------------------------------------------------------------------------------

struct WindowCase {
    double imageAspect, targetAspect;
    QPointF pointer;        // dragged to, in a picture shown at 420 × 280, from offsets 0.5 / 0.3
    QRectF window;          // before the drag
    double offsetX, offsetY; // after it
};
class PlatformCropWindow : public ::testing::TestWithParam<WindowCase> {};

TEST_P(PlatformCropWindow, CentresOnThePointerWithinThePicture)
{
    const WindowCase& c = GetParam();
    const CropWindow window{c.imageAspect, c.targetAspect};
    EXPECT_EQ(window.rect({420, 280}, 0.5, 0.3), c.window);
    const auto [x, y] = window.dragged(c.pointer, {420, 280}, 0.5, 0.3);
    EXPECT_DOUBLE_EQ(x, c.offsetX);
    EXPECT_DOUBLE_EQ(y, c.offsetY);
}

INSTANTIATE_TEST_SUITE_P(Drags, PlatformCropWindow, ::testing::Values(
    WindowCase{1.5, 0.8, {0, 200}, {98, 0, 224, 280}, 0, 0.3}, // 1080 × 1350: only x follows
    WindowCase{1.5, 0.8, {210, 0}, {98, 0, 224, 280}, 0.5, 0.3},
    WindowCase{1.5, 0.8, {420, 280}, {98, 0, 224, 280}, 1, 0.3},
    WindowCase{1.5, 1.5, {0, 0}, {0, 0, 420, 280}, 0.5, 0.3},  // the picture's own aspect: nothing moves
    WindowCase{1.5, 420.0 / 279.5, {0, 0}, {0, 0.3 * 0.5, 420, 279.5}, 0.5, 0.3}, // half a pixel free: kept
    WindowCase{1.5, 16.0 / 9, {0, 300}, {0, 0.3 * (280 - 236.25), 420, 236.25}, 0.5, 1}));

TEST_F(PreviewSheetsTest, PlatformCropRunsACopyOfThePendingPresetAndKeepsIt)
{
    {
        PlatformCropSheet sheet(*store);
        EXPECT_FALSE(sheet.actionButton()->isEnabled());
        EXPECT_FALSE(sheet.currentOp().has_value());
    }
    const PresetSpec pending = PlatformPresets::all().first().presets.first();
    store->setPendingPreset(pending);
    store->setDroppedFiles({ti::writeJpeg(temp.path(), "a.jpg", ti::quadrants(300, 200))});
    PlatformCropSheet sheet(*store);
    sheet.show();
    PresetSpec expected = pending;
    expected.cropOffsetX = 0.5;
    expected.cropOffsetY = 0.5;
    ASSERT_TRUE(sheet.currentOp() && sheet.currentOp()->as<op::Preset>());
    EXPECT_EQ(sheet.currentOp()->as<op::Preset>()->spec, expected);

    PlatformCropPreview* preview = sheet.preview();
    ASSERT_TRUE(uitest::waitFor([&] { return !preview->isLoading(); }));
    const QRectF picture = preview->pictureRect();
    uitest::mouse(preview, QEvent::MouseButtonPress, picture.topLeft() + QPointF(1, 1));
    uitest::mouse(preview, QEvent::MouseButtonRelease, picture.topLeft() + QPointF(1, 1));
    EXPECT_EQ(std::pair(sheet.offsetX(), sheet.offsetY()), std::pair(0.0, 0.5));
    sheet.centreButton()->click();
    EXPECT_EQ(sheet.offsetX(), 0.5);
    ASSERT_TRUE(QDir().mkpath(temp.filePath("out")) && OutputFolder::remember(temp.filePath("out")));
    sheet.actionButton()->click();
    ASSERT_TRUE(uitest::waitFor([&] { return !store->lastOutputs().isEmpty() && !store->isWorking(); }, 30000));
    EXPECT_EQ(ti::pixelSize(store->lastOutputs().first()), QSize(1080, 1350));
    EXPECT_EQ(store->pendingPreset(), pending);
}

// Decoded off the GUI thread, upright and no larger than shown; a spinner only while loading.
TEST_F(PreviewSheetsTest, PlatformCropEndsWithAnUprightPictureOrNoneAvailable)
{
    const QList<std::pair<std::optional<QString>, QSize>> cases{
        {ti::writeJpeg(temp.path(), "wide.jpg", ti::quadrants(3000, 2000)), {392, 262}},
        {ti::writeJpeg(temp.path(), "turned.jpg", ti::quadrants(3000, 2000), {6}), {262, 392}},
        {std::nullopt, {0, 0}}, {ti::writeGarbage(temp.path(), "broken.jpg"), {0, 0}}};
    for (const auto& [file, bound] : cases) {
        PlatformCropPreview preview(file, 392, 0.8);
        preview.show();
        ASSERT_TRUE(uitest::waitFor([&] { return !preview.isLoading(); }));
        EXPECT_EQ(preview.isFailed(), bound.isEmpty());
        EXPECT_FALSE(preview.findChild<Spinner*>()->isVisible());
        const QSize size = preview.image().size();
        EXPECT_TRUE(size.width() <= bound.width() && size.height() <= bound.height()) << size.width();
        EXPECT_EQ(size.width() > size.height(), bound.width() > bound.height());
    }
}

} // namespace
