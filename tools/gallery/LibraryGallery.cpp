// Gallery pictures of the history and shelves pages beyond their plain sections: both pages
// empty and filtered, a shelf with files, the page's sheets (edit, new, delete, clear) and a
// failure met on the history page.
#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QThread>

#include "app/MainWindow.h"
#include "gallery/GalleryScenes.h"
#include "platform/Bookmark.h"
#include "store/KelvaroStore.h"
#include "ui/history/HistoryView.h"
#include "ui/history/ThumbnailCache.h"
#include "ui/main/ContentView.h"
#include "ui/shelves/ShelfCard.h"
#include "ui/shelves/ShelfEditSheet.h"
#include "ui/shelves/ShelfItemList.h"
#include "ui/shelves/ShelvesView.h"
#include "ui/sheets/SheetFrame.h"

namespace kelvaro::gallery {
namespace {

template <typename Screen>
Screen* showSection(Stage& stage, SidebarItem item)
{
    stage.store().setSidebarSelection(item);
    stage.window()->resize(MainWindow::defaultSize);
    stage.window()->show();
    settle(150);
    return qobject_cast<Screen*>(stage.window()->content()->currentScreen());
}

// Waits for the page's file checks and the pictures of its rows.
void settleLibrary(const std::function<bool()>& ready)
{
    QElapsedTimer timer;
    timer.start();
    while ((!ready() || ThumbnailCache::pendingCount() > 0) && timer.elapsed() < 10000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
    settle(120);
}

QImage shoot(Stage& stage, bool dark, QDialog* sheet = nullptr)
{
    if (sheet)
        settle(150);
    return grabWithSheet(stage.window(), sheet, dark);
}

QImage historyShot(const Env& env, bool empty, const QString& query, HistoryScope scope)
{
    Stage stage(env, empty);
    auto* view = showSection<HistoryView>(stage, SidebarItem::history);
    if (!view)
        return {};
    view->setScope(scope);
    view->setQuery(query);
    settleLibrary([view] { return view->filesChecked(); });
    return shoot(stage, env.dark);
}

// A shelf with four photos (one of them since deleted) besides the sample shelves.
Shelf tripShelf(const Env& env)
{
    Shelf shelf;
    shelf.id = QUuid::createUuid();
    shelf.name = QStringLiteral("Výlet na Šumavu");
    shelf.symbol = QStringLiteral("mountain.2.fill");
    shelf.colorIndex = 2;
    const QStringList names{QStringLiteral("Rozhledna.jpg"), QStringLiteral("Jezero za svítání.jpg"),
                            QStringLiteral("Chata.jpg"), QStringLiteral("Les v mlze.jpg")};
    for (int i = 0; i < names.size(); ++i) {
        ShelfItem item;
        item.id = QUuid::createUuid();
        item.name = names[i];
        const QString file = env.workDir + QStringLiteral("/shelf-") + names[i];
        if (i < 3) {
            QFile::remove(file);
            QFile::copy(env.pictures.at(i % env.pictures.size()), file);
            item.bookmark = Bookmark::create(file);
        }
        item.bytes = i < 3 ? QFileInfo(file).size() : 2400000;
        item.added = QDateTime::currentDateTimeUtc();
        shelf.items << item;
    }
    return shelf;
}

QImage shelvesShot(const Env& env, bool empty, const std::function<QDialog*(ShelvesView*, const Shelf&)>& open = {})
{
    Stage stage(env, empty);
    Shelf trip;
    if (!empty) {
        trip = tripShelf(env);
        QList<Shelf> shelves = stage.store().shelves();
        shelves.prepend(trip);
        stage.store().setShelves(shelves);
    }
    auto* view = showSection<ShelvesView>(stage, SidebarItem::shelves);
    if (!view)
        return {};
    settleLibrary([view] { return view->itemsResolved(); });
    QDialog* sheet = open ? open(view, trip) : nullptr;
    return shoot(stage, env.dark, sheet);
}

const GalleryScene historyEmpty(QStringLiteral("history-empty"), [](const Env& env) {
    return historyShot(env, true, {}, HistoryScope::all);
});

const GalleryScene historyFiltered(QStringLiteral("history-filtered"), [](const Env& env) {
    return historyShot(env, false, QStringLiteral("jpg"), HistoryScope::manual);
});

const GalleryScene historyNoMatch(QStringLiteral("history-nomatch"), [](const Env& env) {
    return historyShot(env, false, {}, HistoryScope::automatic);
});

const GalleryScene historyClear(QStringLiteral("history-clear"), [](const Env& env) {
    Stage stage(env);
    auto* view = showSection<HistoryView>(stage, SidebarItem::history);
    if (!view)
        return QImage();
    settleLibrary([view] { return view->filesChecked(); });
    return shoot(stage, env.dark, view->confirmClear());
});

const GalleryScene shelvesEmpty(QStringLiteral("shelves-empty"), [](const Env& env) { return shelvesShot(env, true); });

const GalleryScene shelvesItems(QStringLiteral("shelves-items"), [](const Env& env) {
    return shelvesShot(env, false, [](ShelvesView* view, const Shelf&) -> QDialog* {
        // The second file selected, as a click leaves it.
        if (auto* list = view->itemList(); list && list->model())
            list->setCurrentIndex(list->model()->index(1, 0));
        return nullptr;
    });
});

const GalleryScene shelfEdit(QStringLiteral("shelf-edit"), [](const Env& env) {
    return shelvesShot(env, false, [](ShelvesView* view, const Shelf& trip) -> QDialog* { return view->editShelf(trip.id); });
});

const GalleryScene shelfEditTaken(QStringLiteral("shelf-edit-taken"), [](const Env& env) {
    return shelvesShot(env, false, [](ShelvesView* view, const Shelf& trip) -> QDialog* {
        ShelfEditSheet* sheet = view->editShelf(trip.id);
        sheet->setColorIndex(4);
        sheet->setSymbol(QStringLiteral("camera.fill"));
        // Another shelf's name in other letter case is taken.
        sheet->nameField()->setText(view->cards().last()->shelf().name.toUpper());
        return sheet;
    });
});

const GalleryScene shelfNew(QStringLiteral("shelf-new"), [](const Env& env) {
    return shelvesShot(env, false, [](ShelvesView* view, const Shelf&) -> QDialog* { return view->askNewShelf(); });
});

const GalleryScene shelfNewTaken(QStringLiteral("shelf-new-taken"), [](const Env& env) {
    return shelvesShot(env, false, [](ShelvesView* view, const Shelf&) -> QDialog* {
        SheetFrame* sheet = view->askNewShelf();
        // Another shelf's name in other letter case is taken.
        if (auto* field = sheet->findChild<QLineEdit*>(QStringLiteral("name")))
            field->setText(view->cards().last()->shelf().name.toLower());
        return sheet;
    });
});

// A file revealed from the history with no file manager answering: the notice under the page.
const GalleryScene historyUnanswered(QStringLiteral("history-unanswered"), [](const Env& env) {
    Stage stage(env);
    auto* view = showSection<HistoryView>(stage, SidebarItem::history);
    if (!view)
        return QImage();
    settleLibrary([view] { return view->filesChecked(); });
    stage.store().reportUnanswered(HandoffFailure::files, {env.pictures.value(0)});
    settle(120);
    return shoot(stage, env.dark);
});

const GalleryScene shelfDelete(QStringLiteral("shelf-delete"), [](const Env& env) {
    return shelvesShot(env, false, [](ShelvesView* view, const Shelf& trip) -> QDialog* { return view->confirmDelete(trip.id); });
});

} // namespace
} // namespace kelvaro::gallery
