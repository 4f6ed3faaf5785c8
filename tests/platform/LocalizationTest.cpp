#include <gtest/gtest.h>

#include "engine/Localization.h"
#include "platform/Settings.h"

using namespace kelvaro;

TEST(Localization, photosWordCzechForms)
{
    Settings::shared().setValue("kelvaro.language", "cs");
    EXPECT_EQ(photosWord(1), "1 fotka");
    EXPECT_EQ(photosWord(4), "4 fotky");
    EXPECT_EQ(photosWord(0), "0 fotek");
    EXPECT_EQ(photosWord(22), "22 fotek");
}

TEST(Localization, englishTableIsUsed)
{
    Settings::shared().setValue("kelvaro.language", "en");
    EXPECT_EQ(photosWord(1), "1 photo");
    EXPECT_EQ(photosWord(3), "3 photos");
}
