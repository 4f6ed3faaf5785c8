#include <cerrno>
#include <cstdio>
#include <csignal>
#include <functional>
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
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <vips/vips8>

#include "engine/Bitmap.h"
#include "engine/detectors/ModelFiles.h"
#include "platform/NativePath.h"
#include "../support/TestImages.h"
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

// Runs the tool and asks the kernel for its peak resident size when it ends. The kernel carries a
// parent's peak into a child it spawns, so a small program in between (time) spawns the tool and
// reports it. A run that has not ended after `seconds` is killed and reported as not ended.
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
        pollfd ready{pidfd, POLLIN, 0};
        int polled = 0;
        do
            polled = ::poll(&ready, 1, seconds * 1000);
        while (polled < 0 && errno == EINTR);
        ::close(pidfd);
        if (polled == 0)
            ::kill(pid, SIGKILL);
        measured.ended = polled > 0;
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

// The tool doing `op` to `photos` as if the machine had `megabytes` available, its results in
// the folder `out` of `dir`.
Measured runWithMemory(const QTemporaryDir& dir, const QString& out, const QStringList& photos, const char* op, int megabytes)
{
    return runMeasured(QDir(dir.path()).filePath(out + QStringLiteral(".peak")),
                       QStringList{QStringLiteral("--op"), QLatin1String(op), QStringLiteral("--out"), QDir(dir.path()).filePath(out),
                                   QStringLiteral("--memory"), QString::number(megabytes)}
                           + photos,
                       240);
}

// A batch that ended with every result, its peak beyond the base run's near `limit`.
void expectNearLimit(const QTemporaryDir& dir, const QString& out, int photos, const Measured& base, const Measured& batch,
                     qint64 limit, const char* name)
{
    ASSERT_TRUE(base.ended && batch.ended) << "a run never ended";
    ASSERT_TRUE(WIFEXITED(batch.status) && WEXITSTATUS(batch.status) == 0) << "status " << batch.status;
    EXPECT_EQ(QDir(QDir(dir.path()).filePath(out)).entryList(QDir::Files).size(), photos);
    const qint64 held = batch.peakBytes - base.peakBytes;
    EXPECT_LT(held, limit * 5 / 4) << "held " << held / MB << " MiB beyond a run of small photos (" << base.peakBytes / MB
                                   << " MiB) against a limit of " << limit / MB << " MiB";
    std::printf("%s: held %lld MiB beyond %lld MiB, limit %lld MiB\n", name, held / MB, base.peakBytes / MB, limit / MB);
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

// A batch's peak, beyond what the same run of small photos takes (libraries, threads), stays
// near the budget's limit whatever the photos' colour model: eight photos at eight workers, each
// holding about a third of the limit at its largest step, are let in a few at a time. Grey camera
// photos with metadata to write back once held three to six times the limit, enlarged ones were
// priced at their own size, a preset's exact size held the photo three times over, CMYK
// without a profile streamed through float stages, HEIC, WebP and progressive JPEG sources
// were priced as streamed while their decoders held them whole, and PDF pages were priced
// without the renderer's own bitmaps.
TEST(PeakMemory, aBatchStaysNearItsLimitWhateverItsColourModel)
{
    if (const QString why = whyNoPeak(); !why.isEmpty())
        GTEST_SKIP() << why.toStdString();
    constexpr int kMemoryMegabytes = 300; // the budget's limit is half of it
    constexpr qint64 kLimit = kMemoryMegabytes * 1'000'000 / 2;
    constexpr int kPhotos = 8;
    const QTemporaryDir dir;
    const QString in = QDir(dir.path()).filePath(QStringLiteral("in"));
    QDir().mkpath(in);
    const Bitmap photo = detail(4000, 3000);
    const ti::Metadata camera{.orientation = 6, .make = QStringLiteral("Cam")};
    // Eight copies of one photo written by `write`.
    const auto batch = [&](const QString& name, const std::function<QString(const QString&)>& write) {
        QStringList files{write(name + QStringLiteral("0"))};
        for (int i = 1; i < kPhotos; ++i) {
            files << QDir(in).filePath(QStringLiteral("%1%2.%3").arg(name).arg(i).arg(QFileInfo(files.first()).suffix()));
            EXPECT_TRUE(QFile::copy(files.first(), files.last()));
        }
        return files;
    };
    const QStringList grey = batch(QStringLiteral("grey"), [&](const QString& name) {
        return ti::writeGreyJpeg(in, name + QStringLiteral(".jpg"), photo, camera);
    });
    const QStringList colour = batch(QStringLiteral("colour"), [&](const QString& name) {
        return ti::writeJpeg(in, name + QStringLiteral(".jpg"), photo, camera);
    });
    const QStringList greyAlpha = batch(QStringLiteral("greyAlpha"), [&](const QString& name) {
        const QString path = QDir(in).filePath(name + QStringLiteral(".png"));
        photo.extract_band(0)
            .bandjoin(photo.extract_band(1))
            .copy(vips::VImage::option()->set("interpretation", VIPS_INTERPRETATION_B_W))
            .pngsave(NativePath::encoded(path).constData(), vips::VImage::option()->set("compression", 1));
        return path;
    });
    const QStringList deep = batch(QStringLiteral("deep"), [&](const QString& name) {
        return ti::writePng16(in, name + QStringLiteral(".png"), photo);
    });
    const QStringList cmyk = batch(QStringLiteral("cmyk"), [&](const QString& name) {
        return ti::writeCmykJpeg(in, name + QStringLiteral(".jpg"), photo);
    });
    // CMYK with no profile to convert it by, as some print workflows write it.
    const QStringList bareCmyk = batch(QStringLiteral("bareCmyk"), [&](const QString& name) {
        const QString path = QDir(in).filePath(name + QStringLiteral(".jpg"));
        vips::VImage cmyk = photo.extract_band(0, vips::VImage::option()->set("n", 3))
                                .bandjoin(photo.extract_band(1))
                                .copy(vips::VImage::option()->set("interpretation", VIPS_INTERPRETATION_CMYK));
        cmyk.set(VIPS_META_ORIENTATION, 6);
        cmyk.jpegsave(NativePath::encoded(path).constData(), vips::VImage::option()->set("Q", 90));
        return path;
    });
    // Sources whose decoder holds them whole while they stream to the encoder.
    const QStringList heic = batch(QStringLiteral("heic"), [&](const QString& name) {
        return ti::writeHeic(in, name + QStringLiteral(".heic"), photo);
    });
    const QStringList webp = batch(QStringLiteral("webp"), [&](const QString& name) {
        const QString path = QDir(in).filePath(name + QStringLiteral(".webp"));
        photo.extract_band(0, vips::VImage::option()->set("n", 3))
            .webpsave(NativePath::encoded(path).constData(), vips::VImage::option()->set("Q", 80));
        return path;
    });
    const QStringList progressive = batch(QStringLiteral("progressive"), [&](const QString& name) {
        const QString path = QDir(in).filePath(name + QStringLiteral(".jpg"));
        photo.extract_band(0, vips::VImage::option()->set("n", 3))
            .jpegsave(NativePath::encoded(path).constData(), vips::VImage::option()->set("Q", 90)->set("interlace", true));
        return path;
    });
    // Pages showing a photo, made by the tool itself.
    const QStringList pages = batch(QStringLiteral("page"), [&](const QString& name) {
        const QString made = QDir(dir.path()).filePath(name);
        runMeasured(made + QStringLiteral(".peak"),
                    {QStringLiteral("--op"), QStringLiteral(R"({"convert":"pdf"})"), QStringLiteral("--out"), made, colour.first()}, 240);
        const QStringList pdf = QDir(made).entryList({QStringLiteral("*.pdf")}, QDir::Files);
        const QString path = QDir(in).filePath(name + QStringLiteral(".pdf"));
        EXPECT_TRUE(!pdf.isEmpty() && QFile::copy(QDir(made).filePath(pdf.value(0)), path)) << "no page was made";
        return path;
    });
    // Enlarged to a long side of 3840 pixels, more than five times their own pixels.
    const QStringList modest = batch(QStringLiteral("modest"), [&](const QString& name) {
        return ti::writeJpeg(in, name + QStringLiteral(".jpg"), detail(1600, 1200), camera);
    });
    const QStringList small = batch(QStringLiteral("small"), [&](const QString& name) {
        return ti::writeJpeg(in, name + QStringLiteral(".jpg"), detail(300, 200), camera);
    });

    qputenv("KELVARO_JOBS", QByteArray::number(kPhotos));
    constexpr const char* kAsItself = nullptr;
    const struct {
        const char* name;
        const char* op;
        const QStringList& files;
        // What the run of small photos does, where the row's operation would not keep them small.
        const char* smallOp = kAsItself;
    } rows[] = {
        {"greyToTiff", R"({"convert":"tiff"})", grey},
        {"greyToPng", R"({"convert":"png"})", grey},
        {"colourToTiff", R"({"convert":"tiff"})", colour},
        {"colourToPng", R"({"convert":"png"})", colour},
        {"greyWithAlphaToTiff", R"({"convert":"tiff"})", greyAlpha},
        {"sixteenBitToJpeg", R"({"convert":"jpg"})", deep},
        {"cmykToPng", R"({"convert":"png"})", cmyk},
        {"cmykWithoutProfileToTiff", R"({"convert":"tiff"})", bareCmyk},
        {"pdfPagesToTiff", R"({"convert":"tiff"})", pages},
        {"heicToPng", R"({"convert":"png"})", heic},
        {"webpToTiff", R"({"convert":"tiff"})", webp},
        {"progressiveJpegToPng", R"({"convert":"png"})", progressive},
        {"enlarged", R"({"resize":{"usePercent":false,"percent":100,"longEdge":3840}})", modest, R"({"convert":"jpg"})"},
        {"presetOfExactSize",
         R"({"preset":{"id":"0F6D1A7E-3C6B-4E55-9E0B-2C7A7E1B2B10","name":"P","maxSide":0,"format":"png","quality":0.8,)"
         R"("stripMetadata":false,"targetWidth":1080,"targetHeight":1350}})",
         colour, R"({"convert":"jpg"})"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const QString out = QStringLiteral("%1-all").arg(row.name);
        const Measured base = runWithMemory(dir, QStringLiteral("%1-small").arg(row.name), small, row.smallOp ? row.smallOp : row.op, kMemoryMegabytes);
        const Measured batch = runWithMemory(dir, out, row.files, row.op, kMemoryMegabytes);
        expectNearLimit(dir, out, kPhotos, base, batch, kLimit, row.name);
    }
    qunsetenv("KELVARO_JOBS");
}

// A run that removes backgrounds counts the segmentation network it holds whatever the photos'
// size: eight photos at eight workers stay near the limit, where files were let in beside the
// network as if it held nothing and the run went half as far again beyond the limit.
TEST(PeakMemory, aRunThatRemovesBackgroundsCountsItsNetwork)
{
    if (const QString why = whyNoPeak(); !why.isEmpty())
        GTEST_SKIP() << why.toStdString();
    if (!QFileInfo(QStringLiteral(KELVARO_BUILD_DIR "/models/") + QLatin1String(detectors::segmentationModel)).isFile())
        GTEST_SKIP() << "no segmentation model (scripts/install-models installs it)";
    constexpr int kMemoryMegabytes = 1600; // the budget's limit is half of it
    constexpr qint64 kLimit = kMemoryMegabytes * 1'000'000 / 2;
    constexpr int kPhotos = 8;
    const QTemporaryDir dir;
    const QString in = QDir(dir.path()).filePath(QStringLiteral("in"));
    QDir().mkpath(in);
    // A red disc on grey: a subject the network finds.
    vips::VImage mask = vips::VImage::black(4000, 3000).copy_memory();
    mask.draw_circle(std::vector<double>{255}, 2000, 1500, 900, vips::VImage::option()->set("fill", true));
    const vips::VImage subject = (mask > 128).ifthenelse(std::vector<double>{200, 30, 30}, std::vector<double>{200, 200, 200});
    QStringList files;
    for (int i = 0; i < kPhotos; ++i)
        files << ti::writeJpeg(in, QStringLiteral("disc%1.jpg").arg(i), normalizedBitmap(subject.cast(VIPS_FORMAT_UCHAR)));
    const QStringList small{ti::writeJpeg(in, QStringLiteral("small.jpg"), detail(300, 200))};
    qputenv("KELVARO_JOBS", QByteArray::number(kPhotos));
    const Measured base = runWithMemory(dir, QStringLiteral("small"), small, R"({"convert":"jpg"})", kMemoryMegabytes);
    const Measured batch = runWithMemory(dir, QStringLiteral("all"), files, R"("removeBackground")", kMemoryMegabytes);
    qunsetenv("KELVARO_JOBS");
    expectNearLimit(dir, QStringLiteral("all"), kPhotos, base, batch, kLimit, "removeBackground");
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
