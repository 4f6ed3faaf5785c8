// The hand-off between launches: what a command line asks for, and a second launch reaching the
// running instance over the local socket (its blocking side runs on a thread of its own, so the
// running side can answer on this one).
#include <QFile>
#include <QLocalSocket>
#include <QLockFile>
#include <QThread>
#include <QUrl>

#include "AppTestSupport.h"
#include "app/SingleInstance.h"
#include "platform/Log.h"

using namespace kelvaro;
using namespace kelvaro::apptest;

namespace {

// Runs `work` on its own thread and spins this thread's event loop until it has returned.
template <typename Work>
auto onOtherThread(Work work) -> decltype(work())
{
    decltype(work()) result{};
    QThread* thread = QThread::create([&] { result = work(); });
    thread->start();
    EXPECT_TRUE(waitUntil([&] { return thread->isFinished(); }, 15000));
    thread->wait();
    delete thread;
    return result;
}

class SingleInstanceTest : public AppFixture {
protected:
    void SetUp() override
    {
        AppFixture::SetUp();
        QDir(temp.path()).mkpath(QStringLiteral("work"));
        work = QDir(temp.filePath(QStringLiteral("work")));
        socketName = temp.filePath(QStringLiteral("instance"));
    }
    QDir work;
    QString socketName;
};

// ---- Command lines ---------------------------------------------------------------------------------

TEST_F(SingleInstanceTest, CommandLinesGiveTheirExistingLocalFilesOnceAndActivateNothing)
{
    const QString a = writePhoto(work, QStringLiteral("a.jpg"));
    const QString b = writePhoto(work, QStringLiteral("b.png"));
    const QString spaced = writePhoto(work, QStringLiteral("my photo.jpg"));
    const QString dashed = writePhoto(work, QStringLiteral("-dash.jpg"));
    const std::pair<QStringList, QStringList> rows[] = {
        // Relative paths resolve against the launch folder.
        {{"a.jpg", "./b.png"}, {a, b}},
        // File URIs become paths; web links and files of other machines are dropped.
        {{QUrl::fromLocalFile(spaced).toString(QUrl::FullyEncoded), "https://example.com/photo.jpg", "sftp://host/photo.jpg",
          "file://otherhost" + b, "file://localhost" + b},
         {spaced, b}},
        {{"--send", "https://example.com/a.jpg"}, {}},
        // Missing files, duplicates and options are skipped; "--" ends the options.
        {{"--send", "a.jpg", "missing.jpg", a, "--", "-dash.jpg"}, {a, dashed}},
        // Folders pass for the store to expand.
        {{"--send", work.path()}, {work.path()}},
    };
    for (const auto& [arguments, files] : rows) {
        const LaunchRequest request = SingleInstance::parseArguments(QStringList{QStringLiteral("kelvaro")} + arguments, work.path());
        EXPECT_EQ(request.files, files) << arguments.join(QLatin1Char(' ')).toStdString();
        EXPECT_FALSE(request.activate);
    }
}

// ---- Hand-off ----------------------------------------------------------------------------------------

TEST_F(SingleInstanceTest, SecondLaunchHandsItsFilesOver)
{
    const QString a = writePhoto(work, QStringLiteral("a.jpg"));
    const QString b = writePhoto(work, QStringLiteral("b.png"));
    SingleInstance running(socketName);
    ASSERT_EQ(running.claim({}), SingleInstance::Role::primary);
    EXPECT_TRUE(running.isListening());
    QList<LaunchRequest> received;
    QObject::connect(&running, &SingleInstance::requested, [&](const LaunchRequest& r) { received.append(r); });

    const SingleInstance::Role role = onOtherThread([&] {
        SingleInstance later(socketName);
        return later.claim(LaunchRequest{{a, b}, false});
    });
    EXPECT_EQ(role, SingleInstance::Role::handedOff);
    ASSERT_TRUE(waitUntil([&] { return !received.isEmpty(); }));
    EXPECT_EQ(received, (QList<LaunchRequest>{LaunchRequest{{a, b}, false}}));
}

TEST_F(SingleInstanceTest, GarbageIsRefusedAndTheRunningSideKeepsOnlyAbsoluteExistingPaths)
{
    const QString a = writePhoto(work, QStringLiteral("a.jpg"));
    SingleInstance running(socketName);
    ASSERT_EQ(running.claim({}), SingleInstance::Role::primary);
    QList<LaunchRequest> received;
    QObject::connect(&running, &SingleInstance::requested, [&](const LaunchRequest& r) { received.append(r); });

    for (const QByteArray& junk : {QByteArray("\xff\xff\xff\xff", 4) + "x", QByteArray("\0\0\0\x05hello", 9)}) {
        QLocalSocket raw;
        raw.connectToServer(socketName);
        ASSERT_TRUE(raw.waitForConnected(2000));
        raw.write(junk);
        raw.flush();
        EXPECT_TRUE(waitUntil([&] { return raw.state() == QLocalSocket::UnconnectedState; }));
    }
    EXPECT_TRUE(received.isEmpty());

    // The server stays usable, and a sender that does not clean its list (an older or foreign
    // client) gets only what is safe through.
    EXPECT_TRUE(onOtherThread([&] {
        return SingleInstance::send(socketName, LaunchRequest{{QStringLiteral("a.jpg"), a, work.filePath(QStringLiteral("gone.jpg"))}, true});
    }));
    ASSERT_TRUE(waitUntil([&] { return !received.isEmpty(); }));
    EXPECT_EQ(received.first(), (LaunchRequest{{a}, true}));
}

TEST_F(SingleInstanceTest, SocketLeftByACrashIsCleared)
{
    // The socket file of a dead instance (no lock held) is in the way of listen().
    QFile stale(socketName);
    ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
    stale.close();
    SingleInstance instance(socketName);
    EXPECT_EQ(instance.claim({}, 500), SingleInstance::Role::primary);
    EXPECT_TRUE(instance.isListening());
}

TEST_F(SingleInstanceTest, SilentLockHolderFailsTheLaunchInsteadOfStartingTwice)
{
    // Someone alive holds the lock but never answers.
    QLockFile holder(socketName + QStringLiteral(".lock"));
    ASSERT_TRUE(holder.tryLock(0));
    clearRecentLogLines();
    const SingleInstance::Role role = onOtherThread([&] {
        SingleInstance later(socketName);
        return later.claim(LaunchRequest{{}, true}, 300);
    });
    EXPECT_EQ(role, SingleInstance::Role::failed);
    EXPECT_TRUE(recentLogLines().contains(QStringLiteral("Kelvaro: the running instance did not answer")))
        << recentLogLines().join(QLatin1Char('\n')).toStdString();
}

} // namespace
