#include <ostream>

#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QLocale>

#include <gtest/gtest.h>

#include "UiTestSupport.h"
#include "l10n/Localization.h"
#include "platform/Settings.h"
#include "ui/design/FileThumb.h"
#include "ui/main/HomeCards.h"
#include "ui/main/HomeView.h"

using namespace kelvaro;
using namespace kelvaro::uitest;

namespace {

class HomeCardsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        QLocale::setDefault(QLocale(QLocale::Czech, QLocale::Czechia));
        store = makeStore();
    }
    void TearDown() override
    {
        QLocale::setDefault(QLocale::c());
        RecentSection::setClockForTesting({});
    }
    std::unique_ptr<KelvaroStore> store;
};

// The counters follow the store, in plain digits where the locale groups thousands; only savings
// count as saved.
TEST_F(HomeCardsTest, CountersFollowTheStoreInPlainDigits)
{
    ASSERT_NE(QLocale().toString(1500), QStringLiteral("1500")); // Czech writes "1 500"
    QuietStats stats(*store);
    const QDateTime now = QDateTime::currentDateTime();
    QList<ActivityItem> many;
    for (int i = 0; i < 1234; ++i)
        many << activity(QStringLiteral("p%1.jpg").arg(i), now, i < 2 ? 1200000 : -10);
    store->setActivities(many);
    store->setShelves({shelf(QStringLiteral("A"), 0, 1500), shelf(QStringLiteral("B"), 1, 0, 2)});
    EXPECT_EQ(stats.stats().at(0)->value(), QStringLiteral("1234"));
    EXPECT_EQ(stats.stats().at(1)->value(), QStringLiteral("2,4 MB"));
    EXPECT_EQ(stats.stats().at(2)->value(), QStringLiteral("1502"));
    EXPECT_EQ(stats.stats().at(3)->value(), QStringLiteral("1234"));
}

// Shelf counts and saved badges stand in a column: as many digits take as much room there.
TEST_F(HomeCardsTest, ShelfCountsAndSavedBadgesGiveEveryDigitOneWidth)
{
    Theme::installInterfaceFont();
    const QFontMetricsF plain(Theme::font(TextStyle::callout));
    if (plain.horizontalAdvance(QStringLiteral("111")) == plain.horizontalAdvance(QStringLiteral("100")))
        GTEST_SKIP() << "the interface font's digits are all of one width";
    store->setShelves({shelf(QStringLiteral("A"), 0, 111), shelf(QStringLiteral("B"), 1, 100)});
    const QDateTime now = QDateTime::currentDateTime();
    store->setActivities({activity(QStringLiteral("a.jpg"), now, 111), activity(QStringLiteral("b.jpg"), now.addSecs(-60), 100)});
    ShelvesSection shelves(*store);
    RecentSection recent(*store);
    const auto width = [](QWidget* row, const char* name) {
        QWidget* part = row->findChild<QWidget*>(QString::fromLatin1(name));
        return part ? part->sizeHint().width() : -1;
    };
    ASSERT_EQ(shelves.lines().size(), 2);
    ASSERT_EQ(recent.rows().size(), 2);
    EXPECT_GT(width(shelves.lines().at(0), "count"), 0);
    EXPECT_EQ(width(shelves.lines().at(0), "count"), width(shelves.lines().at(1), "count"));
    EXPECT_GT(width(recent.rows().at(0), "saved"), 0);
    EXPECT_EQ(width(recent.rows().at(0), "saved"), width(recent.rows().at(1), "saved"));
}

TEST_F(HomeCardsTest, LinksAndShelfLinesOpenTheirPages)
{
    store->setShelves({shelf(QStringLiteral("A"), 0, 1)});
    ShelvesSection shelves(*store);
    RecentSection recent(*store);
    store->setSidebarSelection(SidebarItem::home);
    shelves.head()->actionButton()->click();
    EXPECT_EQ(store->sidebarSelection(), std::optional<SidebarItem>(SidebarItem::shelves));
    store->setSidebarSelection(SidebarItem::home);
    qobject_cast<QAbstractButton*>(shelves.lines().first())->click();
    EXPECT_EQ(store->sidebarSelection(), std::optional<SidebarItem>(SidebarItem::shelves));
    recent.head()->actionButton()->click();
    EXPECT_EQ(store->sidebarSelection(), std::optional<SidebarItem>(SidebarItem::history));
}

} // namespace

namespace {

struct LibraryRow {
    const char* name;
    QVariant stored; // under the library's key
    bool readable;
    const char* shelvesLine;
    const char* recentLine;
};

void PrintTo(const LibraryRow& row, std::ostream* os)
{
    *os << row.name;
}

class HomeOverALibrary : public CzechTest, public ::testing::WithParamInterface<LibraryRow> {};

// A library the store could not read is no empty one: where the home screen's lists stand it says
// that the stored shelves and history could not be read, in rose, counts no made-up zeros and
// invites the user to make nothing the store would then refuse.
TEST_P(HomeOverALibrary, SaysWhatItKnows)
{
    const LibraryRow& row = GetParam();
    const QString key = QStringLiteral("kelvaro.test.library");
    ASSERT_TRUE(Settings::shared().setValue(key, row.stored));
    KelvaroStore store(StoreServices{}, key);
    ASSERT_EQ(store.canPersist(), row.readable);
    HomeView home(store);
    home.resize(900, 1400);
    home.show();

    EXPECT_EQ(home.findChild<QuietStats*>()->isVisible(), row.readable);
    const Text* shelves = home.findChild<ShelvesSection*>()->emptyText();
    const Text* recent = home.findChild<RecentSection*>()->emptyText();
    ASSERT_TRUE(shelves && recent);
    EXPECT_EQ(shelves->text(), QString::fromUtf8(row.shelvesLine));
    EXPECT_EQ(recent->text(), QString::fromUtf8(row.recentLine));
    for (const Text* line : {shelves, recent})
        EXPECT_EQ(line->resolvedColor() == Theme::rose(), !row.readable) << line->text().toStdString();
}

const char* const kShelvesUnread = "Uložené police se nepodařilo přečíst, proto je nechávám beze změny.";
const char* const kHistoryUnread = "Uloženou historii se nepodařilo přečíst, proto ji nechávám beze změny.";

INSTANTIATE_TEST_SUITE_P(
    States, HomeOverALibrary,
    ::testing::Values(
        LibraryRow{"empty", QByteArray(R"({"activities":[],"shelves":[]})"), true,
                   "Zatím žádné police. Přetáhni fotky a zvol „Na polici“.", "Zatím je tu ticho. Přetáhni první fotku do kola."},
        LibraryRow{"anEntryThatDoesNotDecode", QByteArray(R"({"activities":[{"id":5}],"shelves":[]})"), false, kShelvesUnread,
                   kHistoryUnread},
        LibraryRow{"notData", QVariant::fromValue(QJsonValue(QJsonObject{{"dcta", QJsonArray{}}})), false, kShelvesUnread,
                   kHistoryUnread}),
    test::RowName());

} // namespace
