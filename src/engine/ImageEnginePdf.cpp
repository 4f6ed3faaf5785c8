// PDFs both ways: the combined PDF of a conversion (one page per photo, no page beyond 1000
// points), and the first page of a PDF source drawn as a bitmap through poppler's core. Its Qt
// binding cannot be used for the page: it draws only the crop box.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <unordered_set>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>

#include <poppler/PDFDoc.h>
#include <poppler/Page.h>
#include <poppler/Stream.h>
#include <poppler/SplashOutputDev.h>
#include <poppler/splash/SplashBitmap.h>

#include "engine/FileAbort.h"
#include "engine/ImageEffects.h"
#include "engine/ImageEngine.h"
#include "engine/ImageProbe.h"
#include "engine/PdfPages.h"
#include "engine/PopplerSetup.h"
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

// The same for the file at `file`. Throws unreadable(name). Reads disk.
FirstPage openFirstPage(const QString& file, const QString& name)
{
    // Opened without waiting: a fifo or a device named like a PDF is refused, never read.
    const int descriptor = ::open(NativePath::encoded(file).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (descriptor < 0)
        throw KelvaroError::unreadable(name);
    const auto closing = qScopeGuard([descriptor] { ::close(descriptor); });
    struct stat info {};
    if (::fstat(descriptor, &info) != 0 || !S_ISREG(info.st_mode))
        throw KelvaroError::unreadable(name);
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

// How many forms a page may draw: a form names others, each many times over, so a page of a few
// kilobytes can draw billions of them. Past this it draws no more forms and is refused.
constexpr long kMaxFormsDrawn = 20'000;

// The renderer of one page that stops drawing forms once the page has drawn kMaxFormsDrawn of them
// or the file is asked to stop: poppler asks before each form whether to draw it itself, and its
// own check for a stop is made between the page's top-level operators only.
class PageOutput : public SplashOutputDev {
public:
    using SplashOutputDev::SplashOutputDev;
    bool useDrawForm() override
    {
        if (!m_cut && (++m_forms > kMaxFormsDrawn || ImageEngine::fileAbortRequested()))
            m_cut = true;
        return m_cut;
    }
    void drawForm(Ref) override { }
    // Whether a form was left out.
    bool cut() const { return m_cut; }

private:
    long m_forms = 0;
    bool m_cut = false;
};

void freePixels(VipsImage*, void* pixels)
{
    std::free(pixels); // poppler allocates its bitmaps with malloc
}

// The drawn page as the engine's bitmap, `width` × `height`. The renderer's own pixels are taken
// over and put in RGBA order where they lie, so the page is held in memory once. Throws
// unreadable(name).
Bitmap bitmapOf(SplashBitmap* drawn, int width, int height, const QString& name)
{
    if (!drawn || !drawn->getDataPtr() || drawn->getMode() != splashModeXBGR8 || drawn->getRowSize() < 0)
        throw KelvaroError::unreadable(name);
    const size_t count = size_t(width) * size_t(height);
    uchar* pixels = nullptr;
    if (drawn->getWidth() == width && drawn->getHeight() == height && drawn->getRowSize() == width * 4) {
        pixels = drawn->takeData();
    } else {
        // White wherever the renderer rounded short.
        pixels = static_cast<uchar*>(std::malloc(count * 4));
        if (!pixels)
            throw std::bad_alloc();
        std::memset(pixels, 255, count * 4);
        const int rows = std::min(height, drawn->getHeight());
        const size_t rowBytes = size_t(std::min(width, drawn->getWidth())) * 4;
        for (int y = 0; y < rows; ++y)
            std::memcpy(pixels + size_t(y) * size_t(width) * 4, drawn->getDataPtr() + qsizetype(y) * drawn->getRowSize(), rowBytes);
    }
    // Drawn as B, G, R and a filler byte.
    for (uchar *p = pixels, *end = pixels + count * 4; p != end; p += 4) {
        std::swap(p[0], p[2]);
        p[3] = 255;
    }
    VipsImage* image = vips_image_new_from_memory(pixels, count * 4, width, height, 4, VIPS_FORMAT_UCHAR);
    if (!image) {
        std::free(pixels);
        throw KelvaroError::unreadable(name);
    }
    g_signal_connect(image, "postclose", G_CALLBACK(freePixels), pixels);
    image->Type = VIPS_INTERPRETATION_sRGB;
    return Bitmap(image);
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
        const FirstPage first = openFirstPage(file, name);
        const Page& page = *first.page;
        const QSize full = fullSizeOf(page, name);
        QSize size = full;
        if (maxSide > 0 && std::max(full.width(), full.height()) > maxSide)
            size = ImageEffects::targetSize(full.width(), full.height(), ResizeSpec{false, 100, maxSide});
        // A smaller page is drawn at the size asked for, not drawn whole and then scaled: the
        // media box is stretched over it.
        const double hDpi = size == full ? 144 : 72 * size.width() / page.getMediaWidth();
        const double vDpi = size == full ? 144 : 72 * size.height() / page.getMediaHeight();

        SplashColor white = {255, 255, 255};
        PageOutput output(splashModeXBGR8, 4, false, white);
        output.setVectorAntialias(true);
        output.setFontAntialias(true);
        output.startDoc(first.document.get());
        // poppler adds the page's own rotation to the one asked for: asking for its opposite
        // draws the page as it lies in the file. The slice from the box's corner keeps the
        // bitmap at the size rounded towards zero; nothing is clipped to the crop box.
        const int unturn = (360 - page.getRotate() % 360) % 360;
        first.document->displayPageSlice(&output, 1, hDpi, vDpi, unturn, true, false, false, 0, 0, size.width(),
                                         size.height());
        ImageEngine::checkFileAbort();
        if (output.cut())
            throw KelvaroError::unreadable(name);
        return bitmapOf(output.getBitmap(), size.width(), size.height(), name);
    } catch (const KelvaroError&) {
        throw;
    } catch (const ImageEngine::FileAborted&) {
        throw;
    } catch (const std::exception&) {
        throw KelvaroError::unreadable(name);
    }
}

} // namespace kelvaro
