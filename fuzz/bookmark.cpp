// The bookmark blob (path plus identity) as stored in settings and records: any blob reads as a
// path or as nothing, and resolving it only looks (a path that names nothing resolves to none).
#include <QFile>
#include <QFileInfo>

#include "FuzzTarget.h"

#include "platform/Bookmark.h"

KELVARO_FUZZ_TARGET(bookmark)
{
    using namespace kelvaro;
    const QByteArray blob = fuzz::bytesOf(data, size);
    const QString stored = Bookmark::storedPath(blob);
    const auto resolved = Bookmark::resolve(blob);
    if (resolved) {
        FUZZ_CHECK(!stored.isEmpty());
        FUZZ_CHECK(resolved->path == stored);
    }
    const QString probe = fuzz::scratchDir() + QStringLiteral("/bookmark-probe");
    if (!QFileInfo::exists(probe)) {
        QFile file(probe);
        (void)file.open(QIODevice::WriteOnly);
    }
    (void)Bookmark::identifies(blob, probe);
    // A blob made now for a real file resolves to it, fresh.
    const auto made = Bookmark::resolve(Bookmark::create(probe));
    FUZZ_CHECK(made && !made->stale);
    return 0;
}
