// Ending the application with changes a failed save left: a signal from the session saves them
// once the disk has room and ends normally; the quit command or the last window closing asks
// first while they cannot be saved, also with the window closed to the tray, and "Zkusit znovu"
// saves when it can, as does the settings' own retry; another process's save puts the end off
// without stopping the window; a run under way is stopped and booked before the end.
#include <atomic>
#include <chrono>
#include <csignal>
#include <future>
#include <memory>
#include <thread>
#include <utility>

#include <QApplication>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLockFile>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QGuiApplication>
#include <QImage>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSemaphore>
#include <QTemporaryDir>
#include <QThread>
#include <QWidget>
#include <QTimer>

#include <gtest/gtest.h>

#include "../support/SmallDisk.h"
#include "../support/TestImages.h"
#include "../support/TestSupport.h"
#include "../support/WidgetEvents.h"
#include "TestPaths.h"
#include "app/QuitGuard.h"
#include "app/QuitQuestion.h"
#include "app/QuitWork.h"
#include "app/SingleInstance.h"
#include "engine/FileAbort.h"
#include "engine/ImageEngine.h"
#include "engine/RunHooks.h"
#include "l10n/Localization.h"
#include "output/OutputFolder.h"
#include "platform/ChildProcesses.h"
#include "platform/FileSystem.h"
#include "platform/Log.h"
#include "platform/Settings.h"
#include "store/KelvaroStore.h"
#include "ui/design/DesignSystem.h"
#include "watch/FolderWatcher.h"

using namespace kelvaro;

namespace {

constexpr const char* kConfigVariable = "KELVARO_QUIT_CONFIG";
const QString kPending = QStringLiteral("kelvaro.quitTest.pending");

// The settings file as it is on disk now.
QJsonObject stored()
{
    return QJsonDocument::fromJson(test::readFile(Settings::shared().filePath())).object();
}

// The stored document under `key` (a data value) as it is on disk now.
QByteArray storedData(const QString& key)
{
    return QByteArray::fromBase64(stored().value(key).toObject().value(QStringLiteral("data")).toString().toLatin1());
}

// The ways an end comes, each from inside the event loop.
enum class Way {
    quitCommand, // Ctrl+Q or the tray's "Ukončit"
    signal,      // SIGTERM from the session
    lastWindow,  // the last window closing while that ends the application
};

void endBy(Way way, QWidget& window)
{
    switch (way) {
    case Way::quitCommand:
        QCoreApplication::quit();
        break;
    case Way::signal:
        ::raise(SIGTERM);
        break;
    case Way::lastWindow:
        window.close();
        break;
    }
}

// Runs `step` on the event loop each time it turns until it returns true.
class EachTurn {
public:
    explicit EachTurn(std::function<bool()> step)
    {
        QObject::connect(&m_timer, &QTimer::timeout, [this, step = std::move(step)] {
            if (step())
                m_timer.stop();
        });
        m_timer.start(0);
    }

private:
    QTimer m_timer;
};

// Ends the event loop `ms` from now, as an end that never comes would not: a test waiting for the
// loop fails at its own deadline instead of hanging until ctest's. Longer than any end takes here.
class LoopDeadline {
public:
    explicit LoopDeadline(int ms = 30000)
    {
        m_timer.setSingleShot(true);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            m_expired = true;
            QCoreApplication::exit(kLoopTimedOut);
        });
        m_timer.start(ms);
    }
    bool expired() const { return m_expired; }

    static constexpr int kLoopTimedOut = 99;

private:
    QTimer m_timer;
    bool m_expired = false;
};

class QuitGuardTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Settings::shared().setValue(QStringLiteral("kelvaro.language"), QStringLiteral("cs"));
        QGuiApplication::setQuitOnLastWindowClosed(true);
    }
    void TearDown() override
    {
        FileSystem::setCurrent(nullptr);
        Settings::shared().sync(); // what a test left unsaved on purpose stays out of the next one
        QGuiApplication::setQuitOnLastWindowClosed(true);
    }
};

// The application in short: its history gets a run's entry the full disk refuses, then it waits
// for the end on its event loop.
TEST(QuitGuardChild, EndsOnASignal)
{
    qputenv("XDG_CONFIG_HOME", qgetenv(kConfigVariable)); // before the settings are first read
    QuitGuard guard(Settings::shared());
    ASSERT_TRUE(guard.catchTerminationSignals());
    KelvaroStore store{StoreServices{}};
    store.addHistoryEntry({.id = QUuid::createUuid(),
                           .fileName = QStringLiteral("after-the-end.jpg"),
                           .actionTitle = QStringLiteral("Převod · JPG"),
                           .symbol = QStringLiteral("photo"),
                           .date = QDateTime::currentDateTimeUtc(),
                           .savedBytes = 1,
                           .outputPath = QStringLiteral("/tmp/out/after-the-end.jpg")});
    ASSERT_TRUE(Settings::shared().hasUnsavedChanges() && Settings::shared().saveError() != 0);
    std::printf("pending\n");
    std::fflush(stdout);
    const LoopDeadline deadline(60000);
    EXPECT_EQ(QCoreApplication::exec(), 0);
}

TEST(QuitGuard, aSignalSavesWhatWaitsAndEndsNormally)
{
    const QString config = qEnvironmentVariable("XDG_CONFIG_HOME") + QStringLiteral("/child");
    const QString folder = config + QStringLiteral("/Kelvaro");
    test::SmallDisk disk(folder, 512 * 1024);
    if (!disk.isMounted())
        GTEST_SKIP() << disk.whyNot().toStdString();
    disk.fillLeaving(0);

    for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QString::fromLatin1(kConfigVariable), config);
        child.setProcessEnvironment(env);
        child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--gtest_filter=QuitGuardChild.EndsOnASignal")});
        ASSERT_TRUE(child.waitForStarted());
        QByteArray said;
        while (!said.contains("pending\n")) {
            ASSERT_TRUE(child.waitForReadyRead(60000)) << child.readAllStandardError().toStdString();
            said += child.readAllStandardOutput();
        }
        ASSERT_TRUE(QFile::remove(folder + QStringLiteral("/filler")));
        ASSERT_TRUE(test::signalChild(child, signal)) << child.readAllStandardError().toStdString();
        ASSERT_TRUE(child.waitForFinished(60000));
        EXPECT_EQ(child.exitStatus(), QProcess::NormalExit) << "signal " << signal;
        EXPECT_EQ(child.exitCode(), 0) << child.readAllStandardOutput().toStdString();

        const QJsonObject stored = QJsonDocument::fromJson(test::readFile(folder + QStringLiteral("/kelvaro.json"))).object();
        const QByteArray library = QByteArray::fromBase64(
            stored.value(QStringLiteral("kelvaro.library.v1")).toObject().value(QStringLiteral("data")).toString().toLatin1());
        EXPECT_TRUE(library.contains("after-the-end.jpg")) << "signal " << signal;
        QFile::remove(folder + QStringLiteral("/kelvaro.json"));
        disk.fillLeaving(0);
    }
}

enum class Answer {
    retry,      // "Zkusit znovu", once the disk has room
    quitAnyway, // "Přesto ukončit"
    roomLater,  // none: the disk gets room and the settings' retry saves
};

struct QuitRow {
    const char* name;
    bool byClosing; // the last window closes, or the quit command
    Answer answer;
};

class QuitWithUnsavedChanges : public ::testing::TestWithParam<QuitRow> {
protected:
    void SetUp() override { Settings::shared().setValue(QStringLiteral("kelvaro.language"), QStringLiteral("cs")); }
    void TearDown() override { FileSystem::setCurrent(nullptr); }
};

TEST_P(QuitWithUnsavedChanges, asksBeforeTheWindowGoes)
{
    const QuitRow row = GetParam();
    FailingFileSystem disk;
    disk.writeBudget = 0;
    FileSystem::setCurrent(&disk);
    Settings& settings = Settings::shared();
    ASSERT_FALSE(settings.setValue(kPending, 7));
    int quits = 0;
    QuitGuard guard(settings, [&quits] { ++quits; });
    QWidget window;
    window.resize(640, 480);
    window.show();

    if (row.byClosing) {
        EXPECT_FALSE(window.close());
    } else {
        // The command's own way, which only acts inside the application's event loop.
        QTimer::singleShot(0, [] {
            QCoreApplication::quit();
            QCoreApplication::exit(0);
        });
        const LoopDeadline deadline;
        QCoreApplication::exec();
        ASSERT_FALSE(deadline.expired());
    }
    QuitQuestion* question = guard.question();
    ASSERT_TRUE(question);
    EXPECT_TRUE(question->isVisible());
    EXPECT_EQ(question->parentWidget(), &window);
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(question->titleText()->text(), QStringLiteral("Změny se nepodařilo uložit"));
    EXPECT_EQ(question->retryButton()->text(), QStringLiteral("Zkusit znovu"));
    EXPECT_EQ(question->quitButton()->text(), QStringLiteral("Přesto ukončit"));
    EXPECT_TRUE(question->reason().contains(QStringLiteral("na disku není místo"))) << question->reason().toStdString();
    EXPECT_EQ(quits, 0);

    if (row.answer == Answer::roomLater) {
        disk.writeBudget = -1;
        ASSERT_TRUE(test::waitUntil([&] { return quits == 1; })) << "the question stayed after a save succeeded";
        EXPECT_FALSE(settings.hasUnsavedChanges());
    } else if (row.answer == Answer::retry) {
        EXPECT_EQ(question->retried(), QString());
        question->retryButton()->click();
        EXPECT_TRUE(question->isVisible()); // still no room
        EXPECT_EQ(quits, 0);
        EXPECT_TRUE(question->retried().startsWith(QStringLiteral("Znovu jsem to zkusil v "))) << question->retried().toStdString();
        disk.writeBudget = -1;
        question->retryButton()->click();
        EXPECT_EQ(quits, 1);
        EXPECT_FALSE(settings.hasUnsavedChanges());
        EXPECT_EQ(QJsonDocument::fromJson(test::readFile(settings.filePath())).object().value(kPending).toInt(), 7);
    } else {
        question->quitButton()->click();
        EXPECT_EQ(quits, 1);
        EXPECT_TRUE(settings.hasUnsavedChanges());
    }
}

INSTANTIATE_TEST_SUITE_P(Ways, QuitWithUnsavedChanges,
                         ::testing::Values(QuitRow{"quitCommandThenRetry", false, Answer::retry},
                                           QuitRow{"quitCommandThenQuitAnyway", false, Answer::quitAnyway},
                                           QuitRow{"lastWindowThenRetry", true, Answer::retry},
                                           QuitRow{"lastWindowThenQuitAnyway", true, Answer::quitAnyway},
                                           QuitRow{"lastWindowThenRoomLater", true, Answer::roomLater}),
                         test::RowName());

// Asked to end while another process holds the settings' lock: no question about a save merely
// put off, the window's loop goes on, and the end comes with the save once the lock is free. Only
// the event loop lets go of the lock here: an end that waited for it on the window's thread would
// find it held all through its wait and fail the save.
TEST_F(QuitGuardTest, anEndWhileAnotherProcessSavesWaitsOnTheEventLoop)
{
    Settings& settings = Settings::shared();
    QLockFile other(settings.filePath() + QStringLiteral(".lock"));
    ASSERT_TRUE(other.tryLock(0));
    int failedSaves = 0;
    const QMetaObject::Connection failures = QObject::connect(&settings, &Settings::saveFailed, [&] { ++failedSaves; });
    int quits = 0;
    QuitGuard guard(settings, [&quits] {
        ++quits;
        QCoreApplication::exit(0);
    });
    QWidget window;
    window.show();
    bool waitedOnTheLoop = false;
    QTimer::singleShot(0, [&] {
        settings.setValue(kPending, 8);
        QCoreApplication::quit();
        QTimer::singleShot(0, [&] {
            waitedOnTheLoop = !guard.question() && quits == 0 && settings.waitsForAnotherProcess();
            other.unlock();
        });
    });
    const LoopDeadline deadline;
    QCoreApplication::exec();
    EXPECT_FALSE(deadline.expired()) << "the end never came";
    QObject::disconnect(failures);
    EXPECT_TRUE(waitedOnTheLoop);
    EXPECT_EQ(quits, 1);
    EXPECT_EQ(failedSaves, 0) << "the end waited for the lock on the window's thread";
    EXPECT_FALSE(settings.hasUnsavedChanges());
    EXPECT_EQ(stored().value(kPending).toInt(), 8);
}

// The session asks again once the other process has let go of the lock: the change is on disk by
// the time the application ends, as the second signal takes no question and no waiting.
TEST_F(QuitGuardTest, aSecondSignalAfterTheLockIsFreeStillSavesTheChange)
{
    Settings& settings = Settings::shared();
    QLockFile other(settings.filePath() + QStringLiteral(".lock"));
    ASSERT_TRUE(other.tryLock(0));
    int quits = 0;
    std::optional<int> onDiskAtTheEnd;
    QuitGuard guard(settings, [&] {
        ++quits;
        onDiskAtTheEnd = stored().value(kPending).toInt();
        QCoreApplication::exit(0);
    });
    ASSERT_TRUE(guard.catchTerminationSignals());
    QTimer::singleShot(0, [&] {
        EXPECT_FALSE(settings.setValue(kPending, 10));
        ::raise(SIGTERM);
    });
    // The lock goes and the second signal comes in one turn of the loop, before the settings'
    // own retry can save.
    const EachTurn second([&] {
        if (!guard.isEnding())
            return false;
        other.unlock();
        ::raise(SIGTERM);
        return true;
    });
    const LoopDeadline deadline;
    QCoreApplication::exec();
    EXPECT_FALSE(deadline.expired()) << "the end never came";
    EXPECT_EQ(quits, 1);
    EXPECT_EQ(onDiskAtTheEnd, 10);
}

// "Přesto ukončit" given just as the disk got room: the last save after the event loop still
// writes the change.
TEST_F(QuitGuardTest, leftAnywayAsTheDiskGotRoomTheLastSaveWritesTheChange)
{
    FailingFileSystem disk;
    disk.writeBudget = 0;
    FileSystem::setCurrent(&disk);
    Settings& settings = Settings::shared();
    ASSERT_FALSE(settings.setValue(kPending, 11));
    int quits = 0;
    QuitGuard guard(settings, [&quits] {
        ++quits;
        QCoreApplication::exit(0);
    });
    QWidget window;
    window.show();
    QTimer::singleShot(0, [] { QCoreApplication::quit(); });
    const EachTurn answer([&] {
        QuitQuestion* question = guard.question();
        if (!question || !question->isVisible())
            return false;
        disk.writeBudget = -1; // room, and the answer before the settings' retry could use it
        question->quitButton()->click();
        return true;
    });
    const LoopDeadline deadline;
    guard.runEventLoop();
    EXPECT_FALSE(deadline.expired()) << "the end never came";
    EXPECT_EQ(quits, 1);
    EXPECT_FALSE(settings.hasUnsavedChanges());
    EXPECT_EQ(stored().value(kPending).toInt(), 11);
}

// A launch while the ending process's last save waits for another process's lock is told to wait:
// it does not become a second application reading the settings before that save, and is not taken
// by a process about to go. Once the save is on disk the instance is free and the launch takes it.
// Reached by "Přesto ukončit" as the disk got room (the last save after the loop) and by a second
// signal while the end waits for the lock (the save at once).
TEST_F(QuitGuardTest, aLaunchWhileTheLastSaveWaitsRunsOnlyOnceTheSaveIsOnDisk)
{
    struct Row {
        const char* name;
        bool secondSignal;
        int value;
    };
    for (const Row& row : {Row{"quitAnyway", false, 13}, Row{"secondSignal", true, 14}}) {
        SCOPED_TRACE(row.name);
        QTemporaryDir temp;
        ASSERT_TRUE(temp.isValid());
        const QString socket = temp.filePath(QStringLiteral("instance"));
        SingleInstance ending(socket);
        ASSERT_EQ(ending.claim({}), SingleInstance::Role::primary);
        FailingFileSystem disk;
        disk.writeBudget = row.secondSignal ? -1 : 0;
        FileSystem::setCurrent(&disk);
        Settings& settings = Settings::shared();
        QLockFile other(settings.filePath() + QStringLiteral(".lock"));
        if (row.secondSignal)
            ASSERT_TRUE(other.tryLock(0));
        else
            ASSERT_FALSE(settings.setValue(kPending, row.value));
        clearRecentLogLines();

        std::atomic<bool> quit{false};
        std::atomic<bool> claimed{false};
        std::optional<bool> claimedMeanwhile;
        std::optional<SingleInstance::Role> launched;
        std::optional<int> onDiskThen;
        const auto logSays = [](const char* text) { return recentLogLines().join(QLatin1Char('\n')).contains(QLatin1String(text)); };
        std::thread launch([&] {
            const QDeadlineTimer limit(60000);
            while (!quit && !logSays("last save goes on")) {
                if (limit.hasExpired())
                    break;
                QThread::msleep(5);
            }
            SingleInstance later(socket);
            launched = later.claim(LaunchRequest{.files = {}, .activate = true}, 2000);
            claimed = true;
            onDiskThen = stored().value(kPending).toInt();
            later.release();
        });
        // The other process lets go of the settings once the launch waits; it still held them while
        // the launch came, so the save cannot have been on disk before.
        std::thread otherProcess([&] {
            const QDeadlineTimer limit(60000);
            while (!quit && !logSays("is ending: waiting") && !limit.hasExpired())
                QThread::msleep(5);
            claimedMeanwhile = claimed.load();
            other.unlock();
        });
        QuitGuard guard(settings, [&] {
            quit = true;
            QCoreApplication::exit(0);
        });
        guard.setInstance(&ending);
        ASSERT_TRUE(guard.catchTerminationSignals());
        QWidget window;
        window.show();
        QTimer::singleShot(0, [&] {
            if (!row.secondSignal) {
                QCoreApplication::quit();
                return;
            }
            settings.setValue(kPending, row.value); // put off by the lock
            ::raise(SIGTERM);
        });
        const EachTurn answer([&] {
            if (row.secondSignal) {
                if (!guard.isEnding())
                    return false;
                ::raise(SIGTERM);
                return true;
            }
            QuitQuestion* question = guard.question();
            if (!question || !question->isVisible())
                return false;
            disk.writeBudget = -1;
            EXPECT_TRUE(other.tryLock(0)); // another process saves: the last save will wait for it
            question->quitButton()->click();
            return true;
        });
        const LoopDeadline deadline;
        guard.runEventLoop();
        EXPECT_FALSE(deadline.expired()) << "the end never came";
        quit = true;
        launch.join();
        otherProcess.join();
        EXPECT_EQ(claimedMeanwhile, false) << "a second process on the settings before their last save";
        EXPECT_EQ(launched, SingleInstance::Role::primary);
        EXPECT_EQ(onDiskThen, row.value);
        FileSystem::setCurrent(nullptr);
    }
}

struct WayRow {
    const char* name;
    Way way;
};

// With the main window closed to the tray and changes the full disk refuses, every way of ending
// shows the main window and asks over it.
struct TrayRow {
    const char* name;
    Way way;
    bool fromTheDropWindow; // the tray's drop window is shown and active as the end comes
};

class QuitFromTheTray : public QuitGuardTest, public ::testing::WithParamInterface<TrayRow> {};

TEST_P(QuitFromTheTray, showsTheMainWindowAndAsks)
{
    FailingFileSystem disk;
    disk.writeBudget = 0;
    FileSystem::setCurrent(&disk);
    Settings& settings = Settings::shared();
    ASSERT_FALSE(settings.setValue(kPending, 12));
    QGuiApplication::setQuitOnLastWindowClosed(false);
    QWidget mainWindow; // closed to the tray: not shown
    mainWindow.resize(640, 480);
    // As the tray's drop window is: a tool window of its own, gone once it loses the focus.
    QWidget dropWindow(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    dropWindow.resize(320, 240);
    if (GetParam().fromTheDropWindow) {
        dropWindow.show();
        dropWindow.activateWindow();
        ASSERT_TRUE(test::waitUntil([&] { return QApplication::activeWindow() == &dropWindow; }));
    }
    int quits = 0;
    QuitGuard guard(settings, [&quits] {
        ++quits;
        QCoreApplication::exit(0);
    });
    ASSERT_TRUE(guard.catchTerminationSignals());
    guard.setWindowToShow([&mainWindow] {
        mainWindow.show();
        return &mainWindow;
    });
    QTimer::singleShot(0, [&] { endBy(GetParam().way, mainWindow); });
    const EachTurn asked([&] {
        if (!guard.question() && quits == 0)
            return false;
        QCoreApplication::exit(0);
        return true;
    });
    const LoopDeadline deadline;
    QCoreApplication::exec();
    EXPECT_FALSE(deadline.expired()) << "the end never came";
    EXPECT_EQ(quits, 0) << "ended with the changes and without a word";
    QuitQuestion* question = guard.question();
    ASSERT_TRUE(question);
    EXPECT_TRUE(mainWindow.isVisible()) << "asked over an empty desktop";
    EXPECT_EQ(question->parentWidget(), &mainWindow);
    EXPECT_TRUE(question->isVisible());

    question->quitButton()->click();
    EXPECT_EQ(quits, 1);
}

INSTANTIATE_TEST_SUITE_P(Ways, QuitFromTheTray,
                         ::testing::Values(TrayRow{"quitCommand", Way::quitCommand, false}, TrayRow{"signal", Way::signal, false},
                                           TrayRow{"quitCommandFromTheDropWindow", Way::quitCommand, true},
                                           TrayRow{"signalWhileTheDropWindowIsOpen", Way::signal, true}),
                         test::RowName());

// Background work as the end sees it: under way until the test ends it.
struct FakeWork {
    bool underWay = true;
    int stops = 0;
    int resumes = 0;
    QuitGuard::Work hooks()
    {
        return {[this] { return underWay; }, [this] { ++stops; }, [this] { ++resumes; }};
    }
};

struct DrawingRow {
    const char* name;
    bool workUnderWay; // the end stops it first; else the end comes at once
};

class QuitDuringADrawing : public QuitGuardTest, public ::testing::WithParamInterface<DrawingRow> {};

// A PDF page whose drawing takes minutes is ended as soon as an end starts, whether background work
// is stopped first or the end comes at once: the end never waits for a drawing.
TEST_P(QuitDuringADrawing, endsItAtOnce)
{
    QTemporaryDir dir;
    const QString page = testimages::writePageFills(dir.path(), QStringLiteral("fills.pdf"), 1'000'000);
    auto drawn = std::async(std::launch::async, [&page] { ImageEngine::renderPDFPage(page); });
    ASSERT_TRUE(test::waitUntil([] { return ChildProcesses::running() == 1; }));
    FakeWork work;
    work.underWay = GetParam().workUnderWay;
    QuitGuard guard(Settings::shared(), [] {});
    guard.setWork(work.hooks());
    QElapsedTimer since;
    since.start();
    guard.requestQuit();
    ASSERT_EQ(drawn.wait_for(std::chrono::seconds(30)), std::future_status::ready);
    EXPECT_LT(since.elapsed(), 3000);
    EXPECT_THROW(drawn.get(), ImageEngine::FileAborted);
    EXPECT_EQ(work.stops, GetParam().workUnderWay ? 1 : 0);
}

INSTANTIATE_TEST_SUITE_P(Ways, QuitDuringADrawing,
                         ::testing::Values(DrawingRow{"withWorkUnderWay", true}, DrawingRow{"withNoWork", false}),
                         test::RowName());

// The session asks again while the work stops: what it made is still waited for, then the end
// comes without a question, however the last save goes.
TEST_F(QuitGuardTest, aSecondSignalWhileTheWorkStopsEndsWithoutAQuestion)
{
    FailingFileSystem disk;
    disk.writeBudget = 0;
    FileSystem::setCurrent(&disk);
    ASSERT_FALSE(Settings::shared().setValue(kPending, 14));
    FakeWork work;
    int quits = 0;
    QuitGuard guard(Settings::shared(), [&quits] {
        ++quits;
        QCoreApplication::exit(0);
    });
    ASSERT_TRUE(guard.catchTerminationSignals());
    guard.setWork(work.hooks());
    QWidget window;
    window.show();
    clearRecentLogLines();
    QTimer::singleShot(0, [] { ::raise(SIGTERM); });
    int step = 0;
    const EachTurn again([&] {
        if (step == 0 && guard.isEnding()) {
            ::raise(SIGTERM);
            step = 1;
        } else if (step == 1 && recentLogLines().join(QLatin1Char('\n')).contains(QStringLiteral("asked again to end"))) {
            EXPECT_EQ(quits, 0) << "ended before the work had stopped";
            work.underWay = false;
            guard.workChanged();
            return true;
        }
        return false;
    });
    const EachTurn asked([&] {
        if (!guard.question())
            return false;
        QCoreApplication::exit(0);
        return true;
    });
    const LoopDeadline deadline;
    QCoreApplication::exec();
    EXPECT_FALSE(deadline.expired()) << "the end never came";
    EXPECT_EQ(work.stops, 1);
    EXPECT_EQ(guard.question(), nullptr);
    EXPECT_EQ(quits, 1);
}

// The question called off (Escape) lets the stopped work go on; "Přesto ukončit" does not.
TEST_F(QuitGuardTest, callingTheEndOffLetsTheStoppedWorkGoOn)
{
    for (const bool calledOff : {true, false}) {
        FailingFileSystem disk;
        disk.writeBudget = 0;
        FileSystem::setCurrent(&disk);
        ASSERT_FALSE(Settings::shared().setValue(kPending, calledOff ? 15 : 16));
        FakeWork work;
        int quits = 0;
        QuitGuard guard(Settings::shared(), [&quits] { ++quits; });
        guard.setWork(work.hooks());
        QWidget window;
        window.show();
        guard.requestQuit();
        EXPECT_EQ(work.stops, 1);
        work.underWay = false;
        guard.workChanged();
        ASSERT_TRUE(test::waitUntil([&] { return guard.question() != nullptr; }));
        if (calledOff)
            test::pressKey(guard.question(), Qt::Key_Escape);
        else
            guard.question()->quitButton()->click();
        EXPECT_EQ(work.resumes, calledOff ? 1 : 0) << "called off: " << calledOff;
        EXPECT_EQ(quits, calledOff ? 0 : 1) << "called off: " << calledOff;
        FileSystem::setCurrent(nullptr);
    }
}

// The session asks again while the question about a failed save stands: the end is decided before
// the question closes, so the stopped work and the instance's launches never go on, not even for
// the instant between the question closing and the end.
TEST_F(QuitGuardTest, aSecondSignalWhileTheQuestionStandsLetsNothingTheEndStoppedGoOn)
{
    FailingFileSystem disk;
    disk.writeBudget = 0;
    FileSystem::setCurrent(&disk);
    ASSERT_FALSE(Settings::shared().setValue(kPending, 21));
    QTemporaryDir temp;
    ASSERT_TRUE(temp.isValid());
    SingleInstance running(temp.filePath(QStringLiteral("instance")));
    ASSERT_EQ(running.claim({}), SingleInstance::Role::primary);
    FakeWork work;
    int quits = 0;
    QuitGuard guard(Settings::shared(), [&quits] {
        ++quits;
        QCoreApplication::exit(0);
    });
    ASSERT_TRUE(guard.catchTerminationSignals());
    guard.setWork(work.hooks());
    guard.setInstance(&running);
    QWidget window;
    window.show();
    QTimer::singleShot(0, [] { ::raise(SIGTERM); });
    const EachTurn steps([&] {
        if (work.underWay && work.stops > 0) {
            work.underWay = false;
            guard.workChanged();
        }
        if (!guard.question() || !guard.question()->isVisible())
            return false;
        ::raise(SIGTERM);
        return true;
    });
    const LoopDeadline deadline;
    QCoreApplication::exec();
    EXPECT_FALSE(deadline.expired()) << "the end never came";
    EXPECT_EQ(quits, 1);
    EXPECT_EQ(work.resumes, 0) << "the watched folders went on as the question closed";
    EXPECT_FALSE(running.isListening());
}

// However the application ends, its windows are hidden before the instance is let go: the next
// instance's window would otherwise stand beside them while this process finishes its background
// work. With nothing to save as well as with a last save.
TEST_F(QuitGuardTest, theWindowsAreHiddenBeforeTheInstanceIsLetGo)
{
    for (const bool lastSave : {false, true}) {
        SCOPED_TRACE(lastSave ? "with a last save" : "with nothing to save");
        FailingFileSystem disk;
        disk.writeBudget = lastSave ? 0 : -1;
        FileSystem::setCurrent(&disk);
        if (lastSave) {
            ASSERT_FALSE(Settings::shared().setValue(kPending, 22));
        }
        QTemporaryDir temp;
        ASSERT_TRUE(temp.isValid());
        SingleInstance running(temp.filePath(QStringLiteral("instance")));
        ASSERT_EQ(running.claim({}), SingleInstance::Role::primary);
        QWidget window;
        std::optional<bool> shownAsItWent;
        running.setReleaseHook([&](SingleInstance::ReleaseStep step) {
            if (step == SingleInstance::ReleaseStep::socketClosed)
                shownAsItWent = window.isVisible();
        });
        QuitGuard guard(Settings::shared());
        guard.setInstance(&running);
        window.show();
        QTimer::singleShot(0, [&] {
            disk.writeBudget = -1; // the last save after the loop can write
            QCoreApplication::exit(0); // an end past the guard: its last save still comes
        });
        const LoopDeadline deadline;
        EXPECT_EQ(guard.runEventLoop(), 0);
        running.setReleaseHook({});
        EXPECT_EQ(shownAsItWent, false) << "a window stood as the instance went";
        EXPECT_FALSE(Settings::shared().hasUnsavedChanges());
        FileSystem::setCurrent(nullptr);
    }
}

// A launch that comes while the end waits for the work in hand, for another process's lock or for
// the question's answer is handed to this process, which then stays: ending anyway (as the question
// does once the disk has room) would leave the user with no window for the launch they just made.
// A second signal's end goes on all the same, so that process takes no launch: it is told to wait,
// and becomes the instance once the process has ended.
TEST_F(QuitGuardTest, aLaunchWhileTheEndWaitsKeepsTheApplication)
{
    enum class Waits { forWork, forLock, forAnswer, forWorkAskedTwice };
    struct Row {
        const char* name;
        Waits waits;
        bool staysOpen;
        SingleInstance::Role launched;
    };
    const Row rows[] = {
        {"whileTheWorkStops", Waits::forWork, true, SingleInstance::Role::handedOff},
        {"whileAnotherProcessSaves", Waits::forLock, true, SingleInstance::Role::handedOff},
        {"whileTheQuestionStands", Waits::forAnswer, true, SingleInstance::Role::handedOff},
        {"afterASecondSignal", Waits::forWorkAskedTwice, false, SingleInstance::Role::primary},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        QTemporaryDir temp;
        ASSERT_TRUE(temp.isValid());
        const QString socket = temp.filePath(QStringLiteral("instance"));
        SingleInstance running(socket);
        ASSERT_EQ(running.claim({}), SingleInstance::Role::primary);
        Settings& settings = Settings::shared();
        ASSERT_TRUE(settings.sync());
        std::optional<QLockFile> other;
        if (row.waits == Waits::forLock) {
            other.emplace(settings.filePath() + QStringLiteral(".lock"));
            ASSERT_TRUE(other->tryLock(0));
        }
        FailingFileSystem disk;
        if (row.waits == Waits::forAnswer) {
            disk.writeBudget = 0;
            FileSystem::setCurrent(&disk);
        }
        FakeWork work;
        work.underWay = row.waits == Waits::forWork || row.waits == Waits::forWorkAskedTwice;
        int quits = 0;
        QuitGuard guard(settings, [&quits] { ++quits; });
        ASSERT_TRUE(guard.catchTerminationSignals());
        guard.setWork(work.hooks());
        guard.setInstance(&running);
        QWidget window;
        window.show();
        // On the event loop, as the application asks: there the save never waits for the lock.
        QEventLoop loop;
        QTimer::singleShot(0, [&] {
            if (!work.underWay)
                settings.setValue(kPending, 17 + int(row.waits)); // refused by the full disk, or put off by the lock
            guard.requestQuit();
            loop.quit();
        });
        loop.exec();
        ASSERT_TRUE(guard.isEnding() || guard.question());
        if (row.waits == Waits::forWorkAskedTwice) {
            ::raise(SIGTERM);
            ASSERT_TRUE(test::waitUntil([] {
                return recentLogLines().join(QLatin1Char('\n')).contains(QStringLiteral("asked again to end"));
            }));
        }

        // The work is still under way all through the launch: a process that stays takes it, and
        // one that will not stay keeps the launch waiting until it has ended.
        std::atomic<bool> answered{false};
        std::optional<SingleInstance::Role> launched;
        std::thread launch([&] {
            SingleInstance later(socket);
            launched = later.claim(LaunchRequest{.files = {}, .activate = true}, 5000);
            later.release();
            answered = true;
        });
        const auto joined = qScopeGuard([&] {
            running.release(); // a launch still waiting ends
            launch.join();
        });
        if (row.staysOpen) {
            ASSERT_TRUE(test::waitUntil([&] { return answered.load(); }));
            EXPECT_EQ(launched, row.launched) << "a launch taken by a process about to go is lost";
        } else {
            ASSERT_TRUE(test::waitUntil([] {
                return recentLogLines().join(QLatin1Char('\n')).contains(QStringLiteral("is ending: waiting"));
            }));
        }

        // What held the end lets go: the work stops, the lock is free, the disk has room.
        work.underWay = false;
        guard.workChanged();
        if (other)
            other->unlock();
        disk.writeBudget = -1;
        test::passPostedEvents();
        if (row.staysOpen) {
            EXPECT_TRUE(test::waitUntil([&] { return !settings.hasUnsavedChanges(); })) << "the retry did not save";
            test::passPostedEvents();
        } else {
            EXPECT_TRUE(test::waitUntil([&] { return quits > 0; }));
            EXPECT_FALSE(answered.load()) << "the launch gave up on a process that was still ending";
            running.release(); // as the end of the event loop does
            ASSERT_TRUE(test::waitUntil([&] { return answered.load(); }));
            EXPECT_EQ(launched, row.launched) << "the launch did not take the instance once it was free";
        }
        EXPECT_EQ(quits, row.staysOpen ? 0 : 1);
        EXPECT_FALSE(guard.isEnding());
        EXPECT_EQ(guard.question(), nullptr);
        EXPECT_EQ(running.isListening(), row.staysOpen) << "the next launch would not find this process";
        EXPECT_EQ(work.resumes, row.staysOpen && row.waits != Waits::forLock ? 1 : 0);
        FileSystem::setCurrent(nullptr);
        clearRecentLogLines();
    }
}

// How a launch stops waiting for a running instance that does not answer.
enum class Stops { givesUp, isKilled };

struct StoppedLaunchRow {
    const char* name;
    Stops stops;
};

class ALaunchThatStoppedWaiting : public QuitGuardTest, public ::testing::WithParamInterface<StoppedLaunchRow> {};

// The instance, asked to end and waiting for its work, is held (its event loop does not turn) while
// `kelvaro a.jpg` waits for it: the launch gives up after its patience and says it failed, or its
// user kills it. Once the instance goes on, that request is not taken: no file opens and the end is
// not called off, as it would be by a launch still waiting.
TEST_P(ALaunchThatStoppedWaiting, isNotTakenOnceTheHeldInstanceGoesOn)
{
    const QString program = QStringLiteral(KELVARO_BUILD_DIR "/kelvaro");
    if (!QFileInfo(program).isExecutable())
        GTEST_SKIP() << "the kelvaro program is not built";
    QTemporaryDir temp;
    ASSERT_TRUE(temp.isValid());
    const QString socket = temp.filePath(QStringLiteral("instance"));
    SingleInstance running(socket);
    ASSERT_EQ(running.claim({}), SingleInstance::Role::primary);
    QList<LaunchRequest> received;
    QObject::connect(&running, &SingleInstance::requested, [&received](const LaunchRequest& request) { received.append(request); });
    FakeWork work;
    int quits = 0;
    QuitGuard guard(Settings::shared(), [&quits] { ++quits; });
    guard.setWork(work.hooks());
    guard.setInstance(&running);
    guard.requestQuit();
    ASSERT_TRUE(guard.isEnding());
    QImage photo(24, 16, QImage::Format_RGB32);
    photo.fill(Qt::darkCyan);
    ASSERT_TRUE(photo.save(temp.filePath(QStringLiteral("a.jpg"))));
    clearRecentLogLines();

    // From here until the launch has ended this thread's event loop does not turn: QProcess's waits
    // look at its own pipes only.
    QProcess launch;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QString::fromLatin1(SingleInstance::socketEnvironment), socket);
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    launch.setProcessEnvironment(environment);
    launch.setProcessChannelMode(QProcess::MergedChannels);
    launch.setWorkingDirectory(temp.path());
    launch.start(program, {QStringLiteral("a.jpg")});
    ASSERT_TRUE(launch.waitForStarted(30000));
    QByteArray said;
    if (GetParam().stops == Stops::isKilled) {
        // Once its request is sent and it waits for the answer.
        const QDeadlineTimer deadline(60000);
        while (!said.contains("has not answered yet") && launch.state() == QProcess::Running && !deadline.hasExpired()) {
            launch.waitForReadyRead(1000);
            said += launch.readAll();
        }
        ASSERT_TRUE(said.contains("has not answered yet")) << said.toStdString();
        ASSERT_TRUE(test::signalChild(launch, SIGKILL));
    }
    ASSERT_TRUE(launch.waitForFinished(120000)) << "the launch waited on past its patience";
    said += launch.readAll();
    if (GetParam().stops == Stops::givesUp) {
        EXPECT_EQ(launch.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(launch.exitCode(), 1) << said.toStdString();
    }

    // The instance goes on.
    ASSERT_TRUE(test::waitUntil([&] {
        return !received.isEmpty() || work.resumes > 0
            || recentLogLines().join(QLatin1Char('\n')).contains(QStringLiteral("dropped the request of a launch"));
    }));
    test::passPostedEvents();
    EXPECT_TRUE(received.isEmpty()) << "the files of a launch that had stopped waiting were opened";
    EXPECT_EQ(work.resumes, 0) << "a launch that had stopped waiting called the end off";
    EXPECT_TRUE(guard.isEnding());
    work.underWay = false;
    guard.workChanged();
    EXPECT_TRUE(test::waitUntil([&] { return quits == 1; }));
}

INSTANTIATE_TEST_SUITE_P(Ways, ALaunchThatStoppedWaiting,
                         ::testing::Values(StoppedLaunchRow{"givesUp", Stops::givesUp}, StoppedLaunchRow{"isKilled", Stops::isKilled}),
                         test::RowName());

// The real engine one file at a time, held once its first file is written until the test lets it
// go; the store's cancel reaches it.
struct HeldRun {
    QSemaphore firstWritten;
    QSemaphore proceed;
};

ProcessFunction heldAfterTheFirstFile(const std::shared_ptr<HeldRun>& held)
{
    return [held](const KelvaroOp& op, const QStringList& files, const QString& outDir, const RunHooksPtr& hooks,
                  const EngineSettings& settings) {
        auto first = std::make_shared<bool>(true);
        auto engineHooks = std::make_shared<RunHooks>([held, hooks, first](int done, int total) {
            hooks->reportProgress(done, total);
            if (std::exchange(*first, false)) {
                held->firstWritten.release();
                held->proceed.tryAcquire(1, 60000); // a test that failed before letting it go ends all the same
            }
        });
        hooks->setCancelListener([engineHooks] { engineHooks->cancel(); });
        return ImageEngine::process(op, files, outDir, engineHooks, settings);
    };
}

// An end while a run works stops it as a cancel does: the file in hand is kept, no new one starts,
// what was made is booked in the history and on disk before the application ends.
class QuitDuringARun : public QuitGuardTest, public ::testing::WithParamInterface<WayRow> {};

TEST_P(QuitDuringARun, stopsItAndBooksWhatItMadeBeforeTheEnd)
{
    QTemporaryDir temp;
    ASSERT_TRUE(temp.isValid());
    const QDir dir(temp.path());
    ASSERT_TRUE(dir.mkpath(QStringLiteral("out")));
    const QString out = dir.filePath(QStringLiteral("out"));
    ASSERT_TRUE(OutputFolder::remember(out));
    QStringList photos;
    for (const char* name : {"a.jpg", "b.jpg", "c.jpg", "d.jpg"}) {
        const QString path = dir.filePath(QString::fromLatin1(name));
        QImage image(32, 24, QImage::Format_RGB32);
        image.fill(QColor(180, 90, 40));
        ASSERT_TRUE(image.save(path));
        photos << path;
    }
    const QByteArray jobs = qgetenv("KELVARO_JOBS");
    qputenv("KELVARO_JOBS", "1");
    const QString library = QStringLiteral("kelvaro.quitTest.library");
    Settings::shared().remove(library);
    auto held = std::make_shared<HeldRun>();
    StoreServices services = StoreServices::desktop();
    services.process = heldAfterTheFirstFile(held);
    KelvaroStore store(services, library);

    struct AtTheEnd {
        bool working = true;
        QStringList booked;
        QByteArray onDisk;
        bool unsaved = true;
        QStringList results;
    };
    std::optional<AtTheEnd> atTheEnd;
    QuitGuard guard(Settings::shared(), [&] {
        AtTheEnd seen;
        seen.working = store.isWorking();
        for (const ActivityItem& item : store.activities()) {
            if (item.actionTitle == KelvaroOp::convert(ImageFormat::png).storedTitle()) // not the samples
                seen.booked << item.fileName;
        }
        seen.onDisk = storedData(library);
        seen.unsaved = Settings::shared().hasUnsavedChanges();
        seen.results = QDir(out).entryList(QDir::Files);
        atTheEnd = seen;
        QCoreApplication::exit(0);
    });
    ASSERT_TRUE(guard.catchTerminationSignals());
    guard.setWork({[&store] { return store.isWorking(); }, [&store] { store.cancelRun(); }, {}});
    QObject::connect(&store, &KelvaroStore::isWorkingChanged, &guard, &QuitGuard::workChanged);
    QWidget window;
    window.show();

    store.receive(photos, false);
    store.run(KelvaroOp::convert(ImageFormat::png));
    ASSERT_TRUE(held->firstWritten.tryAcquire(1, 60000)) << "the run never wrote its first file";
    QTimer::singleShot(0, [&] { endBy(GetParam().way, window); });
    // The run goes on only once the end has asked it to stop.
    const EachTurn stopped([&] {
        if (!guard.isEnding())
            return false;
        held->proceed.release();
        return true;
    });
    const LoopDeadline deadline(60000);
    QCoreApplication::exec();
    EXPECT_FALSE(deadline.expired()) << "the end never came";
    held->proceed.release(); // a run the end did not stop must not hold the store's teardown
    ASSERT_TRUE(test::waitUntil([&] { return !store.isWorking(); }));
    if (jobs.isNull())
        qunsetenv("KELVARO_JOBS");
    else
        qputenv("KELVARO_JOBS", jobs);
    Settings::shared().remove(QString::fromLatin1(OutputFolder::bookmarkKey));

    ASSERT_TRUE(atTheEnd) << "the loop ended without the guard's end";
    EXPECT_FALSE(atTheEnd->working);
    EXPECT_EQ(atTheEnd->results, QStringList{QStringLiteral("a.png")});
    EXPECT_EQ(atTheEnd->booked, QStringList{QStringLiteral("a.jpg")});
    EXPECT_TRUE(atTheEnd->onDisk.contains("a.jpg")) << "the history was not saved before the end";
    EXPECT_FALSE(atTheEnd->unsaved);
}

INSTANTIATE_TEST_SUITE_P(Ways, QuitDuringARun,
                         ::testing::Values(WayRow{"quitCommand", Way::quitCommand}, WayRow{"signal", Way::signal},
                                           WayRow{"lastWindow", Way::lastWindow}),
                         test::RowName());

// The language switch's restart asks to end once the new process started; that process, like any
// launch meanwhile, waits for this one's last save. Should the end be called off (the question
// about changes the full disk refused answered "Zrušit"), this process stays and takes launches
// again, the waiting restart's own included: no second application runs beside it.
TEST_F(QuitGuardTest, aRestartWhoseEndIsCalledOffTakesLaunchesAgain)
{
    QTemporaryDir temp;
    ASSERT_TRUE(temp.isValid());
    const QString socket = temp.filePath(QStringLiteral("instance"));
    SingleInstance running(socket);
    ASSERT_EQ(running.claim({}), SingleInstance::Role::primary);
    FailingFileSystem disk;
    disk.writeBudget = 0;
    FileSystem::setCurrent(&disk);
    ASSERT_FALSE(Settings::shared().setValue(kPending, 21));
    int quits = 0;
    QuitGuard guard(Settings::shared(), [&quits] { ++quits; });
    guard.setInstance(&running);
    int launchesTaken = 0;
    QObject::connect(&running, &SingleInstance::requested, [&launchesTaken] { ++launchesTaken; });
    QWidget window;
    window.show();

    clearRecentLogLines();
    // A launch on a thread of its own, the loop answering meanwhile.
    std::optional<SingleInstance::Role> launched;
    std::thread launch;
    const auto launchNow = [&] {
        launched.reset();
        launch = std::thread([&] {
            SingleInstance later(socket);
            const SingleInstance::Role role = later.claim(LaunchRequest{.files = {}, .activate = true}, 2000);
            later.release();
            QMetaObject::invokeMethod(&guard, [&, role] { launched = role; }); // dropped should the test be over
        });
    };
    std::optional<SingleInstance::Role> whileEnding, afterCallingOff;
    std::optional<bool> waitedWhileEnding;
    QTimer::singleShot(0, [&] { EXPECT_TRUE(running.relaunch(QStringLiteral("/bin/true"))); });
    int step = 0;
    const EachTurn steps([&] {
        if (step == 0 && guard.question()) {
            launchNow();
            step = 1;
        } else if (step == 1 && recentLogLines().join(QLatin1Char('\n')).contains(QStringLiteral("is ending: waiting"))) {
            waitedWhileEnding = !launched.has_value();
            guard.question()->reject();
            step = 2;
        } else if (step == 2 && launched) {
            launch.join();
            whileEnding = launched;
            launchNow();
            step = 3;
        } else if (step == 3 && launched) {
            launch.join();
            afterCallingOff = launched;
            QCoreApplication::exit(0);
            return true;
        }
        return false;
    });
    const LoopDeadline deadline;
    QCoreApplication::exec();
    EXPECT_FALSE(deadline.expired()) << "the steps never ended";
    if (launch.joinable()) {
        running.release();
        launch.join();
    }
    EXPECT_EQ(waitedWhileEnding, true) << "the restart ran beside this process";
    EXPECT_EQ(whileEnding, SingleInstance::Role::handedOff) << "the launch that waited was not taken";
    EXPECT_EQ(afterCallingOff, SingleInstance::Role::handedOff);
    test::passPostedEvents();
    EXPECT_EQ(launchesTaken, 2);
    EXPECT_TRUE(running.isListening());
    EXPECT_EQ(quits, 0);
}

// The engine's claim of its first result's name in `folder` waits until the test lets it go: that
// file is in hand while the end comes.
class HeldFirstResult : public FileSystem {
public:
    explicit HeldFirstResult(QString folder) : m_folder(std::move(folder)) {}
    bool moveNew(const QString& from, const QString& to) override
    {
        if (to.startsWith(m_folder) && !m_held.exchange(true)) {
            inHand.release();
            proceed.tryAcquire(1, 60000); // a test that failed before letting it go ends all the same
        }
        return FileSystem::moveNew(from, to);
    }
    QSemaphore inHand;
    QSemaphore proceed;

private:
    const QString m_folder;
    std::atomic<bool> m_held{false};
};

// An end while a watched folder's run works halts it as the application wires it: the file in
// hand is finished and booked, the others are left for a later start, and the end does not wait
// for them all.
TEST_F(QuitGuardTest, anEndHaltsAWatchedFoldersRunAfterTheFileInHand)
{
    QTemporaryDir temp;
    ASSERT_TRUE(temp.isValid());
    const QDir dir(temp.path());
    ASSERT_TRUE(dir.mkpath(QStringLiteral("In")) && dir.mkpath(QStringLiteral("Out")));
    ASSERT_TRUE(OutputFolder::remember(dir.filePath(QStringLiteral("Out"))));
    for (const char* name : {"a.jpg", "b.jpg", "c.jpg", "d.jpg"}) {
        QImage image(32, 24, QImage::Format_RGB32);
        image.fill(QColor(60, 120, 200));
        ASSERT_TRUE(image.save(dir.filePath(QStringLiteral("In/") + QString::fromLatin1(name))));
    }
    const QByteArray jobs = qgetenv("KELVARO_JOBS");
    qputenv("KELVARO_JOBS", "1");
    const auto restoreJobs = qScopeGuard([&] {
        if (jobs.isNull())
            qunsetenv("KELVARO_JOBS");
        else
            qputenv("KELVARO_JOBS", jobs);
        Settings::shared().remove(QString::fromLatin1(OutputFolder::bookmarkKey));
    });

    FolderWatcher watcher;
    watcher.setTickInterval(std::chrono::hours(1)); // only the first scan, due at once after add()
    QStringList booked;
    watcher.setHistorySink([&booked](const QList<ActivityItem>& items) {
        for (const ActivityItem& item : items)
            booked << item.fileName;
    });
    ASSERT_TRUE(watcher.add(dir.filePath(QStringLiteral("In")), WatchAction::convert(QStringLiteral("png"))));
    const WatchRule rule = watcher.rules().first();
    test::passTimersOf(0);
    ASSERT_TRUE(test::waitUntil([&] { return !watcher.hasWorkInFlight(); }));
    const std::optional<QString> results = watcher.resultsFolder(rule);
    ASSERT_TRUE(results);
    HeldFirstResult disk(*results);
    FileSystem::setCurrent(&disk);
    // Gone before `disk`: the settings restored at the very end are written after it.
    const auto plainDisk = qScopeGuard([] { FileSystem::setCurrent(nullptr); });

    KelvaroStore store{StoreServices{}};
    std::optional<QStringList> madeAtTheEnd;
    QStringList bookedAtTheEnd;
    QuitGuard guard(Settings::shared(), [&] {
        madeAtTheEnd = QDir(*results).entryList(QDir::Files);
        bookedAtTheEnd = booked;
        QCoreApplication::exit(0);
    });
    guardWork(guard, store, watcher);
    QWidget window;
    window.show();

    watcher.processExisting(rule.id);
    const EachTurn endOnceInHand([&] {
        if (!disk.inHand.tryAcquire())
            return false;
        QCoreApplication::quit();
        return true;
    });
    const EachTurn letGoOnceEnding([&] {
        if (!guard.isEnding())
            return false;
        disk.proceed.release();
        return true;
    });
    const LoopDeadline deadline(60000);
    QCoreApplication::exec();
    EXPECT_FALSE(deadline.expired()) << "the end never came";
    disk.proceed.release();
    EXPECT_TRUE(test::waitUntil([&] { return !watcher.hasWorkInFlight(); }));

    ASSERT_TRUE(madeAtTheEnd) << "the loop ended without the guard's end";
    EXPECT_EQ(madeAtTheEnd->size(), 1) << "the end waited for every file: " << madeAtTheEnd->join(QLatin1Char(' ')).toStdString();
    ASSERT_EQ(bookedAtTheEnd.size(), 1) << "what the run made is booked before the end";
    EXPECT_EQ(QFileInfo(bookedAtTheEnd.first()).completeBaseName(), QFileInfo(madeAtTheEnd->value(0)).completeBaseName());
    EXPECT_FALSE(watcher.status(rule.id).isBusy);
}

// The time of a retry that failed reads as the interface language writes a time of day elsewhere,
// with its seconds added: two tries within a minute read differently.
TEST_F(QuitGuardTest, aFailedRetrySaysWhenInTheInterfaceLanguageToTheSecond)
{
    const struct {
        const char* language;
        AppLanguage app;
        const char* sentence; // the time in its first group
    } rows[] = {
        {"cs", AppLanguage::czech, "^Znovu jsem to zkusil v (.+) a zase to nešlo\\.$"},
        {"en", AppLanguage::english, "^Tried again at (.+), and it failed again\\.$"},
    };
    FailingFileSystem disk;
    disk.writeBudget = 0;
    FileSystem::setCurrent(&disk);
    for (const auto& row : rows) {
        SCOPED_TRACE(row.language);
        Settings::shared().setValue(QStringLiteral("kelvaro.language"), QString::fromLatin1(row.language));
        ASSERT_FALSE(Settings::shared().setValue(kPending, QString::fromLatin1(row.language)));
        QWidget window;
        QuitQuestion question(Settings::shared(), &window);
        const QTime before = QTime::currentTime();
        question.retry();
        const QTime after = QTime::currentTime();
        const QRegularExpressionMatch match = QRegularExpression(QString::fromUtf8(row.sentence)).match(question.retried());
        ASSERT_TRUE(match.hasMatch()) << question.retried().toStdString();
        const QString time = match.captured(1);
        // The seconds, taken out again, leave the time as History shows it.
        const QRegularExpressionMatch seconds = QRegularExpression(QStringLiteral("^(.*\\d{1,2}[:.]\\d{2})[:.](\\d{2})(.*)$")).match(time);
        ASSERT_TRUE(seconds.hasMatch()) << "no seconds in " << time.toStdString();
        const QString withoutSeconds = seconds.captured(1) + seconds.captured(3);
        const QLocale locale = L10n::locale(row.app);
        QStringList expected;
        for (const QTime& at : {before, after})
            expected << locale.toString(QTime(at.hour(), at.minute()), QLocale::ShortFormat);
        EXPECT_TRUE(expected.contains(withoutSeconds)) << time.toStdString() << " against " << expected.join(QStringLiteral(" or ")).toStdString();
        const int second = seconds.captured(2).toInt();
        EXPECT_TRUE(second == before.second() || second == after.second()) << time.toStdString();
    }
}

} // namespace
