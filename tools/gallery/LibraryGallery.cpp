// Gallery pictures of the history and shelves pages beyond their plain sections: both pages
// empty and filtered, a shelf with files, the page's sheets (edit, new, delete, clear), its menus
// (a history row's, a shelf card's, an item's move menu), a failure met on the history page, and
// the focus ring on the list and on the clear confirmation once the keys reach them.
#include <QAbstractButton>
#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QMenu>
#include <QThread>

#include "app/MainWindow.h"
#include "gallery/GalleryScenes.h"
#include "platform/Bookmark.h"
#include "store/KelvaroStore.h"
#include "ui/design/KelvaroButton.h"
#include "ui/history/HistoryList.h"
#include "ui/history/HistoryModel.h"
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

QImage shoot(Stage& stage, bool dark, QDialog* sheet = nullptr, QMenu* menu = nullptr)
{
    if (sheet || menu)
        settle(150);
    const QImage image = grabWithSheet(stage.window(), sheet, dark, menu);
    if (menu)
        menu->close();
    return image;
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

QImage shelvesShot(const Env& env, bool empty, const std::function<QDialog*(ShelvesView*, const Shelf&)>& open = {},
                   const std::function<QMenu*(ShelvesView*)>& menu = {})
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
    return shoot(stage, env.dark, sheet, menu ? menu(view) : nullptr);
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

// The keys reached the confirmation: the ring on "Zrušit", where it opened.
const GalleryScene historyClearKeys(QStringLiteral("history-clear-keys"), [](const Env& env) {
    Stage stage(env);
    auto* view = showSection<HistoryView>(stage, SidebarItem::history);
    if (!view)
        return QImage();
    settleLibrary([view] { return view->filesChecked(); });
    SheetFrame* sheet = view->confirmClear();
    settle(150);
    tabUntil(sheet, [sheet](QWidget* w) { return w == sheet->cancelButton(); });
    return shoot(stage, env.dark, sheet);
});

// The list reached by the Tab key: its ring around it and the chosen row.
const GalleryScene historyKeys(QStringLiteral("history-keys"), [](const Env& env) {
    Stage stage(env);
    auto* view = showSection<HistoryView>(stage, SidebarItem::history);
    if (!view)
        return QImage();
    settleLibrary([view] { return view->filesChecked(); });
    tabUntil(stage.window(), [](QWidget* w) { return qobject_cast<HistoryList*>(w) != nullptr; });
    settle(120);
    return shoot(stage, env.dark);
});

// The menu of the first row with a file, opened from its ellipsis button.
const GalleryScene historyMenu(QStringLiteral("history-menu"), [](const Env& env) {
    Stage stage(env);
    auto* view = showSection<HistoryView>(stage, SidebarItem::history);
    if (!view)
        return QImage();
    settleLibrary([view] { return view->filesChecked(); });
    HistoryList* list = view->list();
    for (int row = 0; row < list->historyModel()->rowCount(); ++row) {
        if (!list->historyModel()->file(row))
            continue;
        QMenu* menu = list->makeMenu(row, view);
        const QRect button = list->menuButtonRect(list->visualRect(list->historyModel()->index(row, 0)));
        menu->popup(list->viewport()->mapToGlobal(button.bottomLeft()));
        return shoot(stage, env.dark, nullptr, menu);
    }
    return shoot(stage, env.dark);
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

// A shelf card's context menu.
const GalleryScene shelfCardMenu(QStringLiteral("shelf-card-menu"), [](const Env& env) {
    return shelvesShot(env, false, {}, [](ShelvesView* view) -> QMenu* {
        if (view->cards().isEmpty())
            return nullptr;
        ShelfCard* card = view->cards().first();
        Q_EMIT card->customContextMenuRequested(QPoint(card->width() / 2, card->height() / 2));
        const QList<QMenu*> menus = view->findChildren<QMenu*>();
        return menus.isEmpty() ? nullptr : menus.last();
    });
});

// The first item's menu of the shelves it can move to.
const GalleryScene shelfMoveMenu(QStringLiteral("shelf-move-menu"), [](const Env& env) {
    return shelvesShot(env, false, {}, [](ShelvesView* view) -> QMenu* {
        ShelfItemList* list = view->itemList();
        if (!list || !list->model() || list->model()->rowCount() == 0)
            return nullptr;
        list->setCurrentIndex(list->model()->index(0, 0));
        QMenu* menu = list->makeMoveMenu(0, view);
        const QRect button = list->buttonRect(list->visualRect(list->model()->index(0, 0)), ShelfItemList::Button::move);
        menu->popup(list->viewport()->mapToGlobal(button.bottomLeft()));
        return menu;
    });
});

const GalleryScene shelfEdit(QStringLiteral("shelf-edit"), [](const Env& env) {
    return shelvesShot(env, false, [](ShelvesView* view, const Shelf& trip) -> QDialog* { return view->editShelf(trip.id); });
});

// The keys reached the chosen icon: its ring white inside the tile, on the ember of the shelf's colour.
const GalleryScene shelfEditKeys(QStringLiteral("shelf-edit-keys"), [](const Env& env) {
    return shelvesShot(env, false, [](ShelvesView* view, const Shelf& trip) -> QDialog* {
        ShelfEditSheet* sheet = view->editShelf(trip.id);
        sheet->setColorIndex(0);
        settle(150);
        tabUntil(sheet, [](QWidget* w) {
            auto* tile = qobject_cast<QAbstractButton*>(w);
            return tile && tile->isChecked() && ShelfEditSheet::symbols().contains(tile->accessibleName());
        });
        return sheet;
    });
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
