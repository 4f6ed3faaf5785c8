#pragma once
// Thread pools of background decodes (thumbnails, previews). Workers may outlive every window,
// so the process drains them before the application object goes (a decode racing the unloading
// of image plugins crashes). Pools are never deleted. Any thread.
#include <QThreadPool>

namespace kelvaro::BackgroundPools {

// A new pool, registered for drain().
QThreadPool* make(int maxThreads, QThread::Priority priority = QThread::InheritPriority);
// Waits for every registered pool and the global pool, killing meanwhile every program of ours
// they run or start (ChildProcesses), so that no page being drawn holds the end; called once
// before the application ends.
void drain();
// Waits for every registered pool and the global pool to finish what they were given, programs of
// ours included (tests, tools).
void finish();

} // namespace kelvaro::BackgroundPools
