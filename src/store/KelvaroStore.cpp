#include "store/KelvaroStore.h"

#include <algorithm>
#include <limits>

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "engine/ImageEngine.h"
#include "engine/Localization.h"
#include "platform/Bookmark.h"
#include "platform/Clipboard.h"
#include "platform/FileManager.h"
#include "platform/FileSystem.h"
#include "platform/LauncherProgress.h"
#include "platform/Log.h"
#include "platform/NearbyShare.h"
#include "platform/Settings.h"
#include "platform/Trash.h"

namespace kelvaro {

// ---- Services ---------------------------------------------------------------------------------------

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

// ---- Creation ------------------------------------------------------------------------------------------

KelvaroStore::KelvaroStore(StoreServices services, const QString& storageKey, QObject* parent)
    : QObject(parent), m_services(std::move(services)), m_dock(m_services.launcher, m_services.attention),
      m_storageKey(storageKey)
{
    if (!m_services.process) {
        m_services.process = [](const KelvaroOp& op, const QStringList& files, const QString& outDir,
                                const RunHooksPtr& hooks) { return ImageEngine::process(op, files, outDir, hooks); };
    }
    m_importerTimer.setSingleShot(true);
    connect(&m_importerTimer, &QTimer::timeout, this, [this] { setShowImporter(true); });
    load();
}

KelvaroStore::~KelvaroStore()
{
    if (m_hooks)
        m_hooks->cancel();
    // The engine works on the run's own copies; waiting keeps it from outliving what the caller
    // tears down next (its folders, the application object).
    m_runTask.waitForFinished();
}

KelvaroStore& KelvaroStore::shared()
{
    // Never destroyed: it lives as long as the application and outlives its windows.
    static KelvaroStore* instance = new KelvaroStore();
    return *instance;
}

FileSystem& KelvaroStore::files() const
{
    return m_services.files ? *m_services.files : FileSystem::standard();
}

// ---- Field writers -------------------------------------------------------------------------------------

void KelvaroStore::setActivities(const QList<ActivityItem>& v) { assign(m_activities, v, &KelvaroStore::activitiesChanged); }
void KelvaroStore::setShelves(const QList<Shelf>& v) { assign(m_shelves, v, &KelvaroStore::shelvesChanged); }
void KelvaroStore::setDroppedFiles(const QStringList& v) { assign(m_droppedFiles, v, &KelvaroStore::droppedFilesChanged); }
void KelvaroStore::setWheelMode(WheelMode v) { assign(m_wheelMode, v, &KelvaroStore::wheelModeChanged); }
void KelvaroStore::setStatusMessage(const std::optional<QString>& v)
{
    if (v != m_statusMessage)
        setStatusDetails({});
    assign(m_statusMessage, v, &KelvaroStore::statusMessageChanged);
}
void KelvaroStore::setStatusDetails(const QStringList& v) { assign(m_statusDetails, v, &KelvaroStore::statusDetailsChanged); }
void KelvaroStore::setStatusIsError(bool v) { assign(m_statusIsError, v, &KelvaroStore::statusIsErrorChanged); }
void KelvaroStore::setIsWorking(bool v) { assign(m_isWorking, v, &KelvaroStore::isWorkingChanged); }
void KelvaroStore::setLastOutputs(const QStringList& v) { assign(m_lastOutputs, v, &KelvaroStore::lastOutputsChanged); }
void KelvaroStore::setUndoState(const std::optional<UndoState>& v) { assign(m_undoState, v, &KelvaroStore::undoStateChanged); }
void KelvaroStore::setProgressDone(int v) { assign(m_progressDone, v, &KelvaroStore::progressDoneChanged); }
void KelvaroStore::setProgressTotal(int v) { assign(m_progressTotal, v, &KelvaroStore::progressTotalChanged); }
void KelvaroStore::setActiveSheet(const std::optional<ToolSheet>& v) { assign(m_activeSheet, v, &KelvaroStore::activeSheetChanged); }
void KelvaroStore::setPendingPreset(const std::optional<PresetSpec>& v) { assign(m_pendingPreset, v, &KelvaroStore::pendingPresetChanged); }
void KelvaroStore::setShowImporter(bool v) { assign(m_showImporter, v, &KelvaroStore::showImporterChanged); }
void KelvaroStore::setImporterAdds(bool v) { assign(m_importerAdds, v, &KelvaroStore::importerAddsChanged); }
void KelvaroStore::setSidebarSelection(const std::optional<SidebarItem>& v) { assign(m_sidebarSelection, v, &KelvaroStore::sidebarSelectionChanged); }
void KelvaroStore::setStudioHighlight(const std::optional<QString>& v) { assign(m_studioHighlight, v, &KelvaroStore::studioHighlightChanged); }
void KelvaroStore::setStudioCompare(bool v) { assign(m_studioCompare, v, &KelvaroStore::studioCompareChanged); }

void KelvaroStore::setStatus(const std::optional<QString>& message, bool isError)
{
    setStatusMessage(message);
    setStatusIsError(isError);
}

// ---- Library ----------------------------------------------------------------------------------------------

namespace {

std::optional<QList<ActivityItem>> decodeActivities(const QJsonArray& array)
{
    QList<ActivityItem> list;
    for (const QJsonValue& value : array) {
        auto item = ActivityItem::fromJson(value);
        if (!item)
            return std::nullopt;
        list.append(*item);
    }
    return list;
}

std::optional<QList<Shelf>> decodeShelves(const QJsonArray& array)
{
    QList<Shelf> list;
    for (const QJsonValue& value : array) {
        auto shelf = Shelf::fromJson(value);
        if (!shelf)
            return std::nullopt;
        list.append(*shelf);
    }
    return list;
}

// The decoding error's description, or none on success.
std::optional<QString> decodeLibrary(const QByteArray& data, QList<ActivityItem>& activities, QList<Shelf>& shelves)
{
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(data, &error);
    if (error.error != QJsonParseError::NoError)
        return error.errorString();
    if (!doc.isObject())
        return QStringLiteral("the document is not an object");
    const QJsonObject object = doc.object();
    for (const char* key : {"activities", "shelves"}) {
        if (!object.value(QLatin1String(key)).isArray())
            return QStringLiteral("member \"%1\" is missing or not an array").arg(QLatin1String(key));
    }
    auto decodedActivities = decodeActivities(object.value(QLatin1String("activities")).toArray());
    if (!decodedActivities)
        return QStringLiteral("a history entry cannot be read");
    auto decodedShelves = decodeShelves(object.value(QLatin1String("shelves")).toArray());
    if (!decodedShelves)
        return QStringLiteral("a shelf cannot be read");
    activities = *decodedActivities;
    shelves = *decodedShelves;
    return std::nullopt;
}

} // namespace

void KelvaroStore::load()
{
    Settings& settings = Settings::shared();
    const auto data = settings.dataValue(m_storageKey);
    if (!data && !settings.contains(m_storageKey)) {
        setActivities(SampleData::activities());
        setShelves(SampleData::shelves());
        save();
        return;
    }
    // A value of another type is as unreadable as bad JSON: it must not be overwritten either.
    QList<ActivityItem> activities;
    QList<Shelf> shelves;
    const auto error = data ? decodeLibrary(*data, activities, shelves)
                            : std::optional<QString>(QStringLiteral("the stored value is not data"));
    if (error) {
        logLine(QStringLiteral("failed to decode library: ") + *error);
        m_canPersist = false;
        return;
    }
    setActivities(activities);
    setShelves(shelves);
}

void KelvaroStore::save()
{
    if (!m_canPersist || m_demoBackup)
        return;
    QJsonArray activities;
    for (const ActivityItem& item : m_activities)
        activities.append(item.toJson());
    QJsonArray shelves;
    for (const Shelf& shelf : m_shelves)
        shelves.append(shelf.toJson());
    const QJsonObject library{{QStringLiteral("activities"), activities}, {QStringLiteral("shelves"), shelves}};
    Settings::shared().setValue(m_storageKey, QJsonDocument(library).toJson(QJsonDocument::Compact));
}

void KelvaroStore::insertHistory(const QList<ActivityItem>& entries)
{
    if (entries.isEmpty())
        return;
    // One list change and one save for the whole batch: a save rewrites the whole settings file
    // (some 15 ms with a full history), far too slow to repeat per entry on the main thread.
    QList<ActivityItem> list;
    list.reserve(entries.size() + m_activities.size());
    for (auto it = entries.crbegin(); it != entries.crend() && list.size() < historyLimit; ++it)
        list.append(*it);
    for (const ActivityItem& item : std::as_const(m_activities)) {
        if (list.size() >= historyLimit)
            break;
        list.append(item);
    }
    setActivities(list);
    save();
}

void KelvaroStore::addHistoryEntry(const ActivityItem& entry)
{
    insertHistory({entry});
}

void KelvaroStore::addHistoryEntries(const QList<ActivityItem>& entries)
{
    insertHistory(entries);
}

void KelvaroStore::enterDemo(const QList<ActivityItem>& activities, const QList<Shelf>& shelves)
{
    if (!m_demoBackup)
        m_demoBackup = DemoBackup{m_activities, m_shelves};
    setActivities(activities);
    setShelves(shelves);
}

void KelvaroStore::exitDemo()
{
    if (!m_demoBackup)
        return;
    const DemoBackup backup = *m_demoBackup;
    setActivities(backup.activities);
    setShelves(backup.shelves);
    m_demoBackup.reset();
    setStudioHighlight(std::nullopt);
    setStudioCompare(false);
    releaseAccess();
    setDroppedFiles({});
    setLastOutputs({});
    setStatusMessage(std::nullopt);
    setActiveSheet(std::nullopt);
}

bool KelvaroStore::stageDemoResults(const QStringList& files, const QStringList& outputs, const QMap<QString, QString>& sources)
{
    if (!m_demoBackup)
        return false;
    receive(files, false);
    m_lastSources = sources;
    setLastOutputs(outputs);
    return true;
}

namespace {
QString activityKey(const ActivityItem& item)
{
    return item.fileName + QLatin1Char('|') + item.actionTitle;
}

const QSet<QString>& sampleActivityKeys()
{
    static const QSet<QString> keys = [] {
        QSet<QString> set;
        for (const ActivityItem& item : SampleData::activities())
            set.insert(activityKey(item));
        return set;
    }();
    return keys;
}
} // namespace

bool KelvaroStore::hasSampleData() const
{
    for (const Shelf& shelf : m_shelves) {
        if (shelf.fileCount >= 1)
            return true;
    }
    return std::any_of(m_activities.begin(), m_activities.end(),
                       [](const ActivityItem& item) { return sampleActivityKeys().contains(activityKey(item)); });
}

void KelvaroStore::clearSampleData()
{
    QList<ActivityItem> activities;
    for (const ActivityItem& item : m_activities) {
        if (!sampleActivityKeys().contains(activityKey(item)))
            activities.append(item);
    }
    QList<Shelf> shelves;
    for (Shelf shelf : m_shelves) {
        if (shelf.fileCount >= 1 && shelf.items.isEmpty())
            continue;
        shelf.fileCount = 0;
        shelves.append(shelf);
    }
    setActivities(activities);
    setShelves(shelves);
    save();
}

// ---- Derived values ------------------------------------------------------------------------------------

int KelvaroStore::shelvedFiles() const
{
    // fileCount comes from the stored library as written by anyone: a negative count claims
    // nothing, and many huge ones must not wrap around.
    qint64 sum = 0;
    for (const Shelf& shelf : m_shelves) {
        sum += qMax(shelf.fileCount, 0) + qint64(shelf.items.size());
        if (sum >= std::numeric_limits<int>::max())
            return std::numeric_limits<int>::max();
    }
    return int(sum);
}

QList<DailyStat> KelvaroStore::dailyStats() const
{
    const QDate today = QDate::currentDate();
    QList<DailyStat> stats;
    for (int offset = -6; offset <= 0; ++offset) {
        const QDate day = today.addDays(offset);
        const QDateTime start = day.startOfDay();
        if (!day.isValid() || !start.isValid())
            continue;
        const int count = int(std::count_if(m_activities.begin(), m_activities.end(), [&](const ActivityItem& item) {
            return item.date.isValid() && item.date.toLocalTime().date() == day;
        }));
        stats.append({start, count});
    }
    return stats;
}

int KelvaroStore::weekCount() const
{
    int sum = 0;
    for (const DailyStat& stat : dailyStats())
        sum += stat.count;
    return sum;
}

QList<ActivityItem> KelvaroStore::recentActivities() const
{
    QList<ActivityItem> list = m_activities;
    std::stable_sort(list.begin(), list.end(), [](const ActivityItem& a, const ActivityItem& b) { return a.date > b.date; });
    if (list.size() > 6)
        list.resize(6);
    return list;
}

// ---- Dropped files ---------------------------------------------------------------------------------------

const QStringList& KelvaroStore::acceptedExtensions()
{
    static const QStringList list{QStringLiteral("jpg"), QStringLiteral("jpeg"), QStringLiteral("png"),
                                  QStringLiteral("heic"), QStringLiteral("heif"), QStringLiteral("tif"),
                                  QStringLiteral("tiff"), QStringLiteral("gif"), QStringLiteral("bmp"),
                                  QStringLiteral("webp"), QStringLiteral("pdf")};
    return list;
}

namespace {

// The accepted files below `folder` in ascending path order, at most `limit` of them, skipping
// hidden entries and never following a linked folder (a link back up would never end). Each
// folder's entries are visited in the order their full paths sort in (a subfolder counts as its
// name followed by "/"), so the walk can stop at the limit instead of listing a whole disk first.
void collectFolder(const QString& folder, QStringList& found, qsizetype limit)
{
    struct Entry {
        QString key;
        QFileInfo info;
    };
    QList<Entry> entries;
    for (const QFileInfo& entry : QDir(folder).entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System,
                                                             QDir::Unsorted)) {
        if (entry.fileName().startsWith(QLatin1Char('.')))
            continue;
        entries.append({entry.isDir() ? entry.fileName() + QLatin1Char('/') : entry.fileName(), entry});
    }
    std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) { return a.key < b.key; });
    for (const Entry& entry : std::as_const(entries)) {
        if (found.size() >= limit)
            return;
        if (entry.info.isDir()) {
            if (!entry.info.isSymLink())
                collectFolder(entry.info.filePath(), found, limit);
        } else if (KelvaroStore::acceptedExtensions().contains(entry.info.suffix().toLower())) {
            found.append(QDir::cleanPath(entry.info.absoluteFilePath()));
        }
    }
}

} // namespace

QStringList KelvaroStore::expandFolders(const QStringList& paths)
{
    QStringList result;
    for (const QString& path : paths) {
        const QFileInfo info(path);
        if (!info.isDir()) {
            result.append(path);
            continue;
        }
        // The first files by path; only as many as the whole result can still take.
        QStringList found;
        collectFolder(path, found, intakeLimit - result.size());
        std::sort(found.begin(), found.end());
        result.append(found);
    }
    if (result.size() > intakeLimit)
        result.resize(intakeLimit);
    return result;
}

bool KelvaroStore::receive(const QList<QUrl>& urls, bool adding)
{
    if (urls.isEmpty())
        return false;
    // Only local files: the application uses no network for what it is handed.
    QStringList paths;
    for (const QUrl& url : urls) {
        if (url.isLocalFile() && !url.toLocalFile().isEmpty())
            paths.append(url.toLocalFile());
    }
    if (paths.isEmpty()) {
        setStatus(L("V tom, co jsi přidal, nejsou žádné fotky ani PDF."), true);
        return false;
    }
    return receive(paths, adding);
}

bool KelvaroStore::receive(const QStringList& given, bool adding)
{
    if (given.isEmpty())
        return false;
    QStringList paths;
    for (const QString& path : given) {
        if (!path.isEmpty())
            paths.append(QDir::cleanPath(QFileInfo(path).absoluteFilePath()));
    }
    const QStringList expanded = expandFolders(paths);
    // Nothing usable keeps the wheel as it is, also when replacing: an empty drop must not
    // silently throw the selection away.
    if (expanded.isEmpty()) {
        setStatus(L("V tom, co jsi přidal, nejsou žádné fotky ani PDF."), true);
        return false;
    }
    const bool adds = adding && !m_droppedFiles.isEmpty();
    if (!adds)
        releaseAccess();
    for (const QString& path : paths) {
        if (Bookmark::startAccess(path))
            m_accessedURLs.append(path);
    }
    if (!adds) {
        setDroppedFiles(expanded);
        setStatusMessage(std::nullopt);
        setLastOutputs({});
        return true;
    }
    QStringList kept;
    for (const QString& path : expanded) {
        if (!m_droppedFiles.contains(path) && !kept.contains(path))
            kept.append(path);
    }
    if (!kept.isEmpty())
        setDroppedFiles(m_droppedFiles + kept);
    setStatus(kept.isEmpty() ? std::optional<QString>(L("Tyhle soubory už ve výběru jsou.")) : std::nullopt, false);
    setLastOutputs({});
    return true;
}

void KelvaroStore::requestImporter(bool adding)
{
    const bool fromElsewhere = m_sidebarSelection != SidebarItem::home;
    setSidebarSelection(SidebarItem::home);
    setImporterAdds(adding);
    setShowImporter(false);
    // Another section first has to make way for the home screen that presents the importer.
    m_importerTimer.start(fromElsewhere ? 300 : 80);
}

std::optional<int> KelvaroStore::pendingImporterDelay() const
{
    if (!m_importerTimer.isActive())
        return std::nullopt;
    return m_importerTimer.interval();
}

void KelvaroStore::removeDropped(const QString& path)
{
    QStringList files = m_droppedFiles;
    files.removeAll(path);
    setDroppedFiles(files);
    setLastOutputs({});
    setStatusMessage(std::nullopt);
    if (m_droppedFiles.isEmpty())
        releaseAccess();
}

void KelvaroStore::releaseAccess()
{
    for (const QString& path : std::as_const(m_accessedURLs))
        Bookmark::stopAccess(path);
    m_accessedURLs.clear();
}

void KelvaroStore::selectMode(WheelMode mode, bool navigate)
{
    if (m_activeSheet)
        return;
    setWheelMode(mode);
    if (navigate)
        setSidebarSelection(SidebarItem::home);
}

} // namespace kelvaro
