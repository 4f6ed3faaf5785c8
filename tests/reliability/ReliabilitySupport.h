#pragma once
// Shared pieces of the reliability tests: recording desktop services for a store, a quiet desktop
// for the watcher, and a watcher driven tick by tick.
#include <filesystem>
#include <functional>
#include <memory>

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "platform/Clipboard.h"
#include "platform/FileManager.h"
#include "platform/FileSystem.h"
#include "platform/LauncherProgress.h"
#include "platform/NativePath.h"
#include "platform/NearbyShare.h"
#include "platform/Notifications.h"
#include "platform/Settings.h"
#include "platform/Trash.h"
#include "store/StoreServices.h"
#include "watch/FolderWatcher.h"
#include "../support/TestSupport.h"

namespace kelvaro::reliability {

using test::passTimersOf;
using test::waitUntil;

struct RecordingServices {
    std::shared_ptr<RecordingTrash> trash = std::make_shared<RecordingTrash>();

    StoreServices make(ProcessFunction process = {}) const
    {
        StoreServices s;
        s.fileManager = std::make_shared<RecordingFileManager>();
        s.trash = trash;
        s.clipboard = std::make_shared<RecordingClipboard>();
        s.nearbyShare = std::make_shared<RecordingNearbyShare>();
        s.launcher = std::make_shared<RecordingLauncherProgress>();
        s.attention = std::make_shared<RecordingAttention>();
        s.process = std::move(process);
        return s;
    }
};

// Notifications recorded and the application in the background, as a watcher run meets them; a
// temporary folder; the watcher's history entries collected.
template <typename Base = ::testing::Test>
class QuietDesktop : public Base {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(temp.isValid());
        Settings::shared().setValue(QStringLiteral("kelvaro.language"), QStringLiteral("cs"));
        Notifications::setCurrent(std::make_shared<RecordingNotifier>());
        AppActivity::setOverride(false);
    }
    void TearDown() override
    {
        Notifications::setCurrent(nullptr);
        AppActivity::setOverride(std::nullopt);
        // Names that are not UTF-8 (a hostile file's and its result's) are left out of Qt's listing.
        std::filesystem::remove_all(NativePath::encoded(temp.path()).toStdString());
    }

    QString folder(const QString& relative)
    {
        QDir(temp.path()).mkpath(relative);
        return temp.filePath(relative);
    }
    // Only `step` ticks the watcher; its history entries go to `history`.
    void driveByHand(FolderWatcher& watcher)
    {
        watcher.setTickInterval(std::chrono::hours(1));
        watcher.setHistorySink([this](const QList<ActivityItem>& items) { history += items; });
    }

    QTemporaryDir temp;
    QList<ActivityItem> history;
};

// One full pass of the watcher, waited for to its end including the processing it started. The
// loop's own timer is pushed far away so only these steps tick.
inline bool step(FolderWatcher& watcher)
{
    passTimersOf(0); // the loop's first scan, due at once after add(), goes first
    if (!waitUntil([&] { return !watcher.hasWorkInFlight(); }))
        return false;
    bool done = false;
    watcher.tick([&] { done = true; });
    return waitUntil([&] { return done && !watcher.hasWorkInFlight(); });
}

} // namespace kelvaro::reliability
