#pragma once
// Holding a modifier key switches the action wheel: Shift alone shows the convert wheel, Shift
// with Alt the tools wheel, Ctrl alone the actions wheel; any other combination changes nothing.
// Ctrl that turns out to be part of a shortcut (Ctrl+O) gives the wheel back its previous mode.
// An application-wide event filter watches the modifier keys' own presses and releases; the
// events always go on to the focused widget unchanged. Only the application's own windows are
// seen (Wayland allows no global monitor). Main thread; created with the application and started
// when the main window is first shown.
#include <optional>

#include <QObject>
#include <QPointer>

#include "model/Models.h"

class QKeyEvent;

namespace kelvaro {

class KelvaroStore;

class ModifierMonitor : public QObject {
    Q_OBJECT
public:
    explicit ModifierMonitor(QObject* parent = nullptr);
    ~ModifierMonitor() override;

    // Installs the filter on the application on the first call; later calls do nothing.
    void start(KelvaroStore& store);
    bool isStarted() const { return m_started; }

    // The Shift, Ctrl, Alt and Meta (Super) keys held once `event` has taken effect, or none when
    // the event is not a modifier key's own press or release.
    static std::optional<Qt::KeyboardModifiers> modifiersAfter(const QKeyEvent& event);
    // The wheel mode for the held modifiers; none for every other combination, none at all included.
    static std::optional<WheelMode> modeFor(Qt::KeyboardModifiers held);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QPointer<KelvaroStore> m_store;
    bool m_started = false;
    // The mode that Ctrl alone replaced, while Ctrl is still held alone.
    std::optional<WheelMode> m_modeBeforeCtrl;
    // Counts Ctrl+key presses, so a Ctrl switch queued before one of them is dropped.
    quint64 m_ctrlChords = 0;
    // Ctrl has taken part in a shortcut since it went down.
    bool m_ctrlInChord = false;
};

} // namespace kelvaro
