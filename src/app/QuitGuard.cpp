#include "app/QuitGuard.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <utility>

#include <fcntl.h>
#include <unistd.h>

#include <QApplication>
#include <QCloseEvent>
#include <QSocketNotifier>
#include <QTimer>

#include "app/QuitQuestion.h"
#include "app/SingleInstance.h"
#include "platform/ChildProcesses.h"
#include "platform/Log.h"
#include "platform/Settings.h"
#include "ui/design/Theme.h"

namespace kelvaro {
namespace {

// How long ending waits for another process that holds the settings' lock: as long as a save
// off the window's thread would.
constexpr int kLockPatienceMs = 30000;

// The session's requests to end, and the terminal the application was started from closing.
constexpr int kEndSignals[] = {SIGTERM, SIGINT, SIGHUP};

// The pipe a signal handler writes one byte into; the event loop reads it. One a process.
int g_signalPipe[2] = {-1, -1};

void noteSignal(int)
{
    const int saved = errno;
    const char byte = 1;
    (void)!::write(g_signalPipe[1], &byte, 1);
    errno = saved;
}

// Whether the window takes part in "the last window closed ends the application": a top-level
// window of its own (not a tool, pop-up or a dialog over another window) that is shown.
bool keepsApplication(const QWidget* window)
{
    if (!window->isWindow() || !window->isVisible() || !window->testAttribute(Qt::WA_QuitOnClose))
        return false;
    const Qt::WindowType type = window->windowType();
    return type == Qt::Window ? true : type == Qt::Dialog && !window->parentWidget();
}

// Whether a question can stand over the window: a window or dialog of its own that is shown, not
// a tool or pop-up (the tray's drop window or menu), which goes the moment it loses the focus.
bool standsForItself(const QWidget* window)
{
    const Qt::WindowType type = window->windowType();
    return window->isVisible() && (type == Qt::Window || type == Qt::Dialog);
}

// The window a question about ending goes over: the active one, else any shown that keeps the
// application; none when only the tray's windows are shown.
QWidget* windowToAsk()
{
    // A sheet open over the window asks in its place, so the question stands on top of it.
    if (QWidget* modal = QApplication::activeModalWidget(); modal && modal->isVisible())
        return modal;
    if (QWidget* active = QApplication::activeWindow(); active && standsForItself(active))
        return active;
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (keepsApplication(window))
            return window;
    }
    return nullptr;
}

// Whether closing `window` ends the application: it is the last window that keeps it.
bool closingEnds(QWidget* window)
{
    if (!QGuiApplication::quitOnLastWindowClosed() || !keepsApplication(window))
        return false;
    const QWidgetList windows = QApplication::topLevelWidgets();
    return std::none_of(windows.begin(), windows.end(), [window](QWidget* other) { return other != window && keepsApplication(other); });
}

} // namespace

QuitGuard::QuitGuard(Settings& settings, std::function<void()> quit, QObject* parent)
    : QObject(parent), m_settings(settings), m_quit(quit ? std::move(quit) : std::function<void()>([] { QCoreApplication::exit(0); }))
{
    QCoreApplication::instance()->installEventFilter(this);
}

QuitGuard::~QuitGuard()
{
    if (m_signals) {
        for (const int signal : kEndSignals)
            std::signal(signal, SIG_DFL);
    }
    delete m_question;
}

bool QuitGuard::catchTerminationSignals()
{
    if (m_signals)
        return true;
    if (g_signalPipe[0] < 0 && ::pipe2(g_signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        logLine(QStringLiteral("cannot catch the end signals: %1").arg(QString::fromLocal8Bit(std::strerror(errno))));
        return false;
    }
    struct sigaction action = {};
    action.sa_handler = noteSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : kEndSignals) {
        if (sigaction(signal, &action, nullptr) != 0)
            return false;
    }
    m_signals = new QSocketNotifier(g_signalPipe[0], QSocketNotifier::Read, this);
    connect(m_signals, &QSocketNotifier::activated, this, &QuitGuard::signalArrived);
    return true;
}

void QuitGuard::setWork(Work work)
{
    m_work = std::move(work);
}

void QuitGuard::setWindowToShow(std::function<QWidget*()> show)
{
    m_showWindow = std::move(show);
}

void QuitGuard::setInstance(SingleInstance* instance)
{
    if (m_instance)
        disconnect(m_instance, nullptr, this, nullptr);
    m_instance = instance;
    if (instance)
        connect(instance, &SingleInstance::requested, this, &QuitGuard::anotherLaunch);
}

QuitQuestion* QuitGuard::question() const
{
    return m_question;
}

void QuitGuard::requestQuit()
{
    if (m_ended || mayEnd())
        leave();
}

bool QuitGuard::eventFilter(QObject* watched, QEvent* event)
{
    if (m_ended)
        return false;
    if (event->type() == QEvent::Quit && watched == QCoreApplication::instance()) {
        if (!mayEnd())
            return true; // the loop goes on until the work has stopped and the question is answered
        decided();
        return false;
    }
    if (event->type() == QEvent::Close && watched->isWidgetType()) {
        auto* window = static_cast<QWidget*>(watched);
        if (closingEnds(window) && !mayEnd(window)) {
            event->ignore(); // the window stays, so the user is asked before it goes
            return true;
        }
    }
    return false;
}

bool QuitGuard::mayEnd(QWidget* asker)
{
    if (m_question) {
        m_question->raise();
        m_question->activateWindow();
        return false;
    }
    if (m_waiting || m_stopping)
        return false;
    // A run's end is booked by a call queued to this loop: once the loop is gone it never comes.
    if (m_work.underWay && m_work.underWay()) {
        stopWork(asker);
        return false;
    }
    // Never waits on the window's thread: a save another process's lock put off is retried by
    // the settings' timer while the loop runs.
    if (!m_settings.hasUnsavedChanges() || m_settings.sync())
        return true;
    if (m_settings.waitsForAnotherProcess() && !(m_waitingSince.isValid() && m_waitingSince.hasExpired(kLockPatienceMs))) {
        waitForLock(asker);
        return false;
    }
    QWidget* window = asker ? asker : windowToAsk();
    if (!window && m_showWindow)
        window = m_showWindow(); // closed to the tray: the changes would go without a word
    if (!window) {
        logLine(QStringLiteral("ending with changes that could not be saved to %1").arg(m_settings.filePath()));
        return true;
    }
    ask(window);
    return false;
}

void QuitGuard::stopWork(QWidget* asker)
{
    m_stopping = true;
    m_asker = asker;
    // A page being drawn by a program of ours is ended, not waited for: its drawing may take
    // minutes, and an end called off later fails only that page.
    ChildProcesses::stopAll();
    if (m_work.stop)
        m_work.stop();
    workChanged(); // a stop may end it at once
}

void QuitGuard::workChanged()
{
    // Queued: a job tells it stopped before it books what it made.
    if (m_stopping)
        QMetaObject::invokeMethod(this, &QuitGuard::workMayBeOver, Qt::QueuedConnection);
}

void QuitGuard::workMayBeOver()
{
    if (!m_stopping || (m_work.underWay && m_work.underWay()))
        return;
    m_stopping = false;
    if (m_hurried) {
        m_hurried = false;
        m_settings.syncBeforeLeaving();
        leave();
        return;
    }
    if (mayEnd(m_asker))
        leave();
}

void QuitGuard::waitForLock(QWidget* asker)
{
    m_waiting = true;
    m_asker = asker;
    if (!m_waitingSince.isValid()) {
        m_waitingSince.start();
        logLine(QStringLiteral("the end waits for another process that holds the settings' lock"));
    }
    connect(&m_settings, &Settings::saveStateChanged, this, &QuitGuard::lockWaitMayBeOver, Qt::UniqueConnection);
    QTimer::singleShot(kLockPatienceMs - m_waitingSince.elapsed(), this, &QuitGuard::lockWaitMayBeOver);
}

void QuitGuard::lockWaitMayBeOver()
{
    if (!m_waiting)
        return;
    const bool patienceOver = m_waitingSince.hasExpired(kLockPatienceMs);
    if (m_settings.hasUnsavedChanges() && m_settings.waitsForAnotherProcess() && !patienceOver)
        return;
    m_waiting = false;
    disconnect(&m_settings, &Settings::saveStateChanged, this, &QuitGuard::lockWaitMayBeOver);
    const bool ends = mayEnd(m_asker);
    if (!m_waiting)
        m_waitingSince.invalidate(); // a later quit has its own patience
    if (ends)
        leave();
}

void QuitGuard::ask(QWidget* window)
{
    auto* question = new QuitQuestion(m_settings, window);
    question->setAttribute(Qt::WA_DeleteOnClose);
    question->setWindowModality(Qt::WindowModal);
    Theme::follow(question);
    connect(question, &QDialog::accepted, this, &QuitGuard::leave);
    connect(question, &QuitQuestion::quitAnyway, this, &QuitGuard::leave);
    connect(question, &QDialog::rejected, this, &QuitGuard::calledOff);
    m_question = question;
    question->open();
}

void QuitGuard::calledOff()
{
    if (m_ended)
        return;
    if (m_work.resume)
        m_work.resume();
    // A restart declined the instance before it asked to end; staying, this process takes the
    // launches again, the restart's own included.
    if (m_instance)
        m_instance->resume();
}

void QuitGuard::anotherLaunch()
{
    if (m_ended || m_hurried || (!m_stopping && !m_waiting && !m_question))
        return;
    logLine(QStringLiteral("another launch came while ending: staying"));
    if (m_question) {
        m_question->reject(); // the question would end the application once a save succeeds
        return;
    }
    if (m_waiting) {
        m_waiting = false;
        m_waitingSince.invalidate();
        disconnect(&m_settings, &Settings::saveStateChanged, this, &QuitGuard::lockWaitMayBeOver);
    }
    const bool workStopped = std::exchange(m_stopping, false);
    m_asker = nullptr;
    if (workStopped)
        calledOff();
}

void QuitGuard::leave()
{
    decided();
    m_quit();
}

void QuitGuard::decided()
{
    if (m_ended)
        return;
    m_ended = true;
    ChildProcesses::stopAll();
    decline();
}

void QuitGuard::decline()
{
    // A launch taken now would be left with no window; one told to wait gets the instance once
    // the settings are on disk, and reads them then.
    if (m_instance)
        m_instance->decline();
}

void QuitGuard::signalArrived()
{
    char bytes[16];
    while (::read(g_signalPipe[0], bytes, sizeof bytes) > 0) {
    }
    if (m_question || m_waiting) {
        // Asked again while the question stands or the save waits: the session will not wait.
        // Neither of them answers the save below: this end is the only one.
        decided(); // before the question closes, which would call the end off
        logLine(QStringLiteral("asked again to end: the last save goes on without a question"));
        m_waiting = false;
        if (m_question)
            m_question->close();
        m_settings.syncBeforeLeaving();
        leave();
        return;
    }
    if (m_stopping) {
        // The files in hand take as long whether the loop waits for them or not; their results
        // are still booked, but nobody is asked afterwards.
        m_hurried = true;
        decline();
        logLine(QStringLiteral("asked again to end: the work under way finishes its files, then no question"));
        return;
    }
    requestQuit();
}

int QuitGuard::runEventLoop()
{
    const int status = QCoreApplication::exec();
    decided();
    // Hidden before the instance goes: the next one's window would otherwise stand beside these
    // while this process drains its background work.
    for (QWidget* window : QApplication::topLevelWidgets())
        window->hide();
    if (m_settings.hasUnsavedChanges())
        m_settings.syncBeforeLeaving();
    if (m_instance)
        m_instance->release();
    return status;
}

} // namespace kelvaro
