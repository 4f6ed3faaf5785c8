#pragma once
// One line per event, prefixed with the product name ("Kelvaro: failed to decode watch rules").
// Safe from any thread.
#include <QString>

namespace kelvaro {

void logLine(const QString& message);

// Tests read back what was logged; the last lines are kept in memory (bounded).
QStringList recentLogLines();
void clearRecentLogLines();

} // namespace kelvaro
