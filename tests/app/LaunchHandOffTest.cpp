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

const QString kProgram = QStringLiteral(KELVARO_BUILD_DIR "/kelvaro");

// Runs `kelvaro arguments…` in `folder` against the instance socket `socket`; its exit code, or -1
// when it did not end soon (a launch that hands off takes a fraction of a second). The running
// side answers on this thread: it is spun while the launch waits.
int launch(const QString& socket, const QString& folder, const QStringList& arguments, QString* output = nullptr)
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QString::fromLatin1(SingleInstance::socketEnvironment), socket);
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    process.setProcessEnvironment(environment);
    process.setWorkingDirectory(folder);
    process.start(kProgram, arguments);
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

class LaunchHandOffTest : public AppFixture {
protected:
    void SetUp() override
    {
        AppFixture::SetUp();
        if (!QFileInfo(kProgram).isExecutable())
            GTEST_SKIP() << "the kelvaro program is not built";
        running = std::make_unique<SingleInstance>(temp.filePath(QStringLiteral("instance")));
        ASSERT_EQ(running->claim({}), SingleInstance::Role::primary);
        delegate = std::make_unique<AppDelegate>(*store, watcher, AppDelegate::Hooks{[this] { ++windowShown; }, {}, {}});
        QObject::connect(running.get(), &SingleInstance::requested, delegate.get(), &AppDelegate::handle);
    }

    FolderWatcher watcher;
    std::unique_ptr<SingleInstance> running;
    std::unique_ptr<AppDelegate> delegate;
    int windowShown = 0;
};

TEST_F(LaunchHandOffTest, AWebLinkChangesNothingAndOpenedFilesReachTheRunningInstance)
{
    const QString old = writePhoto(dir(), QStringLiteral("old.png"));
    store->receive(QStringList{old}, false);
    store->setSidebarSelection(SidebarItem::history);

    // The file manager's send action with a web link.
    EXPECT_EQ(launch(running->name(), temp.path(), {QStringLiteral("--send"), QStringLiteral("https://example.com/photo.jpg")}), 0);
    settle();
    EXPECT_EQ(store->droppedFiles(), QStringList{old});
    EXPECT_EQ(store->sidebarSelection(), SidebarItem::history);
    EXPECT_EQ(windowShown, 0);

    const QString a = writePhoto(dir(), QStringLiteral("a.jpg"));
    const QString b = writePhoto(dir(), QStringLiteral("b.png"));
    EXPECT_EQ(launch(running->name(), temp.path(), {QStringLiteral("a.jpg"), QStringLiteral("b.png")}), 0);
    ASSERT_TRUE(waitUntil([&] { return windowShown > 0; }));
    EXPECT_EQ(store->droppedFiles(), (QStringList{a, b}));
    EXPECT_EQ(store->sidebarSelection(), SidebarItem::home);
    EXPECT_EQ(windowShown, 1);
}

// `kelvaro --help` and `--version` print and end; no instance, no window starts (one that did
// would never end by itself).
TEST(LaunchInformation, HelpAndVersionPrintAndEnd)
{
    if (!QFileInfo(kProgram).isExecutable())
        GTEST_SKIP() << "the kelvaro program is not built";
    QTemporaryDir dir;
    const QString socket = dir.filePath(QStringLiteral("instance"));
    const std::pair<const char*, QString> cases[] = {
        {"--help", QStringLiteral("--send")},
        {"--version", QStringLiteral("Kelvaro " KELVARO_VERSION)},
    };
    for (const auto& [option, expected] : cases) {
        QString output;
        EXPECT_EQ(launch(socket, dir.path(), {QString::fromLatin1(option)}, &output), 0) << option;
        EXPECT_TRUE(output.contains(expected)) << option;
        EXPECT_FALSE(QFileInfo::exists(socket)) << option;
    }
}

} // namespace
