#pragma once
// Shared helpers of the application-shell tests: spinning the event loop, real photo files in a
// temporary folder, and a fresh store per test.
#include <functional>
#include <memory>
#include <ostream>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QImage>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "store/KelvaroStore.h"

inline void PrintTo(const QString& text, std::ostream* os)
{
    *os << '"' << text.toStdString() << '"';
}

namespace kelvaro::apptest {

// Spins the event loop until `done` holds or `limitMs` passes; returns whether it held.
inline bool waitUntil(const std::function<bool()>& done, int limitMs = 10000)
{
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > limitMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}

// Lets queued calls run.
inline void settle()
{
    for (int i = 0; i < 3; ++i)
        QCoreApplication::processEvents(QEventLoop::AllEvents);
}

// A small real photo at `dir/name` (format from the extension); returns its absolute path.
inline QString writePhoto(const QDir& dir, const QString& name, QColor color = QColor(200, 90, 40))
{
    QImage image(24, 16, QImage::Format_RGB32);
    image.fill(color);
    const QString path = dir.absoluteFilePath(name);
    EXPECT_TRUE(image.save(path)) << path.toStdString();
    return path;
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
