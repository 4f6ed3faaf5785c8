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
    if (!m_menu)
        return;
    m_menu->clear();
    m_menu->addAction(L("Otevřít Kelvaro"), this, [this] {
        if (m_hooks.openMain)
            m_hooks.openMain();
    });
    m_menu->addSeparator();
    m_menu->addAction(L("Ukončit"), this, [this] {
        if (m_hooks.quit)
            m_hooks.quit();
    });
}

} // namespace kelvaro
