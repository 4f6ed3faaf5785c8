// The operation sheets: the operation each builds from its controls, the crop window over the
// fitted photo, the bounded preview decode, the rename example agreeing with the engine, and the
// shelf sheet's choice rule and what it hands the store.
#include <filesystem>
#include <mutex>

#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QLayout>
#include <QLineEdit>
#include <QScopeGuard>
#include <QSlider>
#include <QSpinBox>
#include <QThread>

#include "../../support/TestImages.h"
#include "../main/UiTestSupport.h"
#include "engine/ImageEngine.h"
#include "engine/PdfDrawer.h"
#include "output/OutputFolder.h"
#include "platform/NativePath.h"
#include "store/KelvaroStore.h"
#include "ui/design/DesignSystem.h"
#include "ui/design/Readout.h"
#include "ui/sheets/ChoiceButton.h"
#include "ui/sheets/CompressSheet.h"
#include "ui/sheets/CropPreview.h"
#include "ui/sheets/CropSheet.h"
#include "ui/sheets/LabeledSlider.h"
#include "ui/sheets/RenameSheet.h"
#include "ui/sheets/ResizeSheet.h"
#include "ui/sheets/SegmentedPicker.h"
#include "ui/sheets/ShelfSheet.h"

using namespace kelvaro;
namespace ti = kelvaro::testimages;

namespace {

class ToolSheetsTest : public uitest::CzechTest {
protected:
    void SetUp() override
    {
        CzechTest::SetUp();
        store = uitest::makeStore();
    }
    std::unique_ptr<KelvaroStore> store;
};

// ---- Crop -----------------------------------------------------------------------------------------

struct WindowCase {
    CropRatio ratio;
    double x, y;
    QRectF expected; // over a 3:2 photo shown at 330 × 220
};

class CropWindow : public ::testing::TestWithParam<WindowCase> {};

TEST_P(CropWindow, OnA3x2PhotoShownAt330x220)
{
    const WindowCase& c = GetParam();
    EXPECT_EQ(CropPreview::cropWindow({c.ratio, c.x, c.y}, QSizeF(330, 220)), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Ratios, CropWindow, ::testing::Values(
    WindowCase{CropRatio::square, 0, 0.5, {0, 0, 220, 220}},
    WindowCase{CropRatio::square, 1, 0.5, {110, 0, 220, 220}},
    WindowCase{CropRatio::landscape32, 1, 1, {0, 0, 330, 220}},         // the photo's own ratio: no room to move
    WindowCase{CropRatio::wide169, 0.5, 1, {0, 220 - 185.625, 330, 185.625}}, // wider than the photo: full width
    WindowCase{CropRatio::story916, 0.5, 0, {165 - 61.875, 0, 123.75, 220}}));

// The window is drawn over the fitted photo, not over the empty sides of the 392 × 220 area; the
// photo is decoded no larger than it is shown, and an unreadable one shows no picture at all.
TEST_F(ToolSheetsTest, CropPreviewFramesTheFittedPhotoDecodedAtTheShownSize)
{
    for (const QString& file : {ti::writeJpeg(temp.path(), "big.jpg", ti::quadrants(3000, 2000)),
                                ti::writeGarbage(temp.path(), "broken.jpg")}) {
        store->setDroppedFiles({file});
        CropSheet sheet(*store);
        sheet.show();
        ASSERT_TRUE(uitest::waitFor([&] { return !sheet.preview()->isLoading(); }));
        const QRectF picture = sheet.preview()->pictureRect();
        EXPECT_EQ(sheet.preview()->isFailed(), picture.isEmpty());
        if (file.endsWith("broken.jpg")) {
            EXPECT_TRUE(picture.isEmpty());
            continue;
        }
        EXPECT_EQ(sheet.preview()->width(), 392);
        EXPECT_LE(qMax(sheet.preview()->image().width(), sheet.preview()->image().height()), 392);
        EXPECT_NEAR(picture.x(), 31, 0.5); // the decode rounds to whole pixels
        EXPECT_NEAR(picture.width(), 330, 1);
        EXPECT_EQ(picture.height(), 220);
    }
}

// The preview is as high as the photo at the sheet's 392-px width, at most 220: a panorama gets
// no empty bands above and below, and the sheet opens at that height, before the picture is there.
struct PreviewHeightCase {
    const char* name;
    int width, height; // as stored
    int orientation;
    int expected;
};

class CropPreviewHeight : public ToolSheetsTest, public ::testing::WithParamInterface<PreviewHeightCase> {};

TEST_P(CropPreviewHeight, FollowsThePhotoUpTo220FromTheStart)
{
    const PreviewHeightCase& c = GetParam();
    ti::Metadata meta;
    meta.orientation = c.orientation;
    store->setDroppedFiles({ti::writeJpeg(temp.path(), "photo.jpg", ti::quadrants(c.width, c.height), meta)});
    CropSheet sheet(*store);
    sheet.show();
    CropPreview* preview = sheet.preview();
    ASSERT_TRUE(preview->isLoading()); // the decode reports back through the event loop
    EXPECT_EQ(preview->height(), c.expected) << "the sheet opened at another height than it keeps";
    ASSERT_TRUE(uitest::waitFor([&] { return !preview->isLoading(); }));
    ASSERT_FALSE(preview->isFailed());
    ASSERT_TRUE(uitest::waitFor([&] { return preview->height() == c.expected; }))
        << "the preview stayed " << preview->height() << " px high";
    const QRectF picture = preview->pictureRect();
    EXPECT_NEAR(picture.top(), 0, 0.5);
    EXPECT_NEAR(picture.height(), c.expected, 0.5);
    EXPECT_TRUE(uitest::waitFor([&] { return sheet.height() == sheet.layout()->totalHeightForWidth(SheetFrame::sheetWidth); }))
        << "the sheet kept room the preview no longer takes";
}

// A PDF's page is read only by a drawer, which may wait for a run's memory: the sheet's window
// must never wait for it, so the page is read and drawn on the preview's own thread alone.
TEST_F(ToolSheetsTest, CropPreviewOfAPdfReadsItsPageOffTheWindowsThread)
{
    std::mutex mutex;
    QList<QThread*> working;
    PdfDrawer::setObserver({[&](const char*, qint64) {
                                const std::lock_guard lock(mutex);
                                working.append(QThread::currentThread());
                            },
                            {}});
    const auto unobserved = qScopeGuard([] { PdfDrawer::setObserver({}); });
    store->setDroppedFiles({ti::writePdf(temp.path(), "page.pdf", QSizeF(300, 200))});
    CropSheet sheet(*store);
    sheet.show();
    CropPreview* preview = sheet.preview();
    ASSERT_TRUE(uitest::waitFor([&] { return !preview->isLoading(); }));
    EXPECT_FALSE(preview->isFailed());
    const std::lock_guard lock(mutex);
    EXPECT_FALSE(working.isEmpty()) << "the page was never drawn";
    EXPECT_FALSE(working.contains(QThread::currentThread())) << "a drawer worked for the window's thread";
}

INSTANTIATE_TEST_SUITE_P(Photos, CropPreviewHeight, ::testing::Values(
    PreviewHeightCase{"panorama", 1600, 400, 0, 98},
    PreviewHeightCase{"panoramaStoredUpright", 400, 1600, 6, 98}, // turned by its EXIF orientation
    PreviewHeightCase{"twoToOne", 1200, 600, 0, 196},
    PreviewHeightCase{"threeToTwo", 1500, 1000, 0, 220},
    PreviewHeightCase{"portrait", 1000, 1500, 0, 220}),
    test::RowName());

// ---- Resize and compress --------------------------------------------------------------------------

// Return on a focused long-edge button runs the sheet's action; it never picks that button.
TEST_F(ToolSheetsTest, ResizeStepsByFiveAndReturnRunsTheAction)
{
    ResizeSheet sheet(*store);
    sheet.show();
    EXPECT_EQ(sheet.currentOp().as<op::Resize>()->spec, (ResizeSpec{true, 50, 1920}));
    LabeledSlider* percent = sheet.percentSlider();
    EXPECT_EQ(percent->slider()->maximum(), 18); // 10, 15, … 100: nothing in between
    for (auto [position, readout] : {std::pair{10, "60 %"}, {0, "10 %"}, {18, "100 %"}, {8, "50 %"}}) {
        percent->slider()->setValue(position);
        EXPECT_EQ(percent->readoutText()->text(), QString::fromUtf8(readout));
    }
    EXPECT_FALSE(sheet.longEdgeButtons().first()->isVisible());
    Q_EMIT sheet.modePicker()->tagClicked(QStringLiteral("longEdge"));
    EXPECT_TRUE(sheet.longEdgeButtons().first()->isVisible() && !percent->isVisible());
    sheet.longEdgeButtons().at(2)->click();
    EXPECT_EQ(sheet.currentOp().as<op::Resize>()->spec, (ResizeSpec{false, 50, 2560}));
    EXPECT_TRUE(sheet.longEdgeButtons().at(2)->isChosen() && !sheet.longEdgeButtons().at(1)->isChosen());

    ChoiceButton* other = sheet.longEdgeButtons().first();
    other->setFocus();
    uitest::pressKey(other, Qt::Key_Return);
    EXPECT_EQ(sheet.result(), QDialog::Accepted);
    EXPECT_EQ(sheet.currentOp().as<op::Resize>()->spec.longEdge, 2560);
}

// Every step reads exactly, and the readout keeps its width while the slider moves.
TEST_F(ToolSheetsTest, CompressQualityIsExactAtEveryStep)
{
    Theme::installInterfaceFont();
    CompressSheet sheet(*store);
    EXPECT_EQ(sheet.currentOp().as<op::Compress>()->quality, 0.7);
    Readout* readout = sheet.qualitySlider()->readoutText();
    EXPECT_EQ(readout->text(), QStringLiteral("70 %"));
    const int width = readout->sizeHint().width();
    QSlider* slider = sheet.qualitySlider()->slider();
    for (int k = 0, percent = 20; k <= slider->maximum(); ++k, percent += 5) { // ends at 95
        slider->setValue(k);
        EXPECT_EQ(sheet.currentOp().as<op::Compress>()->quality, percent / 100.0);
        EXPECT_EQ(readout->text(), QStringLiteral("%1 %").arg(percent));
        EXPECT_EQ(readout->sizeHint().width(), width) << percent;
    }
}

// ---- Rename ---------------------------------------------------------------------------------------

struct ExampleCase {
    const char* file; // empty: no file loaded
    RenameSpec spec;
    const char* expected;
};

class RenameExample : public ::testing::TestWithParam<ExampleCase> {};

// The example is the name the engine really gives the first copy, as text (a byte that is not
// UTF-8 shown as U+FFFD); the copy gets the name's bytes.
TEST_P(RenameExample, IsTheNameTheRunWrites)
{
    const ExampleCase& c = GetParam();
    const QString file = NativePath::decoded(c.file);
    const QString expected = NativePath::decoded(c.expected);
    QStringList files;
    QTemporaryDir dir;
    // Qt's listing would leave a name that is not UTF-8 behind.
    const auto removeAll = qScopeGuard([&] { std::filesystem::remove_all(NativePath::encoded(dir.path()).toStdString()); });
    if (!file.isEmpty() && QDir(dir.path()).mkpath("out"))
        files << ti::writeGarbage(dir.path(), file); // a rename copies bytes as they are
    EXPECT_EQ(RenameSheet::example(c.spec, files), NativePath::displayName(expected));
    if (files.isEmpty())
        return;
    const OpResult result = ImageEngine::process(KelvaroOp::rename(c.spec), files, dir.filePath("out"));
    ASSERT_EQ(result.outputs.size(), 1);
    EXPECT_EQ(QFileInfo(result.outputs.first()).fileName(), expected);
}

INSTANTIATE_TEST_SUITE_P(Names, RenameExample, ::testing::Values(
    ExampleCase{"beach.png", {}, "beach_001.png"},
    ExampleCase{"a.jpg", {QStringLiteral("Dovolená"), false, 1}, "Dovolená.jpg"},
    ExampleCase{"", {QString(), true, 0}, "foto_000.jpg"},
    ExampleCase{"x.jpg", {QString(), true, 9999}, "x_9999.jpg"},
    ExampleCase{"IMG_4410.HEIC", {}, "IMG_4410_001.HEIC"},
    ExampleCase{"scan", {}, "scan_001"},                                // no extension: no dot
    ExampleCase{"caf\xe9.jpg", {}, "caf\xe9_001.jpg"},                  // not UTF-8
    ExampleCase{"a.jpg", {QStringLiteral(" 2024/08: moře "), true, 1}, " 2024-08- moře _001.jpg"}));

TEST_F(ToolSheetsTest, TheStartIsBoundedAndKeptWhileNumberingIsOff)
{
    RenameSheet sheet(*store);
    QSpinBox* start = sheet.startStepper();
    EXPECT_TRUE(start->minimum() == 0 && start->maximum() == 9999);
    start->setValue(42);
    sheet.numberedToggle()->setChecked(false);
    EXPECT_TRUE(start->isHidden());
    EXPECT_EQ(sheet.exampleText()->text(), QStringLiteral("foto.jpg"));
    sheet.numberedToggle()->setChecked(true);
    EXPECT_FALSE(start->isHidden());
    EXPECT_EQ(sheet.currentOp().as<op::Rename>()->spec, (RenameSpec{QString(), true, 42}));
    store->setDroppedFiles({temp.filePath("Léto.PNG")});
    EXPECT_EQ(sheet.exampleText()->text(), QStringLiteral("Léto_042.PNG")); // follows the store
}

// ---- Shelf ----------------------------------------------------------------------------------------

Shelf shelf(const QString& name, int colorIndex)
{
    return Shelf{QUuid::createUuid(), name, QStringLiteral("star.fill"), colorIndex, 0, {}};
}

TEST_F(ToolSheetsTest, ShelfPickAndNameExcludeEachOtherAndColoursStayInThePalette)
{
    store->setShelves({shelf("A", -1), shelf("B", 7), shelf("C", std::numeric_limits<int>::min())});
    ShelfSheet sheet(*store);
    ASSERT_EQ(sheet.rows().size(), 3); // every stored colour index gives a palette colour
    EXPECT_EQ(sheet.rows()[0]->color(), Theme::violet());
    EXPECT_EQ(sheet.rows()[1]->color(), Theme::teal());
    EXPECT_EQ(sheet.rows()[2]->color(), Theme::gold()); // |−2147483648 mod 5| = 3
    const QUuid a = store->shelves()[0].id;
    ShelfRow* rowA = sheet.rows()[0];
    const auto state = [&] { return std::make_tuple(sheet.currentRequest(), sheet.canRun()); };
    using Request = ShelfSheet::Request;

    EXPECT_EQ(state(), std::make_tuple(Request{}, false));
    sheet.nameField()->setText(QStringLiteral("Nová"));
    rowA->click(); // a click picks the shelf and empties the name
    EXPECT_EQ(state(), std::make_tuple(Request{a, QString()}, true));
    EXPECT_TRUE(rowA->isSelected());
    rowA->click(); // a second click drops it
    EXPECT_EQ(state(), std::make_tuple(Request{}, false));
    rowA->click();
    sheet.nameField()->setText(QStringLiteral("   ")); // typing drops the pick; spaces alone cannot run
    EXPECT_EQ(state(), std::make_tuple(Request{std::nullopt, QStringLiteral("   ")}, false));
    EXPECT_FALSE(rowA->isSelected());
    sheet.nameField()->setText(QStringLiteral(" \t"));
    EXPECT_FALSE(sheet.canRun());
    sheet.nameField()->setText(QStringLiteral("  Nová "));
    EXPECT_EQ(state(), std::make_tuple(Request{std::nullopt, QStringLiteral("  Nová ")}, true));
    sheet.nameField()->clear(); // emptying the field picks nothing back
    EXPECT_EQ(state(), std::make_tuple(Request{}, false));
}

// A new shelf may not take a name a shelf bears in another letter case: the shelf editor could
// never save either of them again.
TEST_F(ToolSheetsTest, AShelfNameTakenInAnyCaseCannotBeAShelfAgain)
{
    store->setShelves({shelf("Svatby", 0)});
    ShelfSheet sheet(*store);
    const std::pair<const char*, bool> rows[] = {
        {"svatby", true}, {"  SVATBY\t", true}, {"Svatby", true}, {"Svatby 2", false}, {"", false}};
    for (const auto& [name, taken] : rows) {
        sheet.nameField()->setText(QString::fromUtf8(name));
        EXPECT_EQ(sheet.nameTakenShown(), taken) << name;
        EXPECT_EQ(sheet.canRun(), !taken && *name) << name;
    }
    sheet.nameField()->setText(QStringLiteral("svatby"));
    sheet.rows()[0]->click(); // the pick empties the name, and with it the line
    EXPECT_FALSE(sheet.nameTakenShown());
    EXPECT_TRUE(sheet.canRun());

    // A shelf that appears while the name stands makes the name taken.
    sheet.nameField()->setText(QStringLiteral("léto"));
    EXPECT_TRUE(sheet.canRun());
    store->setShelves({shelf("Svatby", 0), shelf("Léto", 1)});
    EXPECT_TRUE(sheet.nameTakenShown());
    EXPECT_FALSE(sheet.canRun());
}

// "Odložit" hands the store the pick or the untrimmed name; the store puts the files there.
TEST_F(ToolSheetsTest, TheStoreGetsThePickedShelfOrTheTypedName)
{
    ASSERT_TRUE(OutputFolder::remember(temp.path()));
    store->setShelves({shelf("Rodina", 2)});
    store->setDroppedFiles({ti::writeJpeg(temp.path(), "a.jpg", ti::quadrants(40, 30))});
    {
        ShelfSheet sheet(*store);
        sheet.rows()[0]->click();
        sheet.actionButton()->click();
    }
    ASSERT_TRUE(uitest::waitFor([&] { return store->shelves()[0].items.size() == 1; }));
    ShelfSheet sheet(*store);
    sheet.nameField()->setText(QStringLiteral("  Nová "));
    sheet.actionButton()->click();
    ASSERT_TRUE(uitest::waitFor([&] { return store->shelves().size() == 2; }));
    EXPECT_EQ(store->shelves()[1].name, QStringLiteral("Nová"));
    EXPECT_EQ(store->shelves()[0].items.size(), 1);
}

// While the stored shelves cannot be read the store refuses every shelf: the sheet says so as it
// opens and offers nothing to pick or type, and Return runs nothing.
TEST_F(ToolSheetsTest, AnUnreadableLibraryIsSaidByTheShelfSheetWhichTakesNothingIn)
{
    const QString key = QStringLiteral("kelvaro.test.unreadLibrary");
    ASSERT_TRUE(Settings::shared().setValue(key, QByteArray(R"({"activities":[{"id":5}],"shelves":[]})")));
    KelvaroStore unread(StoreServices{}, key);
    ASSERT_FALSE(unread.canPersist());
    ASSERT_TRUE(OutputFolder::remember(temp.path()));
    unread.setDroppedFiles({ti::writeJpeg(temp.path(), "a.jpg", ti::quadrants(40, 30))});
    unread.setStatusMessage(std::nullopt);

    ShelfSheet sheet(unread);
    sheet.show();
    test::passPostedEvents();
    EXPECT_TRUE(uitest::texts(&sheet).contains(
        QStringLiteral("Uložené police se nepodařilo přečíst, proto je nechávám beze změny a další nepřidám.")));
    EXPECT_FALSE(sheet.nameField()->isVisible());
    EXPECT_NE(sheet.focusWidget(), sheet.nameField());
    EXPECT_FALSE(sheet.canRun());
    sheet.nameField()->setText(QStringLiteral("Léto")); // not even a name put there some other way
    EXPECT_FALSE(sheet.canRun());
    EXPECT_FALSE(sheet.actionButton()->isEnabled());

    uitest::pressKey(&sheet, Qt::Key_Return);
    test::passPostedEvents();
    EXPECT_EQ(unread.statusMessage(), std::nullopt);
    EXPECT_TRUE(unread.shelves().isEmpty());
}

} // namespace
