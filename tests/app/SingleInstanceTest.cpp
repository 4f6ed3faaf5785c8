// The hand-off between launches: what a command line asks for, and a second launch reaching the
// running instance over the local socket, from a thread of this test (its blocking side runs on a
// thread of its own, so the running side can answer on this one) and from the real program, and the
// language switch's restart end to end.
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <optional>
#include <thread>

#include <fcntl.h>
#include <linux/sockios.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QKeyEvent>
#include <QLocalServer>
#include <QLocalSocket>
#include <QDeadlineTimer>
#include <QLockFile>
#include <QProcess>
#include <QRegularExpression>
#include <QThread>
#include <QScopeGuard>
#include <QUrl>

#include "AppTestSupport.h"
#include "TestPaths.h"
#include "app/AppDelegate.h"
#include "app/SingleInstance.h"
#include "output/OutputFolder.h"
#include "platform/Log.h"
#include "platform/NativePath.h"
#include "platform/Settings.h"
#include "ui/settings/SettingsView.h"
#include "watch/FolderWatcher.h"
#include "watch/WatchModels.h"
#include "../support/SmallDisk.h"

using namespace kelvaro;
using namespace kelvaro::apptest;

namespace {

const QString kProgram = QStringLiteral(KELVARO_BUILD_DIR "/kelvaro");

// Runs `kelvaro arguments…` in `folder` against the instance socket `socket`; its exit code, or -1
// when it did not end soon (a launch that hands off takes a fraction of a second). The running
// side answers on this thread: it is spun while the launch waits.
int launch(const QString& socket, const QString& folder, const QStringList& arguments, QString* output = nullptr,
           const QString& program = kProgram)
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QString::fromLatin1(SingleInstance::socketEnvironment), socket);
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    process.setProcessEnvironment(environment);
    process.setWorkingDirectory(folder);
    process.start(program, arguments);
    if (!process.waitForStarted(30000))
        return -1;
    if (!waitUntil([&] { return process.state() == QProcess::NotRunning; }, 30000)) {
        process.kill();
        process.waitForFinished(2000);
        return -1;
    }
    if (output)
        *output = QString::fromLocal8Bit(process.readAllStandardOutput());
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

// What Qt says (its warnings among it) from any thread while it is in scope.
class QtMessages {
public:
    QtMessages() { s_previous = qInstallMessageHandler(&QtMessages::keep); }
    ~QtMessages() { qInstallMessageHandler(s_previous); }
    static QStringList said()
    {
        const std::lock_guard lock(s_mutex);
        return s_said;
    }
    static void clear()
    {
        const std::lock_guard lock(s_mutex);
        s_said.clear();
    }

private:
    static void keep(QtMsgType, const QMessageLogContext&, const QString& message)
    {
        const std::lock_guard lock(s_mutex);
        s_said.append(message);
    }
    static inline std::mutex s_mutex;
    static inline QStringList s_said;
    static inline QtMessageHandler s_previous = nullptr;
};

qsizetype loggedTimes(const QString& text)
{
    const QStringList lines = recentLogLines();
    return std::count_if(lines.begin(), lines.end(), [&](const QString& line) { return line.contains(text); });
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
    // This process as the running instance on the test's socket, keeping what reaches it.
    void listen()
    {
        running = std::make_unique<SingleInstance>(socketName);
        ASSERT_EQ(running->claim({}), SingleInstance::Role::primary);
        EXPECT_TRUE(running->isListening());
        QObject::connect(running.get(), &SingleInstance::requested, [this](const LaunchRequest& r) { received.append(r); });
    }

    QDir work;
    QString socketName;
    std::unique_ptr<SingleInstance> running;
    QList<LaunchRequest> received;
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

// A name that is not UTF-8 (from Open With, the launcher's %U or %F, a terminal) keeps its bytes
// from the program's arguments through the socket to a path that opens.
TEST_F(SingleInstanceTest, NamesThatAreNotUtf8ReachTheRunningInstanceAsPathsThatOpen)
{
    if (!QFileInfo(kProgram).isExecutable())
        GTEST_SKIP() << "the kelvaro program is not built";
    const QByteArray base = NativePath::encoded(work.path());
    ASSERT_EQ(::mkdir((base + "/v\xe9sledky").constData(), 0777), 0);
    // QTemporaryDir would miss names that are not UTF-8.
    const auto removeAll = qScopeGuard([&] { std::filesystem::remove_all(base.toStdString()); });
    for (const QByteArray& name : {QByteArray("caf\xe9.jpg"), QByteArray("v\xe9sledky/b.jpg")}) {
        const int fd = ::open((base + "/" + name).constData(), O_WRONLY | O_CREAT | O_EXCL, 0666);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::write(fd, name.constData(), size_t(name.size())), name.size());
        ::close(fd);
    }
    listen();
    const struct {
        QByteArray argument;
        QByteArray file;
    } rows[] = {
        {"caf\xe9.jpg", "caf\xe9.jpg"},
        {base + "/v\xe9sledky/b.jpg", "v\xe9sledky/b.jpg"},
        {"file://" + (base + "/caf\xe9.jpg").toPercentEncoding("/"), "caf\xe9.jpg"},
        {"file://localhost" + (base + "/v\xe9sledky/b.jpg").toPercentEncoding("/"), "v\xe9sledky/b.jpg"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.argument.toStdString());
        const QString expected = NativePath::decoded(base + "/" + row.file);
        const LaunchRequest request =
            SingleInstance::parseArguments({QStringLiteral("kelvaro"), NativePath::decoded(row.argument)}, work.path());
        EXPECT_EQ(request.files, QStringList{expected});
        EXPECT_EQ(kelvaro::test::readFile(request.files.value(0)), row.file);

        // The real program, given the bytes as they are (QProcess would re-encode its arguments).
        QByteArray escaped;
        for (const char byte : row.argument)
            escaped += QByteArray::number(uchar(byte), 8).rightJustified(3, '0').prepend('\\');
        const qsizetype before = received.size();
        const QString script = QStringLiteral("exec \"$0\" \"$(printf '%1')\"").arg(QString::fromLatin1(escaped));
        EXPECT_EQ(launch(socketName, work.path(), {QStringLiteral("-c"), script, kProgram}, nullptr, QStringLiteral("/bin/sh")), 0);
        ASSERT_TRUE(waitUntil([&] { return received.size() > before; }));
        EXPECT_EQ(received.last().files, QStringList{expected});
    }
}

// ---- Hand-off ----------------------------------------------------------------------------------------

TEST_F(SingleInstanceTest, GarbageIsRefusedAndTheRunningSideKeepsOnlyAbsoluteExistingPaths)
{
    const QString a = writePhoto(work, QStringLiteral("a.jpg"));
    listen();
    for (const QByteArray& junk : {QByteArray("\xff\xff\xff\xff", 4) + "x", QByteArray("\0\0\0\x05hello", 9)}) {
        QLocalSocket raw;
        raw.connectToServer(socketName);
        ASSERT_TRUE(raw.waitForConnected(30000));
        raw.write(junk);
        raw.flush();
        EXPECT_TRUE(waitUntil([&] { return raw.state() == QLocalSocket::UnconnectedState; }));
    }
    EXPECT_TRUE(received.isEmpty());

    // The server stays usable, and a sender that does not clean its list (an older or foreign
    // client) gets only what is safe through: a relative path names no file of the sender's, even
    // one that exists where the instance runs.
    const QString ownFolder = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(work.path()));
    const auto back = qScopeGuard([&] { QDir::setCurrent(ownFolder); });
    EXPECT_TRUE(onOtherThread([&] {
        return SingleInstance::send(socketName, LaunchRequest{{QStringLiteral("a.jpg"), a, work.filePath(QStringLiteral("gone.jpg"))}, true});
    }));
    ASSERT_TRUE(waitUntil([&] { return !received.isEmpty(); }));
    EXPECT_EQ(received.first(), (LaunchRequest{{a}, true}));
}

// A process that will not stay takes no launch: the launch is told to wait and waits as long as
// that process is ending, however long its work or its hand-over holds it (well past the launch's
// own answer time); it becomes the running instance once that process lets go, and is taken,
// files and all, when the end is called off and the process stays after all. Qt has nothing to
// say meanwhile (a socket on a thread it did not start warns at every end).
TEST_F(SingleInstanceTest, ADecliningInstanceTakesNoLaunchWhichWaitsForItToLetGo)
{
    enum class Then { letsGo, callsTheEndOff };
    enum class Held { no, byItsWork, betweenItsReleases };
    constexpr int kAnswerMs = 300;
    constexpr int kHeldMs = 1500;
    const struct {
        const char* name;
        Held held;
        Then then;
        SingleInstance::Role role;
    } rows[] = {
        {"lets go", Held::no, Then::letsGo, SingleInstance::Role::primary},
        {"calls the end off", Held::no, Then::callsTheEndOff, SingleInstance::Role::handedOff},
        {"held by its work, then lets go", Held::byItsWork, Then::letsGo, SingleInstance::Role::primary},
        {"held by its work, then calls the end off", Held::byItsWork, Then::callsTheEndOff, SingleInstance::Role::handedOff},
        {"held between its releases", Held::betweenItsReleases, Then::letsGo, SingleInstance::Role::primary},
    };
    const QString a = writePhoto(work, QStringLiteral("a.jpg"));
    const QtMessages qt;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        received.clear();
        listen();
        QtMessages::clear();
        running->decline();
        EXPECT_FALSE(running->isListening());
        clearRecentLogLines();
        std::atomic<bool> done{false};
        std::optional<SingleInstance::Role> role;
        // A thread of Qt's, as the program's own: its socket says nothing there.
        std::unique_ptr<QThread> launch(QThread::create([&] {
            SingleInstance later(socketName);
            role = later.claim(LaunchRequest{{a}, false}, row.held == Held::no ? 30000 : kAnswerMs);
            later.release();
            done = true;
        }));
        launch->start();
        const auto hold = [&] {
            QElapsedTimer held;
            held.start();
            while (!done.load() && !held.hasExpired(kHeldMs))
                QThread::msleep(10);
            EXPECT_FALSE(done.load()) << "the launch gave up on a process that was still ending";
        };
        // Only once the launch was told to wait: it cannot have become the instance before.
        EXPECT_TRUE(waitUntil([] { return recentLogLines().join(QLatin1Char('\n')).contains(QStringLiteral("is ending: waiting")); }));
        if (row.held == Held::byItsWork)
            hold();
        if (row.held == Held::betweenItsReleases) {
            running->setReleaseHook([&](SingleInstance::ReleaseStep step) {
                if (step == SingleInstance::ReleaseStep::socketClosed) {
                    EXPECT_TRUE(waitUntil([] { return recentLogLines().join(QLatin1Char('\n')).contains(QStringLiteral("waiting for its lock")); }));
                    hold();
                }
            });
        }
        if (row.then == Then::letsGo)
            running->release();
        else
            running->resume();
        running->setReleaseHook({});
        EXPECT_TRUE(waitUntil([&] { return done.load(); }));
        launch->wait();
        EXPECT_EQ(role, row.role);
        passPostedEvents();
        if (row.then == Then::callsTheEndOff)
            EXPECT_EQ(received, (QList<LaunchRequest>{{{a}, false}}));
        else
            EXPECT_TRUE(received.isEmpty()) << "a process about to go took the launch";
        running.reset();
        const QStringList said = QtMessages::said();
        EXPECT_EQ(said.filter(QRegularExpression(QStringLiteral("^(?!Kelvaro: )"))), QStringList{}) << "Qt warned";
    }
}

// A launch that ended while it waited (killed by its user) is gone: when the end is called off its
// files are not opened, though those of a launch still waiting are.
TEST_F(SingleInstanceTest, ALaunchThatEndedWhileItWaitedIsNotTakenWhenTheEndIsCalledOff)
{
    const QString a = writePhoto(work, QStringLiteral("a.jpg"));
    const QString b = writePhoto(work, QStringLiteral("b.jpg"));
    listen();
    running->decline();
    clearRecentLogLines();
    {
        QLocalSocket killed;
        // The answering thread may not listen yet.
        ASSERT_TRUE(waitUntil([&] {
            killed.connectToServer(socketName);
            return killed.waitForConnected(1000);
        }));
        killed.write(launchWire::encode(LaunchRequest{{b}, false}));
        ASSERT_TRUE(waitUntil([&] { return killed.bytesAvailable() > 0; }));
        char answer = 0;
        ASSERT_TRUE(killed.getChar(&answer));
        EXPECT_EQ(answer, launchWire::ending);
        killed.abort();
    }
    std::atomic<bool> done{false};
    std::optional<SingleInstance::Role> role;
    std::thread launch([&] {
        SingleInstance later(socketName);
        role = later.claim(LaunchRequest{{a}, false}, 30000);
        done = true;
    });
    EXPECT_TRUE(waitUntil([] { return loggedTimes(QStringLiteral("told a launch to wait")) == 2; }));
    running->resume();
    EXPECT_TRUE(waitUntil([&] { return done.load(); }));
    launch.join();
    EXPECT_EQ(role, SingleInstance::Role::handedOff);
    passPostedEvents();
    EXPECT_EQ(received, (QList<LaunchRequest>{{{a}, false}})) << "the files of a launch that had ended were opened";
}

// The running instance offers to take a request and begins to end before its launch answers: the
// launch's answer is not read, the connection closes without the request taken (the launch asks
// again and is told to wait), and nothing opens in a process about to go.
TEST_F(SingleInstanceTest, AnOfferOutstandingWhenTheInstanceDeclinesIsWithdrawn)
{
    const QString a = writePhoto(work, QStringLiteral("a.jpg"));
    listen();
    QLocalSocket launch;
    launch.connectToServer(socketName);
    ASSERT_TRUE(launch.waitForConnected(30000));
    launch.write(launchWire::encode(LaunchRequest{{a}, false}));
    ASSERT_TRUE(launch.waitForBytesWritten(30000));
    ASSERT_TRUE(waitUntil([&] { return launch.bytesAvailable() > 0; })) << "no offer";
    char answer = 0;
    ASSERT_TRUE(launch.getChar(&answer));
    ASSERT_EQ(answer, launchWire::offered);

    running->decline();
    launch.putChar(launchWire::stillWaiting);
    launch.flush();
    EXPECT_TRUE(waitUntil([&] { return launch.bytesAvailable() > 0 || launch.state() != QLocalSocket::ConnectedState; }));
    EXPECT_EQ(launch.bytesAvailable(), 0) << "the launch was answered by a process about to go";
    passPostedEvents();
    EXPECT_TRUE(received.isEmpty()) << "a process about to go took the launch";
    running->release();
}

// A launch that answered the offer has left the request to the instance: it waits for its word past
// its own patience, and should the connection close without it (the instance began to end, or
// died), it asks again with its full patience and is taken then. The instance is played here.
TEST_F(SingleInstanceTest, ALaunchThatAnsweredTheOfferWaitsForTheWordAndAsksAgainWhenNoneCame)
{
    constexpr int kPatienceMs = 2000;
    const QString a = writePhoto(work, QStringLiteral("a.jpg"));
    QLockFile lock(socketName + QStringLiteral(".lock"));
    ASSERT_TRUE(lock.tryLock(0));
    QLocalServer server;
    ASSERT_TRUE(server.listen(socketName));
    std::atomic<bool> done{false};
    std::optional<SingleInstance::Role> role;
    std::thread launch([&] {
        SingleInstance later(socketName);
        role = later.claim(LaunchRequest{{a}, false}, kPatienceMs);
        done = true;
    });
    std::unique_ptr<QLocalSocket> asked;
    // The launch ends before the test does: with nothing held, it becomes the instance.
    const auto joined = qScopeGuard([&] {
        asked.reset();
        server.close();
        lock.unlock();
        launch.join();
    });
    // This thread's blocking calls, no event loop: the instance as a launch meets it.
    const auto offer = [&] {
        if (!server.waitForNewConnection(30000))
            return false;
        asked.reset(server.nextPendingConnection());
        char answer = 0;
        return launchWire::readFrame(*asked, QDeadlineTimer(30000)) == launchWire::encode(LaunchRequest{{a}, false}).mid(4)
            && asked->putChar(launchWire::offered) && asked->waitForBytesWritten(30000) && asked->waitForReadyRead(30000)
            && asked->getChar(&answer) && answer == launchWire::stillWaiting;
    };
    ASSERT_TRUE(offer()) << "the launch did not answer the offer";
    QElapsedTimer held;
    held.start();
    while (!done.load() && !held.hasExpired(2 * kPatienceMs))
        QThread::msleep(10);
    EXPECT_FALSE(done.load()) << "the launch gave up after it had answered the offer";
    asked->abort();

    ASSERT_TRUE(offer()) << "the launch did not ask again";
    ASSERT_TRUE(asked->putChar(launchWire::taken));
    ASSERT_TRUE(asked->waitForBytesWritten(30000));
    EXPECT_TRUE(waitUntil([&] { return done.load(); }));
    EXPECT_EQ(role, SingleInstance::Role::handedOff);
}

// A request may arrive in pieces (a busy sender, a large list): it is read whole, by the running
// instance and by one that is ending alike, each piece waiting until the instance has read the one
// before.
TEST_F(SingleInstanceTest, ARequestThatArrivesInPiecesIsReadWhole)
{
    const QString a = writePhoto(work, QStringLiteral("a.jpg"));
    const struct {
        const char* name;
        bool ending;
        char answer;
    } rows[] = {
        {"the running instance", false, launchWire::offered},
        {"an ending instance", true, launchWire::ending},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        received.clear();
        listen();
        if (row.ending)
            running->decline();
        const QByteArray frame = launchWire::encode(LaunchRequest{{a}, false});
        QLocalSocket sender;
        // An ending instance's answering thread may not listen yet.
        ASSERT_TRUE(waitUntil([&] {
            sender.connectToServer(socketName);
            return sender.waitForConnected(1000);
        }));
        // The length split, then all but the payload's last four bytes, then those.
        const int pieces[] = {0, 2, int(frame.size()) - 4, int(frame.size())};
        for (int i = 0; i + 1 < int(std::size(pieces)); ++i) {
            if (i > 0) {
                ASSERT_TRUE(waitUntil([&] {
                    int unread = -1;
                    return sender.state() != QLocalSocket::ConnectedState
                        || (::ioctl(int(sender.socketDescriptor()), SIOCOUTQ, &unread) == 0 && unread == 0);
                })) << "the instance did not read piece " << i;
                ASSERT_EQ(sender.state(), QLocalSocket::ConnectedState) << "the instance dropped the request at piece " << i;
            }
            sender.write(frame.mid(pieces[i], pieces[i + 1] - pieces[i]));
            ASSERT_TRUE(sender.waitForBytesWritten(30000));
        }
        ASSERT_TRUE(waitUntil([&] { return sender.bytesAvailable() > 0; }))
            << "no answer";
        char answer = 0;
        ASSERT_TRUE(sender.getChar(&answer));
        EXPECT_EQ(answer, row.answer);
        if (answer == launchWire::offered) {
            ASSERT_TRUE(sender.putChar(launchWire::stillWaiting));
            ASSERT_TRUE(waitUntil([&] { return sender.bytesAvailable() > 0; })) << "not taken";
            ASSERT_TRUE(sender.getChar(&answer));
            EXPECT_EQ(answer, launchWire::taken);
        }
        sender.abort();
        passPostedEvents();
        EXPECT_EQ(received, (row.ending ? QList<LaunchRequest>{} : QList<LaunchRequest>{{{a}, false}}));
        running.reset();
    }
}

// One profile has one running instance whatever socket each launch would use (another runtime or
// temporary folder): a launch goes to the socket the profile's lock names, also while that
// instance ends, and takes the profile over once it has let go, naming its own socket there.
TEST_F(SingleInstanceTest, OneProfileHasOneInstanceWhateverSocketALaunchWouldUse)
{
    const QString profileLock = temp.filePath(QStringLiteral("profile/instance.lock"));
    const QString elsewhere = temp.filePath(QStringLiteral("elsewhere"));
    const QString a = work.filePath(QStringLiteral("a.jpg"));
    test::writeFile(a, "x");
    const auto profileHeld = [&] { return lockedByAnother(profileLock); };
    running = std::make_unique<SingleInstance>(socketName);
    running->guardProfile(profileLock);
    ASSERT_EQ(running->claim({}), SingleInstance::Role::primary);
    QObject::connect(running.get(), &SingleInstance::requested, [this](const LaunchRequest& r) { received.append(r); });
    EXPECT_TRUE(profileHeld());
    EXPECT_EQ(test::readFile(profileLock), NativePath::encoded(socketName));

    // Taken by the profile's instance, not made a second one on its own socket.
    const SingleInstance::Role handed = onOtherThread([&] {
        SingleInstance later(elsewhere);
        later.guardProfile(profileLock);
        return later.claim(LaunchRequest{{a}, false}, 5000);
    });
    EXPECT_EQ(handed, SingleInstance::Role::handedOff);
    ASSERT_TRUE(waitUntil([&] { return !received.isEmpty(); }));
    EXPECT_EQ(received.first(), (LaunchRequest{{a}, false}));
    EXPECT_TRUE(profileHeld()) << "a launch that handed over kept the profile's lock";

    // While the instance ends, a launch waits for it and then takes its place and the profile.
    running->decline();
    clearRecentLogLines();
    std::atomic<bool> done{false};
    std::atomic<bool> claimed{false}; // set once the three below are written
    std::optional<SingleInstance::Role> role;
    bool listening = false;
    QString name;
    std::thread launch([&] {
        SingleInstance later(elsewhere);
        later.guardProfile(profileLock);
        role = later.claim(LaunchRequest{{}, true}, 5000);
        listening = later.isListening();
        name = later.name();
        claimed = true;
        // Held until the test has looked.
        waitUntil([&] { return done.load(); });
    });
    EXPECT_TRUE(waitUntil([] { return recentLogLines().join(QLatin1Char('\n')).contains(QStringLiteral("is ending: waiting")); }));
    running->release();
    EXPECT_TRUE(waitUntil([&] { return claimed.load(); })) << "the launch never claimed";
    EXPECT_EQ(role, SingleInstance::Role::primary);
    EXPECT_TRUE(listening);
    EXPECT_EQ(name, elsewhere);
    EXPECT_TRUE(profileHeld());
    EXPECT_EQ(test::readFile(profileLock), NativePath::encoded(elsewhere)) << "a launch could not find the new instance";
    done = true;
    launch.join();
    EXPECT_FALSE(profileHeld());
}

// A launch on a thread of Qt's own (become the running instance, it takes launches there until
// it is destroyed), against the socket `socket` and the profile's lock `profileLock`.
class LaunchThread {
public:
    LaunchThread(const QString& socket, const QString& profileLock, const LaunchRequest& request, int timeoutMs)
    {
        m_thread = QThread::create([=, this] {
            {
                SingleInstance launch(socket);
                launch.guardProfile(profileLock);
                QObject::connect(&launch, &SingleInstance::requested, [this](const LaunchRequest& r) {
                    const std::lock_guard lock(m_mutex);
                    m_received.append(r);
                });
                const SingleInstance::Role role = launch.claim(request, timeoutMs);
                {
                    const std::lock_guard lock(m_mutex);
                    m_role = role;
                }
                if (role == SingleInstance::Role::primary)
                    waitUntil([this] { return m_stop.load(); }, 120000);
            }
            // Last: QThread::wait() synchronises inside Qt, where ThreadSanitizer cannot see it.
            m_ended.store(true, std::memory_order_release);
        });
        m_thread->start();
    }
    ~LaunchThread()
    {
        m_stop = true;
        m_thread->wait();
        (void)m_ended.load(std::memory_order_acquire);
        delete m_thread;
    }
    std::optional<SingleInstance::Role> role() const
    {
        const std::lock_guard lock(m_mutex);
        return m_role;
    }
    QList<LaunchRequest> received() const
    {
        const std::lock_guard lock(m_mutex);
        return m_received;
    }

private:
    QThread* m_thread = nullptr;
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_ended{false};
    mutable std::mutex m_mutex;
    std::optional<SingleInstance::Role> m_role;
    QList<LaunchRequest> m_received;
};

// The ending instance held after it let go of its socket, and again after its socket's lock: the
// launch it told to wait does not become the running instance before it holds the profile's lock
// (a launch from another runtime folder would then have become a second one on the same profile);
// it waits for that lock, and is then the one instance every launch reaches.
TEST_F(SingleInstanceTest, ALaunchWaitingThroughAHandOverBecomesTheOnlyInstanceOnceTheProfileIsFree)
{
    const QString profileLock = temp.filePath(QStringLiteral("profile/instance.lock"));
    const QString elsewhere = temp.filePath(QStringLiteral("elsewhere"));
    const QString a = writePhoto(work, QStringLiteral("a.jpg"));
    const QString b = writePhoto(work, QStringLiteral("b.jpg"));
    SingleInstance ending(socketName);
    ending.guardProfile(profileLock);
    ASSERT_EQ(ending.claim({}), SingleInstance::Role::primary);
    ending.decline();
    clearRecentLogLines();
    LaunchThread waiting(socketName, profileLock, LaunchRequest{{a}, false}, 5000);
    ASSERT_TRUE(waitUntil([] { return loggedTimes(QStringLiteral("is ending: waiting")) > 0; }));

    QList<SingleInstance::ReleaseStep> steps;
    ending.setReleaseHook([&](SingleInstance::ReleaseStep step) {
        steps.append(step);
        SCOPED_TRACE(int(step));
        // Whatever else it has let go, the profile stays the ending process's until the very last.
        EXPECT_TRUE(lockedByAnother(profileLock));
        // Held until the launch has found the socket gone and the profile still held.
        EXPECT_TRUE(waitUntil([&] { return waiting.role() || loggedTimes(QStringLiteral("waiting for its lock")) > 0; }));
        EXPECT_EQ(waiting.role(), std::nullopt) << "the instance without the profile's lock";
    });
    ending.release();
    ending.setReleaseHook({});
    EXPECT_EQ(steps, (QList{SingleInstance::ReleaseStep::socketClosed, SingleInstance::ReleaseStep::socketLockReleased}));
    ASSERT_TRUE(waitUntil([&] { return waiting.role().has_value(); }));
    EXPECT_EQ(waiting.role(), SingleInstance::Role::primary);
    EXPECT_TRUE(lockedByAnother(profileLock));

    const SingleInstance::Role fromElsewhere = onOtherThread([&] {
        SingleInstance later(elsewhere);
        later.guardProfile(profileLock);
        return later.claim(LaunchRequest{{b}, false}, 5000);
    });
    ASSERT_EQ(fromElsewhere, SingleInstance::Role::handedOff) << "a second instance on the profile";
    EXPECT_TRUE(waitUntil([&] { return waiting.received() == QList<LaunchRequest>{{{b}, false}}; }));
}

// The ending instance of the test below, in a process of its own: the instance on the socket
// $KELVARO_TEST_ENDING_SOCKET, which declines at once and, told "release" on its input, lets go of
// its socket and holds its lock until told "end".
TEST(EndingInstanceChild, holdsItsLockUntilTold)
{
    const auto heard = [](const char* word) {
        char line[64] = {};
        return std::fgets(line, sizeof line, stdin) && std::strncmp(line, word, std::strlen(word)) == 0;
    };
    const auto say = [](const char* word) {
        std::printf("\nending instance: %s\n", word);
        std::fflush(stdout);
    };
    SingleInstance instance(qEnvironmentVariable("KELVARO_TEST_ENDING_SOCKET"));
    ASSERT_EQ(instance.claim({}), SingleInstance::Role::primary);
    instance.decline();
    say("declined");
    ASSERT_TRUE(heard("release"));
    instance.setReleaseHook([&](SingleInstance::ReleaseStep step) {
        if (step != SingleInstance::ReleaseStep::socketClosed)
            return;
        say("socket closed");
        EXPECT_TRUE(heard("end"));
    });
    instance.release();
}

// A launch told to wait learns the ending process from its connection and waits, with no deadline,
// while that process lives: through a hand-over held well past the launch's patience, its socket
// gone and its lock still held. Once that process has ended, whoever holds the locks has the
// launch's patience to answer: a profile held by one that never answers fails the launch then,
// instead of keeping it waiting for ever.
TEST_F(SingleInstanceTest, ALaunchWaitsForTheEndingProcessWhileItLivesAndNoLonger)
{
    constexpr int kPatienceMs = 3000;
    const QString a = writePhoto(work, QStringLiteral("a.jpg"));
    const QString profileLock = temp.filePath(QStringLiteral("profile/instance.lock"));
    ASSERT_TRUE(QDir().mkpath(temp.filePath(QStringLiteral("profile"))));
    const int silentHolder = ::open(QFile::encodeName(profileLock).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    ASSERT_GE(silentHolder, 0);
    QProcess ending;
    std::optional<LaunchThread> launch;
    // The launch ends last: should it wait for ever, the profile let go makes it the instance.
    const auto cleanUp = qScopeGuard([&] {
        ::close(silentHolder);
        ending.kill();
        ending.waitForFinished(5000);
        launch.reset();
    });
    ASSERT_EQ(::flock(silentHolder, LOCK_EX | LOCK_NB), 0);

    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("KELVARO_TEST_ENDING_SOCKET"), socketName);
    ending.setProcessEnvironment(environment);
    ending.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    ending.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--gtest_filter=EndingInstanceChild.*")});
    QByteArray said;
    const auto endingSays = [&](const char* word) {
        said += ending.readAllStandardOutput();
        return said.contains(QByteArray("ending instance: ") + word);
    };
    ASSERT_TRUE(waitUntil([&] { return endingSays("declined") || ending.state() == QProcess::NotRunning; }, 60000));
    ASSERT_TRUE(endingSays("declined")) << said.toStdString();
    // Its answering thread listens once the socket is there again.
    ASSERT_TRUE(waitUntil([&] { return QFileInfo::exists(socketName); }));

    clearRecentLogLines();
    launch.emplace(socketName, profileLock, LaunchRequest{{a}, false}, kPatienceMs);
    ASSERT_TRUE(waitUntil([] { return loggedTimes(QStringLiteral("is ending: waiting")) > 0; }));
    ending.write("release\n");
    ASSERT_TRUE(waitUntil([&] { return endingSays("socket closed"); })) << said.toStdString();
    ASSERT_TRUE(waitUntil([] { return loggedTimes(QStringLiteral("waiting for its lock")) > 0; }));
    QElapsedTimer held;
    held.start();
    while (!launch->role() && !held.hasExpired(2 * kPatienceMs))
        QThread::msleep(10);
    EXPECT_EQ(launch->role(), std::nullopt) << "the launch gave up on a process that was still ending";

    ending.write("end\n");
    ASSERT_TRUE(ending.waitForFinished(30000));
    EXPECT_EQ(ending.exitCode(), 0) << said.toStdString();
    EXPECT_TRUE(waitUntil([&] { return launch->role().has_value(); }, 30000)) << "the launch waited on after the ending process had gone";
    EXPECT_EQ(launch->role(), SingleInstance::Role::failed);
}

// Launches that come while the instance ends ask it once each and then wait on their connection
// and on the locks, never asking it again (many launches doing that every few milliseconds kept it
// too busy to answer a new one in time, which then gave up): one more with a short answer time is
// still told to wait, and was the only other ask. Once it has let go, one of them is the instance
// and every other's files reach it.
TEST_F(SingleInstanceTest, LaunchesWhileTheInstanceEndsAskItOnceAndAllReachTheNextOne)
{
    constexpr int kLaunches = 12;
    const QString profileLock = temp.filePath(QStringLiteral("profile/instance.lock"));
    SingleInstance ending(socketName);
    ending.guardProfile(profileLock);
    ASSERT_EQ(ending.claim({}), SingleInstance::Role::primary);
    ending.decline();
    clearRecentLogLines();
    const QString told = QStringLiteral("told a launch to wait");
    std::vector<std::unique_ptr<LaunchThread>> launches;
    QList<LaunchRequest> requests;
    for (int i = 0; i < kLaunches; ++i) {
        requests.append(LaunchRequest{{writePhoto(work, QStringLiteral("%1.jpg").arg(i))}, false});
        launches.push_back(std::make_unique<LaunchThread>(socketName, profileLock, requests.last(), 5000));
    }
    ASSERT_TRUE(waitUntil([&] { return loggedTimes(told) >= kLaunches; }));
    requests.append(LaunchRequest{{writePhoto(work, QStringLiteral("impatient.jpg"))}, false});
    launches.push_back(std::make_unique<LaunchThread>(socketName, profileLock, requests.last(), 1000));
    ASSERT_TRUE(waitUntil([&] { return loggedTimes(told) >= kLaunches + 1; })) << "a launch was not answered in time";
    EXPECT_EQ(loggedTimes(QStringLiteral("did not answer")), 0);

    ending.release();
    ASSERT_TRUE(waitUntil([&] {
        return std::all_of(launches.begin(), launches.end(), [](const auto& launch) { return launch->role().has_value(); });
    }, 60000));
    const auto primary = std::find_if(launches.begin(), launches.end(),
                                      [](const auto& launch) { return launch->role() == SingleInstance::Role::primary; });
    ASSERT_NE(primary, launches.end());
    for (const auto& launch : launches)
        EXPECT_TRUE(launch == *primary || launch->role() == SingleInstance::Role::handedOff);
    EXPECT_EQ(loggedTimes(told), kLaunches + 1) << "launches told to wait asked again";
    requests.removeAt(primary - launches.begin());
    ASSERT_TRUE(waitUntil([&] { return (*primary)->received().size() >= requests.size(); }));
    QList<LaunchRequest> received = (*primary)->received();
    const auto byFile = [](const LaunchRequest& x, const LaunchRequest& y) { return x.files < y.files; };
    std::sort(received.begin(), received.end(), byFile);
    std::sort(requests.begin(), requests.end(), byFile);
    EXPECT_EQ(received, requests);
}

// ---- The real program --------------------------------------------------------------------------

// A second launch hands its files over and ends at once.
TEST_F(SingleInstanceTest, TheProgramsSendWithAWebLinkChangesNothingAndOpenedFilesReachTheRunningInstance)
{
    if (!QFileInfo(kProgram).isExecutable())
        GTEST_SKIP() << "the kelvaro program is not built";
    listen();
    FolderWatcher watcher;
    int windowShown = 0;
    AppDelegate delegate(*store, watcher, AppDelegate::Hooks{[&] { ++windowShown; }, {}, {}});
    QObject::connect(running.get(), &SingleInstance::requested, &delegate, &AppDelegate::handle);
    const QString old = writePhoto(dir(), QStringLiteral("old.png"));
    store->receive(QStringList{old}, false);
    store->setSidebarSelection(SidebarItem::history);

    // The file manager's send action with a web link.
    EXPECT_EQ(launch(socketName, work.path(), {QStringLiteral("--send"), QStringLiteral("https://example.com/photo.jpg")}), 0);
    passPostedEvents();
    EXPECT_EQ(store->droppedFiles(), QStringList{old});
    EXPECT_EQ(store->sidebarSelection(), SidebarItem::history);
    EXPECT_EQ(windowShown, 0);

    const QString a = writePhoto(work, QStringLiteral("a.jpg"));
    const QString b = writePhoto(work, QStringLiteral("b.png"));
    EXPECT_EQ(launch(socketName, work.path(), {QStringLiteral("a.jpg"), QStringLiteral("b.png")}), 0);
    ASSERT_TRUE(waitUntil([&] { return windowShown > 0; }));
    EXPECT_EQ(store->droppedFiles(), (QStringList{a, b}));
    EXPECT_EQ(store->sidebarSelection(), SidebarItem::home);
    EXPECT_EQ(windowShown, 1);
}

// `kelvaro --help` and `--version` print and end; no instance, no window starts (one that did
// would never end by itself).
TEST_F(SingleInstanceTest, TheProgramsHelpAndVersionPrintAndEnd)
{
    if (!QFileInfo(kProgram).isExecutable())
        GTEST_SKIP() << "the kelvaro program is not built";
    for (const auto& [option, expected] : {std::pair<const char*, QString>{"--help", QStringLiteral("--send")},
                                           {"--version", QStringLiteral("Kelvaro " KELVARO_VERSION)}}) {
        QString output;
        EXPECT_EQ(launch(socketName, work.path(), {QString::fromLatin1(option)}, &output), 0) << option;
        EXPECT_TRUE(output.contains(expected)) << option;
        EXPECT_FALSE(QFileInfo::exists(socketName)) << option;
    }
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

// What a killed launch or anyone else left under the instance's names is no running instance: the
// next launch becomes it, neither failing nor waiting for ever (QLockFile reads what stands at its
// name and never clears a lock whose owner it cannot tell).
TEST_F(SingleInstanceTest, WhatNoProcessHoldsUnderTheInstancesNamesIsCleared)
{
    const QString lock = socketName + QStringLiteral(".lock");
    const auto ageOf = [](const QString& path) {
        const timeval hourAgo[2] = {{::time(nullptr) - 3600, 0}, {::time(nullptr) - 3600, 0}};
        ASSERT_EQ(::utimes(QFile::encodeName(path).constData(), hourAgo), 0);
    };
    const struct {
        const char* name;
        std::function<void()> leave;
    } rows[] = {
        {"an empty lock of a launch killed as it made it", [&] { kelvaro::test::writeFile(lock, QByteArray()); ageOf(lock); }},
        {"an empty lock made a moment ago", [&] { kelvaro::test::writeFile(lock, QByteArray()); }},
        {"a garbled lock", [&] { kelvaro::test::writeFile(lock, "\xff\xfe\n"); ageOf(lock); }},
        {"a lock naming another machine and a live process", [&] {
             kelvaro::test::writeFile(lock, QByteArray::number(::getpid()) + "\nkelvaro\nelsewhere\n0123456789abcdef0123456789abcdef\n\n");
             ageOf(lock);
         }},
        {"a folder for the lock", [&] { ASSERT_TRUE(QDir().mkpath(lock + QStringLiteral("/inside"))); }},
        {"a FIFO for the lock", [&] { ASSERT_EQ(::mkfifo(QFile::encodeName(lock).constData(), 0600), 0); }},
        {"a folder for the socket", [&] { ASSERT_TRUE(QDir().mkpath(socketName + QStringLiteral("/inside"))); }},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        for (const QString& name : {lock, socketName}) {
            if (!QDir(name).removeRecursively())
                QFile::remove(name);
        }
        row.leave();
        std::atomic<bool> done{false};
        std::optional<SingleInstance::Role> role;
        bool listening = false;
        // A thread of Qt's: the instance listens on it.
        QThread* launch = QThread::create([&] {
            SingleInstance next(socketName);
            role = next.claim(LaunchRequest{{}, true}, 5000);
            listening = next.isListening();
            done = true;
        });
        launch->start();
        EXPECT_TRUE(waitUntil([&] { return done.load(); }, 30000));
        // A reader blocked on the FIFO gets its end of file, so that a failure ends the test.
        while (!done.load()) {
            const int fd = ::open(QFile::encodeName(lock).constData(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
            if (fd >= 0)
                ::close(fd);
            QThread::msleep(10);
        }
        launch->wait();
        delete launch;
        EXPECT_EQ(role, SingleInstance::Role::primary);
        EXPECT_TRUE(listening);
        EXPECT_FALSE(QFileInfo::exists(lock)) << "the launch did not let go of the lock";
        for (const QString& aside : QDir(temp.path()).entryList({QStringLiteral("instance*.aside-*")}, QDir::AllEntries | QDir::System)) {
            if (!QDir(temp.filePath(aside)).removeRecursively())
                QFile::remove(temp.filePath(aside));
        }
    }
}

// A running instance still building its window answers only once it is built: a launch that
// gave up on it meanwhile would lose the files it was opened with.
TEST_F(SingleInstanceTest, ALaunchWaitsForARunningInstanceStillStarting)
{
    const QString a = writePhoto(work, QStringLiteral("a.jpg"));
    listen();
    std::atomic<bool> done{false};
    std::optional<SingleInstance::Role> role;
    std::thread launch([&] {
        SingleInstance later(socketName);
        role = later.claim(LaunchRequest{{a}, false});
        done = true;
    });
    // The running side is busy starting for three seconds and reads nothing meanwhile.
    QElapsedTimer starting;
    starting.start();
    while (!done.load() && !starting.hasExpired(3000))
        QThread::msleep(10);
    EXPECT_TRUE(waitUntil([&] { return done.load(); }, 60000));
    launch.join();
    EXPECT_EQ(role, SingleInstance::Role::handedOff);
    EXPECT_EQ(received, (QList<LaunchRequest>{{{a}, false}}));
}

// A runtime folder that takes no files can hold neither lock nor socket: the instance goes to the
// temporary folder, so that a second launch still hands its files over instead of becoming a
// second application on the same settings.
TEST_F(SingleInstanceTest, ARuntimeFolderThatTakesNoFilesStillKeepsOneInstance)
{
    const QString runtime = temp.filePath(QStringLiteral("runtime"));
    kelvaro::test::SmallDisk disk(runtime, 64 * 1024);
    if (!disk.isMounted())
        GTEST_SKIP() << disk.whyNot().toStdString();
    ASSERT_TRUE(disk.makeReadOnly());
    const QByteArray oldRuntime = qgetenv("XDG_RUNTIME_DIR");
    const QByteArray oldTemp = qgetenv("TMPDIR");
    const auto restore = qScopeGuard([&] {
        qputenv("XDG_RUNTIME_DIR", oldRuntime);
        oldTemp.isNull() ? qunsetenv("TMPDIR") : qputenv("TMPDIR", oldTemp);
    });
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime));
    qputenv("TMPDIR", QFile::encodeName(temp.path())); // not the machine's, shared with other runs
    ASSERT_TRUE(qEnvironmentVariableIsEmpty(SingleInstance::socketEnvironment));

    const QString a = writePhoto(work, QStringLiteral("a.jpg"));
    SingleInstance first;
    ASSERT_EQ(first.claim({}), SingleInstance::Role::primary);
    EXPECT_TRUE(first.isListening());
    QObject::connect(&first, &SingleInstance::requested, [this](const LaunchRequest& r) { received.append(r); });
    const SingleInstance::Role second = onOtherThread([&] {
        SingleInstance later;
        return later.claim(LaunchRequest{{a}, false}, 5000);
    });
    EXPECT_EQ(second, SingleInstance::Role::handedOff);
    EXPECT_EQ(received, (QList<LaunchRequest>{{{a}, false}}));
}

// Output of a running program, gathered as it comes.
struct Program {
    QProcess process;
    QByteArray said;
    bool says(const char* text)
    {
        said += process.readAllStandardError();
        return said.contains(text);
    }
};

void startProgram(Program& program, const QString& socket, const QString& folder, const QStringList& arguments)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QString::fromLatin1(SingleInstance::socketEnvironment), socket);
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    program.process.setProcessEnvironment(environment);
    program.process.setWorkingDirectory(folder);
    program.process.start(kProgram, arguments);
}

// The process id that holds the instance's lock; 0 when none.
qint64 instanceHolder(const QString& socket)
{
    qint64 pid = 0;
    QString host, name;
    QLockFile(socket + QStringLiteral(".lock")).getLockInfo(&pid, &host, &name);
    return pid;
}

// The running program ends while its last save waits for another process's lock on the settings
// (this test holds it) and the session asks twice, with what its watched folder made not on disk.
// A launch then waits: it never becomes a second application on settings read before that save
// (which would process the watched file again and write its old history over the new), and runs
// once the first has saved and let go.
TEST_F(SingleInstanceTest, TheProgramLaunchedWhileTheRunningOneMakesItsLastSaveWaitsForIt)
{
    if (!QFileInfo(kProgram).isExecutable())
        GTEST_SKIP() << "the kelvaro program is not built";
    ASSERT_TRUE(QDir(temp.path()).mkpath(QStringLiteral("In")) && QDir(temp.path()).mkpath(QStringLiteral("Out")));
    const QString in = temp.filePath(QStringLiteral("In"));
    ASSERT_TRUE(OutputFolder::remember(temp.filePath(QStringLiteral("Out"))));
    std::optional<QString> results;
    {
        FolderWatcher rules;
        rules.setTickInterval(std::chrono::hours(1));
        ASSERT_TRUE(rules.add(in, WatchAction::convert(QStringLiteral("png"))));
        results = rules.resultsFolder(rules.rules().first());
        kelvaro::test::passTimersOf(0);
        ASSERT_TRUE(waitUntil([&] { return !rules.hasWorkInFlight(); }));
    }
    ASSERT_TRUE(results);
    Settings::shared().setValue(QStringLiteral("kelvaro.onboarded"), true);
    ASSERT_TRUE(Settings::shared().sync());

    Program first;
    startProgram(first, socketName, work.path(), {});
    const auto stop = qScopeGuard([&] {
        first.process.kill();
        first.process.waitForFinished(5000);
    });
    ASSERT_TRUE(waitUntil([&] { return SingleInstance::send(socketName, LaunchRequest{}, 500); }, 60000)) << "the program never came up";

    QLockFile other(Settings::shared().filePath() + QStringLiteral(".lock"));
    ASSERT_TRUE(other.tryLock(0));
    writePhoto(QDir(in), QStringLiteral("n1.jpg"));
    ASSERT_TRUE(waitUntil([&] { return QFileInfo::exists(*results + QStringLiteral("/n1.png")); }, 60000))
        << "the watched file was not made";
    ASSERT_TRUE(kelvaro::test::signalChild(first.process, SIGTERM)) << first.said.toStdString();
    ASSERT_TRUE(waitUntil([&] { return first.says("the end waits for another process"); }, 60000)) << first.said.toStdString();
    ASSERT_TRUE(kelvaro::test::signalChild(first.process, SIGTERM)) << first.said.toStdString();
    ASSERT_TRUE(waitUntil([&] { return first.says("the last save goes on"); }, 60000)) << first.said.toStdString();

    const QString photo = writePhoto(work, QStringLiteral("photo.jpg"));
    Program second;
    startProgram(second, socketName, work.path(), {photo});
    const auto stopSecond = qScopeGuard([&] {
        second.process.kill();
        second.process.waitForFinished(5000);
    });
    ASSERT_TRUE(waitUntil([&] {
        return second.says("is ending: waiting") || instanceHolder(socketName) == second.process.processId()
            || second.process.state() == QProcess::NotRunning;
    }, 60000));
    EXPECT_EQ(instanceHolder(socketName), first.process.processId()) << "a second application on the settings before their last save";
    EXPECT_EQ(second.process.state(), QProcess::Running) << second.said.toStdString();

    other.unlock();
    ASSERT_TRUE(waitUntil([&] { return first.process.state() == QProcess::NotRunning; }, 60000));
    EXPECT_EQ(first.process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(first.process.exitCode(), 0);
    const QJsonObject stored = QJsonDocument::fromJson(kelvaro::test::readFile(Settings::shared().filePath())).object();
    const QByteArray library = QByteArray::fromBase64(
        stored.value(QStringLiteral("kelvaro.library.v1")).toObject().value(QStringLiteral("data")).toString().toLatin1());
    EXPECT_TRUE(library.contains("n1")) << "the first one's last save is not on disk";
    ASSERT_TRUE(waitUntil([&] { return instanceHolder(socketName) == second.process.processId(); }, 60000))
        << second.said.toStdString();
    EXPECT_TRUE(waitUntil([&] { return SingleInstance::send(socketName, LaunchRequest{}, 500); }, 60000))
        << "the launch that waited is not the running instance";
    EXPECT_TRUE(kelvaro::test::signalChild(second.process, SIGTERM)) << second.said.toStdString();
    EXPECT_TRUE(waitUntil([&] { return second.process.state() == QProcess::NotRunning; }, 60000));
    EXPECT_EQ(QDir(*results).entryList(QDir::Files), QStringList{QStringLiteral("n1.png")});
    first.said += first.process.readAllStandardError();
    EXPECT_FALSE(first.said.contains("QSocketNotifier")) << first.said.toStdString();
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
    const bool failureShown = view.findChild<QWidget*>(QStringLiteral("restartText"))->accessibleName().contains(QStringLiteral("couldn’t"));
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
TEST_F(SingleInstanceTest, TheOldInstanceQuitsOnlyOnceTheNewProcessTookOverWithTheNewLanguage)
{
    if (!QFileInfo(kProgram).isExecutable())
        GTEST_SKIP() << "the kelvaro program is not built";
    EXPECT_EQ(runOldInstance(socketName, QStringLiteral("/nonexistent/kelvaro")), 4 + 8);

    EXPECT_EQ(runOldInstance(socketName, kProgram), 1 + 2);
    ASSERT_TRUE(waitUntil([&] { return SingleInstance::send(socketName, LaunchRequest{}, 500); }, 30000));
    qint64 pid = 0;
    QString host, name;
    ASSERT_TRUE(QLockFile(socketName + QStringLiteral(".lock")).getLockInfo(&pid, &host, &name));
    // Started by the old instance, so no child of this test's: signalled only once it is sure to be it.
    const bool newProcess = pid > 0 && QFileInfo(QStringLiteral("/proc/%1/exe").arg(pid)).canonicalFilePath() == QFileInfo(kProgram).canonicalFilePath();
    ASSERT_TRUE(newProcess) << "the instance's lock is held by process " << pid;
    Settings::shared().sync(); // what the new process read at its start
    EXPECT_EQ(Settings::shared().stringValue(QStringLiteral("kelvaro.language")), std::optional<QString>(QStringLiteral("en")));
    ::kill(pid_t(pid), SIGTERM);
}

} // namespace
