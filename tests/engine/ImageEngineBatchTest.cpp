#include <atomic>
#include <cerrno>
#include <chrono>
#include <functional>
#include <memory>

#include <fcntl.h>
#include <sys/inotify.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFileInfo>
#include <QList>
#include <QMutex>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "EngineFixture.h"
#include "detectors/InjectedDetectors.h"
#include "engine/MemoryBudget.h"
#include "engine/ImageEngine.h"
#include "engine/ImageProbe.h"
#include "engine/ImageStream.h"
#include "engine/ScanEffects.h"
#include "engine/detectors/CodeReader.h"
#include "engine/detectors/ModelFiles.h"
#include "engine/detectors/TextRecognizer.h"
#include "platform/FileSystem.h"
#include "platform/NativePath.h"
#include "../support/BudgetHold.h"
#include "../support/StandInNetwork.h"
#include "../support/TestImages.h"
#include "../support/TestSupport.h"

using namespace kelvaro;
using kelvaro::test::failsWith;
namespace ti = kelvaro::testimages;

namespace {

using Progress = QList<std::pair<int, int>>;

class Batch : public test::InAndOut<> {
protected:
    void TearDown() override
    {
        FileSystem::setCurrent(nullptr);
        detectors::TextRecognizer::setOverride(nullptr);
        detectors::CodeReader::setOverride(nullptr);
    }
    QString outFile(const QString& name) const { return QDir(out()).filePath(name); }
    QStringList outNames() const { return QDir(out()).entryList(QDir::Files, QDir::Name); }

    QString photo(const QString& name, int width = 40, int height = 30)
    {
        return name.endsWith(QLatin1String(".png")) ? ti::writePng(in(), name, ti::quadrants(width, height))
                                                    : ti::writeJpeg(in(), name, ti::quadrants(width, height));
    }

    // Hooks that record every progress call.
    RunHooksPtr recordingHooks()
    {
        return std::make_shared<RunHooks>([this](int done, int total) {
            QMutexLocker lock(&m_progressLock);
            m_progress.append({done, total});
        });
    }

    QMutex m_progressLock;
    Progress m_progress;
};

// The real file operations, except that chosen calls fail or have a side effect.
class ScriptedFiles : public FileSystem {
public:
    bool copyOver(const QString& from, const QString& to) override
    {
        ++copies;
        if (onCopy)
            onCopy(copies);
        return !failCopyOf.contains(QFileInfo(from).fileName()) && FileSystem::copyOver(from, to);
    }
    bool removeFile(const QString& path) override
    {
        removed << QFileInfo(path).fileName();
        return !refuseRemoval && FileSystem::removeFile(path);
    }
    bool moveNew(const QString& from, const QString& to) override { return !refusePlacing && FileSystem::moveNew(from, to); }
    int copies = 0;
    bool refuseRemoval = false;
    bool refusePlacing = false;
    QStringList removed; // the names of every removal asked for, in order
    QStringList failCopyOf;
    std::function<void(int)> onCopy;
};

TEST_F(Batch, oneUnreadableFileIsCountedAndTheRestComesOutAllUnreadableThrowTheFirstReason)
{
    const QStringList files{photo(QStringLiteral("1.jpg")), ti::writeGarbage(in(), QStringLiteral("2.jpg")),
                            photo(QStringLiteral("3.png"))};
    const OpResult result = ImageEngine::process(KelvaroOp::compress(0.7), files, out(), recordingHooks());
    EXPECT_EQ(test::fileNames(result.outputs), (QStringList{QStringLiteral("1 komprese.jpg"), QStringLiteral("3 komprese.jpg")}));
    EXPECT_EQ(result.failed, 1);
    EXPECT_EQ(result.firstError, KelvaroError::unreadable(QStringLiteral("2.jpg")).message());
    EXPECT_EQ(result.failures, QStringList{KelvaroError::unreadable(QStringLiteral("2.jpg")).message()});
    EXPECT_EQ(m_progress, (Progress{{1, 3}, {2, 3}, {3, 3}}));
    ASSERT_EQ(result.entries.size(), 2);
    EXPECT_EQ(result.entries[0].fileName, QStringLiteral("1.jpg"));
    EXPECT_EQ(result.entries[1].outputPath, outFile(QStringLiteral("3 komprese.jpg")));
    EXPECT_EQ(result.entries[1].savedBytes, std::max<qint64>(QFileInfo(files[2]).size() - QFileInfo(result.outputs[1]).size(), 0));
    EXPECT_TRUE(result.moves.isEmpty());
    // When every file fails, the run throws the first reason.
    const auto error = test::thrown<KelvaroError>([&] {
        ImageEngine::process(KelvaroOp::convert(ImageFormat::png), {files[1], QDir(in()).filePath(QStringLiteral("missing.png"))}, out());
    });
    ASSERT_TRUE(error);
    EXPECT_EQ(error->message(), KelvaroError::unreadable(QStringLiteral("2.jpg")).message());
    EXPECT_EQ(outNames().size(), 2); // nothing is left behind for the failed files
}

TEST_F(Batch, cancelDuringTheSecondFileFinishesItAndStops)
{
    QStringList files;
    for (int i = 1; i <= 5; ++i)
        files << photo(QStringLiteral("%1.jpg").arg(i));
    const RunHooksPtr hooks = recordingHooks();
    ScriptedFiles scripted;
    scripted.onCopy = [&](int copy) {
        if (copy == 2)
            hooks->cancel(); // arrives while the second file is being copied
    };
    FileSystem::setCurrent(&scripted);
    const OpResult result = ImageEngine::process(KelvaroOp::rename({QStringLiteral("R"), true, 1}), files, out(), hooks);
    EXPECT_EQ(test::fileNames(result.outputs), (QStringList{QStringLiteral("R_001.jpg"), QStringLiteral("R_002.jpg")}));
    EXPECT_EQ(m_progress, (Progress{{1, 5}, {2, 5}}));
    EXPECT_EQ(result.failed, 0);

    // Cancelled before the first file: nothing at all.
    m_progress.clear();
    const RunHooksPtr early = recordingHooks();
    early->cancel();
    EXPECT_TRUE(ImageEngine::process(KelvaroOp::compress(0.5), {files[0]}, out(), early).outputs.isEmpty());
    EXPECT_TRUE(m_progress.isEmpty());
}

// The interface language switched while a run works: every name and every message of the run
// stays in the language it started in, one file after another as in a parallel run.
TEST_F(Batch, aRunKeepsTheLanguageItStartedIn)
{
    const struct {
        const char *start, *switchedTo;
        const char* names[4];
        const char* error;
    } rows[] = {
        {"cs", "en", {"f0 úpravy.jpg", "f1 úpravy.jpg", "f2 úpravy.jpg", "f3 úpravy.jpg"}, "Soubor „bad.jpg“ se nepodařilo otevřít."},
        {"en", "cs", {"f0 adjusted.jpg", "f1 adjusted.jpg", "f2 adjusted.jpg", "f3 adjusted.jpg"}, "The file “bad.jpg” could not be opened."},
    };
    QStringList files;
    for (int i = 0; i < 4; ++i)
        files << photo(QStringLiteral("f%1.jpg").arg(i));
    const QString bad = ti::writeGarbage(in(), QStringLiteral("bad.jpg"));
    const QString language = QStringLiteral("kelvaro.language");
    struct Restore {
        ~Restore() { qunsetenv("KELVARO_JOBS"); }
    } restore;
    for (const auto& row : rows) {
        for (const char* jobs : {"1", "3"}) {
            SCOPED_TRACE(std::string(row.start) + " with jobs " + jobs);
            qputenv("KELVARO_JOBS", jobs);
            QTemporaryDir outDir;
            Settings::shared().setValue(language, QString::fromLatin1(row.start));
            const EngineSettings settings = EngineSettings::read(Settings::shared());
            const auto switchAfterTheFirst = std::make_shared<RunHooks>([&](int done, int) {
                if (done == 1)
                    Settings::shared().setValue(language, QString::fromLatin1(row.switchedTo));
            });
            const OpResult result = ImageEngine::process(KelvaroOp::adjust(AdjustSpec{.turns = 1}), files, outDir.path(),
                                                         switchAfterTheFirst, settings);
            QStringList expected;
            for (const char* name : row.names)
                expected << QString::fromUtf8(name);
            EXPECT_EQ(test::fileNames(result.outputs), expected);

            Settings::shared().setValue(language, QString::fromLatin1(row.start));
            const OpResult failing = ImageEngine::process(KelvaroOp::compress(0.5), {files[0], bad, files[1]},
                                                          outDir.path(), switchAfterTheFirst, settings);
            EXPECT_EQ(failing.failures, QStringList{QString::fromUtf8(row.error)});
            const auto whole = test::thrown<KelvaroError>([&] {
                Settings::shared().setValue(language, QString::fromLatin1(row.switchedTo));
                ImageEngine::process(KelvaroOp::compress(0.5), {bad}, outDir.path(), {}, settings);
            });
            ASSERT_TRUE(whole);
            EXPECT_EQ(whole->message(), QString::fromUtf8(row.error));
        }
    }
}

// Where a memory cgroup's hard limit leaves less than a photo needs, that photo fails with its own
// message in the run's language, and the photos before and after it are made and booked, on one
// worker and on three.
TEST_F(Batch, aPhotoNeedingMoreThanAHardMemoryLimitLeavesFailsAloneWithItsOwnMessage)
{
    const QString first = photo(QStringLiteral("first.jpg"));
    const QString large = photo(QStringLiteral("large.jpg"), 2000, 1500);
    const QString last = photo(QStringLiteral("last.jpg"));
    // Compressed, the small ones are priced at a few kilobytes, the large one at megabytes.
    const test::MachineMemory machine(qint64(8) << 30, 1'000'000);
    const struct {
        AppLanguage language;
        const char* message;
    } rows[] = {
        {AppLanguage::czech, "Na fotku „large.jpg“ nestačí paměť."},
        {AppLanguage::english, "Not enough memory for the photo “large.jpg”."},
    };
    const auto unset = qScopeGuard([] { qunsetenv("KELVARO_JOBS"); });
    for (const auto& row : rows) {
        for (const char* jobs : {"1", "3"}) {
            SCOPED_TRACE(std::string(row.message) + " with jobs " + jobs);
            qputenv("KELVARO_JOBS", jobs);
            QTemporaryDir outDir;
            EngineSettings settings;
            settings.language = row.language;
            const OpResult result = ImageEngine::process(KelvaroOp::compress(0.5), {first, large, last}, outDir.path(), {}, settings);
            EXPECT_EQ(result.failures, QStringList{QString::fromUtf8(row.message)});
            EXPECT_EQ(result.failed, 1);
            EXPECT_EQ(result.entries.size(), 2);
            EXPECT_EQ(test::namesIn(outDir.path()).size(), 2);
        }
    }
}

// A scan's page beyond a hard memory limit fails with its own line among the scan's failures, in
// the run's language; the pages before and after it make the document.
TEST_F(Batch, aScanPageBeyondAHardMemoryLimitFailsWithItsOwnLine)
{
    const QString first = photo(QStringLiteral("first.jpg"));
    const QString large = photo(QStringLiteral("large.jpg"), 2000, 1500);
    const QString last = photo(QStringLiteral("last.jpg"));
    // A scan's page holds its photo many times over while it is straightened: the small ones
    // are priced at well under a megabyte, the large one at tens of megabytes.
    const test::MachineMemory machine(qint64(8) << 30, 4'000'000);
    for (const AppLanguage language : {AppLanguage::czech, AppLanguage::english}) {
        SCOPED_TRACE(language == AppLanguage::czech ? "czech" : "english");
        QTemporaryDir outDir;
        EngineSettings settings;
        settings.language = language;
        const OpResult result = ImageEngine::process(KelvaroOp::scan(), {first, large, last}, outDir.path(), {}, settings);
        EXPECT_EQ(result.failures, QStringList{KelvaroError::notEnoughMemory(QStringLiteral("large.jpg")).message(language)});
        EXPECT_EQ(result.failed, 1);
        ASSERT_EQ(result.outputs.size(), 1);
        EXPECT_EQ(test::pdfPageSizes(result.outputs.first()).size(), 2);
    }
}

// The input's opens counted by the kernel (inotify), so every library's opening counts.
class OpenCounter {
public:
    explicit OpenCounter(const QString& file) : m_fd(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC))
    {
        EXPECT_GE(::inotify_add_watch(m_fd, NativePath::encoded(file).constData(), IN_OPEN), 0);
    }
    ~OpenCounter() { ::close(m_fd); }
    OpenCounter(const OpenCounter&) = delete;
    OpenCounter& operator=(const OpenCounter&) = delete;
    // The opens since the last call.
    int opens()
    {
        int count = 0;
        alignas(inotify_event) char buffer[4096];
        for (ssize_t n; (n = ::read(m_fd, buffer, sizeof buffer)) > 0;) {
            for (char* at = buffer; at < buffer + n; at += sizeof(inotify_event) + reinterpret_cast<inotify_event*>(at)->len)
                count += (reinterpret_cast<inotify_event*>(at)->mask & IN_OPEN) != 0;
        }
        return count;
    }

private:
    int m_fd;
};

// Pricing a file opens it once, whatever the file and whatever the pricing asks (its kind, size,
// loader, sample format, a PDF page's forms): a run under a hard memory limit that every file
// exceeds prices each file and then refuses it, opening nothing more.
TEST_F(Batch, pricingAFileOpensItOnce)
{
    const QStringList files = {
        ti::writeJpeg(in(), QStringLiteral("photo.jpg"), ti::quadrants(400, 300), ti::oriented(6)),
        ti::writePng16(in(), QStringLiteral("deep.png"), ti::quadrants(400, 300)),
        ti::writeHeic(in(), QStringLiteral("phone.heic"), ti::quadrants(400, 300)),
        ti::writeBmp(in(), QStringLiteral("old.bmp"), ti::quadrants(400, 300)),
        ti::writePdf(in(), QStringLiteral("page.pdf"), QSizeF(200, 100)),
        ti::writeFormFanOut(in(), QStringLiteral("forms.jpg"), 20, 6),
    };
    const test::MachineMemory machine(qint64(8) << 30, 1);
    for (const KelvaroOp& op : {KelvaroOp::compress(0.5), KelvaroOp::adjust(AdjustSpec{.turns = 1})}) {
        for (const QString& file : files) {
            SCOPED_TRACE(QFileInfo(file).fileName().toStdString() + (op.is<op::Compress>() ? ", compressed" : ", turned"));
            OpenCounter counter(file);
            const auto refused = test::thrown<KelvaroError>([&] { ImageEngine::process(op, {file}, out()); });
            ASSERT_TRUE(refused);
            EXPECT_EQ(refused->message(), KelvaroError::notEnoughMemory(file).message());
            EXPECT_EQ(counter.opens(), 1);
        }
    }
}

// This process's resident memory in bytes.
qint64 residentBytes()
{
    const QList<QByteArray> fields = test::readFile(QStringLiteral("/proc/self/statm")).split(' ');
    return fields.value(1).toLongLong() * ::sysconf(_SC_PAGESIZE);
}

// When a run ends, what its photos took goes back to the system: a run of large photos leaves
// the process about where it started.
TEST_F(Batch, aRunOfLargePhotosGivesItsMemoryBackWhenItEnds)
{
#ifdef KELVARO_TEST_SANITIZED
    GTEST_SKIP() << "the sanitizer's allocator keeps freed memory for its own checks";
#endif
    const vips::VImage noise = vips::VImage::gaussnoise(6000, 4000, vips::VImage::option()->set("sigma", 30.0)) + 128;
    const Bitmap large = normalizedBitmap(noise.bandjoin(noise.flip(VIPS_DIRECTION_HORIZONTAL)).bandjoin(noise).cast(VIPS_FORMAT_UCHAR));
    QStringList files;
    for (int i = 0; i < 6; ++i)
        files << ti::writeJpeg(in(), QStringLiteral("P%1.jpg").arg(i), large);
    ImageEngine::setStreaming(false);
    const auto streamAgain = qScopeGuard([] { ImageEngine::setStreaming(true); });
    const KelvaroOp adjust = KelvaroOp::adjust(AdjustSpec{0, false, false, 0.05, 1.1, false});
    // What the first run costs once (libraries' tables, the threads of as many workers and the
    // heaps they allocate from) belongs to no run: a first run of one photo left the workers'
    // threads and heaps to the measured run, which on a busy machine took 18 MB of them.
    {
        QTemporaryDir first;
        ImageEngine::process(adjust, files, first.path());
    }
    const qint64 before = residentBytes();
    const OpResult result = ImageEngine::process(adjust, files, out());
    ASSERT_EQ(result.outputs.size(), files.size());
    EXPECT_LT(residentBytes() - before, qint64(16) << 20) << "held " << (residentBytes() - before) / 1024 / 1024 << " MB";
}

// The segmentation network is kept for the next run a while after the last one, counted in the
// budget, and let go once no run has been open that long: a watched folder that removed
// backgrounds one photo a run loaded it again for every photo, and letting it go at the last run's
// end had an idle application keep it for good before that.
TEST_F(Batch, theSegmentationNetworkIsKeptForTheNextRunAndLetGoOnceIdleForItsTime)
{
    using std::chrono::seconds;
    MemoryBudget& budget = MemoryBudget::shared();
    test::HandClock clock(budget);
    const QString photo = ti::writeJpeg(in(), QStringLiteral("subject.jpg"), ti::quadrants(80, 60));
    ImageEngine::process(KelvaroOp::removeBackground(), {photo}, out());
    const std::shared_ptr<const detectors::ForegroundSegmenter> network = detectors::ForegroundSegmenter::loaded();
    ASSERT_NE(network, nullptr) << "let go when the run ended";
    EXPECT_EQ(budget.kept(), network->workingBytes());
    EXPECT_EQ(budget.inUse(), network->workingBytes());
    const std::chrono::milliseconds ended = clock.now();
    ASSERT_TRUE(clock.moveTo(ended + seconds(29)));
    EXPECT_EQ(detectors::ForegroundSegmenter::loaded(), network) << "let go before it was idle for its time";

    // The next photo's run takes the network kept, which counts then in its files' price alone.
    ImageEngine::process(KelvaroOp::removeBackground(), {photo}, out());
    EXPECT_EQ(detectors::ForegroundSegmenter::loaded(), network) << "loaded again for the next run";
    EXPECT_EQ(budget.kept(), network->workingBytes());
    const std::chrono::milliseconds endedAgain = clock.now();
    ASSERT_TRUE(clock.moveTo(endedAgain + seconds(30)));
    ASSERT_TRUE(test::waitUntil([] { return detectors::ForegroundSegmenter::loaded() == nullptr; })) << "never let go";
    EXPECT_EQ(budget.kept(), 0);
    EXPECT_EQ(budget.inUse(), 0);
}

// The next background removal within the keep window takes the network kept from the last one:
// counted twice (in the group's usage and again in its photo's price), the photo was refused under
// a hard limit that fits one network and one photo, or the network was let go for it and loaded
// again beside the first. A stand-in counts its loads and declares what it holds.
TEST_F(Batch, theNextBackgroundRemovalUnderAHardLimitTakesTheNetworkKept)
{
    constexpr qint64 kNetwork = 300'000'000;
    MemoryBudget& budget = MemoryBudget::shared();
    const test::StandInNetwork network(kNetwork);
    test::HandClock clock(budget); // the keep window stays open
    const QString first = photo(QStringLiteral("first.jpg"), 400, 300);
    const QString second = photo(QStringLiteral("second.jpg"), 400, 300);
    const qint64 photoAlone = ImageEngine::memoryPrice(KelvaroOp::removeBackground(), first) - kNetwork;
    ASSERT_GT(photoAlone, 0);
    test::MachineMemory machine(qint64(8) << 30, kNetwork + 2 * photoAlone);

    const OpResult made = ImageEngine::process(KelvaroOp::removeBackground(), {first}, out());
    ASSERT_EQ(made.outputs.size(), 1) << made.firstError.value_or(QString()).toStdString();
    ASSERT_EQ(budget.kept(), kNetwork);
    machine.use(kNetwork); // the network kept is in the group's usage

    QTemporaryDir next;
    const OpResult result = ImageEngine::process(KelvaroOp::removeBackground(), {second}, next.path());
    EXPECT_EQ(result.outputs.size(), 1) << result.firstError.value_or(QString()).toStdString();
    EXPECT_EQ(result.failed, 0);
    EXPECT_EQ(network.loads(), 1) << "the network was loaded again";
    EXPECT_EQ(budget.kept(), kNetwork);
}

// Once let go, the segmentation network's memory goes back to the system: an idle application
// kept its hundreds of megabytes for good after one background was removed.
TEST_F(Batch, theSegmentationNetworkLetGoGivesItsMemoryBack)
{
#ifdef KELVARO_TEST_SANITIZED
    GTEST_SKIP() << "the sanitizer's allocator keeps freed memory for its own checks";
#endif
    if (detectors::modelFile(QLatin1String(detectors::segmentationModel)).isEmpty())
        GTEST_SKIP() << "no segmentation model (scripts/install-models installs it)";
    test::HandClock clock(MemoryBudget::shared());
    const QString photo = ti::writeJpeg(in(), QStringLiteral("subject.jpg"), ti::quadrants(800, 600));
    // What the first run costs once (libraries' tables, threads) belongs to no run.
    ImageEngine::process(KelvaroOp::convert(ImageFormat::png), {photo}, out());
    const qint64 before = residentBytes();
    ImageEngine::process(KelvaroOp::removeBackground(), {photo}, out());
    ASSERT_TRUE(clock.moveTo(clock.now() + std::chrono::minutes(1)));
    // Freed on the budget's own thread.
    EXPECT_TRUE(test::waitUntil([&] { return residentBytes() - before < (qint64(160) << 20); }))
        << "held " << (residentBytes() - before) / 1024 / 1024 << " MB";
}

// A file of a run that removes backgrounds is priced with the segmentation network it runs,
// a workflow's step as much as the operation itself: priced without it, files were let in beside
// a network of hundreds of megabytes that the budget had no room for.
TEST_F(Batch, aRunThatRemovesBackgroundsIsPricedWithTheNetwork)
{
    constexpr qint64 kNetwork = 123'000'000;
    struct Network : test::FixedMask {
        explicit Network(qint64 bytes) : FixedMask([](cv::Size size) { return cv::Mat(size, CV_8U, cv::Scalar(255)); }), held(bytes) {}
        qint64 workingBytes() const override { return held; }
        qint64 held;
    };
    const QString file = photo(QStringLiteral("a.jpg"), 400, 300);
    // The price with a network of `bytes`.
    const auto priced = [&](const KelvaroOp& op, qint64 bytes) {
        const test::ScopedDetector<detectors::ForegroundSegmenter> network(std::make_shared<Network>(bytes));
        return ImageEngine::memoryPrice(op, file);
    };
    const auto step = [](WorkflowStep::Kind kind) {
        WorkflowStep made;
        made.kind = kind;
        return made;
    };
    const auto workflow = [&](QList<WorkflowStep> steps) {
        return KelvaroOp::workflow(Workflow{.name = QStringLiteral("Tok"), .steps = std::move(steps), .format = QStringLiteral("png")});
    };
    const struct {
        const char* name;
        KelvaroOp op;
        qint64 network;
    } rows[] = {
        {"removeBackground", KelvaroOp::removeBackground(), kNetwork},
        {"aWorkflowStep",
         workflow({step(WorkflowStep::Kind::adjust), step(WorkflowStep::Kind::removeBackground), step(WorkflowStep::Kind::watermark)}),
         kNetwork},
        {"aWorkflowWithout", workflow({step(WorkflowStep::Kind::adjust), step(WorkflowStep::Kind::watermark)}), 0},
        {"blurFaces", KelvaroOp::blurFaces(), 0},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const qint64 light = priced(row.op, 0);
        EXPECT_GT(light, 0);
        EXPECT_EQ(priced(row.op, kNetwork) - light, row.network);
    }
}

// A photo turned upright on its way holds itself whole only until its encoder has read it: it is
// let in at what it holds without the turn, asks for the turn's share when the turn starts, and
// gives it back before its metadata is written back. Priced with the turn for its whole life, it
// waited for room it did not need yet and kept that room from other files once written. Sixteen
// bits a sample, read by the turn one band at a time, never hold the strips the encoder's threads
// would pull: the turned copy takes their place.
TEST_F(Batch, aTurnedPhotoHoldsItsTurnOnlyWhileItIsTurned)
{
    constexpr qint64 MB = 1'000'000;
#ifdef KELVARO_TEST_SANITIZED
    // ThreadSanitizer checks every turned pixel against libvips' own buffers: minutes for 3 MP.
    constexpr int kWidth = 400, kHeight = 300;
#else
    constexpr int kWidth = 2000, kHeight = 1500;
#endif
    constexpr qint64 kPixels = qint64(kWidth) * kHeight;
    const Bitmap pixels = ti::quadrants(kWidth, kHeight);
    // The photo stored as `name` with EXIF orientation `orientation`, eight bits a sample or sixteen.
    const auto write = [&](const QString& name, int orientation, bool deep) {
        if (!deep)
            return ti::writeJpeg(in(), name + QStringLiteral(".jpg"), pixels, ti::oriented(orientation));
        const QString path = QDir(in()).filePath(name + QStringLiteral(".tif"));
        vips::VImage wide = (pixels.extract_band(0, vips::VImage::option()->set("n", 3)).cast(VIPS_FORMAT_USHORT) * 257)
                                .cast(VIPS_FORMAT_USHORT)
                                .copy(vips::VImage::option()->set("interpretation", VIPS_INTERPRETATION_RGB16));
        wide.set(VIPS_META_ORIENTATION, orientation);
        wide.tiffsave(NativePath::encoded(path).constData());
        return path;
    };
    struct Restore {
        ~Restore() { MemoryBudget::setAvailableMemoryOverride(std::nullopt); }
    } restore;
    MemoryBudget::setAvailableMemoryOverride(1000 * MB);
    MemoryBudget& budget = MemoryBudget::shared();
    const MemoryBudget::Run others(budget); // another run: its files hold the rest
    constexpr qint64 kLimit = 500 * MB;
    ASSERT_EQ(budget.limit(), kLimit);
    const KelvaroOp op = KelvaroOp::convert(ImageFormat::tiff);
    const struct {
        const char* name;
        bool deep;
        qint64 strips; // what the decoder's strips are priced at, given back when the turn starts
    } rows[] = {
        {"colour", false, 0},
        {"sixteenBits", true, qint64(double(kPixels) * 3)},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const QString turned = write(QStringLiteral("%1-turned").arg(row.name), 6, row.deep);
        const qint64 price = ImageEngine::memoryPrice(op, turned);
        EXPECT_EQ(price, ImageEngine::memoryPrice(op, write(QStringLiteral("%1-upright").arg(row.name), 1, row.deep)))
            << "priced with its turn from the start";
        EXPECT_GE(price, row.strips);
        const qint64 turn = kPixels * 3;
        const QString results = QDir(out()).filePath(QLatin1String(row.name));
        ASSERT_TRUE(QDir().mkpath(results));

        const auto written = [&] {
            const QFileInfoList parts = QDir(results).entryInfoList(QDir::Files | QDir::Hidden);
            return !parts.isEmpty() && parts.first().size() > 0;
        };
        test::BudgetHold held(budget);
        // Room for the file as let in, not with its turn where that is more than the strips.
        ASSERT_TRUE(held.acquire(kLimit - price - (turn - row.strips) / 2));
        test::RunAside run([&](const RunHooksPtr& hooks) { return ImageEngine::process(op, {turned}, results, hooks); });
        ASSERT_TRUE(test::waitUntil([&] { return budget.growing() == 1 || budget.waiting() == 1; }));
        ASSERT_EQ(budget.growing(), 1) << "not let in without its turn";
        // Sixteen bits go on to their rewrite: the copy fits where the strips were.
        EXPECT_EQ(written(), row.strips >= turn);
        EXPECT_EQ(budget.inUse(), held.held() + price - row.strips);

        // Room for the turn, not for the metadata's rewrite, which comes once the file is written.
        held.release(turn);
        ASSERT_TRUE(test::waitUntil([&] { return budget.growing() == 1 && written(); })) << "never asked for the rewrite";
        EXPECT_EQ(budget.inUse(), held.held() + price - row.strips) << "the turn still held once the file was written";

        held.release(held.held());
        ASSERT_TRUE(run.finished());
        EXPECT_EQ(run.result().outputs.size(), 1);
        EXPECT_EQ(budget.inUse(), 0);
    }
}

// A source whose decoder holds it whole while it streams to the encoder (WebP, HEIC and GIF decode
// whole, a progressive JPEG keeps every coefficient, an interlaced PNG every pass) is priced with
// at least its decoded pixels beyond the same photo as a baseline JPEG: priced as a streaming
// decoder, it let photos in beside it that did not fit.
TEST_F(Batch, aSourceItsDecoderHoldsWholeIsPricedWithItsPixels)
{
    constexpr int kWidth = 600, kHeight = 400;
    constexpr qint64 kPixels = qint64(kWidth) * kHeight;
    const Bitmap pixels = ti::quadrants(kWidth, kHeight).extract_band(0, vips::VImage::option()->set("n", 3));
    const auto saved = [&](const QString& name, const std::function<void(const QByteArray&)>& save) {
        const QString path = QDir(in()).filePath(name);
        save(NativePath::encoded(path));
        return path;
    };
    const struct {
        const char* name;
        QString file;
    } rows[] = {
        {"webp", ti::writeWebp(in(), QStringLiteral("p.webp"), pixels)},
        {"heic", ti::writeHeic(in(), QStringLiteral("p.heic"), pixels)},
        {"gif", ti::writeGif(in(), QStringLiteral("p.gif"), pixels)},
        {"progressiveJpeg", saved(QStringLiteral("progressive.jpg"), [&](const QByteArray& path) {
             pixels.jpegsave(path.constData(), vips::VImage::option()->set("interlace", true));
         })},
        {"interlacedPng", saved(QStringLiteral("interlaced.png"), [&](const QByteArray& path) {
             pixels.pngsave(path.constData(), vips::VImage::option()->set("interlace", true));
         })},
    };
    const KelvaroOp op = KelvaroOp::convert(ImageFormat::tiff);
    const qint64 baseline = ImageEngine::memoryPrice(op, ti::writeJpeg(in(), QStringLiteral("baseline.jpg"), pixels));
    ASSERT_GT(baseline, 0);
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        ASSERT_EQ(ImageEngine::uprightSize(row.file), QSize(kWidth, kHeight));
        EXPECT_TRUE(ImageEngine::decoderHoldsWhole(row.file));
        EXPECT_GE(ImageEngine::memoryPrice(op, row.file) - baseline, 3 * kPixels);
    }
}

// A photo that streams is never held whole, whatever it does to the colours: a colour adjustment
// is priced as a plain conversion to the same format, and only held whole (streaming off) with the
// copy it makes.
TEST_F(Batch, aStreamedPhotoIsPricedWithoutACopy)
{
    const QString file = photo(QStringLiteral("p.jpg"), 600, 400);
    const KelvaroOp adjust = KelvaroOp::adjust(AdjustSpec{0, false, false, 0.1, 1.2, false});
    const KelvaroOp convert = KelvaroOp::convert(ImageFormat::jpg);
    ASSERT_EQ(ImageEngine::outputOf(adjust, file, {}).format, ImageFormat::jpg);
    EXPECT_EQ(ImageEngine::memoryPrice(adjust, file), ImageEngine::memoryPrice(convert, file));
    ImageEngine::setStreaming(false);
    const auto streamAgain = qScopeGuard([] { ImageEngine::setStreaming(true); });
    EXPECT_GT(ImageEngine::memoryPrice(adjust, file), ImageEngine::memoryPrice(convert, file));
}

// A photo turned upright on its way whose decoder holds the whole source (a progressive JPEG)
// holds the decoder's share through the turn, and gives it back once the turn has read the last
// pixel, before its metadata is written back; a baseline JPEG's decoder holds nothing of the kind.
TEST_F(Batch, aDecoderHoldingTheWholeSourceHoldsItThroughATurnAndGivesItBackAfter)
{
    constexpr qint64 MB = 1'000'000;
#ifdef KELVARO_TEST_SANITIZED
    constexpr int kWidth = 400, kHeight = 300;
#else
    constexpr int kWidth = 2000, kHeight = 1500;
#endif
    constexpr qint64 kPixels = qint64(kWidth) * kHeight;
    const Bitmap pixels = ti::quadrants(kWidth, kHeight).extract_band(0, vips::VImage::option()->set("n", 3));
    const auto write = [&](const QString& name, bool progressive) {
        const QString path = QDir(in()).filePath(name);
        vips::VImage oriented = pixels.copy();
        oriented.set(VIPS_META_ORIENTATION, 6);
        oriented.jpegsave(NativePath::encoded(path).constData(), vips::VImage::option()->set("interlace", progressive));
        return path;
    };
    struct Restore {
        ~Restore() { MemoryBudget::setAvailableMemoryOverride(std::nullopt); }
    } restore;
    MemoryBudget::setAvailableMemoryOverride(1000 * MB);
    MemoryBudget& budget = MemoryBudget::shared();
    const MemoryBudget::Run others(budget); // another run: its files hold the rest
    constexpr qint64 kLimit = 500 * MB;
    ASSERT_EQ(budget.limit(), kLimit);
    const KelvaroOp op = KelvaroOp::convert(ImageFormat::tiff);
    const struct {
        const char* name;
        bool progressive;
    } rows[] = {{"baseline", false}, {"progressive", true}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const QString turned = write(QStringLiteral("%1.jpg").arg(row.name), row.progressive);
        const qint64 price = ImageEngine::memoryPrice(op, turned);
        const qint64 decoder = qint64(double(kPixels) * ImageEngine::decoderHeldBytes(turned));
        EXPECT_EQ(decoder > 0, row.progressive);
        const qint64 turn = kPixels * 3;
        const QString results = QDir(out()).filePath(QLatin1String(row.name));
        ASSERT_TRUE(QDir().mkpath(results));
        const auto written = [&] {
            const QFileInfoList parts = QDir(results).entryInfoList(QDir::Files | QDir::Hidden);
            return !parts.isEmpty() && parts.first().size() > 0;
        };
        test::BudgetHold held(budget);
        ASSERT_TRUE(held.acquire(kLimit - price - turn / 2));
        test::RunAside run([&](const RunHooksPtr& hooks) { return ImageEngine::process(op, {turned}, results, hooks); });
        ASSERT_TRUE(test::waitUntil([&] { return budget.growing() == 1 || budget.waiting() == 1; }));
        ASSERT_EQ(budget.growing(), 1) << "not let in";
        EXPECT_EQ(budget.inUse(), held.held() + price) << "the decoder's share given back before the turn read the photo";

        // Room for the turn to the byte: the metadata's rewrite, which comes once the file is
        // written, waits.
        held.release(turn / 2);
        ASSERT_TRUE(test::waitUntil([&] { return budget.growing() == 1 && written(); })) << "never asked for the rewrite";
        EXPECT_EQ(budget.inUse(), held.held() + price - decoder) << "the decoder's share still held once the photo was turned";

        held.release(held.held());
        ASSERT_TRUE(run.finished());
        EXPECT_EQ(run.result().outputs.size(), 1);
        EXPECT_EQ(budget.inUse(), 0);
    }
}

TEST_F(Batch, renameNumbersByPositionWithEachOwnExtensionAndCopiesByteForByte)
{
    const QStringList files{photo(QStringLiteral("a.jpg")), photo(QStringLiteral("b.png")), photo(QStringLiteral("c.jpg")),
                            ti::writeTiff(in(), QStringLiteral("d.tiff"), ti::quadrants(10, 10))};
    test::writeFile(outFile(QStringLiteral("Dovolená_002.png")), {});
    const OpResult result = ImageEngine::process(KelvaroOp::rename({QStringLiteral("Dovolená"), true, 1}), files, out());
    EXPECT_EQ(test::fileNames(result.outputs), (QStringList{QStringLiteral("Dovolená_001.jpg"), QStringLiteral("Dovolená_002 2.png"),
                                                  QStringLiteral("Dovolená_003.jpg"), QStringLiteral("Dovolená_004.tiff")}));
    for (int i = 0; i < files.size(); ++i) {
        EXPECT_EQ(test::readFile(files[i]), test::readFile(result.outputs[i])); // the originals stay
        EXPECT_EQ(result.entries[i].savedBytes, 0);
    }
    EXPECT_EQ(QFileInfo(outFile(QStringLiteral("Dovolená_002.png"))).size(), 0); // the taken file is untouched

    const OpResult plainNames = ImageEngine::process(KelvaroOp::rename({QStringLiteral("Léto"), false, 1}), files.mid(0, 3), out());
    EXPECT_EQ(test::fileNames(plainNames.outputs), (QStringList{QStringLiteral("Léto.jpg"), QStringLiteral("Léto.png"), QStringLiteral("Léto 2.jpg")}));
    const OpResult ownNames = ImageEngine::process(KelvaroOp::rename({QString(), true, 1}), files.mid(0, 2), out());
    EXPECT_EQ(test::fileNames(ownNames.outputs), (QStringList{QStringLiteral("a_001.jpg"), QStringLiteral("b_002.png")}));
    // The first file fails; the second still takes its own position's number.
    const OpResult afterFailure = ImageEngine::process(KelvaroOp::rename({QStringLiteral("X"), true, 7}),
                                                       {QDir(in()).filePath(QStringLiteral("gone.jpg")), files[0]}, out());
    EXPECT_EQ(test::fileNames(afterFailure.outputs), (QStringList{QStringLiteral("X_008.jpg")}));
    EXPECT_TRUE(afterFailure.firstError && afterFailure.firstError->contains(QStringLiteral("gone.jpg")));
}

// A name as long as the folder takes keeps its number and, when taken, its counter: the base
// gives way, the same in the name the rename sheet shows.
TEST_F(Batch, aLongRenamedNameKeepsItsNumberAndCounter)
{
    const QString longBase = QString(125, QChar(0x010D)); // č, 250 bytes
    const QString source = photo(longBase + QStringLiteral(".jpg"));
    const struct {
        const char* name;
        RenameSpec spec;
    } rows[] = {
        {"ownName", {QString(), true, 1}},
        {"typedName", {QStringLiteral("\U0001F4F7").repeated(62), true, 41}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        QTemporaryDir results;
        const QString number = QStringLiteral("_%1").arg(row.spec.start, 3, 10, QLatin1Char('0'));
        QStringList names;
        for (int run = 0; run < 2; ++run) {
            const OpResult result = ImageEngine::process(KelvaroOp::rename(row.spec), {source}, results.path());
            ASSERT_EQ(result.outputs.size(), 1) << result.firstError.value_or(QString()).toStdString();
            names << QFileInfo(result.outputs[0]).fileName();
        }
        EXPECT_TRUE(names[0].endsWith(number + QStringLiteral(".jpg"))) << names[0].toStdString();
        EXPECT_TRUE(names[1].endsWith(number + QStringLiteral(" 2.jpg"))) << names[1].toStdString();
        EXPECT_EQ(ImageEngine::renamedFileName(row.spec, QFileInfo(source).fileName(), 0), names[0]);
        for (const QString& name : names)
            EXPECT_LE(QFile::encodeName(name).size(), 255) << name.toStdString();
    }
}

// A file whose name is not UTF-8 is copied by a rename and taken by a move like any other; the
// move keeps its name.
TEST_F(Batch, moveAndRenameTakeAFileWhoseNameIsNotUtf8)
{
    const QString name = NativePath::decoded(QByteArray("bad-\xff.jpg"));
    const struct {
        const char* name;
        KelvaroOp op;
        QString result;
        bool sourceStays;
    } rows[] = {
        {"rename", KelvaroOp::rename({QStringLiteral("Nové"), false, 1}), QStringLiteral("Nové.jpg"), true},
        {"move", KelvaroOp::move(), name, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const QString source = photo(name);
        const QByteArray native = NativePath::encoded(source);
        const auto removeSource = qScopeGuard([&] { ::unlink(native.constData()); }); // Qt's listing would not find it
        QTemporaryDir results;
        const OpResult result = ImageEngine::process(row.op, {source}, results.path());
        ASSERT_EQ(result.outputs.size(), 1) << result.firstError.value_or(QString()).toStdString();
        const auto removeResult = qScopeGuard([&] { ::unlink(NativePath::encoded(result.outputs[0]).constData()); });
        EXPECT_EQ(QFileInfo(result.outputs[0]).fileName(), row.result);
        EXPECT_EQ(ti::pixelSize(result.outputs[0]), QSize(40, 30));
        EXPECT_EQ(::access(native.constData(), F_OK) == 0, row.sourceStays);
        EXPECT_EQ(result.keptOriginals, 0);
    }
}

// A results folder whose own name is not UTF-8 gets every kind of result whole, under the name
// reported; no folder of a look-alike name is made and no part file stays.
TEST_F(Batch, aResultsFolderWhoseNameIsNotUtf8GetsEveryResultWhole)
{
    const QString folderName = NativePath::decoded(QByteArray("v\xe9sledky"));
    const QString folder = out() + QLatin1Char('/') + folderName;
    ASSERT_EQ(::mkdir(NativePath::encoded(folder).constData(), 0777), 0);
    const auto removeFolder = qScopeGuard([&] { ::rmdir(NativePath::encoded(folder).constData()); }); // Qt would not find it
    const struct {
        const char* name;
        KelvaroOp op;
        bool streaming;
        QString result;
    } rows[] = {
        {"a streamed HEIC", KelvaroOp::convert(ImageFormat::heic), true, QStringLiteral("p.heic")},
        {"a rendered HEIC", KelvaroOp::convert(ImageFormat::heic), false, QStringLiteral("p.heic")},
        {"a streamed JPEG", KelvaroOp::compress(0.8), true, QStringLiteral("p komprese.jpg")},
        {"a rendered PNG", KelvaroOp::convert(ImageFormat::png), false, QStringLiteral("p.png")},
        {"a rename", KelvaroOp::rename({QStringLiteral("Nové"), false, 1}), true, QStringLiteral("Nové.jpg")},
        {"a move", KelvaroOp::move(), true, QStringLiteral("p.jpg")},
        {"a PDF", KelvaroOp::convert(ImageFormat::pdf), true, QStringLiteral("p.pdf")},
        {"an archive", KelvaroOp::convert(ImageFormat::zip), true, QStringLiteral("p.zip")},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const QString source = photo(QStringLiteral("p.jpg"));
        const QByteArray sourceBytes = test::readFile(source);
        ImageEngine::setStreaming(row.streaming);
        const auto streamAgain = qScopeGuard([] { ImageEngine::setStreaming(true); });
        const OpResult result = ImageEngine::process(row.op, {source}, folder);
        const QString expected = folder + QLatin1Char('/') + row.result;
        ASSERT_EQ(result.outputs, QStringList{expected}) << result.firstError.value_or(QString()).toStdString();
        EXPECT_EQ(test::namesIn(folder), QStringList{row.result});
        const QByteArray written = test::readFile(expected);
        if (row.result.endsWith(QLatin1String(".zip")))
            EXPECT_TRUE(written.startsWith("PK\x03\x04") && written.contains(sourceBytes));
        else if (row.op.is<op::Move>() || row.op.is<op::Rename>())
            EXPECT_EQ(written, sourceBytes);
        else
            EXPECT_GT(ImageEngine::load(expected).image.width(), 0);
        ::unlink(NativePath::encoded(expected).constData());
    }
    EXPECT_EQ(test::namesIn(out()), QStringList{folderName});
}

// A name that is not UTF-8 reads as text in what the run reports, the byte as the replacement
// mark; the source path keeps the byte, so the file still opens.
TEST_F(Batch, aFileNameThatIsNotUtf8IsReportedAsValidText)
{
    const QString good = photo(NativePath::decoded(QByteArray("good-\xe9.jpg")));
    const QString cut = photo(NativePath::decoded(QByteArray("c\xe9" "d.jpg")));
    const auto removeSources = qScopeGuard([&] {
        for (const QString& file : {good, cut})
            ::unlink(NativePath::encoded(file).constData()); // Qt's listing would not find them
    });
    ASSERT_EQ(::truncate(NativePath::encoded(cut).constData(), 100), 0);
    const OpResult result = ImageEngine::process(KelvaroOp::compress(0.6), {good, cut}, out());
    const auto removeResults = qScopeGuard([&] {
        for (const QString& output : result.outputs)
            ::unlink(NativePath::encoded(output).constData());
    });
    ASSERT_EQ(result.entries.size(), 1);
    EXPECT_EQ(result.entries[0].fileName, QStringLiteral("good-\uFFFD.jpg"));
    EXPECT_EQ(result.entries[0].sourcePath, good);
    ASSERT_EQ(result.failures.size(), 1);
    const QString message = result.failures[0];
    EXPECT_TRUE(message.contains(QStringLiteral("\u201Ec\uFFFDd.jpg\u201C"))) << message.toStdString();
    EXPECT_EQ(QString::fromUtf8(message.toUtf8()), message); // no lone surrogate left
    EXPECT_EQ(result.firstError, message);
}

TEST_F(Batch, moveTakesTheFileAndRecordsIt)
{
    const QString file = photo(QStringLiteral("m.jpg"));
    const QByteArray bytes = test::readFile(file);
    const OpResult result = ImageEngine::process(KelvaroOp::move(), {file}, out());
    ASSERT_EQ(result.outputs, QStringList{outFile(QStringLiteral("m.jpg"))});
    EXPECT_FALSE(QFileInfo::exists(file));
    EXPECT_EQ(test::readFile(result.outputs.first()), bytes);
    EXPECT_EQ(result.moves, (QList<FileMove>{{file, result.outputs.first()}}));
    EXPECT_EQ(result.keptOriginals, 0);
}

TEST_F(Batch, moveKeepsTheOriginalWhenItCannotBeRemovedAndEverythingWhenTheCopyFails)
{
    ScriptedFiles scripted;
    scripted.refuseRemoval = true;
    FileSystem::setCurrent(&scripted);
    const QString file = photo(QStringLiteral("m.jpg"));
    const OpResult kept = ImageEngine::process(KelvaroOp::move(), {file, photo(QStringLiteral("n.png"))}, out());
    EXPECT_EQ(test::fileNames(kept.outputs), (QStringList{QStringLiteral("m.jpg"), QStringLiteral("n.png")}));
    EXPECT_TRUE(QFileInfo::exists(file));
    EXPECT_EQ(kept.moves.size(), 2);
    EXPECT_EQ(kept.keptOriginals, 2);
    EXPECT_EQ(kept.failed, 0);

    scripted.refuseRemoval = false;
    scripted.failCopyOf = {QStringLiteral("m.jpg")};
    const OpResult failed = ImageEngine::process(KelvaroOp::move(), {file, photo(QStringLiteral("n.jpg"))}, out());
    EXPECT_EQ(test::fileNames(failed.outputs), QStringList{QStringLiteral("n.jpg")});
    EXPECT_EQ(failed.failed, 1);
    EXPECT_EQ(failed.firstError, KelvaroError::copyFailed(QStringLiteral("m.jpg")).message());
    EXPECT_TRUE(QFileInfo::exists(file));
    EXPECT_EQ(outNames(), (QStringList{QStringLiteral("m.jpg"), QStringLiteral("n.jpg"), QStringLiteral("n.png")})); // the claimed name was given back
    EXPECT_EQ(failed.moves.size(), 1);
}

// Every file change the engine makes goes through the file-system seam: a result that cannot be
// put in place fails with its name, and a failed file's part file is removed through the seam, so
// nothing stays behind and no result name was ever taken.
TEST_F(Batch, failedFilesReportTheirNameAndLeaveNothingRemovingThroughTheSeam)
{
    const QString photo = this->photo(QStringLiteral("a.jpg"));
    // Wider than JPEG can be: refused as the format's limit once its part file is made.
    const QString wide = ti::writePng(in(), QStringLiteral("wide.png"), ti::quadrants(70000, 8));
    const QRegularExpression temporary(QStringLiteral("^\\.kelvaro-.*\\.part$"));
    const struct {
        const char* name;
        std::function<void()> run;
        bool refusePlacing;
        QString error;
    } rows[] = {
        {"a streamed result refused its place", [&] { ImageEngine::process(KelvaroOp::compress(0.6), {photo}, out()); }, true,
         KelvaroError::writeFailed(QStringLiteral("a komprese.jpg")).message()},
        {"a rendered result refused its place",
         [&] {
             ImageEngine::setStreaming(false);
             const auto streamAgain = qScopeGuard([] { ImageEngine::setStreaming(true); });
             ImageEngine::process(KelvaroOp::compress(0.6), {photo}, out());
         },
         true, KelvaroError::writeFailed(QStringLiteral("a komprese.jpg")).message()},
        {"a streamed result the encoder refuses", [&] { ImageEngine::process(KelvaroOp::compress(0.6), {wide}, out()); }, false,
         KelvaroError::encodeFailed(QStringLiteral("wide komprese.jpg")).message()},
        {"a rendered result the encoder refuses",
         [&] {
             ImageEngine::setStreaming(false);
             const auto streamAgain = qScopeGuard([] { ImageEngine::setStreaming(true); });
             ImageEngine::process(KelvaroOp::compress(0.6), {wide}, out());
         },
         false, KelvaroError::encodeFailed(QStringLiteral("wide komprese.jpg")).message()},
        {"a copy refused", [&] { ImageEngine::process(KelvaroOp::move(), {wide}, out()); }, false,
         KelvaroError::copyFailed(QStringLiteral("wide.png")).message()},
        {"a scan with no page", [&] { ImageEngine::scanToPDF({ti::writeGarbage(in(), QStringLiteral("b.jpg"))}, out()); }, false,
         KelvaroError::unreadable(QStringLiteral("b.jpg")).message()},
        {"a combined PDF refused its place", [&] { ImageEngine::process(KelvaroOp::convert(ImageFormat::pdf), {photo}, out()); },
         true, KelvaroError::writeFailed(QStringLiteral("a.pdf")).message()},
        {"an archive refused its place", [&] { ImageEngine::process(KelvaroOp::convert(ImageFormat::zip), {photo}, out()); },
         true, KelvaroError::writeFailed(QStringLiteral("a.zip")).message()},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        ScriptedFiles scripted;
        scripted.refusePlacing = row.refusePlacing;
        scripted.failCopyOf = {QStringLiteral("wide.png")};
        FileSystem::setCurrent(&scripted);
        const std::optional<KelvaroError> error = test::thrown<KelvaroError>(row.run);
        EXPECT_EQ(error ? error->message() : QStringLiteral("no error"), row.error);
        FileSystem::setCurrent(nullptr);
        EXPECT_TRUE(QDir(out()).entryList(QDir::Files | QDir::Hidden).isEmpty())
            << QDir(out()).entryList(QDir::Files | QDir::Hidden).join(QLatin1Char(',')).toStdString();
        ASSERT_EQ(scripted.removed.size(), 1) << scripted.removed.join(QLatin1Char(',')).toStdString();
        EXPECT_TRUE(temporary.match(scripted.removed.first()).hasMatch()) << scripted.removed.first().toStdString();
    }
}

// Text and codes by image width, so each file of a batch reads as chosen.
class FakeReaders : public detectors::TextRecognizer, public detectors::CodeReader {
public:
    QStringList lines(const cv::Mat& image) const override
    {
        if (image.cols == 40)
            return {QStringLiteral("Účtenka"), QStringLiteral("celkem 120 Kč")};
        return image.cols == 42 ? QStringList{QStringLiteral("Druhá")} : QStringList{};
    }
    QStringList read(const cv::Mat& rgb) const override
    {
        if (rgb.cols == 40 || rgb.cols == 44)
            return {QStringLiteral("https://example.org/a"), QStringLiteral("https://example.org/a"), QStringLiteral("8595")};
        return {};
    }
};

TEST_F(Batch, textRecognitionJoinsTextAndCodesAndWritesTextFiles)
{
    const auto readers = std::make_shared<FakeReaders>();
    detectors::TextRecognizer::setOverride(readers);
    detectors::CodeReader::setOverride(readers);
    const QStringList files{photo(QStringLiteral("a.jpg"), 40), photo(QStringLiteral("b.jpg"), 41),
                            photo(QStringLiteral("c.jpg"), 42), photo(QStringLiteral("d.jpg"), 44)};
    const OpResult result = ImageEngine::process(KelvaroOp::ocr(), files, out());
    EXPECT_EQ(test::fileNames(result.outputs), (QStringList{QStringLiteral("a.txt"), QStringLiteral("b.txt"), QStringLiteral("c.txt"),
                                                  QStringLiteral("d.txt")}));
    const QString first = QStringLiteral("Účtenka\ncelkem 120 Kč\n\nKód: https://example.org/a\nKód: 8595");
    EXPECT_EQ(QString::fromUtf8(test::readFile(result.outputs[0])), first);
    EXPECT_EQ(test::readFile(result.outputs[1]), QByteArray()); // nothing found still gives a file
    EXPECT_EQ(QString::fromUtf8(test::readFile(result.outputs[3])), QStringLiteral("Kód: https://example.org/a\nKód: 8595"));
    EXPECT_EQ(result.text, first + QStringLiteral("\n\nDruhá\n\nKód: https://example.org/a\nKód: 8595"));
    // A run that finds nothing anywhere has no text to show.
    EXPECT_FALSE(ImageEngine::process(KelvaroOp::ocr(), {files[1]}, out()).text.has_value());
}

// A file system of `bytes` mounted for the test (tmpfs; needs the right to mount), filled but for
// what a case leaves free.
class SmallDisk {
public:
    SmallDisk(const QString& path, qint64 bytes) : m_path(path)
    {
        QDir().mkpath(path);
        const QByteArray options = "size=" + QByteArray::number(bytes);
        m_mounted = ::mount("tmpfs", QFile::encodeName(path).constData(), "tmpfs", 0, options.constData()) == 0;
    }
    ~SmallDisk()
    {
        if (m_mounted)
            ::umount2(QFile::encodeName(m_path).constData(), MNT_DETACH);
    }
    bool mounted() const { return m_mounted; }
    // Empties the disk, then fills it with one file up to `free` bytes short of full.
    void fillLeaving(qint64 free) const
    {
        const QDir dir(m_path);
        for (const QString& name : dir.entryList(QDir::Files | QDir::Hidden))
            QFile::remove(dir.filePath(name));
        const int fd = ::open(QFile::encodeName(dir.filePath(QStringLiteral("filler"))).constData(), O_WRONLY | O_CREAT, 0644);
        const QByteArray block(4096, 'x');
        qint64 size = 0;
        while (::write(fd, block.constData(), size_t(block.size())) == block.size())
            size += block.size();
        ::ftruncate(fd, std::max<qint64>(size - free, 0));
        ::close(fd);
    }
    QStringList names() const { return QDir(m_path).entryList(QDir::Files | QDir::Hidden, QDir::Name); }

private:
    QString m_path;
    bool m_mounted = false;
};

// Noise, so that no encoder makes it small.
Bitmap noise(int width, int height)
{
    const auto band = [&] { return vips::VImage::gaussnoise(width, height, vips::VImage::option()->set("sigma", 60)).cast(VIPS_FORMAT_UCHAR); };
    return band().bandjoin(band()).bandjoin(band()).bandjoin(255).copy(vips::VImage::option()->set("interpretation", VIPS_INTERPRETATION_sRGB));
}

// On a disk that fills up part way, every kind of result fails as a whole, the run says the disk
// is full, and nothing is left under a result name nor as a part file.
TEST_F(Batch, aFullDiskLeavesNoResultAndFailsTheRun)
{
    SmallDisk disk(QDir(in()).filePath(QStringLiteral("disk")), 2 << 20);
    if (!disk.mounted())
        GTEST_SKIP() << "mounting a small file system is not permitted here";
    const QString big = ti::writeJpeg(in(), QStringLiteral("big.jpg"), noise(800, 600));
    const auto readers = std::make_shared<FakeReaders>();
    detectors::TextRecognizer::setOverride(readers);
    const QString folder = QDir(in()).filePath(QStringLiteral("disk"));
    const struct {
        const char* name;
        KelvaroOp op;
        QString file;
        qint64 free;
        bool streaming;
        int refusal = 0; // the error number every checked write meets instead of a full disk
        int copies = 1;  // photos run at once, each failing while the others free their room
    } rows[] = {
        {"a streamed photo", KelvaroOp::compress(0.9), big, 32 << 10, true},
        {"a rendered photo", KelvaroOp::compress(0.9), big, 32 << 10, false},
        {"a PNG with its metadata", KelvaroOp::convert(ImageFormat::png), big, 32 << 10, false},
        {"a streamed HEIC", KelvaroOp::convert(ImageFormat::heic), big, 32 << 10, true},
        {"a rendered HEIC", KelvaroOp::convert(ImageFormat::heic), big, 32 << 10, false},
        {"a combined PDF", KelvaroOp::convert(ImageFormat::pdf), big, 32 << 10, true},
        {"an archive", KelvaroOp::convert(ImageFormat::zip), big, 32 << 10, true},
        {"a text file", KelvaroOp::ocr(), photo(QStringLiteral("text.jpg"), 40), 0, true},
        {"a moved photo", KelvaroOp::move(), big, 32 << 10, true},
        {"a refused text file", KelvaroOp::ocr(), photo(QStringLiteral("text.jpg"), 40), 1 << 20, true, EACCES},
        {"PNGs in parallel", KelvaroOp::convert(ImageFormat::png), big, 256 << 10, true, 0, 6},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        disk.fillLeaving(row.free);
        ImageEngine::setStreaming(row.streaming);
        FailingFileSystem refusing;
        refusing.writeBudget = row.refusal != 0 ? 0 : -1;
        refusing.writeError = row.refusal;
        FileSystem::setCurrent(&refusing);
        const auto restore = qScopeGuard([] {
            ImageEngine::setStreaming(true);
            FileSystem::setCurrent(nullptr);
        });
        QStringList files{row.file};
        for (int i = 1; i < row.copies; ++i) {
            files << QDir(in()).filePath(QStringLiteral("copy%1.jpg").arg(i));
            QFile::copy(row.file, files.last());
        }
        const std::optional<KelvaroError> error = test::thrown<KelvaroError>([&] { ImageEngine::process(row.op, files, folder); });
        ASSERT_TRUE(error);
        // The disk is blamed when it is full; any other refusal still points at the folder.
        const QString blamed = row.refusal != 0 ? QStringLiteral("Zkontroluj složku v Nastavení.") : QStringLiteral("na disku není místo");
        EXPECT_TRUE(error->message().contains(blamed)) << error->message().toStdString();
        EXPECT_EQ(disk.names(), QStringList{QStringLiteral("filler")});
        EXPECT_TRUE(QFileInfo::exists(row.file));
    }
}

// Metadata is written after the pixels, into the same file: on a disk with room for one but not
// both, the run fails and leaves nothing, or the result is whole. Every room around the result's
// size, so that some falls between the two whatever the file system rounds to.
TEST_F(Batch, metadataThatDoesNotFitLeavesNoResultCutShort)
{
    SmallDisk disk(QDir(in()).filePath(QStringLiteral("disk")), 4 << 20);
    if (!disk.mounted())
        GTEST_SKIP() << "mounting a small file system is not permitted here";
    const QString folder = QDir(in()).filePath(QStringLiteral("disk"));
    const QString source = ti::writeJpeg(in(), QStringLiteral("m.jpg"), noise(300, 200),
                                         {.make = QStringLiteral("Maker One"), .iptcCity = QStringLiteral("Praha"),
                                          .iptcCaption = QString(3000, QLatin1Char('c'))});
    const struct {
        const char* name;
        KelvaroOp op;
        bool streaming;
    } rows[] = {
        {"a streamed JPEG", KelvaroOp::compress(0.9), true},
        {"a rendered JPEG", KelvaroOp::compress(0.9), false},
        {"a TIFF", KelvaroOp::convert(ImageFormat::tiff), false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        ImageEngine::setStreaming(row.streaming);
        const auto streamAgain = qScopeGuard([] { ImageEngine::setStreaming(true); });
        QTemporaryDir roomy;
        const qint64 size = QFileInfo(ImageEngine::process(row.op, {source}, roomy.path()).outputs.value(0)).size();
        ASSERT_GT(size, 12 << 10);
        for (qint64 room = size - (12 << 10); room < size; room += 512) {
            SCOPED_TRACE(room);
            disk.fillLeaving(room);
            try {
                const OpResult result = ImageEngine::process(row.op, {source}, folder);
                EXPECT_EQ(QFileInfo(result.outputs.value(0)).size(), size);
            } catch (const KelvaroError&) {
                EXPECT_EQ(disk.names(), QStringList{QStringLiteral("filler")});
            }
        }
    }
}

// A copy that fails part way (a move to another disk) leaves the source and no result.
TEST_F(Batch, aCopyFailingPartWayLeavesTheSourceAndNoResult)
{
    FailingFileSystem files;
    files.failCopiesAfter = 1000;
    FileSystem::setCurrent(&files);
    const QString file = ti::writeJpeg(in(), QStringLiteral("m.jpg"), noise(200, 100));
    for (const KelvaroOp& op : {KelvaroOp::move(), KelvaroOp::rename({QStringLiteral("Nové"), false, 1})}) {
        const std::optional<KelvaroError> error = test::thrown<KelvaroError>([&] { ImageEngine::process(op, {file}, out()); });
        ASSERT_TRUE(error);
        EXPECT_EQ(error->message(), KelvaroError::runFailed(KelvaroError::copyFailed(QStringLiteral("m.jpg")).message()).message());
        EXPECT_TRUE(QFileInfo::exists(file));
        EXPECT_TRUE(QDir(out()).entryList(QDir::Files | QDir::Hidden).isEmpty())
            << QDir(out()).entryList(QDir::Files | QDir::Hidden).join(QLatin1Char(',')).toStdString();
    }
}

// The engine's own writes (a text file, a HEIC, metadata written into a finished JPEG) go through
// the one checked write, so a disk that refuses bytes part-way fails the file and leaves nothing,
// without a small file system to fill.
TEST_F(Batch, aDiskRefusingTheEnginesOwnWritesLeavesNoResult)
{
    const auto readers = std::make_shared<FakeReaders>();
    detectors::TextRecognizer::setOverride(readers);
    const QString tagged = ti::writeJpeg(in(), QStringLiteral("tagged.jpg"), noise(300, 200),
                                         {.make = QStringLiteral("Maker One"), .iptcCity = QStringLiteral("Praha")});
    const struct {
        const char* name;
        KelvaroOp op;
        QString file;
        qint64 budget;
        bool streaming;
    } rows[] = {
        {"a text file", KelvaroOp::ocr(), photo(QStringLiteral("text.jpg"), 40), 0, true},
        {"a streamed HEIC", KelvaroOp::convert(ImageFormat::heic), tagged, 1024, true},
        {"a rendered HEIC", KelvaroOp::convert(ImageFormat::heic), tagged, 1024, false},
        {"metadata into a JPEG", KelvaroOp::compress(0.9), tagged, 0, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        ImageEngine::setStreaming(row.streaming);
        const auto streamAgain = qScopeGuard([] { ImageEngine::setStreaming(true); });
        FailingFileSystem disk;
        disk.writeBudget = row.budget;
        FileSystem::setCurrent(&disk);
        EXPECT_TRUE(test::thrown<KelvaroError>([&] { ImageEngine::process(row.op, {row.file}, out()); }));
        FileSystem::setCurrent(nullptr);
        EXPECT_TRUE(QDir(out()).entryList(QDir::Files | QDir::Hidden).isEmpty())
            << QDir(out()).entryList(QDir::Files | QDir::Hidden).join(QLatin1Char(',')).toStdString();
        EXPECT_TRUE(QFileInfo::exists(row.file));
    }
}

TEST_F(Batch, combinedOutputsAreNamedAfterTheOneFileOrTheCount)
{
    const QString one = photo(QStringLiteral("Jediná.jpg"));
    const OpResult single = ImageEngine::process(KelvaroOp::convert(ImageFormat::pdf), {one}, out(), recordingHooks());
    EXPECT_EQ(test::fileNames(single.outputs), QStringList{QStringLiteral("Jediná.pdf")});
    ASSERT_EQ(single.entries.size(), 1);
    EXPECT_EQ(single.entries[0].fileName, QStringLiteral("Jediná.pdf"));
    EXPECT_TRUE(m_progress.isEmpty()); // combined outputs report no progress
    const QStringList three{one, photo(QStringLiteral("b.png")), photo(QStringLiteral("c.jpg"))};
    EXPECT_EQ(test::fileNames(ImageEngine::process(KelvaroOp::convert(ImageFormat::pdf), three, out()).outputs),
              QStringList{QStringLiteral("Spojené fotografie (3).pdf")});

    const OpResult zip = ImageEngine::process(KelvaroOp::convert(ImageFormat::zip), three, out());
    EXPECT_EQ(test::fileNames(zip.outputs), QStringList{QStringLiteral("Kelvaro (3 soubory).zip")});
    EXPECT_TRUE(test::readFile(zip.outputs.first()).startsWith(QByteArray("PK\x03\x04", 4)));
    EXPECT_EQ(test::fileNames(ImageEngine::process(KelvaroOp::convert(ImageFormat::zip), {one}, out()).outputs),
              QStringList{QStringLiteral("Jediná.zip")});

    // One unreadable file ends a combined output with its error.
    EXPECT_TRUE(failsWith(KelvaroError::Kind::unreadable, QStringLiteral("b.jpg"), [&] {
        ImageEngine::process(KelvaroOp::convert(ImageFormat::pdf), {one, ti::writeGarbage(in(), QStringLiteral("b.jpg"))}, out());
    }));
}

TEST_F(Batch, aRefusedArchiveLeavesNoEmptyFileBehind)
{
    // The archive's name is claimed before the writer refuses; the claim must not stay as a 0-byte file.
    const QStringList tooMany(65535, photo(QStringLiteral("a.jpg")));
    EXPECT_TRUE(failsWith(KelvaroError::Kind::tooLarge, {}, [&] { ImageEngine::process(KelvaroOp::convert(ImageFormat::zip), tooMany, out()); }));
    EXPECT_TRUE(outNames().isEmpty()) << outNames().join(QLatin1Char(',')).toStdString();
}

} // namespace
