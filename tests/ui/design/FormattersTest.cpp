#include <limits>

#include <gtest/gtest.h>

#include "platform/Settings.h"
#include "ui/design/Formatters.h"

using namespace kelvaro;

namespace {

struct BytesCase {
    qint64 bytes;
    const char* czech;
    const char* english;
};

class ByteCounts : public ::testing::TestWithParam<BytesCase> {};

TEST_P(ByteCounts, InCzechAndEnglish)
{
    const BytesCase& c = GetParam();
    EXPECT_EQ(Formatters::byteCount(c.bytes, QLocale(QLocale::Czech, QLocale::Czechia)), QString::fromUtf8(c.czech));
    EXPECT_EQ(Formatters::byteCount(c.bytes, QLocale(QLocale::English, QLocale::UnitedStates)), QString::fromUtf8(c.english));
}

INSTANTIATE_TEST_SUITE_P(Formatters, ByteCounts,
                         ::testing::Values(BytesCase{0, "Nula kB", "Zero KB"},
                                           BytesCase{1, "1 bajt", "1 byte"},
                                           BytesCase{3, "3 bajty", "3 bytes"},
                                           BytesCase{5, "5 bajtů", "5 bytes"},
                                           BytesCase{999, "999 bajtů", "999 bytes"},
                                           BytesCase{1000, "1 kB", "1 KB"},
                                           BytesCase{1499, "1 kB", "1 KB"},
                                           BytesCase{310000, "310 kB", "310 KB"},
                                           BytesCase{999600, "1 MB", "1 MB"},
                                           BytesCase{2400000, "2,4 MB", "2.4 MB"},
                                           BytesCase{18600000, "18,6 MB", "18.6 MB"},
                                           BytesCase{41000000, "41 MB", "41 MB"},
                                           BytesCase{1230000000, "1,23 GB", "1.23 GB"},
                                           BytesCase{2000000000, "2 GB", "2 GB"},
                                           BytesCase{-2400000, "-2,4 MB", "-2.4 MB"}));

TEST(Formatters, ExtremeByteCountsDoNotOverflow)
{
    const QLocale en(QLocale::English, QLocale::UnitedStates);
    EXPECT_TRUE(Formatters::byteCount(std::numeric_limits<qint64>::max(), en).endsWith(QLatin1String(" EB")));
    EXPECT_TRUE(Formatters::byteCount(std::numeric_limits<qint64>::min(), en).startsWith(QLatin1Char('-')));
}

struct RelativeCase {
    qint64 secondsAgo; // negative: in the future
    const char* czech;
    const char* english;
};

class RelativeDates : public ::testing::TestWithParam<RelativeCase> {};

TEST_P(RelativeDates, UseWordsWhereTheLanguageHasThem)
{
    const RelativeCase& c = GetParam();
    const QDateTime now(QDate(2026, 6, 15), QTime(14, 0));
    const QDateTime date = now.addSecs(-c.secondsAgo);
    EXPECT_EQ(Formatters::relativeDate(date, now, QLocale(QLocale::Czech, QLocale::Czechia)), QString::fromUtf8(c.czech));
    EXPECT_EQ(Formatters::relativeDate(date, now, QLocale(QLocale::English, QLocale::UnitedStates)), QString::fromUtf8(c.english));
}

INSTANTIATE_TEST_SUITE_P(Formatters, RelativeDates,
                         ::testing::Values(RelativeCase{0, "teď", "now"},
                                           RelativeCase{30, "před 30 sekundami", "30 seconds ago"},
                                           RelativeCase{60, "před 1 minutou", "1 minute ago"},
                                           RelativeCase{5 * 60, "před 5 minutami", "5 minutes ago"},
                                           RelativeCase{3600, "před 1 hodinou", "1 hour ago"},
                                           RelativeCase{3 * 3600, "před 3 hodinami", "3 hours ago"},
                                           RelativeCase{86400, "včera", "yesterday"},
                                           RelativeCase{2 * 86400, "předevčírem", "2 days ago"},
                                           RelativeCase{5 * 86400, "před 5 dny", "5 days ago"},
                                           RelativeCase{7 * 86400, "minulý týden", "last week"},
                                           RelativeCase{21 * 86400, "před 3 týdny", "3 weeks ago"},
                                           RelativeCase{40 * 86400, "minulý měsíc", "last month"},
                                           RelativeCase{200 * 86400, "před 6 měsíci", "6 months ago"},
                                           RelativeCase{400 * 86400, "minulý rok", "last year"},
                                           RelativeCase{3 * 365 * 86400, "před 3 lety", "3 years ago"},
                                           RelativeCase{-5 * 60, "za 5 minut", "in 5 minutes"},
                                           RelativeCase{-2 * 3600, "za 2 hodiny", "in 2 hours"},
                                           RelativeCase{-86400, "zítra", "tomorrow"},
                                           RelativeCase{-10 * 86400, "příští týden", "next week"}));

// The desktop's locale (the process default) must not decide the words of the interface.
TEST(Formatters, SizesAndDatesSpeakTheInterfaceLanguageNotTheDesktops)
{
    const QDateTime now = QDateTime::currentDateTime();
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    Settings::shared().setValue(QStringLiteral("kelvaro.language"), QStringLiteral("cs"));
    EXPECT_EQ(Formatters::byteCount(0), QStringLiteral("Nula kB"));
    EXPECT_EQ(Formatters::byteCount(1500000), QStringLiteral("1,5 MB"));
    EXPECT_EQ(Formatters::relativeDate(now.addDays(-1), now), QStringLiteral("včera"));
    QLocale::setDefault(QLocale(QLocale::Czech, QLocale::Czechia));
    Settings::shared().setValue(QStringLiteral("kelvaro.language"), QStringLiteral("en"));
    EXPECT_EQ(Formatters::byteCount(0), QStringLiteral("Zero KB"));
    EXPECT_EQ(Formatters::relativeDate(now.addDays(-1), now), QStringLiteral("yesterday"));
}

TEST(Formatters, InvalidDatesGiveNoText)
{
    EXPECT_TRUE(Formatters::relativeDate(QDateTime(), QDateTime::currentDateTime()).isEmpty());
}

} // namespace
