// The guide page: its two links act on the store, and no text of the page is cut at the widths a
// window takes.
#include <gtest/gtest.h>

#include "../main/UiTestSupport.h"
#include "model/GuideContent.h"
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
            // The texts shorter than their width needs; empty once the layout has settled.
            const auto cut = [&] {
                QStringList result;
                for (const Text* text : guide.column()->findChildren<Text*>()) {
                    const int needed = text->hasHeightForWidth() ? text->heightForWidth(text->width()) : text->sizeHint().height();
                    if (text->isVisible() && text->height() < needed)
                        result << QStringLiteral("%1 (%2 of %3 px)").arg(text->text()).arg(text->height()).arg(needed);
                }
                return result;
            };
            EXPECT_TRUE(waitFor([&] { return cut().isEmpty(); }))
                << language << " " << width << ", never laid out to full height: " << qPrintable(cut().join(", "));
            EXPECT_LE(guide.column()->width(), GuideView::maxColumnWidth);
            for (const Text* text : guide.column()->findChildren<Text*>())
                EXPECT_FALSE(text->isVisible() && text->isElided() && text->objectName() != QStringLiteral("detail"))
                    << language << " " << width << ": " << qPrintable(text->text());
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
