// The actions without an engine run: revealing results, the clipboard and sending files.
#include <algorithm>

#include <QCoreApplication>
#include <QDateTime>
#include <QFileInfo>
#include <QPointer>
#include <QThreadPool>
#include <QtConcurrent/QtConcurrentRun>

#include "engine/Localization.h"
#include "platform/Clipboard.h"
#include "platform/FileManager.h"
#include "platform/NearbyShare.h"
#include "store/KelvaroStore.h"

namespace kelvaro {
namespace {

QString filesWord(qint64 n)
{
    return Lp(n, "1 soubor", "%lld soubory", "%lld souborů");
}

ActivityItem plainEntry(const QString& file, const QString& title, const QString& symbol)
{
    ActivityItem item;
    item.id = QUuid::createUuid();
    item.fileName = QFileInfo(file).fileName();
    item.actionTitle = title;
    item.symbol = symbol;
    item.date = QDateTime::currentDateTimeUtc();
    item.savedBytes = 0;
    return item;
}

} // namespace

void KelvaroStore::revealOutputs()
{
    if (m_lastOutputs.isEmpty() || !m_services.fileManager)
        return;
    if (!m_services.fileManager->reveal(m_lastOutputs))
        setStatus(L("Složku s výsledky se nepodařilo zobrazit – žádný správce souborů neodpověděl."), true);
}

void KelvaroStore::copyToClipboard(ClipboardMode mode)
{
    const QStringList files = m_droppedFiles;
    if (files.isEmpty())
        return;
    const qint64 n = files.size();
    QString message;
    switch (mode) {
    case ClipboardMode::files:
        if (m_services.clipboard)
            m_services.clipboard->setFiles(files);
        message = Lf("Do schránky jsem zkopíroval %@. Vlož je Ctrl+V.", filesWord(n));
        break;
    case ClipboardMode::paths:
        if (m_services.clipboard)
            m_services.clipboard->setText(files.join(QLatin1Char('\n')));
        message = n == 1 ? L("Cesta k souboru je ve schránce.") : Lf("Cesty ke %lld souborům jsou ve schránce.", n);
        break;
    case ClipboardMode::names: {
        QStringList names;
        for (const QString& file : files)
            names.append(QFileInfo(file).fileName());
        if (m_services.clipboard)
            m_services.clipboard->setText(names.join(QLatin1Char('\n')));
        message = n == 1 ? L("Název souboru je ve schránce.") : Lf("Názvy %lld souborů jsou ve schránce.", n);
        break;
    }
    }
    QList<ActivityItem> entries;
    for (const QString& file : files)
        entries.append(plainEntry(file, QStringLiteral("Schránka"), QStringLiteral("doc.on.clipboard")));
    insertHistory(entries);
    setStatus(message, false);
}

void KelvaroStore::setNearbyChoice(const QList<NearbyDevice>& devices)
{
    assign(m_nearbyChoice, devices, &KelvaroStore::nearbyChoiceChanged);
}

void KelvaroStore::sendNearby()
{
    setNearbyChoice({});
    if (!m_services.nearbyShare) {
        setStatus(L("KDE Connect teď není dostupné. Spáruj telefon a zapni KDE Connect."), true);
        return;
    }
    startSending(std::nullopt);
}

void KelvaroStore::sendToDevice(const QString& deviceId)
{
    const QList<NearbyDevice> choice = m_nearbyChoice;
    setNearbyChoice({});
    const auto chosen = std::find_if(choice.begin(), choice.end(), [&](const NearbyDevice& d) { return d.id == deviceId; });
    if (chosen == choice.end() || m_isWorking || m_droppedFiles.isEmpty() || !m_services.nearbyShare)
        return;
    startSending(*chosen);
}

void KelvaroStore::dismissNearbyChoice()
{
    setNearbyChoice({});
}

// One background task: without a chosen device it first asks the service which devices are
// reachable (one is taken at once, several are left to the user), then hands the files over one
// by one, each a blocking call, with the run's progress and cancel.
void KelvaroStore::startSending(const std::optional<NearbyDevice>& chosen)
{
    const QStringList files = m_droppedFiles;
    const int total = int(files.size());
    setIsWorking(true);
    setStatus(L("Pracuju na tom…"), false);
    setProgressDone(0);
    setProgressTotal(total);
    m_dock.update(0, total, true);

    const QPointer<KelvaroStore> self(this);
    QObject* mainContext = QCoreApplication::instance();
    auto hooks = std::make_shared<RunHooks>([self, mainContext](int done, int all) {
        QMetaObject::invokeMethod(
            mainContext, [self, done, all] {
                if (self)
                    self->applyProgress(done, all);
            },
            Qt::QueuedConnection);
    });
    m_hooks = hooks;

    struct Sending {
        std::optional<NearbyDevice> device;
        QList<NearbyDevice> found;
        QStringList sent;
        int handed = 0;
        bool cancelled = false;
    };
    const std::shared_ptr<NearbyShare> share = m_services.nearbyShare;
    m_runTask = QtConcurrent::run(QThreadPool::globalInstance(), [=] {
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
        QMetaObject::invokeMethod(
            mainContext, [self, sending] {
                if (!self)
                    return;
                self->m_hooks.reset();
                self->setIsWorking(false);
                self->m_dock.finish();
                const QString unavailable = L("KDE Connect teď není dostupné. Spáruj telefon a zapni KDE Connect.");
                if (!sending.device) {
                    if (!sending.cancelled && sending.found.isEmpty()) {
                        self->setStatus(unavailable, true);
                        return;
                    }
                    self->setStatus(std::nullopt, false);
                    if (!sending.cancelled)
                        self->setNearbyChoice(sending.found);
                    return;
                }
                if (sending.sent.isEmpty()) {
                    // Nothing taken at all is the service failing, not the files.
                    self->setStatus(sending.handed > 0 ? std::optional<QString>(unavailable) : std::nullopt,
                                    sending.handed > 0);
                    return;
                }
                // Only what went out is history; the files the device did not take are counted.
                QList<ActivityItem> entries;
                for (const QString& file : sending.sent)
                    entries.append(plainEntry(file, QStringLiteral("KDE Connect"), QStringLiteral("airplayaudio")));
                self->insertHistory(entries);
                const qint64 failed = sending.handed - sending.sent.size();
                QString message = Lf("Soubory posílám přes KDE Connect do zařízení „%@“.", sending.device->name);
                if (failed > 0)
                    message += QLatin1Char(' ') + Lf("Nepovedlo se: %lld.", failed);
                self->setStatus(message, failed > 0);
            },
            Qt::QueuedConnection);
    });
}

} // namespace kelvaro
