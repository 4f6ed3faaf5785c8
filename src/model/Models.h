#pragma once
// The small records the store and the screens share: the wheel's modes and slices, the history
// entry, shelves and their files, the per-day count of the home statistics, the main window's
// sections and the sample content of a first start. Plain values; ActivityItem, Shelf and
// ShelfItem have a JSON form (they live inside the store's library document).
#include <optional>

#include <QByteArray>
#include <QDateTime>
#include <QHash>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <QUuid>

namespace kelvaro {

// ---- The action wheel ---------------------------------------------------------------------

enum class WheelMode { convert, tools, actions };
QString rawValue(WheelMode mode);
std::optional<WheelMode> wheelModeFromRaw(const QString& raw); // exact match only
const QList<WheelMode>& allWheelModes();                       // convert, tools, actions
QString title(WheelMode mode);                                 // localized
// The keys held to switch the wheel to `mode` ("Shift", "Shift+Alt", "Ctrl"), as key caps show them.
QString modifierKeys(WheelMode mode);

// One slice of the wheel. The key is the Czech label: stored and shown localized; wheelCommand
// gives what the slice does.
struct WheelAction {
    QString key;
    QString symbol;

    QString id() const { return key; }
    // The localized one-line description; "" for a key that is not one of the 21.
    QString detail() const;
    bool operator==(const WheelAction&) const = default;
};
inline size_t qHash(const WheelAction& action, size_t seed = 0)
{
    return qHashMulti(seed, action.key, action.symbol);
}

// The fixed, ordered slices of a mode.
const QList<WheelAction>& actions(WheelMode mode);

// What a slice does, typed: the store dispatches on this, never on the key's text.
enum class WheelCommand {
    convertJpg, convertPng, convertHeic, convertTiff, convertPdf, convertZip,               // convert
    crop, resize, compress, removeBackground, adjust, blurFaces, ocr, scan, watermark,   // tools
    shelve, sendNearby, move, rename, stripMetadata, clipboard,                           // actions
};
// The command of the slice with `key` in `mode` (one table for all 21); none for a key that is
// no slice of that mode. Convert keys are format names and match whatever their case.
std::optional<WheelCommand> wheelCommand(WheelMode mode, const QString& key);

// ---- History --------------------------------------------------------------------------------

struct ActivityItem {
    QUuid id;
    QString fileName;
    QString actionTitle;   // stored in Czech, parts joined by " · "; shown through LParts
    QString symbol;
    QDateTime date;
    qint64 savedBytes = 0;
    std::optional<QString> outputPath;
    QJsonObject unknownMembers{}; // a later version's members, written back as read

    bool operator==(const ActivityItem&) const = default;

    QJsonObject toJson() const;
    static std::optional<ActivityItem> fromJson(const QJsonValue& value);
};

// Bytes saved over `activities`: a grown file (negative saving) counts as nothing saved, and the
// sum stops short of overflowing.
qint64 totalSavedBytes(const QList<ActivityItem>& activities);

// ---- Shelves --------------------------------------------------------------------------------

struct ShelfItem {
    QUuid id;
    QString name;                       // last path component
    QByteArray bookmark;                // empty when a stored copy (or a file found on disk) is kept
    qint64 bytes = 0;
    QDateTime added;
    std::optional<QString> storedPath;  // shelf-storage token of the stored copy
    QJsonObject unknownMembers{}; // a later version's members, written back as read

    bool operator==(const ShelfItem&) const = default;

    QJsonObject toJson() const;
    static std::optional<ShelfItem> fromJson(const QJsonValue& value);
};

struct Shelf {
    QUuid id;
    QString name;
    QString symbol;
    int colorIndex = 0;    // any integer; see paletteIndex
    int fileCount = 0;     // files claimed in addition to items (sample shelves)
    QList<ShelfItem> items;
    QJsonObject unknownMembers{}; // a later version's members, written back as read

    bool operator==(const Shelf&) const = default;

    // The entry of a palette of `paletteCount` colours this shelf takes: |colorIndex mod n|,
    // safe for every int (also the smallest). 0 when the palette is empty.
    int paletteIndex(int paletteCount) const;

    QJsonObject toJson() const;
    static std::optional<Shelf> fromJson(const QJsonValue& value);
};

// The palette index rule on its own, for lists that are not shelves.
int paletteIndex(qint64 colorIndex, int paletteCount);

// ---- Home statistics ------------------------------------------------------------------------

// The number of history entries of one day; computed by the store, never stored.
struct DailyStat {
    QDateTime date; // the start of the day, local time
    int count = 0;

    QDateTime id() const { return date; }
    bool operator==(const DailyStat&) const = default;
};

// ---- Main window sections -------------------------------------------------------------------

enum class SidebarItem { home, workflows, watch, shelves, history, guide };
QString rawValue(SidebarItem item);
std::optional<SidebarItem> sidebarItemFromRaw(const QString& raw); // exact match only
const QList<SidebarItem>& allSidebarItems();
QString title(SidebarItem item);  // localized
QString symbol(SidebarItem item); // symbol name

// ---- Sample content of a first start ----------------------------------------------------------

namespace SampleData {
// Twelve history entries, newest first, with fresh ids and dates relative to now.
QList<ActivityItem> activities();
// Four shelves with fresh ids, counts and no items.
QList<Shelf> shelves();
} // namespace SampleData

} // namespace kelvaro
