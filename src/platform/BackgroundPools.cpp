#include "platform/BackgroundPools.h"

#include <QList>
#include <QMutex>

#include "platform/ChildProcesses.h"

namespace kelvaro::BackgroundPools {
namespace {
QMutex mutex;
QList<QThreadPool*>& pools()
{
    static QList<QThreadPool*> list;
    return list;
}
} // namespace

QThreadPool* make(int maxThreads, QThread::Priority priority)
{
    auto* pool = new QThreadPool();
    pool->setMaxThreadCount(qMax(1, maxThreads));
    pool->setThreadPriority(priority);
    QMutexLocker lock(&mutex);
    pools().append(pool);
    return pool;
}

void finish()
{
    QList<QThreadPool*> all;
    {
        QMutexLocker lock(&mutex);
        all = pools();
    }
    for (QThreadPool* pool : all)
        pool->waitForDone();
    QThreadPool::globalInstance()->waitForDone();
}

void drain()
{
    // What a pool's task waits for in a program of ours is ended, not waited for.
    const ChildProcesses::Draining draining;
    finish();
}

} // namespace kelvaro::BackgroundPools
