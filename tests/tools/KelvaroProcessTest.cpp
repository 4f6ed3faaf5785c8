#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "TestPaths.h"
#include "../support/TestImages.h"
#include "engine/Operations.h"

// Readable failure messages for Qt strings.
[[maybe_unused]] static void PrintTo(const QString& text, std::ostream* os)
{
    *os << '"' << text.toStdString() << '"';
}

using namespace kelvaro;
namespace ti = kelvaro::testimages;

namespace {

struct ToolRun {
    int exitCode = -1;
    QJsonObject json;
    QString stdoutText;
    QString stderrText;
};

class KelvaroProcess : public ::testing::Test {
protected:
    void SetUp() override
    {
        initVips();
        ASSERT_TRUE(QFileInfo(tool()).isExecutable()) << "build the kelvaro-process target first: " << tool().toStdString();
        ASSERT_TRUE(QDir(m_root.path()).mkdir(QStringLiteral("in")));
    }
    static QString tool() { return QStringLiteral(KELVARO_BUILD_DIR "/kelvaro-process"); }
    QString in() const { return m_root.filePath(QStringLiteral("in")); }
    QString out() const { return m_root.filePath(QStringLiteral("out")); }

    // Runs the tool with Czech texts (the settings follow this test's XDG_CONFIG_HOME).
    ToolRun run(const QString& op, const QStringList& files, const QStringList& extra = {})
    {
        QStringList args{QStringLiteral("--op"), op, QStringLiteral("--out"), out(), QStringLiteral("--set"),
                         QStringLiteral("kelvaro.language=\"cs\"")};
        return runRaw(args + extra + files);
    }
    ToolRun runRaw(const QStringList& args)
    {
        QProcess process;
        process.start(tool(), args);
        EXPECT_TRUE(process.waitForFinished(60000));
        ToolRun r;
        r.exitCode = process.exitCode();
        r.stdoutText = QString::fromUtf8(process.readAllStandardOutput());
        r.stderrText = QString::fromUtf8(process.readAllStandardError());
        r.json = QJsonDocument::fromJson(r.stdoutText.toUtf8()).object();
        return r;
    }
    static QStringList outputNames(const ToolRun& r)
    {
        QStringList names;
        for (const QJsonValue& v : r.json.value(QStringLiteral("outputs")).toArray())
            names << QFileInfo(v.toString()).fileName();
        return names;
    }

    QTemporaryDir m_root;
};

TEST_F(KelvaroProcess, compressPrintsTheWholeResult)
{
    const Bitmap stored = ti::quadrants(400, 600).rot(VIPS_ANGLE_D270).copy_memory();
    ti::Metadata metadata;
    metadata.orientation = 6;
    metadata.gps = true;
    metadata.make = QStringLiteral("Maker One");
    const QString file = ti::writeJpeg(in(), QStringLiteral("X.jpg"), stored, metadata);
    const ToolRun r = run(QStringLiteral("{\"compress\":0.7}"), {file, ti::writeGarbage(in(), QStringLiteral("bad.jpg"))});
    ASSERT_EQ(r.exitCode, 0) << r.stderrText.toStdString();
    EXPECT_EQ(outputNames(r), QStringList{QStringLiteral("X komprese.jpg")});
    const QJsonObject entry = r.json.value(QStringLiteral("entries")).toArray().first().toObject();
    EXPECT_EQ(entry.value(QStringLiteral("fileName")).toString(), QStringLiteral("X.jpg"));
    EXPECT_EQ(entry.value(QStringLiteral("outputPath")).toString(), QDir(out()).filePath(QStringLiteral("X komprese.jpg")));
    EXPECT_TRUE(entry.value(QStringLiteral("savedBytes")).isDouble());
    EXPECT_EQ(r.json.value(QStringLiteral("failed")).toInt(), 1);
    EXPECT_EQ(r.json.value(QStringLiteral("firstError")).toString(), QStringLiteral("Soubor „bad.jpg“ se nepodařilo otevřít."));
    EXPECT_TRUE(r.json.value(QStringLiteral("text")).isNull());
    EXPECT_TRUE(r.json.value(QStringLiteral("moves")).toArray().isEmpty());
    EXPECT_EQ(r.json.value(QStringLiteral("keptOriginals")).toInt(), 0);
    // Members in the order of the result's fields, for people and scripts that read the line.
    static const QRegularExpression order(QStringLiteral(
        "^\\{\"outputs\":.*\"entries\":\\[\\{\"fileName\":.*\"savedBytes\":.*\"outputPath\":.*\\}\\],"
        "\"failed\":.*\"firstError\":.*\"text\":.*\"moves\":.*\"keptOriginals\":0\\}\n$"));
    EXPECT_TRUE(order.match(r.stdoutText).hasMatch()) << r.stdoutText.toStdString();

    const QString written = QDir(out()).filePath(QStringLiteral("X komprese.jpg"));
    EXPECT_EQ(ti::pixelSize(written), QSize(400, 600));
    EXPECT_EQ(ti::jpegQuality(written), 70);
    EXPECT_FALSE(ti::metadataValue(written, QStringLiteral("Exif.Image.Orientation")));
    EXPECT_EQ(ti::metadataValue(written, QStringLiteral("Exif.Image.Make")), QStringLiteral("Maker One"));
    EXPECT_TRUE(ti::metadataValue(written, QStringLiteral("Exif.GPSInfo.GPSLatitude")));
}

TEST_F(KelvaroProcess, settingsAreWrittenBeforeTheRun)
{
    const QString file = ti::writeJpeg(in(), QStringLiteral("IMG_7.jpg"), ti::quadrants(40, 30));
    const ToolRun r = run(QStringLiteral("{\"compress\":0.7}"), {file}, {QStringLiteral("--set"), QStringLiteral("kelvaro.describeNames=false")});
    ASSERT_EQ(r.exitCode, 0);
    EXPECT_EQ(outputNames(r), QStringList{QStringLiteral("IMG_7.jpg")});
    const ToolRun again = run(QStringLiteral("{\"crop\":{\"ratio\":\"wide169\",\"offsetX\":0.5,\"offsetY\":0.5}}"), {file},
                          {QStringLiteral("--set"), QStringLiteral("kelvaro.describeNames=true")});
    EXPECT_EQ(outputNames(again), QStringList{QStringLiteral("IMG_7 ořez 16x9.jpg")});
}

TEST_F(KelvaroProcess, wholeRunFailurePrintsTheErrorAndExitsOne)
{
    const ToolRun r = run(QStringLiteral("\"stripMetadata\""), {ti::writeGarbage(in(), QStringLiteral("a.jpg")),
                                                            ti::writeGarbage(in(), QStringLiteral("b.jpg"))});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.json, (QJsonObject{{QStringLiteral("error"), QStringLiteral("Soubor „a.jpg“ se nepodařilo otevřít.")}}));
}

TEST_F(KelvaroProcess, unreadableLogoIsNamedInTheError)
{
    const QString file = ti::writePng(in(), QStringLiteral("p.png"), ti::quadrants(40, 30));
    const QString logo = ti::writeGarbage(in(), QStringLiteral("logo.png"));
    const ToolRun r = run(QStringLiteral("{\"watermark\":{\"text\":\"© Moje fotky\",\"position\":\"topLeft\",\"opacity\":0.8,"
                                     "\"sizePercent\":5,\"logo\":\"%1\"}}").arg(logo),
                      {file});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.json.value(QStringLiteral("error")).toString().contains(QStringLiteral("logo.png")));
}

TEST_F(KelvaroProcess, renameMoveAndZip)
{
    const QStringList files{ti::writeJpeg(in(), QStringLiteral("a.jpg"), ti::quadrants(20, 20)),
                            ti::writePng(in(), QStringLiteral("b.png"), ti::quadrants(20, 20))};
    const ToolRun renamed = run(QStringLiteral("{\"rename\":{\"name\":\"Dovolená\",\"numbered\":true,\"start\":1}}"), files);
    EXPECT_EQ(outputNames(renamed), (QStringList{QStringLiteral("Dovolená_001.jpg"), QStringLiteral("Dovolená_002.png")}));

    const ToolRun zipped = run(QStringLiteral("{\"convert\":\"zip\"}"), files);
    EXPECT_EQ(outputNames(zipped), QStringList{QStringLiteral("Kelvaro (2 soubory).zip")});

    const ToolRun moved = run(QStringLiteral("\"move\""), {files[0]});
    ASSERT_EQ(moved.exitCode, 0);
    EXPECT_EQ(outputNames(moved), QStringList{QStringLiteral("a.jpg")});
    const QJsonObject move = moved.json.value(QStringLiteral("moves")).toArray().first().toObject();
    EXPECT_EQ(move.value(QStringLiteral("from")).toString(), files[0]);
    EXPECT_EQ(move.value(QStringLiteral("to")).toString(), QDir(out()).filePath(QStringLiteral("a.jpg")));
    EXPECT_EQ(moved.json.value(QStringLiteral("keptOriginals")).toInt(), 0);
    EXPECT_FALSE(QFileInfo::exists(files[0]));
}

TEST_F(KelvaroProcess, presetAndWorkflowRecords)
{
    const QString file = ti::writeJpeg(in(), QStringLiteral("p.jpg"), ti::quadrants(400, 300));
    const ToolRun preset = run(QStringLiteral("{\"preset\":{\"id\":\"E621E1F8-C36C-495A-93FC-0C247A3E6E5F\",\"name\":\"Malé\","
                                          "\"maxSide\":100,\"format\":\"png\",\"quality\":0.8,\"stripMetadata\":true}}"),
                           {file});
    ASSERT_EQ(preset.exitCode, 0) << preset.stderrText.toStdString();
    EXPECT_EQ(outputNames(preset), QStringList{QStringLiteral("p Malé.png")});
    EXPECT_EQ(ti::pixelSize(QDir(out()).filePath(QStringLiteral("p Malé.png"))), QSize(100, 75));

    const ToolRun workflow = run(
        QStringLiteral("{\"workflow\":{\"id\":\"E621E1F8-C36C-495A-93FC-0C247A3E6E50\",\"name\":\"Malý\",\"symbol\":\"star\","
                       "\"steps\":[{\"id\":\"E621E1F8-C36C-495A-93FC-0C247A3E6E51\",\"kind\":\"resize\",\"brightness\":0,"
                       "\"contrast\":1,\"mono\":false,\"ratio\":\"square\",\"longEdge\":200,\"text\":\"\","
                       "\"position\":\"bottomRight\",\"opacity\":0.8,\"sizePercent\":5}],"
                       "\"format\":\"\",\"quality\":0.8,\"stripMetadata\":false}}"),
        {file});
    ASSERT_EQ(workflow.exitCode, 0) << workflow.stderrText.toStdString() << workflow.stdoutText.toStdString();
    EXPECT_EQ(outputNames(workflow), QStringList{QStringLiteral("p Malý.jpg")});
    EXPECT_EQ(ti::pixelSize(QDir(out()).filePath(QStringLiteral("p Malý.jpg"))), QSize(200, 150));
}

struct BadArguments {
    const char* name;
    QStringList args;
};

void PrintTo(const BadArguments& c, std::ostream* os)
{
    *os << c.name;
}

class KelvaroProcessArguments : public KelvaroProcess, public ::testing::WithParamInterface<BadArguments> {};

TEST_P(KelvaroProcessArguments, areRefusedWithExitTwo)
{
    QStringList args = GetParam().args;
    args.replaceInStrings(QStringLiteral("OUT"), out());
    const ToolRun r = runRaw(args);
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_FALSE(r.stderrText.isEmpty());
    EXPECT_TRUE(r.stdoutText.isEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, KelvaroProcessArguments,
    ::testing::Values(
        BadArguments{"noOp", {"--out", "OUT", "x.jpg"}},
        BadArguments{"noOut", {"--op", "\"move\"", "x.jpg"}},
        BadArguments{"notJson", {"--op", "{compress:", "--out", "OUT"}},
        BadArguments{"unknownName", {"--op", "\"sharpen\"", "--out", "OUT"}},
        BadArguments{"unknownFormat", {"--op", "{\"convert\":\"JPG\"}", "--out", "OUT"}},
        BadArguments{"wrongType", {"--op", "{\"resize\":{\"longEdge\":\"big\"}}", "--out", "OUT"}},
        BadArguments{"twoMembers", {"--op", "{\"compress\":0.5,\"convert\":\"jpg\"}", "--out", "OUT"}},
        BadArguments{"badPreset", {"--op", "{\"preset\":{\"name\":\"x\"}}", "--out", "OUT"}},
        BadArguments{"badSetting", {"--op", "\"move\"", "--out", "OUT", "--set", "kelvaro.describeNames"}},
        BadArguments{"unknownOption", {"--op", "\"move\"", "--out", "OUT", "--fast"}}),
    [](const ::testing::TestParamInfo<BadArguments>& info) { return std::string(info.param.name); });

} // namespace
