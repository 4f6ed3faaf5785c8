#pragma once
// Keeps the application from ending with changes the settings could not save, or with work whose
// results would go unbooked. Every way of ending meets it: the quit command (Ctrl+Q, the tray's
// "Ukončit"), the last window closing while that ends the application, and SIGTERM, SIGINT or
// SIGHUP, which it turns into a quit on the event loop (the handler only writes to a pipe).
// Background work under way (a run, a watched folder's run) is stopped first as a cancel stops it
// and the end waits on the event loop until what it made is booked; a PDF page being drawn by a
// program of ours (ChildProcesses) is ended at once, not waited for. Then it saves what waits;
// while another process holds the settings' lock it waits for the retry on the event loop, the
// window answering, for up to half a minute; when the save fails it asks over the window shown, or
// over the main window it shows for that (QuitQuestion), and the application stays until the
// answer or a save that succeeds. The running instance is declined once the end is decided (or
// the session asked twice) and let go only once the last save is on disk or given up, so a launch
// meanwhile waits for it instead of reading the settings before that save. Main thread; created by
// main() before the event loop, one a process.
#include <functional>

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>

class QSocketNotifier;
class QWidget;

namespace kelvaro {

class QuitQuestion;
class Settings;
class SingleInstance;

class QuitGuard : public QObject {
    Q_OBJECT
public:
    // The background work an end has to stop and wait for.
    struct Work {
        std::function<bool()> underWay; // whether any is under way
        std::function<void()> stop;     // asks it to stop after the files in hand, as a cancel does
        std::function<void()> resume;   // the end was called off: what stop() held may go on
    };

    // `quit` ends the event loop once nothing keeps the application; by default it ends it even
    // while a window refuses to close (the welcome does until it is done). Watches the
    // application's events from now on.
    explicit QuitGuard(Settings& settings, std::function<void()> quit = {}, QObject* parent = nullptr);
    ~QuitGuard() override;

    // SIGTERM, SIGINT and SIGHUP become requestQuit() on this thread's event loop; false when
    // they could not be caught.
    bool catchTerminationSignals();
    void setWork(Work work);
    // Shows the main window and returns it, for a question when no window is shown (the window
    // closed to the tray); none: nobody can be asked and the end goes on.
    void setWindowToShow(std::function<QWidget*()> show);
    // The running instance this process is: its launches, while an end waits, call the end off
    // (anotherLaunch()); once this process will not stay they are declined, and the instance is let
    // go by runEventLoop() after the last save.
    void setInstance(SingleInstance* instance);

    // Stops the work, saves what waits and quits, or asks first as above.
    void requestQuit();
    // Whether the work under way may have ended; looked at once the event that told it is
    // handled, so that what the work made is booked by then.
    void workChanged();
    // The question while it is asked.
    QuitQuestion* question() const;
    // Whether an end was asked for and waits for the work to stop or for another process's lock.
    bool isEnding() const { return m_stopping || m_waiting; }
    // Another launch was handed to this process: an end that waits for the work, for another
    // process's lock or for the question's answer is called off (the work held goes on), since
    // ending after having taken the launch would leave it with no window. A decided end, or one
    // the session asked twice for, declined the instance first and takes no launch.
    void anotherLaunch();

    // Runs the application's event loop until it ends, then makes the last save whatever ended the
    // loop (an answer "Přesto ukončit" given as the disk got room included): hides the windows, so
    // none stands frozen nor beside the next instance's, then saves what still waits, waiting for
    // another process's lock; only then lets the instance go. Returns the loop's exit code.
    // Touches disk.
    int runEventLoop();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // True when the application may end now: nothing works or waits, the save succeeded, or
    // nobody can be asked. Else stops the work, waits or asks over `asker` (or the window shown)
    // and returns false.
    bool mayEnd(QWidget* asker = nullptr);
    void stopWork(QWidget* asker);
    void workMayBeOver();
    // Waits on the event loop for the save another process's lock put off, then ends or asks.
    void waitForLock(QWidget* asker);
    void lockWaitMayBeOver();
    void ask(QWidget* window);
    void calledOff();
    void leave();
    void decided();
    void decline();
    void signalArrived();

    Settings& m_settings;
    std::function<void()> m_quit;
    Work m_work;
    std::function<QWidget*()> m_showWindow;
    QPointer<SingleInstance> m_instance;
    QPointer<QuitQuestion> m_question;
    QSocketNotifier* m_signals = nullptr;
    bool m_ended = false;           // the end is decided
    bool m_stopping = false;        // for the work to stop
    bool m_hurried = false;         // a signal came again while the work stopped: no question then
    bool m_waiting = false;         // for another process's lock, since m_waitingSince
    QElapsedTimer m_waitingSince;
    QPointer<QWidget> m_asker;      // the window whose closing asked to end, while the end waits
};

} // namespace kelvaro
