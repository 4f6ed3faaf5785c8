#include "l10n/Localization.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QMetaObject>
#include <QMutex>
#include <QPointer>
#include <QProcess>
#include <QTranslator>

#include "platform/Settings.h"
#include "platform/SettingsKeys.h"

namespace kelvaro {
namespace {

QMutex systemLanguagesMutex;
std::optional<QStringList>& systemLanguagesOverride()
{
    static std::optional<QStringList> value;
    return value;
}

const QTranslator* englishTranslator()
{
    static QTranslator* translator = [] {
        auto* t = new QTranslator();
        if (!t->load(QStringLiteral(":/i18n/kelvaro_en.qm")))
            qWarning("Kelvaro: the English text table is missing");
        return t;
    }();
    return translator;
}

const char* const kContext = "Kelvaro";

} // namespace

QString rawValue(AppLanguage language)
{
    switch (language) {
    case AppLanguage::czech:
        return QStringLiteral("cs");
    case AppLanguage::english:
        return QStringLiteral("en");
    case AppLanguage::system:
        break;
    }
    return QStringLiteral("system");
}

std::optional<AppLanguage> appLanguageFromRaw(const QString& raw)
{
    for (AppLanguage l : allAppLanguages())
        if (rawValue(l) == raw)
            return l;
    return std::nullopt;
}

const QList<AppLanguage>& allAppLanguages()
{
    static const QList<AppLanguage> all{AppLanguage::system, AppLanguage::czech, AppLanguage::english};
    return all;
}

const QStringList& supportedLanguageCodes()
{
    static const QStringList codes{QStringLiteral("cs"), QStringLiteral("en")};
    return codes;
}

QString languageCode(AppLanguage language)
{
    switch (language) {
    case AppLanguage::czech:
        return QStringLiteral("cs");
    case AppLanguage::english:
        return QStringLiteral("en");
    case AppLanguage::system:
        break;
    }
    const QStringList preferred = L10n::systemLanguages();
    const QString first = preferred.isEmpty() ? QStringLiteral("en") : preferred.first();
    const QString code = first.left(2).toLower();
    return supportedLanguageCodes().contains(code) ? code : QStringLiteral("en");
}

namespace L10n {

QStringList systemLanguages()
{
    {
        QMutexLocker lock(&systemLanguagesMutex);
        if (systemLanguagesOverride())
            return *systemLanguagesOverride();
    }
    return QLocale::system().uiLanguages();
}

void setSystemLanguagesForTesting(const std::optional<QStringList>& languages)
{
    QMutexLocker lock(&systemLanguagesMutex);
    systemLanguagesOverride() = languages;
}

AppLanguage current()
{
    const auto stored = Settings::shared().stringValue(QString::fromLatin1(SettingsKey::language));
    if (!stored)
        return AppLanguage::system;
    return appLanguageFromRaw(*stored).value_or(AppLanguage::system);
}

AppLanguage resolved(AppLanguage language)
{
    return languageCode(language) == QStringLiteral("en") ? AppLanguage::english : AppLanguage::czech;
}

QLocale locale(AppLanguage language)
{
    QString region = QLocale::territoryToCode(QLocale::system().territory());
    if (region.isEmpty() || QLocale::system().territory() == QLocale::AnyTerritory)
        region = QStringLiteral("CZ");
    return QLocale(languageCode(language) + QLatin1Char('_') + region);
}

void apply(AppLanguage language)
{
    if (language == AppLanguage::system)
        Settings::shared().remove(QString::fromLatin1(systemLanguageKey));
    else
        Settings::shared().setValue(QString::fromLatin1(systemLanguageKey), QStringList{languageCode(language)});
}

void installAtStartup()
{
    // The language chosen in Kelvaro wins over the desktop's, also for what Qt itself shows.
    const QString code = languageCode(current());
    QLocale::setDefault(locale(code == QStringLiteral("cs") ? AppLanguage::czech : AppLanguage::english));
    installQtTranslations(code);
}

bool installQtTranslations(const QString& code)
{
    static QPointer<QTranslator> installed;
    auto* app = QCoreApplication::instance();
    if (!app)
        return false;
    if (installed) {
        QCoreApplication::removeTranslator(installed);
        delete installed;
    }
    auto* translator = new QTranslator(app);
    if (!translator->load(QStringLiteral("qtbase_") + code, QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return false;
    }
    QCoreApplication::installTranslator(translator);
    installed = translator;
    return true;
}

bool relaunch(const QString& program)
{
    auto* app = QCoreApplication::instance();
    if (!app)
        return false;
    const QString executable = program.isEmpty() ? QCoreApplication::applicationFilePath() : program;
    // Quitting after a failed start would leave the user with no application at all.
    if (executable.isEmpty() || !QProcess::startDetached(executable, {}))
        return false;
    QMetaObject::invokeMethod(app, &QCoreApplication::quit, Qt::QueuedConnection);
    return true;
}

bool hasEnglishTranslation(const QString& czech)
{
    return !englishTranslator()->translate(kContext, czech.toUtf8().constData()).isEmpty();
}

} // namespace L10n

QString L(AppLanguage language, const QString& czech)
{
    if (languageCode(language) != QStringLiteral("en"))
        return czech;
    const QString translated = englishTranslator()->translate(kContext, czech.toUtf8().constData());
    return translated.isEmpty() ? czech : translated;
}

QString L(AppLanguage language, const char* czech)
{
    return L(language, QString::fromUtf8(czech));
}

QString L(const QString& czech, const char* disambiguation)
{
    if (languageCode(L10n::current()) != QStringLiteral("en"))
        return czech;
    const QString translated = englishTranslator()->translate(kContext, czech.toUtf8().constData(), disambiguation);
    return translated.isEmpty() ? L(AppLanguage::english, czech) : translated;
}

QString L(const char* czech, const char* disambiguation)
{
    return L(QString::fromUtf8(czech), disambiguation);
}

QString L(const QString& czech)
{
    return L(L10n::current(), czech);
}

QString L(const char* czech)
{
    return L(QString::fromUtf8(czech));
}

namespace {

// The stored titles that need an English of their own mark themselves so (LKey with it).
const char* const kHistoryTitle = "history title";

// The stored titles that carry a name after a fixed text (KelvaroOp::storedTitle).
const char* const kNamedTitles[] = {LKey("Předvolba %@"), LKey("Postup %@"), LKey("Převod na %@"), LKey("Ořez %@")};

QString translatedPart(const QString& part)
{
    const QString direct = L(part, kHistoryTitle);
    if (direct != part)
        return direct;
    for (const char* format : kNamedTitles) {
        const QString prefix = QString::fromUtf8(format).chopped(2);
        if (part.size() > prefix.size() && part.startsWith(prefix))
            return formatText(L(format), {L(part.mid(prefix.size()))});
    }
    return part;
}

} // namespace

QString LParts(const QString& title)
{
    static const QString separator = QStringLiteral(" \u00B7 ");
    QStringList parts = title.split(separator);
    for (QString& part : parts)
        part = translatedPart(part);
    return parts.join(separator);
}

PluralForm pluralForm(qint64 count)
{
    if (count == 1)
        return PluralForm::one;
    if (count >= 2 && count <= 4)
        return PluralForm::few;
    return PluralForm::many;
}

QString Lp(AppLanguage language, qint64 count, const char* one, const char* few, const char* many)
{
    switch (pluralForm(count)) {
    case PluralForm::one: return Lf(language, one, count);
    case PluralForm::few: return Lf(language, few, count);
    case PluralForm::many: break;
    }
    return Lf(language, many, count);
}

QString Lp(qint64 count, const char* one, const char* few, const char* many)
{
    return Lp(L10n::current(), count, one, few, many);
}

QString photosWord(qint64 count)
{
    return Lp(count, "1 fotka", "%lld fotky", "%lld fotek");
}

} // namespace kelvaro
