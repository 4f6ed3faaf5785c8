#pragma once
// How much memory the files being worked on may hold at once, for the whole process: half of
// what the machine has available when a run opens the budget while no other run has it open.
// Every run of the process (a wheel run, each watched folder, "Zpracovat stávající") draws on
// the one shared() budget, so runs that overlap stay within it together. A file is admitted
// while the estimates of the files in progress, that one included, stay within the limit; a file
// larger than the whole limit is admitted once nothing else is in progress, and so runs alone.
// Files are admitted in the order they asked, so a large one is not passed over for ever by
// smaller ones. Nothing holds part of the budget while it waits for more, so waiting never
// deadlocks. Thread-safe; the shared one lives as long as the process.
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>

#include <QString>
#include <QtGlobal>

#include "model/Operations.h"

namespace kelvaro {

class MemoryBudget {
public:
    // A budget whose limit stays half of `availableBytes` (≤ 0 means unknown: no limit).
    explicit MemoryBudget(qint64 availableBytes);
    // The process's one budget, following availableMemory().
    static MemoryBudget& shared();

    // One run's use of the budget, from its first file to its end: the first run to open an idle
    // shared budget sets its limit from availableMemory() now.
    class Run {
    public:
        explicit Run(MemoryBudget& budget);
        ~Run();
        Run(const Run&) = delete;
        Run& operator=(const Run&) = delete;

    private:
        MemoryBudget& m_budget;
    };

    // Waits until `cost` bytes may be held, then holds them: true. False, holding nothing, once
    // `stopped` is true (a cancel); it is asked before waiting and again whenever the budget
    // changes or wake() is called, under the budget's lock, so it must not wait itself.
    bool acquire(qint64 cost, const std::function<bool()>& stopped);
    // Gives back what acquire() took.
    void release(qint64 cost);
    // Makes every waiting acquire() ask its `stopped` again: for a cancel from another thread.
    void wake();

    qint64 limit() const;  // bytes; 0 when unlimited
    qint64 inUse() const;  // bytes held by files in progress
    int waiting() const;   // files waiting to be admitted

    // How a file's pixels are held on their way, which sets its price.
    struct Work {
        // Decoded whole into an RGBA bitmap (always a PDF page); false: streamed from the decoder
        // to the encoder a strip at a time.
        bool whole = true;
        // The operation makes a new full-size bitmap beside the decoded one.
        bool copied = true;
        ImageFormat format = ImageFormat::jpg; // what is written
    };
    // The bytes a file is expected to hold at its peak while it is worked on as `work` says: so
    // many per pixel of its upright size for the bitmaps and for the encoder (HEIC's most of
    // all, and a TIFF's metadata is written back by rewriting the whole file in memory; less
    // for a page drawn without raster images), plus the encoder's own state; the size from the header alone, a PDF's from its first page's
    // media box at two pixels per point; a 12-megapixel photo's worth when the header tells
    // nothing (unreadable, beyond the ceiling). Reads disk.
    static qint64 estimate(const QString& file, const Work& work);
    // A file decoded whole, copied and written as JPEG.
    static qint64 estimate(const QString& file) { return estimate(file, Work{}); }

    // The memory available to this process in bytes: the system's MemAvailable, lowered to what
    // its control group still allows; 0 when unknown. Reads /proc and /sys.
    static qint64 availableMemory();
    // Replaces the machine's figure (tests); none restores it. Takes effect when a run next opens
    // an idle shared budget.
    static void setAvailableMemoryOverride(std::optional<qint64> bytes);

private:
    MemoryBudget(qint64 availableBytes, bool followsMachine);
    bool admits(qint64 cost) const { return m_inUse == 0 || m_limit <= 0 || m_inUse + cost <= m_limit; }

    const bool m_followsMachine;
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    qint64 m_limit = 0;
    qint64 m_inUse = 0;
    int m_runs = 0;
    quint64 m_nextTicket = 0;
    std::deque<quint64> m_queue; // tickets of the waiting files, oldest first
};

} // namespace kelvaro
