#include "OpenDocument.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <unordered_set>
#include <utility>
#include <vector>

#include <unistd.h>

#include <poppler/PDFDoc.h>
#include <poppler/Page.h>
#include <poppler/SplashOutputDev.h>
#include <poppler/Stream.h>
#include <poppler/splash/SplashBitmap.h>

namespace kelvaro::pdfpage {
namespace {

// How many of the objects a page's resources name, forms within forms included, are looked at
// before the page is taken to hold raster images: forms name forms, one many times over or
// itself, and a walk that looked at every name would never end.
constexpr int kMaxObjectsLookedAt = 2000;

// Whether `resources` name a raster image, also inside the forms they draw. Each object is looked
// at once however often it is named; true, the higher price, once kMaxObjectsLookedAt have been.
// Kelvaro's stop request reaches it by ending the drawer.
bool holdsImages(XRef* xref, Dict* resources)
{
    std::unordered_set<Ref> seen;
    // The resources of forms found, not yet looked at: a form's stream itself (its decoder's
    // buffers) is let go at once, so that a page of thousands of forms is read in little memory.
    std::vector<Object> inner;
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
            if (++looked > kMaxObjectsLookedAt)
                return true;
            const Object xobject = entry.fetch(xref);
            if (!xobject.isStream())
                continue;
            const Object subtype = xobject.streamGetDict()->lookup("Subtype");
            if (subtype.isName("Image"))
                return true;
            if (subtype.isName("Form")) {
                Object formResources = xobject.streamGetDict()->lookup("Resources");
                if (formResources.isDict())
                    inner.push_back(std::move(formResources));
            }
        }
        return false;
    };
    if (names(resources))
        return true;
    while (!inner.empty()) {
        const Object next = std::move(inner.back());
        inner.pop_back();
        if (names(next.getDict()))
            return true;
    }
    return false;
}

bool writeAll(int descriptor, const unsigned char* bytes, size_t count, off_t at)
{
    while (count > 0) {
        const ssize_t written = ::pwrite(descriptor, bytes, count, at);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        bytes += written;
        count -= size_t(written);
        at += written;
    }
    return true;
}

} // namespace

OpenDocument::OpenDocument() = default;

OpenDocument::~OpenDocument()
{
    close();
}

bool OpenDocument::open(int descriptor, const std::string& identity, PageFacts& facts)
{
    close();
    m_file = GooFile::open(descriptor); // closes it
    if (!m_file)
        return false;
    m_document = std::make_unique<PDFDoc>(new FileStream(m_file.get(), 0, false, m_file->size(), Object(objNull)));
    // A document that needs a password does not open.
    Page* page = m_document->isOk() && m_document->getNumPages() >= 1 ? m_document->getPage(1) : nullptr;
    if (!page) {
        close();
        return false;
    }
    facts.mediaWidth = page->getMediaWidth();
    facts.mediaHeight = page->getMediaHeight();
    facts.rotate = page->getRotate();
    facts.drawing = !holdsImages(m_document->getXRef(), page->getResourceDict());
    m_identity = identity;
    return true;
}

bool OpenDocument::holds(const std::string& identity) const
{
    return m_document && !identity.empty() && identity == m_identity;
}

void OpenDocument::close()
{
    m_document.reset();
    m_file.reset();
    m_identity.clear();
}

bool OpenDocument::draw(int pixels, int width, int height, double hDpi, double vDpi, int rotate)
{
    if (!m_document)
        return false;
    SplashColor white = {255, 255, 255};
    SplashOutputDev output(splashModeXBGR8, 4, false, white);
    output.setVectorAntialias(true);
    output.setFontAntialias(true);
    output.startDoc(m_document.get());
    m_document->displayPageSlice(&output, 1, hDpi, vDpi, rotate, true, false, false, 0, 0, width, height);
    SplashBitmap* drawn = output.getBitmap();
    if (!drawn || !drawn->getDataPtr() || drawn->getMode() != splashModeXBGR8 || drawn->getRowSize() < 0)
        return false;
    const size_t rowBytes = size_t(width) * 4;
    if (drawn->getWidth() == width && drawn->getHeight() == height && size_t(drawn->getRowSize()) == rowBytes)
        return writeAll(pixels, drawn->getDataPtr(), rowBytes * size_t(height), 0);
    const size_t copied = size_t(std::min(width, drawn->getWidth())) * 4;
    std::vector<unsigned char> row(rowBytes, 255);
    for (int y = 0; y < height; ++y) {
        const unsigned char* from;
        if (y < drawn->getHeight() && copied == rowBytes) {
            from = drawn->getDataPtr() + size_t(y) * size_t(drawn->getRowSize());
        } else {
            std::fill(row.begin(), row.end(), 255);
            if (y < drawn->getHeight())
                std::memcpy(row.data(), drawn->getDataPtr() + size_t(y) * size_t(drawn->getRowSize()), copied);
            from = row.data();
        }
        if (!writeAll(pixels, from, rowBytes, off_t(y) * off_t(rowBytes)))
            return false;
    }
    return true;
}

} // namespace kelvaro::pdfpage
