// Kelvaro's entry point: the application object, one running instance per user, the language,
// the look, the one store and the windows, then the delegate that starts the long-running
// services once the first window is up.
#include <cstdio>
#include <cstdlib>
#include <memory>

#include <unistd.h>

#include <QApplication>
#include <QDir>

#include "app/AppDelegate.h"
#include "app/KelvaroApp.h"
#include "app/MainWindow.h"
#include "app/ModifierMonitor.h"
#include "app/QuitGuard.h"
#include "app/QuitWork.h"
#include "app/ScreenInstaller.h"
#include "app/SingleInstance.h"
#include "app/UpdateChecker.h"
#include "engine/Bitmap.h"
#include "l10n/Localization.h"
#include "platform/BackgroundPools.h"
#include "platform/FolderChooser.h"
#include "platform/LauncherProgress.h"
#include "platform/Log.h"
#include "platform/NativePath.h"
#include "platform/Settings.h"
#include "platform/widgets/Appearance.h"
#include "platform/widgets/FileDialogFolderChooser.h"
#include "platform/widgets/WidgetAttention.h"
#include "store/KelvaroStore.h"
#include "studio/StudioLanguageGuard.h"
#include "ui/design/AppIcon.h"
#include "ui/design/KelvaroStyle.h"
#include "ui/design/Theme.h"
#include "ui/main/ScreenFactory.h"
#include "watch/FolderWatcher.h"

using namespace kelvaro;

int main(int argc, char** argv)
{
    // `--help` and `--version` answer on the terminal, before anything could open a window.
    {
        QStringList arguments;
        for (int i = 0; i < argc; ++i)
            arguments << QString::fromLocal8Bit(argv[i]);
        if (const std::optional<QString> answer = SingleInstance::informationRequest(arguments)) {
            std::fputs(answer->toLocal8Bit().constData(), stdout);
            return 0;
        }
    }
    // libvips sets environment variables when it starts; started here, before any thread, that
    // can never race a read of the environment (a time-zone lookup) on another thread.
    initVips();
    QApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Kelvaro"));
    QCoreApplication::setApplicationVersion(QStringLiteral(KELVARO_VERSION));
    QGuiApplication::setDesktopFileName(QStringLiteral("kelvaro"));

    // A later launch hands its files to the running instance and ends here. The arguments Qt left
    // (its own options taken out) are read as bytes: a file name that is not UTF-8 still names its
    // file, as does a relative one in a folder whose name is not.
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << NativePath::decoded(QByteArray(argv[i]));
    QString workingDir = QDir::currentPath();
    if (char* cwd = ::getcwd(nullptr, 0)) {
        workingDir = NativePath::decoded(QByteArray(cwd));
        std::free(cwd);
    }
    SingleInstance instance;
    const LaunchRequest request = SingleInstance::parseArguments(arguments, workingDir);
    switch (instance.claim(request)) {
    case SingleInstance::Role::handedOff:
        return 0;
    case SingleInstance::Role::failed:
        logLine("another instance is running but did not answer");
        return 1;
    case SingleInstance::Role::primary:
        break;
    }
    // Whichever way the application is asked to end, changes a failed save left are saved first,
    // or the user asked what to do with them.
    QuitGuard quitGuard(Settings::shared());
    quitGuard.catchTerminationSignals();

    // The interface draws its own look on plain controls, the same on every desktop.
    QApplication::setStyle(new KelvaroStyle());
    Theme::installInterfaceFont();
    QApplication::setWindowIcon(AppIcon::icon());
    // A language left switched by an interrupted studio run is restored before any text.
    StudioLanguageGuard::restore();
    QObject::connect(&app, &QCoreApplication::aboutToQuit, [] { StudioLanguageGuard::restore(); });
    L10n::installAtStartup();
    Appearance::shared();

    KelvaroStore& store = KelvaroStore::shared();
    FolderWatcher& watcher = FolderWatcher::shared();

    KelvaroApp* kelvaroApp = nullptr;
    const auto showMain = [&kelvaroApp] {
        if (kelvaroApp)
            kelvaroApp->showMainWindow();
    };
    ScreenFactory::setWatcher(&watcher);
    installScreens({showMain, [] { QCoreApplication::quit(); }, [&instance] { return instance.relaunch(); }, nullptr});

    KelvaroAppOptions options;
    options.useTray = false; // the delegate installs it once the first window is drawn
    KelvaroApp application(store, options);
    kelvaroApp = &application;

    // The folder dialog opens over the window that asks; the main window only when none is active.
    FolderChooser::setShared(std::make_shared<FileDialogFolderChooser>(application.mainWindow()));
    WidgetAttention attention;
    AttentionRequest::setShared(&attention);

    AppDelegate delegate(store, watcher,
                         {showMain, [] { UpdateChecker::shared().start(); }, [&application] { return application.installTray(); }});
    QObject::connect(&instance, &SingleInstance::requested, &delegate, &AppDelegate::handle);

    application.showMainWindow();
    // Modifier keys switch the wheel from the moment the main window is up.
    ModifierMonitor monitor;
    monitor.start(store);
    // Files this launch was opened with.
    delegate.accept(request.files);
    delegate.didFinishLaunching();

    // An end stops the user's run and the watched folders' runs as a cancel does and waits for
    // them to book what they made; with changes not on disk it asks over the main window, shown
    // for that when it was closed to the tray.
    guardWork(quitGuard, store, watcher);
    quitGuard.setWindowToShow([&application]() -> QWidget* {
        application.showMainWindow();
        return application.mainWindow();
    });
    // Taken while the end waits for the work or a lock, a launch keeps this process rather than
    // being lost with it; once the end is decided launches wait until the last save is on disk.
    quitGuard.setInstance(&instance);

    // An ending that bypassed the guard, or left the changes anyway, still gets its last save.
    const int status = quitGuard.runEventLoop();
    // Thumbnails and previews decoding in the background must finish before the windows go.
    BackgroundPools::drain();
    AttentionRequest::setShared(nullptr);
    return status;
}
