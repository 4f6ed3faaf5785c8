#include "store/KelvaroStore.h"

#include "engine/ImageEngine.h"
#include "l10n/Localization.h"
#include "l10n/SaveFailure.h"
#include "platform/Clipboard.h"
#include "platform/FileManager.h"
#include "platform/FileSystem.h"
#include "platform/LauncherProgress.h"
#include "platform/NearbyShare.h"
#include "platform/Settings.h"
#include "platform/Trash.h"

namespace kelvaro {
namespace {

// The services as given, with the real engine where none was handed in.
StoreServices withEngine(StoreServices services)
{
    if (!services.process) {
        services.process = [](const KelvaroOp& op, const QStringList& files, const QString& outDir,
                              const RunHooksPtr& hooks, const EngineSettings& settings) {
            return ImageEngine::process(op, files, outDir, hooks, settings);
        };
    }
    return services;
}

FileSystem& fileSystemOf(const StoreServices& services)
{
    return services.files ? *services.files : FileSystem::current();
}

} // namespace

StoreServices StoreServices::desktop()
{
    StoreServices services;
    services.fileManager = std::make_shared<DesktopFileManager>();
    services.trash = std::make_shared<DesktopTrash>();
    services.clipboard = std::make_shared<SystemClipboard>();
    services.nearbyShare = std::make_shared<KdeConnectShare>();
    services.launcher = std::make_shared<DBusLauncherProgress>();
    return services;
}

KelvaroStore::KelvaroStore(StoreServices services, const QString& storageKey, QObject* parent)
    : QObject(parent), m_services(withEngine(std::move(services))), m_library(storageKey), m_intake(m_status),
      m_undo(m_library, m_status, m_held, m_services.trash, fileSystemOf(m_services)),
      m_shelves(m_library, m_status, m_held, fileSystemOf(m_services)), m_shelfSync(m_library, m_held),
      m_handoff(m_library, m_status, m_services), m_job(m_status, m_services),
      m_sending(m_library, m_status, m_intake, m_job, m_services.nearbyShare),
      m_runs({m_library, m_intake, m_status, m_undo, m_held, m_view, m_handoff, m_sending, m_job}, m_services)
{
    forwardSignals();
    reportSettingsFile();
}

KelvaroStore::~KelvaroStore() = default;

KelvaroStore& KelvaroStore::shared()
{
    // Never destroyed: it lives as long as the application and outlives its windows.
    static KelvaroStore* instance = new KelvaroStore();
    return *instance;
}

void KelvaroStore::forwardSignals()
{
    connect(&m_library, &Library::activitiesChanged, this, &KelvaroStore::activitiesChanged);
    connect(&m_library, &Library::shelvesChanged, this, &KelvaroStore::shelvesChanged);
    connect(&m_intake, &Intake::droppedFilesChanged, this, &KelvaroStore::droppedFilesChanged);
    connect(&m_status, &StoreStatus::statusMessageChanged, this, &KelvaroStore::statusMessageChanged);
    connect(&m_status, &StoreStatus::statusIsErrorChanged, this, &KelvaroStore::statusIsErrorChanged);
    connect(&m_status, &StoreStatus::statusDetailsChanged, this, &KelvaroStore::statusDetailsChanged);
    connect(&m_status, &StoreStatus::lastOutputsChanged, this, &KelvaroStore::lastOutputsChanged);
    connect(&m_status, &StoreStatus::errorReported, this, &KelvaroStore::errorReported);
    connect(&m_undo, &Undo::undoStateChanged, this, &KelvaroStore::undoStateChanged);
    connect(&m_job, &BackgroundJob::isWorkingChanged, this, &KelvaroStore::isWorkingChanged);
    connect(&m_job, &BackgroundJob::progressDoneChanged, this, &KelvaroStore::progressDoneChanged);
    connect(&m_job, &BackgroundJob::progressTotalChanged, this, &KelvaroStore::progressTotalChanged);
    connect(&m_sending, &NearbySending::nearbyChoiceChanged, this, &KelvaroStore::nearbyChoiceChanged);
    connect(&m_view, &ViewState::wheelModeChanged, this, &KelvaroStore::wheelModeChanged);
    connect(&m_view, &ViewState::activeSheetChanged, this, &KelvaroStore::activeSheetChanged);
    connect(&m_view, &ViewState::pendingPresetChanged, this, &KelvaroStore::pendingPresetChanged);
    connect(&m_view, &ViewState::showImporterChanged, this, &KelvaroStore::showImporterChanged);
    connect(&m_view, &ViewState::importerAddsChanged, this, &KelvaroStore::importerAddsChanged);
    connect(&m_view, &ViewState::sidebarSelectionChanged, this, &KelvaroStore::sidebarSelectionChanged);
    connect(&m_view, &ViewState::studioHighlightChanged, this, &KelvaroStore::studioHighlightChanged);
    connect(&m_view, &ViewState::studioCompareChanged, this, &KelvaroStore::studioCompareChanged);
}

void KelvaroStore::reportSettingsFile()
{
    Settings& settings = Settings::shared();
    // Saves may fail on any thread; the status is told on this one.
    const auto saveFailed = [this](int error) {
        m_status.setUnsavedStatus(Lf("Nastavení a historii se nepodařilo uložit: %@. Uložená verze zůstala beze změny.",
                                     saveFailureReason(error)),
                                  true, std::nullopt);
    };
    connect(&settings, &Settings::saveFailed, this, saveFailed);
    // A streak that began before anyone listened (a setting written at start) is told only once.
    if (const int error = settings.saveError())
        saveFailed(error);
    // Whatever said that something was not saved stops saying so once it is, by the retry or by
    // the next change.
    connect(&settings, &Settings::saveStateChanged, this, [this] {
        if (!Settings::shared().hasUnsavedChanges())
            m_status.changesSaved();
    }, Qt::QueuedConnection);
    const auto keptAside = [this](const QString& path) {
        m_status.setStatus(Lf("Uložená nastavení a historii se nepodařilo přečíst, proto je nechávám beze změny v souboru „%@“.",
                              path),
                           true);
    };
    connect(&settings, &Settings::fileKeptAside, this, keptAside);
    if (!m_library.keptAside().isEmpty())
        keptAside(m_library.keptAside());
}

std::optional<QString> KelvaroStore::unreadHistoryNote() const
{
    if (!canPersist())
        return L("Uloženou historii se nepodařilo přečíst, proto ji nechávám beze změny.");
    if (!libraryKeptAside().isEmpty())
        return Lf("Uloženou historii se nepodařilo přečíst, proto ji nechávám beze změny v souboru „%@“.", libraryKeptAside());
    return std::nullopt;
}

std::optional<QString> KelvaroStore::unreadShelvesNote() const
{
    if (!canPersist())
        return L("Uložené police se nepodařilo přečíst, proto je nechávám beze změny.");
    if (!libraryKeptAside().isEmpty())
        return Lf("Uložené police se nepodařilo přečíst, proto je nechávám beze změny v souboru „%@“.", libraryKeptAside());
    return std::nullopt;
}

void KelvaroStore::enterDemo(const QList<ActivityItem>& activities, const QList<Shelf>& shelves)
{
    m_library.enterDemo(activities, shelves);
}

void KelvaroStore::exitDemo()
{
    if (!m_library.exitDemo())
        return;
    // Nothing of the demo may linger: the studio's flags, the wheel and what it last showed.
    m_view.setStudioHighlight(std::nullopt);
    m_view.setStudioCompare(false);
    m_intake.releaseAccess();
    m_intake.setDroppedFiles({});
    m_status.setLastOutputs({});
    m_status.setStatusMessage(std::nullopt);
    m_view.setActiveSheet(std::nullopt);
}

bool KelvaroStore::stageDemoResults(const QStringList& files, const QStringList& outputs,
                                    const QMap<QString, QString>& sources)
{
    if (!m_library.isShowingDemo())
        return false;
    m_intake.receive(files, false);
    m_status.setLastSources(sources);
    m_status.setLastOutputs(outputs);
    return true;
}

void KelvaroStore::undoLast()
{
    if (!m_job.isWorking())
        m_undo.undoLast();
}

bool KelvaroStore::addToShelf(const std::optional<QUuid>& shelfID, const QString& newName)
{
    return m_shelves.addToShelf(m_intake.droppedFiles(), shelfID, newName);
}

void KelvaroStore::loadShelfIntoWheel(const Shelf& shelf)
{
    const QStringList files = m_shelves.resolveAll(shelf);
    if (files.isEmpty())
        return;
    m_intake.receive(files, false);
    m_view.setSidebarSelection(SidebarItem::home);
}

} // namespace kelvaro
