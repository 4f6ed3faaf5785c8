// The update feed: whatever a server answers decodes to a release or to none without throwing,
// the version comparison is a strict order whatever the strings, and only http and https
// addresses with a host are ever fetched or opened.
#include <QUrl>

#include "FuzzTarget.h"

#include "update/ReleaseFeed.h"

namespace {

bool isWebAddress(const QUrl& url)
{
    const QString scheme = url.scheme().toLower();
    return url.isValid() && (scheme == QLatin1String("http") || scheme == QLatin1String("https"))
           && !url.host().isEmpty();
}

void checkAddress(const QString& text)
{
    using namespace kelvaro;
    if (ReleaseFeed::isOpenableDownload(text))
        FUZZ_CHECK(isWebAddress(QUrl(text, QUrl::StrictMode)));
    const QUrl feed = ReleaseFeed::feedFrom(text);
    if (feed.isValid())
        FUZZ_CHECK(isWebAddress(feed));
    // A build setting may carry stray whitespace around the address.
    FUZZ_CHECK(ReleaseFeed::feedFrom(QStringLiteral(" ") + text + QStringLiteral("\n")) == feed);
}

void checkVersions(const QString& a, const QString& b)
{
    using kelvaro::ReleaseFeed::isNewer;
    const bool aNewer = isNewer(a, b);
    const bool bNewer = isNewer(b, a);
    FUZZ_CHECK(!isNewer(a, a));
    FUZZ_CHECK(!(aNewer && bNewer));
    // Missing parts are 0 and empty parts are skipped.
    FUZZ_CHECK(isNewer(a + QStringLiteral(".0"), b) == aNewer);
    FUZZ_CHECK(isNewer(a, b + QStringLiteral(".0.")) == aNewer);
    // One more part above 0 is newer, and the order carries through it.
    const QString above = a + QStringLiteral(".1");
    FUZZ_CHECK(isNewer(above, a));
    FUZZ_CHECK(!isNewer(a, above));
    if (bNewer)
        FUZZ_CHECK(isNewer(b, a + QStringLiteral(".0")));
    if (aNewer)
        FUZZ_CHECK(isNewer(above, b));
    // Versions that are neither newer than the other compare alike with any third.
    if (!aNewer && !bNewer) {
        const QString third = QStringLiteral("1.2");
        FUZZ_CHECK(isNewer(a, third) == isNewer(b, third));
        FUZZ_CHECK(isNewer(third, a) == isNewer(third, b));
    }
}

} // namespace

KELVARO_FUZZ_TARGET(update_feed)
{
    using namespace kelvaro;
    const QByteArray bytes = fuzz::bytesOf(data, size);
    std::optional<Release> release;
    bool threw = false;
    try {
        release = Release::decode(bytes);
    } catch (...) {
        threw = true;
    }
    FUZZ_CHECK(!threw);
    if (release) {
        FUZZ_CHECK(Release::decode(bytes) == release);
        FUZZ_CHECK(!ReleaseFeed::isNewer(release->version, release->version));
        checkAddress(release->url);
    }

    // The same input as two strings: versions and addresses of any shape.
    const auto [first, second] = fuzz::splitInput(data, size);
    const QString a = QString::fromUtf8(first);
    const QString b = QString::fromUtf8(second);
    checkVersions(a, b);
    checkAddress(a);
    checkAddress(b);
    return 0;
}
