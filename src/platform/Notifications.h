#pragma once
// Desktop notices and whether the application is the active one: two small seams over the
// desktop. The real notifier speaks org.freedesktop.Notifications over D-Bus and is quiet when
// there is no session bus; tests install a RecordingNotifier (or a notifier on a private bus) and
// fix the activity. Main thread.
#include <memory>
#include <optional>

#include <QDBusConnection>
#include <QList>
#include <QString>

namespace kelvaro {

struct Notice {
    QString summary;
    QString body;
    bool operator==(const Notice&) const = default;
};

class Notifier {
public:
    virtual ~Notifier() = default;
    // Whether a notice can reach anyone at all (a bus is connected).
    virtual bool isAvailable() const = 0;
    // Shows a new notice; never replaces an earlier one, never waits for an answer, never reports
    // a failure.
    virtual void post(const Notice& notice) = 0;
    // Desktop notification servers ask for no permission: nothing to do here by default.
    virtual void requestAuthorization() {}
};

// org.freedesktop.Notifications.Notify on the given connection (the session bus by default).
class DBusNotifier final : public Notifier {
public:
    DBusNotifier();
    explicit DBusNotifier(const QDBusConnection& connection);
    bool isAvailable() const override;
    void post(const Notice& notice) override;

private:
    QDBusConnection m_connection;
};

// Keeps what it was asked to show.
class RecordingNotifier final : public Notifier {
public:
    bool isAvailable() const override { return true; }
    void post(const Notice& notice) override { m_notices.append(notice); }
    void requestAuthorization() override { ++m_authorizationRequests; }
    const QList<Notice>& notices() const { return m_notices; }
    int authorizationRequests() const { return m_authorizationRequests; }

private:
    QList<Notice> m_notices;
    int m_authorizationRequests = 0;
};

namespace Notifications {
// The notifier in use: a DBusNotifier on the session bus unless replaced.
Notifier& current();
// Replaces the notifier (none restores the session-bus one).
void setCurrent(std::shared_ptr<Notifier> notifier);
} // namespace Notifications

namespace AppActivity {
// Whether one of the application's windows has the focus (the user is looking at it).
bool isActive();
// Fixes the answer for tests; none asks the application again.
void setOverride(std::optional<bool> active);
} // namespace AppActivity

} // namespace kelvaro
