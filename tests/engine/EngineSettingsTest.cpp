// What a run reads from the settings: every unusable stored value falls back to its default.
#include <QVariant>

#include <gtest/gtest.h>

#include "engine/EngineSettings.h"
#include "platform/Settings.h"
#include "platform/SettingsKeys.h"

namespace kelvaro {
namespace {

TEST(EngineSettingsRead, TakesUsableValuesAndDefaultsTheRest)
{
    namespace K = SettingsKey;
    const struct {
        const char* name;
        QList<std::pair<const char*, QVariant>> stored;
        EngineSettings expected;
    } rows[] = {
        {"nothingStored", {}, EngineSettings{}},
        {"everythingSet",
         {{K::jpegQuality, 0.75}, {K::heicQuality, 0.6}, {K::describeNames, false}, {K::faceStyle, QStringLiteral("pixelate")}},
         {0.75, 0.6, false, FaceStyle::pixelate}},
        {"qualityAsText", {{K::jpegQuality, QStringLiteral("0.5")}}, EngineSettings{}},
        {"zeroAndNegativeQualities", {{K::jpegQuality, 0.0}, {K::heicQuality, -1.0}}, EngineSettings{}},
        {"flagAsText", {{K::describeNames, QStringLiteral("false")}}, EngineSettings{}},
        {"flagAsNumber", {{K::describeNames, 0.0}}, EngineSettings{}},
        {"solidStyle", {{K::faceStyle, QStringLiteral("solid")}}, {0.9, 0.85, true, FaceStyle::solid}},
        {"unknownStyle", {{K::faceStyle, QStringLiteral("mosaic")}}, EngineSettings{}},
        {"styleInAnotherCase", {{K::faceStyle, QStringLiteral("Pixelate")}}, EngineSettings{}},
        {"styleAsNumber", {{K::faceStyle, 2.0}}, EngineSettings{}},
    };
    Settings& settings = Settings::shared();
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        for (const char* key : {K::jpegQuality, K::heicQuality, K::describeNames, K::faceStyle})
            settings.remove(QString::fromLatin1(key));
        settings.setValue(QString::fromLatin1(K::language), QStringLiteral("cs"));
        for (const auto& [key, value] : row.stored)
            settings.setValue(QString::fromLatin1(key), value);
        EXPECT_EQ(EngineSettings::read(settings), row.expected);
    }
}

// The run's language is read as the interface shows it: the chosen one, else the desktop's,
// never left as "system" for the engine to resolve again while it works.
TEST(EngineSettingsRead, ResolvesTheLanguageOnce)
{
    const struct {
        const char* stored; // none: nothing stored
        QStringList desktop;
        AppLanguage expected;
    } rows[] = {
        {"cs", {QStringLiteral("en-GB")}, AppLanguage::czech},
        {"en", {QStringLiteral("cs-CZ")}, AppLanguage::english},
        {"system", {QStringLiteral("cs-CZ")}, AppLanguage::czech},
        {"system", {QStringLiteral("de-DE"), QStringLiteral("cs-CZ")}, AppLanguage::english},
        {"klingon", {QStringLiteral("cs")}, AppLanguage::czech},
        {nullptr, {QStringLiteral("en-US")}, AppLanguage::english},
        {nullptr, {}, AppLanguage::english},
    };
    Settings& settings = Settings::shared();
    const QString key = QString::fromLatin1(SettingsKey::language);
    for (const auto& row : rows) {
        SCOPED_TRACE(row.stored ? row.stored : "nothing stored");
        settings.remove(key);
        if (row.stored)
            settings.setValue(key, QString::fromLatin1(row.stored));
        L10n::setSystemLanguagesForTesting(row.desktop);
        EXPECT_EQ(EngineSettings::read(settings).language, row.expected);
    }
    L10n::setSystemLanguagesForTesting(std::nullopt);
}

} // namespace
} // namespace kelvaro
