#include "ui/sheets/CropPreview.h"

#include <cmath>

#include <QCoreApplication>
#include <QPainter>
#include <QPainterPath>
#include <QPointer>
#include <QThreadPool>
#include <QtConcurrent/QtConcurrentRun>

#include "engine/ImageProbe.h"
#include "l10n/Localization.h"
#include "platform/BackgroundPools.h"
#include "ui/design/FileThumb.h"
#include "ui/design/Symbols.h"
#include "ui/design/Theme.h"

namespace kelvaro {
namespace {

QThreadPool& previewPool()
{
    // One preview at a time is all a sheet shows. Never deleted: a decode may outlive the sheet.
    static QThreadPool* pool = BackgroundPools::make(1);
    return *pool;
}

} // namespace

CropPreview::CropPreview(const QString& file, int maxWidth, QWidget* parent)
    : QWidget(parent), m_file(file), m_maxWidth(qMax(1, maxWidth))
{
    QSizePolicy policy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
    // The header alone tells the photo's shape, so the sheet opens at the height it keeps once the
    // picture is decoded instead of shrinking under the pointer. A PDF's page is read only by a
    // drawer, which may wait for a run's memory: never on this thread.
    if (!ImageEngine::isPdf(file))
        m_expected = ImageEngine::uprightSize(file).value_or(QSize());
}

int CropPreview::heightForWidth(int width) const
{
    QSize photo = m_expected;
    if (photo.isEmpty())
        photo = m_image.size();
    if (m_failed || photo.isEmpty())
        return areaHeight;
    const double fitted = double(width) * photo.height() / photo.width();
    return qBound(1, int(std::lround(fitted)), areaHeight);
}

QSize CropPreview::sizeHint() const
{
    return {m_maxWidth, heightForWidth(m_maxWidth)};
}

QSize CropPreview::minimumSizeHint() const
{
    return {80, 1};
}

void CropPreview::setSpec(const CropSpec& spec)
{
    if (spec == m_spec)
        return;
    m_spec = spec;
    update();
}

QRectF CropPreview::fittedRect(QSizeF image, const QRectF& area)
{
    if (image.isEmpty() || area.isEmpty())
        return {};
    const QSizeF shown = image.scaled(area.size(), Qt::KeepAspectRatio);
    return {area.center().x() - shown.width() / 2, area.center().y() - shown.height() / 2, shown.width(), shown.height()};
}

QRectF CropPreview::cropWindow(const CropSpec& spec, QSizeF shown)
{
    if (shown.isEmpty())
        return {};
    const qreal r = ratioValue(spec.ratio);
    const qreal aspect = shown.width() / shown.height();
    qreal fw = 1, fh = 1;
    if (aspect > r)
        fw = r / aspect;
    else
        fh = aspect / r;
    const qreal w = shown.width() * fw;
    const qreal h = shown.height() * fh;
    const qreal ox = qBound(0.0, spec.offsetX, 1.0);
    const qreal oy = qBound(0.0, spec.offsetY, 1.0);
    return {ox * (shown.width() - w), oy * (shown.height() - h), w, h};
}

QRectF CropPreview::pictureRect() const
{
    if (m_image.isNull())
        return {};
    return fittedRect(QSizeF(m_image.size()) / m_image.devicePixelRatio(), QRectF(rect()));
}

void CropPreview::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (!m_started)
        startLoading();
}

void CropPreview::startLoading()
{
    m_started = true;
    m_loading = true;
    const QString file = m_file;
    const qreal ratio = devicePixelRatioF();
    const int maxPixel = int(std::ceil(m_maxWidth * ratio));
    QPointer<CropPreview> guard(this);
    (void)QtConcurrent::run(&previewPool(), [guard, file, maxPixel, ratio] {
        QImage image = FileThumb::thumbnail(file, maxPixel);
        image.setDevicePixelRatio(ratio);
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [guard, image = std::move(image)] {
                if (!guard)
                    return;
                guard->m_image = image;
                guard->m_failed = image.isNull();
                guard->m_loading = false;
                guard->updateGeometry();
                guard->update();
                Q_EMIT guard->finished();
            },
            Qt::QueuedConnection);
    });
}

void CropPreview::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    const bool dark = Theme::isDark(this);
    const QRectF picture = pictureRect();
    if (picture.isEmpty()) {
        QPainterPath area;
        area.addRoundedRect(QRectF(rect()), cornerRadius, cornerRadius);
        p.fillPath(area, Theme::primaryAt(dark, 0.04));
        if (!m_failed)
            return; // still decoding: a decode at this size takes a moment
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
        return;
    }

    QPainterPath clip;
    clip.addRoundedRect(picture, cornerRadius, cornerRadius);
    p.setClipPath(clip);
    p.drawImage(picture, m_image);
    const QRectF window = cropWindow(m_spec, picture.size()).translated(picture.topLeft());
    QColor tint = Theme::ember();
    tint.setAlphaF(0.18f);
    p.fillRect(window, tint);
    // The border lies inside the window, as the engine's cut does.
    p.setPen(QPen(Theme::ember(), 2));
    p.setBrush(Qt::NoBrush);
    p.drawRect(window.adjusted(1, 1, -1, -1));
}

} // namespace kelvaro
