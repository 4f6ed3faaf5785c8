// The launcher progress and the KDE Connect sending as they really go over a (private) session bus.
#include <QDBusConnection>

#include "SessionBusFakes.h"
#include "StoreTestSupport.h"

namespace kelvaro::test {
namespace {

TEST(LauncherBusTest, RunReportsProgressOnAPrivateSessionBus)
{
    if (!hasPrivateSessionBus())
        GTEST_SKIP() << "dbus-run-session is not installed";
    EXPECT_TRUE(passesOnPrivateSessionBus(QStringLiteral("LauncherBusChild.*"), 3));
}

class LauncherBusChild : public StoreTest {};

TEST_F(LauncherBusChild, ThreeFilesShowThirdsThenHide)
{
    ASSERT_TRUE(QDBusConnection::sessionBus().isConnected());
    BusListener listener(QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("kelvaro-listener")));
    ASSERT_TRUE(listener.connected);

    rememberOutput();
    StoreServices s = services(fakeProcess);
    s.launcher = std::make_shared<DBusLauncherProgress>();
    store = std::make_unique<KelvaroStore>(std::move(s));

    ASSERT_TRUE(runOn({touch("a.jpg"), touch("b.jpg"), touch("c.jpg")}, KelvaroOp::convert(ImageFormat::png)));
    ASSERT_TRUE(waitUntil([&] {
        return !listener.updates.isEmpty() && !listener.updates.last().value("progress-visible").toBool();
    }));

    const QList<double> expected{0, 1.0 / 3, 2.0 / 3, 1};
    ASSERT_EQ(listener.updates.size(), expected.size() + 1);
    for (int i = 0; i < expected.size(); ++i) {
        EXPECT_TRUE(listener.updates[i].value("progress-visible").toBool()) << i;
        EXPECT_NEAR(listener.updates[i].value("progress").toDouble(), expected[i], 1e-9) << i;
    }
    EXPECT_EQ(listener.uris.first(), DBusLauncherProgress::applicationUri());
    EXPECT_TRUE(listener.uris.first().startsWith("application://"));
}

TEST_F(LauncherBusChild, WithoutTheKdeConnectDaemonSendingIsUnavailable)
{
    const QString a = touch("a.jpg");
    KdeConnectShare share;
    EXPECT_TRUE(share.devices().isEmpty());
    EXPECT_FALSE(share.send(QStringLiteral("phone"), a)); // what the store makes of it: the sending tests
}

TEST_F(LauncherBusChild, APhoneThatTakesSomeFilesGetsThoseAndTheRestAreCounted)
{
    FakeKdeConnect daemon;
    ASSERT_TRUE(daemon.running);
    const QString a = touch("a.jpg"), refused = touch("refused.jpg"), b = touch("b.jpg");
    KdeConnectShare share;
    ASSERT_EQ(share.devices(), (QList<NearbyDevice>{{"phone", "Pixel"}}));
    EXPECT_TRUE(share.send(QStringLiteral("phone"), a));
    EXPECT_FALSE(share.send(QStringLiteral("phone"), refused));
    EXPECT_FALSE(share.send(QStringLiteral("phone"), path("missing.jpg")));

    StoreServices s = services(fakeProcess);
    s.nearbyShare = std::make_shared<KdeConnectShare>();
    store = std::make_unique<KelvaroStore>(std::move(s));
    store->receive(QStringList{a, refused, b}, false);
    const qsizetype before = store->activities().size();
    store->perform({"KDE Connect", "airplayaudio"}, WheelMode::actions);
    ASSERT_TRUE(finished());
    EXPECT_TRUE(store->statusIsError());
    EXPECT_TRUE(store->statusMessage()->endsWith(QStringLiteral("Nepovedlo se: 1."))) << store->statusMessage()->toStdString();
    ASSERT_EQ(store->activities().size(), before + 2);
    EXPECT_EQ(store->activities()[0].fileName, "b.jpg");
    EXPECT_EQ(store->activities()[1].fileName, "a.jpg");
}

} // namespace
} // namespace kelvaro::test
