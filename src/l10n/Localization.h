#pragma once
// Texts are written in Czech where they are used; the Czech text is its own lookup key in the
// English table (translations/kelvaro_en.ts, compiled in). No state but the settings: every
// lookup without a language reads "kelvaro.language" again, so a switch applies to the next
// lookup. Work that must not follow a switch half-way (a run of the engine) reads the language
// once and looks its texts up in it. Safe from any thread.
#include <optional>
#include <variant>

#include <QList>
#include <QLocale>
#include <QString>
#include <QStringList>

#include "platform/SettingsKeys.h"

namespace kelvaro {

enum class AppLanguage { system, czech, english };

QString rawValue(AppLanguage language);                            // "system", "cs", "en"
std::optional<AppLanguage> appLanguageFromRaw(const QString& raw); // exact match only
QString languageCode(AppLanguage language);                        // "cs" or "en"
const QList<AppLanguage>& allAppLanguages();                       // system, czech, english
const QStringList& supportedLanguageCodes();                       // "cs", "en"

namespace L10n {
AppLanguage current();
// `language` as texts are looked up in it: czech or english, `system` being the desktop's.
AppLanguage resolved(AppLanguage language);
QLocale locale(AppLanguage language);
// Stores the language the desktop-provided parts (standard dialogs, number formats) take at the
// next start; `system` removes the setting.
void apply(AppLanguage language);
// Applies the chosen language ("kelvaro.language", else the desktop's) to Qt's default locale
// and to Qt's own texts; called once at start.
void installAtStartup();
// Loads Qt's own texts (standard buttons, file dialogs) in `code` ("cs", "en") from Qt's
// translations folder, in place of those loaded before. False when Qt has none for it.
bool installQtTranslations(const QString& code);
// Starts a new instance of `program` (this application's executable by default) and, only once
// it has really started, quits this one (queued on the main thread). False, and nothing quits,
// when the new process could not be started. Whoever holds the single-instance lock releases it
// first, or the new process would hand itself back to this one.
bool relaunch(const QString& program = {});
// The system's preferred languages (first wins); tests replace them.
QStringList systemLanguages();
void setSystemLanguagesForTesting(const std::optional<QStringList>& languages);
// True when `czech` appears in the English table (a test checks every text of the code).
bool hasEnglishTranslation(const QString& czech);
// Settings key that holds the desktop-level language list written by apply().
inline constexpr const char* systemLanguageKey = SettingsKey::systemLanguages;
} // namespace L10n

QString L(const char* czech);
QString L(const QString& czech);
// The same lookups in a given language instead of the current one.
QString L(AppLanguage language, const char* czech);
QString L(AppLanguage language, const QString& czech);
// For a place where one Czech text needs an English of its own (a history title, a pop-up item
// beside a menu item of the same Czech): the entry the table marks with `disambiguation`, else
// the plain one.
QString L(const char* czech, const char* disambiguation);
QString L(const QString& czech, const char* disambiguation);

// Marks a Czech text that is defined here and looked up later (a table's titles, a stored key),
// so that the check of the English table finds it. Gives the literal back unchanged.
constexpr const char* LKey(const char* czech) { return czech; }
// The same for a text looked up later with `disambiguation`.
constexpr const char* LKey(const char* czech, const char* /*disambiguation*/) { return czech; }

// One argument of Lf: integers, floating-point numbers and texts.
using LfArg = std::variant<qint64, double, QString>;
QString formatText(const QString& format, const QList<LfArg>& args);

inline LfArg toLfArg(const QString& v) { return v; }
inline LfArg toLfArg(const char* v) { return QString::fromUtf8(v); }
inline LfArg toLfArg(double v) { return v; }
inline LfArg toLfArg(float v) { return double(v); }
template <typename T>
    requires std::is_integral_v<T>
LfArg toLfArg(T v) { return qint64(v); }

// Looks the Czech format up with L and fills it printf-style (%@, %d, %ld, %lld, %03d, %.1f, %%,
// positional %1$@) in the current locale. Mismatched or missing arguments never crash.
template <typename... Args>
QString Lf(const char* czechFormat, Args&&... args)
{
    return formatText(L(czechFormat), QList<LfArg>{toLfArg(std::forward<Args>(args))...});
}
template <typename... Args>
QString Lf(const QString& czechFormat, Args&&... args)
{
    return formatText(L(czechFormat), QList<LfArg>{toLfArg(std::forward<Args>(args))...});
}
template <typename... Args>
QString Lf(AppLanguage language, const char* czechFormat, Args&&... args)
{
    return formatText(L(language, czechFormat), QList<LfArg>{toLfArg(std::forward<Args>(args))...});
}

// A stored title, translated part by part (parts joined by " · "), each as a "history title".
// A part that has no entry of its own but reads as one of the titles that carry a name ("Převod
// na JPG", "Předvolba X") is translated as that title with its name translated on its own;
// anything else (a title stored in another language) is shown as it is.
QString LParts(const QString& title);

// The form of a counted text: Czech has one for 1, one for 2–4 and one for everything else
// (0, 5 and more, negative); English needs only 1 and the rest, which the translations of the
// 2–4 and the other form both give.
enum class PluralForm { one, few, many };
PluralForm pluralForm(qint64 count);
// Looks up the form for `count` among the three Czech formats and fills it with the count
// ("1 soubor připraven", "%lld soubory připraveny", "%lld souborů připraveno").
QString Lp(qint64 count, const char* one, const char* few, const char* many);
QString Lp(AppLanguage language, qint64 count, const char* one, const char* few, const char* many);
// "1 fotka", "4 fotky", "22 fotek" in the current language.
QString photosWord(qint64 count);

} // namespace kelvaro
