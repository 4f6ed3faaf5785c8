#pragma once
// Writes one observed field of a store part and emits its change signal only when the value
// really changes.
namespace kelvaro {

template <typename Owner, typename T>
void assignObserved(Owner* owner, T& field, const T& value, void (Owner::*changed)())
{
    if (field == value)
        return;
    field = value;
    Q_EMIT(owner->*changed)();
}

} // namespace kelvaro
