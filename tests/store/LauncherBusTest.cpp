// The launcher progress and the KDE Connect sending as they really go over a (private) session bus.
#include <QDBusConnection>
#include <QProcess>
#include <QStandardPaths>

#include "BusListener.h"
#include "FakeKdeConnect.h"
#include "StoreTestSupport.h"

namespace kelvaro::test {
namespace {

// Runs the child test below inside `dbus-run-session`, so nothing reaches the user's bus.
TEST(LauncherBusTest, RunReportsProgressOnAPrivateSessionBus)
{
    const QString runner = QStandardPaths::findExecutable(QStringLiteral("dbus-run-session"));
    if (runner.isEmpty())
        GTEST_SKIP() << "dbus-run-session is not installed";
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"));
    env.insert(QStringLiteral("KELVARO_TEST_PRIVATE_BUS"), QStringLiteral("1"));
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(runner, {QStringLiteral("--"), QCoreApplication::applicationFilePath(),
                         QStringLiteral("--gtest_filter=LauncherBusChild.*")});
    ASSERT_TRUE(child.waitForFinished(60000));
    const QString output = QString::fromUtf8(child.readAll());
    EXPECT_EQ(child.exitCode(), 0) << output.toStdString();
    EXPECT_TRUE(output.contains(QLatin1String("[  PASSED  ] 3 tests"))) << output.toStdString();
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

    // One file: no launcher traffic at all.
    store->receive(QStringList{touch("one.jpg")}, false);
    store->run(KelvaroOp::convert(ImageFormat::png));
    ASSERT_TRUE(waitUntil([&] { return !store->isWorking(); }));
    waitUntil([] { return false; }, 300);
    EXPECT_TRUE(listener.updates.isEmpty());

    store->receive(QStringList{touch("a.jpg"), touch("b.jpg"), touch("c.jpg")}, false);
    store->run(KelvaroOp::convert(ImageFormat::png));
    ASSERT_TRUE(waitUntil([&] { return !store->isWorking(); }));
    ASSERT_TRUE(waitUntil([&] {
        return !listener.updates.isEmpty() && !listener.updates.last().value("progress-visible").toBool();
    }, 10000));

    const QList<double> expected{0, 1.0 / 3, 2.0 / 3, 1};
    ASSERT_EQ(listener.updates.size(), expected.size() + 1);
    for (int i = 0; i < expected.size(); ++i) {
        EXPECT_TRUE(listener.updates[i].value("progress-visible").toBool()) << i;
        EXPECT_NEAR(listener.updates[i].value("progress").toDouble(), expected[i], 1e-9) << i;
    }
    EXPECT_FALSE(listener.updates.last().value("progress-visible").toBool());
    EXPECT_EQ(listener.uris.first(), DBusLauncherProgress::applicationUri());
    EXPECT_TRUE(listener.uris.first().startsWith("application://"));
}

TEST_F(LauncherBusChild, WithoutTheKdeConnectDaemonSendingIsUnavailable)
{
    const QString a = touch("a.jpg");
    KdeConnectShare share;
    EXPECT_TRUE(share.devices().isEmpty());
    EXPECT_FALSE(share.send(QStringLiteral("phone"), a));

    StoreServices s = services(fakeProcess);
    s.nearbyShare = std::make_shared<KdeConnectShare>();
    store = std::make_unique<KelvaroStore>(std::move(s));
    store->receive(QStringList{a}, false);
    store->perform({"KDE Connect", "airplayaudio"}, WheelMode::actions);
    ASSERT_TRUE(waitUntil([&] { return !store->isWorking(); }));
    EXPECT_TRUE(store->statusIsError());
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
    ASSERT_TRUE(waitUntil([&] { return !store->isWorking(); }));
    EXPECT_TRUE(store->statusIsError());
    EXPECT_TRUE(store->statusMessage()->endsWith(QStringLiteral("Nepovedlo se: 1."))) << store->statusMessage()->toStdString();
    ASSERT_EQ(store->activities().size(), before + 2);
    EXPECT_EQ(store->activities()[0].fileName, "b.jpg");
    EXPECT_EQ(store->activities()[1].fileName, "a.jpg");
}

} // namespace
} // namespace kelvaro::test
