#include "engine/PresetSpec.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "engine/Localization.h"
#include "platform/Json.h"

namespace kelvaro {
namespace {

const QString kSeparator = QStringLiteral(" \u00B7 ");

// quality × 100 truncated toward zero; a non-finite or huge stored value never overflows.
qint64 percentOf(double quality)
{
    const double p = std::trunc(quality * 100.0);
    if (std::isnan(p))
        return 0;
    constexpr double limit = 9.0e15;
    return qint64(std::clamp(p, -limit, limit));
}

PresetSpec builtIn(const char* name, int maxSide, double quality, bool strip)
{
    PresetSpec p;
    p.id = QUuid::createUuid();
    p.name = QString::fromUtf8(name);
    p.maxSide = maxSide;
    p.format = QStringLiteral("jpg");
    p.quality = quality;
    p.stripMetadata = strip;
    return p;
}

PresetSpec platform(const char* name, int width, int height)
{
    PresetSpec p = builtIn(name, std::max(width, height), 0.9, true);
    p.targetWidth = width;
    p.targetHeight = height;
    return p;
}

std::optional<int> intFrom(std::optional<qint64> value, json::Reader& reader)
{
    if (!value)
        return std::nullopt;
    if (*value < std::numeric_limits<int>::min() || *value > std::numeric_limits<int>::max()) {
        reader.fail();
        return std::nullopt;
    }
    return int(*value);
}

} // namespace

QString PresetSpec::summary() const
{
    QStringList parts;
    if (targetWidth && targetHeight)
        parts << QStringLiteral("%1\u00D7%2 px").arg(*targetWidth).arg(*targetHeight);
    else if (maxSide >= 1)
        parts << QStringLiteral("max %1 px").arg(maxSide);
    if (!format.isEmpty())
        parts << format.toUpper();
    parts << Lf("kvalita %ld %%", percentOf(quality));
    if (stripMetadata)
        parts << L("bez metadat");
    return parts.join(kSeparator);
}

QJsonObject PresetSpec::toJson() const
{
    json::Writer w;
    w.set(QStringLiteral("id"), id)
        .set(QStringLiteral("name"), name)
        .set(QStringLiteral("maxSide"), maxSide)
        .set(QStringLiteral("format"), format)
        .set(QStringLiteral("quality"), quality)
        .set(QStringLiteral("stripMetadata"), stripMetadata)
        .setOptional(QStringLiteral("targetWidth"), targetWidth)
        .setOptional(QStringLiteral("targetHeight"), targetHeight)
        .setOptional(QStringLiteral("cropOffsetX"), cropOffsetX)
        .setOptional(QStringLiteral("cropOffsetY"), cropOffsetY);
    return w.object();
}

std::optional<PresetSpec> PresetSpec::fromJson(const QJsonValue& value)
{
    json::Reader r(value);
    PresetSpec p;
    p.id = r.uuid(QStringLiteral("id"));
    p.name = r.string(QStringLiteral("name"));
    p.maxSide = intFrom(r.integer(QStringLiteral("maxSide")), r).value_or(0);
    p.format = r.string(QStringLiteral("format"));
    p.quality = r.number(QStringLiteral("quality"));
    p.stripMetadata = r.boolean(QStringLiteral("stripMetadata"));
    p.targetWidth = intFrom(r.optInteger(QStringLiteral("targetWidth")), r);
    p.targetHeight = intFrom(r.optInteger(QStringLiteral("targetHeight")), r);
    p.cropOffsetX = r.optNumber(QStringLiteral("cropOffsetX"));
    p.cropOffsetY = r.optNumber(QStringLiteral("cropOffsetY"));
    if (!r.ok())
        return std::nullopt;
    return p;
}

const QList<PresetSpec>& PresetSpec::defaults()
{
    // Built once: screens find rows again by id, so the ids must hold for the whole run.
    static const QList<PresetSpec> list{
        builtIn("Web", 1600, 0.8, true),
        builtIn("E-mail", 1200, 0.7, true),
        builtIn("Sociální sítě", 2048, 0.85, false),
    };
    return list;
}

const QList<PlatformPresets>& PlatformPresets::all()
{
    static const QList<PlatformPresets> groups{
        {QStringLiteral("instagram"), QStringLiteral("Instagram"), QStringLiteral("camera.fill"),
         {platform("Instagram příspěvek na výšku (4x5)", 1080, 1350),
          platform("Instagram čtverec (1x1)", 1080, 1080),
          platform("Instagram příspěvek na šířku", 1080, 566),
          platform("Instagram Story a Reel (9x16)", 1080, 1920),
          platform("Instagram profilovka", 320, 320)}},
        {QStringLiteral("youtube"), QStringLiteral("YouTube"), QStringLiteral("play.rectangle.fill"),
         {platform("YouTube miniatura (16x9)", 1280, 720),
          platform("YouTube banner kanálu", 2560, 1440),
          platform("YouTube profilovka", 800, 800)}},
    };
    return groups;
}

namespace PresetStore {

std::optional<QList<PresetSpec>> decode(const QByteArray& data)
{
    if (data.isEmpty())
        return PresetSpec::defaults();
    return json::decodeList<PresetSpec>(data, [](const QJsonValue& v) { return PresetSpec::fromJson(v); });
}

QByteArray encode(const QList<PresetSpec>& presets)
{
    QJsonArray array;
    for (const PresetSpec& p : presets)
        array.append(p.toJson());
    return json::encodeArray(array);
}

} // namespace PresetStore
} // namespace kelvaro
