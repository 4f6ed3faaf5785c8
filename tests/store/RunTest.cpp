// The run pipeline with a scripted process function: dispatch, status sentences in either
// language, history, progress, cancel and revealing; text recognition through the real engine.
#include <atomic>

#include <QScopeGuard>
#include <QThreadPool>
#include <QtConcurrent/QtConcurrentRun>

#include "../support/TestImages.h"
#include "StoreTestSupport.h"
#include "engine/ImageEngine.h"
#include "l10n/Localization.h"
#include "platform/SettingsKeys.h"

namespace kelvaro::test {
namespace {

using RunTest = StoreTest;

TEST_F(RunTest, PerformWithoutFilesOnlyHints)
{
    KelvaroStore& s = makeStore(fakeProcess);
    SignalCounter sheet(&s, &KelvaroStore::activeSheetChanged);
    s.perform({"JPG", "photo"}, WheelMode::convert);
    s.perform({"Ořez", "crop"}, WheelMode::tools);
    EXPECT_EQ(s.statusMessage(), QStringLiteral("Nejdřív přetáhni nebo vyber soubory."));
    EXPECT_FALSE(s.statusIsError());
    EXPECT_FALSE(s.isWorking());
    EXPECT_EQ(sheet.count, 0);
}

// Every slice of the wheel's tools and actions modes does something: its own sheet, a run (here
// stopped by the missing output folder), the move's folder question or the sending. Another
// mode's key or an unknown one does nothing.
class WheelKeyTest : public StoreTest, public ::testing::WithParamInterface<WheelMode> {};

TEST_P(WheelKeyTest, EverySliceOfTheModeIsDispatched)
{
    const QHash<QString, ToolSheet> sheets{{"Ořez", ToolSheet::crop}, {"Velikost", ToolSheet::resize},
        {"Komprese", ToolSheet::compress}, {"Vodoznak", ToolSheet::watermark}, {"Úpravy", ToolSheet::adjust},
        {"Na polici", ToolSheet::shelf}, {"Přejmenovat", ToolSheet::rename}, {"Schránka", ToolSheet::clipboard}};
    for (const WheelAction& action : actions(GetParam())) {
        KelvaroStore& s = makeStore(fakeProcess);
        chooser->requests.clear();
        share->sent.clear();
        s.receive(QStringList{touch("a.jpg")}, false);
        s.perform(action, GetParam());
        EXPECT_EQ(s.activeSheet(), sheets.contains(action.key) ? std::optional(sheets[action.key]) : std::nullopt)
            << action.key.toStdString();
        const bool acted = s.activeSheet().has_value() || s.statusMessage().has_value() || !chooser->requests.isEmpty()
                           || !share->sent.isEmpty();
        EXPECT_TRUE(acted) << action.key.toStdString();
    }
    for (const auto& [mode, key] : {std::pair{WheelMode::tools, "Na polici"}, {WheelMode::actions, "Neznámé"}, {WheelMode::convert, "GIF"}}) {
        KelvaroStore& s = makeStore(fakeProcess);
        s.receive(QStringList{touch("a.jpg")}, false);
        s.perform({QString::fromUtf8(key), "x"}, mode);
        EXPECT_EQ(s.activeSheet(), std::nullopt) << key;
        EXPECT_FALSE(s.isWorking()) << key;
    }
}

INSTANTIATE_TEST_SUITE_P(Modes, WheelKeyTest, ::testing::Values(WheelMode::tools, WheelMode::actions));

// Without a remembered output folder the user is asked for one: no answer is an error and nothing
// runs (a move whose question goes unanswered says nothing); a chosen folder is remembered and used.
TEST_F(RunTest, TheOutputFolderIsAskedForAndTheChosenOneIsRememberedAndUsed)
{
    KelvaroStore& s = makeStore(fakeProcess);
    s.receive(QStringList{touch("in/a.jpg")}, false);
    s.perform({"Přesunout", "x"}, WheelMode::actions);
    EXPECT_FALSE(s.isWorking());
    EXPECT_FALSE(s.statusMessage().has_value());
    s.perform({"PNG", "x"}, WheelMode::convert);
    EXPECT_EQ(s.statusMessage(), QStringLiteral("Bez složky pro výsledky nemůžu pokračovat."));
    EXPECT_TRUE(s.statusIsError());
    EXPECT_FALSE(s.isWorking());
    ASSERT_EQ(chooser->requests.size(), 2);
    // Not among the originals: the dialog opens in the pictures folder.
    EXPECT_EQ(chooser->requests.last().startAt, std::nullopt);

    const QString out = makeFolder("chosen");
    chooser->answer = out;
    s.run(KelvaroOp::compress(0.5));
    ASSERT_TRUE(finished());
    EXPECT_EQ(OutputFolder::resolve(), out);
    EXPECT_EQ(s.heldFolder(), out);
    EXPECT_EQ(s.lastOutputs(), QStringList{out + "/a.jpg.out"});
}

TEST_F(RunTest, PartialFailureAppendsTheCountWithoutAnError)
{
    const QString out = rememberOutput();
    KelvaroStore& s = makeStore(fakeProcess);
    s.receive(QStringList{touch("a.jpg"), touch("bad1.jpg"), touch("b.jpg"), touch("bad2.jpg"), touch("c.jpg")}, false);
    SignalCounter working(&s, &KelvaroStore::isWorkingChanged);
    s.run(KelvaroOp::convert(ImageFormat::jpg));
    EXPECT_TRUE(s.isWorking());
    EXPECT_EQ(s.statusMessage(), QStringLiteral("Pracuju na tom…"));
    ASSERT_TRUE(finished());
    EXPECT_EQ(working.count, 2);
    EXPECT_EQ(s.statusMessage(), QStringLiteral("Hotovo – 3 soubory ve složce „out“. Nepovedlo se: 2."));
    // Which files failed and why stands behind the count, until the next message.
    EXPECT_EQ(s.statusDetails(), (QStringList{QStringLiteral("Soubor „bad1.jpg“ se nepodařilo otevřít."),
                                              QStringLiteral("Soubor „bad2.jpg“ se nepodařilo otevřít.")}));
    EXPECT_FALSE(s.statusIsError());
    EXPECT_EQ(s.lastOutputs().size(), 3);
    EXPECT_EQ(s.activities()[0].fileName, "c.jpg");
    EXPECT_EQ(s.activities()[0].actionTitle, KelvaroOp::convert(ImageFormat::jpg).title());
    EXPECT_EQ(s.activities()[0].savedBytes, 10);
    ASSERT_TRUE(s.undoState().has_value());
    EXPECT_EQ(s.undoState()->entryCount(), 3);
    EXPECT_EQ(s.undoState()->folder, out);
    EXPECT_FALSE(s.undoState()->isMove);
    EXPECT_EQ(s.progressDone(), 5);
    EXPECT_EQ(s.progressTotal(), 5);
    s.receive(QStringList{touch("d.jpg")}, false);
    EXPECT_TRUE(s.statusDetails().isEmpty());
}

struct CountCase {
    int outputs;
    const char* word;
};

class CountWordTest : public StoreTest, public ::testing::WithParamInterface<CountCase> {};

TEST_P(CountWordTest, SentenceUsesTheCzechCountForm)
{
    rememberOutput("Výsledky");
    const int n = GetParam().outputs;
    KelvaroStore& s = makeStore(giving([n](const QStringList&, const QString& outDir) {
        OpResult result;
        for (int i = 0; i < n; ++i)
            result.outputs.append(outDir + QStringLiteral("/%1.png").arg(i));
        return result;
    }));
    ASSERT_TRUE(runOn({touch("a.jpg")}, KelvaroOp::convert(ImageFormat::png)));
    EXPECT_EQ(s.statusMessage(), QStringLiteral("Hotovo – %1 ve složce „Výsledky“.").arg(QString::fromUtf8(GetParam().word)));
    EXPECT_EQ(s.undoState().has_value(), n > 0);
}

INSTANTIATE_TEST_SUITE_P(Counts, CountWordTest,
                         ::testing::Values(CountCase{0, "0 souborů"}, CountCase{1, "1 soubor"}, CountCase{2, "2 soubory"},
                                           CountCase{4, "4 soubory"}, CountCase{5, "5 souborů"}, CountCase{22, "22 souborů"}));

TEST_F(RunTest, WholeRunFailureShowsTheErrorAndRecordsNothing)
{
    rememberOutput();
    KelvaroStore& s = makeStore(fakeProcess);
    const int before = int(s.activities().size());
    ASSERT_TRUE(runOn({touch("bad.jpg")}, KelvaroOp::convert(ImageFormat::png)));
    EXPECT_EQ(s.statusMessage(), KelvaroError::unreadable("bad.jpg").message());
    EXPECT_TRUE(s.statusIsError());
    EXPECT_EQ(s.activities().size(), before);
    EXPECT_FALSE(s.undoState().has_value());
    EXPECT_TRUE(s.lastOutputs().isEmpty());
}

TEST_F(RunTest, CombinedDocumentsShowNoProgress)
{
    rememberOutput();
    KelvaroStore& s = makeStore(giving([](const QStringList&, const QString& outDir) {
        OpResult result;
        result.outputs = {outDir + "/all.pdf"};
        result.entries = {{"all.pdf", 0, outDir + "/all.pdf"}};
        return result;
    }));
    s.receive(QStringList{touch("a.jpg"), touch("b.jpg"), touch("c.jpg")}, false);
    s.perform({"PDF", "x"}, WheelMode::convert);
    EXPECT_EQ(s.progressTotal(), 0);
    ASSERT_TRUE(finished());
    EXPECT_EQ(s.progressTotal(), 0);
    EXPECT_EQ(s.progressDone(), 0);
    EXPECT_TRUE(launcher->updates.isEmpty());
}

TEST_F(RunTest, CancelStopsAfterTheFileInHandAndClicksWhileWorkingDoNothing)
{
    rememberOutput();
    auto gate = std::make_shared<Gate>();
    KelvaroStore& s = makeStore(gated(gate));
    s.cancelRun(); // without a run: only the text
    EXPECT_EQ(s.statusMessage(), QStringLiteral("Rušení… dokončím rozdělanou fotku."));
    EXPECT_FALSE(s.isWorking());
    s.receive(QStringList{touch("a.jpg"), touch("b.jpg")}, false);
    s.run(KelvaroOp::convert(ImageFormat::png));
    gate->started.acquire();

    s.perform({"Ořez", "crop"}, WheelMode::tools);
    s.run(KelvaroOp::convert(ImageFormat::jpg));
    EXPECT_FALSE(s.activeSheet().has_value());
    s.undoLast();
    EXPECT_EQ(s.statusMessage(), QStringLiteral("Pracuju na tom…"));

    s.cancelRun();
    EXPECT_EQ(s.statusMessage(), QStringLiteral("Rušení… dokončím rozdělanou fotku."));
    gate->proceed.release();
    ASSERT_TRUE(finished());
    EXPECT_TRUE(s.lastOutputs().isEmpty());
    EXPECT_FALSE(s.statusIsError());
}

TEST_F(RunTest, DestroyingTheStoreDuringARunIsSafe)
{
    rememberOutput();
    auto gate = std::make_shared<Gate>();
    KelvaroStore& s = makeStore(gated(gate));
    s.receive(QStringList{touch("a.jpg"), touch("b.jpg")}, false);
    s.run(KelvaroOp::convert(ImageFormat::png));
    gate->proceed.release();
    store.reset(); // waits for the task; its queued finish finds no store
    passPostedEvents();
}

// A run holds none of Qt's global pool, on which Qt draws and scales images: with a single thread
// there (one CPU) the window would otherwise stop repainting until the run ended.
TEST_F(RunTest, ARunLeavesQtsOwnPoolFree)
{
    QThreadPool* global = QThreadPool::globalInstance();
    const int threads = global->maxThreadCount();
    const auto restore = qScopeGuard([&] { global->setMaxThreadCount(threads); });
    global->setMaxThreadCount(1);
    rememberOutput();
    auto gate = std::make_shared<Gate>();
    KelvaroStore& s = makeStore(gated(gate));
    s.receive(QStringList{touch("a.jpg")}, false);
    s.run(KelvaroOp::convert(ImageFormat::png));
    gate->started.acquire();
    QFuture<void> drawing = QtConcurrent::run(global, [] {});
    EXPECT_TRUE(waitUntil([&] { return drawing.isFinished(); }, 10000)) << "the run holds the global pool's only thread";
    gate->proceed.release();
    ASSERT_TRUE(finished());
}

// Outputs are tied to the input the engine names, by full path, also among same-named files of
// different folders and beside a failed namesake.
TEST_F(RunTest, OutputsKnowTheirInputsAcrossSameNamedFiles)
{
    rememberOutput();
    // Fails every file in a folder named "broken"; numbers the outputs, so the same names do not collide.
    KelvaroStore& s = makeStore(giving([](const QStringList& files, const QString& outDir) {
        OpResult result;
        for (const QString& file : files) {
            const QFileInfo info(file);
            if (info.dir().dirName() == "broken") {
                ++result.failed;
                continue;
            }
            const QString to = outDir + "/" + QString::number(result.outputs.size()) + "-" + info.fileName();
            QFile(to).open(QIODevice::WriteOnly);
            result.outputs.append(to);
            result.entries.append({info.fileName(), 0, to, file});
        }
        return result;
    }));
    const QString one = touch("one/a.jpg"), two = touch("two/a.jpg");
    ASSERT_TRUE(runOn({one, two}, KelvaroOp::convert(ImageFormat::png)));
    ASSERT_EQ(s.lastOutputs().size(), 2);
    EXPECT_EQ(s.lastSources().value(s.lastOutputs()[0]), one);
    EXPECT_EQ(s.lastSources().value(s.lastOutputs()[1]), two);

    const QString fine = touch("fine/a.jpg");
    ASSERT_TRUE(runOn({touch("broken/a.jpg"), fine}, KelvaroOp::convert(ImageFormat::png)));
    ASSERT_EQ(s.lastOutputs().size(), 1);
    EXPECT_EQ(s.lastSources().value(s.lastOutputs()[0]), fine);
}

TEST_F(RunTest, AutoRevealShowsTheOutputsOnlyWhenThereAreAny)
{
    rememberOutput();
    Settings::shared().setValue("kelvaro.autoReveal", true);
    KelvaroStore& s = makeStore(fakeProcess);
    ASSERT_TRUE(runOn({touch("a.jpg")}, KelvaroOp::stripMetadata()));
    ASSERT_EQ(fileManager->revealed.size(), 1);
    EXPECT_EQ(fileManager->revealed.first(), s.lastOutputs());

    fileManager->reachable = false;
    s.revealOutputs();
    EXPECT_TRUE(s.statusIsError());
    EXPECT_EQ(s.statusMessage(), QStringLiteral("Složku s výsledky se nepodařilo zobrazit – žádný správce souborů neodpověděl."));
    s.setLastOutputs({});
    s.revealOutputs();
    EXPECT_EQ(fileManager->revealed.size(), 2);
}

// The user changes the JPEG quality after the first of eight photos is done: the run goes on at the
// quality it started with, and the next run takes the new one.
TEST_F(RunTest, AQualityChangedDuringABatchLeavesTheWholeRunAtItsStartingQuality)
{
    qputenv("KELVARO_JOBS", "1"); // one photo after the other, so the change lands between photos
    rememberOutput();
    QStringList files;
    for (int i = 0; i < 8; ++i)
        files.append(image(QStringLiteral("in/%1.png").arg(i), 64, 48, QColor(30 * i, 90, 200 - 20 * i)));
    Settings::shared().setValue(QString::fromLatin1(SettingsKey::jpegQuality), 0.5);
    KelvaroStore& s = makeStore([](const KelvaroOp& op, const QStringList& files, const QString& outDir,
                                   const RunHooksPtr& hooks, const EngineSettings& settings) {
        const auto changing = std::make_shared<RunHooks>([hooks](int done, int total) {
            if (done == 1)
                Settings::shared().setValue(QString::fromLatin1(SettingsKey::jpegQuality), 0.95);
            hooks->reportProgress(done, total);
        });
        return ImageEngine::process(op, files, outDir, changing, settings);
    });
    ASSERT_TRUE(runOn(files, KelvaroOp::convert(ImageFormat::jpg)));
    ASSERT_EQ(s.lastOutputs().size(), 8);
    for (const QString& output : s.lastOutputs())
        EXPECT_EQ(testimages::jpegQuality(output), 50) << output.toStdString();

    ASSERT_TRUE(runOn(files, KelvaroOp::convert(ImageFormat::jpg)));
    ASSERT_EQ(s.lastOutputs().size(), 8);
    EXPECT_EQ(testimages::jpegQuality(s.lastOutputs().last()), 95);
    qunsetenv("KELVARO_JOBS");
}

// Launcher progress for two or more files and attention only while in the background.
TEST_F(RunTest, LauncherAndAttentionFollowTheRun)
{
    rememberOutput();
    makeStore(fakeProcess);
    ASSERT_TRUE(runOn({touch("a.jpg")}, KelvaroOp::convert(ImageFormat::png)));
    EXPECT_TRUE(launcher->updates.isEmpty());
    EXPECT_EQ(attention->requests, 0);

    attention->active = false;
    ASSERT_TRUE(runOn({touch("a.jpg"), touch("b.jpg"), touch("c.jpg")}, KelvaroOp::convert(ImageFormat::png)));
    const QList<LauncherUpdate> expected{{true, 0}, {true, 1.0 / 3}, {true, 2.0 / 3}, {true, 1}, {false, 0}};
    ASSERT_EQ(launcher->updates.size(), expected.size());
    for (int i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(launcher->updates[i].visible, expected[i].visible) << i;
        EXPECT_NEAR(launcher->updates[i].fraction, expected[i].fraction, 1e-9) << i;
    }
    EXPECT_EQ(attention->requests, 1);
}

// The history keeps the Czech title whatever the interface language, and shows it translated.
TEST_F(RunTest, EnglishSentenceOfAPartialRunAndACzechHistory)
{
    Settings::shared().setValue("kelvaro.language", QStringLiteral("en"));
    rememberOutput();
    KelvaroStore& s = makeStore(fakeProcess);
    ASSERT_TRUE(runOn({touch("a.jpg"), touch("b.jpg"), touch("bad.jpg")}, KelvaroOp::convert(ImageFormat::png)));
    EXPECT_EQ(s.statusMessage(), QStringLiteral("Done – 2 files in the folder “out”. Failed: 1."));
    ASSERT_FALSE(s.activities().isEmpty());
    EXPECT_EQ(s.activities()[0].actionTitle, QStringLiteral("Převod na PNG"));
    EXPECT_EQ(LParts(s.activities()[0].actionTitle), QStringLiteral("Convert to PNG"));
}

// The interface switches language the moment a run counts as working (the earliest a user could):
// the run read its language before, so its running line, its whole-run error and its last
// sentence stay in that language, and so do the settings the engine got.
struct SwitchCase {
    const char* name;
    AppLanguage started;
    QStringList files;
    QString last; // the status when the run has ended
    bool isError;
};

void PrintTo(const SwitchCase& c, std::ostream* os) { *os << c.name; }

class LanguageSwitchTest : public StoreTest, public ::testing::WithParamInterface<SwitchCase> {};

TEST_P(LanguageSwitchTest, ARunKeepsTheLanguageItStartedIn)
{
    const SwitchCase& c = GetParam();
    const AppLanguage other = c.started == AppLanguage::czech ? AppLanguage::english : AppLanguage::czech;
    Settings::shared().setValue("kelvaro.language", rawValue(c.started));
    rememberOutput();
    auto engineLanguage = std::make_shared<std::atomic<AppLanguage>>(other);
    KelvaroStore& s = makeStore([engineLanguage](const KelvaroOp& op, const QStringList& files, const QString& outDir,
                                                 const RunHooksPtr& hooks, const EngineSettings& settings) {
        engineLanguage->store(settings.language);
        return fakeProcess(op, files, outDir, hooks, settings);
    });
    QStringList files;
    for (const QString& name : c.files)
        files << touch(name);
    s.receive(files, false);
    QObject::connect(&s, &KelvaroStore::isWorkingChanged, [&] {
        if (s.isWorking())
            Settings::shared().setValue("kelvaro.language", rawValue(other));
    });
    s.run(KelvaroOp::convert(ImageFormat::png));
    ASSERT_EQ(L10n::current(), other);
    EXPECT_EQ(s.runLanguage(), c.started);
    EXPECT_EQ(s.statusMessage(), L(c.started, "Pracuju na tom…"));
    ASSERT_TRUE(finished());
    EXPECT_EQ(engineLanguage->load(), c.started);
    EXPECT_EQ(s.statusMessage(), c.last);
    EXPECT_EQ(s.statusIsError(), c.isError);
}

INSTANTIATE_TEST_SUITE_P(
    Runs, LanguageSwitchTest,
    ::testing::Values(
        SwitchCase{"czechResult", AppLanguage::czech, {"a.jpg", "b.jpg", "bad.jpg"},
                   QStringLiteral("Hotovo – 2 soubory ve složce „out“. Nepovedlo se: 1."), false},
        SwitchCase{"czechError", AppLanguage::czech, {"bad.jpg"}, QStringLiteral("Soubor „bad.jpg“ se nepodařilo otevřít."), true},
        SwitchCase{"englishResult", AppLanguage::english, {"a.jpg", "bad.jpg"},
                   QStringLiteral("Done – 1 file in the folder “out”. Failed: 1."), false},
        SwitchCase{"englishError", AppLanguage::english, {"bad.jpg"}, QStringLiteral("The file “bad.jpg” could not be opened."), true}),
    [](const auto& info) { return std::string(info.param.name); });

// Cancelling after the switch is said in the run's language; with no run the interface's applies.
TEST_F(RunTest, CancellingARunAfterALanguageSwitchSpeaksTheRunsLanguage)
{
    rememberOutput();
    auto gate = std::make_shared<Gate>();
    KelvaroStore& s = makeStore(gated(gate));
    s.receive(QStringList{touch("a.jpg"), touch("b.jpg")}, false);
    s.run(KelvaroOp::convert(ImageFormat::png));
    gate->started.acquire();
    Settings::shared().setValue("kelvaro.language", QStringLiteral("en"));
    s.cancelRun();
    EXPECT_EQ(s.statusMessage(), QStringLiteral("Rušení… dokončím rozdělanou fotku."));
    gate->proceed.release();
    ASSERT_TRUE(finished());
    EXPECT_EQ(s.statusMessage(), QStringLiteral("Hotovo – 0 souborů ve složce „out“."));
    s.cancelRun();
    EXPECT_EQ(s.statusMessage(), QStringLiteral("Cancelling… I’ll finish the photo in progress."));
}

// The whole road through the engine's text recognition.
TEST_F(RunTest, RealTextRecognitionPutsTheTextOnTheClipboard)
{
    rememberOutput();
    const QString file = path("page.png");
    ASSERT_TRUE(testimages::textImage(QStringLiteral("KELVARO"), QStringLiteral("KELVARO-42")).save(file));
    const QString blank = image("in/blank.png", 60, 60, Qt::white);

    KelvaroStore& s = makeStore();
    s.receive(QStringList{file}, false);
    s.perform({"OCR", "x"}, WheelMode::tools);
    ASSERT_TRUE(finished(60000));
    ASSERT_FALSE(s.statusIsError()) << s.statusMessage().value_or("").toStdString();
    EXPECT_EQ(clipboard->text, QStringLiteral("KELVARO\n\nKód: KELVARO-42"));
    EXPECT_EQ(s.statusMessage(), QStringLiteral("Text je ve schránce a uložený jako .txt (1 soubor)."));
    ASSERT_EQ(s.lastOutputs().size(), 1);
    EXPECT_TRUE(s.lastOutputs().first().endsWith("page.txt"));

    clipboard->text.clear();
    const int writes = clipboard->writes;
    s.receive(QStringList{blank}, false);
    s.run(KelvaroOp::ocr());
    ASSERT_TRUE(finished(60000));
    EXPECT_EQ(s.statusMessage(), QStringLiteral("Žádný text jsem nenašel."));
    EXPECT_EQ(clipboard->writes, writes);
}

} // namespace
} // namespace kelvaro::test
