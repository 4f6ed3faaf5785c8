#include "model/Workflow.h"

#include <limits>

#include <QJsonArray>

#include "l10n/Localization.h"
#include "platform/Json.h"

namespace kelvaro {
namespace {

QString defaultWatermarkText()
{
    return WorkflowStep::defaultText(L10n::current());
}

} // namespace

QString rawValue(WorkflowStep::Kind kind)
{
    switch (kind) {
    case WorkflowStep::Kind::removeBackground: return QStringLiteral("removeBackground");
    case WorkflowStep::Kind::blurFaces: return QStringLiteral("blurFaces");
    case WorkflowStep::Kind::adjust: return QStringLiteral("adjust");
    case WorkflowStep::Kind::crop: return QStringLiteral("crop");
    case WorkflowStep::Kind::resize: return QStringLiteral("resize");
    case WorkflowStep::Kind::watermark: return QStringLiteral("watermark");
    }
    return QStringLiteral("adjust");
}

const QList<WorkflowStep::Kind>& allWorkflowStepKinds()
{
    using K = WorkflowStep::Kind;
    static const QList<K> all{K::removeBackground, K::blurFaces, K::adjust, K::crop, K::resize, K::watermark};
    return all;
}

std::optional<WorkflowStep::Kind> workflowStepKindFromRaw(const QString& raw)
{
    for (WorkflowStep::Kind k : allWorkflowStepKinds())
        if (rawValue(k) == raw)
            return k;
    return std::nullopt;
}

QString title(WorkflowStep::Kind kind)
{
    switch (kind) {
    case WorkflowStep::Kind::removeBackground: return L("Odstranit pozadí", "workflow step");
    case WorkflowStep::Kind::blurFaces: return L("Rozmazat obličeje", "workflow step");
    case WorkflowStep::Kind::adjust: return L("Úpravy barev", "workflow step");
    case WorkflowStep::Kind::crop: return L("Oříznout na poměr", "workflow step");
    case WorkflowStep::Kind::resize: return L("Zmenšit", "workflow step");
    case WorkflowStep::Kind::watermark: return L("Přidat vodoznak", "workflow step");
    }
    return {};
}

QString menuTitle(WorkflowStep::Kind kind)
{
    switch (kind) {
    case WorkflowStep::Kind::removeBackground: return L("Odstranit pozadí");
    case WorkflowStep::Kind::blurFaces: return L("Rozmazat obličeje");
    case WorkflowStep::Kind::adjust: return L("Úpravy barev");
    case WorkflowStep::Kind::crop: return L("Oříznout na poměr");
    case WorkflowStep::Kind::resize: return L("Zmenšit");
    case WorkflowStep::Kind::watermark: return L("Přidat vodoznak");
    }
    return {};
}

QString WorkflowStep::defaultText(AppLanguage language)
{
    return L(language, "© Moje fotky");
}

WorkflowStep WorkflowStep::make(Kind kind)
{
    WorkflowStep step;
    step.id = QUuid::createUuid();
    step.kind = kind;
    step.contrast = kind == Kind::adjust ? 1.1 : 1.0;
    step.text = defaultWatermarkText();
    return step;
}

QJsonObject WorkflowStep::toJson() const
{
    return json::Writer(unknownMembers)
        .set(QStringLiteral("id"), id)
        .set(QStringLiteral("kind"), rawValue(kind))
        .set(QStringLiteral("brightness"), brightness)
        .set(QStringLiteral("contrast"), contrast)
        .set(QStringLiteral("mono"), mono)
        .set(QStringLiteral("ratio"), ratio)
        .set(QStringLiteral("longEdge"), longEdge)
        .set(QStringLiteral("text"), text)
        .set(QStringLiteral("position"), position)
        .set(QStringLiteral("opacity"), opacity)
        .set(QStringLiteral("sizePercent"), sizePercent)
        .object();
}

// Lenient: a missing or null member takes its default; a member of another type fails.
std::optional<WorkflowStep> WorkflowStep::fromJson(const QJsonValue& value)
{
    json::Reader r(value);
    WorkflowStep step;
    step.id = r.optUuid(QStringLiteral("id")).value_or(QUuid());
    if (step.id.isNull() && !r.has(QStringLiteral("id")))
        step.id = QUuid::createUuid();
    const auto kind = workflowStepKindFromRaw(r.string(QStringLiteral("kind")));
    if (!kind)
        r.fail();
    step.kind = kind.value_or(Kind::adjust);
    step.brightness = r.optNumber(QStringLiteral("brightness")).value_or(0);
    step.contrast = r.optNumber(QStringLiteral("contrast")).value_or(1);
    step.mono = r.optBoolean(QStringLiteral("mono")).value_or(false);
    step.ratio = r.optString(QStringLiteral("ratio")).value_or(QStringLiteral("square"));
    const qint64 longEdge = r.optInteger(QStringLiteral("longEdge")).value_or(1600);
    if (longEdge < std::numeric_limits<int>::min() || longEdge > std::numeric_limits<int>::max())
        r.fail();
    step.longEdge = int(longEdge);
    if (const auto text = r.optString(QStringLiteral("text")))
        step.text = *text;
    else
        step.text = defaultWatermarkText();
    step.position = r.optString(QStringLiteral("position")).value_or(QStringLiteral("bottomRight"));
    step.opacity = r.optNumber(QStringLiteral("opacity")).value_or(0.8);
    step.sizePercent = r.optNumber(QStringLiteral("sizePercent")).value_or(5);
    step.unknownMembers = r.unknownMembers();
    if (!r.ok())
        return std::nullopt;
    return step;
}

QJsonObject Workflow::toJson() const
{
    QJsonArray stepArray;
    for (const WorkflowStep& step : steps)
        stepArray.append(step.toJson());
    return json::Writer(unknownMembers)
        .set(QStringLiteral("id"), id)
        .set(QStringLiteral("name"), name)
        .set(QStringLiteral("symbol"), symbol)
        .set(QStringLiteral("steps"), QJsonValue(stepArray))
        .set(QStringLiteral("format"), format)
        .set(QStringLiteral("quality"), quality)
        .set(QStringLiteral("stripMetadata"), stripMetadata)
        .object();
}

std::optional<Workflow> Workflow::fromJson(const QJsonValue& value)
{
    json::Reader r(value);
    Workflow w;
    w.id = r.optUuid(QStringLiteral("id")).value_or(QUuid());
    if (w.id.isNull() && !r.has(QStringLiteral("id")))
        w.id = QUuid::createUuid();
    w.name = r.string(QStringLiteral("name"));
    w.symbol = r.optString(QStringLiteral("symbol")).value_or(QStringLiteral("wand.and.stars"));
    if (r.has(QStringLiteral("steps"))) {
        for (const QJsonValue& v : r.array(QStringLiteral("steps"))) {
            auto step = WorkflowStep::fromJson(v);
            if (!step) {
                r.fail();
                break;
            }
            w.steps.append(std::move(*step));
        }
    }
    w.format = r.optString(QStringLiteral("format")).value_or(QString());
    w.quality = r.optNumber(QStringLiteral("quality")).value_or(0.9);
    w.stripMetadata = r.optBoolean(QStringLiteral("stripMetadata")).value_or(false);
    w.unknownMembers = r.unknownMembers();
    if (!r.ok())
        return std::nullopt;
    return w;
}

} // namespace kelvaro
