#include "platform/Settings.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLockFile>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QThread>
#include <QTimer>

#include "platform/FileSystem.h"
#include "platform/Log.h"
#include "platform/SettingsFile.h"

namespace kelvaro {
namespace {

// How often a save postponed by another process's lock is tried again, and how long it may stay
// postponed before it counts as failed (a save takes milliseconds; seconds mean something is stuck).
constexpr int kRetryMs = 250;
constexpr qint64 kLockBusyFailsAfterMs = 2000;

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

// What a read found: the settings, or that the file is not a JSON object (an empty file included:
// a save cut short may leave one, and reading it as "no settings" would wipe the user's data at
// the next save).
std::optional<QJsonObject> parse(const QByteArray& bytes)
{
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError || !doc.isObject())
        return std::nullopt;
    return doc.object();
}

} // namespace

Settings& Settings::shared()
{
    static Settings* instance = [] {
        const QString dir = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QStringLiteral("/Kelvaro");
        QDir().mkpath(dir);
        auto* settings = new Settings(dir + QStringLiteral("/kelvaro.json"));
        // Saves from the main thread's loop are the ones that must never wait, whoever opened it.
        if (QCoreApplication* app = QCoreApplication::instance())
            settings->moveToThread(app->thread());
        return settings;
    }();
    return *instance;
}

Settings::Settings(const QString& path) : m_path(path), m_retry(new QTimer(this))
{
    m_retry->setInterval(kRetryMs);
    connect(m_retry, &QTimer::timeout, this, &Settings::retrySave);
    QStringList keptAside;
    QMutexLocker lock(&m_mutex);
    refresh(keptAside);
}

Settings::Stamp Settings::stampOf(const QString& path)
{
    struct stat info {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return {};
    return {qint64(info.st_size), qint64(info.st_ino), qint64(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec,
            S_ISREG(info.st_mode)};
}

void Settings::refresh(QStringList& keptAside)
{
    Stamp now = stampOf(m_path);
    if (now == m_stamp && !m_stuck)
        return;
    QJsonObject stored;
    if (now.size >= 0) {
        std::optional<QJsonObject> parsed;
        if (now.regular) {
            if (const std::optional<QByteArray> bytes = settingsfile::readRegularFile(m_path))
                parsed = parse(*bytes);
        }
        if (!parsed) {
            const QString target = settingsfile::moveAside(m_path);
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
    m_file = stored;
    QMap<QString, QVariant> values;
    for (auto it = stored.begin(); it != stored.end(); ++it)
        values.insert(it.key(), fromJson(it.value()));
    for (auto it = m_unsaved.cbegin(); it != m_unsaved.cend(); ++it) {
        if (it.value())
            values.insert(it.key(), *it.value());
        else
            values.remove(it.key());
    }
    m_values = values;
}

Settings::Saved Settings::save(QStringList& keptAside, bool mayWait)
{
    if (const int error = settingsfile::clearAbandonedLock(m_path, mayWait)) {
        m_saveError = error;
        return Saved::failed;
    }
    QLockFile lock(m_path + QStringLiteral(".lock"));
    errno = 0;
    if (!lock.tryLock(mayWait ? 30000 : 0)) {
        if (lock.error() != QLockFile::LockFailedError) {
            m_saveError = lock.error() == QLockFile::PermissionError ? EACCES : errno != 0 ? errno : EIO;
            return Saved::failed;
        }
        if (!mayWait) {
            // Nothing of ours waits: what the other process writes is read at the next save.
            if (m_unsaved.isEmpty() && m_saveError == 0)
                return Saved::yes;
            if (!m_lockBusy)
                m_lockBusySince.start();
            m_lockBusy = true;
            if (m_lockBusySince.elapsed() < kLockBusyFailsAfterMs)
                return Saved::postponed;
        }
        m_saveError = EBUSY;
        return Saved::failed;
    }
    m_lockBusy = false;
    refresh(keptAside);
    if (m_stuck) {
        m_saveError = EIO;
        return Saved::failed;
    }
    if (m_unsaved.isEmpty()) {
        m_saveError = 0;
        return Saved::yes;
    }
    settingsfile::clearAbandonedWrites(m_path);
    // The file as read under the lock, with this process's changes laid over it: a value of a
    // shape this version does not know goes back as it came.
    QJsonObject next = m_file;
    for (auto it = m_unsaved.cbegin(); it != m_unsaved.cend(); ++it) {
        if (it.value())
            next.insert(it.key(), toJson(*it.value()));
        else
            next.remove(it.key());
    }
    m_saveError = FileSystem::current().writeWhole(m_path, QJsonDocument(next).toJson(QJsonDocument::Indented));
    if (m_saveError != 0) {
        logLine(QStringLiteral("settings not saved to %1: %2").arg(m_path, QString::fromLocal8Bit(std::strerror(m_saveError))));
        return Saved::failed;
    }
    m_file = next;
    m_unsaved.clear();
    m_stamp = stampOf(m_path);
    return Saved::yes;
}

// Unlocks only to tell, as a receiver may read the settings again.
bool Settings::saveAndReport(QMutexLocker<QMutex>& lock, std::optional<QString> changedKey, bool mayWait)
{
    QStringList keptAside;
    const bool failedBefore = m_saveError != 0;
    const Saved saved = save(keptAside, mayWait);
    const int error = m_saveError;
    const int retryEvery = m_unsaved.isEmpty() ? 0 : m_lockBusy ? kRetryMs : m_saveError != 0 ? failedRetryMs : 0;
    const std::pair<bool, int> state{!m_unsaved.isEmpty(), error};
    const bool stateChanged = state != m_toldState;
    m_toldState = state;
    lock.unlock();
    // The timer belongs to this object's thread; a save on another one steers it from there.
    const auto steerRetry = [this, retryEvery] {
        if (retryEvery == 0)
            m_retry->stop();
        else if (!m_retry->isActive() || m_retry->interval() != retryEvery)
            m_retry->start(retryEvery);
    };
    if (QThread::currentThread() == thread())
        steerRetry();
    else
        QMetaObject::invokeMethod(this, steerRetry, Qt::QueuedConnection);
    for (const QString& path : std::as_const(keptAside))
        Q_EMIT fileKeptAside(path);
    if (saved == Saved::failed && !failedBefore)
        Q_EMIT saveFailed(error);
    if (stateChanged)
        Q_EMIT saveStateChanged();
    if (changedKey)
        Q_EMIT changed(*changedKey);
    return saved == Saved::yes;
}

bool Settings::mayWaitHere() const
{
    QThread* here = QThread::currentThread();
    return here != thread() || here->loopLevel() == 0;
}

void Settings::retrySave()
{
    QMutexLocker lock(&m_mutex);
    if (m_unsaved.isEmpty()) { // saved meanwhile by another thread
        lock.unlock();
        m_retry->stop();
        return;
    }
    saveAndReport(lock, std::nullopt, false);
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

bool Settings::waitsForAnotherProcess() const
{
    QMutexLocker lock(&m_mutex);
    return !m_unsaved.isEmpty() && m_lockBusy;
}

bool Settings::isUnreadable() const
{
    QMutexLocker lock(&m_mutex);
    return m_stuck;
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
    return setValue(key, value, mayWaitHere());
}

bool Settings::setValueWithoutWaiting(const QString& key, const QVariant& value)
{
    return setValue(key, value, false);
}

bool Settings::setValue(const QString& key, const QVariant& value, bool mayWait)
{
    // Compared as the file will hold them: QVariant takes true for 1.0 inside a list.
    const QJsonValue json = toJson(value);
    const QVariant stored = fromJson(json);
    QMutexLocker lock(&m_mutex);
    const auto old = m_values.constFind(key);
    if (old != m_values.cend() && toJson(*old) == json)
        return true;
    m_values.insert(key, stored);
    m_unsaved.insert(key, stored);
    return saveAndReport(lock, key, mayWait);
}

QStringList Settings::keys() const
{
    QMutexLocker lock(&m_mutex);
    return m_values.keys();
}

bool Settings::remove(const QString& key)
{
    const bool mayWait = mayWaitHere();
    QMutexLocker lock(&m_mutex);
    if (!m_values.contains(key))
        return true;
    m_values.remove(key);
    m_unsaved.insert(key, std::nullopt);
    return saveAndReport(lock, key, mayWait);
}

bool Settings::sync()
{
    const bool mayWait = mayWaitHere();
    QMutexLocker lock(&m_mutex);
    return saveAndReport(lock, std::nullopt, mayWait);
}

bool Settings::syncBeforeLeaving()
{
    QMutexLocker lock(&m_mutex);
    return saveAndReport(lock, std::nullopt, true);
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
