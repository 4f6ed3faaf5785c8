// kelvaro-pdfpage: draws the first page of one PDF for Kelvaro, in a process of its own, so that a
// page whose drawing would take more memory or time than a page may is ended by the kernel here
// and never takes Kelvaro down or holds it. Kelvaro starts it for each page it draws
// (ImageEngine::renderPDFPage) and reads the result from memory it shares with it.
//
//   kelvaro-pdfpage WIDTH HEIGHT HDPI VDPI ROTATE MEMORY CPU
//
// The document is read from descriptor 3 (opened and checked by Kelvaro: the file drawn is the
// file it priced); the page is drawn WIDTH × HEIGHT pixels from the media box's corner at HDPI ×
// VDPI, turned ROTATE degrees, and written to descriptor 4 as rows of B, G, R and a filler byte,
// white where the renderer rounded short. Before anything else it bounds itself: its data memory
// at MEMORY bytes above what it holds once started, its CPU time at CPU seconds (SIGXCPU, then
// SIGKILL). Exits 0 once the page is written, 2 when the document or its page cannot be read, 3
// as soon as memory is refused (poppler would otherwise leave out what it could not allocate and
// go on: a page drawn in part); the CPU bound ends it by a signal.
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include <sys/resource.h>
#include <unistd.h>

#include <poppler/GlobalParams.h>
#include <poppler/PDFDoc.h>
#include <poppler/Page.h>
#include <poppler/SplashOutputDev.h>
#include <poppler/Stream.h>
#include <poppler/splash/SplashBitmap.h>

#include "engine/PopplerSetup.h"

namespace {

constexpr int kDocument = 3;
constexpr int kPixels = 4;
constexpr int kUnreadable = 2;
constexpr int kOutOfMemory = 3;

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

void bound(long long memory, long long cpuSeconds)
{
    rlimit core{0, 0};
    setrlimit(RLIMIT_CORE, &core); // an abort at the ceiling writes no core file
    rlimit data{};
    getrlimit(RLIMIT_DATA, &data);
    const long long wanted = dataHeld() + memory;
    data.rlim_cur = data.rlim_max == RLIM_INFINITY ? rlim_t(wanted) : std::min<rlim_t>(rlim_t(wanted), data.rlim_max);
    setrlimit(RLIMIT_DATA, &data);
    rlimit cpu{};
    getrlimit(RLIMIT_CPU, &cpu);
    const rlim_t soft = rlim_t(std::max(1LL, cpuSeconds));
    cpu.rlim_cur = cpu.rlim_max == RLIM_INFINITY ? soft : std::min(soft, cpu.rlim_max);
    cpu.rlim_max = cpu.rlim_max == RLIM_INFINITY ? soft + 1 : std::min(soft + 1, cpu.rlim_max);
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

int draw(int width, int height, double hDpi, double vDpi, int rotate)
{
    kelvaro::setUpPoppler();
    std::unique_ptr<GooFile> file = GooFile::open(kDocument);
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
        if (!writeAll(kPixels, from, rowBytes, off_t(y) * off_t(rowBytes)))
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

int main(int argc, char** argv)
{
    if (argc != 8)
        return kUnreadable;
    const int width = std::atoi(argv[1]);
    const int height = std::atoi(argv[2]);
    const double hDpi = std::strtod(argv[3], nullptr);
    const double vDpi = std::strtod(argv[4], nullptr);
    const int rotate = std::atoi(argv[5]);
    bound(std::atoll(argv[6]), std::atoll(argv[7]));
    if (width < 1 || height < 1 || !(hDpi > 0) || !(vDpi > 0))
        return kUnreadable;
    try {
        return draw(width, height, hDpi, vDpi, rotate);
    } catch (const std::bad_alloc&) {
        return kOutOfMemory;
    } catch (...) {
        return kUnreadable;
    }
}
