// Gallery pictures of stored data that could not be read or written: the history and the shelves
// whose stored document does not decode, and the home screen's status line after a save the disk
// refused and after an unreadable settings file was kept aside.
#include <cerrno>

#include "app/MainWindow.h"
#include "gallery/GalleryScenes.h"
#include "l10n/Localization.h"
#include "l10n/SaveFailure.h"
#include "platform/Settings.h"
#include "store/KelvaroStore.h"
#include "ui/main/ContentView.h"

namespace kelvaro::gallery {
namespace {

// The main window on `item` over a library document that does not decode; the stored value is
// put back as it was afterwards.
QImage unreadableLibrary(const Env& env, SidebarItem item)
{
    const QString key = QStringLiteral("kelvaro.gallery.library");
    const QVariant before = Settings::shared().value(key);
    Settings::shared().setValue(key, QByteArray(R"({"activities":[{"id":)"));
    QImage image;
    {
        Stage stage(env, true);
        stage.store().setSidebarSelection(item);
        stage.window()->resize(MainWindow::defaultSize);
        stage.window()->show();
        settle(200);
        image = grabWithSheet(stage.window(), nullptr, env.dark);
    }
    Settings::shared().setValue(key, before);
    return image;
}

QImage homeWithError(const Env& env, const QString& message)
{
    Stage stage(env);
    stage.window()->resize(MainWindow::defaultSize);
    stage.window()->show();
    stage.store().setStatusMessage(message);
    stage.store().setStatusIsError(true);
    settle(250);
    return grabWithSheet(stage.window(), nullptr, env.dark);
}

const GalleryScene historyUnreadable(QStringLiteral("history-unreadable"),
                                     [](const Env& env) { return unreadableLibrary(env, SidebarItem::history); });
const GalleryScene shelvesUnreadable(QStringLiteral("shelves-unreadable"),
                                     [](const Env& env) { return unreadableLibrary(env, SidebarItem::shelves); });

const GalleryScene notSaved(QStringLiteral("home-not-saved"), [](const Env& env) {
    return homeWithError(env, Lf("Nastavení a historii se nepodařilo uložit: %@. Uložená verze zůstala beze změny.",
                                 saveFailureReason(ENOSPC)));
});

const GalleryScene keptAside(QStringLiteral("home-kept-aside"), [](const Env& env) {
    return homeWithError(env, Lf("Uložená nastavení a historii se nepodařilo přečíst, proto je nechávám beze změny v souboru „%@“.",
                                 QStringLiteral("/home/jana/.config/Kelvaro/kelvaro.json.unreadable-20261207-091502")));
});

} // namespace
} // namespace kelvaro::gallery
