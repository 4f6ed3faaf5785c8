#include "platform/FileManager.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDesktopServices>
#include <QFileInfo>
#include <QUrl>

#include "platform/NativeFile.h"
#include "platform/NativePath.h"

namespace kelvaro {
namespace {
const QString kService = QStringLiteral("org.freedesktop.FileManager1");

bool showItemsOverBus(const QStringList& paths)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.interface())
        return false;
    // Only ask a file manager that runs or can be started; otherwise the call would just time out.
    const auto registered = bus.interface()->isServiceRegistered(kService);
    const auto activatable = bus.interface()->activatableServiceNames();
    if (!(registered.isValid() && registered.value())
        && !(activatable.isValid() && activatable.value().contains(kService)))
        return false;
    QStringList uris;
    for (const QString& path : paths)
        uris.append(NativePath::localUrl(path).toString(QUrl::FullyEncoded));
    QDBusMessage call = QDBusMessage::createMethodCall(kService, QStringLiteral("/org/freedesktop/FileManager1"),
                                                       kService, QStringLiteral("ShowItems"));
    call << uris << QString();
    const QDBusMessage reply = bus.call(call, QDBus::Block, 3000);
    return reply.type() == QDBusMessage::ReplyMessage;
}
} // namespace

bool DesktopFileManager::reveal(const QStringList& paths)
{
    if (paths.isEmpty())
        return true;
    if (showItemsOverBus(paths))
        return true;
    // Nothing can select the items, so their folder is opened. A folder shown for itself opens:
    // in its parent nothing would point at it.
    const QString first = NativeFile::absolute(paths.first());
    const bool itself = paths.size() == 1 && NativeFile::isDir(first);
    return QDesktopServices::openUrl(NativePath::localUrl(itself ? first : QFileInfo(first).path()));
}

bool DesktopFileManager::openFolder(const QString& path)
{
    return path.isEmpty() || QDesktopServices::openUrl(NativePath::localUrl(path));
}

bool DesktopFileManager::open(const QString& path)
{
    return path.isEmpty() || QDesktopServices::openUrl(NativePath::localUrl(path));
}

} // namespace kelvaro
