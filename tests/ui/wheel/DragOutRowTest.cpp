// Dragging results out: the chips, the payload and the copy-only operation.

#include <QDrag>
#include <QMimeData>
#include <QMouseEvent>

#include <gtest/gtest.h>

#include "ui/wheel/DragOutRow.h"
#include "WheelTestSupport.h"

using namespace kelvaro;
using namespace kelvaro::wheel;

namespace {

class DragOutRowTest : public wheeltest::CzechTest {};

QStringList results(int count)
{
    QStringList paths;
    for (int i = 0; i < count; ++i)
        paths.append(QStringLiteral("/tmp/out/result %1.png").arg(i + 1));
    return paths;
}

TEST(DragOutChips, ChipsPerResultCount)
{
    Settings::shared().setValue(QStringLiteral("kelvaro.language"), QStringLiteral("cs"));
    // results, file chips, whether an "all" chip follows them
    for (const auto& [results, fileChips, allChip] : {std::tuple{0, 0, false}, {1, 1, false}, {2, 2, true}, {3, 3, true},
                                                      {5, 3, true}, {8, 3, true}}) {
        DragOutRow row;
        row.setPaths(::results(results));
        EXPECT_EQ(row.chips().size(), fileChips + (allChip ? 1 : 0)) << results;
        EXPECT_EQ(row.allChip() != nullptr, allChip) << results;
        if (allChip) {
            EXPECT_EQ(row.allChip(), row.chips().last());
            EXPECT_EQ(row.allChip()->toolTip(), QStringLiteral("Přetáhni všechny výsledky najednou"));
        }
    }
}

TEST_F(DragOutRowTest, PayloadIsEveryFileAsUriList)
{
    const QStringList paths = results(5);
    std::unique_ptr<QMimeData> mime(makeResultMime(paths));
    ASSERT_TRUE(mime->hasFormat(QStringLiteral("text/uri-list")));
    QList<QUrl> urls = mime->urls();
    ASSERT_EQ(urls.size(), 5);
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(urls[i].toLocalFile(), paths[i]);
    EXPECT_EQ(kResultDragActions, Qt::DropActions(Qt::CopyAction));
}

// Presses on a chip and moves far enough to start a drag; returns what the drag carried.
struct Recorded {
    int drags = 0;
    QList<QUrl> urls;
    Qt::DropActions actions;
};

void dragChip(QWidget* chip)
{
    const QPointF start(6, 6);
    QMouseEvent press(QEvent::MouseButtonPress, start, chip->mapToGlobal(start), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(chip, &press);
    const QPointF end(40, 6);
    QMouseEvent move(QEvent::MouseMove, end, chip->mapToGlobal(end), Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(chip, &move);
}

TEST_F(DragOutRowTest, AllChipDragsEveryResultCopyOnly)
{
    DragOutRow row;
    row.setPaths(results(5));
    Recorded rec;
    row.setDragStarter([&](QDrag* drag) {
        ++rec.drags;
        rec.urls = drag->mimeData()->urls();
        rec.actions = kResultDragActions;
        EXPECT_FALSE(drag->pixmap().isNull());
        drag->deleteLater();
    });
    ASSERT_NE(row.allChip(), nullptr);
    dragChip(row.allChip());
    EXPECT_EQ(rec.drags, 1);
    EXPECT_EQ(rec.urls.size(), 5);
    EXPECT_EQ(rec.actions, Qt::DropActions(Qt::CopyAction));
}

TEST_F(DragOutRowTest, FileChipDragsItsOwnFile)
{
    DragOutRow row;
    const QStringList paths = results(3);
    row.setPaths(paths);
    QList<QUrl> urls;
    row.setDragStarter([&](QDrag* drag) {
        urls = drag->mimeData()->urls();
        drag->deleteLater();
    });
    dragChip(row.chips().at(1));
    ASSERT_EQ(urls.size(), 1);
    EXPECT_EQ(urls.first().toLocalFile(), paths[1]);
}

TEST_F(DragOutRowTest, ASmallWiggleIsNoDrag)
{
    DragOutRow row;
    row.setPaths(results(2));
    int drags = 0;
    row.setDragStarter([&](QDrag* drag) {
        ++drags;
        drag->deleteLater();
    });
    QWidget* chip = row.chips().first();
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(6, 6), chip->mapToGlobal(QPointF(6, 6)), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(chip, &press);
    QMouseEvent move(QEvent::MouseMove, QPointF(7, 6), chip->mapToGlobal(QPointF(7, 6)), Qt::NoButton, Qt::LeftButton,
                     Qt::NoModifier);
    QApplication::sendEvent(chip, &move);
    EXPECT_EQ(drags, 0);
}

} // namespace
