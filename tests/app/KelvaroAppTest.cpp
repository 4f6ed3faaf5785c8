// The application: its commands (Ctrl+Q from every window), the windows it owns and how they follow
// the language, the welcome over the main window and the settings window.
#include <functional>

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include "app/Commands.h"
#include "app/KelvaroApp.h"
#include "app/MainWindow.h"
#include "app/QuickLookSupport.h"
#include "app/QuitGuard.h"
#include "app/QuitQuestion.h"
#include "app/ScreenInstaller.h"
#include "app/TrayIcon.h"
#include "l10n/Localization.h"
#include "model/GuideContent.h"
#include "output/OutputFolder.h"
#include "platform/FileManager.h"
#include "platform/FileSystem.h"
#include "platform/FolderChooser.h"
#include "platform/widgets/FileDialogFolderChooser.h"
#include "platform/Settings.h"
#include "store/KelvaroStore.h"
#include "../support/SmallDisk.h"
#include "../support/TestSupport.h"
#include "../support/WidgetEvents.h"
#include "ui/design/DesignSystem.h"
#include "ui/main/ContentView.h"
#include "ui/main/ScreenFactory.h"
#include "ui/main/WindowToolbar.h"
#include "ui/onboarding/OnboardingView.h"
#include "ui/settings/SettingsView.h"

using namespace kelvaro;

namespace {

using test::passPostedEvents;
using test::waitUntil;

const QString kOnboarded = QStringLiteral("kelvaro.onboarded");

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

    // The items a menu shows.
    QStringList menuTitles(const QString& objectName) const
    {
        QStringList titles;
        QMenu* menu = app->mainWindow()->menuBar()->findChild<QMenu*>(objectName);
        if (!menu)
            return titles;
        for (QAction* a : menu->actions())
            if (a->isVisible())
                titles << (a->isSeparator() ? QStringLiteral("—") : a->text());
        return titles;
    }

    std::unique_ptr<KelvaroStore> store;
    std::unique_ptr<KelvaroApp> app;
};

// With every screen installed and the welcome not yet done.
class KelvaroAppWithScreensTest : public KelvaroAppTest {
protected:
    void SetUp() override
    {
        Settings::shared().remove(kOnboarded);
        installScreens();
        KelvaroAppTest::SetUp();
    }
    void TearDown() override
    {
        KelvaroAppTest::TearDown();
        ScreenFactory::reset();
    }
    OnboardingView* onboarding() const
    {
        QDialog* dialog = app->mainWindow()->onboarding();
        return dialog ? dialog->findChild<OnboardingView*>() : nullptr;
    }
};

// The guide's list of shortcuts is what the commands are bound to.
TEST_F(KelvaroAppTest, EveryShortcutTheGuideListsIsBoundToACommand)
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

TEST_F(KelvaroAppTest, SwitchingToEnglishRebuildsTheWindowKeepingTheScreenAndRetitlesTheSettings)
{
    app->showMainWindow();
    store->setSidebarSelection(SidebarItem::history);
    app->openSettings();
    ContentView* before = app->mainWindow()->content();
    Settings::shared().setValue(QStringLiteral("kelvaro.language"), QStringLiteral("en"));
    ASSERT_TRUE(waitUntil([&] { return app->mainWindow()->content() != before; }));
    ContentView* after = app->mainWindow()->content();
    EXPECT_EQ(after->currentSection(), SidebarItem::history);
    EXPECT_EQ(after->toolbar()->outputFolderAction()->text(), QStringLiteral("Output Folder"));
    EXPECT_EQ(app->mainWindow()->menuBar()->findChild<QMenu*>(QStringLiteral("wheelMenu"))->title(), QStringLiteral("Wheel"));
    EXPECT_EQ(app->commands()->chooseFiles()->text(), QStringLiteral("Choose Files…"));
    EXPECT_EQ(app->settingsWindow()->windowTitle(), QStringLiteral("Settings"));
}

TEST_F(KelvaroAppTest, StudioWindowOnlyWhileEnabled)
{
    EXPECT_FALSE(app->openStudio());
    EXPECT_EQ(app->studioWindow(), nullptr);
    EXPECT_EQ(menuTitles(QStringLiteral("helpMenu")), QStringList{QStringLiteral("Průvodce funkcemi Kelvaro")})
        << "no studio item, no divider";
    Settings::shared().setValue(QStringLiteral("kelvaro.studio.enabled"), true);
    EXPECT_EQ(menuTitles(QStringLiteral("helpMenu")), (QStringList{QStringLiteral("Průvodce funkcemi Kelvaro"), QStringLiteral("—"),
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

// The tray's drop window holds whatever is installed as its screen, built once and kept.
TEST_F(KelvaroAppTest, TheTraysDropWindowHoldsTheInstalledScreenAndToggles)
{
    const auto uninstall = qScopeGuard([] { ScreenFactory::reset(); });
    int built = 0;
    ScreenFactory::install(Screen::dropWindow, [&built](const ScreenContext&, QWidget* parent) -> QWidget* {
        ++built;
        auto* content = new QWidget(parent);
        content->setObjectName(QStringLiteral("installedContent"));
        return content;
    });
    const QPoint near(100, 100);
    app->toggleDropWindow(near);
    ASSERT_NE(app->dropWindow(), nullptr);
    EXPECT_TRUE(app->dropWindow()->isVisible());
    EXPECT_NE(app->dropWindow()->findChild<QWidget*>(QStringLiteral("installedContent")), nullptr);
    app->toggleDropWindow(near);
    EXPECT_FALSE(app->dropWindow()->isVisible());
    app->toggleDropWindow(near);
    EXPECT_TRUE(app->dropWindow()->isVisible());
    EXPECT_EQ(built, 1);
}

// A settings file that could not be read is no first start: the window comes up without the
// welcome, and the next start will not show it either. The settings open there for the first time,
// in a process of its own: the file kept aside is this process's for good.
TEST(KelvaroAppKeptAside, NoWelcomeAfterAnUnreadableSettingsFile)
{
    EXPECT_TRUE(test::passesInFreshProcess(QStringLiteral("KelvaroAppKeptAsideChild.*"), 1));
}

TEST(KelvaroAppKeptAsideChild, noWelcomeAfterAnUnreadableSettingsFile)
{
    const QString folder = qEnvironmentVariable("XDG_CONFIG_HOME") + QStringLiteral("/Kelvaro");
    ASSERT_TRUE(QDir().mkpath(folder));
    test::writeFile(folder + QStringLiteral("/kelvaro.json"), QByteArray(R"({"kelvaro.onboarded": tr)"));
    installScreens();
    {
        KelvaroStore store(StoreServices{}, QStringLiteral("kelvaro.test.library"));
        KelvaroAppOptions options;
        options.fileManager = std::make_shared<RecordingFileManager>();
        options.useTray = false;
        KelvaroApp app(store, options);
        app.showMainWindow();
        ASSERT_TRUE(waitUntil([] { return Settings::shared().boolValue(kOnboarded).value_or(false); }));
        passPostedEvents();
        EXPECT_EQ(app.mainWindow()->onboarding(), nullptr);
        EXPECT_FALSE(Settings::shared().keptAside().isEmpty());
    }
    ScreenFactory::reset();
}

// Nor is one that could not even be moved aside, its folder read-only: the window comes up
// without the welcome and without the sample history, which would stand for the user's, and the
// history is as unreadable as a spoiled one. Nothing is written over the file.
TEST(KelvaroAppKeptAside, NoWelcomeNorSampleHistoryWhenTheUnreadableFileCannotBeMoved)
{
    QTemporaryDir probe;
    test::SmallDisk disk(probe.path(), 64 * 1024);
    if (!disk.isMounted())
        GTEST_SKIP() << disk.whyNot().toStdString();
    EXPECT_TRUE(test::passesInFreshProcess(QStringLiteral("KelvaroAppStuckChild.*"), 1));
}

TEST(KelvaroAppStuckChild, noWelcomeNorSampleHistoryWhenTheUnreadableFileCannotBeMoved)
{
    const QString folder = qEnvironmentVariable("XDG_CONFIG_HOME") + QStringLiteral("/Kelvaro");
    test::SmallDisk disk(folder, 64 * 1024);
    ASSERT_TRUE(disk.isMounted()) << disk.whyNot().toStdString();
    const QByteArray spoiled(R"({"kelvaro.onboarded": true, "kelvaro.library.v1": {"data": "eyJh)");
    test::writeFile(folder + QStringLiteral("/kelvaro.json"), spoiled);
    ASSERT_TRUE(disk.makeReadOnly());
    installScreens();
    {
        KelvaroStore store(StoreServices{}, QString::fromLatin1(KelvaroStore::defaultStorageKey));
        EXPECT_TRUE(store.activities().isEmpty());
        EXPECT_TRUE(store.shelves().isEmpty());
        EXPECT_FALSE(store.canPersist());
        KelvaroAppOptions options;
        options.fileManager = std::make_shared<RecordingFileManager>();
        options.useTray = false;
        KelvaroApp app(store, options);
        app.showMainWindow();
        ASSERT_TRUE(waitUntil([&] { return app.mainWindow()->isVisible(); }));
        passPostedEvents();
        EXPECT_EQ(app.mainWindow()->onboarding(), nullptr);
    }
    ScreenFactory::reset();
    EXPECT_EQ(test::readFile(folder + QStringLiteral("/kelvaro.json")), spoiled);
}

TEST_F(KelvaroAppWithScreensTest, WelcomeStaysUntilFinishedAndComesBackFromTheSettings)
{
    QTemporaryDir temp;
    const QString folder = temp.filePath(QStringLiteral("Výsledky"));
    ASSERT_TRUE(QDir().mkpath(folder));
    ASSERT_TRUE(OutputFolder::remember(folder));
    app->showMainWindow();
    ASSERT_TRUE(waitUntil([&] { return onboarding() != nullptr; })) << "no welcome";
    QDialog* dialog = app->mainWindow()->onboarding();
    EXPECT_EQ(dialog->windowModality(), Qt::WindowModal);
    test::pressKey(dialog, Qt::Key_Escape);
    dialog->close();
    passPostedEvents();
    EXPECT_TRUE(dialog->isVisible());

    OnboardingView* view = onboarding();
    EXPECT_TRUE(view->backButton()->isHidden());
    EXPECT_EQ(view->mainButton()->text(), QStringLiteral("Dál"));
    // Each step is waited for: the view may take a moment to change steps.
    const auto showsStep = [&](int step) { return waitUntil([&] { return view->step() == step; }); };
    view->mainButton()->click();
    ASSERT_TRUE(showsStep(1));
    view->backButton()->click();
    ASSERT_TRUE(showsStep(0));
    view->mainButton()->click();
    ASSERT_TRUE(showsStep(1));
    view->mainButton()->click();
    ASSERT_TRUE(showsStep(2));
    view->backButton()->click();
    ASSERT_TRUE(showsStep(1)) << "\"Zpět\" goes back one step, not to the first";
    view->mainButton()->click();
    ASSERT_TRUE(showsStep(2));
    EXPECT_EQ(view->mainButton()->text(), QStringLiteral("Začít"));
    EXPECT_EQ(view->folder(), std::optional<QString>(folder));
    view->mainButton()->click();
    EXPECT_EQ(Settings::shared().boolValue(kOnboarded), std::optional<bool>(true));
    ASSERT_TRUE(waitUntil([&] { return app->mainWindow()->onboarding() == nullptr; }));

    // "Zobrazit" in the settings' data section: again, from the welcome step.
    app->openSettings();
    EXPECT_EQ(app->settingsWindow()->parentWidget(), app->mainWindow()); // stays over it
    const QWidget* settingsWindow = app->settingsWindow();
    EXPECT_TRUE(settingsWindow->size() == settings::SettingsView::frame) << settingsWindow->width() << "×" << settingsWindow->height();
    EXPECT_TRUE(settingsWindow->minimumSize() == settingsWindow->maximumSize()) << "the frame is fixed";
    app->settingsWindow()->findChild<QAbstractButton*>(QStringLiteral("showOnboarding"))->click();
    ASSERT_NE(onboarding(), nullptr);
    EXPECT_EQ(onboarding()->step(), 0);
    onboarding()->findChild<QAbstractButton*>(QStringLiteral("skip"))->click();
    EXPECT_EQ(Settings::shared().boolValue(kOnboarded), std::optional<bool>(true));
}

TEST_F(KelvaroAppWithScreensTest, LanguageFromTheWelcomeRetranslatesItAndTheSettingsInPlace)
{
    app->showMainWindow();
    app->commands()->settings()->trigger();
    ASSERT_NE(app->settingsWindow(), nullptr);
    EXPECT_EQ(app->settingsWindow()->objectName(), QStringLiteral("settings"));
    EXPECT_EQ(app->settingsWindow()->windowTitle(), QStringLiteral("Nastavení"));
    QWidget* settingsContent = app->settingsWindow()->findChild<settings::SettingsView*>();
    ASSERT_TRUE(waitUntil([&] { return onboarding() != nullptr; })) << "no welcome";
    OnboardingView* view = onboarding();
    auto* language = view->findChild<QComboBox*>(QStringLiteral("language"));
    test::pressKey(language, Qt::Key_Down); // Čeština → English
    passPostedEvents();
    EXPECT_EQ(Settings::shared().stringListValue(QStringLiteral("AppleLanguages")), std::optional<QStringList>(QStringList{"en"}));
    EXPECT_EQ(view->mainButton()->text(), QStringLiteral("Next"));
    EXPECT_EQ(onboarding(), view); // the same welcome, not a new one
    EXPECT_EQ(app->settingsWindow()->findChild<settings::SettingsView*>(), settingsContent);
    EXPECT_EQ(app->settingsWindow()->windowTitle(), QStringLiteral("Settings"));
    EXPECT_TRUE(app->settingsWindow()->isVisible());
}

// A first start: the welcome is the active window over the main window, so Return goes on at
// once; should the blocked main window be activated (a click on it), the keys go back to the welcome.
TEST_F(KelvaroAppWithScreensTest, OnAFirstStartTheWelcomeIsActiveAndReturnGoesOnAtOnce)
{
    app->showMainWindow();
    const auto welcomeActive = [&] {
        return onboarding() && QApplication::activeWindow() == app->mainWindow()->onboarding();
    };
    ASSERT_TRUE(waitUntil(welcomeActive)) << "the welcome never became the active window";
    ASSERT_TRUE(test::typeKey(Qt::Key_Return));
    EXPECT_EQ(onboarding()->step(), 1);

    app->mainWindow()->activateWindow();
    ASSERT_TRUE(waitUntil(welcomeActive)) << "the welcome lost the keys to the main window";
    ASSERT_TRUE(test::typeKey(Qt::Key_Return));
    EXPECT_EQ(onboarding()->step(), 2);
}

// "Zobrazit" in the settings brings the welcome over the main window; once it is done, the settings
// window that asked for it is the active window again, not the main window its closing raises.
TEST_F(KelvaroAppWithScreensTest, TheSettingsWindowComesBackAfterTheWelcomeItAskedFor)
{
    Settings::shared().setValue(kOnboarded, true);
    app->showMainWindow();
    app->openSettings();
    QWidget* settingsWindow = app->settingsWindow();
    ASSERT_TRUE(waitUntil([&] { return QApplication::activeWindow() == settingsWindow; })) << "the settings never became active";
    settingsWindow->findChild<QAbstractButton*>(QStringLiteral("showOnboarding"))->click();
    ASSERT_TRUE(waitUntil([&] { return onboarding() && QApplication::activeWindow() == app->mainWindow()->onboarding(); }))
        << "the welcome never became active";
    onboarding()->findChild<QAbstractButton*>(QStringLiteral("skip"))->click();
    ASSERT_TRUE(waitUntil([&] { return app->mainWindow()->onboarding() == nullptr; }));
    EXPECT_TRUE(waitUntil([&] { return QApplication::activeWindow() == settingsWindow; }))
        << "active: " << (QApplication::activeWindow() ? qPrintable(QApplication::activeWindow()->objectName()) : "none");
}

// A window manager places the main window after the welcome has come up: the welcome follows it
// and stands centred over it, as a sheet does.
TEST_F(KelvaroAppWithScreensTest, TheWelcomeStaysCentredOverTheMainWindowWhenItIsPlaced)
{
    app->showMainWindow();
    ASSERT_TRUE(waitUntil([&] { return onboarding() && app->mainWindow()->onboarding()->isVisible(); }));
    app->mainWindow()->move(-90, 60);
    QWidget* welcome = app->mainWindow()->onboarding();
    const auto offset = [&] { return (welcome->frameGeometry().center() - app->mainWindow()->frameGeometry().center()).manhattanLength(); };
    EXPECT_TRUE(waitUntil([&] { return offset() <= 2; })) << "the welcome is " << offset() << " px off the window's centre";
}

// The folder dialog belongs to the window whose button asked, and that window is active again once
// the dialog closes: the welcome and the settings window.
struct FolderAsker {
    const char* name;
    std::function<QWidget*(KelvaroApp&)> open; // the asking window, shown
    const char* button;
};

class FolderDialogOwner : public KelvaroAppWithScreensTest, public ::testing::WithParamInterface<FolderAsker> {
protected:
    void SetUp() override
    {
        KelvaroAppWithScreensTest::SetUp();
        FolderChooser::setShared(std::make_shared<FileDialogFolderChooser>(app->mainWindow()));
    }
    void TearDown() override
    {
        FolderChooser::setShared(nullptr);
        KelvaroAppWithScreensTest::TearDown();
    }
};

TEST_P(FolderDialogOwner, TheAskingWindowOwnsTheDialogAndIsActiveAfterIt)
{
    app->showMainWindow();
    QWidget* asking = GetParam().open(*app);
    ASSERT_NE(asking, nullptr);
    ASSERT_TRUE(waitUntil([&] { return QApplication::activeWindow() == asking; })) << "the asking window never became active";
    auto* button = asking->findChild<QAbstractButton*>(QString::fromLatin1(GetParam().button));
    ASSERT_NE(button, nullptr);

    test::DialogCanceller<FolderDialog> user;
    button->click(); // returns once the dialog is cancelled
    EXPECT_EQ(user.shown, 1);
    EXPECT_EQ(user.parent, asking);
    EXPECT_TRUE(waitUntil([&] { return QApplication::activeWindow() == asking; }))
        << "the asking window is not active after the dialog";
}

INSTANTIATE_TEST_SUITE_P(
    Windows, FolderDialogOwner,
    ::testing::Values(FolderAsker{"welcome",
                                  [](KelvaroApp& app) -> QWidget* {
                                      waitUntil([&] { return app.mainWindow()->onboarding() != nullptr; });
                                      QDialog* dialog = app.mainWindow()->onboarding();
                                      if (auto* view = dialog ? dialog->findChild<OnboardingView*>() : nullptr) {
                                          view->advance();
                                          view->advance();
                                      }
                                      return dialog;
                                  },
                                  "chooseFolder"},
                      FolderAsker{"settings",
                                  [](KelvaroApp& app) {
                                      Settings::shared().setValue(kOnboarded, true);
                                      app.openSettings();
                                      return app.settingsWindow();
                                  },
                                  "changeFolder"}),
    test::RowName());

// The settings window opens centred over the main window and wholly on the screen, wherever the
// main window stands (the offscreen screen is 800 × 800).
struct MainWindowSpot {
    const char* name;
    QPoint at;
    bool centred; // the whole window fits centred
};

class SettingsPlacement : public KelvaroAppTest, public ::testing::WithParamInterface<MainWindowSpot> {};

TEST_P(SettingsPlacement, CentredOverTheMainWindowAndOnTheScreen)
{
    Settings::shared().setValue(kOnboarded, true);
    app->mainWindow()->move(GetParam().at);
    app->showMainWindow();
    app->openSettings();
    QWidget* settingsWindow = app->settingsWindow();
    ASSERT_TRUE(waitUntil([&] { return settingsWindow->isVisible(); }));
    const QRect frame = settingsWindow->frameGeometry();
    const QRect main = app->mainWindow()->frameGeometry();
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_TRUE(screen.contains(frame)) << frame.x() << "," << frame.y() << " " << frame.width() << "×" << frame.height();
    if (GetParam().centred) {
        EXPECT_LE((frame.center() - main.center()).manhattanLength(), 2)
            << frame.center().x() << "," << frame.center().y() << " over " << main.center().x() << "," << main.center().y();
    }
}

INSTANTIATE_TEST_SUITE_P(Spots, SettingsPlacement,
                         ::testing::Values(MainWindowSpot{"overTheMiddle", {-90, 60}, true},
                                           MainWindowSpot{"nearTheBottomRight", {300, 420}, false},
                                           MainWindowSpot{"offTheTopLeft", {-700, -500}, false}),
                         test::RowName());

// Ctrl+Q reaches the quit, and so the quit question, from whichever window of the application has
// the keyboard, not only from the main window whose menu holds the command.
struct QuitKeyRow {
    const char* name;
    std::function<QWidget*(KelvaroApp&)> open; // opens the window, which is to take the keyboard
};

class QuitKeyFromEveryWindow : public KelvaroAppTest, public ::testing::WithParamInterface<QuitKeyRow> {
protected:
    void SetUp() override
    {
        KelvaroAppTest::SetUp();
        Settings::shared().setValue(kOnboarded, true);
        Settings::shared().setValue(QStringLiteral("kelvaro.studio.enabled"), true);
        ScreenFactory::install(Screen::dropWindow, [](const ScreenContext&, QWidget* parent) -> QWidget* {
            auto* content = new QWidget(parent);
            content->setFixedSize(240, 160);
            return content;
        });
    }
    void TearDown() override
    {
        FileSystem::setCurrent(nullptr);
        ScreenFactory::reset();
        KelvaroAppTest::TearDown();
        Settings::shared().sync();
    }
};

TEST_P(QuitKeyFromEveryWindow, CtrlQAsksTheQuitQuestion)
{
    app->showMainWindow();
    QWidget* window = GetParam().open(*app);
    ASSERT_NE(window, nullptr);
    window->activateWindow();
    ASSERT_TRUE(waitUntil([&] { return QGuiApplication::focusWindow() == window->windowHandle(); }))
        << "the window never took the keyboard";
    // Changes the full disk refuses: the quit asks before it ends.
    FailingFileSystem disk;
    disk.writeBudget = 0;
    FileSystem::setCurrent(&disk);
    ASSERT_FALSE(Settings::shared().setValue(QStringLiteral("kelvaro.quitKeyTest.pending"), 1));
    int quits = 0;
    QuitGuard guard(Settings::shared(), [&quits] { ++quits; });

    // The command acts only inside the application's loop.
    QTimer::singleShot(0, [] { test::typeKey(Qt::Key_Q, Qt::ControlModifier); });
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (guard.question() || quits > 0)
            QCoreApplication::exit(0);
    });
    poll.start(0);
    QTimer limit; // a key that reached nothing
    limit.setSingleShot(true);
    QObject::connect(&limit, &QTimer::timeout, [] { QCoreApplication::exit(1); });
    limit.start(10000);
    EXPECT_EQ(QCoreApplication::exec(), 0) << "Ctrl+Q did nothing";
    ASSERT_NE(guard.question(), nullptr);
    EXPECT_EQ(quits, 0);
    guard.question()->reject();
}

INSTANTIATE_TEST_SUITE_P(
    Windows, QuitKeyFromEveryWindow,
    ::testing::Values(QuitKeyRow{"main", [](KelvaroApp& app) -> QWidget* { return app.mainWindow(); }},
                      QuitKeyRow{"settings",
                                 [](KelvaroApp& app) {
                                     app.openSettings();
                                     return app.settingsWindow();
                                 }},
                      QuitKeyRow{"studio",
                                 [](KelvaroApp& app) {
                                     app.openStudio();
                                     return app.studioWindow();
                                 }},
                      QuitKeyRow{"dropWindow",
                                 [](KelvaroApp& app) {
                                     app.toggleDropWindow(QPoint(100, 100));
                                     return app.dropWindow();
                                 }},
                      QuitKeyRow{"quickLook",
                                 [](KelvaroApp& app) -> QWidget* {
                                     auto* panel = new QuickLookPanel(app.mainWindow());
                                     panel->setAttribute(Qt::WA_DeleteOnClose);
                                     panel->show();
                                     return panel;
                                 }}),
    test::RowName());

} // namespace
