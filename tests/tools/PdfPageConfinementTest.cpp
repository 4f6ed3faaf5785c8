// The PDF page drawer runs confined: no new privileges, its system calls filtered, the kernel's
// first victim, with its own descriptors alone and a few variables of the environment. A program
// confined by the same code is refused a connection, a program and a process of its own, with
// EPERM, and still starts threads.
#include <cerrno>
#include <functional>
#include <set>

#include <fcntl.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QScopeGuard>
#include <QSizeF>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "engine/ImageEngine.h"
#include "platform/ChildProcesses.h"
#include "../support/StandInDrawer.h"
#include "../support/TestImages.h"
#include "../support/TestSupport.h"

using namespace kelvaro;
namespace ti = kelvaro::testimages;
using namespace std::chrono_literals;
using Kind = ChildProcesses::Ending::Kind;

namespace {

// What a drawer's /proc entries say: `pid`'s file `name`.
QByteArray procFile(qint64 pid, const char* name)
{
    return test::readFile(QStringLiteral("/proc/%1/%2").arg(pid).arg(QLatin1String(name)));
}

struct DrawerRow {
    const char* name;
    std::function<void(qint64 pid)> check; // of a drawer waiting for its next page
};

class ConfinedDrawers : public ::testing::TestWithParam<DrawerRow> {};

// A drawer started now draws a page and waits for the next one; what it is is read then. This
// process meanwhile holds descriptors a launcher or a library could have left it without CLOEXEC
// and a variable of its own.
TEST_P(ConfinedDrawers, waitForTheirNextPage)
{
    {
        const ChildProcesses::Draining drain; // none waits from before: the one looked at starts now
    }
    int pipe[2];
    ASSERT_EQ(::pipe2(pipe, 0), 0);
    const int high = ::dup2(pipe[0], 251);
    const int null = ::open("/dev/null", O_RDONLY);
    qputenv("KELVARO_TEST_SECRET", "42");
    const auto restore = qScopeGuard([&] {
        qunsetenv("KELVARO_TEST_SECRET");
        for (const int descriptor : {pipe[0], pipe[1], high, null})
            ::close(descriptor);
    });
    ASSERT_EQ(high, 251);
    QTemporaryDir folder;
    const QString page = ti::writePdf(folder.path(), QStringLiteral("page.pdf"), QSizeF(200, 100));
    ASSERT_FALSE(ImageEngine::renderPDFPage(page).is_null());
    QList<qint64> drawers;
    for (const test::ProcessEntry& process : test::processes())
        if (process.parent == ::getpid() && process.name == "kelvaro-pdfpage")
            drawers.append(process.pid);
    ASSERT_EQ(drawers.size(), 1);
    GetParam().check(drawers.first());
}

INSTANTIATE_TEST_SUITE_P(
    PdfPageConfinement, ConfinedDrawers,
    ::testing::Values(DrawerRow{"withoutNewPrivilegesAndFiltered",
                                [](qint64 pid) {
                                    const QByteArray status = procFile(pid, "status");
                                    EXPECT_TRUE(status.contains("\nNoNewPrivs:\t1\n")) << status.toStdString();
                                    EXPECT_TRUE(status.contains("\nSeccomp:\t2\n")) << status.toStdString();
                                }},
                      DrawerRow{"asTheKernelsFirstVictim",
                                [](qint64 pid) { EXPECT_EQ(procFile(pid, "oom_score_adj").trimmed(), "1000"); }},
                      DrawerRow{"withTheirOwnDescriptorsAlone",
                                [](qint64 pid) {
                                    EXPECT_EQ(test::namesIn(QStringLiteral("/proc/%1/fd").arg(pid)),
                                              QStringList({"0", "1", "2", "3"}));
                                }},
                      DrawerRow{"withAFewVariables",
                                [](qint64 pid) {
                                    // Where fonts, their configuration and cache are, the language.
                                    const std::set<QByteArray> allowed = {
                                        "PATH", "HOME", "LANG", "LC_ALL", "LC_CTYPE", "XDG_CACHE_HOME", "XDG_CONFIG_HOME",
                                        "XDG_DATA_HOME", "XDG_DATA_DIRS", "FONTCONFIG_FILE", "FONTCONFIG_PATH",
                                        "FONTCONFIG_SYSROOT", "FC_LANG"};
                                    QList<QByteArray> names;
                                    for (const QByteArray& entry : procFile(pid, "environ").split('\0'))
                                        if (!entry.isEmpty())
                                            names.append(entry.left(entry.indexOf('=')));
                                    for (const QByteArray& name : names)
                                        EXPECT_TRUE(allowed.count(name)) << name.toStdString();
                                    EXPECT_TRUE(names.contains("HOME")) << "fontconfig finds its cache";
                                    EXPECT_FALSE(names.contains("KELVARO_TEST_SECRET"));
                                }}),
    test::RowName());

struct CallRow {
    const char* name; // the call the stand-in tries, once confined
    int error;        // what it fails with, 0 when it goes through
};

class ConfinedCalls : public ::testing::TestWithParam<CallRow> {
protected:
    // Each row's stand-in starts unconfined: none confined by another row waits for work.
    void SetUp() override { ChildProcesses::Draining drain; }
    void TearDown() override { ChildProcesses::Draining drain; }
};

// Once confined, a program is refused what drawing a page never needs, with an error a library
// that probes can go on after, and keeps what it needs: threads, its socket to Kelvaro.
TEST_P(ConfinedCalls, failOrGoThrough)
{
    const CallRow& row = GetParam();
    const ChildProcesses::Ending ending =
        ChildProcesses::run(ChildProcesses::Ready(test::standInDrawer()),
                            {QStringLiteral("confine"), QString::fromLatin1(row.name)}, {}, 2min, {});
    ASSERT_EQ(ending.kind, Kind::answered) << "ended as " << int(ending.kind) << ", code " << ending.code;
    EXPECT_EQ(ending.code, row.error) << std::strerror(ending.code);
}

INSTANTIATE_TEST_SUITE_P(PdfPageConfinement, ConfinedCalls,
                         ::testing::Values(CallRow{"socket", EPERM}, CallRow{"socketpair", EPERM}, CallRow{"connect", EPERM},
                                           CallRow{"bind", EPERM}, CallRow{"listen", EPERM}, CallRow{"accept", EPERM},
                                           CallRow{"fork", EPERM}, CallRow{"clone", EPERM}, CallRow{"clone3", ENOSYS},
                                           CallRow{"execve", EPERM}, CallRow{"execveat", EPERM}, CallRow{"ptrace", EPERM},
                                           CallRow{"process_vm_readv", EPERM}, CallRow{"process_vm_writev", EPERM},
                                           CallRow{"io_uring_setup", EPERM}, CallRow{"thread", 0}),
                         test::RowName());

} // namespace
