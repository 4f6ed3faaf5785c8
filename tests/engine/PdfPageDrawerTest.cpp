// The program that draws PDF pages: one that cannot be started is said once in the log, naming
// it, however many pages fail for it; a page whose drawing spins ends at the drawer's own CPU
// bound, long before the wall time Kelvaro gives it.
#include <sys/resource.h>

#include <QFile>
#include <QScopeGuard>

#include <gtest/gtest.h>

#include "EngineFixture.h"
#include "engine/ImageEngine.h"
#include "platform/ChildProcesses.h"
#include "platform/Log.h"
#include "../support/TestImages.h"
#include "../support/TestSupport.h"

using namespace kelvaro;
namespace ti = kelvaro::testimages;
using namespace std::chrono_literals;

namespace {

struct MissingRow {
    const char* name;
    std::function<QString(const QString& dir)> place; // the path the drawer is looked for at
};

class MissingDrawers : public test::InAndOut<::testing::TestWithParam<MissingRow>> {};

// A drawer that cannot be started is an installation's fault: each page still fails as a file
// that cannot be opened, and the log says once which program could not be started.
TEST_P(MissingDrawers, areLoggedOnceNamingTheProgram)
{
    const QString drawer = GetParam().place(in());
    const QByteArray before = qgetenv("KELVARO_PDFPAGE");
    qputenv("KELVARO_PDFPAGE", QFile::encodeName(drawer));
    const auto restore = qScopeGuard([&] { qputenv("KELVARO_PDFPAGE", before); });
    clearRecentLogLines();
    for (const char* name : {"a.pdf", "b.pdf", "c.pdf"}) {
        const QString page = ti::writePdf(in(), QString::fromLatin1(name), QSizeF(200, 100));
        EXPECT_TRUE(test::failsWith(KelvaroError::Kind::unreadable, QString::fromLatin1(name),
                                    [&] { ImageEngine::renderPDFPage(page); }));
    }
    EXPECT_EQ(recentLogLines().filter(drawer).size(), 1) << recentLogLines().join(QLatin1Char('\n')).toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    PdfPageDrawer, MissingDrawers,
    ::testing::Values(MissingRow{"missing", [](const QString& d) { return d + QStringLiteral("/kelvaro-pdfpage"); }},
                      MissingRow{"notExecutable",
                                 [](const QString& d) {
                                     const QString drawer = d + QStringLiteral("/kelvaro-pdfpage");
                                     test::writeFile(drawer, "#!/bin/sh\n");
                                     QFile::setPermissions(drawer, QFile::ReadOwner | QFile::WriteOwner);
                                     return drawer;
                                 }}),
    test::RowName());

class PdfPageDrawer : public test::InAndOut<> {};

// CPU seconds this process's reaped children have spent.
double cpuSpentByChildren()
{
    rusage spent{};
    getrusage(RUSAGE_CHILDREN, &spent);
    return spent.ru_utime.tv_sec + spent.ru_stime.tv_sec + (spent.ru_utime.tv_usec + spent.ru_stime.tv_usec) / 1e6;
}

// A page that spins is ended by its CPU bound (one second here), not by the minute of wall time
// Kelvaro waits: the drawer spends its bound and a second's grace beside what its start took,
// far from the minute of CPU time it would spend until the wall time came.
TEST_F(PdfPageDrawer, aSpinningPageEndsAtItsCpuBound)
{
    const QString page = ti::writePageFills(in(), QStringLiteral("fills.pdf"), 1'000'000);
    const test::PdfPageCpuBound bound(1s);
    {
        // The drawer is started for this page: what it spends is counted once it is reaped.
        const ChildProcesses::Draining drain;
    }
    const double before = cpuSpentByChildren();
    EXPECT_TRUE(test::failsWith(KelvaroError::Kind::pageBeyondBounds, QStringLiteral("fills.pdf"),
                                [&] { ImageEngine::renderPDFPage(page); }));
    const double spent = cpuSpentByChildren() - before;
    EXPECT_GE(spent, 1.0) << "the page did not spin";
    EXPECT_LT(spent, 8.0) << "the drawer went on past its CPU bound";
}

} // namespace
