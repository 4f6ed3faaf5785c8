#include "ui/watch/WatchService.h"

#include <algorithm>

#include "l10n/Localization.h"
#include "store/KelvaroStore.h"
#include "watch/FolderWatcher.h"

namespace kelvaro {

int WatchService::activeCount() const
{
    const QList<WatchRule> all = rules();
    return int(std::count_if(all.cbegin(), all.cend(), [](const WatchRule& r) { return r.isEnabled; }));
}

FolderWatcherService::FolderWatcherService(FolderWatcher* watcher, KelvaroStore* store, QObject* parent)
    : WatchService(parent), m_watcher(watcher), m_store(store)
{
    if (!watcher)
        return;
    connect(watcher, &FolderWatcher::rulesChanged, this, &WatchService::rulesChanged);
    connect(watcher, &FolderWatcher::statusesChanged, this, &WatchService::statusesChanged);
}

QList<WatchRule> FolderWatcherService::rules() const
{
    return m_watcher ? m_watcher->rules() : QList<WatchRule>();
}

WatchStatus FolderWatcherService::status(const QUuid& id) const
{
    return m_watcher ? m_watcher->status(id) : WatchStatus();
}

bool FolderWatcherService::rulesUnreadable() const
{
    return m_watcher && m_watcher->rulesUnreadable();
}

WatchAddResult FolderWatcherService::add(const QString& folder, const WatchAction& action)
{
    if (!m_watcher)
        return {L("Složku se nepodařilo zapamatovat. Zkus ji vybrat znovu.")};
    return m_watcher->add(folder, action);
}

void FolderWatcherService::setEnabled(const QUuid& id, bool on)
{
    if (m_watcher)
        m_watcher->setEnabled(id, on);
}

void FolderWatcherService::remove(const QUuid& id)
{
    if (m_watcher)
        m_watcher->remove(id);
}

void FolderWatcherService::processExisting(const QUuid& id)
{
    if (m_watcher)
        m_watcher->processExisting(id);
}

void FolderWatcherService::openFolder(const WatchRule& rule)
{
    if (m_watcher && !m_watcher->openFolder(rule) && m_store)
        m_store->reportUnanswered(HandoffFailure::folder, {rule.folderPath});
}

void FolderWatcherService::openResults(const WatchRule& rule)
{
    if (m_watcher && !m_watcher->openResults(rule) && m_store)
        m_store->reportUnanswered(HandoffFailure::results);
}

} // namespace kelvaro
