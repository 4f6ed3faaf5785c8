#include "update/ReleaseFeed.h"

#include <QJsonDocument>
#include <QRegularExpression>
#include <QStringList>

#include "platform/Json.h"

namespace kelvaro {
namespace {

// A version part: an optional sign and decimal digits within 64 bits; anything else is 0.
qint64 versionPart(const QString& part)
{
    static const QRegularExpression integer(QStringLiteral("^[+-]?[0-9]+$"));
    if (!integer.match(part).hasMatch())
        return 0;
    bool ok = false;
    const qint64 value = part.toLongLong(&ok);
    return ok ? value : 0;
}

} // namespace

std::optional<Release> Release::decode(const QByteArray& bytes)
{
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    json::Reader reader(document.object());
    Release release;
    release.version = reader.string(QStringLiteral("version"));
    release.url = reader.string(QStringLiteral("url"));
    release.notesCs = reader.optString(QStringLiteral("notes_cs"));
    release.notesEn = reader.optString(QStringLiteral("notes_en"));
    if (!reader.ok())
        return std::nullopt;
    return release;
}

namespace ReleaseFeed {

QUrl feedFrom(const QString& text)
{
    if (text.trimmed().isEmpty())
        return {};
    const QUrl url(text.trimmed(), QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || (scheme != QLatin1String("http") && scheme != QLatin1String("https")) || url.host().isEmpty())
        return {};
    return url;
}

bool isOpenableDownload(const QString& text)
{
    const QUrl url(text, QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    return url.isValid() && (scheme == QLatin1String("http") || scheme == QLatin1String("https")) && !url.host().isEmpty();
}

bool isNewer(const QString& candidate, const QString& current)
{
    const QStringList a = candidate.split(QLatin1Char('.'), Qt::SkipEmptyParts);
    const QStringList b = current.split(QLatin1Char('.'), Qt::SkipEmptyParts);
    const qsizetype count = qMax(a.size(), b.size());
    for (qsizetype i = 0; i < count; ++i) {
        const qint64 x = i < a.size() ? versionPart(a[i]) : 0;
        const qint64 y = i < b.size() ? versionPart(b[i]) : 0;
        if (x != y)
            return x > y;
    }
    return false;
}

} // namespace ReleaseFeed
} // namespace kelvaro
