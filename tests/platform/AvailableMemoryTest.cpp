// What the process may still take, read from trees laid out as /proc and the cgroup file systems
// show them: the least of the machine's MemAvailable and what each memory cgroup from the
// process's own up to the root leaves, in cgroup v2 and the v1 memory hierarchy, and nothing
// trusted that makes no sense.
#include <optional>
#include <utility>
#include <vector>

#include <sys/stat.h>

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "platform/AvailableMemory.h"
#include "../support/TestSupport.h"

using namespace kelvaro;

namespace {

constexpr qint64 MB = 1'000'000;

const char* const kMeminfo4G = "MemTotal:  8000000 kB\nMemFree: 1000 kB\nMemAvailable:    4000000 kB\n";
const char* const kMountsV2 =
    "22 1 0:21 / /proc rw,nosuid - proc proc rw\n"
    "30 25 0:26 / /sys/fs/cgroup rw,nosuid,nodev,noexec,relatime shared:4 - cgroup2 cgroup2 rw,nsdelegate\n";
const char* const kMountsV1 =
    "30 25 0:26 / /sys/fs/cgroup rw - tmpfs tmpfs rw,mode=755\n"
    "34 30 0:30 / /sys/fs/cgroup/cpu rw shared:9 - cgroup cgroup rw,cpu\n"
    "35 30 0:31 / /sys/fs/cgroup/memory rw shared:10 - cgroup cgroup rw,memory\n"
    "36 30 0:32 / /sys/fs/cgroup/unified rw - cgroup2 cgroup2 rw\n";

struct Row {
    const char* name;
    std::vector<std::pair<const char*, const char*>> files; // path below the root → content
    qint64 expected;
    qint64 held = 0; // what the caller counts as held itself
};

// The path to a user's application through its slice and scope, with limits set on the way.
const std::vector<std::pair<const char*, const char*>> kSliceV2 = {
    {"proc/meminfo", kMeminfo4G},
    {"proc/self/mountinfo", kMountsV2},
    {"proc/self/cgroup", "0::/user.slice/app.slice/kelvaro.scope\n"},
    {"sys/fs/cgroup/memory.current", "9000000000\n"}, // the root has no limit files
    {"sys/fs/cgroup/user.slice/memory.max", "3000000000\n"},
    {"sys/fs/cgroup/user.slice/memory.current", "1000000000\n"},
    {"sys/fs/cgroup/user.slice/app.slice/memory.max", "max\n"},
    {"sys/fs/cgroup/user.slice/app.slice/kelvaro.scope/memory.max", "1500000000\n"},
    {"sys/fs/cgroup/user.slice/app.slice/kelvaro.scope/memory.current", "700000000\n"},
};

std::vector<std::pair<const char*, const char*>> with(std::vector<std::pair<const char*, const char*>> files,
                                                      std::vector<std::pair<const char*, const char*>> more)
{
    for (auto& file : more) {
        bool replaced = false;
        for (auto& existing : files)
            if (qstrcmp(existing.first, file.first) == 0)
                existing.second = file.second, replaced = true;
        if (!replaced)
            files.push_back(file);
    }
    return files;
}

class AvailableMemoryTest : public ::testing::TestWithParam<Row> {};

// Lays `files` out below `root`.
void writeTree(const QTemporaryDir& root, const std::vector<std::pair<const char*, const char*>>& files)
{
    ASSERT_TRUE(root.isValid());
    for (const auto& [path, content] : files) {
        const QString file = root.filePath(QString::fromUtf8(path));
        ASSERT_TRUE(QDir().mkpath(QFileInfo(file).path()));
        if (qstrcmp(content, "<fifo>") == 0)
            ASSERT_EQ(::mkfifo(QFile::encodeName(file).constData(), 0600), 0);
        else
            test::writeFile(file, QByteArray(content));
    }
}

TEST_P(AvailableMemoryTest, isTheLeastThatTheMachineAndEveryCgroupOnThePathLeave)
{
    const Row& row = GetParam();
    const QTemporaryDir root;
    writeTree(root, row.files);
    EXPECT_EQ(AvailableMemory::read(root.path()), row.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Trees, AvailableMemoryTest,
    ::testing::Values(
        Row{"noCgroupLimit", {{"proc/meminfo", kMeminfo4G}, {"proc/self/mountinfo", kMountsV2}, {"proc/self/cgroup", "0::/\n"}},
            4'096'000'000},
        // The scope leaves 800 MB, the slice above it 2 GB, the machine 4 GB.
        Row{"v2OwnCgroupIsLeast", kSliceV2, 800 * MB},
        Row{"v2ParentIsLeast", with(kSliceV2, {{"sys/fs/cgroup/user.slice/memory.current", "2600000000\n"}}), 400 * MB},
        Row{"v2MemoryHighCounts",
            with(kSliceV2, {{"sys/fs/cgroup/user.slice/app.slice/kelvaro.scope/memory.high", "1100000000\n"}}), 400 * MB},
        // Page cache goes before the kernel kills, active or not: it is no use.
        Row{"v2CacheIsFree",
            with(kSliceV2, {{"sys/fs/cgroup/user.slice/app.slice/kelvaro.scope/memory.stat",
                             "anon 300000000\nfile 500000000\nactive_file 100000000\ninactive_file 400000000\n"}}),
            1300 * MB},
        // 650 MB written and not yet on disk: the kernel writes it back and drops it within seconds.
        Row{"v2CacheWaitingToBeWrittenIsFree",
            with(kSliceV2, {{"sys/fs/cgroup/user.slice/app.slice/kelvaro.scope/memory.stat",
                             "anon 50000000\nfile 650000000\nfile_dirty 550000000\nfile_writeback 100000000\n"}}),
            1450 * MB},
        Row{"v2NothingLeftStillAdmitsOneFile",
            with(kSliceV2, {{"sys/fs/cgroup/user.slice/app.slice/kelvaro.scope/memory.current", "1600000000\n"}}), 1},
        Row{"v2WithoutMountinfoReadsTheUsualPlace",
            {{"proc/meminfo", kMeminfo4G},
             {"proc/self/cgroup", "0::/box\n"},
             {"sys/fs/cgroup/box/memory.max", "500000000\n"},
             {"sys/fs/cgroup/box/memory.current", "100000000\n"}},
            400 * MB},
        // A container: its own cgroup is the root of the mount it sees.
        Row{"v2CgroupNamespace",
            {{"proc/meminfo", kMeminfo4G},
             {"proc/self/mountinfo", "40 30 0:40 / /sys/fs/cgroup ro - cgroup2 cgroup rw\n"},
             {"proc/self/cgroup", "0::/\n"},
             {"sys/fs/cgroup/memory.max", "800000000\n"},
             {"sys/fs/cgroup/memory.current", "200000000\n"}},
            600 * MB},
        Row{"v1Hierarchy",
            {{"proc/meminfo", kMeminfo4G},
             {"proc/self/mountinfo", kMountsV1},
             {"proc/self/cgroup", "9:name=systemd:/\n5:cpu:/\n4:memory:/jobs/run 7\n0::/\n"},
             {"sys/fs/cgroup/memory/memory.limit_in_bytes", "9223372036854771712\n"},
             {"sys/fs/cgroup/memory/jobs/memory.limit_in_bytes", "2000000000\n"},
             {"sys/fs/cgroup/memory/jobs/memory.usage_in_bytes", "1700000000\n"},
             {"sys/fs/cgroup/memory/jobs/memory.stat", "cache 1\ninactive_file 5\ntotal_inactive_file 200000000\n"},
             {"sys/fs/cgroup/memory/jobs/run 7/memory.limit_in_bytes", "9223372036854771712\n"},
             {"sys/fs/cgroup/memory/jobs/run 7/memory.usage_in_bytes", "300000000\n"}},
            500 * MB},
        // The hierarchy mounted from the process's own cgroup down, with a space in the mount
        // point as mountinfo writes it.
        Row{"v1MountedBelowTheRoot",
            {{"proc/meminfo", kMeminfo4G},
             {"proc/self/mountinfo", "35 30 0:31 /docker/abc /mnt/mem\\040cg rw - cgroup cgroup rw,memory,nosuid\n"},
             {"proc/self/cgroup", "4:memory:/docker/abc\n"},
             {"mnt/mem cg/memory.limit_in_bytes", "700000000\n"},
             {"mnt/mem cg/memory.usage_in_bytes", "100000000\n"}},
            600 * MB},
        Row{"missingFiles", {}, 0},
        Row{"onlyTheCgroupKnown", with(kSliceV2, {{"proc/meminfo", "MemTotal: 1 kB\n"}}), 800 * MB},
        // Hostile contents limit nothing and crash nothing.
        Row{"garbageNumbers",
            with(kSliceV2, {{"sys/fs/cgroup/user.slice/memory.max", "-5\n"},
                            {"sys/fs/cgroup/user.slice/app.slice/kelvaro.scope/memory.max", "12abc\n"},
                            {"sys/fs/cgroup/user.slice/app.slice/memory.max", "99999999999999999999999999\n"},
                            {"sys/fs/cgroup/user.slice/app.slice/memory.high", ""}}),
            4'096'000'000},
        Row{"garbageUsageCountsAsNone",
            with(kSliceV2, {{"sys/fs/cgroup/user.slice/app.slice/kelvaro.scope/memory.current", "\x01\xff\n"},
                            {"sys/fs/cgroup/user.slice/app.slice/kelvaro.scope/memory.stat", "inactive_file 99999999999\n"}}),
            1500 * MB},
        Row{"garbageMountinfoAndCgroupLines",
            with(kSliceV2, {{"proc/self/mountinfo", "\n - cgroup2\n1 2 3\n1 2 3 4 5 6 - cgroup2\n\x01\xff garbage\n"},
                            {"proc/self/cgroup", ":::\n0\n::\n0::/user.slice/app.slice/kelvaro.scope\n"},
                            {"proc/meminfo", "MemAvailable: 99999999999999999999 kB\nMemAvailable: 1 kB\n"}}),
            800 * MB},
        // A path that climbs out of its mount reads only the mount's own folder.
        Row{"pathThatClimbs",
            with(kSliceV2, {{"proc/self/cgroup", "0::/user.slice/../../etc\n"},
                            {"sys/fs/cgroup/memory.max", "900000000\n"},
                            {"sys/fs/cgroup/memory.current", "100000000\n"}}),
            800 * MB},
        // A FIFO would block a plain read for ever.
        Row{"fifoIsNoFile", with(kSliceV2, {{"sys/fs/cgroup/user.slice/app.slice/kelvaro.scope/memory.max", "<fifo>"},
                                            {"proc/self/mountinfo", "<fifo>"}}),
            2000 * MB}),
    test::RowName{});

class HardRoom : public ::testing::TestWithParam<Row> {};

// What the hard limits alone leave, past which the kernel kills: none without a cgroup limit,
// whatever the machine has available, and memory.high, which only throttles, counts for nothing.
// Page cache the kernel drops, active as much as inactive, and what the caller holds and counts
// itself (a network kept for the next run) are not used: counted as used, photos that fit were
// refused, and so were those written a moment before and not yet on disk. tmpfs, shared memory and
// mapped pages stay.
TEST_P(HardRoom, isWhatTheHardLimitsOnThePathAloneLeave)
{
    const Row& row = GetParam();
    const QTemporaryDir root;
    writeTree(root, row.files);
    EXPECT_EQ(AvailableMemory::measure(root.path(), row.held).hardRoom, row.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Trees, HardRoom,
    ::testing::Values(
        Row{"noCgroupLimit",
            {{"proc/meminfo", "MemAvailable: 1000 kB\n"}, {"proc/self/mountinfo", kMountsV2}, {"proc/self/cgroup", "0::/\n"}}, 0},
        Row{"v2OwnCgroupIsLeast", kSliceV2, 800 * MB},
        Row{"v2MemoryHighIsNoHardLimit",
            with(kSliceV2, {{"sys/fs/cgroup/user.slice/app.slice/kelvaro.scope/memory.high", "1100000000\n"}}), 800 * MB},
        Row{"v2OnlyMemoryHigh",
            with(kSliceV2, {{"sys/fs/cgroup/user.slice/memory.max", "max\n"},
                            {"sys/fs/cgroup/user.slice/app.slice/kelvaro.scope/memory.max", "max\n"},
                            {"sys/fs/cgroup/user.slice/app.slice/kelvaro.scope/memory.high", "1100000000\n"}}),
            0},
        Row{"v1Hierarchy",
            {{"proc/meminfo", kMeminfo4G},
             {"proc/self/mountinfo", kMountsV1},
             {"proc/self/cgroup", "4:memory:/jobs\n"},
             {"sys/fs/cgroup/memory/jobs/memory.limit_in_bytes", "2000000000\n"},
             {"sys/fs/cgroup/memory/jobs/memory.usage_in_bytes", "1500000000\n"}},
            500 * MB},
        // The scope allows 1.5 GB and uses 700 MB.
        Row{"v2ActiveCacheIsFree",
            with(kSliceV2, {{"sys/fs/cgroup/user.slice/app.slice/kelvaro.scope/memory.stat",
                             "anon 200000000\nfile 500000000\nactive_file 400000000\ninactive_file 100000000\n"}}),
            1300 * MB},
        Row{"v2CacheThatCannotBeDroppedIsUsed",
            with(kSliceV2, {{"sys/fs/cgroup/user.slice/app.slice/kelvaro.scope/memory.stat",
                             "anon 100000000\nfile 600000000\nactive_file 300000000\ninactive_file 200000000\nshmem 100000000\n"
                             "file_mapped 150000000\n"}}),
            1150 * MB},
        // Dirty or under writeback, file pages are written and dropped; tmpfs and mapped pages are not.
        Row{"v2DirtyAndWritebackPagesAreFree",
            with(kSliceV2, {{"sys/fs/cgroup/user.slice/app.slice/kelvaro.scope/memory.stat",
                             "anon 100000000\nfile 600000000\nshmem 100000000\nfile_mapped 150000000\n"
                             "file_dirty 200000000\nfile_writeback 50000000\n"}}),
            1150 * MB},
        Row{"v2CacheOfTmpfsAloneIsUsed",
            with(kSliceV2, {{"sys/fs/cgroup/user.slice/app.slice/kelvaro.scope/memory.stat",
                             "anon 100000000\nfile 600000000\nshmem 700000000\n"}}),
            800 * MB},
        Row{"v2WithoutTheCacheTotalTheListsAreFree",
            with(kSliceV2, {{"sys/fs/cgroup/user.slice/app.slice/kelvaro.scope/memory.stat",
                             "active_file 300000000\ninactive_file 100000000\n"}}),
            1200 * MB},
        Row{"v1CacheIsFree",
            {{"proc/meminfo", kMeminfo4G},
             {"proc/self/mountinfo", kMountsV1},
             {"proc/self/cgroup", "4:memory:/jobs\n"},
             {"sys/fs/cgroup/memory/jobs/memory.limit_in_bytes", "2000000000\n"},
             {"sys/fs/cgroup/memory/jobs/memory.usage_in_bytes", "1700000000\n"},
             {"sys/fs/cgroup/memory/jobs/memory.stat",
              "cache 1\ntotal_cache 900000000\ntotal_shmem 100000000\ntotal_mapped_file 100000000\ntotal_dirty 0\n"
              "total_writeback 0\ntotal_active_file 700000000\ntotal_inactive_file 200000000\n"}},
            1000 * MB},
        Row{"v1DirtyAndWritebackPagesAreFree",
            {{"proc/meminfo", kMeminfo4G},
             {"proc/self/mountinfo", kMountsV1},
             {"proc/self/cgroup", "4:memory:/jobs\n"},
             {"sys/fs/cgroup/memory/jobs/memory.limit_in_bytes", "2000000000\n"},
             {"sys/fs/cgroup/memory/jobs/memory.usage_in_bytes", "1700000000\n"},
             {"sys/fs/cgroup/memory/jobs/memory.stat",
              "total_cache 900000000\ntotal_shmem 100000000\ntotal_mapped_file 0\ntotal_dirty 400000000\n"
              "total_writeback 100000000\n"}},
            1100 * MB},
        // 640 MB of the scope's 900 MB kept by the caller; the slice above uses 1 GB of its 3 GB.
        Row{"v2WhatTheCallerHoldsIsFree",
            with(kSliceV2, {{"sys/fs/cgroup/user.slice/app.slice/kelvaro.scope/memory.current", "900000000\n"}}), 1240 * MB,
            640 * MB},
        Row{"v2HeldAndCacheAreFreeTogether",
            with(kSliceV2, {{"sys/fs/cgroup/user.slice/app.slice/kelvaro.scope/memory.current", "900000000\n"},
                            {"sys/fs/cgroup/user.slice/app.slice/kelvaro.scope/memory.stat", "anon 600000000\nfile 300000000\n"}}),
            1400 * MB, 500 * MB},
        // What is held frees no more than a group uses.
        Row{"v2HeldBeyondWhatIsUsed", kSliceV2, 1500 * MB, 5000 * MB}),
    test::RowName{});

// What the caller holds is free of the machine's MemAvailable as of every group's usage.
TEST(AvailableMemory, whatTheCallerHoldsIsAvailable)
{
    const QTemporaryDir root;
    writeTree(root, {{"proc/meminfo", kMeminfo4G}, {"proc/self/mountinfo", kMountsV2}, {"proc/self/cgroup", "0::/\n"}});
    EXPECT_EQ(AvailableMemory::measure(root.path(), 600 * MB).available, 4'696'000'000);
}

// The machine's own files are read as they are: whatever the machine, a figure comes back.
TEST(AvailableMemory, theMachineTellsSomething)
{
    EXPECT_GT(AvailableMemory::read(), 0);
}

} // namespace
