#pragma once
// Shared fixture of the store tests: a fresh store per test with recording desktop services, a
// temporary folder, a remembered output folder on request and helpers for real files; history
// entries and shelves to start from; the fake engines runs are scripted with.
#include <functional>
#include <memory>

#include <QDir>
#include <QFile>
#include <QImage>
#include <QSemaphore>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "../support/TestSupport.h"
#include "output/OutputFolder.h"
#include "platform/Clipboard.h"
#include "platform/FileManager.h"
#include "platform/FileSystem.h"
#include "platform/FolderChooser.h"
#include "platform/LauncherProgress.h"
#include "platform/Log.h"
#include "platform/NearbyShare.h"
#include "platform/Settings.h"
#include "platform/Trash.h"
#include "store/KelvaroStore.h"

namespace kelvaro::test {

// Counts the emissions of one change signal.
class SignalCounter {
public:
    template <typename Signal>
    SignalCounter(KelvaroStore* store, Signal signal)
    {
        QObject::connect(store, signal, [this] { ++count; });
    }
    int count = 0;
};

class StoreTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(temp.isValid());
        Settings& settings = Settings::shared();
        settings.remove(QString::fromLatin1(KelvaroStore::defaultStorageKey));
        settings.remove(QString::fromLatin1(OutputFolder::bookmarkKey));
        settings.remove(QStringLiteral("kelvaro.autoReveal"));
        settings.setValue(QStringLiteral("kelvaro.language"), QStringLiteral("cs")); // the texts below are Czech
        chooser = std::make_shared<FakeFolderChooser>();
        FolderChooser::setShared(chooser);
        clearRecentLogLines();
    }

    void TearDown() override
    {
        store.reset();
        FolderChooser::setShared(nullptr);
    }

    // The services every test store gets; `process` none means the real engine.
    StoreServices services(ProcessFunction process = {})
    {
        StoreServices s;
        s.fileManager = fileManager;
        s.trash = trash;
        s.clipboard = clipboard;
        s.nearbyShare = share;
        s.launcher = launcher;
        s.attention = attention;
        s.files = fileSystem;
        s.process = std::move(process);
        return s;
    }

    KelvaroStore& makeStore(ProcessFunction process = {})
    {
        store = std::make_unique<KelvaroStore>(services(std::move(process)));
        return *store;
    }

    QString path(const QString& relative) const { return temp.filePath(relative); }

    QString makeFolder(const QString& relative)
    {
        const QString folder = path(relative);
        QDir().mkpath(folder);
        return folder;
    }

    // A file of a few bytes, no photo; the intake goes by name only.
    QString touch(const QString& relative, const QByteArray& bytes = "x")
    {
        const QString file = path(relative);
        QDir().mkpath(QFileInfo(file).absolutePath());
        writeFile(file, bytes);
        return file;
    }

    // A real small photo (format from the extension).
    QString image(const QString& relative, int width = 48, int height = 32, QColor color = QColor(200, 80, 40))
    {
        const QString file = path(relative);
        QDir().mkpath(QFileInfo(file).absolutePath());
        QImage img(width, height, QImage::Format_RGB32);
        img.fill(color);
        EXPECT_TRUE(img.save(file));
        return file;
    }

    QString rememberOutput(const QString& relative = QStringLiteral("out"))
    {
        const QString folder = makeFolder(relative);
        EXPECT_TRUE(OutputFolder::remember(folder));
        return folder;
    }

    static void forgetOutputFolder() { Settings::shared().remove(QString::fromLatin1(OutputFolder::bookmarkKey)); }

    // Whether the store's run or sending ended (waited for on the event loop).
    bool finished(int limitMs = 30000)
    {
        return waitUntil([this] { return !store->isWorking(); }, limitMs);
    }

    // Puts `files` on the wheel, runs `op` on them and waits for the end.
    bool runOn(const QStringList& files, const KelvaroOp& op)
    {
        store->receive(files, false);
        store->run(op);
        return finished();
    }

    QByteArray storedLibrary() const
    {
        return Settings::shared().dataValue(QString::fromLatin1(KelvaroStore::defaultStorageKey)).value_or(QByteArray());
    }

    QTemporaryDir temp;
    std::shared_ptr<FakeFolderChooser> chooser;
    std::shared_ptr<RecordingFileManager> fileManager = std::make_shared<RecordingFileManager>();
    std::shared_ptr<RecordingTrash> trash = std::make_shared<RecordingTrash>();
    std::shared_ptr<RecordingClipboard> clipboard = std::make_shared<RecordingClipboard>();
    std::shared_ptr<RecordingNearbyShare> share = std::make_shared<RecordingNearbyShare>();
    std::shared_ptr<RecordingLauncherProgress> launcher = std::make_shared<RecordingLauncherProgress>();
    std::shared_ptr<RecordingAttention> attention = std::make_shared<RecordingAttention>();
    std::shared_ptr<FailingFileSystem> fileSystem = std::make_shared<FailingFileSystem>();
    std::unique_ptr<KelvaroStore> store;
};

inline ActivityItem entry(const QString& name, const QDateTime& date = QDateTime::currentDateTimeUtc(),
                          const QString& title = QStringLiteral("Komprese"))
{
    ActivityItem item;
    item.id = QUuid::createUuid();
    item.fileName = name;
    item.actionTitle = title;
    item.symbol = QStringLiteral("photo");
    item.date = date;
    return item;
}

// A shelf holding one item per shelf-storage token (named after its last part) and claiming
// `fileCount` files besides.
inline Shelf shelf(const QString& name, const QStringList& tokens = {}, int fileCount = 0)
{
    Shelf s;
    s.id = QUuid::createUuid();
    s.name = name;
    s.symbol = QStringLiteral("star.fill");
    s.fileCount = fileCount;
    for (const QString& token : tokens) {
        ShelfItem item;
        item.id = QUuid::createUuid();
        item.name = token.section(QLatin1Char('/'), -1);
        item.storedPath = token;
        item.added = QDateTime::currentDateTimeUtc();
        s.items.append(item);
    }
    return s;
}

// A process function made of what a run of `files` into `outDir` gives; the operation, hooks and
// settings go unused.
inline ProcessFunction giving(std::function<OpResult(const QStringList& files, const QString& outDir)> result)
{
    return [result](const KelvaroOp&, const QStringList& files, const QString& outDir, const RunHooksPtr&,
                    const EngineSettings&) { return result(files, outDir); };
}

// A move of every file into `outDir`; with `keepOriginals` they are only copied, as when the
// system refuses to delete them.
inline OpResult fakeMove(const QStringList& files, const QString& outDir, bool keepOriginals = false)
{
    OpResult result;
    for (const QString& file : files) {
        const QString to = outDir + QLatin1Char('/') + QFileInfo(file).fileName();
        if (keepOriginals) {
            QFile::copy(file, to);
            ++result.keptOriginals;
        } else {
            QFile::rename(file, to);
        }
        result.outputs.append(to);
        result.entries.append({QFileInfo(file).fileName(), 0, to, file});
        result.moves.append({file, to});
    }
    return result;
}

// A process function that writes one small file per input into the output folder (named after
// the input, ".out" appended) and fails every input whose name contains "bad".
inline OpResult fakeProcess(const KelvaroOp&, const QStringList& files, const QString& outDir, const RunHooksPtr& hooks,
                            const EngineSettings&)
{
    OpResult result;
    for (int i = 0; i < files.size(); ++i) {
        if (hooks && hooks->isCancelled())
            break;
        const QString name = QFileInfo(files[i]).fileName();
        if (name.contains(QLatin1String("bad"))) {
            ++result.failed;
            if (!result.firstError)
                result.firstError = KelvaroError::unreadable(name).message();
            result.failures.append(KelvaroError::unreadable(name).message());
        } else {
            const QString out = outDir + QLatin1Char('/') + name + QStringLiteral(".out");
            QFile f(out);
            f.open(QIODevice::WriteOnly);
            f.write("out");
            result.outputs.append(out);
            result.entries.append({name, 10, out});
        }
        if (hooks)
            hooks->reportProgress(i + 1, int(files.size()));
    }
    if (result.outputs.isEmpty() && result.firstError)
        throw KelvaroError::unreadable(QFileInfo(files.first()).fileName());
    return result;
}

// `fakeProcess` held at its start until the test lets it go: `started` is released when a run
// begins, which then waits for `proceed`.
struct Gate {
    QSemaphore started;
    QSemaphore proceed;
};

inline ProcessFunction gated(const std::shared_ptr<Gate>& gate)
{
    return [gate](const KelvaroOp& op, const QStringList& files, const QString& outDir, const RunHooksPtr& hooks,
                  const EngineSettings& settings) {
        gate->started.release();
        gate->proceed.acquire();
        return fakeProcess(op, files, outDir, hooks, settings);
    };
}

} // namespace kelvaro::test
