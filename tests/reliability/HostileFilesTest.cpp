// Hostile and broken files in a batch: each gives its own file's clear error, the other files of
// the batch still come out, and the engine goes on working.
#include <algorithm>

#include <unistd.h>

#include <QDir>
#include <QFileInfo>
#include <QSet>

#include <gtest/gtest.h>

#include "HostileFiles.h"
#include "ReliabilitySupport.h"
#include "platform/FileSystem.h"
#include "engine/ImageEngine.h"
#include "../support/BudgetHold.h"
#include "../support/TestImages.h"
#include "../support/TestSupport.h"
#include "TestPaths.h"

namespace kelvaro::reliability {
namespace {

class HostileFileInBatch : public QuietDesktop<::testing::TestWithParam<HostileFile>> {
protected:
    const test::MemoryLimit limit; // some claim more pixels than the ceiling allows
    const QString in = folder(QStringLiteral("in"));
    const QString out = folder(QStringLiteral("out"));
};

// A file that decodes comes out like any other; a broken one fails alone with its own error,
// alone fails the whole run with it, and is refused by the loader as unreadable. Either way the
// engine goes on working.
TEST_P(HostileFileInBatch, GivesItsOwnErrorAndTheOthersStillComeOut)
{
    const QString first = goodPhoto(in, QStringLiteral("first.jpg"));
    const QString hostile = GetParam().make(in);
    const QString last = goodPhoto(in, QStringLiteral("last.jpg"));
    const QString hostileName = QFileInfo(hostile).fileName();

    // Aside: a run stuck waiting for memory (a file the budget never admits) is cancelled and fails.
    test::RunAside run([&](const RunHooksPtr& hooks) {
        return ImageEngine::process(KelvaroOp::convert(ImageFormat::png), {first, hostile, last}, out, hooks);
    });
    ASSERT_TRUE(run.finished()) << "the run never ended";
    OpResult result;
    ASSERT_NO_THROW(result = run.result());
    if (GetParam().decodes) {
        EXPECT_EQ(result.failed, 0) << result.firstError.value_or(QString()).toStdString();
        ASSERT_EQ(result.outputs.size(), 3);
        // A result of the hostile file is a real image of the source's size.
        const QSize expected = GetParam().size.isValid() ? GetParam().size : testimages::pixelSize(hostile);
        EXPECT_EQ(testimages::pixelSize(result.outputs[1]), expected);
    } else {
        EXPECT_EQ(result.failed, 1);
        ASSERT_EQ(result.outputs.size(), 2) << "a broken file must not come out as a result";
        EXPECT_TRUE(result.firstError.value_or(QString()).contains(hostileName)) << "the error names its file";
        // Nothing is left behind for the failed file (no claimed empty names).
        for (const QString& name : QDir(out).entryList(QDir::Files))
            EXPECT_GT(QFileInfo(QDir(out).filePath(name)).size(), 0) << name.toStdString();

        const auto alone = test::thrown<KelvaroError>([&] { ImageEngine::process(KelvaroOp::convert(ImageFormat::jpg), {hostile}, out); });
        ASSERT_TRUE(alone) << "no error for the file alone";
        EXPECT_TRUE(alone->message().contains(hostileName)) << alone->message().toStdString();
        EXPECT_EQ(QDir(out).entryList({QStringLiteral("*.jpg")}, QDir::Files).size(), 0);
        // A file claiming more pixels than the ceiling is refused as too large, from its header.
        const auto refused = test::thrown<KelvaroError>([&] { ImageEngine::load(hostile); });
        ASSERT_TRUE(refused) << "loaded";
        EXPECT_TRUE(refused->kind() == KelvaroError::Kind::unreadable || refused->kind() == KelvaroError::Kind::tooManyPixels);
        EXPECT_EQ(refused->fileName(), hostileName);
    }
    for (const QString& output : result.outputs)
        EXPECT_TRUE(testimages::pixelSize(output).isValid()) << output.toStdString();
    EXPECT_EQ(result.entries.size(), result.outputs.size());
    EXPECT_EQ(ImageEngine::process(KelvaroOp::convert(ImageFormat::jpg), {first}, out).outputs.size(), 1);
}

INSTANTIATE_TEST_SUITE_P(Files, HostileFileInBatch, ::testing::ValuesIn(hostileFiles()), test::RowName());

// Root reads files whatever their permission bits; the engine's file seam refuses instead, as
// the file system does for a normal user.
class RefusingReads : public FileSystem {
public:
    explicit RefusingReads(QString refused) : m_refused(std::move(refused)) {}
    bool copyOver(const QString& from, const QString& to) override
    {
        return from != m_refused && FileSystem::copyOver(from, to);
    }

private:
    QString m_refused;
};

using UnreadableFile = QuietDesktop<>;

TEST_F(UnreadableFile, FailsAloneInTheBatch)
{
    const QString first = goodPhoto(temp.path(), QStringLiteral("a.jpg"));
    const QString locked = goodPhoto(temp.path(), QStringLiteral("locked.jpg"));
    const QString last = goodPhoto(temp.path(), QStringLiteral("c.jpg"));
    QFile::setPermissions(locked, QFileDevice::Permissions());
    const QString out = folder(QStringLiteral("out"));

    if (::geteuid() != 0) {
        const OpResult converted = ImageEngine::process(KelvaroOp::convert(ImageFormat::png), {first, locked, last}, out);
        EXPECT_EQ(converted.failed, 1);
        EXPECT_EQ(converted.outputs.size(), 2);
        EXPECT_TRUE(converted.firstError.value_or(QString()).contains(QStringLiteral("locked.jpg")));
    }

    RefusingReads refusing(locked);
    FileSystem::setCurrent(&refusing);
    const OpResult renamed = ImageEngine::process(KelvaroOp::rename(RenameSpec{QStringLiteral("Dovolená"), true, 1}),
                                                  {first, locked, last}, out);
    FileSystem::setCurrent(nullptr);
    EXPECT_EQ(renamed.failed, 1);
    ASSERT_EQ(renamed.outputs.size(), 2);
    EXPECT_TRUE(renamed.firstError.value_or(QString()).contains(QStringLiteral("locked.jpg")));
    for (const QString& output : renamed.outputs)
        EXPECT_GT(QFileInfo(output).size(), 0);
}

// Every operation meets the whole hostile set in one batch between two good photos: it ends, each
// file it could not handle fails alone with an error that names a file of the batch, the good
// photos come out, and what comes out of a photo is a whole image. The combined outputs (ZIP, PDF)
// fail as a whole with the first bad file's error and leave nothing behind.
struct OperationRow {
    const char* name;
    KelvaroOp op;
    bool images = true;  // results are images decoded from the sources
    bool combined = false;
};

void PrintTo(const OperationRow& row, std::ostream* os)
{
    *os << row.name;
}

class HostileFilesInEveryOperation : public QuietDesktop<::testing::TestWithParam<OperationRow>> {
protected:
    const test::MemoryLimit limit;
    const QString in = folder(QStringLiteral("in"));
    const QString out = folder(QStringLiteral("out"));
};

TEST_P(HostileFilesInEveryOperation, EndsAndEachBadFileFailsAlone)
{
    const OperationRow& row = GetParam();
    // Faces and a subject, so that blurring and cutting out have something to do.
    const QString face = QStringLiteral(KELVARO_TEST_DATA_DIR "/faces-four-in-a-row.jpg");
    const QString first = in + QStringLiteral("/first.jpg");
    const QString last = in + QStringLiteral("/last.jpg");
    ASSERT_TRUE(QFile::copy(face, first) && QFile::copy(face, last));
    QStringList files{first};
    QSet<QString> broken;
    for (const HostileFile& hostile : hostileFiles()) {
        files.append(hostile.make(in));
        if (!hostile.decodes)
            broken.insert(files.last());
    }
    files.append(last);
    // A message names a file as the user reads it: the source, or the result it would have given.
    const auto namesAFile = [&](const QString& message) {
        return std::any_of(files.begin(), files.end(), [&](const QString& file) {
            const QString name = NativePath::displayName(QFileInfo(file).fileName());
            return message.contains(name) || message.contains(QStringLiteral("„%1").arg(name.section(QLatin1Char('.'), 0, -2)));
        });
    };

    test::RunAside run([&](const RunHooksPtr& hooks) { return ImageEngine::process(row.op, files, out, hooks); });
    ASSERT_TRUE(run.finished()) << "the run never ended";
    if (row.combined) {
        const auto error = test::thrown<KelvaroError>([&] { run.result(); });
        ASSERT_TRUE(error) << "a combined output took a file it cannot read";
        EXPECT_TRUE(namesAFile(error->message())) << error->message().toStdString();
        EXPECT_EQ(test::namesIn(out), QStringList());
        return;
    }
    OpResult result;
    ASSERT_NO_THROW(result = run.result());
    for (const QString& failure : result.failures)
        EXPECT_TRUE(namesAFile(failure)) << failure.toUtf8().toStdString();
    if (row.op.is<op::Scan>()) {
        ASSERT_EQ(result.outputs.size(), 1);
        EXPECT_GE(result.failed, broken.size());
        return;
    }
    EXPECT_EQ(result.outputs.size() + result.failed, files.size());
    QStringList sources;
    for (const OpEntry& entry : result.entries)
        sources.append(entry.sourcePath);
    EXPECT_TRUE(sources.contains(first));
    EXPECT_TRUE(sources.contains(last));
    if (!row.images)
        return;
    for (const QString& source : sources)
        EXPECT_FALSE(broken.contains(source)) << "a result of " << source.toStdString();
    for (const QString& output : result.outputs)
        EXPECT_TRUE(testimages::pixelSize(output).isValid()) << output.toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Operations, HostileFilesInEveryOperation,
    ::testing::Values(OperationRow{"ConvertJpeg", KelvaroOp::convert(ImageFormat::jpg)},
                      OperationRow{"ConvertHeic", KelvaroOp::convert(ImageFormat::heic)},
                      OperationRow{"Resize", KelvaroOp::resize({false, 100, 800})},
                      OperationRow{"Compress", KelvaroOp::compress(0.6)},
                      OperationRow{"Crop", KelvaroOp::crop({})},
                      OperationRow{"Watermark", KelvaroOp::watermark({QStringLiteral("K")})},
                      OperationRow{"StripMetadata", KelvaroOp::stripMetadata()},
                      OperationRow{"BlurFaces", KelvaroOp::blurFaces()},
                      OperationRow{"TextAndCodes", KelvaroOp::ocr(), false},
                      OperationRow{"Rename", KelvaroOp::rename({QStringLiteral("Kopie"), true, 1}), false},
                      OperationRow{"Move", KelvaroOp::move(), false},
                      OperationRow{"Scan", KelvaroOp::scan(), false},
                      OperationRow{"Pdf", KelvaroOp::convert(ImageFormat::pdf), false, true},
                      OperationRow{"Zip", KelvaroOp::convert(ImageFormat::zip), false, true}),
    test::RowName());

} // namespace
} // namespace kelvaro::reliability
