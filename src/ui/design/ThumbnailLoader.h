#pragma once
// The pictures behind the file thumbnails (FileThumb): one decode per file and size class,
// however many views wait for it, each waiting view handed the picture when it arrives; pictures
// are kept in a small cache (the least recently used go first) for as long as the file keeps its
// size and modification time. A decode that no view waits for any more is asked to stop through
// the engine's per-file stop request, which it runs under: a PDF page's drawer is killed, and a
// decode not begun yet never begins. Main thread; the decoding runs in a small pool of its own at
// low priority. One per process (shared()); tests and the gallery replace its decoder.
#include <functional>
#include <map>
#include <memory>
#include <optional>

#include <QCache>
#include <QDateTime>
#include <QHash>
#include <QImage>
#include <QObject>
#include <QPointer>

namespace kelvaro::ImageEngine {
class FileAbort;
}

namespace kelvaro {

class ThumbnailLoader : public QObject {
    Q_OBJECT
public:
    // Decodes `path` upright with its longest side at most `maxPixel`; a null image when the file
    // cannot be read. Called on a pool thread with the decode's stop request current; touches disk.
    using Decoder = std::function<QImage(const QString& path, int maxPixel)>;
    using Done = std::function<void(const QImage& picture)>;

    // A view's wait for a picture; letting it go (destroying or replacing it) before the picture
    // comes means the view no longer wants it, and a decode nobody waits for is stopped.
    class Wait {
    public:
        Wait() = default;
        Wait(Wait&& other) noexcept;
        Wait& operator=(Wait&& other) noexcept;
        ~Wait();
        Wait(const Wait&) = delete;
        Wait& operator=(const Wait&) = delete;

    private:
        friend class ThumbnailLoader;
        Wait(ThumbnailLoader* loader, quint64 id) : m_loader(loader), m_id(id) {}
        void letGo();

        QPointer<ThumbnailLoader> m_loader;
        quint64 m_id = 0;
    };

    static ThumbnailLoader& shared();

    // The longest side, in pixels, decoded for a view that asks `maxPixel`: the largest of 90, 120,
    // 180, 240, 360, 480, … (twice one of the two rungs under it) not above it, or `maxPixel`
    // itself under 90. Views of about one size share a decode, none gets more than it asked for.
    static int sizeClass(int maxPixel);

    // The picture of `path` at the size class of `maxPixel` (a null image for a file that cannot
    // be read) when it was decoded before and the file is unchanged since; none otherwise.
    // Touches disk (the file's size and time).
    std::optional<QImage> cached(const QString& path, int maxPixel);
    // Waits for the picture of `path` at the size class of `maxPixel`, joining a decode of it
    // under way or starting one; `done` is called once, later, on the main thread, unless the
    // returned wait is let go first. Touches disk (the file's size and time).
    [[nodiscard]] Wait request(const QString& path, int maxPixel, Done done);

    // Replaces how files are decoded (tests, the gallery); an empty decoder restores the engine's.
    // Pictures cached so far are dropped: they came from the other decoder.
    void setDecoder(Decoder decoder);
    // How many decodes can run at once.
    int decodeThreads() const;

    // Decodes started in the whole process whose end has not reached the main thread yet (the
    // gallery and tests wait for zero).
    static int pendingCount();

private:
    ThumbnailLoader();

    struct Key {
        QString path;
        int side = 0;
        bool operator==(const Key&) const = default;
        friend size_t qHash(const Key& key, size_t seed) { return qHashMulti(seed, key.path, key.side); }
    };
    // What a file was when it was decoded: a changed file is decoded again.
    struct Stamp {
        bool exists = false;
        qint64 size = 0;
        QDateTime modified;
        bool operator==(const Stamp&) const = default;
    };
    struct Cached {
        Stamp stamp;
        QImage picture;
    };
    struct Decode {
        quint64 token = 0;
        Stamp stamp;
        std::shared_ptr<ImageEngine::FileAbort> stop;
        QList<quint64> waiters;
        bool keep = true; // cached when it arrives: made by the decoder still in place
    };
    struct Waiter {
        Key key;
        Done done;
    };

    static Stamp stampOf(const QString& path);
    void start(const Key& key, Decode& decode);
    void arrived(const Key& key, quint64 token, const QImage& picture);
    void letGo(quint64 waiter);

    Decoder m_decoder;
    QCache<Key, Cached> m_cache; // cost in kilobytes
    QHash<Key, Decode> m_decodes;
    std::map<quint64, Waiter> m_waiters;
    quint64 m_lastId = 0;
};

} // namespace kelvaro
