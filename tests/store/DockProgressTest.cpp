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

struct UpdateCase {
    int done, total;
    bool working;
    std::optional<double> shown; // none: nothing shown
};

class DockUpdateTest : public ::testing::TestWithParam<UpdateCase> {};

TEST_P(DockUpdateTest, ShowsOnlyWhileWorkingOnTwoOrMore)
{
    Fixture f;
    const UpdateCase c = GetParam();
    f.dock.update(c.done, c.total, c.working);
    EXPECT_EQ(f.dock.isShowing(), c.shown.has_value());
    if (c.shown) {
        ASSERT_EQ(f.launcher->updates.size(), 1);
        EXPECT_TRUE(f.launcher->updates.first().visible);
        EXPECT_DOUBLE_EQ(f.launcher->updates.first().fraction, *c.shown);
    } else {
        EXPECT_TRUE(f.launcher->updates.isEmpty()); // nothing shown, nothing to hide
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, DockUpdateTest,
                         ::testing::Values(UpdateCase{0, 1, true, std::nullopt}, UpdateCase{0, 2, true, 0.0},
                                           UpdateCase{3, 2, true, 1.0}, UpdateCase{-1, 4, true, 0.0},
                                           UpdateCase{1, 4, true, 0.25}, UpdateCase{5, 10, false, std::nullopt},
                                           UpdateCase{0, 0, true, std::nullopt}));

TEST(DockProgressTest, NotWorkingHidesAShownBarOnce)
{
    Fixture f;
    f.dock.update(1, 4, true);
    f.dock.update(5, 10, false);
    f.dock.update(5, 10, false);
    ASSERT_EQ(f.launcher->updates.size(), 2);
    EXPECT_FALSE(f.launcher->updates.last().visible);
    EXPECT_FALSE(f.dock.isShowing());
}

TEST(DockProgressTest, FinishAsksForAttentionOnlyInTheBackground)
{
    Fixture f;
    f.dock.update(1, 2, true);
    f.dock.finish();
    EXPECT_FALSE(f.dock.isShowing());
    EXPECT_EQ(f.attention->requests, 0);
    f.attention->active = false;
    f.dock.finish();
    EXPECT_EQ(f.attention->requests, 1);
    EXPECT_EQ(f.launcher->updates.size(), 2); // shown once, hidden once
}

TEST(DockProgressTest, ASecondRunStartsFromZero)
{
    Fixture f;
    f.dock.update(2, 2, true);
    f.dock.finish();
    f.dock.update(0, 3, true);
    EXPECT_DOUBLE_EQ(f.dock.fraction(), 0.0);
    EXPECT_DOUBLE_EQ(f.launcher->updates.last().fraction, 0.0);
}

} // namespace
} // namespace kelvaro::test
