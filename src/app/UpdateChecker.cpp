#include "app/UpdateChecker.h"

#include <QDesktopServices>
#include <QGuiApplication>
#include <QLabel>
#include <QMessageBox>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPushButton>
#include <QTimer>

#include "l10n/Localization.h"
#include "platform/Json.h"
#include "platform/Settings.h"

namespace kelvaro {
namespace {

QString key(const char* name)
{
    return QString::fromLatin1(name);
}

class QtUpdateTimers : public UpdateTimers {
public:
    void once(int ms, std::function<void()> action) override
    {
        QTimer::singleShot(ms, &m_context, std::move(action));
    }
    void every(int ms, std::function<void()> action) override
    {
        auto* timer = new QTimer(&m_context);
        timer->setInterval(ms);
        QObject::connect(timer, &QTimer::timeout, &m_context, std::move(action));
        timer->start();
    }

private:
    QObject m_context;
};

bool askWithMessageBox(const QString& message, const QString& informative)
{
    QMessageBox box;
    box.setIcon(QMessageBox::Information);
    box.setWindowTitle(QStringLiteral("Kelvaro"));
    box.setTextFormat(Qt::PlainText);
    box.setText(message);
    box.setInformativeText(informative);
    // The notes come from the network: never let them be read as markup.
    for (QLabel* label : box.findChildren<QLabel*>())
        label->setTextFormat(Qt::PlainText);
    QPushButton* download = box.addButton(L("Stáhnout"), QMessageBox::AcceptRole);
    box.addButton(L("Později"), QMessageBox::RejectRole);
    box.setDefaultButton(download);
    box.exec();
    return box.clickedButton() == download;
}

} // namespace

// ---- UpdateChecker --------------------------------------------------------------------------------

UpdateChecker::Environment UpdateChecker::Environment::desktop()
{
    Environment e;
    e.feed = feedFrom(QStringLiteral(KELVARO_UPDATE_URL));
    e.currentVersion = QStringLiteral(KELVARO_VERSION);
    e.clock = [] { return QDateTime::currentDateTimeUtc(); };
    e.timers = std::make_shared<QtUpdateTimers>();
    e.isActive = [] { return QGuiApplication::applicationState() == Qt::ApplicationActive; };
    e.ask = askWithMessageBox;
    e.open = [](const QUrl& url) { QDesktopServices::openUrl(url); };
    return e;
}

UpdateChecker& UpdateChecker::shared()
{
    static UpdateChecker* checker = new UpdateChecker(Environment::desktop());
    return *checker;
}

UpdateChecker::UpdateChecker(Environment environment, QObject* parent)
    : QObject(parent), m_environment(std::move(environment))
{
    if (m_environment.currentVersion.isEmpty())
        m_environment.currentVersion = QStringLiteral("0");
    if (!m_environment.clock)
        m_environment.clock = [] { return QDateTime::currentDateTimeUtc(); };
    Settings& settings = Settings::shared();
    if (const std::optional<double> seconds = settings.numberValue(key(lastCheckKey)))
        m_lastCheck = json::dateFrom(*seconds);
    m_autoCheck = settings.boolValue(key(autoCheckKey)).value_or(true);
    if (auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        connect(app, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState state) {
            if (state == Qt::ApplicationActive)
                applicationBecameActive();
        });
    }
}

UpdateChecker::~UpdateChecker()
{
    if (m_reply) {
        m_reply->disconnect(this);
        m_reply->abort();
    }
}

void UpdateChecker::setAutoCheck(bool autoCheck)
{
    Settings::shared().setValue(key(autoCheckKey), autoCheck);
    if (autoCheck == m_autoCheck)
        return;
    m_autoCheck = autoCheck;
    Q_EMIT autoCheckChanged();
}

std::optional<QString> UpdateChecker::notes() const
{
    if (!m_available)
        return std::nullopt;
    const bool english = languageCode(L10n::current()) == QLatin1String("en");
    const std::optional<QString>& first = english ? m_available->notesEn : m_available->notesCs;
    const std::optional<QString>& second = english ? m_available->notesCs : m_available->notesEn;
    const std::optional<QString> chosen = first ? first : second;
    if (!chosen || chosen->isEmpty())
        return std::nullopt;
    return chosen;
}

void UpdateChecker::setStatus(Status status)
{
    if (status == m_status)
        return;
    m_status = status;
    Q_EMIT statusChanged();
}

void UpdateChecker::setAvailable(const std::optional<Release>& release)
{
    if (release == m_available)
        return;
    m_available = release;
    Q_EMIT availableChanged();
}

void UpdateChecker::start()
{
    if (!hasFeed() || m_started || !m_environment.timers)
        return;
    m_started = true;
    QPointer<UpdateChecker> self(this);
    m_environment.timers->once(firstCheckDelayMs, [self] {
        if (self)
            self->automaticCheck();
    });
    m_environment.timers->every(intervalMs, [self] {
        if (self)
            self->automaticCheck();
    });
}

void UpdateChecker::automaticCheck()
{
    if (!m_autoCheck)
        return;
    if (m_lastCheck) {
        const qint64 age = m_lastCheck->secsTo(m_environment.clock());
        // A time ahead of the clock (the clock was set back) counts as stale, or checks would
        // stop until that time comes round again.
        if (age >= 0 && age < minimumAgeSeconds)
            return;
    }
    check(false);
}

void UpdateChecker::check(bool manual)
{
    if (!hasFeed() || m_status == Status::checking)
        return;
    setStatus(Status::checking);
    if (!m_network)
        m_network = new QNetworkAccessManager(this);
    QNetworkRequest request(m_environment.feed);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
    request.setTransferTimeout(timeoutMs);
    request.setRawHeader("User-Agent", "Kelvaro/" + m_environment.currentVersion.toUtf8());
    QNetworkReply* reply = m_network->get(request);
    m_reply = reply;
    connect(reply, &QNetworkReply::downloadProgress, reply, [reply](qint64 received, qint64) {
        if (received > maxFeedBytes)
            reply->abort(); // a feed is a few hundred bytes; anything huge is not one
    });
    connect(reply, &QNetworkReply::finished, this, [this, reply, manual] { finishCheck(reply, manual); });
}

void UpdateChecker::finishCheck(QNetworkReply* reply, bool manual)
{
    reply->deleteLater();
    m_reply = nullptr;
    const int statusCode = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    std::optional<Release> release;
    if (reply->error() == QNetworkReply::NoError && statusCode == 200)
        release = Release::decode(reply->read(maxFeedBytes + 1));
    if (!release) {
        setStatus(Status::failed); // lastCheck stays: the next tick tries again
        return;
    }
    m_lastCheck = m_environment.clock();
    Settings::shared().setValue(key(lastCheckKey), json::dateValue(*m_lastCheck));
    Q_EMIT lastCheckChanged();
    if (isNewer(release->version, m_environment.currentVersion)) {
        setAvailable(release);
        setStatus(Status::idle);
        if (!manual)
            announceOnce(*release);
    } else {
        setAvailable(std::nullopt);
        setStatus(Status::upToDate);
    }
}

void UpdateChecker::announceOnce(const Release& release)
{
    if (Settings::shared().stringValue(key(announcedVersionKey)) == release.version)
        return;
    if (m_environment.isActive && !m_environment.isActive()) {
        m_waitingForActivation = true; // one waiter is enough, whatever it then finds
        return;
    }
    // Recorded before the alert: whatever the user answers, this version is not asked again.
    Settings::shared().setValue(key(announcedVersionKey), release.version);
    presentAlert(release);
}

void UpdateChecker::applicationBecameActive()
{
    if (!m_waitingForActivation)
        return;
    m_waitingForActivation = false;
    if (m_available)
        announceOnce(*m_available);
}

void UpdateChecker::presentAlert(const Release& release)
{
    if (!m_environment.ask)
        return;
    const QString message = Lf("Je dostupná nová verze %@ %@", "Kelvaro", release.version);
    const std::optional<QString> text = notes();
    const QString informative = text ? *text : Lf("Novou verzi si stáhneš zdarma z %@.", m_environment.feed.host());
    if (m_environment.ask(message, informative))
        openDownload();
}

void UpdateChecker::openDownload()
{
    if (!m_available || !isOpenableDownload(m_available->url) || !m_environment.open)
        return;
    m_environment.open(QUrl(m_available->url, QUrl::StrictMode));
}

} // namespace kelvaro
