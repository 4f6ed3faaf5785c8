#include "engine/PopplerSetup.h"

#include <poppler/Error.h>
#include <poppler/GlobalParams.h>

namespace kelvaro {

void setUpPoppler()
{
    // Never deleted: the count it holds keeps the settings alive whoever else lets go of them, up
    // to the process's very end, where a static object's destructor would still give it back.
    static const GlobalParamsIniter* const held = [] {
        const auto quiet = [](ErrorCategory, Goffset, const char*) {};
        const auto* initer = new GlobalParamsIniter(quiet);
        // The count may already have been held by another user, whose callback then stands.
        setErrorCallback(quiet);
        return initer;
    }();
    (void)held;
}

} // namespace kelvaro
