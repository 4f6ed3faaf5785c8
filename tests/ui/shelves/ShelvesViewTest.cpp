// The shelves page: the empty state and new shelves, the edit sheet's name and colour rules,
// moving, loading, deleting, dragging, opening the folder and the keyboard preview, all on real
// copies below a real output folder.
#include <climits>

#include <QApplication>
#include <QDir>
#include <QDrag>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "../../support/TestImages.h"
#include "../main/UiTestSupport.h"
#include "app/QuickLookSupport.h"
#include "app/ScreenInstaller.h"
#include "output/OutputFolder.h"
#include "platform/Bookmark.h"
#include "platform/FileManager.h"
#include "ui/design/EmptyStateView.h"
#include "ui/main/ScreenFactory.h"
#include "ui/shelves/ShelfCard.h"
#include "ui/shelves/ShelfEditSheet.h"
#include "ui/shelves/ShelfItemList.h"
#include "ui/shelves/ShelfItemModel.h"
#include "ui/shelves/ShelvesView.h"

using namespace kelvaro;
using namespace kelvaro::uitest;

namespace {

class ShelvesViewTest : public CzechTest {
protected:
    void SetUp() override
    {
        CzechTest::SetUp();
        out = temp.filePath(QStringLiteral("out"));
        QDir().mkpath(out);
        ASSERT_TRUE(OutputFolder::remember(out));
        store = makeStore();
        files = std::make_shared<RecordingFileManager>();
    }

    QString photo(const QString& name)
    {
        return testimages::writeJpeg(temp.path(), name, testimages::plain(40, 30, Qt::darkYellow));
    }

    // A shelf named `name` holding real copies of new photos, made as the wheel makes them.
    Shelf fill(const QString& name, const QStringList& photos)
    {
        QStringList sources;
        for (const QString& p : photos)
            sources << photo(p);
        store->receive(sources, false);
        EXPECT_TRUE(store->addToShelf(std::nullopt, name));
        return store->shelves().constLast();
    }

    QString copyOf(const QString& shelf, const QString& file) const { return out + "/Police/" + shelf + "/" + file; }

    void show()
    {
        view = std::make_unique<ShelvesView>(*store, files);
        view->resize(1000, 700);
        view->show();
        ASSERT_TRUE(waitFor([&] { return view->itemsResolved(); }));
    }

    QString out;
    std::unique_ptr<KelvaroStore> store;
    std::shared_ptr<RecordingFileManager> files;
    std::unique_ptr<ShelvesView> view;
};

// Stored shelves that cannot be read are said so; no shelf can be made over them, so they stay as
// they were.
TEST_F(ShelvesViewTest, UnreadableShelvesSaySoAndAreLeftUnchanged)
{
    const QString key = QStringLiteral("kelvaro.test.library");
    const QByteArray stored(R"({"activities":[],"shelves":[{"id":1}]})");
    Settings::shared().setValue(key, stored);
    store = std::make_unique<KelvaroStore>(StoreServices{}, key);
    ShelvesView view(*store, files);
    const QString said = QStringLiteral("Uložené police se nepodařilo přečíst, proto je nechávám beze změny.");
    ASSERT_TRUE(view.showsEmptyState());
    EXPECT_EQ(view.emptyState()->messageText()->text(), said);
    EXPECT_TRUE(view.emptyState()->titleText()->isHidden()) << "unread shelves are not known to be none";
    auto* note = view.findChild<Text*>(QStringLiteral("unreadable"));
    ASSERT_TRUE(note);
    EXPECT_EQ(note->text(), said);

    EXPECT_FALSE(view.newShelfButton()->isEnabled());
    EXPECT_EQ(view.newShelfButton()->toolTip(),
              QStringLiteral("Uložené police se nepodařilo přečíst, proto je nechávám beze změny a další nepřidám."));
    store->createShelf(QStringLiteral("Nová"));
    EXPECT_TRUE(view.showsEmptyState());
    EXPECT_EQ(Settings::shared().dataValue(key), stored);
}

TEST_F(ShelvesViewTest, NewShelfTrimsItsNameAndIgnoresABlankOne)
{
    show();
    EXPECT_TRUE(view->showsEmptyState());
    for (const QString& typed : {QStringLiteral("   "), QStringLiteral(" Výlet ")}) {
        SheetFrame* sheet = view->askNewShelf();
        sheet->findChild<QLineEdit*>(QStringLiteral("name"))->setText(typed);
        EXPECT_TRUE(sheet->canRun()); // never disabled: the store ignores a blank name
        sheet->run();
        passPostedEvents(); // the sheet's run is queued
    }
    ASSERT_EQ(store->shelves().size(), 1);
    EXPECT_EQ(store->shelves().first().name, QStringLiteral("Výlet"));
    EXPECT_FALSE(view->showsEmptyState());
    ASSERT_EQ(view->cards().size(), 1);
    EXPECT_TRUE(view->cards().first()->isSelected());
}

// A taken name (trimmed, in any letter case) gets the edit sheet's red line and creates nothing;
// once the name is free again, the shelf is made.
TEST_F(ShelvesViewTest, NewShelfRefusesANameAnotherShelfBears)
{
    store->setShelves({shelf(QStringLiteral("Smlouvy"), 0, 0)});
    show();
    QPointer<SheetFrame> sheet = view->askNewShelf();
    auto* field = sheet->findChild<QLineEdit*>(QStringLiteral("name"));
    auto* taken = sheet->findChild<Text*>(QStringLiteral("taken"));
    ASSERT_NE(taken, nullptr);
    const QList<std::pair<QString, bool>> names{{QStringLiteral("smlouvy"), true},
                                                {QStringLiteral("  SMLOUVY\n"), true},
                                                {QStringLiteral("Smlouvy 2024"), false},
                                                {QStringLiteral("smlouvy"), true}};
    for (const auto& [typed, isTaken] : names) {
        field->setText(typed);
        EXPECT_EQ(!taken->isHidden(), isTaken) << typed.toStdString();
        EXPECT_EQ(taken->text(), QStringLiteral("Police s tímto názvem už existuje."));
        EXPECT_EQ(sheet->actionButton()->isEnabled(), !isTaken) << typed.toStdString();
    }
    sheet->run(); // Return on a taken name
    test::passPostedEvents();
    EXPECT_EQ(store->shelves().size(), 1);
    ASSERT_TRUE(sheet && sheet->isVisible()) << "the sheet closed on a taken name";

    field->setText(QStringLiteral(" Smlouvy 2024 "));
    sheet->run();
    ASSERT_TRUE(waitFor([&] { return store->shelves().size() == 2; })) << "the free name never made a shelf";
    EXPECT_EQ(store->shelves().last().name, QStringLiteral("Smlouvy 2024"));
}

TEST_F(ShelvesViewTest, EditSheetRefusesATakenOrBlankNameAndARenamedShelfFindsItsFiles)
{
    fill(QStringLiteral("Výlet"), {QStringLiteral("a.jpg")});
    store->setShelves(store->shelves() + QList<Shelf>{shelf(QStringLiteral("Island"), 1, 0)});
    show();
    ShelfEditSheet* sheet = view->editShelf(store->shelves().first().id);
    const QList<std::pair<QString, bool>> names{
        {QStringLiteral(" ISLAND\n"), false}, {QStringLiteral("  "), false}, {QStringLiteral("výlet"), true}, {QStringLiteral("Hory"), true}};
    for (const auto& [typed, allowed] : names) {
        sheet->nameField()->setText(typed);
        EXPECT_EQ(sheet->canSave(), allowed) << typed.toStdString();
        EXPECT_EQ(sheet->actionButton()->isEnabled(), allowed) << typed.toStdString();
    }
    sheet->nameField()->setText(QStringLiteral(" Hory "));
    sheet->run();
    ASSERT_TRUE(waitFor([&] { return view->itemModel()->file(0) == copyOf(QStringLiteral("Hory"), QStringLiteral("a.jpg")); }));
    EXPECT_EQ(store->shelves().first().name, QStringLiteral("Hory"));
}

TEST_F(ShelvesViewTest, StoredColourIndexOpensAsItsRemainderAndAlwaysDrawsAPaletteColour)
{
    struct Case {
        int stored;
        int opened;   // what the sheet starts with and saves untouched
        int marked;   // the dot marked, -1 for none
        QColor drawn;
    };
    const QList<Case> cases{{7, 2, 2, Theme::teal()}, {-3, -3, -1, Theme::gold()}, {INT_MIN, -3, -1, Theme::gold()}, {4, 4, 4, Theme::rose()}};
    for (const Case& c : cases) {
        store->setShelves({shelf(QStringLiteral("A"), c.stored, 0)});
        show();
        EXPECT_EQ(view->cards().first()->symbolColor(), c.drawn) << c.stored;
        ShelfEditSheet* sheet = view->editShelf(store->shelves().first().id);
        EXPECT_EQ(sheet->colorIndex(), c.opened) << c.stored;
        EXPECT_EQ(sheet->badge()->color(), c.drawn) << c.stored;
        for (int i = 0; i < sheet->colorDots().size(); ++i)
            EXPECT_EQ(sheet->colorDots()[i]->isChecked(), i == c.marked) << c.stored << " dot " << i;
        sheet->run();
        passPostedEvents();
        EXPECT_EQ(store->shelves().first().colorIndex, c.opened) << c.stored;
    }
}

TEST_F(ShelvesViewTest, RowsMoveLoadDeleteAndDragTheirFiles)
{
    const Shelf trip = fill(QStringLiteral("Výlet"), {QStringLiteral("a.jpg"), QStringLiteral("b.jpg")});
    show();
    ShelfItemList* list = view->itemList();
    EXPECT_FALSE(list->buttons().contains(ShelfItemList::Button::move)); // no other shelf yet
    ASSERT_EQ(view->itemModel()->file(0), copyOf(QStringLiteral("Výlet"), QStringLiteral("a.jpg")));

    QList<QUrl> dragged;
    list->setDragStarter([&](QDrag* drag) { dragged = drag->mimeData()->urls(); delete drag; });
    const QPoint at = list->visualRect(view->itemModel()->index(1)).center() - QPoint(100, 0);
    uitest::mouse(list->viewport(), QEvent::MouseButtonPress, at);
    uitest::mouse(list->viewport(), QEvent::MouseMove, at + QPoint(40, 0));
    EXPECT_EQ(dragged, QList<QUrl>{QUrl::fromLocalFile(copyOf(QStringLiteral("Výlet"), QStringLiteral("b.jpg")))});

    store->createShelf(QStringLiteral("Hory"));
    store->createShelf(QStringLiteral("Moře"));
    ASSERT_TRUE(list->buttons().contains(ShelfItemList::Button::move));
    std::unique_ptr<QMenu> menu(list->makeMoveMenu(0, nullptr));
    ASSERT_EQ(menu->actions().size(), 2);
    EXPECT_EQ(menu->actions()[0]->text(), QStringLiteral("Hory"));
    menu->actions()[0]->trigger();
    EXPECT_TRUE(QFile::exists(copyOf(QStringLiteral("Hory"), QStringLiteral("a.jpg"))));
    ASSERT_TRUE(waitFor([&] { return view->itemsResolved() && view->itemModel()->rowCount() == 2; })); // one item and the end

    view->loadButton()->click();
    EXPECT_EQ(store->droppedFiles(), QStringList{copyOf(QStringLiteral("Výlet"), QStringLiteral("b.jpg"))});
    EXPECT_EQ(store->sidebarSelection(), SidebarItem::home);

    SheetFrame* confirm = view->confirmDelete(trip.id);
    ASSERT_TRUE(confirm);
    uitest::pressKey(confirm, Qt::Key_Return); // a deletion is never the default action
    test::passPostedEvents();
    EXPECT_EQ(store->shelves().size(), 3);
    confirm->run();
    ASSERT_TRUE(waitFor([&] { return store->shelves().size() == 2; })) << "the shelf was never deleted";
    EXPECT_TRUE(waitFor([&] { return !QFile::exists(copyOf(QStringLiteral("Výlet"), QStringLiteral("b.jpg"))); }))
        << "the deleted shelf's files stayed";
    EXPECT_EQ(view->selectedShelf()->name, QStringLiteral("Hory"));
}

TEST_F(ShelvesViewTest, OpenFolderOpensTheShelfFolderOrRevealsFilesKeptElsewhere)
{
    const Shelf trip = fill(QStringLiteral("Výlet"), {QStringLiteral("a.jpg")});
    Shelf elsewhere = shelf(QStringLiteral("Jinde"), 1, 0, 1);
    const QString loose = photo(QStringLiteral("loose.jpg"));
    elsewhere.items[0].bookmark = Bookmark::create(loose);
    store->setShelves(store->shelves() + QList<Shelf>{elsewhere});
    show();
    view->openFolder(trip);
    view->openFolder(elsewhere);
    EXPECT_EQ(files->opened, QStringList{out + "/Police/Výlet"});
    EXPECT_EQ(files->revealed, QList<QStringList>{{loose}});
}

TEST_F(ShelvesViewTest, SpaceOpensThePreviewAndArrowsMoveTheSelection)
{
    fill(QStringLiteral("Výlet"), {QStringLiteral("a.jpg"), QStringLiteral("b.jpg")});
    installScreens({.fileManager = files});
    std::unique_ptr<QWidget> built(ScreenFactory::build(Screen::shelves, *store, nullptr));
    auto* page = qobject_cast<ShelvesView*>(built.get());
    ASSERT_NE(page, nullptr);
    page->resize(1000, 700);
    page->show();
    ASSERT_TRUE(waitFor([&] { return page->itemsResolved(); }));
    ShelfItemList* list = page->itemList();
    auto* preview = list->findChild<QuickLookList*>();
    ASSERT_NE(preview, nullptr);
    const auto press = [&](int code) { uitest::pressKey(list, code); };
    press(Qt::Key_Down);
    press(Qt::Key_Down);
    EXPECT_EQ(list->selectedFile(), copyOf(QStringLiteral("Výlet"), QStringLiteral("b.jpg")));
    press(Qt::Key_Space);
    EXPECT_EQ(preview->preview(), list->selectedFile());
    press(Qt::Key_Up);
    EXPECT_EQ(list->selectedFile(), copyOf(QStringLiteral("Výlet"), QStringLiteral("a.jpg")));
    ScreenFactory::reset();
}

} // namespace
