#pragma once
// The user's saved workflows as every screen sees them, and the one writer of their stored list
// ("kelvaro.workflows.v1"). Reads decode the settings afresh on every change of that key and of
// the interface language, which the built-ins' own texts follow whatever language they were
// stored in (WorkflowLibrary::inLanguage); writes decode the stored value again, change that
// list and store it whole, so a write never works from a stale copy. Nothing stored reads as the built-in workflows; a value that does not
// decode is never overwritten (every write is refused). Lives on the main thread; each screen
// that shows workflows creates its own over the application's settings.
#include <optional>

#include <QList>
#include <QObject>
#include <QUuid>

#include "model/Workflow.h"

namespace kelvaro {

class Settings;

class WorkflowStore : public QObject {
    Q_OBJECT
public:
    enum class State {
        ok,         // at least one workflow (the built-ins while nothing is stored)
        empty,      // a stored empty list
        unreadable, // stored data that does not decode; shown as an error, never written
    };

    explicit WorkflowStore(Settings& settings, QObject* parent = nullptr);

    State state() const { return m_state; }
    bool isWritable() const { return m_state != State::unreadable; }
    // The workflows in stored order; none while unreadable.
    const QList<Workflow>& workflows() const { return m_workflows; }
    std::optional<Workflow> workflow(const QUuid& id) const;

    // Each write returns whether the changed list is on disk. False while the stored value is
    // unreadable or when the list cannot be encoded faithfully (a non-finite number): nothing
    // changes. False too when the save failed: the list shows the change, which the settings
    // keep for their next save. Touches the settings file.
    //
    // Replaces the first workflow with the same id in place, or appends it.
    bool upsert(const Workflow& workflow);
    // Drops every workflow with this id; stores the list also when none matched.
    bool remove(const QUuid& id);
    // Appends a copy with new ids for itself and its steps, named "<name> (kopie)" in the
    // current language; the copy, or none when it is not on disk (see above).
    std::optional<Workflow> duplicate(const Workflow& workflow);

    // The workflow a new one starts from: a new id, no name, "wand.and.stars", one resize step
    // (long edge 1600), JPG at quality 0.85, metadata kept.
    static Workflow newTemplate();
    // The stored form of a list: a compact JSON array that decodes back to exactly this list;
    // none when it would not (a NaN or infinity turns into null in JSON).
    static std::optional<QByteArray> encode(const QList<Workflow>& workflows);

Q_SIGNALS:
    // The state or the list changed (by this or any other store, or outside the application).
    void changed();

private:
    std::optional<QList<Workflow>> readStored() const;
    bool store(const QList<Workflow>& workflows);
    void reload();

    Settings& m_settings;
    State m_state = State::ok;
    QList<Workflow> m_workflows;
};

} // namespace kelvaro
