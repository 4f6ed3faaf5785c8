#pragma once
// Finds out whether a newer version has been published: reads a small JSON release feed (its
// address is fixed at build time, KELVARO_UPDATE_URL; none means no checks at all), compares its
// version with the running one and keeps the answer as observed state for the About section.
// Automatic checks run 20 s after start and then every 6 hours, when they are switched on and
// the last successful check is at least 20 hours old (or lies in the future); a newer version
// found by one is announced once per version, in an alert offering the download, as soon as
// the application is active. Manual checks never announce. One shared instance created on
// first use; lives on the main thread. Clock, timers, activity, alert and opener are seams.
#include <functional>
#include <memory>
#include <optional>

#include <QDateTime>
#include <QObject>
#include <QPointer>
#include <QUrl>

#include "platform/SettingsKeys.h"
#include "update/ReleaseFeed.h"

class QNetworkAccessManager;
class QNetworkReply;

namespace kelvaro {

// The timers of the automatic checks (milliseconds). The application's run on the Qt event loop;
// tests record them and fire them by hand.
class UpdateTimers {
public:
    virtual ~UpdateTimers() = default;
    virtual void once(int ms, std::function<void()> action) = 0;
    virtual void every(int ms, std::function<void()> action) = 0;
};

class UpdateChecker : public QObject {
    Q_OBJECT
public:
    enum class Status { idle, checking, upToDate, failed };

    static constexpr int firstCheckDelayMs = 20 * 1000;
    static constexpr int intervalMs = 6 * 60 * 60 * 1000;
    static constexpr qint64 minimumAgeSeconds = 20 * 60 * 60;
    static constexpr int timeoutMs = 15 * 1000;
    static constexpr qint64 maxFeedBytes = 1024 * 1024;
    static constexpr const char* autoCheckKey = SettingsKey::updatesAutoCheck;
    static constexpr const char* lastCheckKey = SettingsKey::updatesLastCheck; // seconds since 2001-01-01 UTC
    static constexpr const char* announcedVersionKey = SettingsKey::updatesAnnouncedVersion;

    struct Environment {
        QUrl feed;               // invalid: no feed
        QString currentVersion;  // dotted; "0" when unknown
        std::function<QDateTime()> clock;
        std::shared_ptr<UpdateTimers> timers;
        std::function<bool()> isActive;
        // Shows the alert modally; true when the user chose the download.
        std::function<bool(const QString& message, const QString& informative)> ask;
        std::function<void(const QUrl&)> open;

        // The build's feed, the build's version, the wall clock, Qt timers, the application's
        // state, a message box and the desktop's URL opener.
        static Environment desktop();
    };

    static UpdateChecker& shared();
    explicit UpdateChecker(Environment environment, QObject* parent = nullptr);
    ~UpdateChecker() override;

    // See ReleaseFeed.
    static QUrl feedFrom(const QString& text) { return ReleaseFeed::feedFrom(text); }
    static bool isNewer(const QString& candidate, const QString& current)
    {
        return ReleaseFeed::isNewer(candidate, current);
    }
    static bool isOpenableDownload(const QString& url) { return ReleaseFeed::isOpenableDownload(url); }

    // ---- Observed state -----------------------------------------------------------------------
    const std::optional<Release>& available() const { return m_available; }
    Status status() const { return m_status; }
    const std::optional<QDateTime>& lastCheck() const { return m_lastCheck; }
    bool autoCheck() const { return m_autoCheck; }
    // Every assignment is stored under "updates.autoCheck".
    void setAutoCheck(bool autoCheck);
    // The notes of `available` in the interface language; none when there are none.
    std::optional<QString> notes() const;

    bool hasFeed() const { return m_environment.feed.isValid(); }
    const QUrl& feed() const { return m_environment.feed; }
    bool isStarted() const { return m_started; }
    bool isWaitingForActivation() const { return m_waitingForActivation; }

    // Schedules the automatic checks (once; nothing without a feed).
    void start();
    // One check; the answer arrives in the observed state. Ignored without a feed and while
    // another check runs.
    void check(bool manual);
    void automaticCheck();
    // Opens the available release's download page (http and https only).
    void openDownload();
    // The application became active: a waiting announcement is shown now.
    void applicationBecameActive();

Q_SIGNALS:
    void availableChanged();
    void statusChanged();
    void lastCheckChanged();
    void autoCheckChanged();

private:
    void finishCheck(QNetworkReply* reply, bool manual);
    void setStatus(Status status);
    void setAvailable(const std::optional<Release>& release);
    void announceOnce(const Release& release);
    void presentAlert(const Release& release);

    Environment m_environment;
    std::optional<Release> m_available;
    Status m_status = Status::idle;
    std::optional<QDateTime> m_lastCheck;
    bool m_autoCheck = true;
    bool m_started = false;
    bool m_waitingForActivation = false;
    QNetworkAccessManager* m_network = nullptr;
    QPointer<QNetworkReply> m_reply;
};

} // namespace kelvaro
