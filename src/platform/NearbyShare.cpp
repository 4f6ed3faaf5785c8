#include "platform/NearbyShare.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QFileInfo>
#include <QUrl>

namespace kelvaro {
namespace {
const QString kService = QStringLiteral("org.kde.kdeconnect");
const int kTimeoutMs = 2000;
} // namespace

QString KdeConnectShare::reachableDevice() const
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.interface())
        return {};
    const auto registered = bus.interface()->isServiceRegistered(kService);
    if (!registered.isValid() || !registered.value())
        return {};
    QDBusMessage call = QDBusMessage::createMethodCall(kService, QStringLiteral("/modules/kdeconnect"),
                                                       QStringLiteral("org.kde.kdeconnect.daemon"),
                                                       QStringLiteral("devices"));
    call << true << true; // only reachable, only paired
    const QDBusMessage reply = bus.call(call, QDBus::Block, kTimeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return {};
    const QStringList devices = reply.arguments().first().toStringList();
    return devices.isEmpty() ? QString() : devices.first();
}

bool KdeConnectShare::canSend(const QStringList& paths)
{
    if (paths.isEmpty())
        return false;
    for (const QString& path : paths) {
        if (!QFileInfo(path).isFile())
            return false;
    }
    return !reachableDevice().isEmpty();
}

QStringList KdeConnectShare::send(const QStringList& paths)
{
    const QString device = reachableDevice();
    if (device.isEmpty())
        return {};
    QDBusConnection bus = QDBusConnection::sessionBus();
    QStringList accepted;
    for (const QString& path : paths) {
        QDBusMessage call = QDBusMessage::createMethodCall(
            kService, QStringLiteral("/modules/kdeconnect/devices/%1/share").arg(device),
            QStringLiteral("org.kde.kdeconnect.device.share"), QStringLiteral("shareUrl"));
        call << QUrl::fromLocalFile(path).toString();
        const QDBusMessage reply = bus.call(call, QDBus::Block, kTimeoutMs);
        if (reply.type() == QDBusMessage::ReplyMessage)
            accepted.append(path);
    }
    return accepted;
}

} // namespace kelvaro
