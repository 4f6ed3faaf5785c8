// What a sheet or settings page gives the keyboard focus to as it opens: never a value control,
// which the mouse wheel would then change from under the pointer, and nothing that wears a focus
// ring before a key is pressed; and none of them shows Qt's stock push button.
#include <algorithm>

#include <QAbstractButton>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QTextEdit>

#include "../main/UiTestSupport.h"
#include "../wheel/WheelTestSupport.h"
#include "ui/design/WheelGuard.h"
#include "ui/settings/SettingsView.h"
#include "ui/settings/UpdateSource.h"
#include "ui/sheets/AdjustSheet.h"
#include "ui/sheets/LabeledSlider.h"
#include "ui/wheel/CompareSheet.h"

using namespace kelvaro;

namespace {

struct Opening {
    const char* name;
    std::optional<ToolSheet> sheet;  // a tool sheet in the main window
    const char* settingsTab = nullptr; // else a settings page
};

class FirstFocusTest : public uitest::ShownContentView, public ::testing::WithParamInterface<Opening> {
protected:
    // The window of the row, shown and given the focus.
    QWidget* open()
    {
        const Opening& row = GetParam();
        if (row.sheet) {
            store->setActiveSheet(*row.sheet);
            return view->sheet();
        }
        if (row.settingsTab) {
            // The page is reached as a user goes: from "Obecné", where a click had put the focus in
            // a control, by clicks on the tabs, through "O aplikaci" to the row's page.
            Settings::shared().setValue(QString::fromLatin1(settings::SettingsView::tabKey), QStringLiteral("general"));
            settings::SettingsServices services;
            services.updates = &updates;
            services.about = settings::AboutInfo{};
            settingsView = std::make_unique<settings::SettingsView>(*store, services);
            settingsView->show();
            settingsView->activateWindow();
            EXPECT_TRUE(uitest::waitFor([&] { return settingsView->isActiveWindow(); }));
            const QList<QWidget*> controls = settingsView->page(QStringLiteral("general"))->findChildren<QWidget*>();
            const auto clicked = std::find_if(controls.begin(), controls.end(), [](QWidget* w) {
                return (w->focusPolicy() & Qt::ClickFocus) && w->isVisible();
            });
            if (clicked != controls.end())
                (*clicked)->setFocus(Qt::MouseFocusReason);
            for (const char* tab : {"about", row.settingsTab})
                settingsView->findChild<QAbstractButton*>(QStringLiteral("tab-") + QString::fromLatin1(tab))->click();
            return settingsView.get();
        }
        compare = std::make_unique<wheel::CompareSheet>(std::nullopt);
        compare->show();
        compare->activateWindow();
        return compare.get();
    }

    uitest::ApplicationStyle style;
    settings::FakeUpdateSource updates;
    std::unique_ptr<settings::SettingsView> settingsView;
    std::unique_ptr<wheel::CompareSheet> compare;
};

TEST_P(FirstFocusTest, NoValueControlAndNoRingUntilAKeyIsPressed)
{
    QWidget* window = open();
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(uitest::waitFor([&] { return window->isActiveWindow() && QApplication::focusWidget(); }))
        << "nothing took the focus";
    QWidget* first = QApplication::focusWidget();
    EXPECT_TRUE(window->isAncestorOf(first)) << first->metaObject()->className();
    EXPECT_FALSE(WheelGuard::isValueControl(first)) << first->metaObject()->className();
    // A text field shows its caret where the typing goes; anything else looks as it does unfocused.
    if (!qobject_cast<QLineEdit*>(first) && !qobject_cast<QTextEdit*>(first)) {
        const QImage focused = first->grab().toImage();
        first->clearFocus();
        EXPECT_EQ(wheeltest::differingPixels(focused, first->grab().toImage()), 0)
            << first->metaObject()->className() << " " << first->objectName().toStdString() << " wears a ring";
    }
    if (auto* adjust = qobject_cast<AdjustSheet*>(window)) {
        QSlider* jas = adjust->brightnessSlider()->slider();
        const int value = jas->value();
        test::turnWheel(jas, jas->rect().center(), 2);
        EXPECT_EQ(jas->value(), value) << "the wheel over Jas changed it";
    }
    // Qt's own push button wears its style's gradient and frame among the design's buttons.
    for (const QPushButton* button : window->findChildren<QPushButton*>())
        EXPECT_NE(button->metaObject(), &QPushButton::staticMetaObject) << "a stock button: " << button->text().toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Openings, FirstFocusTest,
    ::testing::Values(Opening{"crop", ToolSheet::crop}, Opening{"resize", ToolSheet::resize},
                      Opening{"compress", ToolSheet::compress}, Opening{"rename", ToolSheet::rename},
                      Opening{"shelf", ToolSheet::shelf}, Opening{"clipboard", ToolSheet::clipboard},
                      Opening{"watermark", ToolSheet::watermark}, Opening{"adjust", ToolSheet::adjust},
                      Opening{"platformCrop", ToolSheet::platformCrop}, Opening{"presets", ToolSheet::presets},
                      Opening{"general", std::nullopt, "general"}, Opening{"export", std::nullopt, "export"},
                      Opening{"shortcuts", std::nullopt, "shortcuts"}, Opening{"about", std::nullopt, "about"},
                      Opening{"compare", std::nullopt}),
    test::RowName());

} // namespace
