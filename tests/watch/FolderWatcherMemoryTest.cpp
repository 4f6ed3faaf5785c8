// What the watcher keeps on disk while its run goes on, and what a start makes of the files that
// were in hand when the application ended.
#include <condition_variable>
#include <mutex>

#include <QFileInfo>
#include <QScopeGuard>

#include "WatcherFixture.h"
#include "platform/FileSystem.h"

using namespace kelvaro;
using namespace kelvaro::testing;

namespace {

// Holds the engine's placing of a result under a given name until let go; the rest is the real
// file system.
class HeldPlacing : public FileSystem {
public:
    explicit HeldPlacing(QString name) : m_name(std::move(name)) {}
    ~HeldPlacing() override { release(); }

    bool moveNew(const QString& from, const QString& to) override
    {
        if (QFileInfo(to).fileName() == m_name) {
            std::unique_lock lock(m_mutex);
            m_held = true;
            m_changed.wait(lock, [&] { return m_released; });
        }
        return FileSystem::moveNew(from, to);
    }
    bool isHeld()
    {
        const std::lock_guard lock(m_mutex);
        return m_held;
    }
    void release()
    {
        {
            const std::lock_guard lock(m_mutex);
            m_released = true;
        }
        m_changed.notify_all();
    }

private:
    const QString m_name;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_held = false;
    bool m_released = false;
};

// A stored document as the settings file on disk holds it, for the rule `id`.
QJsonValue onDisk(const char* key, const QUuid& id)
{
    const QJsonObject file = QJsonDocument::fromJson(readFile(Settings::shared().filePath())).object();
    const QByteArray data = QByteArray::fromBase64(
        file.value(QString::fromLatin1(key)).toObject().value(QStringLiteral("data")).toString().toLatin1());
    return QJsonDocument::fromJson(data).object().value(json::uuidText(id));
}

using FolderWatcherMemory = WatcherFixture;

// A file made is seen on disk at once, not when the run ends: the run is held on a later file
// meanwhile, which is in hand on disk.
TEST_F(FolderWatcherMemory, aFileMadeIsSeenOnDiskWhileTheRunGoesOn)
{
    auto w = watchIn();
    step(*w); // the empty baseline
    writeJpeg(in("a.jpg"));
    writeJpeg(in("b.jpg"));
    const QString a = keyOf(in("a.jpg"));
    const QString b = keyOf(in("b.jpg"));
    step(*w); // both pending

    bool done = false;
    HeldPlacing disk(QStringLiteral("b.jpg"));
    FileSystem::setCurrent(&disk);
    const auto restore = qScopeGuard([&] {
        disk.release();
        settle(*w);
        FileSystem::setCurrent(nullptr);
    });
    w->tick([&] { done = true; });
    ASSERT_TRUE(waitUntil([&] { return disk.isHeld(); }));
    // Seen is written first, then the record in hand; b.jpg, held as it takes its name, is in hand
    // once with the result it is placing.
    const auto bInHandOnce = [&] {
        const QJsonObject inHand = onDisk(FolderWatcher::inHandKey, id).toObject();
        const QJsonObject file = inHand.value(b).toObject();
        return inHand.keys() == QStringList{b} && file.value(QStringLiteral("starts")) == 1
            && !file.value(QStringLiteral("placed")).toString().isEmpty();
    };
    EXPECT_TRUE(waitUntil([&] { return onDisk(FolderWatcher::seenKey, id).toArray().contains(a) && bInHandOnce(); })) << "a.jpg is made, but on disk it is seen " << onDisk(FolderWatcher::seenKey, id).toArray().contains(a)
        << " and in hand are " << test::compactJson(onDisk(FolderWatcher::inHandKey, id).toObject()).toStdString();
    EXPECT_FALSE(onDisk(FolderWatcher::seenKey, id).toArray().contains(b));

    disk.release();
    ASSERT_TRUE(waitUntil([&] { return done && !w->hasWorkInFlight(); }));
    EXPECT_EQ(results(), (QStringList{"a.jpg", "b.jpg"}));
    EXPECT_EQ(storedSeen(id), (QSet<QString>{a, b}));
    EXPECT_EQ(onDisk(FolderWatcher::inHandKey, id).toObject(), QJsonObject());
    EXPECT_EQ(history.size(), 2);
}

// A start finds two files in hand: the one started once is tried again and made; the one started
// twice is failed and seen, said on its rule, and left alone until it changes.
TEST_F(FolderWatcherMemory, aFileInHandAtTwoEndsIsFailedAndOneInHandOnceIsTriedAgain)
{
    QUuid rule;
    {
        auto w = watchIn();
        step(*w); // the empty baseline
        rule = id;
    }
    writeJpeg(in("once.jpg"));
    writeJpeg(in("twice.jpg"));
    const QString once = keyOf(in("once.jpg"));
    const QString twice = keyOf(in("twice.jpg"));
    ASSERT_TRUE(Settings::shared().setValue(
        QString::fromLatin1(FolderWatcher::inHandKey),
        QJsonDocument(QJsonObject{{json::uuidText(rule), QJsonObject{{once, 1}, {twice, 2}}}}).toJson(QJsonDocument::Compact)));

    auto w = makeWatcher();
    const WatchStatus status = w->status(rule);
    EXPECT_EQ(status.message, QStringLiteral("Nepovedlo se zpracovat: 1."));
    EXPECT_EQ(status.failures,
              QStringList{"Soubor „twice.jpg“ nechávám stranou, dokud se nezmění: Kelvaro se při jeho zpracování dvakrát ukončil."});
    EXPECT_TRUE(storedSeen(rule).contains(twice));
    EXPECT_EQ(onDisk(FolderWatcher::inHandKey, rule).toObject(), (QJsonObject{{once, 1}}));

    step(*w, 2); // seen, settled and made
    EXPECT_EQ(results(), QStringList{"once.jpg"});
    EXPECT_EQ(storedSeen(rule), (QSet<QString>{once, twice}));
    EXPECT_EQ(onDisk(FolderWatcher::inHandKey, rule).toObject(), QJsonObject());

    // Changed, it is a new file.
    writeJpeg(in("twice.jpg"), 30, 20);
    setModified(in("twice.jpg"), 86'400'000);
    step(*w, 2);
    EXPECT_EQ(results(), (QStringList{"once.jpg", "twice.jpg"}));
}

// A rule paused and resumed, or removed, leaves no file in hand behind.
TEST_F(FolderWatcherMemory, aRuleResumedOrRemovedLeavesNoFileInHand)
{
    for (const bool remove : {false, true}) {
        SCOPED_TRACE(remove ? "removed" : "resumed");
        auto w = watchIn();
        step(*w);
        ASSERT_TRUE(Settings::shared().setValue(QString::fromLatin1(FolderWatcher::inHandKey),
                                                QJsonDocument(QJsonObject{{json::uuidText(id), QJsonObject{{"x|1|1", 1}}}})
                                                    .toJson(QJsonDocument::Compact)));
        w = makeWatcher(); // reads it
        if (remove) {
            w->remove(id);
        } else {
            w->setEnabled(id, false);
            w->setEnabled(id, true);
        }
        EXPECT_EQ(onDisk(FolderWatcher::inHandKey, id).toObject(), QJsonObject());
        w->remove(id);
    }
}

} // namespace
