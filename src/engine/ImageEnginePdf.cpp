// PDFs both ways: the combined PDF of a conversion (one page per photo, no page beyond 1000
// points), and the first page of a PDF source drawn as a bitmap through poppler's core. Its Qt
// binding cannot be used for the page: it draws only the crop box.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

#include <sys/stat.h>

#include <QFile>
#include <QFileInfo>

#include <poppler/GlobalParams.h>
#include <poppler/PDFDoc.h>
#include <poppler/Page.h>
#include <poppler/SplashOutputDev.h>
#include <poppler/splash/SplashBitmap.h>

#include "engine/ImageEngine.h"
#include "engine/PdfPages.h"
#include "engine/PopplerSetup.h"

namespace kelvaro {
namespace {

// Compared as doubles: a page size beyond any integer must not be converted first.
bool pageTooLarge(double width, double height)
{
    return !(width >= 1 && height >= 1 && width * height <= double(kMaxPixels));
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

Bitmap ImageEngine::renderPDFPage(const QString& file)
{
    initVips();
    setUpPoppler();
    const QString name = QFileInfo(file).fileName();
    const QByteArray native = QFile::encodeName(file);
    // A fifo or a device named like a PDF would block or never end.
    struct stat info {};
    if (::stat(native.constData(), &info) != 0 || !S_ISREG(info.st_mode))
        throw KelvaroError::unreadable(name);
    try {
        PDFDoc document(std::make_unique<GooString>(native.constData()));
        // A document that needs a password does not open.
        if (!document.isOk() || document.getNumPages() < 1)
            throw KelvaroError::unreadable(name);
        Page* page = document.getPage(1);
        if (!page)
            throw KelvaroError::unreadable(name);

        // Two pixels per point over the whole media box, towards zero.
        const double width = std::floor(page->getMediaWidth() * 2);
        const double height = std::floor(page->getMediaHeight() * 2);
        if (!(width >= 1 && height >= 1))
            throw KelvaroError::unreadable(name);
        if (pageTooLarge(width, height))
            throw KelvaroError::tooManyPixels(name);

        SplashColor white = {255, 255, 255};
        SplashOutputDev output(splashModeRGB8, 4, false, white);
        output.setVectorAntialias(true);
        output.setFontAntialias(true);
        output.startDoc(&document);
        // poppler adds the page's own rotation to the one asked for: asking for its opposite
        // draws the page as it lies in the file. The slice from the box's corner keeps the
        // bitmap at the size rounded towards zero; nothing is clipped to the crop box.
        const int unturn = (360 - page->getRotate() % 360) % 360;
        document.displayPageSlice(&output, 1, 144, 144, unturn, true, false, false, 0, 0, int(width), int(height));
        const SplashBitmap* drawn = output.getBitmap();
        if (!drawn || !drawn->getDataPtr() || drawn->getMode() != splashModeRGB8 || drawn->getRowSize() < 0)
            throw KelvaroError::unreadable(name);
        // Opaque RGBA at exactly the page's size, white wherever the renderer rounded short.
        const int w = int(width);
        const int h = int(height);
        std::vector<uchar> pixels(size_t(w) * size_t(h) * 4, 255);
        const SplashColorConstPtr rows = drawn->getDataPtr();
        for (int y = 0; y < std::min(h, drawn->getHeight()); ++y) {
            const uchar* from = rows + qsizetype(y) * drawn->getRowSize();
            uchar* to = pixels.data() + size_t(y) * size_t(w) * 4;
            for (int x = 0; x < std::min(w, drawn->getWidth()); ++x, from += 3, to += 4)
                std::memcpy(to, from, 3);
        }
        const vips::VImage image = vips::VImage::new_from_memory(pixels.data(), pixels.size(), w, h, 4, VIPS_FORMAT_UCHAR);
        return image.copy(vips::VImage::option()->set("interpretation", VIPS_INTERPRETATION_sRGB)).copy_memory();
    } catch (const KelvaroError&) {
        throw;
    } catch (const std::exception&) {
        throw KelvaroError::unreadable(name);
    }
}

} // namespace kelvaro
