// The library document ("activities" and "shelves") as the store reads it at creation: any
// stored value either loads (and saves back to what loads the same) or blocks persistence, and
// then the stored bytes are never overwritten.
#include "FuzzTarget.h"

#include "platform/Settings.h"
#include "store/KelvaroStore.h"

KELVARO_FUZZ_TARGET(library)
{
    using namespace kelvaro;
    const QString key = QStringLiteral("kelvaro.fuzz.library");
    const QByteArray input(reinterpret_cast<const char*>(data), qsizetype(size));
    Settings::shared().setValue(key, input);

    KelvaroStore store(StoreServices{}, key);
    (void)store.dailyStats();
    (void)store.shelvedFiles();
    (void)store.recentActivities();
    (void)store.hasSampleData();
    for (const Shelf& shelf : store.shelves())
        (void)shelf.paletteIndex(8);
    store.save();
    if (!store.canPersist()) {
        FUZZ_CHECK(store.activities().isEmpty() && store.shelves().isEmpty());
        FUZZ_CHECK(Settings::shared().dataValue(key) == std::optional<QByteArray>(input));
        return 0;
    }
    KelvaroStore reloaded(StoreServices{}, key);
    FUZZ_CHECK(reloaded.canPersist());
    FUZZ_CHECK(reloaded.activities() == store.activities());
    FUZZ_CHECK(reloaded.shelves() == store.shelves());
    return 0;
}
