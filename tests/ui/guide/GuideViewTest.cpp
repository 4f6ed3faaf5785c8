// The guide page: its two links act on the store, and no text of the page is cut at the widths a
// window takes.
#include <gtest/gtest.h>

#include "../main/UiTestSupport.h"
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
            const auto needed = [](const Text* text) {
                return text->hasHeightForWidth() ? text->heightForWidth(text->width()) : text->sizeHint().height();
            };
            // Wrapped texts settle over several layout passes; a busy machine takes its time.
            waitFor([&] {
                for (const Text* text : guide.column()->findChildren<Text*>())
                    if (text->isVisible() && text->height() < needed(text))
                        return false;
                return true;
            });
            EXPECT_LE(guide.column()->width(), GuideView::maxColumnWidth);
            for (const Text* text : guide.column()->findChildren<Text*>()) {
                if (!text->isVisible())
                    continue;
                EXPECT_GE(text->height(), needed(text)) << language << " " << width << ": " << qPrintable(text->text());
                EXPECT_FALSE(text->isElided() && text->objectName() != QStringLiteral("detail"))
                    << language << " " << width << ": " << qPrintable(text->text());
            }
        }
}
