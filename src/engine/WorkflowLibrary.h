#pragma once
// The stored workflows ("kelvaro.workflows.v1"), the built-in ones, the texts that describe a
// workflow and what each step does to an image.
#include <optional>

#include <QList>

#include "engine/Bitmap.h"
#include "engine/Workflow.h"

namespace kelvaro::WorkflowLibrary {

inline constexpr const char* key = "kelvaro.workflows.v1";

// The built-in workflows; built once per process (same ids on every call).
const QList<Workflow>& defaults();

// Applies one step to an image. Throws what the step's effect throws.
Bitmap apply(const WorkflowStep& step, const Bitmap& image, const QString& name);

} // namespace kelvaro::WorkflowLibrary
