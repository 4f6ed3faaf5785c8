#pragma once
// A square thumbnail of a file (photo, HEIC, PDF first page), with rounded corners and a
// hairline border. The picture comes from the ThumbnailLoader (decoded off the GUI thread,
// orientation applied, at most three times the shown side, one decode shared with every other
// thumbnail of the file and about its size) once the thumbnail is first shown; until it arrives,
// and for a file that cannot be read, the "photo" placeholder shows on an ember tint, never the
// picture of a path it showed before. A thumbnail that changes its path or goes lets go of its
// wait, which stops a decode nobody else waits for. Main thread.
#include <QImage>
#include <QWidget>

#include "ui/design/ThumbnailLoader.h"

namespace kelvaro {

class FileThumb : public QWidget {
    Q_OBJECT
public:
    FileThumb(const QString& path, int size, QWidget* parent = nullptr);

    QString path() const { return m_path; }
    void setPath(const QString& path);
    int side() const { return m_size; }
    // The longest side, in pixels, asked of the loader: the shown side × 3, truncated (the loader
    // decodes its size class, not more).
    int maxPixel() const { return int(m_size * 3.0); }
    qreal cornerRadius() const { return m_size * 0.26; }
    bool hasImage() const { return !m_image.isNull(); }
    QImage image() const { return m_image; }
    bool isLoading() const { return m_loading; }

    // Decodes `path` upright with its longest side at most `maxPixel`; a null image when the file
    // cannot be read. Blocking; any thread; touches disk.
    static QImage thumbnail(const QString& path, int maxPixel);
    // Decodes still running in the whole application (the gallery and tests wait for zero).
    static int pendingCount();

    QSize sizeHint() const override { return {m_size, m_size}; }
    QSize minimumSizeHint() const override { return sizeHint(); }

Q_SIGNALS:
    void finished(); // a decode for the current path ended, with or without a picture

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void startLoading();
    void takePicture(const QImage& picture);

    QString m_path;
    int m_size;
    QImage m_image;
    ThumbnailLoader::Wait m_wait;
    bool m_loading = false;
    bool m_started = false;
};

} // namespace kelvaro
