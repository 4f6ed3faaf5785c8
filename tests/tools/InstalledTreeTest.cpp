// `cmake --install` into a fresh prefix: the detector models land in share/kelvaro/models, where a
// program in the prefix's bin folder finds them without being told, and the PDF page drawer lands
// beside the programs that run it.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "../support/TestImages.h"
#include "TestPaths.h"
#include "engine/detectors/ModelFiles.h"

using namespace kelvaro;
namespace ti = kelvaro::testimages;

namespace {

// Runs a copy of kelvaro-process from `bin` on one photo with faces to look for, with no model
// folder named in its environment; returns what it logged.
QString faceRunLog(const QString& bin, const QString& photo, const QString& out)
{
    QDir().mkpath(bin);
    const QString tool = QDir(bin).filePath(QStringLiteral("kelvaro-process"));
    QFile::remove(tool);
    EXPECT_TRUE(QFile::copy(QStringLiteral(KELVARO_BUILD_DIR "/kelvaro-process"), tool));
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QString::fromLatin1(detectors::modelsDirEnv));
    process.setProcessEnvironment(env);
    process.setWorkingDirectory(out);
    process.start(tool, {QStringLiteral("--op"), QStringLiteral("\"blurFaces\""), QStringLiteral("--out"), out, photo});
    EXPECT_TRUE(process.waitForFinished(120000));
    return QString::fromUtf8(process.readAllStandardError());
}

// Runs kelvaro-process from `bin` (a copy when it is not there yet) on `pdf` → PNG, with no
// drawer named in its environment; returns what it printed.
QString pdfRunOutput(const QString& bin, const QString& pdf, const QString& out)
{
    const QString tool = QDir(bin).filePath(QStringLiteral("kelvaro-process"));
    if (!QFileInfo::exists(tool)) {
        EXPECT_TRUE(QFile::copy(QStringLiteral(KELVARO_BUILD_DIR "/kelvaro-process"), tool));
    }
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("KELVARO_PDFPAGE"));
    process.setProcessEnvironment(env);
    process.start(tool, {QStringLiteral("--op"), QStringLiteral("{\"convert\":\"png\"}"), QStringLiteral("--out"), out, pdf});
    EXPECT_TRUE(process.waitForFinished(120000));
    return QString::fromUtf8(process.readAllStandardOutput());
}

TEST(InstalledTree, putsTheModelsWhereTheInstalledProgramFindsThem)
{
    const QDir built(QStringLiteral(KELVARO_BUILD_DIR "/models"));
    const QStringList models{QString::fromLatin1(detectors::faceFrontModel), QString::fromLatin1(detectors::faceBackModel),
                             QString::fromLatin1(detectors::segmentationModel), QString::fromLatin1(detectors::faceCascade)};
    for (const QString& model : models) {
        if (!QFileInfo(built.filePath(model)).isFile())
            GTEST_SKIP() << "the models were not fetched into " << built.path().toStdString();
    }
    QTemporaryDir root;
    const QString prefix = root.filePath(QStringLiteral("prefix"));
    QProcess install;
    install.setProcessChannelMode(QProcess::MergedChannels);
    install.start(QStandardPaths::findExecutable(QStringLiteral("cmake")),
                  {QStringLiteral("--install"), QStringLiteral(KELVARO_BUILD_DIR), QStringLiteral("--prefix"), prefix});
    ASSERT_TRUE(install.waitForFinished(300000));
    const QString log = QString::fromUtf8(install.readAll());
    ASSERT_EQ(install.exitCode(), 0) << log.toStdString();
    EXPECT_FALSE(log.contains(QStringLiteral("Warning"))) << log.toStdString();

    const QDir installed(prefix + QStringLiteral("/share/kelvaro/models"));
    for (const QString& model : models)
        EXPECT_EQ(QFileInfo(installed.filePath(model)).size(), QFileInfo(built.filePath(model)).size()) << model.toStdString();
    EXPECT_TRUE(QFileInfo(prefix + QStringLiteral("/bin/kelvaro")).isExecutable());
    EXPECT_TRUE(QFileInfo(prefix + QStringLiteral("/bin/kelvaro-pdfpage")).isExecutable());

    // The same program finds the face models from the prefix, and says so where there are none.
    const QString photo = ti::writeJpeg(root.path(), QStringLiteral("photo.jpg"), ti::quadrants(64, 48));
    QDir().mkpath(root.filePath(QStringLiteral("out")));
    const QString missing = QStringLiteral("face models not found");
    EXPECT_FALSE(faceRunLog(prefix + QStringLiteral("/bin"), photo, root.filePath(QStringLiteral("out"))).contains(missing));
    EXPECT_TRUE(faceRunLog(root.filePath(QStringLiteral("bare/bin")), photo, root.filePath(QStringLiteral("out"))).contains(missing));

    // A PDF page is drawn by the drawer beside the program, and by nothing where there is none.
    const QString pdf = ti::writePdf(root.path(), QStringLiteral("page.pdf"), QSizeF(200, 100));
    QDir().mkpath(root.filePath(QStringLiteral("pages")));
    EXPECT_TRUE(pdfRunOutput(prefix + QStringLiteral("/bin"), pdf, root.filePath(QStringLiteral("pages"))).contains(QStringLiteral("\"failed\":0")));
    EXPECT_TRUE(pdfRunOutput(root.filePath(QStringLiteral("bare/bin")), pdf, root.filePath(QStringLiteral("pages"))).contains(QStringLiteral("\"error\"")));
}

} // namespace
