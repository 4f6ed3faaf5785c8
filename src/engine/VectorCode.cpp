#include "engine/VectorCode.h"

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <mutex>
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

std::mutex hookMutex;
std::function<void()> newBlockHook;

void newCodeBlockHook()
{
    std::function<void()> hook;
    {
        const std::lock_guard lock(hookMutex);
        hook = newBlockHook;
    }
    if (hook)
        hook();
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
    newCodeBlockHook();
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

// liborc 0.4.33 guards its code blocks with its own lock only in part: a compile finds a free
// piece under the lock but splits it and marks it taken after letting go, and a free marks its
// piece free and merges it with free neighbours, freeing their records, with no lock at all.
// libvips compiles a program when an operation is built and frees it when the operation goes,
// on whichever thread drops it last, so batch workers building and dropping pipelines at once
// corrupt liborc's list of pieces: two compiles get one piece, or a free follows a neighbour
// another free has just released (SIGSEGV in orc_code_free). Every liborc entry point that takes
// or gives back code runs under this lock, recursive for a liborc that calls its own entry points
// through the symbol table. Taken before liborc's own, never the other way round: nothing runs
// inside liborc's lock that would ask for this one. Never destroyed: a program may be freed while
// the process's statics go.
class CodeLock {
public:
    void lock()
    {
        m_waiting.fetch_add(1);
        m_mutex.lock();
        m_waiting.fetch_sub(1);
    }
    void unlock() { m_mutex.unlock(); }
    int waiting() const { return m_waiting.load(); }

private:
    std::recursive_mutex m_mutex;
    std::atomic_int m_waiting = 0;
};

CodeLock& codeLock()
{
    static CodeLock* const lock = new CodeLock;
    return *lock;
}

// liborc's function of that name, past the one below.
template <typename Function>
Function orcFunction(const char* symbol)
{
    return reinterpret_cast<Function>(::dlsym(RTLD_NEXT, symbol));
}

// ORC_COMPILE_RESULT_UNKNOWN_COMPILE: not compiled, libvips runs its plain code instead.
constexpr int kNotCompiled = 0x100;

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

void setNewCodeBlockHook(std::function<void()> hook)
{
    const std::lock_guard lock(hookMutex);
    newBlockHook = std::move(hook);
}

int vectorCodeWaiting() { return codeLock().waiting(); }

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

// liborc's entry points that take or give back code memory, each forwarded under the code lock.
// Declared here without liborc's header: its types are only passed through.
extern "C" int orc_program_compile(void* program)
{
    using namespace kelvaro::ImageEngine;
    static const auto orc = orcFunction<int (*)(void*)>("orc_program_compile");
    const std::lock_guard lock(codeLock());
    return orc ? orc(program) : kNotCompiled;
}

extern "C" int orc_program_compile_for_target(void* program, void* target)
{
    using namespace kelvaro::ImageEngine;
    static const auto orc = orcFunction<int (*)(void*, void*)>("orc_program_compile_for_target");
    const std::lock_guard lock(codeLock());
    return orc ? orc(program, target) : kNotCompiled;
}

extern "C" int orc_program_compile_full(void* program, void* target, unsigned int flags)
{
    using namespace kelvaro::ImageEngine;
    static const auto orc = orcFunction<int (*)(void*, void*, unsigned int)>("orc_program_compile_full");
    const std::lock_guard lock(codeLock());
    return orc ? orc(program, target, flags) : kNotCompiled;
}

extern "C" void orc_program_free(void* program)
{
    using namespace kelvaro::ImageEngine;
    static const auto orc = orcFunction<void (*)(void*)>("orc_program_free");
    const std::lock_guard lock(codeLock());
    if (orc)
        orc(program);
}

extern "C" void orc_program_reset(void* program)
{
    using namespace kelvaro::ImageEngine;
    static const auto orc = orcFunction<void (*)(void*)>("orc_program_reset");
    const std::lock_guard lock(codeLock());
    if (orc)
        orc(program);
}

extern "C" void orc_code_free(void* code)
{
    using namespace kelvaro::ImageEngine;
    static const auto orc = orcFunction<void (*)(void*)>("orc_code_free");
    const std::lock_guard lock(codeLock());
    if (orc)
        orc(code);
}

extern "C" void orc_code_allocate_codemem(void* code, int size)
{
    using namespace kelvaro::ImageEngine;
    static const auto orc = orcFunction<void (*)(void*, int)>("orc_code_allocate_codemem");
    const std::lock_guard lock(codeLock());
    if (orc)
        orc(code, size);
}
