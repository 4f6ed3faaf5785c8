#pragma once
// Helpers of the window tests: a Czech fixture with a temporary folder, a store that writes
// nothing to the desktop, event-loop waits, synthetic keys and mouse presses, and records.
#include <functional>
#include <memory>

#include <QApplication>
#include <QDateTime>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTemporaryDir>
#include <QWidget>

#include <gtest/gtest.h>

#include "../../support/TestSupport.h"
#include "platform/Settings.h"
#include "store/KelvaroStore.h"
#include "ui/design/DesignSystem.h"

namespace kelvaro::uitest {

inline bool waitFor(const std::function<bool()>& done, int ms = 8000)
{
    return test::waitUntil(done, ms);
}

// Runs the event loop for `ms` (only where nothing may happen, never to wait for something).
inline void spin(int ms = 30)
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
        Settings::shared().setValue(QStringLiteral("kelvaro.language"), QStringLiteral("cs"));
        Settings::shared().remove(QStringLiteral("kelvaro.clipboardMode"));
    }
    QString path(const QString& name) const { return temp.filePath(name); }
    QTemporaryDir temp;
};

// A store with no history and no shelves (a first start would bring sample content), in a
// Czech interface.
inline std::unique_ptr<KelvaroStore> makeStore(StoreServices services = {})
{
    Settings::shared().setValue(QStringLiteral("kelvaro.language"), QStringLiteral("cs"));
    auto store = std::make_unique<KelvaroStore>(std::move(services), QStringLiteral("kelvaro.test.library"));
    store->setActivities({});
    store->setShelves({});
    return store;
}

// Every Text below `root` that is not hidden, in creation order.
inline QStringList texts(const QWidget* root)
{
    QStringList result;
    for (const Text* t : root->findChildren<Text*>())
        if (!t->isHidden())
            result << t->text();
    return result;
}

inline ActivityItem activity(const QString& name, const QDateTime& date, qint64 saved = 0)
{
    ActivityItem a;
    a.id = QUuid::createUuid();
    a.fileName = name;
    a.actionTitle = QStringLiteral("Komprese");
    a.symbol = QStringLiteral("photo");
    a.date = date;
    a.savedBytes = saved;
    return a;
}

inline Shelf shelf(const QString& name, int colorIndex, int fileCount, int items = 0)
{
    Shelf s;
    s.id = QUuid::createUuid();
    s.name = name;
    s.symbol = QStringLiteral("star.fill");
    s.colorIndex = colorIndex;
    s.fileCount = fileCount;
    for (int i = 0; i < items; ++i) {
        ShelfItem item;
        item.id = QUuid::createUuid();
        item.name = QStringLiteral("f%1.jpg").arg(i);
        s.items << item;
    }
    return s;
}

} // namespace kelvaro::uitest
