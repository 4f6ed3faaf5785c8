#pragma once
// KelvaroStore: the one observable application store. It owns the wheel's files, the history
// (newest first, at most 500 entries), the shelves, the status line, run progress, the pending
// tool sheet and the undo record, and persists history and shelves as one library document
// ("kelvaro.library.v1"). Lives on the main thread; runs work in background tasks and come back
// through queued calls. The application reaches it through shared(); tests create their own.
// Every observed field has its own change signal, emitted only when the value really changes.
//
// The implementation is spread over topic files: KelvaroStore.cpp (state, library, intake),
// KelvaroStoreActions.cpp (runs), KelvaroStoreExtras.cpp (clipboard, sending, reveal),
// KelvaroStoreUndo.cpp, KelvaroStoreShelves.cpp and KelvaroStoreShelfSync.cpp.
#include <optional>

#include <QFuture>
#include <QList>
#include <QMap>
#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <QUrl>
#include <QUuid>

#include "engine/Models.h"
#include "engine/Operations.h"
#include "engine/PresetSpec.h"
#include "engine/RunHooks.h"
#include "platform/NearbyShare.h"
#include "store/DockProgress.h"
#include "store/StoreServices.h"

namespace kelvaro {

class FileSystem;

// What the clipboard sheet copies ("kelvaro.clipboardMode").
enum class ClipboardMode { files, paths, names };
QString rawValue(ClipboardMode mode);
ClipboardMode clipboardModeFromRaw(const QString& raw); // unknown: files

// What the last successful run can take back. Never persisted.
struct UndoState {
    QStringList outputs;      // the files the run wrote, in the engine's order
    QList<FileMove> moves;    // a move run: one record per moved file
    bool isMove = false;
    QList<QUuid> entryIds;    // the history entries the run added
    QString folder;           // the run's output folder (a move: its destination)

    int entryCount() const { return int(entryIds.size()); }
    bool operator==(const UndoState&) const = default;
};

class KelvaroStore : public QObject {
    Q_OBJECT
public:
    static constexpr int historyLimit = 500;
    static constexpr int intakeLimit = 2000;
    static constexpr const char* defaultStorageKey = "kelvaro.library.v1";

    // Loads the library from the settings under `storageKey` at once.
    explicit KelvaroStore(StoreServices services = StoreServices::desktop(),
                          const QString& storageKey = QString::fromLatin1(defaultStorageKey), QObject* parent = nullptr);
    // Cancels a run still working and waits for its background task.
    ~KelvaroStore() override;

    // The application's store, created on first use (main thread).
    static KelvaroStore& shared();

    // ---- Observed fields ------------------------------------------------------------------------
    const QList<ActivityItem>& activities() const { return m_activities; }
    void setActivities(const QList<ActivityItem>& activities);
    const QList<Shelf>& shelves() const { return m_shelves; }
    void setShelves(const QList<Shelf>& shelves);
    const QStringList& droppedFiles() const { return m_droppedFiles; } // absolute paths
    void setDroppedFiles(const QStringList& files);
    WheelMode wheelMode() const { return m_wheelMode; }
    void setWheelMode(WheelMode mode);
    const std::optional<QString>& statusMessage() const { return m_statusMessage; }
    void setStatusMessage(const std::optional<QString>& message);
    bool statusIsError() const { return m_statusIsError; }
    void setStatusIsError(bool isError);
    // What stands behind the status message: each failed file's message of the last run (each
    // names its file). A new message clears it.
    const QStringList& statusDetails() const { return m_statusDetails; }
    void setStatusDetails(const QStringList& details);
    bool isWorking() const { return m_isWorking; }
    const QStringList& lastOutputs() const { return m_lastOutputs; }
    void setLastOutputs(const QStringList& outputs);
    const std::optional<UndoState>& undoState() const { return m_undoState; }
    int progressDone() const { return m_progressDone; }
    int progressTotal() const { return m_progressTotal; }
    const std::optional<ToolSheet>& activeSheet() const { return m_activeSheet; }
    void setActiveSheet(const std::optional<ToolSheet>& sheet);
    const std::optional<PresetSpec>& pendingPreset() const { return m_pendingPreset; }
    void setPendingPreset(const std::optional<PresetSpec>& preset);
    bool showImporter() const { return m_showImporter; }
    void setShowImporter(bool show);
    bool importerAdds() const { return m_importerAdds; }
    void setImporterAdds(bool adds);
    const std::optional<SidebarItem>& sidebarSelection() const { return m_sidebarSelection; }
    void setSidebarSelection(const std::optional<SidebarItem>& item);
    const std::optional<QString>& studioHighlight() const { return m_studioHighlight; }
    void setStudioHighlight(const std::optional<QString>& key);
    bool studioCompare() const { return m_studioCompare; }
    void setStudioCompare(bool compare);

    // ---- Plain state --------------------------------------------------------------------------------
    const std::optional<QString>& heldFolder() const { return m_heldFolder; }
    const QStringList& accessedURLs() const { return m_accessedURLs; }
    bool canPersist() const { return m_canPersist; }
    const QString& storageKey() const { return m_storageKey; }
    bool isShowingDemo() const { return m_demoBackup.has_value(); }
    DockProgress& dockProgress() { return m_dock; }
    // The importer's pending delay in milliseconds while a request waits, else none.
    std::optional<int> pendingImporterDelay() const;
    // The last run's input of each output, by output path, as the engine named it. An output the
    // run combined from several inputs has none.
    const QMap<QString, QString>& lastSources() const { return m_lastSources; }

    // ---- Library --------------------------------------------------------------------------------------
    // Writes the library to the settings unless a stored document was undecodable or demo content
    // is shown.
    void save();
    // Puts one history entry at the front, keeps at most 500 and saves.
    void addHistoryEntry(const ActivityItem& entry);
    // The same for several entries in order (the last ends up first), saved once. The folder
    // watcher books each of its batches through this.
    void addHistoryEntries(const QList<ActivityItem>& entries);
    void enterDemo(const QList<ActivityItem>& activities, const QList<Shelf>& shelves);
    void exitDemo();
    // The screenshot studio's comparison: loads `files` into the wheel and shows `outputs` as the
    // last run's results, each made from its input in `sources` (output → input). Only while demo
    // content is shown; false, and nothing changes, otherwise.
    bool stageDemoResults(const QStringList& files, const QStringList& outputs, const QMap<QString, QString>& sources);
    bool hasSampleData() const;
    void clearSampleData();

    // Derived on each read.
    int shelvedFiles() const; // negative stored counts add nothing; capped at INT_MAX
    QList<DailyStat> dailyStats() const; // seven days, oldest first, ending today
    int weekCount() const;
    QList<ActivityItem> recentActivities() const; // newest six, stable

    // ---- Dropped files ----------------------------------------------------------------------------
    // Takes files and folders into the wheel: replaces (adding false, or an empty wheel) or adds.
    // Only local files count; folders become the photos and PDFs inside them. False when nothing
    // usable came: the wheel keeps its files and the status line says so.
    bool receive(const QList<QUrl>& urls, bool adding);
    bool receive(const QStringList& paths, bool adding);
    // Folders replaced by their accepted files (sorted by path, hidden ones skipped, at most
    // 2000 in all). Touches disk (listing only).
    static QStringList expandFolders(const QStringList& paths);
    static const QStringList& acceptedExtensions();
    void requestImporter(bool adding);
    void removeDropped(const QString& path);
    void releaseAccess();
    void selectMode(WheelMode mode, bool navigate);

    // ---- Runs -------------------------------------------------------------------------------------------
    void perform(const WheelAction& action, WheelMode mode);
    void run(const KelvaroOp& op);
    void cancelRun();
    void revealOutputs();
    void copyToClipboard(ClipboardMode mode);
    // The devices the user is asked to choose from when the "KDE Connect" wedge found more than
    // one; empty while no choice is pending. Never remembered beyond one sending.
    const QList<NearbyDevice>& nearbyChoice() const { return m_nearbyChoice; }
    // Answers the pending choice: sends the wheel's files to that device (in the background,
    // with progress and cancel), or nothing when it is not one of the choice.
    void sendToDevice(const QString& deviceId);
    void dismissNearbyChoice();

    // ---- Undo -------------------------------------------------------------------------------------------
    void holdAccess(const QString& folder);
    void undoLast();
    bool canCompare() const;

    // ---- Shelves ----------------------------------------------------------------------------------------
    // Copies the wheel's files onto the shelf `shelfID`, or onto a new shelf named `newName`
    // ("Nová police" when blank). True when at least one file was put on the shelf.
    bool addToShelf(const std::optional<QUuid>& shelfID, const QString& newName);
    void createShelf(const QString& name);
    void updateShelf(const QUuid& id, const QString& name, const QString& symbol, int colorIndex);
    bool shelfNameTaken(const QString& name, const std::optional<QUuid>& excluding = std::nullopt) const;
    void deleteShelf(const QUuid& id);
    void removeItem(const QUuid& itemID, const QUuid& shelfID);
    void moveItem(const QUuid& itemID, const QUuid& fromShelf, const QUuid& toShelf);
    // The file of a shelf item (its stored copy, or its bookmark), or none.
    std::optional<QString> resolve(const ShelfItem& item);
    void loadShelfIntoWheel(const Shelf& shelf);
    // Brings the shelves into line with their folders under the output folder's "Police".
    void syncShelvesWithDisk();

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

private:
    struct Outcome {
        std::optional<OpResult> result;
        QString error;
    };

    template <typename T>
    void assign(T& field, const T& value, void (KelvaroStore::*changed)())
    {
        if (field == value)
            return;
        field = value;
        Q_EMIT(this->*changed)();
    }
    void setIsWorking(bool working);
    void setUndoState(const std::optional<UndoState>& state);
    void setProgressDone(int done);
    void setProgressTotal(int total);
    void setStatus(const std::optional<QString>& message, bool isError);
    // Puts the entries at the front (the last ends up first), keeps 500 and saves once.
    void insertHistory(const QList<ActivityItem>& entries);
    FileSystem& files() const;

    void load();
    void performTool(const QString& key);
    void performAction(const QString& key);
    void execute(const KelvaroOp& op, const QString& outDir);
    void applyProgress(int done, int total);
    void finish(const KelvaroOp& op, const QStringList& files, const Outcome& outcome, const QString& outDir);
    QString summary(const KelvaroOp& op, const OpResult& result, const QString& folder) const;
    void sendNearby();
    void startSending(const std::optional<NearbyDevice>& device);
    void setNearbyChoice(const QList<NearbyDevice>& devices);
    void moveFiles();
    void holdOutputFolder();

    // Shelf sync steps; each says whether it changed the shelves.
    bool adoptRenamedFolders(const QMap<QString, QString>& folders);
    bool dropMissingFiles(const QString& outputRoot);
    bool addNewFiles(const QMap<QString, QString>& folders);
    bool addNewFolders(const QMap<QString, QString>& folders);
    QSet<QString> claimedFolders() const;
    bool shelfHasFile(const QString& file, const QUuid& excluding) const;

    StoreServices m_services;
    DockProgress m_dock;

    QList<ActivityItem> m_activities;
    QList<Shelf> m_shelves;
    QStringList m_droppedFiles;
    WheelMode m_wheelMode = WheelMode::convert;
    std::optional<QString> m_statusMessage;
    bool m_statusIsError = false;
    QStringList m_statusDetails;
    bool m_isWorking = false;
    QStringList m_lastOutputs;
    QMap<QString, QString> m_lastSources;
    std::optional<UndoState> m_undoState;
    int m_progressDone = 0;
    int m_progressTotal = 0;
    RunHooksPtr m_hooks;
    std::optional<ToolSheet> m_activeSheet;
    std::optional<PresetSpec> m_pendingPreset;
    bool m_showImporter = false;
    bool m_importerAdds = false;
    std::optional<SidebarItem> m_sidebarSelection = SidebarItem::home;
    std::optional<QString> m_heldFolder;
    QStringList m_accessedURLs;
    bool m_canPersist = true;
    QString m_storageKey;
    struct DemoBackup {
        QList<ActivityItem> activities;
        QList<Shelf> shelves;
    };
    std::optional<DemoBackup> m_demoBackup;
    std::optional<QString> m_studioHighlight;
    bool m_studioCompare = false;
    QList<NearbyDevice> m_nearbyChoice;

    QTimer m_importerTimer;
    QFuture<void> m_runTask;
};

} // namespace kelvaro
