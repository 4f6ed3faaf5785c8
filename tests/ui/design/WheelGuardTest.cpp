// The mouse wheel over the application's controls: inside a scrolling page it scrolls the page
// unless the control under it has the keyboard focus; elsewhere the control takes it.
#include <functional>

#include <QComboBox>
#include <QLineEdit>
#include <QScrollArea>
#include <QScrollBar>
#include <QSlider>
#include <QSpinBox>
#include <QVBoxLayout>

#include <gtest/gtest.h>

#include "../main/UiTestSupport.h"

using namespace kelvaro;

namespace {

struct WheelControl {
    const char* name;
    std::function<QWidget*()> make; // at the middle of its range
    std::function<int(QWidget*)> value;
};

class WheelOverControl : public ::testing::TestWithParam<WheelControl> {
protected:
    uitest::ApplicationStyle style;
};

TEST_P(WheelOverControl, ScrollsThePageUnlessFocusedAndStaysTheControlsOutsideAPage)
{
    const WheelControl& row = GetParam();
    QScrollArea page;
    page.resize(300, 200);
    auto* content = new QWidget;
    auto* column = new QVBoxLayout(content);
    auto* field = new QLineEdit; // takes the focus when the window is activated
    column->addWidget(field);
    QWidget* control = row.make();
    column->addWidget(control);
    column->addSpacing(1200);
    page.setWidget(content);
    page.show();
    page.activateWindow();
    ASSERT_TRUE(test::waitUntil([&] { return field->hasFocus(); })) << "the page's window never became active";
    EXPECT_EQ(control->focusPolicy(), Qt::StrongFocus); // a turn of the wheel gives it no focus
    const int initial = row.value(control);
    QScrollBar* bar = page.verticalScrollBar();
    ASSERT_GT(bar->maximum(), 0);

    test::turnWheel(control, QRectF(control->rect()).center(), -2);
    EXPECT_EQ(row.value(control), initial);
    EXPECT_GT(bar->value(), 0) << "the page did not scroll";

    control->setFocus(Qt::TabFocusReason);
    ASSERT_TRUE(test::waitUntil([&] { return control->hasFocus(); })) << "the control never got the focus";
    const int scrolled = bar->value();
    test::turnWheel(control, QRectF(control->rect()).center(), -2);
    EXPECT_NE(row.value(control), initial);
    EXPECT_EQ(bar->value(), scrolled);

    // Not in a scrolling page: the wheel is the control's, focused or not.
    QWidget plain;
    auto* plainColumn = new QVBoxLayout(&plain);
    QWidget* loose = row.make();
    plainColumn->addWidget(loose);
    plain.show();
    ASSERT_FALSE(loose->hasFocus());
    test::turnWheel(loose, QRectF(loose->rect()).center(), -2);
    EXPECT_NE(row.value(loose), initial);
}

// Only the wheel is taken out of a control's focus policy; one its owner narrowed stays as set.
TEST(WheelGuardPolicy, ANarrowerFocusPolicyIsKept)
{
    uitest::ApplicationStyle style;
    QScrollArea page;
    auto* content = new QWidget;
    auto* column = new QVBoxLayout(content);
    auto* clickOnly = new QSlider(Qt::Horizontal);
    clickOnly->setFocusPolicy(Qt::ClickFocus);
    column->addWidget(clickOnly);
    page.setWidget(content);
    page.show();
    ASSERT_TRUE(test::waitUntil([&] { return clickOnly->isVisible(); }));
    EXPECT_EQ(clickOnly->focusPolicy(), Qt::ClickFocus);
}

INSTANTIATE_TEST_SUITE_P(
    Controls, WheelOverControl,
    ::testing::Values(
        WheelControl{"slider",
                     [] {
                         auto* slider = new QSlider(Qt::Horizontal);
                         slider->setRange(0, 100);
                         slider->setValue(50);
                         return slider;
                     },
                     [](QWidget* w) { return static_cast<QSlider*>(w)->value(); }},
        WheelControl{"comboBox",
                     [] {
                         auto* combo = new QComboBox;
                         for (int i = 0; i < 9; ++i)
                             combo->addItem(QString::number(i));
                         combo->setCurrentIndex(4);
                         return combo;
                     },
                     [](QWidget* w) { return static_cast<QComboBox*>(w)->currentIndex(); }},
        WheelControl{"spinBox",
                     [] {
                         auto* spin = new QSpinBox;
                         spin->setRange(0, 100);
                         spin->setValue(50);
                         return spin;
                     },
                     [](QWidget* w) { return static_cast<QSpinBox*>(w)->value(); }}),
    test::RowName());

} // namespace
