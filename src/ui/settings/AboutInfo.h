#pragma once
// What the about page says of this build: the version and build number and the web addresses of
// the application's page and its support page, in Czech and in English. All are build settings
// (CMake: the project version, KELVARO_BUILD_NUMBER, KELVARO_SITE_URL_CS/_EN,
// KELVARO_SUPPORT_URL_CS/_EN); an address left empty hides its button. Plain value; any thread.
#include <QString>
#include <QUrl>

namespace kelvaro::settings {

struct AboutInfo {
    QString version; // dotted, "1.0.0"
    QString build;   // "1"
    QUrl siteCs;
    QUrl siteEn;
    QUrl supportCs;
    QUrl supportEn;

    // The values this program was built with; addresses that are not http(s) count as empty.
    static AboutInfo fromBuild();

    // "1.0.0 (1)"; a missing version reads "1.0", a missing build number "1".
    QString versionText() const;
    // The page for the interface language: the English one when its code is "en", the Czech one
    // otherwise; the other language's page when that one is not set; invalid when neither is.
    static QUrl page(const QUrl& cs, const QUrl& en);
};

} // namespace kelvaro::settings
