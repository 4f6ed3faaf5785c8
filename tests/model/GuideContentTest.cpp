// The guide's content: distinct entries, and every slice of the three wheels has its own
// paragraph, found only by its exact key.
#include <QSet>

#include <gtest/gtest.h>

#include "l10n/Localization.h"
#include "model/GuideContent.h"
#include "platform/Settings.h"

using namespace kelvaro;

// Entries are identified by title and by keys: no two may share one.
TEST(GuideContent, EntriesHaveDistinctIds)
{
    QStringList titles, keys;
    for (const auto* list : {&GuideContent::steps(), &GuideContent::appParts(), &GuideContent::resultsAndPrivacy()})
        for (const GuideTopic& topic : *list)
            titles << topic.id();
    for (const GuideShortcut& shortcut : GuideContent::shortcuts())
        keys << shortcut.id();
    EXPECT_EQ(QSet<QString>(titles.begin(), titles.end()).size(), titles.size());
    EXPECT_EQ(QSet<QString>(keys.begin(), keys.end()).size(), keys.size());
}

TEST(GuideContent, EverySliceHasItsOwnParagraph)
{
    Settings::shared().setValue(QStringLiteral("kelvaro.language"), QStringLiteral("cs"));
    QSet<QString> paragraphs;
    int slices = 0;
    for (WheelMode mode : allWheelModes())
        for (const WheelAction& action : actions(mode)) {
            ++slices;
            const QString paragraph = GuideContent::rawExplanation(action);
            EXPECT_FALSE(paragraph.isEmpty()) << qPrintable(action.key);
            EXPECT_NE(paragraph, action.detail()) << qPrintable(action.key);
            paragraphs.insert(paragraph);
        }
    EXPECT_EQ(slices, 21);
    EXPECT_EQ(paragraphs.size(), 21);
}

TEST(GuideContent, OnlyTheExactKeyFindsAParagraph)
{
    for (const char* key : {"jpg", "Uprávy", "Upravy", "kde connect", "AirDrop", "Neznámá", ""})
        EXPECT_EQ(GuideContent::rawExplanation(WheelAction{QString::fromUtf8(key), QStringLiteral("photo")}), QString()) << key;
}
