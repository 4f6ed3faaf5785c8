// The tool-sheet host in the main window: each kind opens its own sheet, any way of closing
// clears the store's sheet, every opening starts from the defaults, and the main roads from a
// wedge click through the resize and watermark sheets to the files in the output folder.
#include <QDir>
#include <QLineEdit>
#include <QSlider>

#include "../../support/TestImages.h"
#include "../main/UiTestSupport.h"
#include "../wheel/WheelTestSupport.h"
#include "output/OutputFolder.h"
#include "ui/design/DesignSystem.h"
#include "ui/sheets/ChoiceButton.h"
#include "ui/sheets/CropSheet.h"
#include "ui/sheets/LabeledSlider.h"
#include "ui/sheets/ResizeSheet.h"
#include "ui/sheets/SegmentedPicker.h"
#include "ui/sheets/ShelfSheet.h"
#include "ui/sheets/WatermarkSheet.h"
#include "ui/wheel/ActionWheel.h"
#include "ui/wheel/DropWheelCard.h"
#include "ui/wheel/LoadedWheel.h"
#include "ui/wheel/StatusLine.h"

using namespace kelvaro;
namespace ti = kelvaro::testimages;

namespace {

class ToolSheetHostTest : public uitest::ShownContentView {
protected:
    template <typename T>
    T* open(ToolSheet kind)
    {
        store->setActiveSheet(kind);
        return qobject_cast<T*>(view->sheet());
    }
    // Remembers "Výsledky" as the output folder, loads `files` and clicks the tools wedge `key`.
    wheel::DropWheelCard* clickToolWedge(const QStringList& files, const QString& key)
    {
        out = temp.filePath("Výsledky");
        EXPECT_TRUE(QDir().mkpath(out) && OutputFolder::remember(out));
        store->receive(files, false);
        store->setWheelMode(WheelMode::tools);
        const QList<WheelAction> wedges = actions(WheelMode::tools);
        const auto wedge = std::find_if(wedges.begin(), wedges.end(), [&](const WheelAction& a) { return a.key == key; });
        EXPECT_NE(wedge, wedges.end());
        auto* card = view->findChild<wheel::DropWheelCard*>();
        wheel::ActionWheel* wheel = card->loadedWheel()->wheel();
        EXPECT_TRUE(uitest::waitFor([&] {
            return card->isLoadedFaceShown() && wheel->mode() == WheelMode::tools && wheel->isVisible() && wheel->width() > 0;
        })) << "the tools wheel was never shown";
        wheeltest::click(wheel, wheeltest::wedgePoint(*wheel, int(wedge - wedges.begin())));
        return card;
    }

    QString out;
};

TEST_F(ToolSheetHostTest, EachKindOpensItsOwnSheet)
{
    const QList<std::pair<ToolSheet, QString>> kinds{{ToolSheet::crop, "CropSheet"},   {ToolSheet::resize, "ResizeSheet"},
        {ToolSheet::compress, "CompressSheet"}, {ToolSheet::rename, "RenameSheet"}, {ToolSheet::shelf, "ShelfSheet"},
        {ToolSheet::clipboard, "ClipboardSheet"}, {ToolSheet::watermark, "WatermarkSheet"},
        {ToolSheet::adjust, "AdjustSheet"}, {ToolSheet::platformCrop, "PlatformCropSheet"},
        {ToolSheet::presets, "PresetsSheet"}};
    for (const auto& [kind, type] : kinds) {
        store->setActiveSheet(kind);
        ASSERT_NE(view->sheet(), nullptr);
        EXPECT_TRUE(QString::fromLatin1(view->sheet()->metaObject()->className()).endsWith(type)) << qPrintable(type);
        EXPECT_FALSE(ScreenFactory::isPlaceholder(view->sheet())) << qPrintable(type);
    }
}

TEST_F(ToolSheetHostTest, ClosingTheSheetAnyWayClearsTheActiveSheet)
{
    const QList<std::function<void(SheetFrame*)>> ways{
        [](SheetFrame* sheet) { uitest::pressKey(sheet, Qt::Key_Escape); },
        [](SheetFrame* sheet) { sheet->cancelButton()->click(); },
        [](SheetFrame* sheet) { sheet->actionButton()->click(); }, // nothing loaded: the store ignores the run
        [](SheetFrame* sheet) { sheet->close(); }};
    for (const auto& close : ways) {
        CropSheet* sheet = open<CropSheet>(ToolSheet::crop);
        ASSERT_NE(sheet, nullptr);
        close(sheet);
        EXPECT_EQ(store->activeSheet(), std::nullopt);
        EXPECT_EQ(view->sheet(), nullptr);
    }
}

TEST_F(ToolSheetHostTest, EveryOpeningStartsFromTheDefaults)
{
    CropSheet* first = open<CropSheet>(ToolSheet::crop);
    QStringList ratios;
    for (const SegmentedPicker::Segment& segment : first->ratioPicker()->segments())
        ratios << segment.title;
    EXPECT_EQ(ratios, (QStringList{"1:1", "4:5", "3:2", "4:3", "16:9", "9:16"}));
    Q_EMIT first->ratioPicker()->tagClicked(QStringLiteral("story916"));
    first->horizontalSlider()->slider()->setValue(first->horizontalSlider()->slider()->maximum());
    first->verticalSlider()->setUnits(0);
    EXPECT_EQ(first->currentOp().as<op::Crop>()->spec, (CropSpec{CropRatio::story916, 1.0, 0.0}));
    first->cancelButton()->click();
    CropSheet* second = open<CropSheet>(ToolSheet::crop);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(second->currentOp().as<op::Crop>()->spec, (CropSpec{CropRatio::square, 0.5, 0.5}));
}

TEST_F(ToolSheetHostTest, ADisabledActionIgnoresReturn)
{
    QPointer<ShelfSheet> sheet = open<ShelfSheet>(ToolSheet::shelf);
    sheet->nameField()->setText(QStringLiteral("  "));
    uitest::pressKey(sheet->nameField(), Qt::Key_Return);
    uitest::passPostedEvents();
    ASSERT_FALSE(sheet.isNull());
    EXPECT_TRUE(sheet->isVisible());
    EXPECT_EQ(store->activeSheet(), ToolSheet::shelf);
    EXPECT_TRUE(store->shelves().isEmpty());
}

// Two photos dropped, "Velikost" clicked, long edge 1080 chosen: one run, started after the
// sheet has gone, writes two photos whose long side is 1080.
TEST_F(ToolSheetHostTest, ResizeFromTheWheelToTheOutputFolder)
{
    wheel::DropWheelCard* card = clickToolWedge({ti::writeJpeg(temp.path(), "a.jpg", ti::quadrants(1600, 1200)),
                                                 ti::writeJpeg(temp.path(), "b.jpg", ti::quadrants(900, 1500))},
                                                QStringLiteral("Velikost"));

    auto* sheet = qobject_cast<ResizeSheet*>(view->sheet());
    ASSERT_NE(sheet, nullptr);
    Q_EMIT sheet->modePicker()->tagClicked(QStringLiteral("longEdge"));
    sheet->longEdgeButtons().at(0)->click();
    int runs = 0;
    bool sheetGoneAtStart = false;
    QObject::connect(store.get(), &KelvaroStore::isWorkingChanged, [&] {
        if (store->isWorking()) {
            ++runs;
            sheetGoneAtStart = view->sheet() == nullptr;
        }
    });
    sheet->actionButton()->click();
    EXPECT_EQ(runs, 0);
    ASSERT_TRUE(uitest::waitFor([&] { return runs == 1 && !store->isWorking(); }));
    uitest::passPostedEvents();
    EXPECT_TRUE(runs == 1 && sheetGoneAtStart);

    const QStringList written = QDir(out).entryList(QDir::Files);
    ASSERT_EQ(written.size(), 2) << qPrintable(written.join(", "));
    for (const QString& name : written) {
        const QSize size = ti::pixelSize(QDir(out).filePath(name));
        EXPECT_EQ(qMax(size.width(), size.height()), 1080) << qPrintable(name);
    }
    wheel::StatusLine* status = card->loadedWheel()->statusLine();
    EXPECT_EQ(status->tone(), wheel::StatusTone::message);
    EXPECT_EQ(status->shownText(), QStringLiteral("Hotovo – 2 soubory ve složce „Výsledky“."));
}

// A photo dropped, "Vodoznak" clicked, the text "Test" run: one result, changed in its
// bottom-right corner only.
TEST_F(ToolSheetHostTest, WatermarkFromTheWheelMarksOnlyTheBottomRightCorner)
{
    const QString source = ti::writeJpeg(temp.path(), "a.jpg", ti::plain(800, 600, QColor(70, 110, 150)));
    clickToolWedge({source}, QStringLiteral("Vodoznak"));

    auto* sheet = qobject_cast<WatermarkSheet*>(view->sheet());
    ASSERT_NE(sheet, nullptr);
    sheet->textField()->setText(QStringLiteral("Test"));
    sheet->actionButton()->click();
    ASSERT_TRUE(uitest::waitFor([&] { return !store->lastOutputs().isEmpty() && !store->isWorking(); }, 30000));
    ASSERT_EQ(store->lastOutputs().size(), 1);

    const QImage before(source);
    const QImage after(store->lastOutputs().first());
    ASSERT_EQ(after.size(), before.size());
    // The largest difference of one channel within a quarter-size corner.
    const auto change = [&](int cx, int cy) {
        int most = 0;
        for (int y = cy * 450; y < cy * 450 + 150; y += 2)
            for (int x = cx * 600; x < cx * 600 + 200; x += 2) {
                const QColor a = before.pixelColor(x, y), b = after.pixelColor(x, y);
                most = std::max({most, std::abs(a.red() - b.red()), std::abs(a.green() - b.green()), std::abs(a.blue() - b.blue())});
            }
        return most;
    };
    EXPECT_GT(change(1, 1), 60);
    for (auto [cx, cy] : {std::pair{0, 0}, {1, 0}, {0, 1}})
        EXPECT_LE(change(cx, cy), 6) << cx << "," << cy;
}

} // namespace
