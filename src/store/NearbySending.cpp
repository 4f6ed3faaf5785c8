#include "store/NearbySending.h"

#include <algorithm>

#include <QDateTime>
#include <QFileInfo>
#include <QStringList>

#include "l10n/Localization.h"
#include "platform/NativePath.h"
#include "store/BackgroundJob.h"
#include "store/Intake.h"
#include "store/Library.h"
#include "store/Observed.h"
#include "store/StoreStatus.h"

namespace kelvaro {
namespace {

ActivityItem sentEntry(const QString& file)
{
    ActivityItem item;
    item.id = QUuid::createUuid();
    item.fileName = NativePath::displayName(QFileInfo(file).fileName());
    item.actionTitle = QStringLiteral("KDE Connect");
    item.symbol = QStringLiteral("airplayaudio");
    item.date = QDateTime::currentDateTimeUtc();
    item.savedBytes = 0;
    return item;
}

// What the background part of a sending found and did.
struct Sending {
    std::optional<NearbyDevice> device;
    QList<NearbyDevice> found;
    QStringList sent;
    int handed = 0;
    bool cancelled = false;
};

} // namespace

NearbySending::NearbySending(Library& library, StoreStatus& status, Intake& intake, BackgroundJob& job,
                             std::shared_ptr<NearbyShare> share, QObject* parent)
    : QObject(parent), m_library(library), m_status(status), m_intake(intake), m_job(job), m_share(std::move(share))
{
}

void NearbySending::setNearbyChoice(const QList<NearbyDevice>& devices)
{
    assignObserved(this, m_nearbyChoice, devices, &NearbySending::nearbyChoiceChanged);
}

void NearbySending::sendNearby()
{
    setNearbyChoice({});
    if (!m_share) {
        m_status.setStatus(L("KDE Connect teď není dostupné. Spáruj telefon a zapni KDE Connect."), true);
        return;
    }
    startSending(std::nullopt);
}

void NearbySending::sendToDevice(const QString& deviceId)
{
    const QList<NearbyDevice> choice = m_nearbyChoice;
    setNearbyChoice({});
    const auto chosen = std::find_if(choice.begin(), choice.end(), [&](const NearbyDevice& d) { return d.id == deviceId; });
    if (chosen == choice.end() || m_job.isWorking() || m_intake.droppedFiles().isEmpty() || !m_share)
        return;
    startSending(*chosen);
}

void NearbySending::dismissNearbyChoice()
{
    setNearbyChoice({});
}

// Without a chosen device the work first asks the service which devices are reachable (one is
// taken at once, several are left to the user), then hands the files over one by one, each a
// blocking call.
void NearbySending::startSending(const std::optional<NearbyDevice>& chosen)
{
    const QStringList files = m_intake.droppedFiles();
    const int total = int(files.size());
    const std::shared_ptr<NearbyShare> share = m_share;
    // Its last sentence speaks the language its status line started in.
    const AppLanguage language = L10n::resolved(L10n::current());
    m_job.start(total, language,
                [this, share, files, total, chosen, language](const RunHooksPtr& hooks) -> BackgroundJob::Finish {
        Sending sending;
        sending.device = chosen;
        if (!sending.device) {
            sending.found = share->devices();
            if (sending.found.size() == 1)
                sending.device = sending.found.first();
        }
        for (int i = 0; sending.device && i < total && !hooks->isCancelled(); ++i) {
            if (share->send(sending.device->id, files[i]))
                sending.sent.append(files[i]);
            sending.handed = i + 1;
            hooks->reportProgress(sending.handed, total);
        }
        sending.cancelled = hooks->isCancelled();
        return [this, sending, language] {
            const QString unavailable = L(language, "KDE Connect teď není dostupné. Spáruj telefon a zapni KDE Connect.");
            if (!sending.device) {
                if (!sending.cancelled && sending.found.isEmpty()) {
                    m_status.setStatus(unavailable, true);
                    return;
                }
                m_status.setStatus(std::nullopt, false);
                if (!sending.cancelled)
                    setNearbyChoice(sending.found);
                return;
            }
            if (sending.sent.isEmpty()) {
                // Nothing taken at all is the service failing, not the files.
                m_status.setStatus(sending.handed > 0 ? std::optional<QString>(unavailable) : std::nullopt,
                                   sending.handed > 0);
                return;
            }
            // Only what went out is history; the files the device did not take are counted.
            QList<ActivityItem> entries;
            for (const QString& file : sending.sent)
                entries.append(sentEntry(file));
            m_library.addHistoryEntries(entries);
            const qint64 failed = sending.handed - sending.sent.size();
            QString message = Lf(language, "Soubory posílám přes KDE Connect do zařízení „%@“.", sending.device->name);
            if (failed > 0)
                message += QLatin1Char(' ') + Lf(language, "Nepovedlo se: %lld.", failed);
            m_status.setStatus(message, failed > 0);
        };
    });
}

} // namespace kelvaro
