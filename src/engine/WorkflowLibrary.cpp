#include "engine/WorkflowLibrary.h"

#include <algorithm>
#include <atomic>
#include <cmath>

#include <QJsonArray>

#include "engine/ExtraEffects.h"
#include "engine/ImageEffects.h"
#include "engine/Localization.h"
#include "engine/Operations.h"
#include "platform/Json.h"
#include "platform/Log.h"
#include "platform/Settings.h"

namespace kelvaro {
namespace {

QString settingsKey()
{
    return QString::fromLatin1(WorkflowLibrary::key);
}

WorkflowStep step(WorkflowStep::Kind kind)
{
    return WorkflowStep::make(kind);
}

WorkflowStep resizeStep(int longEdge)
{
    WorkflowStep s = WorkflowStep::make(WorkflowStep::Kind::resize);
    s.longEdge = longEdge;
    return s;
}

Workflow builtIn(const char* name, const char* symbol, QList<WorkflowStep> steps, const char* format, double quality,
                 bool stripMetadata)
{
    Workflow w;
    w.id = QUuid::createUuid();
    w.name = QString::fromUtf8(name); // stored in Czech; translated where shown or used as a suffix
    w.symbol = QString::fromLatin1(symbol);
    w.steps = std::move(steps);
    w.format = QString::fromLatin1(format);
    w.quality = quality;
    w.stripMetadata = stripMetadata;
    return w;
}

// Numbers of the texts are truncated toward zero, never rounded: a contrast of 1.2 reads 39.
qint64 truncated(double value)
{
    if (!std::isfinite(value))
        return 0;
    return qint64(std::trunc(std::clamp(value, -9.0e18, 9.0e18)));
}

void logUnreadableOnce()
{
    static std::atomic_bool logged{false};
    if (!logged.exchange(true))
        logLine(QStringLiteral("failed to decode workflows"));
}

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

const QList<Workflow>& WorkflowLibrary::defaults()
{
    using K = WorkflowStep::Kind;
    static const QList<Workflow> workflows{
        builtIn("Portfolio", "star.fill", {step(K::adjust), resizeStep(2400), step(K::watermark)}, "jpg", 0.9, false),
        builtIn("Produktovka", "shippingbox.fill", {step(K::removeBackground), resizeStep(1200)}, "png", 0.9, false),
        builtIn("Bezpečné sdílení", "lock.shield.fill", {step(K::blurFaces), resizeStep(1600)}, "jpg", 0.8, true),
    };
    return workflows;
}

std::optional<QList<Workflow>> WorkflowLibrary::decode(const QByteArray& data)
{
    if (data.isEmpty())
        return defaults();
    return json::decodeList<Workflow>(data, [](const QJsonValue& v) { return Workflow::fromJson(v); });
}

std::optional<QList<Workflow>> WorkflowLibrary::load()
{
    Settings& settings = Settings::shared();
    std::optional<QList<Workflow>> list;
    if (!settings.contains(settingsKey()))
        list = decode(QByteArray());
    else if (const std::optional<QByteArray> data = settings.dataValue(settingsKey()))
        list = decode(*data);
    // a value of another type is as unreadable as bad JSON
    if (!list)
        logUnreadableOnce();
    return list;
}

QString WorkflowLibrary::summary(const WorkflowStep& step)
{
    using K = WorkflowStep::Kind;
    switch (step.kind) {
    case K::removeBackground:
        return L("Vystřihne hlavní objekt");
    case K::blurFaces:
        return L("Skryje obličeje na fotce");
    case K::adjust: {
        QStringList parts;
        if (step.brightness != 0)
            parts << Lf("jas %ld", truncated(step.brightness * 200));
        if (step.contrast != 1)
            parts << Lf("kontrast %ld", truncated((step.contrast - 1) * 200));
        if (step.mono)
            parts << L("černobíle");
        return parts.isEmpty() ? L("Beze změny") : parts.join(QStringLiteral(", "));
    }
    case K::crop:
        return Lf("Poměr %@", label(cropRatioFromRaw(step.ratio).value_or(CropRatio::square)));
    case K::resize:
        return Lf("Delší strana nejvýš %ld px", step.longEdge);
    case K::watermark:
        return QStringLiteral("„") + step.text + QStringLiteral("“");
    }
    return {};
}

QString WorkflowLibrary::outputSummary(const Workflow& workflow)
{
    QStringList parts;
    parts << (workflow.format.isEmpty() ? L("Původní formát") : workflow.format.toUpper());
    if (workflow.format.isEmpty() || workflow.format == QLatin1String("jpg") || workflow.format == QLatin1String("heic"))
        parts << Lf("kvalita %ld %%", truncated(workflow.quality * 100));
    if (workflow.stripMetadata)
        parts << L("bez metadat");
    return parts.join(QStringLiteral(" · "));
}

QString WorkflowLibrary::summary(const Workflow& workflow)
{
    const qint64 n = workflow.steps.size();
    const QString steps = n == 1 ? Lf("%ld krok", n) : n < 5 ? Lf("%ld kroky", n) : Lf("%ld kroků", n);
    return steps + QStringLiteral(" · ") + outputSummary(workflow);
}

Bitmap WorkflowLibrary::apply(const WorkflowStep& step, const Bitmap& image, const QString& name)
{
    using K = WorkflowStep::Kind;
    const int width = image.width();
    const int height = image.height();
    switch (step.kind) {
    case K::removeBackground:
        return ImageEffects::removeBackground(image, name);
    case K::blurFaces:
        return ImageEffects::blurredFaces(image, name);
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
