// Ending the application with changes a failed save left: a signal from the session saves them
// once the disk has room and ends normally; the quit command or the last window closing asks
// first while they cannot be saved, also with the window closed to the tray, and "Zkusit znovu"
// saves when it can, as does the settings' own retry; another process's save puts the end off
// without stopping the window; a run under way is stopped and booked before the end.
#include <csignal>
#include <future>
#include <memory>
#include <thread>
#include <utility>

#include <QCoreApplication>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLockFile>
#include <QDir>
#include <QEventLoop>
#include <QGuiApplication>
#include <QImage>
#include <QProcess>
#include <QSemaphore>
#include <QTemporaryDir>
#include <QWidget>
#include <QTimer>

#include <gtest/gtest.h>

#include "../support/SmallDisk.h"
#include "../support/TestSupport.h"
#include "../support/WidgetEvents.h"
#include "app/QuitGuard.h"
#include "app/QuitQuestion.h"
#include "app/SingleInstance.h"
#include "engine/ImageEngine.h"
#include "engine/RunHooks.h"
#include "output/OutputFolder.h"
#include "platform/FileSystem.h"
#include "platform/Log.h"
#include "platform/Settings.h"
#include "store/KelvaroStore.h"
#include "ui/design/DesignSystem.h"

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
        ::kill(pid_t(child.processId()), signal);
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
        QCoreApplication::exec();
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
    QCoreApplication::exec();
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
    QCoreApplication::exec();
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
    guard.runEventLoop();
    EXPECT_EQ(quits, 1);
    EXPECT_FALSE(settings.hasUnsavedChanges());
    EXPECT_EQ(stored().value(kPending).toInt(), 11);
}

// A launch while the ending process's last save waits for another process's lock becomes the
// running instance: the ending one let go of it when the end was decided. The lock goes only once
// the launch has its answer, so an ending process still holding on could never answer it.
TEST_F(QuitGuardTest, aLaunchWhileTheLastSaveWaitsBecomesTheRunningInstance)
{
    QTemporaryDir temp;
    ASSERT_TRUE(temp.isValid());
    const QString socket = temp.filePath(QStringLiteral("instance"));
    SingleInstance ending(socket);
    ASSERT_EQ(ending.claim({}), SingleInstance::Role::primary);
    FailingFileSystem disk;
    disk.writeBudget = 0;
    FileSystem::setCurrent(&disk);
    Settings& settings = Settings::shared();
    ASSERT_FALSE(settings.setValue(kPending, 13));
    QLockFile other(settings.filePath() + QStringLiteral(".lock"));

    std::promise<void> ended;
    std::optional<SingleInstance::Role> launched;
    std::thread launch([&] {
        ended.get_future().wait();
        SingleInstance later(socket);
        launched = later.claim(LaunchRequest{.files = {}, .activate = true}, 300);
        later.release();
        other.unlock();
    });
    bool told = false;
    QuitGuard guard(settings, [&] {
        if (!std::exchange(told, true))
            ended.set_value();
        QCoreApplication::exit(0);
    });
    guard.setLeaving([&ending] { ending.release(); });
    QWidget window;
    window.show();
    QTimer::singleShot(0, [] { QCoreApplication::quit(); });
    const EachTurn answer([&] {
        QuitQuestion* question = guard.question();
        if (!question || !question->isVisible())
            return false;
        disk.writeBudget = -1;
        EXPECT_TRUE(other.tryLock(0)); // another process saves: the last save will wait for it
        question->quitButton()->click();
        return true;
    });
    guard.runEventLoop();
    if (!told)
        ended.set_value();
    launch.join();
    EXPECT_EQ(launched, SingleInstance::Role::primary);
    EXPECT_EQ(stored().value(kPending).toInt(), 13);
}

struct WayRow {
    const char* name;
    Way way;
};

// With the main window closed to the tray and changes the full disk refuses, every way of ending
// shows the main window and asks over it.
class QuitFromTheTray : public QuitGuardTest, public ::testing::WithParamInterface<WayRow> {};

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
    QCoreApplication::exec();
    EXPECT_EQ(quits, 0) << "ended with the changes and without a word";
    QuitQuestion* question = guard.question();
    ASSERT_TRUE(question);
    EXPECT_TRUE(mainWindow.isVisible());
    EXPECT_EQ(question->parentWidget(), &mainWindow);
    EXPECT_TRUE(question->isVisible());

    question->quitButton()->click();
    EXPECT_EQ(quits, 1);
}

INSTANTIATE_TEST_SUITE_P(Ways, QuitFromTheTray,
                         ::testing::Values(WayRow{"quitCommand", Way::quitCommand}, WayRow{"signal", Way::signal}),
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
    QCoreApplication::exec();
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

// A launch that comes while the end waits for the work in hand, for another process's lock or for
// the question's answer is handed to this process, which then stays: ending anyway (as the question
// does once the disk has room) would leave the user with no window for the launch they just made.
// A second signal's end goes on all the same.
TEST_F(QuitGuardTest, aLaunchWhileTheEndWaitsKeepsTheApplication)
{
    enum class Waits { forWork, forLock, forAnswer, forWorkAskedTwice };
    struct Row {
        const char* name;
        Waits waits;
        bool staysOpen;
    };
    const Row rows[] = {
        {"whileTheWorkStops", Waits::forWork, true},
        {"whileAnotherProcessSaves", Waits::forLock, true},
        {"whileTheQuestionStands", Waits::forAnswer, true},
        {"afterASecondSignal", Waits::forWorkAskedTwice, false},
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
        guard.setLeaving([&running] { running.release(); });
        QObject::connect(&running, &SingleInstance::requested, &guard, &QuitGuard::anotherLaunch);
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

        std::optional<SingleInstance::Role> launched;
        std::thread launch([&] {
            SingleInstance later(socket);
            launched = later.claim(LaunchRequest{.files = {}, .activate = true}, 5000);
            later.release();
        });
        ASSERT_TRUE(test::waitUntil([&] { return launched.has_value(); }));
        launch.join();
        EXPECT_EQ(launched, SingleInstance::Role::handedOff);

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
                held->proceed.acquire();
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
    held->firstWritten.acquire();
    QTimer::singleShot(0, [&] { endBy(GetParam().way, window); });
    // The run goes on only once the end has asked it to stop.
    const EachTurn stopped([&] {
        if (!guard.isEnding())
            return false;
        held->proceed.release();
        return true;
    });
    QCoreApplication::exec();
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

} // namespace
