#pragma once
// Runs: everything between a click on a wedge and the finished status line. Turns a wedge into
// its command, obtains the output folder, hands the operation, the wheel's files and the engine
// settings of the moment to the engine as the store's background job and, back on the main
// thread, books the outcome: the last outputs, the undo state, one history entry per processed
// file, the status sentence (which ends by saying so when that history could not be saved or is
// not kept) and recognised text on the clipboard. Owned by KelvaroStore; main thread.
#include <optional>

#include <QString>
#include <QStringList>

#include "model/Models.h"
#include "l10n/Localization.h"
#include "model/Operations.h"
#include "store/StoreServices.h"

namespace kelvaro {

class BackgroundJob;
class Handoff;
class HeldFolder;
class Intake;
class Library;
class NearbySending;
class StoreStatus;
class Undo;
class ViewState;

class Runs {
public:
    // The parts a run reads and books into.
    struct Parts {
        Library& library;
        Intake& intake;
        StoreStatus& status;
        Undo& undo;
        HeldFolder& held;
        ViewState& view;
        Handoff& handoff;
        NearbySending& sending;
        BackgroundJob& job;
    };
    // `services.process` must be set.
    Runs(Parts parts, const StoreServices& services);
    Runs(const Runs&) = delete;
    Runs& operator=(const Runs&) = delete;

    // The wheel's entry: what the slice `action` of `mode` does, over the wheel's files.
    void perform(const WheelAction& action, WheelMode mode);
    // Runs `op` over the wheel's files into the output folder (asking for one when none is set).
    void run(const KelvaroOp& op);
    // Asks the job under way (a run or a sending) to stop after the file in hand.
    void cancelRun();

private:
    struct Outcome {
        std::optional<OpResult> result;
        QString error;
    };

    void moveFiles();
    void execute(const KelvaroOp& op, const QString& outDir);
    // Books the outcome; its texts are in `language`, the one the run started in.
    void finish(const KelvaroOp& op, const QStringList& files, const Outcome& outcome, const QString& outDir,
                AppLanguage language);
    QString summary(const KelvaroOp& op, const OpResult& result, const QString& folder, AppLanguage language) const;

    Parts m_parts;
    StoreServices m_services;
};

} // namespace kelvaro
