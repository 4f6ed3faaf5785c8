// The shared sheet frame: the action closes first and runs later, Return and Escape, a sheet
// that cannot run, and where the focus lands as a sheet opens.
#include <QSlider>

#include "../main/UiTestSupport.h"
#include "ui/design/DesignSystem.h"
#include "ui/sheets/SegmentedPicker.h"
#include "ui/sheets/SheetFrame.h"

using namespace kelvaro;

namespace {

class SheetFrameTest : public uitest::CzechTest {
protected:
    // A frame that counts its runs and remembers whether it was still open during one.
    std::unique_ptr<SheetFrame> frame()
    {
        auto sheet = std::make_unique<SheetFrame>(QStringLiteral("Do schránky"), QStringLiteral("doc.on.clipboard"),
                                                  QStringLiteral("Zkopírovat"));
        SheetFrame* raw = sheet.get();
        sheet->setOnRun([this, raw] {
            ++runs;
            openDuringRun = raw->isVisible();
        });
        return sheet;
    }
    int runs = 0;
    bool openDuringRun = true;
};

// A title that names something of the user's is shown whole, over as many lines as it needs,
// above the buttons.
TEST_F(SheetFrameTest, ALongTitleWrapsWhole)
{
    SheetFrame sheet(QStringLiteral("Smazat polici „Fotky z dovolené v Chorvatsku a ve Slovinsku 2026“?"), QStringLiteral("trash"),
                     QStringLiteral("Smazat"));
    sheet.setDestructive(true);
    sheet.show();
    Text* title = sheet.titleText();
    ASSERT_TRUE(uitest::waitFor([&] { return title->height() >= title->heightForWidth(title->width()); }))
        << "the title never got the height its lines need";
    EXPECT_FALSE(title->isElided());
    EXPECT_GT(title->height(), title->fontMetrics().height() * 3 / 2) << "the title kept to one line";
    EXPECT_LE(title->mapTo(&sheet, QPoint(0, title->height())).y(), sheet.cancelButton()->mapTo(&sheet, QPoint()).y());
}

TEST_F(SheetFrameTest, TheActionClosesTheSheetAndRunsOnALaterTurn)
{
    auto sheet = frame();
    sheet->show();
    sheet->actionButton()->click();
    EXPECT_EQ(runs, 0) << "the run must wait for the sheet to be gone";
    EXPECT_FALSE(sheet->isVisible());
    EXPECT_EQ(sheet->result(), QDialog::Accepted);
    ASSERT_TRUE(uitest::waitFor([&] { return runs == 1; }));
    EXPECT_FALSE(openDuringRun);
}

TEST_F(SheetFrameTest, TheRunSurvivesTheSheetBeingDeletedAsItCloses)
{
    auto sheet = frame();
    sheet->setAttribute(Qt::WA_DeleteOnClose);
    int ran = 0;
    sheet->setOnRun([&ran] { ++ran; });
    sheet->show();
    sheet.release()->run(); // deletes itself as it closes
    ASSERT_TRUE(uitest::waitFor([&] { return ran == 1; }));
}

TEST_F(SheetFrameTest, ReturnRunsAndEscapeCancels)
{
    auto sheet = frame();
    sheet->show();
    uitest::pressKey(sheet.get(), Qt::Key_Escape);
    EXPECT_FALSE(sheet->isVisible());
    EXPECT_EQ(sheet->result(), QDialog::Rejected);
    uitest::passPostedEvents(); // a run would have been queued before it
    EXPECT_EQ(runs, 0);
    sheet->show();
    uitest::pressKey(sheet.get(), Qt::Key_Return);
    ASSERT_TRUE(uitest::waitFor([&] { return runs == 1; }));
}

TEST_F(SheetFrameTest, ASheetThatCannotRunKeepsItsActionDisabled)
{
    auto sheet = frame();
    sheet->setCanRun(false);
    sheet->show();
    EXPECT_FALSE(sheet->actionButton()->isEnabled());
    uitest::pressKey(sheet.get(), Qt::Key_Return);
    uitest::pressKey(sheet.get(), Qt::Key_Enter, Qt::KeypadModifier);
    sheet->run();
    uitest::passPostedEvents();
    EXPECT_EQ(runs, 0);
    EXPECT_TRUE(sheet->isVisible());
    sheet->cancelButton()->click();
    EXPECT_FALSE(sheet->isVisible());
    uitest::passPostedEvents();
    EXPECT_EQ(runs, 0);
}

// A confirmation that deletes (the shelves' and the history's) draws its action as a deletion,
// not as the orange default, and only a click runs it: Return does nothing.
TEST_F(SheetFrameTest, ADeletingSheetRunsOnlyOnAClickAndLooksLikeADeletion)
{
    auto sheet = frame();
    sheet->setDestructive(true);
    sheet->show();
    const QImage action = sheet->actionButton()->grab().toImage();
    EXPECT_EQ(uitest::pixelsNear(action, Theme::buttonOrange(), 12), 0);
    EXPECT_GT(uitest::pixelsNear(action, Theme::destructive().on(sheet.get()), 30), 5);
    for (const auto& [key, modifiers] : {std::pair{Qt::Key_Return, Qt::NoModifier}, std::pair{Qt::Key_Enter, Qt::KeypadModifier}})
        uitest::pressKey(sheet->focusWidget() ? sheet->focusWidget() : sheet.get(), key, modifiers);
    EXPECT_TRUE(sheet->isVisible());
    test::passPostedEvents();
    EXPECT_EQ(runs, 0);
    sheet->actionButton()->click();
    ASSERT_TRUE(uitest::waitFor([&] { return runs == 1; }));
}

// A slider that holds the focus as the sheet opens hands it on: to the action, or to "Zrušit"
// while the action cannot run or deletes.
struct FirstFocusRow {
    const char* name;
    bool canRun;
    bool destructive;
    const char* expected; // object name of the button that holds the focus
};

class SheetFrameFirstFocus : public SheetFrameTest, public ::testing::WithParamInterface<FirstFocusRow> {};

TEST_P(SheetFrameFirstFocus, ASliderFocusedBeforeTheSheetShowsHandsItToAButton)
{
    const FirstFocusRow& row = GetParam();
    auto sheet = frame();
    auto* slider = new QSlider(Qt::Horizontal, sheet.get());
    sheet->addContent(slider);
    sheet->setCanRun(row.canRun);
    sheet->setDestructive(row.destructive);
    slider->setFocus();
    ASSERT_EQ(sheet->focusWidget(), slider);
    sheet->show();
    sheet->activateWindow();
    ASSERT_TRUE(uitest::waitFor([&] { return sheet->isActiveWindow(); }));
    ASSERT_NE(QApplication::focusWidget(), nullptr);
    EXPECT_EQ(QApplication::focusWidget()->objectName().toStdString(), row.expected)
        << QApplication::focusWidget()->metaObject()->className();
}

INSTANTIATE_TEST_SUITE_P(Rows, SheetFrameFirstFocus,
                         ::testing::Values(FirstFocusRow{"runnable", true, false, "action"},
                                           FirstFocusRow{"cannotRun", false, false, "cancel"},
                                           FirstFocusRow{"deletes", true, true, "cancel"}),
                         test::RowName());

TEST(SegmentedPicker, AStoredValueMatchingNoSegmentSelectsNone)
{
    SegmentedPicker picker({{QStringLiteral("a"), QStringLiteral("A")}, {QStringLiteral("b"), QStringLiteral("B")}},
                           QStringLiteral("Výběr"));
    picker.resize(200, 28);
    picker.setSelection(QStringLiteral("b"));
    EXPECT_EQ(picker.selectedIndex(), 1);
    picker.setSelection(QStringLiteral("zzz"));
    EXPECT_EQ(picker.selectedIndex(), -1);
    QString clicked;
    QObject::connect(&picker, &SegmentedPicker::tagClicked, [&clicked](const QString& tag) { clicked = tag; });
    uitest::mouse(&picker, QEvent::MouseButtonPress, picker.segmentRect(0).center());
    EXPECT_EQ(clicked, QStringLiteral("a"));
    EXPECT_EQ(picker.selection(), QStringLiteral("a"));
    uitest::pressKey(&picker, Qt::Key_Right);
    EXPECT_EQ(clicked, QStringLiteral("b"));
    uitest::pressKey(&picker, Qt::Key_Right); // stays on the last
    EXPECT_EQ(picker.selectedIndex(), 1);
}

} // namespace
