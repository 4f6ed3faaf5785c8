// Gallery pictures of stored data that could not be read or written: the history, the shelves,
// the foot of the home screen and the shelf sheet over a stored document that does not decode,
// the home screen and the wheel while changes wait for a save the disk refuses, the question when
// the application is to end then (also after a retry that failed again), and the home screen's
// status line after an unreadable settings file was kept aside.
#include <cerrno>
#include <functional>
#include <memory>

#include <QDialog>
#include <QScrollBar>

#include "app/MainWindow.h"
#include "app/QuitQuestion.h"
#include "gallery/GalleryScenes.h"
#include "l10n/Localization.h"
#include "l10n/SaveFailure.h"
#include "platform/FileSystem.h"
#include "platform/Settings.h"
#include "store/KelvaroStore.h"
#include "watch/WatchModels.h"
#include "ui/main/ContentView.h"
#include "ui/design/Theme.h"
#include "ui/main/HomeView.h"
#include "ui/sheets/ToolSheetHost.h"

namespace kelvaro::gallery {
namespace {

// The main window on `item` over a library document that does not decode, as `shoot` takes it
// (as it stands when none); the stored value is put back as it was afterwards.
QImage unreadableLibrary(const Env& env, SidebarItem item, const std::function<QImage(Stage&)>& shoot = {})
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
        image = shoot ? shoot(stage) : grabWithSheet(stage.window(), nullptr, env.dark);
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

// Scrolled down to the shelves and the recent results.
const GalleryScene homeUnreadable(QStringLiteral("home-unreadable"), [](const Env& env) {
    return unreadableLibrary(env, SidebarItem::home, [&env](Stage& stage) {
        QScrollBar* bar = stage.window()->findChild<HomeView*>()->verticalScrollBar();
        bar->setValue(bar->maximum());
        settle(100);
        return grabWithSheet(stage.window(), nullptr, env.dark);
    });
});

const GalleryScene shelfSheetUnreadable(QStringLiteral("shelf-sheet-unreadable"), [](const Env& env) {
    return unreadableLibrary(env, SidebarItem::home, [&env](Stage& stage) {
        stage.store().receive(env.pictures.mid(0, 2), false);
        settle(150); // the card takes its loaded face before the sheet comes over it
        std::unique_ptr<QDialog> sheet(ToolSheetHost::build(ToolSheet::shelf, stage.store(), stage.window()));
        Theme::apply(sheet.get(), env.dark);
        sheet->show();
        settle(150);
        return grabWithSheet(stage.window(), sheet.get(), env.dark);
    });
});

// While it lives saves fail as on a full disk, with one change waiting; then the disk has room
// again and the change is saved and taken back.
class FullDisk {
public:
    FullDisk()
    {
        m_disk.writeBudget = 0;
        FileSystem::setCurrent(&m_disk);
        Settings::shared().setValue(key(), true);
    }
    ~FullDisk()
    {
        m_disk.writeBudget = -1;
        Settings::shared().sync();
        FileSystem::setCurrent(nullptr);
        Settings::shared().remove(key());
    }
    FullDisk(const FullDisk&) = delete;
    FullDisk& operator=(const FullDisk&) = delete;

private:
    static QString key() { return QStringLiteral("kelvaro.gallery.unsaved"); }
    FailingFileSystem m_disk;
};

// The main window while changes wait, after the store's status moved on to `status` (none: the
// home screen's prompt), over the wheel when `loaded`.
QImage whileUnsaved(const Env& env, bool loaded, const std::optional<QString>& status)
{
    Stage stage(env);
    stage.window()->resize(MainWindow::defaultSize);
    stage.window()->show();
    if (loaded)
        stage.store().receive(env.pictures.mid(0, 1), false);
    FullDisk disk;
    settle(60);
    stage.store().setStatusIsError(false);
    stage.store().setStatusMessage(status);
    if (status && loaded)
        stage.store().setLastOutputs(env.pictures.mid(0, 1));
    settle(250);
    return grabWithSheet(stage.window(), nullptr, env.dark);
}

const GalleryScene notSaved(QStringLiteral("home-not-saved"), [](const Env& env) { return whileUnsaved(env, false, std::nullopt); });

const GalleryScene notSavedAfterRun(QStringLiteral("wheel-not-saved"), [](const Env& env) {
    return whileUnsaved(env, true, Lf("Hotovo – %@ ve složce „%@“.", WatchScan::filesWord(1), QStringLiteral("Výsledky")));
});

// The question about ending with changes the disk refuses; after a "Zkusit znovu" that failed
// again when `retried`.
QImage quitQuestion(const Env& env, bool retried)
{
    Stage stage(env);
    stage.window()->resize(MainWindow::defaultSize);
    stage.window()->show();
    FullDisk disk;
    auto* question = new QuitQuestion(Settings::shared(), stage.window());
    question->setAttribute(Qt::WA_DeleteOnClose);
    question->setWindowModality(Qt::WindowModal);
    question->open();
    if (retried)
        question->retry();
    settle(200);
    const QImage image = grabWithSheet(stage.window(), question, env.dark);
    question->close();
    return image;
}

const GalleryScene quitNotSaved(QStringLiteral("quit-not-saved"), [](const Env& env) { return quitQuestion(env, false); });
const GalleryScene quitRetried(QStringLiteral("quit-not-saved-retried"), [](const Env& env) { return quitQuestion(env, true); });

const GalleryScene keptAside(QStringLiteral("home-kept-aside"), [](const Env& env) {
    return homeWithError(env, Lf("Uložená nastavení a historii se nepodařilo přečíst, proto je nechávám beze změny v souboru „%@“.",
                                 QStringLiteral("/home/jana/.config/Kelvaro/kelvaro.json.unreadable-20261207-091502")));
});

} // namespace
} // namespace kelvaro::gallery
