#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <vector>

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <vips/vips8>

#include "engine/ImageEngine.h"
#include "platform/NativePath.h"
#include "../support/SmallDisk.h"
#include "../support/TestImages.h"
#include "../support/TestSupport.h"
#include "TestPaths.h"

using namespace kelvaro;
namespace ti = kelvaro::testimages;

namespace {

// A child's exit code when it may not mount a file system of its own.
constexpr int kCannotMount = 90;

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
        ASSERT_TRUE(QFileInfo(tool()).isExecutable()) << "build the kelvaro-process target first: " << tool().toStdString();
    }
    static QString tool() { return QStringLiteral(KELVARO_BUILD_DIR "/kelvaro-process"); }
    QString in() const { return m_in.path(); }
    QString out() const { return m_out.path(); }
    QString outFile(const QString& name) const { return QDir(out()).filePath(name); }

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
        const QByteArray output = process.readAllStandardOutput();
        return {process.exitCode(), QJsonDocument::fromJson(output).object(), QString::fromUtf8(output),
                QString::fromUtf8(process.readAllStandardError())};
    }
    static QStringList outputNames(const ToolRun& r)
    {
        QStringList names;
        for (const QJsonValue& v : r.json.value(QStringLiteral("outputs")).toArray())
            names << QFileInfo(v.toString()).fileName();
        return names;
    }

    QTemporaryDir m_in, m_out;
};

TEST_F(KelvaroProcess, compressPrintsTheWholeResult)
{
    const QString file = ti::writeJpeg(in(), QStringLiteral("X.jpg"), ti::quadrants(40, 60));
    const ToolRun r = run(QStringLiteral("{\"compress\":0.7}"), {file, ti::writeGarbage(in(), QStringLiteral("bad.jpg"))});
    ASSERT_EQ(r.exitCode, 0) << r.stderrText.toStdString();
    EXPECT_EQ(outputNames(r), QStringList{QStringLiteral("X komprese.jpg")});
    const QJsonObject entry = r.json.value(QStringLiteral("entries")).toArray().first().toObject();
    EXPECT_EQ(entry.value(QStringLiteral("fileName")).toString(), QStringLiteral("X.jpg"));
    EXPECT_EQ(entry.value(QStringLiteral("outputPath")).toString(), outFile(QStringLiteral("X komprese.jpg")));
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
    EXPECT_EQ(ti::jpegQuality(outFile(QStringLiteral("X komprese.jpg"))), 70);
}

// libvips' vector code maps the code it generates from a file in the runtime folder (or the home
// folder): a resize must still end normally when both are on a full file system. The full
// file system is mounted in a mount namespace of the tool's own, gone when it ends.
TEST_F(KelvaroProcess, aResizeEndsNormallyWhenTheRuntimeFolderIsFull)
{
    QProcess probe;
    probe.start(QStringLiteral("unshare"), {QStringLiteral("-m"), QStringLiteral("true")});
    if (!probe.waitForFinished(60000) || probe.exitStatus() != QProcess::NormalExit || probe.exitCode() != 0)
        GTEST_SKIP() << "no mount namespace may be made here, so no full file system either";
    const QString full = QDir(in()).filePath(QStringLiteral("full"));
    ASSERT_TRUE(QDir().mkpath(full));
    const QString file = ti::writeJpeg(in(), QStringLiteral("big.jpg"), ti::quadrants(1600, 1200));
    const QString script = QStringLiteral(
        "mount -t tmpfs -o size=256k,mode=0700 tmpfs \"$1\" || exit 90\n"
        "cat /dev/zero >\"$1/fill\" 2>/dev/null\n"
        "shift\n"
        "HOME=\"$0\" XDG_RUNTIME_DIR=\"$0\" exec \"$@\"\n");
    QProcess process;
    process.start(QStringLiteral("unshare"), {QStringLiteral("-m"), QStringLiteral("sh"), QStringLiteral("-c"), script,
                                              full, full, tool(), QStringLiteral("--op"),
                                              QStringLiteral("{\"resize\":{\"usePercent\":false,\"percent\":100,\"longEdge\":1000}}"),
                                              QStringLiteral("--out"), out(), file});
    ASSERT_TRUE(process.waitForFinished(120000));
    if (process.exitStatus() == QProcess::NormalExit && process.exitCode() == 90)
        GTEST_SKIP() << "mounting is not permitted here: " << process.readAllStandardError().toStdString();
    ASSERT_EQ(process.exitStatus(), QProcess::NormalExit);
    ASSERT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
    EXPECT_EQ(ti::pixelSize(outFile(QStringLiteral("big 1000px.jpg"))), QSize(1000, 750));

    // The folders fill while the process lives, between its runs: this program again, in a mount
    // namespace of its own, runs the case below.
    QProcess child;
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(QStringLiteral("unshare"), {QStringLiteral("-m"), QCoreApplication::applicationFilePath(),
                                            QStringLiteral("--gtest_filter=RuntimeFolderChild.*")});
    ASSERT_TRUE(child.waitForFinished(240000));
    const std::string said = child.readAll().toStdString();
    if (child.exitStatus() == QProcess::NormalExit && child.exitCode() == kCannotMount)
        GTEST_SKIP() << said;
    EXPECT_EQ(child.exitStatus(), QProcess::NormalExit) << said;
    EXPECT_EQ(child.exitCode(), 0) << said;
    EXPECT_NE(said.find("[  PASSED  ] 1 test"), std::string::npos) << said;
}

// Runs only inside the case above. The runtime folder, home and TMPDIR are one small file system
// with room when the first run starts; it is filled, and then resizes held at once and a second
// run generate more vector code than the first run did.
TEST(RuntimeFolderChild, runsAfterTheFoldersFilledEndNormally)
{
    QTemporaryDir root;
    const QString full = root.filePath(QStringLiteral("full"));
    test::SmallDisk disk(full, 4 << 20);
    if (!disk.isMounted()) {
        std::printf("%s\n", qPrintable(disk.whyNot()));
        std::fflush(stdout);
        std::_Exit(kCannotMount);
    }
    for (const char* variable : {"XDG_RUNTIME_DIR", "HOME", "TMPDIR"})
        ::setenv(variable, QFile::encodeName(full).constData(), 1);
    const QString in = root.filePath(QStringLiteral("in"));
    QDir().mkpath(in);
    QStringList files;
    for (int i = 0; i < 6; ++i)
        files << ti::writeJpeg(in, QStringLiteral("p%1.jpg").arg(i), ti::quadrants(400 + 300 * i, 300 + 200 * i));
    for (const char* out : {"first", "second"})
        QDir(root.path()).mkpath(QLatin1String(out));
    const KelvaroOp op = KelvaroOp::resize({true, 37, 0});
    EXPECT_EQ(ImageEngine::process(op, {files.first()}, root.filePath(QStringLiteral("first"))).outputs.size(), 1);

    disk.fillLeaving(0);
    const vips::VImage source = vips::VImage::black(1200, 900, vips::VImage::option()->set("bands", 3)).cast(VIPS_FORMAT_UCHAR);
    std::vector<vips::VImage> held;
    for (int i = 0; i < 40; ++i)
        held.push_back(source.resize(1.0 / (1.5 + 0.75 * i)));
    for (const vips::VImage& image : held)
        EXPECT_EQ(image.avg(), 0.0);
    const OpResult second = ImageEngine::process(op, files, root.filePath(QStringLiteral("second")));
    ASSERT_EQ(second.outputs.size(), files.size());
    for (int i = 0; i < files.size(); ++i) {
        const QSize made = ti::pixelSize(second.outputs[i]);
        const QSize wanted = ti::pixelSize(files[i]) * 0.37;
        EXPECT_LE(std::abs(made.width() - wanted.width()) + std::abs(made.height() - wanted.height()), 2) << i;
    }
}

// A file name that is not UTF-8, as a shell hands it over, names its file, given in full or
// under the current folder; the result names it, and a file that fails, as valid text.
TEST_F(KelvaroProcess, aFileNameThatIsNotUtf8IsOpened)
{
    // The shell puts the byte into the argument; QProcess would encode it as text.
    const struct {
        const char* name;
        const char* script;
    } rows[] = {
        {"full", "exec \"$0\" --op '\"stripMetadata\"' --set 'kelvaro.language=\"cs\"' --out \"$1\" \"$2/bad-$(printf '\\377').jpg\" "
                 "\"$2/c$(printf '\\351')d.jpg\""},
        {"relative", "cd \"$2\" && exec \"$0\" --op '\"stripMetadata\"' --set 'kelvaro.language=\"cs\"' --out \"$1\" "
                     "\"bad-$(printf '\\377').jpg\" \"c$(printf '\\351')d.jpg\""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        QTemporaryDir results;
        const QString photo = ti::writeJpeg(in(), QStringLiteral("source.jpg"), ti::quadrants(40, 30));
        const QString broken = ti::writeGarbage(in(), QStringLiteral("broken.jpg"));
        const QByteArray raw = QFile::encodeName(in()) + "/bad-\xff.jpg";
        const QByteArray rawBroken = QFile::encodeName(in()) + "/c\xe9" "d.jpg";
        ASSERT_EQ(::rename(QFile::encodeName(photo).constData(), raw.constData()), 0);
        ASSERT_EQ(::rename(QFile::encodeName(broken).constData(), rawBroken.constData()), 0);
        QProcess process;
        process.start(QStringLiteral("sh"), {QStringLiteral("-c"), QString::fromLatin1(row.script), tool(), results.path(), in()});
        ASSERT_TRUE(process.waitForFinished(60000));
        // A folder listing through Qt would not find them to remove.
        ::unlink(raw.constData());
        ::unlink(rawBroken.constData());
        const QByteArray output = process.readAllStandardOutput();
        EXPECT_EQ(process.exitCode(), 0) << output.toStdString();
        EXPECT_EQ(test::namesIn(results.path()), QStringList{NativePath::decoded("bad-\xff bez metadat.jpg")});
        ::unlink((NativePath::encoded(results.path()) + "/bad-\xff bez metadat.jpg").constData());
        const QJsonObject json = QJsonDocument::fromJson(output).object();
        EXPECT_EQ(json.value(QStringLiteral("entries")).toArray().at(0).toObject().value(QStringLiteral("fileName")),
                  QStringLiteral("bad-\uFFFD.jpg"));
        EXPECT_EQ(json.value(QStringLiteral("firstError")), QStringLiteral("Soubor \u201Ec\uFFFDd.jpg\u201C se nepodařilo otevřít."));
    }
}

// A move keeps the name of a file that is not UTF-8, given whole or relative, in a folder whose name
// is not UTF-8 either: the file arrives under its own bytes and the result names it so.
TEST_F(KelvaroProcess, aMoveKeepsANameThatIsNotUtf8)
{
    const struct {
        const char* name;
        const char* script;
    } rows[] = {
        {"full", "exec \"$0\" --op '\"move\"' --out \"$1\" \"$2/fotky-$(printf '\\351')/caf$(printf '\\351').jpg\""},
        {"relative", "cd \"$2/fotky-$(printf '\\351')\" && exec \"$0\" --op '\"move\"' --out \"$1\" \"caf$(printf '\\351').jpg\""},
    };
    const QByteArray folder = NativePath::encoded(in()) + "/fotky-\xe9";
    ASSERT_EQ(::mkdir(folder.constData(), 0777), 0);
    // A folder listing through Qt would not find them to remove.
    const auto removeFolder = qScopeGuard([&] { std::filesystem::remove_all(folder.toStdString()); });
    const QString source = NativePath::decoded(folder + "/caf\xe9.jpg");
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        QTemporaryDir results;
        ti::writeJpeg(NativePath::decoded(folder), NativePath::decoded("caf\xe9.jpg"), ti::quadrants(40, 30));
        const QByteArray photo = test::readFile(source);
        QProcess process;
        process.start(QStringLiteral("sh"), {QStringLiteral("-c"), QString::fromLatin1(row.script), tool(), results.path(), in()});
        ASSERT_TRUE(process.waitForFinished(60000));
        const QByteArray output = process.readAllStandardOutput();
        EXPECT_EQ(process.exitCode(), 0) << output.toStdString();
        const QString moved = results.path() + QStringLiteral("/") + NativePath::decoded("caf\xe9.jpg");
        EXPECT_EQ(test::namesIn(results.path()), QStringList{NativePath::decoded("caf\xe9.jpg")});
        EXPECT_EQ(test::readFile(moved), photo);
        EXPECT_TRUE(test::namesIn(NativePath::decoded(folder)).isEmpty());
        const QJsonObject json = QJsonDocument::fromJson(output).object();
        const QJsonObject move = json.value(QStringLiteral("moves")).toArray().at(0).toObject();
        EXPECT_EQ(NativePath::encoded(move.value(QStringLiteral("from")).toString()), NativePath::encoded(source));
        EXPECT_EQ(NativePath::encoded(move.value(QStringLiteral("to")).toString()), NativePath::encoded(moved));
        EXPECT_EQ(json.value(QStringLiteral("entries")).toArray().at(0).toObject().value(QStringLiteral("fileName")),
                  QStringLiteral("caf\uFFFD.jpg"));
        ::unlink(NativePath::encoded(moved).constData());
    }
}

// An output folder whose own name is not UTF-8 is made with its bytes, given relative to the
// current folder, and holds the whole result; no folder of a look-alike name appears.
TEST_F(KelvaroProcess, anOutputFolderWhoseNameIsNotUtf8IsMadeAndGetsTheResult)
{
    const QString photo = ti::writeJpeg(in(), QStringLiteral("p.jpg"), ti::quadrants(40, 30));
    QProcess process;
    process.start(QStringLiteral("sh"),
                  {QStringLiteral("-c"),
                   QStringLiteral("cd \"$1\" && exec \"$0\" --op '{\"convert\":\"heic\"}' --out \"v$(printf '\\351')sledky\" \"$2\""),
                   tool(), out(), photo});
    ASSERT_TRUE(process.waitForFinished(60000));
    const QString folderName = NativePath::decoded(QByteArray("v\xe9sledky"));
    const QString folder = out() + QLatin1Char('/') + folderName;
    const auto removeFolder = qScopeGuard([&] {
        ::unlink(NativePath::encoded(folder + QStringLiteral("/p.heic")).constData());
        ::rmdir(NativePath::encoded(folder).constData());
    });
    EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
    EXPECT_EQ(test::namesIn(out()), QStringList{folderName});
    ASSERT_EQ(test::namesIn(folder), QStringList{QStringLiteral("p.heic")});
    EXPECT_EQ(ImageEngine::load(folder + QStringLiteral("/p.heic")).image.width(), 40);
}

// Values of the file this version does not understand (a newer version's, a null) stay as they
// were.
TEST_F(KelvaroProcess, settingsAreWrittenBeforeTheRun)
{
    const QString folder = qEnvironmentVariable("XDG_CONFIG_HOME") + QStringLiteral("/Kelvaro");
    ASSERT_TRUE(QDir().mkpath(folder));
    const QJsonObject unknown = test::parseJson(R"({"kelvaro.future.v2": {"nested": {"a": [1, null]}}, "kelvaro.library.v1": null,
                                                    "kelvaro.watch.rules.v1": [{"folder": "/a"}]})");
    test::writeFile(folder + QStringLiteral("/kelvaro.json"), QJsonDocument(unknown).toJson());
    const QString file = ti::writeJpeg(in(), QStringLiteral("IMG_7.jpg"), ti::quadrants(40, 30));
    const ToolRun r = run(QStringLiteral("{\"compress\":0.7}"), {file}, {QStringLiteral("--set"), QStringLiteral("kelvaro.describeNames=false")});
    ASSERT_EQ(r.exitCode, 0);
    EXPECT_EQ(outputNames(r), QStringList{QStringLiteral("IMG_7.jpg")});
    const ToolRun again = run(QStringLiteral("{\"crop\":{\"ratio\":\"wide169\",\"offsetX\":0.5,\"offsetY\":0.5}}"), {file},
                          {QStringLiteral("--set"), QStringLiteral("kelvaro.describeNames=true")});
    EXPECT_EQ(outputNames(again), QStringList{QStringLiteral("IMG_7 ořez 16x9.jpg")});
    const QJsonObject stored = QJsonDocument::fromJson(test::readFile(folder + QStringLiteral("/kelvaro.json"))).object();
    for (auto it = unknown.begin(); it != unknown.end(); ++it)
        EXPECT_EQ(stored.value(it.key()), it.value()) << it.key().toStdString();
}

// A settings file that is no regular file is kept aside, never opened: a FIFO would hold the run
// until a writer came.
TEST_F(KelvaroProcess, aSettingsFileThatIsAFifoIsKeptAside)
{
    const QString folder = qEnvironmentVariable("XDG_CONFIG_HOME") + QStringLiteral("/Kelvaro");
    ASSERT_TRUE(QDir().mkpath(folder));
    QFile::remove(folder + QStringLiteral("/kelvaro.json"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(folder + QStringLiteral("/kelvaro.json")).constData(), 0600), 0);
    const QString file = ti::writeJpeg(in(), QStringLiteral("IMG_9.jpg"), ti::quadrants(40, 30));
    const ToolRun r = run(QStringLiteral("{\"compress\":0.7}"), {file});
    EXPECT_EQ(r.exitCode, 0) << r.stderrText.toStdString();
    EXPECT_EQ(outputNames(r), QStringList{QStringLiteral("IMG_9 komprese.jpg")});
    EXPECT_EQ(QDir(folder).entryList({QStringLiteral("kelvaro.json.unreadable-*")}, QDir::System).size(), 1);
    EXPECT_TRUE(QFileInfo(folder + QStringLiteral("/kelvaro.json")).isFile());
}

// Settings the disk has no room for: the stored file stays byte for byte, and no run follows
// settings that the next run would not.
TEST_F(KelvaroProcess, settingsThatCannotBeSavedLeaveTheFileAndStopTheRun)
{
    const QString folder = qEnvironmentVariable("XDG_CONFIG_HOME") + QStringLiteral("/Kelvaro");
    test::SmallDisk disk(folder, 64 * 1024);
    if (!disk.isMounted())
        GTEST_SKIP() << disk.whyNot().toStdString();
    QJsonObject stored;
    for (int i = 0; QJsonDocument(stored).toJson().size() < 30 * 1024; ++i)
        stored.insert(QStringLiteral("kept.%1").arg(i), QStringLiteral("a value the user kept, number %1").arg(i));
    const QByteArray bytes = QJsonDocument(stored).toJson();
    test::writeFile(folder + QStringLiteral("/kelvaro.json"), bytes);
    disk.fillLeaving(8 * 1024);

    const QString file = ti::writeJpeg(in(), QStringLiteral("IMG_8.jpg"), ti::quadrants(40, 30));
    const ToolRun r = run(QStringLiteral("{\"compress\":0.7}"), {file}, {QStringLiteral("--set"), QStringLiteral("kelvaro.jpegQuality=0.5")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.stderrText.contains(QStringLiteral("could not be saved"))) << r.stderrText.toStdString();
    EXPECT_TRUE(QDir(out()).isEmpty());
    EXPECT_EQ(test::readFile(folder + QStringLiteral("/kelvaro.json")), bytes);
}

TEST_F(KelvaroProcess, aFailedRunPrintsTheErrorAndExitsOne)
{
    const ToolRun r = run(QStringLiteral("\"stripMetadata\""), {ti::writeGarbage(in(), QStringLiteral("a.jpg")),
                                                            ti::writeGarbage(in(), QStringLiteral("b.jpg"))});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.json, (QJsonObject{{QStringLiteral("error"), QStringLiteral("Soubor „a.jpg“ se nepodařilo otevřít.")}}));
    const QString logo = ti::writeGarbage(in(), QStringLiteral("logo.png"));
    const ToolRun watermark = run(QStringLiteral("{\"watermark\":{\"text\":\"© Moje fotky\",\"position\":\"topLeft\",\"opacity\":0.8,"
                                             "\"sizePercent\":5,\"logo\":\"%1\"}}").arg(logo),
                              {ti::writePng(in(), QStringLiteral("p.png"), ti::quadrants(40, 30))});
    EXPECT_EQ(watermark.exitCode, 1);
    EXPECT_TRUE(watermark.json.value(QStringLiteral("error")).toString().contains(QStringLiteral("logo.png")));
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
    EXPECT_EQ(move.value(QStringLiteral("to")).toString(), outFile(QStringLiteral("a.jpg")));
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
    EXPECT_EQ(ti::pixelSize(outFile(QStringLiteral("p Malé.png"))), QSize(100, 75));

    const ToolRun workflow = run(
        QStringLiteral("{\"workflow\":{\"id\":\"E621E1F8-C36C-495A-93FC-0C247A3E6E50\",\"name\":\"Malý\",\"symbol\":\"star\","
                       "\"steps\":[{\"id\":\"E621E1F8-C36C-495A-93FC-0C247A3E6E51\",\"kind\":\"resize\",\"brightness\":0,"
                       "\"contrast\":1,\"mono\":false,\"ratio\":\"square\",\"longEdge\":200,\"text\":\"\","
                       "\"position\":\"bottomRight\",\"opacity\":0.8,\"sizePercent\":5}],"
                       "\"format\":\"\",\"quality\":0.8,\"stripMetadata\":false}}"),
        {file});
    ASSERT_EQ(workflow.exitCode, 0) << workflow.stderrText.toStdString() << workflow.stdoutText.toStdString();
    EXPECT_EQ(outputNames(workflow), QStringList{QStringLiteral("p Malý.jpg")});
    EXPECT_EQ(ti::pixelSize(outFile(QStringLiteral("p Malý.jpg"))), QSize(200, 150));
}

TEST_F(KelvaroProcess, badArgumentsAreRefusedWithExitTwo)
{
    const std::pair<const char*, QStringList> rows[] = {
        {"noOp", {"--out", "OUT", "x.jpg"}},
        {"noOut", {"--op", "\"move\"", "x.jpg"}},
        {"notJson", {"--op", "{compress:", "--out", "OUT"}},
        {"unknownName", {"--op", "\"sharpen\"", "--out", "OUT"}},
        {"unknownFormat", {"--op", "{\"convert\":\"JPG\"}", "--out", "OUT"}},
        {"wrongType", {"--op", "{\"resize\":{\"longEdge\":\"big\"}}", "--out", "OUT"}},
        {"twoMembers", {"--op", "{\"compress\":0.5,\"convert\":\"jpg\"}", "--out", "OUT"}},
        {"badPreset", {"--op", "{\"preset\":{\"name\":\"x\"}}", "--out", "OUT"}},
        {"badSetting", {"--op", "\"move\"", "--out", "OUT", "--set", "kelvaro.describeNames"}},
        {"unknownOption", {"--op", "\"move\"", "--out", "OUT", "--fast"}},
    };
    for (auto [name, args] : rows) {
        args.replaceInStrings(QStringLiteral("OUT"), out());
        const ToolRun r = runRaw(args);
        EXPECT_EQ(r.exitCode, 2) << name;
        EXPECT_FALSE(r.stderrText.isEmpty()) << name;
        EXPECT_TRUE(r.stdoutText.isEmpty()) << name;
    }
}

// A run killed while it writes leaves no result name empty or cut short; the part files it
// leaves are removed by the next run into the folder.
TEST_F(KelvaroProcess, aKilledRunLeavesOnlyWholeResultsAndTheNextRunClearsItsPartFiles)
{
    QStringList files;
    for (int i = 0; i < 8; ++i) {
        const auto band = [] { return vips::VImage::gaussnoise(1600, 1200).cast(VIPS_FORMAT_UCHAR); };
        files << ti::writePng(in(), QStringLiteral("n%1.png").arg(i), band().bandjoin(band()).bandjoin(band()).bandjoin(255));
    }
    QProcess process;
    const QStringList args{QStringLiteral("--op"), QStringLiteral("{\"resize\":{\"usePercent\":false,\"percent\":100,\"longEdge\":1500}}"),
                           QStringLiteral("--out"), out()};
    process.start(tool(), args + files);
    ASSERT_TRUE(process.waitForStarted());
    const auto written = [&] { return QDir(out()).entryList(QDir::Files | QDir::Hidden); };
    ASSERT_TRUE(test::waitUntil([&] { return !written().isEmpty(); }));
    process.kill();
    process.waitForFinished();
    for (const QString& name : QDir(out()).entryList(QDir::Files)) {
        EXPECT_GT(QFileInfo(outFile(name)).size(), 0) << name.toStdString();
        EXPECT_TRUE(ti::vipsOpens(outFile(name))) << name.toStdString();
    }

    const ToolRun next = run(QStringLiteral("{\"compress\":0.7}"), {ti::writeJpeg(in(), QStringLiteral("x.jpg"), ti::quadrants(40, 30))});
    ASSERT_EQ(next.exitCode, 0) << next.stderrText.toStdString();
    EXPECT_TRUE(QDir(out()).entryList({QStringLiteral(".kelvaro-*")}, QDir::Files | QDir::Hidden).isEmpty());
}

// The processes of `parent` whose program is `program` (as /proc/<pid>/comm names it, cut to 15).
QList<pid_t> childrenOf(qint64 parent, const QByteArray& program)
{
    QList<pid_t> found;
    for (const test::ProcessEntry& process : test::processes())
        if (process.parent == parent && process.name == program.left(15))
            found << pid_t(process.pid);
    return found;
}

// A PDF page's drawer whose Kelvaro is killed mid-page ends at once: it would otherwise go on for
// nobody until its CPU bound, 20 s of it.
TEST_F(KelvaroProcess, aDrawerWhoseRunIsKilledEndsAtOnce)
{
    const QString page = ti::writeFormFanOut(in(), QStringLiteral("forms.pdf"), 20, 5, false, true);
    QProcess process;
    process.start(tool(), {QStringLiteral("--op"), QStringLiteral("{\"convert\":\"jpg\"}"), QStringLiteral("--out"), out(), page});
    ASSERT_TRUE(process.waitForStarted());
    QList<pid_t> drawers;
    ASSERT_TRUE(test::waitUntil([&] { return !(drawers = childrenOf(process.processId(), "kelvaro-pdfpage")).isEmpty(); }));
    process.kill();
    process.waitForFinished();
    // Well short of the bound's 20 s of CPU, which take longer still on a busy machine.
    // Gone, or a zombie where nobody reaps orphans.
    const auto ended = [pid = drawers.first()] {
        QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
        if (!stat.open(QIODevice::ReadOnly))
            return true;
        const QByteArray line = stat.readAll();
        return line.mid(line.lastIndexOf(')') + 2, 1) == "Z";
    };
    EXPECT_TRUE(test::waitUntil(ended, 10000)) << "the drawer went on drawing";
}

} // namespace
