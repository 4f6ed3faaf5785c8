#pragma once
// The gallery's pictures beyond the main window's sections: each subsystem registers its own
// scenes (sheets, editors, dialogs, windows) from one file in tools/gallery with a static
// GalleryScene object, and kelvaro-gallery renders each in every requested theme and language
// as `<name>-<light|dark>-<lang>.png`. Main thread, needs a QApplication.
#include <functional>
#include <memory>

#include <QImage>
#include <QList>
#include <QString>
#include <QStringList>

#include "store/StoreServices.h"

class QDialog;
class QMenu;
class QWidget;

namespace kelvaro {
class KelvaroApp;
class KelvaroStore;
class MainWindow;
} // namespace kelvaro

namespace kelvaro::gallery {

// What a scene is rendered for. The language setting and the appearance are already applied.
struct Env {
    bool dark = false;
    QString lang;          // "cs" or "en"
    QStringList pictures;  // 4:3 demo photos (640×480 JPEG)
    QString photo32;       // a 3:2 demo photo (1200×800 JPEG)
    QString workDir;       // a temporary folder the scene may write into
};

using Render = std::function<QImage(const Env&)>;

// Registers a scene under `name` at static initialisation.
struct GalleryScene {
    GalleryScene(const QString& name, Render render);
};

struct Scene {
    QString name;
    Render render;
};
const QList<Scene>& scenes();

// Writes the demo photos into `folder` and returns the environment's picture fields filled.
Env makeEnv(const QString& folder);

// Processes events for at least `milliseconds` and until thumbnails and the background pools'
// decodes (previews) have finished; animations still running then are taken to their end.
void settle(int milliseconds = 60);
// Takes every running animation of the shown windows to its end, so a picture shows where they
// come to rest however fast the machine is.
void finishAnimations();

// Presses Tab (Shift+Tab when `back`) in `window` as the keyboard does, until `reached` holds for
// the widget with the focus or `limit` presses have gone; whether it was reached. The controls
// then show the focus ring a key press brings.
bool tabUntil(QWidget* window, const std::function<bool(QWidget*)>& reached, bool back = false, int limit = 60);

// Opens a card's `menu` under its "…" button (the menu's parent), as a click opens it; the menu,
// or none when there is no such button.
QMenu* popUnderButton(QMenu* menu);

// The main window over a store with demo content (the sample history and shelves, or none),
// on the home screen at the default size, not yet shown.
struct Stage {
    explicit Stage(const Env& env, bool emptyLibrary = false, StoreServices services = {});
    ~Stage();
    KelvaroStore& store();
    MainWindow* window();

private:
    std::unique_ptr<KelvaroStore> m_store;
    std::unique_ptr<KelvaroApp> m_app;
};

// The window as a person sees it, with `sheet` (when given) drawn over it where a window-modal
// sheet stands, the window dimmed behind it, and an open `popup` (a menu, a pop-up list) of the
// window or the sheet at its place on top.
QImage grabWithSheet(QWidget* window, QDialog* sheet, bool dark, QWidget* popup = nullptr);
// A top-level widget shown at `size` (its own size hint when empty), settled and grabbed.
QImage grabWidget(QWidget* widget, QSize size = {});

} // namespace kelvaro::gallery
