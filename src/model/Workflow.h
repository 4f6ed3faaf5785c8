#pragma once
// A named recipe of steps plus its own output settings; stored as a JSON list under
// "kelvaro.workflows.v1". Plain values.
#include <optional>

#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <QUuid>

#include "l10n/Localization.h"

namespace kelvaro {

struct WorkflowStep {
    enum class Kind { removeBackground, blurFaces, adjust, crop, resize, watermark };

    QUuid id;
    Kind kind = Kind::adjust;
    double brightness = 0;
    double contrast = 1;
    bool mono = false;
    QString ratio = QStringLiteral("square");          // a CropRatio raw value, kept as text
    int longEdge = 1600;
    QString text;
    QString position = QStringLiteral("bottomRight");  // a WatermarkPosition raw value, kept as text
    double opacity = 0.8;
    double sizePercent = 5;
    QJsonObject unknownMembers{}; // a later version's members, written back as read

    bool operator==(const WorkflowStep&) const = default;

    // A new step of a kind: fresh id, defaults of that kind (contrast 1.1 for adjust, the
    // localized "© Moje fotky" text).
    static WorkflowStep make(Kind kind);
    // The text a new watermark step starts with, "© Moje fotky", in `language`.
    static QString defaultText(AppLanguage language);
    QJsonObject toJson() const;
    static std::optional<WorkflowStep> fromJson(const QJsonValue& value);
};

QString rawValue(WorkflowStep::Kind kind);
std::optional<WorkflowStep::Kind> workflowStepKindFromRaw(const QString& raw);
// The step's name where steps are listed (a workflow's steps, the step editor), in the current
// language; English in sentence case.
QString title(WorkflowStep::Kind kind);
// The same as a menu item offering the step; English in title case.
QString menuTitle(WorkflowStep::Kind kind);
const QList<WorkflowStep::Kind>& allWorkflowStepKinds();

struct Workflow {
    QUuid id;
    QString name;
    QString symbol;
    QList<WorkflowStep> steps;
    QString format;           // an ImageFormat raw value, or "" for the source's own format
    double quality = 0.85;
    bool stripMetadata = false;
    QJsonObject unknownMembers{}; // a later version's members, written back as read

    bool operator==(const Workflow&) const = default;

    QJsonObject toJson() const;
    static std::optional<Workflow> fromJson(const QJsonValue& value);
};

} // namespace kelvaro
