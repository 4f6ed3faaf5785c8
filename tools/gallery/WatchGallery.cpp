// The watched-folders screen's pictures: with no rule, with three rules (one working, one paused,
// one whose folder is gone) and the add-watch sheet with a folder chosen. The screen runs over a
// scripted watcher, installed for these pictures only.
#include <QDir>

#include "app/MainWindow.h"
#include "app/ScreenInstaller.h"
#include "gallery/GalleryScenes.h"
#include "gallery/ScriptedWatchService.h"
#include "model/PresetSpec.h"
#include "model/WorkflowLibrary.h"
#include "output/OutputFolder.h"
#include "platform/FolderChooser.h"
#include "platform/Settings.h"
#include "store/KelvaroStore.h"
#include "ui/main/ContentView.h"
#include "ui/main/ScreenFactory.h"
#include "ui/watch/AddWatchSheet.h"
#include "ui/watch/WatchView.h"

namespace kelvaro::gallery {
namespace {

WatchRule rule(const QString& path, const WatchAction& action, bool enabled, qint64 processed,
               std::optional<qint64> secondsAgo)
{
    WatchRule r = WatchRule::make(path, QByteArray("bookmark"), action);
    r.isEnabled = enabled;
    r.processed = processed;
    if (secondsAgo)
        r.lastRun = QDateTime::currentDateTime().addSecs(-*secondsAgo);
    return r;
}

// The main window on the watch screen over `service`; `prepare` may open the sheet, which is
// drawn over the window.
QImage watchWindow(const Env& env, const std::shared_ptr<ScriptedWatchService>& service,
                   const std::function<QDialog*(WatchView&)>& prepare = {})
{
    ScreenFactory::install(Screen::watch, [service](const ScreenContext& context, QWidget* parent) -> QWidget* {
        return new WatchView(service, context.settings, parent);
    });
    QImage image;
    {
        Stage stage(env);
        stage.store().setSidebarSelection(SidebarItem::watch);
        MainWindow* window = stage.window();
        window->show();
        settle(150);
        auto* view = qobject_cast<WatchView*>(window->content()->currentScreen());
        QDialog* sheet = prepare && view ? prepare(*view) : nullptr;
        settle(200);
        image = grabWithSheet(window, sheet, env.dark);
        if (sheet)
            sheet->close();
    }
    installScreens(); // the real screen again for every other picture
    return image;
}

const GalleryScene empty(QStringLiteral("watch-empty"), [](const Env& env) {
    return watchWindow(env, std::make_shared<ScriptedWatchService>());
});

const GalleryScene rules(QStringLiteral("watch-rules"), [](const Env& env) {
    auto service = std::make_shared<ScriptedWatchService>();
    const QString pictures = QDir::homePath() + QStringLiteral("/Obrázky");
    const QList<WatchRule> list{
        rule(pictures + QStringLiteral("/Snímky obrazovky"), WatchRecipe::all().at(0).action, true, 12, 120),
        rule(pictures + QStringLiteral("/Z telefonu"), WatchAction::convert(QStringLiteral("jpg")), false, 48, 26 * 3600),
        rule(QStringLiteral("/media/usb/Export pro klienty/Léto 2024/Výběr"), WatchAction::workflow(WorkflowLibrary::defaults().first()),
             true, 0, std::nullopt),
    };
    service->setRules(list);
    service->setStatus(list.at(0).id, WatchStatus{true, false, std::nullopt, {}});
    service->setStatus(list.at(2).id, WatchStatus{false, true, QStringLiteral("Složka není dostupná. Přesunul jsi ji nebo smazal?"), {}});
    return watchWindow(env, service);
});

const GalleryScene sheet(QStringLiteral("watch-add"), [](const Env& env) {
    const QString watched = env.workDir + QStringLiteral("/Snímky obrazovky");
    const QString results = env.workDir + QStringLiteral("/Výsledky");
    QDir().mkpath(watched);
    QDir().mkpath(results);
    OutputFolder::remember(results);
    const auto previous = FolderChooser::shared();
    FolderChooser::setShared(std::make_shared<FakeFolderChooser>(watched));
    QImage image = watchWindow(env, std::make_shared<ScriptedWatchService>(), [](WatchView& view) -> QDialog* {
        view.openSheet(WatchView::defaultAction());
        view.sheet()->chooseFolder();
        return view.sheet();
    });
    FolderChooser::setShared(previous);
    Settings::shared().remove(QString::fromLatin1(OutputFolder::bookmarkKey));
    return image;
});

} // namespace
} // namespace kelvaro::gallery
