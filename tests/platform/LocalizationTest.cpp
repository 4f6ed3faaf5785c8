#include <cstdlib>

#include <QCoreApplication>
#include <QEvent>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "engine/Localization.h"
#include "platform/Settings.h"
#include "../support/TestSupport.h"

using namespace kelvaro;

// ---- Relaunch ----------------------------------------------------------------------------------
// Quitting ends every event loop of the process for good, so the relaunch runs in a child process
// that reports through its exit code whether the application was asked to quit.

namespace {

int runRelaunchChild(const QString& program)
{
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("KELVARO_RELAUNCH_PROGRAM"), program);
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::ForwardedChannels);
    child.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("--gtest_filter=RelaunchChild.process")});
    if (!child.waitForFinished(30000))
        return -1;
    return child.exitStatus() == QProcess::NormalExit ? child.exitCode() : -1;
}

class QuitWatch : public QObject {
public:
    bool quitAsked = false;
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == QCoreApplication::instance() && event->type() == QEvent::Quit)
            quitAsked = true;
        return false;
    }
};

} // namespace

// Only runs as the child of the tests below. Exit code: 1 started / 0 not, plus 2 when a quit
// was asked.
TEST(RelaunchChild, process)
{
    QuitWatch watch;
    QCoreApplication::instance()->installEventFilter(&watch);
    const bool started = L10n::relaunch(qEnvironmentVariable("KELVARO_RELAUNCH_PROGRAM"));
    // Ends the loop when no quit does; queued after the relaunch's own call.
    QMetaObject::invokeMethod(QCoreApplication::instance(), [] { QCoreApplication::exit(0); }, Qt::QueuedConnection);
    QCoreApplication::exec();
    std::exit((started ? 1 : 0) + (watch.quitAsked ? 2 : 0));
}

TEST(Relaunch, quitsOnlyOnceTheNewInstanceHasStarted)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString script = dir.filePath(QStringLiteral("kelvaro"));
    test::writeFile(script, "#!/bin/sh\ntouch \"$0.started\"\n");
    QFile::setPermissions(script, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);

    EXPECT_EQ(runRelaunchChild(script), 3); // started, then asked to quit
    EXPECT_TRUE(test::waitUntil([&] { return QFile::exists(script + QStringLiteral(".started")); }, 10000));
    // A new instance that cannot start leaves this one running.
    EXPECT_EQ(runRelaunchChild(QStringLiteral("/nonexistent/kelvaro")), 0); // not started, no quit
}
