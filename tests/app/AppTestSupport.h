#pragma once
// Shared helpers of the application-shell tests: spinning the event loop, real photo files in a
// temporary folder, and a fresh store per test.
#include <atomic>
#include <functional>
#include <memory>
#include <thread>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QImage>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "app/LaunchRequest.h"
#include "platform/NativePath.h"
#include "store/KelvaroStore.h"
#include "../support/TestSupport.h"

namespace kelvaro {
// Found by GoogleTest beside the type.
inline void PrintTo(const LaunchRequest& request, std::ostream* os)
{
    *os << (request.activate ? "{activate; " : "{") << request.files.join(QStringLiteral(", ")).toStdString() << "}";
}
} // namespace kelvaro

namespace kelvaro::apptest {

using test::passPostedEvents;
using test::waitUntil;

// A small real photo at `dir/name` (format from the extension); returns its absolute path.
inline QString writePhoto(const QDir& dir, const QString& name, QColor color = QColor(200, 90, 40))
{
    QImage image(24, 16, QImage::Format_RGB32);
    image.fill(color);
    const QString path = dir.absoluteFilePath(name);
    EXPECT_TRUE(image.save(path)) << path.toStdString();
    return path;
}

// Runs `work` on its own thread and spins this thread's event loop until it has returned. A
// joined std::thread, whose join ThreadSanitizer sees, unlike a QThread's wait inside Qt.
template <typename Work>
auto onOtherThread(Work work) -> decltype(work())
{
    decltype(work()) result{};
    std::atomic_bool done = false;
    std::thread thread([&] {
        result = work();
        done = true;
    });
    EXPECT_TRUE(waitUntil([&] { return done.load(); }));
    thread.join();
    return result;
}

// Whether another open file holds an flock(2) on `path` (a file or folder); false when it cannot
// be opened. Takes the lock for a moment when it is free.
inline bool lockedByAnother(const QString& path)
{
    const int fd = ::open(NativePath::encoded(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    const bool held = fd >= 0 && ::flock(fd, LOCK_EX | LOCK_NB) != 0;
    if (fd >= 0)
        ::close(fd);
    return held;
}

class AppFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(temp.isValid());
        store = std::make_unique<KelvaroStore>(StoreServices::desktop(), QStringLiteral("kelvaro.test.library"));
    }
    QDir dir() const { return QDir(temp.path()); }

    QTemporaryDir temp;
    std::unique_ptr<KelvaroStore> store;
};

} // namespace kelvaro::apptest
