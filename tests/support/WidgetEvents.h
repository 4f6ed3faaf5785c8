#pragma once
// Synthetic input for the widget tests (only the programs that link the widgets include it): key
// presses (also typed into the focused window), mouse presses, wheel turns, the steps of a drag
// carrying file URLs, and a user cancelling dialogs.
#include <QApplication>
#include <QDragEnterEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPointer>
#include <QUrl>
#include <QWheelEvent>
#include <QWidget>
#include <QtTest/qtestkeyboard.h>

namespace kelvaro::test {

// Sends a key press to `target`; returns whether something accepted it.
inline bool pressKey(QWidget* target, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier, bool repeat = false)
{
    QKeyEvent event(QEvent::KeyPress, key, modifiers, QString(), repeat);
    QApplication::sendEvent(target, &event);
    return event.isAccepted();
}

inline void mouse(QWidget* widget, QEvent::Type type, QPointF at, Qt::MouseButton button = Qt::LeftButton)
{
    const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(button);
    QMouseEvent event(type, at, widget->mapToGlobal(at), type == QEvent::MouseMove ? Qt::NoButton : button, held,
                      Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

// Types `key` on the keyboard: it goes to the window with the keyboard focus, through that window's
// shortcuts, as a real key does. False when no window has the focus.
inline bool typeKey(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QWindow* window = QGuiApplication::focusWindow();
    if (!window)
        return false;
    QTest::keyClick(window, key, modifiers);
    return true;
}

// Turns the mouse wheel over `widget` at `at` by `notches` (positive: away from the user); returns
// whether something accepted it.
inline bool turnWheel(QWidget* widget, QPointF at, int notches)
{
    QWheelEvent event(at, widget->mapToGlobal(at), QPoint(), QPoint(0, 120 * notches), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(widget, &event);
    return event.isAccepted();
}

// File URLs of `paths`, except web links, which stay as they are.
inline QList<QUrl> urlsOf(const QStringList& paths)
{
    QList<QUrl> urls;
    for (const QString& p : paths)
        urls.append(p.startsWith(QLatin1String("https:")) ? QUrl(p) : QUrl::fromLocalFile(p));
    return urls;
}

inline QMimeData* urlMime(const QList<QUrl>& urls)
{
    auto* mime = new QMimeData;
    mime->setUrls(urls);
    return mime;
}

// Results of one synthetic drag step: whether the target accepted it.
inline bool dragEnter(QWidget* target, QPointF p, const QMimeData* mime)
{
    QDragEnterEvent event(p.toPoint(), Qt::CopyAction | Qt::MoveAction, mime, Qt::LeftButton, Qt::NoModifier);
    event.ignore();
    QApplication::sendEvent(target, &event);
    return event.isAccepted();
}

inline bool dragMove(QWidget* target, QPointF p, const QMimeData* mime)
{
    QDragMoveEvent event(p.toPoint(), Qt::CopyAction | Qt::MoveAction, mime, Qt::LeftButton, Qt::NoModifier);
    event.ignore();
    QApplication::sendEvent(target, &event);
    return event.isAccepted();
}

inline void dragLeave(QWidget* target)
{
    QDragLeaveEvent event;
    QApplication::sendEvent(target, &event);
}

struct DropOutcome {
    bool accepted = false;
    Qt::DropAction action = Qt::IgnoreAction;
};

inline DropOutcome drop(QWidget* target, QPointF p, const QMimeData* mime)
{
    QDropEvent event(p, Qt::CopyAction | Qt::MoveAction, mime, Qt::LeftButton, Qt::NoModifier);
    event.ignore();
    QApplication::sendEvent(target, &event);
    return {event.isAccepted(), event.dropAction()};
}

// Cancels each `Dialog` as soon as it shows (inside its modal loop, as a user pressing Cancel),
// noting the window it belonged to. Lives for a test's scope.
template <typename Dialog>
class DialogCanceller : public QObject {
public:
    DialogCanceller() { QCoreApplication::instance()->installEventFilter(this); }
    ~DialogCanceller() override { QCoreApplication::instance()->removeEventFilter(this); }

    int shown = 0;
    QPointer<QWidget> parent; // of the last one

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Show) {
            if (auto* dialog = qobject_cast<Dialog*>(watched)) {
                ++shown;
                parent = dialog->parentWidget();
                QMetaObject::invokeMethod(dialog, &Dialog::reject, Qt::QueuedConnection);
            }
        }
        return false;
    }
};

} // namespace kelvaro::test
