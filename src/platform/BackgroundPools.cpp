#include "platform/BackgroundPools.h"

#include <utility>

#include <QList>
#include <QMutex>

#include "platform/ChildProcesses.h"

namespace kelvaro::BackgroundPools {
namespace {
QMutex mutex;
QList<std::pair<QThreadPool*, AtDrain>>& pools()
{
    static QList<std::pair<QThreadPool*, AtDrain>> list;
    return list;
}

QList<std::pair<QThreadPool*, AtDrain>> registered()
{
    QMutexLocker lock(&mutex);
    return pools();
}
} // namespace

QThreadPool* make(int maxThreads, QThread::Priority priority, AtDrain atDrain)
{
    auto* pool = new QThreadPool();
    pool->setMaxThreadCount(qMax(1, maxThreads));
    pool->setThreadPriority(priority);
    QMutexLocker lock(&mutex);
    pools().append({pool, atDrain});
    return pool;
}

void finish()
{
    for (const auto& [pool, atDrain] : registered())
        pool->waitForDone();
    QThreadPool::globalInstance()->waitForDone();
}

void drain()
{
    for (const auto& [pool, atDrain] : registered())
        if (atDrain == AtDrain::dropQueued)
            pool->clear();
    // What a pool's task waits for in a program of ours is ended, not waited for.
    const ChildProcesses::Draining draining;
    finish();
}

} // namespace kelvaro::BackgroundPools
