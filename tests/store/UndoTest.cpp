// Undo of the last run through the real engine and the real freedesktop trash, plus the
// comparison offer and the held folder.
#include <QStandardPaths>

#include "StoreTestSupport.h"

namespace kelvaro::test {
namespace {

class UndoTest : public StoreTest {
protected:
    // The store with the desktop trash (under the test's own XDG_DATA_HOME) and the real engine.
    KelvaroStore& makeRealStore()
    {
        StoreServices s = services();
        s.trash = std::make_shared<DesktopTrash>();
        store = std::make_unique<KelvaroStore>(std::move(s));
        return *store;
    }

    static QString trashFiles()
    {
        return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + "/Trash/files";
    }

    ActivityItem entry(const QString& name)
    {
        ActivityItem item;
        item.id = QUuid::createUuid();
        item.fileName = name;
        item.date = QDateTime::currentDateTimeUtc();
        return item;
    }
};

TEST_F(UndoTest, ConvertedOutputsGoToTheTrashAndOnlyTheirEntriesLeave)
{
    const QString out = rememberOutput();
    KelvaroStore& s = makeRealStore();
    s.receive(QStringList{image("in/a.jpg"), image("in/b.jpg", 20, 20)}, false);
    s.perform({"PNG", "square.on.square"}, WheelMode::convert);
    ASSERT_TRUE(waitUntil([&] { return !s.isWorking(); }));
    ASSERT_FALSE(s.statusIsError()) << s.statusMessage().value_or("").toStdString();
    const QStringList outputs = s.lastOutputs();
    ASSERT_EQ(outputs.size(), 2);
    EXPECT_EQ(QImage(outputs[1]).size(), QSize(20, 20));
    EXPECT_TRUE(s.canCompare());

    // Newer entries from elsewhere (a watched folder, the clipboard) stand in front now.
    const QList<ActivityItem> before = s.activities();
    s.addHistoryEntry(entry("watched.jpg"));
    s.addHistoryEntry(entry("clip.jpg"));

    s.undoLast();
    EXPECT_EQ(s.statusMessage(), QStringLiteral("Vráceno – výsledky jsou v koši."));
    EXPECT_FALSE(s.statusIsError());
    for (const QString& output : outputs) {
        EXPECT_FALSE(QFileInfo::exists(output));
        EXPECT_TRUE(QFileInfo::exists(trashFiles() + "/" + QFileInfo(output).fileName()));
    }
    ASSERT_EQ(s.activities().size(), before.size());
    EXPECT_EQ(s.activities()[0].fileName, "clip.jpg");
    EXPECT_EQ(s.activities()[1].fileName, "watched.jpg");
    EXPECT_EQ(s.activities().mid(2), before.mid(2));
    EXPECT_FALSE(s.undoState().has_value());
    EXPECT_TRUE(s.lastOutputs().isEmpty());
    EXPECT_EQ(s.heldFolder(), out);

    // A second undo finds nothing to do.
    s.setStatusMessage(QStringLiteral("x"));
    s.undoLast();
    EXPECT_EQ(s.statusMessage(), QStringLiteral("x"));
}

TEST_F(UndoTest, AnOutputDeletedByHandIsReportedAsAFailure)
{
    rememberOutput();
    KelvaroStore& s = makeRealStore();
    s.receive(QStringList{image("in/a.png"), image("in/b.png")}, false);
    s.run(KelvaroOp::convert(ImageFormat::jpg));
    ASSERT_TRUE(waitUntil([&] { return !s.isWorking(); }));
    ASSERT_EQ(s.lastOutputs().size(), 2);
    const int entries = int(s.activities().size());
    QFile::remove(s.lastOutputs().first());

    s.undoLast();
    EXPECT_EQ(s.statusMessage(), QStringLiteral("Nepodařilo se vrátit 1 soubor. Zkontroluj je ve správci souborů."));
    EXPECT_TRUE(s.statusIsError());
    EXPECT_EQ(s.activities().size(), entries - 2);
    EXPECT_FALSE(s.undoState().has_value());
}

TEST_F(UndoTest, MovedFilesComeBackToTheirPlace)
{
    const QString destination = makeFolder("Archiv");
    chooser->answer = destination;
    KelvaroStore& s = makeRealStore();
    const QString a = image("in/a.jpg"), b = image("in/b.png");
    s.receive(QStringList{a, b}, false);
    s.perform({"Přesunout", "folder"}, WheelMode::actions);
    ASSERT_TRUE(waitUntil([&] { return !s.isWorking(); }));
    ASSERT_EQ(s.statusMessage(), QStringLiteral("Přesunuto 2 soubory do „Archiv“."));
    EXPECT_FALSE(QFileInfo::exists(a));
    EXPECT_TRUE(s.droppedFiles().isEmpty());

    s.undoLast();
    EXPECT_EQ(s.statusMessage(), QStringLiteral("Soubory jsou zpátky na původním místě."));
    EXPECT_TRUE(QFileInfo::exists(a));
    EXPECT_TRUE(QFileInfo::exists(b));
    EXPECT_EQ(QImage(a).size(), QSize(48, 32));
    EXPECT_TRUE(QDir(destination).isEmpty());
}

TEST_F(UndoTest, AMoveThatCannotBeCopiedBackSaysWhereTheFilesAre)
{
    const QString destination = makeFolder("Archiv");
    chooser->answer = destination;
    KelvaroStore& s = makeStore([](const KelvaroOp&, const QStringList& files, const QString& outDir, const RunHooksPtr&) {
        OpResult result;
        for (const QString& file : files) {
            const QString to = outDir + "/" + QFileInfo(file).fileName();
            QFile::rename(file, to);
            result.outputs.append(to);
            result.entries.append({QFileInfo(file).fileName(), 0, to});
            result.moves.append({file, to});
        }
        return result;
    });
    const QString a = touch("in/a.jpg"), b = touch("in/b.jpg");
    s.receive(QStringList{a, b}, false);
    s.perform({"Přesunout", "folder"}, WheelMode::actions);
    ASSERT_TRUE(waitUntil([&] { return !s.isWorking(); }));
    fileSystem->failing.insert(destination + "/b.jpg");

    s.undoLast();
    EXPECT_EQ(s.statusMessage(), QStringLiteral("Nepodařilo se vrátit 1 soubor. Přesunuté soubory jsou pořád v cílové složce. "
                                                "Zkontroluj je ve správci souborů."));
    EXPECT_TRUE(s.statusIsError());
    EXPECT_TRUE(QFileInfo::exists(a));
    EXPECT_FALSE(QFileInfo::exists(b));
    EXPECT_TRUE(QFileInfo::exists(destination + "/b.jpg"));
    EXPECT_EQ(trash->trashed, QStringList{destination + "/a.jpg"});
}

TEST_F(UndoTest, KeptOriginalIsNotCopiedOverOnlyTheCopyIsTrashed)
{
    const QString destination = makeFolder("Archiv");
    chooser->answer = destination;
    KelvaroStore& s = makeStore([](const KelvaroOp&, const QStringList& files, const QString& outDir, const RunHooksPtr&) {
        OpResult result;
        for (const QString& file : files) {
            const QString to = outDir + "/" + QFileInfo(file).fileName();
            QFile::copy(file, to); // the original could not be deleted
            result.outputs.append(to);
            result.entries.append({QFileInfo(file).fileName(), 0, to});
            result.moves.append({file, to});
            ++result.keptOriginals;
        }
        return result;
    });
    const QString a = touch("in/a.jpg", "original");
    s.receive(QStringList{a}, false);
    s.perform({"Přesunout", "folder"}, WheelMode::actions);
    ASSERT_TRUE(waitUntil([&] { return !s.isWorking(); }));
    EXPECT_EQ(s.statusMessage(), QStringLiteral("Zkopírováno 1 soubor do „Archiv“. Originály (1) zůstaly na místě – "
                                                "systém nepovolil jejich odstranění."));
    QFile::remove(destination + "/a.jpg");
    touch("Archiv/a.jpg", "changed copy");
    s.undoLast();
    QFile f(a);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), "original");
    EXPECT_EQ(trash->trashed, QStringList{destination + "/a.jpg"});
}

TEST_F(UndoTest, WithoutAnUndoStateNothingHappens)
{
    KelvaroStore& s = makeStore(fakeProcess);
    s.setStatusMessage(QStringLiteral("keep"));
    const auto before = s.activities();
    s.undoLast();
    EXPECT_EQ(s.statusMessage(), QStringLiteral("keep"));
    EXPECT_EQ(s.activities(), before);
}

struct CompareCase {
    const char* input;
    const char* output;
    bool offered;
};

class CompareTest : public StoreTest, public ::testing::WithParamInterface<CompareCase> {};

TEST_P(CompareTest, OfferedOnlyForComparableFirstFiles)
{
    KelvaroStore& s = makeStore(fakeProcess);
    s.receive(QStringList{touch(QString::fromUtf8(GetParam().input))}, false);
    s.setLastOutputs({path(QString::fromUtf8(GetParam().output))});
    EXPECT_EQ(s.canCompare(), GetParam().offered);
}

INSTANTIATE_TEST_SUITE_P(Extensions, CompareTest,
                         ::testing::Values(CompareCase{"a.JPG", "a.heic", true}, CompareCase{"a.png", "a.pdf", true},
                                           CompareCase{"a.jpg", "all.zip", false}, CompareCase{"a.jpg", "a.txt", false},
                                           CompareCase{"a.gif", "a.png", false}));

TEST_F(UndoTest, CompareNeedsBothLists)
{
    KelvaroStore& s = makeStore(fakeProcess);
    s.setLastOutputs({path("a.png")});
    EXPECT_FALSE(s.canCompare());
}

TEST_F(UndoTest, HoldingKeepsExactlyOneFolder)
{
    KelvaroStore& s = makeStore(fakeProcess);
    s.holdAccess(path("one"));
    s.holdAccess(path("one"));
    EXPECT_EQ(s.heldFolder(), path("one"));
    s.holdAccess(path("two"));
    EXPECT_EQ(s.heldFolder(), path("two"));
}

} // namespace
} // namespace kelvaro::test
