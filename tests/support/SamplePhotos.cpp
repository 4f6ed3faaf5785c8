#include "TestPaths.h"
#include "SamplePhotos.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QLockFile>
#include <QProcess>
#include <QTemporaryDir>

#include "engine/detectors/ModelFiles.h"

namespace kelvaro::test {
namespace {

constexpr const char* package = "python3-skimage";
constexpr const char* dataFolder = "usr/lib/python3/dist-packages/skimage/data";
// After a failed download the next processes do not try again for this long.
constexpr qint64 retryAfterSeconds = 600;

QString cacheFolder()
{
    const QString fromEnv = qEnvironmentVariable("KELVARO_TEST_PHOTOS");
    return fromEnv.isEmpty() ? QStringLiteral(KELVARO_BUILD_DIR "/test-photos") : fromEnv;
}

bool run(const QString& program, const QStringList& arguments, const QString& folder, QString* error)
{
    QProcess process;
    process.setWorkingDirectory(folder);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    if (!process.waitForStarted(10000)) {
        *error = program + QStringLiteral(" is not available");
        return false;
    }
    if (!process.waitForFinished(180000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        const QStringList output = QString::fromLocal8Bit(process.readAll()).trimmed().split(QLatin1Char('\n'));
        *error = program + QStringLiteral(" failed: ") + output.last();
        process.kill();
        return false;
    }
    return true;
}

// Downloads and unpacks the package's data folder into `target`. Returns "" or the reason.
QString fetch(const QString& target)
{
    QTemporaryDir work(cacheFolder() + QStringLiteral("/.fetch-XXXXXX"));
    if (!work.isValid())
        return QStringLiteral("cannot create a work folder in ") + cacheFolder();
    QString error;
    if (!run(QStringLiteral("apt-get"), {QStringLiteral("download"), QString::fromLatin1(package)}, work.path(), &error))
        return error;
    const QStringList debs = QDir(work.path()).entryList({QStringLiteral("*.deb")}, QDir::Files);
    if (debs.isEmpty())
        return QStringLiteral("apt-get download left no package");
    if (!run(QStringLiteral("dpkg-deb"), {QStringLiteral("-x"), debs.first(), QStringLiteral("x")}, work.path(), &error))
        return error;
    const QDir data(work.filePath(QStringLiteral("x/") + QLatin1String(dataFolder)));
    QDir().mkpath(target);
    for (const QString& png : data.entryList({QStringLiteral("*.png")}, QDir::Files)) {
        const QString destination = QDir(target).filePath(png);
        QFile::remove(destination);
        if (!QFile::copy(data.filePath(png), destination))
            return QStringLiteral("cannot copy ") + png;
    }
    return {};
}

} // namespace

QString samplePhoto(const QString& name, QString* whyMissing)
{
    const QString folder = cacheFolder();
    const QString photos = folder + QStringLiteral("/skimage");
    const QString path = photos + QLatin1Char('/') + name;
    if (QFileInfo(path).isFile())
        return path;
    QDir().mkpath(folder);
    QLockFile lock(folder + QStringLiteral("/.fetch.lock"));
    lock.setStaleLockTime(300000);
    if (!lock.tryLock(300000)) {
        if (whyMissing)
            *whyMissing = QStringLiteral("another test holds the download lock");
        return {};
    }
    if (QFileInfo(path).isFile()) // fetched by another process while we waited
        return path;
    QFile failure(folder + QStringLiteral("/.fetch-failed"));
    const QFileInfo failureInfo(failure);
    if (failureInfo.exists() && failureInfo.lastModified().secsTo(QDateTime::currentDateTime()) < retryAfterSeconds) {
        if (whyMissing && failure.open(QIODevice::ReadOnly))
            *whyMissing = QString::fromUtf8(failure.readAll());
        return {};
    }
    const QString error = QFileInfo(photos).isDir() ? QStringLiteral("%1 has no %2").arg(QLatin1String(package), name)
                                                    : fetch(photos);
    if (error.isEmpty() && QFileInfo(path).isFile()) {
        QFile::remove(failure.fileName());
        return path;
    }
    const QString reason = error.isEmpty() ? QStringLiteral("%1 has no %2").arg(QLatin1String(package), name) : error;
    if (!error.isEmpty() && failure.open(QIODevice::WriteOnly | QIODevice::Truncate))
        failure.write(reason.toUtf8());
    if (whyMissing)
        *whyMissing = reason;
    return {};
}

QString modelForTest(const QString& fileName, QString* whyMissing)
{
    const QString path = detectors::modelFile(fileName);
    if (path.isEmpty() && whyMissing)
        *whyMissing = QStringLiteral("model %1 not installed (run scripts/install-models <build>/models or set %2)")
                          .arg(fileName, QLatin1String(detectors::modelsDirEnv));
    return path;
}

} // namespace kelvaro::test
