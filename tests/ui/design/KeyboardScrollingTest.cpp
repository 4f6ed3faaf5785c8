// A page of text scrolls by the keys though it takes no Tab focus: the privacy policy as it
// opens, and the guide and home as the window leaves them or after a click on their text.
#include <QAbstractButton>
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

} // namespace
