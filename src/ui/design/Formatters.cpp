#include "ui/design/Formatters.h"

#include <cmath>
#include <cstdlib>

#include "l10n/Localization.h"

namespace kelvaro::Formatters {
namespace {

bool isCzech(const QLocale& locale)
{
    return locale.language() == QLocale::Czech;
}

// Czech plural class of a count: 1, 2–4, or everything else.
enum class CzechForm { one, few, many };
CzechForm czechForm(qint64 n)
{
    if (n == 1)
        return CzechForm::one;
    if (n >= 2 && n <= 4)
        return CzechForm::few;
    return CzechForm::many;
}

QString decimal(double value, int decimals, const QLocale& locale)
{
    QString text = locale.toString(value, 'f', decimals);
    if (decimals > 0) {
        const QString point = locale.decimalPoint();
        while (text.endsWith(QLatin1Char('0')))
            text.chop(1);
        if (text.endsWith(point))
            text.chop(point.size());
    }
    return text;
}

enum class Unit { second, minute, hour, day, week, month, year };

struct Words {
    const char* past[3];   // one, few, many ("před %1 …")
    const char* future[3]; // ("za %1 …")
};

QString czech(Unit unit, qint64 n, bool past)
{
    // Instrumental after "před", accusative after "za".
    static const Words words[] = {
        {{"před %1 sekundou", "před %1 sekundami", "před %1 sekundami"}, {"za %1 sekundu", "za %1 sekundy", "za %1 sekund"}},
        {{"před %1 minutou", "před %1 minutami", "před %1 minutami"}, {"za %1 minutu", "za %1 minuty", "za %1 minut"}},
        {{"před %1 hodinou", "před %1 hodinami", "před %1 hodinami"}, {"za %1 hodinu", "za %1 hodiny", "za %1 hodin"}},
        {{"před %1 dnem", "před %1 dny", "před %1 dny"}, {"za %1 den", "za %1 dny", "za %1 dní"}},
        {{"před %1 týdnem", "před %1 týdny", "před %1 týdny"}, {"za %1 týden", "za %1 týdny", "za %1 týdnů"}},
        {{"před %1 měsícem", "před %1 měsíci", "před %1 měsíci"}, {"za %1 měsíc", "za %1 měsíce", "za %1 měsíců"}},
        {{"před %1 rokem", "před %1 lety", "před %1 lety"}, {"za %1 rok", "za %1 roky", "za %1 let"}},
    };
    const Words& w = words[int(unit)];
    const int form = int(czechForm(n));
    return QString::fromUtf8(past ? w.past[form] : w.future[form]);
}

QString english(Unit unit, qint64 n, bool past)
{
    static const char* const singular[] = {"second", "minute", "hour", "day", "week", "month", "year"};
    QString noun = QString::fromLatin1(singular[int(unit)]);
    if (n != 1)
        noun += QLatin1Char('s');
    return past ? QStringLiteral("%1 ") + noun + QStringLiteral(" ago") : QStringLiteral("in %1 ") + noun;
}

// Named forms for one unit back or ahead; empty when the language has none.
QString named(Unit unit, qint64 n, bool past, bool cz)
{
    if (n == 1) {
        switch (unit) {
        case Unit::day: return cz ? (past ? QStringLiteral("včera") : QStringLiteral("zítra")) : (past ? QStringLiteral("yesterday") : QStringLiteral("tomorrow"));
        case Unit::week: return cz ? (past ? QStringLiteral("minulý týden") : QStringLiteral("příští týden")) : (past ? QStringLiteral("last week") : QStringLiteral("next week"));
        case Unit::month: return cz ? (past ? QStringLiteral("minulý měsíc") : QStringLiteral("příští měsíc")) : (past ? QStringLiteral("last month") : QStringLiteral("next month"));
        case Unit::year: return cz ? (past ? QStringLiteral("minulý rok") : QStringLiteral("příští rok")) : (past ? QStringLiteral("last year") : QStringLiteral("next year"));
        default: break;
        }
    }
    if (n == 2 && unit == Unit::day && cz)
        return past ? QStringLiteral("předevčírem") : QStringLiteral("pozítří");
    return {};
}

} // namespace

QString byteCount(qint64 bytes, const QLocale& locale)
{
    const bool cz = isCzech(locale);
    if (bytes == 0)
        return cz ? QStringLiteral("Nula kB") : QStringLiteral("Zero KB");
    const QString sign = bytes < 0 ? QStringLiteral("-") : QString();
    // The magnitude as a double: the smallest 64-bit integer has no positive counterpart.
    const double magnitude = bytes < 0 ? -double(bytes) : double(bytes);
    if (magnitude < 1000) {
        const qint64 n = qint64(magnitude);
        const QString number = locale.toString(n);
        if (cz) {
            switch (czechForm(n)) {
            case CzechForm::one: return sign + number + QStringLiteral(" bajt");
            case CzechForm::few: return sign + number + QStringLiteral(" bajty");
            case CzechForm::many: return sign + number + QStringLiteral(" bajtů");
            }
        }
        return sign + number + (n == 1 ? QStringLiteral(" byte") : QStringLiteral(" bytes"));
    }
    struct UnitInfo {
        const char* en;
        const char* cs;
        int decimals;
    };
    static const UnitInfo units[] = {{"KB", "kB", 0}, {"MB", "MB", 1}, {"GB", "GB", 2}, {"TB", "TB", 2}, {"PB", "PB", 2}, {"EB", "EB", 2}};
    int index = 0;
    double value = magnitude / 1000.0;
    const int last = int(std::size(units)) - 1;
    // Move up while the value, rounded as it will be shown, reaches 1000.
    for (;;) {
        const double scale = std::pow(10.0, units[index].decimals);
        const double rounded = std::round(value * scale) / scale;
        if (rounded < 1000 || index == last) {
            value = rounded;
            break;
        }
        value /= 1000.0;
        ++index;
    }
    return sign + decimal(value, units[index].decimals, locale) + QLatin1Char(' ')
        + QString::fromLatin1(cz ? units[index].cs : units[index].en);
}

QString relativeDate(const QDateTime& date, const QDateTime& now, const QLocale& locale)
{
    const bool cz = isCzech(locale);
    if (!date.isValid() || !now.isValid())
        return {};
    const qint64 seconds = date.secsTo(now); // positive: in the past
    const bool past = seconds >= 0;
    const qint64 s = std::llabs(seconds);
    if (s < 1)
        return cz ? QStringLiteral("teď") : QStringLiteral("now");
    Unit unit = Unit::second;
    qint64 n = s;
    if (s >= 365 * 86400) {
        unit = Unit::year;
        n = s / (365 * 86400);
    } else if (s >= 30 * 86400) {
        unit = Unit::month;
        n = s / (30 * 86400);
    } else if (s >= 7 * 86400) {
        unit = Unit::week;
        n = s / (7 * 86400);
    } else if (s >= 86400) {
        unit = Unit::day;
        n = s / 86400;
    } else if (s >= 3600) {
        unit = Unit::hour;
        n = s / 3600;
    } else if (s >= 60) {
        unit = Unit::minute;
        n = s / 60;
    }
    const QString word = named(unit, n, past, cz);
    if (!word.isEmpty())
        return word;
    return (cz ? czech(unit, n, past) : english(unit, n, past)).arg(locale.toString(n));
}

QString byteCount(qint64 bytes)
{
    return byteCount(bytes, L10n::locale(L10n::current()));
}

QString relativeDate(const QDateTime& date, const QDateTime& now)
{
    return relativeDate(date, now, L10n::locale(L10n::current()));
}

} // namespace kelvaro::Formatters
