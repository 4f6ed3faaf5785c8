// The profile's lock as launches meet it: it holds whatever stands in the profile's folder (a
// read-only folder, a FIFO or a link at its name), and a launch that cannot learn the instance's
// socket from it still reaches the instance at its own; the default instance keeps it beside the
// settings, where launches with different runtime folders meet.
#include <atomic>
#include <functional>
#include <optional>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <QThread>

#include "AppTestSupport.h"
#include "app/ProfileLock.h"
#include "app/SingleInstance.h"
#include "platform/NativePath.h"
#include "platform/Settings.h"
#include "../support/SmallDisk.h"

using namespace kelvaro;
using namespace kelvaro::apptest;

namespace {

class ProfileLockTest : public AppFixture {
protected:
    void SetUp() override
    {
        AppFixture::SetUp();
        ASSERT_TRUE(dir().mkpath(QStringLiteral("work")));
        work = QDir(temp.filePath(QStringLiteral("work")));
        photo = writePhoto(work, QStringLiteral("a.jpg"));
    }
    // This process as the running instance, keeping what reaches it.
    void run(SingleInstance& instance)
    {
        ASSERT_EQ(instance.claim({}), SingleInstance::Role::primary);
        EXPECT_TRUE(instance.isListening());
        QObject::connect(&instance, &SingleInstance::requested, [this](const LaunchRequest& r) { received.append(r); });
    }
    // A launch of the photo on another thread, as a process with the runtime socket `socket`.
    SingleInstance::Role launch(const QString& socket, const QString& profileLock, int timeoutMs = 5000)
    {
        return onOtherThread([&] {
            SingleInstance later(socket);
            later.guardProfile(profileLock);
            return later.claim(LaunchRequest{{photo}, false}, timeoutMs);
        });
    }

    QDir work;
    QString photo;
    QList<LaunchRequest> received;
};

// Writes `bytes` over the lock file in place: its holder keeps its lock on the same file.
void overwrite(const QString& path, const QByteArray& bytes)
{
    const int fd = ::open(NativePath::encoded(path).constData(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::write(fd, bytes.constData(), size_t(bytes.size())), bytes.size());
    ::close(fd);
}

// A lock needs no write access and anything but a regular file is put aside: whatever the profile's
// folder holds, a launch from another runtime folder never becomes a second instance beside the
// first. Where the first could name its socket the launch reaches it there; a read-only folder
// holds no name, and the launch gives up at its deadline, while one with the first's own runtime
// folder still reaches it. Once the first lets go, the launch from elsewhere becomes the instance.
TEST_F(ProfileLockTest, TheProfilesLockHoldsWhateverItsFolderIsLike)
{
    const struct {
        const char* name;
        bool readOnly;
        std::function<void(const QString& lock)> leave;
    } rows[] = {
        {"a read-only folder", true, [](const QString&) {}},
        {"a read-only folder with a lock file naming a gone socket", true,
         [](const QString& lock) { test::writeFile(lock, "/nonexistent/kelvaro-instance"); }},
        {"a FIFO at the lock's name", false, [](const QString& lock) { ASSERT_EQ(::mkfifo(QFile::encodeName(lock).constData(), 0600), 0); }},
        {"a FIFO in a read-only folder", true, [](const QString& lock) { ASSERT_EQ(::mkfifo(QFile::encodeName(lock).constData(), 0600), 0); }},
        {"a link at the lock's name", false,
         [](const QString& lock) { ASSERT_TRUE(QFile::link(QFileInfo(lock).absolutePath() + QStringLiteral("/other"), lock)); }},
    };
    int n = 0;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const QString folder = temp.filePath(QStringLiteral("profile%1").arg(++n));
        const QString lock = folder + QStringLiteral("/instance.lock");
        const QString socket = temp.filePath(QStringLiteral("instance%1").arg(n));
        const QString elsewhere = temp.filePath(QStringLiteral("elsewhere%1").arg(n));
        test::SmallDisk disk(folder, 64 * 1024);
        if (!disk.isMounted())
            GTEST_SKIP() << disk.whyNot().toStdString();
        row.leave(lock);
        if (row.readOnly) {
            ASSERT_TRUE(disk.makeReadOnly());
        }
        received.clear();
        {
            // Taken without waiting, whatever stands there (an open for reading waits at a FIFO for
            // a writer: one comes if it does, so that the row fails instead of hanging).
            std::atomic<bool> done{false};
            std::optional<ProfileLock::State> state;
            std::thread taking([&] {
                ProfileLock probe(lock);
                state = probe.tryTake();
                done = true;
            });
            const bool promptly = waitUntil([&] { return done.load(); }, 10000);
            while (!done.load()) {
                const int fd = ::open(QFile::encodeName(lock).constData(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
                if (fd >= 0)
                    ::close(fd);
                QThread::msleep(10);
            }
            taking.join();
            ASSERT_TRUE(promptly) << "the lock was opened in a way that waits";
            ASSERT_EQ(state, ProfileLock::State::held);
        }
        {
            SingleInstance first(socket);
            first.guardProfile(lock);
            run(first);
            if (row.readOnly) {
                EXPECT_EQ(launch(elsewhere, lock, 1500), SingleInstance::Role::failed) << "a second instance on the profile";
                ASSERT_EQ(launch(socket, lock), SingleInstance::Role::handedOff);
            } else {
                ASSERT_EQ(launch(elsewhere, lock), SingleInstance::Role::handedOff) << "a second instance on the profile";
                EXPECT_TRUE(QFileInfo(lock).isFile() && !QFileInfo(lock).isSymLink());
            }
            EXPECT_TRUE(waitUntil([&] { return received == QList<LaunchRequest>{{{photo}, false}}; }));
        }
        SingleInstance next(elsewhere);
        next.guardProfile(lock);
        EXPECT_EQ(next.claim({}, 1500), SingleInstance::Role::primary);
    }
}

// An instance that has not named its socket in the profile's lock yet, or could not write over a
// name an earlier one left, is still reached at the launch's own socket; an empty name is no
// socket's, and a gone socket no instance.
TEST_F(ProfileLockTest, ALaunchReachesTheInstanceAtItsOwnSocketWhenTheLockNamesNoneThatAnswers)
{
    const QString lock = temp.filePath(QStringLiteral("profile/instance.lock"));
    const QString socket = temp.filePath(QStringLiteral("instance"));
    for (const QByteArray& left : {QByteArray(), QByteArray("/nonexistent/kelvaro-instance"), temp.filePath(QStringLiteral("gone")).toUtf8()}) {
        SCOPED_TRACE(left.toStdString());
        received.clear();
        SingleInstance first(socket);
        first.guardProfile(lock);
        run(first);
        overwrite(lock, left);
        ASSERT_EQ(launch(socket, lock), SingleInstance::Role::handedOff) << "a second instance on the profile";
        EXPECT_TRUE(waitUntil([&] { return received == QList<LaunchRequest>{{{photo}, false}}; }));
    }
}

// A launch from another runtime folder asks the socket the profile's instance named before its
// own: a longer name an earlier holder left in the lock (killed before it could clear it) leaves no
// tail after the instance's own, and an instance of another profile listening at the launch's own
// socket (two profiles sharing a runtime folder) does not get the launch.
TEST_F(ProfileLockTest, ALaunchFromAnotherRuntimeFolderReachesTheInstanceTheProfileNames)
{
    const struct {
        const char* name;
        QByteArray left;        // in the lock before the instance takes it
        bool otherProfileThere; // an instance of another profile listens at the launch's socket
    } rows[] = {
        {"a longer name left in the lock", QByteArray(200, 'x').prepend("/nonexistent/kelvaro-instance-"), false},
        {"another profile's instance at the launch's socket", QByteArray(), true},
    };
    int n = 0;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        ++n;
        const QString lock = temp.filePath(QStringLiteral("profile%1/instance.lock").arg(n));
        const QString socket = temp.filePath(QStringLiteral("s%1").arg(n));
        const QString elsewhere = temp.filePath(QStringLiteral("elsewhere%1").arg(n));
        ASSERT_TRUE(QDir().mkpath(QFileInfo(lock).absolutePath()));
        test::writeFile(lock, row.left);
        received.clear();
        SingleInstance first(socket);
        first.guardProfile(lock);
        run(first);
        EXPECT_EQ(test::readFile(lock), NativePath::encoded(socket));
        QList<LaunchRequest> toTheOther;
        std::optional<SingleInstance> other;
        if (row.otherProfileThere) {
            other.emplace(elsewhere);
            other->guardProfile(temp.filePath(QStringLiteral("otherProfile%1/instance.lock").arg(n)));
            ASSERT_EQ(other->claim({}), SingleInstance::Role::primary);
            QObject::connect(&*other, &SingleInstance::requested, [&](const LaunchRequest& r) { toTheOther.append(r); });
        }
        ASSERT_EQ(launch(elsewhere, lock), SingleInstance::Role::handedOff) << "a second instance on the profile";
        EXPECT_TRUE(waitUntil([&] { return !received.isEmpty() || !toTheOther.isEmpty(); }));
        test::passPostedEvents();
        EXPECT_EQ(received, (QList<LaunchRequest>{{{photo}, false}}));
        EXPECT_TRUE(toTheOther.isEmpty()) << "another profile's instance took the launch";
    }
}

// The default instance (no socket named, as the program runs) keeps its lock beside the settings,
// not in its runtime folder: a launch with another runtime folder reaches it.
TEST_F(ProfileLockTest, TheDefaultInstanceIsTheProfilesWhateverALaunchsRuntimeFolder)
{
    const QByteArray oldRuntime = qgetenv("XDG_RUNTIME_DIR");
    const QByteArray oldTemp = qgetenv("TMPDIR");
    const auto restore = qScopeGuard([&] {
        oldRuntime.isNull() ? qunsetenv("XDG_RUNTIME_DIR") : qputenv("XDG_RUNTIME_DIR", oldRuntime);
        oldTemp.isNull() ? qunsetenv("TMPDIR") : qputenv("TMPDIR", oldTemp);
    });
    ASSERT_TRUE(qEnvironmentVariableIsEmpty(SingleInstance::socketEnvironment));
    qputenv("TMPDIR", QFile::encodeName(temp.path())); // not the machine's, shared with other runs
    const auto runtime = [&](const char* name) {
        const QString folder = temp.filePath(QString::fromLatin1(name));
        EXPECT_TRUE(QDir().mkpath(folder));
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(folder));
    };

    runtime("runtime-a");
    SingleInstance first;
    run(first);
    const QString settingsFolder = QFileInfo(Settings::shared().filePath()).absolutePath();
    EXPECT_EQ(QFileInfo(SingleInstance::profileLockPath()).absolutePath(), settingsFolder);
    EXPECT_TRUE(lockedByAnother(SingleInstance::profileLockPath()));

    runtime("runtime-b");
    ASSERT_EQ(onOtherThread([&] {
                  SingleInstance later;
                  return later.claim(LaunchRequest{{photo}, false}, 5000);
              }),
              SingleInstance::Role::handedOff)
        << "a second instance on the profile";
    EXPECT_TRUE(waitUntil([&] { return received == QList<LaunchRequest>{{{photo}, false}}; }));
}

} // namespace
