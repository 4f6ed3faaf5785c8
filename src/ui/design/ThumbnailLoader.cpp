#include "ui/design/ThumbnailLoader.h"

#include <algorithm>
#include <atomic>
#include <utility>

#include <QCoreApplication>
#include <QFileInfo>
#include <QThreadPool>
#include <QtConcurrent/QtConcurrentRun>

#include "engine/FileAbort.h"
#include "platform/BackgroundPools.h"
#include "ui/design/FileThumb.h"

namespace kelvaro {
namespace {

std::atomic<int> g_pending{0};

QThreadPool& pool()
{
    // Thumbnails are background work: few threads at low priority leave the runs theirs.
    static QThreadPool* threads = BackgroundPools::make(qBound(1, QThread::idealThreadCount() / 2, 3), QThread::LowPriority);
    return *threads;
}

// Some two hundred pictures of the wheel's sizes.
constexpr int kMaxKilobytes = 16 * 1024;

} // namespace

ThumbnailLoader::Wait::Wait(Wait&& other) noexcept
    : m_loader(std::move(other.m_loader))
    , m_id(std::exchange(other.m_id, 0))
{
}

ThumbnailLoader::Wait& ThumbnailLoader::Wait::operator=(Wait&& other) noexcept
{
    if (this != &other) {
        letGo();
        m_loader = std::move(other.m_loader);
        m_id = std::exchange(other.m_id, 0);
    }
    return *this;
}

ThumbnailLoader::Wait::~Wait()
{
    letGo();
}

void ThumbnailLoader::Wait::letGo()
{
    if (m_id != 0 && m_loader)
        m_loader->letGo(m_id);
    m_id = 0;
}

ThumbnailLoader::ThumbnailLoader()
{
    m_cache.setMaxCost(kMaxKilobytes);
}

ThumbnailLoader& ThumbnailLoader::shared()
{
    // Never deleted: decodes that end after the last window still report to it.
    static ThumbnailLoader* loader = new ThumbnailLoader;
    return *loader;
}

int ThumbnailLoader::sizeClass(int maxPixel)
{
    if (maxPixel < 90)
        return maxPixel;
    qint64 side = 90;
    for (qint64 rung = 90; rung <= maxPixel; rung *= 2)
        side = rung;
    for (qint64 rung = 120; rung <= maxPixel; rung *= 2)
        side = std::max(side, rung);
    return int(side);
}

int ThumbnailLoader::pendingCount()
{
    return g_pending.load();
}

int ThumbnailLoader::decodeThreads() const
{
    return pool().maxThreadCount();
}

ThumbnailLoader::Stamp ThumbnailLoader::stampOf(const QString& path)
{
    const QFileInfo info(path);
    if (!info.exists())
        return {};
    return {true, info.size(), info.lastModified()};
}

void ThumbnailLoader::setDecoder(Decoder decoder)
{
    m_decoder = std::move(decoder);
    m_cache.clear();
    for (Decode& decode : m_decodes)
        decode.keep = false;
}

std::optional<QImage> ThumbnailLoader::cached(const QString& path, int maxPixel)
{
    const Key key{path, sizeClass(maxPixel)};
    const Cached* hit = m_cache.object(key);
    if (!hit)
        return std::nullopt;
    if (hit->stamp != stampOf(path)) {
        m_cache.remove(key);
        return std::nullopt;
    }
    return hit->picture;
}

ThumbnailLoader::Wait ThumbnailLoader::request(const QString& path, int maxPixel, Done done)
{
    const Key key{path, sizeClass(maxPixel)};
    const quint64 id = ++m_lastId;
    m_waiters[id] = Waiter{key, std::move(done)};
    auto decode = m_decodes.find(key);
    if (decode == m_decodes.end()) {
        decode = m_decodes.insert(key, Decode{++m_lastId, stampOf(path), std::make_shared<ImageEngine::FileAbort>(), {}, true});
        start(key, *decode);
    }
    decode->waiters.append(id);
    return Wait(this, id);
}

void ThumbnailLoader::start(const Key& key, Decode& decode)
{
    ++g_pending;
    QPointer<ThumbnailLoader> guard(this);
    const Decoder decoder = m_decoder ? m_decoder : Decoder(&FileThumb::thumbnail);
    (void)QtConcurrent::run(&pool(), [guard, key, token = decode.token, stop = decode.stop, decoder] {
        QImage picture;
        // A decode every view let go of before its turn never begins.
        if (!stop->requested()) {
            const ImageEngine::CurrentFileAbort current(stop);
            try {
                picture = decoder(key.path, key.side);
            } catch (...) {
                picture = QImage();
            }
        }
        // The count drops on the main thread, so a waiter sees the picture handed over once it
        // reaches zero.
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [guard, key, token, picture = std::move(picture)] {
                --g_pending;
                if (guard)
                    guard->arrived(key, token, picture);
            },
            Qt::QueuedConnection);
    });
}

void ThumbnailLoader::arrived(const Key& key, quint64 token, const QImage& picture)
{
    const auto found = m_decodes.find(key);
    if (found == m_decodes.end() || found->token != token)
        return; // let go of by every view and stopped: whatever it made is not shown
    const Decode decode = std::move(*found);
    m_decodes.erase(found);
    // An unreadable file is kept as a null picture so it is not decoded again.
    if (decode.keep)
        m_cache.insert(key, new Cached{decode.stamp, picture}, qMax<qsizetype>(1, picture.sizeInBytes() / 1024));
    for (const quint64 id : decode.waiters) {
        // A view an earlier one's handler took away has let go of its wait.
        const auto waiter = m_waiters.find(id);
        if (waiter == m_waiters.end())
            continue;
        const Done done = std::move(waiter->second.done);
        m_waiters.erase(waiter);
        done(picture);
    }
}

void ThumbnailLoader::letGo(quint64 id)
{
    const auto waiter = m_waiters.find(id);
    if (waiter == m_waiters.end())
        return;
    const Key key = waiter->second.key;
    m_waiters.erase(waiter);
    const auto decode = m_decodes.find(key);
    if (decode == m_decodes.end())
        return;
    decode->waiters.removeOne(id);
    if (decode->waiters.isEmpty()) {
        decode->stop->request();
        m_decodes.erase(decode);
    }
}

} // namespace kelvaro
