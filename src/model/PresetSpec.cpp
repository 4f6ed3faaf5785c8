#include "model/PresetSpec.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "l10n/Localization.h"
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

// The built-ins' ids, fixed for good: stored watch rules and pickers find a built-in by its id
// in every later run, so none may ever change.
constexpr const char* kWebId = "BCABA844-727B-4432-9ED9-717D592EC859";
constexpr const char* kEmailId = "CFDC438C-2C3A-44A9-90CC-64D168A2706B";
constexpr const char* kSocialId = "060A3E4B-666F-40B4-8EE6-02438E538015";
constexpr const char* kInstagramPortraitId = "AD83A62A-F504-4332-A937-956C73C018D8";
constexpr const char* kInstagramSquareId = "12EB1074-47E9-49DE-A396-5A462A9C04D3";
constexpr const char* kInstagramLandscapeId = "B13EE208-0812-419D-B036-EADA2540104A";
constexpr const char* kInstagramStoryId = "B496D8E0-B464-43DB-84C2-73636ADE1FC7";
constexpr const char* kInstagramProfileId = "00DDA17D-CB9A-4C1A-9931-247C06555CFC";
constexpr const char* kYouTubeThumbnailId = "C878E8BD-92D8-4B2B-9607-6F0CD207873D";
constexpr const char* kYouTubeBannerId = "53841669-355D-4501-B336-E3B48E03E4CC";
constexpr const char* kYouTubeProfileId = "50E3D8BB-8B4F-46BB-AB84-608B3E2C6E78";

PresetSpec builtIn(const char* id, const char* name, int maxSide, double quality, bool strip)
{
    PresetSpec p;
    p.id = QUuid(QLatin1String(id));
    p.name = QString::fromUtf8(name);
    p.maxSide = maxSide;
    p.format = QStringLiteral("jpg");
    p.quality = quality;
    p.stripMetadata = strip;
    return p;
}

PresetSpec platform(const char* id, const char* name, int width, int height)
{
    PresetSpec p = builtIn(id, name, std::max(width, height), 0.9, true);
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
    json::Writer w(unknownMembers);
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
    p.unknownMembers = r.unknownMembers();
    if (!r.ok())
        return std::nullopt;
    return p;
}

const QList<PresetSpec>& PresetSpec::defaults()
{
    static const QList<PresetSpec> list{
        builtIn(kWebId, LKey("Web"), 1600, 0.8, true),
        builtIn(kEmailId, LKey("E-mail"), 1200, 0.7, true),
        builtIn(kSocialId, LKey("Sociální sítě"), 2048, 0.85, false),
    };
    return list;
}

const QList<PlatformPresets>& PlatformPresets::all()
{
    static const QList<PlatformPresets> groups{
        {QStringLiteral("instagram"), QStringLiteral("Instagram"), QStringLiteral("camera.fill"),
         {platform(kInstagramPortraitId, LKey("Instagram příspěvek na výšku (4x5)"), 1080, 1350),
          platform(kInstagramSquareId, LKey("Instagram čtverec (1x1)"), 1080, 1080),
          platform(kInstagramLandscapeId, LKey("Instagram příspěvek na šířku"), 1080, 566),
          platform(kInstagramStoryId, LKey("Instagram Story a Reel (9x16)"), 1080, 1920),
          platform(kInstagramProfileId, LKey("Instagram profilovka"), 320, 320)}},
        {QStringLiteral("youtube"), QStringLiteral("YouTube"), QStringLiteral("play.rectangle.fill"),
         {platform(kYouTubeThumbnailId, LKey("YouTube miniatura (16x9)"), 1280, 720),
          platform(kYouTubeBannerId, LKey("YouTube banner kanálu"), 2560, 1440),
          platform(kYouTubeProfileId, LKey("YouTube profilovka"), 800, 800)}},
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
