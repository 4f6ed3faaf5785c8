#pragma once
// Runs: everything between a click on a wedge and the finished status line. Decides what a wedge
// does, obtains the output folder, hands the operation and the wheel's files to the engine in a
// background task, shows its progress (also on the launcher) and, back on the main thread, books
// the outcome: the last outputs, the undo state, one history entry per processed file, the status
// sentence and recognised text on the clipboard. Owned by KelvaroStore; main thread.
#include <QFuture>
#include <QObject>
#include <QString>
#include <QStringList>

#include "engine/Models.h"
#include "engine/Operations.h"
#include "engine/RunHooks.h"
#include "store/DockProgress.h"
#include "store/StoreServices.h"

namespace kelvaro {

class Handoff;
class HeldFolder;
class Intake;
class Library;
class StoreStatus;
class Undo;
class ViewState;

class Runs : public QObject {
    Q_OBJECT
public:
    // The parts a run reads and books into. `services.process` must be set.
    struct Parts {
        Library& library;
        Intake& intake;
        StoreStatus& status;
        Undo& undo;
        HeldFolder& held;
        ViewState& view;
        Handoff& handoff;
    };
    Runs(Parts parts, const StoreServices& services, QObject* parent = nullptr);
    // Cancels a run still working and waits for its background task.
    ~Runs() override;

    bool isWorking() const { return m_isWorking; }
    int progressDone() const { return m_progressDone; }
    int progressTotal() const { return m_progressTotal; }
    DockProgress& dockProgress() { return m_dock; }

    void perform(const WheelAction& action, WheelMode mode);
    // Runs `op` over the wheel's files into the output folder (asking for one when none is set).
    void run(const KelvaroOp& op);
    void cancelRun();

Q_SIGNALS:
    void isWorkingChanged();
    void progressDoneChanged();
    void progressTotalChanged();

private:
    struct Outcome {
        std::optional<OpResult> result;
        QString error;
    };

    void setIsWorking(bool working);
    void setProgressDone(int done);
    void setProgressTotal(int total);
    void moveFiles();
    void execute(const KelvaroOp& op, const QString& outDir);
    void applyProgress(int done, int total);
    void finish(const KelvaroOp& op, const QStringList& files, const Outcome& outcome, const QString& outDir);
    QString summary(const KelvaroOp& op, const OpResult& result, const QString& folder) const;

    Parts m_parts;
    StoreServices m_services;
    DockProgress m_dock;
    bool m_isWorking = false;
    int m_progressDone = 0;
    int m_progressTotal = 0;
    RunHooksPtr m_hooks;
    QFuture<void> m_runTask;
};

} // namespace kelvaro
