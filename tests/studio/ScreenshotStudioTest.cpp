// The studio model: demo mode in and out without a trace on the user's data, the scenes and their
// delayed actions, and fitting the main window to the store size.
#include <memory>

#include <QDir>
#include <QGuiApplication>
#include <QScreen>
#include <QTemporaryDir>
#include <QWidget>

#include <gtest/gtest.h>

#include "../support/TestSupport.h"
#include "output/OutputFolder.h"
#include "platform/Settings.h"
#include "store/KelvaroStore.h"
#include "studio/ScreenshotStudio.h"
#include "watch/FolderWatcher.h"

namespace kelvaro {
namespace {

using test::waitUntil;

const QString kLanguage = QStringLiteral("kelvaro.language");
const QString kSaved = QStringLiteral("kelvaro.studio.savedLanguage");

class StudioTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(temp.isValid());
        out = temp.path() + QStringLiteral("/out");
        ASSERT_TRUE(QDir().mkpath(out + QStringLiteral("/Police/Portfolio")));
        ASSERT_TRUE(OutputFolder::remember(out));
        store = std::make_unique<KelvaroStore>();
        watcher = std::make_unique<FolderWatcher>();
        studio = std::make_unique<ScreenshotStudio>(*store, watcher.get());
    }

    QTemporaryDir temp;
    QString out;
    std::unique_ptr<KelvaroStore> store;
    std::unique_ptr<FolderWatcher> watcher;
    std::unique_ptr<ScreenshotStudio> studio;
};

struct LanguageRow {
    const char* name;
    const char* stored; // null: none stored
    AppLanguage studio;
    const char* restored; // no language comes back as "system", which means the same
};

class StudioLanguage : public StudioTest, public ::testing::WithParamInterface<LanguageRow> {};

TEST_P(StudioLanguage, StartThenStopLeavesTheUsersDataAsItWas)
{
    const LanguageRow row = GetParam();
    Settings& settings = Settings::shared();
    if (row.stored)
        settings.setValue(kLanguage, QString::fromLatin1(row.stored));
    else
        settings.remove(kLanguage);
    // The user's own: a shelf with a stored copy, a history entry, a watched folder.
    const QString mine = out + QStringLiteral("/Police/Portfolio/mine.jpg");
    ASSERT_TRUE(QImage(QSize(8, 8), QImage::Format_RGB32).save(mine));
    store->createShelf(QStringLiteral("Portfolio"));
    store->syncShelvesWithDisk();
    store->addHistoryEntry({QUuid::createUuid(), QStringLiteral("mine.jpg"), QStringLiteral("Komprese"), QStringLiteral("photo"),
                            QDateTime::currentDateTimeUtc(), 10, mine});
    ASSERT_TRUE(QDir().mkpath(temp.path() + QStringLiteral("/watched")));
    ASSERT_TRUE(watcher->add(temp.path() + QStringLiteral("/watched"), WatchAction::stripMetadata()));
    const QVariant library = settings.value(QStringLiteral("kelvaro.library.v1"));
    const QVariant rules = settings.value(QString::fromLatin1(FolderWatcher::rulesKey));
    const QList<Shelf> shelves = store->shelves();
    const QList<ActivityItem> history = store->activities();
    const QList<WatchRule> watched = watcher->rules();

    studio->start();
    EXPECT_EQ(settings.stringValue(kLanguage), rawValue(row.studio));
    EXPECT_EQ(settings.stringValue(kSaved), QString::fromLatin1(row.stored ? row.stored : "system"));
    EXPECT_EQ(store->activities().size(), 14);
    ASSERT_EQ(store->shelves().size(), 4);
    QList<qint64> processed;
    for (const WatchRule& rule : watcher->rules())
        processed << rule.processed;
    EXPECT_EQ(processed, (QList<qint64>{214, 1382, 96, 57}));

    // Switching languages and editing demo shelves (one shares the user's shelf's name).
    studio->setLanguage(row.studio == AppLanguage::english ? AppLanguage::czech : AppLanguage::english);
    // A copy: each deletion replaces the store's list.
    const QList<Shelf> shown = store->shelves();
    for (const Shelf& shelf : shown)
        store->deleteShelf(shelf.id);
    store->syncShelvesWithDisk();
    studio->stop();

    EXPECT_EQ(settings.value(QStringLiteral("kelvaro.library.v1")), library);
    EXPECT_EQ(settings.value(QString::fromLatin1(FolderWatcher::rulesKey)), rules);
    EXPECT_EQ(settings.stringValue(kLanguage), QString::fromLatin1(row.restored));
    EXPECT_FALSE(settings.contains(kSaved));
    EXPECT_EQ(store->shelves(), shelves);
    EXPECT_EQ(store->activities(), history);
    EXPECT_EQ(watcher->rules(), watched);
    EXPECT_TRUE(QFile::exists(mine));

    // Once stopped, a late language switch (a capture still winding down) changes nothing.
    studio->setLanguage(AppLanguage::english);
    EXPECT_EQ(settings.stringValue(kLanguage), QString::fromLatin1(row.restored));
    EXPECT_FALSE(store->isShowingDemo());
    EXPECT_FALSE(watcher->isInDemo());
}

INSTANTIATE_TEST_SUITE_P(Languages, StudioLanguage,
                         ::testing::Values(LanguageRow{"english", "en", AppLanguage::english, "en"},
                                           LanguageRow{"czech", "cs", AppLanguage::czech, "cs"},
                                           LanguageRow{"system", "system", AppLanguage::czech, "system"},
                                           LanguageRow{"none", nullptr, AppLanguage::czech, "system"}),
                         test::RowName());

// A session that never stopped (the application was killed in it) left the user's language saved
// and its own in force: the next session keeps the saved one, which stopping brings back.
TEST_F(StudioTest, AStartAfterAnInterruptedSessionKeepsTheLanguageItSaved)
{
    Settings& settings = Settings::shared();
    settings.setValue(kSaved, QStringLiteral("cs"));
    settings.setValue(kLanguage, QStringLiteral("en"));
    studio->start();
    EXPECT_EQ(settings.stringValue(kSaved), QStringLiteral("cs"));
    studio->stop();
    EXPECT_EQ(settings.stringValue(kLanguage), QStringLiteral("cs"));
    EXPECT_FALSE(settings.contains(kSaved));
}

TEST_F(StudioTest, ScenesStageTheWheelAndDelayedActionsRunOnlyOnTheirScene)
{
    EXPECT_FALSE(store->stageDemoResults({}, {QStringLiteral("/x.jpg")}, {})) << "staged results outside demo mode";
    studio->start();

    studio->show(2);
    EXPECT_EQ(store->droppedFiles().size(), 5);
    EXPECT_EQ(store->wheelMode(), WheelMode::tools);
    EXPECT_EQ(store->studioHighlight(), QStringLiteral("Pozadí"));
    EXPECT_EQ(studio->notice(), QStringLiteral("Hlavní okno není otevřené."));

    studio->show(3);
    ASSERT_EQ(store->droppedFiles().size(), 1);
    ASSERT_EQ(store->lastOutputs().size(), 1);
    EXPECT_EQ(store->lastSources().value(store->lastOutputs()[0]), store->droppedFiles()[0]);
    EXPECT_TRUE(store->canCompare());
    EXPECT_FALSE(store->studioCompare());
    EXPECT_TRUE(waitUntil([&] { return store->studioCompare(); }));

    studio->show(4);
    EXPECT_FALSE(store->studioCompare());
    EXPECT_EQ(store->studioHighlight(), QStringLiteral("Úpravy"));
    EXPECT_FALSE(store->activeSheet());
    EXPECT_TRUE(waitUntil([&] { return store->activeSheet() == ToolSheet::adjust; }));

    // Another scene or a stop before the delay: the sheet never opens.
    studio->show(4);
    studio->show(5);
    test::passTimersOf(int(ScreenshotStudio::sceneDelay.count())); // past the delay
    EXPECT_FALSE(store->activeSheet());
    EXPECT_EQ(store->sidebarSelection(), SidebarItem::workflows);
    studio->show(9);
    EXPECT_EQ(store->sidebarSelection(), SidebarItem::home);
    EXPECT_TRUE(store->droppedFiles().isEmpty());
    studio->show(4);
    studio->stop();
    test::passTimersOf(int(ScreenshotStudio::sceneDelay.count())); // past the delay
    EXPECT_FALSE(store->activeSheet());
    studio->show(2);
    EXPECT_TRUE(store->droppedFiles().isEmpty()) << "a scene staged while inactive";
}

TEST_F(StudioTest, FitsTheMainWindowCentredAtTheTopOfAScreenLargeEnough)
{
    QScreen* small = nullptr;
    QScreen* large = nullptr;
    for (QScreen* screen : QGuiApplication::screens())
        (screen->name() == QLatin1String("small") ? small : large) = screen;
    ASSERT_TRUE(small && large && large->size() == QSize(2560, 1600) && large->devicePixelRatio() == 2);

    QWidget main;
    main.setObjectName(QStringLiteral("main"));
    main.setGeometry(QRect(small->geometry().topLeft() + QPoint(10, 10), QSize(400, 300)));
    studio->fitWindow();
    EXPECT_TRUE(main.isVisible());
    EXPECT_EQ(studio->notice(), QStringLiteral("Obrazovka je na 1440 × 900 malá, zvol menší velikost nebo jiný monitor."));
    EXPECT_EQ(main.size(), QSize(400, 300));

    main.move(large->geometry().topLeft() + QPoint(100, 100));
    ASSERT_TRUE(waitUntil([&] { return main.screen() == large; }));
    studio->fitWindow();
    EXPECT_FALSE(studio->notice());
    // The content is the store size; the window manager's frame around it touches the top.
    const QRect area = large->availableGeometry();
    EXPECT_EQ(main.size(), QSize(1440, 900));
    EXPECT_EQ(main.geometry().x(), area.x() + 560);
    EXPECT_EQ(main.frameGeometry().top(), area.top());
}

} // namespace
} // namespace kelvaro
