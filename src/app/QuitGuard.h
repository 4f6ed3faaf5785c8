#pragma once
// Keeps the application from ending with changes the settings could not save. Every way of
// ending meets it: the quit command (Ctrl+Q, the tray's "Ukončit"), the last window closing
// while that ends the application, and SIGTERM, SIGINT or SIGHUP, which it turns into a quit on
// the event loop (the handler only writes to a pipe). It saves what waits first; while another process
// holds the settings' lock it waits for the retry on the event loop, the window answering, for
// up to half a minute; when the save fails and a window is shown, it asks over that window
// (QuitQuestion) and the application stays until the answer or a save that succeeds; with no
// window to ask in, it ends all the same. Main thread; created by main() before the event loop,
// one a process.
#include <functional>

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>

class QSocketNotifier;
class QWidget;

namespace kelvaro {

class QuitQuestion;
class Settings;

class QuitGuard : public QObject {
    Q_OBJECT
public:
    // `quit` ends the event loop once nothing keeps the application; by default it ends it even
    // while a window refuses to close (the welcome does until it is done). Watches the
    // application's events from now on.
    explicit QuitGuard(Settings& settings, std::function<void()> quit = {}, QObject* parent = nullptr);
    ~QuitGuard() override;

    // SIGTERM, SIGINT and SIGHUP become requestQuit() on this thread's event loop; false when
    // they could not be caught.
    bool catchTerminationSignals();
    // Saves what waits and quits, or asks first as above.
    void requestQuit();
    // The question while it is asked.
    QuitQuestion* question() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // True when the application may end now: nothing waits, the save succeeded, or nobody can be
    // asked. Else asks over `asker` (or the window shown) and returns false.
    bool mayEnd(QWidget* asker = nullptr);
    // Waits on the event loop for the save another process's lock put off, then ends or asks.
    void waitForLock(QWidget* asker);
    void lockWaitMayBeOver();
    void ask(QWidget* window);
    void leave();
    void signalArrived();

    Settings& m_settings;
    std::function<void()> m_quit;
    QPointer<QuitQuestion> m_question;
    QSocketNotifier* m_signals = nullptr;
    bool m_leaving = false;
    bool m_waiting = false;         // for another process's lock, since m_waitingSince
    QElapsedTimer m_waitingSince;
    QPointer<QWidget> m_waitingAsker;
};

} // namespace kelvaro
