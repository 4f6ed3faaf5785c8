#pragma once
// Where libvips' vector code (liborc) keeps the machine code it generates, and who may take or
// give back a piece of it at a time. liborc maps each 64 KiB block of code from a sparse file it
// makes in the runtime folder (then home, TMPDIR, /tmp), and a write into a page that file system
// can no longer back kills the process with SIGBUS: a small per-user runtime folder fills while
// the program runs. VectorCode.cpp takes liborc's request for that file (its `mkstemp` of
// ".../orcexec.XXXXXX", interposed in every program that links the engine) and hands back memory
// of the process's own, reserved whole before liborc writes to it, or anonymous memory, so no
// folder filling up can reach the code. It also runs every compile and free of a liborc program
// under one lock of its own (see VectorCode.cpp). Any thread.
#include <functional>

namespace kelvaro::ImageEngine {

// Whether generated code has such a place here (decided once, no disk): false where the system
// refuses executable memory both ways, and the vector code must stay off.
bool vectorCodeHasSafePlace();

// Tests: `hook` is called whenever liborc asks for a file to hold a new code block, on the asking
// thread, which holds the code lock and liborc's own (none: no call).
void setNewCodeBlockHook(std::function<void()> hook);

// Tests: how many threads wait for the code lock now.
int vectorCodeWaiting();

} // namespace kelvaro::ImageEngine
