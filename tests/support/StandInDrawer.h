#pragma once
// The stand-in drawer (tests/support/standin): a child of ChildProcesses that is told what to do
// instead of drawing, and reads of what /proc says about a process.
#include <optional>

#include <QByteArray>
#include <QString>

#include "TestPaths.h"

namespace kelvaro::test {

inline QString standInDrawer()
{
    return QStringLiteral(KELVARO_BUILD_DIR "/tests/kelvaro-standin-drawer");
}

// The process `pid`'s state letter in /proc/<pid>/stat ('Z' a zombie), none once it is gone.
std::optional<char> processState(qint64 pid);

// Whether the process `pid` is gone or a zombie: it runs no more.
bool processEnded(qint64 pid);

} // namespace kelvaro::test
