// Dragging results out: the chips, the payload and the copy-only operation.
#include <ostream>

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

struct ChipCase {
    int results;
    int fileChips;
    bool allChip;
};

void PrintTo(const ChipCase& c, std::ostream* os)
{
    *os << c.results << " results";
}

class DragOutChips : public ::testing::TestWithParam<ChipCase> {};

TEST_P(DragOutChips, ChipsPerResultCount)
{
    Settings::shared().setValue(QStringLiteral("kelvaro.language"), QStringLiteral("cs"));
    const ChipCase c = GetParam();
    DragOutRow row;
    row.setPaths(results(c.results));
    EXPECT_EQ(row.chips().size(), c.fileChips + (c.allChip ? 1 : 0));
    EXPECT_EQ(row.allChip() != nullptr, c.allChip);
    if (c.allChip) {
        EXPECT_EQ(row.allChip(), row.chips().last());
        EXPECT_EQ(row.allChip()->toolTip(), QStringLiteral("Přetáhni všechny výsledky najednou"));
    }
}

INSTANTIATE_TEST_SUITE_P(Counts, DragOutChips,
                         ::testing::Values(ChipCase{1, 1, false}, ChipCase{2, 2, true}, ChipCase{3, 3, true},
                                           ChipCase{5, 3, true}, ChipCase{8, 3, true}));

TEST_F(DragOutRowTest, ChipTooltipNamesTheWholeFile)
{
    DragOutRow row;
    const QString longName = QStringLiteral("/tmp/out/") + QString(80, QLatin1Char('x')) + QStringLiteral(".png");
    row.setPaths({longName});
    EXPECT_EQ(row.chips().first()->toolTip(), QStringLiteral("Přetáhni ") + QString(80, QLatin1Char('x')) + ".png");
    // The name is cut to at most 120 px; the chip stays small.
    EXPECT_LT(row.chips().first()->width(), 8 + 16 + 5 + 120 + 8 + 1);
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

TEST_F(DragOutRowTest, FanOffsetsStopAtThirty)
{
    const QList<QPoint> offsets = fanOffsets(8);
    ASSERT_EQ(offsets.size(), 8);
    EXPECT_EQ(offsets[0], QPoint(0, 0));
    EXPECT_EQ(offsets[1], QPoint(6, 6));
    EXPECT_EQ(offsets[5], QPoint(30, 30));
    EXPECT_EQ(offsets[6], offsets[5]);
    EXPECT_EQ(offsets[7], offsets[5]);
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

TEST_F(DragOutRowTest, NoResultsNoChips)
{
    DragOutRow row;
    row.setPaths({});
    EXPECT_TRUE(row.chips().isEmpty());
    int drags = 0;
    row.setDragStarter([&](QDrag*) { ++drags; });
    row.startDrag(&row, {}, true);
    EXPECT_EQ(drags, 0);
}

} // namespace
