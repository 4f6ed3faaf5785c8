// A stand-in for a program that ChildProcesses runs, for the tests of what a child may do and
// what becomes of it: it takes its work from descriptor 3 as a drawer does, and the work's first
// argument says what to do instead of drawing.
//
//   answer N        answers N
//   sleep           spends no CPU time and never answers
//   group sleep     starts a process of its own group that sleeps, writes its id to the first
//   group exit      descriptor attached, and then sleeps, or ends
//   hold            starts a process in a session of its own that keeps this child's socket open
//                   and sleeps, writes its id to the first descriptor attached and answers 0
//   confine CALL    confines itself as the PDF page drawer does, tries CALL and answers the errno
//                   it failed with, 0 when it went through
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <linux/io_uring.h>
#include <linux/sched.h>
#include <sched.h>
#include <signal.h>
#include <sys/ptrace.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <sys/uio.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include "pdfpage/Confinement.h"

namespace {

constexpr int kWork = 3;

[[noreturn]] void sleepForEver()
{
    for (;;)
        ::pause();
}

void writeId(int descriptor, pid_t pid)
{
    const std::string text = std::to_string(pid) + "\n"; // the end says it is whole
    (void)!::pwrite(descriptor, text.data(), text.size(), 0);
}

// The errno of a call's result: 0 when it went through.
int outcome(long result)
{
    return result < 0 ? errno : 0;
}

// A child made by a call that forks reports nothing and ends; the parent reaps it.
int forked(long result)
{
    if (result == 0)
        _exit(0);
    if (result > 0) {
        ::waitpid(pid_t(result), nullptr, 0);
        return 0;
    }
    return errno;
}

int attempt(const std::string& call)
{
    char* const arguments[] = {const_cast<char*>("/bin/true"), nullptr};
    char* const environment[] = {nullptr};
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strcpy(address.sun_path, "/nonexistent/kelvaro-socket");
    const auto* where = reinterpret_cast<const sockaddr*>(&address);
    if (call == "socket")
        return outcome(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (call == "socketpair") {
        int pair[2];
        return outcome(::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair));
    }
    if (call == "connect")
        return outcome(::connect(kWork, where, sizeof address));
    if (call == "bind")
        return outcome(::bind(kWork, where, sizeof address));
    if (call == "listen")
        return outcome(::listen(kWork, 1));
    if (call == "accept")
        return outcome(::accept4(kWork, nullptr, nullptr, SOCK_CLOEXEC));
    if (call == "fork")
        return forked(::syscall(SYS_fork));
    if (call == "clone")
        return forked(::syscall(SYS_clone, SIGCHLD, 0, 0, 0, 0));
    if (call == "clone3") {
        clone_args process{};
        process.exit_signal = SIGCHLD;
        return forked(::syscall(SYS_clone3, &process, sizeof process));
    }
    if (call == "execve")
        return outcome(::execve("/bin/true", arguments, environment));
    if (call == "execveat")
        return outcome(::syscall(SYS_execveat, AT_FDCWD, "/bin/true", arguments, environment, 0));
    if (call == "ptrace")
        return outcome(::ptrace(PTRACE_TRACEME, 0, nullptr, nullptr));
    if (call == "process_vm_readv" || call == "process_vm_writev") {
        char from[8] = "kelvaro";
        char to[8] = {};
        iovec local{to, sizeof to};
        iovec remote{from, sizeof from};
        if (call == "process_vm_readv")
            return outcome(::process_vm_readv(::getpid(), &local, 1, &remote, 1, 0));
        return outcome(::process_vm_writev(::getpid(), &remote, 1, &local, 1, 0));
    }
    if (call == "io_uring_setup") {
        io_uring_params parameters{};
        return outcome(::syscall(SYS_io_uring_setup, 1, &parameters));
    }
    if (call == "thread") {
        try {
            std::thread([] {}).join();
            return 0;
        } catch (const std::system_error& error) {
            return error.code().value();
        }
    }
    return 255;
}

void answer(int value)
{
    const unsigned char byte = (unsigned char)value;
    (void)!::send(kWork, &byte, 1, MSG_NOSIGNAL);
}

} // namespace

int main()
{
    for (;;) {
        char text[1024] = {};
        alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int) * 4)] = {};
        iovec part{text, sizeof text - 1};
        msghdr message{};
        message.msg_iov = &part;
        message.msg_iovlen = 1;
        message.msg_control = control;
        message.msg_controllen = sizeof control;
        const ssize_t received = ::recvmsg(kWork, &message, MSG_CMSG_CLOEXEC);
        if (received <= 0)
            return 0;
        std::vector<std::string> arguments;
        for (const char *at = text, *end = text + received; at < end; at += std::strlen(at) + 1)
            arguments.emplace_back(at);
        int attached = -1;
        if (const cmsghdr* descriptors = CMSG_FIRSTHDR(&message))
            std::memcpy(&attached, CMSG_DATA(descriptors), sizeof attached);
        const std::string what = arguments.empty() ? std::string() : arguments[0];
        const std::string detail = arguments.size() > 1 ? arguments[1] : std::string();
        if (what == "answer") {
            answer(std::atoi(detail.c_str()));
        } else if (what == "sleep") {
            sleepForEver();
        } else if (what == "group" || what == "hold") {
            // The id is written once the process is where it is meant to be: a kill of this
            // child's group right after the answer must find it outside, in its own session.
            int settled[2];
            if (::pipe2(settled, O_CLOEXEC) != 0)
                _exit(5);
            const pid_t started = ::fork();
            if (started == 0) {
                if (what == "hold")
                    ::setsid();
                ::close(settled[1]);
                sleepForEver();
            }
            ::close(settled[1]);
            char none;
            (void)!::read(settled[0], &none, 1); // its end of the pipe closed: it has settled
            ::close(settled[0]);
            writeId(attached, started);
            if (what == "hold")
                answer(0);
            else if (detail == "exit")
                _exit(0);
            else
                sleepForEver();
        } else if (what == "confine") {
            if (!kelvaro::pdfpage::confine())
                _exit(4);
            answer(attempt(detail));
        } else {
            answer(255);
        }
        if (attached >= 0)
            ::close(attached);
    }
}
