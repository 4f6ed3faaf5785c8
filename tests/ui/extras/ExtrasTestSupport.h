#pragma once
// Helpers of the sheet and preview tests: a Czech fixture with a temporary folder, event-loop
// waits, synthetic keys and mouse presses, and saving a widget's picture for a person to look at.
#include <functional>
#include <ostream>

#include <QApplication>
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTemporaryDir>
#include <QWidget>

#include <gtest/gtest.h>

#include "TestPaths.h"
#include "engine/Localization.h"
#include "platform/Settings.h"

inline void PrintTo(const QString& text, std::ostream* os)
{
    *os << '"' << text.toStdString() << '"';
}

namespace extrastest {

inline bool waitFor(const std::function<bool()>& done, int ms = 8000)
{
    const qint64 until = QDateTime::currentMSecsSinceEpoch() + ms;
    while (!done() && QDateTime::currentMSecsSinceEpoch() < until)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return done();
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

// Saves the widget's picture under the build folder's "gallery/extras" for a person to look at.
inline void savePicture(QWidget* widget, const QString& name)
{
    const QString dir = QStringLiteral(KELVARO_BUILD_DIR) + QStringLiteral("/gallery/extras");
    QDir().mkpath(dir);
    widget->grab().save(dir + QLatin1Char('/') + name + QStringLiteral(".png"));
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
