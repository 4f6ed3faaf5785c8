#pragma once
// A small file system of its own (a tmpfs of a given size) mounted on a folder while it lives, for
// writes that meet a full disk. Mounting takes root in a namespace that allows it: a test skips
// with whyNot() when it did not mount.
#include <QString>

namespace kelvaro::test {

class SmallDisk {
public:
    SmallDisk(const QString& folder, qint64 bytes);
    ~SmallDisk();
    SmallDisk(const SmallDisk&) = delete;
    SmallDisk& operator=(const SmallDisk&) = delete;

    bool isMounted() const { return m_mounted; }
    const QString& whyNot() const { return m_whyNot; }
    // Mounts it again read-only, with what it holds. False when it could not.
    bool makeReadOnly();
    // Fills the disk with a file of filler until at most `room` bytes are left.
    void fillLeaving(qint64 room);
    qint64 freeBytes() const;

private:
    QString m_folder;
    bool m_mounted = false;
    QString m_whyNot;
};

} // namespace kelvaro::test
