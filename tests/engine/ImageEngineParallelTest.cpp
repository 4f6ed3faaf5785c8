// The batch on several worker threads gives what the one-by-one run gives: outputs, entries and
// names in input order, failures counted the same, progress climbing by one to the total, a
// cancel that finishes the earliest file in progress and stops the others, and never more files
// at once than workers.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <thread>

#include <QDir>
#include <QFileInfo>
#include <QList>
#include <QMutex>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "EngineFixture.h"
#include "engine/ImageEngine.h"
#include "engine/MemoryBudget.h"
#include "engine/detectors/FaceDetector.h"
#include "platform/FileSystem.h"
#include "platform/Settings.h"
#include "../support/BudgetHold.h"
#include "../support/TestImages.h"
#include "../support/TestSupport.h"

using namespace kelvaro;
namespace ti = kelvaro::testimages;

namespace {

// Runs the batch with KELVARO_JOBS set to `jobs` for the call.
OpResult processWith(int jobs, const KelvaroOp& op, const QStringList& files, const QString& outDir,
                     const RunHooksPtr& hooks = {})
{
    qputenv("KELVARO_JOBS", QByteArray::number(jobs));
    struct Restore {
        ~Restore() { qunsetenv("KELVARO_JOBS"); }
    } restore;
    return ImageEngine::process(op, files, outDir, hooks);
}

// Reports one face per photo, so blurring writes a result. Knows each photo by its width (each
// input has its own, growing with its position), counts the photos inside it at once and whether
// the large one ever had company.
class WatchingDetector : public detectors::FaceDetector {
public:
    QList<QRectF> detect(const cv::Mat& rgb) const override
    {
        {
            std::unique_lock lock(m_mutex);
            m_inside.append(rgb.cols);
            most = std::max(most, int(m_inside.size()));
            largeHadCompany = largeHadCompany || (m_inside.size() > 1 && m_inside.contains(largeWidth));
            m_arrived.notify_all();
            // However the threads are scheduled, a parallel run gets a second photo going while the
            // first waits; one by one, the first waits in vain and the count shows it.
            if (waitForCompany)
                m_arrived.wait_for(lock, std::chrono::seconds(60), [&] { return most > 1; });
        }
        // Gives the other workers a chance to arrive, so that too many at once would show; nothing
        // asserted depends on it being long enough.
        std::this_thread::sleep_for(std::chrono::milliseconds(40));
        const std::lock_guard lock(m_mutex);
        m_inside.removeOne(rgb.cols);
        return {QRectF(0.25, 0.25, 0.5, 0.5)};
    }

    int largeWidth = -1;
    bool waitForCompany = false; // the first photo waits for a second
    mutable int most = 0;
    mutable bool largeHadCompany = false;

private:
    mutable std::mutex m_mutex;
    mutable std::condition_variable m_arrived;
    mutable QList<int> m_inside;
};

class ParallelBatch : public ::testing::Test {
protected:
    void SetUp() override { Settings::shared().setValue(QStringLiteral("kelvaro.language"), QStringLiteral("cs")); }
    void TearDown() override { detectors::FaceDetector::setOverride(nullptr); }
    // A folder of the test's own, made when first named.
    QString dir(const char* sub) const
    {
        QDir(m_root.path()).mkpath(QLatin1String(sub));
        return m_root.filePath(QLatin1String(sub));
    }

    QTemporaryDir m_root;
};

// Same base names from three folders, one of them big (slow) and first, with unreadable files
// between: a parallel run must hand out "IMG komprese", "IMG komprese 2" … in input order, as
// the one-by-one run does, not in the order the files happen to finish.
TEST_F(ParallelBatch, namesEntriesAndFailuresMatchTheOneByOneRun)
{
    const QStringList files{
        ti::writeGarbage(dir("a"), QStringLiteral("IMG.jpg")),        // fails before it names anything
        ti::writeJpeg(dir("b"), QStringLiteral("IMG.jpg"), ti::quadrants(1600, 1200)),
        ti::writeJpeg(dir("c"), QStringLiteral("IMG.jpg"), ti::quadrants(40, 30)),
        ti::writePng(dir("a"), QStringLiteral("IMG.png"), ti::quadrants(48, 30)),
        ti::writeGarbage(dir("b"), QStringLiteral("bad.jpg")),
        ti::writeJpeg(dir("a"), QStringLiteral("x.jpg"), ti::quadrants(56, 30)),
        ti::writeJpeg(dir("b"), QStringLiteral("x.jpg"), ti::quadrants(64, 30)),
    };
    const KelvaroOp op = KelvaroOp::compress(0.6);
    const OpResult serial = processWith(1, op, files, dir("serial"));
    const OpResult parallel = processWith(4, op, files, dir("parallel"));

    EXPECT_EQ(test::fileNames(parallel.outputs), test::fileNames(serial.outputs));
    EXPECT_EQ(test::fileNames(serial.outputs),
              (QStringList{QStringLiteral("IMG komprese.jpg"), QStringLiteral("IMG komprese 2.jpg"),
                           QStringLiteral("IMG komprese 3.jpg"), QStringLiteral("x komprese.jpg"),
                           QStringLiteral("x komprese 2.jpg")}));
    // The big photo (second input) got the first name in both runs.
    EXPECT_EQ(ti::pixelSize(parallel.outputs[0]), QSize(1600, 1200));
    EXPECT_EQ(ti::pixelSize(parallel.outputs[1]), QSize(40, 30));
    ASSERT_EQ(parallel.entries.size(), serial.entries.size());
    for (qsizetype i = 0; i < serial.entries.size(); ++i) {
        EXPECT_EQ(parallel.entries[i].fileName, serial.entries[i].fileName) << i;
        EXPECT_EQ(parallel.entries[i].savedBytes, serial.entries[i].savedBytes) << i;
        EXPECT_EQ(QFileInfo(parallel.entries[i].outputPath.value_or(QString())).fileName(),
                  QFileInfo(serial.entries[i].outputPath.value_or(QString())).fileName())
            << i;
    }
    EXPECT_EQ(parallel.failed, 2);
    EXPECT_EQ(serial.failed, 2);
    EXPECT_EQ(parallel.firstError, serial.firstError);
    EXPECT_EQ(QDir(dir("parallel")).entryList(QDir::Files).size(), 5);

    // When every file fails, both throw the first file's message and write nothing.
    const QStringList broken{files[0], files[4]};
    const auto serialError = test::thrown<KelvaroError>([&] { processWith(1, op, broken, dir("none")); });
    const auto parallelError = test::thrown<KelvaroError>([&] { processWith(3, op, broken, dir("none")); });
    ASSERT_TRUE(serialError && parallelError);
    EXPECT_EQ(serialError->message(), KelvaroError::unreadable(QStringLiteral("IMG.jpg")).message());
    EXPECT_EQ(parallelError->message(), serialError->message());
    EXPECT_TRUE(QDir(dir("none")).entryList(QDir::Files).isEmpty());
}

TEST_F(ParallelBatch, progressClimbsByOneOnTheCallingThreadAndEndsWithTheLastFile)
{
    QStringList files;
    for (int i = 0; i < 9; ++i)
        files << ti::writeJpeg(dir("a"), QStringLiteral("p%1.jpg").arg(i), ti::quadrants(40 + 8 * i, 30));
    const auto caller = std::this_thread::get_id();
    QMutex lock;
    QList<std::pair<int, int>> calls;
    QList<int> writtenAtCall;
    bool onCaller = true;
    const QString out = dir("parallel");
    auto hooks = std::make_shared<RunHooks>([&](int done, int total) {
        QMutexLocker guard(&lock);
        calls.append({done, total});
        onCaller = onCaller && std::this_thread::get_id() == caller;
        writtenAtCall.append(int(QDir(out).entryList(QDir::Files).size()));
    });
    const OpResult result = processWith(3, KelvaroOp::convert(ImageFormat::png), files, out, hooks);

    ASSERT_EQ(result.outputs.size(), 9);
    ASSERT_EQ(calls.size(), 9);
    for (int i = 0; i < 9; ++i)
        EXPECT_EQ(calls[i], std::make_pair(i + 1, 9)) << i;
    EXPECT_TRUE(onCaller);
    // By the time the total is reported every result is on disk.
    EXPECT_EQ(writtenAtCall.last(), 9);
    EXPECT_EQ(test::fileNames(result.outputs).first(), QStringLiteral("p0.png"));
    EXPECT_EQ(test::fileNames(result.outputs).last(), QStringLiteral("p8.png"));
}

TEST_F(ParallelBatch, neverMoreFilesAtOnceThanWorkers)
{
    QStringList files;
    for (int i = 0; i < 8; ++i)
        files << ti::writeJpeg(dir("a"), QStringLiteral("f%1.jpg").arg(i), ti::quadrants(60 + 4 * i, 40));
    auto detector = std::make_shared<WatchingDetector>();
    detector->waitForCompany = true;
    detectors::FaceDetector::setOverride(detector);
    const OpResult result = processWith(3, KelvaroOp::blurFaces(), files, dir("parallel"));
    EXPECT_EQ(result.outputs.size(), 8);
    EXPECT_LE(detector->most, 3);
    EXPECT_GE(detector->most, 2);
}

// Reports one face per photo, photos known by their width. The first photo passes; every other
// one waits inside until the cancel is sent.
class CancellingDetector : public detectors::FaceDetector {
public:
    QList<QRectF> detect(const cv::Mat& rgb) const override
    {
        std::unique_lock lock(m_mutex);
        if (rgb.cols != firstWidth) {
            ++m_inside;
            m_changed.notify_all();
            m_changed.wait_for(lock, std::chrono::seconds(60), [&] { return m_cancelSent; });
        }
        return {QRectF(0.25, 0.25, 0.5, 0.5)};
    }
    // Whether `count` photos came to wait inside, within a minute.
    bool waitForInside(int count) const
    {
        std::unique_lock lock(m_mutex);
        return m_changed.wait_for(lock, std::chrono::seconds(60), [&] { return m_inside == count; });
    }
    void sendCancel()
    {
        {
            const std::lock_guard lock(m_mutex);
            m_cancelSent = true;
        }
        m_changed.notify_all();
    }

    int firstWidth = 0;

private:
    mutable std::mutex m_mutex;
    mutable std::condition_variable m_changed;
    mutable int m_inside = 0;
    bool m_cancelSent = false;
};

// Holds the first photo's result in its name turn, counted as done and not yet placed: its rename
// waits for every later photo to be at work, cancels the run, and only then goes on.
class CancellingFiles : public FileSystem {
public:
    bool moveNew(const QString& from, const QString& to) override
    {
        if (QFileInfo(to).fileName().startsWith(QLatin1String("c0 ")) && !m_cancelled.exchange(true)) {
            othersAtWork = detector->waitForInside(total - 1);
            hooks->cancel();
            detector->sendCancel();
        }
        return FileSystem::moveNew(from, to);
    }

    std::shared_ptr<CancellingDetector> detector;
    RunHooksPtr hooks;
    int total = 0;
    std::atomic_bool othersAtWork = false;

private:
    std::atomic_bool m_cancelled = false;
};

// Five photos at once; the cancel comes while the first, counted, waits to be placed and the four
// after it are at work: the first is kept, the second, the earliest still being worked on,
// finishes, the three after it stop at once and leave nothing, and the run holds what a one-by-one
// run cancelled during the second file holds.
TEST_F(ParallelBatch, aCancelFinishesTheEarliestFileInProgressAndStopsTheOthers)
{
    constexpr int total = 5;
    QStringList files;
    for (int i = 0; i < total; ++i)
        files << ti::writeJpeg(dir("a"), QStringLiteral("c%1.jpg").arg(i), ti::quadrants(60 + 4 * i, 40));
    auto detector = std::make_shared<CancellingDetector>();
    detector->firstWidth = 60;
    struct Release {
        std::shared_ptr<CancellingDetector> detector;
        ~Release() { detector->sendCancel(); }
    } release{detector};
    QList<std::pair<int, int>> progress;
    QMutex lock;
    CancellingFiles placing;
    placing.detector = detector;
    placing.total = total;
    placing.hooks = std::make_shared<RunHooks>([&](int done, int all) {
        QMutexLocker guard(&lock);
        progress.append({done, all});
    });
    detectors::FaceDetector::setOverride(detector);
    FileSystem::setCurrent(&placing);
    struct Restore {
        ~Restore() { FileSystem::setCurrent(nullptr); }
    } restore;
    const OpResult result = processWith(total, KelvaroOp::blurFaces(), files, dir("parallel"), placing.hooks);

    EXPECT_TRUE(placing.othersAtWork) << "the later photos never all came to work";
    EXPECT_EQ(test::fileNames(result.outputs),
              (QStringList{QStringLiteral("c0 rozmazané obličeje.jpg"), QStringLiteral("c1 rozmazané obličeje.jpg")}));
    EXPECT_EQ(progress, (QList<std::pair<int, int>>{{1, total}, {2, total}}));
    EXPECT_EQ(result.failed, 0);
    EXPECT_FALSE(result.firstError);
    EXPECT_EQ(QDir(dir("parallel")).entryList(QDir::Files | QDir::Hidden).size(), 2);
    for (const QString& out : result.outputs)
        EXPECT_TRUE(ti::vipsOpens(out)) << out.toStdString();
}

// A progress callback that throws must not take the worker threads down with the process: the
// running files finish, no new one starts, and the caller gets the exception.
TEST_F(ParallelBatch, aThrowingProgressCallbackEndsTheRunCleanly)
{
    QStringList files;
    for (int i = 0; i < 10; ++i)
        files << ti::writeJpeg(dir("a"), QStringLiteral("t%1.jpg").arg(i), ti::quadrants(40 + 4 * i, 30));
    auto hooks = std::make_shared<RunHooks>([](int, int) { throw std::runtime_error("observer failed"); });
    EXPECT_THROW(processWith(2, KelvaroOp::compress(0.5), files, dir("parallel"), hooks), std::runtime_error);
    // Whatever was started was finished: every file there is a whole photo.
    const QStringList written = QDir(dir("parallel")).entryList(QDir::Files);
    EXPECT_GE(written.size(), 1);
    for (const QString& name : written)
        EXPECT_TRUE(ti::vipsOpens(QDir(dir("parallel")).filePath(name))) << name.toStdString();
}

// Four workers, memory for two photos: never more than two at once, and the photo too large for
// the budget runs alone.
TEST_F(ParallelBatch, filesInProgressStayWithinTheMemoryBudget)
{
    QStringList files;
    for (int i = 0; i < 8; ++i)
        files << ti::writeJpeg(dir("a"), QStringLiteral("m%1.jpg").arg(i), ti::quadrants(200 + 2 * i, 150));
    const int largeWidth = 600;
    files.insert(4, ti::writeJpeg(dir("a"), QStringLiteral("large.jpg"), ti::quadrants(largeWidth, 450)));
    const qint64 small = MemoryBudget::estimate(files.last());
    ASSERT_GT(MemoryBudget::estimate(files[4]), 4 * small);
    MemoryBudget::setAvailableMemoryOverride(2 * (2 * small + small / 2)); // two photos fit, three do not
    struct Restore {
        ~Restore() { MemoryBudget::setAvailableMemoryOverride(std::nullopt); }
    } restore;
    auto detector = std::make_shared<WatchingDetector>();
    detector->largeWidth = largeWidth;
    detector->waitForCompany = true;
    detectors::FaceDetector::setOverride(detector);

    // Aside, so that a run stuck waiting for memory is cancelled and fails the test.
    test::RunAside run([&](const RunHooksPtr& hooks) {
        return processWith(4, KelvaroOp::blurFaces(), files, dir("parallel"), hooks);
    });
    ASSERT_TRUE(run.finished()) << "the run never ended";
    const OpResult result = run.result();
    EXPECT_EQ(result.outputs.size(), 9);
    EXPECT_EQ(detector->most, 2);
    EXPECT_FALSE(detector->largeHadCompany);
}

// Reports one face per photo and keeps each photo inside until it has company enough to break
// the memory limit, or another file waits for memory, or every file has come: so files that the
// budget would let run together do meet here, however the threads are scheduled.
class GatheringDetector : public detectors::FaceDetector {
public:
    GatheringDetector(int total, int tooMany) : m_total(total), m_tooMany(tooMany) {}

    QList<QRectF> detect(const cv::Mat&) const override
    {
        std::unique_lock lock(m_mutex);
        ++m_inside;
        ++m_entered;
        most = std::max(most, m_inside);
        m_changed.notify_all();
        // The budget tells no one when a file starts to wait for it: looked at again and again.
        const auto released = [&] {
            return m_inside >= m_tooMany || m_entered == m_total || MemoryBudget::shared().waiting() > 0;
        };
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (!released() && std::chrono::steady_clock::now() < deadline)
            m_changed.wait_for(lock, std::chrono::milliseconds(5));
        stuck = stuck || !released();
        --m_inside;
        m_changed.notify_all();
        return {QRectF(0.45, 0.45, 0.1, 0.1)};
    }
    mutable int most = 0;
    mutable bool stuck = false;

private:
    const int m_total, m_tooMany;
    mutable std::mutex m_mutex;
    mutable std::condition_variable m_changed;
    mutable int m_inside = 0;
    mutable int m_entered = 0;
};

// A wheel run and a watched folder's run at once, with a fake 300 MB budget and photos of about
// 108 MB each (two fit, three do not): together they never hold more than 300 MB.
TEST_F(ParallelBatch, overlappingRunsShareOneMemoryBudget)
{
    constexpr qint64 MB = 1'000'000;
    QStringList wheel, watched;
    for (int i = 0; i < 2; ++i) {
        wheel << ti::writeJpeg(dir("wheel"), QStringLiteral("w%1.jpg").arg(i), ti::plain(3700, 3700, QColor(90, 140, 200)));
        watched << ti::writeJpeg(dir("watched"), QStringLiteral("f%1.jpg").arg(i), ti::plain(3700, 3700, QColor(200, 140, 90)));
    }
    const qint64 each = MemoryBudget::estimate(wheel.first());
    ASSERT_GT(3 * each, 300 * MB);
    ASSERT_LE(2 * each, 300 * MB);
    MemoryBudget::setAvailableMemoryOverride(600 * MB);
    qputenv("KELVARO_JOBS", "2");
    struct Restore {
        ~Restore()
        {
            MemoryBudget::setAvailableMemoryOverride(std::nullopt);
            qunsetenv("KELVARO_JOBS");
        }
    } restore;
    auto detector = std::make_shared<GatheringDetector>(4, 3);
    detectors::FaceDetector::setOverride(detector);
    const EngineSettings pixelate{.faceStyle = FaceStyle::pixelate};
    test::RunAside first([&](const RunHooksPtr& hooks) {
        return ImageEngine::process(KelvaroOp::blurFaces(), wheel, dir("out1"), hooks, pixelate);
    });
    test::RunAside second([&](const RunHooksPtr& hooks) {
        return ImageEngine::process(KelvaroOp::blurFaces(), watched, dir("out2"), hooks, pixelate);
    });
    ASSERT_TRUE(first.finished() && second.finished()) << "the runs never ended";
    EXPECT_EQ(first.result().outputs.size(), 2);
    EXPECT_EQ(second.result().outputs.size(), 2);
    EXPECT_FALSE(detector->stuck);
    EXPECT_LE(detector->most * each, 300 * MB) << detector->most << " photos at once";
    EXPECT_EQ(MemoryBudget::shared().inUse(), 0);
}

// Keeps a landscape photo inside until the test lets it go; portrait photos pass at once.
class HoldingDetector : public detectors::FaceDetector {
public:
    QList<QRectF> detect(const cv::Mat& rgb) const override
    {
        if (rgb.cols > rgb.rows) {
            std::unique_lock lock(m_mutex);
            m_holding = true;
            m_changed.wait_for(lock, std::chrono::seconds(60), [&] { return m_released; });
            m_holding = false;
        }
        return {QRectF(0.25, 0.25, 0.5, 0.5)};
    }
    void release()
    {
        {
            const std::lock_guard lock(m_mutex);
            m_released = true;
        }
        m_changed.notify_all();
    }
    bool isHolding() const
    {
        const std::lock_guard lock(m_mutex);
        return m_holding;
    }

private:
    mutable std::mutex m_mutex;
    mutable std::condition_variable m_changed;
    mutable bool m_holding = false;
    bool m_released = false;
};

// The first file is held until every other one is done: meanwhile the counter climbs to one
// short of the total, which comes only with the first file's result; results keep input order.
TEST_F(ParallelBatch, progressCountsFilesAsTheyFinishWhateverTheirOrder)
{
    constexpr int total = 8;
    QStringList files{ti::writeJpeg(dir("a"), QStringLiteral("h0.jpg"), ti::quadrants(80, 60))}; // held
    QStringList expected{QStringLiteral("h0 rozmazané obličeje.jpg")};
    for (int i = 1; i < total; ++i) {
        files << ti::writeJpeg(dir("a"), QStringLiteral("h%1.jpg").arg(i), ti::quadrants(40 + 2 * i, 60));
        expected << QStringLiteral("h%1 rozmazané obličeje.jpg").arg(i);
    }
    auto detector = std::make_shared<HoldingDetector>();
    detectors::FaceDetector::setOverride(detector);
    struct Release {
        std::shared_ptr<HoldingDetector> detector;
        ~Release() { detector->release(); }
    } release{detector};
    QMutex lock;
    QList<int> progress;
    auto hooks = std::make_shared<RunHooks>([&](int done, int) {
        QMutexLocker guard(&lock);
        progress.append(done);
    });
    auto running = std::async(std::launch::async, [&] {
        return processWith(total, KelvaroOp::blurFaces(), files, dir("parallel"), hooks);
    });
    // The held photo may reach the detector after the others are done: both are awaited.
    const bool counted = test::waitUntil([&] {
        QMutexLocker guard(&lock);
        return progress.size() >= total - 1;
    });
    EXPECT_TRUE(test::waitUntil([&] { return detector->isHolding(); })) << "the first file never reached the detector";
    {
        QMutexLocker guard(&lock);
        EXPECT_EQ(progress.size(), total - 1) << "the total came before the first file was done";
    }
    detector->release();
    ASSERT_EQ(running.wait_for(std::chrono::seconds(60)), std::future_status::ready);
    const OpResult result = running.get();

    EXPECT_TRUE(counted) << "the counter stood still while the first file was held";
    EXPECT_EQ(progress, (QList<int>{1, 2, 3, 4, 5, 6, 7, 8}));
    EXPECT_EQ(test::fileNames(result.outputs), expected);
}

// The first photo is held while the four after it finish and wait for their names; the cancel
// comes when the counter shows those four. The run keeps all that the counter showed and the held
// photo it finishes, named in input order as ever ("IMG …" first, then "IMG … 2" …), and starts
// no other: the counter never shows more files than the run keeps.
TEST_F(ParallelBatch, aCancelKeepsEveryFileCountedAsDone)
{
    constexpr int workers = 5;
    QStringList files{ti::writeJpeg(dir("f0"), QStringLiteral("IMG.jpg"), ti::quadrants(80, 60))}; // held
    for (int i = 1; i <= workers; ++i) // portrait: they pass
        files << ti::writeJpeg(dir(QStringLiteral("f%1").arg(i).toUtf8().constData()), QStringLiteral("IMG.jpg"),
                               ti::quadrants(40 + 2 * i, 60));
    auto detector = std::make_shared<HoldingDetector>();
    detectors::FaceDetector::setOverride(detector);
    struct Release {
        std::shared_ptr<HoldingDetector> detector;
        ~Release() { detector->release(); }
    } release{detector};
    QMutex lock;
    QList<int> progress;
    RunHooksPtr hooks;
    hooks = std::make_shared<RunHooks>([&](int done, int) {
        {
            QMutexLocker guard(&lock);
            progress.append(done);
        }
        // Every worker is busy: the held photo, and four that wait for their names behind it.
        if (done == workers - 1) {
            hooks->cancel();
            detector->release();
        }
    });
    const OpResult result = processWith(workers, KelvaroOp::blurFaces(), files, dir("out"), hooks);

    QStringList expected{QStringLiteral("IMG rozmazané obličeje.jpg")};
    for (int i = 2; i <= workers; ++i)
        expected << QStringLiteral("IMG rozmazané obličeje %1.jpg").arg(i);
    EXPECT_EQ(test::fileNames(result.outputs), expected);
    ASSERT_EQ(result.outputs.size(), workers);
    for (int i = 0; i < workers; ++i)
        EXPECT_EQ(ti::pixelSize(result.outputs[i]), QSize(i == 0 ? 80 : 40 + 2 * i, 60)) << i;
    EXPECT_EQ(result.entries.size(), workers);
    EXPECT_EQ(progress, (QList<int>{1, 2, 3, 4, 5}));
    EXPECT_EQ(result.failed, 0);
    expected.sort();
    EXPECT_EQ(test::namesIn(dir("out")), expected) << "a result is missing or left over";
}

// The first photo writes its metadata back, which asks for more memory than is left, only once
// the second has finished and waits for its name behind it: the first goes on, and the run ends
// with both, where the two waited for each other for ever. The limit admits both photos at once.
TEST_F(ParallelBatch, aFileWritingItsMetadataBackGoesOnWhileALaterFinishedOneWaitsForItsName)
{
    const struct {
        const char* name;
        std::function<QString(const QString& dir)> first;
    } rows[] = {
        {"tiff", [](const QString& in) { return ti::writeTiff(in, QStringLiteral("a.tif"), ti::quadrants(400, 300)); }},
        {"jpegWithExif",
         [](const QString& in) {
             ti::Metadata exif;
             exif.make = QStringLiteral("Kelvaro");
             return ti::writeJpeg(in, QStringLiteral("a.jpg"), ti::quadrants(400, 300), exif);
         }},
    };
    struct Restore {
        ~Restore() { MemoryBudget::setAvailableMemoryOverride(std::nullopt); }
    } restore;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const QString in = dir(row.name);
        const QStringList files{row.first(in), ti::writePng(in, QStringLiteral("b.png"), ti::quadrants(300, 400))};
        // Both fit with a megabyte to spare; writing metadata back asks for tens more.
        MemoryBudget::setAvailableMemoryOverride(
            2 * (MemoryBudget::estimate(files[0]) + MemoryBudget::estimate(files[1]) + 1'000'000));
        auto detector = std::make_shared<HoldingDetector>(); // holds the first, landscape photo
        detectors::FaceDetector::setOverride(detector);
        struct Release {
            std::shared_ptr<HoldingDetector> detector;
            ~Release() { detector->release(); }
        } release{detector};
        const QString out = dir(QStringLiteral("%1-out").arg(QLatin1String(row.name)).toUtf8().constData());
        test::RunAside run(
            [&](const RunHooksPtr& hooks) { return processWith(2, KelvaroOp::blurFaces(), files, out, hooks); },
            [&](int done, int) {
                if (done == 1) // the second photo is done and waits for its name
                    detector->release();
            });
        ASSERT_TRUE(run.finished(std::chrono::seconds(60))) << "the two photos wait for each other";
        const OpResult result = run.result();
        EXPECT_EQ(result.failed, 0) << result.firstError.value_or(QString()).toStdString();
        ASSERT_EQ(result.outputs.size(), 2);
        EXPECT_EQ(ti::pixelSize(result.outputs[0]), QSize(400, 300));
        EXPECT_EQ(ti::pixelSize(result.outputs[1]), QSize(300, 400));
        EXPECT_EQ(MemoryBudget::shared().inUse(), 0);
    }
}

// A blur-faces run of one photo that holds the process's memory budget, sized for one such photo
// at a time, until release(): its face detector keeps the photo in progress. Released and waited
// for when it goes, also when an assertion ends the test early.
class RunHoldingTheBudget {
public:
    RunHoldingTheBudget(const QString& photo, const QString& outDir)
    {
        MemoryBudget::setAvailableMemoryOverride(3 * MemoryBudget::estimate(photo));
        detectors::FaceDetector::setOverride(m_detector);
        m_run = std::async(std::launch::async, [photo, outDir] {
            return ImageEngine::process(KelvaroOp::blurFaces(), {photo}, outDir);
        });
    }
    ~RunHoldingTheBudget()
    {
        m_detector->release();
        if (m_run.valid())
            m_run.wait();
        MemoryBudget::setAvailableMemoryOverride(std::nullopt);
    }
    RunHoldingTheBudget(const RunHoldingTheBudget&) = delete;
    RunHoldingTheBudget& operator=(const RunHoldingTheBudget&) = delete;

    bool started() const { return test::waitUntil([&] { return m_detector->isHolding(); }); }
    bool isHolding() const { return m_detector->isHolding(); }
    // Lets the photo finish; the run's outputs, or none when it never ended.
    std::optional<QStringList> finish()
    {
        m_detector->release();
        if (m_run.wait_for(std::chrono::seconds(60)) != std::future_status::ready)
            return std::nullopt;
        return m_run.get().outputs;
    }

private:
    std::shared_ptr<HoldingDetector> m_detector = std::make_shared<HoldingDetector>();
    std::future<OpResult> m_run;
};

// A run waiting for memory that another run holds ends at once when it is cancelled, with
// nothing written, while the other run goes on.
TEST_F(ParallelBatch, aRunWaitingForAnotherRunsMemoryCanBeCancelled)
{
    const QStringList waiting{ti::writeJpeg(dir("b"), QStringLiteral("p1.jpg"), ti::quadrants(300, 400)),
                              ti::writeJpeg(dir("b"), QStringLiteral("p2.jpg"), ti::quadrants(300, 400))};
    RunHoldingTheBudget holding(ti::writeJpeg(dir("a"), QStringLiteral("held.jpg"), ti::quadrants(400, 300)), dir("out1"));
    ASSERT_TRUE(holding.started()) << "the first run never started its photo";
    test::RunAside cancelled([&](const RunHooksPtr& hooks) {
        return ImageEngine::process(KelvaroOp::blurFaces(), waiting, dir("out2"), hooks);
    });
    ASSERT_TRUE(test::waitUntil([&] { return MemoryBudget::shared().waiting() == 1; }))
        << "the second run never waited for memory";
    cancelled.hooks()->cancel();
    ASSERT_TRUE(cancelled.finished(std::chrono::seconds(60))) << "the cancel was never seen";
    EXPECT_TRUE(cancelled.result().outputs.isEmpty());
    EXPECT_TRUE(QDir(dir("out2")).entryList(QDir::Files).isEmpty());
    EXPECT_TRUE(holding.isHolding());

    const std::optional<QStringList> held = holding.finish();
    ASSERT_TRUE(held) << "the first run never ended";
    EXPECT_EQ(held->size(), 1);
}

// A scan's pages are admitted by the memory budget as any run's photos are: a scan started while
// another run holds the memory waits for it, then makes its PDF.
TEST_F(ParallelBatch, aScanWaitsForMemoryAnotherRunHolds)
{
    const QString page = ti::writeJpeg(dir("b"), QStringLiteral("page.jpg"), ti::quadrants(300, 400));
    RunHoldingTheBudget holding(ti::writeJpeg(dir("a"), QStringLiteral("held.jpg"), ti::quadrants(400, 300)), dir("out1"));
    ASSERT_TRUE(holding.started()) << "the first run never started its photo";
    auto scanning = std::async(std::launch::async, [&] {
        return ImageEngine::process(KelvaroOp::scan(), {page}, dir("out2"));
    });
    EXPECT_TRUE(test::waitUntil([&] { return MemoryBudget::shared().waiting() == 1; }))
        << "the scan never waited for memory";
    EXPECT_TRUE(QDir(dir("out2")).entryList(QDir::Files).isEmpty());

    const std::optional<QStringList> held = holding.finish();
    ASSERT_TRUE(held) << "the first run never ended";
    ASSERT_EQ(scanning.wait_for(std::chrono::seconds(60)), std::future_status::ready);
    EXPECT_EQ(held->size(), 1);
    EXPECT_EQ(scanning.get().outputs.size(), 1);
}

// A scan waiting for memory that another run holds ends at once when it is cancelled, with no
// PDF, while the other run goes on.
TEST_F(ParallelBatch, aScanWaitingForMemoryCanBeCancelled)
{
    const QString page = ti::writeJpeg(dir("b"), QStringLiteral("page.jpg"), ti::quadrants(300, 400));
    RunHoldingTheBudget holding(ti::writeJpeg(dir("a"), QStringLiteral("held.jpg"), ti::quadrants(400, 300)), dir("out1"));
    ASSERT_TRUE(holding.started()) << "the first run never started its photo";
    test::RunAside cancelled([&](const RunHooksPtr& hooks) {
        try {
            return ImageEngine::process(KelvaroOp::scan(), {page}, dir("out2"), hooks);
        } catch (const KelvaroError&) {
            return OpResult{}; // nothing scanned
        }
    });
    ASSERT_TRUE(test::waitUntil([&] { return MemoryBudget::shared().waiting() == 1; })) << "the scan never waited for memory";
    cancelled.hooks()->cancel();
    ASSERT_TRUE(cancelled.finished(std::chrono::seconds(60))) << "the cancel was never seen";
    EXPECT_TRUE(cancelled.result().outputs.isEmpty());
    EXPECT_TRUE(QDir(dir("out2")).entryList(QDir::Files | QDir::Hidden).isEmpty());
    EXPECT_TRUE(holding.isHolding());
    const std::optional<QStringList> held = holding.finish();
    ASSERT_TRUE(held) << "the first run never ended";
    EXPECT_EQ(held->size(), 1);
}

} // namespace
