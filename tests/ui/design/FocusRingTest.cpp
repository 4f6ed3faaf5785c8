// A focus ring marks where the keys go, never where the mouse went: a control clicked after the
// keys had moved the focus in its window draws none, as neither does the one the keys had reached
// and the mouse then clicked. Our own controls and the ones the style draws alike.
#include <functional>
#include <memory>

#include <QCheckBox>
#include <QHBoxLayout>
#include <QPaintEvent>
#include <QRegion>
#include <QSlider>
#include <QTest>

#include "../main/UiTestSupport.h"
#include "ui/design/FocusRing.h"
#include "ui/design/KelvaroButton.h"
#include "ui/design/SettingRows.h"
#include "ui/sheets/SegmentedPicker.h"
#include "ui/wheel/WheelControls.h"

using namespace kelvaro;

namespace {

struct ClickedControl {
    const char* name;
    std::function<QWidget*()> make;
};

void PrintTo(const ClickedControl& row, std::ostream* os)
{
    *os << row.name;
}

class RingAfterClick : public ::testing::TestWithParam<ClickedControl> {
protected:
    // How the control stands out while it has the focus against how it looks without it.
    static double ring(QWidget* control, int* changed)
    {
        QWidget* window = control->window();
        const QRect area = QRect(control->mapTo(window, QPoint()), control->size()).adjusted(-4, -4, 4, 4).intersected(window->rect());
        const QImage focused = window->grab(area).toImage();
        const bool had = control->hasFocus();
        control->clearFocus();
        const QImage unfocused = window->grab(area).toImage();
        if (had)
            control->setFocus(Qt::OtherFocusReason);
        return uitest::ringDifference(focused, unfocused, changed);
    }
    // As the window system delivers it: a click that gives the focus.
    static void click(QWidget* control)
    {
        QTest::mouseClick(control, Qt::LeftButton, Qt::NoModifier, control->rect().center());
    }

    uitest::ApplicationStyle style;
};

TEST_P(RingAfterClick, TheKeysBringTheRingAndAClickTakesItAway)
{
    QWidget window;
    auto* row = new QHBoxLayout(&window);
    auto* before = new KelvaroButton(QStringLiteral("Zrušit"), KelvaroButton::Kind::secondary);
    QWidget* control = GetParam().make();
    auto* other = new KelvaroButton(QStringLiteral("Otevřít"), KelvaroButton::Kind::secondary);
    row->addWidget(before);
    row->addWidget(control);
    row->addWidget(other);
    window.show();
    window.activateWindow();
    ASSERT_TRUE(uitest::waitFor([&] { return window.isActiveWindow(); }));

    before->setFocus(Qt::MouseFocusReason);
    ASSERT_TRUE(test::typeKey(Qt::Key_Tab));
    ASSERT_TRUE(control->hasFocus());
    int changed = 0;
    ASSERT_GE(ring(control, &changed), uitest::kRingDifference) << "the keys brought no ring to compare with";

    // Clicked while the keys' ring is on it.
    click(control);
    ASSERT_TRUE(uitest::waitFor([&] { return control->hasFocus(); }));
    EXPECT_LT(ring(control, &changed), uitest::kRingDifference / 3) << "a ring after a click on the control the keys had reached";

    // Clicked after the keys had moved the focus elsewhere in the window.
    control->clearFocus();
    other->setFocus(Qt::MouseFocusReason);
    ASSERT_TRUE(test::typeKey(Qt::Key_Backtab));
    ASSERT_TRUE(control->hasFocus());
    ASSERT_TRUE(test::typeKey(Qt::Key_Tab));
    ASSERT_TRUE(other->hasFocus());
    click(control);
    ASSERT_TRUE(uitest::waitFor([&] { return control->hasFocus(); }));
    EXPECT_LT(ring(control, &changed), uitest::kRingDifference / 3) << "a ring after a click that followed the keys";
}

// A click beside the control the keys had reached leaves it the focus but takes its ring away:
// the control must be painted again where the ring was. A grab paints afresh, so it would show
// no ring even on a screen that still shows one; what the window repaints is watched instead.
class Repaints : public QObject {
public:
    QRegion painted;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            painted += static_cast<QPaintEvent*>(event)->region();
        return QObject::eventFilter(watched, event);
    }
};

TEST_P(RingAfterClick, AClickBesideTheControlRepaintsItsRingAway)
{
    QWidget window;
    auto* row = new QHBoxLayout(&window);
    row->setContentsMargins(40, 20, 20, 20); // a bare strip at the left to click on
    auto* before = new KelvaroButton(QStringLiteral("Zrušit"), KelvaroButton::Kind::secondary);
    QWidget* control = GetParam().make();
    row->addWidget(before);
    row->addWidget(control);
    window.show();
    window.activateWindow();
    ASSERT_TRUE(uitest::waitFor([&] { return window.isActiveWindow(); }));
    before->setFocus(Qt::MouseFocusReason);
    Repaints repaints;
    control->installEventFilter(&repaints);
    const auto repainted = [&] { return (QRegion(control->rect()) - repaints.painted).isEmpty(); };
    ASSERT_TRUE(test::typeKey(Qt::Key_Tab));
    ASSERT_TRUE(control->hasFocus());
    ASSERT_TRUE(showsFocusRing(control));
    ASSERT_TRUE(uitest::waitFor(repainted)) << "the ring the keys brought was never painted";

    repaints.painted = QRegion();
    QTest::mouseClick(&window, Qt::LeftButton, Qt::NoModifier, QPoint(10, window.height() / 2));
    ASSERT_TRUE(control->hasFocus()) << "the click took the focus";
    ASSERT_FALSE(showsFocusRing(control));
    EXPECT_TRUE(uitest::waitFor(repainted)) << "the control was not painted again without its ring";
    control->removeEventFilter(&repaints);
}

INSTANTIATE_TEST_SUITE_P(
    Controls, RingAfterClick,
    ::testing::Values(
        ClickedControl{"button", [] { return new KelvaroButton(QStringLiteral("Uložit"), KelvaroButton::Kind::secondary); }},
        ClickedControl{"orangeButton", [] { return new KelvaroButton(QStringLiteral("Uložit"), KelvaroButton::Kind::primary); }},
        ClickedControl{"wheelButton", [] { return new wheel::PrimaryButton(QStringLiteral("Spustit")); }},
        ClickedControl{"switch",
                       [] {
                           auto* toggle = new settings::ToggleSwitch();
                           toggle->setChecked(true);
                           return toggle;
                       }},
        ClickedControl{"checkBox", [] { return new QCheckBox(QStringLiteral("Černobíle")); }},
        ClickedControl{"slider",
                       [] {
                           auto* slider = new QSlider(Qt::Horizontal);
                           slider->setRange(0, 100);
                           slider->setValue(50);
                           slider->setFocusPolicy(Qt::StrongFocus);
                           return slider;
                       }},
        ClickedControl{"segmentedPicker",
                       [] {
                           return new SegmentedPicker({{QStringLiteral("a"), QStringLiteral("1:1")}, {QStringLiteral("b"), QStringLiteral("4:5")}},
                                                      QStringLiteral("Poměr stran"));
                       }}),
    test::RowName());

} // namespace
