#include "ui/history/ThumbnailCache.h"

#include <atomic>

#include <QCoreApplication>
#include <QPointer>
#include <QtConcurrent/QtConcurrentRun>

#include "platform/BackgroundPools.h"
#include "ui/design/FileThumb.h"

namespace kelvaro {
namespace {

std::atomic<int> g_pending{0};

QThreadPool& pool()
{
    static QThreadPool* threads = BackgroundPools::make(2, QThread::LowPriority);
    return *threads;
}

// 500 rows of 120-px pictures fit well within this.
constexpr int kMaxKilobytes = 48 * 1024;

} // namespace

ThumbnailCache::ThumbnailCache(int maxPixel, QObject* parent) : QObject(parent), m_maxPixel(maxPixel)
{
    m_images.setMaxCost(kMaxKilobytes);
}

int ThumbnailCache::pendingCount()
{
    return g_pending.load();
}

QImage ThumbnailCache::image(const QString& path)
{
    if (path.isEmpty())
        return {};
    if (const QImage* cached = m_images.object(path))
        return *cached;
    if (m_loading.contains(path))
        return {};
    m_loading.insert(path);
    ++g_pending;
    QPointer<ThumbnailCache> guard(this);
    const quint64 generation = m_generation;
    const int maxPixel = m_maxPixel;
    (void)QtConcurrent::run(&pool(), [guard, generation, path, maxPixel] {
        QImage picture = FileThumb::thumbnail(path, maxPixel);
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [guard, generation, path, picture = std::move(picture)] {
                --g_pending;
                if (!guard || guard->m_generation != generation)
                    return;
                guard->m_loading.remove(path);
                // An unreadable file is kept as a null picture so it is not decoded again.
                guard->m_images.insert(path, new QImage(picture), qMax<qsizetype>(1, picture.sizeInBytes() / 1024));
                Q_EMIT guard->loaded(path);
            },
            Qt::QueuedConnection);
    });
    return {};
}

bool ThumbnailCache::isUnreadable(const QString& path) const
{
    const QImage* cached = m_images.object(path);
    return cached && cached->isNull();
}

void ThumbnailCache::clear()
{
    ++m_generation;
    m_images.clear();
    m_loading.clear();
}

} // namespace kelvaro
