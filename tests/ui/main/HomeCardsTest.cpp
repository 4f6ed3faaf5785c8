#include <limits>

#include <QLocale>

#include <gtest/gtest.h>

#include "engine/Localization.h"
#include "platform/Settings.h"
#include "ui/design/FileThumb.h"
#include "ui/main/HomeCards.h"
#include "UiTestSupport.h"

using namespace kelvaro;
using namespace kelvaro::uitest;

namespace {

class HomeCardsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        QLocale::setDefault(QLocale(QLocale::Czech, QLocale::Czechia));
        Settings::shared().setValue(QStringLiteral("kelvaro.language"), QStringLiteral("cs"));
        store = makeStore();
    }
    void TearDown() override
    {
        QLocale::setDefault(QLocale::c());
        RecentSection::setClockForTesting({});
    }
    std::unique_ptr<KelvaroStore> store;
};

TEST_F(HomeCardsTest, AnEmptyStoreShowsZeroCountersAndBothEmptyTexts)
{
    const auto values = QuietStats::values(*store);
    ASSERT_EQ(values.size(), 4);
    EXPECT_EQ(values[0], qMakePair(QStringLiteral("0"), QStringLiteral("souborů zpracováno")));
    EXPECT_EQ(values[1], qMakePair(QStringLiteral("Nula kB"), QStringLiteral("ušetřeno kompresí")));
    EXPECT_EQ(values[2], qMakePair(QStringLiteral("0"), QStringLiteral("na policích")));
    EXPECT_EQ(values[3], qMakePair(QStringLiteral("0"), QStringLiteral("akcí tento týden")));

    ShelvesSection shelves(*store);
    ASSERT_NE(shelves.emptyText(), nullptr);
    EXPECT_EQ(shelves.emptyText()->text(), QStringLiteral("Zatím žádné police. Přetáhni fotky a zvol „Na polici“."));
    EXPECT_TRUE(shelves.lines().isEmpty());
    ASSERT_NE(shelves.head()->actionButton(), nullptr); // the link stays
    RecentSection recent(*store);
    ASSERT_NE(recent.emptyText(), nullptr);
    EXPECT_EQ(recent.emptyText()->text(), QStringLiteral("Zatím je tu ticho. Přetáhni první fotku do kola."));
    ASSERT_NE(recent.head()->actionButton(), nullptr);
}

TEST_F(HomeCardsTest, SavedCounterSumsOnlyPositiveSavings)
{
    const QDateTime now = QDateTime::currentDateTime();
    store->setActivities({activity(QStringLiteral("a.jpg"), now, 2000000), activity(QStringLiteral("b.jpg"), now, -5000000),
                          activity(QStringLiteral("c.jpg"), now, 400000), activity(QStringLiteral("d.jpg"), now, 0)});
    EXPECT_EQ(QuietStats::savedBytes(store->activities()), 2400000);
    EXPECT_EQ(QuietStats::values(*store)[1].first, QStringLiteral("2,4 MB"));
    // Huge values do not overflow into negative sums.
    const QList<ActivityItem> huge{activity(QStringLiteral("x"), now, std::numeric_limits<qint64>::max()),
                                   activity(QStringLiteral("y"), now, 10)};
    EXPECT_GT(QuietStats::savedBytes(huge), 0);
}

TEST_F(HomeCardsTest, CountersFollowTheStore)
{
    QuietStats stats(*store);
    store->setActivities({activity(QStringLiteral("a.jpg"), QDateTime::currentDateTime())});
    store->setShelves({shelf(QStringLiteral("A"), 0, 12), shelf(QStringLiteral("B"), 1, 0, 2)});
    EXPECT_EQ(stats.stats().at(0)->value(), QStringLiteral("1"));
    EXPECT_EQ(stats.stats().at(2)->value(), QStringLiteral("14"));
    EXPECT_EQ(stats.stats().at(3)->value(), QStringLiteral("1"));
}

TEST_F(HomeCardsTest, CountersArePlainDigitsWhereTheLocaleGroupsThousands)
{
    ASSERT_NE(QLocale().toString(1500), QStringLiteral("1500")); // Czech writes "1 500"
    const QDateTime now = QDateTime::currentDateTime();
    QList<ActivityItem> many;
    for (int i = 0; i < 1234; ++i)
        many << activity(QStringLiteral("p%1.jpg").arg(i), now);
    store->setActivities(many);
    store->setShelves({shelf(QStringLiteral("A"), 0, 1500, 2)});
    const auto values = QuietStats::values(*store);
    EXPECT_EQ(values[0].first, QStringLiteral("1234"));
    EXPECT_EQ(values[2].first, QStringLiteral("1502"));
    EXPECT_EQ(values[3].first, QStringLiteral("1234"));
}

TEST_F(HomeCardsTest, SixNewestRowsStableForEqualDates)
{
    const QDateTime base(QDate(2026, 5, 1), QTime(12, 0));
    // History order (as stored) with shuffled dates; "e1" and "e2" share a date.
    store->setActivities({activity(QStringLiteral("old"), base.addDays(-9)), activity(QStringLiteral("e1"), base.addDays(-1)),
                          activity(QStringLiteral("newest"), base), activity(QStringLiteral("mid"), base.addDays(-3)),
                          activity(QStringLiteral("e2"), base.addDays(-1)), activity(QStringLiteral("older"), base.addDays(-5)),
                          activity(QStringLiteral("second"), base.addSecs(-60))});
    RecentSection recent(*store);
    const QList<QWidget*> rows = recent.rows();
    ASSERT_EQ(rows.size(), 6);
    QStringList names;
    for (QWidget* row : rows)
        names << row->findChild<Text*>(QStringLiteral("fileName"))->text();
    EXPECT_EQ(names, (QStringList{QStringLiteral("newest"), QStringLiteral("second"), QStringLiteral("e1"), QStringLiteral("e2"),
                                  QStringLiteral("mid"), QStringLiteral("older")}));
    // Dividers only between rows.
    EXPECT_EQ(recent.findChildren<Divider*>().size(), 5);
}

TEST_F(HomeCardsTest, ActivityRowsShowThumbSavedBadgeAndRelativeDate)
{
    const QDateTime now(QDate(2026, 5, 1), QTime(12, 0));
    RecentSection::setClockForTesting([now] { return now; });
    ActivityItem withFile = activity(QStringLiteral("a.jpg"), now.addDays(-1), 1);
    withFile.outputPath = QStringLiteral("/nonexistent/a.jpg");
    ActivityItem noFile = activity(QStringLiteral("b.zip"), now.addSecs(-3 * 3600), 0);
    ActivityItem grown = activity(QStringLiteral("c.png"), now.addSecs(-7200), -300);
    store->setActivities({withFile, noFile, grown});
    RecentSection recent(*store);
    const QList<QWidget*> rows = recent.rows();
    ASSERT_EQ(rows.size(), 3);
    // Newest first: b (3 h), c (2 h)... sorted by date: c (−2 h), b (−3 h), a (−1 day).
    QWidget* c = rows[0];
    QWidget* b = rows[1];
    QWidget* a = rows[2];
    EXPECT_NE(a->findChild<FileThumb*>(), nullptr);
    EXPECT_EQ(b->findChild<FileThumb*>(), nullptr);
    ASSERT_NE(a->findChild<Text*>(QStringLiteral("saved")), nullptr);
    EXPECT_EQ(a->findChild<Text*>(QStringLiteral("saved"))->text(), QStringLiteral("\u22121 bajt"));
    EXPECT_EQ(b->findChild<Text*>(QStringLiteral("saved")), nullptr);
    EXPECT_EQ(c->findChild<Text*>(QStringLiteral("saved")), nullptr);
    EXPECT_EQ(a->findChild<Text*>(QStringLiteral("date"))->text(), QStringLiteral("včera"));
    EXPECT_EQ(b->findChild<Text*>(QStringLiteral("date"))->text(), QStringLiteral("před 3 hodinami"));
    EXPECT_EQ(b->findChild<Text*>(QStringLiteral("actionTitle"))->text(), QStringLiteral("Komprese"));
}

TEST_F(HomeCardsTest, ShelfLinesWithCountsAndPaletteColours)
{
    store->setShelves({shelf(QStringLiteral("Jedna"), 0, 0, 1), shelf(QStringLiteral("Tři"), -2, 3),
                       shelf(QStringLiteral("Dvanáct"), 7, 12), shelf(QStringLiteral("Nula"), std::numeric_limits<int>::min(), 0)});
    ShelvesSection section(*store);
    const QList<QWidget*> lines = section.lines();
    ASSERT_EQ(lines.size(), 4);
    const auto count = [&](int i) { return lines[i]->findChild<Text*>(QStringLiteral("count"))->text(); };
    EXPECT_EQ(count(0), QStringLiteral("1 fotka"));
    EXPECT_EQ(count(1), QStringLiteral("3 fotky"));
    EXPECT_EQ(count(2), QStringLiteral("12 fotek"));
    EXPECT_EQ(count(3), QStringLiteral("0 fotek"));
    EXPECT_EQ(lines[0]->property("dotColor").value<QColor>(), Theme::ember());
    EXPECT_EQ(lines[1]->property("dotColor").value<QColor>(), Theme::teal());
    EXPECT_EQ(lines[2]->property("dotColor").value<QColor>(), Theme::teal());
    EXPECT_TRUE(Theme::palette().contains(lines[3]->property("dotColor").value<QColor>()));
    EXPECT_EQ(section.findChildren<Divider*>().size(), 3);
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
    EXPECT_EQ(shelves.head()->actionButton()->text(), QStringLiteral("Zobrazit"));
    EXPECT_EQ(recent.head()->actionButton()->text(), QStringLiteral("Celá historie"));
}

} // namespace
