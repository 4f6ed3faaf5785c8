// Decoding: every source becomes an upright 8-bit sRGB RGBA bitmap in memory. libvips decodes
// the formats it trusts; BMP goes through QImage and PDF pages through poppler, since the
// libvips loaders for those are blocked as untrusted.
#include <cmath>
#include <memory>
#include <mutex>
#include <new>

#include <sys/stat.h>

#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QPainter>

#include <poppler/qt6/poppler-qt6.h>

#include "engine/ImageEngine.h"
#include "engine/ImageMetadata.h"

namespace kelvaro {
namespace {

bool tooManyPixels(qint64 width, qint64 height)
{
    return width < 1 || height < 1 || width * height > kMaxPixels;
}

bool isBmp(const QString& file)
{
    return QImageReader::imageFormat(file) == "bmp";
}

// QImage refuses images above 256 MB unless told otherwise; the engine's own pixel limit is the
// one that counts.
void allowQImageUpToEngineLimit()
{
    static std::once_flag once;
    std::call_once(once, [] {
        const qint64 megabytes = kMaxPixels * 4 / (1024 * 1024) + 1;
        if (QImageReader::allocationLimit() < megabytes)
            QImageReader::setAllocationLimit(int(megabytes));
    });
}

Bitmap loadWithQImage(const QString& file, const QString& name)
{
    allowQImageUpToEngineLimit();
    QImageReader reader(file, "bmp");
    const QSize size = reader.size();
    if (!size.isValid() || tooManyPixels(size.width(), size.height()))
        throw KelvaroError::unreadable(name);
    const QImage image = reader.read();
    if (image.isNull())
        throw KelvaroError::unreadable(name);
    return fromQImage(image);
}

// A damaged PDF is reported as unreadable; poppler's running commentary on it is not wanted.
void quietPoppler()
{
    static std::once_flag once;
    std::call_once(once, [] { Poppler::setDebugErrorFunction([](const QString&, const QVariant&) {}, QVariant()); });
}

// Turns a bitmap upright by its EXIF orientation (1–8), as the camera meant it to be seen.
Bitmap upright(const Bitmap& image, int orientation)
{
    if (orientation <= 1 || orientation > 8)
        return image;
    vips::VImage turned = image.copy();
    turned.set(VIPS_META_ORIENTATION, orientation);
    return turned.autorot().copy_memory();
}

} // namespace

LoadedImage ImageEngine::load(const QString& file, int maxSide)
{
    Q_UNUSED(maxSide) // every source is decoded at full size for now
    initVips();
    const QString name = QFileInfo(file).fileName();
    LoadedImage loaded;
    if (QFileInfo(file).suffix().toLower() == QLatin1String("pdf")) {
        loaded.image = renderPDFPage(file);
        return loaded;
    }
    try {
        struct stat info {};
        if (::stat(QFile::encodeName(file).constData(), &info) != 0 || !S_ISREG(info.st_mode))
            throw KelvaroError::unreadable(name);

        int orientation = 1;
        if (isBmp(file)) {
            loaded.image = loadWithQImage(file, name);
            loaded.properties.insert(QStringLiteral("Loader"), QStringLiteral("qimage"));
            loaded.properties.insert(QStringLiteral("PixelWidth"), loaded.image.width());
            loaded.properties.insert(QStringLiteral("PixelHeight"), loaded.image.height());
        } else {
            // A source, not new_from_file: file names may contain "[", which libvips would
            // read as load options.
            const vips::VSource source = vips::VSource::new_from_file(QFile::encodeName(file).constData());
            const vips::VImage header = vips::VImage::new_from_source(
                source, "", vips::VImage::option()->set("access", VIPS_ACCESS_SEQUENTIAL));
            // The header is read before any pixel: a file that claims an absurd size is refused
            // before it can claim the memory.
            if (tooManyPixels(header.width(), header.height()))
                throw KelvaroError::unreadable(name);
            if (header.get_typeof(VIPS_META_ORIENTATION) != 0)
                orientation = header.get_int(VIPS_META_ORIENTATION);
            loaded.properties.insert(QStringLiteral("Loader"), QStringLiteral("vips"));
            loaded.properties.insert(QStringLiteral("PixelWidth"), header.width());
            loaded.properties.insert(QStringLiteral("PixelHeight"), header.height());
            loaded.image = normalizedBitmap(header);
        }
        if (orientation > 1 && orientation <= 8) {
            loaded.properties.insert(QStringLiteral("Orientation"), orientation);
            loaded.image = upright(loaded.image, orientation);
        }
        const ImageMetadata::Blocks metadata = ImageMetadata::read(file);
        loaded.exif = metadata.exif;
        loaded.iptc = metadata.iptc;
        loaded.xmp = metadata.xmp;
    } catch (const KelvaroError&) {
        throw;
    } catch (const std::exception&) { // vips::VError, std::bad_alloc
        throw KelvaroError::unreadable(name);
    }
    return loaded;
}

Bitmap ImageEngine::renderPDFPage(const QString& file)
{
    initVips();
    quietPoppler();
    const QString name = QFileInfo(file).fileName();
    try {
        const std::unique_ptr<Poppler::Document> document = Poppler::Document::load(file);
        if (!document || document->isLocked() || document->numPages() < 1)
            throw KelvaroError::unreadable(name);
        document->setPaperColor(Qt::white);
        document->setRenderHint(Poppler::Document::Antialiasing);
        document->setRenderHint(Poppler::Document::TextAntialiasing);
        const std::unique_ptr<Poppler::Page> page = document->page(0);
        if (!page)
            throw KelvaroError::unreadable(name);

        // The page is drawn as it lies in the file: poppler's reported size and rendering
        // include the page's rotation, which is turned back here.
        int quarterTurns = 0;
        switch (page->orientation()) {
        case Poppler::Page::Portrait: quarterTurns = 0; break;
        case Poppler::Page::Landscape: quarterTurns = 1; break;
        case Poppler::Page::UpsideDown: quarterTurns = 2; break;
        case Poppler::Page::Seascape: quarterTurns = 3; break;
        }
        QSizeF points = page->pageSizeF();
        if (quarterTurns % 2 == 1)
            points.transpose();
        const double width = std::floor(points.width() * 2);
        const double height = std::floor(points.height() * 2);
        if (!std::isfinite(width) || !std::isfinite(height) || tooManyPixels(qint64(width), qint64(height)))
            throw KelvaroError::unreadable(name);
        const Poppler::Page::Rotation undo[] = {Poppler::Page::Rotate0, Poppler::Page::Rotate270,
                                                Poppler::Page::Rotate180, Poppler::Page::Rotate90};
        const QImage rendered = page->renderToImage(144, 144, 0, 0, int(width), int(height), undo[quarterTurns]);
        if (rendered.isNull())
            throw KelvaroError::unreadable(name);
        // On opaque white, whatever the renderer left transparent.
        QImage canvas(int(width), int(height), QImage::Format_RGBA8888_Premultiplied);
        if (canvas.isNull())
            throw KelvaroError::unreadable(name);
        canvas.fill(Qt::white);
        QPainter painter(&canvas);
        painter.drawImage(0, 0, rendered);
        painter.end();
        return fromQImage(canvas);
    } catch (const KelvaroError&) {
        throw;
    } catch (const std::exception&) {
        throw KelvaroError::unreadable(name);
    }
}

qint64 ImageEngine::fileSize(const QString& file)
{
    struct stat info {};
    if (file.isEmpty() || ::stat(QFile::encodeName(file).constData(), &info) != 0 || !S_ISREG(info.st_mode))
        return 0;
    return qint64(info.st_size);
}

} // namespace kelvaro
