// Capturing the main window at the screen's density with its sheet, and the capture of every
// scene: the files and texts of a run, stopping it, and a failed capture.
#include <memory>

#include <QDialog>
#include <QDir>
#include <QGuiApplication>
#include <QImageReader>
#include <QScreen>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "../support/TestSupport.h"
#include "app/KelvaroApp.h"
#include "app/MainWindow.h"
#include "app/ScreenInstaller.h"
#include "output/OutputFolder.h"
#include "platform/FileManager.h"
#include "platform/Log.h"
#include "platform/Settings.h"
#include "platform/SettingsKeys.h"
#include "store/KelvaroStore.h"
#include "studio/CaptureRun.h"
#include "studio/ScreenshotStudio.h"
#include "studio/StudioCapture.h"
#include "ui/main/ContentView.h"
#include "ui/main/ScreenFactory.h"
#include "watch/FolderWatcher.h"

namespace kelvaro {
namespace {

using test::passPostedEvents;
using test::passTimersOf;
using test::waitUntil;

const QString kLanguage = QStringLiteral("kelvaro.language");

// The application's main window on the 2560×1600 screen at density 2, over a store the studio
// switches into demo mode.
class CaptureTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(temp.isValid());
        out = temp.path() + QStringLiteral("/out");
        ASSERT_TRUE(QDir().mkpath(out) && OutputFolder::remember(out));
        Settings::shared().setValue(kLanguage, QStringLiteral("en"));
        // A welcome not yet done would stand over every staged scene.
        Settings::shared().setValue(QString::fromLatin1(SettingsKey::onboarded), true);
        CaptureRun::setTiming({std::chrono::milliseconds(50), std::chrono::milliseconds(150), std::chrono::milliseconds(700)});
        installScreens();
        store = std::make_unique<KelvaroStore>();
        watcher = std::make_unique<FolderWatcher>();
        ScreenFactory::setWatcher(watcher.get());
        KelvaroAppOptions options;
        options.useTray = false;
        app = std::make_unique<KelvaroApp>(*store, options);
        studio = std::make_unique<ScreenshotStudio>(*store, watcher.get());
        for (QScreen* screen : QGuiApplication::screens())
            if (screen->devicePixelRatio() == 2)
                app->mainWindow()->move(screen->geometry().topLeft() + QPoint(100, 100));
        app->showMainWindow();
        ASSERT_TRUE(waitUntil([&] { return app->mainWindow()->devicePixelRatio() == 2; }));
    }
    void TearDown() override
    {
        studio.reset();
        app.reset();
        ScreenFactory::reset();
    }

    // Runs a capture to its end; `during` is called on every progress text.
    void capture(const QList<AppLanguage>& languages, bool framed, std::function<void(const QString&)> during)
    {
        const QMetaObject::Connection watch =
            QObject::connect(studio.get(), &ScreenshotStudio::changed, [this, during] { during(studio->captureProgress()); });
        studio->captureAll(languages, framed, files);
        ASSERT_TRUE(studio->isCapturing());
        ASSERT_TRUE(waitUntil([&] { return !studio->isCaptureRunning(); }, 60000));
        QObject::disconnect(watch);
    }
    QStringList written(const QString& code) const
    {
        return QDir(out + QStringLiteral("/AppStream/") + code).entryList(QDir::Files, QDir::Name);
    }

    QTemporaryDir temp;
    QString out;
    std::unique_ptr<KelvaroStore> store;
    std::unique_ptr<FolderWatcher> watcher;
    std::unique_ptr<KelvaroApp> app;
    std::unique_ptr<ScreenshotStudio> studio;
    std::shared_ptr<RecordingFileManager> files = std::make_shared<RecordingFileManager>();
};

TEST_F(CaptureTest, CapturesTheWindowAtDoubleDensityWithTheSheetAtItsPlace)
{
    studio->start();
    studio->show(4);
    MainWindow* window = app->mainWindow();
    ASSERT_EQ(window->size(), QSize(1440, 900));
    const QImage bare = StudioCapture::captureMainWindow().image;
    EXPECT_EQ(bare.size(), QSize(2880, 1800));

    ASSERT_TRUE(waitUntil([&] { return window->content()->sheet() && window->content()->sheet()->isVisible(); }));
    passPostedEvents(); // the shown sheet's layout
    QDialog* sheet = window->content()->sheet();
    const QImage drawn = sheet->grab().toImage();
    const QImage shot = StudioCapture::captureMainWindow().image;
    ASSERT_EQ(shot.size(), QSize(2880, 1800));
    const QPoint at = (sheet->mapToGlobal(QPoint()) - window->mapToGlobal(QPoint())) * 2;
    int samples = 0, same = 0, changed = 0;
    for (int y = drawn.height() / 8; y < drawn.height(); y += drawn.height() / 8)
        for (int x = drawn.width() / 8; x < drawn.width(); x += drawn.width() / 8) {
            ++samples;
            same += shot.pixel(at + QPoint(x, y)) == drawn.pixel(x, y);
            changed += bare.pixel(at + QPoint(x, y)) != drawn.pixel(x, y);
        }
    EXPECT_EQ(same, samples); // every sample: how many depends on the sheet's size
    EXPECT_GT(changed, 20) << "the window alone looks like the sheet there";
}

TEST_F(CaptureTest, BothLanguagesWriteSixteenNumberedScreenshotsAndComeBackToTheStartLanguage)
{
    studio->start();
    ASSERT_EQ(studio->language(), AppLanguage::english);
    QStringList progress;
    capture({AppLanguage::czech, AppLanguage::english}, false, [&](const QString& text) {
        if (progress.value(progress.size() - 1) != text)
            progress << text;
    });

    const QStringList names{"01 Domů.jpg", "02 Kolo – Pozadí.jpg", "03 Před a po.jpg", "04 Úpravy.jpg",
                            "05 Postupy.jpg", "06 Sledované složky.jpg", "07 Police.jpg", "08 Historie.jpg"};
    EXPECT_EQ(written(QStringLiteral("cs")), names);
    EXPECT_EQ(written(QStringLiteral("en")), names);
    for (const QString& code : {QStringLiteral("cs"), QStringLiteral("en")})
        for (const QString& name : names)
            EXPECT_EQ(QImageReader(out + QStringLiteral("/AppStream/") + code + QLatin1Char('/') + name).size(), QSize(2880, 1800)) << name.toStdString();
    ASSERT_EQ(progress.size(), 17);
    EXPECT_EQ(progress.first(), QStringLiteral("1 / 16 · cs · Domů"));
    EXPECT_EQ(progress.at(10), QStringLiteral("11 / 16 · en · Před a po"));
    EXPECT_EQ(progress.last(), QStringLiteral("Uloženo 16 z 16 snímků"));
    EXPECT_EQ(files->revealed, QList<QStringList>{{out + QStringLiteral("/AppStream")}});
    EXPECT_EQ(studio->language(), AppLanguage::english);
    EXPECT_EQ(Settings::shared().stringValue(kLanguage), QStringLiteral("en"));
    EXPECT_TRUE(studio->isActive());
}

TEST_F(CaptureTest, StoppingTheCaptureLetsTheSceneInHandFinish)
{
    studio->start();
    capture({AppLanguage::czech}, true, [this](const QString& text) {
        if (text.startsWith(QLatin1String("3 / 8")))
            studio->setCapturing(false);
    });
    EXPECT_EQ(written(QStringLiteral("cs")), (QStringList{"01 Domů.jpg", "02 Kolo – Pozadí.jpg", "03 Před a po.jpg"}));
    EXPECT_EQ(studio->captureProgress(), QStringLiteral("Uloženo 3 z 8 snímků"));
    EXPECT_EQ(studio->language(), AppLanguage::english);
}

TEST_F(CaptureTest, StoppingTheStudioDuringARunLeavesTheUsersLibraryAndLanguage)
{
    const QVariant library = Settings::shared().value(QStringLiteral("kelvaro.library.v1"));
    studio->start();
    capture({AppLanguage::czech, AppLanguage::english}, true, [this](const QString& text) {
        if (text.startsWith(QLatin1String("2 / 16")))
            studio->stop();
    });
    // The window showed the user's own data again: nothing after the stop was captured.
    EXPECT_EQ(written(QStringLiteral("cs")), QStringList{"01 Domů.jpg"});
    passTimersOf(int(ScreenshotStudio::sceneDelay.count())); // the studio's every delayed step
    EXPECT_EQ(Settings::shared().value(QStringLiteral("kelvaro.library.v1")), library);
    EXPECT_EQ(Settings::shared().stringValue(kLanguage), QStringLiteral("en"));
    EXPECT_FALSE(store->isShowingDemo());
    EXPECT_FALSE(watcher->isInDemo());
    EXPECT_FALSE(studio->currentScene());
}

TEST_F(CaptureTest, AFailedCaptureKeepsItsNoticeAndCountsOnlyWhatWasWritten)
{
    studio->start();
    capture({AppLanguage::czech}, false, [this](const QString& text) {
        // After the scene has shown the window, before it is captured.
        if (text.startsWith(QLatin1String("2 / 8")))
            QTimer::singleShot(50, app->mainWindow(), &QWidget::hide);
    });
    EXPECT_EQ(studio->captureProgress(), QStringLiteral("Uloženo 1 z 8 snímků"));
    // The scene shown again after the language came back does not replace the reason.
    passTimersOf(int(ScreenshotStudio::reshowDelay.count()));
    ASSERT_TRUE(waitUntil([&] { return app->mainWindow()->isVisible(); })) << "the scene was never shown again";
    EXPECT_EQ(studio->notice(), QStringLiteral("Hlavní okno se nepodařilo najít."));
    EXPECT_TRUE(recentLogLines().contains(QStringLiteral("Kelvaro studio capture failed: Hlavní okno se nepodařilo najít.")))
        << qPrintable(recentLogLines().join('\n'));
}

} // namespace
} // namespace kelvaro
