// The memory budget the runs of the process share: files are admitted in the order they asked,
// a file larger than the whole limit waits until nothing else is held and then runs alone, a
// cancel ends a wait without holding anything, and the shared budget takes its limit when the
// first of overlapping runs opens it.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <functional>
#include <future>
#include <mutex>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QThread>

#include <unistd.h>

#include <gtest/gtest.h>

#include "engine/ImageEngine.h"
#include "engine/MemoryBudget.h"
#include "../support/BudgetHold.h"
#include "../support/TestImages.h"
#include "../support/TestSupport.h"

using namespace kelvaro;
namespace ti = kelvaro::testimages;

namespace {

constexpr qint64 MB = 1'000'000;

// The test waits for an acquire() aside with a deadline; the hold stops it if it never answers.
bool answered(const std::shared_future<bool>& future)
{
    return future.wait_for(std::chrono::seconds(60)) == std::future_status::ready;
}

TEST(MemoryBudget, aFileTooLargeForTheLimitWaitsUntilNothingIsHeldAndLaterOnesWaitBehindIt)
{
    MemoryBudget budget(600 * MB); // a limit of 300 MB
    ASSERT_EQ(budget.limit(), 300 * MB);
    test::BudgetHold hold(budget);
    ASSERT_TRUE(hold.acquire(100 * MB));

    const std::shared_future<bool> large = hold.acquireAside(400 * MB);
    ASSERT_TRUE(test::waitUntil([&] { return budget.waiting() == 1; })) << "the large file never asked";
    // This one would fit beside the 100 MB, but the large file asked first.
    const std::shared_future<bool> small = hold.acquireAside(10 * MB);
    ASSERT_TRUE(test::waitUntil([&] { return budget.waiting() == 2; })) << "the small file never asked";
    EXPECT_EQ(budget.inUse(), 100 * MB);

    hold.release(100 * MB);
    ASSERT_TRUE(answered(large));
    EXPECT_TRUE(large.get());
    ASSERT_TRUE(test::waitUntil([&] { return budget.waiting() == 1; }));
    EXPECT_EQ(budget.inUse(), 400 * MB); // alone: the small one still waits

    hold.release(400 * MB);
    ASSERT_TRUE(answered(small));
    EXPECT_TRUE(small.get());
    EXPECT_EQ(budget.inUse(), 10 * MB);
    EXPECT_EQ(budget.waiting(), 0);
}

// A move or a rename holds no pixels: it goes on while a file too large for the limit runs alone
// and another waits, and it is still refused once stopped.
TEST(MemoryBudget, workWithoutPixelsNeverWaits)
{
    MemoryBudget budget(600 * MB);
    test::BudgetHold hold(budget);
    ASSERT_TRUE(hold.acquire(400 * MB)); // over the 300 MB limit, alone
    const std::shared_future<bool> waiting = hold.acquireAside(10 * MB);
    ASSERT_TRUE(test::waitUntil([&] { return budget.waiting() == 1; }));
    const std::shared_future<bool> move = hold.acquireAside(0);
    ASSERT_TRUE(answered(move)) << "a move waited for memory it does not use";
    EXPECT_TRUE(move.get());
    EXPECT_FALSE(budget.acquire(0, [] { return true; }));
    EXPECT_EQ(budget.inUse(), 400 * MB);
    hold.release(400 * MB);
    ASSERT_TRUE(answered(waiting));
}

// Moves and renames only copy bytes: they run while another run holds the whole shared budget.
TEST(MemoryBudget, movesAndRenamesRunWhileAnotherRunHoldsTheWholeBudget)
{
    struct Restore {
        ~Restore() { MemoryBudget::setAvailableMemoryOverride(std::nullopt); }
    } restore;
    MemoryBudget::setAvailableMemoryOverride(600 * MB);
    MemoryBudget& budget = MemoryBudget::shared();
    const MemoryBudget::Run other(budget);
    test::BudgetHold hold(budget);
    ASSERT_TRUE(hold.acquire(budget.limit()));
    QTemporaryDir dir;
    const struct {
        const char* name;
        KelvaroOp op;
    } rows[] = {{"move", KelvaroOp::move()}, {"rename", KelvaroOp::rename({QStringLiteral("R"), true, 1})}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const QString in = dir.filePath(QStringLiteral("in-%1").arg(QLatin1String(row.name)));
        const QString out = dir.filePath(QStringLiteral("out-%1").arg(QLatin1String(row.name)));
        QDir().mkpath(in);
        QDir().mkpath(out);
        const QStringList files{testimages::writeJpeg(in, QStringLiteral("a.jpg"), testimages::quadrants(300, 200)),
                                testimages::writeJpeg(in, QStringLiteral("b.jpg"), testimages::quadrants(300, 200))};
        test::RunAside run([&](const RunHooksPtr& hooks) { return ImageEngine::process(row.op, files, out, hooks); });
        ASSERT_TRUE(run.finished(std::chrono::seconds(60))) << "it waited for memory it does not use";
        EXPECT_EQ(run.result().outputs.size(), 2);
    }
    EXPECT_EQ(budget.inUse(), budget.limit());
}

TEST(MemoryBudget, aCancelEndsTheWaitHoldingNothingAndLetsTheNextIn)
{
    MemoryBudget budget(600 * MB);
    std::atomic_bool cancelFirst = false;
    test::BudgetHold hold(budget);
    ASSERT_TRUE(hold.acquire(250 * MB));
    const std::shared_future<bool> first = hold.acquireAside(400 * MB, &cancelFirst);
    ASSERT_TRUE(test::waitUntil([&] { return budget.waiting() == 1; }));
    const std::shared_future<bool> second = hold.acquireAside(40 * MB);
    ASSERT_TRUE(test::waitUntil([&] { return budget.waiting() == 2; }));

    cancelFirst = true;
    budget.wake();
    ASSERT_TRUE(answered(first)) << "the cancelled wait never ended";
    EXPECT_FALSE(first.get());
    ASSERT_TRUE(answered(second)) << "the file behind the cancelled one was never let in";
    EXPECT_TRUE(second.get());
    EXPECT_EQ(budget.inUse(), 290 * MB);

    // Stopped before it asks: nothing is held, also when it would fit.
    EXPECT_FALSE(budget.acquire(1, [] { return true; }));
    EXPECT_EQ(budget.inUse(), 290 * MB);
    EXPECT_EQ(budget.waiting(), 0);
}

TEST(MemoryBudget, unknownMemoryLimitsNothing)
{
    MemoryBudget budget(0);
    EXPECT_EQ(budget.limit(), 0);
    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE(budget.acquire(100'000 * MB, [] { return false; }));
}

// Overlapping runs keep the limit the first of them found; the next run on an idle budget looks
// at the machine again.
TEST(MemoryBudget, theSharedLimitIsTakenWhenTheFirstOfOverlappingRunsStarts)
{
    struct Restore {
        ~Restore() { MemoryBudget::setAvailableMemoryOverride(std::nullopt); }
    } restore;
    MemoryBudget& budget = MemoryBudget::shared();
    MemoryBudget::setAvailableMemoryOverride(600 * MB);
    {
        const MemoryBudget::Run first(budget);
        EXPECT_EQ(budget.limit(), 300 * MB);
        MemoryBudget::setAvailableMemoryOverride(100 * MB); // the first run's files took memory
        {
            const MemoryBudget::Run second(budget);
            EXPECT_EQ(budget.limit(), 300 * MB);
        }
    }
    const MemoryBudget::Run later(budget);
    EXPECT_EQ(budget.limit(), 50 * MB);
}

// Files admitted whose needs grow past the limit on the way (a TIFF's metadata written back)
// wait holding what they have, and go on one after the other rather than wait for each other.
TEST(MemoryBudget, filesThatGrowPastTheLimitGoOnOneAfterTheOther)
{
    MemoryBudget budget(600 * MB); // a limit of 300 MB
    std::atomic_bool giveUp = false;
    std::promise<void> bothAdmitted;
    const std::shared_future<void> grow = bothAdmitted.get_future().share();
    const auto file = [&] {
        return std::async(std::launch::async, [&] {
            if (!budget.acquire(100 * MB, [] { return false; }))
                return false;
            const MemoryBudget::FileHold hold(budget, 100 * MB, [&] { return giveUp.load(); });
            grow.wait();
            return MemoryBudget::FileHold::growTo(350 * MB);
        });
    };
    std::future<bool> first = file();
    std::future<bool> second = file();
    const auto unblock = qScopeGuard([&] { // a failed expectation must not leave them waiting
        giveUp = true;
        budget.wake();
    });
    ASSERT_TRUE(test::waitUntil([&] { return budget.inUse() == 200 * MB; }));
    bothAdmitted.set_value();
    for (std::future<bool>* grown : {&first, &second}) {
        ASSERT_EQ(grown->wait_for(std::chrono::seconds(60)), std::future_status::ready) << "the files waited for each other";
        EXPECT_TRUE(grown->get());
    }
    EXPECT_EQ(budget.inUse(), 0);
}

// A file admitted that waits to grow is served first: a new file that would fit in what is left
// waits behind it, as what it would take is the room the grower waits for, and comes in once the
// grower has what it asked for.
TEST(MemoryBudget, aNewFileWaitsBehindAFileWaitingToGrow)
{
    MemoryBudget budget(600 * MB); // a limit of 300 MB
    test::BudgetHold hold(budget);
    ASSERT_TRUE(hold.acquire(100 * MB)); // a file at work
    std::atomic_bool giveUp = false;
    std::promise<void> looked;
    const std::shared_future<void> lookedAt = looked.get_future().share();
    std::once_flag lookedOnce;
    const auto letGo = [&] { std::call_once(lookedOnce, [&] { looked.set_value(); }); };
    std::future<bool> grower = std::async(std::launch::async, [&] {
        if (!budget.acquire(100 * MB, [] { return false; }))
            return false;
        const MemoryBudget::FileHold fileHold(budget, 100 * MB, [&] { return giveUp.load(); });
        const bool grown = MemoryBudget::FileHold::growTo(250 * MB); // 150 MB more: 350 MB
        // Holds what it has until the test has looked.
        lookedAt.wait();
        return grown;
    });
    const auto unblock = qScopeGuard([&] { // a failed expectation must not leave it waiting
        giveUp = true;
        budget.wake();
        letGo();
        if (grower.valid())
            grower.wait();
    });
    ASSERT_TRUE(test::waitUntil([&] { return budget.growing() == 1; })) << "the file never asked to grow";

    const std::shared_future<bool> newFile = hold.acquireAside(50 * MB); // 250 MB with it: it would fit
    ASSERT_TRUE(test::waitUntil([&] {
        return budget.waiting() == 1 || newFile.wait_for(std::chrono::seconds(0)) == std::future_status::ready;
    }));
    EXPECT_EQ(budget.waiting(), 1) << "a new file was let in ahead of a file waiting to grow";
    EXPECT_EQ(budget.inUse(), 200 * MB);

    hold.release(100 * MB); // the file at work ends
    ASSERT_TRUE(answered(newFile));
    EXPECT_TRUE(newFile.get());
    EXPECT_EQ(budget.growing(), 0);
    EXPECT_EQ(budget.inUse(), 300 * MB);
    letGo();
    ASSERT_EQ(grower.wait_for(std::chrono::seconds(60)), std::future_status::ready);
    EXPECT_TRUE(grower.get());
    EXPECT_EQ(budget.inUse(), 50 * MB);
}

// What the process keeps between runs (the segmentation network) counts as held, stays while any
// run is open however long that takes, and goes once no run has been open for its idle time,
// measured from the end of the last run.
TEST(MemoryBudget, whatIsKeptBetweenRunsStaysWhileARunIsOpenAndGoesOnceIdleLongEnough)
{
    using std::chrono::seconds;
    MemoryBudget budget(600 * MB); // a limit of 300 MB
    test::HandClock clock(budget);
    const std::chrono::milliseconds start = clock.now();
    std::atomic<std::chrono::milliseconds> letGoAt{std::chrono::milliseconds(-1)};
    {
        const MemoryBudget::Run first(budget);
        {
            const MemoryBudget::Run second(budget);
            budget.keepWhileIdle(100 * MB, seconds(30), [&] { letGoAt.store(clock.now()); });
            EXPECT_EQ(budget.inUse(), 100 * MB);
            ASSERT_TRUE(clock.moveTo(start + seconds(60)));
            EXPECT_EQ(budget.kept(), 100 * MB) << "let go while two runs were open";
        }
        ASSERT_TRUE(clock.moveTo(start + seconds(120)));
        EXPECT_EQ(budget.kept(), 100 * MB) << "let go while a run was open";
    }
    // The last run ended at 120 s.
    ASSERT_TRUE(clock.moveTo(start + seconds(149)));
    EXPECT_EQ(budget.kept(), 100 * MB) << "let go before it was idle for its time";
    ASSERT_TRUE(clock.moveTo(start + seconds(150)));
    ASSERT_TRUE(test::waitUntil([&] { return letGoAt.load() >= std::chrono::milliseconds(0); })) << "never let go";
    EXPECT_EQ(letGoAt.load(), start + seconds(150));
    EXPECT_EQ(budget.kept(), 0);
    EXPECT_EQ(budget.inUse(), 0);
}

// What is kept never keeps a file waiting: a file that fits beside it comes in beside it, one that
// does not lets it go and comes in, as does a file that must grow; and what a run that prices it
// takes back no longer counts.
TEST(MemoryBudget, aFileThatMustWaitForMemoryLetsWhatIsKeptGo)
{
    using std::chrono::seconds;
    MemoryBudget budget(600 * MB); // a limit of 300 MB
    std::atomic_int letGo = 0;
    const auto never = [] { return false; };
    const MemoryBudget::Run run(budget);
    budget.keepWhileIdle(200 * MB, seconds(30), [&] { ++letGo; });
    ASSERT_TRUE(budget.acquire(100 * MB, never));
    EXPECT_EQ(letGo.load(), 0) << "let go though the file fitted beside it";
    EXPECT_EQ(budget.inUse(), 300 * MB);
    ASSERT_TRUE(budget.acquire(50 * MB, never));
    EXPECT_EQ(letGo.load(), 1);
    EXPECT_EQ(budget.kept(), 0);
    EXPECT_EQ(budget.inUse(), 150 * MB);
    {
        budget.keepWhileIdle(150 * MB, seconds(30), [&] { ++letGo; });
        const MemoryBudget::FileHold hold(budget, 150 * MB, never);
        // Everything else held is a grower's or kept: kept for ever, it would hold the file for ever.
        EXPECT_TRUE(MemoryBudget::FileHold::growTo(200 * MB));
        EXPECT_EQ(letGo.load(), 2);
        EXPECT_EQ(budget.inUse(), 200 * MB);
    }
    budget.keepWhileIdle(100 * MB, seconds(30), [&] { ++letGo; });
    budget.takeKept();
    EXPECT_EQ(budget.inUse(), 0);
    EXPECT_EQ(budget.kept(), 0);
    EXPECT_EQ(letGo.load(), 2);
}

// A way a large file is written, at the largest size the budget's ceiling admits beside another.
struct LargestRow {
    const char* name;
    KelvaroOp op;
    // Writes the file into the folder with the name given (without extension): its path.
    std::function<QString(const QString& folder, const QString& name)> input;
};

void PrintTo(const LargestRow& row, std::ostream* os)
{
    *os << row.name;
}

class MemoryBudgetLargestFiles : public ::testing::TestWithParam<LargestRow> {};

constexpr qint64 kLargestLimit = 320 * MB;

// A photo of fine detail, which a HEIC encoder holds more of than of flat colour.
QString detailedPhoto(const QString& folder, const QString& name, int side)
{
    const vips::VImage noise = vips::VImage::gaussnoise(side, side, vips::VImage::option()->set("sigma", 16.0)->set("mean", 128.0));
    const vips::VImage rgb = noise.bandjoin(noise.flip(VIPS_DIRECTION_HORIZONTAL)).bandjoin(noise.flip(VIPS_DIRECTION_VERTICAL));
    return ti::writeJpeg(folder, name, normalizedBitmap(rgb.cast(VIPS_FORMAT_UCHAR)));
}

// Two large files written one way, run two at a time by the budget's ceiling: each file is priced
// at what it holds, so the budget lets in one file of the largest size it admits at a time and
// the run stays within the ceiling, where pricing one below what it holds lets in both.
TEST_P(MemoryBudgetLargestFiles, aRunOfTheLargestFilesItAdmitsStaysWithinItsLimit)
{
#ifdef KELVARO_TEST_SANITIZED
    GTEST_SKIP() << "the sanitizer's shadow memory counts against the data limit the run is held to";
#endif
    struct Restore {
        ~Restore()
        {
            MemoryBudget::setAvailableMemoryOverride(std::nullopt);
            qunsetenv("KELVARO_JOBS");
        }
    } restore;
    MemoryBudget::setAvailableMemoryOverride(2 * kLargestLimit);
    qputenv("KELVARO_JOBS", "2");
    const QTemporaryDir dir;
    const LargestRow& row = GetParam();
    const QString first = row.input(dir.path(), QStringLiteral("first"));
    const QString second = QDir(dir.path()).filePath(QStringLiteral("second.%1").arg(QFileInfo(first).suffix()));
    ASSERT_TRUE(QFile::copy(first, second));
    QDir(dir.path()).mkdir(QStringLiteral("out"));
    OpResult result;
    {
        // Thread stacks count as data, though little of them is ever touched: 8 MB for each of
        // x265's threads, one per core the system has (whatever this process may run on), and a
        // few more of the decoders' and encoders'.
        const qint64 cores = std::max<qint64>(QThread::idealThreadCount(), ::sysconf(_SC_NPROCESSORS_CONF));
        const test::MemoryLimit limit(kLargestLimit + 8 * MB * (cores + 8));
        // Whichever of the two files finishes first, the run ends; aside, so that one that did
        // not would fail the test instead of hanging it.
        test::RunAside run([&](const RunHooksPtr& hooks) {
            return ImageEngine::process(row.op, {first, second}, dir.filePath(QStringLiteral("out")), hooks);
        });
        ASSERT_TRUE(run.finished(std::chrono::seconds(240))) << "the run never ended";
        result = run.result();
    }
    EXPECT_EQ(result.failed, 0) << result.firstError.value_or(QString()).toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Ways, MemoryBudgetLargestFiles,
    ::testing::Values(
        LargestRow{"photoToHeic", KelvaroOp::convert(ImageFormat::heic),
                   [](const QString& folder, const QString& name) { return detailedPhoto(folder, name + ".jpg", 3317); }},
        LargestRow{"pageToHeic", KelvaroOp::convert(ImageFormat::heic),
                   [](const QString& folder, const QString& name) { return ti::writePdf(folder, name + ".pdf", QSizeF(1732, 1732)); }},
        LargestRow{"pageToJpeg", KelvaroOp::convert(ImageFormat::jpg),
                   [](const QString& folder, const QString& name) { return ti::writePdf(folder, name + ".pdf", QSizeF(3162, 3162)); }},
        LargestRow{"pageToTiff", KelvaroOp::convert(ImageFormat::tiff),
                   [](const QString& folder, const QString& name) { return ti::writePdf(folder, name + ".pdf", QSizeF(3873, 3873)); }},
        // Streamed, then grown for its metadata: the rewrite is the largest step, sized to fit the
        // limit beside the other file at work. One beyond the limit would run alone over it.
        LargestRow{"photoToTiff", KelvaroOp::convert(ImageFormat::tiff),
                   [](const QString& folder, const QString& name) { return detailedPhoto(folder, name + ".jpg", 5600); }}),
    [](const ::testing::TestParamInfo<LargestRow>& info) { return std::string(info.param.name); });

} // namespace
