#pragma once
// The settings the screenshot studio reads and writes (named in the one keys header).
#include "platform/SettingsKeys.h"

namespace kelvaro::StudioKeys {

inline constexpr const char* language = SettingsKey::language;
inline constexpr const char* savedLanguage = SettingsKey::studioSavedLanguage;
inline constexpr const char* size = SettingsKey::studioSize;

} // namespace kelvaro::StudioKeys
