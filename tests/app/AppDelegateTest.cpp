// The intake of files from outside the windows (opened files arriving are the single-instance
// tests' hand-off from the real program), and the order in which the long-running services start.
#include <QGuiApplication>

#include "AppTestSupport.h"
#include "app/AppDelegate.h"
#include "app/SingleInstance.h"
#include "watch/FolderWatcher.h"

using namespace kelvaro;
using namespace kelvaro::apptest;

namespace {

class AppDelegateTest : public AppFixture {
protected:
    void SetUp() override
    {
        AppFixture::SetUp();
        hooks.showMainWindow = [this] { calls << QStringLiteral("window"); };
    }

    FolderWatcher watcher;
    AppDelegate::Hooks hooks;
    QStringList calls;
};

TEST_F(AppDelegateTest, NoFilesChangeNothingAndABareLaunchOnlyBringsTheWindowForward)
{
    AppDelegate delegate(*store, watcher, hooks);
    const QString old = writePhoto(dir(), QStringLiteral("old.jpg"));
    store->receive(QStringList{old}, false);
    store->setSidebarSelection(SidebarItem::history);
    delegate.accept({});
    delegate.handle(LaunchRequest{{}, false});
    EXPECT_TRUE(calls.isEmpty());
    delegate.handle(LaunchRequest{{}, true});
    EXPECT_EQ(calls, QStringList{QStringLiteral("window")});
    EXPECT_EQ(store->droppedFiles(), QStringList{old});
    EXPECT_EQ(store->sidebarSelection(), SidebarItem::history);
}

// The process outlives its last window only when the desktop shows the tray item; until the
// tray step has run, the application's own setting stands.
TEST_F(AppDelegateTest, KeepsRunningAfterTheLastWindowOnlyWithATray)
{
    const bool before = QGuiApplication::quitOnLastWindowClosed();
    for (const bool shown : {true, false}) {
        QGuiApplication::setQuitOnLastWindowClosed(shown);
        hooks.installTray = [shown] { return shown; };
        AppDelegate delegate(*store, watcher, hooks);
        EXPECT_EQ(QGuiApplication::quitOnLastWindowClosed(), shown);
        delegate.didFinishLaunching();
        settle();
        EXPECT_EQ(QGuiApplication::quitOnLastWindowClosed(), !shown) << shown;
    }
    QGuiApplication::setQuitOnLastWindowClosed(before);
}

TEST_F(AppDelegateTest, ServicesStartAfterLaunchInOrder)
{
    hooks.startUpdateChecker = [this] {
        calls << (watcher.isStarted() ? QStringLiteral("updates after watcher") : QStringLiteral("updates first"));
    };
    hooks.installTray = [this] {
        calls << QStringLiteral("tray");
        return false;
    };
    AppDelegate delegate(*store, watcher, hooks);
    delegate.didFinishLaunching();
    // Nothing runs inside the launch call itself: the first window is drawn first.
    EXPECT_FALSE(watcher.isStarted());
    EXPECT_TRUE(calls.isEmpty());
    settle();
    EXPECT_TRUE(watcher.isStarted());
    EXPECT_EQ(calls, (QStringList{QStringLiteral("updates after watcher"), QStringLiteral("tray")}));
}

} // namespace
