// The update checker against a small HTTP server on 127.0.0.1: scheduling, the automatic-check
// guards, failures, the announcement once per version and the download address.
#include <functional>

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <gtest/gtest.h>

#include "../support/TestSupport.h"

#include "app/UpdateChecker.h"
#include "l10n/Localization.h"
#include "platform/Json.h"
#include "platform/Settings.h"

using namespace kelvaro;
using test::waitUntil;

namespace {

// Answers every request with one configured response and remembers the requests.
class FeedServer : public QObject {
public:
    FeedServer()
    {
        EXPECT_TRUE(m_server.listen(QHostAddress::LocalHost, 0));
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* socket = m_server.nextPendingConnection()) {
                connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
                    m_buffers[socket] += socket->readAll();
                    if (!m_buffers[socket].contains("\r\n\r\n"))
                        return;
                    requests << QString::fromLatin1(m_buffers.take(socket));
                    // The client reads the status code only, never the reason phrase.
                    socket->write("HTTP/1.1 " + QByteArray::number(status) + " Answer\r\nContent-Type: application/json\r\n"
                                  "Connection: close\r\nContent-Length: " + QByteArray::number(body.size()) + "\r\n\r\n" + body);
                    socket->disconnectFromHost();
                });
                connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            }
        });
    }
    QUrl url() const { return QUrl(QStringLiteral("http://127.0.0.1:%1/feed.json").arg(m_server.serverPort())); }
    void answer(int code, const QByteArray& bytes)
    {
        status = code;
        body = bytes;
    }

    int status = 200;
    QByteArray body;
    QStringList requests;

private:
    QTcpServer m_server;
    QHash<QTcpSocket*, QByteArray> m_buffers;
};

class FakeTimers : public UpdateTimers {
public:
    struct Entry {
        int ms;
        bool repeating;
        std::function<void()> action;
    };
    void once(int ms, std::function<void()> action) override { entries.push_back({ms, false, std::move(action)}); }
    void every(int ms, std::function<void()> action) override { entries.push_back({ms, true, std::move(action)}); }
    std::vector<Entry> entries;
};

QByteArray feed(const QString& version, const QString& url = QStringLiteral("https://example.org/download"),
                const QString& extra = QString())
{
    return QStringLiteral(R"({"version":"%1","url":"%2"%3})").arg(version, url, extra).toUtf8();
}

class UpdateCheckerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Settings& s = Settings::shared();
        for (const char* key : {UpdateChecker::autoCheckKey, UpdateChecker::lastCheckKey, UpdateChecker::announcedVersionKey})
            s.remove(QString::fromLatin1(key));
        s.setValue(QStringLiteral("kelvaro.language"), QStringLiteral("cs"));
        now = QDateTime(QDate(2026, 3, 1), QTime(12, 0), Qt::UTC);
    }

    UpdateChecker::Environment environment(const QUrl& feedUrl)
    {
        UpdateChecker::Environment e;
        e.feed = feedUrl;
        e.currentVersion = QStringLiteral("1.2.0");
        e.clock = [this] { return now; };
        e.timers = timers;
        e.isActive = [this] { return active; };
        e.ask = [this](const QString& message, const QString& informative) {
            asked << message;
            informatives << informative;
            announcedWhenAsked = Settings::shared().stringValue(QString::fromLatin1(UpdateChecker::announcedVersionKey));
            return download;
        };
        e.open = [this](const QUrl& url) { opened << url; };
        return e;
    }

    std::unique_ptr<UpdateChecker> checker(std::optional<UpdateChecker::Environment> custom = std::nullopt)
    {
        return std::make_unique<UpdateChecker>(custom ? *custom : environment(server.url()));
    }

    static bool settled(const UpdateChecker& c) { return c.status() != UpdateChecker::Status::checking; }

    void runCheck(UpdateChecker& c, bool manual)
    {
        c.check(manual);
        ASSERT_TRUE(waitUntil([&] { return settled(c); }));
    }

    // Fires every recorded timer once and waits for a check it starts to end.
    void fireTimers(UpdateChecker& c)
    {
        for (auto& entry : timers->entries) {
            entry.action();
            ASSERT_TRUE(waitUntil([&] { return settled(c); }));
        }
    }

    void storeLastCheck(const QDateTime& when)
    {
        Settings::shared().setValue(QString::fromLatin1(UpdateChecker::lastCheckKey), json::dateValue(when));
    }

    FeedServer server;
    std::shared_ptr<FakeTimers> timers = std::make_shared<FakeTimers>();
    QDateTime now;
    bool active = true;
    bool download = false;
    QStringList asked;
    QStringList informatives;
    std::optional<QString> announcedWhenAsked;
    QList<QUrl> opened;
};

TEST_F(UpdateCheckerTest, WithoutAFeedNothingHappensAtAll)
{
    auto c = checker(environment(QUrl()));
    EXPECT_FALSE(c->hasFeed());
    c->start();
    EXPECT_TRUE(timers->entries.empty());
    c->check(true);
    c->automaticCheck();
    EXPECT_EQ(c->status(), UpdateChecker::Status::idle);
    QCoreApplication::processEvents();
    EXPECT_TRUE(server.requests.isEmpty());
}

TEST_F(UpdateCheckerTest, TheFirstCheckComesAfter20SecondsThenEverySixHoursAsAPlainGet)
{
    server.answer(200, feed(QStringLiteral("1.2.0")));
    auto c = checker();
    c->start();
    c->start(); // a second call schedules nothing more
    ASSERT_EQ(timers->entries.size(), 2u);
    EXPECT_EQ(timers->entries[0].ms, 20000);
    EXPECT_FALSE(timers->entries[0].repeating);
    EXPECT_EQ(timers->entries[1].ms, 21600 * 1000);
    EXPECT_TRUE(timers->entries[1].repeating);
    EXPECT_TRUE(server.requests.isEmpty()) << "nothing is fetched before the first timer";

    int changes = 0;
    QObject::connect(c.get(), &UpdateChecker::statusChanged, [&changes] { ++changes; });
    timers->entries[0].action();
    c->check(true); // only one check runs at a time
    c->check(false);
    ASSERT_TRUE(waitUntil([&] { return c->status() == UpdateChecker::Status::upToDate; }));
    QCoreApplication::processEvents();
    EXPECT_EQ(changes, 2); // checking, upToDate
    ASSERT_EQ(server.requests.size(), 1);
    EXPECT_TRUE(server.requests[0].startsWith(QStringLiteral("GET /feed.json HTTP/1.1\r\n")));
    EXPECT_TRUE(server.requests[0].contains(QStringLiteral("\r\nUser-Agent: Kelvaro/1.2.0\r\n"), Qt::CaseInsensitive))
        << server.requests[0].toStdString();
    // Six hours later the 20-hour rule holds the repeating timer back.
    now = now.addSecs(6 * 3600);
    fireTimers(*c);
    EXPECT_EQ(server.requests.size(), 1);
}

TEST_F(UpdateCheckerTest, StoredStateIsReadWithItsTypeAndAManualCheckIgnoresEveryGuard)
{
    Settings::shared().setValue(QString::fromLatin1(UpdateChecker::lastCheckKey), QStringLiteral("včera"));
    Settings::shared().setValue(QString::fromLatin1(UpdateChecker::autoCheckKey), QStringLiteral("no"));
    auto c = checker();
    EXPECT_FALSE(c->lastCheck());
    EXPECT_TRUE(c->autoCheck());
    c->setAutoCheck(false);
    EXPECT_EQ(Settings::shared().boolValue(QString::fromLatin1(UpdateChecker::autoCheckKey)), false);

    storeLastCheck(now.addSecs(-60));
    server.answer(200, feed(QStringLiteral("1.2.0")));
    auto d = checker();
    EXPECT_FALSE(d->autoCheck());
    ASSERT_TRUE(d->lastCheck());
    EXPECT_EQ(*d->lastCheck(), now.addSecs(-60));
    d->start();
    fireTimers(*d);
    EXPECT_TRUE(server.requests.isEmpty());
    runCheck(*d, true);
    EXPECT_EQ(server.requests.size(), 1);
    EXPECT_EQ(d->status(), UpdateChecker::Status::upToDate);
}

TEST_F(UpdateCheckerTest, TheLastCheckMustBeTwentyHoursOldOrInTheFuture)
{
    // seconds ago (negative: in the future, the clock was set back), whether a check goes out
    for (const auto& [secondsAgo, checks] : {std::pair<qint64, bool>{0, false}, {19 * 3600, false}, {72000 - 1, false},
                                             {72000, true}, {21 * 3600, true}, {-3600, true}, {-5LL * 365 * 86400, true}}) {
        storeLastCheck(now.addSecs(-secondsAgo));
        server.answer(200, feed(QStringLiteral("1.2.0")));
        server.requests.clear();
        auto c = checker();
        c->automaticCheck();
        ASSERT_TRUE(waitUntil([&] { return settled(*c); }));
        EXPECT_EQ(server.requests.size(), checks ? 1 : 0) << secondsAgo;
    }
}

TEST_F(UpdateCheckerTest, AnUnusableAnswerFailsAndLeavesTheLastCheckAsItWas)
{
    const struct {
        const char* name;
        int status; // 0: nothing listens
        QByteArray body;
    } rows[] = {{"unreachable", 0, QByteArray()},
                {"noContent", 204, QByteArray()},
                {"notModified", 304, QByteArray()},
                {"serverError", 500, feed(QStringLiteral("9.0"))},
                {"notFound", 404, QByteArray("{}")},
                {"badJson", 200, QByteArray("{\"version\":")},
                {"notAnObject", 200, QByteArray("[\"9.0\"]")},
                {"noUrl", 200, QByteArray("{\"version\":\"9.0\"}")},
                {"numberVersion", 200, QByteArray("{\"version\":9,\"url\":\"https://e.org\"}")},
                {"numberNotes", 200, feed(QStringLiteral("9.0"), QStringLiteral("https://e.org"), QStringLiteral(",\"notes_cs\":5"))}};
    const QDateTime before = now.addSecs(-30 * 3600);
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        storeLastCheck(before);
        server.answer(row.status, row.body);
        auto c = checker(environment(row.status ? server.url() : QUrl(QStringLiteral("http://127.0.0.1:1/feed.json"))));
        runCheck(*c, false);
        EXPECT_EQ(c->status(), UpdateChecker::Status::failed);
        EXPECT_FALSE(c->available());
        EXPECT_EQ(c->lastCheck(), before);
        EXPECT_EQ(Settings::shared().numberValue(QString::fromLatin1(UpdateChecker::lastCheckKey)), json::dateValue(before));
        EXPECT_TRUE(asked.isEmpty());
    }
}

TEST_F(UpdateCheckerTest, ANewerVersionIsAnnouncedOnceAndRecordedFirst)
{
    server.answer(200, feed(QStringLiteral("1.3"), QStringLiteral("https://example.org/get"),
                            QStringLiteral(R"(,"notes_cs":"Rychlejší <b>export</b>","extra":1)")));
    auto c = checker();
    runCheck(*c, true);
    EXPECT_TRUE(c->available());
    EXPECT_TRUE(asked.isEmpty()) << "a manual check never announces";
    EXPECT_FALSE(Settings::shared().stringValue(QString::fromLatin1(UpdateChecker::announcedVersionKey)));

    runCheck(*c, false);
    ASSERT_TRUE(c->available());
    EXPECT_EQ(c->available()->version, QStringLiteral("1.3"));
    EXPECT_EQ(c->status(), UpdateChecker::Status::idle);
    EXPECT_EQ(*c->lastCheck(), now);
    EXPECT_EQ(Settings::shared().numberValue(QString::fromLatin1(UpdateChecker::lastCheckKey)), json::dateValue(now));
    ASSERT_EQ(asked.size(), 1);
    EXPECT_EQ(asked[0], QStringLiteral("Je dostupná nová verze Kelvaro 1.3"));
    EXPECT_EQ(informatives[0], QStringLiteral("Rychlejší <b>export</b>"));
    EXPECT_EQ(announcedWhenAsked, QStringLiteral("1.3"));
    EXPECT_TRUE(opened.isEmpty()) << "\"Později\" only closes";

    now = now.addSecs(21 * 3600);
    runCheck(*c, false);
    EXPECT_EQ(server.requests.size(), 3);
    EXPECT_EQ(asked.size(), 1) << "the same version stays silent";

    server.answer(200, feed(QStringLiteral("1.4")));
    runCheck(*c, false);
    EXPECT_EQ(asked.size(), 2) << "a later version is announced again";

    server.answer(200, feed(QStringLiteral("1.2.0")));
    runCheck(*c, true);
    EXPECT_EQ(c->status(), UpdateChecker::Status::upToDate);
    EXPECT_FALSE(c->available());
}

TEST_F(UpdateCheckerTest, InTheBackgroundTheAnnouncementWaitsForActivation)
{
    active = false;
    server.answer(200, feed(QStringLiteral("1.5")));
    auto c = checker();
    runCheck(*c, false);
    EXPECT_TRUE(asked.isEmpty());
    EXPECT_TRUE(c->isWaitingForActivation());
    EXPECT_FALSE(Settings::shared().stringValue(QString::fromLatin1(UpdateChecker::announcedVersionKey)));

    // A second find while waiting adds no second waiter; activation shows the release known then.
    server.answer(200, feed(QStringLiteral("1.6")));
    now = now.addSecs(21 * 3600);
    runCheck(*c, false);
    active = true;
    c->applicationBecameActive();
    ASSERT_EQ(asked.size(), 1);
    EXPECT_EQ(asked[0], QStringLiteral("Je dostupná nová verze Kelvaro 1.6"));
    EXPECT_FALSE(c->isWaitingForActivation());
    c->applicationBecameActive();
    EXPECT_EQ(asked.size(), 1);
}

TEST_F(UpdateCheckerTest, TheDownloadOpensOnlyWebAddresses)
{
    download = true;
    server.answer(200, feed(QStringLiteral("3.0"), QStringLiteral("https://example.org/kelvaro-3.0")));
    auto c = checker();
    runCheck(*c, false);
    ASSERT_EQ(informatives.size(), 1);
    EXPECT_EQ(informatives[0], QStringLiteral("Novou verzi si stáhneš zdarma z 127.0.0.1.")) << "without notes the alert names the site";
    ASSERT_EQ(opened.size(), 1);
    EXPECT_EQ(opened[0], QUrl(QStringLiteral("https://example.org/kelvaro-3.0")));

    for (const QString& bad : {QStringLiteral("file:///etc/passwd"), QStringLiteral("javascript:alert(1)"),
                               QStringLiteral("https://"), QStringLiteral("/relative/path"),
                               QStringLiteral("smb://server/share"), QStringLiteral("not a url at all")}) {
        server.answer(200, feed(QStringLiteral("3.0"), bad));
        runCheck(*c, true);
        ASSERT_TRUE(c->available());
        c->openDownload();
        EXPECT_EQ(opened.size(), 1) << bad.toStdString();
    }
    server.answer(200, feed(QStringLiteral("3.0"), QStringLiteral("HTTP://example.org/x")));
    runCheck(*c, true);
    c->openDownload();
    EXPECT_EQ(opened.size(), 2);
}

TEST_F(UpdateCheckerTest, NotesFollowTheLanguageWithoutFallingBackFromAnEmptyText)
{
    auto c = checker();
    EXPECT_FALSE(c->notes());
    server.answer(200, feed(QStringLiteral("2.0"), QStringLiteral("https://e.org"), QStringLiteral(R"(,"notes_cs":"Česky")")));
    runCheck(*c, true);
    Settings::shared().setValue(QStringLiteral("kelvaro.language"), QStringLiteral("en"));
    EXPECT_EQ(c->notes(), QStringLiteral("Česky"));

    server.answer(200, feed(QStringLiteral("2.1"), QStringLiteral("https://e.org"),
                            QStringLiteral(R"(,"notes_cs":"Česky","notes_en":"")")));
    runCheck(*c, true);
    EXPECT_FALSE(c->notes());
    Settings::shared().setValue(QStringLiteral("kelvaro.language"), QStringLiteral("cs"));
    EXPECT_EQ(c->notes(), QStringLiteral("Česky"));

    server.answer(200, feed(QStringLiteral("2.2"), QStringLiteral("https://e.org"),
                            QStringLiteral(R"(,"notes_cs":null,"notes_en":"English")")));
    runCheck(*c, true);
    EXPECT_EQ(c->notes(), QStringLiteral("English"));
}

TEST_F(UpdateCheckerTest, TheAlertShowsNotesAsPlainText)
{
    const UpdateChecker::Environment desktop = UpdateChecker::Environment::desktop();
    bool plain = false;
    bool sawDownload = false;
    // Should the box not be found, it must still close, or the test would hang; the timer goes
    // with the test, so it never closes a later test's dialog.
    QTimer unfound;
    unfound.setSingleShot(true);
    QObject::connect(&unfound, &QTimer::timeout, [] {
        if (QWidget* modal = QApplication::activeModalWidget())
            modal->close();
    });
    unfound.start(5000);
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box)
            return;
        plain = true;
        for (QLabel* label : box->findChildren<QLabel*>())
            if (label->text().contains(QStringLiteral("<b>")))
                plain = plain && label->textFormat() == Qt::PlainText;
        for (QAbstractButton* button : box->buttons()) {
            sawDownload |= button->text() == QStringLiteral("Stáhnout");
            if (button->text() == QStringLiteral("Později"))
                button->click();
        }
    });
    EXPECT_FALSE(desktop.ask(QStringLiteral("Je dostupná nová verze Kelvaro 2.0"), QStringLiteral("<b>tučně</b>")));
    EXPECT_TRUE(plain);
    EXPECT_TRUE(sawDownload);
}

} // namespace
