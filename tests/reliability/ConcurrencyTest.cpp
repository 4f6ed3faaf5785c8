// Runs at the same time into one folder, and a run cancelled while it works: every result is
// written under its own name, nothing is overwritten, and the store's history and undo match
// exactly what the run produced.
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>

#include <QFileInfo>
#include <QScopeGuard>
#include <QSet>
#include <QThread>
#include <QtConcurrent/QtConcurrentRun>

#include <gtest/gtest.h>

#include "../support/TestImages.h"
#include "HostileFiles.h"
#include "ReliabilitySupport.h"
#include "engine/ImageEngine.h"
#include "engine/detectors/FaceDetector.h"
#include "output/OutputFolder.h"
#include "store/KelvaroStore.h"
#include "watch/FolderWatcher.h"

namespace kelvaro::reliability {
namespace {

class Concurrency : public QuietDesktop<> {
protected:
    void SetUp() override
    {
        QuietDesktop::SetUp();
        out = folder(QStringLiteral("Out"));
    }

    // `count` photos IMG_1.jpg … in `dir`; the same names in every folder, so runs collide.
    QStringList photos(const QString& dir, int count)
    {
        QStringList files;
        for (int i = 1; i <= count; ++i)
            files.append(goodPhoto(dir, QStringLiteral("IMG_%1.jpg").arg(i)));
        return files;
    }

    QString out;
};

TEST_F(Concurrency, TwoEngineRunsIntoOneFolderWriteEveryResultUnderItsOwnName)
{
    const QStringList a = photos(folder(QStringLiteral("a")), 8);
    const QStringList b = photos(folder(QStringLiteral("b")), 8);
    // A file already there keeps its bytes.
    const QString existing = goodPhoto(out, QStringLiteral("IMG_1.png"));
    const QByteArray existingBytes = test::readFile(existing);

    const KelvaroOp op = KelvaroOp::convert(ImageFormat::png);
    const int vipsThreads = vips_concurrency_get();
    QFuture<OpResult> first = QtConcurrent::run([&] { return ImageEngine::process(op, a, out); });
    QFuture<OpResult> second = QtConcurrent::run([&] { return ImageEngine::process(op, b, out); });
    const OpResult one = first.result();
    const OpResult two = second.result();

    EXPECT_EQ(one.failed + two.failed, 0);
    const QStringList outputs = one.outputs + two.outputs;
    ASSERT_EQ(outputs.size(), 16);
    EXPECT_EQ(QSet<QString>(outputs.begin(), outputs.end()).size(), 16) << "two results share a name";
    for (const QString& output : outputs) {
        EXPECT_NE(output, existing);
        EXPECT_EQ(testimages::pixelSize(output), QSize(48, 32)) << output.toStdString();
    }
    EXPECT_EQ(test::readFile(existing), existingBytes);
    EXPECT_EQ(QDir(out).entryList(QDir::Files).size(), 17);
    // Whichever run ends last, libvips gets its own thread count back.
    EXPECT_EQ(vips_concurrency_get(), vipsThreads);
}

TEST_F(Concurrency, TwoWatchedFoldersWithTheSameNameAndActionShareOneResultsFolder)
{
    ASSERT_TRUE(OutputFolder::remember(out));
    const QString x = folder(QStringLiteral("x/Export"));
    const QString y = folder(QStringLiteral("y/Export"));
    FolderWatcher watcher;
    driveByHand(watcher);
    ASSERT_TRUE(watcher.add(x, WatchAction::convert(QStringLiteral("jpg"))));
    ASSERT_TRUE(watcher.add(y, WatchAction::convert(QStringLiteral("jpg"))));
    ASSERT_TRUE(step(watcher));

    photos(x, 4);
    photos(y, 4);
    ASSERT_TRUE(step(watcher));
    ASSERT_TRUE(step(watcher));

    const QString results = out + QStringLiteral("/Automaticky/Export \u2013 Převod na JPG");
    const QStringList written = QDir(results).entryList(QDir::Files);
    EXPECT_EQ(written.size(), 8) << written.join(", ").toStdString();
    ASSERT_EQ(history.size(), 8);
    QSet<QString> paths;
    for (const ActivityItem& item : history) {
        ASSERT_TRUE(item.outputPath.has_value());
        EXPECT_TRUE(QFileInfo::exists(*item.outputPath));
        paths.insert(*item.outputPath);
    }
    EXPECT_EQ(paths.size(), 8) << "two history entries point at one file";
}

TEST_F(Concurrency, AUserRunAndAWatchedFolderRunAtOnce)
{
    ASSERT_TRUE(OutputFolder::remember(out));
    const QString watched = folder(QStringLiteral("Watched"));
    FolderWatcher watcher;
    driveByHand(watcher);
    ASSERT_TRUE(watcher.add(watched, WatchAction::convert(QStringLiteral("jpg"))));
    ASSERT_TRUE(step(watcher));
    photos(watched, 6);
    ASSERT_TRUE(step(watcher)); // seen once; the next tick processes them

    RecordingServices services;
    KelvaroStore store(services.make());
    store.setActivities({});
    const QStringList dropped = photos(folder(QStringLiteral("Dropped")), 6);
    store.receive(dropped, false);

    // Both runs are out in the background at once.
    bool ticked = false;
    watcher.tick([&] { ticked = true; });
    store.run(KelvaroOp::convert(ImageFormat::jpg));
    ASSERT_TRUE(waitUntil([&] { return ticked && !watcher.hasWorkInFlight() && !store.isWorking(); }));

    EXPECT_EQ(store.lastOutputs().size(), 6);
    EXPECT_EQ(store.activities().size(), 6);
    EXPECT_EQ(history.size(), 6);
    QSet<QString> all;
    for (const QString& output : store.lastOutputs())
        all.insert(output);
    for (const ActivityItem& item : history)
        all.insert(item.outputPath.value_or(QString()));
    EXPECT_EQ(all.size(), 12);
    for (const QString& path : all)
        EXPECT_EQ(testimages::pixelSize(path), QSize(48, 32)) << path.toStdString();
}

// Reports one face per photo. Photos `held` wide wait until the test lets them go; the others wait
// until every worker has a photo: so when those are done, the held ones are still being worked on,
// however the threads are scheduled.
class GatedDetector : public detectors::FaceDetector {
public:
    GatedDetector(int workers, int held) : m_workers(workers), m_held(held) {}

    QList<QRectF> detect(const cv::Mat& rgb) const override
    {
        std::unique_lock lock(m_mutex);
        ++m_arrived;
        m_changed.notify_all();
        const auto deadline = std::chrono::seconds(60); // only a broken run waits so long
        if (rgb.cols == m_held)
            m_changed.wait_for(lock, deadline, [&] { return m_released; });
        else
            m_changed.wait_for(lock, deadline, [&] { return m_arrived >= m_workers; });
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

private:
    const int m_workers;
    const int m_held;
    mutable std::mutex m_mutex;
    mutable std::condition_variable m_changed;
    mutable int m_arrived = 0;
    bool m_released = false;
};

TEST_F(Concurrency, ACancelledRunKeepsWhatItFinishedAndUndoTakesBackExactlyThat)
{
    constexpr int workers = 4;
    const QSize small(48, 32), large(300, 200), early(320, 200);
    qputenv("KELVARO_JOBS", QByteArray::number(workers));
    auto detector = std::make_shared<GatedDetector>(workers, large.width());
    detectors::FaceDetector::setOverride(detector);
    const auto restore = qScopeGuard([&] {
        detector->release();
        detectors::FaceDetector::setOverride(nullptr);
        qunsetenv("KELVARO_JOBS");
    });
    ASSERT_TRUE(OutputFolder::remember(out));
    RecordingServices services;
    services.trash->bin = folder(QStringLiteral("Bin"));
    // The user presses cancel when the third photo is reported done: the request reaches the
    // store on the main thread, then the engine, and only then are the held photos let go.
    KelvaroStore* storePointer = nullptr;
    ProcessFunction process = [&storePointer, detector](const KelvaroOp& op, const QStringList& files,
                                                        const QString& outDir, const RunHooksPtr& hooks,
                                                        const EngineSettings& settings) {
        // The engine's own loop, with hooks that pass progress on to the store's and take over
        // the store's cancel flag the moment the store's cancelRun() has set it.
        auto engineHooks = std::make_shared<std::shared_ptr<RunHooks>>();
        *engineHooks = std::make_shared<RunHooks>([hooks, engineHooks, detector, &storePointer](int done, int total) {
            hooks->reportProgress(done, total);
            if (done != 3)
                return;
            QMetaObject::invokeMethod(storePointer, [&storePointer] { storePointer->cancelRun(); },
                                      Qt::BlockingQueuedConnection);
            if (hooks->isCancelled())
                (*engineHooks)->cancel();
            detector->release();
        });
        const OpResult result = ImageEngine::process(op, files, outDir, *engineHooks, settings);
        engineHooks->reset(); // breaks the hooks' cycle through their own callback
        return result;
    };
    KelvaroStore store(services.make(process));
    storePointer = &store;
    const QList<ActivityItem> before = store.activities();
    // Two small photos, a held one, one done early, then held ones, more than the workers take at
    // once. At the cancel the small ones and the early one are done (the early one waits for its
    // name behind the held one), and all three are kept; the held one is the earliest in progress
    // and finishes; the others in progress stop and the rest never start.
    const int count = 3 * workers;
    const QString droppedDir = folder(QStringLiteral("Dropped"));
    QStringList dropped = photos(droppedDir, 2);
    const QString largePhoto = testimages::writeJpeg(temp.path(), QStringLiteral("large.jpg"),
                                                     testimages::quadrants(large.width(), large.height()));
    for (int i = 3; i <= count; ++i) {
        dropped.append(droppedDir + QStringLiteral("/IMG_%1.jpg").arg(i));
        if (i == 4)
            testimages::writeJpeg(droppedDir, QStringLiteral("IMG_4.jpg"), testimages::quadrants(early.width(), early.height()));
        else
            ASSERT_TRUE(QFile::copy(largePhoto, dropped.last()));
    }
    store.receive(dropped, false);

    store.run(KelvaroOp::blurFaces());
    ASSERT_TRUE(waitUntil([&] { return !store.isWorking(); }));

    // What was finished when the cancel took effect stays, and is exactly what the store shows.
    const qsizetype finished = store.lastOutputs().size();
    ASSERT_EQ(finished, 4) << "the three done and the one in progress are kept, nothing else";
    const QList<QSize> sizes{small, small, large, early};
    for (qsizetype i = 0; i < finished; ++i)
        EXPECT_EQ(testimages::pixelSize(store.lastOutputs()[i]), sizes[i]) << store.lastOutputs()[i].toStdString();
    EXPECT_EQ(QDir(out).entryList(QDir::Files).size(), finished) << "a result is missing or left over";
    ASSERT_EQ(store.activities().size(), before.size() + finished);
    EXPECT_EQ(store.activities().mid(finished), before);
    ASSERT_TRUE(store.undoState().has_value());
    EXPECT_EQ(store.undoState()->outputs, store.lastOutputs());
    EXPECT_EQ(store.undoState()->entryCount(), finished);

    // Undo removes exactly those results and their history entries.
    const QStringList outputs = store.lastOutputs();
    store.undoLast();
    ASSERT_TRUE(waitUntil([&] { return !store.undoState().has_value(); }));
    EXPECT_EQ(QSet<QString>(services.trash->trashed.begin(), services.trash->trashed.end()),
              QSet<QString>(outputs.begin(), outputs.end()));
    EXPECT_EQ(services.trash->trashed.size(), outputs.size());
    EXPECT_TRUE(QDir(out).entryList(QDir::Files).isEmpty());
    EXPECT_EQ(store.activities(), before);
    for (const QString& source : dropped)
        EXPECT_TRUE(QFileInfo::exists(source)) << "an original went missing";
}

} // namespace
} // namespace kelvaro::reliability
