// libvips' vector programs compiled and freed on several threads at once: liborc takes and gives
// back pieces of its code blocks partly outside its own lock, so a free must wait for a compile
// that is taking a piece, and a compile for a free that is giving one back.
// The program's compiled code is reached through libvips' own record of it, which it declares
// only for a build with liborc.
#define HAVE_ORC 1

#include <atomic>
#include <chrono>
#include <functional>
#include <future>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include <dlfcn.h>

#include <gtest/gtest.h>
#include <orc/orc.h>
#include <vips/vips.h>
#include <vips/vector.h>

#include "engine/Bitmap.h"
#include "engine/VectorCode.h"
#include "../support/TestSupport.h"

using namespace kelvaro;

namespace {

// A program that copies bytes, compiled to machine code when the system allows.
VipsVector* compiledCopy()
{
    VipsVector* vector = vips_vector_new("copy", 1);
    vips_vector_source_name(vector, "s1", 1);
    vips_vector_asm2(vector, "copyb", "d1", "s1");
    vips_vector_compile(vector);
    return vector;
}

// Each way the engine's libraries give compiled code back: libvips frees a program (and liborc
// its code inside), and liborc's code free is an entry point of its own, which liborc's internal
// calls do not pass through. `freeing` readies the free of a program's code and returns it, so
// that nothing else runs when it is called.
struct FreeRow {
    const char* name;
    std::function<std::function<void()>(VipsVector*)> freeing;
};

#ifndef KELVARO_TEST_SANITIZED
// The C library's free() of the thread that sets holdNextFree is held, once, until freeLetGo: the
// first memory liborc gives back, before it gives back its piece of code.
thread_local bool holdNextFree = false;
std::atomic_bool freeHeld = false;
std::atomic_bool freeLetGo = false;
#endif

void PrintTo(const FreeRow& row, std::ostream* os)
{
    *os << row.name;
}

class VectorCode : public ::testing::TestWithParam<FreeRow> {};

// One thread compiles programs until liborc asks for a new code block, and is held there, inside
// liborc's lock; another frees code compiled earlier. liborc's frees take no lock, so without one
// of ours they splice its list of pieces while the compile is at work on it.
TEST_P(VectorCode, aFreeWhileAnotherCompilesWaitsForTheCompile)
{
    initVips();
    if (!vips_vector_isenabled())
        GTEST_SKIP() << "libvips runs no vector code here";
    VipsVector* earlier = compiledCopy();
    ASSERT_TRUE(earlier->compiled && earlier->program) << "liborc compiled nothing";

    std::promise<void> inside;
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    std::atomic_bool held = false;
    ImageEngine::setNewCodeBlockHook([&] {
        if (held.exchange(true))
            return;
        inside.set_value();
        released.wait_for(std::chrono::seconds(60));
    });
    std::vector<VipsVector*> programs;
    std::thread compiling([&] {
        // A 64 KiB block holds a few hundred of these.
        while (!held && programs.size() < 100000)
            programs.push_back(compiledCopy());
    });
    const bool reached = inside.get_future().wait_for(std::chrono::seconds(60)) == std::future_status::ready;

    std::atomic_bool freed = false;
    std::thread freeing;
    bool settled = false;
    bool freedDuringCompile = false;
    if (reached) {
        freeing = std::thread([&] {
            GetParam().freeing(earlier)();
            freed = true;
        });
        // Either it went through, or it waits for the code lock.
        settled = test::waitUntil([&] { return freed || ImageEngine::vectorCodeWaiting() > 0; }, 60000);
        freedDuringCompile = freed;
    }
    release.set_value();
    compiling.join();
    if (freeing.joinable())
        freeing.join();
    ImageEngine::setNewCodeBlockHook({});
    for (VipsVector* program : programs)
        vips_vector_free(program);
    vips_vector_free(earlier);

    ASSERT_TRUE(reached) << "liborc never asked for a new code block";
    EXPECT_TRUE(settled);
    EXPECT_FALSE(freedDuringCompile) << "the free went on inside the compile";
    EXPECT_TRUE(freed);
}

// One thread frees compiled code and is held inside liborc's free, at the first memory it gives
// back; another compiles. Without the code lock held through the free, the compile takes a piece
// of the block while the free is putting its own back.
TEST_P(VectorCode, aCompileWhileAnotherFreesWaitsForTheFree)
{
#ifdef KELVARO_TEST_SANITIZED
    GTEST_SKIP() << "the sanitizer's allocator is its own: no free() to hold";
#else
    initVips();
    if (!vips_vector_isenabled())
        GTEST_SKIP() << "libvips runs no vector code here";
    // Each way of freeing once, so that nothing it sets up for itself frees memory of its own.
    VipsVector* warm = compiledCopy();
    GetParam().freeing(warm)();
    vips_vector_free(warm);
    VipsVector* earlier = compiledCopy();
    ASSERT_TRUE(earlier->compiled && earlier->program) << "liborc compiled nothing";
    const std::function<void()> free = GetParam().freeing(earlier);

    freeHeld = false;
    freeLetGo = false;
    std::atomic_bool freed = false;
    std::thread freeing([&] {
        holdNextFree = true;
        free();
        holdNextFree = false;
        freed = true;
    });
    const bool inside = test::waitUntil([&] { return freeHeld || freed; }, 60000) && freeHeld;

    std::atomic_bool compiled = false;
    VipsVector* later = nullptr;
    std::thread compiling;
    bool settled = false;
    bool compiledDuringFree = false;
    if (inside) {
        compiling = std::thread([&] {
            later = compiledCopy();
            compiled = true;
        });
        // Either it went through, or it waits for the code lock.
        settled = test::waitUntil([&] { return compiled || ImageEngine::vectorCodeWaiting() > 0; }, 60000);
        compiledDuringFree = compiled;
    }
    freeLetGo = true;
    freeLetGo.notify_all();
    freeing.join();
    if (compiling.joinable())
        compiling.join();
    if (later)
        vips_vector_free(later);
    vips_vector_free(earlier);

    ASSERT_TRUE(inside) << "liborc's free gave back no memory";
    EXPECT_TRUE(settled);
    EXPECT_FALSE(compiledDuringFree) << "the compile went on inside the free";
    EXPECT_TRUE(compiled);
#endif
}

INSTANTIATE_TEST_SUITE_P(
    Frees, VectorCode,
    ::testing::Values(FreeRow{"program",
                              [](VipsVector* vector) -> std::function<void()> {
                                  OrcProgram* program = std::exchange(vector->program, nullptr);
                                  return [program] { orc_program_free(program); };
                              }},
                      FreeRow{"code",
                              [](VipsVector* vector) -> std::function<void()> {
                                  // liborc's own, found where libvips loaded it.
                                  using TakeCode = OrcCode* (*)(OrcProgram*);
                                  const auto take = reinterpret_cast<TakeCode>(::dlsym(RTLD_DEFAULT, "orc_program_take_code"));
                                  EXPECT_TRUE(take) << "liborc is not loaded";
                                  OrcCode* code = take ? take(vector->program) : nullptr;
                                  return [code] {
                                      if (code)
                                          orc_code_free(code);
                                  };
                              }}),
    [](const ::testing::TestParamInfo<FreeRow>& info) { return std::string(info.param.name); });

} // namespace

#ifndef KELVARO_TEST_SANITIZED
// Every free() of the test program passes here, on to the C library's own (as the allocations of
// the test support do).
extern "C" void __libc_free(void* pointer);
extern "C" void free(void* pointer)
{
    if (holdNextFree && pointer) {
        holdNextFree = false;
        freeHeld = true;
        freeLetGo.wait(false);
    }
    __libc_free(pointer);
}
#endif
