#include "studio/ScreenshotStudio.h"

#include <QApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QTimer>
#include <QWidget>

#include "platform/FileManager.h"
#include "platform/Settings.h"
#include "platform/widgets/Appearance.h"
#include "store/KelvaroStore.h"
#include "studio/CaptureRun.h"
#include "studio/DemoContent.h"
#include "studio/StudioKeys.h"
#include "studio/StudioLanguageGuard.h"
#include "watch/FolderWatcher.h"

namespace kelvaro {
namespace {

QString setting(const char* key)
{
    return QString::fromLatin1(key);
}

QString sizeText(StudioSize size)
{
    const QSize s = nominalSize(size);
    return QStringLiteral("%1 × %2").arg(s.width()).arg(s.height());
}

} // namespace

ScreenshotStudio::ScreenshotStudio(KelvaroStore& store, FolderWatcher* watcher, QObject* parent)
    : QObject(parent),
      m_store(store),
      m_watcher(watcher),
      m_size(studioSizeFromRaw(Settings::shared().stringOr(setting(StudioKeys::size), QString())))
{
}

ScreenshotStudio::~ScreenshotStudio() = default;

ScreenshotStudio& ScreenshotStudio::shared()
{
    static ScreenshotStudio* instance = new ScreenshotStudio(KelvaroStore::shared(), &FolderWatcher::shared(), qApp);
    return *instance;
}

QWidget* ScreenshotStudio::mainWindow()
{
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (widget->objectName() == QLatin1String("main"))
            return widget;
    return nullptr;
}

void ScreenshotStudio::setSize(StudioSize size)
{
    // Stored on every choice, also of the same size, and refitted while active.
    Settings::shared().setValue(setting(StudioKeys::size), rawValue(size));
    assign(m_size, size);
    if (m_isActive)
        fitWindow();
}

void ScreenshotStudio::setNotice(const std::optional<QString>& notice)
{
    m_noticeHeld = false;
    assign(m_notice, notice);
}

void ScreenshotStudio::holdNotice(const QString& notice)
{
    m_noticeHeld = true;
    assign(m_notice, std::optional<QString>(notice));
}

void ScreenshotStudio::sceneNotice(const std::optional<QString>& notice)
{
    if (!m_noticeHeld)
        assign(m_notice, notice);
}
void ScreenshotStudio::setCapturing(bool capturing) { assign(m_isCapturing, capturing); }
void ScreenshotStudio::setCaptureProgress(const QString& progress) { assign(m_captureProgress, progress); }

void ScreenshotStudio::start()
{
    if (m_isActive)
        return;
    Settings& settings = Settings::shared();
    // Saved once: a language switched by an earlier, interrupted session is not the user's.
    if (!settings.stringValue(setting(StudioKeys::savedLanguage)))
        settings.setValue(setting(StudioKeys::savedLanguage),
                          settings.stringOr(setting(StudioKeys::language), QStringLiteral("system")));
    assign(m_isActive, true);
    setLanguage(L10n::current() == AppLanguage::english ? AppLanguage::english : AppLanguage::czech);
    fitWindow();
}

void ScreenshotStudio::stop()
{
    if (!m_isActive)
        return;
    cancelPending();
    assign(m_isActive, false);
    assign(m_currentScene, std::optional<int>());
    assign(m_isCapturing, false);
    m_noticeHeld = false;
    m_store.exitDemo();
    if (m_watcher)
        m_watcher->exitDemo();
    Appearance::shared().setOverride(std::nullopt);
    assign(m_isDark, false);
    StudioLanguageGuard::restore();
}

void ScreenshotStudio::setLanguage(AppLanguage language)
{
    if (!m_isActive)
        return;
    assign(m_language, language);
    Settings::shared().setValue(setting(StudioKeys::language), rawValue(language));
    // The lookups read the language anew, so the content comes out in the one just written.
    const QStringList photos = DemoContent::ensurePhotos();
    m_store.enterDemo(DemoContent::activities(photos), DemoContent::shelves(photos));
    if (m_watcher)
        m_watcher->enterDemo(DemoContent::watchRules());
    cancelPending();
    if (const std::optional<int> scene = m_currentScene)
        later(reshowDelay, [this, id = *scene] { show(id); });
}

void ScreenshotStudio::setDark(bool dark)
{
    assign(m_isDark, dark);
    Appearance::shared().setOverride(dark);
}

void ScreenshotStudio::show(int id)
{
    if (!m_isActive)
        return;
    cancelPending();
    assign(m_currentScene, std::optional<int>(id));
    clearWheel();
    const QStringList photos = DemoContent::ensurePhotos();
    stage(id, photos);
}

void ScreenshotStudio::clearWheel()
{
    m_store.setActiveSheet(std::nullopt);
    m_store.setStudioCompare(false);
    m_store.setStudioHighlight(std::nullopt);
    m_store.releaseAccess();
    m_store.setDroppedFiles({});
    m_store.setLastOutputs({});
    m_store.setStatusMessage(std::nullopt);
}

void ScreenshotStudio::stage(int id, const QStringList& photos)
{
    switch (id) {
    case 2:
        m_store.setSidebarSelection(SidebarItem::home);
        m_store.receive(photos.mid(0, 5), false);
        m_store.setWheelMode(WheelMode::tools);
        m_store.setStudioHighlight(QStringLiteral("Pozadí"));
        break;
    case 3: {
        const std::optional<DemoContent::ComparePair> pair = DemoContent::comparePair();
        if (!pair) {
            sceneNotice(QStringLiteral("Porovnání se nepodařilo připravit."));
            return;
        }
        m_store.setSidebarSelection(SidebarItem::home);
        m_store.stageDemoResults({pair->before}, {pair->after}, {{pair->after, pair->before}});
        m_store.setWheelMode(WheelMode::tools);
        later(sceneDelay, [this] { m_store.setStudioCompare(true); });
        break;
    }
    case 4:
        m_store.setSidebarSelection(SidebarItem::home);
        m_store.receive(photos.mid(0, 1), false);
        m_store.setWheelMode(WheelMode::tools);
        m_store.setStudioHighlight(QStringLiteral("Úpravy"));
        later(sceneDelay, [this] { m_store.setActiveSheet(ToolSheet::adjust); });
        break;
    case 5: m_store.setSidebarSelection(SidebarItem::workflows); break;
    case 6: m_store.setSidebarSelection(SidebarItem::watch); break;
    case 7: m_store.setSidebarSelection(SidebarItem::shelves); break;
    case 8: m_store.setSidebarSelection(SidebarItem::history); break;
    default: m_store.setSidebarSelection(SidebarItem::home); break;
    }
    fitWindow();
}

void ScreenshotStudio::fitWindow()
{
    QWidget* window = mainWindow();
    if (!window) {
        sceneNotice(QStringLiteral("Hlavní okno není otevřené."));
        return;
    }
    const QSize want = nominalSize(m_size);
    if (window->isMinimized() || window->isMaximized() || window->isFullScreen())
        window->showNormal();
    else
        window->show();
    window->raise();
    window->activateWindow();
    if (window->size() == want) {
        sceneNotice(std::nullopt);
        return;
    }
    QScreen* screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->availableGeometry();
    // The window manager's frame comes on top of the content's size.
    const QSize frame = want + (window->frameGeometry().size() - window->geometry().size());
    if (area.width() < frame.width() || area.height() < frame.height()) {
        sceneNotice(QStringLiteral("Obrazovka je na ") + sizeText(m_size)
                  + QStringLiteral(" malá, zvol menší velikost nebo jiný monitor."));
        return;
    }
    sceneNotice(std::nullopt);
    window->resize(want);
    window->move(area.x() + (area.width() - frame.width()) / 2, area.y());
}

void ScreenshotStudio::captureAll(const QList<AppLanguage>& languages, bool framed, std::shared_ptr<FileManager> files)
{
    if (!m_isActive || m_isCapturing || m_run)
        return;
    m_run = CaptureRun::start(*this, languages, framed, files ? std::move(files) : std::make_shared<DesktopFileManager>());
    if (m_run)
        connect(m_run, &QObject::destroyed, this, &ScreenshotStudio::changed);
}

void ScreenshotStudio::later(std::chrono::milliseconds delay, std::function<void()> action)
{
    QTimer::singleShot(delay, this, [this, generation = m_generation, action = std::move(action)] {
        if (m_isActive && generation == m_generation)
            action();
    });
}

} // namespace kelvaro
