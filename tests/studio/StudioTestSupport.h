#pragma once
// What the studio tests add to the shared helpers: running events for a while, long enough for a
// delayed action that should not come.
#include <QElapsedTimer>

#include "../support/TestSupport.h"

namespace kelvaro::studiotest {

using test::readFile;
using test::RowName;
using test::waitUntil;

inline void runEventsFor(int ms)
{
    QElapsedTimer timer;
    timer.start();
    waitUntil([&] { return timer.elapsed() >= ms; });
}

} // namespace kelvaro::studiotest
