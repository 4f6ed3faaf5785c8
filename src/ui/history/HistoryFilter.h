#pragma once
// What the history screen shows of the store's history: the scope filter (all, by hand, by a
// watched folder), the search, the day groups and the three summary figures. Pure functions of
// the entries, the language and the clock; any thread.
#include <optional>

#include <QDate>
#include <QList>
#include <QLocale>
#include <QPair>
#include <QString>

#include "model/Models.h"

namespace kelvaro {

enum class HistoryScope { all, manual, automatic };
const QList<HistoryScope>& allHistoryScopes(); // all, manual, automatic
// The Czech text that names the scope and is its lookup key: "Vše", "Ruční", "Automaticky".
QString rawValue(HistoryScope scope);
QString title(HistoryScope scope); // localized

// Whether a watched folder made the entry. The test is on the stored Czech title, whatever
// language is shown, so the scope never depends on a translation.
bool isAutomatic(const ActivityItem& item);
bool inScope(const ActivityItem& item, HistoryScope scope);

// Newest first (entries of the same moment keep their store order), then the scope, then the
// search: an empty query keeps everything, otherwise the file name or the shown title
// (LParts) must contain the query as typed, letter case ignored, diacritics significant.
QList<ActivityItem> filterHistory(const QList<ActivityItem>& activities, HistoryScope scope, const QString& query);

// Entries of one local calendar day, in the order given.
struct HistoryDay {
    QDate day;
    QList<ActivityItem> items;
};
// Groups entries already sorted newest first by their local day, newest day first.
QList<HistoryDay> groupByDay(const QList<ActivityItem>& sorted);

// A day header: weekday, day and month, no year ("pondělí 7. prosince", "Monday, December 7").
QString dayTitle(const QDate& day, const QLocale& locale);
// An entry's time of day: hour and minute in the locale's own form ("14:05", "2:05 PM").
QString timeText(const QDateTime& date, const QLocale& locale);

// The saving shown beside an entry: a minus sign (U+2212) and the byte count, only when the
// entry saved at least one byte.
std::optional<QString> savedText(qint64 savedBytes, const QLocale& locale);

// The three (value, label) figures over the whole history, whatever the filter: entries in all,
// entries of `today`, and the bytes saved (positive savings only, as the home screen counts).
QList<QPair<QString, QString>> historySummary(const QList<ActivityItem>& activities, const QDate& today,
                                              const QLocale& locale);

} // namespace kelvaro
