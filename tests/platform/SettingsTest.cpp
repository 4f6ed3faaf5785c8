#include <algorithm>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <functional>
#include <iostream>
#include <string>
#include <thread>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <QBuffer>
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLockFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include "platform/FileSystem.h"
#include "platform/Log.h"
#include "platform/Settings.h"
#include "../support/TestSupport.h"

using namespace kelvaro;

namespace {

Settings& S()
{
    return Settings::shared();
}

const QByteArray kData("\x00\x01\xfe data \xff", 11);

void writeSampleValues(const QString& prefix)
{
    S().setValue(prefix + QStringLiteral(".bool"), false);
    S().setValue(prefix + QStringLiteral(".number"), 0.85);
    S().setValue(prefix + QStringLiteral(".int"), 3);
    S().setValue(prefix + QStringLiteral(".string"), QStringLiteral("žluťoučký"));
    S().setValue(prefix + QStringLiteral(".textTrue"), QStringLiteral("true"));
    S().setValue(prefix + QStringLiteral(".data"), kData);
    S().setValue(prefix + QStringLiteral(".emptyData"), QByteArray());
    S().setValue(prefix + QStringLiteral(".list"), QStringList{QStringLiteral("cs"), QStringLiteral("en")});
    S().setValue(prefix + QStringLiteral(".emptyList"), QStringList{});
    S().setValue(prefix + QStringLiteral(".long"), QVariant::fromValue(long(7)));
    S().setValue(prefix + QStringLiteral(".i64"), qint64(1) << 40);
    S().setValue(prefix + QStringLiteral(".unsigned"), 5u);
    S().setValue(prefix + QStringLiteral(".mixed"), QVariantList{QStringLiteral("a"), 1});
}

void expectSampleValues(const QString& prefix)
{
    EXPECT_EQ(S().boolValue(prefix + QStringLiteral(".bool")), false);
    EXPECT_EQ(S().numberValue(prefix + QStringLiteral(".number")), 0.85);
    EXPECT_EQ(S().numberValue(prefix + QStringLiteral(".int")), 3.0);
    EXPECT_EQ(S().stringValue(prefix + QStringLiteral(".string")), QStringLiteral("žluťoučký"));
    EXPECT_FALSE(S().boolValue(prefix + QStringLiteral(".textTrue")));
    EXPECT_EQ(S().dataValue(prefix + QStringLiteral(".data")), kData);
    EXPECT_EQ(S().dataValue(prefix + QStringLiteral(".emptyData")), QByteArray());
    EXPECT_EQ(S().stringListValue(prefix + QStringLiteral(".list")), (QStringList{QStringLiteral("cs"), QStringLiteral("en")}));
    EXPECT_EQ(S().stringListValue(prefix + QStringLiteral(".emptyList")), QStringList());
    EXPECT_EQ(S().numberValue(prefix + QStringLiteral(".long")), 7.0);
    EXPECT_EQ(S().numberValue(prefix + QStringLiteral(".i64")), double(qint64(1) << 40));
    EXPECT_EQ(S().numberValue(prefix + QStringLiteral(".unsigned")), 5.0);
    EXPECT_FALSE(S().stringListValue(prefix + QStringLiteral(".mixed"))); // a list with a non-text
    EXPECT_TRUE(S().value(prefix + QStringLiteral(".mixed")).isValid());
    // Types are never converted on reading.
    EXPECT_FALSE(S().boolValue(prefix + QStringLiteral(".number")));
    EXPECT_FALSE(S().numberValue(prefix + QStringLiteral(".bool")));
    EXPECT_FALSE(S().stringValue(prefix + QStringLiteral(".int")));
    EXPECT_FALSE(S().dataValue(prefix + QStringLiteral(".string")));
    EXPECT_FALSE(S().stringListValue(prefix + QStringLiteral(".string")));
}

// Runs one of this executable's child tests in another process, against the settings file in
// `config` (our own by default).
int runChild(const char* test, const QString& config = qEnvironmentVariable("XDG_CONFIG_HOME"), int waitMs = 30000)
{
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("KELVARO_PARENT_CONFIG"), config);
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::ForwardedChannels);
    child.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("--gtest_filter=SettingsChild.") + QString::fromLatin1(test)});
    if (!child.waitForFinished(waitMs))
        return -1;
    return child.exitStatus() == QProcess::NormalExit ? child.exitCode() : -1;
}

// The child tests only run when started by the tests here.
void useParentConfig()
{
    const QByteArray config = qgetenv("KELVARO_PARENT_CONFIG");
    ASSERT_FALSE(config.isEmpty());
    setenv("XDG_CONFIG_HOME", config.constData(), 1); // before the settings are first opened
}

QStringList asideFiles(const QString& folder)
{
    return QDir(folder).entryList({QStringLiteral("kelvaro.json.unreadable-*")},
                                  QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System, QDir::Name);
}

// A settings file of about `bytes` as the application writes it, put in place before the settings
// are first opened.
QByteArray writeStoredSettings(qsizetype bytes)
{
    QJsonObject o;
    for (int i = 0; QJsonDocument(o).toJson(QJsonDocument::Indented).size() < bytes; ++i)
        o.insert(QStringLiteral("kept.%1").arg(i, 4, 10, QLatin1Char('0')), QStringLiteral("a value the user kept, number %1").arg(i));
    const QByteArray stored = QJsonDocument(o).toJson(QJsonDocument::Indented);
    const QString folder = qEnvironmentVariable("XDG_CONFIG_HOME") + QStringLiteral("/Kelvaro");
    QDir().mkpath(folder);
    test::writeFile(folder + QStringLiteral("/kelvaro.json"), stored);
    return stored;
}

// Files of kinds other than regular ones, made at `path`.
void makeFifo(const QString& path)
{
    ASSERT_EQ(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
}

void makeLinkToFifo(const QString& path)
{
    makeFifo(path + QStringLiteral("-fifo"));
    ASSERT_TRUE(QFile::link(path + QStringLiteral("-fifo"), path));
}

void makeFolder(const QString& path)
{
    ASSERT_TRUE(QDir().mkpath(path));
    test::writeFile(path + QStringLiteral("/inside"), "kept");
}

void makeSocket(const QString& path)
{
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray name = QFile::encodeName(path);
    ASSERT_LT(size_t(name.size()), sizeof address.sun_path);
    std::memcpy(address.sun_path, name.constData(), size_t(name.size()));
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_EQ(::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    ::close(fd);
}

} // namespace

TEST(Settings, valueTypesSurviveTheFileAndAnotherProcessReadsAndWritesThem)
{
    writeSampleValues(QStringLiteral("parent"));
    S().sync();
    const QJsonObject o = QJsonDocument::fromJson(test::readFile(S().filePath())).object();
    EXPECT_TRUE(o.value(QStringLiteral("parent.bool")).isBool());
    EXPECT_TRUE(o.value(QStringLiteral("parent.int")).isDouble());
    EXPECT_TRUE(o.value(QStringLiteral("parent.textTrue")).isString());
    EXPECT_TRUE(o.value(QStringLiteral("parent.list")).isArray());
    ASSERT_EQ(runChild("process"), 0);
    S().sync(); // picks up what the other process wrote
    expectSampleValues(QStringLiteral("child"));
    expectSampleValues(QStringLiteral("parent"));
}

TEST(SettingsChild, process)
{
    useParentConfig();
    expectSampleValues(QStringLiteral("parent"));
    writeSampleValues(QStringLiteral("child"));
    S().sync();
}

TEST(SettingsChild, setsOneValue)
{
    useParentConfig();
    S().setValue(QStringLiteral("kelvaro.jpegQuality"), 0.5);
    S().sync();
}

// A file that is there before the settings are first opened: only the first write would show the
// loss, so the write happens in a fresh process. One that is no regular file is never opened: a
// FIFO would hold the read until a writer came.
TEST(Settings, anUnreadableFileIsKeptAsideBeforeTheFirstWrite)
{
    const struct {
        const char* name;
        QByteArray bytes;
        std::function<void(const QString&)> make; // in place of the bytes
    } rows[] = {{"garbage", "not json at all", {}},
                {"truncated", R"({"kelvaro.presets.v1": {"data": "AAEC)", {}},
                {"array", R"(["kelvaro.jpegQuality", 0.9])", {}},
                {"binary", QByteArray("\x00\xff\xfe{\x01", 5), {}},
                {"blank", " \n\t\n", {}},
                {"empty", "", {}},
                {"fifo", {}, makeFifo},
                {"link to a fifo", {}, makeLinkToFifo},
                {"folder", {}, makeFolder},
                {"socket", {}, makeSocket}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        QTemporaryDir config;
        const QString folder = config.filePath(QStringLiteral("Kelvaro"));
        ASSERT_TRUE(QDir().mkpath(folder));
        const QString file = folder + QStringLiteral("/kelvaro.json");
        if (row.make)
            ASSERT_NO_FATAL_FAILURE(row.make(file));
        else
            test::writeFile(file, row.bytes);
        struct stat before {};
        ASSERT_EQ(::lstat(QFile::encodeName(file).constData(), &before), 0);
        ASSERT_EQ(runChild("setsOneValue", config.path()), 0);

        const QStringList aside = asideFiles(folder);
        ASSERT_EQ(aside.size(), 1);
        EXPECT_TRUE(QRegularExpression(QStringLiteral("^kelvaro\\.json\\.unreadable-\\d{8}-\\d{6}$")).match(aside[0]).hasMatch())
            << aside[0].toStdString();
        struct stat kept {};
        ASSERT_EQ(::lstat(QFile::encodeName(folder + QLatin1Char('/') + aside[0]).constData(), &kept), 0);
        EXPECT_EQ(kept.st_ino, before.st_ino); // the very file, whatever its kind
        if (!row.make) {
            EXPECT_EQ(test::readFile(folder + QLatin1Char('/') + aside[0]), row.bytes);
        }
        EXPECT_EQ(QJsonDocument::fromJson(test::readFile(file)).object(), (QJsonObject{{QStringLiteral("kelvaro.jpegQuality"), 0.5}}));
    }
}

// Another process may spoil the file while ours is open; the next write must not bury it either,
// nor an earlier file kept aside.
TEST(Settings, aFileSpoiledWhileOpenIsKeptAsideAtTheNextWrite)
{
    S().setValue(QStringLiteral("spoiled.before"), 1);
    S().sync();
    const QString file = S().filePath();
    const QString folder = QFileInfo(file).absolutePath();
    const QString earlier =
        file + QStringLiteral(".unreadable-") + QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    test::writeFile(earlier, "kept earlier");
    const QStringList before = asideFiles(folder);

    const QByteArray garbage("{\"spoiled.before\": 1, \"kelvaro.presets");
    // QSettings rereads a file only when its size or time changed.
    ASSERT_NE(garbage.size(), QFileInfo(file).size());
    test::writeFile(file, garbage);
    clearRecentLogLines();
    S().setValue(QStringLiteral("spoiled.after"), 2);

    QStringList added = asideFiles(folder);
    for (const QString& name : before)
        added.removeOne(name);
    ASSERT_EQ(added.size(), 1);
    EXPECT_EQ(test::readFile(folder + QLatin1Char('/') + added[0]), garbage);
    EXPECT_EQ(test::readFile(earlier), "kept earlier");
    const QJsonObject o = QJsonDocument::fromJson(test::readFile(file)).object();
    EXPECT_EQ(o.value(QStringLiteral("spoiled.after")), QJsonValue(2));
    EXPECT_FALSE(o.contains(QStringLiteral("spoiled.before"))); // it is in the kept file
    EXPECT_FALSE(S().contains(QStringLiteral("spoiled.before")));
    const QStringList log = recentLogLines();
    ASSERT_FALSE(log.isEmpty());
    EXPECT_TRUE(log.last().contains(added[0])) << log.last().toStdString();
}

TEST(Settings, changedOnlyOnARealChange)
{
    QStringList seen;
    const auto connection = QObject::connect(&S(), &Settings::changed, [&](const QString& key) { seen << key; });
    const QString k = QStringLiteral("kelvaro.jpegQuality");
    S().setValue(k, 0.9);
    S().setValue(k, 0.9);
    S().setValue(k, QVariant(0.9));
    EXPECT_EQ(seen.size(), 1);
    S().setValue(k, 1);   // a number of another C++ type but another value
    S().setValue(k, 1.0); // same number
    EXPECT_EQ(seen.size(), 2);
    S().setValue(k, true); // same "1" but a Boolean is another value
    EXPECT_EQ(seen.size(), 3);
    S().setValue(k, QStringLiteral("1"));
    EXPECT_EQ(seen.size(), 4);
    S().remove(k);
    S().remove(k);
    S().remove(QStringLiteral("never.set"));
    EXPECT_EQ(seen.size(), 5);
    S().setValue(k, QVariant()); // an invalid value removes; nothing there to remove
    EXPECT_EQ(seen.size(), 5);
    S().setValue(QStringLiteral("list"), QStringList{QStringLiteral("a")});
    S().setValue(QStringLiteral("list"), QStringList{QStringLiteral("a")});
    S().setValue(QStringLiteral("list"), QStringList{QStringLiteral("a"), QStringLiteral("b")});
    S().setValue(QStringLiteral("data"), QByteArray("x"));
    S().setValue(QStringLiteral("data"), QByteArray("x"));
    EXPECT_EQ(seen.size(), 8);
    EXPECT_EQ(seen.last(), QStringLiteral("data"));
    S().setValue(QStringLiteral("mixed"), QVariantList{true});
    S().setValue(QStringLiteral("mixed"), QVariantList{1}); // a number in place of a Boolean
    EXPECT_EQ(S().value(QStringLiteral("mixed")).toList().value(0).typeId(), QMetaType::Double);
    EXPECT_EQ(seen.size(), 10);
    QObject::disconnect(connection);
}

// Values of shapes this version cannot represent (a newer version's record, a value spoiled by
// hand) or not in the very text it would write stay as read through a save of another key, and no
// typed read takes one for a value of its type.
TEST(Settings, valuesOfUnknownShapesSurviveASaveOfAnotherKey)
{
    const struct {
        const char* name;
        const char* json;
        bool readAsData = false; // dataValue gives bytes; nothing else reads any row
    } rows[] = {
        {"an object of a newer version", R"({"kelvaro.future.v2": {"nested": {"deep": [1, {"x": null}]}, "v": 2}})"},
        {"a null", R"({"kelvaro.library.v1": null})"},
        {"a list of objects", R"({"kelvaro.watch.rules.v1": [{"folder": "/a"}, {"folder": "/b"}]})"},
        {"a list of lists", R"({"list": [["cs"], []]})"},
        {"a record beside data", R"({"kelvaro.presets.v1": {"data": "AAEC", "version": 2}})"},
        {"data that is no text", R"({"kelvaro.presets.v1": {"data": 7}})"},
        {"data without its padding", R"({"kelvaro.outputFolder.bookmark": {"data": "AAE"}})", true},
        {"a whole number beyond a double", R"({"counter": 9007199254740993})"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        QJsonObject stored = test::parseJson(row.json);
        const QString key = stored.begin().key();
        stored.insert(QStringLiteral("kelvaro.jpegQuality"), 0.9);
        test::writeFile(S().filePath(), QJsonDocument(stored).toJson());

        ASSERT_TRUE(S().setValue(QStringLiteral("kelvaro.jpegQuality"), 0.61));
        stored.insert(QStringLiteral("kelvaro.jpegQuality"), 0.61);
        // Compared as text: QJsonValue takes 9007199254740993 for the double next to it.
        EXPECT_EQ(test::compactJson(QJsonDocument::fromJson(test::readFile(S().filePath())).object()), test::compactJson(stored));
        EXPECT_TRUE(S().contains(key));
        EXPECT_FALSE(S().boolValue(key));
        EXPECT_EQ(S().numberValue(key).has_value(), QByteArray(row.name).startsWith("a whole number"));
        EXPECT_FALSE(S().stringValue(key));
        EXPECT_EQ(S().dataValue(key).has_value(), row.readAsData);
        EXPECT_FALSE(S().stringListValue(key));
        // The next row's file is new to this process, as is its change.
        ASSERT_TRUE(S().remove(key));
        ASSERT_TRUE(S().remove(QStringLiteral("kelvaro.jpegQuality")));
    }
}

TEST(Settings, usableFromAnotherThread)
{
    std::thread writer([] {
        for (int i = 0; i < 50; ++i)
            S().setValue(QStringLiteral("thread.counter"), i);
    });
    for (int i = 0; i < 50; ++i)
        S().numberValue(QStringLiteral("thread.counter"));
    writer.join();
    EXPECT_EQ(S().numberValue(QStringLiteral("thread.counter")), 49.0);
}

namespace {

// Another process holding the settings' lock until it is sent a line.
void holdTheLockElsewhere(QProcess& holder)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("KELVARO_LOCK_PATH"), S().filePath() + QStringLiteral(".lock"));
    holder.setProcessEnvironment(env);
    holder.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--gtest_filter=SettingsChild.holdsTheLock")});
    QByteArray said;
    ASSERT_TRUE(test::waitUntil([&] {
        said += holder.readAllStandardOutput();
        return said.contains("the lock is held") || holder.state() == QProcess::NotRunning;
    }));
    ASSERT_EQ(holder.state(), QProcess::Running) << said.toStdString();
}

} // namespace

// The window's thread saves from its event loop: while another process holds the lock (a
// kelvaro-process run inside its save), a change returns at once and stays unsaved; after a moment
// it counts as failed; once the lock is free, the retry saves it without another call.
TEST(Settings, aSaveFromTheEventLoopNeverWaitsForAnotherProcessesLock)
{
    const QString key = QStringLiteral("kelvaro.jpegQuality");
    QProcess holder;
    ASSERT_NO_FATAL_FAILURE(holdTheLockElsewhere(holder));
    QList<std::pair<bool, int>> told;
    const auto stateConnection = QObject::connect(&S(), &Settings::saveStateChanged, [&] { told << std::pair(S().hasUnsavedChanges(), S().saveError()); });
    QList<int> failed;
    const auto failedConnection = QObject::connect(&S(), &Settings::saveFailed, [&](int error) { failed << error; });

    std::optional<bool> saved;
    QEventLoop loop;
    QTimer::singleShot(0, &loop, [&] {
        saved = S().setValue(key, 0.61);
        loop.quit();
    });
    loop.exec();
    ASSERT_TRUE(saved.has_value());
    EXPECT_EQ(holder.state(), QProcess::Running); // it holds the lock until told
    EXPECT_FALSE(*saved);
    EXPECT_EQ(S().numberValue(key), 0.61);
    EXPECT_TRUE(S().hasUnsavedChanges());
    EXPECT_EQ(told, (QList<std::pair<bool, int>>{{true, 0}}));

    ASSERT_TRUE(test::waitUntil([] { return S().saveError() != 0; }));
    EXPECT_EQ(S().saveError(), EBUSY);
    EXPECT_EQ(failed, QList<int>{EBUSY});
    EXPECT_FALSE(QJsonDocument::fromJson(test::readFile(S().filePath())).object().contains(key));

    // The last save before the application ends waits for the lock, even from the event loop,
    // as nothing would retry it.
    QTimer::singleShot(0, &loop, [&] {
        holder.write("release\n");
        holder.waitForBytesWritten();
        saved = S().syncBeforeLeaving();
        loop.quit();
    });
    loop.exec();
    EXPECT_TRUE(*saved);
    EXPECT_EQ(QJsonDocument::fromJson(test::readFile(S().filePath())).object().value(key), 0.61);
    EXPECT_FALSE(S().hasUnsavedChanges());
    EXPECT_EQ(told, (QList<std::pair<bool, int>>{{true, 0}, {true, EBUSY}, {false, 0}}));
    EXPECT_EQ(failed, QList<int>{EBUSY});
    EXPECT_TRUE(test::waitUntil([&] { return holder.state() == QProcess::NotRunning; }));
    EXPECT_EQ(holder.exitCode(), 0);
    QObject::disconnect(stateConnection);
    QObject::disconnect(failedConnection);
}

// A worker's change while another process holds the lock is postponed, never waited for: the
// wait would hold every reader of the settings, the window's thread included, for half a minute.
TEST(Settings, aWorkersSaveWithoutWaitingIsPostponedWhileAnotherProcessHoldsTheLock)
{
    const QString key = QStringLiteral("kelvaro.watch.test");
    QProcess holder;
    ASSERT_NO_FATAL_FAILURE(holdTheLockElsewhere(holder));

    std::optional<bool> saved;
    std::thread worker([&] { saved = S().setValueWithoutWaiting(key, QByteArray("a")); });
    worker.join();
    ASSERT_TRUE(saved.has_value());
    EXPECT_FALSE(*saved);
    EXPECT_EQ(S().saveError(), 0) << "it waited for the lock and failed instead of postponing";
    EXPECT_TRUE(S().hasUnsavedChanges());
    EXPECT_TRUE(S().waitsForAnotherProcess());

    holder.write("release\n");
    holder.waitForBytesWritten();
    EXPECT_TRUE(test::waitUntil([&] { return holder.state() == QProcess::NotRunning; }));
    EXPECT_TRUE(S().syncBeforeLeaving());
    EXPECT_EQ(QJsonDocument::fromJson(test::readFile(S().filePath())).object().contains(key), true);
}

TEST(SettingsChild, holdsTheLock)
{
    QLockFile lock(qEnvironmentVariable("KELVARO_LOCK_PATH"));
    ASSERT_TRUE(lock.lock());
    std::cout << "the lock is held" << std::endl;
    std::string line;
    std::getline(std::cin, line);
}

// A save killed between creating the lock file and writing its owner into it leaves an empty
// lock. The next process must not wait the lock's half-minute expiry on its first save.
TEST(Settings, anEmptyLockLeftByAKilledSaveDoesNotStallTheNextSave)
{
    const QString lock = S().filePath() + QStringLiteral(".lock");
    // Left a second ago, and left just now (the killed process is restarted at once): a live owner
    // would have written itself into it within microseconds either way.
    for (const int ageSeconds : {1, 0}) {
        QFile file(lock);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_TRUE(file.setFileTime(QDateTime::currentDateTime().addSecs(-ageSeconds), QFileDevice::FileModificationTime));
        file.close();

        QElapsedTimer timer;
        timer.start();
        S().setValue(QStringLiteral("kelvaro.afterCrash"), ageSeconds);
        EXPECT_LT(timer.elapsed(), 20000) << "age " << ageSeconds; // well under the expiry, however busy
        EXPECT_FALSE(QFileInfo::exists(lock)) << "age " << ageSeconds;
        EXPECT_EQ(QJsonDocument::fromJson(test::readFile(S().filePath())).object().value(QStringLiteral("kelvaro.afterCrash")).toDouble(-1), ageSeconds);
    }
}

// Whatever stands under the lock's name that is no regular file was never a lock: a save neither
// waits on it (a FIFO would hold it for good, a folder for the lock's whole wait) nor loses it.
TEST(Settings, somethingElseWhereTheLockShouldBeIsKeptAsideNotWaitedOn)
{
    const struct {
        const char* name;
        void (*make)(const QString&);
    } rows[] = {{"fifo", makeFifo}, {"link to a fifo", makeLinkToFifo}, {"folder", makeFolder}, {"socket", makeSocket}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        QTemporaryDir config;
        const QString folder = config.filePath(QStringLiteral("Kelvaro"));
        ASSERT_TRUE(QDir().mkpath(folder));
        const QString lock = folder + QStringLiteral("/kelvaro.json.lock");
        ASSERT_NO_FATAL_FAILURE(row.make(lock));
        struct stat before {};
        ASSERT_EQ(::lstat(QFile::encodeName(lock).constData(), &before), 0);
        // A save takes milliseconds; the lock's own wait is half a minute.
        ASSERT_EQ(runChild("setsOneValue", config.path(), 15000), 0);

        EXPECT_EQ(QJsonDocument::fromJson(test::readFile(folder + QStringLiteral("/kelvaro.json"))).object(),
                  (QJsonObject{{QStringLiteral("kelvaro.jpegQuality"), 0.5}}));
        const QStringList aside = QDir(folder).entryList({QStringLiteral("kelvaro.json.lock.unreadable-*")}, QDir::AllEntries | QDir::System);
        ASSERT_EQ(aside.size(), 1);
        struct stat kept {};
        ASSERT_EQ(::lstat(QFile::encodeName(folder + QLatin1Char('/') + aside[0]).constData(), &kept), 0);
        EXPECT_EQ(kept.st_ino, before.st_ino);
    }
}

// A save the disk cuts short leaves the file byte for byte; the change stays readable and goes to
// disk with the next save that can be written. The failure is told once for a streak of them.
TEST(Settings, aSaveCutShortLeavesTheFileAsItWasAndIsToldOncePerStreak)
{
    const QByteArray stored = writeStoredSettings(30 * 1024);
    FailingFileSystem disk;
    disk.writeBudget = 4096;
    FileSystem::setCurrent(&disk);
    QList<int> told;
    const auto connection = QObject::connect(&S(), &Settings::saveFailed, [&](int error) { told << error; });
    const auto disconnect = qScopeGuard([&] { QObject::disconnect(connection); });

    EXPECT_FALSE(S().setValue(QStringLiteral("kelvaro.jpegQuality"), 0.5));
    EXPECT_FALSE(S().setValue(QStringLiteral("kelvaro.describeNames"), false));
    EXPECT_EQ(test::readFile(S().filePath()), stored);
    EXPECT_EQ(S().saveError(), ENOSPC);
    EXPECT_EQ(told, QList<int>{ENOSPC});
    EXPECT_EQ(S().numberValue(QStringLiteral("kelvaro.jpegQuality")), 0.5);
    EXPECT_FALSE(S().sync());
    EXPECT_EQ(test::readFile(S().filePath()), stored);

    disk.writeBudget = -1;
    EXPECT_TRUE(S().sync());
    EXPECT_EQ(S().saveError(), 0);
    QJsonObject expected = QJsonDocument::fromJson(stored).object();
    expected.insert(QStringLiteral("kelvaro.jpegQuality"), 0.5);
    expected.insert(QStringLiteral("kelvaro.describeNames"), false);
    EXPECT_EQ(QJsonDocument::fromJson(test::readFile(S().filePath())).object(), expected);

    disk.writeBudget = 0;
    EXPECT_FALSE(S().remove(QStringLiteral("kept.0001")));
    EXPECT_EQ(told, (QList<int>{ENOSPC, ENOSPC})); // a new streak
    FileSystem::setCurrent(nullptr);
}

// What a failed save kept reaches the disk once there is room, with no further change to carry it.
TEST(Settings, aChangeAFailedSaveKeptIsSavedOnceThereIsRoom)
{
    FailingFileSystem disk;
    disk.writeBudget = 0;
    FileSystem::setCurrent(&disk);
    const auto restore = qScopeGuard([] { FileSystem::setCurrent(nullptr); });
    EXPECT_FALSE(S().setValue(QStringLiteral("kelvaro.jpegQuality"), 0.42));
    EXPECT_TRUE(S().hasUnsavedChanges());

    disk.writeBudget = -1;
    EXPECT_TRUE(test::waitUntil([] { return !S().hasUnsavedChanges(); }));
    EXPECT_EQ(S().saveError(), 0);
    EXPECT_EQ(QJsonDocument::fromJson(test::readFile(S().filePath())).object().value(QStringLiteral("kelvaro.jpegQuality")), 0.42);
}

// The disk stays full through several retries: each of them tries again, and the first one after
// room is made saves, with no change of the user's to carry it.
TEST(Settings, aFailedSaveIsRetriedUntilThereIsRoom)
{
    struct CountingDisk : FailingFileSystem {
        int writeWhole(const QString& path, const QByteArray& bytes) override
        {
            ++wholeWrites;
            return FailingFileSystem::writeWhole(path, bytes);
        }
        int wholeWrites = 0;
    } disk;
    disk.writeBudget = 0;
    FileSystem::setCurrent(&disk);
    const auto restore = qScopeGuard([] { FileSystem::setCurrent(nullptr); });
    EXPECT_FALSE(S().setValue(QStringLiteral("kelvaro.jpegQuality"), 0.37));
    ASSERT_EQ(disk.wholeWrites, 1);

    for (int retry = 1; retry <= 2; ++retry) {
        test::passTimersOf(Settings::failedRetryMs);
        EXPECT_EQ(disk.wholeWrites, 1 + retry) << "retry " << retry;
        EXPECT_TRUE(S().hasUnsavedChanges());
        EXPECT_EQ(S().saveError(), ENOSPC);
    }

    disk.writeBudget = -1;
    test::passTimersOf(Settings::failedRetryMs);
    EXPECT_EQ(disk.wholeWrites, 4);
    EXPECT_FALSE(S().hasUnsavedChanges());
    EXPECT_EQ(S().saveError(), 0);
    EXPECT_EQ(QJsonDocument::fromJson(test::readFile(S().filePath())).object().value(QStringLiteral("kelvaro.jpegQuality")), 0.37);
}

// ---- The file as earlier versions wrote and read it ----------------------------------------------
namespace {

// The stored format as QSettings wrote it through the registered JSON format of earlier versions:
// each value a JSON value of its own type, data tagged {"data": base64}, the object indented.
QJsonValue storedJson(const QVariant& v)
{
    switch (v.typeId()) {
    case QMetaType::Bool:
        return v.toBool();
    case QMetaType::Double:
        return v.toDouble();
    case QMetaType::QByteArray:
        return QJsonObject{{QStringLiteral("data"), QString::fromLatin1(v.toByteArray().toBase64())}};
    case QMetaType::QVariantList: {
        QJsonArray a;
        for (const QVariant& item : v.toList())
            a.append(storedJson(item));
        return a;
    }
    default:
        return v.toString();
    }
}

QVariant storedVariant(const QJsonValue& v)
{
    switch (v.type()) {
    case QJsonValue::Bool:
        return v.toBool();
    case QJsonValue::Double:
        return v.toDouble();
    case QJsonValue::String:
        return v.toString();
    case QJsonValue::Array: {
        QVariantList list;
        for (const QJsonValue& item : v.toArray())
            list.append(storedVariant(item));
        return list;
    }
    case QJsonValue::Object: {
        const QJsonObject o = v.toObject();
        if (o.size() == 1 && o.value(QStringLiteral("data")).isString())
            return QByteArray::fromBase64(o.value(QStringLiteral("data")).toString().toLatin1());
        return {};
    }
    default:
        return {};
    }
}

bool readStored(QIODevice& device, QSettings::SettingsMap& map)
{
    const QByteArray bytes = device.readAll();
    if (bytes.trimmed().isEmpty())
        return true;
    const QJsonDocument doc = QJsonDocument::fromJson(bytes);
    if (!doc.isObject())
        return false;
    const QJsonObject o = doc.object();
    for (auto it = o.begin(); it != o.end(); ++it) {
        const QVariant v = storedVariant(it.value());
        if (v.isValid())
            map.insert(it.key(), v);
    }
    return true;
}

bool writeStored(QIODevice& device, const QSettings::SettingsMap& map)
{
    QJsonObject o;
    for (auto it = map.begin(); it != map.end(); ++it)
        o.insert(it.key(), storedJson(it.value()));
    return device.write(QJsonDocument(o).toJson(QJsonDocument::Indented)) >= 0;
}

QSettings::Format storedFormat()
{
    static const QSettings::Format format = QSettings::registerFormat(QStringLiteral("json"), readStored, writeStored);
    return format;
}

QByteArray compactJson(const QJsonObject& o)
{
    return QJsonDocument(o).toJson(QJsonDocument::Compact);
}

// A user's settings of every kind, as the application stores them: documents as data, numbers,
// flags, texts, text lists, an old bookmark of binary bytes.
const QList<std::pair<QString, QVariant>>& userValues()
{
    static const QList<std::pair<QString, QVariant>> values = {
        {QStringLiteral("kelvaro.jpegQuality"), 0.82},
        {QStringLiteral("kelvaro.heicQuality"), 1.0},
        {QStringLiteral("kelvaro.describeNames"), true},
        {QStringLiteral("kelvaro.autoReveal"), false},
        {QStringLiteral("kelvaro.faceStyle"), QStringLiteral("pixelate")},
        {QStringLiteral("kelvaro.clipboardMode"), QStringLiteral("paths")},
        {QStringLiteral("kelvaro.language"), QStringLiteral("cs")},
        {QStringLiteral("kelvaro.settingsTab"), QString()},
        {QStringLiteral("AppleLanguages"), QVariantList{QStringLiteral("cs"), QStringLiteral("en")}},
        {QStringLiteral("kelvaro.studio.empty"), QVariantList{}},
        {QStringLiteral("updates.lastCheck"), 818337845.125},
        {QStringLiteral("updates.announcedVersion"), QStringLiteral("2.1")},
        {QStringLiteral("kelvaro.outputFolder.bookmark"), QByteArray("\x00\x01\xfe/home/jana/Výsledky\xff", 24)},
        {QStringLiteral("kelvaro.library.v1"),
         compactJson({{QStringLiteral("activities"),
                       QJsonArray{QJsonObject{{QStringLiteral("fileName"), QStringLiteral("Léto – pláž.jpg")},
                                              {QStringLiteral("savedBytes"), 123456}}}},
                      {QStringLiteral("shelves"), QJsonArray{QJsonObject{{QStringLiteral("name"), QStringLiteral("Rodina")}}}}})},
        {QStringLiteral("kelvaro.presets.v1"), compactJson({{QStringLiteral("presets"), QJsonArray{1, 2}}})},
        {QStringLiteral("kelvaro.workflows.v1"), QByteArray("[]")},
        {QStringLiteral("kelvaro.watch.rules.v1"), QByteArray("[{\"folder\":\"/home/jana/Fotky \\\"nové\\\"\"}]")},
        {QStringLiteral("kelvaro.watch.seen.v1"), QByteArray("{}")},
        {QStringLiteral("kelvaro.emptyData"), QByteArray()},
        {QStringLiteral("kelvaro.mixed"), QVariantList{QStringLiteral("a"), 1.5, true}},
    };
    return values;
}

void expectUserValues(const std::function<QVariant(const QString&)>& read)
{
    for (const auto& [key, value] : userValues()) {
        SCOPED_TRACE(key.toStdString());
        const QVariant got = read(key);
        EXPECT_EQ(got.typeId(), value.typeId());
        EXPECT_EQ(got, value);
    }
}

} // namespace

// A file written by earlier versions loads with every value and type, a save keeps it in the same
// bytes those versions write, and they read the new file back whole.
TEST(Settings, aFileOfEarlierVersionsLoadsWholeAndTheyReadWhatIsSaved)
{
    QTemporaryDir config;
    const QString folder = config.filePath(QStringLiteral("Kelvaro"));
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString file = folder + QStringLiteral("/kelvaro.json");
    {
        QSettings earlier(file, storedFormat());
        for (const auto& [key, value] : userValues())
            earlier.setValue(key, value);
        earlier.sync();
        ASSERT_EQ(earlier.status(), QSettings::NoError);
    }
    ASSERT_EQ(runChild("readsEarlierFile", config.path()), 0);

    QSettings earlier(file, storedFormat());
    ASSERT_EQ(earlier.status(), QSettings::NoError);
    expectUserValues([&](const QString& key) { return earlier.value(key); });
    EXPECT_EQ(earlier.value(QStringLiteral("kelvaro.onboarded")), QVariant(true));
    // Byte for byte what the earlier writer makes of the same values.
    QSettings::SettingsMap all;
    for (const QString& key : earlier.allKeys())
        all.insert(key, earlier.value(key));
    QBuffer expected;
    expected.open(QIODevice::WriteOnly);
    writeStored(expected, all);
    EXPECT_EQ(test::readFile(file), expected.data());
}

TEST(SettingsChild, readsEarlierFile)
{
    useParentConfig();
    expectUserValues([](const QString& key) { return S().value(key); });
    EXPECT_TRUE(S().keptAside().isEmpty());
    EXPECT_EQ(S().keys().size(), userValues().size());
    EXPECT_TRUE(S().setValue(QStringLiteral("kelvaro.onboarded"), true));
}

// ---- Several processes -----------------------------------------------------------------------------
namespace {

QProcess* startChild(const char* test, const QString& config, const QString& prefix, int count, QObject* parent)
{
    auto* child = new QProcess(parent);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("KELVARO_PARENT_CONFIG"), config);
    env.insert(QStringLiteral("KELVARO_CHILD_PREFIX"), prefix);
    env.insert(QStringLiteral("KELVARO_CHILD_COUNT"), QString::number(count));
    child->setProcessEnvironment(env);
    child->setProcessChannelMode(QProcess::ForwardedChannels);
    child->start(QCoreApplication::applicationFilePath(), {QStringLiteral("--gtest_filter=SettingsChild.") + QString::fromLatin1(test)});
    return child;
}

} // namespace

// The application, kelvaro-process and a watched run may save at the same moment: each save lays
// its own changes over what the others saved, so no one's change is lost.
TEST(Settings, processesSavingAtOnceLoseNoChange)
{
    const QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    writeStoredSettings(20 * 1024);
    S().sync();
    constexpr int kCount = 150;
    QObject owner;
    QList<QProcess*> children;
    for (const QString& prefix : {QStringLiteral("first"), QStringLiteral("second"), QStringLiteral("third")})
        children << startChild("writesKeys", config, prefix, kCount, &owner);
    for (int i = 0; i < kCount; ++i)
        ASSERT_TRUE(S().setValue(QStringLiteral("parent.%1").arg(i), i));
    for (QProcess* child : children) {
        ASSERT_TRUE(child->waitForFinished(120000));
        ASSERT_EQ(child->exitStatus(), QProcess::NormalExit);
        ASSERT_EQ(child->exitCode(), 0);
    }
    ASSERT_TRUE(S().sync());
    const QJsonObject stored = QJsonDocument::fromJson(test::readFile(S().filePath())).object();
    for (const QString& prefix : {QStringLiteral("parent"), QStringLiteral("first"), QStringLiteral("second"), QStringLiteral("third")}) {
        for (int i = 0; i < kCount; ++i) {
            const QString key = prefix + QStringLiteral(".%1").arg(i);
            ASSERT_EQ(stored.value(key).toDouble(-1), i) << key.toStdString();
            ASSERT_EQ(S().numberValue(key), double(i)) << key.toStdString();
        }
    }
    EXPECT_TRUE(stored.contains(QStringLiteral("kept.0000")));
}

TEST(SettingsChild, writesKeys)
{
    useParentConfig();
    const QString prefix = qEnvironmentVariable("KELVARO_CHILD_PREFIX");
    const int count = qEnvironmentVariableIntValue("KELVARO_CHILD_COUNT");
    for (int i = 0; i < count; ++i)
        ASSERT_TRUE(S().setValue(prefix + QStringLiteral(".%1").arg(i), i));
}

// A process killed while it saves leaves the previous file or the new one, whole, and the next
// process saves at once.
TEST(Settings, aProcessKilledWhileSavingLeavesAWholeFile)
{
    const QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    const QJsonObject kept = QJsonDocument::fromJson(writeStoredSettings(100 * 1024)).object();
    const QString file = S().filePath();
    const QString counter = QStringLiteral("killed.counter");
    const QStringList asideBefore = asideFiles(QFileInfo(file).absolutePath());
    double last = -1;
    for (int round = 0; round < 12; ++round) {
        SCOPED_TRACE(round);
        QObject owner;
        QProcess* child = startChild("savesUntilKilled", config, QStringLiteral("killed"), 1000000, &owner);
        // Killed once it has saved a few times since the last round: somewhere in a save, mostly.
        const double from = last;
        ASSERT_TRUE(test::waitUntil([&] {
            const QJsonObject o = QJsonDocument::fromJson(test::readFile(file)).object();
            return o.value(counter).toDouble(-1) > from + 2 || child->state() == QProcess::NotRunning;
        }));
        ASSERT_EQ(child->state(), QProcess::Running);
        child->kill();
        ASSERT_TRUE(child->waitForFinished(30000));

        const QJsonDocument doc = QJsonDocument::fromJson(test::readFile(file));
        ASSERT_TRUE(doc.isObject());
        QJsonObject o = doc.object();
        EXPECT_GT(o.value(counter).toDouble(-1), from);
        last = o.value(counter).toDouble(-1);
        o.remove(counter);
        EXPECT_EQ(o, kept);
    }
    EXPECT_TRUE(S().setValue(QStringLiteral("after.kills"), true));
    EXPECT_TRUE(QJsonDocument::fromJson(test::readFile(file)).object().value(QStringLiteral("after.kills")).toBool());
    EXPECT_EQ(asideFiles(QFileInfo(file).absolutePath()), asideBefore); // no file was found unreadable
}

TEST(SettingsChild, savesUntilKilled)
{
    useParentConfig();
    const QString key = qEnvironmentVariable("KELVARO_CHILD_PREFIX") + QStringLiteral(".counter");
    const double start = S().numberValue(key).value_or(-1) + 1;
    const int count = qEnvironmentVariableIntValue("KELVARO_CHILD_COUNT");
    for (int i = 0; i < count; ++i)
        ASSERT_TRUE(S().setValue(key, start + i));
}

namespace {

// Dies in the middle of a whole-file write, as a process killed there would.
class DyingFileSystem : public FileSystem {
protected:
    qint64 writeSome(int fd, const char* data, qint64 size) override
    {
        FileSystem::writeSome(fd, data, std::min<qint64>(size, 100));
        std::raise(SIGKILL);
        return -1;
    }
};

QStringList partFiles(const QString& folder)
{
    return QDir(folder).entryList({QStringLiteral("kelvaro.json.new-*")}, QDir::Files | QDir::Hidden, QDir::Name);
}

} // namespace

// The new file of a save cut short by a kill is cleared by the next save, in any process: killed
// saves would otherwise leave a copy of the settings beside them each time.
TEST(Settings, theNewFileOfAKilledSaveIsClearedByTheNextSave)
{
    const QByteArray stored = writeStoredSettings(10 * 1024);
    S().sync();
    const QString folder = QFileInfo(S().filePath()).absolutePath();
    // A killed save's new file is cleared by the next killed one, which leaves only its own.
    for (int kill = 0; kill < 2; ++kill) {
        EXPECT_EQ(runChild("diesWhileSaving"), -1);
        ASSERT_EQ(partFiles(folder).size(), 1);
    }
    EXPECT_EQ(test::readFile(S().filePath()), stored);
    // Copies the user keeps under names close to them are no save's.
    const QStringList users{QStringLiteral("kelvaro.json.new-2026-12-07"), QStringLiteral("kelvaro.json.new-Edit"),
                            QStringLiteral("kelvaro.json.new-version.json")};
    for (const QString& name : users)
        test::writeFile(folder + QLatin1Char('/') + name, name.toUtf8());

    EXPECT_TRUE(S().setValue(QStringLiteral("after.kill"), true));
    EXPECT_EQ(partFiles(folder), users);
    for (const QString& name : users)
        EXPECT_EQ(test::readFile(folder + QLatin1Char('/') + name), name.toUtf8());
    EXPECT_TRUE(QJsonDocument::fromJson(test::readFile(S().filePath())).object().value(QStringLiteral("after.kill")).toBool());
}

TEST(SettingsChild, diesWhileSaving)
{
    useParentConfig();
    static DyingFileSystem dying;
    FileSystem::setCurrent(&dying);
    S().setValue(QStringLiteral("never.saved"), true);
    ADD_FAILURE() << "the save went through";
}

// Threads that set, remove and save at once: every real change is told once, outside the lock (a
// receiver reads the settings on the writing thread), and the file ends with what each thread
// left.
TEST(Settings, threadsChangingAtOnceAreToldOfEachRealChange)
{
    constexpr int kThreads = 4;
    constexpr int kRounds = 60;
    std::atomic<int> told{0};
    const auto connection = QObject::connect(
        &S(), &Settings::changed, &S(),
        [&](const QString& key) {
            if (key.startsWith(QStringLiteral("threads.")))
                ++told;
            S().value(key);
            S().keys();
        },
        Qt::DirectConnection);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t] {
            const QString key = QStringLiteral("threads.%1").arg(t);
            for (int i = 0; i < kRounds; ++i) {
                S().setValue(key, i);
                S().setValue(key, i); // no change
                if (i % 10 == 9) {
                    S().remove(key);
                    S().remove(key); // nothing left to remove
                    S().sync();
                }
            }
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    QObject::disconnect(connection);
    // Each round sets a new value, and every tenth removes it once.
    EXPECT_EQ(told.load(), kThreads * (kRounds + kRounds / 10));
    const QJsonObject stored = QJsonDocument::fromJson(test::readFile(S().filePath())).object();
    for (int t = 0; t < kThreads; ++t)
        EXPECT_FALSE(stored.contains(QStringLiteral("threads.%1").arg(t))); // the last round removed it
    EXPECT_EQ(S().saveError(), 0);
}
