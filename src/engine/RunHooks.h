#pragma once
// What one user run shares between the store (main thread) and the engine (its background
// task): a cancel flag guarded by a lock, and a fixed progress callback. Shared by pointer;
// watched-folder runs pass one without progress, to be stopped when their watcher goes.
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
        std::function<void()> listener;
        {
            QMutexLocker lock(&m_lock);
            m_cancelled = true;
            listener = m_onCancel;
        }
        if (listener)
            listener();
    }
    // Called, without the lock, on the cancelling thread at every cancel from now on: lets a run
    // that waits for something other than its files (memory) look at the flag again.
    void setCancelListener(std::function<void()> listener)
    {
        QMutexLocker lock(&m_lock);
        m_onCancel = std::move(listener);
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
    std::function<void()> m_onCancel;
    const Progress m_onProgress;
};

using RunHooksPtr = std::shared_ptr<RunHooks>;

} // namespace kelvaro
