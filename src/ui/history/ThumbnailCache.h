#pragma once
// Small square-ish pictures of files for painted list rows, which have no widget of their own to
// hold one. A picture is decoded upright off the GUI thread the first time a row asks for it
// and kept in a bounded cache (the least recently used go first); a file that cannot be read is
// remembered as such. Main thread; the decoding runs in a pool of its own. Created by a screen.
#include <QCache>
#include <QImage>
#include <QObject>
#include <QSet>

namespace kelvaro {

class ThumbnailCache : public QObject {
    Q_OBJECT
public:
    // `maxPixel`: the longest side decoded, in pixels.
    explicit ThumbnailCache(int maxPixel, QObject* parent = nullptr);

    // The picture when it has arrived (null while loading or when unreadable); the first ask
    // starts the decode.
    QImage image(const QString& path);
    // Whether the file was looked at and holds no picture this decoder can read.
    bool isUnreadable(const QString& path) const;
    // Drops everything (files may have changed); later asks decode again.
    void clear();
    // Decodes still running in the whole application (the gallery and tests wait for zero).
    static int pendingCount();

Q_SIGNALS:
    void loaded(const QString& path);

private:
    int m_maxPixel;
    QCache<QString, QImage> m_images; // cost in kilobytes
    QSet<QString> m_loading;
    quint64 m_generation = 0;
};

} // namespace kelvaro
