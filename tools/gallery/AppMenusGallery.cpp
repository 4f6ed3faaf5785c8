// The main window's menus, each open under its title in the menu bar: "Kelvaro", "Kolo" and
// "Nápověda".
#include <QMenu>
#include <QMenuBar>

#include "app/MainWindow.h"
#include "gallery/GalleryScenes.h"

namespace kelvaro::gallery {
namespace {

QImage openMenu(const Env& env, const QString& name)
{
    Stage stage(env);
    MainWindow* window = stage.window();
    window->show();
    settle(150);
    QMenuBar* bar = window->menuBar();
    auto* menu = bar->findChild<QMenu*>(name);
    if (!menu)
        return QImage();
    const QRect title = bar->actionGeometry(menu->menuAction());
    menu->popup(bar->mapToGlobal(title.bottomLeft()));
    settle(150);
    const QImage image = grabWithSheet(window, nullptr, env.dark, menu);
    menu->hide();
    return image;
}

const GalleryScene appMenu(QStringLiteral("menu-app"), [](const Env& env) { return openMenu(env, QStringLiteral("appMenu")); });
const GalleryScene wheelMenu(QStringLiteral("menu-wheel"), [](const Env& env) { return openMenu(env, QStringLiteral("wheelMenu")); });
const GalleryScene helpMenu(QStringLiteral("menu-help"), [](const Env& env) { return openMenu(env, QStringLiteral("helpMenu")); });

} // namespace
} // namespace kelvaro::gallery
