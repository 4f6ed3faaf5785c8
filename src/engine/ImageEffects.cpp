#include "engine/ImageEffects.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <vector>
#include <new>

#include <QFont>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QPainter>
#include <QPainterPath>

#include <opencv2/imgproc.hpp>

#include "engine/LogoWatermark.h"
#include "l10n/Localization.h"

namespace kelvaro {
namespace {

// Glyph outlines are laid out once at this pixel size and scaled, so fractional font sizes keep
// exact metrics (QFont takes whole pixel sizes only).
constexpr double kReferencePixelSize = 1000;

QFont referenceFont(const QString& family)
{
    QFont font(family);
    font.setBold(true);
    font.setPixelSize(int(kReferencePixelSize));
    font.setHintingPreference(QFont::PreferNoHinting);
    font.setKerning(true);
    return font;
}

bool hasFontDatabase()
{
    return qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr;
}

int clampedSide(double value)
{
    if (!(value >= 1)) // also NaN
        return 1;
    if (value >= double(INT_MAX))
        return INT_MAX;
    return int(std::round(value)); // halves away from zero
}

// The shadow's offset in Qt's coordinates: the layout's y grows upwards, so its negative y moves
// the shadow down.
QPointF shadowShift(const ImageEffects::TextWatermarkLayout& layout)
{
    return {layout.shadowOffset.x(), -layout.shadowOffset.y()};
}

double shadowSigma(const ImageEffects::TextWatermarkLayout& layout)
{
    return layout.shadowBlur / 2;
}

// Whole pixels touched by `area`, within the image (clipped first, so absurd sizes cannot overflow).
QRect pixelsWithin(const QRectF& area, const QRect& image)
{
    return area.intersected(QRectF(image)).toAlignedRect().adjusted(-1, -1, 1, 1).intersected(image);
}

// Pixels the blurred shadow can reach, within the image.
QRect shadowArea(const QPainterPath& textPath, const ImageEffects::TextWatermarkLayout& layout, const QRect& image)
{
    const double reach = std::ceil(3 * shadowSigma(layout)) + 2;
    return pixelsWithin(textPath.boundingRect().translated(shadowShift(layout)).adjusted(-reach, -reach, reach, reach),
                        image);
}

// Blurred, offset copy of the text below it, drawn as a drop shadow of what is drawn: the
// shadow's alpha is the shadow colour's alpha times the text's own alpha.
void drawShadow(QPainter& painter, const QPainterPath& textPath, const ImageEffects::TextWatermarkLayout& layout,
                double opacity, const QRect& image)
{
    const QRect area = shadowArea(textPath, layout, image);
    if (area.isEmpty())
        return;
    opacity = std::clamp(opacity, 0.0, 1.0);
    QImage layer(area.size(), QImage::Format_ARGB32_Premultiplied);
    if (layer.isNull())
        throw std::bad_alloc();
    layer.fill(Qt::transparent);
    {
        QPainter shadowPainter(&layer);
        shadowPainter.setRenderHint(QPainter::Antialiasing);
        shadowPainter.translate(shadowShift(layout) - QPointF(area.topLeft()));
        shadowPainter.fillPath(textPath, QColor::fromRgbF(0, 0, 0, float(0.5 * opacity * opacity)));
    }
    const double sigma = shadowSigma(layout);
    if (sigma >= 0.3) {
        cv::Mat pixels(layer.height(), layer.width(), CV_8UC4, layer.bits(), size_t(layer.bytesPerLine()));
        cv::GaussianBlur(pixels, pixels, cv::Size(0, 0), sigma, sigma, cv::BORDER_CONSTANT);
    }
    painter.drawImage(area.topLeft(), layer);
}

} // namespace

QString ImageEffects::watermarkFontFamily()
{
    // Metric-compatible with Helvetica, the watermark's intended face; DejaVu is everywhere Qt is.
    static const QString family = [] {
        const QString preferred = QStringLiteral("Liberation Sans");
        if (QFontInfo(referenceFont(preferred)).family() == preferred)
            return preferred;
        return QStringLiteral("DejaVu Sans");
    }();
    return family;
}

ImageEffects::TextWatermarkLayout ImageEffects::textWatermarkLayout(int width, int height, const WatermarkSpec& spec)
{
    TextWatermarkLayout layout;
    const double w = std::max(width, 1);
    const double h = std::max(height, 1);
    layout.size = std::min(w, h) * spec.sizePercent / 100;
    layout.fontSize = layout.size <= 8 ? 8 : layout.size;
    layout.margin = 0.8 * layout.fontSize;
    layout.shadowOffset = QPointF(0, -0.05 * layout.size);
    layout.shadowBlur = 0.15 * layout.size;
    layout.fontFamily = watermarkFontFamily();

    // Typographic bounds: the advance width by ascent + descent about the baseline; the font's
    // line gap is left out, as Helvetica's has none and placement should not depend on it.
    const QFontMetricsF metrics(referenceFont(layout.fontFamily));
    const double scale = layout.fontSize / kReferencePixelSize;
    const double ascent = metrics.ascent() * scale;
    const double descent = metrics.descent() * scale;
    const double advance = metrics.horizontalAdvance(spec.text) * scale;
    layout.bounds = QRectF(0, -descent, advance, ascent + descent);

    const double m = layout.margin;
    const double minX = layout.bounds.left(), maxX = layout.bounds.right();
    const double minY = layout.bounds.top(), maxY = layout.bounds.bottom(); // y up: top() is the minimum
    switch (spec.position) {
    case WatermarkPosition::topLeft:
        layout.origin = {m - minX, h - m - maxY};
        break;
    case WatermarkPosition::topRight:
        layout.origin = {w - m - maxX, h - m - maxY};
        break;
    case WatermarkPosition::center:
        layout.origin = {(w - layout.bounds.width()) / 2 - minX, (h - layout.bounds.height()) / 2 - minY};
        break;
    case WatermarkPosition::bottomLeft:
        layout.origin = {m - minX, m - minY};
        break;
    case WatermarkPosition::bottomRight:
        layout.origin = {w - m - maxX, m - minY};
        break;
    }
    return layout;
}

QRectF ImageEffects::logoRect(int width, int height, QSize logoPixels, const WatermarkSpec& spec)
{
    const double w = std::max(width, 1);
    const double h = std::max(height, 1);
    const double minSide = std::min(w, h);
    const double lw = minSide * spec.sizePercent * 3 / 100;
    const double lh = lw * logoPixels.height() / std::max(logoPixels.width(), 1);
    const double m = 0.03 * minSide;
    switch (spec.position) {
    case WatermarkPosition::topLeft:
        return {m, h - m - lh, lw, lh};
    case WatermarkPosition::topRight:
        return {w - m - lw, h - m - lh, lw, lh};
    case WatermarkPosition::center:
        return {(w - lw) / 2, (h - lh) / 2, lw, lh};
    case WatermarkPosition::bottomLeft:
        return {m, m, lw, lh};
    case WatermarkPosition::bottomRight:
        break;
    }
    return {w - m - lw, m, lw, lh};
}

Bitmap ImageEffects::watermarked(const Bitmap& image, const WatermarkSpec& spec, const QString& name)
{
    // The logo is read first so an unreadable logo is reported as such whatever else fails.
    QImage logo;
    if (spec.logoPath)
        logo = LogoWatermark::load(*spec.logoPath);
    try {
        const int width = image.width();
        const int height = image.height();
        const QRect whole(0, 0, width, height);
        // Only the pixels under the mark (and its shadow) go through QPainter; the rest of a large
        // photo is never converted.
        const auto paintPatch = [&](const QRect& area, const auto& paint) {
            const QRect patchRect = area.intersected(whole);
            if (patchRect.isEmpty())
                return Bitmap(image.copy_memory());
            QImage patch = toQImage(image.crop(patchRect.x(), patchRect.y(), patchRect.width(), patchRect.height()));
            if (patch.isNull())
                throw KelvaroError::writeFailed(name);
            {
                QPainter painter(&patch);
                if (!painter.isActive())
                    throw KelvaroError::writeFailed(name);
                painter.translate(-patchRect.topLeft());
                paint(painter);
            }
            return Bitmap(image.insert(fromQImage(patch), patchRect.x(), patchRect.y()).copy_memory());
        };

        if (spec.logoPath) {
            const QRectF r = logoRect(width, height, logo.size(), spec);
            const QRectF target(r.x(), height - r.y() - r.height(), r.width(), r.height()); // y down
            if (!std::isfinite(target.width()) || !std::isfinite(target.height()))
                throw KelvaroError::writeFailed(name);
            return paintPatch(pixelsWithin(target, whole), [&](QPainter& painter) {
                LogoWatermark::draw(painter, logo, target, spec.opacity, name);
            });
        }

        if (!hasFontDatabase())
            throw KelvaroError::writeFailed(name);
        const TextWatermarkLayout layout = textWatermarkLayout(width, height, spec);
        // No accepted photo has a shorter side near this; beyond it the rasteriser crawls.
        constexpr double kLargestFont = 32768;
        if (!(layout.fontSize <= kLargestFont) || !std::isfinite(layout.origin.x()) || !std::isfinite(layout.origin.y()))
            throw KelvaroError::writeFailed(name);
        QPainterPath glyphs;
        glyphs.addText(0, 0, referenceFont(layout.fontFamily), spec.text);
        const double scale = layout.fontSize / kReferencePixelSize;
        QTransform place;
        place.translate(layout.origin.x(), height - layout.origin.y()); // baseline, y down
        place.scale(scale, scale);
        const QPainterPath textPath = place.map(glyphs);
        const QRect area = pixelsWithin(textPath.boundingRect(), whole) | shadowArea(textPath, layout, whole);
        return paintPatch(area, [&](QPainter& painter) {
            painter.setRenderHint(QPainter::Antialiasing);
            drawShadow(painter, textPath, layout, spec.opacity, whole);
            painter.fillPath(textPath, QColor::fromRgbF(1, 1, 1, float(std::clamp(spec.opacity, 0.0, 1.0))));
        });
    } catch (const KelvaroError&) {
        throw;
    } catch (const std::exception&) { // vips::VError, cv::Exception, std::bad_alloc
        throw KelvaroError::writeFailed(name);
    }
}

Bitmap ImageEffects::flattenOnWhite(const Bitmap& image)
{
    try {
        const vips::VImage flat = image.flatten(vips::VImage::option()->set("background", std::vector<double>{255, 255, 255}));
        vips::VImage rgb = flat.format() == VIPS_FORMAT_UCHAR ? flat : flat.cast(VIPS_FORMAT_UCHAR);
        return rgb.bandjoin(255)
            .copy(vips::VImage::option()->set("interpretation", VIPS_INTERPRETATION_sRGB))
            .copy_memory();
    } catch (const std::exception&) {
        return image;
    }
}

QSize ImageEffects::targetSize(int width, int height, const ResizeSpec& spec)
{
    const double scale = spec.usePercent ? spec.percent / 100 : double(spec.longEdge) / std::max(std::max(width, height), 1);
    return {clampedSide(scale * width), clampedSide(scale * height)};
}

vips::VImage ImageEffects::colourPipeline(const vips::VImage& image, double brightness, double contrast, bool mono)
{
    const double b = float(brightness);
    const double c = float(contrast);
    // Every step takes its input once: a photo being turned on the way hands each part out once
    // and gives it back, so a second reader of the same pixels would decode the source again.
    const int bands = image.bands();
    vips::VImage out = image.cast(VIPS_FORMAT_FLOAT);
    if (mono) {
        std::vector<double> luma(size_t(bands) * size_t(bands), 0.0);
        for (int row = 0; row < 3; ++row) {
            luma[size_t(row * bands)] = 0.2125;
            luma[size_t(row * bands + 1)] = 0.7154;
            luma[size_t(row * bands + 2)] = 0.0721;
        }
        if (bands == 4)
            luma[15] = 1; // alpha stays
        out = out.recomb(vips::VImage::new_matrix(bands, bands, luma.data(), int(luma.size())));
    }
    // ((v/255 + b) − 0.5) × c + 0.5, in levels, plus 0.5 so the truncating cast rounds; alpha
    // passes unchanged.
    const double offset = 255 * (b * c + 0.5 * (1 - c)) + 0.5;
    std::vector<double> gains(size_t(bands), c), offsets(size_t(bands), offset);
    if (bands == 4) {
        gains[3] = 1;
        offsets[3] = 0.5;
    }
    out = out.linear(gains, offsets).cast(VIPS_FORMAT_UCHAR); // the cast clips to 0–255
    return out.copy(vips::VImage::option()->set("interpretation", VIPS_INTERPRETATION_sRGB));
}

Bitmap ImageEffects::colourControls(const Bitmap& image, double brightness, double contrast, bool mono,
                                    const QString& name)
{
    try {
        return colourPipeline(image, brightness, contrast, mono).copy_memory();
    } catch (const std::exception&) {
        throw KelvaroError::writeFailed(name);
    }
}

Bitmap ImageEffects::resized(const Bitmap& image, QSize size, const QString& name)
{
    if (size.width() < 1 || size.height() < 1 || qint64(size.width()) * size.height() > kMaxPixels)
        throw KelvaroError::writeFailed(name);
    if (size.width() == image.width() && size.height() == image.height())
        return image;
    try {
        const double hscale = double(size.width()) / image.width();
        const double vscale = double(size.height()) / image.height();
        vips::VImage out = image.premultiply()
                               .resize(hscale, vips::VImage::option()->set("vscale", vscale)->set("kernel", VIPS_KERNEL_LANCZOS3))
                               .unpremultiply();
        out = (out + 0.5).cast(VIPS_FORMAT_UCHAR); // rounds; the cast clips the kernel's overshoot
        // The kernel may round a side one pixel off; extending the edge keeps the size exact.
        if (out.width() != size.width() || out.height() != size.height())
            out = out.embed(0, 0, size.width(), size.height(), vips::VImage::option()->set("extend", VIPS_EXTEND_COPY));
        return out.copy(vips::VImage::option()->set("interpretation", VIPS_INTERPRETATION_sRGB)).copy_memory();
    } catch (const std::exception&) {
        throw KelvaroError::writeFailed(name);
    }
}

} // namespace kelvaro
