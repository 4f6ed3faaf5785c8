// The history page: order, scope and search, day headers, figures, rows whose file is gone,
// use-again, clearing, and the keyboard preview.
#include <QAbstractButton>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QScrollBar>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "../../support/TestImages.h"
#include "app/QuickLookSupport.h"
#include "app/ScreenInstaller.h"
#include "platform/FileManager.h"
#include "ui/design/EmptyStateView.h"
#include "ui/history/HistoryList.h"
#include "ui/history/HistoryModel.h"
#include "ui/history/HistoryView.h"
#include "ui/main/HomeCards.h"
#include "ui/main/HomeView.h"
#include "ui/shelves/ShelvesView.h"
#include "ui/main/ScreenFactory.h"
#include "ui/design/ToolbarButton.h"
#include "ui/sheets/SegmentedPicker.h"
#include "ui/sheets/SheetFrame.h"
#include "../main/UiTestSupport.h"

using namespace kelvaro;
using namespace kelvaro::uitest;

namespace {

ActivityItem entry(const QString& name, const QString& title, const QDateTime& date, qint64 saved = 0,
                   const std::optional<QString>& path = std::nullopt)
{
    ActivityItem a = activity(name, date, saved);
    a.actionTitle = title;
    a.outputPath = path;
    return a;
}

QStringList names(const QList<ActivityItem>& items)
{
    QStringList result;
    for (const ActivityItem& item : items)
        result << item.fileName;
    return result;
}

void setLanguage(const char* code)
{
    Settings::shared().setValue(QStringLiteral("kelvaro.language"), QString::fromLatin1(code));
}

struct FilterCase {
    const char* language;
    HistoryScope scope;
    const char* query;
    QStringList expected;
};

TEST(HistoryFilterTest, OrdersNewestFirstStablyAndFiltersByStoredPrefixAndShownTitle)
{
    const QDateTime t0(QDate(2024, 3, 10), QTime(12, 0));
    // Store order matters for the two entries of the same moment.
    const QList<ActivityItem> store{
        entry(QStringLiteral("Dovolená.jpg"), QStringLiteral("Komprese"), t0),
        entry(QStringLiteral("Chata.png"), QStringLiteral("Automaticky · Komprese"), t0),
        entry(QStringLiteral("Červen.jpg"), QStringLiteral("Ořez 4:5"), t0.addSecs(60)),
        entry(QStringLiteral("Pes.heic"), QStringLiteral("HEIC → JPG"), t0.addSecs(-3600)),
        entry(QStringLiteral("sken.pdf"), QStringLiteral("Automaticky · Ořez 4:5"), t0.addSecs(-7200)),
    };
    const QList<FilterCase> cases{
        {"cs", HistoryScope::all, "", {"Červen.jpg", "Dovolená.jpg", "Chata.png", "Pes.heic", "sken.pdf"}},
        {"cs", HistoryScope::automatic, "", {"Chata.png", "sken.pdf"}},
        {"cs", HistoryScope::manual, "", {"Červen.jpg", "Dovolená.jpg", "Pes.heic"}},
        {"cs", HistoryScope::all, "KOMPRESE", {"Dovolená.jpg", "Chata.png"}},
        {"cs", HistoryScope::all, "ČERVEN", {"Červen.jpg"}},
        {"cs", HistoryScope::all, "cerven", {}}, // diacritics count
        {"cs", HistoryScope::all, " ", {"Červen.jpg", "Chata.png", "Pes.heic", "sken.pdf"}},
        {"cs", HistoryScope::automatic, "zzz", {}},
        {"cs", HistoryScope::automatic, "komprese", {"Chata.png"}}, // the search stays inside the scope
        {"cs", HistoryScope::manual, "ořez", {"Červen.jpg"}},
        {"en", HistoryScope::all, "compress", {"Dovolená.jpg", "Chata.png"}}, // the shown title
        {"en", HistoryScope::all, "Komprese", {}},
        {"en", HistoryScope::automatic, "", {"Chata.png", "sken.pdf"}}, // still the stored prefix
    };
    for (const FilterCase& c : cases) {
        setLanguage(c.language);
        EXPECT_EQ(names(filterHistory(store, c.scope, QString::fromUtf8(c.query))), c.expected)
            << c.language << " " << rawValue(c.scope).toStdString() << " '" << c.query << "'";
    }
}

TEST(HistoryFilterTest, DaysSplitAtMidnightAndReadInBothLanguages)
{
    const QList<ActivityItem> sorted{entry(QStringLiteral("b"), QStringLiteral("Komprese"), QDateTime(QDate(2020, 12, 7), QTime(0, 1))),
                                     entry(QStringLiteral("a"), QStringLiteral("Komprese"), QDateTime(QDate(2020, 12, 6), QTime(23, 59)))};
    const QList<HistoryDay> days = groupByDay(sorted);
    ASSERT_EQ(days.size(), 2);
    EXPECT_EQ(days[0].day, QDate(2020, 12, 7));
    EXPECT_EQ(days[1].day, QDate(2020, 12, 6));

    const QLocale cs(QLocale::Czech, QLocale::Czechia), en(QLocale::English, QLocale::UnitedStates);
    EXPECT_EQ(dayTitle(QDate(2020, 12, 7), cs), QStringLiteral("pondělí 7. prosince"));
    EXPECT_EQ(dayTitle(QDate(2020, 12, 7), en), QStringLiteral("Monday, December 7"));
    EXPECT_EQ(timeText(QDateTime(QDate(2020, 12, 7), QTime(14, 5)), en), QStringLiteral("2:05 PM"));

    const QList<std::pair<qint64, std::optional<QString>>> savings{
        {0, std::nullopt}, {-5000, std::nullopt}, {1, QStringLiteral("\u22121 bajt")}, {2400000, QStringLiteral("\u22122,4 MB")}};
    for (const auto& [bytes, shown] : savings)
        EXPECT_EQ(savedText(bytes, cs), shown) << bytes;
}

class HistoryViewTest : public CzechTest {
protected:
    void SetUp() override
    {
        CzechTest::SetUp();
        store = makeStore();
        files = std::make_shared<RecordingFileManager>();
    }

    QString photo(const QString& name)
    {
        return testimages::writeJpeg(temp.path(), name, testimages::plain(40, 30, Qt::darkCyan));
    }

    std::unique_ptr<HistoryView> makeView()
    {
        auto view = std::make_unique<HistoryView>(*store, files);
        view->resize(900, 700);
        view->show();
        EXPECT_TRUE(waitFor([&] { return view->filesChecked(); }));
        return view;
    }

    // The model row of the entry named `name`.
    static int rowOf(HistoryView& view, const QString& name)
    {
        for (int row = 0; row < view.model()->rowCount(); ++row)
            if (view.model()->row(row).kind == HistoryModel::Kind::entry && view.model()->row(row).item.fileName == name)
                return row;
        return -1;
    }

    static QPoint centreOf(HistoryView& view, int row)
    {
        return view.list()->visualRect(view.model()->index(row)).center();
    }

    std::unique_ptr<KelvaroStore> store;
    std::shared_ptr<RecordingFileManager> files;
};

// A stored history that cannot be read is said so, on the empty page and above what this session
// adds, and it is still the stored one afterwards.
TEST_F(HistoryViewTest, AnUnreadableHistorySaysSoAndIsLeftUnchanged)
{
    const QString key = QStringLiteral("kelvaro.test.library");
    const QByteArray stored(R"({"activities":[{"id":)");
    Settings::shared().setValue(key, stored);
    store = std::make_unique<KelvaroStore>(StoreServices{}, key);
    auto view = makeView();
    const QString said = QStringLiteral("Uloženou historii se nepodařilo přečíst, proto ji nechávám beze změny.");
    ASSERT_TRUE(view->showsEmptyState());
    EXPECT_EQ(view->emptyState()->messageText()->text(), said);
    EXPECT_TRUE(view->emptyState()->titleText()->isHidden()) << "an unread history is not known to be empty";

    store->addHistoryEntry(entry(QStringLiteral("a.jpg"), QStringLiteral("Komprese"), QDateTime::currentDateTime()));
    ASSERT_FALSE(view->showsEmptyState());
    auto* note = view->header()->findChild<Text*>(QStringLiteral("unreadable"));
    ASSERT_TRUE(note);
    EXPECT_EQ(note->text(), said);
    EXPECT_EQ(Settings::shared().dataValue(key), stored);
}

// A settings file that could not be read and was kept aside holds the user's history: home and
// History say where it went, in rose, instead of inviting the user to a first photo. The settings
// open here for the first time, in a process of its own.
TEST(HistoryKeptAside, HomeAndHistorySayWhereTheUnreadHistoryWent)
{
    EXPECT_TRUE(test::passesInFreshProcess(QStringLiteral("HistoryKeptAsideChild.*"), 1));
}

TEST(HistoryKeptAsideChild, homeAndHistorySayWhereTheUnreadHistoryWent)
{
    const QString folder = qEnvironmentVariable("XDG_CONFIG_HOME") + QStringLiteral("/Kelvaro");
    ASSERT_TRUE(QDir().mkpath(folder));
    test::writeFile(folder + QStringLiteral("/kelvaro.json"), QByteArray(R"({"kelvaro.library.v1": {"data": ")") + QByteArray(4000, 'A'));
    setLanguage("cs");
    KelvaroStore store(StoreServices{}, QString::fromLatin1(KelvaroStore::defaultStorageKey));
    const QString aside = store.libraryKeptAside();
    ASSERT_FALSE(aside.isEmpty()) << "the unreadable file was not kept aside";
    ASSERT_TRUE(store.activities().isEmpty());
    const QString history = QStringLiteral("Uloženou historii se nepodařilo přečíst, proto ji nechávám beze změny v souboru „%1“.").arg(aside);
    const QString shelves = QStringLiteral("Uložené police se nepodařilo přečíst, proto je nechávám beze změny v souboru „%1“.").arg(aside);

    HistoryView page(store, std::make_shared<RecordingFileManager>());
    HomeView home(store);
    ShelvesView shelf(store, std::make_shared<RecordingFileManager>());
    const struct {
        const char* screen;
        const Text* line;
        QString said;
        const Text* invitation; // hidden: nothing is known to be empty
    } rows[] = {
        {"History", page.emptyState()->messageText(), history, page.emptyState()->titleText()},
        {"home's recent files", home.findChild<RecentSection*>()->emptyText(), history, nullptr},
        {"home's shelves", home.findChild<ShelvesSection*>()->emptyText(), shelves, nullptr},
        {"Shelves", shelf.emptyState()->messageText(), shelves, shelf.emptyState()->titleText()},
    };
    EXPECT_TRUE(page.showsEmptyState());
    for (const auto& row : rows) {
        SCOPED_TRACE(row.screen);
        ASSERT_NE(row.line, nullptr);
        EXPECT_EQ(row.line->text(), row.said);
        EXPECT_EQ(row.line->resolvedColor(), Theme::rose());
        if (row.invitation) {
            EXPECT_TRUE(row.invitation->isHidden());
        }
    }
}

TEST_F(HistoryViewTest, FiguresCountTheWholeHistoryWhateverTheFilter)
{
    const QDateTime now = QDateTime::currentDateTime();
    store->setActivities({entry(QStringLiteral("a.jpg"), QStringLiteral("Automaticky · Komprese"), now, 2000000),
                          entry(QStringLiteral("b.jpg"), QStringLiteral("Komprese"), now, -5000000),
                          entry(QStringLiteral("c.jpg"), QStringLiteral("Komprese"), now.addDays(-3), 400000)});
    auto view = makeView();
    view->setScope(HistoryScope::automatic);
    view->searchField()->setText(QStringLiteral("A.JPG"));
    EXPECT_EQ(view->model()->entryCount(), 1);
    QStringList shown;
    for (QuietStat* stat : view->stats())
        shown << stat->value() + QLatin1Char(' ') + stat->label();
    EXPECT_EQ(shown, (QStringList{QStringLiteral("3 akcí celkem"), QStringLiteral("2 dnes"), QStringLiteral("2,4 MB ušetřeno")}));
    view->setQuery(QStringLiteral("nic takového"));
    EXPECT_TRUE(view->showsNoMatches());
    EXPECT_TRUE(view->clearButton()->isEnabled());
}

TEST_F(HistoryViewTest, HeaderScrollsWithTheListAndTheDaysStartBelowIt)
{
    QList<ActivityItem> items;
    const QDateTime now = QDateTime::currentDateTime();
    for (int i = 0; i < 40; ++i)
        items << entry(QStringLiteral("foto%1.jpg").arg(i), QStringLiteral("Komprese"), now.addSecs(-3600 * i), 1000000);
    store->setActivities(items);
    auto view = makeView();
    HistoryList* list = view->list();
    QWidget* header = view->header();
    auto* heading = view->findChild<Text*>(QStringLiteral("heading"));
    ASSERT_NE(heading, nullptr);
    ASSERT_TRUE(list->viewport()->isAncestorOf(heading)) << "the title is not inside the scroll view";
    ASSERT_TRUE(header->isAncestorOf(view->scopePicker()) && header->isAncestorOf(view->stats().first()));

    // Narrow, the figures stack and the header grows: the first day still starts below it.
    for (int width : {900, 300}) {
        view->resize(width, 700);
        const auto laidOut = [&] {
            const QRect firstDay = list->visualRect(view->model()->index(1));
            return header->width() == list->columnRect(firstDay).width() &&
                   header->height() >= header->heightForWidth(header->width()) && header->geometry().bottom() < firstDay.top();
        };
        EXPECT_TRUE(waitFor(laidOut)) << "at " << width << " px the header is " << header->height() << " px high, needs "
                                      << header->heightForWidth(header->width()) << ", and ends at " << header->geometry().bottom()
                                      << " over a first day at " << list->visualRect(view->model()->index(1)).top();
    }

    const int top = heading->mapTo(view.get(), QPoint()).y();
    list->verticalScrollBar()->setValue(150);
    EXPECT_EQ(heading->mapTo(view.get(), QPoint()).y(), top - 150);
    list->verticalScrollBar()->setValue(0);
    view->setQuery(QStringLiteral("nic takového"));
    EXPECT_TRUE(view->showsNoMatches());
    EXPECT_EQ(heading->mapTo(view.get(), QPoint()).y(), top) << "the header stays over the no-match text";
}

TEST_F(HistoryViewTest, OnlyRowsWhoseFileExistsSelectOpenAndGoBackToTheWheel)
{
    const QString kept = photo(QStringLiteral("kept.jpg"));
    const QString gone = temp.filePath(QStringLiteral("gone.jpg"));
    const QDateTime now = QDateTime::currentDateTime();
    store->setDroppedFiles({photo(QStringLiteral("other.jpg"))});
    store->setSidebarSelection(SidebarItem::history);
    store->setActivities({entry(QStringLiteral("kept.jpg"), QStringLiteral("Komprese"), now, 0, kept),
                          entry(QStringLiteral("gone.jpg"), QStringLiteral("Komprese"), now.addSecs(-60), 0, gone),
                          entry(QStringLiteral("never.zip"), QStringLiteral("Zabalit do ZIP"), now.addSecs(-120))});
    auto view = makeView();
    HistoryList* list = view->list();
    const int keptRow = rowOf(*view, QStringLiteral("kept.jpg"));

    for (const QString& name : {QStringLiteral("gone.jpg"), QStringLiteral("never.zip")}) {
        const int row = rowOf(*view, name);
        EXPECT_EQ(list->toolTipAt(centreOf(*view, row)), QStringLiteral("Soubor už není na původním místě.")) << name.toStdString();
        std::unique_ptr<QMenu> menu(list->makeMenu(row, nullptr));
        EXPECT_TRUE(menu->actions().isEmpty()) << name.toStdString();
    }
    uitest::mouse(list->viewport(), QEvent::MouseButtonPress, centreOf(*view, keptRow));
    uitest::mouse(list->viewport(), QEvent::MouseButtonRelease, centreOf(*view, keptRow));
    EXPECT_EQ(list->selectedFile(), kept);
    // A click on a row without its file leaves the selection where it was.
    uitest::mouse(list->viewport(), QEvent::MouseButtonPress, centreOf(*view, rowOf(*view, QStringLiteral("gone.jpg"))));
    EXPECT_EQ(list->selectedFile(), kept);
    uitest::mouse(list->viewport(), QEvent::MouseButtonDblClick, centreOf(*view, keptRow));
    EXPECT_EQ(files->openedFiles, QStringList{kept});

    std::unique_ptr<QMenu> menu(list->makeMenu(keptRow, nullptr));
    ASSERT_EQ(menu->actions().size(), 3);
    menu->actions().at(1)->trigger();
    EXPECT_EQ(files->revealed, QList<QStringList>{{kept}});
    menu->actions().at(2)->trigger(); // "Použít znovu v kole"
    EXPECT_EQ(store->droppedFiles(), QStringList{kept});
    EXPECT_EQ(store->sidebarSelection(), SidebarItem::home);
}

TEST_F(HistoryViewTest, ClearingEmptiesTheStoredHistoryAndLeavesFilesOnDisk)
{
    const QString result = photo(QStringLiteral("result.jpg"));
    store->setActivities({entry(QStringLiteral("result.jpg"), QStringLiteral("Komprese"), QDateTime::currentDateTime(), 0, result)});
    store->save();
    auto view = makeView();
    SheetFrame* sheet = view->confirmClear();
    ASSERT_NE(sheet, nullptr);
    EXPECT_EQ(sheet->titleText()->text(), QStringLiteral("Vymazat celou historii?"));
    uitest::pressKey(sheet, Qt::Key_Return); // a deletion is never the default action
    test::passPostedEvents();
    EXPECT_EQ(store->activities().size(), 1);
    sheet->actionButton()->click();
    ASSERT_TRUE(waitFor([&] { return store->activities().isEmpty(); }));
    EXPECT_TRUE(view->showsEmptyState());
    EXPECT_FALSE(view->clearButton()->isEnabled());
    EXPECT_EQ(view->confirmClear(), nullptr); // an empty history cannot be cleared
    KelvaroStore reloaded(StoreServices{}, store->storageKey());
    EXPECT_TRUE(reloaded.activities().isEmpty());
    EXPECT_TRUE(QFile::exists(result));
}

TEST_F(HistoryViewTest, SpaceOpensThePreviewAndArrowsMoveTheSelection)
{
    const QDateTime now = QDateTime::currentDateTime();
    const QString first = photo(QStringLiteral("first.jpg"));
    const QString second = photo(QStringLiteral("second.jpg"));
    store->setActivities({entry(QStringLiteral("first.jpg"), QStringLiteral("Komprese"), now, 0, first),
                          entry(QStringLiteral("lost.jpg"), QStringLiteral("Komprese"), now.addSecs(-1), 0, temp.filePath("lost.jpg")),
                          entry(QStringLiteral("second.jpg"), QStringLiteral("Komprese"), now.addSecs(-2), 0, second)});
    installScreens({.fileManager = files});
    std::unique_ptr<QWidget> built(ScreenFactory::build(Screen::history, *store, nullptr));
    auto* view = qobject_cast<HistoryView*>(built.get());
    ASSERT_NE(view, nullptr);
    view->resize(900, 700);
    view->show();
    ASSERT_TRUE(waitFor([&] { return view->filesChecked(); }));
    auto* preview = view->list()->findChild<QuickLookList*>();
    ASSERT_NE(preview, nullptr);

    EXPECT_TRUE(uitest::pressKey(view->list(), Qt::Key_Down));
    EXPECT_EQ(view->list()->selectedFile(), first);
    EXPECT_TRUE(uitest::pressKey(view->list(), Qt::Key_Down)); // the row whose file is gone is skipped
    EXPECT_EQ(view->list()->selectedFile(), second);
    EXPECT_TRUE(uitest::pressKey(view->list(), Qt::Key_Space));
    EXPECT_EQ(preview->preview(), second);
    EXPECT_TRUE(uitest::pressKey(view->list(), Qt::Key_Up));
    EXPECT_EQ(view->list()->selectedFile(), first);
    EXPECT_EQ(preview->preview(), first);
    ScreenFactory::reset();
}

} // namespace
