#include "engine/PopplerSetup.h"

#include <memory>
#include <mutex>

#include <poppler/Error.h>
#include <poppler/GlobalParams.h>

namespace kelvaro {

void setUpPoppler()
{
    static std::once_flag once;
    std::call_once(once, [] {
        globalParams = std::make_unique<GlobalParams>();
        setErrorCallback([](ErrorCategory, Goffset, const char*) {});
    });
}

} // namespace kelvaro
