#pragma once
// The one folder all results go into: remembered as a bookmark under
// "kelvaro.outputFolder.bookmark" and resolved again on every use; no state of its own.
// A folder inside a trash never counts. Main thread (choose() shows a modal panel).
#include <optional>

#include <QString>

#include "platform/SettingsKeys.h"

namespace kelvaro::OutputFolder {

inline constexpr const char* bookmarkKey = SettingsKey::outputFolderBookmark;

// The remembered folder without asking. Renews a stale bookmark; forgets (and logs) a folder
// that has been moved into a trash. Touches disk.
std::optional<QString> resolve();
// Asks the user through FolderChooser::shared(); a folder in a trash counts as cancelled.
// Remembers nothing.
std::optional<QString> choose(const QString& message, const std::optional<QString>& startAt = std::nullopt);
// The remembered folder, or asks for one and remembers it; none when nothing usable was chosen.
std::optional<QString> obtain(const std::optional<QString>& startAt = std::nullopt);
// Stores a bookmark of `folder`; false (and the previous setting kept) when none can be made.
bool remember(const QString& folder);
// Whether `path` lies in a trash: the user's ($XDG_DATA_HOME/Trash), one of another mount
// (.Trash-<uid>, .Trash/<uid>), or a ".Trash"/".Trashes" folder.
bool isInTrash(const QString& path);

} // namespace kelvaro::OutputFolder
