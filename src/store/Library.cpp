#include "store/Library.h"

#include <algorithm>
#include <limits>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>

#include "platform/Log.h"
#include "platform/NativePath.h"
#include "platform/Settings.h"
#include "store/Observed.h"

namespace kelvaro {
namespace {

std::optional<QList<ActivityItem>> decodeActivities(const QJsonArray& array)
{
    QList<ActivityItem> list;
    for (const QJsonValue& value : array) {
        auto item = ActivityItem::fromJson(value);
        if (!item)
            return std::nullopt;
        list.append(*item);
    }
    return list;
}

std::optional<QList<Shelf>> decodeShelves(const QJsonArray& array)
{
    QList<Shelf> list;
    for (const QJsonValue& value : array) {
        auto shelf = Shelf::fromJson(value);
        if (!shelf)
            return std::nullopt;
        list.append(*shelf);
    }
    return list;
}

// The decoding error's description, or none on success; `unknown` gets the document's members
// beside the two lists (a later version's).
std::optional<QString> decodeLibrary(const QByteArray& data, QList<ActivityItem>& activities, QList<Shelf>& shelves,
                                     QJsonObject& unknown)
{
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(data, &error);
    if (error.error != QJsonParseError::NoError)
        return error.errorString();
    if (!doc.isObject())
        return QStringLiteral("the document is not an object");
    const QJsonObject object = doc.object();
    for (const char* key : {"activities", "shelves"}) {
        if (!object.value(QLatin1String(key)).isArray())
            return QStringLiteral("member \"%1\" is missing or not an array").arg(QLatin1String(key));
    }
    auto decodedActivities = decodeActivities(object.value(QLatin1String("activities")).toArray());
    if (!decodedActivities)
        return QStringLiteral("a history entry cannot be read");
    auto decodedShelves = decodeShelves(object.value(QLatin1String("shelves")).toArray());
    if (!decodedShelves)
        return QStringLiteral("a shelf cannot be read");
    activities = *decodedActivities;
    shelves = *decodedShelves;
    unknown = object;
    unknown.remove(QStringLiteral("activities"));
    unknown.remove(QStringLiteral("shelves"));
    return std::nullopt;
}

QString activityKey(const ActivityItem& item)
{
    return item.fileName + QLatin1Char('|') + item.actionTitle;
}

const QSet<QString>& sampleActivityKeys()
{
    static const QSet<QString> keys = [] {
        QSet<QString> set;
        for (const ActivityItem& item : SampleData::activities())
            set.insert(activityKey(item));
        return set;
    }();
    return keys;
}

} // namespace

Library::Library(const QString& storageKey, QObject* parent) : QObject(parent), m_storageKey(storageKey)
{
    load();
}

void Library::setActivities(const QList<ActivityItem>& v) { assignObserved(this, m_activities, v, &Library::activitiesChanged); }
void Library::setShelves(const QList<Shelf>& v) { assignObserved(this, m_shelves, v, &Library::shelvesChanged); }

void Library::load()
{
    Settings& settings = Settings::shared();
    const auto data = settings.dataValue(m_storageKey);
    if (!data && !settings.contains(m_storageKey)) {
        if (settings.isUnreadable()) {
            // Not a first start either: the history is in the file that could not be read.
            logLine(QStringLiteral("library not loaded: the settings file is unreadable"));
            m_canPersist = false;
            return;
        }
        m_keptAside = settings.keptAside();
        if (!m_keptAside.isEmpty()) {
            // Not a first start: the user's history is in the file kept aside. An empty document
            // keeps the next start from taking itself for the first one.
            save();
            return;
        }
        setActivities(SampleData::activities());
        setShelves(SampleData::shelves());
        save();
        return;
    }
    // A value of another type is as unreadable as bad JSON: it must not be overwritten either.
    QList<ActivityItem> activities;
    QList<Shelf> shelves;
    const auto error = data ? decodeLibrary(*data, activities, shelves, m_unknownMembers)
                            : std::optional<QString>(QStringLiteral("the stored value is not data"));
    if (error) {
        logLine(QStringLiteral("failed to decode library: ") + *error);
        m_canPersist = false;
        return;
    }
    setActivities(activities);
    setShelves(shelves);
}

bool Library::save()
{
    if (!m_canPersist)
        return false;
    if (m_demoBackup)
        return true;
    QJsonArray activities;
    for (const ActivityItem& item : m_activities)
        activities.append(item.toJson());
    QJsonArray shelves;
    for (const Shelf& shelf : m_shelves)
        shelves.append(shelf.toJson());
    QJsonObject library = m_unknownMembers;
    library.insert(QStringLiteral("activities"), activities);
    library.insert(QStringLiteral("shelves"), shelves);
    if (Settings::shared().setValue(m_storageKey, QJsonDocument(library).toJson(QJsonDocument::Compact)))
        return true;
    // A save only put off by another process's lock is retried, and told if it then fails.
    return Settings::shared().saveError() == 0;
}

bool Library::addHistoryEntry(const ActivityItem& entry)
{
    return addHistoryEntries({entry});
}

bool Library::addHistoryEntries(const QList<ActivityItem>& entries)
{
    if (entries.isEmpty())
        return true;
    // One list change and one save for the whole batch: a save rewrites the whole settings file
    // (some 15 ms with a full history), far too slow to repeat per entry on the main thread.
    QList<ActivityItem> list;
    list.reserve(entries.size() + m_activities.size());
    for (auto it = entries.crbegin(); it != entries.crend() && list.size() < historyLimit; ++it) {
        list.append(*it);
        // Kept as text and shown: a name that was not valid UTF-8 would not survive the save.
        list.back().fileName = NativePath::displayName(list.back().fileName);
    }
    for (const ActivityItem& item : std::as_const(m_activities)) {
        if (list.size() >= historyLimit)
            break;
        list.append(item);
    }
    setActivities(list);
    return save();
}

void Library::removeHistoryEntries(const QList<QUuid>& ids)
{
    QList<ActivityItem> activities;
    for (const ActivityItem& item : m_activities) {
        if (!ids.contains(item.id))
            activities.append(item);
    }
    setActivities(activities);
    save();
}

void Library::enterDemo(const QList<ActivityItem>& activities, const QList<Shelf>& shelves)
{
    if (!m_demoBackup)
        m_demoBackup = DemoBackup{m_activities, m_shelves};
    setActivities(activities);
    setShelves(shelves);
}

bool Library::exitDemo()
{
    if (!m_demoBackup)
        return false;
    const DemoBackup backup = *m_demoBackup;
    setActivities(backup.activities);
    setShelves(backup.shelves);
    m_demoBackup.reset();
    return true;
}

bool Library::hasSampleData() const
{
    for (const Shelf& shelf : m_shelves) {
        if (shelf.fileCount >= 1)
            return true;
    }
    return std::any_of(m_activities.begin(), m_activities.end(),
                       [](const ActivityItem& item) { return sampleActivityKeys().contains(activityKey(item)); });
}

void Library::clearSampleData()
{
    QList<ActivityItem> activities;
    for (const ActivityItem& item : m_activities) {
        if (!sampleActivityKeys().contains(activityKey(item)))
            activities.append(item);
    }
    QList<Shelf> shelves;
    for (Shelf shelf : m_shelves) {
        if (shelf.fileCount >= 1 && shelf.items.isEmpty())
            continue;
        shelf.fileCount = 0;
        shelves.append(shelf);
    }
    setActivities(activities);
    setShelves(shelves);
    save();
}

int Library::shelvedFiles() const
{
    // fileCount comes from the stored library as written by anyone: a negative count claims
    // nothing, and many huge ones must not wrap around.
    qint64 sum = 0;
    for (const Shelf& shelf : m_shelves) {
        sum += qMax(shelf.fileCount, 0) + qint64(shelf.items.size());
        if (sum >= std::numeric_limits<int>::max())
            return std::numeric_limits<int>::max();
    }
    return int(sum);
}

QList<DailyStat> Library::dailyStats() const
{
    const QDate today = QDate::currentDate();
    QList<DailyStat> stats;
    for (int offset = -6; offset <= 0; ++offset) {
        const QDate day = today.addDays(offset);
        const QDateTime start = day.startOfDay();
        if (!day.isValid() || !start.isValid())
            continue;
        const int count = int(std::count_if(m_activities.begin(), m_activities.end(), [&](const ActivityItem& item) {
            return item.date.isValid() && item.date.toLocalTime().date() == day;
        }));
        stats.append({start, count});
    }
    return stats;
}

int Library::weekCount() const
{
    int sum = 0;
    for (const DailyStat& stat : dailyStats())
        sum += stat.count;
    return sum;
}

QList<ActivityItem> Library::recentActivities() const
{
    QList<ActivityItem> list = m_activities;
    std::stable_sort(list.begin(), list.end(), [](const ActivityItem& a, const ActivityItem& b) { return a.date > b.date; });
    if (list.size() > 6)
        list.resize(6);
    return list;
}

} // namespace kelvaro
