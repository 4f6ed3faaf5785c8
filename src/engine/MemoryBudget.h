#pragma once
// How much memory the files being worked on may hold at once, for the whole process: half of
// what the machine has available when a run opens the budget while no other run has it open.
// Every run of the process (a wheel run, each watched folder, "Zpracovat stávající") draws on
// the one shared() budget, so runs that overlap stay within it together. A file is admitted
// while the estimates of the files in progress, that one included, stay within the limit; a file
// larger than the whole limit is admitted once nothing else is in progress, and so runs alone.
// Files are admitted in the order they asked, so a large one is not passed over for ever by
// smaller ones. A file waiting to be admitted holds nothing. A file already admitted whose needs
// grow on the way waits for the rest holding what it has (its pixels are still in memory), ahead
// of files not yet admitted. A file that has done its work and only waits for its name turn gives
// back what it held (FileHold::giveBack), its pixels gone, so an earlier file of its batch growing
// within the limit never waits for it; when all that is held belongs to files that wait to grow,
// the oldest of them goes on, so waiting never deadlocks. What the process keeps between runs
// (the segmentation network) counts as held, and a file that must wait lets it go first, so that
// it never keeps a file waiting. A file priced beyond what a hard limit (a memory cgroup's) leaves,
// with what is kept let go, is not admitted at all: beyondCeiling() tells its batch to fail it.
// The machine is read as if what the budget holds and keeps were let go: it is in the machine's
// usage, and counted again here.
// Thread-safe; the shared one lives as long as the process, with a thread of its own from the
// first time it keeps something.
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>

#include <QSize>
#include <QString>
#include <QtGlobal>

#include "model/Operations.h"

namespace kelvaro {

namespace ImageEngine {
struct Probe;
}

class MemoryBudget {
public:
    // A budget whose limit stays half of `availableBytes` (≤ 0 means unknown: no limit).
    explicit MemoryBudget(qint64 availableBytes);
    ~MemoryBudget();
    MemoryBudget(const MemoryBudget&) = delete;
    MemoryBudget& operator=(const MemoryBudget&) = delete;
    // The process's one budget, following availableMemory().
    static MemoryBudget& shared();

    // One run's use of the budget, from its first file to its end: the first run to open an idle
    // shared budget sets its limit and its ceiling from the machine now, what the budget keeps
    // counted as free (it is counted here).
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

    // What a file admitted by acquire() holds while this thread works on it, given back when the
    // hold goes. A step whose needs are known only on the way (a TIFF's metadata written back,
    // priced by the size the file came to) asks for them through growTo().
    class FileHold {
    public:
        FileHold(MemoryBudget& budget, qint64 cost, std::function<bool()> stopped);
        ~FileHold();
        FileHold(const FileHold&) = delete;
        FileHold& operator=(const FileHold&) = delete;
        // Makes this thread's file hold `cost`: true at once when it holds that much already or
        // no file is being worked on here; else waits for the difference as the budget's comment
        // says. False, holding what it held, once stopped.
        static bool growTo(qint64 cost);
        // What this thread's file holds now; none when no file is worked on here.
        static std::optional<qint64> held();

        // This thread's file holds `bytes` more for pixels it hands to its encoder and holds only
        // until the encoder has read them (a photo held whole while it is turned upright), waiting
        // for them as growTo() does: true once held, or at once when no file is worked on here;
        // false, holding what it held, once stopped. They go back with encoderDone() or the hold.
        static bool holdUntilEncoded(qint64 bytes);
        // The encoder has read every pixel it was handed: what holdUntilEncoded() took goes back,
        // before a step that follows (the metadata written back) asks for its own share.
        static void encoderDone();
        // This thread's file has let go of `bytes` of what it holds (a decoder that has handed on
        // its last pixel): they go back at once. Nothing when no file is worked on here.
        static void giveBack(qint64 bytes);

        // This thread's file has done its pixel work (its bitmaps are gone) and now waits only for
        // something else, its name turn: gives back what it holds at once, so no file that waits
        // for memory waits for it. Nothing when no file is worked on here.
        static void giveBack();

    private:
        MemoryBudget& m_budget;
        qint64 m_cost;
        qint64 m_untilEncoded = 0; // part of m_cost
        std::function<bool()> m_stopped;
        FileHold* m_outer;
    };
    // Makes every waiting acquire() ask its `stopped` again: for a cancel from another thread.
    void wake();

    // What the process keeps between runs for the next one (the segmentation network, slow to
    // load): its `bytes` count as held while it is kept, so no file is let in beside it past the
    // limit. `letGo` frees it once no run has had the budget open for `idle`, or at once when a
    // file must wait for memory; it is called under no lock of the budget, on the budget's own
    // thread or a file's, and must not use the budget. Takes the place of what was kept before
    // (the same thing kept again), whose idle time starts again.
    void keepWhileIdle(qint64 bytes, std::chrono::milliseconds idle, std::function<void()> letGo);
    // What keepWhileIdle() kept is in use again (a run that prices it in its files opens): it no
    // longer counts here and the budget never lets it go. Taken with a Run open, which has read
    // the machine as if it were let go: the files that price it have room for it.
    void takeKept();
    qint64 kept() const; // bytes counted for what is kept
    // Replaces the clock that idle time is measured by (tests); none restores the steady clock.
    // A test that moves its clock on calls wake().
    void setClock(std::function<std::chrono::steady_clock::time_point()> now);

    // Whether a file priced `cost` bytes needs more than the process may hold at all: beyond what
    // a hard limit (a memory cgroup's, past which the kernel kills the process) left when the
    // first run opened the shared budget, with what the budget held and kept then let go and the
    // page cache the kernel drops dropped. Never where no such limit is set: such a file runs
    // alone. A file that fits only without what is kept lets it go when it is admitted: what is
    // kept counts as held, and the limit is below the ceiling, so the file waits, which lets it go.
    bool beyondCeiling(qint64 cost) const;
    // What a hard limit (a memory cgroup's) leaves this process now, as the shared budget reads
    // the machine (the tests' overrides included); 0 when none is set. Reads /proc and /sys.
    static qint64 hardRoom();
    // What a hard limit left when the first run opened the budget (beyondCeiling's bound); 0 when
    // none is set. No disk.
    qint64 ceiling() const;

    qint64 limit() const;  // bytes; 0 when unlimited
    qint64 inUse() const;  // bytes held by files in progress
    int waiting() const;   // files waiting to be admitted
    int growing() const;   // admitted files waiting to hold more

    // How a file's pixels are held on their way, which sets its price.
    struct Work {
        // Decoded whole into an RGBA bitmap (always a PDF page); false: streamed from the decoder
        // to the encoder a strip at a time.
        bool whole = true;
        // The operation makes a new full-size bitmap beside the decoded one. (A streamed photo
        // held whole while it is turned upright asks for that on its way: FileHold.)
        bool copied = true;
        ImageFormat format = ImageFormat::jpg; // what is written
        // What the operation holds per pixel beside the bitmaps at its largest step: a scan's
        // outline detection, straightening and contrast.
        double operationBytes = 0;
        // What the operation holds whatever the photo's size: a network it runs.
        qint64 stateBytes = 0;
        // The size the result is drawn at, from the photo's upright size, where it is not the
        // photo's: a resize or a preset's exact size, which may enlarge.
        std::function<QSize(QSize)> drawnSize;
    };
    // The bytes a file is expected to hold at its peak while it is worked on as `work` says: so
    // many per pixel of the larger of the photo's upright size and its result's (a resize may
    // enlarge) for the bitmaps, the decoder (ImageEngine::decoderHeldBytes; a PDF page's
    // renderer, and pdfRendererBytes() beside), the operation and the encoder (HEIC's most of all; less for a page drawn
    // without raster images), plus the encoder's and the operation's own state; the
    // metadata written back afterwards asks for its share then (FileHold). The size from the
    // header alone, a PDF's from its first page's media box at two pixels per point; a
    // 12-megapixel photo's worth when the header tells nothing (unreadable, beyond the ceiling).
    // Reads disk.
    static qint64 estimate(const QString& file, const Work& work);
    // The same from what the file's header told (ImageEngine::probe). No disk.
    static qint64 estimate(const ImageEngine::Probe& probed, const Work& work);
    // What a PDF page's drawer may take beside the page's pixels, priced into every page: the
    // document read (its cross references, objects, streams), its fonts and glyph caches, the
    // decoders of the images it holds. Bytes.
    static qint64 pdfRendererBytes();
    // What a drawer may take to read a document for its page's facts (a price, a size) outside a
    // run's file, held from the shared budget while it reads; within pdfRendererBytes(), so that a
    // document read for its price is read again within the price. Bytes.
    static qint64 pdfReadingBytes();
    // A file decoded whole, copied and written as JPEG.
    static qint64 estimate(const QString& file) { return estimate(file, Work{}); }

    // The memory available to this process in bytes (AvailableMemory): the system's MemAvailable,
    // lowered to what every control group from the process's own up still allows; 0 when unknown.
    // Reads /proc and /sys.
    static qint64 availableMemory();
    // Replaces the machine's figure (tests); none restores it. Takes effect when a run next opens
    // an idle shared budget.
    static void setAvailableMemoryOverride(std::optional<qint64> bytes);
    // Reads the machine's figures, the cgroups' hard limits included, below `root` instead of
    // "/" (tests: a tree laid out as /proc and /sys show them); none restores it. Takes effect
    // when a run next opens an idle shared budget.
    static void setMemoryRootOverride(std::optional<QString> root);

private:
    MemoryBudget(qint64 availableBytes, bool followsMachine);
    bool admits(qint64 cost) const { return m_inUse == 0 || m_limit <= 0 || m_inUse + cost <= m_limit; }
    // Waits until a file holding `held` may hold `extra` more, then holds it too: true. False
    // once `stopped`.
    bool grow(qint64 held, qint64 extra, const std::function<bool()>& stopped);

    struct Grower {
        quint64 ticket;
        qint64 held;
    };
    // Under the lock, which `lock` holds: lets what is kept go, the lock let go meanwhile.
    void letKeptGo(std::unique_lock<std::mutex>& lock);
    // The budget's own thread while something is kept: lets it go once idle long enough.
    void keepLoop();

    const bool m_followsMachine;
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    qint64 m_limit = 0;
    qint64 m_ceiling = 0; // bytes; 0 when no hard limit is known
    qint64 m_inUse = 0;
    int m_runs = 0;
    quint64 m_nextTicket = 0;
    std::deque<quint64> m_queue; // tickets of the waiting files, oldest first
    std::deque<Grower> m_growers; // admitted files waiting for more, oldest first
    // Held by the growers, which give nothing back while they wait.
    qint64 m_heldWaiting = 0;
    // What is kept between runs, part of m_inUse; nothing kept without `letGo`.
    struct Kept {
        qint64 bytes = 0;
        std::chrono::milliseconds idle{0};
        std::function<void()> letGo;
    } m_kept;
    std::function<std::chrono::steady_clock::time_point()> m_now;
    std::chrono::steady_clock::time_point m_idleSince; // when the last run ended
    std::thread m_keeper;
    bool m_ending = false;
};

} // namespace kelvaro
