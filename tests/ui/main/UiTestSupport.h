#pragma once
// Helpers of the window tests: a Czech fixture with a temporary folder, a store that writes
// nothing to the desktop, event-loop waits, synthetic keys and mouse presses, and records.
#include <functional>
#include <memory>

#include <QApplication>
#include <QDateTime>
#include <QTemporaryDir>
#include <QWidget>

#include <gtest/gtest.h>

#include "../../support/TestSupport.h"
#include "../../support/WidgetEvents.h"
#include "app/ScreenInstaller.h"
#include "platform/FileManager.h"
#include "platform/Settings.h"
#include "store/KelvaroStore.h"
#include "ui/design/DesignSystem.h"
#include "ui/main/ContentView.h"
#include "ui/main/ScreenFactory.h"

namespace kelvaro::uitest {

inline bool waitFor(const std::function<bool()>& done, int ms = 30000)
{
    return test::waitUntil(done, ms);
}

using test::passPostedEvents;
using test::passTimersOf;

using test::mouse;
using test::pressKey;

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

// The main window's content over a store with the desktop's services and the real screens, shown at
// 1200 × 800; `beforeView` runs before the view is made.
class ShownContentView : public CzechTest {
protected:
    void SetUp() override
    {
        CzechTest::SetUp();
        installScreens();
        store = makeStore(StoreServices::desktop());
        beforeView();
        ContentView::Options options;
        options.fileManager = std::make_shared<RecordingFileManager>();
        view = std::make_unique<ContentView>(*store, options);
        view->resize(1200, 800);
        view->show();
    }
    void TearDown() override
    {
        view.reset();
        ScreenFactory::reset();
    }
    virtual void beforeView() {}

    std::unique_ptr<KelvaroStore> store;
    std::unique_ptr<ContentView> view;
};

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
