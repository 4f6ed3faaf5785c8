// Dragging results out: the chips and what each carries.

#include <QDrag>
#include <QMimeData>

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
    // results, file chips, whether an "all" chip follows them
    for (const auto& [results, fileChips, allChip] : {std::tuple{0, 0, false}, {1, 1, false}, {2, 2, true}, {3, 3, true},
                                                      {5, 3, true}, {8, 3, true}}) {
        DragOutRow row;
        row.setPaths(::results(results));
        EXPECT_EQ(row.chips().size(), fileChips + (allChip ? 1 : 0)) << results;
        EXPECT_EQ(row.allChip() != nullptr, allChip) << results;
        if (allChip)
            EXPECT_EQ(row.allChip(), row.chips().last());
    }
}

// Presses on a chip and moves `distance` to the right.
void dragChip(QWidget* chip, double distance = 34)
{
    uitest::mouse(chip, QEvent::MouseButtonPress, QPointF(6, 6));
    uitest::mouse(chip, QEvent::MouseMove, QPointF(6 + distance, 6));
}

// The "all" chip carries every result, a file chip its own file, and a small wiggle starts no drag.
TEST_F(DragOutRowTest, ChipsDragTheirFilesAsUriList)
{
    DragOutRow row;
    const QStringList paths = results(5);
    row.setPaths(paths);
    QList<QList<QUrl>> drags;
    row.setDragStarter([&](QDrag* drag) {
        EXPECT_TRUE(drag->mimeData()->hasFormat(QStringLiteral("text/uri-list")));
        EXPECT_FALSE(drag->pixmap().isNull());
        drags << drag->mimeData()->urls();
        drag->deleteLater();
    });
    ASSERT_NE(row.allChip(), nullptr);
    dragChip(row.allChip());
    dragChip(row.chips().at(1));
    dragChip(row.chips().at(2), 1);
    ASSERT_EQ(drags.size(), 2);
    EXPECT_EQ(drags[0], wheeltest::urlsOf(paths));
    EXPECT_EQ(drags[1], wheeltest::urlsOf({paths[1]}));
    EXPECT_EQ(kResultDragActions, Qt::DropActions(Qt::CopyAction)); // a drop never moves a result away
}

} // namespace
