#pragma once
// The stored workflows ("kelvaro.workflows.v1"), the built-in ones and the texts that describe a
// workflow (what a step does to an image is engine/WorkflowSteps.h). Stateless apart from the
// built-ins (made once per language); any thread.
#include <optional>

#include <QByteArray>
#include <QList>

#include "model/Workflow.h"
#include "platform/SettingsKeys.h"

namespace kelvaro::WorkflowLibrary {

inline constexpr const char* key = SettingsKey::workflows;

// The built-in workflows, with ids (their steps' too) that are the same in every run, so a
// built-in that the user edits before anything is stored keeps its identity, and a watch rule
// stored with one finds it again after a restart. Names are stored in Czech (looked up where
// shown); the watermark's text is in `language`, by default the one current at the call.
const QList<Workflow>& defaults();
const QList<Workflow>& defaults(AppLanguage language);
// Whether `id` is a built-in's: one whatever language its texts were stored in.
bool isBuiltIn(const QUuid& id);
// `workflow` with a built-in's own texts in `language`: in a workflow with a built-in's id, a
// step's text that still reads as the built-in's in any language ("© Moje fotky", "© My
// photos") becomes the one of `language`. Texts the user wrote, and workflows of the user's own,
// stay as they are. No disk.
Workflow inLanguage(const Workflow& workflow, AppLanguage language);
QList<Workflow> inLanguage(const QList<Workflow>& workflows, AppLanguage language);

// The stored data → the list: empty data gives the built-ins, "[]" no workflows at all, data that
// is not a JSON array of valid records gives none (no partial list).
std::optional<QList<Workflow>> decode(const QByteArray& data);

// The list in the settings (a missing key reads as empty data); none when the stored value
// cannot be read, which is logged once per process. Only WorkflowStore writes the list.
std::optional<QList<Workflow>> load();

// Display texts, localized at each call.
QString summary(const WorkflowStep& step);     // "jas 20, kontrast 39", "Poměr 16:9", …
QString outputSummary(const Workflow& workflow); // "PNG · bez metadat"
QString summary(const Workflow& workflow);     // "2 kroky · JPG · kvalita 90 %"


} // namespace kelvaro::WorkflowLibrary
