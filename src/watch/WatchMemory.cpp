#include "watch/WatchMemory.h"

#include <optional>
#include <utility>

#include <QJsonArray>
#include <QJsonDocument>

#include "platform/Json.h"
#include "platform/Log.h"
#include "platform/Settings.h"

namespace kelvaro {
namespace {

using Starts = QHash<QString, int>;
using StartsByRule = QHash<QUuid, Starts>;

// A document of rule id → `decode`d member; none when it is no JSON object or a rule's member
// does not decode. `unknown` gets the members whose name is no rule id (a later version's).
template <typename Value, typename Decode>
std::optional<QHash<QUuid, Value>> decodeByRule(const QByteArray& data, QJsonObject& unknown, Decode decode)
{
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(data, &error);
    if (error.error != QJsonParseError::NoError || !doc.isObject())
        return std::nullopt;
    QHash<QUuid, Value> byRule;
    QJsonObject others;
    const QJsonObject object = doc.object();
    for (auto it = object.constBegin(); it != object.constEnd(); ++it) {
        const std::optional<QUuid> id = json::parseUuid(it.key());
        if (!id) {
            others.insert(it.key(), it.value());
            continue;
        }
        std::optional<Value> value = decode(it.value());
        if (!value)
            return std::nullopt;
        byRule.insert(*id, *value);
    }
    unknown = others;
    return byRule;
}

std::optional<QSet<QString>> decodeKeys(const QJsonValue& value)
{
    if (!value.isArray())
        return std::nullopt;
    QSet<QString> keys;
    for (const QJsonValue& key : value.toArray()) {
        if (!key.isString())
            return std::nullopt;
        keys.insert(key.toString());
    }
    return keys;
}

// A file in hand: how often it was started, alone, or with the result it placed:
// {"starts": n, "placed": "device:inode"}.
struct InHandFile {
    int starts = 0;
    QByteArray placed;
};

std::optional<QHash<QString, InHandFile>> decodeStarts(const QJsonValue& value)
{
    if (!value.isObject())
        return std::nullopt;
    QHash<QString, InHandFile> starts;
    const QJsonObject object = value.toObject();
    for (auto it = object.constBegin(); it != object.constEnd(); ++it) {
        QByteArray placed;
        QJsonValue startsValue = it.value();
        if (it.value().isObject()) {
            const QJsonObject file = it.value().toObject();
            startsValue = file.value(QStringLiteral("starts"));
            if (!file.value(QStringLiteral("placed")).isString())
                return std::nullopt;
            placed = file.value(QStringLiteral("placed")).toString().toLatin1();
        }
        const double count = startsValue.toDouble(-1);
        if (count < 1 || count != double(int(count)))
            return std::nullopt;
        starts.insert(it.key(), {int(count), placed});
    }
    return starts;
}

QByteArray encodeSeen(const QHash<QUuid, QSet<QString>>& seen, QJsonObject object)
{
    for (auto it = seen.constBegin(); it != seen.constEnd(); ++it) {
        QStringList keys(it.value().cbegin(), it.value().cend());
        keys.sort();
        object.insert(json::uuidText(it.key()), QJsonArray::fromStringList(keys));
    }
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

QByteArray encodeInHand(const QHash<QUuid, QHash<QString, int>>& inHand,
                        const QHash<QUuid, QHash<QString, QByteArray>>& placed, QJsonObject object)
{
    for (auto it = inHand.constBegin(); it != inHand.constEnd(); ++it) {
        if (it.value().isEmpty())
            continue;
        QJsonObject starts;
        const QHash<QString, QByteArray> results = placed.value(it.key());
        for (auto file = it.value().constBegin(); file != it.value().constEnd(); ++file) {
            const QByteArray result = results.value(file.key());
            if (result.isEmpty())
                starts.insert(file.key(), file.value());
            else
                starts.insert(file.key(), QJsonObject{{QStringLiteral("starts"), file.value()},
                                                      {QStringLiteral("placed"), QString::fromLatin1(result)}});
        }
        object.insert(json::uuidText(it.key()), starts);
    }
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

} // namespace

QList<WatchMemory::GivenUp> WatchMemory::load(const std::function<bool(const QUuid&, const QByteArray&)>& placed)
{
    Settings& settings = Settings::shared();
    QList<GivenUp> givenUp;
    int changed = 0;
    {
        const QMutexLocker lock(&m_lock);
        const QString seenName = QString::fromLatin1(seenKey);
        if (settings.contains(seenName)) {
            const auto data = settings.dataValue(seenName);
            if (const auto seen = data ? decodeByRule<QSet<QString>>(*data, m_seenUnknown, decodeKeys) : std::nullopt) {
                m_seen = *seen;
            } else {
                // Written over, the keys would be gone for good; without them a rule takes a new baseline.
                logLine(QStringLiteral("failed to decode the watched folders' seen files"));
                m_seenUnreadable = true;
            }
        }
        const QString inHandName = QString::fromLatin1(inHandKey);
        if (settings.contains(inHandName)) {
            const auto data = settings.dataValue(inHandName);
            if (const auto inHand = data ? decodeByRule<QHash<QString, InHandFile>>(*data, m_inHandUnknown, decodeStarts)
                                         : std::nullopt) {
                for (auto rule = inHand->constBegin(); rule != inHand->constEnd(); ++rule)
                    for (auto file = rule.value().constBegin(); file != rule.value().constEnd(); ++file) {
                        m_inHand[rule.key()].insert(file.key(), file.value().starts);
                        if (!file.value().placed.isEmpty())
                            m_placed[rule.key()].insert(file.key(), file.value().placed);
                    }
            } else {
                logLine(QStringLiteral("failed to decode the watched folders' files in hand; dropped"));
                changed |= inHandDocument;
            }
        }
        for (auto rule = m_inHand.begin(); rule != m_inHand.end(); ++rule) {
            const auto seen = m_seen.constFind(rule.key());
            for (auto file = rule.value().begin(); file != rule.value().end();) {
                // Seen already: the end was saved, the file's leaving the record was not. Or its
                // result took its name and the end that followed was never saved.
                const bool wasSeen = seen != m_seen.constEnd() && seen.value().contains(file.key());
                const QByteArray result = m_placed.value(rule.key()).value(file.key());
                const bool handled = wasSeen || (!result.isEmpty() && placed && placed(rule.key(), result));
                if (handled && !wasSeen && addSeen(rule.key(), {file.key()}))
                    changed |= seenDocument;
                if (!handled && file.value() < maxStarts) {
                    ++file;
                    continue;
                }
                if (!handled) {
                    givenUp.append({rule.key(), file.key()});
                    if (addSeen(rule.key(), {file.key()}))
                        changed |= seenDocument;
                }
                file = rule.value().erase(file);
                changed |= inHandDocument;
            }
        }
        m_inHand.removeIf([](StartsByRule::iterator rule) { return rule.value().isEmpty(); });
    }
    if (changed)
        save(changed);
    return givenUp;
}

bool WatchMemory::has(const QUuid& rule) const
{
    const QMutexLocker lock(&m_lock);
    return m_seen.contains(rule);
}

QSet<QString> WatchMemory::seen(const QUuid& rule) const
{
    const QMutexLocker lock(&m_lock);
    return m_seen.value(rule);
}

QHash<QString, int> WatchMemory::inHand(const QUuid& rule) const
{
    const QMutexLocker lock(&m_lock);
    return m_inHand.value(rule);
}

void WatchMemory::begin(const QUuid& rule, const QSet<QString>& keys)
{
    {
        const QMutexLocker lock(&m_lock);
        m_seen.insert(rule, keys);
    }
    save(seenDocument);
}

void WatchMemory::forget(const QUuid& rule)
{
    int changed = 0;
    {
        const QMutexLocker lock(&m_lock);
        m_seen.remove(rule);
        changed |= seenDocument; // also writes back a document that lost a rule before
        if (m_inHand.remove(rule) > 0)
            changed |= inHandDocument;
    }
    save(changed);
}

void WatchMemory::keepOnly(const QUuid& rule, const QSet<QString>& present)
{
    int changed = 0;
    {
        const QMutexLocker lock(&m_lock);
        if (const auto it = m_seen.find(rule); it != m_seen.end()) {
            const QSet<QString> kept = it.value() & present;
            if (kept.size() < it.value().size()) {
                it.value() = kept;
                changed |= seenDocument;
            }
        }
        if (const auto it = m_inHand.find(rule); it != m_inHand.end()) {
            if (it.value().removeIf([&](Starts::iterator file) { return !present.contains(file.key()); }) > 0)
                changed |= inHandDocument;
            if (it.value().isEmpty())
                m_inHand.erase(it);
        }
    }
    if (changed)
        save(changed);
}

void WatchMemory::starting(const QUuid& rule, const QString& key)
{
    {
        const QMutexLocker lock(&m_lock);
        ++m_inHand[rule][key];
        m_placed[rule].remove(key);
    }
    save(inHandDocument);
}

void WatchMemory::placing(const QUuid& rule, const QString& key, const QByteArray& identity)
{
    {
        const QMutexLocker lock(&m_lock);
        const auto it = m_inHand.constFind(rule);
        // The first result of a file is enough to tell it was made.
        if (it == m_inHand.constEnd() || !it.value().contains(key) || m_placed.value(rule).contains(key))
            return;
        m_placed[rule].insert(key, identity);
    }
    save(inHandDocument);
}

void WatchMemory::ended(const QUuid& rule, const QString& key)
{
    runEnded(rule, {key}, {key});
}

void WatchMemory::runEnded(const QUuid& rule, const QSet<QString>& handled, const QSet<QString>& files)
{
    int changed = 0;
    {
        const QMutexLocker lock(&m_lock);
        if (addSeen(rule, handled))
            changed |= seenDocument;
        if (dropInHand(rule, files))
            changed |= inHandDocument;
    }
    // Seen first: a file both seen and in hand after a kill in between is known to be made.
    if (changed)
        save(changed);
}

bool WatchMemory::addSeen(const QUuid& rule, const QSet<QString>& keys)
{
    const auto it = m_seen.find(rule);
    if (it == m_seen.end())
        return false;
    const qsizetype before = it.value().size();
    it.value().unite(keys);
    return it.value().size() > before;
}

bool WatchMemory::dropInHand(const QUuid& rule, const QSet<QString>& keys)
{
    const auto it = m_inHand.find(rule);
    if (it == m_inHand.end())
        return false;
    const qsizetype dropped = it.value().removeIf([&](Starts::iterator file) { return keys.contains(file.key()); });
    if (const auto placed = m_placed.find(rule); placed != m_placed.end())
        placed.value().removeIf([&](QHash<QString, QByteArray>::iterator file) { return keys.contains(file.key()); });
    if (it.value().isEmpty())
        m_inHand.erase(it);
    return dropped > 0;
}

void WatchMemory::setHeld(bool held)
{
    int changed = 0;
    {
        const QMutexLocker lock(&m_lock);
        m_held = held;
        if (!held)
            changed = std::exchange(m_changedWhileHeld, 0);
    }
    if (changed)
        save(changed);
}

void WatchMemory::save(int which)
{
    const QMutexLocker saving(&m_saving);
    QByteArray seen;
    QByteArray inHand;
    {
        const QMutexLocker lock(&m_lock);
        if (m_held) {
            m_changedWhileHeld |= which;
            return;
        }
        if ((which & seenDocument) && !m_seenUnreadable)
            seen = encodeSeen(m_seen, m_seenUnknown);
        if (which & inHandDocument)
            inHand = encodeInHand(m_inHand, m_placed, m_inHandUnknown);
    }
    // A failed save keeps the change in the settings for their next save.
    Settings& settings = Settings::shared();
    if (!seen.isEmpty() && !settings.setValueWithoutWaiting(QString::fromLatin1(seenKey), seen))
        logLine(QStringLiteral("watched folders' seen files not saved yet"));
    if (!inHand.isEmpty() && !settings.setValueWithoutWaiting(QString::fromLatin1(inHandKey), inHand))
        logLine(QStringLiteral("watched folders' files in hand not saved yet"));
}

} // namespace kelvaro
