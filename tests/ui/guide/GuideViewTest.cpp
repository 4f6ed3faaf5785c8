// The guide page: its two links act on the store, the topic cards stand side by side only from
// 702 wide, no divider after a card's last topic, and no text of the page is cut at the widths
// a window takes.
#include <gtest/gtest.h>

#include "engine/GuideContent.h"
#include "ui/design/Symbols.h"
#include "ui/guide/AdaptiveGridLayout.h"
#include "ui/guide/GuideCards.h"
#include "ui/guide/GuideView.h"
#include "../main/UiTestSupport.h"

using namespace kelvaro;
using namespace kelvaro::uitest;

TEST(GuideView, TryItChoosesFilesForANewSelectionOnHome)
{
    auto store = makeStore();
    store->requestImporter(true); // a pending "add" must not survive
    store->setSidebarSelection(SidebarItem::guide);
    GuideView guide(*store);
    guide.stepsHeader()->actionButton()->click();
    EXPECT_EQ(store->sidebarSelection(), std::optional<SidebarItem>(SidebarItem::home));
    EXPECT_FALSE(store->importerAdds());
    EXPECT_TRUE(waitFor([&] { return store->showImporter(); }));
    EXPECT_FALSE(store->importerAdds());
}

TEST(GuideView, OpenWheelShowsThatWheelOnHome)
{
    auto store = makeStore();
    store->setSidebarSelection(SidebarItem::guide);
    GuideView guide(*store);
    ASSERT_EQ(guide.wheelCards().size(), 3);
    WheelGuideCard* tools = guide.wheelCards().at(1);
    ASSERT_EQ(tools->mode(), WheelMode::tools);
    tools->header()->actionButton()->click();
    EXPECT_EQ(store->wheelMode(), WheelMode::tools);
    EXPECT_EQ(store->sidebarSelection(), std::optional<SidebarItem>(SidebarItem::home));
}

TEST(GuideView, TopicCardsSideBySideFrom702Wide)
{
    auto store = makeStore();
    GuideView guide(*store);
    QWidget* grid = guide.topicsGrid()->parentWidget();
    const QList<TopicsCard*> cards = guide.topicsCards();
    ASSERT_EQ(cards.size(), 2);
    guide.topicsGrid()->setGeometry(QRect(0, 0, 702, grid->heightForWidth(702)));
    EXPECT_EQ(cards[0]->y(), cards[1]->y());
    EXPECT_EQ(cards[0]->width(), 340);
    EXPECT_EQ(cards[1]->x(), 362);
    guide.topicsGrid()->setGeometry(QRect(0, 0, 701, grid->heightForWidth(701)));
    EXPECT_EQ(cards[0]->x(), cards[1]->x());
    EXPECT_GE(cards[1]->y(), cards[0]->geometry().bottom() + 22);
    EXPECT_EQ(cards[0]->width(), 701);
}

TEST(GuideView, NoDividerAfterTheLastTopic)
{
    auto store = makeStore();
    GuideView guide(*store);
    const QList<TopicsCard*> cards = guide.topicsCards();
    ASSERT_EQ(cards.size(), 2);
    EXPECT_EQ(cards[0]->dividers().size(), GuideContent::appParts().size() - 1);
    EXPECT_EQ(cards[1]->dividers().size(), GuideContent::resultsAndPrivacy().size() - 1);
}

TEST(GuideView, ASliceWithoutDetailShowsOnlyItsName)
{
    Settings::shared().setValue(QStringLiteral("kelvaro.language"), QStringLiteral("cs"));
    const ActionGuideRow row(WheelAction{QStringLiteral("Neznámá"), QStringLiteral("photo")});
    EXPECT_EQ(row.detailText(), nullptr);
    const ActionGuideRow jpg(actions(WheelMode::convert).first());
    ASSERT_NE(jpg.detailText(), nullptr);
    EXPECT_EQ(jpg.detailText()->text(), QStringLiteral("Univerzální a malé"));
}

// Wrapped texts get the height their width needs, in a narrow and a wide window, in both languages.
TEST(GuideView, NoTextIsCut)
{
    for (const char* language : {"cs", "en"})
        for (int width : {800, 1200}) {
            auto store = makeStore();
            Settings::shared().setValue(QStringLiteral("kelvaro.language"), QString::fromLatin1(language));
            GuideView guide(*store);
            guide.resize(width, 800);
            guide.show();
            spin(30);
            EXPECT_LE(guide.column()->width(), GuideView::maxColumnWidth);
            for (const Text* text : guide.column()->findChildren<Text*>()) {
                if (!text->isVisible())
                    continue;
                const int needed = text->hasHeightForWidth() ? text->heightForWidth(text->width()) : text->sizeHint().height();
                EXPECT_GE(text->height(), needed) << language << " " << width << ": " << qPrintable(text->text());
                EXPECT_FALSE(text->isElided() && text->objectName() != QStringLiteral("detail"))
                    << language << " " << width << ": " << qPrintable(text->text());
            }
        }
}

TEST(GuideView, EverySymbolOfTheContentIsDrawn)
{
    QList<GuideTopic> all = GuideContent::steps() + GuideContent::appParts() + GuideContent::resultsAndPrivacy();
    for (const GuideTopic& topic : all)
        EXPECT_TRUE(Symbols::contains(topic.symbol)) << qPrintable(topic.symbol);
}
