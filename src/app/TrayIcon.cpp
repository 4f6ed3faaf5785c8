#include "app/TrayIcon.h"

#include <QCursor>
#include <QGuiApplication>
#include <QMenu>
#include <QScreen>
#include <QSystemTrayIcon>
#include <QVBoxLayout>

#include "engine/Localization.h"
#include "ui/design/Symbols.h"
#include "ui/design/Theme.h"
#include "ui/main/ScreenFactory.h"

namespace kelvaro {

TrayIcon::TrayIcon(KelvaroStore& store, Hooks hooks, QObject* parent) : QObject(parent), m_store(store), m_hooks(std::move(hooks))
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
        else if (m_window && m_window->isVisible())
            m_window->hide();
        else
            showDropWindow(near);
    });
    retranslate();
    m_tray->show();
}

TrayIcon::~TrayIcon()
{
    delete m_menu;
    delete m_window;
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
    // The drop window's content follows the language the next time it opens.
    if (m_window && !m_window->isVisible())
        delete m_window;
}

void TrayIcon::showDropWindow(const QPoint& anchor)
{
    if (!m_window) {
        // A tool window, not a popup: a popup would close at the click that starts a drag in the
        // file manager. A second click on the tray item hides it.
        auto* window = new QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
        window->setObjectName(QStringLiteral("dropWindow"));
        window->setAttribute(Qt::WA_DeleteOnClose, false);
        auto* column = new QVBoxLayout(window);
        column->setContentsMargins(0, 0, 0, 0);
        QWidget* content = ScreenFactory::build(Screen::dropWindow, m_store, window);
        column->addWidget(content);
        // A content that says it is done (files taken, main window opened) closes the panel.
        if (content->metaObject()->indexOfSignal("finished()") >= 0)
            connect(content, SIGNAL(finished()), window, SLOT(close()));
        if (ScreenFactory::isPlaceholder(content))
            window->resize(340, 420);
        else
            window->adjustSize();
        Theme::follow(window);
        m_window = window;
    }
    QScreen* screen = anchor.isNull() ? QGuiApplication::primaryScreen() : QGuiApplication::screenAt(anchor);
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    const QRect area = screen ? screen->availableGeometry() : QRect(0, 0, 1280, 800);
    QPoint topLeft = anchor.isNull() ? area.center() - QPoint(m_window->width() / 2, m_window->height() / 2)
                                     : QPoint(anchor.x() - m_window->width() / 2, anchor.y() + 4);
    topLeft.setX(qBound(area.left(), topLeft.x(), area.right() - m_window->width()));
    topLeft.setY(qBound(area.top(), topLeft.y(), area.bottom() - m_window->height()));
    m_window->move(topLeft);
    m_window->show();
    m_window->raise();
    m_window->activateWindow();
}

} // namespace kelvaro
