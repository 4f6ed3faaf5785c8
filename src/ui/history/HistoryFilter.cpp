#include "ui/history/HistoryFilter.h"

#include <algorithm>

#include "l10n/Localization.h"
#include "ui/design/Formatters.h"

namespace kelvaro {
namespace {

const QString kAutomaticPrefix = QStringLiteral("Automaticky");

QDate localDay(const QDateTime& date)
{
    return date.toLocalTime().date();
}

} // namespace

const QList<HistoryScope>& allHistoryScopes()
{
    static const QList<HistoryScope> scopes{HistoryScope::all, HistoryScope::manual, HistoryScope::automatic};
    return scopes;
}

QString rawValue(HistoryScope scope)
{
    switch (scope) {
    case HistoryScope::all: return QStringLiteral("Vše");
    case HistoryScope::manual: return QStringLiteral("Ruční");
    case HistoryScope::automatic: return QStringLiteral("Automaticky");
    }
    return {};
}

QString title(HistoryScope scope)
{
    switch (scope) {
    case HistoryScope::all: return L("Vše");
    case HistoryScope::manual: return L("Ruční");
    case HistoryScope::automatic: return L("Automaticky");
    }
    return {};
}

bool isAutomatic(const ActivityItem& item)
{
    return item.actionTitle.startsWith(kAutomaticPrefix);
}

bool inScope(const ActivityItem& item, HistoryScope scope)
{
    switch (scope) {
    case HistoryScope::all: return true;
    case HistoryScope::manual: return !isAutomatic(item);
    case HistoryScope::automatic: return isAutomatic(item);
    }
    return true;
}

QList<ActivityItem> filterHistory(const QList<ActivityItem>& activities, HistoryScope scope, const QString& query)
{
    QList<ActivityItem> sorted = activities;
    std::stable_sort(sorted.begin(), sorted.end(), [](const ActivityItem& a, const ActivityItem& b) { return a.date > b.date; });
    QList<ActivityItem> kept;
    kept.reserve(sorted.size());
    for (const ActivityItem& item : std::as_const(sorted)) {
        if (!inScope(item, scope))
            continue;
        if (!query.isEmpty() && !item.fileName.contains(query, Qt::CaseInsensitive)
            && !LParts(item.actionTitle).contains(query, Qt::CaseInsensitive))
            continue;
        kept.append(item);
    }
    return kept;
}

QList<HistoryDay> groupByDay(const QList<ActivityItem>& sorted)
{
    QList<HistoryDay> days;
    for (const ActivityItem& item : sorted) {
        const QDate day = localDay(item.date);
        auto found = std::find_if(days.begin(), days.end(), [&](const HistoryDay& d) { return d.day == day; });
        if (found == days.end())
            days.append({day, {item}});
        else
            found->items.append(item);
    }
    // Dates are sorted already; this only guards a clock that put an entry out of order.
    std::stable_sort(days.begin(), days.end(), [](const HistoryDay& a, const HistoryDay& b) { return a.day > b.day; });
    return days;
}

QString dayTitle(const QDate& day, const QLocale& locale)
{
    // Qt has no skeleton for "weekday, day, month" without the year; the two languages spell it.
    const bool czech = locale.language() == QLocale::Czech;
    return locale.toString(day, czech ? QStringLiteral("dddd d. MMMM") : QStringLiteral("dddd, MMMM d"));
}

QString timeText(const QDateTime& date, const QLocale& locale)
{
    return locale.toString(date.toLocalTime().time(), QLocale::ShortFormat);
}

std::optional<QString> savedText(qint64 savedBytes, const QLocale& locale)
{
    if (savedBytes < 1)
        return std::nullopt;
    return QStringLiteral("\u2212") + Formatters::byteCount(savedBytes, locale);
}

QList<QPair<QString, QString>> historySummary(const QList<ActivityItem>& activities, const QDate& today,
                                              const QLocale& locale)
{
    const auto todays = std::count_if(activities.begin(), activities.end(),
                                      [&](const ActivityItem& item) { return localDay(item.date) == today; });
    // Counts are plain digits ("1500"), as the home screen writes them.
    return {
        {QString::number(activities.size()), L("akcí celkem")},
        {QString::number(todays), L("dnes")},
        {Formatters::byteCount(totalSavedBytes(activities), locale), L("ušetřeno")},
    };
}

} // namespace kelvaro
