#pragma once
// Shared helpers of the application-shell tests: spinning the event loop, real photo files in a
// temporary folder, and a fresh store per test.
#include <functional>
#include <memory>

#include <QCoreApplication>
#include <QDir>
#include <QImage>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "store/KelvaroStore.h"
#include "../support/TestSupport.h"

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
