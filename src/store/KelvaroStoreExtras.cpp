// The small actions without an engine run: revealing results, the clipboard and sending files.
#include <QDateTime>
#include <QFileInfo>

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
    for (const QString& file : files)
        insertHistory(plainEntry(file, QStringLiteral("Schránka"), QStringLiteral("doc.on.clipboard")));
    setStatus(message, false);
}

void KelvaroStore::sendNearby()
{
    const QStringList files = m_droppedFiles;
    QStringList sent;
    if (m_services.nearbyShare && m_services.nearbyShare->canSend(files))
        sent = m_services.nearbyShare->send(files);
    if (sent.isEmpty()) {
        setStatus(L("KDE Connect teď není dostupné. Spáruj telefon a zapni KDE Connect."), true);
        return;
    }
    // Only what went out is history; the files the phone did not take are counted as failed.
    for (const QString& file : sent)
        insertHistory(plainEntry(file, QStringLiteral("KDE Connect"), QStringLiteral("airplayaudio")));
    const qint64 failed = files.size() - sent.size();
    QString message = L("Soubory posílám do spárovaného telefonu přes KDE Connect.");
    if (failed > 0)
        message += QLatin1Char(' ') + Lf("Nepovedlo se: %lld.", failed);
    setStatus(message, failed > 0);
}

} // namespace kelvaro
