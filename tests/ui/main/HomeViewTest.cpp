#include <QAbstractButton>
#include <QCursor>
#include <QScrollBar>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "../../support/TestImages.h"
#include "UiTestSupport.h"
#include "l10n/Localization.h"
#include "output/OutputFolder.h"
#include "platform/Settings.h"
#include "ui/design/DesignSystem.h"
#include "ui/main/HomeCards.h"
#include "ui/main/HomeView.h"
#include "ui/wheel/ActionWheel.h"
#include "ui/wheel/DropWheelCard.h"
#include "ui/wheel/LoadedWheel.h"
#include "ui/wheel/WheelControls.h"

using namespace kelvaro;
using namespace kelvaro::uitest;

namespace {

TEST(HomeView, GreetingFollowsTheHourOfTheInjectedClockAndIsWorkedOutAgainWhenShown)
{
    auto store = makeStore();
    const struct {
        int hour, minute;
        const char *czech, *english;
    } rows[] = {{4, 59, "Dobrý večer", "Good evening"},      {5, 0, "Dobré ráno", "Good morning"},
                {11, 59, "Dobré ráno", "Good morning"},      {12, 0, "Dobré odpoledne", "Good afternoon"},
                {17, 59, "Dobré odpoledne", "Good afternoon"}, {18, 0, "Dobrý večer", "Good evening"},
                {0, 30, "Dobrý večer", "Good evening"}};
    for (const auto& row : rows) {
        const QDateTime at(QDate(2026, 3, 2), QTime(row.hour, row.minute));
        Settings::shared().setValue(QStringLiteral("kelvaro.language"), QStringLiteral("cs"));
        EXPECT_EQ(HomeView(*store, nullptr, [at] { return at; }).greetingText()->text(), QString::fromUtf8(row.czech));
        Settings::shared().setValue(QStringLiteral("kelvaro.language"), QStringLiteral("en"));
        EXPECT_EQ(HomeView(*store, nullptr, [at] { return at; }).greetingText()->text(), QString::fromUtf8(row.english));
    }
    // It is worked out again when the page is shown.
    QDateTime now(QDate(2026, 3, 2), QTime(11, 59));
    HomeView home(*store, nullptr, [&now] { return now; });
    now = now.addSecs(60);
    home.show();
    EXPECT_EQ(home.greetingText()->text(), QStringLiteral("Good afternoon"));
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

// Files that arrive while the page is scrolled down bring the drop card into view; taking the
// last one away leaves the page where it is.
TEST(HomeView, ArrivingFilesBringTheDropCardIntoView)
{
    QTemporaryDir dir;
    const QString photo = dir.filePath(QStringLiteral("a.jpg"));
    test::writeFile(photo, "x");
    auto store = makeStore();
    HomeView home(*store);
    home.resize(760, 500);
    home.show();
    QScrollBar* bar = home.verticalScrollBar();
    ASSERT_TRUE(waitFor([&] { return bar->maximum() > 0; })) << "the page was never laid out taller than the window";
    const auto cardShown = [&] {
        const QRect card(home.dropCard()->mapTo(home.viewport(), QPoint()), home.dropCard()->size());
        return card.top() >= 0 && card.top() < home.viewport()->height();
    };
    bar->setValue(bar->maximum());
    ASSERT_FALSE(cardShown());
    store->receive(QStringList{photo}, false);
    EXPECT_TRUE(waitFor(cardShown)) << "the drop card never came into view";

    bar->setValue(bar->maximum());
    const int scrolled = bar->value();
    store->removeDropped(photo);
    passPostedEvents();
    EXPECT_EQ(bar->value(), scrolled);
}

// With the pointer over the wheel, the page holds the wheel where it is as the card changes under
// it: the file strip over the wheel comes or goes, the result links and drag-out row of a run
// appear under it, files arrive on a wedge while the card's foot is out of view. Files that go
// all at once leave the card's top where it was. Measured on the screen, at every step of the
// card's change and once it has settled. Right after a run the same holds wherever the pointer is.
struct PlaceRow {
    const char* name;
    int filesBefore;
    std::function<void(KelvaroStore&, const QStringList& photos)> change;
    bool wheelStays = true; // else the card's top is what stays
    bool afterARun = false;  // a run has just ended and the pointer is away from the card
};

void PrintTo(const PlaceRow& row, std::ostream* os)
{
    *os << row.name;
}

// The home page over the real drop card with `filesBefore` files, the page scrolled so the wheel
// stands in the middle of the view with room to scroll either way, the pointer away from it.
class HomePage : public ::testing::Test {
protected:
    void SetUp() override
    {
        installScreens(); // the real drop card
        QCursor::setPos(0, 0);
    }
    void TearDown() override
    {
        home.reset();
        store.reset();
        ScreenFactory::reset();
        QCursor::setPos(0, 0);
    }
    // Call through ASSERT_NO_FATAL_FAILURE. `holdAfterRun` sets how long the page holds its
    // place after a run (ms); zero leaves the page's own time.
    void stage(int filesBefore, int holdAfterRun)
    {
        StoreServices services;
        services.process = [](const KelvaroOp&, const QStringList&, const QString&, const RunHooksPtr&, const EngineSettings&) {
            return OpResult{};
        };
        store = makeStore(services);
        ASSERT_TRUE(OutputFolder::remember(temp.path()));
        for (const char* name : {"a.jpg", "b.jpg", "c.jpg"})
            photos << testimages::writeJpeg(temp.path(), QString::fromLatin1(name), testimages::plain(40, 30, Qt::red));
        store->setDroppedFiles(photos.mid(0, filesBefore));
        // A page that scrolls well past the card: recent results and shelves under it.
        const QDateTime now = QDateTime::currentDateTime();
        QList<ActivityItem> recent;
        for (int i = 0; i < 6; ++i)
            recent << activity(QStringLiteral("%1.jpg").arg(i), now.addSecs(-60 * i));
        store->setActivities(recent);
        store->setShelves({shelf(QStringLiteral("Výlet"), 1, 2, 2), shelf(QStringLiteral("Rodina"), 2, 0)});
        home = std::make_unique<HomeView>(*store);
        if (holdAfterRun > 0)
            home->afterRunTimer().setInterval(holdAfterRun);
        home->resize(1000, 460);
        home->show();
        card = home->findChild<wheel::DropWheelCard*>();
        ASSERT_NE(card, nullptr);
        wheel = card->findChild<wheel::ActionWheel*>();
        ASSERT_NE(wheel, nullptr);
        bar = home->verticalScrollBar();
        ASSERT_TRUE(waitFor([&] { return settled() && bar->maximum() > 0; }));
        passPostedEvents();
        // The wheel in the middle of the view, the card's foot below it.
        const int wheelTop = wheel->mapTo(home->widget(), QPoint()).y();
        bar->setValue(wheelTop + wheel->height() / 2 - home->viewport()->height() / 2);
        // Room to scroll by the strip's height either way.
        ASSERT_GT(bar->value(), 80);
        ASSERT_LT(bar->value(), bar->maximum() - 80);
    }
    // Runs an operation on the dropped files and waits for its end.
    void runOnce()
    {
        store->run(KelvaroOp::stripMetadata());
        ASSERT_TRUE(waitFor([&] { return !store->isWorking() && settled(); }));
        passPostedEvents();
    }
    bool settled() const { return card->isLoadedFaceShown() && !card->isChangingFace(); }

    QTemporaryDir temp;
    QStringList photos;
    std::unique_ptr<KelvaroStore> store;
    std::unique_ptr<HomeView> home;
    wheel::DropWheelCard* card = nullptr;
    wheel::ActionWheel* wheel = nullptr;
    QScrollBar* bar = nullptr;
};

class HomePlace : public HomePage, public ::testing::WithParamInterface<PlaceRow> {};

TEST_P(HomePlace, WhatIsUnderThePointerStaysWhereItIs)
{
    const PlaceRow& row = GetParam();
    // No hold that ends while the test looks.
    ASSERT_NO_FATAL_FAILURE(stage(row.filesBefore, 60 * 1000));
    if (row.afterARun) {
        ASSERT_NO_FATAL_FAILURE(runOnce());
    } else {
        QCursor::setPos(wheel->mapToGlobal(wheel->rect().center() + QPoint(0, wheel->height() / 3)));
        ASSERT_TRUE(waitFor([&] { return wheel->rect().contains(wheel->mapFromGlobal(QCursor::pos())); }));
    }

    QWidget* held = row.wheelStays ? static_cast<QWidget*>(wheel) : card;
    const QPoint before = held->mapToGlobal(QPoint());
    int furthest = 0;
    const auto measure = [&] {
        if (held->isVisible())
            furthest = std::max(furthest, (held->mapToGlobal(QPoint()) - before).manhattanLength());
    };
    row.change(*store, photos);
    ASSERT_TRUE(waitFor([&] {
        measure();
        return !card->isChangingFace();
    }));
    passPostedEvents();
    measure();
    EXPECT_LE(furthest, 1) << "the " << (row.wheelStays ? "wheel" : "card") << " moved under the pointer";
    EXPECT_LE((held->mapToGlobal(QPoint()) - before).manhattanLength(), 1) << "where it came to rest";
}

INSTANTIATE_TEST_SUITE_P(
    Changes, HomePlace,
    ::testing::Values(
        PlaceRow{"stripComes", 1, [](KelvaroStore& s, const QStringList& p) { s.receive(p.mid(0, 2), true); }},
        PlaceRow{"stripComesWithAWedgeDrop", 1, [](KelvaroStore& s, const QStringList& p) { s.receive(p.mid(1, 2), false); }},
        PlaceRow{"stripGoes", 2, [](KelvaroStore& s, const QStringList& p) { s.removeDropped(p[1]); }},
        PlaceRow{"stripGoesWithAWedgeDrop", 3, [](KelvaroStore& s, const QStringList& p) { s.receive(p.mid(2, 1), false); }},
        PlaceRow{"runResults", 2,
                 [](KelvaroStore& s, const QStringList& p) {
                     s.setLastOutputs(p.mid(0, 2));
                     s.setStatusMessage(QStringLiteral("Hotovo – 2 fotky ve složce „Kelvaro“."));
                 }},
        PlaceRow{"bannerOnTheEmptyCard", 2,
                 [](KelvaroStore& s, const QStringList&) {
                     s.setStatusMessage(QStringLiteral("Přesunuto 2 fotky do „Fotky“."));
                     s.setDroppedFiles({});
                 },
                 false},
        PlaceRow{"stripGoesRightAfterARun", 2, [](KelvaroStore& s, const QStringList& p) { s.removeDropped(p[1]); }, true, true}),
    test::RowName());

// The hold after a run lasts the page's own moment, not for good: once it has run out, with the
// pointer away from the wheel, the page stays where the user left it as the card changes.
TEST_F(HomePage, TheHoldAfterARunEndsAndThePageNoLongerFollowsTheCard)
{
    ASSERT_NO_FATAL_FAILURE(stage(2, 0));
    ASSERT_NO_FATAL_FAILURE(runOnce());
    ASSERT_TRUE(waitFor([&] { return !home->afterRunTimer().isActive(); })) << "the hold after the run never ended";

    const int scrolled = bar->value();
    const int wheelAt = wheel->mapToGlobal(QPoint()).y();
    store->removeDropped(photos[1]); // the file strip over the wheel goes
    ASSERT_TRUE(waitFor([&] { return settled() && wheel->mapToGlobal(QPoint()).y() != wheelAt; }))
        << "the wheel never moved on the page";
    passPostedEvents();
    EXPECT_EQ(bar->value(), scrolled) << "the page followed the card after its hold had ended";
    EXPECT_LT(wheel->mapToGlobal(QPoint()).y(), wheelAt - 20) << "the wheel stayed put";
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

// Clicking away the last file (its tile's remove button, or closing the selection) takes the
// focused button with the wheel; the focus must not pass on to a mode tile under the card, whose
// ring would then stand out as if chosen from the keyboard.
TEST(HomeView, RemovingTheLastFileLeavesNoModeTileFocused)
{
    QTemporaryDir temp;
    installScreens(); // the real drop card
    struct Reset {
        ~Reset() { ScreenFactory::reset(); }
    } reset;
    auto store = makeStore();
    const QStringList photos{testimages::writeJpeg(temp.path(), QStringLiteral("a.jpg"), testimages::plain(40, 30, Qt::red)),
                             testimages::writeJpeg(temp.path(), QStringLiteral("b.jpg"), testimages::plain(40, 30, Qt::blue))};
    HomeView home(*store);
    home.resize(1000, 900);
    home.show();
    home.activateWindow();
    ASSERT_TRUE(waitFor([&] { return home.isActiveWindow(); }));
    auto* card = home.findChild<wheel::DropWheelCard*>();
    ASSERT_NE(card, nullptr);
    const auto clickAway = [&](QAbstractButton* button) {
        const QPointF centre = QRectF(button->rect()).center();
        mouse(button, QEvent::MouseButtonPress, centre); // takes the focus, as a real click does
        mouse(button, QEvent::MouseButtonRelease, centre);
    };
    const auto noTileFocused = [&] {
        for (WheelMode mode : allWheelModes())
            if (home.modeTile(mode)->hasFocus())
                return false;
        return !card->isLoadedFaceShown();
    };

    // The last tile's remove button: two files, one removed, then the selection closed.
    store->setDroppedFiles(photos);
    ASSERT_TRUE(waitFor([&] { return card->isLoadedFaceShown() && card->loadedWheel()->removeButton(photos[1]); }));
    clickAway(card->loadedWheel()->removeButton(photos[1]));
    ASSERT_TRUE(waitFor([&] { return store->droppedFiles() == QStringList{photos[0]}; }));
    clickAway(card->loadedWheel()->closeButton());
    EXPECT_TRUE(waitFor(noTileFocused)) << "focus on " << (QApplication::focusWidget() ? QApplication::focusWidget()->objectName().toStdString() : "nothing");

    // One file removed from the store while its button has the focus.
    store->setDroppedFiles({photos[0]});
    ASSERT_TRUE(waitFor([&] { return card->isLoadedFaceShown(); }));
    card->loadedWheel()->closeButton()->setFocus(Qt::MouseFocusReason);
    store->removeDropped(photos[0]);
    EXPECT_TRUE(waitFor(noTileFocused)) << "focus on " << (QApplication::focusWidget() ? QApplication::focusWidget()->objectName().toStdString() : "nothing");
}

} // namespace
