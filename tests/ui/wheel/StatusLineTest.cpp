// The status line under the wheel: hint, progress with cancel, outcome colours, result links.
#include <QApplication>
#include <QHelpEvent>
#include <QPainter>
#include <QTemporaryDir>
#include <QToolTip>
#include <QVBoxLayout>
#include <QVariantAnimation>

#include <gtest/gtest.h>

#include "WheelTestSupport.h"
#include "gallery/ScriptedWheelStore.h"
#include "l10n/Localization.h"
#include "ui/design/DesignSystem.h"
#include "ui/wheel/CompareSheet.h"
#include "ui/wheel/DragOutRow.h"
#include "ui/wheel/StatusLine.h"
#include "ui/wheel/WheelControls.h"
#include "ui/wheel/WheelStyle.h"

using namespace kelvaro;
using namespace kelvaro::wheel;

namespace {

class StatusLineTest : public wheeltest::CzechTest {};

// A batch shows its counter and can be cancelled; a single file shows only the spinner and the hint.
TEST_F(StatusLineTest, RunsShowTheCounterAndCancelOnlyForABatchAndTheHintAfterAnErrorLooksIdle)
{
    ScriptedWheelStore store;
    StatusLine line(store);
    store.update([](auto& v) {
        v.droppedFiles = {"/tmp/a.jpg"};
        v.isWorking = true;
        v.progressDone = 3;
        v.progressTotal = 10;
        v.statusMessage = QStringLiteral("Pracuju na tom…");
    });
    EXPECT_TRUE(line.isSpinnerShown());
    EXPECT_EQ(line.counterText(), QStringLiteral("3 z 10"));
    EXPECT_EQ(line.shownText(), QStringLiteral("Pracuju na tom…"));
    ASSERT_FALSE(line.cancelButton()->isHidden());
    line.cancelButton()->click();
    EXPECT_EQ(store.cancels, 1);

    store.update([](auto& v) {
        v.progressTotal = 1;
        v.statusMessage.reset();
    });
    EXPECT_TRUE(line.isSpinnerShown());
    EXPECT_FALSE(line.isCounterShown());
    EXPECT_TRUE(line.cancelButton()->isHidden());
    EXPECT_EQ(line.shownText(), QStringLiteral("Najeď na výseč a klikni"));
    EXPECT_FALSE(line.isIconShown());

    // A new selection after an error clears its text but not its flag: the hint keeps the idle look.
    store.update([](auto& v) {
        v.isWorking = false;
        v.statusIsError = true;
    });
    EXPECT_EQ(line.tone(), StatusTone::hint);
    EXPECT_EQ(line.textColor(), WheelPalette::light().secondary);
}

// A run started in English goes on after the interface turned Czech: the line, made again in
// Czech, words the run's counter and cancel in the run's language, as the run's status is.
TEST_F(StatusLineTest, TheCounterAndCancelOfARunSpeakItsLanguage)
{
    ScriptedWheelStore store;
    store.update([](auto& v) {
        v.droppedFiles = {"/tmp/a.jpg"};
        v.isWorking = true;
        v.progressDone = 5;
        v.progressTotal = 12;
        v.runLanguage = AppLanguage::english;
        v.statusMessage = QStringLiteral("Working on it…");
    });
    StatusLine line(store);
    EXPECT_EQ(line.counterText(), QStringLiteral("5 of 12"));
    EXPECT_EQ(line.cancelButton()->text(), QStringLiteral("Cancel"));
    store.update([](auto& v) { v.runLanguage = AppLanguage::czech; });
    EXPECT_EQ(line.counterText(), QStringLiteral("5 z 12"));
    EXPECT_EQ(line.cancelButton()->text(), QStringLiteral("Zrušit"));
}

TEST_F(StatusLineTest, ResultRowOnlyWithOutputsWhileIdle)
{
    ScriptedWheelStore store;
    StatusLine line(store);
    store.update([](auto& v) {
        v.lastOutputs = {"/tmp/out/a.png", "/tmp/out/b.png"};
        v.statusMessage = QStringLiteral("Hotovo");
        v.statusDetails = {QStringLiteral("Soubor „c.jpg“ se nepodařilo otevřít."), QStringLiteral("Soubor „d.jpg“ chybí.")};
    });
    EXPECT_EQ(line.detailsText(), QStringLiteral("Soubor „c.jpg“ se nepodařilo otevřít.\nSoubor „d.jpg“ chybí.")); // on hover
    EXPECT_TRUE(line.isResultRowShown());
    EXPECT_TRUE(line.undoButton()->isHidden()); // no undo state
    EXPECT_EQ(line.dragOutRow()->paths(), (QStringList{"/tmp/out/a.png", "/tmp/out/b.png"}));
    store.update([](auto& v) { v.hasUndo = true; });
    line.undoButton()->click();
    line.revealButton()->click();
    EXPECT_EQ(store.undos, 1);
    EXPECT_EQ(store.reveals, 1);

    // A new run hides the row and the drag-out row until it ends.
    store.update([](auto& v) { v.isWorking = true; });
    EXPECT_FALSE(line.isResultRowShown());
    EXPECT_TRUE(line.dragOutRow()->isHidden());
}

// The tip that lists the files that failed, shown wherever the pointer rests on the capsule.
QWidget* shownTip()
{
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->inherits("QTipLabel") && w->isVisible())
            return w;
    return nullptr;
}

// The failed files' tip opens away from the result row under the capsule, so "Zobrazit ve
// správci souborů" stays in sight and clickable while it shows.
TEST_F(StatusLineTest, FailedFilesTipNeverCoversTheResultLinks)
{
    ScriptedWheelStore store;
    QWidget window;
    auto* column = new QVBoxLayout(&window);
    auto* line = new StatusLine(store, &window);
    column->addWidget(line);
    store.update([](auto& v) {
        v.lastOutputs = {"/tmp/out/a.png", "/tmp/out/b.png"};
        v.hasUndo = true;
        v.statusMessage = QStringLiteral("Hotovo – 2 soubory ve složce „Kelvaro“. Nepovedlo se: 2.");
        v.statusDetails = {QStringLiteral("Soubor „c.jpg“ se nepodařilo otevřít."), QStringLiteral("Soubor „d.jpg“ chybí.")};
    });
    window.setGeometry(100, 250, 560, 260);
    window.show();
    QWidget* capsule = nullptr;
    for (QWidget* w : line->findChildren<QWidget*>())
        if (w->toolTip() == line->detailsText())
            capsule = w;
    ASSERT_NE(capsule, nullptr);
    LinkButton* reveal = line->revealButton();
    ASSERT_TRUE(uitest::waitFor([&] { return reveal->isVisible() && capsule->isVisible(); }));
    const QRect link(reveal->mapToGlobal(QPoint()), reveal->size());

    const QRect box = capsule->rect();
    for (const QPoint at : {box.topLeft(), box.center(), QPoint(box.left() + 40, box.bottom()), box.bottomRight()}) {
        QHelpEvent hover(QEvent::ToolTip, at, capsule->mapToGlobal(at));
        QApplication::sendEvent(capsule, &hover);
        QWidget* tip = nullptr;
        ASSERT_TRUE(uitest::waitFor([&] { return (tip = shownTip()) != nullptr; })) << "no tip for a pointer at " << at.x() << "," << at.y();
        EXPECT_FALSE(tip->geometry().intersects(link))
            << "pointer at " << at.x() << "," << at.y() << ": tip " << tip->geometry().y() << "–" << tip->geometry().bottom()
            << " over the link at " << link.y() << "–" << link.bottom();
        QToolTip::hideText();
        ASSERT_TRUE(uitest::waitFor([] { return shownTip() == nullptr; }));
    }
}

TEST_F(StatusLineTest, CompareOnlyForAPairAndTheStudioFlagOpensIt)
{
    QTemporaryDir dir;
    ScriptedWheelStore store;
    QWidget window;
    auto* line = new StatusLine(store, &window);
    store.update([&](auto& v) {
        v.lastOutputs = {dir.filePath("out.png")};
        v.comparePair = ComparePair{dir.filePath("in.jpg"), dir.filePath("out.png")};
    });
    EXPECT_FALSE(line->compareButton()->isHidden());

    store.setStudioCompare(true);
    ASSERT_NE(line->compareSheet(), nullptr);
    EXPECT_TRUE(line->compareSheet()->isVisible());
    line->compareSheet()->reject();
    EXPECT_TRUE(uitest::waitFor([&] { return !store.values.studioCompare; })) << "the closed sheet left the flag set";
}

TEST_F(StatusLineTest, StudioFlagSetBeforeShowingOpensTheSheet)
{
    ScriptedWheelStore store;
    store.values.studioCompare = true;
    QWidget window;
    auto* line = new StatusLine(store, &window);
    EXPECT_EQ(line->compareSheet(), nullptr);
    window.show();
    ASSERT_NE(line->compareSheet(), nullptr);
    line->compareSheet()->accept();
    EXPECT_TRUE(uitest::waitFor([&] { return !store.values.studioCompare; })) << "the closed sheet left the flag set";
}

// Hovering a wedge changes the capsule over a short ease-out: the new text is there at once and
// fades in while the fill moves to the new frame; at rest the fill lies on the capsule and the
// text is drawn plainly.
TEST_F(StatusLineTest, AHoveredWedgeEasesTheCapsuleToItsNewText)
{
    ScriptedWheelStore store;
    store.update([](auto& v) { v.droppedFiles = {"/tmp/a.jpg"}; });
    QWidget window;
    auto* column = new QVBoxLayout(&window);
    auto* line = new StatusLine(store);
    column->addWidget(line);
    window.resize(640, 200);
    window.show();
    ASSERT_TRUE(wheeltest::waitFor([&] { return line->capsuleFrame().width() > 0; }));
    const WheelAction wedge = actions(WheelMode::convert).value(0);
    for (const std::optional<WheelAction>& hovered : {std::optional<WheelAction>(wedge), std::optional<WheelAction>()}) {
        line->setHoveredAction(hovered);
        EXPECT_EQ(line->shownText(), hintText(hovered));
        EXPECT_TRUE(line->isCapsuleChanging()) << line->shownText().toStdString();
        ASSERT_TRUE(wheeltest::waitFor([&] { return !line->isCapsuleChanging(); })) << line->shownText().toStdString();
        ASSERT_TRUE(wheeltest::waitFor([&] { return line->capsuleFrame() == QRectF(line->capsule()->geometry()); }));
        EXPECT_EQ(line->capsuleFill(), withAlpha(line->textColor(), 0.06));
    }
}

// The picture of the old content fading out is the content alone: the card shows through the
// capsule's rounded corners as at rest, with no box of the window's colour around the old text.
TEST_F(StatusLineTest, TheOldContentFadesOutWithoutABoxAroundIt)
{
    // A ground the line's palette knows nothing of, as the card's fill is.
    class Ground : public QWidget {
    protected:
        void paintEvent(QPaintEvent*) override { QPainter(this).fillRect(rect(), QColor(200, 0, 0)); }
    };
    ScriptedWheelStore store;
    store.update([](auto& v) { v.droppedFiles = {"/tmp/a.jpg"}; });
    Ground window;
    auto* column = new QVBoxLayout(&window);
    auto* line = new StatusLine(store);
    column->addWidget(line);
    window.resize(640, 200);
    window.show();
    ASSERT_TRUE(wheeltest::waitFor([&] { return line->capsuleFrame().width() > 0; }));
    const QRect frame(line->mapTo(&window, line->capsule()->geometry().topLeft()), line->capsule()->size());
    const QList<QPoint> corners{frame.topLeft(), frame.topRight(), frame.bottomLeft(), frame.bottomRight()};
    const QImage atRest = window.grab().toImage();
    line->setHoveredAction(actions(WheelMode::convert).value(0));
    ASSERT_TRUE(line->isCapsuleChanging());
    const QImage changing = window.grab().toImage();
    for (const QPoint& corner : corners)
        EXPECT_EQ(changing.pixelColor(corner).name(), atRest.pixelColor(corner).name()) << corner.x() << "," << corner.y();
}

// A wedge hovered while the capsule still changes goes on from the picture that stood: the half
// faded text does not flash back to full strength, nor jump aside.
TEST_F(StatusLineTest, AChangeCutShortGoesOnFromWhatStood)
{
    ScriptedWheelStore store;
    store.update([](auto& v) { v.droppedFiles = {"/tmp/a.jpg"}; });
    QWidget window;
    auto* column = new QVBoxLayout(&window);
    auto* line = new StatusLine(store);
    column->addWidget(line);
    window.resize(640, 200);
    window.show();
    ASSERT_TRUE(wheeltest::waitFor([&] { return line->capsuleFrame().width() > 0; }));
    auto* change = line->findChild<QVariantAnimation*>(QString(), Qt::FindDirectChildrenOnly);
    ASSERT_TRUE(change);
    const QList<WheelAction>& wedges = actions(WheelMode::convert);
    line->setHoveredAction(wedges.value(0));
    change->setCurrentTime(change->duration() / 2);
    const QImage halfWay = window.grab().toImage();
    line->setHoveredAction(wedges.value(3));
    ASSERT_TRUE(line->isCapsuleChanging());
    const QImage cutShort = window.grab().toImage();
    ASSERT_EQ(cutShort.size(), halfWay.size());
    EXPECT_EQ(wheeltest::differingPixels(halfWay, cutShort), 0);
}

} // namespace
