#include "engine/PopplerSetup.h"

#include <mutex>

#include <poppler/Error.h>
#include <poppler/GlobalParams.h>

namespace kelvaro {

void setUpPoppler()
{
    static std::once_flag once;
    std::call_once(once, [] {
        const auto quiet = [](ErrorCategory, Goffset, const char*) {};
        // Never deleted: the count it holds keeps the settings alive whoever else lets go of them.
        new GlobalParamsIniter(quiet);
        // The count may already have been held by another user, whose callback then stands.
        setErrorCallback(quiet);
    });
}

} // namespace kelvaro
