// The launcher progress rules, with recording doubles.
#include <gtest/gtest.h>

#include "platform/LauncherProgress.h"
#include "store/DockProgress.h"

namespace kelvaro::test {
namespace {

struct Fixture {
    std::shared_ptr<RecordingLauncherProgress> launcher = std::make_shared<RecordingLauncherProgress>();
    std::shared_ptr<RecordingAttention> attention = std::make_shared<RecordingAttention>();
    DockProgress dock{launcher, attention};
};

TEST(DockProgressTest, ShowsOnlyWhileWorkingOnTwoOrMore)
{
    const struct {
        int done, total;
        bool working;
        std::optional<double> shown; // none: nothing shown
    } rows[] = {{0, 1, true, std::nullopt}, {0, 2, true, 0.0}, {3, 2, true, 1.0}, {-1, 4, true, 0.0},
                {1, 4, true, 0.25},         {5, 10, false, std::nullopt}, {0, 0, true, std::nullopt}};
    for (const auto& row : rows) {
        Fixture f;
        f.dock.update(row.done, row.total, row.working);
        EXPECT_EQ(f.dock.isShowing(), row.shown.has_value()) << row.done << "/" << row.total;
        if (row.shown) {
            ASSERT_EQ(f.launcher->updates.size(), 1);
            EXPECT_TRUE(f.launcher->updates.first().visible);
            EXPECT_DOUBLE_EQ(f.launcher->updates.first().fraction, *row.shown);
        } else {
            EXPECT_TRUE(f.launcher->updates.isEmpty()); // nothing shown, nothing to hide
        }
    }
}

// A shown bar is hidden once when the work stops; the next run starts from zero. (Attention at the
// end of a run: RunTest.)
TEST(DockProgressTest, NotWorkingHidesAShownBarOnceAndTheNextRunStartsFromZero)
{
    Fixture f;
    f.dock.update(1, 4, true);
    f.dock.update(5, 10, false);
    f.dock.update(5, 10, false);
    ASSERT_EQ(f.launcher->updates.size(), 2);
    EXPECT_FALSE(f.launcher->updates.last().visible);
    EXPECT_FALSE(f.dock.isShowing());
    f.dock.update(2, 2, true);
    f.dock.finish();
    EXPECT_FALSE(f.dock.isShowing());
    f.dock.update(0, 3, true);
    EXPECT_DOUBLE_EQ(f.dock.fraction(), 0.0);
    EXPECT_DOUBLE_EQ(f.launcher->updates.last().fraction, 0.0);
}

} // namespace
} // namespace kelvaro::test
