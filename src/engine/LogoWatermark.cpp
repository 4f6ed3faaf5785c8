#include "engine/LogoWatermark.h"

#include <algorithm>
#include <cmath>
#include <new>
#include <optional>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QPainter>
#include <QScopeGuard>

#include "engine/Bitmap.h"
#include "model/Operations.h"
#include "platform/NativePath.h"

namespace kelvaro {
namespace {

bool withinLimit(qint64 width, qint64 height)
{
    return width > 0 && height > 0 && width * height <= kMaxPixels;
}

// libvips reads the common formats; its loaders for BMP and the like are blocked as untrusted,
// so those go through Qt's readers.
std::optional<QImage> loadWithVips(int fd)
{
    initVips();
    try {
        const vips::VImage header = vips::VImage::new_from_source(vips::VSource::new_from_descriptor(fd), "",
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

QImage loadWithQt(int fd)
{
    QFile file;
    if (::lseek(fd, 0, SEEK_SET) != 0 || !file.open(fd, QIODevice::ReadOnly, QFileDevice::DontCloseHandle))
        return {};
    QImageReader reader(&file);
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
    // Opened once by the name's bytes (a name need not be UTF-8, and may hold "[", which libvips
    // would read as options), without waiting on a FIFO; only a regular file is read.
    const int fd = ::open(NativePath::encoded(path).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0)
        throw KelvaroError::unreadable(logoName);
    const auto closeFile = qScopeGuard([fd] { ::close(fd); });
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode))
        throw KelvaroError::unreadable(logoName);
    QImage logo;
    try {
        const std::optional<QImage> viaVips = loadWithVips(fd);
        logo = viaVips ? *viaVips : loadWithQt(fd);
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
