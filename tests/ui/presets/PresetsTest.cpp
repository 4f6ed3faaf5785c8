// The presets sheet's writes, byte for byte, and what it shows of an unreadable list; the preset
// panel on the loaded card: its groups and tiles, what a click asks of the store, following the
// stored lists while open, and one run from the "Web" tile to the output folder.
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QSlider>

#include "../../support/TestImages.h"
#include "../main/UiTestSupport.h"
#include "model/WorkflowLibrary.h"
#include "output/OutputFolder.h"
#include "platform/FileSystem.h"
#include "platform/Json.h"
#include "store/UserPresets.h"
#include "ui/design/DesignSystem.h"
#include "ui/presets/PresetPanel.h"
#include "ui/presets/PresetTile.h"
#include "ui/presets/PresetsSheet.h"

using namespace kelvaro;
namespace ti = kelvaro::testimages;

namespace {

const QString kPresets = QString::fromLatin1(PresetStore::key);
const QString kWorkflows = QString::fromLatin1(WorkflowLibrary::key);

QByteArray storedPresets()
{
    return Settings::shared().dataValue(kPresets).value_or("(none)");
}

QStringList tileTitles(const PresetPanel::Group& group)
{
    QStringList titles;
    for (const PresetTile* tile : group.tiles)
        titles << tile->title();
    return titles;
}

// The main window's content with two photos loaded, so the drop card shows the panel.
class PresetsTest : public uitest::ShownContentView {
protected:
    void beforeView() override
    {
        store->receive(QStringList{ti::writeJpeg(temp.path(), "a.jpg", ti::quadrants(3000, 2000), {.gps = true}),
                                   ti::writeJpeg(temp.path(), "b.jpg", ti::quadrants(1200, 2400), {.gps = true})},
                       false);
    }
    void SetUp() override
    {
        ShownContentView::SetUp();
        ASSERT_TRUE(uitest::waitFor([&] { return (panel = view->findChild<PresetPanel*>()) != nullptr; }))
            << "the preset panel never came with the loaded photos";
    }
    PresetsSheet* openSheet()
    {
        panel->manageButton()->click();
        return qobject_cast<PresetsSheet*>(view->sheet());
    }
    QStringList groupTitles() const
    {
        QStringList titles;
        for (const PresetPanel::Group& group : panel->groups())
            titles << group.title;
        return titles;
    }

    PresetPanel* panel = nullptr;
};

TEST_F(PresetsTest, TheSheetStoresCompactListsWithNewPresetsAtTheEnd)
{
    PresetsSheet* sheet = openSheet();
    ASSERT_NE(sheet, nullptr);
    const QList<PresetSpec>& builtIns = PresetSpec::defaults();
    ASSERT_EQ(sheet->rows().size(), 3);
    EXPECT_EQ(sheet->rows().at(1)->preset(), builtIns.at(1));
    sheet->rows().at(1)->deleteButton()->click();
    const QString web = json::uuidText(builtIns.at(0).id), social = json::uuidText(builtIns.at(2).id);
    QString expected = QStringLiteral(R"([{"format":"jpg","id":"%1","maxSide":1600,"name":"Web","quality":0.8,"stripMetadata":true},)"
                                      R"({"format":"jpg","id":"%2","maxSide":2048,"name":"Sociální sítě","quality":0.85,"stripMetadata":false}])")
                           .arg(web, social);
    EXPECT_EQ(QString::fromUtf8(storedPresets()), expected);

    sheet->qualitySlider()->setValue(17); // 85 %
    sheet->nameField()->setText(QStringLiteral(" \t "));
    EXPECT_FALSE(sheet->addButton()->isEnabled());
    sheet->nameField()->setText(QStringLiteral("  Blog  "));
    sheet->maxSidePicker()->setCurrentIndex(sheet->maxSidePicker()->findText(QStringLiteral("Beze změny")));
    sheet->formatPicker()->setCurrentIndex(sheet->formatPicker()->findText(QStringLiteral("Zachovat")));
    sheet->addButton()->click();
    const QList<PresetSpec> stored = *PresetStore::decode(storedPresets());
    ASSERT_EQ(stored.size(), 3);
    expected.chop(1);
    expected += QStringLiteral(R"(,{"format":"","id":"%1","maxSide":0,"name":"Blog","quality":0.85,"stripMetadata":true}])")
                    .arg(json::uuidText(stored.last().id));
    EXPECT_EQ(QString::fromUtf8(storedPresets()), expected);
    EXPECT_EQ(stored.last().summary(), QStringLiteral("kvalita 85 % · bez metadat"));
    EXPECT_TRUE(sheet->nameField()->text().isEmpty()); // only the name starts again
    EXPECT_EQ(sheet->maxSidePicker()->currentText(), QStringLiteral("Beze změny"));
    EXPECT_EQ(sheet->formatPicker()->currentText(), QStringLiteral("Zachovat"));
    // The open panel shows the new preset at once.
    EXPECT_EQ(tileTitles(panel->groups().last()), (QStringList{"Web", "Sociální sítě", "Blog"}));
}

TEST_F(PresetsTest, DeletesAndAddsKeepTargetsAndOffsetsAndTheLastDeleteStoresAnEmptyArray)
{
    PresetSpec square = PlatformPresets::all().at(0).presets.at(1);
    square.cropOffsetX = 0.25;
    square.cropOffsetY = 1.0;
    Settings::shared().setValue(kPresets, *UserPresets::encode({square, PresetSpec::defaults().at(0)}));
    PresetsSheet* sheet = openSheet();
    ASSERT_NE(sheet, nullptr);
    sheet->nameField()->setText(QStringLiteral("Tisk"));
    sheet->addButton()->click();
    sheet->rows().at(1)->deleteButton()->click(); // "Web"
    const QList<PresetSpec> stored = *PresetStore::decode(storedPresets());
    ASSERT_EQ(stored.size(), 2);
    EXPECT_EQ(stored.first(), square);
    EXPECT_EQ(stored.last().name, QStringLiteral("Tisk"));

    uitest::passPostedEvents(); // the rows of the old list go
    while (!sheet->rows().isEmpty())
        sheet->rows().first()->deleteButton()->click();
    EXPECT_EQ(storedPresets(), QByteArray("[]"));
    EXPECT_FALSE(sheet->emptyText()->isHidden());
    EXPECT_EQ(groupTitles(), (QStringList{"Postupy", "Instagram", "YouTube"}));
}

// Nothing in the sheet can write a list it cannot read, and the panel shows no own presets.
TEST_F(PresetsTest, AnUnreadableListShowsOnlyTheMessageAndStaysAsItIs)
{
    const QByteArray broken = R"([{"id":"6F1C2A3B-0D4E-4F50-8A6B-7C8D9E0F1A2B","name":"Web","maxSide":1600,"format":"jpg","quality":0.8}])";
    Settings::shared().setValue(kPresets, broken);
    EXPECT_EQ(groupTitles(), (QStringList{"Postupy", "Instagram", "YouTube"}));
    PresetsSheet* sheet = openSheet();
    ASSERT_NE(sheet, nullptr);
    EXPECT_FALSE(sheet->unreadableText()->isHidden());
    EXPECT_EQ(sheet->unreadableText()->text(),
              QStringLiteral("Uložené předvolby se nepodařilo přečíst, proto je nechávám beze změny."));
    EXPECT_TRUE(sheet->rows().isEmpty());
    EXPECT_TRUE(sheet->form()->isHidden());
    EXPECT_FALSE(sheet->doneButton()->isHidden());
    uitest::pressKey(sheet, Qt::Key_Return);
    EXPECT_EQ(view->sheet(), nullptr);
    EXPECT_EQ(storedPresets(), broken);
}

// A preset the disk refuses is listed (the settings write it with their next save) and the sheet
// says it is not saved yet, with the reason.
TEST_F(PresetsTest, APresetTheDiskRefusedIsListedAndSaidSo)
{
    PresetsSheet* sheet = openSheet();
    ASSERT_NE(sheet, nullptr);
    FailingFileSystem disk;
    disk.writeBudget = 0;
    FileSystem::setCurrent(&disk);
    sheet->nameField()->setText(QStringLiteral("Blog"));
    sheet->addButton()->click();
    FileSystem::setCurrent(nullptr);
    EXPECT_EQ(sheet->rows().size(), 4);
    EXPECT_TRUE(sheet->nameField()->text().isEmpty());
    EXPECT_FALSE(sheet->notSavedText()->isHidden());
    EXPECT_EQ(sheet->notSavedText()->text(), QStringLiteral("Předvolbu se zatím nepodařilo uložit: na disku není místo."));

    ASSERT_TRUE(Settings::shared().sync());
    sheet->nameField()->setText(QStringLiteral("Tisk"));
    sheet->addButton()->click();
    EXPECT_TRUE(sheet->notSavedText()->isHidden());
}

TEST_F(PresetsTest, AFreshPanelShowsWorkflowsPlatformsAndOwnPresetsAndFollowsTheWorkflows)
{
    ASSERT_EQ(groupTitles(), (QStringList{"Postupy", "Instagram", "YouTube", "Moje"}));
    EXPECT_EQ(panel->groups().at(0).tiles.size(), 3);
    EXPECT_EQ(tileTitles(panel->groups().at(3)), (QStringList{"Web", "E-mail", "Sociální sítě"}));
    EXPECT_NE(panel->workflowsLink(), nullptr);

    Settings::shared().setValue(kWorkflows, QByteArray("[]"));
    EXPECT_EQ(groupTitles(), (QStringList{"Instagram", "YouTube", "Moje"}));
    EXPECT_EQ(panel->workflowsLink(), nullptr);
}

TEST_F(PresetsTest, APlatformTileOnlyOpensTheCropSheetWithItsPresetPending)
{
    store->setStatusMessage(QStringLiteral("Připraveno"));
    const QStringList files = store->droppedFiles();
    panel->groups().at(2).tiles.at(1)->click();
    EXPECT_EQ(store->pendingPreset(), PlatformPresets::all().at(1).presets.at(1));
    EXPECT_EQ(store->activeSheet(), ToolSheet::platformCrop);
    ASSERT_NE(view->sheet(), nullptr);
    EXPECT_STREQ(view->sheet()->metaObject()->className(), "kelvaro::PlatformCropSheet");
    EXPECT_EQ(store->droppedFiles(), files);
    EXPECT_EQ(store->statusMessage(), QStringLiteral("Připraveno"));
    EXPECT_FALSE(store->isWorking());
    store->setActiveSheet(std::nullopt);
    panel->workflowsLink()->click();
    EXPECT_EQ(store->sidebarSelection(), SidebarItem::workflows);
}

// Two photos with a GPS position, the "Web" tile: two JPEGs no longer than 1600 px, without GPS;
// the whole panel is disabled while the run works.
TEST_F(PresetsTest, TheWebTileRunsOnTheLoadedPhotos)
{
    const QString out = temp.filePath("Výsledky");
    ASSERT_TRUE(QDir().mkpath(out) && OutputFolder::remember(out));
    int runs = 0;
    bool disabledWhileWorking = true;
    QObject::connect(store.get(), &KelvaroStore::isWorkingChanged, [&] {
        runs += store->isWorking();
        disabledWhileWorking = disabledWhileWorking && panel->isEnabled() != store->isWorking();
    });
    PresetTile* web = panel->groups().last().tiles.first();
    ASSERT_EQ(web->title(), QStringLiteral("Web"));
    web->click();
    ASSERT_TRUE(store->isWorking());
    web->click();                       // disabled: no second run
    panel->manageButton()->click();
    EXPECT_EQ(store->activeSheet(), std::nullopt);
    ASSERT_TRUE(uitest::waitFor([&] { return !store->isWorking(); }, 30000));
    EXPECT_EQ(runs, 1);
    EXPECT_TRUE(disabledWhileWorking && panel->isEnabled());

    const QStringList written = QDir(out).entryList({QStringLiteral("*.jpg")}, QDir::Files);
    ASSERT_EQ(written.size(), 2) << qPrintable(written.join(", "));
    for (const QString& name : written) {
        const QString path = QDir(out).filePath(name);
        const QSize size = ti::pixelSize(path);
        EXPECT_LE(qMax(size.width(), size.height()), 1600) << qPrintable(name);
        EXPECT_FALSE(ti::metadataValue(path, QStringLiteral("Exif.GPSInfo.GPSLatitude"))) << qPrintable(name);
    }
}

// At the panel's width a long detail wraps onto more lines, whole, and the tile grows for them;
// only the title stops at two lines and is cut there.
TEST(PresetTile, TheDetailWrapsWholeAndOnlyTheTitleStopsAtTwoLines)
{
    const QString detail = QStringLiteral("2 kroky · JPG · kvalita 80 % · bez metadat");
    const QString title = QStringLiteral("Velmi dlouhý název postupu, který se nevejde ani na dva řádky dlaždice");
    PresetTile tile(title, detail, {});
    PresetTile shortDetail(title, QStringLiteral("PNG"), {});
    constexpr int width = 232;
    const QStringList lines = tile.detailLinesFor(width);
    EXPECT_GE(lines.size(), 2);
    EXPECT_EQ(lines.join(QLatin1Char(' ')), detail);
    EXPECT_GT(tile.heightForWidth(width), shortDetail.heightForWidth(width));
    const QStringList titleLines = tile.linesFor(width);
    ASSERT_EQ(titleLines.size(), 2);
    EXPECT_TRUE(titleLines.last().endsWith(QStringLiteral("…")));
}

} // namespace
