#include <QLocale>

#include <gtest/gtest.h>

#include "UiTestSupport.h"
#include "l10n/Localization.h"
#include "platform/Settings.h"
#include "ui/design/FileThumb.h"
#include "ui/main/HomeCards.h"

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
