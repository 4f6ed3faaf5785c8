#include <QLayout>
#include <QScrollBar>

#include <gtest/gtest.h>

#include "engine/Localization.h"
#include "platform/Settings.h"
#include "ui/design/DesignSystem.h"
#include "ui/main/HomeCards.h"
#include "ui/main/HomeView.h"
#include "UiTestSupport.h"

using namespace kelvaro;
using namespace kelvaro::uitest;

namespace {

struct GreetingCase {
    int hour;
    int minute;
    const char* czech;
    const char* english;
};

class Greeting : public ::testing::TestWithParam<GreetingCase> {};

TEST_P(Greeting, FollowsTheHourOfTheInjectedClock)
{
    const GreetingCase& c = GetParam();
    auto store = makeStore();
    const QDateTime at(QDate(2026, 3, 2), QTime(c.hour, c.minute));
    Settings::shared().setValue(QStringLiteral("kelvaro.language"), QStringLiteral("cs"));
    HomeView czech(*store, nullptr, [at] { return at; });
    EXPECT_EQ(czech.greetingText()->text(), QString::fromUtf8(c.czech));
    Settings::shared().setValue(QStringLiteral("kelvaro.language"), QStringLiteral("en"));
    HomeView english(*store, nullptr, [at] { return at; });
    EXPECT_EQ(english.greetingText()->text(), QString::fromUtf8(c.english));
    Settings::shared().setValue(QStringLiteral("kelvaro.language"), QStringLiteral("cs"));
}

INSTANTIATE_TEST_SUITE_P(HomeView, Greeting,
                         ::testing::Values(GreetingCase{4, 59, "Dobrý večer", "Good evening"},
                                           GreetingCase{5, 0, "Dobré ráno", "Good morning"},
                                           GreetingCase{11, 59, "Dobré ráno", "Good morning"},
                                           GreetingCase{12, 0, "Dobré odpoledne", "Good afternoon"},
                                           GreetingCase{17, 59, "Dobré odpoledne", "Good afternoon"},
                                           GreetingCase{18, 0, "Dobrý večer", "Good evening"},
                                           GreetingCase{0, 30, "Dobrý večer", "Good evening"}));

TEST(HomeView, GreetingIsWorkedOutAgainWhenShown)
{
    auto store = makeStore();
    QDateTime now(QDate(2026, 3, 2), QTime(11, 59));
    HomeView home(*store, nullptr, [&now] { return now; });
    EXPECT_EQ(home.greetingText()->text(), QStringLiteral("Dobré ráno"));
    now = now.addSecs(60);
    home.show();
    EXPECT_EQ(home.greetingText()->text(), QStringLiteral("Dobré odpoledne"));
}

// "před 2 minutami" does not stand still: the recent results' dates are worked out again on each
// tick while the page is shown, and when it is shown again after a while hidden.
TEST(HomeView, RecentDatesFollowTheClockWhileShownAndWhenShownAgain)
{
    auto store = makeStore();
    QDateTime now = QDateTime::currentDateTime();
    RecentSection::setClockForTesting([&now] { return now; });
    struct Restore {
        ~Restore() { RecentSection::setClockForTesting({}); }
    } restore;
    store->setActivities({activity(QStringLiteral("a.jpg"), now.addSecs(-2 * 60))});
    HomeView home(*store, nullptr, [&now] { return now; });
    const auto shownDate = [&] {
        return home.findChild<RecentSection*>()->rows().value(0)->findChild<Text*>(QStringLiteral("date"))->text();
    };
    EXPECT_EQ(shownDate(), QStringLiteral("před 2 minutami"));

    home.minuteTimer().setInterval(10);
    home.show();
    now = now.addSecs(3 * 60);
    EXPECT_TRUE(waitFor([&] { return shownDate() == QStringLiteral("před 5 minutami"); }));

    home.hide();
    EXPECT_FALSE(home.minuteTimer().isActive());
    now = now.addSecs(55 * 60);
    home.show();
    EXPECT_EQ(shownDate(), QStringLiteral("před 1 hodinou"));
}

TEST(HomeView, TheColumnIsAtMost720WideAndCentred)
{
    auto store = makeStore();
    HomeView home(*store);
    home.resize(1100, 800);
    home.show();
    spin(50);
    const int viewport = home.viewport()->width();
    ASSERT_GT(viewport, 720);
    EXPECT_EQ(home.column()->width(), 720);
    const int left = home.column()->mapTo(home.viewport(), QPoint()).x();
    EXPECT_LE(std::abs(left - (viewport - 720) / 2), 1);

    home.resize(600 + (home.width() - viewport), 800);
    spin(50);
    EXPECT_EQ(home.column()->width(), home.viewport()->width());
    EXPECT_EQ(home.column()->layout()->contentsMargins().left(), 36);
    EXPECT_EQ(home.column()->layout()->contentsMargins().top(), 28);
}

TEST(HomeView, ModeTilesWithTheirKeyCapsAndTooltips)
{
    auto store = makeStore();
    HomeView home(*store);
    const QStringList caps{QStringLiteral("Shift"), QStringLiteral("Shift+Alt"), QStringLiteral("Ctrl")};
    const QStringList titles{QStringLiteral("Převést"), QStringLiteral("Nástroje"), QStringLiteral("Akce")};
    for (int i = 0; i < 3; ++i) {
        HoverButton* tile = home.modeTile(allWheelModes().at(i));
        ASSERT_NE(tile, nullptr);
        const QList<KeyCap*> keyCaps = tile->findChildren<KeyCap*>();
        ASSERT_EQ(keyCaps.size(), 1);
        EXPECT_EQ(keyCaps.first()->text(), caps.at(i));
        EXPECT_TRUE(texts(tile).contains(titles.at(i)));
        EXPECT_EQ(tile->toolTip(), QStringLiteral("Přepnout kolo na %1").arg(titles.at(i)));
    }
    EXPECT_TRUE(texts(home.modeTile(WheelMode::tools)).contains(QStringLiteral("Úpravy, vodoznak, pozadí, OCR a sken")));
}

TEST(HomeView, ATileSelectsItsModeAndShowsHome)
{
    auto store = makeStore();
    HomeView home(*store);
    store->setSidebarSelection(SidebarItem::history);
    home.modeTile(WheelMode::tools)->click();
    EXPECT_EQ(store->wheelMode(), WheelMode::tools);
    EXPECT_EQ(store->sidebarSelection(), std::optional<SidebarItem>(SidebarItem::home));
    // With a tool sheet open the store ignores mode changes.
    store->setActiveSheet(ToolSheet::crop);
    home.modeTile(WheelMode::actions)->click();
    EXPECT_EQ(store->wheelMode(), WheelMode::tools);
}

TEST(HomeView, SectionsInOrder)
{
    auto store = makeStore();
    HomeView home(*store);
    QStringList names;
    for (int i = 0; i < home.column()->layout()->count(); ++i)
        if (QWidget* w = home.column()->layout()->itemAt(i)->widget())
            names << w->objectName();
    ASSERT_GE(names.size(), 6);
    EXPECT_EQ(names.at(0), QStringLiteral("hero"));
    EXPECT_EQ(names.at(1), QStringLiteral("placeholder")); // the drop card's place
    EXPECT_EQ(names.at(2), QStringLiteral("modeStrip"));
    EXPECT_EQ(names.at(3), QStringLiteral("quietStats"));
    EXPECT_EQ(names.at(4), QStringLiteral("shelvesSection"));
    EXPECT_EQ(names.at(5), QStringLiteral("recentSection"));
}

} // namespace
