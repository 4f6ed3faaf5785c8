#pragma once
// The update feed's pure parts: its record, the feed and download addresses that may be used, and
// the comparison of dotted versions. No network, no disk; any thread. The update checker in the
// application fetches the feed and keeps the answer.
#include <optional>

#include <QByteArray>
#include <QString>
#include <QUrl>

namespace kelvaro {

// The feed's record. Decoded only.
struct Release {
    QString version;
    QString url;
    std::optional<QString> notesCs; // "notes_cs"
    std::optional<QString> notesEn; // "notes_en"

    bool operator==(const Release&) const = default;
    // One JSON object with the strings "version" and "url" and optional string-or-null notes;
    // other members are ignored. None for anything else.
    static std::optional<Release> decode(const QByteArray& json);
};

namespace ReleaseFeed {

// The feed address from a build setting: an http or https URL with a host, else invalid.
QUrl feedFrom(const QString& text);
// Whether `candidate` is a higher dotted version than `current` (missing parts are 0, a part
// that is not a plain integer within 64 bits counts as 0).
bool isNewer(const QString& candidate, const QString& current);
// Whether a feed's download address may be opened: http or https with a host.
bool isOpenableDownload(const QString& url);

} // namespace ReleaseFeed
} // namespace kelvaro
