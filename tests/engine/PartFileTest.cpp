// Part files: a result takes its name only whole, never over another file, and what a killed
// writer left is cleaned up without touching the part files of writers still at work.
#include <atomic>
#include <csignal>
#include <thread>
#include <utility>

#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <fcntl.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "engine/FileAbort.h"
#include "engine/ImageEngine.h"
#include "engine/ImageStream.h"
#include "engine/PartFile.h"
#include "platform/Settings.h"
#include "../support/TestImages.h"
#include "../support/TestSupport.h"

using namespace kelvaro;
namespace ti = kelvaro::testimages;

namespace {

class PartFiles : public ::testing::Test {
protected:
    QString folder() const { return m_dir.path(); }
    QString file(const QString& name) const { return QDir(folder()).filePath(name); }
    QStringList names() const { return QDir(folder()).entryList(QDir::Files | QDir::Hidden, QDir::Name); }
    void write(const QString& name, const QByteArray& bytes = "part") const
    {
        QFile out(file(name));
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(bytes);
    }

    QTemporaryDir m_dir;
};

// The id of a process that has ended.
qint64 endedProcess()
{
    const pid_t child = ::fork();
    if (child == 0)
        ::_exit(0);
    ::waitpid(child, nullptr, 0);
    return child;
}

TEST_F(PartFiles, aResultTakesTheFirstFreeNameAndNeverReplaces)
{
    write(QStringLiteral("IMG.jpg"), "earlier");
    ImageEngine::PartFile part(folder());
    ASSERT_TRUE(part.isValid());
    ASSERT_TRUE(part.write("whole"));
    EXPECT_EQ(QFileInfo(part.path()).fileName().left(9), QStringLiteral(".kelvaro-"));
    const QString placed = part.place(QStringLiteral("IMG"), QStringLiteral("jpg"));
    EXPECT_EQ(placed, file(QStringLiteral("IMG 2.jpg")));
    EXPECT_EQ(test::readFile(placed), QByteArray("whole"));
    EXPECT_EQ(test::readFile(file(QStringLiteral("IMG.jpg"))), QByteArray("earlier"));
    EXPECT_EQ(names(), (QStringList{QStringLiteral("IMG 2.jpg"), QStringLiteral("IMG.jpg")}));
}

TEST_F(PartFiles, aPartFileNotPlacedIsRemoved)
{
    {
        ImageEngine::PartFile part(folder());
        ASSERT_TRUE(part.write("half"));
    }
    EXPECT_TRUE(names().isEmpty());
}

// Whether the lock on `path` can be taken now (and is let go at once).
bool lockIsFree(const QString& path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    const bool free = fd >= 0 && ::flock(fd, LOCK_EX | LOCK_NB) == 0;
    ::close(fd);
    return free;
}

// Only part files of this pattern whose lock no one holds are removed, whatever process has the
// number in their name now; a locked one and any other file stay.
TEST_F(PartFiles, leftoversWhoseLockIsFreeAreRemovedAndNothingElse)
{
    const QString ended = QString::number(endedProcess());
    const QString live = QString::number(::getpid());
    const QString digits = QStringLiteral("0123456789abcdef0123456789abcdef");
    const QString others = QString(digits).replace(QLatin1Char('0'), QLatin1Char('1'));
    const struct {
        QString name;
        bool locked;
        bool removed;
    } rows[] = {
        {QStringLiteral(".kelvaro-%1-%2.part").arg(ended, digits), false, true},
        {QStringLiteral(".kelvaro-%1.part").arg(digits), false, true}, // an earlier version's
        {QStringLiteral(".kelvaro-%1-%2.part").arg(live, digits), false, true}, // its number reused
        {QStringLiteral(".kelvaro-%1-%2.part").arg(live, others), true, false},
        {QStringLiteral(".kelvaro-notes.part"), false, false},
        {QStringLiteral("kelvaro-%1-%2.part").arg(ended, digits), false, false},
        {QStringLiteral("IMG.jpg"), false, false},
    };
    QList<int> locks;
    const auto release = qScopeGuard([&] {
        for (int fd : std::as_const(locks))
            ::close(fd);
    });
    for (const auto& row : rows) {
        write(row.name);
        if (row.locked) {
            const int fd = ::open(QFile::encodeName(file(row.name)).constData(), O_RDONLY | O_CLOEXEC);
            ASSERT_EQ(::flock(fd, LOCK_EX), 0);
            locks << fd;
        }
    }
    ImageEngine::PartFile writing(folder());
    ImageEngine::removeLeftoverParts(folder());
    for (const auto& row : rows)
        EXPECT_EQ(QFileInfo::exists(file(row.name)), !row.removed) << row.name.toStdString();
    // A writer at work holds its part file's lock all along: it stays, and no one else gets it.
    EXPECT_TRUE(QFileInfo::exists(writing.path()));
    EXPECT_FALSE(lockIsFree(writing.path()));
}

// A clean-up that runs the moment a part file has its name, before its writer goes on, finds it
// locked and leaves it, or, where the file system makes no file without a name, removes it and
// the writer makes another: however often a clean-up comes first, the writer's file is made.
TEST_F(PartFiles, aCleanUpTheMomentAPartFileIsNamedNeverFailsItsWriter)
{
    constexpr int kCleanUps = 20; // more than a writer that gives up after a few tries survives
    int cleanUps = 0;
    ImageEngine::PartFile::setNamedHook([&](const QString&) {
        if (cleanUps < kCleanUps) {
            ++cleanUps;
            ImageEngine::removeLeftoverParts(folder());
        }
    });
    const auto unhook = qScopeGuard([] { ImageEngine::PartFile::setNamedHook({}); });
    qsizetype placed = 0;
    while (cleanUps < kCleanUps) {
        ImageEngine::PartFile part(folder());
        ASSERT_TRUE(part.isValid()) << "a clean-up failed the writer after " << cleanUps;
        EXPECT_TRUE(QFileInfo::exists(part.path()));
        EXPECT_FALSE(lockIsFree(part.path()));
        ASSERT_TRUE(part.write("whole"));
        EXPECT_FALSE(part.place(QStringLiteral("IMG"), QStringLiteral("jpg")).isEmpty());
        ++placed;
    }
    EXPECT_EQ(names().size(), placed); // the results, and no part file left
    for (const QString& name : names())
        EXPECT_TRUE(name.startsWith(QLatin1String("IMG"))) << name.toStdString();
}

// A file asked to stop while it waits for its name turn takes no name: its part file goes and
// nothing is left.
TEST_F(PartFiles, aFileAskedToStopBeforeItsNameLeavesNothing)
{
    const auto stop = std::make_shared<ImageEngine::FileAbort>();
    const ImageEngine::CurrentFileAbort current(stop);
    {
        ImageEngine::PartFile part(folder());
        ASSERT_TRUE(part.write("whole"));
        stop->request();
        EXPECT_THROW(part.placeInTurn(QStringLiteral("IMG"), QStringLiteral("jpg")), ImageEngine::FileAborted);
    }
    EXPECT_EQ(test::namesIn(folder()), QStringList());
}

// A file of a batch asked to stop gives up in the decoder or the encoder and leaves nothing,
// on both paths.
TEST_F(PartFiles, aFileAskedToStopLeavesNothing)
{
    Settings::shared().setValue(QStringLiteral("kelvaro.language"), QStringLiteral("cs"));
    QTemporaryDir in;
    const QString jpeg = ti::writeJpeg(in.path(), QStringLiteral("a.jpg"), ti::quadrants(400, 300));
    const QString png = ti::writePng(in.path(), QStringLiteral("b.png"), ti::halfTransparent(400, 300));
    const struct {
        const char* name;
        KelvaroOp op;
        QString file;
        bool streaming;
    } rows[] = {
        {"streamed", KelvaroOp::compress(0.7), jpeg, true},
        {"rendered", KelvaroOp::compress(0.7), jpeg, false},
        {"transparent", KelvaroOp::convert(ImageFormat::png), png, true},
        {"HEIC", KelvaroOp::convert(ImageFormat::heic), jpeg, true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        ImageEngine::setStreaming(row.streaming);
        const auto stop = std::make_shared<ImageEngine::FileAbort>();
        stop->request();
        const ImageEngine::CurrentFileAbort current(stop);
        const QFileInfo info(row.file);
        EXPECT_THROW(ImageEngine::renderImage(row.op, row.file, info.completeBaseName(), info.fileName(), info.size(),
                                              folder(), EngineSettings{}),
                     std::exception);
        ImageEngine::setStreaming(true);
        EXPECT_TRUE(names().isEmpty()) << names().join(QLatin1Char(',')).toStdString();
    }
}

// Whether `path` is a regular file of its own, not a link and not another name of `other`.
bool isOwnRegularFile(const QString& path, const QString& other)
{
    struct stat self {};
    struct stat them {};
    return ::lstat(QFile::encodeName(path).constData(), &self) == 0 && S_ISREG(self.st_mode)
        && ::stat(QFile::encodeName(other).constData(), &them) == 0
        && (self.st_dev != them.st_dev || self.st_ino != them.st_ino);
}

// Someone who can write into the output folder puts a link (or another name of a file elsewhere)
// in place of a part file the moment it has its name: no writer writes through it into that file,
// and no such link becomes a result.
TEST_F(PartFiles, aLinkPutInPlaceOfAPartFileIsNeverWrittenThroughNorPlaced)
{
    Settings::shared().setValue(QStringLiteral("kelvaro.language"), QStringLiteral("cs"));
    QTemporaryDir in;
    const QString photo = ti::writeJpeg(in.path(), QStringLiteral("a.jpg"), ti::quadrants(120, 80));
    // Beside the output folder, on its disk: a hard link reaches it too.
    const QString victim = QDir(in.path()).filePath(QStringLiteral("victim.jpg"));
    const QByteArray precious = "precious bytes of another file";
    const struct {
        const char* name;
        KelvaroOp op;
        bool streaming;
    } operations[] = {
        {"streamed", KelvaroOp::convert(ImageFormat::png), true},
        {"rendered", KelvaroOp::compress(0.7), false},
        {"TIFF with metadata", KelvaroOp::convert(ImageFormat::tiff), true},
        {"HEIC", KelvaroOp::convert(ImageFormat::heic), true},
        {"copied", KelvaroOp::rename(RenameSpec{QStringLiteral("Kopie"), false, 1}), true},
        {"text", KelvaroOp::ocr(), true},
        {"ZIP", KelvaroOp::convert(ImageFormat::zip), true},
        {"PDF", KelvaroOp::convert(ImageFormat::pdf), true},
        {"scan", KelvaroOp::scan(), true},
    };
    const auto unhook = qScopeGuard([] {
        ImageEngine::PartFile::setNamedHook({});
        ImageEngine::setStreaming(true);
    });
    for (const bool hardLink : {false, true}) {
        for (const auto& row : operations) {
            SCOPED_TRACE(std::string(row.name) + (hardLink ? ", hard link" : ", symbolic link"));
            test::writeFile(victim, precious);
            QTemporaryDir out;
            bool swapped = false;
            ImageEngine::PartFile::setNamedHook([&](const QString& part) {
                if (std::exchange(swapped, true))
                    return;
                const QByteArray aside = QFile::encodeName(out.filePath(QStringLiteral("aside")));
                const QByteArray target = QFile::encodeName(victim);
                ASSERT_EQ(hardLink ? ::link(target.constData(), aside.constData()) : ::symlink(target.constData(), aside.constData()), 0);
                ASSERT_EQ(::rename(aside.constData(), QFile::encodeName(part).constData()), 0);
            });
            ImageEngine::setStreaming(row.streaming);
            OpResult result;
            try {
                result = ImageEngine::process(row.op, {photo}, out.path());
            } catch (const KelvaroError&) {
                // The file failing is one right answer; writing into the victim is none.
            }
            ImageEngine::PartFile::setNamedHook({});
            EXPECT_TRUE(swapped);
            EXPECT_TRUE(test::readFile(victim) == precious) << "the file beside the output folder was written";
            for (const QString& output : result.outputs)
                EXPECT_TRUE(isOwnRegularFile(output, victim)) << output.toStdString();
        }
    }
}

} // namespace
