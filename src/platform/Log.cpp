#include "platform/Log.h"

#include <QMutex>
#include <QStringList>
#include <QtGlobal>

namespace kelvaro {
namespace {
QMutex logMutex;
QStringList& recent()
{
    static QStringList lines;
    return lines;
}
} // namespace

void logLine(const QString& message)
{
    logLineAsIs(QStringLiteral("Kelvaro: ") + message);
}

void logLineAsIs(const QString& line)
{
    qInfo("%s", qUtf8Printable(line));
    QMutexLocker lock(&logMutex);
    recent().append(line);
    if (recent().size() > 200)
        recent().removeFirst();
}

QStringList recentLogLines()
{
    QMutexLocker lock(&logMutex);
    return recent();
}

void clearRecentLogLines()
{
    QMutexLocker lock(&logMutex);
    recent().clear();
}

} // namespace kelvaro
