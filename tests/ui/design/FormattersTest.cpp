#include <limits>

#include <gtest/gtest.h>

#include "platform/Settings.h"
#include "ui/design/Formatters.h"

using namespace kelvaro;

namespace {

TEST(Formatters, ByteCountsInCzechAndEnglishWithoutOverflow)
{
    const struct {
        qint64 bytes;
        const char *czech, *english;
    } rows[] = {{0, "Nula kB", "Zero KB"},          {1, "1 bajt", "1 byte"},          {3, "3 bajty", "3 bytes"},
                {5, "5 bajtů", "5 bytes"},          {999, "999 bajtů", "999 bytes"},  {1000, "1 kB", "1 KB"},
                {1499, "1 kB", "1 KB"},             {310000, "310 kB", "310 KB"},     {999600, "1 MB", "1 MB"},
                {2400000, "2,4 MB", "2.4 MB"},      {18600000, "18,6 MB", "18.6 MB"}, {41000000, "41 MB", "41 MB"},
                {1230000000, "1,23 GB", "1.23 GB"}, {2000000000, "2 GB", "2 GB"},     {-2400000, "-2,4 MB", "-2.4 MB"}};
    const QLocale cs(QLocale::Czech, QLocale::Czechia), en(QLocale::English, QLocale::UnitedStates);
    for (const auto& row : rows) {
        EXPECT_EQ(Formatters::byteCount(row.bytes, cs), QString::fromUtf8(row.czech));
        EXPECT_EQ(Formatters::byteCount(row.bytes, en), QString::fromUtf8(row.english));
    }
    EXPECT_TRUE(Formatters::byteCount(std::numeric_limits<qint64>::max(), en).endsWith(QLatin1String(" EB")));
    EXPECT_TRUE(Formatters::byteCount(std::numeric_limits<qint64>::min(), en).startsWith(QLatin1Char('-')));
}

TEST(Formatters, RelativeDatesUseWordsWhereTheLanguageHasThem)
{
    const struct {
        qint64 secondsAgo; // negative: in the future
        const char *czech, *english;
    } rows[] = {{0, "teď", "now"},
                {30, "před 30 sekundami", "30 seconds ago"},
                {60, "před 1 minutou", "1 minute ago"},
                {5 * 60, "před 5 minutami", "5 minutes ago"},
                {3600, "před 1 hodinou", "1 hour ago"},
                {3 * 3600, "před 3 hodinami", "3 hours ago"},
                {86400, "včera", "yesterday"},
                {2 * 86400, "předevčírem", "2 days ago"},
                {5 * 86400, "před 5 dny", "5 days ago"},
                {7 * 86400, "minulý týden", "last week"},
                {21 * 86400, "před 3 týdny", "3 weeks ago"},
                {40 * 86400, "minulý měsíc", "last month"},
                {200 * 86400, "před 6 měsíci", "6 months ago"},
                {400 * 86400, "minulý rok", "last year"},
                {3 * 365 * 86400, "před 3 lety", "3 years ago"},
                {-5 * 60, "za 5 minut", "in 5 minutes"},
                {-2 * 3600, "za 2 hodiny", "in 2 hours"},
                {-86400, "zítra", "tomorrow"},
                {-10 * 86400, "příští týden", "next week"}};
    const QDateTime now(QDate(2026, 6, 15), QTime(14, 0));
    for (const auto& row : rows) {
        const QDateTime date = now.addSecs(-row.secondsAgo);
        EXPECT_EQ(Formatters::relativeDate(date, now, QLocale(QLocale::Czech, QLocale::Czechia)), QString::fromUtf8(row.czech));
        EXPECT_EQ(Formatters::relativeDate(date, now, QLocale(QLocale::English, QLocale::UnitedStates)), QString::fromUtf8(row.english));
    }
    EXPECT_TRUE(Formatters::relativeDate(QDateTime(), QDateTime::currentDateTime()).isEmpty());
}

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

} // namespace
