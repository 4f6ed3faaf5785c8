#pragma once
// Shared pieces of the reliability tests: recording desktop services for a store, and a watcher
// driven tick by tick.
#include <functional>
#include <memory>

#include "platform/Clipboard.h"
#include "platform/FileManager.h"
#include "platform/FileSystem.h"
#include "platform/LauncherProgress.h"
#include "platform/NearbyShare.h"
#include "platform/Trash.h"
#include "store/StoreServices.h"
#include "watch/FolderWatcher.h"
#include "../support/TestSupport.h"

namespace kelvaro::reliability {

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

// One full pass of the watcher, waited for to its end including the processing it started. The
// loop's own timer is pushed far away so only these steps tick.
inline bool step(FolderWatcher& watcher)
{
    if (!waitUntil([&] { return !watcher.hasWorkInFlight(); }))
        return false;
    bool done = false;
    watcher.tick([&] { done = true; });
    return waitUntil([&] { return done && !watcher.hasWorkInFlight(); });
}

} // namespace kelvaro::reliability
