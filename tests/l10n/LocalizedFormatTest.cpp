#include <limits>

#include <QCoreApplication>
#include <QLocale>

#include <gtest/gtest.h>

#include "../support/TestSupport.h"
#include "l10n/Localization.h"
#include "model/Operations.h"
#include "platform/Settings.h"

using namespace kelvaro;

namespace {
// The formatter works in the process's default locale; each test fixes it.
class LocalizedFormat : public ::testing::Test {
protected:
    void SetUp() override { QLocale::setDefault(QLocale(QStringLiteral("en_US"))); }
    void TearDown() override { QLocale::setDefault(QLocale::system()); }
};

QString fmt(const char* format, const QList<LfArg>& args)
{
    return formatText(QString::fromUtf8(format), args);
}
} // namespace

TEST_F(LocalizedFormat, fillsConversionsAndShowsMismatchedOrMissingArgumentsHarmlessly)
{
    const struct {
        const char* format;
        QList<LfArg> args;
        const char* expected;
    } rows[] = {
        {"Soubor „%@“", {QStringLiteral("a.jpg")}, "Soubor „a.jpg“"},
        {"%d/%d", {qint64(3), qint64(10)}, "3/10"},
        {"%ld", {qint64(-42)}, "-42"},
        {"%lld fotek", {std::numeric_limits<qint64>::max()}, "9223372036854775807 fotek"},
        {"%03d", {qint64(7)}, "007"},
        {"%03d", {qint64(-7)}, "-07"},
        {"%03d", {qint64(12345)}, "12345"},
        {"%.1f MB", {2.26}, "2.3 MB"},
        {"%.1f", {qint64(3)}, "3.0"},
        {"%.1f", {12345.67}, "12345.7"},
        {"kvalita %ld %%", {qint64(80)}, "kvalita 80 %"},
        {"100%%", {}, "100%"},
        {"%2$@ a %1$@", {QStringLiteral("A"), QStringLiteral("B")}, "B a A"},
        {"%1$@, %1$@", {QStringLiteral("X")}, "X, X"},
        {"%1$lld z %2$lld", {qint64(2), qint64(5)}, "2 z 5"},
        {"%-4d|", {qint64(5)}, "5   |"},
        {"%+d", {qint64(5)}, "+5"},
        // Mismatched arguments are shown, never reinterpreted.
        {"%d", {QStringLiteral("text")}, "text"},
        {"%@", {qint64(12)}, "12"},
        {"%d", {2.7}, "2"},
        // Hostile formats.
        {"%@ a %@", {QStringLiteral("jen jeden")}, "jen jeden a "},
        {"%d", {}, ""},
        {"%9$@", {QStringLiteral("a")}, ""},
        {"50 %", {}, "50 %"},
        {"%", {}, "%"},
        {"%n%s%p", {QStringLiteral("a")}, "%na%p"},
        {"%l", {}, "%l"},
        {"%0$@", {QStringLiteral("a")}, "%0$@"},
        {"%1$@ %@", {QStringLiteral("a"), QStringLiteral("b")}, "a a"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(fmt(row.format, row.args), QString::fromUtf8(row.expected)) << row.format;
    // Lf looks the format up first.
    Settings::shared().setValue(QStringLiteral("kelvaro.language"), QStringLiteral("en"));
    EXPECT_EQ(Lf("%lld fotek", 22), QStringLiteral("22 photos"));
    EXPECT_EQ(Lf("Neznámý text %@", QStringLiteral("x")), QStringLiteral("Neznámý text x"));
    Settings::shared().setValue(QStringLiteral("kelvaro.language"), QStringLiteral("cs"));
    EXPECT_EQ(Lf("%lld fotek", 22), QStringLiteral("22 fotek"));
}

TEST_F(LocalizedFormat, hugeWidthsAndNonFiniteNumbersAreHarmless)
{
    EXPECT_LE(fmt("%99999999999999999999d", {qint64(1)}).size(), 300);
    EXPECT_LE(fmt("%.99999999999f", {1.0}).size(), 300);
    EXPECT_LE(fmt("%99999$@", {QStringLiteral("a")}).size(), 300);
    EXPECT_FALSE(fmt("%.1f", {std::numeric_limits<double>::infinity()}).isEmpty());
    EXPECT_FALSE(fmt("%d", {std::numeric_limits<double>::quiet_NaN()}).isEmpty());
    EXPECT_EQ(fmt("%d", {1e300}), fmt("%d", {1e300})); // defined, whatever it shows
}

TEST_F(LocalizedFormat, numbersFollowTheCurrentLocale)
{
    QLocale::setDefault(QLocale(QStringLiteral("cs_CZ")));
    EXPECT_EQ(fmt("%.1f", {1.5}), QStringLiteral("1,5"));
    EXPECT_EQ(fmt("%.1f", {12345.6}), QStringLiteral("12345,6")); // printf-style: no grouping
    EXPECT_EQ(fmt("%lld", {qint64(12345)}), QStringLiteral("12345"));
    EXPECT_EQ(fmt("%.1f", {-0.26}), QStringLiteral("-0,3"));
}

// ---- The language choice --------------------------------------------------------------------

class Language : public ::testing::Test {
protected:
    void TearDown() override
    {
        L10n::setSystemLanguagesForTesting(std::nullopt);
        Settings::shared().remove(QStringLiteral("kelvaro.language"));
    }
};

TEST_F(Language, currentReadsTheSettingAndAnythingElseIsSystem)
{
    const QString key = QStringLiteral("kelvaro.language");
    Settings::shared().remove(key);
    EXPECT_EQ(L10n::current(), AppLanguage::system);
    const std::pair<QVariant, AppLanguage> rows[] = {
        {QStringLiteral("en"), AppLanguage::english}, {QStringLiteral("cs"), AppLanguage::czech},
        {QStringLiteral("de"), AppLanguage::system},  {QStringLiteral("EN"), AppLanguage::system},
        {true, AppLanguage::system},                  {1, AppLanguage::system}};
    for (const auto& [stored, language] : rows) {
        Settings::shared().setValue(key, stored);
        EXPECT_EQ(L10n::current(), language) << qPrintable(stored.toString());
    }
}

TEST_F(Language, systemCodeAndTextsFromThePreferredLanguages)
{
    struct Case {
        QStringList preferred;
        const char* code;
    };
    for (const Case& c : {Case{{QStringLiteral("cs-CZ"), QStringLiteral("en")}, "cs"}, Case{{QStringLiteral("en-GB")}, "en"},
                          Case{{QStringLiteral("de-DE"), QStringLiteral("cs")}, "en"}, Case{{QStringLiteral("sk")}, "en"},
                          Case{{QStringLiteral("CS")}, "cs"}, Case{{}, "en"}, Case{{QStringLiteral("c")}, "en"}}) {
        L10n::setSystemLanguagesForTesting(c.preferred);
        EXPECT_EQ(languageCode(AppLanguage::system), QString::fromLatin1(c.code)) << qPrintable(c.preferred.join(','));
    }
    EXPECT_EQ(languageCode(AppLanguage::czech), QStringLiteral("cs"));

    // A setting of "de" falls back to the system language for texts.
    Settings::shared().setValue(QStringLiteral("kelvaro.language"), QStringLiteral("de"));
    L10n::setSystemLanguagesForTesting(QStringList{QStringLiteral("cs-CZ")});
    EXPECT_EQ(L("1 fotka"), QStringLiteral("1 fotka"));
    L10n::setSystemLanguagesForTesting(QStringList{QStringLiteral("sk-SK")});
    EXPECT_EQ(L("1 fotka"), QStringLiteral("1 photo"));
    EXPECT_TRUE(L10n::locale(AppLanguage::system).name().startsWith(QStringLiteral("en_")));
    // A language code and a region.
    EXPECT_EQ(L10n::locale(AppLanguage::czech).language(), QLocale::Czech);
    EXPECT_NE(L10n::locale(AppLanguage::czech).territory(), QLocale::AnyTerritory);
    EXPECT_EQ(L10n::locale(AppLanguage::english).language(), QLocale::English);
}

TEST_F(Language, applyWritesOrRemovesTheSystemSetting)
{
    const QString key = QString::fromLatin1(L10n::systemLanguageKey);
    int changes = 0;
    const auto c = QObject::connect(&Settings::shared(), &Settings::changed, [&](const QString& k) { changes += k == key; });
    L10n::apply(AppLanguage::system); // absent already: nothing changes
    EXPECT_EQ(changes, 0);
    L10n::apply(AppLanguage::english);
    EXPECT_EQ(Settings::shared().stringListValue(key), QStringList{QStringLiteral("en")});
    L10n::apply(AppLanguage::czech);
    EXPECT_EQ(Settings::shared().stringListValue(key), QStringList{QStringLiteral("cs")});
    L10n::apply(AppLanguage::system);
    EXPECT_FALSE(Settings::shared().contains(key));
    EXPECT_EQ(changes, 3);
    QObject::disconnect(c);
}

// Each part translates; stored titles with a name translate, foreign ones stay as they are.
TEST_F(Language, LPartsTranslatesEachPart)
{
    Settings::shared().setValue(QStringLiteral("kelvaro.language"), QStringLiteral("en"));
    const std::pair<const char*, const char*> cases[] = {
        {"1 fotka", "1 photo"},
        {"Neznámé · 1 fotka", "Neznámé · 1 photo"},
        {"", ""},
        {"1 fotka·1 fotka", "1 fotka·1 fotka"}, // no separator
        {"Automaticky · Převod na JPG", "Automatic · Convert to JPG"},
        {"Ořez 4:5", "Crop 4:5"},
        {"Postup Můj postup", "Workflow Můj postup"},
        {"Convert to JPG", "Convert to JPG"},
        {"Převod na", "Převod na"},
    };
    for (const auto& [stored, shown] : cases)
        EXPECT_EQ(LParts(QString::fromUtf8(stored)), QString::fromUtf8(shown)) << stored;
    // Every operation's stored title is the Czech one, and its shown title is translated.
    for (const KelvaroOp& op : {KelvaroOp::convert(ImageFormat::heic), KelvaroOp::crop({CropRatio::square}), KelvaroOp::ocr()}) {
        EXPECT_NE(op.title(), op.storedTitle());
        Settings::shared().setValue(QStringLiteral("kelvaro.language"), QStringLiteral("cs"));
        EXPECT_EQ(op.title(), op.storedTitle());
        EXPECT_EQ(LParts(QStringLiteral("Neznámé · 1 fotka")), QStringLiteral("Neznámé · 1 fotka"));
        Settings::shared().setValue(QStringLiteral("kelvaro.language"), QStringLiteral("en"));
    }
}

TEST_F(Language, photosWordForms)
{
    const struct {
        const char* language;
        int count;
        const char* words;
    } rows[] = {{"cs", 1, "1 fotka"}, {"cs", 2, "2 fotky"}, {"cs", 4, "4 fotky"}, {"cs", 0, "0 fotek"}, {"cs", 5, "5 fotek"},
                {"cs", 22, "22 fotek"}, {"cs", -1, "-1 fotek"}, {"en", 1, "1 photo"}, {"en", 3, "3 photos"}};
    for (const auto& row : rows) {
        Settings::shared().setValue(QStringLiteral("kelvaro.language"), QString::fromLatin1(row.language));
        EXPECT_EQ(photosWord(row.count), QString::fromUtf8(row.words)) << row.language << " " << row.count;
    }
}

TEST_F(Language, QtTextsFollowTheChosenLanguageNotTheDesktops)
{
    L10n::setSystemLanguagesForTesting(QStringList{QStringLiteral("en-US")});
    Settings::shared().setValue(QStringLiteral("kelvaro.language"), QStringLiteral("cs"));
    L10n::installAtStartup();
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("Zrušit"));
    EXPECT_TRUE(L10n::installQtTranslations(QStringLiteral("en")));
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("Cancel"));
}
