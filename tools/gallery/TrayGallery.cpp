// Gallery pictures of the tray's drop window, its content with no watched folder and with two on,
// and of the tray's menu.
#include <QMenu>

#include "app/MenuBarDropView.h"
#include "app/TrayIcon.h"
#include "gallery/GalleryScenes.h"
#include "platform/widgets/Appearance.h"
#include "store/KelvaroStore.h"
#include "ui/design/Theme.h"
#include "watch/FolderWatcher.h"
#include "watch/WatchModels.h"

namespace kelvaro::gallery {
namespace {

QImage dropWindow(const Env& env, int watched)
{
    FolderWatcher watcher; // never started: it only holds the demo rules
    if (watched > 0) {
        QList<WatchRule> rules;
        for (int i = 0; i < watched; ++i)
            rules << WatchRule::make(QStringLiteral("/tmp/Export %1").arg(i + 1), {}, WatchAction::convert(QStringLiteral("jpg")));
        watcher.enterDemo(rules);
    }
    QImage image;
    {
        Stage stage(env);
        MenuBarDropView view(stage.store(), watcher, {});
        Theme::apply(&view, env.dark);
        view.setAutoFillBackground(true);
        image = grabWidget(&view);
    }
    Appearance::shared().setOverride(env.dark);
    return image;
}

const GalleryScene plain(QStringLiteral("tray-drop-window"), [](const Env& env) { return dropWindow(env, 0); });
const GalleryScene watching(QStringLiteral("tray-drop-window-watching"), [](const Env& env) { return dropWindow(env, 2); });

const GalleryScene menu(QStringLiteral("tray-menu"), [](const Env& env) {
    QMenu menu;
    TrayIcon::populate(&menu, {});
    Theme::apply(&menu, env.dark);
    return grabWidget(&menu);
});

} // namespace
} // namespace kelvaro::gallery
