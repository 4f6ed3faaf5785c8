#include "studio/ScreenshotFinisher.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include <QBuffer>
#include <QImageWriter>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include "platform/FileSystem.h"
#include "ui/design/Theme.h"

namespace kelvaro::ScreenshotFinisher {
namespace {

// A pixel counts as the window from this alpha up; the anti-aliased rim below it is margin.
constexpr int kOpaqueAlpha = 251;

QImage rgba(const QImage& image)
{
    return image.isNull() ? QImage() : image.convertToFormat(QImage::Format_RGBA8888_Premultiplied);
}

int alphaAt(const QImage& rgbaImage, int x, int y)
{
    return rgbaImage.constScanLine(y)[x * 4 + 3];
}

// Every finished screenshot is opaque, so the canvas has no alpha channel at all.
QImage canvas(QSize target)
{
    QImage image(std::max(0, target.width()), std::max(0, target.height()), QImage::Format_RGB32);
    if (!image.isNull())
        image.fill(Qt::black);
    return image;
}

QPainterPath roundedRect(const QRectF& rect, qreal radius)
{
    QPainterPath path;
    path.addRoundedRect(rect, radius, radius);
    return path;
}

// Three passes of a running-sum box blur along the rows and then the columns: together they
// spread like a Gaussian whose deviation is about `radius`. Outside the mask counts as empty.
void boxBlur(QImage& mask, int radius)
{
    const int w = mask.width(), h = mask.height();
    uchar* bits = mask.bits();
    const qsizetype stride = mask.bytesPerLine();
    std::vector<int> line(size_t(std::max(w, h)));
    const auto pass = [&](int count, int length, qsizetype across, qsizetype along) {
        for (int i = 0; i < count; ++i) {
            uchar* start = bits + i * across;
            for (int j = 0; j < length; ++j)
                line[size_t(j)] = start[j * along];
            int sum = 0;
            for (int j = 0; j < std::min(radius, length); ++j)
                sum += line[size_t(j)];
            for (int j = 0; j < length; ++j) {
                if (j + radius < length)
                    sum += line[size_t(j + radius)];
                if (j - radius - 1 >= 0)
                    sum -= line[size_t(j - radius - 1)];
                start[j * along] = uchar(sum / (2 * radius + 1));
            }
        }
    };
    for (int n = 0; n < 3; ++n) {
        pass(h, w, stride, 1);
        pass(w, h, 1, stride);
    }
}

// A soft shadow under `rect`: its shape as an alpha mask, blurred, laid down in black. Our own
// blur keeps the finisher free of any library start-up, so it runs on any thread.
void drawShadow(QPainter& p, const QRectF& rect, qreal radius, qreal sigma, QPointF offset, qreal opacity)
{
    const int pad = int(std::ceil(3 * sigma));
    const QPoint origin(int(std::floor(rect.x())) - pad, int(std::floor(rect.y())) - pad);
    QImage mask(int(std::ceil(rect.right())) + pad - origin.x(), int(std::ceil(rect.bottom())) + pad - origin.y(),
                QImage::Format_Grayscale8);
    if (mask.isNull())
        return;
    mask.fill(0);
    {
        QPainter m(&mask);
        m.setRenderHint(QPainter::Antialiasing);
        m.fillPath(roundedRect(rect.translated(-origin), radius), Qt::white);
    }
    boxBlur(mask, std::max(1, int(std::lround(sigma))));
    // An alpha-only image draws as black at each pixel's alpha.
    const QImage shadow(mask.constBits(), mask.width(), mask.height(), mask.bytesPerLine(), QImage::Format_Alpha8);
    p.save();
    p.setOpacity(opacity);
    p.drawImage(QPointF(origin) + offset, shadow);
    p.restore();
}

void drawCaption(QPainter& p, const Caption& caption, QSizeF target, qreal u)
{
    const auto line = [&](const QString& text, const QRectF& box, int pixelSize, QFont::Weight weight, qreal alpha) {
        p.save();
        p.setClipRect(box);
        QFont font = Theme::font(std::max(1, int(std::lround(pixelSize * u))), weight);
        p.setFont(font);
        p.setPen(QColor::fromRgbF(1, 1, 1, float(alpha)));
        p.drawText(box, Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap, text);
        p.restore();
    };
    line(caption.headline, QRectF(0, 34 * u, target.width(), 76 * u), 56, QFont::Bold, 1.0);
    line(caption.subline, QRectF(0, 120 * u, target.width(), 40 * u), 26, QFont::Medium, 0.88);
}

} // namespace

QImage trimmed(const QImage& capture)
{
    const QImage pixels = rgba(capture);
    if (pixels.isNull())
        return {};
    const int w = pixels.width(), h = pixels.height();
    const int row = h / 2, column = w / 2;
    int left = 0, right = w - 1, top = 0, bottom = h - 1;
    for (int x = 0; x < w; ++x)
        if (alphaAt(pixels, x, row) >= kOpaqueAlpha) {
            left = x;
            break;
        }
    for (int x = w - 1; x >= 0; --x)
        if (alphaAt(pixels, x, row) >= kOpaqueAlpha) {
            right = x;
            break;
        }
    for (int y = 0; y < h; ++y)
        if (alphaAt(pixels, column, y) >= kOpaqueAlpha) {
            top = y;
            break;
        }
    for (int y = h - 1; y >= 0; --y)
        if (alphaAt(pixels, column, y) >= kOpaqueAlpha) {
            bottom = y;
            break;
        }
    if (right <= left || bottom <= top)
        return capture;
    return capture.copy(left, top, right - left + 1, bottom - top + 1);
}

std::array<QColor, 4> cornerColors(const QImage& capture)
{
    const QImage pixels = rgba(capture);
    if (pixels.isNull())
        return {Qt::white, Qt::white, Qt::white, Qt::white};
    const int w = pixels.width(), h = pixels.height();
    const int m = w > 1439 ? w / 60 : 24;
    const std::array<QPoint, 4> points{QPoint(m, m), QPoint(w - m, m), QPoint(m, h - m), QPoint(w - m, h - m)};
    std::array<QColor, 4> colours;
    for (size_t i = 0; i < points.size(); ++i) {
        const int x = std::clamp(points[i].x(), 0, w - 1);
        const int y = std::clamp(points[i].y(), 0, h - 1);
        const uchar* px = pixels.constScanLine(y) + x * 4;
        const double a = std::max(px[3] / 255.0, 0.01);
        const auto channel = [a](uchar v) { return float(std::min(1.0, v / 255.0 / a)); };
        colours[i] = QColor::fromRgbF(channel(px[0]), channel(px[1]), channel(px[2]), 1.0f);
    }
    return colours;
}

QImage framed(const QImage& capture, const Caption& caption, QSize target)
{
    QImage image = canvas(target);
    if (image.isNull() || capture.isNull())
        return {};
    const qreal W = target.width(), H = target.height();
    const qreal w = capture.width(), h = capture.height();
    QPainter p(&image);
    p.setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform | QPainter::TextAntialiasing);

    QLinearGradient background(0, 0, 0, H);
    background.setColorAt(0, QColor::fromRgbF(0.98f, 0.47f, 0.22f));
    background.setColorAt(1, QColor::fromRgbF(0.78f, 0.25f, 0.12f));
    p.fillRect(QRectF(0, 0, W, H), background);

    // u: the layout's unit, one pixel on a 900-pixel-high target.
    const qreal u = H / 900;
    const qreal s = std::min(0.86 * W / w, (H - 190 * u - 40 * u) / h);
    const qreal dw = s * w, dh = s * h;
    const QRectF shot((W - dw) / 2, H - 40 * u - dh, dw, dh);
    const qreal radius = 12 * u;
    const QPainterPath outline = roundedRect(shot, radius);

    // The shadow's blur of 40u spreads like a Gaussian of half that deviation.
    drawShadow(p, shot, radius, 20 * u, QPointF(0, 12 * u), 0.35);
    p.fillPath(outline, cornerColors(capture)[3]);
    p.save();
    p.setClipPath(outline);
    p.drawImage(shot, capture);
    p.restore();

    drawCaption(p, caption, QSizeF(W, H), u);
    return image;
}

QImage flattened(const QImage& capture, QSize target)
{
    QImage image = canvas(target);
    if (image.isNull() || capture.isNull())
        return {};
    const qreal W = target.width(), H = target.height();
    const std::array<QColor, 4> corners = cornerColors(capture);
    QPainter p(&image);
    p.setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform);
    p.fillRect(QRectF(0, 0, W / 2, H / 2), corners[0]);
    p.fillRect(QRectF(W / 2, 0, W / 2, H / 2), corners[1]);
    p.fillRect(QRectF(0, H / 2, W / 2, H / 2), corners[2]);
    p.fillRect(QRectF(W / 2, H / 2, W / 2, H / 2), corners[3]);
    const qreal s = std::max(W / capture.width(), H / capture.height());
    const qreal dw = s * capture.width(), dh = s * capture.height();
    p.drawImage(QRectF((W - dw) / 2, (H - dh) / 2, dw, dh), capture);
    return image;
}

bool saveAtomically(const QImage& image, const QString& path, const char* format, int quality)
{
    if (image.isNull())
        return false;
    // Encoded in memory first: the file is then written whole or not at all.
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    writer.setQuality(quality);
    if (!writer.write(image))
        return false;
    return FileSystem::current().writeWhole(path, bytes) == 0;
}

bool write(const QImage& image, const QString& path)
{
    return saveAtomically(image, path, "jpeg", 95);
}

bool exportImage(const QImage& capture, StudioSize size, const std::optional<Caption>& caption, const QString& path)
{
    const QImage shot = trimmed(capture);
    if (shot.isNull())
        return false;
    const QSize nominal = nominalSize(size);
    // A capture from a doubled-density screen gets the doubled store size.
    const int factor = shot.width() > nominal.width() * 13 / 10 ? 2 : 1;
    const QSize target = nominal * factor;
    const QImage finished = caption ? framed(shot, *caption, target) : flattened(shot, target);
    return !finished.isNull() && write(finished, path);
}

} // namespace kelvaro::ScreenshotFinisher
