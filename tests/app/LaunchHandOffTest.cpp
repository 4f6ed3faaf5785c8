// A real second launch of the `kelvaro` program against an instance running in this test (on a
// socket of the test's own): the launch exits at once and the running instance takes its files.
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include "TestPaths.h"
#include "AppTestSupport.h"
#include "app/AppDelegate.h"
#include "app/SingleInstance.h"
#include "watch/FolderWatcher.h"

using namespace kelvaro;
using namespace kelvaro::apptest;

namespace {

class LaunchHandOffTest : public AppFixture {
protected:
    void SetUp() override
    {
        AppFixture::SetUp();
        program = QStringLiteral(KELVARO_BUILD_DIR "/kelvaro");
        if (!QFileInfo(program).isExecutable())
            GTEST_SKIP() << "the kelvaro program is not built";
        running = std::make_unique<SingleInstance>(temp.filePath(QStringLiteral("instance")));
        ASSERT_EQ(running->claim({}), SingleInstance::Role::primary);
        delegate = std::make_unique<AppDelegate>(*store, watcher, AppDelegate::Hooks{[this] { ++windowShown; }, {}, {}});
        QObject::connect(running.get(), &SingleInstance::requested, delegate.get(), &AppDelegate::handle);
    }

    // Runs `kelvaro arguments…` in the test folder; its exit code, or -1 when it did not end soon
    // (a launch that hands off takes a fraction of a second).
    int launch(const QStringList& arguments)
    {
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QString::fromLatin1(SingleInstance::socketEnvironment), running->name());
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        process.setProcessEnvironment(environment);
        process.setWorkingDirectory(temp.path());
        process.start(program, arguments);
        if (!process.waitForStarted(30000))
            return -1;
        // The running side answers on this thread: spin it while the launch waits.
        const bool ended = waitUntil([&] { return process.state() == QProcess::NotRunning; }, 30000);
        if (!ended) {
            process.kill();
            process.waitForFinished(2000);
            return -1;
        }
        return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    }

    QString program;
    FolderWatcher watcher;
    std::unique_ptr<SingleInstance> running;
    std::unique_ptr<AppDelegate> delegate;
    int windowShown = 0;
};

TEST_F(LaunchHandOffTest, OpenedFilesReachTheRunningInstance)
{
    const QString a = writePhoto(dir(), QStringLiteral("a.jpg"));
    const QString b = writePhoto(dir(), QStringLiteral("b.png"));
    store->receive(QStringList{writePhoto(dir(), QStringLiteral("old.png"))}, false);
    store->setSidebarSelection(SidebarItem::history);

    EXPECT_EQ(launch({QStringLiteral("a.jpg"), QStringLiteral("b.png")}), 0);
    ASSERT_TRUE(waitUntil([&] { return windowShown > 0; }));
    EXPECT_EQ(store->droppedFiles(), (QStringList{a, b}));
    EXPECT_EQ(store->sidebarSelection(), SidebarItem::home);
    EXPECT_EQ(windowShown, 1);
}

TEST_F(LaunchHandOffTest, FileManagerActionWithAWebLinkChangesNothing)
{
    const QString old = writePhoto(dir(), QStringLiteral("old.png"));
    store->receive(QStringList{old}, false);
    store->setSidebarSelection(SidebarItem::history);

    EXPECT_EQ(launch({QStringLiteral("--send"), QStringLiteral("https://example.com/photo.jpg")}), 0);
    settle();
    EXPECT_EQ(store->droppedFiles(), QStringList{old});
    EXPECT_EQ(store->sidebarSelection(), SidebarItem::history);
    EXPECT_EQ(windowShown, 0);
}

} // namespace

namespace {

// `kelvaro --help` and `--version` print and end; no instance, no window starts (one that did
// would never end by itself).
TEST(LaunchInformation, HelpAndVersionPrintAndEnd)
{
    const QString program = QStringLiteral(KELVARO_BUILD_DIR "/kelvaro");
    if (!QFileInfo(program).isExecutable())
        GTEST_SKIP() << "the kelvaro program is not built";
    QTemporaryDir dir;
    const std::pair<const char*, QString> cases[] = {
        {"--help", QStringLiteral("--send")},
        {"--version", QStringLiteral("Kelvaro " KELVARO_VERSION)},
    };
    for (const auto& [option, expected] : cases) {
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QString::fromLatin1(SingleInstance::socketEnvironment), dir.filePath(QStringLiteral("instance")));
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        process.setProcessEnvironment(environment);
        process.start(program, {QString::fromLatin1(option)});
        const bool ended = process.waitForFinished(20000);
        if (!ended)
            process.kill();
        ASSERT_TRUE(ended) << option;
        EXPECT_EQ(process.exitCode(), 0) << option;
        EXPECT_TRUE(QString::fromLocal8Bit(process.readAllStandardOutput()).contains(expected)) << option;
        EXPECT_FALSE(QFileInfo::exists(dir.filePath(QStringLiteral("instance")))) << option;
    }
}

} // namespace
