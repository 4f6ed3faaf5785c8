#pragma once
// Library: the history (newest first, at most 500 entries) and the shelves, persisted together as
// one document in the settings under a storage key, with the sample content of a first start, the
// demo content the screenshot studio swaps in, and the statistics derived from the history. Owned
// by KelvaroStore; main thread. A stored document that cannot be decoded is never overwritten. When
// the whole settings file was unreadable and kept aside, the history starts empty, without the
// sample content of a first start; when it could not even be moved aside, the history is as
// undecodable as a spoiled document.
#include <optional>

#include <QJsonObject>
#include <QList>
#include <QObject>
#include <QString>
#include <QUuid>

#include "model/Models.h"

namespace kelvaro {

class Library : public QObject {
    Q_OBJECT
public:
    static constexpr int historyLimit = 500;

    // Loads the document under `storageKey` at once; a first start gets the sample content.
    explicit Library(const QString& storageKey, QObject* parent = nullptr);

    const QList<ActivityItem>& activities() const { return m_activities; }
    void setActivities(const QList<ActivityItem>& activities);
    const QList<Shelf>& shelves() const { return m_shelves; }
    void setShelves(const QList<Shelf>& shelves);

    bool canPersist() const { return m_canPersist; }
    // Where the settings file the history was in was kept aside because it could not be read;
    // empty when it was read (or there was none).
    const QString& keptAside() const { return m_keptAside; }
    const QString& storageKey() const { return m_storageKey; }
    bool isShowingDemo() const { return m_demoBackup.has_value(); }

    // Writes the document to the settings unless a stored document was undecodable or demo
    // content is shown. False when the lists are not on disk after it: the stored document is
    // undecodable, or the save failed (the settings keep the change and try again; a save only
    // put off by another process's lock counts as made). Touches disk.
    bool save();
    // Puts one entry at the front, keeps at most 500 and saves; save()'s result.
    bool addHistoryEntry(const ActivityItem& entry);
    // The same for several entries in order (the last ends up first), saved once (true when there
    // were none).
    bool addHistoryEntries(const QList<ActivityItem>& entries);
    // Takes exactly these entries out, wherever newer ones have pushed them, and saves.
    void removeHistoryEntries(const QList<QUuid>& ids);

    void enterDemo(const QList<ActivityItem>& activities, const QList<Shelf>& shelves);
    // Puts the real lists back; false when no demo content was shown.
    bool exitDemo();
    bool hasSampleData() const;
    void clearSampleData();

    // Derived on each read.
    int shelvedFiles() const; // negative stored counts add nothing; capped at INT_MAX
    QList<DailyStat> dailyStats() const; // seven days, oldest first, ending today
    int weekCount() const;
    QList<ActivityItem> recentActivities() const; // newest six, stable

Q_SIGNALS:
    void activitiesChanged();
    void shelvesChanged();

private:
    void load();

    QList<ActivityItem> m_activities;
    QList<Shelf> m_shelves;
    QString m_storageKey;
    QJsonObject m_unknownMembers; // the document's members beside the lists, a later version's
    bool m_canPersist = true;
    QString m_keptAside;
    struct DemoBackup {
        QList<ActivityItem> activities;
        QList<Shelf> shelves;
    };
    std::optional<DemoBackup> m_demoBackup;
};

} // namespace kelvaro
