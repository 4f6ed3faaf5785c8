#pragma once
// The user's presets as every screen sees them, and the one writer of their stored list
// ("kelvaro.presets.v1"). Reads decode the settings afresh on every change of that key; writes
// decode the stored value again, change that list and store it whole, so a write never works
// from a stale copy. Nothing stored reads as the built-in presets; a value that does not decode
// (of whatever type or shape) is never overwritten (every write is refused). Lives on the main
// thread; each screen that shows presets creates its own over the application's settings.
#include <optional>

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QUuid>

#include "model/PresetSpec.h"

namespace kelvaro {

class Settings;

class UserPresets : public QObject {
    Q_OBJECT
public:
    enum class State {
        ok,         // at least one preset (the built-ins while nothing is stored)
        empty,      // a stored empty list
        unreadable, // stored data that does not decode; shown as an error, never written
    };

    explicit UserPresets(Settings& settings, QObject* parent = nullptr);

    State state() const { return m_state; }
    bool isWritable() const { return m_state != State::unreadable; }
    // The presets in stored order; none while unreadable.
    const QList<PresetSpec>& presets() const { return m_presets; }

    // Each write returns whether the changed list is on disk. False while the stored value is
    // unreadable or when the list cannot be encoded faithfully (a non-finite number): nothing
    // changes. False too when the save failed: the list shows the change, which the settings
    // keep for their next save. Touches the settings file.
    //
    // Appends the preset at the end of the list (the built-ins come first while nothing is stored).
    bool append(const PresetSpec& preset);
    // Drops every preset with this id; stores the list also when none matched.
    bool remove(const QUuid& id);

    // The stored form of a list: a compact JSON array that decodes back to exactly this list;
    // none when it would not (a NaN or infinity turns into null in JSON).
    static std::optional<QByteArray> encode(const QList<PresetSpec>& presets);

Q_SIGNALS:
    // The state or the list changed (by this or any other reader, or outside the application).
    void changed();

private:
    std::optional<QList<PresetSpec>> readStored() const;
    bool store(const QList<PresetSpec>& presets);
    void reload();

    Settings& m_settings;
    State m_state = State::ok;
    QList<PresetSpec> m_presets;
};

} // namespace kelvaro
