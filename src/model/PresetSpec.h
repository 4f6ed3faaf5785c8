#pragma once
// A stored export recipe (size limit or exact size, format, quality, metadata) and the fixed
// platform groups. Plain values; JSON form with the field names as keys.
#include <optional>

#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <QUuid>

#include "platform/SettingsKeys.h"

namespace kelvaro {

struct PresetSpec {
    QUuid id;
    QString name;
    int maxSide = 0;          // longer side limit in px; < 1 means none
    QString format;           // "jpg", "png", "heic", "tiff"; anything else keeps the source format
    double quality = 0.8;     // 0–1
    bool stripMetadata = false;
    std::optional<int> targetWidth;
    std::optional<int> targetHeight;
    std::optional<double> cropOffsetX; // 0–1, absent = 0.5
    std::optional<double> cropOffsetY;
    QJsonObject unknownMembers{}; // a later version's members, written back as read

    bool operator==(const PresetSpec&) const = default;

    QString summary() const;
    QJsonObject toJson() const;
    static std::optional<PresetSpec> fromJson(const QJsonValue& value);
    // The three built-in presets, with ids that are the same in every run.
    static const QList<PresetSpec>& defaults();
};

struct PlatformPresets {
    QString id;
    QString title;
    QString symbol;
    QList<PresetSpec> presets;
    // The two platform groups; their presets' ids are the same in every run.
    static const QList<PlatformPresets>& all();
};

namespace PresetStore {
// Data stored under "kelvaro.presets.v1": empty → the defaults; anything that fails → none.
std::optional<QList<PresetSpec>> decode(const QByteArray& data);
QByteArray encode(const QList<PresetSpec>& presets);
inline constexpr const char* key = SettingsKey::presets;
} // namespace PresetStore

} // namespace kelvaro
