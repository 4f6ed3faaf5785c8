#include "engine/EngineSettings.h"

#include <cmath>

#include "l10n/Localization.h"
#include "platform/Settings.h"
#include "platform/SettingsKeys.h"

namespace kelvaro {
namespace {

std::optional<double> positive(const Settings& settings, const char* key)
{
    const std::optional<double> value = settings.numberValue(QString::fromLatin1(key));
    if (value && std::isfinite(*value) && *value > 0)
        return value;
    return std::nullopt;
}

} // namespace

QString rawValue(FaceStyle style)
{
    switch (style) {
    case FaceStyle::pixelate:
        return QStringLiteral("pixelate");
    case FaceStyle::solid:
        return QStringLiteral("solid");
    case FaceStyle::blur:
        break;
    }
    return QStringLiteral("blur");
}

std::optional<FaceStyle> faceStyleFromRaw(const QString& raw)
{
    for (FaceStyle style : allFaceStyles())
        if (rawValue(style) == raw)
            return style;
    return std::nullopt;
}

const QList<FaceStyle>& allFaceStyles()
{
    static const QList<FaceStyle> all{FaceStyle::blur, FaceStyle::pixelate, FaceStyle::solid};
    return all;
}

QString title(FaceStyle style, AppLanguage language)
{
    switch (style) {
    case FaceStyle::pixelate:
        return L(language, "Pixelizace");
    case FaceStyle::solid:
        return L(language, "Zakrytí");
    case FaceStyle::blur:
        break;
    }
    return L(language, "Měkké rozmazání");
}

EngineSettings EngineSettings::read(const Settings& settings)
{
    EngineSettings read;
    read.jpegQuality = positive(settings, SettingsKey::jpegQuality).value_or(read.jpegQuality);
    read.heicQuality = positive(settings, SettingsKey::heicQuality).value_or(read.heicQuality);
    read.describeNames = settings.boolValue(QString::fromLatin1(SettingsKey::describeNames)).value_or(read.describeNames);
    if (const auto style = settings.stringValue(QString::fromLatin1(SettingsKey::faceStyle)))
        read.faceStyle = faceStyleFromRaw(*style).value_or(read.faceStyle);
    const auto language = settings.stringValue(QString::fromLatin1(SettingsKey::language));
    read.language = L10n::resolved(appLanguageFromRaw(language.value_or(QString())).value_or(AppLanguage::system));
    return read;
}

} // namespace kelvaro
