#include "app/Commands.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

#include "engine/Localization.h"
#include "platform/Settings.h"
#include "store/KelvaroStore.h"

namespace kelvaro {

Commands::Commands(KelvaroStore& store, Hooks hooks, QObject* parent)
    : QObject(parent), m_store(store), m_hooks(std::move(hooks))
{
    auto make = [this](const char* name, const QList<QKeySequence>& keys) {
        auto* action = new QAction(this);
        action->setObjectName(QString::fromLatin1(name));
        action->setShortcuts(keys);
        return action;
    };
    m_convert = make("convertMode", {QKeySequence(Qt::CTRL | Qt::Key_1)});
    m_tools = make("toolsMode", {QKeySequence(Qt::CTRL | Qt::Key_2)});
    m_actions = make("actionsMode", {QKeySequence(Qt::CTRL | Qt::Key_3)});
    m_choose = make("chooseFiles", {QKeySequence(Qt::CTRL | Qt::Key_O)});
    // Ctrl+? only: X11 offers a shifted symbol both as Ctrl+? and as Ctrl+Shift+/, so listing
    // both makes the press ambiguous and neither fires. F1 is the desktop's own help key.
    m_guide = make("guide", {QKeySequence(Qt::CTRL | Qt::Key_Question), QKeySequence(Qt::Key_F1)});
    m_studio = make("studio", {QKeySequence(Qt::CTRL | Qt::ALT | Qt::SHIFT | Qt::Key_S)});
    m_studioSeparator = new QAction(this);
    m_studioSeparator->setSeparator(true);
    m_settings = make("settings", {QKeySequence(Qt::CTRL | Qt::Key_Comma)});
    m_quit = make("quit", {QKeySequence(Qt::CTRL | Qt::Key_Q)});
    m_settings->setMenuRole(QAction::PreferencesRole);
    m_quit->setMenuRole(QAction::QuitRole);

    connect(m_convert, &QAction::triggered, this, [this] { m_store.selectMode(WheelMode::convert, true); });
    connect(m_tools, &QAction::triggered, this, [this] { m_store.selectMode(WheelMode::tools, true); });
    connect(m_actions, &QAction::triggered, this, [this] { m_store.selectMode(WheelMode::actions, true); });
    connect(m_choose, &QAction::triggered, this, [this] { m_store.requestImporter(false); });
    connect(m_guide, &QAction::triggered, this, [this] {
        m_store.setSidebarSelection(SidebarItem::guide);
        if (m_hooks.activate)
            m_hooks.activate();
    });
    connect(m_studio, &QAction::triggered, this, [this] {
        if (m_hooks.openStudio)
            m_hooks.openStudio();
    });
    connect(m_settings, &QAction::triggered, this, [this] {
        if (m_hooks.openSettings)
            m_hooks.openSettings();
    });
    connect(m_quit, &QAction::triggered, this, [this] {
        if (m_hooks.quit)
            m_hooks.quit();
    });
    auto studioVisibility = [this] {
        const bool enabled = Settings::shared().boolValue(QStringLiteral("kelvaro.studio.enabled")).value_or(false);
        m_studio->setVisible(enabled);
        m_studioSeparator->setVisible(enabled);
    };
    connect(&Settings::shared(), &Settings::changed, this, [studioVisibility](const QString& key) {
        if (key == QLatin1String("kelvaro.studio.enabled"))
            studioVisibility();
    });
    studioVisibility();
    retranslate();
}

void Commands::retranslate()
{
    m_convert->setText(L("Převést"));
    m_tools->setText(L("Nástroje"));
    m_actions->setText(L("Akce"));
    m_choose->setText(L("Vybrat soubory…"));
    m_guide->setText(L("Průvodce funkcemi Kelvaro"));
    m_studio->setText(QStringLiteral("Studio pro screenshoty…"));
    m_settings->setText(L("Nastavení…"));
    m_quit->setText(L("Ukončit"));
}

void Commands::populate(QMenuBar* bar)
{
    bar->clear();
    // clear() leaves the old menus alive as children of the bar.
    qDeleteAll(bar->findChildren<QMenu*>(QString(), Qt::FindDirectChildrenOnly));
    QMenu* app = bar->addMenu(QStringLiteral("Kelvaro"));
    app->setObjectName(QStringLiteral("appMenu"));
    app->addAction(m_settings);
    app->addSeparator();
    app->addAction(m_quit);
    QMenu* wheel = bar->addMenu(L("Kolo"));
    wheel->setObjectName(QStringLiteral("wheelMenu"));
    wheel->addAction(m_convert);
    wheel->addAction(m_tools);
    wheel->addAction(m_actions);
    wheel->addSeparator();
    wheel->addAction(m_choose);
    QMenu* help = bar->addMenu(L("Nápověda"));
    help->setObjectName(QStringLiteral("helpMenu"));
    help->addAction(m_guide);
    help->addAction(m_studioSeparator);
    help->addAction(m_studio);
}

} // namespace kelvaro
