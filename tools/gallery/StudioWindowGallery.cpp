// Gallery pictures of the screenshot studio's window: before demo mode starts, in demo mode on a
// scene (with a finished drop), and while it captures every scene.
#include "gallery/GalleryScenes.h"
#include "platform/widgets/Appearance.h"
#include "store/KelvaroStore.h"
#include "studio/ScreenshotStudio.h"
#include "studio/StudioWindow.h"
#include "ui/design/Theme.h"
#include "ui/main/ScreenFactory.h"
#include "watch/FolderWatcher.h"

namespace kelvaro::gallery {
namespace {

enum class State { inactive, active, capturing };

QImage studioWindow(const Env& env, State state)
{
    FolderWatcher watcher; // never started: it only holds the demo rules
    ScreenFactory::setWatcher(&watcher);
    QImage image;
    {
        Stage stage(env);
        ScreenshotStudio studio(stage.store(), &watcher);
        StudioWindow view(studio, {});
        Theme::apply(&view, env.dark);
        view.setAutoFillBackground(true);
        if (state != State::inactive) {
            studio.start();
            studio.setDark(env.dark);
            studio.show(3);
        }
        if (state == State::capturing) {
            studio.setCapturing(true);
            studio.setCaptureProgress(QStringLiteral("3 / 16 · cs · Před a po"));
        }
        // The whole column, as if the screen were high enough for it.
        image = grabWidget(&view, QSize(400, std::max(560, view.widget()->sizeHint().height())));
        studio.stop();
    }
    ScreenFactory::setWatcher(nullptr);
    Appearance::shared().setOverride(env.dark);
    return image;
}

const GalleryScene inactive(QStringLiteral("studio-window-inactive"), [](const Env& env) { return studioWindow(env, State::inactive); });
const GalleryScene active(QStringLiteral("studio-window-active"), [](const Env& env) { return studioWindow(env, State::active); });
const GalleryScene capturing(QStringLiteral("studio-window-capturing"),
                             [](const Env& env) { return studioWindow(env, State::capturing); });

} // namespace
} // namespace kelvaro::gallery
