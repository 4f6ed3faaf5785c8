// The guide page: its two links act on the store, no text of the page is cut at the widths a
// window takes, and the topic cards stand side by side from the width that holds two.
#include <algorithm>

#include <gtest/gtest.h>

#include "../main/UiTestSupport.h"
#include "model/GuideContent.h"
#include "ui/design/KeyCap.h"
#include "ui/guide/AdaptiveGridLayout.h"
#include "ui/guide/GuideCards.h"
#include "ui/guide/GuideView.h"

using namespace kelvaro;
using namespace kelvaro::uitest;

// "Try it" chooses files for a new selection on home; a wheel card's link shows that wheel there.
TEST(GuideView, TheLinksActOnTheStore)
{
    auto store = makeStore();
    store->requestImporter(true); // a pending "add" must not survive
    store->setSidebarSelection(SidebarItem::guide);
    GuideView guide(*store);
    guide.stepsHeader()->actionButton()->click();
    EXPECT_EQ(store->sidebarSelection(), std::optional<SidebarItem>(SidebarItem::home));
    EXPECT_TRUE(waitFor([&] { return store->showImporter(); }));
    EXPECT_FALSE(store->importerAdds());

    store->setSidebarSelection(SidebarItem::guide);
    ASSERT_EQ(guide.wheelCards().size(), 3);
    WheelGuideCard* tools = guide.wheelCards().at(1);
    ASSERT_EQ(tools->mode(), WheelMode::tools);
    tools->header()->actionButton()->click();
    EXPECT_EQ(store->wheelMode(), WheelMode::tools);
    EXPECT_EQ(store->sidebarSelection(), std::optional<SidebarItem>(SidebarItem::home));
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
            // Texts cut short or without the height their width needs, once the page has been laid out.
            const auto cut = [&] {
                QStringList found;
                for (const Text* text : guide.column()->findChildren<Text*>()) {
                    if (!text->isVisible())
                        continue;
                    const int needed = text->hasHeightForWidth() ? text->heightForWidth(text->width()) : text->sizeHint().height();
                    if (text->height() < needed || (text->isElided() && text->objectName() != QStringLiteral("detail")))
                        found << text->text();
                }
                return found;
            };
            EXPECT_TRUE(waitFor([&] { return cut().isEmpty(); })) << language << " " << width << ": " << qPrintable(cut().join(" | "));
            EXPECT_LE(guide.column()->width(), GuideView::maxColumnWidth);
        }
}

namespace {

// Resizes the guide until its topics grid is `width` px wide: the page's margins and scroll bar
// are taken from what each size gives, once its layout has followed.
bool makeTopicsGridWide(GuideView& guide, int width)
{
    QWidget* grid = guide.topicsGrid()->parentWidget();
    QLayout* column = guide.column()->layout();
    int outer = width + 100;
    for (int attempt = 0; attempt < 5; ++attempt) {
        guide.resize(outer, 900);
        const bool followed = waitFor([&] {
            return guide.column()->width() == qMin(guide.viewport()->width(), GuideView::maxColumnWidth) &&
                   grid->width() == column->contentsRect().width();
        });
        if (!followed)
            return false;
        if (grid->width() == width)
            return true;
        outer += width - grid->width();
    }
    return false;
}

struct TopicsCase {
    int width;
    bool sideBySide;
};

} // namespace

// Two cards of at least 340 px with 22 px between them need 702 px.
// Every shortcut's text starts as far from its cell's edge as the others', whatever the width of
// its key cap ("Ctrl", "Shift+Alt", "Mezerník"), so the texts of a column line up.
TEST(GuideView, TheShortcutsTextsLineUp)
{
    for (const char* language : {"cs", "en"}) {
        auto store = makeStore();
        Settings::shared().setValue(QStringLiteral("kelvaro.language"), QString::fromLatin1(language));
        GuideView guide(*store);
        guide.resize(1200, 800);
        guide.show();
        auto* card = guide.findChild<ShortcutsCard*>();
        ASSERT_NE(card, nullptr);
        const auto starts = [&] {
            QList<int> found;
            for (const KeyCap* cap : card->findChildren<KeyCap*>()) {
                QWidget* cell = cap->parentWidget()->parentWidget();
                for (const Text* text : cell->findChildren<Text*>(QString(), Qt::FindDirectChildrenOnly))
                    found << text->x();
            }
            return found;
        };
        ASSERT_TRUE(waitFor([&] { return starts().size() == GuideContent::shortcuts().size(); })) << language;
        const QList<int> x = starts();
        EXPECT_EQ(*std::min_element(x.begin(), x.end()), *std::max_element(x.begin(), x.end())) << language;
    }
}

TEST(GuideView, TopicCardsStandSideBySideFromTheWidthOfTwo)
{
    auto store = makeStore();
    GuideView guide(*store);
    guide.show();
    ASSERT_EQ(guide.topicsCards().size(), 2);
    for (const TopicsCase c : {TopicsCase{701, false}, TopicsCase{702, true}, TopicsCase{701, false}}) {
        ASSERT_TRUE(makeTopicsGridWide(guide, c.width)) << c.width;
        const QRect first = guide.topicsCards().at(0)->geometry();
        const QRect second = guide.topicsCards().at(1)->geometry();
        if (c.sideBySide) {
            EXPECT_EQ(second.top(), first.top()) << c.width;
            EXPECT_GT(second.left(), first.right()) << c.width;
        } else {
            EXPECT_EQ(second.left(), first.left()) << c.width;
            EXPECT_GT(second.top(), first.bottom()) << c.width;
            EXPECT_EQ(first.width(), c.width) << "a stacked card has the whole width";
        }
    }
}

// In English each slice's paragraph is shown in English, never as the Czech text it is looked up by.
TEST(GuideView, ActionExplanationsAreShownInTheChosenLanguage)
{
    auto store = makeStore();
    Settings::shared().setValue(QStringLiteral("kelvaro.language"), QStringLiteral("en"));
    GuideView guide(*store);
    QStringList shown;
    for (const WheelGuideCard* card : guide.wheelCards()) {
        const QList<WheelAction> slices = actions(card->mode());
        ASSERT_EQ(card->rows().size(), slices.size());
        for (qsizetype i = 0; i < slices.size(); ++i) {
            const Text* explanation = card->rows().at(i)->findChild<Text*>(QStringLiteral("explanation"));
            ASSERT_NE(explanation, nullptr);
            EXPECT_NE(explanation->text(), GuideContent::rawExplanation(slices.at(i))) << qPrintable(slices.at(i).key);
            shown << explanation->text();
        }
    }
    EXPECT_TRUE(shown.contains(QStringLiteral("Saves the image without any loss of quality and keeps transparency. Ideal for "
                                              "graphics, screenshots and cut-outs without a background.")));
}
