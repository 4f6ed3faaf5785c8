// Programs run beside Kelvaro are ended at their wall time when they spend none of their CPU time,
// are killed with whatever they started, however their run ends; one started while the pools
// drain is killed at once; one the quit killed while it waited for work is never handed the next.
#include <chrono>
#include <functional>
#include <future>
#include <optional>
#include <thread>

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <QFile>
#include <QScopeGuard>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "platform/ChildProcesses.h"
#include "../support/StandInDrawer.h"
#include "../support/TestSupport.h"

using namespace kelvaro;
using namespace std::chrono_literals;
using Ending = ChildProcesses::Ending;
using Kind = Ending::Kind;

namespace {

// A file the stand-in writes the id of a process it started into.
class IdFile {
public:
    IdFile()
        : m_fd(::open(QFile::encodeName(m_folder.path() + QStringLiteral("/id")).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600))
    {
    }
    ~IdFile()
    {
        // Should a case fail, the process it names does not outlive it.
        if (const std::optional<qint64> started = id(); started && !test::processEnded(*started))
            ::kill(pid_t(*started), SIGKILL);
        ::close(m_fd);
    }
    IdFile(const IdFile&) = delete;
    IdFile& operator=(const IdFile&) = delete;

    int descriptor() const { return m_fd; }

    // The id once it is written whole.
    std::optional<qint64> id() const
    {
        char text[32] = {};
        const ssize_t got = ::pread(m_fd, text, sizeof text - 1, 0);
        if (got < 2 || text[got - 1] != '\n')
            return std::nullopt;
        return std::atoll(text);
    }

    // Waits for the id on a thread that runs no events (a run's stop request); false after 30 s.
    bool waitForId() const
    {
        const auto limit = std::chrono::steady_clock::now() + 30s;
        while (!id()) {
            if (std::chrono::steady_clock::now() > limit)
                return false;
            std::this_thread::sleep_for(5ms); // asked again, not waited out
        }
        return true;
    }

private:
    QTemporaryDir m_folder;
    int m_fd;
};

// Runs `arguments` on a stand-in on a thread of its own. A run that has not ended after half a
// minute is ended by stopAll(), so that a fault fails the case instead of hanging it: none then.
std::optional<Ending> runStandIn(const QStringList& arguments, const std::vector<int>& descriptors,
                                 std::chrono::milliseconds wall, const std::function<bool()>& stopped = {})
{
    auto running = std::async(std::launch::async, [&] {
        return ChildProcesses::run(ChildProcesses::Ready(test::standInDrawer()), arguments, descriptors, wall, stopped);
    });
    if (running.wait_for(30s) == std::future_status::ready)
        return running.get();
    ChildProcesses::stopAll();
    running.wait();
    return std::nullopt;
}

class ChildProcessesTest : public ::testing::Test {
protected:
    // Every case starts its own children: none waits for work from an earlier one.
    void SetUp() override { ChildProcesses::Draining drain; }
    void TearDown() override { ChildProcesses::Draining drain; }
};

// A child that takes its work and spends no CPU time (its own CPU bound never comes) is killed at
// its wall time.
TEST_F(ChildProcessesTest, aChildThatTakesItsWorkAndSleepsEndsAtItsWall)
{
    const std::optional<Ending> ending = runStandIn({QStringLiteral("sleep")}, {}, 300ms);
    ASSERT_TRUE(ending) << "the run did not end";
    EXPECT_EQ(ending->kind, Kind::timedOut);
}

// While a drain lives, a child started for new work is killed at once: the work holds nothing.
TEST_F(ChildProcessesTest, aChildStartedWhileADrainLivesIsKilledAtOnce)
{
    const ChildProcesses::Draining drain;
    const std::optional<Ending> ending = runStandIn({QStringLiteral("sleep")}, {}, 10min);
    ASSERT_TRUE(ending) << "the run was not ended by the drain";
    EXPECT_EQ(ending->kind, Kind::ended);
}

// A child that waits for work and is killed by the quit is not handed the next piece, even while
// its socket stays open (here held by a process it started in a session of its own, beyond its
// group): a fresh child takes the piece and answers it.
TEST_F(ChildProcessesTest, anIdleChildTheQuitKilledIsNotHandedTheNextPiece)
{
    const IdFile holder;
    const std::optional<Ending> first = runStandIn({QStringLiteral("hold")}, {holder.descriptor()}, 10min);
    ASSERT_TRUE(first && first->kind == Kind::answered) << "the stand-in did not take its first piece";
    ASSERT_TRUE(holder.id());
    ChildProcesses::stopAll();
    const std::optional<Ending> next = runStandIn({QStringLiteral("answer"), QStringLiteral("7")}, {}, 10min);
    ASSERT_TRUE(next) << "the run did not end";
    EXPECT_EQ(next->kind, Kind::answered);
    EXPECT_EQ(next->code, 7);
}

struct GroupRow {
    const char* name;
    const char* then;                   // what the stand-in does once it has started its process
    std::chrono::milliseconds wall;
    std::function<bool()> onceStarted; // the run's stop request once that process runs
    Kind kind;
};

class ChildGroups : public ChildProcessesTest, public ::testing::WithParamInterface<GroupRow> {};

// A process the child started (a library's helper, a crafted document's) ends with the child,
// whatever ends the child's run.
TEST_P(ChildGroups, endWithTheChild)
{
    const GroupRow& row = GetParam();
    const IdFile started;
    const auto stopped = [&] { return started.waitForId() && row.onceStarted(); };
    const std::optional<Ending> ending =
        runStandIn({QStringLiteral("group"), QString::fromLatin1(row.then)}, {started.descriptor()}, row.wall, stopped);
    ASSERT_TRUE(ending) << "the run did not end";
    EXPECT_EQ(ending->kind, row.kind);
    const std::optional<qint64> id = started.id();
    ASSERT_TRUE(id) << "the stand-in started no process";
    EXPECT_TRUE(test::waitUntil([&] { return test::processEnded(*id); })) << "the process the child started runs on";
}

INSTANTIATE_TEST_SUITE_P(
    ChildProcesses, ChildGroups,
    ::testing::Values(GroupRow{"byItsStop", "sleep", 10min, [] { return true; }, Kind::stopped},
                      GroupRow{"atItsWall", "sleep", 0ms, [] { return false; }, Kind::timedOut},
                      GroupRow{"byTheQuit", "sleep", 10min,
                               [] {
                                   ChildProcesses::stopAll();
                                   return false;
                               },
                               Kind::ended},
                      GroupRow{"byTheDrain", "sleep", 10min,
                               [] {
                                   const ChildProcesses::Draining drain;
                                   return false;
                               },
                               Kind::ended},
                      GroupRow{"whenItEndsItself", "exit", 10min, [] { return false; }, Kind::exited}),
    test::RowName());

} // namespace
