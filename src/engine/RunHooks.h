#pragma once
// What one user run shares between the store (main thread) and the engine (its background
// task): a cancel flag guarded by a lock, a fixed progress callback, and who hears of each file's
// start and end. Shared by pointer; watched-folder runs pass one without progress, to be stopped
// when their watcher goes, and hear of their files to remember them as they go.
#include <functional>
#include <memory>

#include <QByteArray>

#include <QMutex>

namespace kelvaro {

class RunHooks {
public:
    using Progress = std::function<void(int done, int total)>;

    // Told about each file of a run by its index in the run's files, on the thread that works on
    // it: `starting` just before its work begins, `ended` once its result is made or it has failed
    // (never for a file a cancel stopped). The file's work waits for each call, which must not
    // throw. The files of one combined result (a scan, a PDF, a ZIP) start together and end
    // together, when that result is made or has failed.
    struct FileListener {
        std::function<void(int index)> starting;
        std::function<void(int index)> ended;
        // The file's result, complete, is about to take its name: `identity` as PlacingHeard
        // tells it. Before `ended`, on the same thread.
        std::function<void(int index, const QByteArray& identity)> placing;
    };

    explicit RunHooks(Progress onProgress = {}, FileListener files = {})
        : m_onProgress(std::move(onProgress)), m_files(std::move(files))
    {
    }

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

    void fileStarting(int index) const
    {
        if (m_files.starting)
            m_files.starting(index);
    }
    bool hearsPlacing() const { return bool(m_files.placing); }
    void filePlacing(int index, const QByteArray& identity) const
    {
        if (m_files.placing)
            m_files.placing(index, identity);
    }
    void fileEnded(int index) const
    {
        if (m_files.ended)
            m_files.ended(index);
    }

private:
    mutable QMutex m_lock;
    bool m_cancelled = false;
    std::function<void()> m_onCancel;
    const Progress m_onProgress;
    const FileListener m_files;
};

using RunHooksPtr = std::shared_ptr<RunHooks>;

} // namespace kelvaro
