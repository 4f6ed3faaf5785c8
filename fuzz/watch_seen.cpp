// The watcher's stored documents as it reads them at creation: a rules document and a seen-file
// document (first part / second part of the input). Nothing crashes; an unreadable rules
// document leaves the watcher without rules and is never written over.
#include "FuzzTarget.h"

#include "platform/Settings.h"
#include "watch/FolderWatcher.h"

KELVARO_FUZZ_TARGET(watch_seen)
{
    using namespace kelvaro;
    const auto [rulesData, seenData] = fuzz::splitInput(data, size);
    Settings& settings = Settings::shared();
    const QString rulesKey = QString::fromLatin1(FolderWatcher::rulesKey);
    const QString seenKey = QString::fromLatin1(FolderWatcher::seenKey);
    if (rulesData.isEmpty())
        settings.remove(rulesKey);
    else
        settings.setValue(rulesKey, rulesData);
    settings.setValue(seenKey, seenData);

    const auto decoded = rulesData.isEmpty() ? std::optional<QList<WatchRule>>(QList<WatchRule>())
                                             : decodeWatchRules(rulesData);
    {
        FolderWatcher watcher;
        if (decoded) {
            // Equal but for ids: a record without one gets a new random id at each reading.
            FUZZ_CHECK(watcher.rules().size() == decoded->size());
            for (qsizetype i = 0; i < decoded->size() && i < watcher.rules().size(); ++i) {
                const WatchRule& a = watcher.rules()[i];
                const WatchRule& b = (*decoded)[i];
                FUZZ_CHECK(a.folderPath == b.folderPath && a.bookmark == b.bookmark && a.isEnabled == b.isEnabled
                           && a.processed == b.processed && a.action.title() == b.action.title());
            }
        } else {
            FUZZ_CHECK(watcher.rules().isEmpty());
            // Removing an unknown rule writes the documents the watcher may write.
            watcher.remove(QUuid::createUuid());
        }
        (void)watcher.activeCount();
    }
    if (!decoded && !rulesData.isEmpty())
        FUZZ_CHECK(settings.dataValue(rulesKey) == std::optional<QByteArray>(rulesData));
    return 0;
}
