#include "app/KelvaroApp.h"

#include <algorithm>

#include <QAction>
#include <QApplication>
#include <QGuiApplication>
#include <QMenu>
#include <QScreen>
#include <QVBoxLayout>
#include <QWindow>

#include "app/Commands.h"
#include "app/MainWindow.h"
#include "app/StatusItemDrop.h"
#include "app/TrayIcon.h"
#include "l10n/Localization.h"
#include "platform/FileManager.h"
#include "platform/Settings.h"
#include "platform/SettingsKeys.h"
#include "platform/widgets/WindowPlacement.h"
#include "store/KelvaroStore.h"
#include "ui/design/AppIcon.h"
#include "ui/design/Theme.h"
#include "ui/main/ScreenFactory.h"

namespace kelvaro {
namespace {

const QString kLanguageKey = QString::fromLatin1(SettingsKey::language);
const QString kStudioKey = QString::fromLatin1(SettingsKey::studioEnabled);

// A top-level window whose whole content is one screen of the factory; with a parent it stays
// over that window.
QWidget* screenWindow(Screen screen, KelvaroStore& store, const QString& objectName, QWidget* parent = nullptr)
{
    auto* window = new QWidget(parent, Qt::Window);
    window->setObjectName(objectName);
    window->setWindowIcon(AppIcon::icon());
    auto* column = new QVBoxLayout(window);
    column->setContentsMargins(0, 0, 0, 0);
    column->addWidget(ScreenFactory::build(screen, store, window));
    Theme::follow(window);
    return window;
}

} // namespace

KelvaroApp::KelvaroApp(KelvaroStore& store, Options options, QObject* parent)
    : QObject(parent), m_store(store)
{
    m_commands = new Commands(store,
                              {[this] { showMainWindowIfOpen(); }, [this] { openSettings(); }, [this] { openStudio(); },
                               [this] { quit(); }},
                              this);
    ContentView::Options content;
    content.fileManager = options.fileManager ? options.fileManager : std::make_shared<DesktopFileManager>();
    content.openSettings = [this] { openSettings(); };
    content.openStudio = [this] { openStudio(); };
    m_main = new MainWindow(store, *m_commands, content);
    // Without a tray nothing would be left to bring the application back once its windows close.
    QGuiApplication::setQuitOnLastWindowClosed(true);
    if (options.useTray)
        installTray();
    connect(&Settings::shared(), &Settings::changed, this, [this](const QString& key) {
        if (key == kLanguageKey)
            QMetaObject::invokeMethod(this, &KelvaroApp::languageChanged, Qt::QueuedConnection);
    });
    // A window's shortcuts reach only its own actions: the settings, the studio, a preview or the
    // drop window would not hear the main window's Ctrl+Q.
    connect(qApp, &QGuiApplication::focusWindowChanged, this, &KelvaroApp::offerQuit);
    offerQuit(QGuiApplication::focusWindow());
}

KelvaroApp::~KelvaroApp()
{
    delete m_dropWindow;
    delete m_studio;
    delete m_settings;
    delete m_main;
}

bool KelvaroApp::installTray()
{
    if (!m_tray)
        m_tray = new TrayIcon({[this] { showMainWindow(); }, [this] { quit(); },
                               [this](const QPoint& near) { toggleDropWindow(near); }},
                              this);
    // With a tray the application lives on after its windows close.
    if (m_tray->isAvailable())
        QGuiApplication::setQuitOnLastWindowClosed(false);
    return m_tray->isAvailable();
}

void KelvaroApp::showMainWindow()
{
    if (!m_main)
        return;
    m_main->show();
    m_main->bringToFront();
}

void KelvaroApp::showMainWindowIfOpen()
{
    // The guide command activates the application but opens no window.
    if (m_main && m_main->isVisible())
        m_main->bringToFront();
}

QWidget* KelvaroApp::dropWindow() const
{
    return m_dropWindow;
}

void KelvaroApp::toggleDropWindow(const QPoint& near)
{
    if (!m_dropWindow)
        m_dropWindow = new StatusItemDrop(m_store);
    m_dropWindow->toggleNear(near);
}

void KelvaroApp::openSettings()
{
    if (!m_settings) {
        m_settings = screenWindow(Screen::settings, m_store, QStringLiteral("settings"), m_main);
        m_settings->setWindowTitle(L("Nastavení"));
        m_settings->setFixedSize(m_settings->sizeHint()); // the frame its content is laid out for
    }
    if (!m_settings->isVisible())
        centreOver(m_settings, m_main);
    m_settings->show();
    m_settings->raise();
    m_settings->activateWindow();
}

bool KelvaroApp::openStudio()
{
    if (!Settings::shared().boolValue(kStudioKey).value_or(false))
        return false;
    if (!m_studio) {
        m_studio = screenWindow(Screen::studio, m_store, QStringLiteral("studio"));
        m_studio->setWindowTitle(QStringLiteral("Studio pro screenshoty"));
        // As wide as its content and as high as it likes; the content scrolls when the screen is lower.
        m_studio->setFixedWidth(m_studio->sizeHint().width());
        m_studio->resize(m_studio->sizeHint().expandedTo(QSize(0, 560)));
        if (QScreen* screen = QGuiApplication::primaryScreen()) {
            const QRect area = screen->availableGeometry();
            m_studio->move(area.right() - m_studio->width() - 24, area.top() + 24);
        }
    }
    m_studio->show();
    m_studio->raise();
    m_studio->activateWindow();
    return true;
}

void KelvaroApp::quit()
{
    QCoreApplication::quit();
}

void KelvaroApp::offerQuit(QWindow* focused)
{
    if (!focused)
        return;
    const QWidgetList windows = QApplication::topLevelWidgets();
    const auto found = std::find_if(windows.begin(), windows.end(), [focused](QWidget* w) { return w->windowHandle() == focused; });
    // A menu shows its actions as items.
    if (found == windows.end() || qobject_cast<QMenu*>(*found))
        return;
    QAction* quit = m_commands->quit();
    if (!(*found)->actions().contains(quit))
        (*found)->addAction(quit);
}

void KelvaroApp::languageChanged()
{
    if (m_main)
        m_main->rebuild();
    retitleSettings();
    if (m_tray)
        m_tray->retranslate();
}

void KelvaroApp::retitleSettings()
{
    // The content retranslates itself in place, keeping its tab and what the user did there.
    if (m_settings)
        m_settings->setWindowTitle(L("Nastavení"));
}

} // namespace kelvaro
