#include "store/BackgroundJob.h"

#include <QCoreApplication>
#include <QPointer>
#include <QThreadPool>
#include <QtConcurrent/QtConcurrentRun>

#include "l10n/Localization.h"
#include "platform/BackgroundPools.h"
#include "store/Observed.h"
#include "store/StoreStatus.h"

namespace kelvaro {

BackgroundJob::BackgroundJob(StoreStatus& status, const StoreServices& services, QObject* parent)
    : QObject(parent), m_status(status), m_dock(services.launcher, services.attention)
{
}

BackgroundJob::~BackgroundJob()
{
    if (m_hooks)
        m_hooks->cancel();
    // The work uses its own copies; waiting keeps it from outliving what the caller tears down
    // next (its folders, the application object).
    m_task.waitForFinished();
}

void BackgroundJob::setIsWorking(bool v) { assignObserved(this, m_isWorking, v, &BackgroundJob::isWorkingChanged); }
void BackgroundJob::setProgressDone(int v) { assignObserved(this, m_progressDone, v, &BackgroundJob::progressDoneChanged); }
void BackgroundJob::setProgressTotal(int v) { assignObserved(this, m_progressTotal, v, &BackgroundJob::progressTotalChanged); }

void BackgroundJob::start(int total, AppLanguage language, Work work, const std::function<void()>& prepare)
{
    // Before anyone hears the job works, so that all it shows is in its language.
    m_language = language;
    setIsWorking(true);
    if (prepare)
        prepare();
    m_status.setStatus(L(m_language, "Pracuju na tom…"), false);
    setProgressDone(0);
    setProgressTotal(total);
    m_dock.update(0, total, true);

    // The work's thread only posts; the job is touched on the main thread, if it still exists.
    const QPointer<BackgroundJob> self(this);
    QObject* mainContext = QCoreApplication::instance();
    auto hooks = std::make_shared<RunHooks>([self, mainContext](int done, int all) {
        QMetaObject::invokeMethod(
            mainContext, [self, done, all] {
                if (self)
                    self->applyProgress(done, all);
            },
            Qt::QueuedConnection);
    });
    m_hooks = hooks;
    // Not Qt's global pool: Qt draws and scales images on it, and a run that held its only thread
    // (one CPU) would stop every repaint until the run ended. The destructor waits for the task,
    // so the pools' drain must not drop it.
    static QThreadPool* const runs = BackgroundPools::make(4, QThread::InheritPriority, BackgroundPools::AtDrain::runQueued);
    m_task = QtConcurrent::run(runs, [self, mainContext, hooks, work = std::move(work)] {
        const Finish finish = work(hooks);
        QMetaObject::invokeMethod(
            mainContext, [self, finish] {
                if (!self)
                    return;
                self->m_hooks.reset();
                self->setIsWorking(false);
                self->m_dock.finish();
                if (finish)
                    finish();
            },
            Qt::QueuedConnection);
    });
}

void BackgroundJob::cancel()
{
    if (m_hooks)
        m_hooks->cancel();
}

void BackgroundJob::applyProgress(int done, int total)
{
    setProgressDone(done);
    setProgressTotal(total);
    // After the job has ended this hides, never shows.
    m_dock.update(done, total, m_isWorking);
}

} // namespace kelvaro
