// Kelvaro's entry point: the application object, the language, the look, the one store and the
// windows.
#include <memory>

#include <QApplication>
#include <QStyleFactory>

#include "app/KelvaroApp.h"
#include "app/MainWindow.h"
#include "engine/Localization.h"
#include "platform/FolderChooser.h"
#include "platform/LauncherProgress.h"
#include "platform/widgets/Appearance.h"
#include "platform/widgets/FileDialogFolderChooser.h"
#include "platform/widgets/WidgetAttention.h"
#include "store/KelvaroStore.h"
#include "ui/design/AppIcon.h"

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Kelvaro"));
    QCoreApplication::setApplicationVersion(QStringLiteral(KELVARO_VERSION));
    QGuiApplication::setDesktopFileName(QStringLiteral("kelvaro"));
    // The interface draws its own look on Fusion's plain controls, the same on every desktop.
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QApplication::setWindowIcon(kelvaro::AppIcon::icon());

    // A language left switched by an interrupted studio run is restored before any text.
    kelvaro::KelvaroApp::restoreStudioLanguage();
    kelvaro::L10n::installAtStartup();
    kelvaro::Appearance::shared();

    kelvaro::KelvaroStore& store = kelvaro::KelvaroStore::shared();
    kelvaro::KelvaroApp kelvaroApp(store);
    kelvaro::FolderChooser::setShared(std::make_shared<kelvaro::FileDialogFolderChooser>(kelvaroApp.mainWindow()));
    kelvaro::WidgetAttention attention;
    kelvaro::AttentionRequest::setShared(&attention);
    kelvaroApp.showMainWindow();
    const int status = app.exec();
    kelvaro::AttentionRequest::setShared(nullptr);
    return status;
}
