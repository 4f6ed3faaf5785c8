// kelvaro-pdfpage: reads and draws the first page of PDFs for Kelvaro, in a process of its own,
// so that a document whose reading or drawing would take more memory or time than a page may is
// ended by the kernel here and never takes Kelvaro down or holds it: Kelvaro parses no byte of a
// PDF itself. Kelvaro starts it and hands it one message after another (ImageEngine's PDF pages
// through ChildProcesses) on its descriptor 3, a socket: its arguments, each ended by a NUL, the
// first naming what is asked.
//
//   open IDENTITY MEMORY CPU      the document attached (opened and checked by Kelvaro: the file
//                                 read is the file it priced), known by IDENTITY
//   draw IDENTITY WIDTH HEIGHT HDPI VDPI ROTATE MEMORY CPU
//                                 the memory the page is drawn into attached
//   close
//
// "open" reads the document and answers with its first page's media width and height in points,
// its rotation and whether it is drawn from lines, text and fills alone (1) or holds raster images
// (0), and keeps it open for a "draw" of the same IDENTITY, which draws the page WIDTH × HEIGHT
// pixels from the media box's corner at HDPI × VDPI, turned ROTATE degrees, as rows of B, G, R and
// a filler byte, and then lets the document go. Before either works it bounds itself: its data
// memory at MEMORY bytes above what it held before the document was opened (reading and drawing
// together), its CPU time at CPU seconds more than it has spent (SIGXCPU ends it). An answer is a
// byte, its outcome, and for an opened document the page's facts as text: 0 done, 2 the document
// or its page cannot be read, 4 no document of that IDENTITY is open (it let it go: it held much
// once read, or no drawing came for a while). It ends when the socket closes or no message came
// for a minute, and with the exit code 3 as soon as memory is refused (poppler would otherwise
// leave out what it could not allocate and go on: a page read or drawn in part).
#include <algorithm>
#include <chrono>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include <malloc.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include "Confinement.h"
#include "engine/PopplerSetup.h"
#include "OpenDocument.h"

namespace {

constexpr int kWork = 3;
// What it keeps between pages at most: an ordinary page's bitmaps (an A4 page drawn whole is
// 8 MB). A waiting drawer's heap is outside every budget, and several may wait at once.
constexpr long long kKeptBytes = 64LL << 20;
// How long it waits for its next page before it ends.
constexpr int kIdleMs = 60'000;
// How long a document read for a page stays open for its drawing, and how much it may hold
// meanwhile: outside a drawing nothing of Kelvaro's bounds it.
constexpr int kKeepOpenMs = 10'000;
constexpr long long kKeptOpenBytes = 32LL << 20;
constexpr int kDone = 0;
constexpr int kUnreadable = 2;
constexpr int kOutOfMemory = 3;
// An answer: no document of that identity is open here.
constexpr int kNotOpen = 4;
// An exit code, before any work is taken: the kernel refused the drawer's confinement.
constexpr int kUnconfined = 4;

// Bytes of data memory (heap and private writable mappings, what RLIMIT_DATA counts) held now.
long long dataHeld()
{
    FILE* status = std::fopen("/proc/self/status", "re");
    if (!status)
        return 0;
    long long kilobytes = 0;
    char line[256];
    while (std::fgets(line, sizeof line, status))
        if (std::sscanf(line, "VmData: %lld kB", &kilobytes) == 1)
            break;
    std::fclose(status);
    return kilobytes * 1024;
}

// Only soft limits: a hard one, once lowered, could not be raised again for the next page. The
// data memory at `memory` bytes above `base`.
void bound(long long base, long long memory, long long cpuSeconds)
{
    rlimit data{};
    getrlimit(RLIMIT_DATA, &data);
    const long long wanted = base + std::max(memory, 1LL);
    data.rlim_cur = data.rlim_max == RLIM_INFINITY ? rlim_t(wanted) : std::min<rlim_t>(rlim_t(wanted), data.rlim_max);
    setrlimit(RLIMIT_DATA, &data);
    rusage spent{};
    getrusage(RUSAGE_SELF, &spent);
    const rlim_t soft = rlim_t(spent.ru_utime.tv_sec + spent.ru_stime.tv_sec + 1 + std::max(1LL, cpuSeconds));
    rlimit cpu{};
    getrlimit(RLIMIT_CPU, &cpu);
    cpu.rlim_cur = cpu.rlim_max == RLIM_INFINITY ? soft : std::min(soft, cpu.rlim_max);
    setrlimit(RLIMIT_CPU, &cpu);
}

} // namespace

// Every allocation goes through these: the first one refused ends the drawing at once, whichever
// library asked. They hand on to the C library's own allocator. Sanitizer builds keep their own.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define KELVARO_PDFPAGE_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define KELVARO_PDFPAGE_SANITIZED 1
#endif
#endif
#ifndef KELVARO_PDFPAGE_SANITIZED
extern "C" {
void* __libc_malloc(size_t size);
void* __libc_calloc(size_t count, size_t size);
void* __libc_realloc(void* pointer, size_t size);

void* malloc(size_t size)
{
    void* pointer = __libc_malloc(size);
    if (!pointer && size > 0)
        _exit(kOutOfMemory);
    return pointer;
}

void* calloc(size_t count, size_t size)
{
    void* pointer = __libc_calloc(count, size);
    if (!pointer && count > 0 && size > 0)
        _exit(kOutOfMemory);
    return pointer;
}

void* realloc(void* pointer, size_t size)
{
    void* moved = __libc_realloc(pointer, size);
    if (!moved && size > 0)
        _exit(kOutOfMemory);
    return moved;
}
}
#endif

namespace {

kelvaro::pdfpage::OpenDocument& document()
{
    static kelvaro::pdfpage::OpenDocument open;
    return open;
}
// The data memory in use before the open document was read: what is held less what the
// allocator keeps free for the next page, which that page takes before it grows the heap.
long long openedAbove = 0;

long long dataInUse()
{
    const struct mallinfo2 heap = mallinfo2();
    return std::max(0LL, dataHeld() - (long long)(heap.fordblks));
}

// Waits for the next message, letting an open document go once it has waited kKeepOpenMs for its
// drawing. False when none came within kIdleMs.
bool awaitMessage()
{
    const auto since = std::chrono::steady_clock::now();
    for (;;) {
        const auto waited = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - since).count();
        if (waited >= kIdleMs)
            return false;
        const long long until = document().isOpen() ? std::min(kKeepOpenMs, kIdleMs) : kIdleMs;
        pollfd work{kWork, POLLIN, 0};
        const int ready = ::poll(&work, 1, int(std::max<long long>(until - waited, 0)));
        if (ready > 0)
            return true;
        if (ready < 0 && errno != EINTR)
            return false;
        if (ready == 0 && document().isOpen()) {
            document().close();
            malloc_trim(0);
        }
    }
}

// The answer to "open": the page's facts after the outcome byte.
std::string opened(int descriptor, const std::string& identity, long long memory, long long cpu)
{
    document().close();
    openedAbove = dataInUse();
    bound(openedAbove, memory, cpu);
    kelvaro::pdfpage::PageFacts facts;
    if (!document().open(descriptor, identity, facts))
        return std::string(1, char(kUnreadable));
    char text[128];
    std::snprintf(text, sizeof text, "%.17g %.17g %d %d", facts.mediaWidth, facts.mediaHeight, facts.rotate, facts.drawing ? 1 : 0);
    return std::string(1, char(kDone)) + text;
}

// Works on the message one piece of work is and answers. False once the socket has closed.
bool workOne()
{
    char text[1024] = {};
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int) * 2)] = {};
    iovec part{text, sizeof text - 1};
    msghdr message{};
    message.msg_iov = &part;
    message.msg_iovlen = 1;
    message.msg_control = control;
    message.msg_controllen = sizeof control;
    // A drawer left waiting long ends: Kelvaro starts another when it next reads a page.
    if (!awaitMessage())
        return false;
    ssize_t received;
    do
        received = ::recvmsg(kWork, &message, MSG_CMSG_CLOEXEC);
    while (received < 0 && errno == EINTR);
    if (received <= 0)
        return false;
    std::vector<int> descriptors;
    for (cmsghdr* attached = CMSG_FIRSTHDR(&message); attached; attached = CMSG_NXTHDR(&message, attached)) {
        if (attached->cmsg_level != SOL_SOCKET || attached->cmsg_type != SCM_RIGHTS)
            continue;
        const size_t count = (attached->cmsg_len - CMSG_LEN(0)) / sizeof(int);
        for (size_t i = 0; i < count; ++i) {
            int descriptor = -1;
            std::memcpy(&descriptor, CMSG_DATA(attached) + i * sizeof(int), sizeof descriptor);
            descriptors.push_back(descriptor);
        }
    }
    std::vector<std::string> arguments;
    for (const char *at = text, *end = text + received; at < end; at += std::strlen(at) + 1)
        arguments.emplace_back(at);
    const std::string verb = arguments.empty() ? std::string() : arguments[0];
    std::string answer(1, char(kUnreadable));
    try {
        if (verb == "open" && arguments.size() == 4 && descriptors.size() == 1) {
            answer = opened(std::exchange(descriptors[0], -1), arguments[1], std::atoll(arguments[2].c_str()),
                            std::atoll(arguments[3].c_str()));
            // What a hostile document holds once read is bounded by nothing of Kelvaro's while it
            // waits for its drawing: read again then, within the drawing's ceiling.
            if (dataInUse() - openedAbove > kKeptOpenBytes)
                document().close();
        } else if (verb == "draw" && arguments.size() == 9 && descriptors.size() == 1) {
            const int width = std::atoi(arguments[2].c_str());
            const int height = std::atoi(arguments[3].c_str());
            const double hDpi = std::strtod(arguments[4].c_str(), nullptr);
            const double vDpi = std::strtod(arguments[5].c_str(), nullptr);
            const int rotate = std::atoi(arguments[6].c_str());
            if (!document().holds(arguments[1])) {
                answer = std::string(1, char(kNotOpen));
            } else if (width >= 1 && height >= 1 && hDpi > 0 && vDpi > 0) {
                bound(openedAbove, std::atoll(arguments[7].c_str()), std::atoll(arguments[8].c_str()));
                const bool drawn = document().draw(descriptors[0], width, height, hDpi, vDpi, rotate);
                answer = std::string(1, char(drawn ? kDone : kUnreadable));
            }
            if (answer[0] != char(kNotOpen))
                document().close();
        } else if (verb == "close") {
            document().close();
            answer = std::string(1, char(kDone));
        }
    } catch (const std::bad_alloc&) {
        _exit(kOutOfMemory);
    } catch (...) {
        document().close();
        answer = std::string(1, char(kUnreadable));
    }
    for (int descriptor : descriptors)
        if (descriptor >= 0)
            ::close(descriptor);
    // A large page's memory goes back while the next is awaited; a page's worth of an ordinary
    // one stays, for the next page to draw into without taking it from the system again.
    if (dataHeld() > kKeptBytes)
        malloc_trim(0);
    return ::send(kWork, answer.data(), answer.size(), MSG_NOSIGNAL) == ssize_t(answer.size());
}

} // namespace

int main()
{
    // Before any byte of a document is read, and before the thread below starts.
    if (!kelvaro::pdfpage::confine())
        return kUnconfined;
    rlimit core{0, 0};
    setrlimit(RLIMIT_CORE, &core); // an end at a bound writes no core file
    // A page's bitmaps come from the heap and stay there for the next page (up to kKeptBytes), not
    // mapped and unmapped from the system for each page.
    mallopt(M_MMAP_THRESHOLD, int(kKeptBytes));
    mallopt(M_TRIM_THRESHOLD, int(kKeptBytes));
    kelvaro::setUpPoppler();
    // Kelvaro gone (killed, crashed) closes its end of the socket: the page being drawn is for
    // nobody, so the drawer ends at once instead of at its CPU bound. A thread of its own, as the
    // drawing never looks up from poppler.
    std::thread([] {
        pollfd hangUp{kWork, 0, 0};
        while (::poll(&hangUp, 1, -1) < 0 && errno == EINTR) {
        }
        _exit(0);
    }).detach();
    while (workOne()) {
    }
    return 0;
}
