#pragma once
// BackgroundJob: the one piece of background work the store allows at a time, an engine run or a
// sending to a nearby device. Owns whether it works, its progress (also on the launcher), its
// cancel flag and its task. Owned by KelvaroStore; main thread. The work itself runs on a pool
// thread; progress and the end come back by queued calls.
#include <functional>

#include <QFuture>
#include <QObject>

#include "engine/RunHooks.h"
#include "l10n/Localization.h"
#include "store/DockProgress.h"
#include "store/StoreServices.h"

namespace kelvaro {

class StoreStatus;

class BackgroundJob : public QObject {
    Q_OBJECT
public:
    // What to do on the main thread once the work has ended.
    using Finish = std::function<void()>;
    // The work, on a pool thread; reports through `hooks`, stops early when they are cancelled.
    using Work = std::function<Finish(const RunHooksPtr& hooks)>;

    BackgroundJob(StoreStatus& status, const StoreServices& services, QObject* parent = nullptr);
    // Cancels work still under way and waits for its task.
    ~BackgroundJob() override;

    bool isWorking() const { return m_isWorking; }
    int progressDone() const { return m_progressDone; }
    int progressTotal() const { return m_progressTotal; }
    DockProgress& dockProgress() { return m_dock; }
    // The language the job under way (else the last one) speaks in, read when it started: its
    // status, its counter and its cancel keep it through a switch of the interface language.
    AppLanguage language() const { return m_language; }

    // Starts `work` over `total` steps (0: no per-step progress), worded in `language` (czech or
    // english). `prepare` runs first, once the job counts as working, before the status says so.
    // `finish` is called after the job has stopped working, and only while this object exists.
    void start(int total, AppLanguage language, Work work, const std::function<void()>& prepare = {});
    // Asks the work to stop after the step in hand.
    void cancel();

Q_SIGNALS:
    void isWorkingChanged();
    void progressDoneChanged();
    void progressTotalChanged();

private:
    void setIsWorking(bool working);
    void setProgressDone(int done);
    void setProgressTotal(int total);
    void applyProgress(int done, int total);

    StoreStatus& m_status;
    DockProgress m_dock;
    bool m_isWorking = false;
    int m_progressDone = 0;
    int m_progressTotal = 0;
    AppLanguage m_language = AppLanguage::czech;
    RunHooksPtr m_hooks;
    QFuture<void> m_task;
};

} // namespace kelvaro
