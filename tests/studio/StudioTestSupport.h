#pragma once
// Shared by the studio tests: waiting on the main thread's events, table row names, file bytes.
#include <functional>
#include <ostream>
#include <string>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>

#include <gtest/gtest.h>

inline void PrintTo(const QString& text, std::ostream* os) { *os << '"' << text.toStdString() << '"'; }

namespace kelvaro::studiotest {

// Runs events until `done` holds, or for `ms` when `done` is empty; the limit only keeps a broken
// build from hanging.
inline bool waitUntil(const std::function<bool()>& done, int ms = 20000)
{
    QElapsedTimer timer;
    timer.start();
    while (!(done && done())) {
        if (timer.elapsed() > ms)
            return !done;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}

// Runs events for `ms` milliseconds: long enough for a delayed action that should not come.
inline void runEventsFor(int ms)
{
    waitUntil({}, ms);
}

struct RowName {
    template <typename Row>
    std::string operator()(const ::testing::TestParamInfo<Row>& info) const { return info.param.name; }
};

inline QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace kelvaro::studiotest
