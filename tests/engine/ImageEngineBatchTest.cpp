#include <memory>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QMutex>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "../support/TestImages.h"
#include "engine/FileOperations.h"
#include "engine/ImageEngine.h"
#include "engine/detectors/CodeReader.h"
#include "engine/detectors/TextRecognizer.h"
#include "platform/Settings.h"

// Readable failure messages for Qt strings.
[[maybe_unused]] static void PrintTo(const QString& text, std::ostream* os)
{
    *os << '"' << text.toStdString() << '"';
}

using namespace kelvaro;
namespace ti = kelvaro::testimages;

namespace {

using Progress = QList<std::pair<int, int>>;

class Batch : public ::testing::Test {
protected:
    void SetUp() override
    {
        initVips();
        Settings::shared().setValue(QStringLiteral("kelvaro.language"), QStringLiteral("cs"));
        ASSERT_TRUE(QDir(m_root.path()).mkdir(QStringLiteral("in")));
        ASSERT_TRUE(QDir(m_root.path()).mkdir(QStringLiteral("out")));
    }
    void TearDown() override
    {
        ImageEngine::FileOperations::setCurrent(nullptr);
        detectors::TextRecognizer::setOverride(nullptr);
        detectors::CodeReader::setOverride(nullptr);
        Settings::shared().remove(QStringLiteral("kelvaro.language"));
    }
    QString in() const { return m_root.filePath(QStringLiteral("in")); }
    QString out() const { return m_root.filePath(QStringLiteral("out")); }
    QString inFile(const QString& name) const { return QDir(in()).filePath(name); }
    QString outFile(const QString& name) const { return QDir(out()).filePath(name); }
    QStringList outNames() const { return QDir(out()).entryList(QDir::Files, QDir::Name); }

    QString photo(const QString& name, int width = 40, int height = 30)
    {
        return name.endsWith(QLatin1String(".png")) ? ti::writePng(in(), name, ti::quadrants(width, height))
                                                    : ti::writeJpeg(in(), name, ti::quadrants(width, height));
    }

    // Hooks that record every progress call.
    RunHooksPtr recordingHooks(std::function<void(int, int)> also = {})
    {
        return std::make_shared<RunHooks>([this, also](int done, int total) {
            {
                QMutexLocker lock(&m_progressLock);
                m_progress.append({done, total});
            }
            if (also)
                also(done, total);
        });
    }

    static QStringList names(const QStringList& paths)
    {
        QStringList result;
        for (const QString& path : paths)
            result << QFileInfo(path).fileName();
        return result;
    }

    QTemporaryDir m_root;
    QMutex m_progressLock;
    Progress m_progress;
};

// The real file operations, except that chosen calls fail or have a side effect.
class ScriptedFiles : public ImageEngine::FileOperations {
public:
    void copy(const QString& from, const QString& to) override
    {
        ++copies;
        if (onCopy)
            onCopy(copies);
        if (failCopyOf.contains(QFileInfo(from).fileName()))
            throw ImageEngine::FileError(QStringLiteral("refused"));
        FileOperations::copy(from, to);
    }
    bool remove(const QString& path) override
    {
        if (refuseRemoval)
            return false;
        return FileOperations::remove(path);
    }
    int copies = 0;
    bool refuseRemoval = false;
    QStringList failCopyOf;
    std::function<void(int)> onCopy;
};

TEST_F(Batch, oneUnreadableFileIsCountedAndTheRestComesOut)
{
    const QStringList files{photo(QStringLiteral("1.jpg")), ti::writeGarbage(in(), QStringLiteral("2.jpg")),
                            photo(QStringLiteral("3.png"))};
    const OpResult result = ImageEngine::process(KelvaroOp::compress(0.7), files, out(), recordingHooks());
    EXPECT_EQ(names(result.outputs), (QStringList{QStringLiteral("1 komprese.jpg"), QStringLiteral("3 komprese.jpg")}));
    EXPECT_EQ(result.failed, 1);
    EXPECT_EQ(result.firstError, KelvaroError::unreadable(QStringLiteral("2.jpg")).message());
    EXPECT_EQ(result.failures, QStringList{KelvaroError::unreadable(QStringLiteral("2.jpg")).message()});
    EXPECT_EQ(m_progress, (Progress{{1, 3}, {2, 3}, {3, 3}}));
    ASSERT_EQ(result.entries.size(), 2);
    EXPECT_EQ(result.entries[0].fileName, QStringLiteral("1.jpg"));
    EXPECT_EQ(result.entries[1].fileName, QStringLiteral("3.png"));
    EXPECT_EQ(result.entries[1].outputPath, outFile(QStringLiteral("3 komprese.jpg")));
    EXPECT_EQ(result.entries[1].savedBytes, std::max<qint64>(QFileInfo(files[2]).size() - QFileInfo(result.outputs[1]).size(), 0));
    EXPECT_TRUE(result.moves.isEmpty());
    EXPECT_FALSE(result.text);
    // Nothing is left behind for the failed file.
    EXPECT_EQ(outNames().size(), 2);
}

TEST_F(Batch, allUnreadableThrowsTheFirstReason)
{
    const QStringList files{ti::writeGarbage(in(), QStringLiteral("a.jpg")), ti::writeGarbage(in(), QStringLiteral("b.jpg")),
                            inFile(QStringLiteral("missing.png"))};
    try {
        ImageEngine::process(KelvaroOp::convert(ImageFormat::png), files, out(), recordingHooks());
        FAIL();
    } catch (const RunError& error) {
        EXPECT_EQ(error.message(), KelvaroError::unreadable(QStringLiteral("a.jpg")).message());
        EXPECT_STREQ(RunError::domain, "Kelvaro");
        EXPECT_EQ(RunError::code, 1);
    }
    EXPECT_EQ(m_progress, (Progress{{1, 3}, {2, 3}, {3, 3}}));
    EXPECT_TRUE(outNames().isEmpty());
}

TEST_F(Batch, cancelDuringTheSecondFileFinishesItAndStops)
{
    QStringList files;
    for (int i = 1; i <= 5; ++i)
        files << photo(QStringLiteral("%1.jpg").arg(i));
    const RunHooksPtr hooks = recordingHooks();
    auto scripted = std::make_shared<ScriptedFiles>();
    scripted->onCopy = [&](int copy) {
        if (copy == 2)
            hooks->cancel(); // arrives while the second file is being copied
    };
    ImageEngine::FileOperations::setCurrent(scripted.get());
    const OpResult result = ImageEngine::process(KelvaroOp::rename({QStringLiteral("R"), true, 1}), files, out(), hooks);
    EXPECT_EQ(names(result.outputs), (QStringList{QStringLiteral("R_001.jpg"), QStringLiteral("R_002.jpg")}));
    EXPECT_EQ(m_progress, (Progress{{1, 5}, {2, 5}}));
    EXPECT_EQ(result.failed, 0);
    EXPECT_FALSE(result.firstError);
}

TEST_F(Batch, cancelledBeforeTheFirstFileOrNoFilesGiveAnEmptyResult)
{
    const RunHooksPtr hooks = recordingHooks();
    hooks->cancel();
    const OpResult cancelled = ImageEngine::process(KelvaroOp::compress(0.5), {photo(QStringLiteral("a.jpg"))}, out(), hooks);
    EXPECT_TRUE(cancelled.outputs.isEmpty());
    EXPECT_TRUE(m_progress.isEmpty());
    const OpResult none = ImageEngine::process(KelvaroOp::compress(0.5), {}, out());
    EXPECT_TRUE(none.outputs.isEmpty());
    EXPECT_EQ(none.failed, 0);
}

TEST_F(Batch, withoutHooksEveryFileIsProcessed)
{
    const QStringList files{photo(QStringLiteral("a.jpg")), photo(QStringLiteral("b.jpg")), photo(QStringLiteral("c.jpg"))};
    const OpResult result = ImageEngine::process(KelvaroOp::stripMetadata(), files, out());
    EXPECT_EQ(result.outputs.size(), 3);
}

TEST_F(Batch, renameNumbersByPositionWithEachOwnExtension)
{
    const QStringList files{photo(QStringLiteral("a.jpg")), photo(QStringLiteral("b.png")), photo(QStringLiteral("c.jpg")),
                            ti::writeTiff(in(), QStringLiteral("d.tiff"), ti::quadrants(10, 10))};
    QFile taken(outFile(QStringLiteral("Dovolená_002.png")));
    ASSERT_TRUE(taken.open(QIODevice::WriteOnly));
    taken.close();
    const OpResult result = ImageEngine::process(KelvaroOp::rename({QStringLiteral("Dovolená"), true, 1}), files, out());
    EXPECT_EQ(names(result.outputs), (QStringList{QStringLiteral("Dovolená_001.jpg"), QStringLiteral("Dovolená_002 2.png"),
                                                  QStringLiteral("Dovolená_003.jpg"), QStringLiteral("Dovolená_004.tiff")}));
    // Copies, byte for byte; the originals stay.
    for (int i = 0; i < files.size(); ++i) {
        EXPECT_TRUE(QFileInfo::exists(files[i]));
        QFile a(files[i]), b(result.outputs[i]);
        ASSERT_TRUE(a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly));
        EXPECT_EQ(a.readAll(), b.readAll());
        EXPECT_EQ(result.entries[i].savedBytes, 0);
    }
    EXPECT_EQ(QFileInfo(outFile(QStringLiteral("Dovolená_002.png"))).size(), 0); // the taken file is untouched
}

TEST_F(Batch, renameWithoutNumbersOrNameAndCountingFailedFiles)
{
    const QStringList files{photo(QStringLiteral("a.jpg")), photo(QStringLiteral("b.jpg")), photo(QStringLiteral("c.png"))};
    const OpResult plainNames = ImageEngine::process(KelvaroOp::rename({QStringLiteral("Léto"), false, 1}), files, out());
    EXPECT_EQ(names(plainNames.outputs),
              (QStringList{QStringLiteral("Léto.jpg"), QStringLiteral("Léto 2.jpg"), QStringLiteral("Léto.png")}));

    const OpResult ownNames = ImageEngine::process(KelvaroOp::rename({QString(), true, 1}), files, out());
    EXPECT_EQ(names(ownNames.outputs),
              (QStringList{QStringLiteral("a_001.jpg"), QStringLiteral("b_002.jpg"), QStringLiteral("c_003.png")}));

    // The first file fails; the second still takes its own position's number.
    const OpResult afterFailure = ImageEngine::process(KelvaroOp::rename({QStringLiteral("X"), true, 7}),
                                                       {inFile(QStringLiteral("gone.jpg")), files[1]}, out());
    EXPECT_EQ(names(afterFailure.outputs), (QStringList{QStringLiteral("X_008.jpg")}));
    EXPECT_EQ(afterFailure.failed, 1);
    EXPECT_TRUE(afterFailure.firstError && afterFailure.firstError->contains(QStringLiteral("gone.jpg")));
}

TEST_F(Batch, moveTakesTheFileAndRecordsIt)
{
    const QString file = photo(QStringLiteral("m.jpg"));
    const QByteArray bytes = [&] { QFile f(file); f.open(QIODevice::ReadOnly); return f.readAll(); }();
    const OpResult result = ImageEngine::process(KelvaroOp::move(), {file}, out());
    ASSERT_EQ(result.outputs, QStringList{outFile(QStringLiteral("m.jpg"))});
    EXPECT_FALSE(QFileInfo::exists(file));
    QFile moved(result.outputs.first());
    ASSERT_TRUE(moved.open(QIODevice::ReadOnly));
    EXPECT_EQ(moved.readAll(), bytes);
    EXPECT_EQ(result.moves, (QList<FileMove>{{file, result.outputs.first()}}));
    EXPECT_EQ(result.keptOriginals, 0);
}

TEST_F(Batch, moveKeepsTheOriginalWhenItCannotBeRemoved)
{
    ScriptedFiles scripted;
    scripted.refuseRemoval = true;
    ImageEngine::FileOperations::setCurrent(&scripted);
    const QString file = photo(QStringLiteral("m.jpg"));
    const OpResult result = ImageEngine::process(KelvaroOp::move(), {file, photo(QStringLiteral("n.png"))}, out());
    EXPECT_EQ(names(result.outputs), (QStringList{QStringLiteral("m.jpg"), QStringLiteral("n.png")}));
    EXPECT_TRUE(QFileInfo::exists(file));
    EXPECT_EQ(result.moves.size(), 2);
    EXPECT_EQ(result.keptOriginals, 2);
    EXPECT_EQ(result.failed, 0);
}

TEST_F(Batch, moveWhoseCopyFailsLeavesEverythingAsItWas)
{
    ScriptedFiles scripted;
    scripted.failCopyOf = {QStringLiteral("m.jpg")};
    ImageEngine::FileOperations::setCurrent(&scripted);
    const QString file = photo(QStringLiteral("m.jpg"));
    const OpResult result = ImageEngine::process(KelvaroOp::move(), {file, photo(QStringLiteral("n.jpg"))}, out());
    EXPECT_EQ(names(result.outputs), QStringList{QStringLiteral("n.jpg")});
    EXPECT_EQ(result.failed, 1);
    EXPECT_EQ(result.firstError, QStringLiteral("refused"));
    EXPECT_TRUE(QFileInfo::exists(file));
    EXPECT_EQ(outNames(), QStringList{QStringLiteral("n.jpg")}); // the claimed name was given back
    EXPECT_EQ(result.moves.size(), 1);
}

// Text and codes by image width, so each file of a batch reads as chosen.
class FakeText : public detectors::TextRecognizer {
public:
    QStringList lines(const cv::Mat& image) const override
    {
        if (image.cols == 40)
            return {QStringLiteral("Účtenka"), QStringLiteral("celkem 120 Kč")};
        if (image.cols == 42)
            return {QStringLiteral("Druhá")};
        return {};
    }
};

class FakeCodes : public detectors::CodeReader {
public:
    QStringList read(const cv::Mat& rgb) const override
    {
        if (rgb.cols == 40 || rgb.cols == 44)
            return {QStringLiteral("https://example.org/a"), QStringLiteral("https://example.org/a"), QStringLiteral("8595")};
        return {};
    }
};

TEST_F(Batch, textRecognitionJoinsTextAndCodesAndWritesTextFiles)
{
    detectors::TextRecognizer::setOverride(std::make_shared<FakeText>());
    detectors::CodeReader::setOverride(std::make_shared<FakeCodes>());
    const QStringList files{photo(QStringLiteral("a.jpg"), 40), photo(QStringLiteral("b.jpg"), 41),
                            photo(QStringLiteral("c.jpg"), 42), photo(QStringLiteral("d.jpg"), 44)};
    const OpResult result = ImageEngine::process(KelvaroOp::ocr(), files, out());
    EXPECT_EQ(names(result.outputs), (QStringList{QStringLiteral("a.txt"), QStringLiteral("b.txt"), QStringLiteral("c.txt"),
                                                  QStringLiteral("d.txt")}));
    const auto read = [](const QString& path) {
        QFile f(path);
        f.open(QIODevice::ReadOnly);
        return QString::fromUtf8(f.readAll());
    };
    const QString first = QStringLiteral("Účtenka\ncelkem 120 Kč\n\nKód: https://example.org/a\nKód: 8595");
    EXPECT_EQ(read(result.outputs[0]), first);
    EXPECT_EQ(read(result.outputs[1]), QString()); // nothing found still gives a file
    EXPECT_EQ(read(result.outputs[3]), QStringLiteral("Kód: https://example.org/a\nKód: 8595")); // no empty line first
    EXPECT_EQ(result.text, first + QStringLiteral("\n\nDruhá\n\nKód: https://example.org/a\nKód: 8595"));
    for (const OpEntry& entry : result.entries)
        EXPECT_EQ(entry.savedBytes, 0);
}

TEST_F(Batch, combinedPdfIsNamedAfterTheOneFileOrTheCount)
{
    const QString one = photo(QStringLiteral("Jediná.jpg"));
    const OpResult single = ImageEngine::process(KelvaroOp::convert(ImageFormat::pdf), {one}, out(), recordingHooks());
    EXPECT_EQ(names(single.outputs), QStringList{QStringLiteral("Jediná.pdf")});
    ASSERT_EQ(single.entries.size(), 1);
    EXPECT_EQ(single.entries[0].fileName, QStringLiteral("Jediná.pdf"));
    EXPECT_EQ(single.entries[0].savedBytes, 0);
    EXPECT_TRUE(m_progress.isEmpty()); // combined outputs report no progress

    const OpResult three = ImageEngine::process(KelvaroOp::convert(ImageFormat::pdf),
                                                {one, photo(QStringLiteral("b.png")), photo(QStringLiteral("c.jpg"))}, out());
    EXPECT_EQ(names(three.outputs), QStringList{QStringLiteral("Spojené fotografie (3).pdf")});
    EXPECT_EQ(three.failed, 0);
}

TEST_F(Batch, combinedPdfWithAnUnreadableFileThrowsItsError)
{
    try {
        ImageEngine::process(KelvaroOp::convert(ImageFormat::pdf),
                             {photo(QStringLiteral("a.jpg")), ti::writeGarbage(in(), QStringLiteral("b.jpg"))}, out());
        FAIL();
    } catch (const KelvaroError& error) {
        EXPECT_EQ(error.kind(), KelvaroError::Kind::unreadable);
        EXPECT_EQ(error.fileName(), QStringLiteral("b.jpg"));
    }
}

TEST_F(Batch, aRefusedArchiveLeavesNoEmptyFileBehind)
{
    // The archive's name is claimed before the writer refuses; the claim must not stay as a 0-byte file.
    const QStringList tooMany(65535, photo(QStringLiteral("a.jpg")));
    try {
        ImageEngine::process(KelvaroOp::convert(ImageFormat::zip), tooMany, out());
        FAIL();
    } catch (const KelvaroError& error) {
        EXPECT_EQ(error.kind(), KelvaroError::Kind::tooLarge);
    }
    EXPECT_TRUE(outNames().isEmpty()) << outNames().join(QLatin1Char(',')).toStdString();
}

TEST_F(Batch, combinedZipIsNamedAfterTheCount)
{
    QStringList files;
    for (int i = 0; i < 5; ++i)
        files << photo(QStringLiteral("IMG_%1.jpg").arg(i));
    const OpResult result = ImageEngine::process(KelvaroOp::convert(ImageFormat::zip), files, out());
    EXPECT_EQ(names(result.outputs), QStringList{QStringLiteral("Kelvaro (5 souborů).zip")});
    EXPECT_EQ(result.entries.first().fileName, QStringLiteral("Kelvaro (5 souborů).zip"));
    QFile zip(result.outputs.first());
    ASSERT_TRUE(zip.open(QIODevice::ReadOnly));
    EXPECT_TRUE(zip.read(4) == QByteArray("PK\x03\x04", 4));
    const OpResult one = ImageEngine::process(KelvaroOp::convert(ImageFormat::zip), {files[0]}, out());
    EXPECT_EQ(names(one.outputs), QStringList{QStringLiteral("IMG_0.zip")});
}

} // namespace
