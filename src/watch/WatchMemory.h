#pragma once
// What the watcher remembers of its folders' files between starts, per rule id: the keys of the
// files already handled ("kelvaro.watch.seen.v1": rule id → array of keys) and the files in hand
// ("kelvaro.watch.inHand.v1": rule id → {key: how often it was started}), so that a file which was
// in hand at two ends of the application in a row (a crash, a kill, a power cut) is given up as
// failed instead of ending every start. Each change is saved in the settings before the call
// returns; a failed save keeps it there for the next save. Stored seen keys that do not decode are
// never written over; a record in hand that does not decode is dropped (it holds no work of the
// user's). Members of either named by no rule id are written back as read.
//
// Thread-safe: the watcher creates it and uses it on the main thread; its engine runs tell it of
// each file they start and end from their worker threads. Every change touches disk (settings).
#include <functional>

#include <QHash>
#include <QJsonObject>
#include <QList>
#include <QMutex>
#include <QSet>
#include <QString>
#include <QUuid>

#include "platform/SettingsKeys.h"

namespace kelvaro {

class WatchMemory {
public:
    static constexpr const char* seenKey = SettingsKey::watchSeen;
    static constexpr const char* inHandKey = SettingsKey::watchInHand;
    // Starts a file may take: found in hand after this many, it is given up.
    static constexpr int maxStarts = 2;

    // A file given up at load: in hand at `maxStarts` ends in a row.
    struct GivenUp {
        QUuid rule;
        QString key;
        bool operator==(const GivenUp&) const = default;
    };

    // Reads both documents from the settings. A file in hand that is seen already leaves the
    // record; one started `maxStarts` times is counted seen (when its rule has a memory, else
    // dropped: the rule's first scan takes a baseline) and returned. Saves what that changed.
    // `placed` tells whether a file's result of this identity (ImageEngine::PlacingHeard's) is
    // under its name in the rule's results folder: a file in hand whose result was placed is
    // counted made, not tried again.
    QList<GivenUp> load(const std::function<bool(const QUuid& rule, const QByteArray& identity)>& placed = {});

    bool has(const QUuid& rule) const;
    // Empty when the rule has no memory.
    QSet<QString> seen(const QUuid& rule) const;
    // The keys of the rule's files in hand, with their starts.
    QHash<QString, int> inHand(const QUuid& rule) const;
    // Gives the rule a memory holding `keys` (its baseline).
    void begin(const QUuid& rule, const QSet<QString>& keys);
    // Drops the rule's seen keys and files in hand.
    void forget(const QUuid& rule);
    // Keeps of the rule's seen keys and files in hand those in `present`: a file that went, or
    // changed, counts as new when it comes back.
    void keepOnly(const QUuid& rule, const QSet<QString>& present);

    // A file is about to be worked on: in hand once more.
    void starting(const QUuid& rule, const QString& key);
    // A file's result, complete, is about to take its name, as `identity`.
    void placing(const QUuid& rule, const QString& key, const QByteArray& identity);
    // A file was made or failed: seen, then out of hand.
    void ended(const QUuid& rule, const QString& key);
    // A run came back: `handled` are seen, and none of `files` is in hand any longer (a file a
    // stop left is neither made nor failed).
    void runEnded(const QUuid& rule, const QSet<QString>& handled, const QSet<QString>& files);

    // While held (a screenshot demo) nothing is written; letting go writes what changed meanwhile.
    void setHeld(bool held);

private:
    enum Document { seenDocument = 1, inHandDocument = 2 };
    // With m_lock held. Adds keys to a rule that has a memory: one removed or resumed meanwhile
    // has none, and making one would turn its next scan's baseline into a run over everything else.
    bool addSeen(const QUuid& rule, const QSet<QString>& keys);
    bool dropInHand(const QUuid& rule, const QSet<QString>& keys);
    // Writes the documents named in `which` as they are now, in the order of their changes.
    void save(int which);

    mutable QMutex m_lock; // the state below
    QMutex m_saving;       // one save at a time, each encoding what was changed before it
    QHash<QUuid, QSet<QString>> m_seen;
    QHash<QUuid, QHash<QString, int>> m_inHand;
    // Of the files in hand, the first result each placed; saved with them.
    QHash<QUuid, QHash<QString, QByteArray>> m_placed;
    QJsonObject m_seenUnknown;
    QJsonObject m_inHandUnknown;
    bool m_seenUnreadable = false;
    bool m_held = false;
    int m_changedWhileHeld = 0;
};

} // namespace kelvaro
