#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QMenu>
#include <QMenuBar>

#include <gtest/gtest.h>

#include "app/Commands.h"
#include "app/KelvaroApp.h"
#include "app/MainWindow.h"
#include "app/TrayIcon.h"
#include "l10n/Localization.h"
#include "model/GuideContent.h"
#include "platform/FileManager.h"
#include "platform/Settings.h"
#include "store/KelvaroStore.h"
#include "../support/TestSupport.h"
#include "ui/main/ContentView.h"
#include "ui/main/WindowToolbar.h"

using namespace kelvaro;

namespace {

using test::waitUntil;

class KelvaroAppTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Settings::shared().setValue(QStringLiteral("kelvaro.language"), QStringLiteral("cs"));
        store = std::make_unique<KelvaroStore>(StoreServices{}, QStringLiteral("kelvaro.test.library"));
        KelvaroAppOptions options;
        options.fileManager = std::make_shared<RecordingFileManager>();
        options.useTray = false;
        app = std::make_unique<KelvaroApp>(*store, options);
    }
    void TearDown() override
    {
        app.reset();
        L10n::setSystemLanguagesForTesting(std::nullopt);
        Settings::shared().remove(QStringLiteral("kelvaro.studio.enabled"));
    }

    QStringList menuTitles(const QString& objectName) const
    {
        QStringList titles;
        QMenu* menu = app->mainWindow()->menuBar()->findChild<QMenu*>(objectName);
        if (!menu)
            return titles;
        for (QAction* a : menu->actions())
            titles << (a->isSeparator() ? QStringLiteral("—") : a->text());
        return titles;
    }

    std::unique_ptr<KelvaroStore> store;
    std::unique_ptr<KelvaroApp> app;
};

// The guide's list of shortcuts is what the commands are bound to.
TEST_F(KelvaroAppTest, EveryShortcutTheGuideListsIsACommands)
{
    QList<QKeySequence> bound;
    for (const QAction* action : app->commands()->findChildren<QAction*>())
        bound += action->shortcuts();
    for (const GuideShortcut& row : GuideContent::shortcuts())
        if (row.keys.startsWith(QLatin1String("Ctrl+"))) {
            EXPECT_TRUE(bound.contains(QKeySequence(row.keys))) << row.keys.toStdString();
        }
    EXPECT_EQ(app->mainWindow()->menuBar()->findChild<QMenu*>(QStringLiteral("wheelMenu"))->title(), QStringLiteral("Kolo"));
}

TEST_F(KelvaroAppTest, ModeCommandsSwitchTheWheelAndShowHomeButNotOverAnOpenSheet)
{
    app->showMainWindow();
    store->setSidebarSelection(SidebarItem::shelves);
    store->setActiveSheet(ToolSheet::resize);
    app->commands()->toolsMode()->trigger();
    EXPECT_EQ(store->wheelMode(), WheelMode::convert);
    EXPECT_EQ(store->sidebarSelection(), std::optional<SidebarItem>(SidebarItem::shelves));
    ASSERT_NE(app->mainWindow()->content()->sheet(), nullptr);
    app->mainWindow()->content()->sheet()->reject();

    store->setSidebarSelection(SidebarItem::history);
    app->commands()->toolsMode()->trigger();
    EXPECT_EQ(store->wheelMode(), WheelMode::tools);
    EXPECT_EQ(store->sidebarSelection(), std::optional<SidebarItem>(SidebarItem::home));
    app->commands()->actionsMode()->trigger();
    EXPECT_EQ(store->wheelMode(), WheelMode::actions);
    app->commands()->convertMode()->trigger();
    EXPECT_EQ(store->wheelMode(), WheelMode::convert);
}

TEST_F(KelvaroAppTest, ChooseFilesAsksForTheImporterReplacing)
{
    store->setSidebarSelection(SidebarItem::shelves);
    store->setImporterAdds(true);
    app->commands()->chooseFiles()->trigger();
    EXPECT_EQ(store->sidebarSelection(), std::optional<SidebarItem>(SidebarItem::home));
    EXPECT_FALSE(store->importerAdds());
    EXPECT_TRUE(store->pendingImporterDelay().has_value());
}

TEST_F(KelvaroAppTest, GuideCommandSelectsTheGuideWithoutOpeningAWindow)
{
    EXPECT_EQ(menuTitles(QStringLiteral("helpMenu")).first(), QStringLiteral("Průvodce funkcemi Kelvaro"));
    app->commands()->guide()->trigger();
    EXPECT_EQ(store->sidebarSelection(), std::optional<SidebarItem>(SidebarItem::guide));
    EXPECT_FALSE(app->mainWindow()->isVisible());
    app->showMainWindow();
    EXPECT_EQ(app->mainWindow()->content()->currentSection(), SidebarItem::guide);
    EXPECT_EQ(app->mainWindow()->onboarding(), nullptr) << "no welcome without its screen";
}

TEST_F(KelvaroAppTest, SwitchingToEnglishRebuildsTheWindowKeepingTheScreen)
{
    app->showMainWindow();
    store->setSidebarSelection(SidebarItem::history);
    ContentView* before = app->mainWindow()->content();
    Settings::shared().setValue(QStringLiteral("kelvaro.language"), QStringLiteral("en"));
    ASSERT_TRUE(waitUntil([&] { return app->mainWindow()->content() != before; }));
    ContentView* after = app->mainWindow()->content();
    EXPECT_EQ(after->currentSection(), SidebarItem::history);
    EXPECT_EQ(after->toolbar()->outputFolderAction()->text(), QStringLiteral("Output Folder"));
    EXPECT_EQ(app->mainWindow()->menuBar()->findChild<QMenu*>(QStringLiteral("wheelMenu"))->title(), QStringLiteral("Wheel"));
    EXPECT_EQ(app->commands()->chooseFiles()->text(), QStringLiteral("Choose Files…"));
}

TEST_F(KelvaroAppTest, StudioWindowOnlyWhileEnabled)
{
    EXPECT_FALSE(app->openStudio());
    EXPECT_EQ(app->studioWindow(), nullptr);
    const auto helpItems = [this] {
        QStringList shown;
        for (QAction* a : app->mainWindow()->menuBar()->findChild<QMenu*>(QStringLiteral("helpMenu"))->actions())
            if (a->isVisible())
                shown << (a->isSeparator() ? QStringLiteral("—") : a->text());
        return shown;
    };
    EXPECT_EQ(helpItems(), QStringList{QStringLiteral("Průvodce funkcemi Kelvaro")}) << "no studio item, no divider";
    Settings::shared().setValue(QStringLiteral("kelvaro.studio.enabled"), true);
    EXPECT_EQ(helpItems(), (QStringList{QStringLiteral("Průvodce funkcemi Kelvaro"), QStringLiteral("—"),
                                        QStringLiteral("Studio pro screenshoty…")}));
    Settings::shared().setValue(QStringLiteral("kelvaro.language"), QStringLiteral("en"));
    EXPECT_TRUE(app->openStudio());
    ASSERT_NE(app->studioWindow(), nullptr);
    EXPECT_EQ(app->studioWindow()->objectName(), QStringLiteral("studio"));
    EXPECT_EQ(app->studioWindow()->windowTitle(), QStringLiteral("Studio pro screenshoty"));
}

TEST_F(KelvaroAppTest, WithoutADesktopTrayClosingTheLastWindowQuits)
{
    EXPECT_EQ(app->tray(), nullptr);
    EXPECT_TRUE(QGuiApplication::quitOnLastWindowClosed());
    EXPECT_FALSE(app->installTray());
    ASSERT_NE(app->tray(), nullptr);
    EXPECT_FALSE(app->tray()->isAvailable());
    EXPECT_TRUE(QGuiApplication::quitOnLastWindowClosed());
}

} // namespace
