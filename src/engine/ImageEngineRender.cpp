// One file's rendering: the image work of each per-file operation, then naming and writing.
#include <algorithm>
#include <cmath>

#include <QFile>
#include <QFileInfo>

#include "engine/ExtraEffects.h"
#include "engine/FileAbort.h"
#include "engine/ImageEffects.h"
#include "engine/ImageEngine.h"
#include "engine/ImageProbe.h"
#include "engine/ImageStream.h"
#include "engine/PartFile.h"
#include "engine/WorkflowSteps.h"
#include "l10n/Localization.h"
#include "model/WorkflowLibrary.h"
#include "platform/FileSystem.h"

namespace kelvaro {
namespace {

template <class... Ts>
struct Overloaded : Ts... {
    using Ts::operator()...;
};
template <class... Ts>
Overloaded(Ts...) -> Overloaded<Ts...>;

// The formats a preset or workflow may name for an image file; pdf and zip name none.
std::optional<ImageFormat> imageFileFormat(const QString& raw)
{
    const std::optional<ImageFormat> format = imageFormatFromRaw(raw);
    if (format && *format != ImageFormat::pdf && *format != ImageFormat::zip)
        return format;
    return std::nullopt;
}

Bitmap adjusted(const Bitmap& image, const AdjustSpec& spec, const QString& name)
{
    if (spec.turns % 4 == 0 && !spec.flipH && !spec.flipV && spec.brightness == 0 && spec.contrast == 1 && !spec.mono)
        return image;
    try {
        // Turned and coloured in one pass: one new copy of the photo, not one per step.
        return ImageEngine::adjustPipeline(image, spec).copy_memory();
    } catch (const std::exception&) {
        throw KelvaroError::writeFailed(name);
    }
}

Bitmap cropped(const Bitmap& image, const PixelRect& rect, const QString& name)
{
    // Offsets outside 0–1 may push the rectangle off the photo; only its inside part is cut.
    const int left = std::max(rect.x, 0);
    const int top = std::max(rect.y, 0);
    const int right = std::min(qint64(rect.x) + rect.width, qint64(image.width()));
    const int bottom = std::min(qint64(rect.y) + rect.height, qint64(image.height()));
    if (right <= left || bottom <= top)
        throw KelvaroError::writeFailed(name);
    return image.extract_area(left, top, right - left, bottom - top).copy_memory();
}

// A preset's exact size: the photo scaled to cover the canvas, the spare part cut away as the
// offsets say (0 keeps the left or top edge, 1 the right or bottom edge).
Bitmap covering(const Bitmap& image, int targetWidth, int targetHeight, double offsetX, double offsetY,
                const QString& name)
{
    if (qint64(targetWidth) * targetHeight > kMaxPixels)
        throw KelvaroError::writeFailed(name);
    const double w = image.width();
    const double h = image.height();
    const double scale = std::max(targetWidth / std::max(w, 1.0), targetHeight / std::max(h, 1.0));
    // The part of the photo that stays visible, cut before scaling so that an extreme aspect
    // ratio never needs a huge intermediate image.
    const double visibleWidth = std::min(targetWidth / scale, w);
    const double visibleHeight = std::min(targetHeight / scale, h);
    const int cutWidth = std::clamp(int(std::lround(visibleWidth)), 1, image.width());
    const int cutHeight = std::clamp(int(std::lround(visibleHeight)), 1, image.height());
    const int left = std::clamp(int(std::lround((w - visibleWidth) * std::clamp(offsetX, 0.0, 1.0))), 0,
                                image.width() - cutWidth);
    const int top = std::clamp(int(std::lround((h - visibleHeight) * std::clamp(offsetY, 0.0, 1.0))), 0,
                               image.height() - cutHeight);
    // A view of the decoded photo: a copy of the cut would hold most of the photo a second time.
    const Bitmap cut = image.extract_area(left, top, cutWidth, cutHeight);
    return ImageEffects::resized(cut, QSize(targetWidth, targetHeight), name);
}

Bitmap presetImage(const Bitmap& image, const PresetSpec& spec, const QString& name)
{
    const int w = image.width();
    const int h = image.height();
    if (spec.targetWidth && spec.targetHeight && *spec.targetWidth >= 1 && *spec.targetHeight >= 1)
        return covering(image, *spec.targetWidth, *spec.targetHeight, spec.cropOffsetX.value_or(0.5),
                        spec.cropOffsetY.value_or(0.5), name);
    // A preset never enlarges by its long side.
    if (spec.maxSide >= 1 && spec.maxSide < std::max(w, h))
        return ImageEffects::resized(image, ImageEffects::targetSize(w, h, ResizeSpec{false, 100, spec.maxSide}), name);
    return image;
}

// How one file is decoded and rendered. When the operation only shrinks the whole photo to a
// size that its long side alone determines, the source is decoded right at that size, and the
// operation is restated for the smaller image (a percentage becomes the long side it gives), so
// the result has exactly the size of the full-size path. Anything that looks at the full-size
// pixels first (a crop, an effect, a preset's exact size) decodes at full size.
struct DecodePlan {
    int maxSide = 0; // 0: full size
    KelvaroOp op;
};

DecodePlan decodePlan(const KelvaroOp& op, const QString& file)
{
    if (const op::Resize* resize = op.as<op::Resize>()) {
        if (!resize->spec.usePercent)
            return {std::max(resize->spec.longEdge, 0), op};
        if (!(resize->spec.percent > 0 && resize->spec.percent < 100))
            return {0, op};
        const std::optional<QSize> full = ImageEngine::uprightSize(file);
        if (!full)
            return {0, op};
        const QSize target = ImageEffects::targetSize(full->width(), full->height(), resize->spec);
        const ResizeSpec byLongSide{false, resize->spec.percent, std::max(target.width(), target.height())};
        // Rounding may make the long side give a short side one pixel off: then full size.
        if (ImageEffects::targetSize(full->width(), full->height(), byLongSide) != target)
            return {0, op};
        return {byLongSide.longEdge, KelvaroOp::resize(byLongSide)};
    }
    if (const op::Preset* preset = op.as<op::Preset>()) {
        const PresetSpec& spec = preset->spec;
        if (spec.targetWidth && spec.targetHeight && *spec.targetWidth >= 1 && *spec.targetHeight >= 1)
            return {0, op};
        return {std::max(spec.maxSide, 0), op};
    }
    if (const op::RunWorkflow* workflow = op.as<op::RunWorkflow>()) {
        // Colour steps before the first resize work pixel by pixel, so they may see fewer pixels.
        for (const WorkflowStep& step : workflow->workflow.steps) {
            if (step.kind == WorkflowStep::Kind::resize)
                return {std::max(step.longEdge, 0), op};
            if (step.kind != WorkflowStep::Kind::adjust)
                return {0, op};
        }
    }
    return {0, op};
}

} // namespace

vips::VImage ImageEngine::adjustPipeline(const vips::VImage& image, const AdjustSpec& spec)
{
    vips::VImage out = image;
    const int turns = ((spec.turns % 4) + 4) % 4;
    // Mirrored first, then turned clockwise: the flips act on the photo as it was shown.
    if (spec.flipH)
        out = out.flip(VIPS_DIRECTION_HORIZONTAL);
    if (spec.flipV)
        out = out.flip(VIPS_DIRECTION_VERTICAL);
    static const VipsAngle angles[] = {VIPS_ANGLE_D0, VIPS_ANGLE_D90, VIPS_ANGLE_D180, VIPS_ANGLE_D270};
    if (turns != 0)
        out = out.rot(angles[turns]);
    if (spec.brightness != 0 || spec.contrast != 1 || spec.mono)
        out = ImageEffects::colourPipeline(out, spec.brightness, spec.contrast, spec.mono);
    return out;
}

ImageEngine::Rendered ImageEngine::outputOf(const KelvaroOp& op, const QString& file, const EngineSettings& settings)
{
    const AppLanguage language = settings.language;
    Rendered r;
    r.format = matchingFormat(file);
    r.quality = settings.jpegQuality;
    std::visit(Overloaded{
                   [&](const op::Adjust&) { r.suffix = L(language, "úpravy"); },
                   [&](const op::Preset& o) {
                       r.format = imageFileFormat(o.spec.format).value_or(r.format);
                       r.quality = o.spec.quality;
                       r.keepMetadata = !o.spec.stripMetadata;
                       r.suffix = L(language, o.spec.name);
                   },
                   [&](const op::RunWorkflow& o) {
                       const bool removesBackground =
                           std::any_of(o.workflow.steps.begin(), o.workflow.steps.end(), [](const WorkflowStep& step) {
                               return step.kind == WorkflowStep::Kind::removeBackground;
                           });
                       if (const std::optional<ImageFormat> format = imageFileFormat(o.workflow.format))
                           r.format = *format;
                       else if (removesBackground)
                           r.format = ImageFormat::png;
                       r.quality = o.workflow.quality;
                       r.keepMetadata = !o.workflow.stripMetadata;
                       r.suffix = L(language, o.workflow.name);
                       r.countsSavedBytes = true;
                   },
                   [&](const op::Convert& o) {
                       r.format = o.format;
                       r.countsSavedBytes = true;
                   },
                   [&](const op::Crop& o) {
                       QString ratio = label(o.spec.ratio);
                       ratio.replace(QLatin1Char(':'), QLatin1Char('x'));
                       r.suffix = Lf(language, "ořez %@", ratio);
                   },
                   // The suffix names the result's width, known once it is computed.
                   [&](const op::Resize&) { r.countsSavedBytes = true; },
                   [&](const op::Compress& o) {
                       r.format = ImageFormat::jpg;
                       r.quality = o.quality;
                       r.suffix = L(language, "komprese");
                       r.countsSavedBytes = true;
                   },
                   [&](const op::Watermark&) { r.suffix = L(language, "vodoznak"); },
                   [&](const op::BlurFaces&) { r.suffix = L(language, "rozmazané obličeje"); },
                   [&](const op::RemoveBackground&) {
                       r.format = ImageFormat::png;
                       r.suffix = L(language, "bez pozadí");
                   },
                   [&](const op::StripMetadata&) {
                       r.quality = 0.95;
                       r.keepMetadata = false;
                       r.suffix = L(language, "bez metadat");
                       r.countsSavedBytes = true;
                   },
                   [&](const op::Rename&) {},
                   [&](const op::Move&) {},
                   [&](const op::Ocr&) {},
                   [&](const op::Scan&) {},
               },
               op.value);
    return r;
}

ImageEngine::Rendered ImageEngine::render(const KelvaroOp& op, const LoadedImage& source, const QString& file,
                                          const QString& name, const EngineSettings& settings)
{
    Rendered r = outputOf(op, file, settings);
    r.image = source.image;
    try {
        std::visit(
            Overloaded{
                [&](const op::Adjust& o) { r.image = adjusted(r.image, o.spec, name); },
                [&](const op::Preset& o) { r.image = presetImage(r.image, o.spec, name); },
                [&](const op::RunWorkflow& o) {
                    // A built-in stored in another language (a watch rule's) speaks the run's.
                    const Workflow workflow = WorkflowLibrary::inLanguage(o.workflow, settings.language);
                    for (const WorkflowStep& step : workflow.steps) {
                        checkFileAbort();
                        r.image = WorkflowSteps::apply(step, r.image, name, settings.faceStyle);
                    }
                },
                [&](const op::Convert&) {},
                [&](const op::Crop& o) { r.image = cropped(r.image, o.spec.rect(r.image.width(), r.image.height()), name); },
                [&](const op::Resize& o) {
                    const QSize size = ImageEffects::targetSize(r.image.width(), r.image.height(), o.spec);
                    r.image = ImageEffects::resized(r.image, size, name);
                    r.suffix = QString::number(size.width()) + QStringLiteral("px");
                },
                [&](const op::Compress&) {},
                [&](const op::Watermark& o) { r.image = ImageEffects::watermarked(r.image, o.spec, name); },
                [&](const op::BlurFaces&) { r.image = ImageEffects::blurredFaces(r.image, settings.faceStyle, name); },
                [&](const op::RemoveBackground&) { r.image = ImageEffects::removeBackground(r.image, name); },
                [&](const op::StripMetadata&) {},
                // Handled by the batch itself; they never render an image.
                [&](const op::Rename&) { throw KelvaroError::writeFailed(name); },
                [&](const op::Move&) { throw KelvaroError::writeFailed(name); },
                [&](const op::Ocr&) { throw KelvaroError::writeFailed(name); },
                [&](const op::Scan&) { throw KelvaroError::writeFailed(name); },
            },
            op.value);
    } catch (const KelvaroError&) {
        throw;
    } catch (const std::exception&) { // vips::VError, cv::Exception, std::bad_alloc
        throw KelvaroError::writeFailed(name);
    }
    return r;
}

ImageEngine::One ImageEngine::renderImage(const KelvaroOp& op, const QString& file, const QString& base,
                                          const QString& name, qint64 originalSize, const QString& outDir,
                                          const EngineSettings& settings)
{
    if (std::optional<One> streamed = streamImage(op, file, base, name, originalSize, outDir, settings))
        return *streamed;
    const DecodePlan plan = decodePlan(op, file);
    LoadedImage source = load(file, plan.maxSide);
    checkFileAbort();
    Rendered rendered = render(plan.op, source, file, name, settings);
    checkFileAbort();
    // Only its metadata is written: the decoded photo goes before the encoder makes its copy.
    source.image = Bitmap();
    // A preset or workflow without a name has nothing to add: no dangling space before the extension.
    const bool suffixed = settings.describeNames && rendered.suffix && !rendered.suffix->trimmed().isEmpty();
    const QString suffix = suffixed ? *rendered.suffix : QString();
    const QString ext = fileExtension(rendered.format);
    const QString failedName = numberedFileName(base, ext, 1, suffix);
    PartFile part(outDir);
    if (!part.isValid())
        throw part.failure(KelvaroError::writeFailed(failedName));
    try {
        writeImage(std::move(rendered.image), rendered.format, effectiveQuality(rendered.quality, rendered.format, settings),
                   rendered.keepMetadata ? &source : nullptr, part.writePath(), failedName);
    } catch (const KelvaroError& error) {
        throw part.failure(error);
    }
    // The file gives its memory back while it waits for its name: nothing of it may stay held.
    rendered.image = Bitmap();
    // In a parallel batch, names are claimed in input order.
    const QString out = part.placeInTurn(base, ext, suffix);
    if (out.isEmpty())
        throw part.failure(KelvaroError::writeFailed(failedName));
    One one;
    one.url = out;
    if (rendered.countsSavedBytes)
        one.savedBytes = std::max<qint64>(originalSize - fileSize(out), 0);
    return one;
}

} // namespace kelvaro
