// PDFs both ways: the combined PDF of a conversion (one page per photo, no page beyond 1000
// points), and the first page of a PDF source drawn as a bitmap through poppler's core. The page
// is read here (its size, its price) and drawn by kelvaro-pdfpage, where a page whose drawing
// takes more memory or time than a page may is ended by the kernel and never reaches this
// process. poppler's Qt binding cannot be used for the page: it draws only the crop box.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>
#include <unordered_set>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <QSet>

#include <poppler/PDFDoc.h>
#include <poppler/Page.h>
#include <poppler/Stream.h>

#include "engine/FileAbort.h"
#include "engine/ImageEffects.h"
#include "engine/ImageEngine.h"
#include "engine/ImageProbe.h"
#include "engine/MemoryBudget.h"
#include "engine/PdfPages.h"
#include "engine/PopplerSetup.h"
#include "platform/ChildProcesses.h"
#include "platform/Log.h"
#include "platform/NativePath.h"

namespace kelvaro {
namespace {

// Compared as doubles: a page size beyond any integer must not be converted first.
bool pageTooLarge(double width, double height)
{
    return !(width >= 1 && height >= 1 && width * height <= double(kMaxPixels));
}

struct FirstPage {
    std::unique_ptr<GooFile> file; // read by the document, so it goes last
    std::unique_ptr<PDFDoc> document;
    Page* page = nullptr;
};

// Opens the document at `descriptor` (a regular file; not taken over) and its first page. Throws
// unreadable(name). Reads disk.
FirstPage openFirstPage(int descriptor, const QString& name)
{
    setUpPoppler();
    FirstPage first;
    const int own = ::fcntl(descriptor, F_DUPFD_CLOEXEC, 0);
    if (own < 0)
        throw KelvaroError::unreadable(name);
    first.file = GooFile::open(own); // closes it
    if (!first.file)
        throw KelvaroError::unreadable(name);
    first.document = std::make_unique<PDFDoc>(new FileStream(first.file.get(), 0, false, first.file->size(), Object(objNull)));
    // A document that needs a password does not open.
    if (!first.document->isOk() || first.document->getNumPages() < 1)
        throw KelvaroError::unreadable(name);
    first.page = first.document->getPage(1);
    if (!first.page)
        throw KelvaroError::unreadable(name);
    return first;
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

// The same for the file at `file`. Throws unreadable(name). Reads disk.
FirstPage openFirstPage(const QString& file, const QString& name)
{
    const int descriptor = openRegular(file, name);
    const auto closing = qScopeGuard([descriptor] { ::close(descriptor); });
    return openFirstPage(descriptor, name);
}

// The page at two pixels per point over its whole media box, towards zero. Throws unreadable(name)
// for an empty box, tooManyPixels(name) for one beyond the engine's ceiling.
QSize fullSizeOf(const Page& page, const QString& name)
{
    const double width = std::floor(page.getMediaWidth() * 2);
    const double height = std::floor(page.getMediaHeight() * 2);
    if (!(width >= 1 && height >= 1))
        throw KelvaroError::unreadable(name);
    if (pageTooLarge(width, height))
        throw KelvaroError::tooManyPixels(name);
    return {int(width), int(height)};
}

// How many of the objects a page's resources name, forms within forms included, are looked at
// before the page is taken to hold raster images: forms name forms, one many times over or
// itself, and a walk that looked at every name would never end.
constexpr int kMaxObjectsLookedAt = 2000;

// Whether `resources` name a raster image, also inside the forms they draw. Each object is looked
// at once however often it is named; true, the higher price, once kMaxObjectsLookedAt have been
// or the file is asked to stop.
bool holdsImages(XRef* xref, Dict* resources)
{
    std::unordered_set<Ref> seen;
    std::vector<Object> forms; // found, their own resources not yet looked at
    int looked = 0;
    const auto names = [&](Dict* inside) {
        const Object xobjects = inside ? inside->lookup("XObject") : Object();
        if (!xobjects.isDict())
            return false;
        Dict* named = xobjects.getDict();
        for (int i = 0; i < named->getLength(); ++i) {
            const Object& entry = named->getValNF(i);
            if (entry.isRef() && !seen.insert(entry.getRef()).second)
                continue;
            if (++looked > kMaxObjectsLookedAt || ImageEngine::fileAbortRequested())
                return true;
            Object xobject = entry.fetch(xref);
            if (!xobject.isStream())
                continue;
            const Object subtype = xobject.streamGetDict()->lookup("Subtype");
            if (subtype.isName("Image"))
                return true;
            if (subtype.isName("Form"))
                forms.push_back(std::move(xobject));
        }
        return false;
    };
    if (names(resources))
        return true;
    while (!forms.empty()) {
        const Object form = std::move(forms.back());
        forms.pop_back();
        const Object inner = form.streamGetDict()->lookup("Resources");
        if (inner.isDict() && names(inner.getDict()))
            return true;
    }
    return false;
}

// What the renderer may hold beside the page's price: its fonts and glyph caches, the decoders of
// the images a page holds, a few layers of transparency the size of the page.
constexpr qint64 kRendererBytes = 256LL * 1024 * 1024;

std::atomic<qint64> cpuBoundSeconds{20};

// The wall time a drawing may take, for a child that spends none of its CPU time: a busy machine
// gives it a share of a core, never none.
std::chrono::milliseconds wallBound()
{
    return std::max<std::chrono::milliseconds>(std::chrono::minutes(1), std::chrono::seconds(cpuBoundSeconds.load() * 10));
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

// The memory a page's drawing may take: what the budget admitted its file at, or, drawn outside a
// run (a thumbnail, a preview), the page's own price at the size it is drawn; and what the
// renderer holds beside it; never more than a hard limit leaves (what the run's budget read, else
// what it leaves now: reads /proc and /sys) beside the `shared` bytes of pixels the drawer fills:
// they are charged to the same limit as it writes them, and a drawer that took the room they need
// had the kernel kill it (or Kelvaro) instead of being refused.
qint64 memoryBound(XRef* xref, Dict* resources, QSize drawn, qint64 shared)
{
    const qint64 held = MemoryBudget::FileHold::held().value_or(0);
    qint64 admitted = held;
    if (admitted <= 0) {
        ImageEngine::Probe page;
        page.regular = true;
        page.pdf = true;
        page.size = drawn;
        page.drawing = !holdsImages(xref, resources);
        admitted = MemoryBudget::estimate(page, MemoryBudget::Work{});
    }
    qint64 bound = admitted + kRendererBytes;
    const qint64 room = held > 0 ? MemoryBudget::shared().ceiling() : recentHardRoom();
    if (room > 0)
        bound = std::min(bound, std::max<qint64>(room - shared, 1));
    return bound;
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

// kelvaro-pdfpage: beside this program, or where KELVARO_PDFPAGE names it (a program built
// elsewhere than Kelvaro's own, the tests).
QString drawerProgram()
{
    const QString named = qEnvironmentVariable("KELVARO_PDFPAGE");
    return named.isEmpty() ? ChildProcesses::besideExecutable(QStringLiteral("kelvaro-pdfpage")) : named;
}

// What kelvaro-pdfpage answers, and the exit code it ends with once memory is refused.
constexpr int kDrawn = 0;
constexpr int kOutOfMemory = 3;

// A drawer that cannot be started is a fault of the installation, not of the files: said once for
// each program named, however many pages then fail.
void reportNotStarted(const QString& program, int error)
{
    static std::mutex mutex;
    static QSet<QString> reported;
    {
        const std::lock_guard lock(mutex);
        if (reported.contains(program))
            return;
        reported.insert(program);
    }
    logLine(QStringLiteral("the PDF page drawer %1 cannot be started (%2): no PDF page can be drawn")
                .arg(program, QString::fromLocal8Bit(std::strerror(error))));
}

bool crashed(int signal)
{
    return signal == SIGSEGV || signal == SIGBUS || signal == SIGILL || signal == SIGFPE;
}

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
    const QString name = QFileInfo(file).fileName();
    try {
        const FirstPage first = openFirstPage(file, name);
        return fullSizeOf(*first.page, name);
    } catch (const std::exception&) { // KelvaroError included
        return std::nullopt;
    }
}

bool ImageEngine::pdfPageIsDrawing(const QString& file)
{
    try {
        FirstPage first = openFirstPage(file, QFileInfo(file).fileName());
        return !holdsImages(first.document->getXRef(), first.page->getResourceDict());
    } catch (const std::exception&) { // KelvaroError included
        return false;
    }
}

void ImageEngine::probePdfPage(int descriptor, Probe& probed)
{
    probed.size = QSize();
    probed.drawing = false;
    try {
        const FirstPage first = openFirstPage(descriptor, QString());
        try {
            probed.size = fullSizeOf(*first.page, QString());
        } catch (const KelvaroError&) {
            // Beyond the ceiling or empty: no size, but still a page whose kind counts.
        }
        probed.drawing = !holdsImages(first.document->getXRef(), first.page->getResourceDict());
    } catch (const std::exception&) { // KelvaroError included
    }
}

Bitmap ImageEngine::renderPDFPage(const QString& file, int maxSide)
{
    initVips();
    const QString name = QFileInfo(file).fileName();
    try {
        ImageEngine::checkFileAbort();
        // Its start goes on while the page is read here.
        ChildProcesses::Ready drawer(drawerProgram());
        const int descriptor = openRegular(file, name);
        const auto closing = qScopeGuard([descriptor] { ::close(descriptor); });
        QSize size;
        double hDpi = 0;
        double vDpi = 0;
        int unturn = 0;
        qint64 memory = 0;
        {
            const FirstPage first = openFirstPage(descriptor, name);
            const Page& page = *first.page;
            const QSize full = fullSizeOf(page, name);
            size = full;
            if (maxSide > 0 && std::max(full.width(), full.height()) > maxSide)
                size = ImageEffects::targetSize(full.width(), full.height(), ResizeSpec{false, 100, maxSide});
            // A smaller page is drawn at the size asked for, not drawn whole and then scaled: the
            // media box is stretched over it.
            hDpi = size == full ? 144 : 72 * size.width() / page.getMediaWidth();
            vDpi = size == full ? 144 : 72 * size.height() / page.getMediaHeight();
            // poppler adds the page's own rotation to the one asked for: asking for its opposite
            // draws the page as it lies in the file. The slice from the box's corner keeps the
            // bitmap at the size rounded towards zero; nothing is clipped to the crop box.
            unturn = (360 - page.getRotate() % 360) % 360;
            memory = memoryBound(first.document->getXRef(), first.page->getResourceDict(), size,
                                 qint64(size.width()) * size.height() * 4);
        }
        SharedPixels pixels(size_t(size.width()) * size_t(size.height()) * 4);
        const auto number = [](double value) { return QString::number(value, 'g', 17); };
        // The descriptor checked above is the one drawn: the name may meanwhile lead elsewhere.
        const ChildProcesses::Ending ending = ChildProcesses::run(
            std::move(drawer),
            {QString::number(size.width()), QString::number(size.height()), number(hDpi), number(vDpi),
             QString::number(unturn), QString::number(memory), QString::number(cpuBoundSeconds.load())},
            {descriptor, pixels.descriptor()}, wallBound(), [] { return ImageEngine::fileAbortRequested(); });
        using Kind = ChildProcesses::Ending::Kind;
        switch (ending.kind) {
        case Kind::answered:
            if (ending.code == kDrawn)
                return pixels.bitmap(size.width(), size.height(), name);
            throw KelvaroError::unreadable(name);
        case Kind::exited:
            if (ending.code == kOutOfMemory)
                throw KelvaroError::pageBeyondBounds(name);
            throw KelvaroError::unreadable(name);
        case Kind::signalled:
            // A crash is poppler failing on this page, which no bound would change; any other end
            // is a bound reached: its CPU time's signal, an abort on an allocation refused, the
            // system's memory killer.
            if (crashed(ending.code))
                throw KelvaroError::unreadable(name);
            throw KelvaroError::pageBeyondBounds(name);
        case Kind::timedOut:
            throw KelvaroError::pageBeyondBounds(name);
        case Kind::stopped:
        case Kind::ended:
            throw ImageEngine::FileAborted();
        case Kind::notStarted:
            reportNotStarted(drawerProgram(), ending.code);
            break;
        }
        throw KelvaroError::unreadable(name);
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
