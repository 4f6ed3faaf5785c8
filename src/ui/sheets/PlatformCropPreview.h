#pragma once
// The platform-crop sheet's picture: the first loaded photo fitted into the width it is given and
// at most 280 px, with the crop window of the preset's exact size over it. Outside the window the
// photo is dimmed; the user drags the window, which centres on the pointer as far as the photo
// allows, and the preview reports the two offsets. The photo is decoded upright off the GUI
// thread at the size shown; a spinner shows only while it decodes, and "Náhled není k
// dispozici" once the decode has ended without a picture (no file, unreadable, no height).
// Created by the platform-crop sheet; main thread.
#include <optional>
#include <utility>

#include <QImage>
#include <QWidget>

namespace kelvaro {

class Spinner;

// Where a crop of the target's aspect ratio lies over a picture of the image's aspect ratio.
// Offsets are fractions 0–1 of the free space along each axis: 0 the left or top edge, 1 the
// right or bottom edge.
struct CropWindow {
    double imageAspect = 1;  // width over height of the shown picture
    double targetAspect = 1; // width over height of the preset's size

    // The window over a picture shown at `area`, from the picture's top-left corner: the largest
    // rectangle of the target's aspect inside it, placed by the offsets.
    QRectF rect(QSizeF area, double offsetX, double offsetY) const;
    // The offsets after a drag to `pointer` (the picture's coordinates): the window centres on
    // it, limited to the picture; an axis with 1 px of free space or less keeps its offset.
    std::pair<double, double> dragged(QPointF pointer, QSizeF area, double offsetX, double offsetY) const;
};

class PlatformCropPreview : public QWidget {
    Q_OBJECT
public:
    static constexpr int maxHeight = 280;
    static constexpr int placeholderHeight = 200;
    static constexpr qreal cornerRadius = 10;

    // `file`: none shows the unavailable state at once. `maxWidth`: the widest the picture is
    // shown, in logical pixels. Decoding starts when the preview is first shown.
    PlatformCropPreview(const std::optional<QString>& file, int maxWidth, double targetAspect,
                        QWidget* parent = nullptr);

    void setOffsets(double offsetX, double offsetY);

    bool isLoading() const { return m_loading; }
    bool isFailed() const { return m_failed; }
    QImage image() const { return m_image; }
    // Where the fitted picture stands in the widget; empty while there is none.
    QRectF pictureRect() const;
    CropWindow window() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;

Q_SIGNALS:
    void finished(); // the decode ended, with or without a picture
    void dragged(double offsetX, double offsetY);

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void startLoading();
    void finish(const QImage& image);
    void dragTo(QPointF at);
    void paintPlaceholder(QPainter& p, bool dark);

    std::optional<QString> m_file;
    int m_maxWidth;
    double m_targetAspect;
    double m_offsetX = 0.5;
    double m_offsetY = 0.5;
    QImage m_image;
    bool m_started = false;
    bool m_loading = false;
    bool m_failed = false;
    bool m_dragging = false;
    Spinner* m_spinner = nullptr;
};

} // namespace kelvaro
