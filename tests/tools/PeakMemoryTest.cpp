#include <cerrno>
#include <cstdio>
#include <csignal>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <vips/vips8>

#include "engine/Bitmap.h"
#include "engine/EngineSettings.h"
#include "engine/ImageEngine.h"
#include "engine/ImageProbe.h"
#include "engine/MemoryBudget.h"
#include "engine/detectors/ModelFiles.h"
#include "platform/NativePath.h"
#include "../support/TestImages.h"
#include "../support/TestSupport.h"
#include "TestPaths.h"

extern char** environ;

using namespace kelvaro;
namespace ti = kelvaro::testimages;

namespace {

constexpr qint64 MB = 1 << 20;

struct Measured {
    bool ended = false;
    int status = 0;
    qint64 peakBytes = 0; // the tool's peak resident size, as the kernel counted it
};

// A tool run that spends less than kProgress of processor time in this long waits for ever.
constexpr std::chrono::seconds kStarvedBound{240};
constexpr std::chrono::milliseconds kProgress{500};

// The processor time that the process `root` and every process below it have spent, their
// children's they have waited for included, as /proc counts it.
std::chrono::milliseconds processorTimeBelow(pid_t root)
{
    QHash<qint64, qint64> parents;
    QHash<qint64, qint64> ticks;
    for (const test::ProcessEntry& process : test::processes()) {
        parents.insert(process.pid, process.parent);
        ticks.insert(process.pid, process.ticks);
    }
    qint64 spent = 0;
    for (auto it = ticks.cbegin(); it != ticks.cend(); ++it) {
        qint64 at = it.key();
        for (int depth = 0; depth < 64 && at > 1 && at != root; ++depth)
            at = parents.value(at, 0);
        if (at == root)
            spent += it.value();
    }
    return std::chrono::milliseconds(spent * 1000 / ::sysconf(_SC_CLK_TCK));
}

// Runs the tool and asks the kernel for its peak resident size when it ends. The kernel carries a
// parent's peak into a child it spawns, so a small program in between (time) spawns the tool and
// reports it. A run that has not ended after `seconds` of work is killed and reported as not
// ended: time counts as work only while the run spends as much of the processor's time (a run
// that never ends keeps spending it), so a machine too busy to give it much only waits longer,
// however long, while the run goes on working; one that does less than kProgress of work in
// kStarvedBound (a run that waits for ever) is ended.
Measured runMeasured(const QString& peakFile, const QStringList& arguments, int seconds, const QStringList& before = {})
{
    QStringList all = before;
    all += QStringList{QStringLiteral("/usr/bin/time"), QStringLiteral("--quiet"), QStringLiteral("-f"), QStringLiteral("%M"),
                    QStringLiteral("-o"), peakFile, QStringLiteral(KELVARO_BUILD_DIR "/kelvaro-process")};
    all += arguments;
    std::vector<QByteArray> bytes;
    for (const QString& argument : all)
        bytes.push_back(NativePath::encoded(argument));
    std::vector<char*> argv;
    for (QByteArray& b : bytes)
        argv.push_back(b.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const int spawned = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    Measured measured;
    if (spawned != 0)
        return measured;
    const int pidfd = int(::syscall(SYS_pidfd_open, pid, 0));
    if (pidfd >= 0) {
        using std::chrono::steady_clock;
        const std::chrono::seconds work(seconds);
        const steady_clock::time_point start = steady_clock::now();
        // When the run last did some work, and how much it had done by then.
        steady_clock::time_point progressAt = start;
        std::chrono::milliseconds spentAtProgress{0};
        for (;;) {
            pollfd ready{pidfd, POLLIN, 0};
            const int polled = ::poll(&ready, 1, 1000);
            if (polled > 0 || (polled < 0 && errno != EINTR)) {
                measured.ended = polled > 0;
                break;
            }
            const steady_clock::time_point now = steady_clock::now();
            const std::chrono::milliseconds spent = processorTimeBelow(pid);
            if (spent - spentAtProgress >= kProgress) {
                progressAt = now;
                spentAtProgress = spent;
            }
            if ((now - start >= work && spent >= work) || now - progressAt >= kStarvedBound) {
                ::kill(pid, SIGKILL);
                break;
            }
        }
        ::close(pidfd);
    }
    while (::waitpid(pid, &measured.status, 0) < 0 && errno == EINTR) {
    }
    measured.ended = measured.ended || pidfd < 0;
    QFile peak(peakFile);
    if (peak.open(QIODevice::ReadOnly))
        measured.peakBytes = peak.readAll().trimmed().toLongLong() * 1024;
    return measured;
}

// A memory cgroup of the test's own below the process's, with a limit and no swap; removed when
// it goes. Invalid where the system lets the test make none.
class MemoryCgroup {
public:
    explicit MemoryCgroup(qint64 limit)
    {
        QByteArray v1Point, v2Point;
        QFile mountinfo(QStringLiteral("/proc/self/mountinfo"));
        if (!mountinfo.open(QIODevice::ReadOnly))
            return;
        for (const QByteArray& line : mountinfo.readAll().split('\n')) {
            const QList<QByteArray> fields = line.split(' ');
            const qsizetype dash = fields.indexOf("-", 6);
            if (dash < 0 || dash + 3 >= fields.size() || fields[3] != "/")
                continue;
            if (fields[dash + 1] == "cgroup2")
                v2Point = fields[4];
            else if (fields[dash + 1] == "cgroup" && fields[dash + 3].split(',').contains("memory"))
                v1Point = fields[4];
        }
        QFile cgroups(QStringLiteral("/proc/self/cgroup"));
        if (!cgroups.open(QIODevice::ReadOnly))
            return;
        QByteArray own;
        for (const QByteArray& line : cgroups.readAll().split('\n')) {
            const QList<QByteArray> parts = line.split(':');
            if (parts.size() < 3)
                continue;
            if (!v1Point.isEmpty() && parts[1].split(',').contains("memory"))
                own = v1Point + parts.mid(2).join(':');
            else if (v1Point.isEmpty() && !v2Point.isEmpty() && parts[0] == "0")
                own = v2Point + parts.mid(2).join(':');
        }
        if (own.isEmpty())
            return;
        m_v2 = v1Point.isEmpty();
        m_folder = own + "/kelvaro-test-" + QByteArray::number(::getpid());
        if (::mkdir(m_folder.constData(), 0755) != 0) {
            m_folder.clear();
            return;
        }
        const bool limited = m_v2 ? write("memory.max", limit) && (write("memory.swap.max", 0) || true)
                                  : write("memory.limit_in_bytes", limit) && (write("memory.memsw.limit_in_bytes", limit) || true);
        m_valid = limited;
    }
    ~MemoryCgroup()
    {
        if (!m_folder.isEmpty())
            ::rmdir(m_folder.constData());
    }
    bool isValid() const { return m_valid; }
    // A shell line that moves the shell into the group before it runs its arguments.
    QStringList enter() const
    {
        return {QStringLiteral("sh"), QStringLiteral("-c"),
                QStringLiteral("echo $$ >\"$0/cgroup.procs\" && exec \"$@\""), QString::fromLocal8Bit(m_folder)};
    }

private:
    bool write(const char* name, qint64 value) const
    {
        QFile file(QString::fromLocal8Bit(m_folder + '/' + name));
        return file.open(QIODevice::WriteOnly) && file.write(QByteArray::number(value)) > 0 && file.flush();
    }
    QByteArray m_folder;
    bool m_v2 = false;
    bool m_valid = false;
};

// Why the tool's peak cannot be measured here; empty when it can.
QString whyNoPeak()
{
#ifdef KELVARO_TEST_SANITIZED
    return QStringLiteral("the sanitizer's shadow memory is counted in the peak");
#else
    if (!QFileInfo(QStringLiteral("/usr/bin/time")).isExecutable())
        return QStringLiteral("no /usr/bin/time to count the tool's peak (scripts/install-deps installs it)");
    return {};
#endif
}

// A run of the tool measured, named for the message of one that never ended.
struct ToolRun {
    const char* what;
    Measured measured;
};

// The tool doing `op` to `photos` at `workers` workers as if the machine had `megabytes`
// available, its results in the folder `out` of `dir`. A run not ended after two minutes of work
// says which run of the row it was.
ToolRun runWithMemory(const char* what, const QTemporaryDir& dir, const QString& out, const QStringList& photos, const QString& op,
                     qint64 megabytes, int workers)
{
    qputenv("KELVARO_JOBS", QByteArray::number(workers));
    const Measured measured = runMeasured(QDir(dir.path()).filePath(out + QStringLiteral(".peak")),
                                          QStringList{QStringLiteral("--op"), op, QStringLiteral("--out"), QDir(dir.path()).filePath(out),
                                                      QStringLiteral("--memory"), QString::number(megabytes)}
                                              + photos,
                                          120);
    qunsetenv("KELVARO_JOBS");
    return {what, measured};
}

// A run that ended well with one result a photo.
void expectWhole(const QTemporaryDir& dir, const QString& out, int photos, const ToolRun& run)
{
    ASSERT_TRUE(run.measured.ended) << "the " << run.what << " never ended";
    ASSERT_TRUE(WIFEXITED(run.measured.status) && WEXITSTATUS(run.measured.status) == 0) << run.what << ": status " << run.measured.status;
    EXPECT_EQ(QDir(QDir(dir.path()).filePath(out)).entryList(QDir::Files).size(), photos) << run.what;
}

// The operation the tool's --op names, for the few the rows use.
KelvaroOp opOf(const QString& json)
{
    const QJsonValue value = QJsonDocument::fromJson("[" + json.toUtf8() + "]").array().first();
    if (value.toString() == QLatin1String("removeBackground"))
        return KelvaroOp::removeBackground();
    const QJsonObject object = value.toObject();
    if (object.contains(QLatin1String("convert")))
        return KelvaroOp::convert(imageFormatFromRaw(object.value(QLatin1String("convert")).toString()).value_or(ImageFormat::jpg));
    if (object.contains(QLatin1String("resize"))) {
        const QJsonObject resize = object.value(QLatin1String("resize")).toObject();
        return KelvaroOp::resize({resize.value(QLatin1String("usePercent")).toBool(), resize.value(QLatin1String("percent")).toDouble(),
                                  resize.value(QLatin1String("longEdge")).toInt()});
    }
    return KelvaroOp::preset(PresetSpec::fromJson(object.value(QLatin1String("preset"))).value_or(PresetSpec{}));
}

// The most the process's budget counted for `file` while the engine did `op` to it here, alone:
// its price, and what the file grew to on the way. Watched from another thread: a file holds its
// price from its admission through all its pixel work.
qint64 pricedHold(const KelvaroOp& op, const QString& file, const QString& outDir)
{
    QDir().mkpath(outDir);
    std::atomic_bool done = false;
    std::atomic<qint64> most = 0;
    std::thread watching([&] {
        while (!done) {
            most = std::max(most.load(), MemoryBudget::shared().inUse());
            std::this_thread::sleep_for(std::chrono::microseconds(100));
        }
    });
    ImageEngine::process(op, {file}, outDir, {}, EngineSettings{});
    done = true;
    watching.join();
    return most;
}

// Fine detail, as a camera's sensor noise gives, so that codecs work as hard as on a photo.
Bitmap detail(int width, int height)
{
    const auto band = [&](int flip) {
        vips::VImage noise = vips::VImage::gaussnoise(width, height, vips::VImage::option()->set("sigma", 40.0)->set("mean", 128.0));
        if (flip)
            noise = noise.flip(flip == 1 ? VIPS_DIRECTION_HORIZONTAL : VIPS_DIRECTION_VERTICAL);
        return noise.cast(VIPS_FORMAT_UCHAR);
    };
    return normalizedBitmap(band(0).bandjoin(band(1)).bandjoin(band(2)));
}

const ti::Metadata kCamera{.orientation = 6, .make = QStringLiteral("Cam")};

// Writes a photo of `size` pixels into `folder` as `name` (without extension): its path.
using PhotoWriter = std::function<QString(const QString& folder, const QString& name, QSize size)>;

// One kind of photo under one operation.
struct PeakRow {
    const char* name;
    const char* op;
    PhotoWriter write;
    // Twelve megapixels: at three, what a photo's work holds whatever its size (libvips' strips
    // and threads, the encoder's tables) came near its price, and a price that left out a share
    // per pixel no longer showed.
    QSize size = QSize(4000, 3000);
    // What the run of a small photo does, where the row's operation would not keep it small.
    const char* smallOp = nullptr;
    // The small photo, where the row's own kind at a small size is not small (a page).
    PhotoWriter writeSmall = {};
    // Photos of the batch, let in two at a time.
    int photos = 3;
    // The operation runs the segmentation network.
    bool network = false;
};

void PrintTo(const PeakRow& row, std::ostream* os)
{
    *os << row.name;
}

// What a photo held at its peak when no other photo was in progress beside it, beyond what the
// same run of small photos of its kind holds (libraries, threads, colour profiles), and the most
// the budget counted for it.
struct Alone {
    qint64 holds = 0;
    qint64 price = 0;
};

// `photos` at as many workers, one at a time: at a limit that no photo fits in, each is let in
// alone once none is in progress. Each works with the share of libvips' threads that it has in a
// batch of that many workers, and holds what it holds there.
Alone measureAlone(const QTemporaryDir& dir, const QString& label, const QStringList& photos, const QStringList& smalls,
                   const QString& op, const QString& smallOp)
{
    Alone alone;
    alone.price = pricedHold(opOf(op), photos.first(), QDir(dir.path()).filePath(label + QStringLiteral("-priced")));
    EXPECT_GT(alone.price, 0) << "the budget counted nothing for " << label.toStdString();
    constexpr qint64 kOneAtATime = 1; // megabytes
    const ToolRun base = runWithMemory("run of small photos one at a time", dir, label + QStringLiteral("-small"), smalls, smallOp,
                                       kOneAtATime, int(smalls.size()));
    const ToolRun one = runWithMemory("run of photos one at a time", dir, label + QStringLiteral("-one"), photos, op, kOneAtATime,
                                      int(photos.size()));
    [&] {
        expectWhole(dir, label + QStringLiteral("-small"), int(smalls.size()), base);
        expectWhole(dir, label + QStringLiteral("-one"), int(photos.size()), one);
    }();
    alone.holds = one.measured.peakBytes - base.measured.peakBytes;
    return alone;
}

class PeakMemory : public ::testing::TestWithParam<PeakRow> {};

// What a photo holds at its peak is what the budget prices it at, or less, whatever its colour
// model, its format and the operation; and a batch at as many workers as photos, at a limit of
// two prices letting in two at a time, stays near the limit. A price that leaves out part of what a photo holds lets
// in photos beside it that do not fit. Grey camera photos with metadata to write back once held
// three to six times the limit, enlarged ones were priced at their own size, a preset's exact
// size held the photo three times over, CMYK without a profile streamed through float stages,
// HEIC, WebP and progressive JPEG sources were priced as streamed while their decoders held them
// whole, 16-bit photos were priced without their conversion to eight bits, and PDF pages without
// the renderer's own bitmaps.
TEST_P(PeakMemory, aPhotoHoldsNoMoreThanItsPriceAndABatchStaysNearItsLimit)
{
    if (const QString why = whyNoPeak(); !why.isEmpty())
        GTEST_SKIP() << why.toStdString();
    const PeakRow& row = GetParam();
    if (row.network && !QFileInfo(QStringLiteral(KELVARO_BUILD_DIR "/models/") + QLatin1String(detectors::segmentationModel)).isFile())
        GTEST_SKIP() << "no segmentation model (scripts/install-models installs it)";
    const QTemporaryDir dir;
    const QString in = QDir(dir.path()).filePath(QStringLiteral("in"));
    QDir().mkpath(in);
    const QString first = row.write(in, QStringLiteral("photo0"), row.size);
    const QString small = (row.writeSmall ? row.writeSmall : row.write)(in, QStringLiteral("small0"), QSize(300, 200));
    ASSERT_TRUE(QFileInfo(first).isFile() && QFileInfo(small).isFile()) << "no photo was made";
    QStringList photos{first}, smalls{small};
    for (int i = 1; i < row.photos; ++i) {
        photos << QDir(in).filePath(QStringLiteral("photo%1.%2").arg(i).arg(QFileInfo(first).suffix()));
        smalls << QDir(in).filePath(QStringLiteral("small%1.%2").arg(i).arg(QFileInfo(small).suffix()));
        ASSERT_TRUE(QFile::copy(first, photos.last()) && QFile::copy(small, smalls.last()));
    }
    const QString op = QLatin1String(row.op);
    const QString smallOp = row.smallOp ? QLatin1String(row.smallOp) : op;

    const Alone alone = measureAlone(dir, QStringLiteral("alone"), photos, smalls, op, smallOp);
    if (HasFatalFailure())
        return;
    // A price may round up what a photo holds, and a photo's peak varies a little from run to run.
    EXPECT_LT(alone.holds, alone.price * 5 / 4)
        << "the photo held " << alone.holds / MB << " MiB, priced at " << alone.price / MB << " MiB";

    const qint64 limit = 2 * alone.price;
    const qint64 megabytes = 2 * limit / 1'000'000 + 1;
    const ToolRun base = runWithMemory("run of small photos", dir, QStringLiteral("small"), smalls, smallOp, megabytes, row.photos);
    const ToolRun batch = runWithMemory("batch", dir, QStringLiteral("all"), photos, op, megabytes, row.photos);
    expectWhole(dir, QStringLiteral("small"), row.photos, base);
    expectWhole(dir, QStringLiteral("all"), row.photos, batch);
    const qint64 held = batch.measured.peakBytes - base.measured.peakBytes;
    // Photos at work side by side also share the allocator's heaps, which a few megabytes of
    // theirs outlast.
    constexpr qint64 kSideBySide = 16 * MB;
    EXPECT_LT(held, limit * 5 / 4 + kSideBySide) << "the batch held " << held / MB << " MiB beyond a run of small photos ("
                                                  << base.measured.peakBytes / MB << " MiB) against a limit of " << limit / MB << " MiB";
    std::printf("%s: one photo held %lld MiB, priced at %lld MiB; the batch held %lld MiB at a limit of %lld MiB\n", row.name,
                alone.holds / MB, alone.price / MB, held / MB, limit / MB);
}

QByteArray bytesOf(const QString& path)
{
    return NativePath::encoded(path);
}

// A photo of fine detail, written by `write` at the path it is given.
PhotoWriter photoWriter(const char* extension, std::function<void(const Bitmap&, const QString&)> write)
{
    return [=](const QString& folder, const QString& name, QSize size) {
        const QString path = QDir(folder).filePath(name + QLatin1String(extension));
        write(detail(size.width(), size.height()), path);
        return path;
    };
}

const PhotoWriter greyCamera = photoWriter(".jpg", [](const Bitmap& photo, const QString& path) {
    ti::writeGreyJpeg(QFileInfo(path).path(), QFileInfo(path).fileName(), photo, kCamera);
});
const PhotoWriter colourCamera = photoWriter(".jpg", [](const Bitmap& photo, const QString& path) {
    ti::writeJpeg(QFileInfo(path).path(), QFileInfo(path).fileName(), photo, kCamera);
});
const PhotoWriter sixteenBit = photoWriter(".png", [](const Bitmap& photo, const QString& path) {
    ti::writePng16(QFileInfo(path).path(), QFileInfo(path).fileName(), photo);
});
// Sixteen bits a sample, turned upright on its way: the turn holds the photo whole for a while.
const PhotoWriter turnedSixteenBit = photoWriter(".tif", [](const Bitmap& photo, const QString& path) {
    vips::VImage wide = (photo.extract_band(0, vips::VImage::option()->set("n", 3)).cast(VIPS_FORMAT_USHORT) * 257)
                            .cast(VIPS_FORMAT_USHORT)
                            .copy(vips::VImage::option()->set("interpretation", VIPS_INTERPRETATION_RGB16));
    wide.set(VIPS_META_ORIENTATION, 6);
    wide.tiffsave(NativePath::encoded(path).constData());
});

// A red disc on grey: a subject the segmentation network finds.
QString disc(const QString& folder, const QString& name, QSize size)
{
    vips::VImage mask = vips::VImage::black(size.width(), size.height()).copy_memory();
    mask.draw_circle(std::vector<double>{255}, size.width() / 2, size.height() / 2, size.height() * 3 / 10,
                     vips::VImage::option()->set("fill", true));
    const vips::VImage subject = (mask > 128).ifthenelse(std::vector<double>{200, 30, 30}, std::vector<double>{200, 200, 200});
    return ti::writeJpeg(folder, name + QStringLiteral(".jpg"), normalizedBitmap(subject.cast(VIPS_FORMAT_UCHAR)));
}

// A page showing a photo of `size`, made by the tool itself.
QString pageWithAPhoto(const QString& folder, const QString& name, QSize size)
{
    const QString made = QDir(folder).filePath(name + QStringLiteral("-made"));
    const QString photo = ti::writeJpeg(folder, name + QStringLiteral("-photo.jpg"), detail(size.width(), size.height()));
    runMeasured(made + QStringLiteral(".peak"),
                {QStringLiteral("--op"), QStringLiteral(R"({"convert":"pdf"})"), QStringLiteral("--out"), made, photo}, 120);
    const QString path = QDir(folder).filePath(name + QStringLiteral(".pdf"));
    const QStringList pdf = QDir(made).entryList({QStringLiteral("*.pdf")}, QDir::Files);
    QFile::copy(QDir(made).filePath(pdf.value(0)), path);
    QFile::remove(photo);
    return path;
}

// A page of drawing drawn at `size` pixels (two a point).
QString pageOfDrawing(const QString& folder, const QString& name, QSize size)
{
    return ti::writePdf(folder, name + QStringLiteral(".pdf"), QSizeF(size) / 2);
}

INSTANTIATE_TEST_SUITE_P(
    Photos, PeakMemory,
    ::testing::Values(
        PeakRow{"greyToTiff", R"({"convert":"tiff"})", greyCamera},
        // PNG's encoder takes its time over fine detail: two photos.
        PeakRow{"greyToPng", R"({"convert":"png"})", greyCamera, QSize(4000, 3000), nullptr, {}, 2},
        PeakRow{"colourToTiff", R"({"convert":"tiff"})", colourCamera},
        PeakRow{"colourToPng", R"({"convert":"png"})", colourCamera, QSize(4000, 3000), nullptr, {}, 2},
        PeakRow{"greyWithAlphaToTiff", R"({"convert":"tiff"})", photoWriter(".png", [](const Bitmap& photo, const QString& path) {
                    photo.extract_band(0)
                        .bandjoin(photo.extract_band(1))
                        .copy(vips::VImage::option()->set("interpretation", VIPS_INTERPRETATION_B_W))
                        .pngsave(bytesOf(path).constData(), vips::VImage::option()->set("compression", 1));
                })},
        PeakRow{"sixteenBitToJpeg", R"({"convert":"jpg"})", sixteenBit},
        PeakRow{"sixteenBitToPng", R"({"convert":"png"})", sixteenBit, QSize(4000, 3000), nullptr, {}, 2},
        PeakRow{"turnedSixteenBitToTiff", R"({"convert":"tiff"})", turnedSixteenBit},
        PeakRow{"cmykToPng", R"({"convert":"png"})", photoWriter(".jpg", [](const Bitmap& photo, const QString& path) {
                    ti::writeCmykJpeg(QFileInfo(path).path(), QFileInfo(path).fileName(), photo);
                })},
        // CMYK with no profile to convert it by, as some print workflows write it.
        PeakRow{"cmykWithoutProfileToTiff", R"({"convert":"tiff"})", photoWriter(".jpg", [](const Bitmap& photo, const QString& path) {
                    vips::VImage cmyk = photo.extract_band(0, vips::VImage::option()->set("n", 3))
                                            .bandjoin(photo.extract_band(1))
                                            .copy(vips::VImage::option()->set("interpretation", VIPS_INTERPRETATION_CMYK));
                    cmyk.set(VIPS_META_ORIENTATION, 6);
                    cmyk.jpegsave(bytesOf(path).constData(), vips::VImage::option()->set("Q", 90));
                })},
        // Sources whose decoder holds them whole while they stream to the encoder.
        // HEIC's decoder is slow: a photo of a third the size, which holds what it is priced at
        // all the same.
        PeakRow{"heicToPng", R"({"convert":"png"})",
                photoWriter(".heic",
                            [](const Bitmap& photo, const QString& path) {
                                ti::writeHeic(QFileInfo(path).path(), QFileInfo(path).fileName(), photo);
                            }),
                QSize(2400, 1800)},
        PeakRow{"webpToTiff", R"({"convert":"tiff"})", photoWriter(".webp", [](const Bitmap& photo, const QString& path) {
                    photo.extract_band(0, vips::VImage::option()->set("n", 3))
                        .webpsave(bytesOf(path).constData(), vips::VImage::option()->set("Q", 80));
                })},
        PeakRow{"progressiveJpegToPng", R"({"convert":"png"})", photoWriter(".jpg", [](const Bitmap& photo, const QString& path) {
                    photo.extract_band(0, vips::VImage::option()->set("n", 3))
                        .jpegsave(bytesOf(path).constData(), vips::VImage::option()->set("Q", 90)->set("interlace", true));
                })},
        PeakRow{"pdfPageWithAPhotoToTiff", R"({"convert":"tiff"})", pageWithAPhoto, QSize(4000, 3000), nullptr, pageOfDrawing},
        PeakRow{"pdfPageWithAPhotoToPng", R"({"convert":"png"})", pageWithAPhoto, QSize(4000, 3000), nullptr, pageOfDrawing},
        PeakRow{"pdfPageOfDrawingToJpeg", R"({"convert":"jpg"})", pageOfDrawing, QSize(4000, 3000)},
        // Enlarged to a long side of 1920 pixels, more than five times their own pixels.
        PeakRow{"enlarged", R"({"resize":{"usePercent":false,"percent":100,"longEdge":1920}})", colourCamera, QSize(800, 600),
                R"({"convert":"jpg"})"},
        PeakRow{"presetOfExactSize",
                R"({"preset":{"id":"0F6D1A7E-3C6B-4E55-9E0B-2C7A7E1B2B10","name":"P","maxSide":0,"format":"png","quality":0.8,)"
                R"("stripMetadata":false,"targetWidth":1080,"targetHeight":1350}})",
                colourCamera, QSize(4000, 3000), R"({"convert":"jpg"})"},
        // The network is one for the process, and counted in each photo's price whatever the
        // photo's size: photos were let in beside it as if it held nothing. Each photo runs the
        // network once, which takes a while on a busy machine: two photos.
        PeakRow{"removeBackground", R"("removeBackground")", disc, QSize(1600, 1200), R"({"convert":"jpg"})", {}, 2, true}),
    [](const ::testing::TestParamInfo<PeakRow>& info) { return std::string(info.param.name); });

// A page showing a photo is priced above a page of drawing of its size: the photo is decoded and
// scaled in bitmaps of the renderer's own. The renderer now holds them in the drawer's process,
// whose peak a measure of the tool does not add to the tool's own; the tool's is printed beside
// the prices.
TEST(PeakMemoryOfPages, aPageShowingAPhotoIsPricedAboveADrawingOfItsSize)
{
    if (const QString why = whyNoPeak(); !why.isEmpty())
        GTEST_SKIP() << why.toStdString();
    const QTemporaryDir dir;
    const QString in = QDir(dir.path()).filePath(QStringLiteral("in"));
    QDir().mkpath(in);
    const QString photoPage = pageWithAPhoto(in, QStringLiteral("photo"), QSize(4000, 3000));
    const std::optional<QSize> size = ImageEngine::uprightSize(photoPage);
    ASSERT_TRUE(size && size->isValid()) << "no page was made";
    const QString drawing = pageOfDrawing(in, QStringLiteral("drawing"), *size);
    const QString small = pageOfDrawing(in, QStringLiteral("small"), QSize(300, 200));
    const QString op = QStringLiteral(R"({"convert":"png"})");
    const Alone withPhoto = measureAlone(dir, QStringLiteral("photo"), {photoPage}, {small}, op, op);
    const Alone ofDrawing = measureAlone(dir, QStringLiteral("drawing"), {drawing}, {small}, op, op);
    std::printf("pages of %d × %d: with a photo held %lld MiB, priced at %lld MiB; of drawing held %lld MiB, priced at %lld MiB\n",
                size->width(), size->height(), withPhoto.holds / MB, withPhoto.price / MB, ofDrawing.holds / MB, ofDrawing.price / MB);
    EXPECT_GT(withPhoto.price, ofDrawing.price);
}

// In a memory cgroup that allows much less than the machine has, the budget follows the group's
// limit: eight photos at eight workers, which at once would hold twice what the group allows, end
// whole instead of the kernel killing the run.
TEST(PeakMemory, aRunInAMemoryCgroupEndsWhole)
{
#ifdef KELVARO_TEST_SANITIZED
    GTEST_SKIP() << "the sanitizer's shadow memory is counted in the group";
#endif
    constexpr qint64 kGroupLimit = 360 * MB;
    const MemoryCgroup group(kGroupLimit);
    if (!group.isValid())
        GTEST_SKIP() << "no memory cgroup may be made here";
    constexpr int kPhotos = 8;
    const QTemporaryDir dir;
    const QString in = QDir(dir.path()).filePath(QStringLiteral("in"));
    QDir().mkpath(in);
    QStringList files{ti::writeGreyJpeg(in, QStringLiteral("g0.jpg"), detail(4000, 3000), {.orientation = 6, .make = QStringLiteral("Cam")})};
    for (int i = 1; i < kPhotos; ++i) {
        files << QDir(in).filePath(QStringLiteral("g%1.jpg").arg(i));
        ASSERT_TRUE(QFile::copy(files.first(), files.last()));
    }
    qputenv("KELVARO_JOBS", QByteArray::number(kPhotos));
    const QString out = QDir(dir.path()).filePath(QStringLiteral("out"));
    const Measured run = runMeasured(QDir(dir.path()).filePath(QStringLiteral("peak")),
                                     QStringList{QStringLiteral("--op"), QStringLiteral(R"({"convert":"tiff"})"),
                                                 QStringLiteral("--out"), out} + files,
                                     240, group.enter());
    qunsetenv("KELVARO_JOBS");
    ASSERT_TRUE(run.ended) << "the run never ended";
    EXPECT_TRUE(WIFEXITED(run.status) && WEXITSTATUS(run.status) == 0) << "status " << run.status;
    EXPECT_EQ(QDir(out).entryList(QDir::Files).size(), kPhotos);
    EXPECT_LT(run.peakBytes, kGroupLimit) << run.peakBytes / MB << " MiB";
}

} // namespace
