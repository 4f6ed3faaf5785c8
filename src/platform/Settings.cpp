#include "platform/Settings.h"

#include <cerrno>
#include <cstring>

#include <sys/stat.h>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLockFile>
#include <QStandardPaths>
#include <QThread>

#include "platform/FileSystem.h"
#include "platform/Log.h"

namespace kelvaro {
namespace {

// Values are QVariants in memory; the file keeps JSON types. Byte arrays have no JSON type, so they
// are tagged: {"data": "<base64>"}. A value of no type this version knows (a null, an object of
// another shape, a newer version's record) is held as its QJsonValue and written back as read.
QJsonValue toJson(const QVariant& v)
{
    switch (v.typeId()) {
    case QMetaType::QJsonValue:
        return v.toJsonValue();
    case QMetaType::Bool:
        return v.toBool();
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Double:
    case QMetaType::Float:
        return v.toDouble();
    case QMetaType::QByteArray:
        return QJsonObject{{QStringLiteral("data"), QString::fromLatin1(v.toByteArray().toBase64())}};
    case QMetaType::QStringList:
    case QMetaType::QVariantList: {
        QJsonArray a;
        for (const QVariant& item : v.toList())
            a.append(toJson(item));
        return a;
    }
    default:
        return v.toString();
    }
}

QVariant fromJson(const QJsonValue& v)
{
    switch (v.type()) {
    case QJsonValue::Bool:
        return v.toBool();
    case QJsonValue::Double:
        return v.toDouble();
    case QJsonValue::String:
        return v.toString();
    case QJsonValue::Array: {
        QVariantList list;
        for (const QJsonValue& item : v.toArray())
            list.append(fromJson(item));
        return list;
    }
    case QJsonValue::Object: {
        const QJsonObject o = v.toObject();
        if (o.size() == 1 && o.value(QStringLiteral("data")).isString())
            return QByteArray::fromBase64(o.value(QStringLiteral("data")).toString().toLatin1());
        return QVariant::fromValue(v);
    }
    default:
        return QVariant::fromValue(v);
    }
}

// Renames an unreadable settings file to "<name>.unreadable-<yyyyMMdd-HHmmss>[-n]" beside it,
// never replacing an earlier one. Returns the new name, empty when it could not. Touches disk.
QString moveAside(const QString& path)
{
    const QString stem = path + QStringLiteral(".unreadable-")
        + QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    for (int n = 1; n <= 100; ++n) {
        const QString target = n == 1 ? stem : stem + QStringLiteral("-%1").arg(n);
        if (QFileInfo::exists(target) || QFileInfo(target).isSymLink())
            continue;
        if (QFile::rename(path, target)) {
            logLine(QStringLiteral("settings file was unreadable, kept as %1; starting with empty settings").arg(target));
            return target;
        }
        break;
    }
    logLine(QStringLiteral("settings file %1 is unreadable and could not be moved aside; nothing is saved").arg(path));
    return {};
}

// Each save is guarded by "<file>.lock", and a lock that cannot be proved stale is waited for up
// to half a minute. A save killed between creating that file and writing its owner into it leaves it
// empty, and the next save would freeze for that long. A live owner fills it within microseconds,
// so one still empty after a moment has no owner and goes. A whole lock is left to QLockFile,
// which clears it at once when its process is gone. Touches disk.
void clearAbandonedLock(const QString& settingsPath)
{
    const QString lockPath = settingsPath + QStringLiteral(".lock");
    for (int attempt = 0; attempt < 10; ++attempt) {
        const QFileInfo info(lockPath);
        if (!info.exists())
            return;
        qint64 pid = 0;
        QString host;
        QString app;
        if (QLockFile(lockPath).getLockInfo(&pid, &host, &app))
            return;
        if (info.lastModified().msecsTo(QDateTime::currentDateTime()) > 200) {
            if (QFile::remove(lockPath))
                logLine(QStringLiteral("removed an ownerless settings lock %1").arg(lockPath));
            return;
        }
        QThread::msleep(50);
    }
}

// A save killed between writing its new file and renaming it leaves "<file>.new-…" beside the file
// (beside its target when it is a link), a whole copy of the settings each time. Every save writes
// under the lock, so one found while holding it belongs to nobody. Touches disk.
void clearAbandonedWrites(const QString& settingsPath)
{
    QFileInfo info(settingsPath);
    for (int hops = 0; hops < 16 && info.isSymLink(); ++hops)
        info = QFileInfo(info.symLinkTarget());
    const QDir folder = info.absoluteDir();
    const QStringList names = folder.entryList({info.fileName() + QStringLiteral(".new-*")}, QDir::Files | QDir::Hidden | QDir::System);
    for (const QString& name : names) {
        if (QFile::remove(folder.filePath(name)))
            logLine(QStringLiteral("removed the new settings file %1 of a save cut short").arg(folder.filePath(name)));
    }
}

// What a read found: the settings, or that the file is not a JSON object (an empty file included:
// a save cut short may leave one, and reading it as "no settings" would wipe the user's data at
// the next save).
std::optional<QMap<QString, QVariant>> parse(const QByteArray& bytes)
{
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError || !doc.isObject())
        return std::nullopt;
    QMap<QString, QVariant> map;
    const QJsonObject o = doc.object();
    for (auto it = o.begin(); it != o.end(); ++it)
        map.insert(it.key(), fromJson(it.value()));
    return map;
}

QByteArray serialise(const QMap<QString, QVariant>& map)
{
    QJsonObject o;
    for (auto it = map.begin(); it != map.end(); ++it)
        o.insert(it.key(), toJson(it.value()));
    return QJsonDocument(o).toJson(QJsonDocument::Indented);
}

} // namespace

Settings& Settings::shared()
{
    static Settings* instance = [] {
        const QString dir = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QStringLiteral("/Kelvaro");
        QDir().mkpath(dir);
        return new Settings(dir + QStringLiteral("/kelvaro.json"));
    }();
    return *instance;
}

Settings::Settings(const QString& path) : m_path(path)
{
    QStringList keptAside;
    QMutexLocker lock(&m_mutex);
    refresh(keptAside);
}

Settings::Stamp Settings::stampOf(const QString& path)
{
    struct stat info {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return {};
    return {qint64(info.st_size), qint64(info.st_ino), qint64(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec};
}

void Settings::refresh(QStringList& keptAside)
{
    Stamp now = stampOf(m_path);
    if (now == m_stamp && !m_stuck)
        return;
    QMap<QString, QVariant> stored;
    if (now.size >= 0) {
        QFile file(m_path);
        std::optional<QMap<QString, QVariant>> parsed;
        if (file.open(QIODevice::ReadOnly))
            parsed = parse(file.readAll());
        if (!parsed) {
            const QString target = moveAside(m_path);
            m_stuck = target.isEmpty();
            if (m_stuck)
                return; // nothing read, nothing written
            if (m_keptAside.isEmpty())
                m_keptAside = target;
            keptAside.append(target);
            now = {};
        } else {
            stored = *parsed;
        }
    }
    m_stuck = false;
    m_stamp = now;
    for (auto it = m_unsaved.cbegin(); it != m_unsaved.cend(); ++it) {
        if (it.value())
            stored.insert(it.key(), *it.value());
        else
            stored.remove(it.key());
    }
    m_values = stored;
}

bool Settings::save(QStringList& keptAside)
{
    clearAbandonedLock(m_path);
    QLockFile lock(m_path + QStringLiteral(".lock"));
    errno = 0;
    if (!lock.tryLock(30000)) {
        m_saveError = lock.error() == QLockFile::PermissionError ? EACCES : errno != 0 ? errno : EIO;
        return false;
    }
    refresh(keptAside);
    if (m_stuck) {
        m_saveError = EIO;
        return false;
    }
    if (m_unsaved.isEmpty()) {
        m_saveError = 0;
        return true;
    }
    clearAbandonedWrites(m_path);
    // The values read from the file under the lock, with this process's changes laid over them.
    m_saveError = FileSystem::current().writeWhole(m_path, serialise(m_values));
    if (m_saveError != 0) {
        logLine(QStringLiteral("settings not saved to %1: %2").arg(m_path, QString::fromLocal8Bit(std::strerror(m_saveError))));
        return false;
    }
    m_unsaved.clear();
    m_stamp = stampOf(m_path);
    return true;
}

// Unlocks only to tell, as a receiver may read the settings again.
bool Settings::saveAndReport(QMutexLocker<QMutex>& lock, std::optional<QString> changedKey)
{
    QStringList keptAside;
    const bool failedBefore = m_saveError != 0;
    const bool saved = save(keptAside);
    const int error = m_saveError;
    const std::pair<bool, int> state{!m_unsaved.isEmpty(), error};
    const bool stateChanged = state != m_toldState;
    m_toldState = state;
    lock.unlock();
    for (const QString& path : std::as_const(keptAside))
        Q_EMIT fileKeptAside(path);
    if (!saved && !failedBefore)
        Q_EMIT saveFailed(error);
    if (stateChanged)
        Q_EMIT saveStateChanged();
    if (changedKey)
        Q_EMIT changed(*changedKey);
    return saved;
}

QString Settings::filePath() const
{
    return m_path;
}

int Settings::saveError() const
{
    QMutexLocker lock(&m_mutex);
    return m_saveError;
}

QString Settings::keptAside() const
{
    QMutexLocker lock(&m_mutex);
    return m_keptAside;
}

bool Settings::hasUnsavedChanges() const
{
    QMutexLocker lock(&m_mutex);
    return !m_unsaved.isEmpty();
}

QVariant Settings::value(const QString& key) const
{
    QMutexLocker lock(&m_mutex);
    return m_values.value(key);
}

bool Settings::contains(const QString& key) const
{
    QMutexLocker lock(&m_mutex);
    return m_values.contains(key);
}

bool Settings::setValue(const QString& key, const QVariant& value)
{
    if (!value.isValid())
        return remove(key);
    // Normalise to what the file will hold, so "really changed" compares like with like.
    const QVariant stored = fromJson(toJson(value));
    QMutexLocker lock(&m_mutex);
    const QVariant old = m_values.value(key);
    if (old.isValid() && old.typeId() == stored.typeId() && old == stored)
        return true;
    m_values.insert(key, stored);
    m_unsaved.insert(key, stored);
    return saveAndReport(lock, key);
}

QStringList Settings::keys() const
{
    QMutexLocker lock(&m_mutex);
    return m_values.keys();
}

bool Settings::remove(const QString& key)
{
    QMutexLocker lock(&m_mutex);
    if (!m_values.contains(key))
        return true;
    m_values.remove(key);
    m_unsaved.insert(key, std::nullopt);
    return saveAndReport(lock, key);
}

bool Settings::sync()
{
    QMutexLocker lock(&m_mutex);
    return saveAndReport(lock, std::nullopt);
}

std::optional<bool> Settings::boolValue(const QString& key) const
{
    const QVariant v = value(key);
    if (v.typeId() != QMetaType::Bool)
        return std::nullopt;
    return v.toBool();
}

std::optional<double> Settings::numberValue(const QString& key) const
{
    const QVariant v = value(key);
    if (v.typeId() != QMetaType::Double)
        return std::nullopt;
    return v.toDouble();
}

std::optional<QString> Settings::stringValue(const QString& key) const
{
    const QVariant v = value(key);
    if (v.typeId() != QMetaType::QString)
        return std::nullopt;
    return v.toString();
}

std::optional<QByteArray> Settings::dataValue(const QString& key) const
{
    const QVariant v = value(key);
    if (v.typeId() != QMetaType::QByteArray)
        return std::nullopt;
    return v.toByteArray();
}

std::optional<QStringList> Settings::stringListValue(const QString& key) const
{
    const QVariant v = value(key);
    if (v.typeId() != QMetaType::QVariantList)
        return std::nullopt;
    QStringList out;
    for (const QVariant& item : v.toList()) {
        if (item.typeId() != QMetaType::QString)
            return std::nullopt;
        out.append(item.toString());
    }
    return out;
}

} // namespace kelvaro
