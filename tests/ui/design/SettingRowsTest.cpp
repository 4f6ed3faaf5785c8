// The rows' on/off switch: an unchecked one is still seen where it is, on the window and on a card,
// and the focus ring of one reached by Tab stands out, on or off, in both appearances.
#include <QPalette>

#include <gtest/gtest.h>

#include "../main/UiTestSupport.h"
#include "ui/design/Theme.h"
#include "ui/design/SettingRows.h"

using namespace kelvaro;

namespace {

struct Backdrop {
    const char* name;
    bool dark;
    bool onCard;
};

class UncheckedSwitch : public ::testing::TestWithParam<Backdrop> {};

TEST_P(UncheckedSwitch, IsOutlinedAtLeastThreeToOneAgainstWhatItLiesOn)
{
    const Backdrop& c = GetParam();
    QWidget window;
    Theme::apply(&window, c.dark);
    const QColor background = (c.onCard ? Theme::cardFill() : Theme::canvas()).resolve(c.dark);
    QPalette palette = window.palette();
    palette.setColor(QPalette::Window, background);
    window.setPalette(palette);
    window.setAutoFillBackground(true);
    window.resize(80, 40);
    auto* toggle = new settings::ToggleSwitch(&window);
    toggle->move(20, 10);
    toggle->resize(toggle->sizeHint());
    ASSERT_FALSE(toggle->isChecked());
    // The track's right end, away from the white knob, which stands out by itself.
    const QImage image = window.grab().toImage();
    const int room = settings::ToggleSwitch::ringRoom;
    const QRect track = toggle->geometry().adjusted(room, room, -room, -room);
    const QRect beyondKnob(track.right() - 8, track.top(), 8, track.height());
    EXPECT_GE(uitest::strongestContrast(image, beyondKnob, background), 3.0);
}

INSTANTIATE_TEST_SUITE_P(Appearances, UncheckedSwitch, ::testing::Values(
    Backdrop{"darkWindow", true, false}, Backdrop{"darkCard", true, true},
    Backdrop{"lightWindow", false, false}, Backdrop{"lightCard", false, true}),
    test::RowName());

struct FocusCase {
    const char* name;
    bool dark;
    bool onCard;
    bool checked;
};

void PrintTo(const FocusCase& row, std::ostream* os)
{
    *os << row.name;
}

class FocusedSwitch : public ::testing::TestWithParam<FocusCase> {};

TEST_P(FocusedSwitch, ItsRingStandsOutFromWhatItIsDrawnOn)
{
    const FocusCase& c = GetParam();
    uitest::ApplicationStyle style;
    QWidget window;
    Theme::apply(&window, c.dark);
    QPalette palette = window.palette();
    palette.setColor(QPalette::Window, (c.onCard ? Theme::cardFill() : Theme::canvas()).resolve(c.dark));
    window.setPalette(palette);
    window.setAutoFillBackground(true);
    window.resize(140, 60);
    auto* first = new settings::ToggleSwitch(&window);
    auto* toggle = new settings::ToggleSwitch(&window);
    first->move(10, 15);
    toggle->move(80, 15);
    for (settings::ToggleSwitch* s : {first, toggle})
        s->resize(s->sizeHint());
    toggle->setChecked(c.checked);
    window.show();
    window.activateWindow();
    ASSERT_TRUE(uitest::waitFor([&] { return window.isActiveWindow(); }));
    first->setFocus(Qt::MouseFocusReason);
    ASSERT_TRUE(test::typeKey(Qt::Key_Tab));
    ASSERT_TRUE(toggle->hasFocus());
    const QRect around = toggle->geometry().adjusted(-4, -4, 4, 4);
    const QImage focused = window.grab(around).toImage();
    toggle->clearFocus();
    const QImage unfocused = window.grab(around).toImage();
    int changed = 0;
    EXPECT_GE(uitest::ringDifference(focused, unfocused, &changed), uitest::kRingDifference);
    EXPECT_GT(changed, 60) << "no ring around the track";
}

INSTANTIATE_TEST_SUITE_P(Appearances, FocusedSwitch, ::testing::Values(
    FocusCase{"lightWindowOn", false, false, true}, FocusCase{"lightWindowOff", false, false, false},
    FocusCase{"lightCardOn", false, true, true}, FocusCase{"lightCardOff", false, true, false},
    FocusCase{"darkWindowOn", true, false, true}, FocusCase{"darkWindowOff", true, false, false},
    FocusCase{"darkCardOn", true, true, true}, FocusCase{"darkCardOff", true, true, false}),
    test::RowName());

} // namespace
