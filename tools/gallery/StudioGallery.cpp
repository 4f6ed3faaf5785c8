// Gallery pictures of the screenshot studio: the main window staged in each of its eight scenes
// (demo content, in the gallery's language and appearance), and a framed and a flattened finished
// screenshot made from two of them.
#include <QCoreApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QThread>

#include "app/MainWindow.h"
#include "gallery/GalleryScenes.h"
#include "platform/widgets/Appearance.h"
#include "store/KelvaroStore.h"
#include "studio/ScreenshotFinisher.h"
#include "studio/ScreenshotStudio.h"
#include "ui/history/HistoryView.h"
#include "ui/history/ThumbnailCache.h"
#include "ui/main/ContentView.h"
#include "ui/main/ScreenFactory.h"
#include "ui/shelves/ShelvesView.h"
#include "ui/wheel/CompareSheet.h"
#include "watch/FolderWatcher.h"

namespace kelvaro::gallery {
namespace {

// Lets the scene's delayed sheet or comparison open, the library pages find their files and
// every thumbnail decode.
void settleScene(MainWindow* window)
{
    const auto ready = [window] {
        QWidget* screen = window->content()->currentScreen();
        if (auto* shelves = qobject_cast<ShelvesView*>(screen))
            return shelves->itemsResolved();
        if (auto* history = qobject_cast<HistoryView*>(screen))
            return history->filesChecked();
        return true;
    };
    QElapsedTimer timer;
    timer.start();
    while ((timer.elapsed() < 900 || !ready() || ThumbnailCache::pendingCount() > 0) && timer.elapsed() < 10000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
    settle(150);
}

QImage sceneShot(const Env& env, int id)
{
    FolderWatcher watcher; // never started: it only holds the demo rules for the watch screen
    ScreenFactory::setWatcher(&watcher);
    QImage image;
    {
        Stage stage(env);
        ScreenshotStudio studio(stage.store(), &watcher);
        studio.start();
        studio.show(id);
        MainWindow* window = stage.window();
        settleScene(window);
        QDialog* sheet = window->content()->sheet();
        if (!sheet)
            sheet = window->findChild<wheel::CompareSheet*>();
        image = grabWithSheet(window, sheet && sheet->isVisible() ? sheet : nullptr, env.dark);
        studio.stop();
    }
    ScreenFactory::setWatcher(nullptr);
    Appearance::shared().setOverride(env.dark); // stop() hands the appearance back to the desktop
    return image;
}

QImage finished(const Env& env, int id, bool framed)
{
    const StudioScene& scene = StudioScene::all().at(id - 1);
    const std::optional<ScreenshotFinisher::Caption> caption =
        framed ? std::optional<ScreenshotFinisher::Caption>({scene.headlineFor(env.lang), scene.sublineFor(env.lang)}) : std::nullopt;
    const QString file = env.workDir + QStringLiteral("/finished.jpg");
    if (!ScreenshotFinisher::exportImage(sceneShot(env, id), StudioSize::large, caption, file))
        return {};
    return QImage(file);
}

#define STUDIO_SCENE(n) const GalleryScene studioScene##n(QStringLiteral("studio-scene-" #n), [](const Env& env) { return sceneShot(env, n); });
STUDIO_SCENE(1)
STUDIO_SCENE(2)
STUDIO_SCENE(3)
STUDIO_SCENE(4)
STUDIO_SCENE(5)
STUDIO_SCENE(6)
STUDIO_SCENE(7)
STUDIO_SCENE(8)
#undef STUDIO_SCENE

const GalleryScene studioFramed(QStringLiteral("studio-framed"), [](const Env& env) { return finished(env, 2, true); });
const GalleryScene studioFlattened(QStringLiteral("studio-flattened"), [](const Env& env) { return finished(env, 7, false); });

} // namespace
} // namespace kelvaro::gallery
