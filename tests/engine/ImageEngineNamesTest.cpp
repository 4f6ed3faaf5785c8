// Output names are claimed atomically: a free name is taken as it is (as an empty file), taken
// names get numbers before the extension, and threads racing for one name never share it. A
// result is named with the bytes of its source's name, also where they are not UTF-8.
#include <filesystem>
#include <thread>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QScopeGuard>
#include <QSet>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "engine/ImageEngine.h"
#include "platform/NativePath.h"
#include "EngineFixture.h"
#include "../support/TestImages.h"
#include "../support/TestSupport.h"

using namespace kelvaro;
namespace ti = kelvaro::testimages;

namespace {

class UniqueURL : public ::testing::Test {
protected:
    QString path(const QString& name) const { return QDir(m_dir.path()).filePath(name); }
    QString claim(const QString& base, const QString& extension) const
    {
        return QFileInfo(ImageEngine::uniqueURL(m_dir.path(), base, extension)).fileName();
    }
    QTemporaryDir m_dir;
};

TEST_F(UniqueURL, takenNamesGetNumbersBeforeTheExtension)
{
    const QString url = ImageEngine::uniqueURL(m_dir.path(), QStringLiteral("IMG_1"), QStringLiteral("jpg"));
    EXPECT_EQ(url, path(QStringLiteral("IMG_1.jpg")));
    // The claim is a real, empty file: a second run cannot get the same name.
    EXPECT_TRUE(QFileInfo(url).isFile());
    EXPECT_EQ(QFileInfo(url).size(), 0);
    EXPECT_EQ(claim(QStringLiteral("IMG_1"), QStringLiteral("jpg")), QStringLiteral("IMG_1 2.jpg"));
    EXPECT_EQ(claim(QStringLiteral("IMG_1"), QStringLiteral("jpg")), QStringLiteral("IMG_1 3.jpg"));
    // Only the exact name counts: another extension is free.
    EXPECT_EQ(claim(QStringLiteral("IMG_1"), QStringLiteral("png")), QStringLiteral("IMG_1.png"));
    // Folders and dangling links count as taken; no extension adds no dot.
    QDir(m_dir.path()).mkdir(QStringLiteral("README"));
    EXPECT_EQ(claim(QStringLiteral("README"), QString()), QStringLiteral("README 2"));
    ASSERT_EQ(::symlink("/nonexistent/target", QFile::encodeName(path(QStringLiteral("a.jpg"))).constData()), 0);
    EXPECT_EQ(claim(QStringLiteral("a"), QStringLiteral("jpg")), QStringLiteral("a 2.jpg"));
    EXPECT_FALSE(QFileInfo::exists(QStringLiteral("/nonexistent/target")));
}

TEST_F(UniqueURL, slashesAndColonsBecomeDashesSoTheNameStaysInTheFolder)
{
    const std::pair<const char*, const char*> rows[] = {
        {"a/b:c", "a-b-c.jpg"}, {"../up", "..-up.jpg"}, {"12:30 / oběd", "12-30 - oběd.jpg"}, {"Dovolená", "Dovolená.jpg"}};
    for (const auto& [base, expected] : rows) {
        const QString url = ImageEngine::uniqueURL(m_dir.path(), QString::fromUtf8(base), QStringLiteral("jpg"));
        EXPECT_EQ(QFileInfo(url).fileName(), QString::fromUtf8(expected));
        EXPECT_EQ(QFileInfo(url).absolutePath(), QFileInfo(m_dir.path()).absoluteFilePath());
    }
    // A folder that refuses files still gets a name (the write then fails with it).
    const QString missing = path(QStringLiteral("gone"));
    EXPECT_EQ(ImageEngine::uniqueURL(missing, QStringLiteral("a"), QStringLiteral("jpg")), QDir(missing).filePath(QStringLiteral("a.jpg")));
}

TEST_F(UniqueURL, concurrentClaimsNeverShareAName)
{
    QMutex mutex;
    QStringList claimed;
    std::vector<std::thread> threads;
    for (int t = 0; t < 8; ++t)
        threads.emplace_back([&] {
            for (int i = 0; i < 25; ++i) {
                const QString url = ImageEngine::uniqueURL(m_dir.path(), QStringLiteral("IMG_7 komprese"), QStringLiteral("jpg"));
                QMutexLocker lock(&mutex);
                claimed.append(url);
            }
        });
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(QSet<QString>(claimed.begin(), claimed.end()).size(), 200);
    EXPECT_TRUE(claimed.contains(path(QStringLiteral("IMG_7 komprese.jpg"))));
    EXPECT_TRUE(claimed.contains(path(QStringLiteral("IMG_7 komprese 200.jpg"))));
}

// Every kind of result of "caf\xe9.jpg" keeps the byte \xe9 in its name: only its own part of the
// name (extension, suffix, number, a rename's number) is the engine's; the second result of the
// same name gets " 2" and nothing else. A move keeps the user's file's name. Also with the byte in
// the source's folder and in the results folder.
using ResultNames = test::InAndOut<>; // Czech suffixes

TEST_F(ResultNames, aSourceNameThatIsNotUtf8KeepsItsBytesInEveryResult)
{
    const struct {
        const char* name;
        KelvaroOp op;
        QByteArray first;
        QByteArray second;
    } rows[] = {
        {"convert", KelvaroOp::convert(ImageFormat::png), "caf\xe9.png", "caf\xe9 2.png"},
        {"compress", KelvaroOp::compress(0.6), "caf\xe9 komprese.jpg", "caf\xe9 komprese 2.jpg"},
        {"stripMetadata", KelvaroOp::stripMetadata(), "caf\xe9 bez metadat.jpg", "caf\xe9 bez metadat 2.jpg"},
        {"resize", KelvaroOp::resize({true, 50, 1920}), "caf\xe9 20px.jpg", "caf\xe9 20px 2.jpg"},
        {"crop", KelvaroOp::crop({}), "caf\xe9 o\xc5\x99" "ez 1x1.jpg", "caf\xe9 o\xc5\x99" "ez 1x1 2.jpg"},
        {"watermark", KelvaroOp::watermark({QStringLiteral("K")}), "caf\xe9 vodoznak.jpg", "caf\xe9 vodoznak 2.jpg"},
        {"scan", KelvaroOp::scan(), "caf\xe9 sken.pdf", "caf\xe9 sken 2.pdf"},
        {"renameKeepingTheName", KelvaroOp::rename({QString(), true, 7}), "caf\xe9_007.jpg", "caf\xe9_007 2.jpg"},
        {"renameTemplate", KelvaroOp::rename({QStringLiteral("Léto"), true, 1}), "L\xc3\xa9to_001.jpg", "L\xc3\xa9to_001 2.jpg"},
        {"move", KelvaroOp::move(), "caf\xe9.jpg", "caf\xe9 2.jpg"},
        {"ocr", KelvaroOp::ocr(), "caf\xe9.txt", "caf\xe9 2.txt"},
        {"pdf", KelvaroOp::convert(ImageFormat::pdf), "caf\xe9.pdf", "caf\xe9 2.pdf"},
        {"zip", KelvaroOp::convert(ImageFormat::zip), "caf\xe9.zip", "caf\xe9 2.zip"},
    };
    const struct {
        const char* name;
        QByteArray sourceFolder;
        QByteArray resultsFolder;
    } places[] = {
        {"plainFolders", "in", "out"},
        {"foldersWithTheByte", "fotky-\xe9", "v\xfdsledky-\xe9"},
    };
    QTemporaryDir temp;
    const QByteArray base = NativePath::encoded(temp.path());
    // Qt's listing would leave the names that are not UTF-8 behind.
    const auto removeAll = qScopeGuard([&] { std::filesystem::remove_all(base.toStdString()); });
    for (const auto& place : places) {
        for (const auto& row : rows) {
            SCOPED_TRACE(std::string(place.name) + " " + row.name);
            const QByteArray sourceFolder = base + "/" + place.name + "/" + place.sourceFolder;
            const QByteArray resultsFolder = base + "/" + place.name + "/" + row.name + "/" + place.resultsFolder;
            for (const QByteArray& folder : {sourceFolder, resultsFolder}) {
                std::error_code error;
                std::filesystem::create_directories(folder.toStdString(), error);
                ASSERT_TRUE(std::filesystem::is_directory(folder.toStdString()));
            }
            for (const QByteArray& expected : {row.first, row.second}) {
                const QString source = ti::writeJpeg(NativePath::decoded(sourceFolder), NativePath::decoded("caf\xe9.jpg"),
                                                     ti::quadrants(40, 30));
                const QByteArray sourceBytes = test::readFile(source);
                const OpResult result = ImageEngine::process(row.op, {source}, NativePath::decoded(resultsFolder));
                ASSERT_EQ(result.outputs.size(), 1) << result.firstError.value_or(QString()).toStdString();
                EXPECT_EQ(NativePath::encoded(result.outputs[0]), resultsFolder + "/" + expected);
                EXPECT_TRUE(test::namesIn(NativePath::decoded(resultsFolder)).contains(NativePath::decoded(expected)));
                if (row.op.is<op::Move>()) {
                    EXPECT_EQ(test::readFile(result.outputs[0]), sourceBytes);
                    EXPECT_EQ(::access(NativePath::encoded(source).constData(), F_OK), -1);
                    EXPECT_EQ(result.moves, (QList<FileMove>{{source, result.outputs[0]}}));
                } else {
                    EXPECT_EQ(::access(NativePath::encoded(result.outputs[0]).constData(), F_OK), 0);
                    EXPECT_EQ(::access(NativePath::encoded(source).constData(), F_OK), 0);
                }
                // What is shown reads as text.
                ASSERT_EQ(result.entries.size(), 1);
                EXPECT_EQ(QString::fromUtf8(result.entries[0].fileName.toUtf8()), result.entries[0].fileName);
            }
            for (const QString& name : test::namesIn(NativePath::decoded(resultsFolder)))
                EXPECT_FALSE(name.contains(QChar::ReplacementCharacter)) << name.toStdString();
        }
    }
}

// A link under the name a result would take, pointing at a file outside or at nothing, is a taken
// name like any other: every kind of result passes it by, never writes through it into the file it
// points to, and is a file of its own, also in an output folder that is itself reached by a link.
TEST_F(ResultNames, aLinkUnderAResultsNameIsPassedByAndWhatItPointsToStaysUntouched)
{
    const struct {
        const char* name;
        KelvaroOp op;
        const char* first; // taken by a link to a file outside
        const char* second; // taken by a link to nothing
        const char* third;
    } rows[] = {
        {"convert", KelvaroOp::convert(ImageFormat::png), "a.png", "a 2.png", "a 3.png"},
        {"compress", KelvaroOp::compress(0.6), "a komprese.jpg", "a komprese 2.jpg", "a komprese 3.jpg"},
        {"HEIC", KelvaroOp::convert(ImageFormat::heic), "a.heic", "a 2.heic", "a 3.heic"},
        {"scan", KelvaroOp::scan(), "a sken.pdf", "a sken 2.pdf", "a sken 3.pdf"},
        {"rename", KelvaroOp::rename({QString(), true, 7}), "a_007.jpg", "a_007 2.jpg", "a_007 3.jpg"},
        {"move", KelvaroOp::move(), "a.jpg", "a 2.jpg", "a 3.jpg"},
        {"ocr", KelvaroOp::ocr(), "a.txt", "a 2.txt", "a 3.txt"},
        {"pdf", KelvaroOp::convert(ImageFormat::pdf), "a.pdf", "a 2.pdf", "a 3.pdf"},
        {"zip", KelvaroOp::convert(ImageFormat::zip), "a.zip", "a 2.zip", "a 3.zip"},
    };
    const QByteArray victimBytes = "a file outside the output folder";
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const QDir real(QDir(out()).filePath(QStringLiteral("real-%1").arg(QLatin1String(row.name))));
        ASSERT_TRUE(real.mkpath(QStringLiteral(".")));
        const QString victim = QDir(in()).filePath(QStringLiteral("victim-%1").arg(QLatin1String(row.name)));
        test::writeFile(victim, victimBytes);
        ASSERT_TRUE(QFile::link(victim, real.filePath(QLatin1String(row.first))));
        ASSERT_TRUE(QFile::link(QDir(in()).filePath(QStringLiteral("nothing")), real.filePath(QLatin1String(row.second))));
        const QString linked = QDir(out()).filePath(QStringLiteral("linked-%1").arg(QLatin1String(row.name)));
        ASSERT_TRUE(QFile::link(real.path(), linked));
        const QString source = ti::writeJpeg(in(), QStringLiteral("a.jpg"), ti::quadrants(40, 30));

        const OpResult result = ImageEngine::process(row.op, {source}, linked);
        ASSERT_EQ(result.outputs.size(), 1) << result.firstError.value_or(QString()).toStdString();
        EXPECT_EQ(result.outputs[0], QDir(linked).filePath(QLatin1String(row.third)));
        EXPECT_FALSE(QFileInfo(result.outputs[0]).isSymLink());
        EXPECT_TRUE(QFileInfo(real.filePath(QLatin1String(row.third))).isFile());
        EXPECT_TRUE(test::readFile(victim) == victimBytes) << "written through the link";
        EXPECT_TRUE(QFileInfo(real.filePath(QLatin1String(row.first))).isSymLink());
        EXPECT_TRUE(QFileInfo(real.filePath(QLatin1String(row.second))).isSymLink());
    }
}

} // namespace
