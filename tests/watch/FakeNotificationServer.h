#pragma once
// A stand-in for the desktop's notification server, registered on a private bus: it keeps every
// Notify call it receives.
#include <memory>

#include <QDBusConnection>
#include <QObject>
#include <QStringList>
#include <QVariantMap>

namespace kelvaro::testing {

struct ReceivedNotice {
    QString appName;
    uint replacesId = 0;
    QString summary;
    QString body;
};

class FakeNotificationServer : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    QList<ReceivedNotice> received;

public Q_SLOTS:
    uint Notify(const QString& appName, uint replacesId, const QString& appIcon, const QString& summary,
                const QString& body, const QStringList& actions, const QVariantMap& hints, int expireTimeout)
    {
        Q_UNUSED(appIcon);
        Q_UNUSED(actions);
        Q_UNUSED(hints);
        Q_UNUSED(expireTimeout);
        received.append(ReceivedNotice{appName, replacesId, summary, body});
        return uint(received.size());
    }
    QStringList GetCapabilities() { return {QStringLiteral("body")}; }
};

// The server on a session-bus connection of its own, answering on the main thread. Created and
// destroyed by a test on the main thread.
class NotificationServerOnBus {
public:
    NotificationServerOnBus() : m_bus(QDBusConnection::connectToBus(QDBusConnection::SessionBus, connectionName()))
    {
        running = m_bus.isConnected()
                  && m_bus.registerObject(QStringLiteral("/org/freedesktop/Notifications"), m_server.get(),
                                          QDBusConnection::ExportAllSlots)
                  && m_bus.registerService(QStringLiteral("org.freedesktop.Notifications"));
    }
    ~NotificationServerOnBus()
    {
        m_bus.unregisterService(QStringLiteral("org.freedesktop.Notifications"));
        // The server goes while the connection is still held: Qt takes it out of the connection's
        // objects on the bus thread and waits for that. The connection's last reference closes it
        // on the bus thread later, walking every object still registered; a server still there
        // would be read by that thread while this one frees it.
        m_server.reset();
        QDBusConnection::disconnectFromBus(connectionName());
    }
    NotificationServerOnBus(const NotificationServerOnBus&) = delete;
    NotificationServerOnBus& operator=(const NotificationServerOnBus&) = delete;

    // Every Notify call received so far (main thread).
    const QList<ReceivedNotice>& received() const { return m_server->received; }

    bool running = false;

private:
    static QString connectionName() { return QStringLiteral("kelvaro-test-notification-server"); }

    QDBusConnection m_bus;
    std::unique_ptr<FakeNotificationServer> m_server = std::make_unique<FakeNotificationServer>();
};

} // namespace kelvaro::testing
