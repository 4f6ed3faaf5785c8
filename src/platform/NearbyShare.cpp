#include "platform/NearbyShare.h"

#include <algorithm>

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QMap>
#include <QUrl>

#include "platform/NativeFile.h"
#include "platform/NativePath.h"

namespace kelvaro {
namespace {
const QString kService = QStringLiteral("org.kde.kdeconnect");
const int kTimeoutMs = 2000;

bool daemonRunning(QDBusConnection& bus)
{
    if (!bus.isConnected() || !bus.interface())
        return false;
    const auto registered = bus.interface()->isServiceRegistered(kService);
    return registered.isValid() && registered.value();
}
} // namespace

QList<NearbyDevice> KdeConnectShare::devices()
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!daemonRunning(bus))
        return {};
    qDBusRegisterMetaType<QMap<QString, QString>>();
    QDBusMessage call = QDBusMessage::createMethodCall(kService, QStringLiteral("/modules/kdeconnect"),
                                                       QStringLiteral("org.kde.kdeconnect.daemon"),
                                                       QStringLiteral("deviceNames"));
    call << true << true; // only reachable, only paired
    const QDBusMessage reply = bus.call(call, QDBus::Block, kTimeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return {};
    QMap<QString, QString> names;
    const QVariant answer = reply.arguments().first();
    if (answer.canConvert<QDBusArgument>())
        answer.value<QDBusArgument>() >> names;
    QList<NearbyDevice> found;
    for (auto it = names.cbegin(); it != names.cend(); ++it)
        found.append({it.key(), it.value().trimmed().isEmpty() ? it.key() : it.value()});
    std::sort(found.begin(), found.end(), [](const NearbyDevice& a, const NearbyDevice& b) {
        return QString::localeAwareCompare(a.name, b.name) < 0;
    });
    return found;
}

bool KdeConnectShare::send(const QString& deviceId, const QString& path)
{
    if (deviceId.isEmpty() || !NativeFile::isFile(path))
        return false;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return false;
    QDBusMessage call = QDBusMessage::createMethodCall(
        kService, QStringLiteral("/modules/kdeconnect/devices/%1/share").arg(deviceId),
        QStringLiteral("org.kde.kdeconnect.device.share"), QStringLiteral("shareUrl"));
    call << NativePath::localUrl(path).toString();
    return bus.call(call, QDBus::Block, kTimeoutMs).type() == QDBusMessage::ReplyMessage;
}

} // namespace kelvaro
