// The "KDE Connect" wedge's question when several devices are reachable, over the home screen.
#include <QDialog>

#include "app/MainWindow.h"
#include "gallery/GalleryScenes.h"
#include "store/KelvaroStore.h"
#include "ui/design/Theme.h"
#include "ui/sheets/NearbyDeviceSheet.h"

namespace kelvaro::gallery {
namespace {

const GalleryScene nearbyDevices(QStringLiteral("nearby-devices"), [](const Env& env) {
    Stage stage(env);
    stage.store().receive(env.pictures, false);
    MainWindow* window = stage.window();
    window->show();
    settle(150);
    const QList<NearbyDevice> devices{{QStringLiteral("a"), QStringLiteral("Pixel 8")},
                                      {QStringLiteral("b"), QStringLiteral("Galaxy Tab S9")},
                                      {QStringLiteral("c"), QStringLiteral("Pracovní notebook s velmi dlouhým názvem zařízení")}};
    NearbyDeviceSheet sheet(stage.store(), devices, window);
    Theme::apply(&sheet, env.dark);
    sheet.show();
    settle(100);
    const QImage image = grabWithSheet(window, &sheet, env.dark);
    sheet.hide();
    return image;
});

} // namespace
} // namespace kelvaro::gallery
