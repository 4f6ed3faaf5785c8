// Gallery pictures of the whole guide page: the main window 1200 wide, tall enough for every card,
// and the page alone 800 wide, where the grids drop to fewer columns.
#include "app/MainWindow.h"
#include "gallery/GalleryScenes.h"
#include "store/KelvaroStore.h"
#include "ui/design/Theme.h"
#include "ui/guide/GuideView.h"
#include "ui/main/ContentView.h"

namespace kelvaro::gallery {
namespace {

// The height at which the page shows everything without scrolling.
int fullHeight(GuideView* guide)
{
    return guide->widget()->heightForWidth(guide->viewport()->width()) + 2;
}

const GalleryScene wideGuide(QStringLiteral("guide-1200"), [](const Env& env) {
    Stage stage(env);
    stage.store().setSidebarSelection(SidebarItem::guide);
    MainWindow* window = stage.window();
    window->resize(1200, MainWindow::defaultSize.height());
    window->show();
    settle(150);
    auto* guide = qobject_cast<GuideView*>(window->content()->currentScreen());
    if (!guide)
        return QImage();
    window->resize(1200, window->height() - guide->viewport()->height() + fullHeight(guide));
    settle(150);
    return grabWithSheet(window, nullptr, env.dark);
});

const GalleryScene narrowGuide(QStringLiteral("guide-800"), [](const Env& env) {
    KelvaroStore store(StoreServices{}, QStringLiteral("kelvaro.gallery.library"));
    store.enterDemo({}, {});
    GuideView guide(store);
    Theme::apply(&guide, env.dark);
    guide.setAutoFillBackground(true);
    guide.resize(800, 600);
    guide.show();
    settle(100);
    return grabWidget(&guide, QSize(800, guide.height() - guide.viewport()->height() + fullHeight(&guide)));
});

} // namespace
} // namespace kelvaro::gallery
