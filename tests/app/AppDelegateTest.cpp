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

// Nothing runs inside the launch call itself: the first window is drawn first. The process then
// outlives its last window only when the desktop shows the tray item; until the tray step has
// run, the application's own setting stands.
TEST_F(AppDelegateTest, ServicesStartAfterLaunchInOrderAndTheProcessOutlivesItsWindowsOnlyWithATray)
{
    const bool before = QGuiApplication::quitOnLastWindowClosed();
    for (const bool shown : {true, false}) {
        FolderWatcher fresh;
        calls.clear();
        hooks.startUpdateChecker = [&] {
            calls << (fresh.isStarted() ? QStringLiteral("updates after watcher") : QStringLiteral("updates first"));
        };
        hooks.installTray = [&] {
            calls << QStringLiteral("tray");
            return shown;
        };
        QGuiApplication::setQuitOnLastWindowClosed(shown);
        AppDelegate delegate(*store, fresh, hooks);
        delegate.didFinishLaunching();
        EXPECT_FALSE(fresh.isStarted());
        EXPECT_TRUE(calls.isEmpty());
        EXPECT_EQ(QGuiApplication::quitOnLastWindowClosed(), shown);
        passPostedEvents();
        EXPECT_TRUE(fresh.isStarted());
        EXPECT_EQ(calls, (QStringList{QStringLiteral("updates after watcher"), QStringLiteral("tray")}));
        EXPECT_EQ(QGuiApplication::quitOnLastWindowClosed(), !shown) << shown;
    }
    QGuiApplication::setQuitOnLastWindowClosed(before);
}

} // namespace
