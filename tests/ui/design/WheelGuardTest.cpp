// The mouse wheel over the application's controls: only the control with the keyboard focus
// takes it; otherwise it scrolls the page the control lies in, or goes nowhere, as in the sheets,
// which do not scroll.
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
#include "platform/Settings.h"
#include "ui/design/WheelGuard.h"
#include "ui/presets/PresetsSheet.h"
#include "ui/sheets/CropSheet.h"
#include "ui/sheets/RenameSheet.h"
#include "ui/sheets/ResizeSheet.h"
#include "ui/sheets/WatermarkSheet.h"

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

TEST_P(WheelOverControl, ScrollsThePageUnlessFocusedAndGoesNowhereOutsideAPage)
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

    // Not in a scrolling page: the wheel goes nowhere until the control has the focus.
    QWidget plain;
    auto* plainColumn = new QVBoxLayout(&plain);
    auto* plainField = new QLineEdit;
    plainColumn->addWidget(plainField);
    QWidget* loose = row.make();
    plainColumn->addWidget(loose);
    plain.show();
    plain.activateWindow();
    ASSERT_TRUE(test::waitUntil([&] { return plainField->hasFocus(); })) << "the plain window never became active";
    test::turnWheel(loose, QRectF(loose->rect()).center(), -2);
    EXPECT_EQ(row.value(loose), initial);
    loose->setFocus(Qt::TabFocusReason);
    ASSERT_TRUE(test::waitUntil([&] { return loose->hasFocus(); })) << "the control never got the focus";
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

// The sheets do not scroll: with the keys in one of their fields, the wheel over any slider, pop-up
// or spin box of theirs changes nothing.
struct WheelSheet {
    const char* name;
    std::function<QDialog*(KelvaroStore&)> make;
    int controls; // value controls the sheet shows
};

class WheelOverSheet : public uitest::CzechTest, public ::testing::WithParamInterface<WheelSheet> {
protected:
    uitest::ApplicationStyle style;
};

// What a turn of the wheel would change.
QString valueOf(QWidget* control)
{
    if (auto* slider = qobject_cast<QAbstractSlider*>(control))
        return QString::number(slider->value());
    if (auto* combo = qobject_cast<QComboBox*>(control))
        return QString::number(combo->currentIndex());
    return static_cast<QAbstractSpinBox*>(control)->text();
}

TEST_P(WheelOverSheet, LeavesEveryUnfocusedValueAsItWas)
{
    std::unique_ptr<KelvaroStore> store = uitest::makeStore();
    std::unique_ptr<QDialog> sheet(GetParam().make(*store));
    sheet->show();
    sheet->activateWindow();
    ASSERT_TRUE(test::waitUntil([&] { return sheet->isActiveWindow(); })) << "the sheet never became active";
    auto* field = sheet->findChild<QLineEdit*>();
    if (field)
        field->setFocus(Qt::MouseFocusReason);

    int tried = 0;
    for (QWidget* control : sheet->findChildren<QWidget*>()) {
        if (!WheelGuard::isValueControl(control) || !control->isVisibleTo(sheet.get()) || control->hasFocus())
            continue;
        ++tried;
        const QString before = valueOf(control);
        for (int notches : {3, -3, -3})
            test::turnWheel(control, QRectF(control->rect()).center(), notches);
        EXPECT_EQ(valueOf(control), before) << control->metaObject()->className() << " " << qPrintable(control->accessibleName());
    }
    EXPECT_EQ(tried, GetParam().controls);
}

INSTANTIATE_TEST_SUITE_P(
    Sheets, WheelOverSheet,
    ::testing::Values(WheelSheet{"presets", [](KelvaroStore&) { return new PresetsSheet(Settings::shared()); }, 3},
                      WheelSheet{"rename", [](KelvaroStore& store) { return new RenameSheet(store); }, 1},
                      WheelSheet{"resize", [](KelvaroStore& store) { return new ResizeSheet(store); }, 1},
                      WheelSheet{"crop", [](KelvaroStore& store) { return new CropSheet(store); }, 2},
                      WheelSheet{"watermark", [](KelvaroStore& store) { return new WatermarkSheet(store); }, 3}),
    test::RowName());

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
