// kelvaro-pdfpage: draws the first page of PDFs for Kelvaro, in a process of its own, so that a
// page whose drawing would take more memory or time than a page may is ended by the kernel here
// and never takes Kelvaro down or holds it. Kelvaro starts it and hands it one page after another
// (ImageEngine::renderPDFPage through ChildProcesses) on its descriptor 3, a socket: a message of
// its arguments, each ended by a NUL,
//
//   WIDTH HEIGHT HDPI VDPI ROTATE MEMORY CPU
//
// with two descriptors attached: the document (opened and checked by Kelvaro: the file drawn is
// the file it priced) and the memory the page is drawn into. The page is drawn WIDTH × HEIGHT
// pixels from the media box's corner at HDPI × VDPI, turned ROTATE degrees, and written as rows
// of B, G, R and a filler byte, white where the renderer rounded short. Before it draws it bounds
// itself: its data memory at MEMORY bytes above what it holds then, its CPU time at CPU seconds
// more than it has spent (SIGXCPU ends it). It answers with one byte, 0 once the page is written
// or 2 when the document or its page cannot be read, and waits for the next page. It ends when
// the socket closes or no page came for a minute, and with the exit code 3 as soon as memory is
// refused (poppler would otherwise leave out what it could not allocate and go on: a page drawn
// in part).
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <thread>
#include <vector>

#include <malloc.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <poppler/GlobalParams.h>
#include <poppler/PDFDoc.h>
#include <poppler/Page.h>
#include <poppler/SplashOutputDev.h>
#include <poppler/Stream.h>
#include <poppler/splash/SplashBitmap.h>

#include "Confinement.h"
#include "engine/PopplerSetup.h"

namespace {

constexpr int kWork = 3;
// What it keeps between pages at most.
constexpr long long kKeptBytes = 256LL << 20;
// How long it waits for its next page before it ends.
constexpr int kIdleMs = 60'000;
constexpr int kUnreadable = 2;
constexpr int kOutOfMemory = 3;
// Ended with, before any work is taken, when the kernel refuses the drawer's confinement.
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

// Only soft limits: a hard one, once lowered, could not be raised again for the next page.
void bound(long long memory, long long cpuSeconds)
{
    rlimit data{};
    getrlimit(RLIMIT_DATA, &data);
    const long long wanted = dataHeld() + memory;
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

bool writeAll(int descriptor, const unsigned char* bytes, size_t count, off_t at)
{
    while (count > 0) {
        const ssize_t written = ::pwrite(descriptor, bytes, count, at);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        bytes += written;
        count -= size_t(written);
        at += written;
    }
    return true;
}

int draw(int source, int pixels, int width, int height, double hDpi, double vDpi, int rotate)
{
    std::unique_ptr<GooFile> file = GooFile::open(source);
    if (!file)
        return kUnreadable;
    PDFDoc document(new FileStream(file.get(), 0, false, file->size(), Object(objNull)));
    if (!document.isOk() || document.getNumPages() < 1 || !document.getPage(1))
        return kUnreadable;
    SplashColor white = {255, 255, 255};
    SplashOutputDev output(splashModeXBGR8, 4, false, white);
    output.setVectorAntialias(true);
    output.setFontAntialias(true);
    output.startDoc(&document);
    document.displayPageSlice(&output, 1, hDpi, vDpi, rotate, true, false, false, 0, 0, width, height);
    SplashBitmap* drawn = output.getBitmap();
    if (!drawn || !drawn->getDataPtr() || drawn->getMode() != splashModeXBGR8 || drawn->getRowSize() < 0)
        return kUnreadable;
    const size_t rowBytes = size_t(width) * 4;
    if (drawn->getWidth() == width && drawn->getHeight() == height && size_t(drawn->getRowSize()) == rowBytes)
        return writeAll(pixels, drawn->getDataPtr(), rowBytes * size_t(height), 0) ? 0 : kUnreadable;
    const size_t copied = size_t(std::min(width, drawn->getWidth())) * 4;
    std::vector<unsigned char> row(rowBytes, 255);
    for (int y = 0; y < height; ++y) {
        const unsigned char* from;
        if (y < drawn->getHeight() && copied == rowBytes) {
            from = drawn->getDataPtr() + size_t(y) * size_t(drawn->getRowSize());
        } else {
            std::fill(row.begin(), row.end(), 255);
            if (y < drawn->getHeight())
                std::memcpy(row.data(), drawn->getDataPtr() + size_t(y) * size_t(drawn->getRowSize()), copied);
            from = row.data();
        }
        if (!writeAll(pixels, from, rowBytes, off_t(y) * off_t(rowBytes)))
            return kUnreadable;
    }
    return 0;
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

// Draws the page one message asks for and answers. False once the socket has closed.
bool drawOne()
{
    char text[1024] = {};
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int) * 2)] = {};
    iovec part{text, sizeof text - 1};
    msghdr message{};
    message.msg_iov = &part;
    message.msg_iovlen = 1;
    message.msg_control = control;
    message.msg_controllen = sizeof control;
    // A drawer left waiting long ends: Kelvaro starts another when it next draws a page.
    pollfd work{kWork, POLLIN, 0};
    int ready;
    do
        ready = ::poll(&work, 1, kIdleMs);
    while (ready < 0 && errno == EINTR);
    if (ready <= 0)
        return false;
    ssize_t received;
    do
        received = ::recvmsg(kWork, &message, MSG_CMSG_CLOEXEC);
    while (received < 0 && errno == EINTR);
    if (received <= 0)
        return false;
    int descriptors[2] = {-1, -1};
    const cmsghdr* attached = CMSG_FIRSTHDR(&message);
    if (attached && attached->cmsg_level == SOL_SOCKET && attached->cmsg_type == SCM_RIGHTS
        && attached->cmsg_len == CMSG_LEN(sizeof descriptors))
        std::memcpy(descriptors, CMSG_DATA(attached), sizeof descriptors);
    std::vector<std::string> arguments;
    for (const char *at = text, *end = text + received; at < end; at += std::strlen(at) + 1)
        arguments.emplace_back(at);
    unsigned char outcome = kUnreadable;
    if (arguments.size() == 7 && descriptors[0] >= 0 && descriptors[1] >= 0) {
        const int width = std::atoi(arguments[0].c_str());
        const int height = std::atoi(arguments[1].c_str());
        const double hDpi = std::strtod(arguments[2].c_str(), nullptr);
        const double vDpi = std::strtod(arguments[3].c_str(), nullptr);
        const int rotate = std::atoi(arguments[4].c_str());
        bound(std::atoll(arguments[5].c_str()), std::atoll(arguments[6].c_str()));
        if (width >= 1 && height >= 1 && hDpi > 0 && vDpi > 0) {
            try {
                outcome = (unsigned char)draw(descriptors[0], descriptors[1], width, height, hDpi, vDpi, rotate);
            } catch (const std::bad_alloc&) {
                _exit(kOutOfMemory);
            } catch (...) {
                outcome = kUnreadable;
            }
        }
    }
    for (int descriptor : descriptors)
        if (descriptor >= 0)
            ::close(descriptor);
    // A large page's memory goes back while the next is awaited; a page's worth of an ordinary
    // one stays, for the next page to draw into without taking it from the system again.
    if (dataHeld() > kKeptBytes)
        malloc_trim(0);
    return ::send(kWork, &outcome, 1, MSG_NOSIGNAL) == 1;
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
    while (drawOne()) {
    }
    return 0;
}
