#pragma once
// Helpers of the sheet and preview tests: a Czech fixture with a temporary folder, event-loop
// waits, synthetic keys and mouse presses.
#include <functional>

#include <QApplication>
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTemporaryDir>
#include <QWidget>

#include <gtest/gtest.h>

#include "../../support/TestSupport.h"
#include "engine/Localization.h"
#include "platform/Settings.h"

namespace extrastest {

inline bool waitFor(const std::function<bool()>& done, int ms = 8000)
{
    return kelvaro::test::waitUntil(done, ms);
}

// Runs the event loop for `ms` (only where nothing may happen, never to wait for something).
inline void spin(int ms)
{
    const qint64 until = QDateTime::currentMSecsSinceEpoch() + ms;
    while (QDateTime::currentMSecsSinceEpoch() < until)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

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

class CzechTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(temp.isValid());
        kelvaro::Settings::shared().setValue(QStringLiteral("kelvaro.language"), QStringLiteral("cs"));
        kelvaro::Settings::shared().remove(QStringLiteral("kelvaro.clipboardMode"));
    }
    QString path(const QString& name) const { return temp.filePath(name); }
    QTemporaryDir temp;
};

} // namespace extrastest
