#pragma once
// One fuzz target = one function over a byte buffer, written once and used twice: built alone
// with libFuzzer (KELVARO_FUZZ_STANDALONE: the function becomes LLVMFuzzerTestOneInput), and
// compiled into the reliability tests, where every target runs over its seed corpus and a
// bounded number of deterministic mutations. A target checks the invariants of what it calls
// with FUZZ_CHECK; a broken one is a crash under libFuzzer and a test failure in the suite.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <utility>
#include <vector>

#include <QByteArray>
#include <QDir>
#include <QString>

namespace kelvaro::fuzz {

using Entry = int (*)(const uint8_t* data, size_t size);

struct Target {
    const char* name;
    Entry entry;
};

inline std::vector<Target>& registry()
{
    static std::vector<Target> targets;
    return targets;
}

struct Registration {
    Registration(const char* name, Entry entry) { registry().push_back({name, entry}); }
};

// What a broken invariant does; the tests replace it with a recorded failure.
inline std::function<void(const char* what, const char* file, int line)>& failureHandler()
{
    static std::function<void(const char*, const char*, int)> handler = [](const char* what, const char* file, int line) {
        std::fprintf(stderr, "invariant broken: %s (%s:%d)\n", what, file, line);
        std::abort();
    };
    return handler;
}

// A private scratch folder below XDG_RUNTIME_DIR (set per process by the harness and the tests).
inline QString scratchDir()
{
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    const QString root = (runtime.isEmpty() ? QDir::tempPath() : QString::fromLocal8Bit(runtime))
                         + QStringLiteral("/kelvaro-fuzz-scratch");
    QDir().mkpath(root);
    return root;
}

// The bytes of an input without a copy, so the sanitizers see its exact bounds.
inline QByteArray bytesOf(const uint8_t* data, size_t size)
{
    return QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
}

// Splits an input into two parts: the first two bytes (little-endian) give the first part's
// length, clamped to what follows.
inline std::pair<QByteArray, QByteArray> splitInput(const uint8_t* data, size_t size)
{
    if (size < 2)
        return {QByteArray(), QByteArray()};
    const size_t first = std::min(size - 2, size_t(data[0]) | (size_t(data[1]) << 8));
    return {QByteArray(reinterpret_cast<const char*>(data) + 2, qsizetype(first)),
            QByteArray(reinterpret_cast<const char*>(data) + 2 + first, qsizetype(size - 2 - first))};
}

#ifdef KELVARO_FUZZ_STANDALONE
// Temporary XDG folders, offscreen Qt, no session bus: the same isolation the tests have.
void prepareStandalone(int* argc, char*** argv);
#endif

} // namespace kelvaro::fuzz

#define FUZZ_CHECK(condition)                                                                     \
    do {                                                                                          \
        if (!(condition))                                                                         \
            ::kelvaro::fuzz::failureHandler()(#condition, __FILE__, __LINE__);                    \
    } while (false)

#ifdef KELVARO_FUZZ_STANDALONE
#define KELVARO_FUZZ_TARGET(name)                                                                 \
    static int kelvaroFuzz_##name(const uint8_t* data, size_t size);                              \
    extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)                                  \
    {                                                                                             \
        ::kelvaro::fuzz::prepareStandalone(argc, argv);                                           \
        return 0;                                                                                 \
    }                                                                                             \
    extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)                       \
    {                                                                                             \
        return kelvaroFuzz_##name(data, size);                                                    \
    }                                                                                             \
    static int kelvaroFuzz_##name(const uint8_t* data, size_t size)
#else
#define KELVARO_FUZZ_TARGET(name)                                                                 \
    static int kelvaroFuzz_##name(const uint8_t* data, size_t size);                              \
    static const ::kelvaro::fuzz::Registration kelvaroFuzzRegistration_##name(#name, kelvaroFuzz_##name); \
    static int kelvaroFuzz_##name(const uint8_t* data, size_t size)
#endif
