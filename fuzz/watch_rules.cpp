// The watch rules document ("kelvaro.watch.rules.v1"): decoded or refused as a whole, written
// back unchanged, and every text and folder name built from a decoded rule is harmless.
#include "FuzzTarget.h"

#include "watch/FolderWatcher.h"
#include "watch/WatchModels.h"

KELVARO_FUZZ_TARGET(watch_rules)
{
    using namespace kelvaro;
    const auto rules = decodeWatchRules(fuzz::bytesOf(data, size));
    if (!rules)
        return 0;
    for (const WatchRule& rule : *rules) {
        (void)rule.action.title();
        (void)rule.action.detail();
        (void)rule.action.operation();
        const QString folder = FolderWatcher::resultsFolderName(rule);
        // The results folder is one level below "Automaticky": its name must not climb out.
        FUZZ_CHECK(!folder.contains(QLatin1Char('/')));
        FUZZ_CHECK(folder != QLatin1String("..") && folder != QLatin1String("."));
    }
    const auto again = decodeWatchRules(encodeWatchRules(*rules));
    FUZZ_CHECK(again.has_value());
    FUZZ_CHECK(*again == *rules);
    return 0;
}
