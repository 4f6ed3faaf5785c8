#pragma once
// KelvaroStore: the one observable application store the screens talk to. It is a facade: the
// state lives in parts that own it, one file each, and the store forwards their change signals
// as its own. Library: history and shelves, persisted as one document ("kelvaro.library.v1").
// Intake: the wheel's files. Runs: from a wedge to the engine and back. NearbySending: KDE
// Connect. BackgroundJob: the one run or sending under way, its progress and cancel. StoreStatus:
// the status line and the last outputs. Undo: the last run's take-back. Shelves and ShelfSync:
// shelf operations and their folders on disk. Handoff: reveal and clipboard. ViewState: mode,
// section, sheet, importer and studio flags. HeldFolder: the output folder's access.
//
// Lives on the main thread; runs work in background tasks and come back through queued calls.
// The application reaches it through shared(); tests create their own. Every observed field has
// its own change signal, emitted only when the value really changes.
#include <optional>

#include <QList>
#include <QMap>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <QUuid>

#include "model/Models.h"
#include "model/Operations.h"
#include "model/PresetSpec.h"
#include "platform/SettingsKeys.h"
#include "store/BackgroundJob.h"
#include "store/DockProgress.h"
#include "store/Handoff.h"
#include "store/HeldFolder.h"
#include "store/Intake.h"
#include "store/Library.h"
#include "store/NearbySending.h"
#include "store/Runs.h"
#include "store/ShelfSync.h"
#include "store/Shelves.h"
#include "store/StoreServices.h"
#include "store/StoreStatus.h"
#include "store/Undo.h"
#include "store/ViewState.h"

namespace kelvaro {

class KelvaroStore : public QObject {
    Q_OBJECT
public:
    static constexpr int historyLimit = Library::historyLimit;
    static constexpr int intakeLimit = Intake::limit;
    static constexpr const char* defaultStorageKey = SettingsKey::library;

    // Loads the library from the settings under `storageKey` at once.
    explicit KelvaroStore(StoreServices services = StoreServices::desktop(),
                          const QString& storageKey = QString::fromLatin1(defaultStorageKey), QObject* parent = nullptr);
    // Cancels a run still working and waits for its background task.
    ~KelvaroStore() override;

    // The application's store, created on first use (main thread).
    static KelvaroStore& shared();

    // ---- Observed fields ------------------------------------------------------------------------
    const QList<ActivityItem>& activities() const { return m_library.activities(); }
    void setActivities(const QList<ActivityItem>& activities) { m_library.setActivities(activities); }
    const QList<Shelf>& shelves() const { return m_library.shelves(); }
    void setShelves(const QList<Shelf>& shelves) { m_library.setShelves(shelves); }
    const QStringList& droppedFiles() const { return m_intake.droppedFiles(); } // absolute paths
    void setDroppedFiles(const QStringList& files) { m_intake.setDroppedFiles(files); }
    WheelMode wheelMode() const { return m_view.wheelMode(); }
    void setWheelMode(WheelMode mode) { m_view.setWheelMode(mode); }
    const std::optional<QString>& statusMessage() const { return m_status.statusMessage(); }
    void setStatusMessage(const std::optional<QString>& message) { m_status.setStatusMessage(message); }
    bool statusIsError() const { return m_status.statusIsError(); }
    void setStatusIsError(bool isError) { m_status.setStatusIsError(isError); }
    // What stands behind the status message: each failed file's message of the last run (each
    // names its file). A new message clears it.
    const QStringList& statusDetails() const { return m_status.statusDetails(); }
    void setStatusDetails(const QStringList& details) { m_status.setStatusDetails(details); }
    bool isWorking() const { return m_job.isWorking(); }
    const QStringList& lastOutputs() const { return m_status.lastOutputs(); }
    void setLastOutputs(const QStringList& outputs) { m_status.setLastOutputs(outputs); }
    const std::optional<UndoState>& undoState() const { return m_undo.undoState(); }
    int progressDone() const { return m_job.progressDone(); }
    int progressTotal() const { return m_job.progressTotal(); }
    // The language the run under way speaks, read when it started: its counter and cancel are
    // worded in it, as its status and its results are, whatever the interface switched to since.
    AppLanguage runLanguage() const { return m_job.language(); }
    const std::optional<ToolSheet>& activeSheet() const { return m_view.activeSheet(); }
    void setActiveSheet(const std::optional<ToolSheet>& sheet) { m_view.setActiveSheet(sheet); }
    const std::optional<PresetSpec>& pendingPreset() const { return m_view.pendingPreset(); }
    void setPendingPreset(const std::optional<PresetSpec>& preset) { m_view.setPendingPreset(preset); }
    bool showImporter() const { return m_view.showImporter(); }
    void setShowImporter(bool show) { m_view.setShowImporter(show); }
    bool importerAdds() const { return m_view.importerAdds(); }
    void setImporterAdds(bool adds) { m_view.setImporterAdds(adds); }
    const std::optional<SidebarItem>& sidebarSelection() const { return m_view.sidebarSelection(); }
    void setSidebarSelection(const std::optional<SidebarItem>& item) { m_view.setSidebarSelection(item); }
    const std::optional<QString>& studioHighlight() const { return m_view.studioHighlight(); }
    void setStudioHighlight(const std::optional<QString>& key) { m_view.setStudioHighlight(key); }
    bool studioCompare() const { return m_view.studioCompare(); }
    void setStudioCompare(bool compare) { m_view.setStudioCompare(compare); }

    // ---- Plain state --------------------------------------------------------------------------------
    const std::optional<QString>& heldFolder() const { return m_held.folder(); }
    const QStringList& accessedURLs() const { return m_intake.accessedURLs(); }
    bool canPersist() const { return m_library.canPersist(); }
    // Where the unreadable settings file the history was in was kept aside; empty when none.
    const QString& libraryKeptAside() const { return m_library.keptAside(); }
    // Why the stored history, or the stored shelves, are not shown: they could not be read (and
    // where they were kept aside); none when they were read. Translated.
    std::optional<QString> unreadHistoryNote() const;
    std::optional<QString> unreadShelvesNote() const;
    const QString& storageKey() const { return m_library.storageKey(); }
    bool isShowingDemo() const { return m_library.isShowingDemo(); }
    DockProgress& dockProgress() { return m_job.dockProgress(); }
    // The importer's pending delay in milliseconds while a request waits, else none.
    std::optional<int> pendingImporterDelay() const { return m_view.pendingImporterDelay(); }
    // The last run's input of each output, by output path, as the engine named it. An output the
    // run combined from several inputs has none.
    const QMap<QString, QString>& lastSources() const { return m_status.lastSources(); }

    // ---- Library --------------------------------------------------------------------------------------
    // Writes the library to the settings unless a stored document was undecodable or demo content
    // is shown; false when it is not on disk after it (see Library::save).
    bool save() { return m_library.save(); }
    // Puts one history entry at the front, keeps at most 500 and saves; false when the history is
    // not on disk after it.
    bool addHistoryEntry(const ActivityItem& entry) { return m_library.addHistoryEntry(entry); }
    // The same for several entries in order (the last ends up first), saved once. The folder
    // watcher books each of its batches through this.
    bool addHistoryEntries(const QList<ActivityItem>& entries) { return m_library.addHistoryEntries(entries); }
    void enterDemo(const QList<ActivityItem>& activities, const QList<Shelf>& shelves);
    void exitDemo();
    // The screenshot studio's comparison: loads `files` into the wheel and shows `outputs` as the
    // last run's results, each made from its input in `sources` (output → input). Only while demo
    // content is shown; false, and nothing changes, otherwise.
    bool stageDemoResults(const QStringList& files, const QStringList& outputs, const QMap<QString, QString>& sources);
    bool hasSampleData() const { return m_library.hasSampleData(); }
    void clearSampleData() { m_library.clearSampleData(); }

    // Derived on each read.
    int shelvedFiles() const { return m_library.shelvedFiles(); } // negative stored counts add nothing
    QList<DailyStat> dailyStats() const { return m_library.dailyStats(); } // seven days, oldest first
    int weekCount() const { return m_library.weekCount(); }
    QList<ActivityItem> recentActivities() const { return m_library.recentActivities(); } // newest six

    // ---- Dropped files ----------------------------------------------------------------------------
    // Takes files and folders into the wheel: replaces (adding false, or an empty wheel) or adds.
    // Only local files count; folders become the photos and PDFs inside them. False when nothing
    // usable came: the wheel keeps its files and the status line says so.
    bool receive(const QList<QUrl>& urls, bool adding) { return m_intake.receive(urls, adding); }
    bool receive(const QStringList& paths, bool adding) { return m_intake.receive(paths, adding); }
    // Folders replaced by their accepted files (sorted by path, hidden ones skipped, at most
    // 2000 in all). Touches disk (listing only).
    static QStringList expandFolders(const QStringList& paths) { return Intake::expandFolders(paths); }
    static const QStringList& acceptedExtensions() { return Intake::acceptedExtensions(); }
    void requestImporter(bool adding) { m_view.requestImporter(adding); }
    void removeDropped(const QString& path) { m_intake.removeDropped(path); }
    void releaseAccess() { m_intake.releaseAccess(); }
    void selectMode(WheelMode mode, bool navigate) { m_view.selectMode(mode, navigate); }

    // ---- Runs -------------------------------------------------------------------------------------------
    void perform(const WheelAction& action, WheelMode mode) { m_runs.perform(action, mode); }
    void run(const KelvaroOp& op) { m_runs.run(op); }
    void cancelRun() { m_runs.cancelRun(); }
    void revealOutputs() { m_handoff.revealOutputs(); }
    // The status line's error for a hand-off to the desktop that nobody answered, asked for on
    // any screen (a file revealed or opened, a folder opened).
    void reportUnanswered(HandoffFailure failure, const QStringList& paths = {})
    {
        m_handoff.reportUnanswered(failure, paths);
    }
    void copyToClipboard(ClipboardMode mode) { m_handoff.copyToClipboard(m_intake.droppedFiles(), mode); }
    // The devices the user is asked to choose from when the "KDE Connect" wedge found more than
    // one; empty while no choice is pending. Never remembered beyond one sending.
    const QList<NearbyDevice>& nearbyChoice() const { return m_sending.nearbyChoice(); }
    // Answers the pending choice: sends the wheel's files to that device (in the background,
    // with progress and cancel), or nothing when it is not one of the choice.
    void sendToDevice(const QString& deviceId) { m_sending.sendToDevice(deviceId); }
    void dismissNearbyChoice() { m_sending.dismissNearbyChoice(); }

    // ---- Undo -------------------------------------------------------------------------------------------
    void holdAccess(const QString& folder) { m_held.hold(folder); }
    void undoLast();
    bool canCompare() const { return Undo::canCompare(m_intake.droppedFiles(), m_status.lastOutputs()); }

    // ---- Shelves ----------------------------------------------------------------------------------------
    // Copies the wheel's files onto the shelf `shelfID`, or onto a new shelf named `newName`
    // ("Nová police" when blank). True when at least one file was put on the shelf. While the
    // stored shelves cannot be read, this and createShelf are refused on the status line.
    bool addToShelf(const std::optional<QUuid>& shelfID, const QString& newName);
    void createShelf(const QString& name) { m_shelves.createShelf(name); }
    void updateShelf(const QUuid& id, const QString& name, const QString& symbol, int colorIndex)
    {
        m_shelves.updateShelf(id, name, symbol, colorIndex);
    }
    bool shelfNameTaken(const QString& name, const std::optional<QUuid>& excluding = std::nullopt) const
    {
        return m_shelves.shelfNameTaken(name, excluding);
    }
    void deleteShelf(const QUuid& id) { m_shelves.deleteShelf(id); }
    void removeItem(const QUuid& itemID, const QUuid& shelfID) { m_shelves.removeItem(itemID, shelfID); }
    void moveItem(const QUuid& itemID, const QUuid& fromShelf, const QUuid& toShelf)
    {
        m_shelves.moveItem(itemID, fromShelf, toShelf);
    }
    // The file of a shelf item (its stored copy, or its bookmark), or none.
    std::optional<QString> resolve(const ShelfItem& item) { return m_shelves.resolve(item); }
    void loadShelfIntoWheel(const Shelf& shelf);
    // Brings the shelves into line with their folders under the output folder's "Police".
    void syncShelvesWithDisk() { m_shelfSync.sync(); }

Q_SIGNALS:
    void activitiesChanged();
    void shelvesChanged();
    void droppedFilesChanged();
    void wheelModeChanged();
    void statusMessageChanged();
    void statusIsErrorChanged();
    void statusDetailsChanged();
    void isWorkingChanged();
    void lastOutputsChanged();
    void undoStateChanged();
    void progressDoneChanged();
    void progressTotalChanged();
    void activeSheetChanged();
    void pendingPresetChanged();
    void showImporterChanged();
    void importerAddsChanged();
    void sidebarSelectionChanged();
    void studioHighlightChanged();
    void studioCompareChanged();
    void nearbyChoiceChanged();
    // Not a field: each error reported on the status line (see StoreStatus).
    void errorReported();

private:
    void forwardSignals();
    // Tells on the status line what became of the settings file: a save that failed (once until
    // one succeeds again) or a file kept aside because it could not be read.
    void reportSettingsFile();

    StoreServices m_services;
    Library m_library;
    StoreStatus m_status;
    ViewState m_view;
    Intake m_intake;
    HeldFolder m_held;
    Undo m_undo;
    Shelves m_shelves;
    ShelfSync m_shelfSync;
    Handoff m_handoff;
    BackgroundJob m_job;
    NearbySending m_sending;
    Runs m_runs;
};

} // namespace kelvaro
