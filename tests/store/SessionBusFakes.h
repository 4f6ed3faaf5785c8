#pragma once
// What the store's tests put on a (private) session bus: a stand-in for the KDE Connect daemon and
// a listener for the launcher entry signals.
#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusError>
#include <QDBusMetaType>
#include <QList>
#include <QMap>
#include <QObject>
#include <QStringList>
#include <QThread>
#include <QVariantMap>

namespace kelvaro::test {

// The KDE Connect daemon: one reachable paired device whose share plugin turns down every file
// with "refused" in its name. Its objects answer on a thread of their own, so blocking calls from
// the test's main thread get their replies.
class FakeKdeConnectDaemon : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.kdeconnect.daemon")
public Q_SLOTS:
    QMap<QString, QString> deviceNames(bool onlyReachable, bool onlyPaired)
    {
        Q_UNUSED(onlyReachable)
        Q_UNUSED(onlyPaired)
        return {{QStringLiteral("phone"), QStringLiteral("Pixel")}};
    }
};

class FakeKdeConnectShare : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.kdeconnect.device.share")
public Q_SLOTS:
    void shareUrl(const QString& url)
    {
        if (url.contains(QLatin1String("refused")))
            sendErrorReply(QDBusError::Failed, QStringLiteral("refused"));
    }
};

class FakeKdeConnect {
public:
    FakeKdeConnect() : m_bus(QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("fake-kdeconnect")))
    {
        qDBusRegisterMetaType<QMap<QString, QString>>();
        m_daemon->moveToThread(&m_thread);
        m_share->moveToThread(&m_thread);
        m_thread.start();
        running = m_bus.isConnected() && m_bus.registerObject(QStringLiteral("/modules/kdeconnect"), m_daemon, QDBusConnection::ExportAllSlots)
                  && m_bus.registerObject(QStringLiteral("/modules/kdeconnect/devices/phone/share"), m_share,
                                          QDBusConnection::ExportAllSlots)
                  && m_bus.registerService(QStringLiteral("org.kde.kdeconnect"));
    }
    ~FakeKdeConnect()
    {
        m_bus.unregisterService(QStringLiteral("org.kde.kdeconnect"));
        m_bus.unregisterObject(QStringLiteral("/modules/kdeconnect"), QDBusConnection::UnregisterTree);
        // Gone in the thread that served the calls, which is all that touched them.
        QMetaObject::invokeMethod(m_daemon, [this] {
            delete m_daemon;
            delete m_share;
        }, Qt::BlockingQueuedConnection);
        m_thread.quit();
        m_thread.wait();
        QDBusConnection::disconnectFromBus(QStringLiteral("fake-kdeconnect"));
    }
    FakeKdeConnect(const FakeKdeConnect&) = delete;
    FakeKdeConnect& operator=(const FakeKdeConnect&) = delete;

    bool running = false;

private:
    QDBusConnection m_bus;
    QThread m_thread;
    FakeKdeConnectDaemon* m_daemon = new FakeKdeConnectDaemon;
    FakeKdeConnectShare* m_share = new FakeKdeConnectShare;
};

// Collects the launcher entry signals seen on a session bus connection of its own.
class BusListener : public QObject {
    Q_OBJECT
public:
    explicit BusListener(const QDBusConnection& connection) : m_connection(connection)
    {
        connected = m_connection.connect(QString(), QString(), QStringLiteral("com.canonical.Unity.LauncherEntry"),
                                         QStringLiteral("Update"), this, SLOT(onUpdate(QString, QVariantMap)));
    }

    bool connected = false;
    QStringList uris;
    QList<QVariantMap> updates;

public Q_SLOTS:
    void onUpdate(const QString& uri, const QVariantMap& properties)
    {
        uris.append(uri);
        updates.append(properties);
    }

private:
    QDBusConnection m_connection;
};

} // namespace kelvaro::test
