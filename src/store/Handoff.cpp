#include "store/Handoff.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>

#include "l10n/Localization.h"
#include "platform/Clipboard.h"
#include "platform/FileManager.h"
#include "platform/NativePath.h"
#include "store/Library.h"
#include "store/StoreStatus.h"

namespace kelvaro {
namespace {

QString filesWord(qint64 n)
{
    return Lp(n, "1 soubor", "%lld soubory", "%lld souborů");
}

// The paths (or only the names) as text: a byte that is not UTF-8 reads as U+FFFD.
QStringList shownNames(const QStringList& files, bool namesOnly)
{
    QStringList shown;
    for (const QString& file : files)
        shown.append(NativePath::displayName(namesOnly ? QFileInfo(file).fileName() : file));
    return shown;
}

ActivityItem plainEntry(const QString& file, const QString& title, const QString& symbol)
{
    ActivityItem item;
    item.id = QUuid::createUuid();
    item.fileName = NativePath::displayName(QFileInfo(file).fileName());
    item.actionTitle = title;
    item.symbol = symbol;
    item.date = QDateTime::currentDateTimeUtc();
    item.savedBytes = 0;
    return item;
}

} // namespace

QString rawValue(ClipboardMode mode)
{
    switch (mode) {
    case ClipboardMode::files: return QStringLiteral("files");
    case ClipboardMode::paths: return QStringLiteral("paths");
    case ClipboardMode::names: return QStringLiteral("names");
    }
    return QStringLiteral("files");
}

ClipboardMode clipboardModeFromRaw(const QString& raw)
{
    if (raw == QLatin1String("paths"))
        return ClipboardMode::paths;
    if (raw == QLatin1String("names"))
        return ClipboardMode::names;
    return ClipboardMode::files;
}

Handoff::Handoff(Library& library, StoreStatus& status, const StoreServices& services)
    : m_library(library), m_status(status), m_services(services)
{
}

void Handoff::revealOutputs()
{
    if (m_status.lastOutputs().isEmpty() || !m_services.fileManager)
        return;
    if (!m_services.fileManager->reveal(m_status.lastOutputs()))
        reportUnanswered(HandoffFailure::results);
}

void Handoff::reportUnanswered(HandoffFailure failure, const QStringList& paths)
{
    const QString first = paths.value(0);
    QString message;
    switch (failure) {
    case HandoffFailure::results:
        message = L("Složku s výsledky se nepodařilo zobrazit – žádný správce souborů neodpověděl.");
        break;
    case HandoffFailure::files:
        message = paths.size() == 1 ? Lf("Soubor „%@“ se nepodařilo zobrazit – žádný správce souborů neodpověděl.",
                                         NativePath::displayName(QFileInfo(first).fileName()))
                                    : L("Soubory se nepodařilo zobrazit – žádný správce souborů neodpověděl.");
        break;
    case HandoffFailure::folder:
        message = Lf("Složku „%@“ se nepodařilo zobrazit – žádný správce souborů neodpověděl.",
                     NativePath::displayName(QDir(first).dirName()));
        break;
    case HandoffFailure::openFile:
        message = Lf("Soubor „%@“ se nepodařilo otevřít – žádná aplikace neodpověděla.",
                     NativePath::displayName(QFileInfo(first).fileName()));
        break;
    }
    m_status.setStatus(message, true);
}

void Handoff::copyToClipboard(const QStringList& files, ClipboardMode mode)
{
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
            m_services.clipboard->setText(shownNames(files, false).join(QLatin1Char('\n')));
        message = n == 1 ? L("Cesta k souboru je ve schránce.") : Lf("Cesty ke %lld souborům jsou ve schránce.", n);
        break;
    case ClipboardMode::names: {
        if (m_services.clipboard)
            m_services.clipboard->setText(shownNames(files, true).join(QLatin1Char('\n')));
        message = n == 1 ? L("Název souboru je ve schránce.") : Lf("Názvy %lld souborů jsou ve schránce.", n);
        break;
    }
    }
    QList<ActivityItem> entries;
    for (const QString& file : files)
        entries.append(plainEntry(file, QStringLiteral("Schránka"), QStringLiteral("doc.on.clipboard")));
    m_library.addHistoryEntries(entries);
    m_status.setStatus(message, false);
}

} // namespace kelvaro
