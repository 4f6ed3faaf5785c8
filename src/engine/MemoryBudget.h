#pragma once
// How much memory the files of one batch may hold at once: half of what the machine has
// available when the batch starts. A parallel batch admits its next file only while the
// estimates of the files in progress, that one included, stay within the limit; a file larger
// than the whole limit is admitted once nothing else is in progress, and so runs alone. At least
// one file is always in progress. A plain value; the batch uses it under its own lock.
#include <optional>

#include <QString>
#include <QtGlobal>

namespace kelvaro {

class MemoryBudget {
public:
    // `availableBytes` ≤ 0 means unknown: no limit.
    explicit MemoryBudget(qint64 availableBytes);
    // The budget from availableMemory() now.
    static MemoryBudget forThisMachine();

    bool admits(qint64 cost) const { return m_inUse == 0 || m_limit <= 0 || m_inUse + cost <= m_limit; }
    void take(qint64 cost) { m_inUse += cost; }
    void give(qint64 cost) { m_inUse -= cost; }
    qint64 limit() const { return m_limit; } // bytes; 0 when unlimited
    qint64 inUse() const { return m_inUse; }

    // The bytes a file is expected to hold while it is worked on: 12 per pixel of its upright
    // size (the decoded RGBA bitmap, the result and the encoder's copy), from the header alone;
    // a 12-megapixel photo's worth when the header tells nothing (PDF, unreadable). Reads disk.
    static qint64 estimate(const QString& file);

    // The memory available to this process in bytes: the system's MemAvailable, lowered to what
    // its control group still allows; 0 when unknown. Reads /proc and /sys.
    static qint64 availableMemory();
    // Replaces the machine's figure (tests); none restores it. Not while a batch runs.
    static void setAvailableMemoryOverride(std::optional<qint64> bytes);

private:
    qint64 m_limit = 0;
    qint64 m_inUse = 0;
};

} // namespace kelvaro
