#include "TestSupport.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QThread>

namespace kelvaro::test {

bool waitUntil(const std::function<bool()>& condition, int limitMs)
{
    QDeadlineTimer limit(limitMs);
    while (!condition()) {
        if (limit.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        // Leaves the core to the workers being waited for (tests run two to a core pair).
        QThread::msleep(1);
    }
    return true;
}

void settle()
{
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents(QEventLoop::AllEvents);
}

bool hasPrivateSessionBus()
{
    return !QStandardPaths::findExecutable(QStringLiteral("dbus-run-session")).isEmpty();
}

::testing::AssertionResult passesOnPrivateSessionBus(const QString& filter, int count)
{
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"));
    env.insert(QStringLiteral("KELVARO_TEST_PRIVATE_BUS"), QStringLiteral("1"));
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(QStringLiteral("dbus-run-session"), {QStringLiteral("--"), QCoreApplication::applicationFilePath(),
                                                     QStringLiteral("--gtest_filter=") + filter});
    if (!child.waitForFinished(120000))
        return ::testing::AssertionFailure() << "the child run did not end";
    const QString output = QString::fromUtf8(child.readAll());
    if (child.exitCode() != 0 || !output.contains(QStringLiteral("[  PASSED  ] %1 test").arg(count)))
        return ::testing::AssertionFailure() << output.toStdString();
    return ::testing::AssertionSuccess();
}

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeFile(const QString& path, const QByteArray& bytes, bool append)
{
    QFile file(path);
    ASSERT_TRUE(file.open(append ? QIODevice::Append : QIODevice::WriteOnly)) << path.toStdString();
    ASSERT_EQ(file.write(bytes), bytes.size());
}

} // namespace kelvaro::test
