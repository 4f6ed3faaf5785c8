#include <cstdlib>
#include <thread>

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "platform/Log.h"
#include "platform/Settings.h"

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
    // Types are never converted on reading.
    EXPECT_FALSE(S().boolValue(prefix + QStringLiteral(".number")));
    EXPECT_FALSE(S().numberValue(prefix + QStringLiteral(".bool")));
    EXPECT_FALSE(S().stringValue(prefix + QStringLiteral(".int")));
    EXPECT_FALSE(S().dataValue(prefix + QStringLiteral(".string")));
    EXPECT_FALSE(S().stringListValue(prefix + QStringLiteral(".string")));
}

// Runs one of this executable's child tests in another process, against the settings file in
// `config` (our own by default).
int runChild(const char* test, const QString& config = qEnvironmentVariable("XDG_CONFIG_HOME"))
{
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("KELVARO_PARENT_CONFIG"), config);
    env.insert(QStringLiteral("KELVARO_TEST_CHILD"), QStringLiteral("1"));
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::ForwardedChannels);
    child.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("--gtest_filter=SettingsChild.") + QString::fromLatin1(test)});
    if (!child.waitForFinished(30000))
        return -1;
    return child.exitStatus() == QProcess::NormalExit ? child.exitCode() : -1;
}

} // namespace

TEST(Settings, valueTypesSurviveTheFile)
{
    writeSampleValues(QStringLiteral("parent"));
    S().sync();
    QFile file(S().filePath());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QJsonObject o = QJsonDocument::fromJson(file.readAll()).object();
    EXPECT_TRUE(o.value(QStringLiteral("parent.bool")).isBool());
    EXPECT_TRUE(o.value(QStringLiteral("parent.int")).isDouble());
    EXPECT_TRUE(o.value(QStringLiteral("parent.textTrue")).isString());
    EXPECT_TRUE(o.value(QStringLiteral("parent.list")).isArray());
    expectSampleValues(QStringLiteral("parent"));
}

TEST(Settings, anotherProcessReadsAndWritesTheSameTypes)
{
    writeSampleValues(QStringLiteral("parent"));
    S().sync();
    ASSERT_EQ(runChild("process"), 0);
    S().sync(); // picks up what the other process wrote
    expectSampleValues(QStringLiteral("child"));
    expectSampleValues(QStringLiteral("parent"));
}

namespace {

// The child tests only run when started by the tests here.
void useParentConfig()
{
    const QByteArray config = qgetenv("KELVARO_PARENT_CONFIG");
    ASSERT_FALSE(config.isEmpty());
    setenv("XDG_CONFIG_HOME", config.constData(), 1); // before the settings are first opened
}

} // namespace

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

namespace {

QStringList asideFiles(const QString& folder)
{
    return QDir(folder).entryList({QStringLiteral("kelvaro.json.unreadable-*")}, QDir::Files | QDir::Hidden, QDir::Name);
}

QByteArray contents(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(f.write(bytes), bytes.size());
}

struct FileOnDisk {
    const char* label;
    QByteArray bytes;
    bool unreadable;
};

void PrintTo(const FileOnDisk& c, std::ostream* os)
{
    *os << c.label;
}

class SettingsFileOnDisk : public ::testing::TestWithParam<FileOnDisk> {};

} // namespace

// A file that is there before the settings are first opened: only the first write would show the
// loss, so the write happens in a fresh process.
TEST_P(SettingsFileOnDisk, anUnreadableFileIsKeptAsideBeforeTheFirstWrite)
{
    QTemporaryDir config;
    ASSERT_TRUE(config.isValid());
    const QString folder = config.filePath(QStringLiteral("Kelvaro"));
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString file = folder + QStringLiteral("/kelvaro.json");
    writeFile(file, GetParam().bytes);

    ASSERT_EQ(runChild("setsOneValue", config.path()), 0);

    const QStringList aside = asideFiles(folder);
    if (GetParam().unreadable) {
        ASSERT_EQ(aside.size(), 1);
        EXPECT_TRUE(QRegularExpression(QStringLiteral("^kelvaro\\.json\\.unreadable-\\d{8}-\\d{6}$")).match(aside[0]).hasMatch())
            << aside[0].toStdString();
        EXPECT_EQ(contents(folder + QLatin1Char('/') + aside[0]), GetParam().bytes);
    } else {
        EXPECT_TRUE(aside.isEmpty());
    }
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(contents(file), &error);
    ASSERT_TRUE(doc.isObject()) << error.errorString().toStdString();
    EXPECT_EQ(doc.object(), (QJsonObject{{QStringLiteral("kelvaro.jpegQuality"), 0.5}}));
}

INSTANTIATE_TEST_SUITE_P(
    Contents, SettingsFileOnDisk,
    ::testing::Values(FileOnDisk{"garbage", QByteArray("not json at all"), true},
                      FileOnDisk{"truncated", QByteArray(R"({"kelvaro.presets.v1": {"data": "AAEC)"), true},
                      FileOnDisk{"array", QByteArray(R"(["kelvaro.jpegQuality", 0.9])"), true},
                      FileOnDisk{"binary", QByteArray("\x00\xff\xfe{\x01", 5), true},
                      FileOnDisk{"blank", QByteArray(" \n\t\n"), false}),
    [](const ::testing::TestParamInfo<FileOnDisk>& info) { return std::string(info.param.label); });

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
    writeFile(earlier, "kept earlier");
    const QStringList before = asideFiles(folder);

    const QByteArray garbage("{\"spoiled.before\": 1, \"kelvaro.presets");
    // QSettings rereads a file only when its size or time changed.
    ASSERT_NE(garbage.size(), QFileInfo(file).size());
    writeFile(file, garbage);
    clearRecentLogLines();
    S().setValue(QStringLiteral("spoiled.after"), 2);

    QStringList added = asideFiles(folder);
    for (const QString& name : before)
        added.removeOne(name);
    ASSERT_EQ(added.size(), 1);
    EXPECT_EQ(contents(folder + QLatin1Char('/') + added[0]), garbage);
    EXPECT_EQ(contents(earlier), "kept earlier");
    const QJsonObject o = QJsonDocument::fromJson(contents(file)).object();
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
    QObject::disconnect(connection);
}

TEST(Settings, otherIntegerTypesAreNumbers)
{
    S().setValue(QStringLiteral("long"), QVariant::fromValue(long(7)));
    S().setValue(QStringLiteral("i64"), qint64(1) << 40);
    S().setValue(QStringLiteral("u"), 5u);
    EXPECT_EQ(S().numberValue(QStringLiteral("long")), 7.0);
    EXPECT_EQ(S().numberValue(QStringLiteral("i64")), double(qint64(1) << 40));
    EXPECT_EQ(S().numberValue(QStringLiteral("u")), 5.0);
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

TEST(Settings, listWithANonTextIsNoStringList)
{
    S().setValue(QStringLiteral("mixed"), QVariantList{QStringLiteral("a"), 1});
    EXPECT_FALSE(S().stringListValue(QStringLiteral("mixed")));
    EXPECT_TRUE(S().value(QStringLiteral("mixed")).isValid());
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
        EXPECT_LT(timer.elapsed(), 10000) << "age " << ageSeconds;
        EXPECT_FALSE(QFileInfo::exists(lock)) << "age " << ageSeconds;
        QFile settings(S().filePath());
        ASSERT_TRUE(settings.open(QIODevice::ReadOnly));
        EXPECT_EQ(QJsonDocument::fromJson(settings.readAll()).object().value(QStringLiteral("kelvaro.afterCrash")).toDouble(-1), ageSeconds);
    }
}
