// Keyboard preview over a result list: Space opens and closes, Up and Down step the selection
// (the open preview following), stepping inside the preview moves the list, and the preview
// window shows pictures (PDF and HEIC included), text and other files.
#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QKeyEvent>
#include <QListWidget>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "TestPaths.h"
#include "../support/TestImages.h"
#include "app/QuickLookSupport.h"
#include "platform/Settings.h"

using namespace kelvaro;
namespace ti = kelvaro::testimages;

namespace {

bool waitFor(const std::function<bool()>& done, int ms = 8000)
{
    const qint64 until = QDateTime::currentMSecsSinceEpoch() + ms;
    while (!done() && QDateTime::currentMSecsSinceEpoch() < until)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return done();
}

// Sends a key to `target`; true when it was consumed before reaching the list's own handling.
bool press(QWidget* target, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QKeyEvent event(QEvent::KeyPress, key, modifiers);
    QApplication::sendEvent(target, &event);
    return event.isAccepted();
}

class QuickLookTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(temp.isValid());
        Settings::shared().setValue(QStringLiteral("kelvaro.language"), QStringLiteral("cs"));
    }

    QString png(const QString& name, int w = 60, int h = 40)
    {
        return ti::writePng(temp.path(), name, ti::quadrants(w, h));
    }

    // A list of `paths` (path under Qt::UserRole) with the helper attached and nothing selected.
    QuickLookList* listOf(const QStringList& paths)
    {
        list = std::make_unique<QListWidget>();
        for (const QString& p : paths) {
            auto* item = new QListWidgetItem(QFileInfo(p).fileName(), list.get());
            item->setData(Qt::UserRole, p);
        }
        list->resize(300, 200);
        list->show();
        list->activateWindow();
        QuickLookList* helper = QuickLookList::attach(list.get());
        list->setCurrentItem(nullptr);
        list->clearSelection();
        return helper;
    }

    int currentRow() const { return list->currentRow(); }

    QTemporaryDir temp;
    std::unique_ptr<QListWidget> list;
};

TEST_F(QuickLookTest, SpaceSelectsTheFirstFileAndOpensThenCloses)
{
    const QStringList files{png(QStringLiteral("a.png")), png(QStringLiteral("b.png")), png(QStringLiteral("c.png"))};
    QuickLookList* ql = listOf(files);
    EXPECT_TRUE(press(list.get(), Qt::Key_Space));
    EXPECT_EQ(ql->selection(), files[0]);
    EXPECT_EQ(ql->preview(), files[0]);
    EXPECT_EQ(currentRow(), 0);
    ASSERT_NE(ql->panel(), nullptr);
    EXPECT_TRUE(ql->panel()->isVisible());
    EXPECT_EQ(ql->panel()->file(), files[0]);

    EXPECT_TRUE(press(list.get(), Qt::Key_Space));
    EXPECT_FALSE(ql->preview());
    EXPECT_FALSE(ql->panel()->isVisible());
    EXPECT_EQ(ql->selection(), files[0]) << "closing keeps the selection";
}

TEST_F(QuickLookTest, ThePreviewGoesWithItsList)
{
    QWidget window;
    auto* inner = new QListWidget(&window);
    auto* ql = new QuickLookList(inner);
    ql->setUrls({png(QStringLiteral("a.png"))});
    ql->togglePreview();
    QPointer<QuickLookPanel> panel = ql->panel();
    ASSERT_TRUE(panel);
    delete inner;
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(panel.isNull());
}

TEST_F(QuickLookTest, SpaceOpensTheSelectedFile)
{
    const QStringList files{png(QStringLiteral("a.png")), png(QStringLiteral("b.png"))};
    QuickLookList* ql = listOf(files);
    list->setCurrentRow(1);
    EXPECT_EQ(ql->selection(), files[1]);
    press(list.get(), Qt::Key_Space);
    EXPECT_EQ(ql->preview(), files[1]);
}

TEST_F(QuickLookTest, SpaceOnAnEmptyListIsLeftToTheList)
{
    QuickLookList* ql = listOf({});
    EXPECT_EQ(ql->togglePreview(), QuickLookList::KeyResult::ignored);
    EXPECT_EQ(ql->move(1), QuickLookList::KeyResult::ignored);
    EXPECT_EQ(ql->panel(), nullptr);
}

TEST_F(QuickLookTest, ArrowsFromNothingTakeTheFirstOrTheLast)
{
    const QStringList files{png(QStringLiteral("a.png")), png(QStringLiteral("b.png")), png(QStringLiteral("c.png"))};
    QuickLookList* ql = listOf(files);
    EXPECT_TRUE(press(list.get(), Qt::Key_Down));
    EXPECT_EQ(ql->selection(), files[0]);
    EXPECT_EQ(currentRow(), 0);

    QuickLookList* other = listOf(files);
    EXPECT_TRUE(press(list.get(), Qt::Key_Up));
    EXPECT_EQ(other->selection(), files[2]);
    EXPECT_EQ(currentRow(), 2);
    EXPECT_EQ(other->panel(), nullptr) << "arrows never open the preview";
}

TEST_F(QuickLookTest, ArrowsStopAtTheEndsAndStillConsumeTheKey)
{
    const QStringList files{png(QStringLiteral("a.png")), png(QStringLiteral("b.png"))};
    QuickLookList* ql = listOf(files);
    list->setCurrentRow(0);
    EXPECT_TRUE(press(list.get(), Qt::Key_Up));
    EXPECT_EQ(ql->selection(), files[0]);
    EXPECT_EQ(currentRow(), 0);
    list->setCurrentRow(1);
    EXPECT_TRUE(press(list.get(), Qt::Key_Down));
    EXPECT_EQ(ql->selection(), files[1]);
    EXPECT_EQ(currentRow(), 1);
}

TEST_F(QuickLookTest, ASelectionOutsideTheListStartsFromAnEnd)
{
    const QStringList files{png(QStringLiteral("a.png")), png(QStringLiteral("b.png")), png(QStringLiteral("c.png"))};
    QuickLookList* ql = listOf(files);
    ql->setSelection(temp.filePath(QStringLiteral("filtered-out.png")));
    EXPECT_EQ(ql->move(1), QuickLookList::KeyResult::handled);
    EXPECT_EQ(ql->selection(), files[0]);
    ql->setSelection(temp.filePath(QStringLiteral("filtered-out.png")));
    ql->move(-1);
    EXPECT_EQ(ql->selection(), files[2]);
}

TEST_F(QuickLookTest, TheOpenPreviewFollowsTheArrows)
{
    const QStringList files{png(QStringLiteral("a.png")), png(QStringLiteral("b.png")), png(QStringLiteral("c.png"))};
    QuickLookList* ql = listOf(files);
    press(list.get(), Qt::Key_Space);
    press(list.get(), Qt::Key_Down);
    EXPECT_EQ(ql->preview(), files[1]);
    EXPECT_EQ(ql->panel()->file(), files[1]);
    press(list.get(), Qt::Key_Down);
    press(list.get(), Qt::Key_Down);
    EXPECT_EQ(ql->panel()->file(), files[2]);
    EXPECT_EQ(currentRow(), 2);
}

TEST_F(QuickLookTest, SteppingInsideThePreviewMovesTheList)
{
    const QStringList files{png(QStringLiteral("a.png")), png(QStringLiteral("b.png")), png(QStringLiteral("c.png"))};
    QuickLookList* ql = listOf(files);
    press(list.get(), Qt::Key_Space);
    press(ql->panel(), Qt::Key_Right);
    EXPECT_EQ(ql->panel()->file(), files[1]);
    EXPECT_EQ(ql->preview(), files[1]);
    EXPECT_EQ(ql->selection(), files[1]);
    EXPECT_EQ(currentRow(), 1);
    press(ql->panel(), Qt::Key_Left);
    EXPECT_EQ(currentRow(), 0);
}

TEST_F(QuickLookTest, ClosingThePreviewItselfLetsSpaceOpenItAgain)
{
    const QStringList files{png(QStringLiteral("a.png"))};
    QuickLookList* ql = listOf(files);
    press(list.get(), Qt::Key_Space);
    press(ql->panel(), Qt::Key_Escape);
    EXPECT_FALSE(ql->panel()->isVisible());
    EXPECT_FALSE(ql->preview());
    press(list.get(), Qt::Key_Space);
    EXPECT_TRUE(ql->panel()->isVisible());
    EXPECT_EQ(ql->preview(), files[0]);
}

TEST_F(QuickLookTest, ModifiedKeysAndHeldSpaceAreLeftAlone)
{
    const QStringList files{png(QStringLiteral("a.png")), png(QStringLiteral("b.png"))};
    QuickLookList* ql = listOf(files);
    press(list.get(), Qt::Key_Down, Qt::ShiftModifier);
    press(list.get(), Qt::Key_Space, Qt::ControlModifier);
    EXPECT_FALSE(ql->preview());
    press(list.get(), Qt::Key_Space);
    QKeyEvent repeat(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, QString(), true);
    QApplication::sendEvent(list.get(), &repeat);
    EXPECT_TRUE(ql->preview()) << "a held Space must not close what it opened";
}

TEST_F(QuickLookTest, TheSameFileTwiceCountsFromItsFirstPlace)
{
    const QString a = png(QStringLiteral("a.png"));
    const QString b = png(QStringLiteral("b.png"));
    QuickLookList* ql = listOf({a, b, a});
    list->setCurrentRow(2); // the second "a"
    ql->move(1);
    EXPECT_EQ(ql->selection(), b);
}

TEST_F(QuickLookTest, AClickGivesTheListTheKeyboard)
{
    const QStringList files{png(QStringLiteral("a.png")), png(QStringLiteral("b.png"))};
    QuickLookList* ql = listOf(files);
    QWidget window;
    auto* elsewhere = new QListWidget(&window);
    list->setParent(&window);
    window.show();
    QApplication::setActiveWindow(&window);
    elsewhere->setFocus();
    ASSERT_TRUE(waitFor([&] { return elsewhere->hasFocus(); }));
    list->setCurrentRow(1); // what a click does
    EXPECT_EQ(ql->selection(), files[1]);
    EXPECT_TRUE(list->hasFocus());
    list->setParent(nullptr);
}

TEST_F(QuickLookTest, HelperWithoutAnItemViewUsesTheGivenList)
{
    QWidget list;
    QuickLookList ql(&list);
    const QStringList files{png(QStringLiteral("a.png")), png(QStringLiteral("b.png"))};
    ql.setUrls(files);
    QStringList requested;
    QObject::connect(&ql, &QuickLookList::selectionRequested, [&requested](const QString& p) { requested << p; });
    EXPECT_EQ(ql.togglePreview(), QuickLookList::KeyResult::handled);
    EXPECT_EQ(requested, QStringList{files[0]});
    EXPECT_EQ(ql.move(1), QuickLookList::KeyResult::handled);
    EXPECT_EQ(requested, (QStringList{files[0], files[1]}));
    EXPECT_EQ(ql.panel()->file(), files[1]);
    ql.togglePreview();
}

// ---- The preview window -------------------------------------------------------------------------

TEST_F(QuickLookTest, PicturesAreShownUpright)
{
    ti::Metadata meta;
    meta.orientation = 6;
    const QString jpeg = ti::writeJpeg(temp.path(), QStringLiteral("turned.jpg"), ti::quadrants(80, 40), meta);
    QuickLookPanel panel;
    panel.showFile(jpeg);
    ASSERT_TRUE(panel.waitForContent());
    ASSERT_EQ(panel.content(), QuickLookPanel::Content::image);
    EXPECT_EQ(panel.image().size(), QSize(40, 80));
}

TEST_F(QuickLookTest, PdfAndHeicArePreviewed)
{
    QuickLookPanel panel;
    panel.showFile(ti::writePdf(temp.path(), QStringLiteral("doc.pdf"), QSizeF(100, 200)));
    ASSERT_TRUE(panel.waitForContent());
    EXPECT_EQ(panel.content(), QuickLookPanel::Content::image);
    EXPECT_LT(panel.image().width(), panel.image().height());

    panel.showFile(ti::writeHeic(temp.path(), QStringLiteral("photo.heic"), ti::quadrants(64, 48)));
    ASSERT_TRUE(panel.waitForContent());
    EXPECT_EQ(panel.content(), QuickLookPanel::Content::image);
    EXPECT_EQ(panel.image().size(), QSize(64, 48));
}

TEST_F(QuickLookTest, TextFilesAreShownAsText)
{
    const QString path = temp.filePath(QStringLiteral("rozpoznaný text.txt"));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("Účtenka\n<b>123</b>");
    f.close();
    QuickLookPanel panel;
    panel.resize(500, 360);
    panel.show();
    panel.showFile(path);
    ASSERT_TRUE(panel.waitForContent());
    EXPECT_EQ(panel.content(), QuickLookPanel::Content::text);
    EXPECT_EQ(panel.text(), QStringLiteral("Účtenka\n<b>123</b>"));
}

TEST_F(QuickLookTest, OtherAndBrokenFilesShowTheirNameOnly)
{
    QuickLookPanel panel;
    panel.resize(500, 360);
    panel.show();
    const QString zip = temp.filePath(QStringLiteral("archiv.zip"));
    QFile f(zip);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("PK");
    f.close();
    panel.showFile(zip);
    ASSERT_TRUE(panel.waitForContent());
    EXPECT_EQ(panel.content(), QuickLookPanel::Content::none);
    const QString dir = QStringLiteral(KELVARO_BUILD_DIR) + QStringLiteral("/gallery/extras");
    QDir().mkpath(dir);
    panel.grab().save(dir + QStringLiteral("/quick-look-other.png"));
    panel.showFile(ti::writeGarbage(temp.path(), QStringLiteral("rozbitá.jpg")));
    ASSERT_TRUE(panel.waitForContent());
    EXPECT_EQ(panel.content(), QuickLookPanel::Content::none);
    panel.showFile(temp.filePath(QStringLiteral("smazaná.png")));
    ASSERT_TRUE(panel.waitForContent());
    EXPECT_EQ(panel.content(), QuickLookPanel::Content::none);
}

TEST_F(QuickLookTest, Picture)
{
    QuickLookPanel panel;
    panel.resize(520, 400);
    panel.show();
    panel.showFile(png(QStringLiteral("Dovolená 2026.png"), 600, 400));
    ASSERT_TRUE(panel.waitForContent());
    const QString dir = QStringLiteral(KELVARO_BUILD_DIR) + QStringLiteral("/gallery/extras");
    QDir().mkpath(dir);
    EXPECT_TRUE(panel.grab().save(dir + QStringLiteral("/quick-look.png")));
}

} // namespace
