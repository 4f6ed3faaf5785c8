#pragma once
// What one user run shares between the store (main thread) and the engine (its background
// task): a cancel flag guarded by a lock, and a fixed progress callback. Shared by pointer;
// watched-folder runs pass none.
#include <functional>
#include <memory>

#include <QMutex>

namespace kelvaro {

class RunHooks {
public:
    using Progress = std::function<void(int done, int total)>;

    explicit RunHooks(Progress onProgress = {}) : m_onProgress(std::move(onProgress)) {}

    void cancel()
    {
        QMutexLocker lock(&m_lock);
        m_cancelled = true;
    }
    bool isCancelled() const
    {
        QMutexLocker lock(&m_lock);
        return m_cancelled;
    }
    // Called from the engine's thread without the lock held.
    void reportProgress(int done, int total) const
    {
        if (m_onProgress)
            m_onProgress(done, total);
    }

private:
    mutable QMutex m_lock;
    bool m_cancelled = false;
    const Progress m_onProgress;
};

using RunHooksPtr = std::shared_ptr<RunHooks>;

} // namespace kelvaro
