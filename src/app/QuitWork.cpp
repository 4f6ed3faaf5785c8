#include "app/QuitWork.h"

#include "app/QuitGuard.h"
#include "store/KelvaroStore.h"
#include "watch/FolderWatcher.h"

namespace kelvaro {

void guardWork(QuitGuard& guard, KelvaroStore& store, FolderWatcher& watcher)
{
    guard.setWork({[&store, &watcher] { return store.isWorking() || watcher.hasWorkInFlight(); },
                   [&store, &watcher] {
                       if (store.isWorking())
                           store.cancelRun();
                       // Left running, a watched folder's run would hold the end for all its files.
                       watcher.halt();
                   },
                   [&watcher] { watcher.resume(); }});
    QObject::connect(&store, &KelvaroStore::isWorkingChanged, &guard, &QuitGuard::workChanged);
    QObject::connect(&watcher, &FolderWatcher::workInFlightEnded, &guard, &QuitGuard::workChanged);
}

} // namespace kelvaro
