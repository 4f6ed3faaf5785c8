#include "ui/sheets/PlatformCropPreview.h"

#include <algorithm>
#include <cmath>

#include <QCoreApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPointer>
#include <QThreadPool>
#include <QtConcurrent/QtConcurrentRun>

#include "l10n/Localization.h"
#include "platform/BackgroundPools.h"
#include "ui/design/FileThumb.h"
#include "ui/design/Spinner.h"
#include "ui/design/Symbols.h"
#include "ui/design/Theme.h"

namespace kelvaro {
namespace {

QThreadPool& decodePool()
{
    // One picture per opening. Never deleted: a decode may outlive the sheet.
    static QThreadPool* pool = BackgroundPools::make(1);
    return *pool;
}

} // namespace

// ---- CropWindow -----------------------------------------------------------------------------------

QRectF CropWindow::rect(QSizeF area, double offsetX, double offsetY) const
{
    if (area.isEmpty() || !(imageAspect > 0) || !(targetAspect > 0))
        return {};
    qreal w = area.width();
    qreal h = area.height();
    if (targetAspect < imageAspect)
        w = area.width() * targetAspect / imageAspect;
    else
        h = area.height() * imageAspect / targetAspect;
    return {(area.width() - w) * offsetX, (area.height() - h) * offsetY, w, h};
}

std::pair<double, double> CropWindow::dragged(QPointF pointer, QSizeF area, double offsetX, double offsetY) const
{
    const QRectF window = rect(area, offsetX, offsetY);
    if (window.isEmpty())
        return {offsetX, offsetY};
    const qreal freeX = area.width() - window.width();
    const qreal freeY = area.height() - window.height();
    if (freeX > 1)
        offsetX = std::clamp((pointer.x() - window.width() / 2) / freeX, 0.0, 1.0);
    if (freeY > 1)
        offsetY = std::clamp((pointer.y() - window.height() / 2) / freeY, 0.0, 1.0);
    return {offsetX, offsetY};
}

// ---- PlatformCropPreview --------------------------------------------------------------------------

PlatformCropPreview::PlatformCropPreview(const std::optional<QString>& file, int maxWidth, double targetAspect,
                                         QWidget* parent)
    : QWidget(parent), m_file(file), m_maxWidth(qMax(1, maxWidth)), m_targetAspect(targetAspect)
{
    QSizePolicy policy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
    m_loading = m_file.has_value() && !m_file->isEmpty();
    m_failed = !m_loading;
    m_spinner = new Spinner(16, this);
    m_spinner->setVisible(m_loading);
}

QSize PlatformCropPreview::sizeHint() const
{
    return {m_maxWidth, heightForWidth(m_maxWidth)};
}

QSize PlatformCropPreview::minimumSizeHint() const
{
    return {80, heightForWidth(m_maxWidth)};
}

int PlatformCropPreview::heightForWidth(int width) const
{
    if (m_image.isNull())
        return placeholderHeight;
    const qreal aspect = qreal(m_image.width()) / m_image.height();
    return qMin(maxHeight, int(std::lround(width / aspect)));
}

void PlatformCropPreview::setOffsets(double offsetX, double offsetY)
{
    if (offsetX == m_offsetX && offsetY == m_offsetY)
        return;
    m_offsetX = offsetX;
    m_offsetY = offsetY;
    update();
}

CropWindow PlatformCropPreview::window() const
{
    const QRectF picture = pictureRect();
    return {picture.isEmpty() ? 1.0 : picture.width() / picture.height(), m_targetAspect};
}

QRectF PlatformCropPreview::pictureRect() const
{
    if (m_image.isNull())
        return {};
    const QSizeF shown = (QSizeF(m_image.size()) / m_image.devicePixelRatio()).scaled(QSizeF(size()), Qt::KeepAspectRatio);
    return {(width() - shown.width()) / 2, (height() - shown.height()) / 2, shown.width(), shown.height()};
}

void PlatformCropPreview::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (!m_started)
        startLoading();
}

void PlatformCropPreview::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    m_spinner->move((width() - m_spinner->width()) / 2, (height() - m_spinner->height()) / 2);
}

void PlatformCropPreview::startLoading()
{
    m_started = true;
    if (!m_loading)
        return;
    const QString file = *m_file;
    const qreal ratio = devicePixelRatioF();
    // A portrait photo stands as high as the frame allows: the longer of the two is the bound.
    const int maxPixel = int(std::ceil(qMax(m_maxWidth, int(maxHeight)) * ratio));
    QPointer<PlatformCropPreview> guard(this);
    (void)QtConcurrent::run(&decodePool(), [guard, file, maxPixel, ratio] {
        QImage image = FileThumb::thumbnail(file, maxPixel);
        image.setDevicePixelRatio(ratio);
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [guard, image = std::move(image)] {
                if (guard)
                    guard->finish(image);
            },
            Qt::QueuedConnection);
    });
}

void PlatformCropPreview::finish(const QImage& image)
{
    m_image = image.isNull() || image.height() <= 0 || image.width() <= 0 ? QImage() : image;
    m_failed = m_image.isNull();
    m_loading = false;
    m_spinner->hide();
    setCursor(m_failed ? Qt::ArrowCursor : Qt::OpenHandCursor);
    updateGeometry();
    update();
    Q_EMIT finished();
}

void PlatformCropPreview::mousePressEvent(QMouseEvent* event)
{
    const QRectF picture = pictureRect();
    if (event->button() == Qt::LeftButton && picture.contains(event->position())) {
        m_dragging = true;
        setCursor(Qt::ClosedHandCursor);
        dragTo(event->position()); // a click without movement moves the window too
        return;
    }
    QWidget::mousePressEvent(event);
}

void PlatformCropPreview::mouseMoveEvent(QMouseEvent* event)
{
    if (m_dragging)
        dragTo(event->position());
    QWidget::mouseMoveEvent(event);
}

void PlatformCropPreview::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && m_dragging) {
        m_dragging = false;
        setCursor(Qt::OpenHandCursor);
    }
    QWidget::mouseReleaseEvent(event);
}

void PlatformCropPreview::dragTo(QPointF at)
{
    const QRectF picture = pictureRect();
    const auto [x, y] = window().dragged(at - picture.topLeft(), picture.size(), m_offsetX, m_offsetY);
    if (x == m_offsetX && y == m_offsetY)
        return;
    setOffsets(x, y);
    Q_EMIT dragged(x, y);
}

void PlatformCropPreview::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    const bool dark = Theme::isDark(this);
    const QRectF picture = pictureRect();
    if (picture.isEmpty()) {
        paintPlaceholder(p, dark);
        return;
    }

    QPainterPath clip;
    clip.addRoundedRect(picture, cornerRadius, cornerRadius);
    p.setClipPath(clip);
    p.drawImage(picture, m_image);
    p.translate(picture.topLeft());
    const QRectF window = this->window().rect(picture.size(), m_offsetX, m_offsetY);

    QPainterPath dimming;
    dimming.setFillRule(Qt::OddEvenFill);
    dimming.addRect(QRectF(QPointF(0, 0), picture.size()));
    dimming.addRect(window);
    p.fillPath(dimming, QColor(0, 0, 0, int(0.55 * 255)));

    // A soft dark edge under the white outline keeps it visible on a light photo.
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(0, 0, 0, int(0.4 * 255 / 2)), 4));
    p.drawRect(window.adjusted(1, 1, -1, -1));
    p.setPen(QPen(QColor(0, 0, 0, int(0.4 * 255)), 3));
    p.drawRect(window.adjusted(1, 1, -1, -1));
    p.setPen(QPen(Qt::white, 2));
    p.drawRect(window.adjusted(1, 1, -1, -1)); // inside the window's border
}

void PlatformCropPreview::paintPlaceholder(QPainter& p, bool dark)
{
    QPainterPath area;
    area.addRoundedRect(QRectF(rect()), cornerRadius, cornerRadius);
    p.fillPath(area, Theme::primaryAt(dark, 0.06));
    if (!m_failed)
        return; // the spinner turns on top while decoding
    const QColor quiet = Theme::secondary().resolve(dark);
    const QFont font = Theme::font(TextStyle::callout);
    const QString text = L("Náhled není k dispozici");
    const QFontMetrics metrics(font);
    constexpr int glyph = 22;
    const qreal top = (height() - glyph - 8 - metrics.height()) / 2.0;
    Symbols::paint(p, QRectF((width() - glyph) / 2.0, top, glyph, glyph), QStringLiteral("eye.slash"), quiet);
    p.setFont(font);
    p.setPen(quiet);
    p.drawText(QRectF(0, top + glyph + 8, width(), metrics.height()), Qt::AlignHCenter | Qt::AlignVCenter, text);
}

} // namespace kelvaro
