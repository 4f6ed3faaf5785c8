#pragma once
// What each step of a workflow does to an image. Stateless; any thread (the batch's workers).
#include <QString>

#include "engine/Bitmap.h"
#include "engine/EngineSettings.h"
#include "model/Workflow.h"

namespace kelvaro::WorkflowSteps {

// Applies one step to an image; faces are anonymised in `faceStyle`. Throws KelvaroError:
// writeFailed(name), or what the step's effect throws (noFaces, noSubject). No disk (except a
// watermark logo).
Bitmap apply(const WorkflowStep& step, const Bitmap& image, const QString& name, FaceStyle faceStyle);

} // namespace kelvaro::WorkflowSteps
