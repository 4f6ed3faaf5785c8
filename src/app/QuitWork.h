#pragma once
// The background work an end of the application stops and waits for: the user's run, stopped as
// its cancel stops it, and the watched folders' runs, halted so that they finish only the files in
// hand and book what they made. Called off, the watched folders go on. Main thread; wired by
// main() once the store and the watcher exist.
namespace kelvaro {

class FolderWatcher;
class KelvaroStore;
class QuitGuard;

// Gives `guard` the work of `store` and `watcher` and tells it whenever either may have ended.
void guardWork(QuitGuard& guard, KelvaroStore& store, FolderWatcher& watcher);

} // namespace kelvaro
