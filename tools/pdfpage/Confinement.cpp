#include "Confinement.h"

#include <cerrno>
#include <cstddef>
#include <vector>

#include <fcntl.h>
#include <linux/audit.h>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <sched.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace kelvaro::pdfpage {
namespace {

#if defined(__x86_64__)
constexpr unsigned kArchitecture = AUDIT_ARCH_X86_64;
#elif defined(__aarch64__)
constexpr unsigned kArchitecture = AUDIT_ARCH_AARCH64;
#else
#error "the drawer's system call filter knows x86-64 and AArch64 only"
#endif

// What drawing a page never needs. A library that probes for one of them is told EPERM and goes
// on without it; a kill would take a page that draws fine with it.
constexpr long kRefused[] = {
    // No connection of its own: it talks to Kelvaro through the socket it was started with.
    __NR_socket, __NR_socketpair, __NR_connect, __NR_bind, __NR_listen, __NR_accept, __NR_accept4,
    // No program started, no process beside it (clone without CLONE_THREAD is checked apart).
    __NR_execve, __NR_execveat,
#ifdef __NR_fork
    __NR_fork,
#endif
#ifdef __NR_vfork
    __NR_vfork,
#endif
    // No hand in another process's memory.
    __NR_ptrace, __NR_process_vm_readv, __NR_process_vm_writev,
    // Its operations (a socket, a connection among them) are not seen by this filter.
    __NR_io_uring_setup, __NR_io_uring_enter, __NR_io_uring_register};

sock_filter statement(unsigned short code, unsigned value)
{
    return BPF_STMT(code, value);
}

sock_filter jump(unsigned short code, unsigned value, unsigned char whenTrue, unsigned char whenFalse)
{
    return BPF_JUMP(code, value, whenTrue, whenFalse);
}

std::vector<sock_filter> filter()
{
    constexpr unsigned refuse = SECCOMP_RET_ERRNO | (EPERM & SECCOMP_RET_DATA);
    std::vector<sock_filter> program;
    // Calls of another ABI (int 0x80 on x86-64) would carry other numbers: none is let through.
    program.push_back(statement(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, arch)));
    program.push_back(jump(BPF_JMP | BPF_JEQ | BPF_K, kArchitecture, 1, 0));
    program.push_back(statement(BPF_RET | BPF_K, refuse));
    program.push_back(statement(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)));
#if defined(__x86_64__)
    // x32 calls share the architecture and set a high bit in the number.
    program.push_back(jump(BPF_JMP | BPF_JGE | BPF_K, 0x40000000U, 0, 1));
    program.push_back(statement(BPF_RET | BPF_K, refuse));
#endif
    for (const long call : kRefused) {
        program.push_back(jump(BPF_JMP | BPF_JEQ | BPF_K, unsigned(call), 0, 1));
        program.push_back(statement(BPF_RET | BPF_K, refuse));
    }
    // clone3 hides its flags behind a pointer the filter cannot read: refused as unknown, the C
    // library then starts its threads through clone.
    program.push_back(jump(BPF_JMP | BPF_JEQ | BPF_K, unsigned(__NR_clone3), 0, 1));
    program.push_back(statement(BPF_RET | BPF_K, SECCOMP_RET_ERRNO | (ENOSYS & SECCOMP_RET_DATA)));
    // clone starts a thread with CLONE_THREAD (in the flags' low word, the first argument on
    // both architectures), a process without it.
    program.push_back(jump(BPF_JMP | BPF_JEQ | BPF_K, unsigned(__NR_clone), 0, 3));
    program.push_back(statement(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, args[0])));
    program.push_back(jump(BPF_JMP | BPF_JSET | BPF_K, CLONE_THREAD, 1, 0));
    program.push_back(statement(BPF_RET | BPF_K, refuse));
    program.push_back(statement(BPF_RET | BPF_K, SECCOMP_RET_ALLOW));
    return program;
}

// The args[0] load above reads the low word of a 64-bit argument.
static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__);

void beFirstVictim()
{
    const int adjust = ::open("/proc/self/oom_score_adj", O_WRONLY | O_CLOEXEC);
    if (adjust < 0)
        return;
    (void)!::write(adjust, "1000", 4);
    ::close(adjust);
}

} // namespace

bool confine()
{
    beFirstVictim();
    if (::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0)
        return false;
    std::vector<sock_filter> program = filter();
    sock_fprog installed{static_cast<unsigned short>(program.size()), program.data()};
    // Every thread at once, should a library have started one before main().
    return ::syscall(SYS_seccomp, SECCOMP_SET_MODE_FILTER, SECCOMP_FILTER_FLAG_TSYNC, &installed) == 0;
}

} // namespace kelvaro::pdfpage
