// Hand-offs to the desktop that nobody answers, from every screen that offers one: the status
// line's sentence, and the notice under a screen that has no status line of its own. The main
// window's content over the real screens, real files and a real folder watcher.
#include <QDir>
#include <QMenu>

#include <gtest/gtest.h>

#include "../../support/TestImages.h"
#include "UiTestSupport.h"
#include "output/OutputFolder.h"
#include "platform/FileManager.h"
#include "ui/history/HistoryList.h"
#include "ui/history/HistoryModel.h"
#include "ui/history/HistoryView.h"
#include "ui/main/StatusNotice.h"
#include "ui/main/WindowToolbar.h"
#include "ui/shelves/ShelfItemList.h"
#include "ui/shelves/ShelfItemModel.h"
#include "ui/shelves/ShelvesView.h"
#include "ui/watch/WatchRuleCard.h"
#include "ui/watch/WatchRuleList.h"
#include "ui/watch/WatchView.h"
#include "watch/FolderWatcher.h"

using namespace kelvaro;
using namespace kelvaro::uitest;

namespace {

class UnansweredHandoff : public CzechTest {
public:
    void SetUp() override
    {
        CzechTest::SetUp();
        for (const char* key : {FolderWatcher::rulesKey, FolderWatcher::seenKey})
            Settings::shared().remove(QString::fromLatin1(key));
        out = temp.filePath(QStringLiteral("out"));
        watched = temp.filePath(QStringLiteral("In"));
        ASSERT_TRUE(QDir().mkpath(out) && QDir().mkpath(watched));
        ASSERT_TRUE(OutputFolder::remember(out));
        files->reachable = false;

        watcher = std::make_unique<FolderWatcher>();
        watcher->setFileManager(files);
        ASSERT_TRUE(watcher->add(watched, WatchAction::convert(QStringLiteral("jpg"))));
        const QString results = *watcher->resultsFolder(watcher->rules().first());
        ASSERT_TRUE(QDir().mkpath(results));
        ScreenFactory::setWatcher(watcher.get());
        installScreens({.fileManager = files});

        store = makeStore();
        store->receive(QStringList{photo(QStringLiteral("a.jpg"))}, false);
        ASSERT_TRUE(store->addToShelf(std::nullopt, QStringLiteral("Výlet")));
        store->setDroppedFiles({});
        ActivityItem made = activity(QStringLiteral("kept.jpg"), QDateTime::currentDateTime());
        made.outputPath = photo(QStringLiteral("kept.jpg"));
        store->setActivities({made});
        store->setStatusMessage(std::nullopt);

        ContentView::Options options;
        options.fileManager = files;
        view = std::make_unique<ContentView>(*store, options);
        view->resize(1200, 800);
        view->show();
    }
    void TearDown() override
    {
        view.reset();
        ScreenFactory::reset();
        watcher.reset();
    }

    QString photo(const QString& name) const
    {
        return testimages::writeJpeg(temp.path(), name, testimages::plain(40, 30, Qt::darkGreen));
    }

    template <typename Screen>
    Screen* show(SidebarItem section)
    {
        store->setSidebarSelection(section);
        auto* screen = qobject_cast<Screen*>(view->currentScreen());
        EXPECT_NE(screen, nullptr);
        return screen;
    }

    // The history's one entry, once its file was found on disk.
    std::pair<HistoryView*, int> historyEntry()
    {
        auto* history = show<HistoryView>(SidebarItem::history);
        EXPECT_TRUE(waitFor([&] { return history->filesChecked(); })) << "the history never checked its files";
        for (int row = 0; row < history->model()->rowCount(); ++row)
            if (history->model()->row(row).kind == HistoryModel::Kind::entry)
                return {history, row};
        ADD_FAILURE() << "no history entry";
        return {history, -1};
    }

    ShelfItemList* shelfItems()
    {
        auto* shelves = show<ShelvesView>(SidebarItem::shelves);
        EXPECT_TRUE(waitFor([&] { return shelves->itemsResolved() && shelves->itemModel()->file(0); }))
            << "the shelf's file never resolved";
        return shelves->itemList();
    }

    QAction* watchMenuItem(int index)
    {
        auto* watch = show<WatchView>(SidebarItem::watch);
        return watch->ruleList()->cards().value(0)->menu()->actions().value(index);
    }

    QString out;
    QString watched;
    std::shared_ptr<RecordingFileManager> files = std::make_shared<RecordingFileManager>();
    std::unique_ptr<FolderWatcher> watcher;
    std::unique_ptr<KelvaroStore> store;
    std::unique_ptr<ContentView> view;
};

struct Place {
    const char* name;
    std::function<void(UnansweredHandoff&)> ask; // shows the screen and asks there
    const char* sentence;
    bool screenHasStatusLine;
};

class UnansweredHandoffPlaces : public UnansweredHandoff, public ::testing::WithParamInterface<Place> {};

const Place kPlaces[] = {
    {"historyOpen",
     [](UnansweredHandoff& t) {
         auto [history, row] = t.historyEntry();
         std::unique_ptr<QMenu> menu(history->list()->makeMenu(row, nullptr));
         menu->actions().at(0)->trigger(); // "Otevřít"
     },
     "Soubor „kept.jpg“ se nepodařilo otevřít – žádná aplikace neodpověděla.", false},
    {"historyReveal",
     [](UnansweredHandoff& t) {
         auto [history, row] = t.historyEntry();
         std::unique_ptr<QMenu> menu(history->list()->makeMenu(row, nullptr));
         menu->actions().at(1)->trigger(); // "Ukázat ve správci souborů"
     },
     "Soubor „kept.jpg“ se nepodařilo zobrazit – žádný správce souborů neodpověděl.", false},
    {"shelfItemOpen",
     [](UnansweredHandoff& t) {
         ShelfItemList* list = t.shelfItems();
         const QRect row = list->visualRect(list->model()->index(0, 0));
         mouse(list->viewport(), QEvent::MouseButtonDblClick, QPointF(row.left() + 60, row.center().y()));
     },
     "Soubor „a.jpg“ se nepodařilo otevřít – žádná aplikace neodpověděla.", false},
    {"shelfItemReveal",
     [](UnansweredHandoff& t) { t.shelfItems()->press(0, ShelfItemList::Button::reveal); },
     "Soubor „a.jpg“ se nepodařilo zobrazit – žádný správce souborů neodpověděl.", false},
    {"shelfFolder",
     [](UnansweredHandoff& t) {
         auto* shelves = t.show<ShelvesView>(SidebarItem::shelves);
         shelves->openFolder(*shelves->selectedShelf());
     },
     "Složku „Výlet“ se nepodařilo zobrazit – žádný správce souborů neodpověděl.", false},
    {"watchedFolder",
     [](UnansweredHandoff& t) { t.watchMenuItem(0)->trigger(); },
     "Složku „In“ se nepodařilo zobrazit – žádný správce souborů neodpověděl.", false},
    {"watchResults",
     [](UnansweredHandoff& t) { t.watchMenuItem(1)->trigger(); },
     "Složku s výsledky se nepodařilo zobrazit – žádný správce souborů neodpověděl.", false},
    {"toolbarOnGuide",
     [](UnansweredHandoff& t) {
         t.show<QWidget>(SidebarItem::guide);
         t.view->toolbar()->outputFolderAction()->trigger();
     },
     "Složku „out“ se nepodařilo zobrazit – žádný správce souborů neodpověděl.", false},
    {"toolbarOnHome",
     [](UnansweredHandoff& t) {
         t.show<QWidget>(SidebarItem::home);
         t.view->toolbar()->outputFolderAction()->trigger();
     },
     "Složku „out“ se nepodařilo zobrazit – žádný správce souborů neodpověděl.", true},
};

// The status line gets the sentence as an error; where the screen has no status line, the
// notice under it shows the same sentence.
TEST_P(UnansweredHandoffPlaces, sayWhatNobodyAnswered)
{
    const Place& place = GetParam();
    place.ask(*this);
    ASSERT_FALSE(files->revealed.isEmpty() && files->opened.isEmpty() && files->openedFiles.isEmpty())
        << "the file manager was never asked";
    const QString sentence = QString::fromUtf8(place.sentence);
    EXPECT_EQ(store->statusMessage(), sentence);
    EXPECT_TRUE(store->statusIsError());
    EXPECT_EQ(view->notice()->text(), place.screenHasStatusLine ? QString() : sentence);
    EXPECT_EQ(view->notice()->isVisible(), !place.screenHasStatusLine);
}

INSTANTIATE_TEST_SUITE_P(Everywhere, UnansweredHandoffPlaces, ::testing::ValuesIn(kPlaces),
                         [](const ::testing::TestParamInfo<Place>& info) { return std::string(info.param.name); });

// The notice belongs to the screen it was met on, comes again with the same failure met again,
// and goes once the store says something else.
TEST_F(UnansweredHandoff, theNoticeFollowsTheScreenAndTheStatus)
{
    const auto reveal = [this] {
        auto [history, row] = historyEntry();
        std::unique_ptr<QMenu> menu(history->list()->makeMenu(row, nullptr));
        menu->actions().at(1)->trigger();
    };
    reveal();
    ASSERT_TRUE(view->notice()->isVisible());
    show<ShelvesView>(SidebarItem::shelves);
    EXPECT_FALSE(view->notice()->isVisible()) << "an error of the history stayed on the shelves";
    reveal();
    EXPECT_TRUE(view->notice()->isVisible()) << "the same failure again went unseen";
    store->setStatusMessage(QStringLiteral("Hotovo."));
    store->setStatusIsError(false);
    EXPECT_FALSE(view->notice()->isVisible());
}

// The store clears its status on its own when files are dropped or one is removed, keeping the
// error flag (the status line then shows its hint): the notice goes with the message.
TEST_F(UnansweredHandoff, theNoticeGoesWhenTheStatusIsClearedByADropOrARemoval)
{
    const struct {
        const char* name;
        std::function<void(KelvaroStore&, const QString&)> clear;
    } rows[] = {
        {"drop", [](KelvaroStore& s, const QString& file) { s.receive(QStringList{file}, false); }},
        {"removal", [](KelvaroStore& s, const QString& file) { s.removeDropped(file); }},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const QString file = photo(QStringLiteral("b.jpg"));
        store->setDroppedFiles({file});
        auto [history, entry] = historyEntry();
        std::unique_ptr<QMenu> menu(history->list()->makeMenu(entry, nullptr));
        menu->actions().at(1)->trigger();
        ASSERT_TRUE(view->notice()->isVisible());
        row.clear(*store, file);
        ASSERT_FALSE(store->statusMessage().has_value());
        EXPECT_TRUE(store->statusIsError());
        EXPECT_FALSE(view->notice()->isVisible()) << "the cleared error stayed on the screen";
        EXPECT_EQ(view->notice()->text(), QString());
    }
}

} // namespace
