#pragma once
// The crop sheet's picture: one photo fitted into the width it is given and at most 220 px, with
// the crop window of the sheet's spec drawn over the fitted picture (not over the empty sides),
// so the window has the chosen ratio and frames exactly what the engine keeps. The preview is only
// as high as the photo at that width, so a panorama gets no empty bands above and below; the
// photo's header, read when the preview is made, gives that height before the picture is there.
// For a file that cannot be read ("Náhled není k dispozici") it is 220 px high. The photo is
// decoded upright off the GUI thread at the size shown and set on the main thread. Created by
// the crop sheet; main thread.
#include <QImage>
#include <QWidget>

#include "model/Operations.h"

namespace kelvaro {

class CropPreview : public QWidget {
    Q_OBJECT
public:
    static constexpr int areaHeight = 220;
    static constexpr qreal cornerRadius = 10;

    // `maxWidth`: the widest the picture is shown, in logical pixels (the decode's long side,
    // times the screen's pixel ratio). Decoding starts when the preview is first shown.
    CropPreview(const QString& file, int maxWidth, QWidget* parent = nullptr);

    void setSpec(const CropSpec& spec);

    bool isLoading() const { return m_loading; }
    bool isFailed() const { return m_failed; }
    QImage image() const { return m_image; }
    // Where the fitted picture stands in the widget; empty while there is none.
    QRectF pictureRect() const;

    // `image` scaled to fit `area` with its aspect kept, centred.
    static QRectF fittedRect(QSizeF image, const QRectF& area);
    // The crop window over a picture shown at `shown`, from the picture's top-left corner: the
    // largest rectangle of the spec's ratio, placed along the spare length by the offsets.
    static QRectF cropWindow(const CropSpec& spec, QSizeF shown);

    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

Q_SIGNALS:
    void finished(); // the decode ended, with or without a picture

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void startLoading();

    QString m_file;
    int m_maxWidth;
    CropSpec m_spec;
    QImage m_image;
    QSize m_expected; // the photo's upright size from its header; empty when unknown
    bool m_started = false;
    bool m_loading = false;
    bool m_failed = false;
};

} // namespace kelvaro
