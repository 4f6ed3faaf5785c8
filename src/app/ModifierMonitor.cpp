#include "app/ModifierMonitor.h"

#include <utility>

#include <QCoreApplication>
#include <QKeyEvent>

#include "store/KelvaroStore.h"

namespace kelvaro {
namespace {

constexpr Qt::KeyboardModifiers kWatched = Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier;

// The keysyms Meta_L and Meta_R: X keymaps put them on the Alt keys' shifted level, so Shift
// and then Alt arrives as Qt::Key_Meta although the Alt modifier is what goes down.
constexpr quint32 kMetaLeftKeysym = 0xffe7;
constexpr quint32 kMetaRightKeysym = 0xffe8;

std::optional<Qt::KeyboardModifier> modifierOfKey(const QKeyEvent& event)
{
    switch (event.key()) {
    case Qt::Key_Shift: return Qt::ShiftModifier;
    case Qt::Key_Control: return Qt::ControlModifier;
    case Qt::Key_Alt: return Qt::AltModifier;
    case Qt::Key_Meta: {
        const quint32 keysym = event.nativeVirtualKey();
        return keysym == kMetaLeftKeysym || keysym == kMetaRightKeysym ? Qt::AltModifier : Qt::MetaModifier;
    }
    case Qt::Key_Super_L:
    case Qt::Key_Super_R:
    case Qt::Key_Hyper_L:
    case Qt::Key_Hyper_R: return Qt::MetaModifier;
    default: return std::nullopt;
    }
}

} // namespace

ModifierMonitor::ModifierMonitor(QObject* parent) : QObject(parent) {}

ModifierMonitor::~ModifierMonitor()
{
    if (m_started && QCoreApplication::instance())
        QCoreApplication::instance()->removeEventFilter(this);
}

void ModifierMonitor::start(KelvaroStore& store)
{
    if (m_started)
        return;
    m_started = true;
    m_store = &store;
    QCoreApplication::instance()->installEventFilter(this);
}

std::optional<Qt::KeyboardModifiers> ModifierMonitor::modifiersAfter(const QKeyEvent& event)
{
    if (event.type() != QEvent::KeyPress && event.type() != QEvent::KeyRelease)
        return std::nullopt;
    const std::optional<Qt::KeyboardModifier> changed = modifierOfKey(event);
    if (!changed)
        return std::nullopt;
    // The raw state: platforms report the modifiers as they were before this key (X11, Wayland),
    // some as they are after it. Setting or clearing the key's own bit is right for both, where
    // QKeyEvent::modifiers()' toggle is right only for the first.
    Qt::KeyboardModifiers held = static_cast<const QInputEvent&>(event).modifiers() & kWatched;
    if (event.type() == QEvent::KeyPress)
        held |= *changed;
    else
        held &= ~Qt::KeyboardModifiers(*changed);
    return held;
}

std::optional<WheelMode> ModifierMonitor::modeFor(Qt::KeyboardModifiers held)
{
    held &= kWatched;
    if (held == Qt::ShiftModifier)
        return WheelMode::convert;
    if (held == (Qt::ShiftModifier | Qt::AltModifier))
        return WheelMode::tools;
    if (held == Qt::ControlModifier)
        return WheelMode::actions;
    return std::nullopt;
}

bool ModifierMonitor::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    if (type != QEvent::KeyPress && type != QEvent::KeyRelease && type != QEvent::ShortcutOverride)
        return QObject::eventFilter(watched, event);
    const auto* key = static_cast<const QKeyEvent*>(event);
    if (key->isAutoRepeat())
        return false;
    // Modifier keys (their own shortcut-override events included) never count as a chord.
    const bool modifierKey = modifierOfKey(*key).has_value() || key->key() == Qt::Key_AltGr || key->key() == Qt::Key_CapsLock
        || key->key() == Qt::Key_NumLock || key->key() == Qt::Key_ScrollLock || key->key() == Qt::Key_unknown || key->key() == 0;
    if (type == QEvent::ShortcutOverride && modifierKey)
        return false;
    const std::optional<Qt::KeyboardModifiers> held = type == QEvent::ShortcutOverride ? std::nullopt : modifiersAfter(*key);
    if (!held) {
        if (modifierKey)
            return false;
        // Ctrl is also the shortcut key here: Ctrl held for Ctrl+O was not a wish for the
        // actions wheel, so the wheel goes back to the mode it showed before. A shortcut that
        // picks a mode itself (Ctrl+1…3) runs after this and has the last word. Done at once, not
        // queued, for that reason.
        if (type != QEvent::KeyRelease && (key->modifiers() & Qt::ControlModifier)) {
            ++m_ctrlChords; // a Ctrl switch still queued is dropped
            m_ctrlInChord = true;
            if (m_modeBeforeCtrl) {
                const WheelMode before = *std::exchange(m_modeBeforeCtrl, std::nullopt);
                if (m_store && !m_store->isShowingDemo() && m_store->wheelMode() == WheelMode::actions)
                    m_store->selectMode(before, false);
            }
        }
        return false;
    }
    const std::optional<WheelMode> mode = modeFor(*held);
    if (!(*held & Qt::ControlModifier)) {
        m_modeBeforeCtrl.reset(); // Ctrl let go: what it showed stays
        m_ctrlInChord = false;
    }
    // Ctrl+Shift+? let go of Shift first: that Ctrl is still the shortcut's.
    if (!mode || (mode == WheelMode::actions && m_ctrlInChord))
        return false;
    // Applied after the event has been delivered: a mode switch may rebuild the widget that is
    // receiving it. One key event passes this filter once per receiver (window, focus widget,
    // parents); selecting the same mode again is a no-op in the store.
    QMetaObject::invokeMethod(
        this,
        [this, mode = *mode, chords = m_ctrlChords] {
            if (!m_store || m_store->isShowingDemo())
                return;
            // Ctrl and the shortcut's key arrived together, before this ran.
            if (mode == WheelMode::actions && chords != m_ctrlChords)
                return;
            const WheelMode before = m_store->wheelMode();
            m_store->selectMode(mode, false);
            if (mode == WheelMode::actions && m_store->wheelMode() == WheelMode::actions && before != WheelMode::actions)
                m_modeBeforeCtrl = before;
        },
        Qt::QueuedConnection);
    return false;
}

} // namespace kelvaro
