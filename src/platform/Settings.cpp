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

namespace kelvaro {
namespace {

// How often a save postponed by another process's lock is tried again, and how long it may stay
// postponed before it counts as failed (a save takes milliseconds; seconds mean something is stuck).
constexpr int kRetryMs = 250;
constexpr qint64 kLockBusyFailsAfterMs = 2000;
// How often changes a failed save kept are tried again while nothing else saves: room made on the
// disk later is used without waiting for the user's next change.
constexpr int kFailedRetryMs = 5000;

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

// Renames `path`, whatever kind of file it is (a FIFO, a folder), to
// "<name>.unreadable-<yyyyMMdd-HHmmss>[-n]" beside it, never replacing an earlier one. Returns the
// new name, empty when it could not, with the system's error number in `error`. Touches disk.
QString renameAside(const QString& path, int& error)
{
    error = 0;
    const QString stem = path + QStringLiteral(".unreadable-")
        + QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    for (int n = 1; n <= 100; ++n) {
        const QString target = n == 1 ? stem : stem + QStringLiteral("-%1").arg(n);
        if (QFileInfo::exists(target) || QFileInfo(target).isSymLink())
            continue;
        const QByteArray from = QFile::encodeName(path);
        const QByteArray to = QFile::encodeName(target);
        // A name taken since the check is never replaced.
        if (::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE) == 0
            || ((errno == EINVAL || errno == ENOSYS) && ::rename(from.constData(), to.constData()) == 0))
            return target;
        error = errno != 0 ? errno : EIO;
        return {};
    }
    error = EEXIST;
    return {};
}

// Keeps an unreadable settings file aside. Returns the new name, empty when it could not be
// moved. Touches disk.
QString moveAside(const QString& path)
{
    int error = 0;
    const QString target = renameAside(path, error);
    if (target.isEmpty())
        logLine(QStringLiteral("settings file %1 is unreadable and could not be moved aside; nothing is saved").arg(path));
    else
        logLine(QStringLiteral("settings file was unreadable, kept as %1; starting with empty settings").arg(target));
    return target;
}

// Each save is guarded by "<file>.lock", and a lock that cannot be proved stale is waited for up
// to half a minute by a save that may wait. A save killed between creating that file and writing
// its owner into it leaves it empty, and the next save would freeze for that long. A live owner
// fills it within microseconds, so one still empty after a moment has no owner and goes. A whole
// lock is left to QLockFile, which clears it at once when its process is gone. Without `mayWait`
// it never sleeps: a young empty lock is left for a later try. QLockFile only ever makes a regular
// file and reads what it finds there: a FIFO would hold it for good, a folder or a socket for its
// whole wait at every save. Anything else under that name is no one's lock and is put aside; 0,
// or the system's error number when it could not be. Touches disk.
int clearAbandonedLock(const QString& settingsPath, bool mayWait)
{
    const QString lockPath = settingsPath + QStringLiteral(".lock");
    struct stat kind {};
    if (::lstat(QFile::encodeName(lockPath).constData(), &kind) == 0 && !S_ISREG(kind.st_mode)) {
        int error = 0;
        const QString target = renameAside(lockPath, error);
        if (target.isEmpty() && error != ENOENT) { // gone: another process put it aside first
            logLine(QStringLiteral("settings lock %1 is no lock file and could not be moved aside; nothing is saved").arg(lockPath));
            return error;
        }
        if (!target.isEmpty())
            logLine(QStringLiteral("settings lock %1 was no lock file, kept as %2").arg(lockPath, target));
    }
    for (int attempt = 0; attempt < 10; ++attempt) {
        const QFileInfo info(lockPath);
        if (!info.exists())
            return 0;
        qint64 pid = 0;
        QString host;
        QString app;
        if (QLockFile(lockPath).getLockInfo(&pid, &host, &app))
            return 0;
        if (info.lastModified().msecsTo(QDateTime::currentDateTime()) > 200) {
            if (QFile::remove(lockPath))
                logLine(QStringLiteral("removed an ownerless settings lock %1").arg(lockPath));
            return 0;
        }
        if (!mayWait)
            return 0;
        QThread::msleep(50);
    }
    return 0;
}

// A save killed between writing its new file and renaming it leaves "<file>.new-…" beside the file
// (beside its target when it is a link), a whole copy of the settings each time. Every save writes
// under the lock, so one found while holding it belongs to nobody. Only names of the shape
// writeWhole gives go: a copy the user keeps as "kelvaro.json.new-version.json" is theirs.
// Touches disk.
void clearAbandonedWrites(const QString& settingsPath)
{
    QFileInfo info(settingsPath);
    for (int hops = 0; hops < 16 && info.isSymLink(); ++hops)
        info = QFileInfo(info.symLinkTarget());
    const QDir folder = info.absoluteDir();
    const QRegularExpression written(QStringLiteral("^%1\\.new-[0-9a-z]{1,7}$").arg(QRegularExpression::escape(info.fileName())));
    QStringList names = folder.entryList({info.fileName() + QStringLiteral(".new-*")}, QDir::Files | QDir::Hidden | QDir::System);
    names.removeIf([&](const QString& name) { return !written.match(name).hasMatch(); });
    for (const QString& name : names) {
        if (QFile::remove(folder.filePath(name)))
            logLine(QStringLiteral("removed the new settings file %1 of a save cut short").arg(folder.filePath(name)));
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

// The bytes of `path` when it is a regular file (behind any links); none when it is another kind
// of file or cannot be read. Opened without blocking, so a FIFO put there after the caller's check
// is never waited on. Touches disk.
std::optional<QByteArray> readRegularFile(const QString& path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    struct stat info {};
    std::optional<QByteArray> bytes;
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode)) {
        bytes.emplace();
        char buffer[64 * 1024];
        for (;;) {
            const ssize_t got = ::read(fd, buffer, sizeof buffer);
            if (got < 0 && errno == EINTR)
                continue;
            if (got < 0)
                bytes.reset();
            if (got <= 0)
                break;
            bytes->append(buffer, got);
        }
    }
    ::close(fd);
    return bytes;
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
            if (const std::optional<QByteArray> bytes = readRegularFile(m_path))
                parsed = parse(*bytes);
        }
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
    if (const int error = clearAbandonedLock(m_path, mayWait)) {
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
    clearAbandonedWrites(m_path);
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
    const int retryEvery = m_unsaved.isEmpty() ? 0 : m_lockBusy ? kRetryMs : m_saveError != 0 ? kFailedRetryMs : 0;
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
    // Compared as the file will hold them: QVariant takes true for 1.0 inside a list.
    const QJsonValue json = toJson(value);
    const QVariant stored = fromJson(json);
    const bool mayWait = mayWaitHere();
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
