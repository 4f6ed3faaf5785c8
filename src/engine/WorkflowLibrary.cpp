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

// The built-ins' ids and their steps', fixed for good: stored watch rules and pickers find a
// built-in by its id in every later run, so none may ever change.
constexpr const char* kPortfolioId = "311336EF-0FAD-49CD-8393-4CCBCD38F654";
constexpr const char* kPortfolioAdjustId = "D38CE5B0-9DB2-4EF9-9003-063F95342591";
constexpr const char* kPortfolioResizeId = "3092C778-119C-4C04-B056-9A41FBD74A41";
constexpr const char* kPortfolioWatermarkId = "D6912DDB-BE3C-4B18-87D9-3E73F0486CB9";
constexpr const char* kProductId = "CAD518CE-7C0D-41C1-8838-003CE9AD21D4";
constexpr const char* kProductBackgroundId = "4DB5019C-5B0E-48F5-B6B4-F3655D03FCE6";
constexpr const char* kProductResizeId = "B629FE18-F466-4D32-9601-55CEBA8DE18D";
constexpr const char* kSafeSharingId = "4EBE8565-867C-4941-BC7E-1E5B857D7FDB";
constexpr const char* kSafeSharingFacesId = "10ED78DF-DA28-4A2B-86C0-DCA6B19BCCA0";
constexpr const char* kSafeSharingResizeId = "07A80921-BA30-45BD-8500-622712A0D05D";

WorkflowStep step(const char* id, WorkflowStep::Kind kind)
{
    WorkflowStep s = WorkflowStep::make(kind);
    s.id = QUuid(QLatin1String(id));
    return s;
}

WorkflowStep resizeStep(const char* id, int longEdge)
{
    WorkflowStep s = step(id, WorkflowStep::Kind::resize);
    s.longEdge = longEdge;
    return s;
}

Workflow builtIn(const char* id, const char* name, const char* symbol, QList<WorkflowStep> steps, const char* format,
                 double quality, bool stripMetadata)
{
    Workflow w;
    w.id = QUuid(QLatin1String(id));
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
        builtIn(kPortfolioId, LKey("Portfolio"), "star.fill",
                {step(kPortfolioAdjustId, K::adjust), resizeStep(kPortfolioResizeId, 2400),
                 step(kPortfolioWatermarkId, K::watermark)},
                "jpg", 0.9, false),
        builtIn(kProductId, LKey("Produktovka"), "shippingbox.fill",
                {step(kProductBackgroundId, K::removeBackground), resizeStep(kProductResizeId, 1200)}, "png", 0.9, false),
        builtIn(kSafeSharingId, LKey("Bezpečné sdílení"), "lock.shield.fill",
                {step(kSafeSharingFacesId, K::blurFaces), resizeStep(kSafeSharingResizeId, 1600)}, "jpg", 0.8, true),
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
        return Lf("„%@“", step.text); // quotes of the interface language
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
