#include "ui/design/FileThumb.h"

#include <QPainter>
#include <QPainterPath>

#include "engine/ImageEngine.h"
#include "ui/design/Symbols.h"
#include "ui/design/Theme.h"

namespace kelvaro {

FileThumb::FileThumb(const QString& path, int size, QWidget* parent) : QWidget(parent), m_path(path), m_size(size)
{
    setFixedSize(size, size);
    setAccessibleName(path);
}

void FileThumb::setPath(const QString& path)
{
    if (path == m_path)
        return;
    m_path = path;
    setAccessibleName(path);
    m_wait = {};
    m_image = QImage();
    m_loading = false;
    m_started = false;
    update();
    if (isVisible())
        startLoading();
}

int FileThumb::pendingCount()
{
    return ThumbnailLoader::pendingCount();
}

QImage FileThumb::thumbnail(const QString& path, int maxPixel)
{
    if (path.isEmpty() || maxPixel <= 0)
        return {};
    try {
        const LoadedImage loaded = ImageEngine::load(path, maxPixel);
        Bitmap bitmap = loaded.image;
        const int longest = qMax(bitmap.width(), bitmap.height());
        if (longest <= 0)
            return {};
        if (longest > maxPixel)
            bitmap = bitmap.resize(double(maxPixel) / longest);
        return toQImage(bitmap);
    } catch (const std::exception&) {
        return {};
    } catch (...) {
        return {};
    }
}

void FileThumb::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (!m_started)
        startLoading();
}

void FileThumb::startLoading()
{
    m_started = true;
    if (m_path.isEmpty())
        return;
    ThumbnailLoader& loader = ThumbnailLoader::shared();
    if (const std::optional<QImage> picture = loader.cached(m_path, maxPixel())) {
        takePicture(*picture);
        return;
    }
    m_loading = true;
    // The wait goes with this thumbnail, so the loader never calls a thumbnail that is gone.
    m_wait = loader.request(m_path, maxPixel(), [this](const QImage& picture) { takePicture(picture); });
}

void FileThumb::takePicture(const QImage& picture)
{
    m_image = picture;
    m_loading = false;
    update();
    Q_EMIT finished();
}

void FileThumb::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    const QRectF r(0, 0, m_size, m_size);
    QPainterPath clip;
    clip.addRoundedRect(r, cornerRadius(), cornerRadius());
    QColor tint = Theme::ember();
    tint.setAlphaF(0.12f);
    p.fillPath(clip, tint);
    if (!m_image.isNull()) {
        // Scale to fill, keeping the aspect ratio; the overflow is cut off by the corners.
        const QSizeF source = m_image.size();
        const qreal scale = qMax(r.width() / source.width(), r.height() / source.height());
        const QSizeF shown = source * scale;
        const QRectF target(r.center().x() - shown.width() / 2, r.center().y() - shown.height() / 2, shown.width(), shown.height());
        p.save();
        p.setClipPath(clip);
        p.drawImage(target, m_image);
        p.restore();
    } else {
        const qreal glyph = qBound<qreal>(12, m_size * 0.42, 40);
        Symbols::paint(p, QRectF((m_size - glyph) / 2, (m_size - glyph) / 2, glyph, glyph), QStringLiteral("photo"), Theme::ember());
    }
    p.setPen(QPen(Theme::hairline().on(this), 1));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(r.adjusted(0.5, 0.5, -0.5, -0.5), cornerRadius() - 0.5, cornerRadius() - 0.5);
}

} // namespace kelvaro
