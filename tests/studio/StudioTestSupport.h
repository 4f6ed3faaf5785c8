#pragma once
// Shared by the studio tests: waiting on the main thread's events and readable Qt texts.
#include <functional>
#include <ostream>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QString>

inline void PrintTo(const QString& text, std::ostream* os)
{
    *os << '"' << text.toStdString() << '"';
}

namespace kelvaro::studiotest {

// Runs events until `done` holds; the limit only keeps a broken build from hanging.
inline bool waitUntil(const std::function<bool()>& done, int limitMs = 20000)
{
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > limitMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}

// Runs events for `ms` milliseconds: long enough for a delayed action that should not come.
inline void runEventsFor(int ms)
{
    QElapsedTimer timer;
    timer.start();
    waitUntil([&] { return timer.elapsed() >= ms; });
}

} // namespace kelvaro::studiotest
