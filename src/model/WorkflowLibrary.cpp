#include "model/WorkflowLibrary.h"

#include <algorithm>
#include <atomic>
#include <cmath>

#include <QJsonArray>

#include "l10n/Localization.h"
#include "model/Operations.h"
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

WorkflowStep step(const char* id, WorkflowStep::Kind kind, AppLanguage language)
{
    WorkflowStep s = WorkflowStep::make(kind);
    s.id = QUuid(QLatin1String(id));
    s.text = WorkflowStep::defaultText(language);
    return s;
}

WorkflowStep resizeStep(const char* id, int longEdge, AppLanguage language)
{
    WorkflowStep s = step(id, WorkflowStep::Kind::resize, language);
    s.longEdge = longEdge;
    return s;
}

bool isBuiltInText(const QString& text)
{
    for (AppLanguage language : allAppLanguages())
        if (language != AppLanguage::system && text == WorkflowStep::defaultText(language))
            return true;
    return false;
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

// The built-ins with the watermark's text in `l`.
QList<Workflow> builtIns(AppLanguage l)
{
    using K = WorkflowStep::Kind;
    return {
        builtIn(kPortfolioId, LKey("Portfolio"), "star.fill",
                {step(kPortfolioAdjustId, K::adjust, l), resizeStep(kPortfolioResizeId, 2400, l),
                 step(kPortfolioWatermarkId, K::watermark, l)},
                "jpg", 0.9, false),
        builtIn(kProductId, LKey("Produktovka"), "shippingbox.fill",
                {step(kProductBackgroundId, K::removeBackground, l), resizeStep(kProductResizeId, 1200, l)}, "png", 0.9,
                false),
        builtIn(kSafeSharingId, LKey("Bezpečné sdílení"), "lock.shield.fill",
                {step(kSafeSharingFacesId, K::blurFaces, l), resizeStep(kSafeSharingResizeId, 1600, l)}, "jpg", 0.8, true),
    };
}

} // namespace

const QList<Workflow>& WorkflowLibrary::defaults()
{
    return defaults(L10n::current());
}

const QList<Workflow>& WorkflowLibrary::defaults(AppLanguage language)
{
    static const QList<Workflow> czech = builtIns(AppLanguage::czech);
    static const QList<Workflow> english = builtIns(AppLanguage::english);
    return L10n::resolved(language) == AppLanguage::english ? english : czech;
}

bool WorkflowLibrary::isBuiltIn(const QUuid& id)
{
    static const QUuid ids[] = {QUuid(QLatin1String(kPortfolioId)), QUuid(QLatin1String(kProductId)),
                                QUuid(QLatin1String(kSafeSharingId))};
    return !id.isNull() && std::find(std::begin(ids), std::end(ids), id) != std::end(ids);
}

Workflow WorkflowLibrary::inLanguage(const Workflow& workflow, AppLanguage language)
{
    if (!isBuiltIn(workflow.id))
        return workflow;
    Workflow shown = workflow;
    // Every step carries the text, a watermark's or not: all of them follow, so a built-in is
    // one value in each language.
    for (WorkflowStep& step : shown.steps)
        if (isBuiltInText(step.text))
            step.text = WorkflowStep::defaultText(language);
    return shown;
}

QList<Workflow> WorkflowLibrary::inLanguage(const QList<Workflow>& workflows, AppLanguage language)
{
    QList<Workflow> shown;
    shown.reserve(workflows.size());
    for (const Workflow& workflow : workflows)
        shown.append(inLanguage(workflow, language));
    return shown;
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
        // the Czech quotes in every language: the text is the user's, not ours to translate
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

} // namespace kelvaro
