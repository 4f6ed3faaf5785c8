#include "platform/LauncherProgress.h"

#include <QCryptographicHash>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QGuiApplication>
#include <QVariantMap>

namespace kelvaro {
namespace {

void sendUpdate(const QVariantMap& properties)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return;
    const QString uri = DBusLauncherProgress::applicationUri();
    // Any object path works for the launcher; a stable one per application keeps it tidy.
    const QByteArray hash = QCryptographicHash::hash(uri.toUtf8(), QCryptographicHash::Md5).toHex();
    QDBusMessage signal = QDBusMessage::createSignal(QStringLiteral("/com/canonical/unity/launcherentry/") + QString::fromLatin1(hash),
                                                     QStringLiteral("com.canonical.Unity.LauncherEntry"),
                                                     QStringLiteral("Update"));
    signal << uri << properties;
    bus.send(signal);
}

AttentionRequest* installed = nullptr;

} // namespace

QString DBusLauncherProgress::applicationUri()
{
    QString id = QGuiApplication::desktopFileName();
    if (id.isEmpty())
        id = QCoreApplication::applicationName().toLower();
    if (!id.endsWith(QLatin1String(".desktop")))
        id += QLatin1String(".desktop");
    return QStringLiteral("application://") + id;
}

void DBusLauncherProgress::show(double fraction)
{
    sendUpdate({{QStringLiteral("progress"), fraction}, {QStringLiteral("progress-visible"), true}});
}

void DBusLauncherProgress::hide()
{
    sendUpdate({{QStringLiteral("progress-visible"), false}});
}

bool AttentionRequest::isApplicationActive() const
{
    return QGuiApplication::applicationState() == Qt::ApplicationActive;
}

AttentionRequest& AttentionRequest::shared()
{
    static AttentionRequest fallback;
    return installed ? *installed : fallback;
}

void AttentionRequest::setShared(AttentionRequest* request)
{
    installed = request;
}

} // namespace kelvaro
