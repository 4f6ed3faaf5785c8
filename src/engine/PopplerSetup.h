#pragma once
// poppler's core keeps its process-wide settings (fonts, where its messages go) in one global
// object that every document reads while it is parsed and drawn. Anyone in the process may make
// and free it through a shared count (libvips' own PDF decoder does, for each document it opens,
// even when that decoder is blocked), and the object is freed when the count falls to zero. It is
// counted here once, on first use from any thread, and that count is never given back: once made,
// the object lives until the process ends, so a document in one thread never finds it replaced or
// gone. Whatever opens a PDF calls this first.

namespace kelvaro {

// Idempotent, thread-safe. Also silences poppler's running commentary on damaged files, which
// are reported as unreadable instead.
void setUpPoppler();

} // namespace kelvaro
