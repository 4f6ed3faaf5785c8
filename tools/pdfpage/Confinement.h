#pragma once
// What a PDF page's drawer gives up before it reads anything of a document, so that a document
// that takes the renderer over can do no more than draw: it can open no connection, start no
// program and no process (threads it may), watch no other process, and gain no privilege through
// a program it runs; and the kernel, short of memory, kills it before Kelvaro. Called once, first
// thing in the drawer's main(), before any thread starts; the tests' stand-in drawer calls it too.
namespace kelvaro::pdfpage {

// Marks this process as the kernel's first victim (oom_score_adj 1000), sets no_new_privs and
// installs the system call filter; refused calls fail with EPERM (clone3 with ENOSYS, so that the
// C library falls back to clone for threads). False when the kernel refused the filter: the
// caller must then not draw. Touches /proc/self.
bool confine();

} // namespace kelvaro::pdfpage
