#include "engine/WorkflowSteps.h"

#include <algorithm>

#include "engine/ExtraEffects.h"
#include "engine/ImageEffects.h"
#include "model/Operations.h"

namespace kelvaro {
namespace {

// Everything but our own KelvaroError (libvips, OpenCV, allocation) fails the photo the same way.
template <typename Body>
Bitmap guarded(const QString& name, Body body)
{
    try {
        return body();
    } catch (const KelvaroError&) {
        throw;
    } catch (const std::exception&) {
        throw KelvaroError::writeFailed(name);
    }
}

} // namespace

Bitmap WorkflowSteps::apply(const WorkflowStep& step, const Bitmap& image, const QString& name, FaceStyle faceStyle)
{
    using K = WorkflowStep::Kind;
    const int width = image.width();
    const int height = image.height();
    switch (step.kind) {
    case K::removeBackground:
        return ImageEffects::removeBackground(image, name);
    case K::blurFaces:
        return ImageEffects::blurredFaces(image, faceStyle, name);
    case K::adjust:
        if (step.brightness == 0 && step.contrast == 1 && !step.mono)
            return image;
        return ImageEffects::colourControls(image, step.brightness, step.contrast, step.mono, name);
    case K::crop:
        return guarded(name, [&] {
            const CropSpec spec{cropRatioFromRaw(step.ratio).value_or(CropRatio::square), 0.5, 0.5};
            const PixelRect r = spec.rect(width, height);
            if (r.width < 1 || r.height < 1 || r.x < 0 || r.y < 0 || r.x + r.width > width || r.y + r.height > height)
                throw KelvaroError::writeFailed(name);
            return Bitmap(image.crop(r.x, r.y, r.width, r.height).copy_memory());
        });
    case K::resize:
        if (step.longEdge < 1 || step.longEdge >= std::max(width, height))
            return image;
        return ImageEffects::resized(
            image, ImageEffects::targetSize(width, height, ResizeSpec{false, 100, step.longEdge}), name);
    case K::watermark: {
        WatermarkSpec spec;
        spec.text = step.text;
        spec.position = watermarkPositionFromRaw(step.position).value_or(WatermarkPosition::bottomRight);
        spec.opacity = step.opacity;
        spec.sizePercent = step.sizePercent;
        return ImageEffects::watermarked(image, spec, name);
    }
    }
    return image;
}

} // namespace kelvaro
