// A watched folder that receives a broken file: the file is marked seen and not tried again
// until it changes, the good files beside it come out, and the watcher keeps polling. A file that
// ends the application while it is made is tried once more at the next start, then given up, and
// no file made before the end is made again.
#include <csignal>

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include <gtest/gtest.h>

#include "../support/TestImages.h"
#include "HostileFiles.h"
#include "ReliabilitySupport.h"
#include "output/OutputFolder.h"
#include "platform/FileSystem.h"
#include "watch/FolderWatcher.h"

namespace kelvaro::reliability {
namespace {

class WatchedHostileFile : public QuietDesktop<> {
protected:
    void SetUp() override
    {
        QuietDesktop::SetUp();
        inDir = folder(QStringLiteral("In"));
        ASSERT_TRUE(OutputFolder::remember(folder(QStringLiteral("Out"))));
        driveByHand(watcher);
        ASSERT_TRUE(watcher.add(inDir, WatchAction::convert(QStringLiteral("jpg"))));
        ASSERT_TRUE(step(watcher)); // the baseline of an empty folder
    }

    QStringList results() const
    {
        // As the system lists them: a result keeps a source's name that is not UTF-8.
        QStringList names = test::namesIn(temp.filePath(QStringLiteral("Out/Automaticky/In \u2013 Převod na JPG")));
        names.removeIf([](const QString& name) { return name.startsWith(QLatin1Char('.')); });
        return names;
    }

    const test::MemoryLimit limit; // the broken file claims more pixels than the ceiling allows
    QString inDir;
    FolderWatcher watcher;
};

TEST_F(WatchedHostileFile, IsMarkedSeenAndNotRetriedUntilItChanges)
{
    const QUuid id = watcher.rules().first().id;

    // A broken file (claims 40000 × 40000 pixels) arrives with a good one.
    const QString broken = testimages::writeLyingPng(inDir, QStringLiteral("huge.png"), QSize(40000, 40000));
    goodPhoto(inDir, QStringLiteral("good.jpg"));
    ASSERT_TRUE(step(watcher)); // seen once
    ASSERT_TRUE(step(watcher)); // settled: processed
    ASSERT_EQ(results().size(), 1) << results().join(", ").toStdString();
    ASSERT_EQ(history.size(), 1);
    const auto firstRun = watcher.rules().first().lastRun;
    ASSERT_TRUE(firstRun.has_value());
    EXPECT_TRUE(watcher.status(id).message.has_value());

    // Further ticks leave the broken file alone: no new run, nothing new written.
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(step(watcher));
    EXPECT_EQ(watcher.rules().first().lastRun, firstRun);
    EXPECT_EQ(results().size(), 1);
    EXPECT_EQ(history.size(), 1);
    EXPECT_EQ(watcher.rules().first().processed, 1);

    // Once the file changes (now a good photo), it is taken again and comes out.
    QFile::remove(broken);
    goodPhoto(inDir, QFileInfo(broken).fileName());
    ASSERT_TRUE(step(watcher));
    ASSERT_TRUE(step(watcher));
    EXPECT_EQ(results().size(), 2) << results().join(", ").toStdString();
    EXPECT_EQ(history.size(), 2);
    EXPECT_EQ(watcher.rules().first().processed, 2);
}

TEST_F(WatchedHostileFile, EveryKindOfBrokenFileLeavesTheWatcherPolling)
{
    int decodable = 0;
    for (const HostileFile& file : hostileFiles()) {
        file.make(inDir);
        decodable += file.decodes ? 1 : 0;
    }
    goodPhoto(inDir, QStringLiteral("good.jpg"));
    ASSERT_TRUE(step(watcher));
    ASSERT_TRUE(step(watcher));
    // The good photo and every decodable one came out (the listing takes only image extensions,
    // regular files and no links; what it takes and cannot decode fails alone).
    EXPECT_GE(results().size(), 1);
    EXPECT_LE(results().size(), decodable + 1);
    EXPECT_EQ(history.size(), results().size());

    // Still polling: a new photo is picked up.
    goodPhoto(inDir, QStringLiteral("later.jpg"));
    const qsizetype before = results().size();
    ASSERT_TRUE(step(watcher));
    ASSERT_TRUE(step(watcher));
    EXPECT_EQ(results().size(), before + 1);
}

// ---- Ends in the middle of a run ------------------------------------------------------------

constexpr const char* kModeVariable = "KELVARO_WATCH_CHILD";      // "setup" or "start"
constexpr const char* kConfigVariable = "KELVARO_WATCH_CONFIG";   // the settings folder all starts share
constexpr const char* kFoldersVariable = "KELVARO_WATCH_FOLDERS"; // holds "In" and "Out"
constexpr const char* kActionVariable = "KELVARO_WATCH_ACTION";   // the format the rule converts to
constexpr const char* kDieAtVariable = "KELVARO_WATCH_DIE_AT";    // a result's name the process dies placing

// The real file system, but the process is killed (SIGKILL, as by the kernel or a crash) when the
// engine puts a result in place under a name starting with `prefix`: the file is in hand then.
class DyingPlacing : public FileSystem {
public:
    explicit DyingPlacing(QString prefix) : m_prefix(std::move(prefix)) {}
    // "+name": killed once the result has taken that name, before its end could be saved.
    bool moveNew(const QString& from, const QString& to) override
    {
        const bool after = m_prefix.startsWith(QLatin1Char('+'));
        const QString prefix = after ? m_prefix.mid(1) : m_prefix;
        const bool dies = !prefix.isEmpty() && QFileInfo(to).fileName().startsWith(prefix);
        if (dies && !after)
            std::raise(SIGKILL);
        const bool moved = FileSystem::moveNew(from, to);
        if (dies && moved)
            std::raise(SIGKILL);
        return moved;
    }

private:
    const QString m_prefix;
};

// One start of the application's watcher on the shared settings. "setup": watches "In" (empty) and
// takes its baseline. "start": two passes, which make what arrived; prints what its rule's status
// said at the start and after the passes, unless it dies first.
TEST(WatchedStartChild, Run)
{
    const QByteArray mode = qgetenv(kModeVariable);
    ASSERT_FALSE(mode.isEmpty());
    // Before the first use of the settings, which read the folder once.
    qputenv("XDG_CONFIG_HOME", qgetenv(kConfigVariable));
    Settings::shared().setValue(QStringLiteral("kelvaro.language"), QStringLiteral("cs"));
    Notifications::setCurrent(std::make_shared<RecordingNotifier>());
    AppActivity::setOverride(false);
    const QDir root(qEnvironmentVariable(kFoldersVariable));
    FolderWatcher watcher;
    watcher.setTickInterval(std::chrono::hours(1));
    if (mode == "setup") {
        ASSERT_TRUE(OutputFolder::remember(root.filePath(QStringLiteral("Out"))));
        ASSERT_TRUE(watcher.add(root.filePath(QStringLiteral("In")), WatchAction::convert(qEnvironmentVariable(kActionVariable))));
        ASSERT_TRUE(step(watcher));
        return;
    }
    ASSERT_EQ(watcher.rules().size(), 1);
    const QUuid id = watcher.rules().first().id;
    const QStringList atStart = watcher.status(id).failures;
    DyingPlacing disk(qEnvironmentVariable(kDieAtVariable));
    FileSystem::setCurrent(&disk);
    const bool stepped = step(watcher) && step(watcher);
    FileSystem::setCurrent(nullptr);
    ASSERT_TRUE(stepped);
    const QJsonObject report{{"atStart", QJsonArray::fromStringList(atStart)},
                             {"after", QJsonArray::fromStringList(watcher.status(id).failures)}};
    std::printf("%s\n", QJsonDocument(report).toJson(QJsonDocument::Compact).constData());
    std::fflush(stdout);
}

struct EndRow {
    const char* name;
    const char* action;       // the format the rule converts to
    QStringList files;        // arriving before the first start; "broken-" ones hold no photo
    const char* dieAt;        // the process dies placing a result whose name starts so
    QStringList madeBefore;   // results after each of the two starts that die
    QStringList later;        // arriving before the third start
    QStringList madeAfter;    // results after the third start
    QStringList givenUp;      // the files the third start fails without trying them
};

void PrintTo(const EndRow& row, std::ostream* os)
{
    *os << row.name;
}

class WatchedFileEndingTheApp : public QuietDesktop<::testing::TestWithParam<EndRow>> {
protected:
    // Runs one start as its own process and waits for its end, with a deadline of its own.
    QProcess* start(const char* mode, const char* dieAt = "")
    {
        auto* child = new QProcess;
        m_children.emplace_back(child);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QString::fromLatin1(kModeVariable), QString::fromLatin1(mode));
        env.insert(QString::fromLatin1(kConfigVariable), folder(QStringLiteral("config")));
        env.insert(QString::fromLatin1(kFoldersVariable), temp.path());
        env.insert(QString::fromLatin1(kActionVariable), QString::fromLatin1(GetParam().action));
        env.insert(QString::fromLatin1(kDieAtVariable), QString::fromUtf8(dieAt));
        env.insert(QStringLiteral("KELVARO_JOBS"), QStringLiteral("1")); // one file after another
        env.insert(QStringLiteral("TMPDIR"), folder(QStringLiteral("tmp"))); // its own home goes here
        child->setProcessEnvironment(env);
        child->setProcessChannelMode(QProcess::MergedChannels);
        child->start(QCoreApplication::applicationFilePath(), {QStringLiteral("--gtest_filter=WatchedStartChild.Run")});
        EXPECT_TRUE(child->waitForStarted());
        EXPECT_TRUE(child->waitForFinished(120000)) << mode << " did not end";
        return child;
    }

    // The report of a start that ended by itself.
    QJsonObject reportOf(QProcess& child)
    {
        const QByteArray output = child.readAll();
        EXPECT_EQ(child.exitStatus(), QProcess::NormalExit) << output.toStdString();
        EXPECT_EQ(child.exitCode(), 0) << output.toStdString();
        for (const QByteArray& line : output.split('\n'))
            if (line.startsWith('{'))
                return QJsonDocument::fromJson(line).object();
        ADD_FAILURE() << "no report: " << output.toStdString();
        return {};
    }

    QStringList results()
    {
        QStringList names;
        QDirIterator it(folder(QStringLiteral("Out")), QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext())
            names.append(QFileInfo(it.next()).fileName());
        names.removeIf([](const QString& name) { return name.startsWith(QLatin1Char('.')); });
        names.sort();
        return names;
    }

    void arrive(const QStringList& files)
    {
        for (const QString& name : files) {
            if (name.startsWith(QStringLiteral("broken-")))
                test::writeFile(folder(QStringLiteral("In")) + QLatin1Char('/') + name, QByteArray("no photo at all"));
            else
                goodPhoto(folder(QStringLiteral("In")), name);
        }
    }

private:
    std::vector<std::unique_ptr<QProcess>> m_children;
};

QStringList sorted(QStringList list)
{
    list.sort();
    return list;
}

TEST_P(WatchedFileEndingTheApp, isTriedOnceMoreThenGivenUpAndNothingIsMadeTwice)
{
    const EndRow& row = GetParam();
    folder(QStringLiteral("In"));
    folder(QStringLiteral("Out"));
    QProcess* setup = start("setup");
    ASSERT_EQ(setup->exitCode(), 0) << setup->readAll().toStdString();
    arrive(row.files);

    for (const char* which : {"the first start", "the second start"}) {
        QProcess* child = start("start", row.dieAt);
        ASSERT_EQ(child->exitStatus(), QProcess::CrashExit)
            << which << " did not try the file that ends it: " << child->readAll().toStdString();
        EXPECT_EQ(results(), row.madeBefore) << which;
    }

    arrive(row.later);
    QProcess* last = start("start", row.dieAt);
    const QJsonObject report = reportOf(*last);
    EXPECT_EQ(results(), row.madeAfter);
    QStringList givenUp;
    for (const QString& name : row.givenUp)
        givenUp.append(QStringLiteral("Soubor „%1“ nechávám stranou, dokud se nezmění: Kelvaro se při jeho zpracování dvakrát ukončil.").arg(name));
    QStringList atStart;
    for (const QJsonValue& failure : report.value(QStringLiteral("atStart")).toArray())
        atStart.append(failure.toString());
    EXPECT_EQ(sorted(atStart), sorted(givenUp));
    // No file failed or given up before was tried again.
    EXPECT_EQ(report.value(QStringLiteral("after")).toArray(), QJsonArray());
}

// Killed the moment a result has taken its name, its end not yet saved: the next start finds the
// result and counts the file made instead of making it again.
class WatchedFileEndingAfterItsResult : public WatchedFileEndingTheApp {};

TEST_P(WatchedFileEndingAfterItsResult, isCountedMadeAndNotMadeAgain)
{
    const EndRow& row = GetParam();
    folder(QStringLiteral("In"));
    folder(QStringLiteral("Out"));
    QProcess* setup = start("setup");
    ASSERT_EQ(setup->exitCode(), 0) << setup->readAll().toStdString();
    arrive(row.files);
    QProcess* dying = start("start", row.dieAt);
    ASSERT_EQ(dying->exitStatus(), QProcess::CrashExit) << dying->readAll().toStdString();
    EXPECT_EQ(results(), row.madeBefore);
    QProcess* next = start("start");
    const QJsonObject report = reportOf(*next);
    EXPECT_EQ(results(), row.madeAfter) << "a file whose result was placed was made again";
    EXPECT_EQ(report.value(QStringLiteral("atStart")).toArray(), QJsonArray());
    EXPECT_EQ(report.value(QStringLiteral("after")).toArray(), QJsonArray());
}

INSTANTIATE_TEST_SUITE_P(
    Rows, WatchedFileEndingAfterItsResult,
    ::testing::Values(EndRow{"firstFile", "jpg", {"a.jpg", "b.jpg", "zz.jpg"}, "+a", {"a.jpg"}, {}, {"a.jpg", "b.jpg", "zz.jpg"}, {}},
                      EndRow{"middleFile", "png", {"a.jpg", "b.jpg", "zz.jpg"}, "+b", {"a.png", "b.png"}, {}, {"a.png", "b.png", "zz.png"}, {}}),
    test::RowName());

INSTANTIATE_TEST_SUITE_P(
    Rows, WatchedFileEndingTheApp,
    ::testing::Values(
        EndRow{"oneResultPerFile", "jpg", {"a.jpg", "evil.jpg", "zz.jpg"}, "evil", {"a.jpg"}, {}, {"a.jpg", "zz.jpg"},
               {"evil.jpg"}},
        EndRow{"afterAFailedFile", "jpg", {"broken-a.jpg", "evil.jpg", "zz.jpg"}, "evil", {}, {}, {"zz.jpg"}, {"evil.jpg"}},
        // A combined result's files are in hand together until it is made: all given up with it.
        EndRow{"oneCombinedResult", "pdf", {"a.jpg", "evil.jpg", "zz.jpg"}, "Spojen", {}, {"later.jpg"}, {"later.pdf"},
               {"a.jpg", "evil.jpg", "zz.jpg"}}),
    test::RowName());

} // namespace
} // namespace kelvaro::reliability
