#pragma once
// Texts for byte counts and relative dates in Czech and English. Qt's own byte formatter uses
// binary units and no spelled-out zero, and Qt has no relative-date formatter, so both are
// ours. The forms without a locale speak the interface's language (L10n::locale of the chosen
// language), never the process's default locale, which follows the desktop. Any thread.
#include <QDateTime>
#include <QLocale>
#include <QString>

namespace kelvaro::Formatters {

// A file size in decimal units: "Zero KB" / "Nula kB" for 0, bytes spelled out below 1 kB
// ("1 byte", "3 bajty"), whole kB, then MB with one decimal and GB and above with two
// (trailing zeros dropped), in `locale`'s language (Czech, else English) and number format.
QString byteCount(qint64 bytes, const QLocale& locale);
QString byteCount(qint64 bytes);

// How long ago (or ahead) `date` is from `now`, with a word where the language has one:
// "now", "5 minutes ago", "yesterday", "last week", "in 2 days" / "teď", "před 5 minutami",
// "včera", "minulý týden", "za 2 dny". The largest whole unit is used.
QString relativeDate(const QDateTime& date, const QDateTime& now, const QLocale& locale);
QString relativeDate(const QDateTime& date, const QDateTime& now);

} // namespace kelvaro::Formatters
