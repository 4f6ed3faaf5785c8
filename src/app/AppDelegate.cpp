#include "app/AppDelegate.h"

#include <QGuiApplication>
#include <QMetaObject>

#include "app/SingleInstance.h"
#include "store/KelvaroStore.h"
#include "watch/FolderWatcher.h"

namespace kelvaro {

AppDelegate::AppDelegate(KelvaroStore& store, FolderWatcher& watcher, Hooks hooks, QObject* parent)
    : QObject(parent), m_store(store), m_watcher(watcher), m_hooks(std::move(hooks))
{
}

void AppDelegate::didFinishLaunching()
{
    // Queued rather than run here, so the first window is drawn before any of them starts;
    // queued calls to one object run in the order they were posted.
    QMetaObject::invokeMethod(
        this,
        [this] {
            KelvaroStore* store = &m_store;
            m_watcher.setHistorySink([store](const QList<ActivityItem>& entries) { store->addHistoryEntries(entries); });
            m_watcher.start();
        },
        Qt::QueuedConnection);
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (m_hooks.startUpdateChecker)
                m_hooks.startUpdateChecker();
        },
        Qt::QueuedConnection);
    QMetaObject::invokeMethod(
        this,
        [this] {
            // Without a tray item nothing would bring a windowless process back.
            const bool tray = m_hooks.installTray && m_hooks.installTray();
            QGuiApplication::setQuitOnLastWindowClosed(!tray);
        },
        Qt::QueuedConnection);
}

void AppDelegate::accept(const QStringList& files)
{
    if (files.isEmpty())
        return;
    m_store.receive(files, false);
    m_store.setSidebarSelection(SidebarItem::home);
    if (m_hooks.showMainWindow)
        m_hooks.showMainWindow();
}

void AppDelegate::handle(const LaunchRequest& request)
{
    if (!request.files.isEmpty()) {
        accept(request.files);
        return;
    }
    if (request.activate && m_hooks.showMainWindow)
        m_hooks.showMainWindow();
}

} // namespace kelvaro
