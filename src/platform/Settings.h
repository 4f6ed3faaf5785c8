#pragma once
// The application's stored settings ("user defaults"): one JSON file in the XDG config folder,
// keys verbatim ("kelvaro.jpegQuality", "kelvaro.presets.v1", …). Values keep their JSON type
// (bool, number, string, data, list), so rules like "any value that is not a Boolean counts as
// absent" can be followed. One shared instance; readable and writable from any thread; changed()
// is emitted (from the writing thread) only when a value really changes.
//
// Every change is saved at once, under "kelvaro.json.lock" against other processes, over what the
// file holds now (another process may have changed it), through FileSystem::writeWhole: a save
// that cannot be written whole leaves the previous file byte for byte, keeps the change in memory
// and tries again with the next save, and from a timer until one succeeds; the new file a killed
// save left is cleared by the next one.
// Each value of the file is written back as it was read unless this process changed its key, also
// one this version cannot represent (a null, an object of another shape, a newer version's record).
// On the object's thread (the application's main thread) while its event loop runs, a save never
// waits for another process's lock: the change stays unsaved and is retried from a timer, and a
// save still locked out after about 2 s is a failed one (EBUSY) until it goes through. Other
// threads, and the main thread before its loop runs or after it ended, wait up to half a minute.
// A file that is empty, not a JSON object or no regular file (a FIFO, a folder) is renamed to
// "kelvaro.json.unreadable-<yyyyMMdd-HHmmss>" beside it and logged, and the settings start empty,
// so the next write never lands on the user's data; when it cannot be moved, nothing is written.
// Only a regular file (or a link to one) is ever opened, so a FIFO is never waited on.
#include <optional>
#include <utility>

#include <QByteArray>
#include <QElapsedTimer>
#include <QJsonObject>
#include <QMap>
#include <QMutex>
#include <QObject>
#include <QStringList>
#include <QVariant>

class QTimer;

namespace kelvaro {

class Settings : public QObject {
    Q_OBJECT
public:
    static Settings& shared();

    // How often, in milliseconds, changes a failed save kept are tried again while nothing else
    // saves: room made on the disk later is used without waiting for the user's next change.
    static constexpr int failedRetryMs = 5000;

    // The stored value with its type, or an invalid QVariant when absent; a value of no type this
    // version knows is a QJsonValue, which no typed read below takes.
    QVariant value(const QString& key) const;
    bool contains(const QString& key) const;
    // Every stored key.
    QStringList keys() const;
    // Each returns whether the file now holds the change (also when there was nothing to change);
    // false when the save failed (saveError()) or was postponed while another process saves
    // (saveError() 0, hasUnsavedChanges()): reads give the new value all the same. Touch disk.
    bool setValue(const QString& key, const QVariant& value);
    bool remove(const QString& key);
    // setValue() that never waits for another process's lock, on any thread: a save it finds
    // locked is postponed and retried on the settings' thread. For a worker, whose wait would hold
    // everyone who reads the settings meanwhile. Touches disk.
    bool setValueWithoutWaiting(const QString& key, const QVariant& value);

    // Typed reads: present only when the stored value has exactly that type.
    std::optional<bool> boolValue(const QString& key) const;
    std::optional<double> numberValue(const QString& key) const;
    std::optional<QString> stringValue(const QString& key) const;
    std::optional<QByteArray> dataValue(const QString& key) const;
    std::optional<QStringList> stringListValue(const QString& key) const;

    bool boolOr(const QString& key, bool fallback) const { return boolValue(key).value_or(fallback); }
    QString stringOr(const QString& key, const QString& fallback) const { return stringValue(key).value_or(fallback); }

    // Takes in what other processes wrote and writes changes a failed save left. False when they
    // are still not on disk (postponed as setValue's are). Touches disk.
    bool sync();
    // sync() that waits for another process's lock even on the window's thread: for the last
    // save before the application ends, when nothing could retry it later. Touches disk.
    bool syncBeforeLeaving();
    QString filePath() const;
    // 0 while saves succeed; else the system's error number of the last failed save (ENOSPC for a
    // full disk, EBUSY when another process held the lock too long).
    int saveError() const;
    // Where the unreadable file this process found was kept (the first one); empty when none.
    QString keptAside() const;
    // Whether changes made in this process are not on disk yet (a failed or postponed save).
    bool hasUnsavedChanges() const;
    // Whether they wait only for another process's lock, which the retry takes once it is free.
    bool waitsForAnotherProcess() const;
    // Whether the file is there but could be neither read nor moved aside (its folder takes no
    // change): none of its values are seen and nothing is written until it can be.
    bool isUnreadable() const;

Q_SIGNALS:
    void changed(const QString& key);
    // A save failed after the last one had succeeded: once per streak of failures. From the
    // writing thread.
    void saveFailed(int error);
    // hasUnsavedChanges() or saveError() now differ from what was last told. From the writing
    // thread.
    void saveStateChanged();
    // An unreadable file was just renamed to `path` (also later on, when another process spoiled
    // it). From the thread that found it.
    void fileKeptAside(const QString& path);

private:
    explicit Settings(const QString& path);
    enum class Saved { yes, postponed, failed };
    // Each with m_mutex held; `keptAside` gathers the names unreadable files were moved to.
    // Reads the file when it changed since we last read or wrote it and lays the unsaved changes
    // over it.
    void refresh(QStringList& keptAside);
    // Writes the unsaved changes under the lock file, waiting for it when `mayWait`; else a lock
    // held by another process postpones the save (m_lockBusy), and fails it once it has been held
    // longer than a moment. Sets m_saveError.
    Saved save(QStringList& keptAside, bool mayWait);
    // Saves, unlocks `lock` (of m_mutex), then emits what there is to tell (and changed(changedKey)).
    bool saveAndReport(QMutexLocker<QMutex>& lock, std::optional<QString> changedKey, bool mayWait);
    // Whether a save on this thread may wait for another process: not on ours while its loop runs.
    bool mayWaitHere() const;
    bool setValue(const QString& key, const QVariant& value, bool mayWait);
    // A postponed save again; on the object's thread.
    void retrySave();

    // The file as stat(2) sees it; all -1 when there is none. Touches disk.
    struct Stamp {
        qint64 size = -1;
        qint64 inode = -1;
        qint64 modifiedNs = -1;
        bool regular = false; // a regular file (behind any links)
        bool operator==(const Stamp&) const = default;
    };
    static Stamp stampOf(const QString& path);

    mutable QMutex m_mutex;
    const QString m_path;
    QJsonObject m_file;                               // its values as read or written, untouched
    QMap<QString, QVariant> m_values;                 // what reads see
    QMap<QString, std::optional<QVariant>> m_unsaved; // changes not on disk yet; none: removed
    Stamp m_stamp;                                    // the file as we last read or wrote it
    int m_saveError = 0;
    std::pair<bool, int> m_toldState{false, 0}; // (unsaved, error) when saveStateChanged last went out
    bool m_stuck = false; // an unreadable file could not be moved aside
    bool m_lockBusy = false;      // the last save found another process's lock and did not wait
    QElapsedTimer m_lockBusySince; // since when saves have found it so
    QTimer* m_retry = nullptr;     // retries a postponed or failed save; on the object's thread
    QString m_keptAside;
};

} // namespace kelvaro
