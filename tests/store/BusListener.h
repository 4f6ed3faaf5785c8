#pragma once
// Collects the launcher entry signals seen on a session bus connection of its own.
#include <QDBusConnection>
#include <QList>
#include <QObject>
#include <QVariantMap>

namespace kelvaro::test {

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
