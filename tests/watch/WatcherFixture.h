#pragma once
// A watcher on a real temporary folder "In" with results going to a real output folder "Out",
// notices recorded, the application inactive, and the history collected as the store would get it.
#include <memory>

#include <QDir>
#include <QDirIterator>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "WatchTestSupport.h"
#include "output/OutputFolder.h"
#include "platform/FileManager.h"
#include "platform/Json.h"
#include "platform/Notifications.h"
#include "platform/Settings.h"
#include "watch/FolderWatcher.h"
#include "watch/WatchNotifier.h"

namespace kelvaro::testing {

class WatcherFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        Settings& s = Settings::shared();
        for (const char* key : {FolderWatcher::rulesKey, FolderWatcher::seenKey, OutputFolder::bookmarkKey,
                                WatchNotifier::notifyKey})
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
        w->setHistorySink([this](const QList<ActivityItem>& items) {
            history += items;
            ++historyCalls;
        });
        w->setFileManager(fileManager);
        return w;
    }

    // One tick, waited for to its end (including any processing it started).
    void step(FolderWatcher& w)
    {
        // A tick of the watcher's own (the first one fires right after add()) must end first,
        // or the two overlap and the scan counts differ from what the test expects.
        settle(w);
        bool done = false;
        w.tick([&] { done = true; });
        ASSERT_TRUE(waitUntil([&] { return done; }));
    }

    void settle(FolderWatcher& w)
    {
        ASSERT_TRUE(waitUntil([&] { return !w.hasWorkInFlight(); }));
    }

    QString in(const QString& name) const { return QDir(inDir).filePath(name); }
    QString resultsDir(const QString& folderName = QStringLiteral("In"),
                       const QString& action = QStringLiteral("Převod na JPG")) const
    {
        return QDir(outDir).filePath(QStringLiteral("Automaticky/") + folderName + QStringLiteral(" \u2013 ") + action);
    }
    QStringList results(const QString& dir) const
    {
        QStringList names = QDir(dir).entryList(QDir::Files, QDir::Name);
        return names;
    }

    std::optional<QJsonObject> seenDocument() const
    {
        const auto data = Settings::shared().dataValue(QString::fromLatin1(FolderWatcher::seenKey));
        if (!data)
            return std::nullopt;
        return QJsonDocument::fromJson(*data).object();
    }
    QSet<QString> storedSeen(const QUuid& id) const
    {
        QSet<QString> keys;
        if (const auto doc = seenDocument())
            for (const QJsonValue& v : doc->value(json::uuidText(id)).toArray())
                keys.insert(v.toString());
        return keys;
    }
    bool hasStoredSeen(const QUuid& id) const
    {
        const auto doc = seenDocument();
        return doc && doc->contains(json::uuidText(id));
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
    std::shared_ptr<RecordingNotifier> notifier;
    std::shared_ptr<RecordingFileManager> fileManager = std::make_shared<RecordingFileManager>();
    QList<ActivityItem> history;
    int historyCalls = 0;
};

} // namespace kelvaro::testing
