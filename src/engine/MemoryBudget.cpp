#include "engine/MemoryBudget.h"

#include <algorithm>
#include <atomic>
#include <limits>
#include <utility>

#include "engine/ImageProbe.h"
#include "platform/AvailableMemory.h"

namespace kelvaro {
namespace {

// What a file holds at its peak, in bytes per pixel of its upright size, from the peak resident
// size of runs on 16k × 16k, 240- and 64-megapixel photos of fine detail and pages of drawing.
constexpr double kBitmapBytes = 4; // a decoded RGBA bitmap, and the full-size result beside it
// The encoder's share: libjpeg keeps every coefficient to optimise its tables; x265 holds the
// picture several times over (the RGB plane, its YCbCr conversion, its own padded frames,
// lookahead and reconstruction) and the coded stream; libtiff a few strips. A TIFF's metadata is
// then written back by rewriting the file in memory, which its content sizes: that step asks for
// its own share once the file is written (FileHold::growTo). A drawing (a page of lines, text and
// fills) codes to less than a photo's fine detail, and its encoders touch less of what they set
// aside; a busy one (a plan, a map) comes near a photo, so a drawing is priced between the two.
double encoderBytes(ImageFormat format, bool drawing)
{
    switch (format) {
    case ImageFormat::jpg:
        return drawing ? 3.1 : 3.7;
    case ImageFormat::png:
        return 0.9;
    case ImageFormat::tiff:
        return 0.6;
    case ImageFormat::heic:
        return drawing ? 17.4 : 18.5;
    case ImageFormat::pdf:
    case ImageFormat::zip:
        break;
    }
    return 0;
}
// What the PDF renderer holds per pixel of the page it draws, beside the bitmap it is copied to.
constexpr double kPageBytes = 4;
constexpr double kPageWithImagesBytes = 6;
// What a page's drawer holds beside them, whatever the page's size, and what it may take to read
// a document alone. The least ceilings at which drawers read and drew real pages (manuals set in
// embedded fonts, a page of text in three fonts with photos among it, a 24-megapixel photo, one
// with alpha) were 2 MB to read and 4 to 13 MB beside the page's own bitmap to draw; the room
// leaves space for large embedded fonts (a CJK font alone is tens of megabytes) and documents of
// hundreds of thousands of objects.
constexpr qint64 kPdfRendererBytes = 96LL * 1024 * 1024;
constexpr qint64 kPdfReadingBytes = 64LL * 1024 * 1024;
// x265's state whatever the picture's size: its threads and their buffers.
constexpr qint64 kHeicStateBytes = 40'000'000;
constexpr qint64 kUnknownPixels = 12'000'000;
constexpr qint64 kNoOverride = -1;
std::atomic<qint64> availableOverride{kNoOverride};
std::mutex rootOverrideMutex;
std::optional<QString> rootOverride;

// The machine's figures as the shared budget follows them, `held` bytes of the process's counted as
// free (AvailableMemory::measure). Reads /proc and /sys.
AvailableMemory::Reading machineMemory(qint64 held = 0)
{
    if (const qint64 set = availableOverride.load(); set != kNoOverride)
        return {set, 0};
    QString root = QStringLiteral("/");
    {
        const std::lock_guard lock(rootOverrideMutex);
        if (rootOverride)
            root = *rootOverride;
    }
    return AvailableMemory::measure(root, held);
}

qint64 limitFor(qint64 availableBytes)
{
    return availableBytes > 0 ? std::max<qint64>(availableBytes / 2, 1) : 0;
}

} // namespace

MemoryBudget::MemoryBudget(qint64 availableBytes) : MemoryBudget(availableBytes, false) {}

MemoryBudget::MemoryBudget(qint64 availableBytes, bool followsMachine)
    : m_followsMachine(followsMachine), m_limit(limitFor(availableBytes)), m_now(std::chrono::steady_clock::now),
      m_idleSince(m_now())
{
}

MemoryBudget::~MemoryBudget()
{
    {
        const std::lock_guard lock(m_mutex);
        m_ending = true;
        // What is kept belongs to the process, which is ending or never ran a file here.
        m_kept = {};
    }
    m_changed.notify_all();
    if (m_keeper.joinable())
        m_keeper.join();
}

MemoryBudget& MemoryBudget::shared()
{
    // Never destroyed: its thread may still be letting go of what it kept when the process ends.
    static MemoryBudget& budget = *new MemoryBudget(0, true);
    return budget;
}

MemoryBudget::Run::Run(MemoryBudget& budget) : m_budget(budget)
{
    std::unique_lock lock(budget.m_mutex);
    // What the budget holds or keeps (the network kept from the last run) is in the machine's
    // usage, and counted here again as it is held: the machine is read as if it were let go. Read
    // outside the lock, as it reads files; what is kept may be let go meanwhile, and is then read
    // again, so that nothing let go is counted as free twice.
    for (int reading = 0; budget.m_runs == 0 && budget.m_followsMachine; ++reading) {
        const qint64 held = reading < 3 ? budget.m_inUse : 0;
        lock.unlock();
        const AvailableMemory::Reading machine = machineMemory(held);
        lock.lock();
        if (budget.m_runs > 0)
            break; // another run opened it meanwhile, with a reading of its own
        if (held > budget.m_inUse)
            continue;
        budget.m_limit = limitFor(machine.available);
        budget.m_ceiling = machine.hardRoom;
        break;
    }
    ++budget.m_runs;
}

MemoryBudget::Run::~Run()
{
    {
        const std::lock_guard lock(m_budget.m_mutex);
        if (--m_budget.m_runs == 0)
            m_budget.m_idleSince = m_budget.m_now();
    }
    m_budget.m_changed.notify_all();
}

bool MemoryBudget::acquire(qint64 cost, const std::function<bool()>& stopped)
{
    // A move or a rename holds no pixels: it never waits behind photos that do.
    if (cost <= 0) {
        const std::lock_guard lock(m_mutex);
        return !stopped();
    }
    std::unique_lock lock(m_mutex);
    const quint64 ticket = m_nextTicket++;
    m_queue.push_back(ticket);
    // Holds nothing; waits for admitted files to give back, and never ahead of files admitted
    // that wait to grow: their pixels are in memory already, and what they wait for is the room
    // this file would take. Admitted files never wait for a file not admitted.
    const auto mayGo = [&] { return m_queue.front() == ticket && m_growers.empty() && admits(cost); };
    if (!mayGo())
        letKeptGo(lock);
    m_changed.wait(lock, [&] { return stopped() || mayGo(); });
    const bool admitted = mayGo() && !stopped();
    m_queue.erase(std::find(m_queue.begin(), m_queue.end(), ticket));
    if (admitted)
        m_inUse += cost;
    lock.unlock();
    // The next in line may fit as well.
    m_changed.notify_all();
    return admitted;
}

bool MemoryBudget::grow(qint64 held, qint64 extra, const std::function<bool()>& stopped)
{
    if (extra <= 0)
        return true;
    std::unique_lock lock(m_mutex);
    const quint64 ticket = m_nextTicket++;
    m_growers.push_back({ticket, held});
    m_heldWaiting += held;
    // One more waiting file may leave nothing held that a file at work would give back.
    m_changed.notify_all();
    // Holds the file's pixels; waits for files at work to give back (a finished file does before
    // it waits for its name turn) or to wait to grow themselves. The oldest grower goes on when
    // the rest fits, or when everything held belongs to growers: going on is then the only way out.
    const auto mayGo = [&] {
        return m_growers.front().ticket == ticket
            && (m_limit <= 0 || m_inUse + extra <= m_limit || m_inUse <= m_heldWaiting);
    };
    // What is kept would otherwise stay held beside the growers for ever.
    if (!mayGo())
        letKeptGo(lock);
    m_changed.wait(lock, [&] { return stopped() || mayGo(); });
    const bool admitted = mayGo() && !stopped();
    m_growers.erase(std::find_if(m_growers.begin(), m_growers.end(), [&](const Grower& g) { return g.ticket == ticket; }));
    m_heldWaiting -= held;
    if (admitted)
        m_inUse += extra;
    lock.unlock();
    m_changed.notify_all();
    return admitted;
}

void MemoryBudget::release(qint64 cost)
{
    {
        const std::lock_guard lock(m_mutex);
        m_inUse -= cost;
    }
    m_changed.notify_all();
}

void MemoryBudget::wake()
{
    {
        // Taken so that a waiter between asking `stopped` and sleeping cannot miss the call.
        const std::lock_guard lock(m_mutex);
    }
    m_changed.notify_all();
}

void MemoryBudget::keepWhileIdle(qint64 bytes, std::chrono::milliseconds idle, std::function<void()> letGo)
{
    {
        const std::lock_guard lock(m_mutex);
        if (m_ending || !letGo)
            return;
        bytes = std::max<qint64>(bytes, 0);
        m_inUse += bytes - m_kept.bytes;
        m_kept = {bytes, idle, std::move(letGo)};
        if (m_runs == 0)
            m_idleSince = m_now();
        if (!m_keeper.joinable())
            m_keeper = std::thread([this] { keepLoop(); });
    }
    m_changed.notify_all();
}

void MemoryBudget::takeKept()
{
    {
        const std::lock_guard lock(m_mutex);
        m_inUse -= m_kept.bytes;
        m_kept = {};
    }
    m_changed.notify_all();
}

qint64 MemoryBudget::kept() const
{
    const std::lock_guard lock(m_mutex);
    return m_kept.bytes;
}

void MemoryBudget::setClock(std::function<std::chrono::steady_clock::time_point()> now)
{
    {
        const std::lock_guard lock(m_mutex);
        m_now = now ? std::move(now) : std::function<std::chrono::steady_clock::time_point()>(std::chrono::steady_clock::now);
        m_idleSince = m_now();
    }
    m_changed.notify_all();
}

void MemoryBudget::letKeptGo(std::unique_lock<std::mutex>& lock)
{
    if (!m_kept.letGo)
        return;
    const std::function<void()> letGo = std::move(m_kept.letGo);
    m_inUse -= m_kept.bytes;
    m_kept = {};
    lock.unlock();
    letGo();
    lock.lock();
    // The room it held is free, for other waiters too.
    m_changed.notify_all();
}

void MemoryBudget::keepLoop()
{
    std::unique_lock lock(m_mutex);
    while (!m_ending) {
        const auto now = m_now();
        const bool idle = m_kept.letGo && m_runs == 0;
        const auto due = m_idleSince + m_kept.idle;
        if (idle && now >= due)
            letKeptGo(lock);
        else if (idle)
            m_changed.wait_for(lock, due - now);
        else
            m_changed.wait(lock); // a run that ends, or what is kept changing, notifies
    }
}

qint64 MemoryBudget::hardRoom()
{
    return machineMemory().hardRoom;
}

bool MemoryBudget::beyondCeiling(qint64 cost) const
{
    const std::lock_guard lock(m_mutex);
    return m_ceiling > 0 && cost > m_ceiling;
}

qint64 MemoryBudget::ceiling() const
{
    const std::lock_guard lock(m_mutex);
    return m_ceiling;
}

qint64 MemoryBudget::limit() const
{
    const std::lock_guard lock(m_mutex);
    return m_limit;
}

qint64 MemoryBudget::inUse() const
{
    const std::lock_guard lock(m_mutex);
    return m_inUse;
}

int MemoryBudget::waiting() const
{
    const std::lock_guard lock(m_mutex);
    return int(m_queue.size());
}

int MemoryBudget::growing() const
{
    const std::lock_guard lock(m_mutex);
    return int(m_growers.size());
}

namespace {
thread_local MemoryBudget::FileHold* currentHold = nullptr;
} // namespace

MemoryBudget::FileHold::FileHold(MemoryBudget& budget, qint64 cost, std::function<bool()> stopped)
    : m_budget(budget), m_cost(cost), m_stopped(std::move(stopped)), m_outer(currentHold)
{
    currentHold = this;
}

MemoryBudget::FileHold::~FileHold()
{
    currentHold = m_outer;
    m_budget.release(m_cost);
}

bool MemoryBudget::FileHold::growTo(qint64 cost)
{
    FileHold* hold = currentHold;
    if (!hold || cost <= hold->m_cost)
        return true;
    const std::function<bool()> never = [] { return false; };
    if (!hold->m_budget.grow(hold->m_cost, cost - hold->m_cost, hold->m_stopped ? hold->m_stopped : never))
        return false;
    hold->m_cost = cost;
    return true;
}

std::optional<qint64> MemoryBudget::FileHold::held()
{
    if (const FileHold* hold = currentHold)
        return hold->m_cost;
    return std::nullopt;
}

bool MemoryBudget::FileHold::holdUntilEncoded(qint64 bytes)
{
    FileHold* hold = currentHold;
    if (!hold || bytes <= 0)
        return true;
    if (!growTo(hold->m_cost + bytes))
        return false;
    hold->m_untilEncoded += bytes;
    return true;
}

void MemoryBudget::FileHold::encoderDone()
{
    FileHold* hold = currentHold;
    if (hold)
        giveBack(std::exchange(hold->m_untilEncoded, 0));
}

void MemoryBudget::FileHold::giveBack(qint64 bytes)
{
    FileHold* hold = currentHold;
    bytes = hold ? std::min(bytes, hold->m_cost) : 0;
    if (bytes <= 0)
        return;
    hold->m_cost -= bytes;
    hold->m_untilEncoded = std::min(hold->m_untilEncoded, hold->m_cost);
    hold->m_budget.release(bytes);
}

void MemoryBudget::FileHold::giveBack()
{
    FileHold* hold = currentHold;
    if (!hold || hold->m_cost == 0)
        return;
    hold->m_untilEncoded = 0;
    hold->m_budget.release(std::exchange(hold->m_cost, 0));
}

qint64 MemoryBudget::estimate(const QString& file, const Work& work)
{
    return estimate(ImageEngine::probe(file), work);
}

qint64 MemoryBudget::estimate(const ImageEngine::Probe& probed, const Work& work)
{
    const QSize size = probed.size;
    qint64 pixels = size.isValid() ? qint64(size.width()) * size.height() : 0;
    if (pixels <= 0)
        pixels = kUnknownPixels;
    // An enlarged result holds more than the photo at every step after the decode.
    if (work.drawnSize && size.isValid()) {
        const QSize drawn = work.drawnSize(size);
        if (drawn.isValid())
            pixels = std::max(pixels, qint64(drawn.width()) * drawn.height());
    }
    // The decoded bitmap goes once the operation's own result is made, before that is encoded.
    // A decoder that holds the whole source does so beside the bitmap it fills, and beside the
    // encoder when the source streams to it.
    const bool page = probed.pdf;
    const bool whole = work.whole || page;
    const bool drawing = page && probed.drawing;
    // A page is drawn into the renderer's own bitmap, and its raster images scaled in bitmaps of
    // their own, before it is copied out; one that cannot be drawn is priced as any unknown file.
    const bool imagesDrawn = page && size.isValid() && !drawing;
    const double decoder = page ? (imagesDrawn ? kPageWithImagesBytes : kPageBytes) : probed.decoderBytes;
    const double decoding = (whole ? kBitmapBytes : 0) + std::max(work.copied ? kBitmapBytes : 0, decoder) + work.operationBytes;
    const double encoding = (whole || work.copied ? kBitmapBytes : decoder)
        + encoderBytes(work.format, drawing);
    const qint64 state = (work.format == ImageFormat::heic ? kHeicStateBytes : 0) + std::max<qint64>(work.stateBytes, 0)
        + (page ? kPdfRendererBytes : 0);
    return qint64(double(pixels) * std::max(decoding, encoding)) + state;
}

qint64 MemoryBudget::pdfRendererBytes()
{
    return kPdfRendererBytes;
}

qint64 MemoryBudget::pdfReadingBytes()
{
    return kPdfReadingBytes;
}

qint64 MemoryBudget::availableMemory()
{
    return machineMemory().available;
}

void MemoryBudget::setAvailableMemoryOverride(std::optional<qint64> bytes)
{
    availableOverride.store(bytes ? std::max<qint64>(*bytes, 0) : kNoOverride);
}

void MemoryBudget::setMemoryRootOverride(std::optional<QString> root)
{
    const std::lock_guard lock(rootOverrideMutex);
    rootOverride = std::move(root);
}

} // namespace kelvaro
