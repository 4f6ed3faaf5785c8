#pragma once
// The limits every part agrees on: what the engine refuses and what its errors name.
#include <QtGlobal>

namespace kelvaro {

// Largest pixel count (width × height) the engine accepts for a source, canvas or target.
inline constexpr qint64 kMaxPixels = qint64(1) << 28;

} // namespace kelvaro
