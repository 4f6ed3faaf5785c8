// Process set-up of a standalone fuzz target: its own temporary XDG folders (settings written
// by a target never touch the user's), offscreen Qt and no session bus, like the test harness.
#include <cstdlib>

#include <QCoreApplication>
#include <QDir>
#include <QGuiApplication>
#include <QTemporaryDir>

#include "FuzzTarget.h"

namespace kelvaro::fuzz {

void prepareStandalone(int* argc, char*** argv)
{
    static QTemporaryDir home(QDir::tempPath() + QStringLiteral("/kelvaro-fuzz-XXXXXX"));
    const QString root = home.path();
    for (const char* sub : {"config", "data", "cache", "runtime", "home"})
        QDir(root).mkpath(QString::fromLatin1(sub));
    setenv("XDG_CONFIG_HOME", qPrintable(root + "/config"), 1);
    setenv("XDG_DATA_HOME", qPrintable(root + "/data"), 1);
    setenv("XDG_CACHE_HOME", qPrintable(root + "/cache"), 1);
    setenv("XDG_RUNTIME_DIR", qPrintable(root + "/runtime"), 1);
    setenv("HOME", qPrintable(root + "/home"), 1);
    QFile::setPermissions(root + "/runtime", QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    setenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/kelvaro-fuzz-bus", 1);
    setenv("OMP_THREAD_LIMIT", "1", 1);
    // Qt keeps argc by reference for the application's lifetime.
    static int qtArgc = 1;
    static char* qtArgv[] = {(*argv)[0], nullptr};
    Q_UNUSED(argc)
    static QGuiApplication* app = new QGuiApplication(qtArgc, qtArgv);
    Q_UNUSED(app)
    QCoreApplication::setApplicationName(QStringLiteral("Kelvaro"));
}

} // namespace kelvaro::fuzz
