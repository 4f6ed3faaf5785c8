#pragma once
// Every key under which the application keeps something in the settings, in one place. The keys
// are stored verbatim in the user's settings file: renaming one loses what was stored under it.
namespace kelvaro::SettingsKey {

// ---- What the image engine follows (read once per run into EngineSettings) ----
inline constexpr const char* jpegQuality = "kelvaro.jpegQuality";     // number 0–1
inline constexpr const char* heicQuality = "kelvaro.heicQuality";     // number 0–1
inline constexpr const char* describeNames = "kelvaro.describeNames"; // bool
inline constexpr const char* faceStyle = "kelvaro.faceStyle";         // "blur", "pixelate", "solid"

// ---- Results and runs ----
inline constexpr const char* outputFolderBookmark = "kelvaro.outputFolder.bookmark"; // data
inline constexpr const char* autoReveal = "kelvaro.autoReveal";                      // bool
inline constexpr const char* clipboardMode = "kelvaro.clipboardMode";                // "files", "paths", "names"

// ---- Stored documents ----
inline constexpr const char* library = "kelvaro.library.v1";     // history and shelves
inline constexpr const char* presets = "kelvaro.presets.v1";
inline constexpr const char* workflows = "kelvaro.workflows.v1";
inline constexpr const char* watchRules = "kelvaro.watch.rules.v1";
inline constexpr const char* watchSeen = "kelvaro.watch.seen.v1";
inline constexpr const char* watchInHand = "kelvaro.watch.inHand.v1"; // watched files being made, with their starts
inline constexpr const char* watchNotify = "kelvaro.watch.notify"; // bool

// ---- Language and windows ----
inline constexpr const char* language = "kelvaro.language";     // "system", "cs", "en"
inline constexpr const char* systemLanguages = "AppleLanguages"; // the desktop-level language list
inline constexpr const char* onboarded = "kelvaro.onboarded";   // bool
inline constexpr const char* studioEnabled = "kelvaro.studio.enabled";
inline constexpr const char* studioSavedLanguage = "kelvaro.studio.savedLanguage"; // the user's, while switched
inline constexpr const char* studioSize = "kelvaro.studio.size";                     // "large", "small"
inline constexpr const char* settingsTab = "kelvaro.settingsTab"; // the settings window's last tab

// ---- Update checks ----
inline constexpr const char* updatesAutoCheck = "updates.autoCheck";
inline constexpr const char* updatesLastCheck = "updates.lastCheck"; // seconds since 2001-01-01 UTC
inline constexpr const char* updatesAnnouncedVersion = "updates.announcedVersion";

} // namespace kelvaro::SettingsKey
