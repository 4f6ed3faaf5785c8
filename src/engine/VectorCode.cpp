#include "engine/VectorCode.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include <dlfcn.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

namespace kelvaro::ImageEngine {
namespace {

// liborc 0.4.33 names its code file "<folder>/orcexec.XXXXXX", makes it with mkstemp64, unlinks
// it, sizes it to one 64 KiB region and maps it twice (writable, executable).
constexpr std::string_view kOrcTemplateTail = "/orcexec.XXXXXX";
constexpr off_t kOrcRegionBytes = 64 * 1024;

enum class CodePlace {
    memory,    // a memory file of the process's own, mapped as liborc maps its file
    anonymous, // liborc's own last resort: one private mapping, writable and executable
    none,
};

bool memoryFileMapsExecutable()
{
    const int fd = ::memfd_create("kelvaro-vector-check", MFD_CLOEXEC);
    if (fd < 0)
        return false;
    bool mapped = false;
    if (::ftruncate(fd, 4096) == 0) {
        void* code = ::mmap(nullptr, 4096, PROT_READ | PROT_EXEC, MAP_SHARED, fd, 0);
        mapped = code != MAP_FAILED;
        if (mapped)
            ::munmap(code, 4096);
    }
    ::close(fd);
    return mapped;
}

bool anonymousMapsExecutable()
{
    void* code = ::mmap(nullptr, 4096, PROT_READ | PROT_WRITE | PROT_EXEC, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (code == MAP_FAILED)
        return false;
    ::munmap(code, 4096);
    return true;
}

CodePlace codePlace()
{
    static const CodePlace place = memoryFileMapsExecutable() ? CodePlace::memory
                                   : anonymousMapsExecutable() ? CodePlace::anonymous
                                                               : CodePlace::none;
    return place;
}

bool isOrcTemplate(const char* name)
{
    const std::string_view path(name);
    return path.size() > kOrcTemplateTail.size() && path.substr(path.size() - kOrcTemplateTail.size()) == kOrcTemplateTail;
}

// What liborc gets for its code file: a memory file whose pages are all taken now, or a refusal
// that sends it on to its next folder and, after the last, to anonymous memory. No folder is
// touched. liborc unlinks the name it gets back: it is made one that unlink can never remove (a
// trailing slash names only a folder, which unlink refuses), so no one's file goes.
int orcCodeFile(char* name)
{
    if (codePlace() == CodePlace::memory) {
        const int fd = ::memfd_create("orcexec", MFD_CLOEXEC);
        if (fd >= 0) {
            const int error = ::posix_fallocate(fd, 0, kOrcRegionBytes);
            if (error == 0) {
                std::memcpy(name + std::strlen(name) - 6, "memfd/", 6);
                return fd;
            }
            ::close(fd);
            errno = error;
            return -1;
        }
    }
    errno = EACCES;
    return -1;
}

using MakeTemp = int (*)(char*);

// The C library's function of that name (mkostemp without flags where none is found).
MakeTemp libraryMakeTemp(const char* symbol)
{
    if (void* found = ::dlsym(RTLD_NEXT, symbol))
        return reinterpret_cast<MakeTemp>(found);
    return [](char* name) { return ::mkostemp(name, 0); };
}

} // namespace

bool vectorCodeHasSafePlace() { return codePlace() != CodePlace::none; }

} // namespace kelvaro::ImageEngine

// Interposed for liborc's sake; every other caller gets the C library's own.
extern "C" int mkstemp64(char* name)
{
    using namespace kelvaro::ImageEngine;
    static const MakeTemp library = libraryMakeTemp("mkstemp64");
    return isOrcTemplate(name) ? orcCodeFile(name) : library(name);
}

extern "C" int mkstemp(char* name)
{
    using namespace kelvaro::ImageEngine;
    static const MakeTemp library = libraryMakeTemp("mkstemp");
    return isOrcTemplate(name) ? orcCodeFile(name) : library(name);
}
