#pragma once
// Why a file could not be written, in the user's words: the reason a failed save names. Any thread.
#include <QString>

namespace kelvaro {

// The reason for a system error number (ENOSPC: "na disku není místo"), in the current language;
// an error without a text of ours in the system's own words.
QString saveFailureReason(int error);

} // namespace kelvaro
