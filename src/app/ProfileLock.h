#pragma once
// The one authority on which process is a profile's (settings folder's) running Kelvaro: the
// process that holds this lock, an flock(2) on "instance.lock" in the profile, and no other, whatever
// the file says. The kernel lets go of it when its holder dies, so it is never stale. The holder
// writes its socket's name into the file, so that a launch with another runtime or temporary folder
// can reach it; the name only says where to ask, never who runs.
// A lock needs no write access: the file is locked read-only where it cannot be written, and the
// folder itself where it holds no regular file and cannot be given one (a read-only folder), so
// that every launch of a folder whose mode stays as it is locks the same thing. Anything but a
// regular file under the name (a FIFO, a folder, a link) is put aside first.
// Owned by SingleInstance, which takes it before its socket's lock and lets it go last. Not
// thread-safe: one thread at a time.
#include <QString>

namespace kelvaro {

class ProfileLock {
public:
    enum class State {
        held,          // this process holds it: it is the profile's instance
        heldElsewhere, // another process holds it
        unavailable,   // nothing in the profile can be locked (its folder cannot be made)
    };

    explicit ProfileLock(QString path);
    ~ProfileLock(); // lets go
    ProfileLock(const ProfileLock&) = delete;
    ProfileLock& operator=(const ProfileLock&) = delete;

    const QString& path() const { return m_path; }
    // Takes the lock when no process holds it; never waits. Touches disk.
    State tryTake();
    bool isHeld() const { return m_held; }
    // While held: names this instance's socket in the file, when it can be written.
    void setName(const QString& socket);
    // The socket the holder named; empty when none is named (it has not yet, or cannot). A name left
    // by an earlier holder that could not write over it may be stale: ask it, never trust it.
    QString holderName() const;
    // Lets go (after clearing the name it wrote), so that the next launch becomes the instance.
    void release();

private:
    bool open();

    QString m_path;
    int m_fd = -1;          // the file, or the folder when the file cannot be had
    bool m_writable = false;
    bool m_held = false;
    bool m_lockingFolderSaid = false;
};

// Renames what stands at `path` to "<name>.aside-<yyyyMMdd-HHmmss>[-n]" beside it, never replacing
// anything, so that an instance's file can be made there. False when it could not. Touches disk.
bool putAsideInstanceFile(const QString& path);

} // namespace kelvaro
