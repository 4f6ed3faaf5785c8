#include "store/UserPresets.h"

#include "platform/Log.h"
#include "platform/Settings.h"

namespace kelvaro {
namespace {

QString storageKey()
{
    return QString::fromLatin1(PresetStore::key);
}

} // namespace

UserPresets::UserPresets(Settings& settings, QObject* parent) : QObject(parent), m_settings(settings)
{
    connect(&m_settings, &Settings::changed, this, [this](const QString& key) {
        if (key == storageKey())
            reload();
    });
    reload();
}

std::optional<QList<PresetSpec>> UserPresets::readStored() const
{
    const QString key = storageKey();
    if (!m_settings.contains(key))
        return PresetStore::decode(QByteArray());
    // a value of another type (a text, a number) is as unreadable as bad JSON
    if (const std::optional<QByteArray> data = m_settings.dataValue(key))
        return PresetStore::decode(*data);
    return std::nullopt;
}

void UserPresets::reload()
{
    std::optional<QList<PresetSpec>> list = readStored();
    const State state = !list ? State::unreadable : list->isEmpty() ? State::empty : State::ok;
    QList<PresetSpec> presets = list.value_or(QList<PresetSpec>());
    if (state == m_state && presets == m_presets)
        return;
    m_state = state;
    m_presets = std::move(presets);
    Q_EMIT changed();
}

std::optional<QByteArray> UserPresets::encode(const QList<PresetSpec>& presets)
{
    QByteArray bytes = PresetStore::encode(presets);
    // JSON has no NaN or infinity: Qt writes null, which would read back as another value.
    if (PresetStore::decode(bytes) != std::optional<QList<PresetSpec>>(presets))
        return std::nullopt;
    return bytes;
}

bool UserPresets::store(const QList<PresetSpec>& presets)
{
    const std::optional<QByteArray> bytes = encode(presets);
    if (!bytes) {
        logLine(QStringLiteral("presets not saved: the list does not encode"));
        return false;
    }
    const bool saved = m_settings.setValue(storageKey(), *bytes);
    reload(); // also when the settings saw no change and so sent no signal
    if (!saved)
        logLine(QStringLiteral("presets not saved: the settings could not be written"));
    return saved;
}

bool UserPresets::append(const PresetSpec& preset)
{
    std::optional<QList<PresetSpec>> list = readStored();
    if (!list)
        return false;
    list->append(preset);
    return store(*list);
}

bool UserPresets::remove(const QUuid& id)
{
    std::optional<QList<PresetSpec>> list = readStored();
    if (!list)
        return false;
    list->removeIf([&](const PresetSpec& p) { return p.id == id; });
    return store(*list);
}

} // namespace kelvaro
