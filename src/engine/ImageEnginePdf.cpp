// PDFs both ways: the combined PDF of a conversion (one page per photo, no page beyond 1000
// points), and the first page of a PDF source, read and drawn by kelvaro-pdfpage (PdfDrawer) in a
// process of its own, where a document whose reading or drawing takes more memory or time than a
// page may is ended by the kernel and never reaches this process: no byte of a PDF is parsed here.
// Its drawers' ceilings add up: a drawer draws within what the budget admitted its file at, and
// one at work outside a run's file (a thumbnail, a preview, a pricing's reading) holds its ceiling
// from the shared budget while it works.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstring>
#include <mutex>
#include <new>
#include <optional>
#include <utility>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>

#include "engine/FileAbort.h"
#include "engine/ImageEffects.h"
#include "engine/ImageEngine.h"
#include "engine/ImageProbe.h"
#include "engine/MemoryBudget.h"
#include "engine/PdfDrawer.h"
#include "engine/PdfPages.h"
#include "platform/NativePath.h"

namespace kelvaro {
namespace {

// Compared as doubles: a page size beyond any integer must not be converted first.
bool pageTooLarge(double width, double height)
{
    return !(width >= 1 && height >= 1 && width * height <= double(kMaxPixels));
}

// `file` opened for reading, a regular file: a fifo or a device named like a PDF is refused, never
// read. Throws unreadable(name). The caller closes it.
int openRegular(const QString& file, const QString& name)
{
    const int descriptor = ::open(NativePath::encoded(file).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (descriptor < 0)
        throw KelvaroError::unreadable(name);
    struct stat info {};
    if (::fstat(descriptor, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(descriptor);
        throw KelvaroError::unreadable(name);
    }
    return descriptor;
}

// The page at two pixels per point over its whole media box, towards zero. Throws unreadable(name)
// for an empty box, tooManyPixels(name) for one beyond the engine's ceiling.
QSize fullSizeOf(const PdfDrawer::PageFacts& page, const QString& name)
{
    const double width = std::floor(page.mediaWidth * 2);
    const double height = std::floor(page.mediaHeight * 2);
    if (!(width >= 1 && height >= 1))
        throw KelvaroError::unreadable(name);
    if (pageTooLarge(width, height))
        throw KelvaroError::tooManyPixels(name);
    return {int(width), int(height)};
}

std::atomic<qint64> cpuBoundSeconds{20};

std::chrono::seconds cpuBound()
{
    return std::chrono::seconds(cpuBoundSeconds.load());
}

// What a hard limit leaves, read at most once a second: thumbnails draw many pages in a row.
// Reads /proc and /sys.
qint64 recentHardRoom()
{
    using Clock = std::chrono::steady_clock;
    static std::mutex mutex;
    static Clock::time_point readAt;
    static qint64 room = 0;
    const std::lock_guard lock(mutex);
    if (readAt == Clock::time_point() || Clock::now() - readAt > std::chrono::seconds(1)) {
        room = MemoryBudget::hardRoom();
        readAt = Clock::now();
    }
    return room;
}

// What the file this thread works on in a run holds; 0 outside a run's file, or for one that has
// given its memory back.
qint64 heldByFile()
{
    return std::max<qint64>(MemoryBudget::FileHold::held().value_or(0), 0);
}

// The memory a drawer at work outside a run's file may take, held from the shared budget for as
// long as it works, so that drawers and the files of runs stay within the budget's room together.
// Nothing for 0 bytes: a run's file draws within what it was admitted at. Waits for the room as a
// file waits to be admitted, holding nothing; throws ImageEngine::FileAborted once stopped.
class DrawerRoom {
public:
    explicit DrawerRoom(qint64 bytes)
    {
        if (bytes <= 0)
            return;
        m_open.emplace(MemoryBudget::shared());
        if (!MemoryBudget::shared().acquire(bytes, [] { return ImageEngine::fileAbortRequested(); }))
            throw ImageEngine::FileAborted();
        m_bytes = bytes;
    }
    ~DrawerRoom()
    {
        if (m_bytes > 0)
            MemoryBudget::shared().release(m_bytes);
    }
    DrawerRoom(const DrawerRoom&) = delete;
    DrawerRoom& operator=(const DrawerRoom&) = delete;

private:
    std::optional<MemoryBudget::Run> m_open; // its limit read from the machine when no run has it open
    qint64 m_bytes = 0;
};

// The first page's facts of the document open at `descriptor`, read by a drawer within what this
// thread's file was admitted at, else within MemoryBudget::pdfReadingBytes() held from the budget
// while it reads (a reading this thread's drawer still holds is answered at once). Throws as
// PdfDrawer::read.
PdfDrawer::PageFacts readPage(int descriptor, const QString& name)
{
    const qint64 held = heldByFile();
    if (held > 0 || PdfDrawer::holdsReading(descriptor))
        return PdfDrawer::read(descriptor, name, held > 0 ? held : MemoryBudget::pdfReadingBytes(), cpuBound());
    const DrawerRoom room(MemoryBudget::pdfReadingBytes());
    return PdfDrawer::read(descriptor, name, MemoryBudget::pdfReadingBytes(), cpuBound());
}

// The memory a page's drawer may take, reading and drawing together: what the budget admitted the
// page at (`admitted`: its file's hold, or its own price held for the drawing) less the `shared`
// bytes of pixels it fills, which are part of that price and charged to any hard limit as it
// writes them; never more than a hard limit leaves beside them (what the run's budget read, else
// what it leaves now: reads /proc and /sys), so that a drawer that would take the room they need
// is refused instead of having the kernel kill it, or Kelvaro.
qint64 memoryBound(qint64 admitted, bool inRun, qint64 shared)
{
    qint64 bound = admitted;
    const qint64 room = inRun ? MemoryBudget::shared().ceiling() : recentHardRoom();
    if (room > 0)
        bound = std::min(bound, room);
    return std::max<qint64>(bound - shared, 1);
}

// Pixels the drawer draws into: memory shared with it, sealed at the page's size, mapped here once
// it has answered and freed with the bitmap that holds them.
class SharedPixels {
public:
    explicit SharedPixels(size_t bytes) : m_bytes(bytes)
    {
        m_fd = ::memfd_create("kelvaro-pdf-page", MFD_CLOEXEC | MFD_ALLOW_SEALING);
        if (m_fd < 0 || ::ftruncate(m_fd, off_t(bytes)) != 0
            || ::fcntl(m_fd, F_ADD_SEALS, F_SEAL_GROW | F_SEAL_SHRINK | F_SEAL_SEAL) != 0)
            throw std::bad_alloc();
    }
    ~SharedPixels()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    SharedPixels(const SharedPixels&) = delete;
    SharedPixels& operator=(const SharedPixels&) = delete;
    int descriptor() const { return m_fd; }

    // The drawn page (B, G, R, filler) as the engine's RGBA bitmap, `width` × `height`, turned in
    // place: the page is held once.
    Bitmap bitmap(int width, int height, const QString& name)
    {
        void* mapped = ::mmap(nullptr, m_bytes, PROT_READ | PROT_WRITE, MAP_SHARED | MAP_POPULATE, m_fd, 0);
        if (mapped == MAP_FAILED)
            throw KelvaroError::unreadable(name);
        ::close(std::exchange(m_fd, -1)); // the mapping keeps the memory
        auto* pixels = static_cast<uchar*>(mapped);
        for (uchar *p = pixels, *end = pixels + m_bytes; p != end; p += 4) {
            std::swap(p[0], p[2]);
            p[3] = 255;
        }
        VipsImage* image = vips_image_new_from_memory(pixels, m_bytes, width, height, 4, VIPS_FORMAT_UCHAR);
        if (!image) {
            ::munmap(mapped, m_bytes);
            throw KelvaroError::unreadable(name);
        }
        g_signal_connect_data(image, "postclose", G_CALLBACK(unmap), new Mapping{mapped, m_bytes}, forget,
                              GConnectFlags(0));
        image->Type = VIPS_INTERPRETATION_sRGB;
        return Bitmap(image);
    }

private:
    struct Mapping {
        void* address;
        size_t bytes;
    };
    static void unmap(VipsImage*, Mapping* mapping) { ::munmap(mapping->address, mapping->bytes); }
    static void forget(gpointer mapping, GClosure*) { delete static_cast<Mapping*>(mapping); }

    size_t m_bytes;
    int m_fd = -1;
};

} // namespace

void ImageEngine::writePDF(const QStringList& files, const QString& target, double jpegQuality)
{
    const QString targetName = QFileInfo(target).fileName();
    PdfPages pdf(target, jpegQuality);
    if (!pdf.open())
        throw KelvaroError::writeFailed(targetName);
    for (const QString& file : files) {
        const LoadedImage loaded = load(file); // its error ends the whole PDF
        const double w = loaded.image.width();
        const double h = loaded.image.height();
        const double longest = std::max(w, h);
        // No page beyond 1000 points; smaller images keep one point per pixel.
        const double scale = longest < 2 ? 1 : std::min(1000 / longest, 1.0);
        try {
            if (!pdf.addPage(loaded.image, scale * w, scale * h, isLossy(matchingFormat(file))))
                throw KelvaroError::writeFailed(targetName);
        } catch (const KelvaroError&) {
            throw;
        } catch (const std::exception&) {
            throw KelvaroError::writeFailed(targetName);
        }
    }
    if (!pdf.close())
        throw KelvaroError::writeFailed(targetName);
}

bool ImageEngine::isPdf(const QString& file)
{
    if (QFileInfo(file).suffix().toLower() == QLatin1String("pdf"))
        return true;
    // Read only from a regular file: a fifo named like a photo would block.
    const QByteArray native = NativePath::encoded(file);
    struct stat info {};
    if (::stat(native.constData(), &info) != 0 || !S_ISREG(info.st_mode))
        return false;
    const int fd = ::open(native.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return false;
    // The signature libvips looks for before it hands a file to its own PDF decoder.
    char signature[4] = {};
    const bool pdf = ::read(fd, signature, sizeof signature) == 4 && std::memcmp(signature, "%PDF", 4) == 0;
    ::close(fd);
    return pdf;
}

std::optional<QSize> ImageEngine::pdfPageSize(const QString& file)
{
    const Probe probed = probe(file);
    if (!probed.pdf || !probed.size.isValid())
        return std::nullopt;
    return probed.size;
}

bool ImageEngine::pdfPageIsDrawing(const QString& file)
{
    const Probe probed = probe(file);
    return probed.pdf && probed.drawing;
}

void ImageEngine::probePdfPage(int descriptor, Probe& probed)
{
    probed.size = QSize();
    probed.drawing = false;
    try {
        const PdfDrawer::PageFacts page = readPage(descriptor, QString());
        try {
            probed.size = fullSizeOf(page, QString());
        } catch (const KelvaroError&) {
            // Beyond the ceiling or empty: no size, but still a page whose kind counts.
        }
        probed.drawing = page.drawing;
    } catch (const ImageEngine::FileAborted&) {
        // Stopped: priced as a page with images, the higher price.
    } catch (const std::exception&) { // KelvaroError included
    }
}

Bitmap ImageEngine::renderPDFPage(const QString& file, int maxSide)
{
    initVips();
    const QString name = QFileInfo(file).fileName();
    try {
        ImageEngine::checkFileAbort();
        // The descriptor checked here is the one read and drawn: the name may meanwhile lead
        // elsewhere.
        const int descriptor = openRegular(file, name);
        const auto closing = qScopeGuard([descriptor] { ::close(descriptor); });
        // Outside a run's file the budget is opened once for the reading's room and the drawing's.
        std::optional<MemoryBudget::Run> budgetOpen;
        if (heldByFile() <= 0)
            budgetOpen.emplace(MemoryBudget::shared());
        const PdfDrawer::PageFacts page = readPage(descriptor, name);
        const QSize full = fullSizeOf(page, name);
        PdfDrawer::Drawing drawing;
        drawing.size = full;
        if (maxSide > 0 && std::max(full.width(), full.height()) > maxSide)
            drawing.size = ImageEffects::targetSize(full.width(), full.height(), ResizeSpec{false, 100, maxSide});
        // A smaller page is drawn at the size asked for, not drawn whole and then scaled: the
        // media box is stretched over it.
        drawing.hDpi = drawing.size == full ? 144 : 72 * drawing.size.width() / page.mediaWidth;
        drawing.vDpi = drawing.size == full ? 144 : 72 * drawing.size.height() / page.mediaHeight;
        // poppler adds the page's own rotation to the one asked for: asking for its opposite
        // draws the page as it lies in the file. The slice from the box's corner keeps the
        // bitmap at the size rounded towards zero; nothing is clipped to the crop box.
        drawing.rotate = (360 - page.rotate % 360) % 360;
        drawing.cpu = cpuBound();
        const qint64 shared = qint64(drawing.size.width()) * drawing.size.height() * 4;
        const qint64 held = heldByFile();
        qint64 admitted = held;
        if (held <= 0) {
            ImageEngine::Probe priced;
            priced.regular = true;
            priced.pdf = true;
            priced.size = drawing.size;
            priced.drawing = page.drawing;
            admitted = MemoryBudget::estimate(priced, MemoryBudget::Work{});
        }
        const DrawerRoom room(held > 0 ? 0 : admitted);
        drawing.memory = memoryBound(admitted, held > 0, shared);
        SharedPixels pixels(size_t(drawing.size.width()) * size_t(drawing.size.height()) * 4);
        PdfDrawer::draw(descriptor, name, drawing, pixels.descriptor());
        return pixels.bitmap(drawing.size.width(), drawing.size.height(), name);
    } catch (const KelvaroError&) {
        throw;
    } catch (const ImageEngine::FileAborted&) {
        throw;
    } catch (const std::exception&) {
        throw KelvaroError::unreadable(name);
    }
}

std::chrono::seconds ImageEngine::pdfPageCpuBound()
{
    return std::chrono::seconds(cpuBoundSeconds.load());
}

void ImageEngine::setPdfPageCpuBound(std::chrono::seconds bound)
{
    cpuBoundSeconds.store(std::max<qint64>(1, bound.count()));
}

} // namespace kelvaro
