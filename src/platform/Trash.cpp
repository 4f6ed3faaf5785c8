#include "platform/Trash.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include "platform/Log.h"

namespace kelvaro {

bool DesktopTrash::moveToTrash(const QString& path)
{
    const QFileInfo source(path);
    if (!source.exists() && !source.isSymLink())
        return false;
    // Without the data folder Qt 6.4 reports success and leaves the file under ./files/.
    const QString dataHome = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (dataHome.isEmpty() || !QDir().mkpath(dataHome))
        return false;

    QString pathInTrash;
    if (!QFile::moveToTrash(path, &pathInTrash))
        return false;
    if (QDir::isAbsolutePath(pathInTrash) && QFileInfo::exists(pathInTrash) && !QFileInfo::exists(path))
        return true;

    // A relative trash path is the fault above: put the file back rather than lose it.
    if (!pathInTrash.isEmpty() && !QDir::isAbsolutePath(pathInTrash)) {
        const QString stray = QDir::current().absoluteFilePath(pathInTrash);
        if (QFileInfo::exists(stray) && !QFileInfo::exists(path) && !QFile::rename(stray, path))
            logLine(QStringLiteral("trash failed, file left at %1").arg(stray));
    }
    return false;
}

bool RecordingTrash::moveToTrash(const QString& path)
{
    trashed.append(path);
    if (failing.contains(path) || !QFileInfo::exists(path))
        return false;
    if (bin.isEmpty())
        return true;
    QDir().mkpath(bin);
    QString target = bin + QLatin1Char('/') + QFileInfo(path).fileName();
    for (int n = 2; QFileInfo::exists(target); ++n)
        target = bin + QLatin1Char('/') + QString::number(n) + QLatin1Char('-') + QFileInfo(path).fileName();
    return QFile::rename(path, target);
}

} // namespace kelvaro
