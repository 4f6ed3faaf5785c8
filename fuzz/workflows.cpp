// The stored workflows ("kelvaro.workflows.v1"): decoded or refused as a whole, round trip
// unchanged, and every text shown for a decoded workflow can be built.
#include <QJsonArray>

#include "FuzzTarget.h"

#include "model/Workflow.h"
#include "model/WorkflowLibrary.h"
#include "platform/Json.h"

KELVARO_FUZZ_TARGET(workflows)
{
    using namespace kelvaro;
    const auto list = WorkflowLibrary::decode(fuzz::bytesOf(data, size));
    if (!list)
        return 0;
    QJsonArray array;
    for (const Workflow& workflow : *list) {
        (void)WorkflowLibrary::summary(workflow);
        (void)WorkflowLibrary::outputSummary(workflow);
        for (const WorkflowStep& step : workflow.steps)
            (void)WorkflowLibrary::summary(step);
        array.append(workflow.toJson());
    }
    if (list->isEmpty())
        return 0; // "[]" and empty data differ on purpose (none vs the built-ins)
    const auto again = WorkflowLibrary::decode(json::encodeArray(array));
    FUZZ_CHECK(again.has_value());
    FUZZ_CHECK(*again == *list);
    return 0;
}
