#pragma once
// Results are whole or absent. A result is written under a hidden part name in its output folder
// (".kelvaro-<process id>-<random>.part"), which its writer keeps locked (flock) for its whole
// life, from before it has that name, and takes a result name only once it is complete and on disk, in one rename that never
// replaces anything; so a failure, a cancel or a killed process leaves no result name holding a
// truncated file or nothing. Part files whose lock is free were left by a writer that is gone and
// are removed by the next run into that folder. Paths are NativePath text: a folder whose name is
// not UTF-8 keeps its bytes. A PartFile belongs to the one thread that writes its result.
#include <functional>

#include <QByteArray>
#include <QString>

#include "model/Operations.h"

namespace kelvaro::ImageEngine {

class PartFile {
public:
    // Creates the part file in `folder` (exclusive create) and locks it; isValid() tells whether
    // the folder allowed it. Touches disk.
    explicit PartFile(const QString& folder);
    // Removes the part file unless it was placed. Touches disk.
    ~PartFile();
    PartFile(const PartFile&) = delete;
    PartFile& operator=(const PartFile&) = delete;

    bool isValid() const { return m_fd >= 0; }
    // The part file's name in the output folder; empty when not valid.
    QString path() const { return m_path; }
    // Where writers open the result: the file this PartFile made and holds, reached through its
    // descriptor (/proc/self/fd), so that a link or another file put in place of the part's name
    // is never written; the name itself where the system has no such path. Empty when not valid.
    QString writePath() const;
    // The open part file, for a writer that takes a descriptor; -1 when not valid. Stays owned here.
    int descriptor() const { return m_fd; }

    // Writes `bytes` as the part file's content. False when any of it could not be written.
    bool write(const QByteArray& bytes);

    // Forces the written bytes to disk; false when the disk refused them (a full disk may only
    // show here). Done once; place() does it when the caller has not, but a parallel batch does
    // it before its name turn, so that files do not wait for each other's disk writes.
    bool sync();

    // Puts the complete result in place: its bytes are forced to disk, then it is renamed to the
    // first free name among `base suffix`.`ext`, `base suffix 2`.`ext` … (named as uniqueURL
    // names them, fitted to the folder's longest name), without replacing anything. The result's
    // path, or empty when it could not be put in place (the part file is removed then), also when
    // its name no longer names the file written. In a parallel batch, call it inside the file's
    // NameTurn. `mark` follows `base` and stays whole (numberedFileName).
    QString place(const QString& base, const QString& ext, const QString& suffix = {}, const QString& mark = {});

    // place() as a batch's file does it: the bytes forced to disk first, then the name claimed in
    // the file's NameTurn, where a file asked to stop stops (checkFileAbort throws). The result's
    // path, or empty when it could not be put in place.
    QString placeInTurn(const QString& base, const QString& ext, const QString& suffix = {}, const QString& mark = {});

    // `error`, a failure to write or copy this part file's result, as the user should read it:
    // diskFull when the disk (or the user's quota on it) has no room left, whichever step noticed,
    // or, for a failure whose cause the encoder hid, when another file found that disk full in the
    // last seconds (its part, gone since, may have made room); else `error` itself. Call before the
    // part file goes, while it still holds what was written. Touches disk: asks the file system for
    // one more block.
    KelvaroError failure(const KelvaroError& error) const;

    // Tests: `hook` is called on the writer's thread whenever a part file has just been given its
    // name, before its writer goes on (none: no call). Any thread.
    static void setNamedHook(std::function<void(const QString& path)> hook);

private:
    QString m_path;
    int m_fd = -1; // holds the lock while the result is written
    int m_synced = -1; // the outcome of sync(): -1 not yet, 0 failed, 1 on disk
    int m_error = 0; // the system's error number of the last step that failed
};

// Tells the files failing on the disk of `path` that it was found full, as a write that failed for
// want of space would: an encoder that dropped a block it could not write said nothing of why.
void foundFull(const QString& path);

// While it lives, this thread's results about to take their names are told to `heard`: the
// identity ("device:inode") of each complete file, which it keeps under its name once placed. For
// whoever must tell, after an end of any kind, a result that was placed from one that never was.
class PlacingHeard {
public:
    explicit PlacingHeard(std::function<void(const QByteArray& identity)> heard);
    ~PlacingHeard();
    PlacingHeard(const PlacingHeard&) = delete;
    PlacingHeard& operator=(const PlacingHeard&) = delete;

private:
    std::function<void(const QByteArray&)> m_before;
};

// The identity PlacingHeard tells of the file at `path` (not followed through a link); empty when
// there is none. No disk beyond lstat.
QByteArray placedIdentity(const QString& path);

// Removes from `folder` the part files of this pattern whose lock no one holds: their writer is
// gone, whatever process now has its number. Anything else there is left alone. Touches disk.
void removeLeftoverParts(const QString& folder);

} // namespace kelvaro::ImageEngine
