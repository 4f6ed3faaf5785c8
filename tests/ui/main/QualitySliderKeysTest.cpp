// Every quality slider of the windows answers the keys alike: an arrow moves the percent it shows
// by one step of 5, Page Up/Down by ten, from the lowest quality up to the highest and back,
// wherever the slider lies (the settings' export tab, the presets sheet, the workflow editor and
// the compress and resize sheets).
#include <algorithm>
#include <functional>
#include <memory>

#include <QSlider>

#include "UiTestSupport.h"
#include "platform/Settings.h"
#include "store/WorkflowStore.h"
#include "ui/design/Readout.h"
#include "ui/presets/PresetsSheet.h"
#include "ui/settings/ExportSettingsTab.h"
#include "ui/sheets/CompressSheet.h"
#include "ui/sheets/LabeledSlider.h"
#include "ui/sheets/ResizeSheet.h"
#include "ui/workflows/WorkflowEditor.h"

using namespace kelvaro;

namespace {

struct Opened {
    std::shared_ptr<QWidget> window;
    QSlider* slider = nullptr;
    Readout* readout = nullptr; // "85 %"
};

struct QualityRow {
    const char* name;
    std::function<Opened(KelvaroStore&)> open;
};

void PrintTo(const QualityRow& row, std::ostream* os)
{
    *os << row.name;
}

Opened exportTab(const char* key)
{
    auto tab = std::make_shared<settings::ExportSettingsTab>();
    auto* row = tab->findChild<QWidget*>(QString::fromLatin1(key));
    return {tab, row ? row->findChild<QSlider*>() : nullptr, row ? row->findChild<Readout*>(QStringLiteral("percent")) : nullptr};
}

template <typename Sheet>
Opened sheetSlider(KelvaroStore& store, LabeledSlider* (Sheet::*slider)() const)
{
    auto sheet = std::make_shared<Sheet>(store);
    LabeledSlider* s = ((*sheet).*slider)();
    return {sheet, s->slider(), s->readoutText()};
}

class QualitySliderKeys : public uitest::CzechTest, public ::testing::WithParamInterface<QualityRow> {
protected:
    void SetUp() override
    {
        CzechTest::SetUp();
        store = uitest::makeStore();
    }
    std::unique_ptr<KelvaroStore> store;
};

// The percent the readout shows: "85 %" reads 85.
int shownPercent(const Readout* readout)
{
    QString text = readout->text();
    text.remove(QLatin1Char('%'));
    bool number = false;
    const int percent = text.trimmed().toInt(&number);
    return number ? percent : -1;
}

TEST_P(QualitySliderKeys, AnArrowMovesFivePercentAndAPageTenOverTheWholeRange)
{
    const Opened o = GetParam().open(*store);
    ASSERT_NE(o.slider, nullptr);
    ASSERT_NE(o.readout, nullptr);
    test::pressKey(o.slider, Qt::Key_Home);
    const int lowest = shownPercent(o.readout);
    test::pressKey(o.slider, Qt::Key_End);
    const int highest = shownPercent(o.readout);
    ASSERT_GT(lowest, 0) << o.readout->text().toStdString();
    ASSERT_GE(highest, lowest + 30);

    // Up by pages to the top, where the last page may be shorter, and down again.
    test::pressKey(o.slider, Qt::Key_Home);
    for (int shown = lowest; shown < highest;) {
        test::pressKey(o.slider, Qt::Key_PageUp);
        ASSERT_EQ(shownPercent(o.readout), std::min(shown + 10, highest)) << "Page Up from " << shown;
        shown = shownPercent(o.readout);
    }
    for (int shown = highest; shown > lowest;) {
        test::pressKey(o.slider, Qt::Key_PageDown);
        ASSERT_EQ(shownPercent(o.readout), std::max(shown - 10, lowest)) << "Page Down from " << shown;
        shown = shownPercent(o.readout);
    }
    for (int shown = lowest; shown < highest; shown += 5) {
        test::pressKey(o.slider, Qt::Key_Right);
        ASSERT_EQ(shownPercent(o.readout), shown + 5) << "Right from " << shown;
    }
    test::pressKey(o.slider, Qt::Key_Left);
    EXPECT_EQ(shownPercent(o.readout), highest - 5) << "Left";
}

INSTANTIATE_TEST_SUITE_P(
    Windows, QualitySliderKeys,
    ::testing::Values(QualityRow{"settingsJpeg", [](KelvaroStore&) { return exportTab(settings::ExportSettingsTab::jpegQualityKey); }},
                      QualityRow{"settingsHeic", [](KelvaroStore&) { return exportTab(settings::ExportSettingsTab::heicQualityKey); }},
                      QualityRow{"presetsSheet",
                                 [](KelvaroStore&) {
                                     auto sheet = std::make_shared<PresetsSheet>(Settings::shared());
                                     return Opened{sheet, sheet->qualitySlider(), sheet->qualityReadout()};
                                 }},
                      QualityRow{"workflowEditor",
                                 [](KelvaroStore&) {
                                     Workflow workflow = WorkflowStore::newTemplate();
                                     workflow.format = QStringLiteral("jpg");
                                     auto editor = std::make_shared<WorkflowEditor>(workflow, true, nullptr);
                                     return Opened{editor, editor->qualitySlider(), editor->qualityReadout()};
                                 }},
                      QualityRow{"compressSheet", [](KelvaroStore& s) { return sheetSlider(s, &CompressSheet::qualitySlider); }},
                      QualityRow{"resizeSheet", [](KelvaroStore& s) { return sheetSlider(s, &ResizeSheet::percentSlider); }}),
    test::RowName());

} // namespace
