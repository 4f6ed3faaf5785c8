#pragma once
// A square thumbnail of a file (photo, HEIC, PDF first page), with rounded corners and a
// hairline border. The picture is decoded off the GUI thread through the engine's loader
// (orientation applied) at three times the shown side, and stored when it arrives; until then,
// and for a file that cannot be read, the "photo" placeholder shows on an ember tint. Results
// for a path that has since been replaced are dropped. No cache. Main thread; the decoding runs
// in a small thread pool of its own.
#include <QImage>
#include <QWidget>

namespace kelvaro {

class FileThumb : public QWidget {
    Q_OBJECT
public:
    FileThumb(const QString& path, int size, QWidget* parent = nullptr);

    QString path() const { return m_path; }
    void setPath(const QString& path);
    int side() const { return m_size; }
    // The longest side, in pixels, asked of the decoder: the shown side × 3, truncated.
    int maxPixel() const { return int(m_size * 3.0); }
    qreal cornerRadius() const { return m_size * 0.26; }
    bool hasImage() const { return !m_image.isNull(); }
    QImage image() const { return m_image; }
    bool isLoading() const { return m_loading; }

    // Decodes `path` upright with its longest side at most `maxPixel`; a null image when the file
    // cannot be read. Blocking; any thread; touches disk.
    static QImage thumbnail(const QString& path, int maxPixel);
    // Decodes still running in the whole application (the gallery waits for zero).
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

    QString m_path;
    int m_size;
    QImage m_image;
    quint64 m_generation = 0;
    bool m_loading = false;
    bool m_started = false;
};

} // namespace kelvaro
