#pragma once
// The one object that watches folders. Owns the watch rules and their live statuses, keeps the
// rules ("kelvaro.watch.rules.v1") in the settings and, through WatchMemory, the keys of files
// already handled and the files in hand, holds each watched folder's access open, and runs one
// polling loop on the main thread: a tick scans every enabled rule in turn, a file whose key read
// the same on two scans in a row is processed by the rule's action into
// "<output>/Automaticky/<folder> – <action>", remembered as handled as soon as it is made or has
// failed, booked in the history, counted on the rule and announced by a notice. A file that was in
// hand when the application ended twice in a row is not tried again until it changes.
//
// Lives on the main thread. The application creates it once (shared()) and wires the history sink
// to the store; screens read rules()/statuses() and call the operations below. Folder listings and
// engine runs go to a low-priority pool and come back to the main thread.
#include <chrono>
#include <functional>
#include <memory>
#include <optional>

#include <QHash>
#include <QList>
#include <QObject>
#include <QSet>
#include <QString>
#include <QThreadPool>
#include <QTimer>
#include <QUuid>

#include "l10n/Localization.h"
#include "model/Models.h"
#include "model/Operations.h"
#include "platform/SettingsKeys.h"
#include "watch/WatchMemory.h"
#include "watch/WatchModels.h"

namespace kelvaro {

struct EngineSettings;

class FileManager;
class RunHooks;

class FolderWatcher : public QObject {
    Q_OBJECT
public:
    // Receives the history entries of one run, in the order of the engine's result. The receiver
    // puts each entry at the front of the history in that order (so the run's last entry ends up
    // first), keeps at most 500 entries and saves after each. Called on the main thread.
    using HistorySink = std::function<void(const QList<ActivityItem>&)>;

    static constexpr const char* rulesKey = SettingsKey::watchRules;
    static constexpr const char* seenKey = WatchMemory::seenKey;
    static constexpr const char* inHandKey = WatchMemory::inHandKey;
    static constexpr std::chrono::milliseconds defaultInterval{2000};

    // Loads the stored rules, seen keys and files in hand; a file found in hand
    // WatchMemory::maxStarts times is counted as failed, shown on its rule's status. The loop does
    // not run until start().
    explicit FolderWatcher(QObject* parent = nullptr);
    ~FolderWatcher() override;

    // The application's instance, created on first use and owned by the application object.
    static FolderWatcher& shared();

    // ---- Wiring (by whoever creates the watcher) ----
    void setHistorySink(HistorySink sink);
    // Where openFolder/openResults show folders; a DesktopFileManager unless replaced.
    void setFileManager(std::shared_ptr<FileManager> fileManager);
    // Pause between the end of one tick and the start of the next (monotonic clock).
    void setTickInterval(std::chrono::milliseconds interval);

    // ---- State ----
    const QList<WatchRule>& rules() const { return m_rules; }
    const QHash<QUuid, WatchStatus>& statuses() const { return m_statuses; }
    // A rule without an entry is idle, reachable and has no message.
    WatchStatus status(const QUuid& id) const { return m_statuses.value(id); }
    int activeCount() const;
    // The stored rules could not be read: none are shown and they are never written over.
    bool rulesUnreadable() const { return !m_canPersist; }
    // Whether a listing or an engine run is still out in the pool.
    bool hasWorkInFlight() const { return m_jobsInFlight > 0; }

    // ---- Rules ----
    // Remembers `folder` (absolute path) as a new enabled rule and starts the loop. Refused when
    // the folder cannot be bookmarked, or when the rules cannot be written (stored rules that
    // could not be read, a failed save): the rule would be gone at the next start. Duplicates are
    // the caller's to refuse. Touches disk (stat, settings).
    WatchAddResult add(const QString& folder, const WatchAction& action);
    void remove(const QUuid& id);
    // Pausing drops the rule's pending files, status and folder access; resuming drops its seen
    // keys, so the next scan takes a new baseline.
    void setEnabled(const QUuid& id, bool on);

    // ---- The loop ----
    // Starts the polling loop once; later calls do nothing.
    void start();
    bool isStarted() const { return m_started; }
    // For the application's end: the runs under way stop after the files in hand, as a cancel
    // stops them, and book what they made (history, counts; the files they handled are seen
    // already, the others are taken up again later); no scan or run starts until resume().
    void halt();
    void resume();
    // One pass over every enabled rule (each scan waits for its processing); `done` runs on the main
    // thread once the pass has ended, at once when the pass is skipped (a pass already running, demo
    // rules shown, no enabled rule). The loop drives it; tests step it directly.
    void tick(std::function<void()> done = {});

    // ---- Requests of the watch screen ----
    // Processes every image now in the rule's folder, seen or not, enabled or not, in the
    // background; the rule is busy meanwhile. Returns at once.
    void processExisting(const QUuid& id);
    // "<output>/Automaticky/<folder> – <action>"; none without an output folder. Touches disk
    // (resolves the output folder) but creates nothing.
    std::optional<QString> resultsFolder(const WatchRule& rule) const;
    // Each shows its folder in the file manager, if there is one to show (otherwise the rule's
    // status may say why). False only when the file manager was asked and did not answer.
    bool openResults(const WatchRule& rule);
    bool openFolder(const WatchRule& rule);

    // ---- Screenshot demo ----
    // Shows `rules` instead of the real ones; no tick runs and nothing is written until exitDemo().
    void enterDemo(const QList<WatchRule>& rules);
    void exitDemo();
    bool isInDemo() const { return m_demoBackup.has_value(); }

    // The name of a rule's results folder inside "Automaticky" ("Export – Převod na JPG"), at
    // most `limit` bytes: the folder's name is shortened, the action's title kept up to half.
    static QString resultsFolderName(const WatchRule& rule, int limit = 255);

Q_SIGNALS:
    void rulesChanged();
    void statusesChanged();
    // The last listing or run out in the pool came back and its outcome is booked.
    void workInFlightEnded();

private:
    struct RunOutcome {
        std::optional<OpResult> result;
        QString error; // the engine's message when it threw
        bool stopped = false; // asked to stop before all its files were done
    };

    void load();
    void saveRules();
    void setRules(QList<WatchRule> rules);
    WatchRule* findRule(const QUuid& id);
    void update(const QUuid& id, const std::function<void(WatchStatus&)>& change);
    void removeStatus(const QUuid& id);
    std::optional<QString> accessURL(const WatchRule& rule);
    void releaseScope(const QUuid& id);

    void scheduleNextTick(std::chrono::milliseconds delay);
    void scanFrom(const QList<WatchRule>& rules, qsizetype index, std::function<void()> done);
    void scan(const WatchRule& rule, std::function<void()> done);
    void afterListing(const WatchRule& rule, const QString& folder,
                      const std::optional<QList<WatchCandidate>>& listing, std::function<void()> done);
    void process(const WatchRule& rule, const QList<WatchCandidate>& candidates, const QString& folder,
                 std::function<void()> done);
    // Books a run's outcome; its texts are in `language`, the one the run started in.
    void finish(const WatchRule& rule, const RunOutcome& outcome, const KelvaroOp& op, AppLanguage language);
    void jobCameBack();

    void listInBackground(const QString& folder,
                          std::function<void(const std::optional<QList<WatchCandidate>>&)> then);
    // Each file of the run is in hand in the memory from its start until it is made or has failed.
    void runInBackground(const KelvaroOp& op, const QUuid& rule, const QList<WatchCandidate>& candidates,
                         const QString& resultsFolder, const EngineSettings& settings,
                         std::function<void(const RunOutcome&)> then);

    QList<WatchRule> m_rules;
    QHash<QUuid, WatchStatus> m_statuses;
    QHash<QUuid, QString> m_scopes;                 // folder path of each rule whose access is open
    // Keys handled or taken into the baseline, and the files in hand; shared with the runs' workers.
    const std::shared_ptr<WatchMemory> m_memory = std::make_shared<WatchMemory>();
    QHash<QUuid, QHash<QString, QString>> m_pending; // per rule: path → key seen on the last scan
    bool m_started = false;
    bool m_isTicking = false;
    bool m_halted = false;
    bool m_canPersist = true;
    std::optional<QList<WatchRule>> m_demoBackup;

    HistorySink m_historySink;
    std::shared_ptr<FileManager> m_fileManager;
    std::chrono::milliseconds m_interval = defaultInterval;
    QTimer m_timer;
    int m_jobsInFlight = 0;
    QList<std::shared_ptr<RunHooks>> m_runs; // of the engine runs under way, to stop them
    QThreadPool m_pool; // last member: its destructor waits for running jobs
};

} // namespace kelvaro
