#pragma once
// What the file manager's tests put in the desktop's place: a launcher that records what it is
// asked to open, and a file manager on a (private) session bus.
#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusError>
#include <QDesktopServices>
#include <QObject>
#include <QStringList>
#include <QThread>
#include <QUrl>

#include "platform/NativePath.h"

namespace kelvaro::test {

// Stands in for the desktop's launcher: QDesktopServices hands it every file address it is asked
// to open, as the launcher would get it.
class Launcher : public QObject {
    Q_OBJECT
public:
    Launcher() { QDesktopServices::setUrlHandler(QStringLiteral("file"), this, "open"); }
    ~Launcher() override { QDesktopServices::unsetUrlHandler(QStringLiteral("file")); }
    QStringList opened;

public Q_SLOTS:
    void open(const QUrl& url) { opened.append(NativePath::localFile(url)); } // by the address's bytes
};

// A file manager on the bus that selects what it is shown, or refuses everything.
class FakeFileManager : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.FileManager1")
public:
    bool refuses = false;
    QStringList shown; // touched only on the bus thread until the test has its reply

public Q_SLOTS:
    void ShowItems(const QStringList& uris, const QString& startupId)
    {
        Q_UNUSED(startupId)
        if (refuses)
            sendErrorReply(QDBusError::Failed, QStringLiteral("refused"));
        else
            shown += uris;
    }
};

// The fake answers on a connection and a thread of its own, so the blocking call gets its reply.
class FileManagerOnBus {
public:
    explicit FileManagerOnBus(bool refuses)
        : m_bus(QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("fake-file-manager")))
    {
        manager.refuses = refuses;
        manager.moveToThread(&m_thread);
        m_thread.start();
        running = m_bus.isConnected()
                  && m_bus.registerObject(QStringLiteral("/org/freedesktop/FileManager1"), &manager, QDBusConnection::ExportAllSlots)
                  && m_bus.registerService(QStringLiteral("org.freedesktop.FileManager1"));
    }
    ~FileManagerOnBus()
    {
        m_bus.unregisterService(QStringLiteral("org.freedesktop.FileManager1"));
        m_bus.unregisterObject(QStringLiteral("/org/freedesktop/FileManager1"));
        m_thread.quit();
        m_thread.wait();
        QDBusConnection::disconnectFromBus(QStringLiteral("fake-file-manager"));
    }
    FileManagerOnBus(const FileManagerOnBus&) = delete;
    FileManagerOnBus& operator=(const FileManagerOnBus&) = delete;

    bool running = false;
    FakeFileManager manager;

private:
    QDBusConnection m_bus;
    QThread m_thread;
};

} // namespace kelvaro::test
