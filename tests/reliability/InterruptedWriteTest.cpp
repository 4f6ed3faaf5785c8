// The settings file and the library inside it survive a process killed while saving: afterwards
// the previous document or the new one is there, never a cut one, and the next start reads it.
// The writer and the reader are this test binary itself in a helper mode (a disabled test run on
// purpose), pointed at a shared configuration folder.
#include <csignal>

#include <QCoreApplication>
#include <QDir>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include <gtest/gtest.h>

#include "ReliabilitySupport.h"
#include "platform/Settings.h"
#include "store/KelvaroStore.h"

namespace kelvaro::reliability {
namespace {

constexpr const char* kModeVariable = "KELVARO_RELIABILITY_CHILD";
constexpr const char* kConfigVariable = "KELVARO_RELIABILITY_CONFIG";

// "write": adds history entries one by one (each a full library save) and changes a setting,
// printing "saved N" after each, until killed. "read": loads the store and prints what it found.
TEST(ReliabilityChild, Mode)
{
    const QByteArray mode = qgetenv(kModeVariable);
    const QByteArray config = qgetenv(kConfigVariable);
    ASSERT_FALSE(mode.isEmpty() || config.isEmpty());
    // Before the first use of the settings, which read the folder once.
    qputenv("XDG_CONFIG_HOME", config);
    RecordingServices services;
    KelvaroStore store(services.make());
    if (mode == "write") {
        const int start = int(store.activities().size());
        for (int i = start;; ++i) {
            store.addHistoryEntry({.id = QUuid::createUuid(),
                                   .fileName = QStringLiteral("photo-%1.jpg").arg(i),
                                   .actionTitle = QStringLiteral("Převod · JPG"),
                                   .symbol = QStringLiteral("photo"),
                                   .date = QDateTime::currentDateTimeUtc(),
                                   .savedBytes = i,
                                   .outputPath = QStringLiteral("/tmp/out/photo-%1.jpg").arg(i)});
            Settings::shared().setValue(QStringLiteral("kelvaro.reliability.counter"), i);
            std::printf("saved %d\n", i);
            std::fflush(stdout);
        }
    }
    const QJsonObject report{{"canPersist", store.canPersist()},
                             {"count", int(store.activities().size())},
                             {"newest", store.activities().isEmpty() ? QString() : store.activities().first().fileName}};
    std::printf("%s\n", QJsonDocument(report).toJson(QJsonDocument::Compact).constData());
    std::fflush(stdout);
}

class InterruptedWrite : public QuietDesktop<> {
protected:
    void prepare(QProcess& process, const char* mode)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QString::fromLatin1(kModeVariable), QString::fromLatin1(mode));
        env.insert(QString::fromLatin1(kConfigVariable), folder(QStringLiteral("config")));
        env.insert(QStringLiteral("TMPDIR"), folder(QStringLiteral("tmp"))); // its own home goes here
        process.setProcessEnvironment(env);
        process.setProgram(QCoreApplication::applicationFilePath());
        process.setArguments({QStringLiteral("--gtest_filter=ReliabilityChild.Mode")});
    }

    // Starts a writer, lets it save at least `saves` times, then kills it without warning.
    void writeAndKill(int saves)
    {
        QProcess writer;
        prepare(writer, "write");
        writer.start();
        ASSERT_TRUE(writer.waitForStarted());
        int seen = 0;
        QByteArray pending;
        while (seen < saves) {
            ASSERT_TRUE(writer.waitForReadyRead(30000)) << "the writer stopped: " << writer.readAllStandardError().toStdString();
            pending += writer.readAllStandardOutput();
            seen = int(pending.count("saved "));
        }
        test::signalChild(writer, SIGKILL);
        writer.waitForFinished();
    }

    QJsonObject read()
    {
        QProcess reader;
        prepare(reader, "read");
        reader.start();
        EXPECT_TRUE(reader.waitForFinished(30000));
        for (const QByteArray& line : reader.readAllStandardOutput().split('\n')) {
            if (line.startsWith('{'))
                return QJsonDocument::fromJson(line).object();
        }
        ADD_FAILURE() << "no report from the reader: " << reader.readAllStandardError().toStdString();
        return {};
    }
};

TEST_F(InterruptedWrite, KilledWhileSavingLeavesAWholeDocument)
{
    int previous = 0;
    for (int round = 0; round < 3; ++round) {
        writeAndKill(2 + round * 4);

        // The file itself is whole JSON…
        QJsonParseError error;
        const QJsonDocument doc = QJsonDocument::fromJson(test::readFile(temp.filePath(QStringLiteral("config/Kelvaro/kelvaro.json"))), &error);
        ASSERT_EQ(error.error, QJsonParseError::NoError) << "round " << round << ": " << error.errorString().toStdString();
        ASSERT_TRUE(doc.object().contains(QStringLiteral("kelvaro.library.v1")));

        // …and the next start reads the library from it, with every entry saved so far but the
        // last few (which may or may not have reached the disk).
        const QJsonObject report = read();
        EXPECT_TRUE(report.value(QStringLiteral("canPersist")).toBool()) << "round " << round;
        const int count = report.value(QStringLiteral("count")).toInt();
        EXPECT_GE(count, previous) << "round " << round << ": entries were lost";
        EXPECT_GT(count, 0);
        // The sample history of a first start plus our entries, newest first.
        EXPECT_TRUE(report.value(QStringLiteral("newest")).toString().startsWith(QStringLiteral("photo-")));
        previous = count;
    }
}

} // namespace
} // namespace kelvaro::reliability
