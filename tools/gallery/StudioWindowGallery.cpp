// Gallery pictures of the screenshot studio's window: before demo mode starts, in demo mode on a
// scene, with a notice, with a finished drop, with a drag over the drop zone, and while it
// captures every scene.
#include <QApplication>
#include <QDragEnterEvent>
#include <QMimeData>

#include "gallery/GalleryScenes.h"
#include "platform/widgets/Appearance.h"
#include "store/KelvaroStore.h"
#include "studio/ScreenshotStudio.h"
#include "studio/StudioDropZone.h"
#include "studio/StudioWindow.h"
#include "ui/design/Theme.h"
#include "ui/main/ScreenFactory.h"
#include "watch/FolderWatcher.h"

namespace kelvaro::gallery {
namespace {

enum class State { inactive, active, capturing, notice, finished, targeted };

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
        if (state == State::notice)
            studio.holdNotice(QStringLiteral("Hlavní okno se nepodařilo najít.")); // a failed capture's reason
        auto* zone = view.findChild<StudioDropZone*>();
        if (state == State::finished && zone)
            Q_EMIT zone->finished(QStringLiteral("Hotovo: 3 z 3 → AppStream/cs"));
        QMimeData mime;
        if (state == State::targeted && zone) {
            mime.setUrls({QUrl::fromLocalFile(env.pictures.first())});
            QDragEnterEvent enter(QPoint(4, 4), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(zone, &enter);
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
const GalleryScene notice(QStringLiteral("studio-window-notice"), [](const Env& env) { return studioWindow(env, State::notice); });
const GalleryScene finished(QStringLiteral("studio-window-finished"), [](const Env& env) { return studioWindow(env, State::finished); });
const GalleryScene targeted(QStringLiteral("studio-window-targeted"), [](const Env& env) { return studioWindow(env, State::targeted); });

} // namespace
} // namespace kelvaro::gallery
