#pragma once
// What stands on disk around the settings file besides its values: an unreadable file kept
// aside, the lock file other processes' saves leave behind, the new file a killed save left, and
// a read that never waits on a file that is not a regular one. Free functions for Settings, each
// called with its mutex held; every one touches disk.
#include <optional>

#include <QByteArray>
#include <QString>

namespace kelvaro::settingsfile {

// Renames an unreadable settings file to "<name>.unreadable-<yyyyMMdd-HHmmss>[-n]" beside it,
// never replacing an earlier one, and logs it. Returns the new name, empty when it could not be
// moved.
QString moveAside(const QString& path);

// Clears what stands at "<settingsPath>.lock" without an owner (an empty lock of a killed save,
// anything that is no regular file) so that a save is not held up by it; waits a moment for a
// young empty lock only when `mayWait`. 0, or the system's error number when what stands there
// could not be put aside.
int clearAbandonedLock(const QString& settingsPath, bool mayWait);

// Removes the new files killed saves left beside the settings file (beside its target when it is
// a link). Only while holding the lock.
void clearAbandonedWrites(const QString& settingsPath);

// The bytes of `path` when it is a regular file (behind any links); none when it is another kind
// of file or cannot be read. Never blocks on a FIFO.
std::optional<QByteArray> readRegularFile(const QString& path);

} // namespace kelvaro::settingsfile
