#include "watch/FolderWatcher.h"

#include <algorithm>

#include <QCoreApplication>
#include <QFileInfo>
#include <QFutureWatcher>
#include <QtConcurrent/QtConcurrentRun>

#include "engine/PartFile.h"
#include "engine/RunHooks.h"
#include "l10n/Localization.h"
#include "l10n/SaveFailure.h"
#include "platform/Bookmark.h"
#include "platform/FileManager.h"
#include "platform/Log.h"
#include "platform/NativeFile.h"
#include "platform/NativePath.h"
#include "platform/Notifications.h"
#include "platform/Settings.h"

namespace kelvaro {
namespace {

// The name of the file a key stands for ("name|seconds|size"); the name may hold '|' itself.
QString nameInKey(const QString& key)
{
    return key.section(QLatin1Char('|'), 0, -3);
}

} // namespace

FolderWatcher::FolderWatcher(QObject* parent)
    : QObject(parent), m_fileManager(std::make_shared<DesktopFileManager>())
{
    m_timer.setSingleShot(true);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, [this] {
        tick([this] { scheduleNextTick(m_interval); });
    });
    // Listings and watched-folder runs must not compete with the user's own runs.
    m_pool.setThreadPriority(QThread::LowPriority);
    m_pool.setMaxThreadCount(2);
    load();
}

FolderWatcher::~FolderWatcher()
{
    // Nobody takes a run's outcome once the watcher goes: its runs stop (the file in progress
    // finishes) rather than keep the pool's wait, which a run waiting for memory would keep for ever.
    for (const auto& run : std::as_const(m_runs))
        run->cancel();
}

FolderWatcher& FolderWatcher::shared()
{
    static FolderWatcher* instance = new FolderWatcher(QCoreApplication::instance());
    return *instance;
}

void FolderWatcher::setHistorySink(HistorySink sink)
{
    m_historySink = std::move(sink);
}

void FolderWatcher::setFileManager(std::shared_ptr<FileManager> fileManager)
{
    m_fileManager = std::move(fileManager);
}

void FolderWatcher::setTickInterval(std::chrono::milliseconds interval)
{
    m_interval = interval;
}

int FolderWatcher::activeCount() const
{
    return int(std::count_if(m_rules.cbegin(), m_rules.cend(), [](const WatchRule& r) { return r.isEnabled; }));
}

// ---- Persistence ---------------------------------------------------------------------------------

void FolderWatcher::load()
{
    Settings& settings = Settings::shared();
    const QString rulesName = QString::fromLatin1(rulesKey);
    if (settings.contains(rulesName)) {
        const auto data = settings.dataValue(rulesName);
        const auto rules = data ? decodeWatchRules(*data) : std::nullopt;
        if (rules) {
            m_rules = *rules;
        } else {
            // Never overwrite what could not be read: the user may get it back with a fixed build.
            logLine(QStringLiteral("failed to decode watch rules"));
            m_canPersist = false;
        }
    }

    // A file that ended the application at each of its last two tries would end every start.
    // A result placed before the end could be saved is found by its identity in its rule's folder.
    const auto placed = [this](const QUuid& id, const QByteArray& identity) {
        const WatchRule* rule = findRule(id);
        const std::optional<QString> folder = rule ? resultsFolder(*rule) : std::nullopt;
        if (!folder)
            return false;
        for (const QString& name : NativeFile::names(*folder)) {
            if (!name.startsWith(QLatin1Char('.')) && ImageEngine::placedIdentity(*folder + QLatin1Char('/') + name) == identity)
                return true;
        }
        return false;
    };
    for (const WatchMemory::GivenUp& file : m_memory->load(placed)) {
        const QString name = NativePath::displayName(nameInKey(file.key));
        logLine(QStringLiteral("watched file given up, in hand at two ends in a row: %1").arg(name));
        if (!findRule(file.rule))
            continue;
        update(file.rule, [&](WatchStatus& s) {
            s.failures.append(Lf("Soubor „%@“ nechávám stranou, dokud se nezmění: Kelvaro se při jeho zpracování dvakrát ukončil.", name));
            s.message = Lf("Nepovedlo se zpracovat: %lld.", qint64(s.failures.size()));
        });
    }
}

void FolderWatcher::saveRules()
{
    if (!m_canPersist || m_demoBackup)
        return;
    // A failed save keeps the change in the settings for their next save; the window tells it.
    if (!Settings::shared().setValue(QString::fromLatin1(rulesKey), encodeWatchRules(m_rules)))
        logLine(QStringLiteral("watch rules not saved yet"));
}

// ---- Rules ---------------------------------------------------------------------------------------

void FolderWatcher::setRules(QList<WatchRule> rules)
{
    if (rules == m_rules)
        return;
    m_rules = std::move(rules);
    Q_EMIT rulesChanged();
}

WatchRule* FolderWatcher::findRule(const QUuid& id)
{
    const auto it = std::find_if(m_rules.begin(), m_rules.end(), [&](const WatchRule& r) { return r.id == id; });
    return it == m_rules.end() ? nullptr : &*it;
}

WatchAddResult FolderWatcher::add(const QString& folder, const WatchAction& action)
{
    if (!m_canPersist)
        return {L("Uložené hlídané složky se nepodařilo přečíst, proto je nechávám beze změny a další nepřidám.")};
    const QByteArray bookmark = Bookmark::create(folder);
    if (bookmark.isEmpty())
        return {L("Složku se nepodařilo zapamatovat. Zkus ji vybrat znovu.")};
    QList<WatchRule> rules = m_rules;
    rules.append(WatchRule::make(NativeFile::absolute(folder), bookmark, action));
    if (!m_demoBackup) {
        // A rule kept only in memory would be watched until the next start and then be gone. A save
        // postponed while another process saves (no error yet) goes to disk when that one is done.
        Settings& settings = Settings::shared();
        const QString key = QString::fromLatin1(rulesKey);
        const std::optional<QByteArray> before = settings.dataValue(key);
        if (!settings.setValue(key, encodeWatchRules(rules)) && settings.saveError() != 0) {
            const int error = settings.saveError();
            if (before)
                settings.setValue(key, *before);
            else
                settings.remove(key);
            return {Lf("Složku nemůžu hlídat, protože se hlídané složky nepodařilo uložit: %@.", saveFailureReason(error))};
        }
    }
    setRules(rules);
    Notifications::current().requestAuthorization();
    start();
    return {};
}

void FolderWatcher::remove(const QUuid& id)
{
    releaseScope(id);
    QList<WatchRule> rules = m_rules;
    rules.removeIf([&](const WatchRule& r) { return r.id == id; });
    setRules(rules);
    m_memory->forget(id);
    m_pending.remove(id);
    removeStatus(id);
    saveRules();
}

void FolderWatcher::setEnabled(const QUuid& id, bool on)
{
    if (!findRule(id))
        return;
    QList<WatchRule> rules = m_rules;
    for (WatchRule& rule : rules) {
        if (rule.id == id) {
            rule.isEnabled = on;
            break;
        }
    }
    setRules(rules);
    m_pending.remove(id);
    if (!on) {
        releaseScope(id);
        removeStatus(id);
        saveRules();
    } else {
        m_memory->forget(id);
        saveRules();
    }
}

// ---- Statuses ------------------------------------------------------------------------------------

void FolderWatcher::update(const QUuid& id, const std::function<void(WatchStatus&)>& change)
{
    const WatchStatus before = m_statuses.value(id);
    WatchStatus after = before;
    change(after);
    if (after.message != before.message && after.failures == before.failures)
        after.failures.clear();
    m_statuses.insert(id, after);
    if (after != before)
        Q_EMIT statusesChanged();
}

void FolderWatcher::removeStatus(const QUuid& id)
{
    if (m_statuses.remove(id) > 0)
        Q_EMIT statusesChanged();
}

// ---- Folder access -------------------------------------------------------------------------------

std::optional<QString> FolderWatcher::accessURL(const WatchRule& rule)
{
    if (const auto it = m_scopes.constFind(rule.id); it != m_scopes.constEnd())
        return it.value();
    const auto resolved = Bookmark::resolve(rule.bookmark);
    if (!resolved)
        return std::nullopt;
    if (!Bookmark::startAccess(resolved->path))
        return std::nullopt;
    m_scopes.insert(rule.id, resolved->path);
    if (resolved->stale) {
        // Another folder now sits at the path (deleted and made again): remember the new one.
        const QByteArray fresh = Bookmark::create(resolved->path);
        if (!fresh.isEmpty() && findRule(rule.id)) {
            QList<WatchRule> rules = m_rules;
            for (WatchRule& r : rules) {
                if (r.id == rule.id) {
                    r.bookmark = fresh;
                    break;
                }
            }
            setRules(rules);
            saveRules();
        }
    }
    return resolved->path;
}

void FolderWatcher::releaseScope(const QUuid& id)
{
    if (const auto it = m_scopes.constFind(id); it != m_scopes.constEnd())
        Bookmark::stopAccess(it.value());
    m_scopes.remove(id);
}

bool FolderWatcher::openFolder(const WatchRule& rule)
{
    if (const auto folder = accessURL(rule); folder && m_fileManager)
        return m_fileManager->openFolder(*folder);
    return true;
}

// ---- Demo ----------------------------------------------------------------------------------------

void FolderWatcher::enterDemo(const QList<WatchRule>& rules)
{
    if (!m_demoBackup)
        m_demoBackup = m_rules;
    m_memory->setHeld(true);
    setRules(rules);
    if (!m_statuses.isEmpty()) {
        m_statuses.clear();
        Q_EMIT statusesChanged();
    }
}

void FolderWatcher::exitDemo()
{
    if (!m_demoBackup)
        return;
    QList<WatchRule> backup = *m_demoBackup;
    // The backup goes back before the flag drops, so nothing of the demo is ever written.
    setRules(backup);
    m_demoBackup.reset();
    m_memory->setHeld(false);
    if (!m_statuses.isEmpty()) {
        m_statuses.clear();
        Q_EMIT statusesChanged();
    }
}

// ---- The loop ------------------------------------------------------------------------------------

void FolderWatcher::start()
{
    if (m_started)
        return;
    m_started = true;
    scheduleNextTick(std::chrono::milliseconds(0));
}

void FolderWatcher::halt()
{
    m_halted = true;
    for (const auto& run : std::as_const(m_runs))
        run->cancel();
}

void FolderWatcher::resume()
{
    m_halted = false;
}

void FolderWatcher::jobCameBack()
{
    if (m_jobsInFlight == 0)
        Q_EMIT workInFlightEnded();
}

void FolderWatcher::scheduleNextTick(std::chrono::milliseconds delay)
{
    m_timer.start(delay);
}

void FolderWatcher::tick(std::function<void()> done)
{
    if (!done)
        done = [] {};
    if (m_isTicking || m_demoBackup || activeCount() == 0) {
        done();
        return;
    }
    m_isTicking = true;
    scanFrom(m_rules, 0, std::move(done));
}

void FolderWatcher::scanFrom(const QList<WatchRule>& rules, qsizetype index, std::function<void()> done)
{
    while (index < rules.size() && !rules[index].isEnabled)
        ++index;
    if (index >= rules.size() || m_halted) {
        m_isTicking = false;
        done();
        return;
    }
    scan(rules[index], [this, rules, index, done = std::move(done)]() mutable {
        scanFrom(rules, index + 1, std::move(done));
    });
}

void FolderWatcher::scan(const WatchRule& rule, std::function<void()> done)
{
    if (status(rule.id).isBusy) {
        done();
        return;
    }
    const auto folder = accessURL(rule);
    if (!folder || !NativeFile::isDir(*folder)) {
        update(rule.id, [](WatchStatus& s) {
            s.isUnavailable = true;
            s.message = L("Složka není dostupná. Přesunul jsi ji nebo smazal?");
        });
        done();
        return;
    }
    if (status(rule.id).isUnavailable) {
        update(rule.id, [](WatchStatus& s) {
            s.isUnavailable = false;
            s.message.reset();
        });
    }
    listInBackground(*folder, [this, rule, folder = *folder, done = std::move(done)](
                                  const std::optional<QList<WatchCandidate>>& listing) mutable {
        afterListing(rule, folder, listing, std::move(done));
    });
}

void FolderWatcher::afterListing(const WatchRule& scanned, const QString& folder,
                                 const std::optional<QList<WatchCandidate>>& listing, std::function<void()> done)
{
    if (!listing || m_halted) {
        done();
        return;
    }
    // The user may have paused or removed the rule, or a manual request may have taken it, while
    // the folder was being listed; any of them ends the scan without a trace.
    const WatchRule* current = findRule(scanned.id);
    if (!current || !current->isEnabled || m_demoBackup || status(scanned.id).isBusy) {
        done();
        return;
    }
    const WatchRule rule = *current;

    QSet<QString> keys;
    for (const WatchCandidate& c : *listing)
        keys.insert(c.key);

    if (!m_memory->has(rule.id)) {
        m_memory->begin(rule.id, keys);
        done();
        return;
    }
    const QSet<QString> known = m_memory->seen(rule.id);
    const QHash<QString, QString> previous = m_pending.value(rule.id);
    QHash<QString, QString> next;
    QList<WatchCandidate> ready;
    for (const WatchCandidate& c : *listing) {
        if (known.contains(c.key))
            continue;
        const auto it = previous.constFind(c.path);
        if (it != previous.constEnd() && it.value() == c.key)
            ready.append(c);
        else
            next.insert(c.path, c.key);
    }
    m_pending.insert(rule.id, next);

    // Keys of files that are gone leave the memory, so a file put back later counts as new.
    m_memory->keepOnly(rule.id, keys);

    if (ready.isEmpty()) {
        done();
        return;
    }
    process(rule, ready, folder, std::move(done));
}

// ---- Background work -----------------------------------------------------------------------------

void FolderWatcher::listInBackground(const QString& folder,
                                     std::function<void(const std::optional<QList<WatchCandidate>>&)> then)
{
    using Listing = std::optional<QList<WatchCandidate>>;
    auto* watcher = new QFutureWatcher<Listing>(this);
    ++m_jobsInFlight;
    connect(watcher, &QFutureWatcherBase::finished, this, [this, watcher, then = std::move(then)] {
        --m_jobsInFlight;
        const Listing listing = watcher->future().resultCount() > 0 ? watcher->result() : Listing();
        watcher->deleteLater();
        then(listing);
        jobCameBack();
    });
    watcher->setFuture(QtConcurrent::run(&m_pool, [folder] { return WatchScan::list(folder); }));
}

} // namespace kelvaro
