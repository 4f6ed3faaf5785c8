#include "platform/BackgroundPools.h"
#include "ui/design/FileThumb.h"

#include <atomic>

#include <QPainter>
#include <QCoreApplication>
#include <QPainterPath>
#include <QPointer>
#include <QThreadPool>
#include <QtConcurrent/QtConcurrentRun>

#include "engine/ImageEngine.h"
#include "ui/design/Symbols.h"
#include "ui/design/Theme.h"

namespace kelvaro {
namespace {

std::atomic<int> g_pending{0};

QThreadPool& thumbnailPool()
{
    // Thumbnails are background work: few threads at low priority leave the runs theirs.
    static QThreadPool* pool = BackgroundPools::make(qBound(1, QThread::idealThreadCount() / 2, 3), QThread::LowPriority);
    return *pool;
}

} // namespace

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
    // The previous picture stays until the new result replaces it.
    m_started = false;
    if (isVisible())
        startLoading();
}

int FileThumb::pendingCount()
{
    return g_pending.load();
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
    m_loading = true;
    const quint64 generation = ++m_generation;
    const QString path = m_path;
    const int maxPixel = this->maxPixel();
    QPointer<FileThumb> guard(this);
    ++g_pending;
    (void)QtConcurrent::run(&thumbnailPool(), [guard, generation, path, maxPixel] {
        QImage image = thumbnail(path, maxPixel);
        // Hand the result to the main thread; --g_pending happens there so a waiter sees the
        // picture stored once the count reaches zero.
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [guard, generation, image = std::move(image)] {
                --g_pending;
                if (!guard || guard->m_generation != generation)
                    return; // gone, or replaced by a newer path
                guard->m_image = image;
                guard->m_loading = false;
                guard->update();
                Q_EMIT guard->finished();
            },
            Qt::QueuedConnection);
    });
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
