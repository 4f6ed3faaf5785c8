// The workflow editor and its step cards: what the user's edits do to the workflow handed back,
// and that values put into controls by code never write back.
#include <algorithm>
#include <optional>

#include <QAbstractSpinBox>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QScrollArea>
#include <QScrollBar>
#include <QSlider>
#include <QToolButton>

#include <gtest/gtest.h>

#include "platform/Settings.h"
#include "store/WorkflowStore.h"
#include "ui/design/DesignSystem.h"
#include "ui/design/DestructiveSymbolButton.h"
#include "ui/design/Readout.h"
#include "ui/design/ToolbarButton.h"
#include "ui/presets/PresetsSheet.h"
#include "ui/sheets/SegmentedPicker.h"
#include "ui/workflows/StepEditor.h"
#include "ui/workflows/WorkflowEditor.h"
#include "../main/UiTestSupport.h"

using namespace kelvaro;
using K = WorkflowStep::Kind;

namespace {

class WorkflowEditorTest : public uitest::CzechTest {
protected:
    WorkflowEditor& open(const Workflow& workflow)
    {
        editor = std::make_unique<WorkflowEditor>(workflow, workflow.name.isEmpty(), [this](const Workflow& w) { saved = w; });
        return *editor;
    }
    void pickFormat(const QString& tag)
    {
        QComboBox* picker = editor->formatPicker();
        picker->setCurrentIndex(picker->findData(tag));
        Q_EMIT picker->activated(picker->currentIndex()); // as a user's choice does
    }

    std::unique_ptr<WorkflowEditor> editor;
    std::optional<Workflow> saved;
};

Workflow withSteps(const QList<K>& kinds)
{
    Workflow w = WorkflowStore::newTemplate();
    w.name = QStringLiteral("Test");
    w.steps.clear();
    for (K kind : kinds)
        w.steps << WorkflowStep::make(kind);
    return w;
}

TEST_F(WorkflowEditorTest, theNewTemplateCannotBeSavedUntilItHasARealName)
{
    WorkflowEditor& e = open(WorkflowStore::newTemplate());
    ASSERT_EQ(e.stepEditors().size(), 1);
    for (const char* blank : {"", "   ", " \n\t"}) {
        e.nameField()->setText(QString::fromUtf8(blank));
        Q_EMIT e.nameField()->textEdited(e.nameField()->text());
        EXPECT_FALSE(e.saveButton()->isEnabled()) << blank;
        e.save();
        EXPECT_FALSE(saved);
    }
    e.cancelButton()->click(); // edits so far are dropped
    EXPECT_FALSE(saved);
    e.nameField()->setText(QStringLiteral("  X y \n"));
    Q_EMIT e.nameField()->textEdited(e.nameField()->text());
    e.saveButton()->click();
    ASSERT_TRUE(saved);
    EXPECT_EQ(saved->name, QStringLiteral("X y"));
}

// A step's remove button is drawn as a deletion; the move buttons beside it are not.
TEST_F(WorkflowEditorTest, theRemoveButtonIsTheOnlyOneInTheDestructiveColour)
{
    WorkflowEditor& e = open(withSteps({K::adjust, K::resize}));
    StepEditor* card = e.stepEditors().first();
    const QColor tint = Theme::destructive().on(card);
    EXPECT_GT(uitest::pixelsNear(card->removeButton()->grab().toImage(), tint, 30), 5);
    EXPECT_EQ(uitest::pixelsNear(card->downButton()->grab().toImage(), tint, 30), 0);
}

TEST_F(WorkflowEditorTest, stepsMoveAndGoAndTheLastOneGoingBlocksSaving)
{
    WorkflowEditor& e = open(withSteps({K::adjust, K::resize, K::watermark}));
    const QUuid second = e.workflow().steps.at(1).id;
    e.stepEditors().at(1)->upButton()->click();
    EXPECT_EQ(e.workflow().steps.first().id, second);
    const QList<StepEditor*> cards = e.stepEditors();
    ASSERT_EQ(cards.size(), 3);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(cards[i]->number(), i + 1);
        EXPECT_EQ(cards[i]->step().id, e.workflow().steps.at(i).id);
        EXPECT_EQ(cards[i]->upButton()->isEnabled(), i > 0);
        EXPECT_EQ(cards[i]->downButton()->isEnabled(), i < 2);
    }
    e.move(second, -1); // already first
    EXPECT_EQ(e.workflow().steps.first().id, second);

    for (int left = 3; left > 0; --left)
        e.stepEditors().first()->removeButton()->click();
    EXPECT_TRUE(e.workflow().steps.isEmpty());
    EXPECT_FALSE(e.saveButton()->isEnabled());
    EXPECT_FALSE(e.emptyHint()->isHidden());

    // the same kind twice: two steps of their own
    e.addMenu()->actions().at(int(K::crop))->trigger();
    e.addMenu()->actions().at(int(K::crop))->trigger();
    ASSERT_EQ(e.workflow().steps.size(), 2);
    EXPECT_NE(e.workflow().steps[0].id, e.workflow().steps[1].id);
    EXPECT_TRUE(e.saveButton()->isEnabled());
}

TEST_F(WorkflowEditorTest, aFormatWithoutQualityHidesItsRowAndKeepsTheValue)
{
    WorkflowEditor& e = open(withSteps({K::resize}));
    pickFormat(QStringLiteral("png"));
    EXPECT_TRUE(e.qualityRow()->isHidden());
    EXPECT_DOUBLE_EQ(e.workflow().quality, 0.85);
    pickFormat(QString()); // "Zachovat původní"
    EXPECT_FALSE(e.qualityRow()->isHidden());
    e.qualitySlider()->setValue(10);
    EXPECT_EQ(e.qualityReadout()->text(), QStringLiteral("50 %"));
    e.qualitySlider()->setValue(20);
    EXPECT_EQ(e.qualityReadout()->text(), QStringLiteral("100 %"));
}

TEST_F(WorkflowEditorTest, storedValuesNoControlOffersSurviveUntilTheUserPicksAnother)
{
    Workflow odd = withSteps({K::adjust, K::resize, K::watermark, K::crop});
    odd.format = QStringLiteral("webp");
    odd.quality = 0.3;
    odd.symbol = QStringLiteral("leaf");
    odd.steps[0].brightness = 0.8;
    odd.steps[0].contrast = 1.2;
    odd.steps[1].longEdge = 1080;
    odd.steps[2].position = QStringLiteral("middle");
    odd.steps[2].opacity = 0.05;
    odd.steps[3].ratio = QStringLiteral("2:1");
    WorkflowEditor& e = open(odd);
    EXPECT_EQ(e.formatPicker()->currentIndex(), -1);
    EXPECT_TRUE(e.qualityRow()->isHidden());
    for (QAbstractButton* b : e.symbolButtons())
        EXPECT_FALSE(b->isChecked());
    const QList<StepEditor*> cards = e.stepEditors();
    EXPECT_EQ(cards[0]->brightnessReadout()->text(), QStringLiteral("+160"));
    EXPECT_EQ(cards[0]->contrastReadout()->text(), QStringLiteral("+39"));
    EXPECT_EQ(cards[1]->longEdgePicker()->currentIndex(), -1);
    EXPECT_EQ(cards[2]->positionPicker()->currentIndex(), -1);
    EXPECT_EQ(cards[3]->ratioPicker()->selectedIndex(), -1);
    e.save();
    ASSERT_TRUE(saved);
    EXPECT_EQ(*saved, odd);

    // the user's own move writes
    cards[0]->brightnessSlider()->setValue(cards[0]->brightnessSlider()->minimum());
    EXPECT_DOUBLE_EQ(e.workflow().steps[0].brightness, -0.5);
    EXPECT_EQ(cards[0]->brightnessReadout()->text(), QStringLiteral("-100"));
    EXPECT_DOUBLE_EQ(e.workflow().steps[0].contrast, 1.2);
}

// Turning the wheel over the editor scrolls it: the watermark's opacity and position under the
// pointer stay as they were, also in what is saved.
TEST_F(WorkflowEditorTest, theWheelOverUnfocusedControlsScrollsTheEditorAndChangesNoValue)
{
    uitest::ApplicationStyle style;
    WorkflowEditor& e = open(withSteps({K::adjust, K::resize, K::watermark}));
    e.show();
    e.activateWindow();
    ASSERT_TRUE(uitest::waitFor([&] { return e.isActiveWindow(); })) << "the editor never became active";
    auto* scroll = e.findChild<QScrollArea*>(QStringLiteral("editorScroll"));
    ASSERT_NE(scroll, nullptr);
    QScrollBar* bar = scroll->verticalScrollBar();
    ASSERT_GT(bar->maximum(), 0);
    StepEditor* watermark = e.stepEditors().at(2);
    const WorkflowStep before = e.workflow().steps.at(2);
    for (QWidget* control : {static_cast<QWidget*>(watermark->opacitySlider()), static_cast<QWidget*>(watermark->positionPicker())}) {
        const int scrolled = bar->value();
        test::turnWheel(control, QRectF(control->rect()).center(), scrolled == bar->maximum() ? 1 : -1);
        EXPECT_NE(bar->value(), scrolled) << qPrintable(control->metaObject()->className());
    }
    EXPECT_EQ(e.workflow().steps.at(2), before);
    e.save();
    ASSERT_TRUE(saved);
    EXPECT_DOUBLE_EQ(saved->steps.at(2).opacity, before.opacity);
    EXPECT_EQ(saved->steps.at(2).position, before.position);
}

// Tab goes down the page as it reads: the name and symbols, "Přidat krok", each step's controls in
// the steps' order (also after steps were moved and added), the result, the two buttons, and from
// "Uložit postup" back to the name.
TEST_F(WorkflowEditorTest, theTabKeyFollowsThePageAndComesRoundToTheName)
{
    uitest::ApplicationStyle style;
    WorkflowEditor& e = open(withSteps({K::adjust, K::resize}));
    e.show();
    e.activateWindow();
    ASSERT_TRUE(uitest::waitFor([&] { return e.isActiveWindow(); })) << "the editor never became active";
    e.stepEditors().at(1)->upButton()->click();
    QAction* watermark = e.findChild<QToolButton*>(QStringLiteral("addStep"))->menu()->actions().last();
    watermark->trigger();
    ASSERT_TRUE(uitest::waitFor([&] { return e.stepEditors().size() == 3 && e.stepEditors().last()->isVisible(); }));

    // Where a stop stands on the page, top to bottom.
    const auto rank = [&](QWidget* w) {
        if (w->objectName() == QLatin1String("addStep"))
            return 1;
        for (int i = 0; i < e.stepEditors().size(); ++i)
            if (e.stepEditors().at(i)->isAncestorOf(w))
                return 2 + i;
        if (e.formatPicker()->parentWidget()->isAncestorOf(w))
            return 10;
        if (w == e.cancelButton())
            return 11;
        if (w == e.saveButton())
            return 12;
        return 0;
    };
    e.nameField()->setFocus(Qt::MouseFocusReason);
    QList<int> ranks;
    for (int i = 0; i < 100 && (ranks.isEmpty() || QApplication::focusWidget() != e.nameField()); ++i) {
        ASSERT_TRUE(test::typeKey(Qt::Key_Tab));
        ASSERT_NE(QApplication::focusWidget(), nullptr);
        ranks << rank(QApplication::focusWidget());
    }
    ASSERT_EQ(QApplication::focusWidget(), e.nameField()) << "Tab never came round";
    const QList<int> expected{0, 1, 2, 3, 4, 10, 11, 12, 0};
    QList<int> passed = ranks;
    passed.erase(std::unique(passed.begin(), passed.end()), passed.end());
    EXPECT_EQ(passed, expected) << "the ranks of the stops in Tab's order, repeats folded";
}

// The name and a watermark's text sit as far inside their fields as in every other sheet's, not
// against the field's edge.
TEST_F(WorkflowEditorTest, itsTextFieldsAreInsetAsTheOtherSheetsFields)
{
    PresetsSheet presets(Settings::shared());
    const QMargins inset = presets.nameField()->textMargins();
    ASSERT_FALSE(inset.isNull());
    WorkflowEditor& e = open(withSteps({K::watermark}));
    QList<QLineEdit*> fields{e.nameField()};
    for (QLineEdit* field : e.stepEditors().first()->findChildren<QLineEdit*>())
        if (!qobject_cast<QAbstractSpinBox*>(field->parentWidget()) && !qobject_cast<QComboBox*>(field->parentWidget()))
            fields << field;
    ASSERT_EQ(fields.size(), 2) << "the watermark step showed no text field";
    for (const QLineEdit* field : std::as_const(fields))
        EXPECT_EQ(field->textMargins(), inset) << field->placeholderText().toStdString();
}

struct Readout {
    double brightness, contrast;
    const char* shownBrightness;
    const char* shownContrast;
};

class StepReadouts : public ::testing::TestWithParam<Readout> {};

TEST_P(StepReadouts, truncateTowardZeroAndSignOnlyFromOne)
{
    const Readout r = GetParam();
    EXPECT_EQ(StepEditor::readout(StepEditor::shownBrightness(r.brightness)), QString::fromLatin1(r.shownBrightness));
    EXPECT_EQ(StepEditor::readout(StepEditor::shownContrast(r.contrast)), QString::fromLatin1(r.shownContrast));
}

INSTANTIATE_TEST_SUITE_P(Values, StepReadouts,
                         ::testing::Values(Readout{0, 1.1, "0", "+20"}, Readout{-0.5, 0.5, "-100", "-100"},
                                           Readout{0.5, 1.5, "+100", "+100"}, Readout{-0.004, 1.2, "0", "+39"},
                                           Readout{0.004, 1.0, "0", "0"}));


// The keys move the watermark's sliders, which show no number, by a hundredth of their range and
// Page Up/Down by ten hundredths.
TEST_F(WorkflowEditorTest, theWatermarksSlidersMoveAHundredthOfTheirRange)
{
    WorkflowEditor& e = open(withSteps({K::watermark}));
    StepEditor* watermark = e.stepEditors().at(0);
    struct Row {
        const char* name;
        QSlider* slider;
        double WorkflowStep::*value;
        double min, max;
    };
    const Row rows[] = {
        {"opacity", watermark->opacitySlider(), &WorkflowStep::opacity, 0.2, 1.0},
        {"size", watermark->sizeSlider(), &WorkflowStep::sizePercent, 2, 12},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ASSERT_NE(row.slider, nullptr);
        const double hundredth = (row.max - row.min) / 100;
        const auto value = [&] { return e.workflow().steps[0].*row.value; };
        test::pressKey(row.slider, Qt::Key_Home);
        EXPECT_DOUBLE_EQ(value(), row.min);
        for (int i = 1; i <= 100; ++i) {
            test::pressKey(row.slider, Qt::Key_Right);
            ASSERT_NEAR(value(), row.min + i * hundredth, 1e-9) << "Right " << i;
        }
        test::pressKey(row.slider, Qt::Key_PageDown);
        EXPECT_NEAR(value(), row.max - 10 * hundredth, 1e-9);
    }
}

// Brightness and contrast read −100 … +100, truncated toward zero. Every arrow moves the readout
// by exactly one and Page Up/Down by exactly ten, from any value over the whole range and from a
// stored value between two readouts, and what it stored reads the same when the step is opened
// again (and in the card's summary, which reads it alike).
struct ReadoutSlider {
    const char* name;
    QSlider* (StepEditor::*slider)() const;
    kelvaro::Readout* (StepEditor::*readout)() const;
    double WorkflowStep::*value;
    qint64 (*shown)(double);
    std::vector<double> storedBetween; // values a drag or another version may have stored
};

void PrintTo(const ReadoutSlider& row, std::ostream* os)
{
    *os << row.name;
}

class StepReadoutKeys : public uitest::CzechTest, public ::testing::WithParamInterface<ReadoutSlider> {
protected:
    static WorkflowStep adjust(double WorkflowStep::*value, double stored)
    {
        WorkflowStep step = WorkflowStep::make(K::adjust);
        step.*value = stored;
        return step;
    }
    // The readout as a number: "+20" reads 20.
    static qint64 read(const kelvaro::Readout* readout) { return readout->text().toLongLong(); }
};

TEST_P(StepReadoutKeys, everyArrowMovesTheReadoutByOneAndEveryPageByTen)
{
    const ReadoutSlider& row = GetParam();
    StepEditor card(WorkflowStep::make(K::adjust), 1, false, false);
    QSlider* slider = (card.*row.slider)();
    kelvaro::Readout* readout = (card.*row.readout)();
    const auto stored = [&] { return row.shown(card.step().*row.value); };
    test::pressKey(slider, Qt::Key_Home);
    ASSERT_EQ(read(readout), -100);

    for (qint64 from = -100; from < 100; ++from) {
        test::pressKey(slider, Qt::Key_Right);
        ASSERT_EQ(read(readout), from + 1) << "Right from " << from;
        ASSERT_EQ(stored(), from + 1) << "stored after Right from " << from;
        // Opened again, the step reads what the user left it at.
        StepEditor reopened(card.step(), 1, false, false);
        ASSERT_EQ(read((reopened.*row.readout)()), from + 1);
    }
    for (qint64 from = 100; from > -100; --from) {
        test::pressKey(slider, Qt::Key_Left);
        ASSERT_EQ(read(readout), from - 1) << "Left from " << from;
        ASSERT_EQ(stored(), from - 1) << "stored after Left from " << from;
    }
    const auto goTo = [&](qint64 shown) {
        test::pressKey(slider, Qt::Key_Home);
        for (int i = 0; i < 1000 && read(readout) < shown; ++i)
            test::pressKey(slider, Qt::Key_Right);
    };
    for (qint64 from = -100; from <= 100; ++from) {
        goTo(from);
        test::pressKey(slider, Qt::Key_PageUp);
        ASSERT_EQ(read(readout), std::min<qint64>(from + 10, 100)) << "Page Up from " << from;
        ASSERT_EQ(stored(), read(readout)) << "stored after Page Up from " << from;
        goTo(from);
        test::pressKey(slider, Qt::Key_PageDown);
        ASSERT_EQ(read(readout), std::max<qint64>(from - 10, -100)) << "Page Down from " << from;
    }
}

TEST_P(StepReadoutKeys, fromAStoredValueBetweenTwoReadoutsTheKeysStillMoveByOneAndTen)
{
    const ReadoutSlider& row = GetParam();
    const struct {
        Qt::Key key;
        qint64 by;
    } keys[] = {{Qt::Key_Right, 1}, {Qt::Key_Left, -1}, {Qt::Key_PageUp, 10}, {Qt::Key_PageDown, -10}};
    for (double between : row.storedBetween)
        for (const auto& k : keys) {
            StepEditor card(adjust(row.value, between), 1, false, false);
            kelvaro::Readout* readout = (card.*row.readout)();
            const qint64 before = read(readout);
            ASSERT_EQ(before, row.shown(between));
            test::pressKey((card.*row.slider)(), k.key);
            EXPECT_EQ(read(readout), before + k.by) << "from a stored " << between << ", key " << k.key;
        }
}

INSTANTIATE_TEST_SUITE_P(
    Sliders, StepReadoutKeys,
    ::testing::Values(ReadoutSlider{"brightness", &StepEditor::brightnessSlider, &StepEditor::brightnessReadout,
                                    &WorkflowStep::brightness, &StepEditor::shownBrightness,
                                    {0.1, 0.145, 0.1234, -0.0731, 0.0049, -0.0049, -0.145}},
                      ReadoutSlider{"contrast", &StepEditor::contrastSlider, &StepEditor::contrastReadout, &WorkflowStep::contrast,
                                    &StepEditor::shownContrast, {1.2, 1.1, 1.145, 0.9, 1.0049, 0.9951, 0.855}}),
    test::RowName());

} // namespace
