// Undo of the last run through the real engine and the real freedesktop trash, plus the
// comparison offer and the held folder.
#include <filesystem>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QBuffer>
#include <QDir>
#include <QScopeGuard>
#include <QStandardPaths>

#include "StoreTestSupport.h"
#include "platform/NativePath.h"

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
};

TEST_F(UndoTest, ConvertedOutputsGoToTheTrashAndOnlyTheirEntriesLeave)
{
    const QString out = rememberOutput();
    KelvaroStore& s = makeRealStore();
    s.receive(QStringList{image("in/a.jpg"), image("in/b.jpg", 20, 20)}, false);
    s.perform({"PNG", "square.on.square"}, WheelMode::convert);
    ASSERT_TRUE(finished());
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
    ASSERT_TRUE(runOn({image("in/a.png"), image("in/b.png")}, KelvaroOp::convert(ImageFormat::jpg)));
    ASSERT_EQ(s.lastOutputs().size(), 2);
    const int entries = int(s.activities().size());
    QFile::remove(s.lastOutputs().first());

    s.undoLast();
    EXPECT_EQ(s.statusMessage(), QStringLiteral("Nepodařilo se vrátit 1 soubor. Zkontroluj je ve správci souborů."));
    EXPECT_TRUE(s.statusIsError());
    EXPECT_EQ(s.activities().size(), entries - 2);
    EXPECT_FALSE(s.undoState().has_value());
}

// A move empties the wheel and keeps the moved files as its outputs; undone, they come back.
TEST_F(UndoTest, MovedFilesComeBackToTheirPlace)
{
    const QString destination = makeFolder("Archiv");
    chooser->answer = destination;
    KelvaroStore& s = makeRealStore();
    const QString a = image("in/a.jpg"), b = image("in/b.png");
    s.receive(QStringList{a, b}, false);
    s.perform({"Přesunout", "folder"}, WheelMode::actions);
    ASSERT_EQ(chooser->requests.size(), 1);
    EXPECT_EQ(chooser->requests.first().message, QStringLiteral("Vyber složku, kam se soubory přesunou."));
    ASSERT_TRUE(finished());
    ASSERT_EQ(s.statusMessage(), QStringLiteral("Přesunuto 2 soubory do „Archiv“."));
    EXPECT_FALSE(QFileInfo::exists(a));
    EXPECT_TRUE(s.droppedFiles().isEmpty());
    EXPECT_EQ(s.lastOutputs(), (QStringList{destination + "/a.jpg", destination + "/b.png"}));
    EXPECT_EQ(s.lastSources().value(destination + "/a.jpg"), a);
    ASSERT_TRUE(s.undoState().has_value());
    EXPECT_TRUE(s.undoState()->isMove);
    EXPECT_FALSE(OutputFolder::resolve().has_value()); // a move destination is not remembered

    s.undoLast();
    EXPECT_EQ(s.statusMessage(), QStringLiteral("Soubory jsou zpátky na původním místě."));
    EXPECT_TRUE(QFileInfo::exists(a));
    EXPECT_TRUE(QFileInfo::exists(b));
    EXPECT_EQ(QImage(a).size(), QSize(48, 32));
    EXPECT_TRUE(QDir(destination).isEmpty());
}

// Names that are not UTF-8, of the folder a file was moved out of or into or of the file itself:
// the move keeps the file's name, and undo finds the file by its bytes, puts it back and trashes
// the moved one.
TEST_F(UndoTest, FilesMovedThroughFoldersWhoseNamesAreNotUtf8ComeBack)
{
    QByteArray photo;
    QBuffer buffer(&photo);
    buffer.open(QIODevice::WriteOnly);
    QImage image(24, 16, QImage::Format_RGB32);
    image.fill(Qt::red);
    ASSERT_TRUE(image.save(&buffer, "PNG"));
    const QByteArray base = NativePath::encoded(temp.path());
    // QTemporaryDir would miss names that are not UTF-8.
    const auto removeAll = qScopeGuard([&] { std::filesystem::remove_all(base.toStdString()); });
    const std::pair<QByteArray, QByteArray> rows[] = {
        {"v\xe9sledky/a.png", "Archiv"}, {"in/caf\xe9.png", "Archiv"}, {"in/b.png", "c\xedl"}};
    for (const auto& [relative, destinationName] : rows) {
        SCOPED_TRACE(relative.toStdString() + " → " + destinationName.toStdString());
        const QByteArray native = base + "/" + relative;
        ::mkdir(native.left(native.lastIndexOf('/')).constData(), 0777);
        ::mkdir((base + "/" + destinationName).constData(), 0777);
        const int fd = ::open(native.constData(), O_WRONLY | O_CREAT | O_EXCL, 0666);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::write(fd, photo.constData(), size_t(photo.size())), photo.size());
        ::close(fd);
        const QString source = NativePath::decoded(native);
        const QString destination = NativePath::decoded(base + "/" + destinationName);
        chooser->answer = destination;
        KelvaroStore& s = makeRealStore();
        s.receive(QStringList{source}, false);
        s.perform({"Přesunout", "folder"}, WheelMode::actions);
        ASSERT_TRUE(finished());
        ASSERT_FALSE(s.statusIsError()) << s.statusMessage().value_or("").toStdString();
        ASSERT_TRUE(readFile(source).isEmpty());
        ASSERT_EQ(s.lastOutputs().size(), 1);
        const QString moved = s.lastOutputs().first();
        // The user's file keeps its name, byte for byte.
        EXPECT_EQ(NativePath::encoded(moved), NativePath::encoded(destination) + native.mid(native.lastIndexOf('/')));
        EXPECT_EQ(readFile(moved), photo);

        s.undoLast();
        EXPECT_EQ(s.statusMessage(), QStringLiteral("Soubory jsou zpátky na původním místě."));
        EXPECT_EQ(readFile(source), photo);
        EXPECT_EQ(namesIn(destination), QStringList{});
        // The trash knows where it came from: the path's bytes, percent-encoded.
        const QString infoFolder = trashFiles() + "/../info";
        bool recorded = false;
        for (const QString& name : namesIn(infoFolder)) {
            const QByteArray info = readFile(infoFolder + "/" + name);
            const QByteArray stored = info.mid(info.indexOf("\nPath=") + 6).split('\n').value(0);
            recorded = recorded || QByteArray::fromPercentEncoding(stored) == NativePath::encoded(moved);
        }
        EXPECT_TRUE(recorded);
    }
}

TEST_F(UndoTest, AMoveThatCannotBeCopiedBackSaysWhereTheFilesAre)
{
    const QString destination = makeFolder("Archiv");
    chooser->answer = destination;
    KelvaroStore& s = makeStore(giving([](const QStringList& files, const QString& outDir) { return fakeMove(files, outDir); }));
    const QString a = touch("in/a.jpg"), b = touch("in/b.jpg");
    s.receive(QStringList{a, b}, false);
    s.perform({"Přesunout", "folder"}, WheelMode::actions);
    ASSERT_TRUE(finished());
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
    KelvaroStore& s = makeStore(giving([](const QStringList& files, const QString& outDir) { return fakeMove(files, outDir, true); }));
    const QString a = touch("in/a.jpg", "original");
    s.receive(QStringList{a}, false);
    s.perform({"Přesunout", "folder"}, WheelMode::actions);
    ASSERT_TRUE(finished());
    EXPECT_EQ(s.statusMessage(), QStringLiteral("Zkopírováno 1 soubor do „Archiv“. Originály (1) zůstaly na místě – "
                                                "systém nepovolil jejich odstranění."));
    // Changed where it lies: still the file the run made.
    QFile copy(destination + "/a.jpg");
    ASSERT_TRUE(copy.open(QIODevice::WriteOnly | QIODevice::Truncate));
    copy.write("changed copy");
    copy.close();
    s.undoLast();
    EXPECT_EQ(readFile(a), "original");
    EXPECT_EQ(trash->trashed, QStringList{destination + "/a.jpg"});
}

// What stands under a result's name when undo comes may no longer be the run's file: a link to a
// file elsewhere, or another file put in its place. Undo leaves both alone, the file a link points
// to stays where it is and nothing of it is copied back, and says that it could not take that
// result back.
TEST_F(UndoTest, ALinkOrAnotherFileInPlaceOfAResultIsLeftAlone)
{
    const struct {
        const char* name;
        bool move;
        bool link;
    } rows[] = {
        {"converted, a link", false, true},
        {"converted, another file", false, false},
        {"moved, a link", true, true},
        {"moved, another file", true, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const QString victim = touch(QStringLiteral("elsewhere/%1/victim.jpg").arg(row.name), "someone else's photo");
        const QString out = row.move ? makeFolder(QStringLiteral("Archiv/%1").arg(row.name)) : rememberOutput(QStringLiteral("out/%1").arg(row.name));
        chooser->answer = out;
        KelvaroStore& s = makeRealStore();
        const QString source = image(QStringLiteral("in/%1/a.png").arg(row.name));
        s.receive(QStringList{source}, false);
        if (row.move)
            s.perform({"Přesunout", "folder"}, WheelMode::actions);
        else
            s.perform({"JPG", "photo"}, WheelMode::convert);
        ASSERT_TRUE(finished());
        ASSERT_EQ(s.lastOutputs().size(), 1) << s.statusMessage().value_or("").toStdString();
        const QString result = s.lastOutputs().first();
        ASSERT_TRUE(QFile::remove(result));
        if (row.link)
            ASSERT_TRUE(QFile::link(victim, result));
        else
            touch(QDir(temp.path()).relativeFilePath(result), "a file put there since");

        s.undoLast();
        EXPECT_TRUE(s.statusIsError()) << s.statusMessage().value_or("").toStdString();
        EXPECT_EQ(readFile(victim), "someone else's photo");
        EXPECT_EQ(readFile(result), row.link ? "someone else's photo" : "a file put there since");
        EXPECT_EQ(QFileInfo(result).isSymLink(), row.link);
        if (row.move) {
            EXPECT_FALSE(QFileInfo::exists(source)) << "brought back from a file the move did not make";
        }
    }
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
    if (*GetParam().input)
        s.receive(QStringList{touch(QString::fromUtf8(GetParam().input))}, false);
    s.setLastOutputs({path(QString::fromUtf8(GetParam().output))});
    EXPECT_EQ(s.canCompare(), GetParam().offered);
}

INSTANTIATE_TEST_SUITE_P(Extensions, CompareTest,
                         ::testing::Values(CompareCase{"a.JPG", "a.heic", true}, CompareCase{"a.png", "a.pdf", true},
                                           CompareCase{"a.jpg", "all.zip", false}, CompareCase{"a.jpg", "a.txt", false},
                                           CompareCase{"a.gif", "a.png", false}, CompareCase{"", "a.png", false}));

} // namespace
} // namespace kelvaro::test
