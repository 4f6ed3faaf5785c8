// The rows' on/off switch: an unchecked one is still seen where it is, on the window and on a card.
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
    const QRect track = toggle->geometry();
    const QRect beyondKnob(track.right() - 8, track.top(), 8, track.height());
    EXPECT_GE(uitest::strongestContrast(image, beyondKnob, background), 3.0);
}

INSTANTIATE_TEST_SUITE_P(Appearances, UncheckedSwitch, ::testing::Values(
    Backdrop{"darkWindow", true, false}, Backdrop{"darkCard", true, true},
    Backdrop{"lightWindow", false, false}, Backdrop{"lightCard", false, true}),
    test::RowName());

} // namespace
