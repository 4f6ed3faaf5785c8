#pragma once
// One line per event, prefixed with the product name ("Kelvaro: failed to decode watch rules") unless
// its wording names the product already. Safe from any thread.
#include <QString>

namespace kelvaro {

void logLine(const QString& message);
// The line as given, for one whose wording already names the product.
void logLineAsIs(const QString& line);

// Tests read back what was logged; the last lines are kept in memory (bounded).
QStringList recentLogLines();
void clearRecentLogLines();

} // namespace kelvaro
