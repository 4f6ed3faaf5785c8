// A watched folder that receives a broken file: the file is marked seen and not tried again
// until it changes, the good files beside it come out, and the watcher keeps polling.
#include <QDir>
#include <QFileInfo>

#include <gtest/gtest.h>

#include "../support/TestImages.h"
#include "HostileFiles.h"
#include "ReliabilitySupport.h"
#include "output/OutputFolder.h"
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

} // namespace
} // namespace kelvaro::reliability
