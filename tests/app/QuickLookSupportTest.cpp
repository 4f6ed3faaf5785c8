// Keyboard preview over a result list: Space opens and closes, Up and Down step the selection
// (the open preview following), stepping inside the preview moves the list, and the preview
// window shows pictures (PDF and HEIC included), text and other files.
#include <QApplication>
#include <QListWidget>
#include <QScopeGuard>
#include <QScreen>
#include <QStackedWidget>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "../support/TestImages.h"
#include "../support/TestSupport.h"
#include "../support/WidgetEvents.h"
#include "app/QuickLookSupport.h"
#include "platform/Settings.h"

using namespace kelvaro;
namespace ti = kelvaro::testimages;

namespace {

// True when the key was consumed before reaching the list's own handling.
using test::pressKey;

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

TEST_F(QuickLookTest, SpaceOpensTheSelectedOrFirstFileAndClosesItKeepingTheSelectionAndTheOpenPreviewFollows)
{
    const QStringList files{png(QStringLiteral("a.png")), png(QStringLiteral("b.png")), png(QStringLiteral("c.png"))};
    QuickLookList* ql = listOf(files);
    pressKey(list.get(), Qt::Key_Space, Qt::ControlModifier); // modified keys are left alone
    EXPECT_FALSE(ql->preview());
    EXPECT_TRUE(pressKey(list.get(), Qt::Key_Space));
    EXPECT_EQ(ql->selection(), files[0]);
    EXPECT_EQ(currentRow(), 0);
    ASSERT_NE(ql->panel(), nullptr);
    EXPECT_TRUE(ql->panel()->isVisible());
    EXPECT_EQ(ql->panel()->file(), files[0]);
    pressKey(list.get(), Qt::Key_Space, Qt::NoModifier, true);
    EXPECT_TRUE(ql->preview()) << "a held Space must not close what it opened";
    EXPECT_TRUE(pressKey(list.get(), Qt::Key_Space));
    EXPECT_FALSE(ql->preview());
    EXPECT_FALSE(ql->panel()->isVisible());
    EXPECT_EQ(ql->selection(), files[0]) << "closing keeps the selection";
    list->setCurrentRow(1);
    pressKey(list.get(), Qt::Key_Space);
    EXPECT_EQ(ql->preview(), files[1]);
    // Closing the preview itself lets Space open it again.
    pressKey(ql->panel(), Qt::Key_Escape);
    EXPECT_FALSE(ql->preview());
    pressKey(list.get(), Qt::Key_Space);
    EXPECT_EQ(ql->preview(), files[1]);
    // The open preview follows the arrows, and stepping inside it moves the list.
    pressKey(list.get(), Qt::Key_Down);
    pressKey(list.get(), Qt::Key_Down);
    EXPECT_EQ(ql->panel()->file(), files[2]);
    EXPECT_EQ(currentRow(), 2);
    pressKey(ql->panel(), Qt::Key_Left);
    EXPECT_EQ(ql->panel()->file(), files[1]);
    EXPECT_EQ(ql->preview(), files[1]);
    EXPECT_EQ(ql->selection(), files[1]);
    EXPECT_EQ(currentRow(), 1);

    // The open preview goes with its list; on an empty list the keys are left to the list.
    const QPointer<QuickLookPanel> panel = ql->panel();
    QuickLookList* empty = listOf({});
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(panel.isNull());
    EXPECT_EQ(empty->togglePreview(), QuickLookList::KeyResult::ignored);
    EXPECT_EQ(empty->move(1), QuickLookList::KeyResult::ignored);
    EXPECT_EQ(empty->panel(), nullptr);
}

TEST_F(QuickLookTest, ArrowsStartFromAnEndStopAtTheEndsAndNeverOpenThePreview)
{
    const QStringList files{png(QStringLiteral("a.png")), png(QStringLiteral("b.png")), png(QStringLiteral("c.png"))};
    QuickLookList* ql = listOf(files);
    EXPECT_TRUE(pressKey(list.get(), Qt::Key_Down));
    EXPECT_EQ(ql->selection(), files[0]);
    EXPECT_TRUE(pressKey(list.get(), Qt::Key_Up)); // stops at the end and still consumes the key
    EXPECT_EQ(currentRow(), 0);
    QuickLookList* other = listOf(files);
    EXPECT_TRUE(pressKey(list.get(), Qt::Key_Up));
    EXPECT_EQ(other->selection(), files[2]);
    EXPECT_TRUE(pressKey(list.get(), Qt::Key_Down));
    EXPECT_EQ(currentRow(), 2);
    EXPECT_EQ(other->panel(), nullptr) << "arrows never open the preview";
    // A selection outside the list starts from an end.
    other->setSelection(temp.filePath(QStringLiteral("filtered-out.png")));
    EXPECT_EQ(other->move(1), QuickLookList::KeyResult::handled);
    EXPECT_EQ(other->selection(), files[0]);
    other->setSelection(temp.filePath(QStringLiteral("filtered-out.png")));
    other->move(-1);
    EXPECT_EQ(other->selection(), files[2]);
    // The same file twice counts from its first place.
    QuickLookList* twice = listOf({files[0], files[1], files[0]});
    list->setCurrentRow(2);
    twice->move(1);
    EXPECT_EQ(twice->selection(), files[1]);
    pressKey(list.get(), Qt::Key_Down, Qt::ShiftModifier); // left to the list
    EXPECT_EQ(twice->panel(), nullptr);
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
    ASSERT_TRUE(test::waitUntil([&] { return elsewhere->hasFocus(); }));
    list->setCurrentRow(1); // what a click does
    EXPECT_EQ(ql->selection(), files[1]);
    EXPECT_TRUE(list->hasFocus());
    list->setParent(nullptr);
}

// The panel never has the keys, so Escape reaches the list; and the preview goes when the list's
// screen gives way to another.
TEST_F(QuickLookTest, EscapeOrLeavingTheListsScreenClosesThePreview)
{
    const QStringList files{png(QStringLiteral("a.png")), png(QStringLiteral("b.png"))};
    QuickLookList* ql = listOf(files);
    QStackedWidget screens;
    screens.addWidget(list.get());
    const auto giveBack = qScopeGuard([&] { list->setParent(nullptr); }); // the fixture owns the list
    auto* home = new QWidget(&screens);
    screens.addWidget(home);
    screens.setCurrentWidget(list.get());
    screens.show();

    EXPECT_FALSE(pressKey(list.get(), Qt::Key_Escape)) << "with no preview, Escape is the list's";
    pressKey(list.get(), Qt::Key_Space);
    ASSERT_TRUE(ql->preview());
    EXPECT_TRUE(pressKey(list.get(), Qt::Key_Escape));
    EXPECT_FALSE(ql->preview());
    EXPECT_FALSE(ql->panel()->isVisible());
    EXPECT_EQ(ql->selection(), files[0]);

    pressKey(list.get(), Qt::Key_Space);
    ASSERT_TRUE(ql->panel()->isVisible());
    screens.setCurrentWidget(home);
    EXPECT_FALSE(ql->preview());
    EXPECT_FALSE(ql->panel()->isVisible());
    screens.setCurrentWidget(list.get());
    EXPECT_FALSE(ql->panel()->isVisible()) << "coming back does not bring it back";
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

TEST_F(QuickLookTest, ThePreviewWindowShowsPicturesUprightTextAsTextAndOtherFilesByName)
{
    test::writeFile(temp.filePath(QStringLiteral("rozpoznaný text.txt")), "Účtenka\n<b>123</b>");
    test::writeFile(temp.filePath(QStringLiteral("archiv.zip")), "PK");
    const struct {
        QString file;
        QuickLookPanel::Content content;
        QSize size; // of a picture
    } rows[] = {
        {ti::writeJpeg(temp.path(), QStringLiteral("turned.jpg"), ti::quadrants(80, 40), ti::oriented(6)), QuickLookPanel::Content::image, {40, 80}},
        {ti::writePdf(temp.path(), QStringLiteral("doc.pdf"), QSizeF(100, 200)), QuickLookPanel::Content::image, {}},
        {ti::writeHeic(temp.path(), QStringLiteral("photo.heic"), ti::quadrants(64, 48)), QuickLookPanel::Content::image, {64, 48}},
        {temp.filePath(QStringLiteral("rozpoznaný text.txt")), QuickLookPanel::Content::text, {}},
        {temp.filePath(QStringLiteral("archiv.zip")), QuickLookPanel::Content::none, {}},
        {ti::writeGarbage(temp.path(), QStringLiteral("rozbitá.jpg")), QuickLookPanel::Content::none, {}},
        {temp.filePath(QStringLiteral("smazaná.png")), QuickLookPanel::Content::none, {}},
    };
    QuickLookPanel panel;
    panel.resize(500, 360);
    panel.show();
    for (const auto& row : rows) {
        SCOPED_TRACE(row.file.toStdString());
        panel.showFile(row.file);
        ASSERT_TRUE(panel.waitForContent(30000));
        EXPECT_EQ(panel.content(), row.content);
        if (row.size.isValid()) {
            EXPECT_EQ(panel.image().size(), row.size);
        }
    }
    panel.showFile(rows[1].file);
    ASSERT_TRUE(panel.waitForContent(30000));
    EXPECT_LT(panel.image().width(), panel.image().height()); // the PDF's page is upright
    panel.showFile(rows[3].file);
    ASSERT_TRUE(panel.waitForContent(30000));
    EXPECT_EQ(panel.text(), QStringLiteral("Účtenka\n<b>123</b>"));
}

// The preview opens centred over the window of its list and wholly on the screen (the offscreen
// screen is 800 × 800), wherever that window stands.
struct ListSpot {
    const char* name;
    QPoint at;
    bool centred; // the whole preview fits centred
};

class PreviewPlacement : public QuickLookTest, public ::testing::WithParamInterface<ListSpot> {};

TEST_P(PreviewPlacement, CentredOverTheListsWindowAndOnTheScreen)
{
    QuickLookList* ql = listOf({png(QStringLiteral("a.png"))});
    list->move(GetParam().at);
    ASSERT_TRUE(pressKey(list.get(), Qt::Key_Space));
    ASSERT_NE(ql->panel(), nullptr);
    ASSERT_TRUE(test::waitUntil([&] { return ql->panel()->isVisible(); }));
    const QRect frame = ql->panel()->frameGeometry();
    const QRect owner = list->frameGeometry();
    EXPECT_TRUE(QGuiApplication::primaryScreen()->availableGeometry().contains(frame))
        << frame.x() << "," << frame.y() << " " << frame.width() << "×" << frame.height();
    if (GetParam().centred) {
        EXPECT_LE((frame.center() - owner.center()).manhattanLength(), 2)
            << frame.center().x() << "," << frame.center().y() << " over " << owner.center().x() << "," << owner.center().y();
    }
}

INSTANTIATE_TEST_SUITE_P(Spots, PreviewPlacement,
                         ::testing::Values(ListSpot{"overTheMiddle", {250, 300}, true},
                                           ListSpot{"nearTheBottomRight", {560, 640}, false}),
                         test::RowName());

} // namespace
