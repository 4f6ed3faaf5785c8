#pragma once
// Puts back the language the screenshot studio switched away from. The studio keeps the user's
// own "kelvaro.language" under "kelvaro.studio.savedLanguage" while it shows the application in
// another language; restore() is called when the studio stops, when the application quits, and
// once at launch, so a crash in demo mode never leaves the user in the studio's language.
// Main thread (it writes settings).
namespace kelvaro::StudioLanguageGuard {

// Writes the saved language back and forgets it; nothing saved, nothing happens.
void restore();

} // namespace kelvaro::StudioLanguageGuard
