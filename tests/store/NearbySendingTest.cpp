// Sending the wheel's files over KDE Connect: one device or a question, in the background with
// progress and cancel, what went out booked in the history.
#include "StoreTestSupport.h"

namespace kelvaro::test {
namespace {

using NearbySendingTest = StoreTest;

// Unavailable, all taken, partly refused, all refused: what went out is booked, the rest counted.
TEST_F(NearbySendingTest, SendingGoesThroughKdeConnectOrSaysItIsUnavailable)
{
    KelvaroStore& s = makeStore(fakeProcess);
    const QString a = touch("a.jpg"), b = touch("b.jpg"), c = touch("c.jpg");
    s.receive(QStringList{a, b}, false);
    const int before = int(s.activities().size());
    const QString unavailable = QStringLiteral("KDE Connect teď není dostupné. Spáruj telefon a zapni KDE Connect.");

    share->available = false;
    s.perform({"KDE Connect", "x"}, WheelMode::actions);
    ASSERT_TRUE(finished());
    EXPECT_TRUE(s.statusIsError());
    EXPECT_EQ(s.statusMessage(), unavailable);
    EXPECT_EQ(s.activities().size(), before);

    // One reachable device: no question, the files go there.
    share->available = true;
    s.perform({"KDE Connect", "x"}, WheelMode::actions);
    ASSERT_TRUE(finished());
    EXPECT_TRUE(s.nearbyChoice().isEmpty());
    EXPECT_FALSE(s.statusIsError());
    EXPECT_EQ(s.statusMessage(), QStringLiteral("Soubory posílám přes KDE Connect do zařízení „Telefon“."));
    EXPECT_EQ(share->sent, (QList<std::pair<QString, QString>>{{"phone", a}, {"phone", b}}));
    ASSERT_EQ(s.activities().size(), before + 2);
    EXPECT_EQ(s.activities().first().fileName, "b.jpg");
    EXPECT_EQ(s.activities().first().actionTitle, "KDE Connect");
    EXPECT_EQ(s.activities().first().symbol, "airplayaudio");
    EXPECT_FALSE(s.undoState().has_value());

    s.receive(QStringList{a, b, c}, false);
    share->refused = {a, c};
    s.perform({"KDE Connect", "x"}, WheelMode::actions);
    ASSERT_TRUE(finished());
    EXPECT_TRUE(s.statusIsError());
    EXPECT_EQ(s.statusMessage(),
              QStringLiteral("Soubory posílám přes KDE Connect do zařízení „Telefon“. Nepovedlo se: 2."));
    ASSERT_EQ(s.activities().size(), before + 3);
    EXPECT_EQ(s.activities().first().fileName, "b.jpg");

    // Nothing taken at all is the service being unavailable, with nothing recorded.
    share->refused = {a, b, c};
    s.perform({"KDE Connect", "x"}, WheelMode::actions);
    ASSERT_TRUE(finished());
    EXPECT_EQ(s.statusMessage(), unavailable);
    EXPECT_EQ(s.activities().size(), before + 3);
}

TEST_F(NearbySendingTest, SeveralDevicesAreAskedForAndThePickIsNotRemembered)
{
    KelvaroStore& s = makeStore(fakeProcess);
    const QString a = touch("a.jpg");
    s.receive(QStringList{a}, false);
    share->reachable = {{"tablet", "Tablet"}, {"phone", "Telefon"}};
    SignalCounter choices(&s, &KelvaroStore::nearbyChoiceChanged);

    s.perform({"KDE Connect", "x"}, WheelMode::actions);
    ASSERT_TRUE(finished());
    EXPECT_EQ(s.nearbyChoice(), share->reachable);
    EXPECT_EQ(choices.count, 1);
    EXPECT_TRUE(share->sent.isEmpty());
    EXPECT_FALSE(s.statusMessage().has_value());

    s.sendToDevice("phone");
    EXPECT_TRUE(s.nearbyChoice().isEmpty());
    ASSERT_TRUE(finished());
    EXPECT_EQ(share->sent, (QList<std::pair<QString, QString>>{{"phone", a}}));

    // The next sending asks again; a dismissed question sends nothing.
    s.perform({"KDE Connect", "x"}, WheelMode::actions);
    ASSERT_TRUE(waitUntil([&] { return !s.nearbyChoice().isEmpty(); }));
    s.dismissNearbyChoice();
    s.sendToDevice("tablet");
    EXPECT_FALSE(s.isWorking());
    EXPECT_EQ(share->sent.size(), 1);
}

// A device that takes its time: each hand-over waits until the test lets it go, so the main
// thread is seen free, progress climbs and a cancel stops before the next file.
class GatedShare : public RecordingNearbyShare {
public:
    bool send(const QString& deviceId, const QString& path) override
    {
        entered.release();
        // A generous limit turns a sending that blocks the main thread into a failure, not a hang.
        if (!proceed.tryAcquire(1, 60000))
            return false;
        return RecordingNearbyShare::send(deviceId, path);
    }
    QSemaphore entered;
    QSemaphore proceed;
};

TEST_F(NearbySendingTest, SendingRunsInTheBackgroundWithProgressAndCancel)
{
    auto gated = std::make_shared<GatedShare>();
    share = gated;
    KelvaroStore& s = makeStore(fakeProcess);
    const QStringList files{touch("a.jpg"), touch("b.jpg"), touch("c.jpg")};
    s.receive(files, false);
    const int before = int(s.activities().size());

    s.perform({"KDE Connect", "x"}, WheelMode::actions);
    EXPECT_TRUE(s.isWorking());
    EXPECT_EQ(s.progressTotal(), 3);
    ASSERT_TRUE(waitUntil([&] { return gated->entered.available() == 1; }));
    gated->proceed.release();
    ASSERT_TRUE(waitUntil([&] { return s.progressDone() == 1; }));
    ASSERT_TRUE(waitUntil([&] { return gated->entered.available() == 2; }));
    s.cancelRun(); // the second file is in hand: it finishes, the third never starts
    gated->proceed.release();
    ASSERT_TRUE(finished());
    EXPECT_EQ(gated->sentFiles(), files.mid(0, 2));
    EXPECT_EQ(s.activities().size(), before + 2);
    EXPECT_EQ(s.progressDone(), 2);
}

} // namespace
} // namespace kelvaro::test
