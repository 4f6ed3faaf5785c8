// The batch on several worker threads gives what the one-by-one run gives: outputs, entries and
// names in input order, failures counted the same, progress climbing by one to the total, a
// cancel that starts no new file, and never more files at once than workers.
#include <algorithm>
#include <chrono>
#include <condition_variable>
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
#include "platform/Settings.h"
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
// the large one ever had company, and can cancel the run when it meets a chosen one.
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
        if (rgb.cols == cancelAtWidth && hooks) {
            hooks->cancel();
            const std::lock_guard lock(m_mutex);
            m_cancelSent = true;
            m_cancelled.notify_all();
        } else if (cancelAtWidth > 0 && rgb.cols > cancelAtWidth) {
            // Later photos wait until the cancel has been sent, so that however the threads are
            // scheduled, no worker is free to start another photo before it.
            std::unique_lock lock(m_mutex);
            m_cancelled.wait_for(lock, std::chrono::seconds(60), [&] { return m_cancelSent; });
        }
        // Gives the other workers a chance to arrive, so that too many at once would show; nothing
        // asserted depends on it being long enough.
        std::this_thread::sleep_for(std::chrono::milliseconds(40));
        const std::lock_guard lock(m_mutex);
        m_inside.removeOne(rgb.cols);
        return {QRectF(0.25, 0.25, 0.5, 0.5)};
    }

    int cancelAtWidth = -1;
    int largeWidth = -1;
    bool waitForCompany = false; // the first photo waits for a second
    RunHooksPtr hooks;
    mutable int most = 0;
    mutable bool largeHadCompany = false;

private:
    mutable std::mutex m_mutex;
    mutable std::condition_variable m_cancelled;
    mutable std::condition_variable m_arrived;
    mutable bool m_cancelSent = false;
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

// The cancel arrives while the third photo is being worked on: the photos already started
// finish, no later one starts, and what came out is a prefix of the input in order.
TEST_F(ParallelBatch, cancelStartsNoNewFileAndKeepsTheFinishedPrefix)
{
    constexpr int jobs = 3;
    QStringList files;
    for (int i = 0; i < 12; ++i)
        files << ti::writeJpeg(dir("a"), QStringLiteral("c%1.jpg").arg(i, 2, 10, QLatin1Char('0')),
                               ti::quadrants(60 + 4 * i, 40));
    auto detector = std::make_shared<WatchingDetector>();
    QList<int> progress;
    QMutex lock;
    detector->hooks = std::make_shared<RunHooks>([&](int done, int) {
        QMutexLocker guard(&lock);
        progress.append(done);
    });
    detector->cancelAtWidth = 60 + 4 * 2;
    detectors::FaceDetector::setOverride(detector);
    const OpResult result = processWith(jobs, KelvaroOp::blurFaces(), files, dir("parallel"), detector->hooks);

    const int k = int(result.outputs.size());
    EXPECT_GE(k, 3);        // the third and the two before it were started, so they finish
    EXPECT_LE(k, 2 + jobs); // at most the workers' files in flight when the cancel came
    for (int i = 0; i < k; ++i)
        EXPECT_EQ(QFileInfo(result.outputs[i]).fileName(),
                  QStringLiteral("c%1 rozmazané obličeje.jpg").arg(i, 2, 10, QLatin1Char('0')));
    EXPECT_EQ(QDir(dir("parallel")).entryList(QDir::Files).size(), k);
    EXPECT_EQ(result.failed, 0);
    ASSERT_EQ(progress.size(), k);
    EXPECT_EQ(progress.last(), k);
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

    const OpResult result = processWith(4, KelvaroOp::blurFaces(), files, dir("parallel"));
    EXPECT_EQ(result.outputs.size(), 9);
    EXPECT_EQ(detector->most, 2);
    EXPECT_FALSE(detector->largeHadCompany);
}

} // namespace
