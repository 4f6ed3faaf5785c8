// The studio window: what it shows in and out of demo mode, its capture button and scene rows,
// closing it, and captures dropped on its drop zone.
#include <memory>

#include <sys/stat.h>

#include <QAbstractButton>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QPainter>
#include <QTemporaryDir>
#include <QVBoxLayout>

#include <gtest/gtest.h>

#include "../support/TestImages.h"
#include "../support/TestSupport.h"
#include "../support/WidgetEvents.h"
#include "output/OutputFolder.h"
#include "platform/FileManager.h"
#include "platform/Settings.h"
#include "store/KelvaroStore.h"
#include "studio/ScreenshotStudio.h"
#include "studio/StudioDropZone.h"
#include "studio/StudioWindow.h"
#include "ui/design/DesignSystem.h"
#include "watch/FolderWatcher.h"

namespace kelvaro {
namespace {

using test::waitUntil;

class StudioWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(temp.isValid());
        // The studio starts in Czech unless English is set; another test in this process may have set it.
        Settings::shared().setValue(QStringLiteral("kelvaro.language"), QStringLiteral("cs"));
        out = temp.path() + QStringLiteral("/out");
        ASSERT_TRUE(QDir().mkpath(out) && OutputFolder::remember(out));
        window.setObjectName(QStringLiteral("studio"));
        auto* column = new QVBoxLayout(&window);
        view = new StudioWindow(studio, {[this] { mainOpenedWhileActive << studio.isActive(); }, files}, &window);
        column->addWidget(view);
        window.show();
    }
    template <typename T = QAbstractButton>
    T* find(const char* name) const
    {
        return view->findChild<T*>(QString::fromLatin1(name));
    }

    QTemporaryDir temp;
    QString out;
    KelvaroStore store;
    FolderWatcher watcher;
    ScreenshotStudio studio{store, &watcher};
    std::shared_ptr<RecordingFileManager> files = std::make_shared<RecordingFileManager>();
    QList<bool> mainOpenedWhileActive;
    QWidget window;
    StudioWindow* view = nullptr;
};

TEST_F(StudioWindowTest, ShowsTheStartCardOrTheOptionsAndClosingEndsDemoMode)
{
    EXPECT_TRUE(find<QWidget>("startCard")->isVisible());
    EXPECT_FALSE(find<QWidget>("options")->isVisible());
    find("start")->click();
    EXPECT_EQ(mainOpenedWhileActive, QList<bool>{false}) << "the main window must be there before demo mode sizes it";
    ASSERT_TRUE(studio.isActive());
    EXPECT_FALSE(find<QWidget>("startCard")->isVisible());
    for (const char* part : {"options", "autoCapture", "scenes", "finisher"})
        EXPECT_TRUE(find<QWidget>(part)->isVisible()) << part;

    EXPECT_EQ(find("scene3")->findChild<Text*>(QStringLiteral("title"))->text(), QStringLiteral("3. Před a po"));
    find("captureCzech")->click();
    EXPECT_TRUE(find("captureAll")->isEnabled());
    find("captureEnglish")->click();
    EXPECT_FALSE(find("captureAll")->isEnabled());

    window.close();
    EXPECT_FALSE(studio.isActive());
    EXPECT_FALSE(store.isShowingDemo());
}

TEST_F(StudioWindowTest, DroppedCapturesBecomeOpaqueScreenshotsOfTheStoreSize)
{
    studio.start();
    // Hand-made captures: the window with a transparent margin around it, as desktop tools take it.
    QList<QUrl> urls;
    for (const char* name : {"a.png", "b.PNG", "c.png"}) {
        QImage capture(2960, 1880, QImage::Format_ARGB32);
        capture.fill(Qt::transparent);
        QPainter(&capture).fillRect(QRect(40, 40, 2880, 1800), QColor(200, 40, 40));
        const QString path = temp.filePath(QString::fromLatin1(name));
        ASSERT_TRUE(capture.save(path));
        urls << QUrl::fromLocalFile(path);
    }
    QFile pdf(temp.filePath(QStringLiteral("d.pdf")));
    ASSERT_TRUE(pdf.open(QIODevice::WriteOnly) && pdf.write("%PDF-1.4\n") > 0);
    pdf.close();
    urls << QUrl::fromLocalFile(pdf.fileName()) << QUrl(QStringLiteral("https://example.org/e.png"));

    auto* zone = find<StudioDropZone>("dropZone");
    const auto dropOn = [zone](const QList<QUrl>& dropped) {
        const std::unique_ptr<QMimeData> mime(test::urlMime(dropped));
        return test::dragEnter(zone, {10, 10}, mime.get()) && test::drop(zone, {10, 10}, mime.get()).accepted;
    };
    EXPECT_TRUE(dropOn(urls));
    auto* note = find<Text>("finishNote");
    ASSERT_TRUE(waitUntil([&] { return !zone->isBusy(); }));
    EXPECT_EQ(note->text(), QStringLiteral("Hotovo: 3 z 3 → AppStream/cs"));
    const QString folder = out + QStringLiteral("/AppStream/cs");
    EXPECT_EQ(QDir(folder).entryList(QDir::Files, QDir::Name), (QStringList{"a.jpg", "b.jpg", "c.jpg"}));
    const QImage shot(folder + QStringLiteral("/b.jpg"));
    EXPECT_EQ(shot.size(), QSize(2880, 1800));
    EXPECT_GT(qRed(shot.pixel(1, 1)), 180) << "the transparent margin was not trimmed away";
    EXPECT_EQ(files->revealed, QList<QStringList>{{folder}});

    // Nothing that is a capture: no output, and the last result stays.
    EXPECT_TRUE(dropOn({QUrl::fromLocalFile(pdf.fileName())}));
    EXPECT_FALSE(zone->isBusy());
    EXPECT_EQ(note->text(), QStringLiteral("Hotovo: 3 z 3 → AppStream/cs"));
}

// Foreign files named like captures: a fifo (a read would wait for ever) and a PNG that claims
// 60000 × 60000 pixels are skipped, the capture beside them is finished.
TEST_F(StudioWindowTest, AFifoOrAnAbsurdSizeNamedLikeACaptureIsSkipped)
{
    studio.start();
    QImage capture(400, 300, QImage::Format_RGB32);
    capture.fill(QColor(40, 120, 200));
    const QString good = temp.filePath(QStringLiteral("a.png"));
    ASSERT_TRUE(capture.save(good));
    const QString fifo = temp.filePath(QStringLiteral("b.png"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0644), 0);
    const QString huge = testimages::writeLyingPng(temp.path(), QStringLiteral("c.png"), QSize(60000, 60000));
    auto* zone = find<StudioDropZone>("dropZone");
    const std::unique_ptr<QMimeData> mime(test::urlMime({QUrl::fromLocalFile(good), QUrl::fromLocalFile(fifo), QUrl::fromLocalFile(huge)}));
    ASSERT_TRUE(test::dragEnter(zone, {10, 10}, mime.get()) && test::drop(zone, {10, 10}, mime.get()).accepted);
    ASSERT_TRUE(waitUntil([&] { return !zone->isBusy(); })) << "a capture is still being read";
    EXPECT_EQ(find<Text>("finishNote")->text(), QStringLiteral("Hotovo: 1 z 3 → AppStream/cs"));
    EXPECT_EQ(QDir(out + QStringLiteral("/AppStream/cs")).entryList(QDir::Files), QStringList{QStringLiteral("a.jpg")});
}

// The studio's results folder that nobody could show is reported as everywhere else.
TEST_F(StudioWindowTest, AResultsFolderNobodyShowedIsReported)
{
    files->reachable = false;
    studio.start();
    QImage capture(400, 300, QImage::Format_RGB32);
    capture.fill(QColor(40, 120, 200));
    const QString path = temp.filePath(QStringLiteral("a.png"));
    ASSERT_TRUE(capture.save(path));
    auto* zone = find<StudioDropZone>("dropZone");
    const std::unique_ptr<QMimeData> mime(test::urlMime({QUrl::fromLocalFile(path)}));
    ASSERT_TRUE(test::dragEnter(zone, {10, 10}, mime.get()) && test::drop(zone, {10, 10}, mime.get()).accepted);
    ASSERT_TRUE(waitUntil([&] { return !zone->isBusy(); }));
    EXPECT_EQ(files->revealed, QList<QStringList>{{out + QStringLiteral("/AppStream/cs")}});
    EXPECT_EQ(store.statusMessage(), QStringLiteral("Složku „cs“ se nepodařilo zobrazit – žádný správce souborů neodpověděl."));
    EXPECT_TRUE(store.statusIsError());
}

} // namespace
} // namespace kelvaro
