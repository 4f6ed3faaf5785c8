#include "studio/StudioLanguageGuard.h"

#include "platform/Settings.h"
#include "studio/StudioKeys.h"

namespace kelvaro::StudioLanguageGuard {

void restore()
{
    Settings& settings = Settings::shared();
    const std::optional<QString> saved = settings.stringValue(QString::fromLatin1(StudioKeys::savedLanguage));
    if (!saved)
        return;
    settings.setValue(QString::fromLatin1(StudioKeys::language), *saved);
    settings.remove(QString::fromLatin1(StudioKeys::savedLanguage));
}

} // namespace kelvaro::StudioLanguageGuard
