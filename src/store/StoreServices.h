#pragma once
// The desktop services and the engine entry the store works through. The application uses
// desktop(); tests hand in recording doubles and, where a run's outcome must be exact, their own
// process function.
#include <functional>
#include <memory>

#include <QString>
#include <QStringList>

#include "engine/EngineSettings.h"
#include "engine/RunHooks.h"
#include "model/Operations.h"

namespace kelvaro {

class Clipboard;
class FileManager;
class FileSystem;
class LauncherProgress;
class AttentionRequest;
class NearbyShare;
class Trash;

// Runs one operation over files into a folder (on a background thread), following the engine
// settings read when the run started. Throws on a whole-run failure, as ImageEngine::process does.
using ProcessFunction = std::function<OpResult(const KelvaroOp& op, const QStringList& files, const QString& outDir,
                                               const RunHooksPtr& hooks, const EngineSettings& settings)>;

struct StoreServices {
    std::shared_ptr<FileManager> fileManager;
    std::shared_ptr<Trash> trash;
    std::shared_ptr<Clipboard> clipboard;
    std::shared_ptr<NearbyShare> nearbyShare;
    std::shared_ptr<LauncherProgress> launcher;
    std::shared_ptr<AttentionRequest> attention; // none: AttentionRequest::shared() at each use
    std::shared_ptr<FileSystem> files;       // none: FileSystem::current()
    ProcessFunction process;                     // none: ImageEngine::process

    // D-Bus and Qt implementations of everything, and the image engine.
    static StoreServices desktop();
};

} // namespace kelvaro
