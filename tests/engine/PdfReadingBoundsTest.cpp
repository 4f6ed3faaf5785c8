// A PDF is read where its drawing is bounded, never in Kelvaro's own process: documents that claim
// gigabytes in a few bytes (cross references, a string or an array in an object stream) are
// refused between two photos that are made, on one worker and on several, and as thumbnails,
// while Kelvaro's own peak stays where it was. The drawers at work, reading or drawing, in a run
// or for thumbnails, never hold ceilings beyond the budget's room together, and a page priced by
// its batch worker is drawn from the same reading.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <future>
#include <mutex>
#include <thread>
#include <vector>

#include <QDir>
#include <QFile>
#include <QScopeGuard>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "EngineFixture.h"
#include "engine/ImageEngine.h"
#include "engine/ImageProbe.h"
#include "engine/MemoryBudget.h"
#include "engine/PdfDrawer.h"
#include "../support/BudgetHold.h"
#include "../support/HostilePdfs.h"
#include "../support/TestImages.h"
#include "../support/TestSupport.h"

using namespace kelvaro;
namespace ti = kelvaro::testimages;

namespace {

constexpr qint64 MB = 1024 * 1024;

// This process's peak resident size since the last resetPeak(), in bytes. Reads /proc.
qint64 peakResident()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong() * 1024;
    return 0;
}

// Starts measuring the peak anew from what is resident now. Writes /proc.
void resetPeak()
{
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    if (clear.open(QIODevice::WriteOnly))
        clear.write("5");
}

qint64 resident()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong() * 1024;
    return 0;
}

struct HostileDocument {
    const char* name;
    std::function<QString(const QString& dir)> write; // the document, named page.pdf
};

class HostileDocuments : public test::InAndOut<::testing::TestWithParam<HostileDocument>> {
protected:
    // Whether `message` refuses page.pdf as beyond its bounds or as unreadable.
    static bool refusesThePage(const QString& message)
    {
        const auto language = EngineSettings{}.language;
        return message == KelvaroError::pageBeyondBounds(QStringLiteral("page.pdf")).message(language)
            || message == KelvaroError::unreadable(QStringLiteral("page.pdf")).message(language);
    }
};

// Between two photos of one batch, on one worker and on three, with a hard memory limit and
// Kelvaro's own data memory capped: the batch ends, both photos are made, the document is refused
// with its message and leaves no part file, and Kelvaro's own peak grows by less than a page's
// drawing would take.
TEST_P(HostileDocuments, areRefusedBetweenTwoPhotosThatAreMade)
{
    const QString first = ti::writeJpeg(in(), QStringLiteral("first.jpg"), ti::quadrants(64, 48));
    const QString page = GetParam().write(in());
    const QString last = ti::writeJpeg(in(), QStringLiteral("last.jpg"), ti::quadrants(64, 48));
    const test::MachineMemory machine(8000 * MB, 2500 * MB);
    const test::MemoryLimit limit(1024 * MB);
    for (const int jobs : {1, 3}) {
        SCOPED_TRACE(testing::Message() << jobs << " workers");
        QTemporaryDir out;
        resetPeak();
        const qint64 before = resident();
        const std::optional<OpResult> ended
            = test::runOnWorkers(KelvaroOp::convert(ImageFormat::jpg), {first, page, last}, out.path(), jobs, std::chrono::seconds(120));
        ASSERT_TRUE(ended) << "the batch did not end";
        const OpResult& result = *ended;
        EXPECT_EQ(result.failed, 1);
        EXPECT_TRUE(refusesThePage(result.firstError.value_or(QString()))) << result.firstError.value_or(QString()).toStdString();
        EXPECT_EQ(QDir(out.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name),
                  QStringList({QStringLiteral("first.jpg"), QStringLiteral("last.jpg")}))
            << "both photos made, no part file left";
        EXPECT_LT(peakResident() - before, 64 * MB);
    }
}

// As a thumbnail (the wheel, History, Shelves, quick look) the document is refused the same way,
// and Kelvaro's own peak stays where it was.
TEST_P(HostileDocuments, areRefusedAsThumbnails)
{
    const QString page = GetParam().write(in());
    const test::MachineMemory machine(8000 * MB, 2500 * MB);
    const test::MemoryLimit limit(1024 * MB);
    resetPeak();
    const qint64 before = resident();
    for (const int side : {256, 0}) {
        SCOPED_TRACE(testing::Message() << "longest side " << side);
        try {
            ImageEngine::load(page, side);
            ADD_FAILURE() << "the document was drawn";
        } catch (const KelvaroError& error) {
            EXPECT_TRUE(refusesThePage(error.message(EngineSettings{}.language))) << error.message(EngineSettings{}.language).toStdString();
        }
        EXPECT_FALSE(ImageEngine::pdfPageSize(page)) << "no size read beyond the reading's bound";
    }
    EXPECT_LT(peakResident() - before, 64 * MB);
}

INSTANTIATE_TEST_SUITE_P(
    PdfReadingBounds, HostileDocuments,
    ::testing::Values(
        HostileDocument{"anXrefSubsectionOf33MillionEntries", [](const QString& d) { return ti::writeHugeXrefSubsection(d, "page.pdf"); }},
        HostileDocument{"aTrailerSizeOf33Million", [](const QString& d) { return ti::writeHugeTrailerSize(d, "page.pdf"); }},
        HostileDocument{"anObjectNumbered33MillionFoundByReconstruction",
                        [](const QString& d) { return ti::writeHugeObjectNumber(d, "page.pdf"); }},
        HostileDocument{"aStringOfOneAndAHalfGigabytesInAnObjectStream",
                        [](const QString& d) { return ti::writeHugeStringInObjectStream(d, "page.pdf", 1536 * MB); }},
        HostileDocument{"anArrayOfTwentyMillionNumbersInAnObjectStream",
                        [](const QString& d) { return ti::writeHugeArrayInObjectStream(d, "page.pdf", 20'000'000); }}),
    test::RowName());

class PdfReadingBounds : public test::InAndOut<> {};

// The documents above are read as any other once their claims are modest: what refuses them is
// the bound, not their shape.
TEST_F(PdfReadingBounds, theSameShapesWithModestClaimsAreDrawn)
{
    const QString text = ti::writeHugeStringInObjectStream(in(), QStringLiteral("string.pdf"), 1000);
    const QString numbers = ti::writeHugeArrayInObjectStream(in(), QStringLiteral("array.pdf"), 1000);
    for (const QString& page : {text, numbers}) {
        SCOPED_TRACE(page.toStdString());
        EXPECT_EQ(ImageEngine::pdfPageSize(page), QSize(400, 200));
        const Bitmap drawn = ImageEngine::load(page).image;
        EXPECT_EQ(QSize(drawn.width(), drawn.height()), QSize(400, 200));
    }
}

// Each reading handed to a drawer, counted.
class ReadingsCounted {
public:
    ReadingsCounted()
    {
        PdfDrawer::setObserver({[this](const char* work, qint64) {
                                    if (QByteArrayView(work) == "read")
                                        ++m_reads;
                                },
                                {}});
    }
    ~ReadingsCounted() { PdfDrawer::setObserver({}); }
    int reads() const { return m_reads; }

private:
    std::atomic_int m_reads = 0;
};

// The probe that sizes and prices a page and the drawing that follows on the same thread read the
// document once; a batch's worker prices and draws each page from one reading.
TEST_F(PdfReadingBounds, aPagesProbeAndItsDrawingReadTheDocumentOnce)
{
    const QString a = ti::writePdf(in(), QStringLiteral("a.pdf"), QSizeF(200, 100));
    const QString b = ti::writePdf(in(), QStringLiteral("b.pdf"), QSizeF(300, 100));
    {
        const ReadingsCounted counted;
        EXPECT_EQ(ImageEngine::probe(a).size, QSize(400, 200));
        const Bitmap page = ImageEngine::renderPDFPage(a, 100);
        EXPECT_EQ(QSize(page.width(), page.height()), QSize(100, 50));
        EXPECT_EQ(counted.reads(), 1);
    }
    {
        const ReadingsCounted counted;
        const std::optional<OpResult> ended
            = test::runOnWorkers(KelvaroOp::convert(ImageFormat::png), {a, b}, out(), 1, std::chrono::seconds(60));
        ASSERT_TRUE(ended);
        EXPECT_EQ(ended->failed, 0);
        EXPECT_EQ(ended->outputs.size(), 2);
        EXPECT_EQ(counted.reads(), 2);
    }
}

// A drawer that held a document open for this thread but was given other work meanwhile draws
// the page it is asked for, never the other document.
TEST_F(PdfReadingBounds, aDrawerGivenAnotherDocumentMeanwhileDrawsThePageAskedFor)
{
    const QString wide = ti::writePdf(in(), QStringLiteral("wide.pdf"), QSizeF(200, 100));
    const QString other = ti::writeScatterPlot(in(), QStringLiteral("plot.pdf"), 10, false);
    EXPECT_EQ(ImageEngine::probe(wide).size, QSize(400, 200));
    std::thread([&] { EXPECT_EQ(ImageEngine::probe(other).size, QSize(1190, 1684)); }).join();
    const Bitmap page = ImageEngine::renderPDFPage(wide);
    ASSERT_EQ(QSize(page.width(), page.height()), QSize(400, 200));
    EXPECT_TRUE(ti::near(ti::colourAt(page, 0.1, 0.5), QColor(255, 0, 0), 10));
    EXPECT_TRUE(ti::near(ti::colourAt(page, 0.9, 0.5), QColor(0, 0, 255), 10));
}

// The ceilings of the drawers at work, summed as they start and end, their peak kept; drawers are
// held at their start until let go.
class CeilingsWatched {
public:
    CeilingsWatched()
    {
        PdfDrawer::setObserver({[this](const char*, qint64 memory) {
                                    std::unique_lock lock(m_mutex);
                                    m_atWork += memory;
                                    m_peak = std::max(m_peak, m_atWork);
                                    ++m_started;
                                    m_changed.wait(lock, [this] { return m_open; });
                                },
                                [this](const char*, qint64 memory) {
                                    const std::lock_guard lock(m_mutex);
                                    m_atWork -= memory;
                                }});
    }
    ~CeilingsWatched()
    {
        letGo();
        PdfDrawer::setObserver({});
    }
    void letGo()
    {
        {
            const std::lock_guard lock(m_mutex);
            m_open = true;
        }
        m_changed.notify_all();
    }
    int started()
    {
        const std::lock_guard lock(m_mutex);
        return m_started;
    }
    qint64 peak()
    {
        const std::lock_guard lock(m_mutex);
        return m_peak;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    qint64 m_atWork = 0;
    qint64 m_peak = 0;
    int m_started = 0;
    bool m_open = false;
};

// Three pages of a run on three workers and three thumbnails drawn beside it: the drawers at work
// hold no more memory together than the budget's room, the pricing's readings and the thumbnails
// included, however they meet; those that do not fit wait for it, and every page is drawn.
TEST_F(PdfReadingBounds, theDrawersAtWorkStayWithinTheBudgetsRoomTogether)
{
    QStringList pages;
    QStringList thumbnails;
    for (int i = 0; i < 3; ++i) {
        pages << ti::writePdf(in(), QStringLiteral("page%1.pdf").arg(i), QSizeF(595, 842));
        thumbnails << ti::writePdf(in(), QStringLiteral("thumb%1.pdf").arg(i), QSizeF(595, 842));
    }
    const qint64 room = 4 * MemoryBudget::pdfReadingBytes();
    const test::MachineMemory machine(2 * room, std::nullopt);
    CeilingsWatched ceilings;
    qputenv("KELVARO_JOBS", "3");
    const auto unset = qScopeGuard([] { qunsetenv("KELVARO_JOBS"); });
    test::RunAside run([&](const RunHooksPtr& hooks) {
        return ImageEngine::process(KelvaroOp::convert(ImageFormat::png), pages, out(), hooks);
    });
    std::vector<std::future<QSize>> drawn;
    for (const QString& thumbnail : thumbnails)
        drawn.push_back(std::async(std::launch::async, [thumbnail] {
            const Bitmap page = ImageEngine::load(thumbnail, 256).image;
            return QSize(page.width(), page.height());
        }));
    // Every drawer that may start has: those that fit hold the room, the others wait for it.
    ASSERT_TRUE(test::waitUntil([&] { return MemoryBudget::shared().waiting() > 0 || ceilings.started() >= 6; }, 60000));
    EXPECT_EQ(MemoryBudget::shared().limit(), room);
    EXPECT_LE(ceilings.peak(), room);
    ceilings.letGo();
    for (auto& page : drawn)
        EXPECT_EQ(page.get(), QSize(181, 256));
    ASSERT_TRUE(run.finished(std::chrono::seconds(120))) << "the run did not end";
    const OpResult result = run.result();
    EXPECT_EQ(result.failed, 0) << result.firstError.value_or(QString()).toStdString();
    EXPECT_EQ(result.outputs.size(), 3);
    EXPECT_LE(ceilings.peak(), room);
}

} // namespace
