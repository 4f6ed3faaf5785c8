#pragma once
// Shared fixture of the folder-watching tests: a watcher on a real temporary folder "In" with
// results going to a real output folder "Out", notices recorded, the application inactive, and the
// history collected as the store would get it. Plus real tiny photos and file times set exactly.
#include <fcntl.h>
#include <sys/stat.h>

#include <memory>

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "../support/TestImages.h"
#include "../support/TestSupport.h"
#include "output/OutputFolder.h"
#include "platform/FileManager.h"
#include "platform/Json.h"
#include "platform/Notifications.h"
#include "platform/Settings.h"
#include "watch/FolderWatcher.h"
#include "watch/WatchNotifier.h"

namespace kelvaro::testing {

using test::passTimersOf;
using test::readFile;
using test::waitUntil;
using test::writeFile;

inline const WatchAction toJpg = WatchAction::convert(QStringLiteral("jpg"));

// A small real JPEG of four coloured quadrants.
inline void writeJpeg(const QString& path, int width = 24, int height = 16)
{
    const QFileInfo info(path);
    testimages::writeJpeg(info.path(), info.fileName(), testimages::quadrants(width, height));
}

// Sets a file's modification time to `msecs` since 1970 (may be negative; QFile refuses those).
inline void setModified(const QString& path, qint64 msecs)
{
    qint64 seconds = msecs / 1000;
    qint64 rest = msecs % 1000;
    if (rest < 0) {
        rest += 1000;
        --seconds;
    }
    const struct timespec times[2] = {{0, UTIME_OMIT}, {time_t(seconds), long(rest * 1'000'000)}};
    ASSERT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0), 0) << path.toStdString();
}

class WatcherFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        Settings& s = Settings::shared();
        for (const char* key : {FolderWatcher::rulesKey, FolderWatcher::seenKey, FolderWatcher::inHandKey,
                                OutputFolder::bookmarkKey, WatchNotifier::notifyKey})
            s.remove(QString::fromLatin1(key));
        s.setValue(QStringLiteral("kelvaro.language"), QStringLiteral("cs"));
        notifier = std::make_shared<RecordingNotifier>();
        Notifications::setCurrent(notifier);
        AppActivity::setOverride(false);
        ASSERT_TRUE(root.isValid());
        ASSERT_TRUE(QDir(root.path()).mkpath(QStringLiteral("In")));
        ASSERT_TRUE(QDir(root.path()).mkpath(QStringLiteral("Out")));
        inDir = root.filePath(QStringLiteral("In"));
        outDir = root.filePath(QStringLiteral("Out"));
        ASSERT_TRUE(OutputFolder::remember(outDir));
    }

    void TearDown() override
    {
        Notifications::setCurrent(nullptr);
        AppActivity::setOverride(std::nullopt);
    }

    std::unique_ptr<FolderWatcher> makeWatcher()
    {
        auto w = std::make_unique<FolderWatcher>();
        // Only the loop's first scan, due at once after add(), and the steps below tick: a test
        // slowed down by a busy machine sees no scans of the loop's own between them.
        w->setTickInterval(std::chrono::hours(1));
        w->setHistorySink([this](const QList<ActivityItem>& items) {
            history += items;
            ++historyCalls;
        });
        w->setFileManager(fileManager);
        return w;
    }

    // A watcher with one rule on "In"; `id` is that rule's.
    std::unique_ptr<FolderWatcher> watchIn(const WatchAction& action = toJpg)
    {
        auto w = makeWatcher();
        EXPECT_TRUE(w->add(inDir, action));
        id = w->rules().isEmpty() ? QUuid() : w->rules().first().id;
        return w;
    }

    // `times` ticks, each waited for to its end (including any processing it started).
    void step(FolderWatcher& w, int times = 1)
    {
        for (int i = 0; i < times; ++i) {
            // A tick of the watcher's own (the first one is due at once after add()) must end
            // first, or the two overlap and the scan counts differ from what the test expects.
            passTimersOf(0);
            settle(w);
            bool done = false;
            w.tick([&] { done = true; });
            ASSERT_TRUE(waitUntil([&] { return done; }));
        }
    }

    void settle(FolderWatcher& w)
    {
        ASSERT_TRUE(waitUntil([&] { return !w.hasWorkInFlight(); }));
    }

    static void forgetOutputFolder() { Settings::shared().remove(QString::fromLatin1(OutputFolder::bookmarkKey)); }

    QString in(const QString& name) const { return QDir(inDir).filePath(name); }
    QString resultsDir(const QString& folderName = QStringLiteral("In"),
                       const QString& action = QStringLiteral("Převod na JPG")) const
    {
        return QDir(outDir).filePath(QStringLiteral("Automaticky/") + folderName + QStringLiteral(" \u2013 ") + action);
    }
    // The names in the results folder of "In" for `action`.
    QStringList results(const QString& action = QStringLiteral("Převod na JPG")) const
    {
        return QDir(resultsDir(QStringLiteral("In"), action)).entryList(QDir::Files, QDir::Name);
    }

    static std::optional<QList<WatchRule>> storedRules()
    {
        return decodeWatchRules(Settings::shared().dataValue(QString::fromLatin1(FolderWatcher::rulesKey)).value_or(""));
    }
    std::optional<QJsonObject> seenDocument() const
    {
        const auto data = Settings::shared().dataValue(QString::fromLatin1(FolderWatcher::seenKey));
        if (!data)
            return std::nullopt;
        return QJsonDocument::fromJson(*data).object();
    }
    QSet<QString> storedSeen(const QUuid& rule) const
    {
        QSet<QString> keys;
        if (const auto doc = seenDocument())
            for (const QJsonValue& v : doc->value(json::uuidText(rule)).toArray())
                keys.insert(v.toString());
        return keys;
    }
    bool hasStoredSeen(const QUuid& rule) const
    {
        const auto doc = seenDocument();
        return doc && doc->contains(json::uuidText(rule));
    }
    QString keyOf(const QString& path) const
    {
        const auto listing = WatchScan::list(QFileInfo(path).path());
        for (const WatchCandidate& c : listing.value_or(QList<WatchCandidate>()))
            if (c.path == path)
                return c.key;
        return {};
    }

    QTemporaryDir root;
    QString inDir;
    QString outDir;
    QUuid id;
    std::shared_ptr<RecordingNotifier> notifier;
    std::shared_ptr<RecordingFileManager> fileManager = std::make_shared<RecordingFileManager>();
    QList<ActivityItem> history;
    int historyCalls = 0;
};

} // namespace kelvaro::testing
