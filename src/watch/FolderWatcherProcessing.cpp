// What the watcher does with files once they are ready: the engine run into the rule's results
// folder, the booking of its outcome, and the watch screen's two requests on a rule.
#include <QDir>
#include <QFileInfo>
#include <QFutureWatcher>
#include <QtConcurrent/QtConcurrentRun>

#include "engine/ImageEngine.h"
#include "engine/RunHooks.h"
#include "l10n/Localization.h"
#include "output/OutputFolder.h"
#include "platform/Bookmark.h"
#include "platform/FileManager.h"
#include "platform/FileSystem.h"
#include "platform/NativeFile.h"
#include "platform/NativePath.h"
#include "platform/Settings.h"
#include "watch/FolderWatcher.h"
#include "watch/WatchNotifier.h"

namespace kelvaro {
namespace {

const QString kAutomaticFolder = QStringLiteral("Automaticky");

// The real location of `path`, also when its last parts do not exist yet: the deepest existing
// ancestor is resolved (symbolic links, "..") and the rest appended.
QString canonicalized(const QString& path)
{
    QString existing = NativeFile::absolute(path);
    QStringList missing;
    while (!NativeFile::exists(existing)) {
        const QFileInfo info(existing);
        const QString parent = info.path();
        if (parent == existing)
            break;
        missing.prepend(info.fileName());
        existing = parent;
    }
    QString base = NativeFile::canonical(existing);
    if (base.isEmpty())
        base = existing;
    for (const QString& part : missing)
        base = QDir::cleanPath(base + QLatin1Char('/') + part);
    return base;
}

bool isSameOrInside(const QString& path, const QString& folder)
{
    if (path == folder)
        return true;
    const QString prefix = folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
    return path.startsWith(prefix);
}

// Where a rule's results go under the output folder `root`.
QString resultsPath(const QString& root, const WatchRule& rule)
{
    return QDir(root).filePath(kAutomaticFolder + QLatin1Char('/') +
                               FolderWatcher::resultsFolderName(rule, ImageEngine::nameLimit(root)));
}

QSet<QString> keysOf(const QList<WatchCandidate>& candidates)
{
    QSet<QString> keys;
    for (const WatchCandidate& c : candidates)
        keys.insert(c.key);
    return keys;
}

// The keys of the candidates a run made a result of; a stopped run never looked at the others.
QSet<QString> handled(const QList<WatchCandidate>& candidates, const std::optional<OpResult>& result)
{
    QSet<QString> sources;
    if (result) {
        for (const OpEntry& entry : result->entries)
            sources.insert(entry.sourcePath);
    }
    QSet<QString> made;
    for (const WatchCandidate& c : candidates) {
        if (sources.contains(c.path))
            made.insert(c.key);
    }
    return made;
}

} // namespace

QString FolderWatcher::resultsFolderName(const WatchRule& rule, int limit)
{
    // Fitted as a result's name is, so that neither a watched folder's name that is already as
    // long as a name can be nor a long preset name leaves a folder that cannot be made.
    QString name = ImageEngine::numberedFileName(rule.folderName, {}, 1, rule.action.folderTitle(), limit,
                                                 QStringLiteral(" \u2013"));
    const auto blank = [](QChar c) { return c == QLatin1Char(' ') || c == QLatin1Char('\t'); };
    qsizetype start = 0;
    qsizetype end = name.size();
    while (start < end && blank(name.at(start)))
        ++start;
    while (end > start && blank(name.at(end - 1)))
        --end;
    name = name.mid(start, end - start);
    return name.isEmpty() ? QStringLiteral("Složka") : name;
}

std::optional<QString> FolderWatcher::resultsFolder(const WatchRule& rule) const
{
    const auto root = OutputFolder::resolve();
    if (!root)
        return std::nullopt;
    return resultsPath(*root, rule);
}

void FolderWatcher::process(const WatchRule& rule, const QList<WatchCandidate>& candidates, const QString& folder,
                            std::function<void()> done)
{
    const auto op = rule.action.operation();
    if (!op || m_halted) {
        // Nothing can be run; a request that marked the rule busy must not leave it so for good.
        update(rule.id, [](WatchStatus& s) { s.isBusy = false; });
        done();
        return;
    }
    const auto root = OutputFolder::resolve();
    if (!root) {
        update(rule.id, [](WatchStatus& s) {
            s.isBusy = false;
            s.message = L("Nejdřív vyber složku pro výsledky v Nastavení.");
        });
        done();
        return;
    }
    const QString results = resultsPath(*root, rule);
    // Results inside the watched folder would be listed (or, deeper down, be a folder watched by
    // another rule) and fed back in: never write there.
    if (isSameOrInside(canonicalized(results), canonicalized(folder))) {
        update(rule.id, [](WatchStatus& s) {
            s.isBusy = false;
            s.message = L("Výsledky by padaly do sledované složky. Vyber jinou složku.");
        });
        done();
        return;
    }
    // Each run follows the settings as they are when it starts, before anyone hears it is busy:
    // a language switched later leaves its names and messages as they began.
    const EngineSettings settings = EngineSettings::read(Settings::shared());
    const bool accessStarted = Bookmark::startAccess(*root);
    update(rule.id, [](WatchStatus& s) {
        s.isBusy = true;
        s.message.reset();
    });
    runInBackground(*op, rule.id, candidates, results, settings,
                    [this, rule, candidates, op = *op, root = *root, accessStarted, language = settings.language,
                     done = std::move(done)](const RunOutcome& outcome) {
                        // Each file made or failed is seen already; a run that failed as a whole
                        // counts every file.
                        const QSet<QString> all = keysOf(candidates);
                        m_memory->runEnded(rule.id, outcome.stopped ? handled(candidates, outcome.result) : all, all);
                        finish(rule, outcome, op, language);
                        if (accessStarted)
                            Bookmark::stopAccess(root);
                        done();
                    });
}

void FolderWatcher::finish(const WatchRule& rule, const RunOutcome& outcome, const KelvaroOp& op, AppLanguage language)
{
    if (!outcome.result) {
        update(rule.id, [&](WatchStatus& s) {
            s.isBusy = false;
            s.message = outcome.error;
        });
        return;
    }
    const OpResult& result = *outcome.result;
    const qint64 produced = result.outputs.size();

    if (findRule(rule.id)) {
        QList<WatchRule> rules = m_rules;
        for (WatchRule& r : rules) {
            if (r.id == rule.id) {
                r.processed += produced;
                r.lastRun = QDateTime::currentDateTimeUtc();
                break;
            }
        }
        setRules(rules);
        saveRules();
    }

    if (!result.entries.isEmpty() && m_historySink) {
        const QString title = QStringLiteral("Automaticky \u00b7 ") + op.storedTitle();
        QList<ActivityItem> items;
        for (const OpEntry& entry : result.entries) {
            ActivityItem item;
            item.id = QUuid::createUuid();
            item.fileName = entry.fileName;
            item.actionTitle = title;
            item.symbol = QStringLiteral("folder.badge.gearshape");
            item.date = QDateTime::currentDateTimeUtc();
            item.savedBytes = entry.savedBytes;
            item.outputPath = entry.outputPath;
            items.append(item);
        }
        m_historySink(items);
    }

    update(rule.id, [&](WatchStatus& s) {
        s.isBusy = false;
        if (result.failed >= 1) {
            s.message = Lf(language, "Nepovedlo se zpracovat: %lld.", result.failed);
            s.failures = result.failures;
        } else {
            s.message.reset();
        }
    });

    if (produced > 0)
        WatchNotifier::post(Lf(language, "Zpracováno: %@ ze složky „%@“.", WatchScan::filesWord(produced, language),
                               NativePath::displayName(rule.folderName)));
}

void FolderWatcher::processExisting(const QUuid& id)
{
    const WatchRule* found = findRule(id);
    if (!found || status(id).isBusy)
        return;
    const WatchRule rule = *found;
    const auto folder = accessURL(rule);
    if (!folder) {
        update(id, [](WatchStatus& s) {
            s.isUnavailable = true;
            s.message = L("Složka není dostupná.");
        });
        return;
    }
    update(id, [](WatchStatus& s) {
        s.isBusy = true;
        s.message.reset();
    });
    listInBackground(*folder, [this, rule, folder = *folder](const std::optional<QList<WatchCandidate>>& listing) {
        if (!listing || listing->isEmpty()) {
            update(rule.id, [](WatchStatus& s) {
                s.isBusy = false;
                s.message = L("Ve složce nejsou žádné obrázky.");
            });
            return;
        }
        process(rule, *listing, folder, [] {});
    });
}

bool FolderWatcher::openResults(const WatchRule& rule)
{
    const auto root = OutputFolder::resolve();
    if (!root)
        return true;
    const bool accessStarted = Bookmark::startAccess(*root);
    const QString results = resultsPath(*root, rule);
    bool answered = true;
    if (!NativeFile::isDir(results))
        update(rule.id, [](WatchStatus& s) { s.message = L("Zatím tu nejsou žádné výsledky."); });
    else if (m_fileManager)
        answered = m_fileManager->openFolder(results);
    if (accessStarted)
        Bookmark::stopAccess(*root);
    return answered;
}

void FolderWatcher::runInBackground(const KelvaroOp& op, const QUuid& rule, const QList<WatchCandidate>& candidates,
                                    const QString& resultsFolder, const EngineSettings& settings,
                                    std::function<void(const RunOutcome&)> then)
{
    QStringList files;
    QStringList keys;
    for (const WatchCandidate& c : candidates) {
        files.append(c.path);
        keys.append(c.key);
    }
    auto* watcher = new QFutureWatcher<RunOutcome>(this);
    ++m_jobsInFlight;
    // On the run's workers, each file saved in hand before it starts and seen as soon as it ends,
    // so that no end of the application, a kill included, makes a file twice.
    RunHooks::FileListener listener;
    listener.starting = [memory = m_memory, rule, keys](int index) { memory->starting(rule, keys[index]); };
    listener.ended = [memory = m_memory, rule, keys](int index) { memory->ended(rule, keys[index]); };
    listener.placing = [memory = m_memory, rule, keys](int index, const QByteArray& identity) {
        memory->placing(rule, keys[index], identity);
    };
    const auto hooks = std::make_shared<RunHooks>(RunHooks::Progress(), std::move(listener));
    m_runs.append(hooks);
    connect(watcher, &QFutureWatcherBase::finished, this, [this, watcher, hooks, then = std::move(then)] {
        --m_jobsInFlight;
        m_runs.removeOne(hooks);
        RunOutcome outcome = watcher->future().resultCount() > 0 ? watcher->result() : RunOutcome();
        outcome.stopped = hooks->isCancelled();
        watcher->deleteLater();
        then(outcome);
        jobCameBack();
    });
    watcher->setFuture(QtConcurrent::run(&m_pool, [op, files, resultsFolder, settings, hooks]() -> RunOutcome {
        // A folder that cannot be made shows up as failed files in the engine's result. Made with
        // the name's own bytes: it carries the watched folder's.
        FileSystem::current().makePath(resultsFolder);
        try {
            return RunOutcome{ImageEngine::process(op, files, resultsFolder, hooks, settings), QString()};
        } catch (const KelvaroError& error) {
            return RunOutcome{std::nullopt, error.message(settings.language)};
        } catch (...) { // the engine throws KelvaroError alone; anything else is no file's fault
            return RunOutcome{std::nullopt, Lf(settings.language, "Nepovedlo se zpracovat: %lld.", files.size())};
        }
    }));
}

} // namespace kelvaro
