#pragma once
// The settings the screenshot studio reads and writes.
namespace kelvaro::StudioKeys {

inline constexpr const char* language = "kelvaro.language";                 // "system", "cs", "en"
inline constexpr const char* savedLanguage = "kelvaro.studio.savedLanguage"; // the user's, while switched
inline constexpr const char* size = "kelvaro.studio.size";                   // "large", "small"

} // namespace kelvaro::StudioKeys
