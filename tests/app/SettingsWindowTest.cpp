// The settings window and the first-run welcome inside the application, and the language
// switch's restart end to end: the built `kelvaro` takes over the running instance on a socket
// of the test's own, or, when it cannot start, the old instance keeps running.
#include <csignal>

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLockFile>
#include <QProcess>

#include "AppTestSupport.h"
#include "TestPaths.h"
#include "app/Commands.h"
#include "app/KelvaroApp.h"
#include "app/MainWindow.h"
#include "app/ScreenInstaller.h"
#include "app/SingleInstance.h"
#include "output/OutputFolder.h"
#include "platform/Settings.h"
#include "ui/design/DesignSystem.h"
#include "ui/main/ScreenFactory.h"
#include "ui/onboarding/OnboardingView.h"
#include "ui/settings/SettingsView.h"

using namespace kelvaro;
using namespace kelvaro::apptest;

namespace {

const QString kOnboarded = QStringLiteral("kelvaro.onboarded");

class SettingsWindowTest : public AppFixture {
protected:
    void SetUp() override
    {
        AppFixture::SetUp();
        Settings::shared().setValue(QStringLiteral("kelvaro.language"), QStringLiteral("cs"));
        Settings::shared().remove(kOnboarded);
        installScreens();
        KelvaroAppOptions options;
        options.useTray = false;
        app = std::make_unique<KelvaroApp>(*store, options);
    }
    void TearDown() override
    {
        app.reset();
        ScreenFactory::reset();
    }
    OnboardingView* onboarding() const
    {
        QDialog* dialog = app->mainWindow()->onboarding();
        return dialog ? dialog->findChild<OnboardingView*>() : nullptr;
    }

    std::unique_ptr<KelvaroApp> app;
};

TEST_F(SettingsWindowTest, WelcomeStaysUntilFinishedAndComesBackFromTheSettings)
{
    const QString folder = dir().filePath(QStringLiteral("Výsledky"));
    ASSERT_TRUE(QDir().mkpath(folder));
    ASSERT_TRUE(OutputFolder::remember(folder));
    app->showMainWindow();
    QDialog* dialog = app->mainWindow()->onboarding();
    ASSERT_NE(onboarding(), nullptr);
    EXPECT_EQ(dialog->windowModality(), Qt::WindowModal);
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(dialog, &escape);
    dialog->close();
    settle();
    EXPECT_TRUE(dialog->isVisible());

    OnboardingView* view = onboarding();
    EXPECT_TRUE(view->backButton()->isHidden());
    EXPECT_EQ(view->mainButton()->text(), QStringLiteral("Dál"));
    view->mainButton()->click();
    EXPECT_EQ(view->step(), 1);
    view->backButton()->click();
    EXPECT_EQ(view->step(), 0);
    view->mainButton()->click();
    view->mainButton()->click();
    EXPECT_EQ(view->mainButton()->text(), QStringLiteral("Začít"));
    EXPECT_EQ(view->folder(), std::optional<QString>(folder));
    view->mainButton()->click();
    EXPECT_EQ(Settings::shared().boolValue(kOnboarded), std::optional<bool>(true));
    ASSERT_TRUE(waitUntil([&] { return app->mainWindow()->onboarding() == nullptr; }));

    // "Zobrazit" in the settings' data section: again, from the welcome step.
    app->openSettings();
    EXPECT_EQ(app->settingsWindow()->parentWidget(), app->mainWindow()); // stays over it
    app->settingsWindow()->findChild<QAbstractButton*>(QStringLiteral("showOnboarding"))->click();
    ASSERT_NE(onboarding(), nullptr);
    EXPECT_EQ(onboarding()->step(), 0);
    onboarding()->findChild<QAbstractButton*>(QStringLiteral("skip"))->click();
    EXPECT_EQ(Settings::shared().boolValue(kOnboarded), std::optional<bool>(true));
}

TEST_F(SettingsWindowTest, LanguageFromTheWelcomeRetranslatesItAndTheSettingsInPlace)
{
    app->showMainWindow();
    app->commands()->settings()->trigger();
    ASSERT_NE(app->settingsWindow(), nullptr);
    EXPECT_EQ(app->settingsWindow()->objectName(), QStringLiteral("settings"));
    EXPECT_EQ(app->settingsWindow()->windowTitle(), QStringLiteral("Nastavení"));
    QWidget* settingsContent = app->settingsWindow()->findChild<settings::SettingsView*>();
    OnboardingView* view = onboarding();
    ASSERT_NE(view, nullptr);
    auto* language = view->findChild<QComboBox*>(QStringLiteral("language"));
    QKeyEvent down(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier);
    QApplication::sendEvent(language, &down); // Čeština → English
    settle();
    EXPECT_EQ(Settings::shared().stringListValue(QStringLiteral("AppleLanguages")), std::optional<QStringList>(QStringList{"en"}));
    EXPECT_EQ(view->mainButton()->text(), QStringLiteral("Next"));
    EXPECT_EQ(onboarding(), view); // the same welcome, not a new one
    EXPECT_EQ(app->settingsWindow()->findChild<settings::SettingsView*>(), settingsContent);
    EXPECT_EQ(app->settingsWindow()->windowTitle(), QStringLiteral("Settings"));
    EXPECT_TRUE(app->settingsWindow()->isVisible());
}

// ---- Restart ---------------------------------------------------------------------------------------
// The old instance is this test program run as a child (its quit ends it for good); it reports in
// its exit code: 1 the new process started, 2 it was asked to quit, 4 it still takes launches,
// 8 the settings say the restart failed. So the relaunch quits only once the new process started.

class QuitWatch : public QObject {
public:
    bool quitAsked = false;
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        quitAsked = quitAsked || (watched == QCoreApplication::instance() && event->type() == QEvent::Quit);
        return false;
    }
};

TEST(RestartChild, oldInstance)
{
    // The parent's settings, so that it can see what the new process starts with.
    qputenv("XDG_CONFIG_HOME", qgetenv("KELVARO_TEST_CONFIG_HOME"));
    SingleInstance instance;
    if (instance.claim({}) != SingleInstance::Role::primary)
        std::exit(64);
    QuitWatch watch;
    QCoreApplication::instance()->installEventFilter(&watch);
    Settings::shared().setValue(QStringLiteral("kelvaro.language"), QStringLiteral("cs"));
    KelvaroStore store(StoreServices{}, QStringLiteral("kelvaro.test.library"));
    bool started = false;
    settings::SettingsServices services;
    services.restart = [&] { return started = instance.relaunch(qEnvironmentVariable("KELVARO_TEST_PROGRAM")); };
    settings::SettingsView view(store, services);
    QKeyEvent down(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier);
    QApplication::sendEvent(view.findChild<QComboBox*>(QStringLiteral("language")), &down); // English
    view.findChild<QAbstractButton*>(QStringLiteral("restart"))->click();
    const bool failureShown = view.findChild<QWidget*>(QStringLiteral("restartText"))->accessibleName().contains(QStringLiteral("couldn't"));
    QMetaObject::invokeMethod(QCoreApplication::instance(), [] { QCoreApplication::exit(0); }, Qt::QueuedConnection);
    QCoreApplication::exec();
    std::exit((started ? 1 : 0) + (watch.quitAsked ? 2 : 0) + (instance.isListening() ? 4 : 0) + (failureShown ? 8 : 0));
}

// Runs the old instance on the socket `socket`, restarting into `program`; its exit code.
int runOldInstance(const QString& socket, const QString& program)
{
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QString::fromLatin1(SingleInstance::socketEnvironment), socket);
    env.insert(QStringLiteral("KELVARO_TEST_PROGRAM"), program);
    env.insert(QStringLiteral("KELVARO_TEST_CONFIG_HOME"), qEnvironmentVariable("XDG_CONFIG_HOME"));
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::ForwardedChannels);
    child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--gtest_filter=RestartChild.oldInstance")});
    if (!child.waitForFinished(60000))
        return -1;
    return child.exitStatus() == QProcess::NormalExit ? child.exitCode() : -1;
}

// The old instance hands over to the new process, which releases and then claims the socket; a
// launcher that cannot start leaves the old one running.
TEST(Restart, TheOldInstanceQuitsOnlyOnceTheNewProcessTookOverWithTheNewLanguage)
{
    const QString program = QStringLiteral(KELVARO_BUILD_DIR "/kelvaro");
    if (!QFileInfo(program).isExecutable())
        GTEST_SKIP() << "the kelvaro program is not built";
    QTemporaryDir temp;
    const QString socket = temp.filePath(QStringLiteral("instance"));
    EXPECT_EQ(runOldInstance(socket, QStringLiteral("/nonexistent/kelvaro")), 4 + 8);

    EXPECT_EQ(runOldInstance(socket, program), 1 + 2);
    ASSERT_TRUE(waitUntil([&] { return SingleInstance::send(socket, LaunchRequest{}, 500); }, 30000));
    qint64 pid = 0;
    QString host, name;
    ASSERT_TRUE(QLockFile(socket + QStringLiteral(".lock")).getLockInfo(&pid, &host, &name));
    EXPECT_EQ(QFileInfo(QStringLiteral("/proc/%1/exe").arg(pid)).canonicalFilePath(), QFileInfo(program).canonicalFilePath());
    Settings::shared().sync(); // what the new process read at its start
    EXPECT_EQ(Settings::shared().stringValue(QStringLiteral("kelvaro.language")), std::optional<QString>(QStringLiteral("en")));
    ::kill(pid_t(pid), SIGTERM);
}

} // namespace
