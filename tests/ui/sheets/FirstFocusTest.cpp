// What a sheet or settings page gives the keyboard focus to as it opens: never a value control,
// which the mouse wheel would then change from under the pointer, and nothing that wears a focus
// ring before a key is pressed; and none of them shows Qt's stock push button. A confirmation that
// deletes opens on "Zrušit", so one Space right after it opens deletes nothing.
#include <algorithm>

#include <QAbstractButton>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QTextEdit>

#include "../main/UiTestSupport.h"
#include "../wheel/WheelTestSupport.h"
#include "ui/design/WheelGuard.h"
#include "store/WorkflowStore.h"
#include "ui/history/HistoryView.h"
#include "ui/settings/SettingsView.h"
#include "ui/settings/UpdateSource.h"
#include "ui/sheets/AdjustSheet.h"
#include "ui/sheets/LabeledSlider.h"
#include "ui/sheets/SheetFrame.h"
#include "ui/shelves/ShelvesView.h"
#include "ui/wheel/CompareSheet.h"
#include "ui/workflows/WorkflowsView.h"

using namespace kelvaro;

namespace {

enum class Deletion { history, shelf, sampleData, workflow };

struct Opening {
    const char* name;
    std::optional<ToolSheet> sheet;  // a tool sheet in the main window
    const char* settingsTab = nullptr; // else a settings page
    std::optional<Deletion> deletion = std::nullopt; // else the confirmation of a deletion
};

class FirstFocusTest : public uitest::ShownContentView, public ::testing::WithParamInterface<Opening> {
protected:
    // The window of the row, shown and given the focus.
    QWidget* open(const Opening& row)
    {
        if (row.deletion)
            return ask(*row.deletion);
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

    // Something to delete, and its confirmation asked for as the user asks for it.
    QDialog* ask(Deletion deletion)
    {
        switch (deletion) {
        case Deletion::history:
            store->setActivities({uitest::activity(QStringLiteral("a.jpg"), QDateTime::currentDateTime())});
            return qobject_cast<HistoryView*>(screen(SidebarItem::history))->confirmClear();
        case Deletion::shelf: {
            const Shelf trip = uitest::shelf(QStringLiteral("Výlet"), 1, 0);
            store->setShelves({trip});
            return qobject_cast<ShelvesView*>(screen(SidebarItem::shelves))->confirmDelete(trip.id);
        }
        case Deletion::sampleData: {
            store->setActivities(SampleData::activities());
            QWidget* window = open(Opening{"general", std::nullopt, "general"});
            window->findChild<QAbstractButton*>(QStringLiteral("tab-general"))->click();
            settingsView->page(QStringLiteral("general"))->findChild<QAbstractButton*>(QStringLiteral("clearSampleData"))->click();
            return settingsView->findChild<SheetFrame*>(QStringLiteral("clearSampleDataConfirmation"));
        }
        case Deletion::workflow: {
            auto* workflows = qobject_cast<WorkflowsView*>(screen(SidebarItem::workflows));
            workflows->confirmDelete(workflows->workflows().workflows().first());
            return workflows->deleteDialog();
        }
        }
        return nullptr;
    }
    // What the row's confirmation would delete, counted.
    qsizetype held(Deletion deletion) const
    {
        switch (deletion) {
        case Deletion::history: return store->activities().size();
        case Deletion::shelf: return store->shelves().size();
        case Deletion::sampleData: return store->hasSampleData() ? 1 : 0;
        case Deletion::workflow:
            return qobject_cast<WorkflowsView*>(view->screen(SidebarItem::workflows))->workflows().workflows().size();
        }
        return 0;
    }
    QWidget* screen(SidebarItem item)
    {
        store->setSidebarSelection(item);
        EXPECT_TRUE(uitest::waitFor([&] { return view->currentSection() == item; }));
        return view->screen(item);
    }

    uitest::ApplicationStyle style;
    settings::FakeUpdateSource updates;
    std::unique_ptr<settings::SettingsView> settingsView;
    std::unique_ptr<wheel::CompareSheet> compare;
};

TEST_P(FirstFocusTest, NoValueControlAndNoRingUntilAKeyIsPressed)
{
    const Opening& row = GetParam();
    QWidget* window = open(row);
    ASSERT_NE(window, nullptr);
    const qsizetype before = row.deletion ? held(*row.deletion) : 0;
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
    // A deletion opens on "Zrušit": one Space right after it opens deletes nothing. Every one asks
    // in the same frame, with the badge and the action in the destructive style.
    if (row.deletion) {
        ASSERT_GT(before, 0);
        auto* frame = qobject_cast<SheetFrame*>(window);
        ASSERT_NE(frame, nullptr) << "asked in a frame of its own: " << window->metaObject()->className();
        EXPECT_TRUE(frame->isDestructive());
        first->setFocus(Qt::OtherFocusReason);
        auto* button = qobject_cast<QAbstractButton*>(first);
        ASSERT_NE(button, nullptr) << first->metaObject()->className();
        EXPECT_EQ(button->text(), QStringLiteral("Zrušit"));
        const QPointer<QWidget> guarded(window);
        ASSERT_TRUE(test::typeKey(Qt::Key_Space));
        EXPECT_TRUE(uitest::waitFor([&] { return !guarded || !guarded->isVisible(); })) << "Space left the question open";
        uitest::passPostedEvents();
        EXPECT_EQ(held(*row.deletion), before) << "one Space deleted";
    }
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
                      Opening{"compare", std::nullopt},
                      Opening{"clearHistory", std::nullopt, nullptr, Deletion::history},
                      Opening{"deleteShelf", std::nullopt, nullptr, Deletion::shelf},
                      Opening{"clearSampleData", std::nullopt, nullptr, Deletion::sampleData},
                      Opening{"deleteWorkflow", std::nullopt, nullptr, Deletion::workflow}),
    test::RowName());

} // namespace
