#pragma once
// The records of folder watching: a watched folder (WatchRule), what is done with its new files
// (WatchAction), its live state (WatchStatus), an image file found in it (WatchCandidate), the
// listing of a folder (WatchScan) and the four ready-made ideas offered on the watch screen
// (WatchRecipe). Plain values, copied freely between threads; WatchRule and WatchAction have a
// JSON form (the rules document "kelvaro.watch.rules.v1").
#include <optional>
#include <variant>

#include <QByteArray>
#include <QDateTime>
#include <QHash>
#include <QJsonObject>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QUuid>

#include "l10n/Localization.h"
#include "model/Operations.h"
#include "model/PresetSpec.h"
#include "model/Workflow.h"

namespace kelvaro {

// ---- What a rule does ------------------------------------------------------------------------

namespace watch {
// The target format's raw text ("jpg"). Kept as text: a stored name of no known format survives
// reading and shows in titles; only operation() rejects it.
struct Convert {
    QString extension;
    bool operator==(const Convert&) const = default;
};
struct StripMetadata {
    bool operator==(const StripMetadata&) const = default;
};
struct RemoveBackground {
    bool operator==(const RemoveBackground&) const = default;
};
} // namespace watch

struct WatchAction {
    // In case order: preset, workflow, convert, stripMetadata, removeBackground.
    using Value = std::variant<PresetSpec, Workflow, watch::Convert, watch::StripMetadata, watch::RemoveBackground>;
    Value value;
    QJsonObject unknownMembers{}; // keys beside the case's, a later version's, written back as read

    static WatchAction preset(const PresetSpec& preset) { return {preset}; }
    static WatchAction workflow(const Workflow& workflow) { return {workflow}; }
    static WatchAction convert(const QString& extension) { return {watch::Convert{extension}}; }
    static WatchAction stripMetadata() { return {watch::StripMetadata{}}; }
    static WatchAction removeBackground() { return {watch::RemoveBackground{}}; }

    template <typename T>
    const T* as() const { return std::get_if<T>(&value); }

    // Equal when the same case with equal payloads (presets and workflows over all their fields).
    bool operator==(const WatchAction&) const = default;
    // The same action as far as the user can tell: equal, or one built-in workflow, known by its
    // fixed id whatever language its texts were stored in and however the user changed it. What
    // the add-watch sheet compares for duplicates and its picker's choice.
    bool isSameAs(const WatchAction& other) const;

    // Localized at each call: names the action on cards and in pickers.
    QString title() const;
    // Never localized: the action's part of the results folder's name ("Převod na JPG"), so the
    // folder does not move when the interface language changes.
    QString folderTitle() const;
    // Localized one-line explanation shown under the action when a folder is added.
    QString detail() const;
    // What the engine runs; none for a conversion whose text names no format (exact raw value).
    std::optional<KelvaroOp> operation() const;

    // {"convert":{"_0":"jpg"}}, {"preset":{"_0":{…}}}, {"stripMetadata":{}} …
    QJsonObject toJson() const;
    // Exactly one case key must be present (other keys are kept); `error` receives the reason
    // when the number of case keys is wrong.
    static std::optional<WatchAction> fromJson(const QJsonValue& value, QString* error = nullptr);
};
size_t qHash(const WatchAction& action, size_t seed = 0);

// ---- A watched folder ------------------------------------------------------------------------

struct WatchRule {
    QUuid id;
    QByteArray bookmark;         // platform/Bookmark.h blob of the folder
    QString folderName;          // last path component, shown and used in the results folder's name
    QString folderPath;          // absolute path
    WatchAction action;
    bool isEnabled = true;
    qint64 processed = 0;        // result files produced by the rule's runs so far
    std::optional<QDateTime> lastRun; // end of the last completed run
    QDateTime created;
    QJsonObject unknownMembers{}; // a later version's members, written back as read

    bool operator==(const WatchRule&) const = default;

    // A new enabled rule with a fresh id, created now, nothing processed yet.
    static WatchRule make(const QString& folderPath, const QByteArray& bookmark, const WatchAction& action);

    // All members but "lastRun", which is written only when there is one.
    QJsonObject toJson() const;
    static std::optional<WatchRule> fromJson(const QJsonValue& value);
};
size_t qHash(const WatchRule& rule, size_t seed = 0);

// What adding a rule came to: true when the rule was added and stored; else `refusal` says why not,
// in the user's words.
struct WatchAddResult {
    std::optional<QString> refusal;
    explicit operator bool() const { return !refusal; }
};

// The rules document: a JSON array of rules; one unreadable rule fails the whole list.
QByteArray encodeWatchRules(const QList<WatchRule>& rules);
std::optional<QList<WatchRule>> decodeWatchRules(const QByteArray& data);

// ---- Live state --------------------------------------------------------------------------------

// Kept in memory by the watcher per rule id; a rule without one is idle, reachable, silent.
struct WatchStatus {
    bool isBusy = false;         // files of the rule are being listed for a request or processed
    bool isUnavailable = false;  // the folder could not be reached on the last look
    std::optional<QString> message; // the line shown with the rule, localized when written
    // What stands behind a message of failed files: each failed file's message of the last run
    // (each names its file). A new message drops it.
    QStringList failures;

    bool operator==(const WatchStatus&) const = default;
};

// An image file found in a watched folder.
struct WatchCandidate {
    QString path;  // absolute path as the listing gave it
    QString key;   // "name|whole seconds of mtime since 1970|size": changes whenever the file does

    bool operator==(const WatchCandidate&) const = default;
};
inline size_t qHash(const WatchCandidate& candidate, size_t seed = 0)
{
    return qHashMulti(seed, candidate.path, candidate.key);
}

// ---- Folder listing ------------------------------------------------------------------------------

namespace WatchScan {

// Lower-case extensions that count as images here (no GIF, no PDF).
const QSet<QString>& extensions();

// The image files directly inside `folder` (no recursion, no hidden entries, no symbolic links,
// nothing empty), sorted by name in code-point order ("IMG_10.jpg" before "IMG_9.jpg"); none when
// the folder cannot be listed. Blocks on the file system: call it off the main thread.
std::optional<QList<WatchCandidate>> list(const QString& folder);

// The file key of one entry: name exactly as given, the modification time in whole seconds since
// 1970 truncated toward zero, the size in bytes.
QString fileKey(const QString& name, qint64 modificationSeconds, qint64 size);

// Localized count phrases: "1 soubor", "3 soubory", "5 souborů"; "1 složku", "3 složky", "5 složek".
QString filesWord(qint64 count);
QString filesWord(qint64 count, AppLanguage language); // a run's, in the language it started in
QString foldersWord(qint64 count);

} // namespace WatchScan

// ---- Ready-made ideas ----------------------------------------------------------------------------

struct WatchRecipe {
    // The design system's colour tokens; the theme maps them to colours.
    enum class Color { violet, teal, rose, gold };

    QString id;
    QString title;     // Czech as stored; the screen looks it up when it shows it
    QString subtitle;  // Czech as stored
    QString symbol;    // symbol name
    Color color = Color::violet;
    WatchAction action;

    // The four recipes web, heic, insta, privacy; built once, shared read-only.
    static const QList<WatchRecipe>& all();
};

} // namespace kelvaro
