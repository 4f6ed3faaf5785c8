// The stored presets ("kelvaro.presets.v1"): whatever the settings file holds decodes to a list
// or to none, and a decoded list survives being written back unchanged.
#include "FuzzTarget.h"

#include "model/PresetSpec.h"

KELVARO_FUZZ_TARGET(presets)
{
    using namespace kelvaro;
    const auto list = PresetStore::decode(fuzz::bytesOf(data, size));
    if (!list)
        return 0;
    for (const PresetSpec& preset : *list)
        (void)preset.summary();
    const auto again = PresetStore::decode(PresetStore::encode(*list));
    FUZZ_CHECK(again.has_value());
    FUZZ_CHECK(*again == *list);
    return 0;
}
