// Tab through the main window: every control the Tab key stops on shows the focus ring, so the
// user always sees where the keys go; a widget that shows none takes no focus. Each screen of the
// sidebar, the loaded card with its preset panel, and the presets sheet.
#include <QDialog>

#include "../../support/TestImages.h"
#include "../wheel/WheelTestSupport.h"
#include "UiTestSupport.h"
#include "ui/presets/PresetPanel.h"

using namespace kelvaro;
namespace ti = kelvaro::testimages;

namespace {

struct Screen {
    const char* name;
    SidebarItem item;
    bool loaded = false;  // two photos on the card, so it shows the wheel and the preset panel
    bool presets = false; // the presets sheet over it
};

class TabRingTest : public uitest::ShownContentView, public ::testing::WithParamInterface<Screen> {
protected:
    // A screen with something on it: history, a shelf with files, and the photos of a loaded row.
    void beforeView() override
    {
        const QDateTime now = QDateTime::currentDateTime();
        store->setActivities({uitest::activity(QStringLiteral("a.jpg"), now), uitest::activity(QStringLiteral("b.jpg"), now.addSecs(-60))});
        store->setShelves({uitest::shelf(QStringLiteral("Výlet"), 1, 2, 2), uitest::shelf(QStringLiteral("Rodina"), 2, 0)});
        if (GetParam().loaded)
            store->receive(QStringList{ti::writeJpeg(temp.path(), "a.jpg", ti::quadrants(300, 200)),
                                       ti::writeJpeg(temp.path(), "b.jpg", ti::quadrants(200, 300))},
                           false);
    }

    // The window the keys go to, shown on the row's screen and active.
    QWidget* open()
    {
        const Screen& row = GetParam();
        store->setSidebarSelection(row.item);
        view->activateWindow();
        EXPECT_TRUE(uitest::waitFor([&] { return view->isActiveWindow() && view->currentSection() == row.item; }));
        if (!row.presets)
            return view.get();
        PresetPanel* panel = nullptr;
        EXPECT_TRUE(uitest::waitFor([&] { return (panel = view->findChild<PresetPanel*>()) && panel->isVisible(); }));
        if (!panel)
            return nullptr;
        panel->manageButton()->click();
        QDialog* sheet = view->sheet();
        if (sheet) {
            EXPECT_TRUE(uitest::waitFor([&] { return sheet->isActiveWindow(); }));
        }
        return sheet;
    }

    // Whether `widget`, which has the focus, draws anything on or around itself that it does not
    // draw without it.
    static bool drawsRing(QWidget* widget)
    {
        QWidget* window = widget->window();
        const QRect area = QRect(widget->mapTo(window, QPoint(0, 0)), widget->size()).adjusted(-4, -4, 4, 4).intersected(window->rect());
        const QImage focused = window->grab(area).toImage();
        widget->clearFocus();
        const QImage unfocused = window->grab(area).toImage();
        widget->setFocus(Qt::TabFocusReason);
        return wheeltest::differingPixels(focused, unfocused) > 0;
    }

    uitest::ApplicationStyle style;
};

TEST_P(TabRingTest, EveryTabStopShowsTheRing)
{
    QWidget* window = open();
    ASSERT_NE(window, nullptr);
    QList<QWidget*> stops;
    // Round the window once: until the focus comes back to a stop it has been on.
    for (int i = 0; i < 200; ++i) {
        ASSERT_TRUE(test::typeKey(Qt::Key_Tab));
        QWidget* now = QApplication::focusWidget();
        ASSERT_NE(now, nullptr) << "Tab left nothing focused";
        if (stops.contains(now))
            break;
        stops << now;
        EXPECT_TRUE(window->isAncestorOf(now)) << now->metaObject()->className();
        EXPECT_TRUE(drawsRing(now)) << "Tab stop " << stops.size() << ", " << now->metaObject()->className() << " "
                                    << now->objectName().toStdString() << " under "
                                    << (now->parentWidget() ? now->parentWidget()->metaObject()->className() : "nothing")
                                    << ", shows no ring";
    }
    EXPECT_GE(stops.size(), 2) << "the keys reach no control";
}

INSTANTIATE_TEST_SUITE_P(
    Screens, TabRingTest,
    ::testing::Values(Screen{"home", SidebarItem::home}, Screen{"homeLoaded", SidebarItem::home, true},
                      Screen{"workflows", SidebarItem::workflows}, Screen{"watch", SidebarItem::watch},
                      Screen{"shelves", SidebarItem::shelves}, Screen{"history", SidebarItem::history},
                      Screen{"guide", SidebarItem::guide}, Screen{"presets", SidebarItem::home, true, true}),
    test::RowName());

} // namespace
