#pragma once
// Thread pools of background decodes (thumbnails, previews). Workers may outlive every window,
// so the process drains them before the application object goes (a decode racing the unloading
// of image plugins crashes). Pools are never deleted. Any thread.
#include <QThreadPool>

namespace kelvaro::BackgroundPools {

// What drain() does with a pool's tasks that have not started.
enum class AtDrain {
    // Dropped: their results are for windows that are gone, and running them (a thumbnail for
    // each file on the wheel) would hold the end for as long as they all take.
    dropQueued,
    // Run: someone waits for their results (a future's waitForFinished()), who would wait for ever
    // for a task that was dropped.
    runQueued,
};

// A new pool, registered for drain().
QThreadPool* make(int maxThreads, QThread::Priority priority = QThread::InheritPriority, AtDrain atDrain = AtDrain::dropQueued);
// Drops the tasks of the registered pools that have not started (but those of runQueued pools)
// and waits for the rest, in those pools and the global pool, killing meanwhile every program of
// ours they run or start (ChildProcesses), so that no page being drawn holds the end; called once
// before the application ends. The global pool's tasks all run: Qt waits on those it queues.
void drain();
// Waits for every registered pool and the global pool to finish what they were given, programs of
// ours included (tests, tools).
void finish();

} // namespace kelvaro::BackgroundPools
