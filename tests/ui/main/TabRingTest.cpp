// Tab through the windows: every control the Tab key stops on shows a focus ring that stands out
// from what it is drawn on and can be seen, scrolled into view in every page it lies in, so the
// user always sees where the keys go; a widget that shows none takes no focus. Each screen of the sidebar, the loaded card with its
// preset panel, the presets sheet, every tab of the settings, the workflow editor and the shelf
// edit sheet, each with its pages scrolled to their ends first.
#include <QAbstractScrollArea>
#include <QDialog>
#include <QDir>
#include <QScrollArea>
#include <QScrollBar>

#include "../../support/TestImages.h"
#include "UiTestSupport.h"
#include "output/OutputFolder.h"
#include "store/WorkflowStore.h"
#include "ui/design/Theme.h"
#include "ui/presets/PresetPanel.h"
#include "ui/settings/SettingsView.h"
#include "ui/shelves/ShelfEditSheet.h"
#include "ui/shelves/ShelvesView.h"
#include "ui/workflows/WorkflowEditor.h"
#include "ui/workflows/WorkflowsView.h"

using namespace kelvaro;
namespace ti = kelvaro::testimages;

namespace {

// The window over the main one whose stops are walked.
enum class Over { nothing, presets, settings, workflowEditor, shelfEdit };

struct Screen {
    const char* name;
    SidebarItem item;
    bool loaded = false; // two photos on the card, so it shows the wheel and the preset panel
    Over over = Over::nothing;
    const char* tab = ""; // the settings' tab
    int fewestStops = 2;  // the shortcuts tab has no control of its own, only the tab bar's stop
};

class TabRingTest : public uitest::ShownContentView, public ::testing::WithParamInterface<Screen> {
protected:
    // A screen with something on it: history, a shelf with files, and the photos of a loaded row.
    void beforeView() override
    {
        // A results folder, so that the settings' folder row offers all its buttons.
        ASSERT_TRUE(QDir().mkpath(path(QStringLiteral("out"))));
        ASSERT_TRUE(OutputFolder::remember(path(QStringLiteral("out"))));
        const QDateTime now = QDateTime::currentDateTime();
        store->setActivities({uitest::activity(QStringLiteral("a.jpg"), now), uitest::activity(QStringLiteral("b.jpg"), now.addSecs(-60))});
        store->setShelves({uitest::shelf(QStringLiteral("Výlet"), 1, 2, 2), uitest::shelf(QStringLiteral("Rodina"), 2, 0)});
        if (GetParam().loaded)
            store->receive(QStringList{ti::writeJpeg(temp.path(), "a.jpg", ti::quadrants(300, 200)),
                                       ti::writeJpeg(temp.path(), "b.jpg", ti::quadrants(200, 300))},
                           false);
    }

    void TearDown() override
    {
        settingsWindow.reset();
        uitest::ShownContentView::TearDown();
    }

    // The window the keys go to, shown on the row's screen and active.
    QWidget* open()
    {
        const Screen& row = GetParam();
        store->setSidebarSelection(row.item);
        view->activateWindow();
        EXPECT_TRUE(uitest::waitFor([&] { return view->isActiveWindow() && view->currentSection() == row.item; }));
        switch (row.over) {
        case Over::nothing: return view.get();
        case Over::presets: return openPresets();
        case Over::settings: return openSettings(QString::fromLatin1(row.tab));
        case Over::workflowEditor: return openWorkflowEditor();
        case Over::shelfEdit: return openShelfEdit();
        }
        return nullptr;
    }

    QWidget* openPresets()
    {
        PresetPanel* panel = nullptr;
        EXPECT_TRUE(uitest::waitFor([&] { return (panel = view->findChild<PresetPanel*>()) && panel->isVisible(); }));
        if (!panel)
            return nullptr;
        panel->manageButton()->click();
        return activated(view->sheet());
    }

    QWidget* openSettings(const QString& tab)
    {
        settingsWindow.reset(ScreenFactory::build(kelvaro::Screen::settings, *store, nullptr));
        auto* tabs = settingsWindow->findChild<settings::SettingsView*>();
        if (!tabs)
            return nullptr;
        tabs->chooseTab(tab);
        settingsWindow->show();
        settingsWindow->activateWindow();
        return activated(settingsWindow.get());
    }

    // A workflow of three steps, more than the editor's page shows at once.
    QWidget* openWorkflowEditor()
    {
        auto* screen = view->findChild<WorkflowsView*>();
        if (!screen)
            return nullptr;
        Workflow workflow = WorkflowStore::newTemplate();
        workflow.name = QStringLiteral("Portfolio");
        workflow.steps.clear();
        for (WorkflowStep::Kind kind : {WorkflowStep::Kind::adjust, WorkflowStep::Kind::resize, WorkflowStep::Kind::watermark})
            workflow.steps << WorkflowStep::make(kind);
        screen->openEditor(workflow);
        return activated(screen->editor());
    }

    QWidget* openShelfEdit()
    {
        auto* screen = view->findChild<ShelvesView*>();
        return screen ? activated(screen->editShelf(store->shelves().first().id)) : nullptr;
    }

    static QWidget* activated(QWidget* window)
    {
        if (window) {
            EXPECT_TRUE(uitest::waitFor([&] { return window->isActiveWindow(); })) << window->objectName().toStdString();
        }
        return window;
    }

    // Every page of `window` at its end, so that the stops at their tops start out of sight.
    static void scrollToEnds(QWidget* window)
    {
        for (QAbstractScrollArea* area : window->findChildren<QAbstractScrollArea*>())
            area->verticalScrollBar()->setValue(area->verticalScrollBar()->maximum());
    }

    // The page `widget` lies in whose viewport does not show it whole (or, when it is larger than
    // the viewport, at all); null when every page shows it.
    static QAbstractScrollArea* hidingPage(QWidget* widget)
    {
        for (QWidget* outer = widget->parentWidget(); outer && !outer->isWindow(); outer = outer->parentWidget()) {
            auto* area = qobject_cast<QAbstractScrollArea*>(outer);
            QWidget* viewport = area ? area->viewport() : nullptr;
            if (!viewport || !viewport->isAncestorOf(widget))
                continue;
            const QRect shown = viewport->rect();
            const QRect at(widget->mapTo(viewport, QPoint(0, 0)), widget->size());
            const bool fits = at.height() <= shown.height() && at.width() <= shown.width();
            if (fits ? !shown.contains(at) : !shown.intersects(at))
                return area;
        }
        return nullptr;
    }

    // How `widget`, which has the focus, stands out by what it draws on or around itself that it does
    // not draw without it (uitest::ringDifference); `changed` counts the pixels it changes.
    static double ringDifference(QWidget* widget, int* changed)
    {
        QWidget* window = widget->window();
        const QRect area = QRect(widget->mapTo(window, QPoint(0, 0)), widget->size()).adjusted(-4, -4, 4, 4).intersected(window->rect());
        const QImage focused = window->grab(area).toImage();
        widget->clearFocus();
        const QImage unfocused = window->grab(area).toImage();
        widget->setFocus(Qt::TabFocusReason);
        return uitest::ringDifference(focused, unfocused, changed);
    }

    uitest::ApplicationStyle style;
    std::unique_ptr<QWidget> settingsWindow;
};

TEST_P(TabRingTest, EveryTabStopShowsTheRing)
{
    QWidget* window = open();
    ASSERT_NE(window, nullptr);
    scrollToEnds(window);
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
        int changed = 0;
        EXPECT_GE(ringDifference(now, &changed), uitest::kRingDifference)
            << "Tab stop " << stops.size() << ", " << now->metaObject()->className() << " " << now->objectName().toStdString()
            << " under " << (now->parentWidget() ? now->parentWidget()->metaObject()->className() : "nothing")
            << ", shows no ring that stands out (" << changed << " pixels changed)";
        const QAbstractScrollArea* page = hidingPage(now);
        EXPECT_EQ(page, nullptr) << "Tab stop " << stops.size() << ", " << now->metaObject()->className() << " "
                                 << now->objectName().toStdString() << ", lies out of sight in "
                                 << (page ? page->metaObject()->className() : "") << " "
                                 << (page ? page->objectName().toStdString() : "");
    }
    EXPECT_GE(stops.size(), GetParam().fewestStops) << "the keys reach no control";
}

// The chosen tile of a row of tiles, filled with a colour of the palette or the brand orange,
// reached by Tab: its ring stands out from that fill in both appearances, as every ring does.
struct ChosenTile {
    const char* name;
    bool dark;
    int shelfColour = -1; // the shelf editor's icon tile on this colour of the palette; else the
                          // workflow editor's chosen symbol
};

class ChosenTileRing : public uitest::CzechTest, public ::testing::WithParamInterface<ChosenTile> {
protected:
    uitest::ApplicationStyle style;
};

TEST_P(ChosenTileRing, StandsOutFromTheTilesFill)
{
    const ChosenTile& row = GetParam();
    auto store = uitest::makeStore();
    std::unique_ptr<QWidget> window;
    QList<QAbstractButton*> tiles;
    QString chosen;
    if (row.shelfColour >= 0) {
        Shelf shelf = uitest::shelf(QStringLiteral("Výlet"), row.shelfColour, 0);
        chosen = ShelfEditSheet::symbols().at(1);
        shelf.symbol = chosen;
        window = std::make_unique<ShelfEditSheet>(*store, shelf);
    } else {
        Workflow workflow = WorkflowStore::newTemplate();
        chosen = WorkflowEditor::symbols().at(1);
        workflow.symbol = chosen;
        auto editor = std::make_unique<WorkflowEditor>(workflow, false, nullptr);
        window = std::move(editor);
    }
    for (QAbstractButton* b : window->findChildren<QAbstractButton*>())
        if (b->isCheckable() && (b->accessibleName() == chosen || b->accessibleName() == WorkflowEditor::symbols().at(0)
                                 || b->accessibleName() == ShelfEditSheet::symbols().at(0)))
            tiles << b;
    Theme::apply(window.get(), row.dark);
    window->show();
    window->activateWindow();
    ASSERT_TRUE(uitest::waitFor([&] { return window->isActiveWindow(); }));
    const auto named = [&](const QString& name) -> QAbstractButton* {
        for (QAbstractButton* b : std::as_const(tiles))
            if (b->accessibleName() == name)
                return b;
        return nullptr;
    };
    QAbstractButton* tile = named(chosen);
    QAbstractButton* before = named(row.shelfColour >= 0 ? ShelfEditSheet::symbols().at(0) : WorkflowEditor::symbols().at(0));
    ASSERT_NE(tile, nullptr);
    ASSERT_NE(before, nullptr);
    ASSERT_TRUE(tile->isChecked());
    before->setFocus(Qt::MouseFocusReason);
    ASSERT_TRUE(test::typeKey(Qt::Key_Tab));
    ASSERT_TRUE(tile->hasFocus());

    const QImage focused = tile->grab().toImage();
    tile->clearFocus();
    const QImage unfocused = tile->grab().toImage();
    int changed = 0;
    EXPECT_GE(uitest::ringDifference(focused, unfocused, &changed), uitest::kRingDifference) << "the ring is lost in the tile's fill";
    EXPECT_GT(changed, 60) << "no ring around the tile";
}

INSTANTIATE_TEST_SUITE_P(
    Tiles, ChosenTileRing,
    ::testing::Values(ChosenTile{"shelfEmberLight", false, 0}, ChosenTile{"shelfVioletLight", false, 1},
                      ChosenTile{"shelfTealLight", false, 2}, ChosenTile{"shelfGoldLight", false, 3},
                      ChosenTile{"shelfRoseLight", false, 4}, ChosenTile{"shelfEmberDark", true, 0},
                      ChosenTile{"shelfVioletDark", true, 1}, ChosenTile{"shelfTealDark", true, 2},
                      ChosenTile{"shelfGoldDark", true, 3}, ChosenTile{"shelfRoseDark", true, 4},
                      ChosenTile{"workflowSymbolLight", false}, ChosenTile{"workflowSymbolDark", true}),
    test::RowName());

INSTANTIATE_TEST_SUITE_P(
    Screens, TabRingTest,
    ::testing::Values(Screen{"home", SidebarItem::home}, Screen{"homeLoaded", SidebarItem::home, true},
                      Screen{"workflows", SidebarItem::workflows}, Screen{"watch", SidebarItem::watch},
                      Screen{"shelves", SidebarItem::shelves}, Screen{"history", SidebarItem::history},
                      Screen{"guide", SidebarItem::guide}, Screen{"presets", SidebarItem::home, true, Over::presets},
                      Screen{"settingsGeneral", SidebarItem::home, false, Over::settings, "general"},
                      Screen{"settingsExport", SidebarItem::home, false, Over::settings, "export"},
                      Screen{"settingsShortcuts", SidebarItem::home, false, Over::settings, "shortcuts", 1},
                      Screen{"settingsAbout", SidebarItem::home, false, Over::settings, "about"},
                      Screen{"workflowEditor", SidebarItem::workflows, false, Over::workflowEditor},
                      Screen{"shelfEdit", SidebarItem::shelves, false, Over::shelfEdit}),
    test::RowName());

} // namespace
