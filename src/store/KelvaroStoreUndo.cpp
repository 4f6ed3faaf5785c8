// Undo of the last run, the one held output folder and the comparison offer.
#include <QFileInfo>

#include "engine/Localization.h"
#include "engine/OutputFolder.h"
#include "platform/Bookmark.h"
#include "platform/FileSystem.h"
#include "platform/Trash.h"
#include "store/KelvaroStore.h"

namespace kelvaro {

void KelvaroStore::holdAccess(const QString& folder)
{
    if (m_heldFolder == folder)
        return;
    if (m_heldFolder)
        Bookmark::stopAccess(*m_heldFolder);
    if (Bookmark::startAccess(folder))
        m_heldFolder = folder;
    else
        m_heldFolder.reset();
}

void KelvaroStore::holdOutputFolder()
{
    if (const auto folder = OutputFolder::resolve())
        holdAccess(*folder);
}

void KelvaroStore::undoLast()
{
    if (!m_undoState || m_isWorking)
        return;
    const UndoState state = *m_undoState;
    holdAccess(state.folder);

    const auto trash = [this](const QString& path) { return m_services.trash && m_services.trash->moveToTrash(path); };
    int failures = 0;
    if (!state.isMove) {
        for (const QString& output : state.outputs) {
            if (!trash(output))
                ++failures;
        }
    } else {
        for (const FileMove& move : state.moves) {
            if (!QFileInfo::exists(move.from) && !files().copyFile(move.to, move.from)) {
                ++failures;
                continue;
            }
            if (!QFileInfo::exists(move.from)) {
                ++failures;
                continue;
            }
            if (!trash(move.to))
                ++failures;
        }
    }

    // Exactly this run's entries, wherever newer entries have pushed them.
    QList<ActivityItem> activities;
    for (const ActivityItem& item : m_activities) {
        if (!state.entryIds.contains(item.id))
            activities.append(item);
    }
    setActivities(activities);
    save();
    setLastOutputs({});
    setUndoState(std::nullopt);

    if (failures == 0) {
        setStatus(state.isMove ? L("Soubory jsou zpátky na původním místě.") : L("Vráceno – výsledky jsou v koši."), false);
        return;
    }
    QString text = Lp(failures, "Nepodařilo se vrátit 1 soubor.", "Nepodařilo se vrátit %lld soubory.",
                      "Nepodařilo se vrátit %lld souborů.");
    if (state.isMove)
        text += QLatin1Char(' ') + L("Přesunuté soubory jsou pořád v cílové složce.");
    text += QLatin1Char(' ') + L("Zkontroluj je ve správci souborů.");
    setStatus(text, true);
}

bool KelvaroStore::canCompare() const
{
    if (m_droppedFiles.isEmpty() || m_lastOutputs.isEmpty())
        return false;
    static const QStringList comparable{QStringLiteral("jpg"), QStringLiteral("jpeg"), QStringLiteral("png"),
                                        QStringLiteral("heic"), QStringLiteral("tif"), QStringLiteral("tiff"),
                                        QStringLiteral("pdf")};
    return comparable.contains(QFileInfo(m_droppedFiles.first()).suffix().toLower())
           && comparable.contains(QFileInfo(m_lastOutputs.first()).suffix().toLower());
}

} // namespace kelvaro
