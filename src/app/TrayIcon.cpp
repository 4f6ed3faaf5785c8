#include "app/TrayIcon.h"

#include <QCursor>
#include <QMenu>
#include <QSystemTrayIcon>

#include "l10n/Localization.h"
#include "ui/design/Symbols.h"
#include "ui/design/Theme.h"

namespace kelvaro {

TrayIcon::TrayIcon(Hooks hooks, QObject* parent) : QObject(parent), m_hooks(std::move(hooks))
{
    if (!QSystemTrayIcon::isSystemTrayAvailable())
        return;
    m_tray = new QSystemTrayIcon(Symbols::icon(QStringLiteral("wand.and.stars"), Theme::ember()), this);
    m_tray->setToolTip(QStringLiteral("Kelvaro"));
    m_menu = new QMenu();
    m_tray->setContextMenu(m_menu);
    connect(m_tray, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason != QSystemTrayIcon::Trigger)
            return;
        // Trays rarely say where their icon is; the pointer is there at the click.
        const QRect where = m_tray->geometry();
        const QPoint near = where.isValid() ? QPoint(where.center().x(), where.bottom()) : QCursor::pos();
        if (m_hooks.toggleDropWindow)
            m_hooks.toggleDropWindow(near);
        else if (m_hooks.openMain)
            m_hooks.openMain();
    });
    retranslate();
    m_tray->show();
}

TrayIcon::~TrayIcon()
{
    delete m_menu;
}

void TrayIcon::retranslate()
{
    if (m_menu)
        populate(m_menu, m_hooks);
}

void TrayIcon::populate(QMenu* menu, const Hooks& hooks)
{
    menu->clear();
    menu->addAction(L("Otevřít Kelvaro"), menu, [openMain = hooks.openMain] {
        if (openMain)
            openMain();
    });
    menu->addSeparator();
    menu->addAction(L("Ukončit"), menu, [quit = hooks.quit] {
        if (quit)
            quit();
    });
}

} // namespace kelvaro
