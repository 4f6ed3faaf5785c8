#include "platform/Notifications.h"

#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QGuiApplication>
#include <QVariantMap>

namespace kelvaro {
namespace {

const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");

std::shared_ptr<Notifier>& currentNotifier()
{
    static std::shared_ptr<Notifier> notifier;
    return notifier;
}

std::optional<bool>& activityOverride()
{
    static std::optional<bool> value;
    return value;
}

} // namespace

DBusNotifier::DBusNotifier() : m_connection(QDBusConnection::sessionBus()) {}

DBusNotifier::DBusNotifier(const QDBusConnection& connection) : m_connection(connection) {}

bool DBusNotifier::isAvailable() const
{
    return m_connection.isConnected();
}

void DBusNotifier::post(const Notice& notice)
{
    if (!m_connection.isConnected())
        return;
    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kService, QStringLiteral("Notify"));
    QVariantMap hints;
    // Lets the notification server find the application's name and icon.
    const QString desktopEntry = QGuiApplication::desktopFileName();
    if (!desktopEntry.isEmpty())
        hints.insert(QStringLiteral("desktop-entry"), desktopEntry);
    call << QStringLiteral("Kelvaro") // app_name
         << uint(0)                   // replaces_id: 0 = a new notice every time
         << desktopEntry              // app_icon
         << notice.summary << notice.body
         << QStringList()             // actions
         << hints
         << int(-1);                  // expire_timeout: the server's default
    // The reply (the notice's id, or an error) is of no use.
    m_connection.asyncCall(call);
}

namespace Notifications {

Notifier& current()
{
    std::shared_ptr<Notifier>& notifier = currentNotifier();
    if (!notifier)
        notifier = std::make_shared<DBusNotifier>();
    return *notifier;
}

void setCurrent(std::shared_ptr<Notifier> notifier)
{
    currentNotifier() = std::move(notifier);
}

} // namespace Notifications

namespace AppActivity {

bool isActive()
{
    if (activityOverride())
        return *activityOverride();
    return QGuiApplication::applicationState() == Qt::ApplicationActive;
}

void setOverride(std::optional<bool> active)
{
    activityOverride() = active;
}

} // namespace AppActivity

} // namespace kelvaro
