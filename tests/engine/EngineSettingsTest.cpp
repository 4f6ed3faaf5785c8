// What a run reads from the settings: every unusable stored value falls back to its default.
#include <QVariant>

#include <gtest/gtest.h>

#include "engine/EngineSettings.h"
#include "platform/Settings.h"
#include "platform/SettingsKeys.h"

namespace kelvaro {
namespace {

struct StoredCase {
    const char* name;
    QList<std::pair<const char*, QVariant>> stored;
    EngineSettings expected;
};

void PrintTo(const StoredCase& c, std::ostream* os)
{
    *os << c.name;
}

class EngineSettingsRead : public ::testing::TestWithParam<StoredCase> {
protected:
    void SetUp() override { clear(); }
    void TearDown() override { clear(); }
    static void clear()
    {
        for (const char* key : {SettingsKey::jpegQuality, SettingsKey::heicQuality, SettingsKey::describeNames,
                                SettingsKey::faceStyle})
            Settings::shared().remove(QString::fromLatin1(key));
    }
};

TEST_P(EngineSettingsRead, TakesUsableValuesAndDefaultsTheRest)
{
    for (const auto& [key, value] : GetParam().stored)
        Settings::shared().setValue(QString::fromLatin1(key), value);
    EXPECT_EQ(EngineSettings::read(Settings::shared()), GetParam().expected);
}

EngineSettings with(double jpeg, double heic, bool describe, FaceStyle style)
{
    return {jpeg, heic, describe, style};
}

INSTANTIATE_TEST_SUITE_P(
    Values, EngineSettingsRead,
    ::testing::Values(
        StoredCase{"nothingStored", {}, EngineSettings{}},
        StoredCase{"everythingSet",
                   {{SettingsKey::jpegQuality, 0.75}, {SettingsKey::heicQuality, 0.6},
                    {SettingsKey::describeNames, false}, {SettingsKey::faceStyle, QStringLiteral("pixelate")}},
                   with(0.75, 0.6, false, FaceStyle::pixelate)},
        StoredCase{"qualityAsText", {{SettingsKey::jpegQuality, QStringLiteral("0.5")}}, EngineSettings{}},
        StoredCase{"zeroAndNegativeQualities", {{SettingsKey::jpegQuality, 0.0}, {SettingsKey::heicQuality, -1.0}},
                   EngineSettings{}},
        StoredCase{"flagAsText", {{SettingsKey::describeNames, QStringLiteral("false")}}, EngineSettings{}},
        StoredCase{"flagAsNumber", {{SettingsKey::describeNames, 0.0}}, EngineSettings{}},
        StoredCase{"solidStyle", {{SettingsKey::faceStyle, QStringLiteral("solid")}},
                   with(0.9, 0.85, true, FaceStyle::solid)},
        StoredCase{"unknownStyle", {{SettingsKey::faceStyle, QStringLiteral("mosaic")}}, EngineSettings{}},
        StoredCase{"styleInAnotherCase", {{SettingsKey::faceStyle, QStringLiteral("Pixelate")}}, EngineSettings{}},
        StoredCase{"styleAsNumber", {{SettingsKey::faceStyle, 2.0}}, EngineSettings{}}),
    [](const ::testing::TestParamInfo<StoredCase>& info) { return std::string(info.param.name); });

} // namespace
} // namespace kelvaro
