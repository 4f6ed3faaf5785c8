#include "platform/Settings.h"

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

#include "platform/Log.h"

namespace kelvaro {
namespace {

// QSettings stores QVariants; the file keeps JSON types. Byte arrays have no JSON type, so they
// are tagged: {"data": "<base64>"}.
QJsonValue toJson(const QVariant& v)
{
    switch (v.typeId()) {
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
        return {};
    }
    default:
        return {};
    }
}

// Renames an unreadable settings file to "<name>.unreadable-<yyyyMMdd-HHmmss>[-n]" beside it,
// never replacing an earlier one. Touches disk.
void moveAside(const QString& path)
{
    const QString stem = path + QStringLiteral(".unreadable-")
        + QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    for (int n = 1; n <= 100; ++n) {
        const QString target = n == 1 ? stem : stem + QStringLiteral("-%1").arg(n);
        if (QFileInfo::exists(target) || QFileInfo(target).isSymLink())
            continue;
        if (QFile::rename(path, target)) {
            logLine(QStringLiteral("settings file was unreadable, kept as %1; starting with empty settings").arg(target));
            return;
        }
        break;
    }
    logLine(QStringLiteral("settings file %1 is unreadable and could not be moved aside").arg(path));
}

// QSettings guards each save with "<file>.lock" and waits up to half a minute for a lock it cannot
// prove stale. A save killed between creating that file and writing its owner into it leaves it
// empty, and the next save would freeze for that long. A live owner fills it within microseconds,
// so one still empty after a moment has no owner and goes. A whole lock is left to QSettings,
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

// Writes the pending changes to disk. Touches disk.
void saveNow(QSettings& settings)
{
    clearAbandonedLock(settings.fileName());
    settings.sync();
}

bool readJson(QIODevice& device, QSettings::SettingsMap& map)
{
    const QByteArray bytes = device.readAll();
    if (bytes.trimmed().isEmpty())
        return true;
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(bytes, &error);
    if (!doc.isObject()) {
        // QSettings writes its in-memory keys over a file it could not parse at the next change,
        // which would lose everything the user had stored there. Moving the file away first keeps
        // it, and the next write then creates a fresh one. Reads come here whenever the file
        // changed on disk, so a file spoiled by another process is kept too.
        if (auto* file = qobject_cast<QFile*>(&device))
            moveAside(file->fileName());
        return false;
    }
    const QJsonObject o = doc.object();
    for (auto it = o.begin(); it != o.end(); ++it) {
        const QVariant v = fromJson(it.value());
        if (v.isValid())
            map.insert(it.key(), v);
    }
    return true;
}

bool writeJson(QIODevice& device, const QSettings::SettingsMap& map)
{
    QJsonObject o;
    for (auto it = map.begin(); it != map.end(); ++it)
        o.insert(it.key(), toJson(it.value()));
    return device.write(QJsonDocument(o).toJson(QJsonDocument::Indented)) >= 0;
}

QSettings::Format jsonFormat()
{
    static const QSettings::Format format = QSettings::registerFormat(QStringLiteral("json"), readJson, writeJson);
    return format;
}

} // namespace

Settings& Settings::shared()
{
    static Settings* instance = new Settings();
    return *instance;
}

Settings::Settings()
{
    const QString dir = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QStringLiteral("/Kelvaro");
    QDir().mkpath(dir);
    m_settings = new QSettings(dir + QStringLiteral("/kelvaro.json"), jsonFormat());
    m_settings->setFallbacksEnabled(false);
}

QString Settings::filePath() const
{
    QMutexLocker lock(&m_mutex);
    return m_settings->fileName();
}

QVariant Settings::value(const QString& key) const
{
    QMutexLocker lock(&m_mutex);
    return m_settings->value(key);
}

bool Settings::contains(const QString& key) const
{
    QMutexLocker lock(&m_mutex);
    return m_settings->contains(key);
}

void Settings::setValue(const QString& key, const QVariant& value)
{
    if (!value.isValid()) {
        remove(key);
        return;
    }
    // Normalise to what the file will hold, so "really changed" compares like with like.
    const QVariant stored = fromJson(toJson(value));
    {
        QMutexLocker lock(&m_mutex);
        const QVariant old = m_settings->value(key);
        if (old.isValid() && old.typeId() == stored.typeId() && old == stored)
            return;
        m_settings->setValue(key, stored);
        saveNow(*m_settings);
    }
    Q_EMIT changed(key);
}

QStringList Settings::keys() const
{
    QMutexLocker lock(&m_mutex);
    return m_settings->allKeys();
}

void Settings::remove(const QString& key)
{
    {
        QMutexLocker lock(&m_mutex);
        if (!m_settings->contains(key))
            return;
        m_settings->remove(key);
        saveNow(*m_settings);
    }
    Q_EMIT changed(key);
}

void Settings::sync()
{
    QMutexLocker lock(&m_mutex);
    saveNow(*m_settings);
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
