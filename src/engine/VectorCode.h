#pragma once
// Where libvips' vector code (liborc) keeps the machine code it generates. liborc maps each 64 KiB
// block of code from a sparse file it makes in the runtime folder (then home, TMPDIR, /tmp), and a
// write into a page that file system can no longer back kills the process with SIGBUS: a small
// per-user runtime folder fills while the program runs. VectorCode.cpp takes liborc's request for
// that file (its `mkstemp` of ".../orcexec.XXXXXX", interposed in every program that links the
// engine) and hands back memory of the process's own, reserved whole before liborc writes to it,
// or anonymous memory, so no folder filling up can reach the code. Any thread.
namespace kelvaro::ImageEngine {

// Whether generated code has such a place here (decided once, no disk): false where the system
// refuses executable memory both ways, and the vector code must stay off.
bool vectorCodeHasSafePlace();

} // namespace kelvaro::ImageEngine
