#include "ui/settings/AboutInfo.h"

#include "l10n/Localization.h"
#include "update/ReleaseFeed.h"

// Set for this file alone by CMake, so that changing an address rebuilds only it.
#ifndef KELVARO_BUILD_NUMBER
#define KELVARO_BUILD_NUMBER ""
#endif
#ifndef KELVARO_SITE_URL_CS
#define KELVARO_SITE_URL_CS ""
#endif
#ifndef KELVARO_SITE_URL_EN
#define KELVARO_SITE_URL_EN ""
#endif
#ifndef KELVARO_SUPPORT_URL_CS
#define KELVARO_SUPPORT_URL_CS ""
#endif
#ifndef KELVARO_SUPPORT_URL_EN
#define KELVARO_SUPPORT_URL_EN ""
#endif

namespace kelvaro::settings {
namespace {

QUrl webAddress(const char* text)
{
    const QString address = QString::fromUtf8(text).trimmed();
    return ReleaseFeed::isOpenableDownload(address) ? QUrl(address, QUrl::StrictMode) : QUrl();
}

} // namespace

AboutInfo AboutInfo::fromBuild()
{
    AboutInfo info;
    info.version = QStringLiteral(KELVARO_VERSION);
    info.build = QStringLiteral(KELVARO_BUILD_NUMBER);
    info.siteCs = webAddress(KELVARO_SITE_URL_CS);
    info.siteEn = webAddress(KELVARO_SITE_URL_EN);
    info.supportCs = webAddress(KELVARO_SUPPORT_URL_CS);
    info.supportEn = webAddress(KELVARO_SUPPORT_URL_EN);
    return info;
}

QString AboutInfo::versionText() const
{
    const QString shown = version.trimmed().isEmpty() ? QStringLiteral("1.0") : version.trimmed();
    const QString number = build.trimmed().isEmpty() ? QStringLiteral("1") : build.trimmed();
    return shown + QStringLiteral(" (") + number + QLatin1Char(')');
}

QUrl AboutInfo::page(const QUrl& cs, const QUrl& en)
{
    const bool english = languageCode(L10n::current()) == QLatin1String("en");
    const QUrl& preferred = english ? en : cs;
    return preferred.isValid() && !preferred.isEmpty() ? preferred : (english ? cs : en);
}

} // namespace kelvaro::settings
