// The keys move every sheet's sliders by what the user reads: an arrow by one unit of the readout
// (a hundredth or so of a slider that shows no number), never by less than the slider's step, and
// Page Up/Down by ten of them.
#include <algorithm>
#include <functional>
#include <memory>

#include <QSlider>

#include "../main/UiTestSupport.h"
#include "ui/design/Readout.h"
#include "ui/sheets/AdjustSheet.h"
#include "ui/sheets/CompressSheet.h"
#include "ui/sheets/CropSheet.h"
#include "ui/sheets/LabeledSlider.h"
#include "ui/sheets/ResizeSheet.h"
#include "ui/sheets/WatermarkSheet.h"

using namespace kelvaro;

namespace {

struct Opened {
    std::unique_ptr<QWidget> sheet;
    LabeledSlider* slider = nullptr;
    Readout* readout = nullptr; // the number the user reads, where the slider has one
};

struct SliderRow {
    const char* name;
    std::function<Opened(KelvaroStore&)> open;
    int arrow; // units
    int page;
    const char* afterArrow; // the readout one arrow up from where the sheet opens
    const char* afterPage;
};

void PrintTo(const SliderRow& row, std::ostream* os)
{
    *os << row.name;
}

template <typename Sheet>
Opened opened(KelvaroStore& store, LabeledSlider* (Sheet::*slider)() const, Readout* (Sheet::*readout)() const = nullptr)
{
    auto sheet = std::make_unique<Sheet>(store);
    Opened o{nullptr, ((*sheet).*slider)(), nullptr};
    o.readout = readout ? ((*sheet).*readout)() : o.slider->readoutText();
    o.sheet = std::move(sheet);
    return o;
}

// Sheets opened on a store of their own, one row of `Row` a case.
template <typename Row>
class SheetKeys : public uitest::CzechTest, public ::testing::WithParamInterface<Row> {
protected:
    void SetUp() override
    {
        CzechTest::SetUp();
        store = uitest::makeStore();
    }
    std::unique_ptr<KelvaroStore> store;
};

using SliderKeys = SheetKeys<SliderRow>;

TEST_P(SliderKeys, AnArrowMovesOneShownUnitAndAPageTen)
{
    const SliderRow& row = GetParam();
    const Opened o = row.open(*store);
    ASSERT_NE(o.slider, nullptr);
    const auto readout = [&] { return o.readout ? o.readout->text() : QString(); };
    const int start = o.slider->units();
    const QString startText = readout();
    QSlider* slider = o.slider->slider();

    test::pressKey(slider, Qt::Key_Right);
    EXPECT_EQ(o.slider->units() - start, row.arrow) << "Right";
    EXPECT_EQ(readout(), QString::fromUtf8(row.afterArrow));
    test::pressKey(slider, Qt::Key_Left);
    EXPECT_EQ(o.slider->units(), start) << "Left";
    EXPECT_EQ(readout(), startText);
    test::pressKey(slider, Qt::Key_PageUp);
    EXPECT_EQ(o.slider->units() - start, row.page) << "Page Up";
    EXPECT_EQ(readout(), QString::fromUtf8(row.afterPage));
    test::pressKey(slider, Qt::Key_PageDown);
    EXPECT_EQ(o.slider->units(), start) << "Page Down";
}

INSTANTIATE_TEST_SUITE_P(
    Sheets, SliderKeys,
    ::testing::Values(
        SliderRow{"adjustBrightness",
                  [](KelvaroStore& s) { return opened(s, &AdjustSheet::brightnessSlider, &AdjustSheet::brightnessText); }, 5,
                  50, "+1", "+10"},
        SliderRow{"adjustContrast",
                  [](KelvaroStore& s) { return opened(s, &AdjustSheet::contrastSlider, &AdjustSheet::contrastText); }, 5, 50,
                  "+1", "+10"},
        // Steps of 5 %: an arrow moves one step, a page ten percent.
        SliderRow{"resizePercent", [](KelvaroStore& s) { return opened(s, &ResizeSheet::percentSlider); }, 5, 10, "55 %",
                  "60 %"},
        SliderRow{"compressQuality", [](KelvaroStore& s) { return opened(s, &CompressSheet::qualitySlider); }, 5, 10, "75 %",
                  "80 %"},
        // Thousandths of the opacity: a percent; hundredths of the size: a tenth of a percent.
        SliderRow{"watermarkOpacity", [](KelvaroStore& s) { return opened(s, &WatermarkSheet::opacitySlider); }, 10, 100, "", ""},
        SliderRow{"watermarkSize", [](KelvaroStore& s) { return opened(s, &WatermarkSheet::sizeSlider); }, 10, 100, "", ""},
        SliderRow{"cropHorizontal", [](KelvaroStore& s) { return opened(s, &CropSheet::horizontalSlider); }, 10, 100, "", ""},
        SliderRow{"cropVertical", [](KelvaroStore& s) { return opened(s, &CropSheet::verticalSlider); }, 10, 100, "", ""}),
    test::RowName());

struct ReadoutRow {
    const char* name;
    LabeledSlider* (AdjustSheet::*slider)() const;
    Readout* (AdjustSheet::*readout)() const;
};

using AdjustReadoutKeys = SheetKeys<ReadoutRow>;

// From wherever a drag left the slider, also between two readouts and around zero, where the
// readout truncates nine positions to 0, an arrow changes the readout by exactly one and a page by
// exactly ten, short of the slider's ends.
TEST_P(AdjustReadoutKeys, EveryArrowChangesTheReadoutByOneAndEveryPageByTenFromAnyPosition)
{
    const ReadoutRow& row = GetParam();
    const Opened o = opened(*store, row.slider, row.readout);
    QSlider* slider = o.slider->slider();
    const auto shown = [&] { return o.readout->text().replace(QLatin1Char('+'), QString()).toInt(); };
    o.slider->setUnits(o.slider->steps().last);
    const int top = shown();
    o.slider->setUnits(o.slider->steps().first);
    const int bottom = shown();
    const struct {
        Qt::Key key;
        int by;
    } keys[] = {{Qt::Key_Right, 1}, {Qt::Key_Left, -1}, {Qt::Key_PageUp, 10}, {Qt::Key_PageDown, -10}};
    int wrong = 0;
    for (int units = o.slider->steps().first; units <= o.slider->steps().last && wrong < 5; ++units) {
        for (const auto& key : keys) {
            o.slider->setUnits(units);
            const int before = shown();
            test::pressKey(slider, key.key);
            const int expected = std::clamp(before + key.by, bottom, top);
            if (shown() != expected) {
                ++wrong;
                ADD_FAILURE() << "from " << units << " units (reading " << before << ") " << key.by << " read " << shown();
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Sheets, AdjustReadoutKeys,
                         ::testing::Values(ReadoutRow{"brightness", &AdjustSheet::brightnessSlider, &AdjustSheet::brightnessText},
                                           ReadoutRow{"contrast", &AdjustSheet::contrastSlider, &AdjustSheet::contrastText}),
                         test::RowName());

} // namespace
