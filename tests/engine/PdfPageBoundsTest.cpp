// A PDF page is drawn in a process of its own, bounded in memory and CPU time: pages whose drawing
// would take gigabytes or minutes are refused with their own message between two photos that are
// made, the stop, the quit and the pools' drain end a drawing at once, Kelvaro's own memory never
// holds what the drawing did, pages that reuse one form tens of thousands of times are drawn, and
// the price of a page walks its forms.
#include <chrono>
#include <future>
#include <thread>
#include <vector>

#include <sys/resource.h>

#include <QDir>
#include <QFile>
#include <QElapsedTimer>
#include <QScopeGuard>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "EngineFixture.h"
#include "engine/FileAbort.h"
#include "engine/ImageEngine.h"
#include "engine/ImageProbe.h"
#include "engine/MemoryBudget.h"
#include "engine/PdfDrawer.h"
#include "platform/BackgroundPools.h"
#include "platform/ChildProcesses.h"
#include "../support/BudgetHold.h"
#include "../support/TestImages.h"
#include "../support/TestSupport.h"

using namespace kelvaro;
namespace ti = kelvaro::testimages;
using namespace std::chrono_literals;

namespace {

constexpr qint64 MB = 1024 * 1024;

QString beyondBoundsMessage(const QString& name)
{
    return KelvaroError::pageBeyondBounds(name).message(EngineSettings{}.language);
}

struct HostileRow {
    const char* name;
    std::function<QString(const QString& dir)> write; // the page, named page.pdf
    std::chrono::seconds cpu;                         // 0: the default bound
};

class HostilePages : public test::InAndOut<::testing::TestWithParam<HostileRow>> {};

// Each page between two photos of one batch, on one worker and on three, with a hard memory limit
// and Kelvaro's own data memory capped: the batch ends, both photos are made, the page is refused
// with its own message and leaves no part file.
TEST_P(HostilePages, areRefusedBetweenTwoPhotosThatAreMade)
{
    const HostileRow& row = GetParam();
    const QString first = ti::writeJpeg(in(), QStringLiteral("first.jpg"), ti::quadrants(64, 48));
    const QString page = row.write(in());
    const QString last = ti::writeJpeg(in(), QStringLiteral("last.jpg"), ti::quadrants(64, 48));
    const test::PdfPageCpuBound bound(row.cpu);
    const test::MachineMemory machine(8000 * MB, 3000 * MB);
    const test::MemoryLimit limit(1024 * MB);
    // The default bound's row runs once: its drawing takes the whole 20 s of the processor, minutes
    // of the clock on a busy machine.
    for (const int jobs : row.cpu.count() == 0 ? std::vector<int>{1} : std::vector<int>{1, 3}) {
        SCOPED_TRACE(testing::Message() << jobs << " workers");
        QTemporaryDir out;
        const std::optional<OpResult> ended = test::runOnWorkers(KelvaroOp::convert(ImageFormat::jpg), {first, page, last}, out.path(),
                                                                 jobs, std::chrono::seconds(ImageEngine::pdfPageCpuBound().count() * 4 + 60));
        ASSERT_TRUE(ended) << "the batch did not end";
        const OpResult& result = *ended;
        EXPECT_EQ(result.failed, 1);
        EXPECT_EQ(result.firstError, beyondBoundsMessage(QStringLiteral("page.pdf")));
        EXPECT_EQ(QDir(out.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name),
                  QStringList({QStringLiteral("first.jpg"), QStringLiteral("last.jpg")}))
            << "both photos made, no part file left";
    }
}

INSTANTIATE_TEST_SUITE_P(
    PdfPageBounds, HostilePages,
    ::testing::Values(
        HostileRow{"dashesOfAThousandthOfAPoint", [](const QString& d) { return ti::writeDashedLine(d, "page.pdf"); }, 5s},
        HostileRow{"softMasksTwelveDeep", [](const QString& d) { return ti::writeNestedSoftMasks(d, "page.pdf", 12, 3000); }, 5s},
        HostileRow{"groupsTwoHundredDeep", [](const QString& d) { return ti::writeNestedGroups(d, "page.pdf", 200); }, 5s},
        HostileRow{"aMillionPageFills", [](const QString& d) { return ti::writePageFills(d, "page.pdf", 1'000'000); }, 2s},
        HostileRow{"stitchedShadingPaintedOften",
                   [](const QString& d) { return ti::writeStitchedShading(d, "page.pdf", 2000, 2000); }, 2s},
        HostileRow{"type3GlyphsWithinGlyphs", [](const QString& d) { return ti::writeType3Glyphs(d, "page.pdf", 20, 5); }, 2s},
        // The default bound, unshortened.
        HostileRow{"formsFanningOutToPageFills",
                   [](const QString& d) { return ti::writeFormFanOut(d, "page.pdf", 20, 5, false, true); }, 0s}),
    test::RowName());

class PdfPageBounds : public test::InAndOut<> {};

// The drawing's memory is the child's: Kelvaro's own peak grows by no more than the pages it
// keeps, while the child went past that before it was refused at its page's price.
TEST_F(PdfPageBounds, aPagesDrawingNeverHoldsKelvarosOwnMemory)
{
    const QString page = ti::writeNestedGroups(in(), QStringLiteral("groups.pdf"), 200);
    const test::PdfPageCpuBound bound(10s);
    rusage before{};
    getrusage(RUSAGE_SELF, &before);
    EXPECT_TRUE(test::failsWith(KelvaroError::Kind::pageBeyondBounds, QStringLiteral("groups.pdf"),
                                [&] { ImageEngine::renderPDFPage(page); }));
    rusage self{};
    rusage children{};
    getrusage(RUSAGE_SELF, &self);
    getrusage(RUSAGE_CHILDREN, &children);
    EXPECT_LT((self.ru_maxrss - before.ru_maxrss) * 1024, 64 * MB);
    EXPECT_GT(children.ru_maxrss * 1024, 64 * MB) << "the child held what the drawing took";
}

// Under a hard limit a drawer's ceiling leaves room for the pixels it fills, which the same limit
// is charged for as it writes them and which are part of its page's price: a page admitted at the
// limit's very edge is drawn by a drawer whose ceiling and pixels together stay within the limit,
// never into memory the kernel would take back by killing it, or Kelvaro.
TEST_F(PdfPageBounds, aDrawersCeilingLeavesRoomForThePixelsItFills)
{
    const QString photo = ti::writeJpeg(in(), QStringLiteral("photo.jpg"), ti::quadrants(64, 48));
    const QString page = ti::writePdf(in(), QStringLiteral("large.pdf"), QSizeF(2000, 2000));
    const KelvaroOp op = KelvaroOp::convert(ImageFormat::jpg);
    const qint64 price = ImageEngine::memoryPrice(op, page);
    const qint64 pixels = qint64(4000) * 4000 * 4; // drawn at 144 dpi, four bytes a pixel
    for (const bool roomForBoth : {false, true}) {
        SCOPED_TRACE(roomForBoth ? "room for both" : "room for the price alone");
        const qint64 room = roomForBoth ? price + pixels : price;
        const test::MachineMemory machine(8000 * MB, room);
        std::atomic<qint64> drawingCeiling = 0;
        PdfDrawer::setObserver({[&](const char* work, qint64 memory) {
                                    if (QByteArrayView(work) == "draw")
                                        drawingCeiling = memory;
                                },
                                {}});
        const auto unwatch = qScopeGuard([] { PdfDrawer::setObserver({}); });
        QTemporaryDir out;
        const OpResult result = ImageEngine::process(op, {photo, page}, out.path());
        EXPECT_EQ(result.failed, 0) << result.firstError.value_or(QString()).toStdString();
        EXPECT_TRUE(test::fileNames(result.outputs).contains(QStringLiteral("large.jpg")));
        EXPECT_GT(drawingCeiling.load(), 0);
        EXPECT_LE(drawingCeiling.load() + pixels, std::min(price, room));
    }
}

// A drawer left waiting for work is ended and reaped once it has waited its time: none is left
// behind, not even a zombie, while the application is idle.
TEST_F(PdfPageBounds, aDrawerLeftWaitingIsEndedAndReaped)
{
    ChildProcesses::setIdleUse(std::chrono::milliseconds(200));
    const auto restore = qScopeGuard([] { ChildProcesses::setIdleUse(std::chrono::seconds(30)); });
    const QString page = ti::writePdf(in(), QStringLiteral("page.pdf"), QSizeF(200, 100));
    ASSERT_FALSE(ImageEngine::load(page, 256).image.is_null());
    const auto drawers = [] {
        int found = 0;
        for (const test::ProcessEntry& process : test::processes())
            found += process.parent == ::getpid() && process.name == "kelvaro-pdfpage" ? 1 : 0;
        return found;
    };
    EXPECT_TRUE(test::waitUntil([&] { return drawers() == 0; }, 20000)) << drawers() << " drawers left";
}

struct StopRow {
    const char* name;
    std::function<void(ImageEngine::FileAbort& stop)> stop;
};

class DrawingStops : public test::InAndOut<::testing::TestWithParam<StopRow>> {};

// A drawing of minutes ends within moments of its file's stop request, the quit's stopAll or a
// drain of the pools, and says it was stopped.
TEST_P(DrawingStops, atOnce)
{
    const QString page = ti::writePageFills(in(), QStringLiteral("fills.pdf"), 1'000'000);
    const auto stop = std::make_shared<ImageEngine::FileAbort>();
    // The drawing, not the reading before it.
    std::atomic_bool drawing = false;
    PdfDrawer::setObserver({[&](const char* work, qint64) { drawing = drawing || QByteArrayView(work) == "draw"; }, {}});
    const auto unwatch = qScopeGuard([] { PdfDrawer::setObserver({}); });
    auto drawn = std::async(std::launch::async, [&] {
        const ImageEngine::CurrentFileAbort current(stop);
        ImageEngine::renderPDFPage(page);
    });
    ASSERT_TRUE(test::waitUntil([&] { return drawing && ChildProcesses::running() == 1; }));
    QElapsedTimer since;
    since.start();
    GetParam().stop(*stop);
    ASSERT_EQ(drawn.wait_for(30s), std::future_status::ready);
    EXPECT_LT(since.elapsed(), 3000);
    EXPECT_THROW(drawn.get(), ImageEngine::FileAborted);
    EXPECT_EQ(ChildProcesses::running(), 0);
}

INSTANTIATE_TEST_SUITE_P(PdfPageBounds, DrawingStops,
                         ::testing::Values(StopRow{"byItsFile", [](ImageEngine::FileAbort& stop) { stop.request(); }},
                                           StopRow{"byTheQuit", [](ImageEngine::FileAbort&) { ChildProcesses::stopAll(); }},
                                           StopRow{"byTheDrain", [](ImageEngine::FileAbort&) { BackgroundPools::drain(); }}),
                         test::RowName());

// The drawers that wait for pages are killed by an end too; once the end is called off, pages are
// drawn again by fresh ones, and after a drain as well.
TEST_F(PdfPageBounds, pagesAreDrawnAgainAfterAnEndWasCalledOffOrThePoolsDrained)
{
    const QString pdf = ti::writePdf(in(), QStringLiteral("a.pdf"), QSizeF(200, 100));
    const auto drawn = [&] {
        const Bitmap page = ImageEngine::renderPDFPage(pdf);
        return QSize(page.width(), page.height());
    };
    EXPECT_EQ(drawn(), QSize(400, 200));
    ChildProcesses::stopAll();
    EXPECT_EQ(drawn(), QSize(400, 200));
    BackgroundPools::drain();
    EXPECT_EQ(drawn(), QSize(400, 200));
}

// A drawing killed by the application's end stops its file as a cancel does: the file is neither
// made nor failed (the end was no fault of it, and a watched folder tries it again), and the photo
// before it stays made.
TEST_F(PdfPageBounds, aDrawingTheEndKillsStopsItsFileWithoutFailingIt)
{
    const QString first = ti::writeJpeg(in(), QStringLiteral("first.jpg"), ti::quadrants(64, 48));
    const QString page = ti::writePageFills(in(), QStringLiteral("fills.pdf"), 1'000'000);
    qputenv("KELVARO_JOBS", "1");
    const auto unset = qScopeGuard([] { qunsetenv("KELVARO_JOBS"); });
    test::RunAside run([&](const RunHooksPtr& hooks) {
        return ImageEngine::process(KelvaroOp::convert(ImageFormat::jpg), {first, page}, out(), hooks);
    });
    ASSERT_TRUE(test::waitUntil([] { return ChildProcesses::running() == 1; }));
    ChildProcesses::stopAll();
    ASSERT_TRUE(run.finished(std::chrono::seconds(60))) << "the batch did not end";
    const OpResult result = run.result();
    EXPECT_EQ(result.failed, 0) << result.firstError.value_or(QString()).toStdString();
    EXPECT_EQ(test::fileNames(result.outputs), QStringList{QStringLiteral("first.jpg")});
}

// A thumbnail of such a page, drawn on a background pool, holds the pools' drain no more than
// moments: the drawing is killed, not waited for.
TEST_F(PdfPageBounds, aThumbnailOfSuchAPageDoesNotHoldTheDrain)
{
    const QString page = ti::writeFormFanOut(in(), QStringLiteral("forms.pdf"), 20, 5, false, true);
    QThreadPool* pool = BackgroundPools::make(1);
    std::atomic_bool failed = false;
    pool->start([&] {
        try {
            ImageEngine::load(page, 256);
        } catch (...) {
            failed = true;
        }
    });
    ASSERT_TRUE(test::waitUntil([] { return ChildProcesses::running() == 1; }));
    QElapsedTimer drain;
    drain.start();
    BackgroundPools::drain();
    EXPECT_LT(drain.elapsed(), 3000);
    EXPECT_TRUE(failed);
}

struct DrawerEnd {
    const char* name;
    const char* script; // what the stand-in drawer does instead of drawing
    bool beyondBounds;  // else the page cannot be read
};

class DrawerEnds : public test::InAndOut<::testing::TestWithParam<DrawerEnd>> {};

// How a drawer ends tells the user why its page was not drawn: a crash is a page that cannot be
// read, which no bound would change; its CPU time's signal, an abort, an allocation refused or
// the system's memory killer is a bound reached.
TEST_P(DrawerEnds, sayWhyThePageWasNotDrawn)
{
    const DrawerEnd& row = GetParam();
    const QString drawer = in() + QStringLiteral("/drawer");
    // It takes its work before it ends, as a drawer does: one that ended before it was given
    // any would be a drawer that could not be started.
    test::writeFile(drawer, QByteArray("#!/bin/sh\ndd bs=1 count=1 <&3 >/dev/null 2>&1\n") + row.script + '\n');
    ASSERT_TRUE(QFile::setPermissions(drawer, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    const QByteArray before = qgetenv("KELVARO_PDFPAGE");
    qputenv("KELVARO_PDFPAGE", drawer.toLocal8Bit());
    const auto restore = qScopeGuard([&] { qputenv("KELVARO_PDFPAGE", before); });
    const QString page = ti::writePdf(in(), QStringLiteral("page.pdf"), QSizeF(200, 100));
    const auto language = EngineSettings{}.language;
    const KelvaroError expected = row.beyondBounds ? KelvaroError::pageBeyondBounds(QStringLiteral("page.pdf"))
                                                   : KelvaroError::unreadable(QStringLiteral("page.pdf"));
    try {
        ImageEngine::load(page, 256);
        ADD_FAILURE() << "the page was drawn";
    } catch (const KelvaroError& error) {
        EXPECT_EQ(error.message(language), expected.message(language));
    }
}

INSTANTIATE_TEST_SUITE_P(PdfPageBounds, DrawerEnds,
                         ::testing::Values(DrawerEnd{"segmentationFault", "kill -SEGV $$", false},
                                           DrawerEnd{"busError", "kill -BUS $$", false},
                                           DrawerEnd{"cpuTime", "kill -XCPU $$", true},
                                           DrawerEnd{"abort", "kill -ABRT $$", true},
                                           DrawerEnd{"memoryKiller", "kill -KILL $$", true},
                                           DrawerEnd{"allocationRefused", "exit 3", true}),
                         test::RowName());

// Plots reuse one marker form tens of thousands of times, flat on the page or inside a figure's
// form: they are drawn, whatever number of forms that is, each marker where the plot puts it.
TEST_F(PdfPageBounds, scatterPlotsOfTensOfThousandsOfMarkersAreDrawn)
{
    for (const int markers : {25'000, 100'000}) {
        for (const bool inFigure : {false, true}) {
            SCOPED_TRACE(testing::Message() << markers << (inFigure ? " markers in a figure" : " markers"));
            const QString plot = ti::writeScatterPlot(in(), QStringLiteral("plot.pdf"), markers, inFigure);
            const Bitmap page = ImageEngine::load(plot).image;
            ASSERT_EQ(QSize(page.width(), page.height()), QSize(1190, 1684));
            // The first markers' centres (as writeScatterPlot places them: 3 points blue squares
            // on an A4 page, at two pixels a point) are blue; a corner no marker reaches is white.
            for (int i = 0; i < 50; ++i) {
                const double x = 20 + (i * 7919) % 550 + 1.5;
                const double y = 20 + (i * 104729 / 7) % 800 + 1.5;
                EXPECT_TRUE(ti::near(ti::colourAt(page, x / 595, 1 - y / 842), QColor(0, 0, 255), 30)) << "marker " << i;
            }
            EXPECT_TRUE(ti::near(ti::colourAt(page, 0.005, 0.005), QColor(255, 255, 255), 5));
            QTemporaryDir out;
            const OpResult result = ImageEngine::process(KelvaroOp::convert(ImageFormat::png), {plot}, out.path());
            EXPECT_EQ(result.failed, 0) << result.firstError.value_or(QString()).toStdString();
        }
    }
}

struct PricingRow {
    const char* name;
    std::function<QString(const QString& dir)> write;
    bool drawing; // priced as a page of lines and fills alone
};

class PagePricing : public test::InAndOut<::testing::TestWithParam<PricingRow>> {};

// The price looks for raster images through the forms a page draws, each object once, and takes
// a page past the bound of objects looked at for one that holds images: never lower.
TEST_P(PagePricing, walksTheFormsOnce)
{
    const PricingRow& row = GetParam();
    const QString page = row.write(in());
    QElapsedTimer took;
    took.start();
    EXPECT_EQ(ImageEngine::pdfPageIsDrawing(page), row.drawing);
    EXPECT_EQ(ImageEngine::probe(page).drawing, row.drawing);
    EXPECT_LT(took.elapsed(), 5000);
}

INSTANTIATE_TEST_SUITE_P(
    PdfPageBounds, PagePricing,
    ::testing::Values(
        PricingRow{"anImageOnlyInsideAForm", [](const QString& d) { return ti::writeManyForms(d, "page.pdf", 3, true); }, false},
        PricingRow{"formsWithoutImages", [](const QString& d) { return ti::writeManyForms(d, "page.pdf", 3); }, true},
        PricingRow{"oneFormNamedTwoHundredTimesEightDeep",
                   [](const QString& d) { return ti::writeFormFanOut(d, "page.pdf", 200, 8); }, true},
        PricingRow{"formsJustWithinTheBound", [](const QString& d) { return ti::writeManyForms(d, "page.pdf", 1900); }, true},
        PricingRow{"formsPastTheBound", [](const QString& d) { return ti::writeManyForms(d, "page.pdf", 2100); }, false}),
    test::RowName());

// A page whose only image is drawn through a form costs what a page with images does.
TEST_F(PdfPageBounds, anImageInsideAFormRaisesThePrice)
{
    const QString image = ti::writeManyForms(in(), QStringLiteral("image.pdf"), 3, true);
    const QString drawing = ti::writeManyForms(in(), QStringLiteral("drawing.pdf"), 3);
    const MemoryBudget::Work work{.whole = true, .copied = false, .format = ImageFormat::jpg};
    EXPECT_GT(MemoryBudget::estimate(image, work), MemoryBudget::estimate(drawing, work));
}

} // namespace
