// A page of text scrolls by the keys though it takes no Tab focus: the privacy policy as it
// opens, and the guide and home as the window leaves them or after a click on their text. In a
// window of two pages, a key the window gets scrolls the larger and a clicked page scrolls itself;
// a control Tab or Shift+Tab reaches in a page is scrolled into view.
#include <QAbstractButton>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>
#include <QScrollArea>
#include <QScrollBar>
#include <QtTest/qtestmouse.h>

#include "../main/UiTestSupport.h"
#include "ui/guide/GuideView.h"
#include "ui/main/HomeView.h"
#include "ui/settings/PrivacyPolicyView.h"

using namespace kelvaro;

namespace {

enum class Page { privacy, guide, home };
enum class Moves { down, up, toEnd, toStart }; // up and toStart from the page's end

struct PageRow {
    const char* name;
    Page page;
    Qt::Key key;
    bool clickFirst; // on a text of the page, as a reader does before the keys
    Moves moves;
};

class PageKeys : public uitest::ShownContentView, public ::testing::WithParamInterface<PageRow> {
protected:
    void beforeView() override
    {
        const QDateTime now = QDateTime::currentDateTime();
        QList<ActivityItem> history;
        for (int i = 0; i < 12; ++i)
            history << uitest::activity(QStringLiteral("f%1.jpg").arg(i), now.addSecs(-60 * i));
        store->setActivities(history);
    }
    void TearDown() override
    {
        policy.reset();
        uitest::ShownContentView::TearDown();
    }

    // The row's page, shown in its active window.
    QScrollArea* open()
    {
        const PageRow& row = GetParam();
        if (row.page == Page::privacy) {
            policy = std::make_unique<settings::PrivacyPolicyView>(QStringLiteral("kelvaro.example"));
            policy->show();
            policy->activateWindow();
            EXPECT_TRUE(uitest::waitFor([&] { return policy->isActiveWindow(); }));
            return policy->findChild<QScrollArea*>(QStringLiteral("policyText"));
        }
        const SidebarItem item = row.page == Page::guide ? SidebarItem::guide : SidebarItem::home;
        view->resize(1000, 560);
        store->setSidebarSelection(item);
        view->activateWindow();
        EXPECT_TRUE(uitest::waitFor([&] { return view->isActiveWindow() && view->currentSection() == item; }));
        if (row.page == Page::guide)
            return view->findChild<GuideView*>();
        return view->findChild<HomeView*>();
    }

    // A text of `page` in sight that is no part of a button.
    static Text* plainText(QScrollArea* page)
    {
        for (Text* text : page->widget()->findChildren<Text*>()) {
            if (!text->isVisible())
                continue;
            bool inButton = false;
            for (QWidget* w = text; w && w != page; w = w->parentWidget())
                inButton = inButton || qobject_cast<QAbstractButton*>(w);
            const QRect at(text->mapTo(page->viewport(), QPoint(0, 0)), text->size());
            if (!inButton && page->viewport()->rect().contains(at))
                return text;
        }
        return nullptr;
    }

    uitest::ApplicationStyle style;
    std::unique_ptr<settings::PrivacyPolicyView> policy;
};

TEST_P(PageKeys, ScrollThePage)
{
    const PageRow& row = GetParam();
    QScrollArea* page = open();
    ASSERT_NE(page, nullptr);
    QScrollBar* bar = page->verticalScrollBar();
    ASSERT_TRUE(uitest::waitFor([&] { return bar->maximum() > 0; })) << "the page is too short to scroll";
    const bool fromEnd = row.moves == Moves::up || row.moves == Moves::toStart;
    bar->setValue(fromEnd ? bar->maximum() : 0);
    if (row.clickFirst) {
        Text* text = plainText(page);
        ASSERT_NE(text, nullptr);
        QTest::mouseClick(text, Qt::LeftButton, {}, text->rect().center());
    }
    const int before = bar->value();
    ASSERT_TRUE(test::typeKey(row.key));
    switch (row.moves) {
    case Moves::down: EXPECT_GT(bar->value(), before); break;
    case Moves::up: EXPECT_LT(bar->value(), before); break;
    case Moves::toEnd: EXPECT_EQ(bar->value(), bar->maximum()); break;
    case Moves::toStart: EXPECT_EQ(bar->value(), bar->minimum()); break;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Pages, PageKeys,
    ::testing::Values(PageRow{"privacyPageDown", Page::privacy, Qt::Key_PageDown, false, Moves::down},
                      PageRow{"privacyDown", Page::privacy, Qt::Key_Down, false, Moves::down},
                      PageRow{"privacyEnd", Page::privacy, Qt::Key_End, false, Moves::toEnd},
                      PageRow{"privacyHome", Page::privacy, Qt::Key_Home, false, Moves::toStart},
                      PageRow{"guidePageDown", Page::guide, Qt::Key_PageDown, false, Moves::down},
                      PageRow{"guideDownAfterAClick", Page::guide, Qt::Key_Down, true, Moves::down},
                      PageRow{"guidePageUpAfterAClick", Page::guide, Qt::Key_PageUp, true, Moves::up},
                      PageRow{"guideEndAfterAClick", Page::guide, Qt::Key_End, true, Moves::toEnd},
                      PageRow{"homePageDown", Page::home, Qt::Key_PageDown, false, Moves::down},
                      PageRow{"homeDownAfterAClick", Page::home, Qt::Key_Down, true, Moves::down},
                      PageRow{"homeHomeAfterAClick", Page::home, Qt::Key_Home, true, Moves::toStart}),
    test::RowName());

// ---- Two pages side by side ------------------------------------------------------------------------

enum class Moves2 { stays, down, up, toEnd, toStart };

struct TwoPagesRow {
    const char* name;
    bool clickSmall; // the narrow page has the focus, as after a click on it
    Qt::Key key;
    bool fromEnd; // both pages start at their ends, else at their tops
    Moves2 small;
    Moves2 large;
};

void PrintTo(const TwoPagesRow& row, std::ostream* os)
{
    *os << row.name;
}

// A narrow page beside a wide one, both longer than they show, neither with a control of its own.
class TwoPages : public ::testing::TestWithParam<TwoPagesRow> {
protected:
    static QScrollArea* page(QWidget* window)
    {
        auto* area = new QScrollArea(window);
        auto* column = new QWidget(area);
        column->setMinimumHeight(2400);
        area->setWidget(column);
        area->setWidgetResizable(true);
        return area;
    }

    uitest::ApplicationStyle style;
};

TEST_P(TwoPages, TheKeysScrollTheClickedPageElseTheLarger)
{
    const TwoPagesRow& row = GetParam();
    QWidget window;
    auto* layout = new QHBoxLayout(&window);
    QScrollArea* small = page(&window);
    QScrollArea* large = page(&window);
    layout->addWidget(small, 1);
    layout->addWidget(large, 3);
    window.resize(640, 400);
    window.show();
    window.activateWindow();
    ASSERT_TRUE(uitest::waitFor([&] { return window.isActiveWindow(); }));
    QScrollBar* smallBar = small->verticalScrollBar();
    QScrollBar* largeBar = large->verticalScrollBar();
    ASSERT_TRUE(uitest::waitFor([&] { return smallBar->maximum() > 0 && largeBar->maximum() > 0; }));
    for (QScrollBar* bar : {smallBar, largeBar})
        bar->setValue(row.fromEnd ? bar->maximum() : 0);
    if (row.clickSmall)
        QTest::mouseClick(small->viewport(), Qt::LeftButton, {}, small->viewport()->rect().center());
    ASSERT_EQ(small->hasFocus(), row.clickSmall);
    const int smallBefore = smallBar->value();
    const int largeBefore = largeBar->value();
    ASSERT_TRUE(test::typeKey(row.key));
    const auto check = [](const char* which, QScrollBar* bar, int before, Moves2 moves) {
        switch (moves) {
        case Moves2::stays: EXPECT_EQ(bar->value(), before) << which; break;
        case Moves2::down: EXPECT_GT(bar->value(), before) << which; break;
        case Moves2::up: EXPECT_LT(bar->value(), before) << which; break;
        case Moves2::toEnd: EXPECT_EQ(bar->value(), bar->maximum()) << which; break;
        case Moves2::toStart: EXPECT_EQ(bar->value(), bar->minimum()) << which; break;
        }
    };
    check("the narrow page", smallBar, smallBefore, row.small);
    check("the wide page", largeBar, largeBefore, row.large);
}

INSTANTIATE_TEST_SUITE_P(
    Keys, TwoPages,
    ::testing::Values(TwoPagesRow{"windowPageDown", false, Qt::Key_PageDown, false, Moves2::stays, Moves2::down},
                      TwoPagesRow{"windowPageUp", false, Qt::Key_PageUp, true, Moves2::stays, Moves2::up},
                      TwoPagesRow{"windowDown", false, Qt::Key_Down, false, Moves2::stays, Moves2::down},
                      TwoPagesRow{"windowUp", false, Qt::Key_Up, true, Moves2::stays, Moves2::up},
                      TwoPagesRow{"windowEnd", false, Qt::Key_End, false, Moves2::stays, Moves2::toEnd},
                      TwoPagesRow{"windowHome", false, Qt::Key_Home, true, Moves2::stays, Moves2::toStart},
                      TwoPagesRow{"clickedPageDown", true, Qt::Key_PageDown, false, Moves2::down, Moves2::stays},
                      TwoPagesRow{"clickedPageUp", true, Qt::Key_PageUp, true, Moves2::up, Moves2::stays},
                      TwoPagesRow{"clickedEnd", true, Qt::Key_End, false, Moves2::toEnd, Moves2::stays},
                      TwoPagesRow{"clickedHome", true, Qt::Key_Home, true, Moves2::toStart, Moves2::stays}),
    test::RowName());

// ---- A control reached by Tab or Shift+Tab ---------------------------------------------------------

struct RevealRow {
    const char* name;
    bool backwards; // Shift+Tab from the button after the page, else Tab from the one before it
};

void PrintTo(const RevealRow& row, std::ostream* os)
{
    *os << row.name;
}

class TabIntoPage : public ::testing::TestWithParam<RevealRow> {
protected:
    uitest::ApplicationStyle style;
};

// The page's first control, reached by Tab from above while the page shows its end, or its last,
// reached by Shift+Tab from below while it shows its top, is scrolled into view whole.
TEST_P(TabIntoPage, ScrollsTheControlIntoView)
{
    const bool backwards = GetParam().backwards;
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    auto* before = new QPushButton(QStringLiteral("Před"), &window);
    auto* area = new QScrollArea(&window);
    auto* column = new QWidget(area);
    auto* buttons = new QVBoxLayout(column);
    QList<QPushButton*> inPage;
    for (int i = 0; i < 20; ++i) {
        inPage << new QPushButton(QStringLiteral("%1").arg(i), column);
        inPage.last()->setMinimumHeight(40);
        buttons->addWidget(inPage.last());
    }
    area->setWidget(column);
    area->setWidgetResizable(true);
    area->setFixedHeight(160);
    auto* after = new QPushButton(QStringLiteral("Po"), &window);
    layout->addWidget(before);
    layout->addWidget(area);
    layout->addWidget(after);
    window.show();
    window.activateWindow();
    ASSERT_TRUE(uitest::waitFor([&] { return window.isActiveWindow(); }));
    QScrollBar* bar = area->verticalScrollBar();
    ASSERT_TRUE(uitest::waitFor([&] { return bar->maximum() > 0; }));
    bar->setValue(backwards ? 0 : bar->maximum());
    (backwards ? after : before)->setFocus(Qt::MouseFocusReason);
    ASSERT_TRUE(test::typeKey(Qt::Key_Tab, backwards ? Qt::ShiftModifier : Qt::NoModifier));
    QPushButton* reached = backwards ? inPage.last() : inPage.first();
    ASSERT_TRUE(reached->hasFocus()) << (QApplication::focusWidget() ? QApplication::focusWidget()->objectName().toStdString() : "");
    const QRect at(reached->mapTo(area->viewport(), QPoint(0, 0)), reached->size());
    EXPECT_TRUE(area->viewport()->rect().contains(at)) << "out of view at y " << at.y() << " of a page "
                                                       << area->viewport()->height() << " px tall";
}

INSTANTIATE_TEST_SUITE_P(Directions, TabIntoPage,
                         ::testing::Values(RevealRow{"tab", false}, RevealRow{"shiftTab", true}), test::RowName());

} // namespace
