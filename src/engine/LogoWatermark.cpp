#include "engine/LogoWatermark.h"

#include <algorithm>
#include <cmath>
#include <new>
#include <optional>

#include <QFileInfo>
#include <QImageReader>
#include <QPainter>

#include "engine/Bitmap.h"
#include "model/Operations.h"

namespace kelvaro {
namespace {

bool withinLimit(qint64 width, qint64 height)
{
    return width > 0 && height > 0 && width * height <= kMaxPixels;
}

// libvips reads the common formats; its loaders for BMP and the like are blocked as untrusted,
// so those go through Qt's readers.
std::optional<QImage> loadWithVips(const QString& path)
{
    initVips();
    try {
        const vips::VImage header = vips::VImage::new_from_file(path.toUtf8().constData(),
                                                                vips::VImage::option()->set("access", VIPS_ACCESS_SEQUENTIAL));
        if (!withinLimit(header.width(), header.height()))
            return QImage(); // decodable but refused: not worth a second reader
        QImage image = toQImage(normalizedBitmap(header));
        if (image.isNull())
            return QImage();
        return image;
    } catch (const vips::VError&) {
        return std::nullopt;
    }
}

QImage loadWithQt(const QString& path)
{
    QImageReader reader(path);
    reader.setAutoTransform(false);
    const QSize size = reader.size();
    if (!size.isValid() || !withinLimit(size.width(), size.height()))
        return {};
    reader.setAllocationLimit(int(kMaxPixels * 4 / (1024 * 1024)) + 1); // in MiB
    return reader.read().convertToFormat(QImage::Format_RGBA8888_Premultiplied);
}

} // namespace

QImage LogoWatermark::load(const QString& path)
{
    const QString logoName = QFileInfo(path).fileName();
    if (!QFileInfo(path).isFile())
        throw KelvaroError::unreadable(logoName);
    QImage logo;
    try {
        const std::optional<QImage> viaVips = loadWithVips(path);
        logo = viaVips ? *viaVips : loadWithQt(path);
    } catch (const std::exception&) { // allocation failures while decoding
        throw KelvaroError::unreadable(logoName);
    }
    if (logo.isNull())
        throw KelvaroError::unreadable(logoName);
    return logo;
}

void LogoWatermark::draw(QPainter& painter, const QImage& logo, const QRectF& target, double opacity, const QString& name)
{
    if (target.width() <= 0 || target.height() <= 0 || logo.isNull())
        return;
    // Pre-scale with area averaging (Qt's smooth scaling) to whole pixels just above the target,
    // then let the painter place it at the fractional rectangle.
    const qint64 scaledWidth = qint64(std::ceil(target.width()));
    const qint64 scaledHeight = qint64(std::ceil(target.height()));
    if (!withinLimit(scaledWidth, scaledHeight))
        throw KelvaroError::writeFailed(name);
    const QImage scaled = logo.scaled(int(scaledWidth), int(scaledHeight), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    if (scaled.isNull())
        throw KelvaroError::writeFailed(name);
    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.setOpacity(std::clamp(opacity, 0.0, 1.0));
    painter.drawImage(target, scaled);
    painter.restore();
}

} // namespace kelvaro
