#pragma once
// A stand-in for the desktop's notification server, registered on a private bus: it keeps every
// Notify call it receives.
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

} // namespace kelvaro::testing
