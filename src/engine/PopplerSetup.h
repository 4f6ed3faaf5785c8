#pragma once
// poppler's core keeps its process-wide settings (fonts, where its messages go) in one global
// object that every document reads while it is parsed and drawn. It is made here once, on first
// use from any thread, and lives until the process ends, so a document in one thread never finds
// it replaced or gone. Whatever opens a PDF calls this first; nothing else may make or free
// poppler's settings (its Qt binding does both as its documents come and go, so it is not used).

namespace kelvaro {

// Idempotent, thread-safe. Also silences poppler's running commentary on damaged files, which
// are reported as unreadable instead.
void setUpPoppler();

} // namespace kelvaro
