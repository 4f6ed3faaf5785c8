// The notice of a watched-folder run: the D-Bus notifier against a fake notification server on a
// private bus, and the quiet behaviour without a bus.
#include "FakeNotificationServer.h"
#include "WatcherFixture.h"

using namespace kelvaro;
using namespace kelvaro::testing;

namespace {

TEST(WatchNotifierBus, noticesReachTheServerOnAPrivateSessionBus)
{
    if (!test::hasPrivateSessionBus())
        GTEST_SKIP() << "dbus-run-session is not installed";
    EXPECT_TRUE(test::passesOnPrivateSessionBus(QStringLiteral("WatchNotifierChild.*"), 1));
}

// The server on a connection of its own, the notifier on the session bus.
class WatchNotifierChild : public WatcherFixture {
protected:
    void SetUp() override
    {
        WatcherFixture::SetUp();
        ASSERT_TRUE(server.running);
        Notifications::setCurrent(nullptr);
    }

    NotificationServerOnBus server;
};

// When a notice is due is the recording notifier's part (FolderWatcherProcessingTest).
TEST_F(WatchNotifierChild, aWatchedFolderRunReachesTheNotificationServerAsANewNotice)
{
    EXPECT_TRUE(Notifications::current().isAvailable());
    auto w = watchIn();
    step(*w);
    writeJpeg(in("a.jpg"));
    step(*w, 2);
    ASSERT_EQ(w->rules().first().processed, 1);
    ASSERT_TRUE(waitUntil([&] { return !server.received().isEmpty(); }));
    ASSERT_EQ(server.received().size(), 1);
    EXPECT_EQ(server.received()[0].appName, QStringLiteral("Kelvaro"));
    EXPECT_EQ(server.received()[0].summary, QStringLiteral("Kelvaro"));
    EXPECT_EQ(server.received()[0].replacesId, 0u); // a new notice every time
    EXPECT_EQ(server.received()[0].body, QStringLiteral("Zpracováno: 1 soubor ze složky „In“."));
}

TEST(WatchNotifierWithoutBus, sessionNotifierDegrades)
{
    // The test runner pins the session bus to nothing; post must not fail.
    qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/kelvaro-test-bus");
    Notifications::setCurrent(nullptr);
    AppActivity::setOverride(false);
    EXPECT_FALSE(Notifications::current().isAvailable());
    WatchNotifier::post(QStringLiteral("nikdo"));
    Notifications::current().requestAuthorization();
    AppActivity::setOverride(std::nullopt);
}

TEST(AppActivityTest, windowlessApplicationIsNotActive)
{
    AppActivity::setOverride(true);
    AppActivity::setOverride(std::nullopt);
    // Offscreen tests show no window, so the application is not the active one.
    EXPECT_FALSE(AppActivity::isActive());
}

} // namespace
