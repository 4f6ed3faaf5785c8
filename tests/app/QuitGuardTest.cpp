// Ending the application with changes a failed save left: a signal from the session saves them
// once the disk has room and ends normally; the quit command or the last window closing asks
// first while they cannot be saved, and "Zkusit znovu" saves when it can, as does the settings'
// own retry; another process's save puts the end off without stopping the window.
#include <csignal>

#include <QCoreApplication>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLockFile>
#include <QProcess>
#include <QWidget>
#include <QTimer>

#include <gtest/gtest.h>

#include "../support/SmallDisk.h"
#include "../support/TestSupport.h"
#include "app/QuitGuard.h"
#include "app/QuitQuestion.h"
#include "platform/FileSystem.h"
#include "platform/Settings.h"
#include "store/KelvaroStore.h"
#include "ui/design/DesignSystem.h"

using namespace kelvaro;

namespace {

constexpr const char* kConfigVariable = "KELVARO_QUIT_CONFIG";
const QString kPending = QStringLiteral("kelvaro.quitTest.pending");

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
        question->retryButton()->click();
        EXPECT_TRUE(question->isVisible()); // still no room
        EXPECT_EQ(quits, 0);
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
// put off, the window's loop goes on, and the end comes with the save once the lock is free.
TEST(QuitGuard, anEndWhileAnotherProcessSavesWaitsOnTheEventLoop)
{
    Settings& settings = Settings::shared();
    QLockFile other(settings.filePath() + QStringLiteral(".lock"));
    ASSERT_TRUE(other.tryLock(0));
    int quits = 0;
    QuitGuard guard(settings, [&quits] { ++quits; });
    QWidget window;
    window.show();
    QTimer::singleShot(0, [&settings] {
        settings.setValue(kPending, 8);
        QCoreApplication::quit();
        QCoreApplication::exit(0);
    });
    QCoreApplication::exec();
    EXPECT_EQ(guard.question(), nullptr);
    EXPECT_EQ(quits, 0);
    EXPECT_TRUE(settings.waitsForAnotherProcess());

    other.unlock();
    ASSERT_TRUE(test::waitUntil([&] { return quits == 1; }));
    EXPECT_FALSE(settings.hasUnsavedChanges());
    EXPECT_EQ(QJsonDocument::fromJson(test::readFile(settings.filePath())).object().value(kPending).toInt(), 8);
}

} // namespace
