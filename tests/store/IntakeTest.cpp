// Files handed to the store: intake, folder expansion, the importer request and the mode switch.
#include <algorithm>

#include <unistd.h>

#include <QScopeGuard>

#include "StoreTestSupport.h"
#include "engine/ImageEngine.h"
#include "platform/NativePath.h"

namespace kelvaro::test {
namespace {

using IntakeTest = StoreTest;

// The cut is over all folders given together.
TEST_F(IntakeTest, LargeFoldersGiveTheirFirst2000FilesSortedByPath)
{
    for (int i = 0; i < 1500; ++i) {
        touch(QStringLiteral("a/p%1.jpg").arg(i, 4, 10, QLatin1Char('0')));
        touch(QStringLiteral("b/p%1.jpg").arg(i, 4, 10, QLatin1Char('0')));
    }
    touch("a/.hidden.jpg");
    touch("a/notes.txt");
    KelvaroStore& s = makeStore();
    s.receive(QStringList{path("a"), path("b")}, false);
    const QStringList files = s.droppedFiles();
    ASSERT_EQ(files.size(), 2000);
    EXPECT_TRUE(std::is_sorted(files.begin(), files.end()));
    EXPECT_EQ(files.first(), path("a/p0000.jpg"));
    EXPECT_EQ(files.last(), path("b/p0499.jpg"));
}

// The cut falls where a full sort of every path would put it, also across subfolders whose
// names sort between the files around them ("b-c.jpg" < "b.jpg" < "b/…" < "b0.jpg").
TEST_F(IntakeTest, TheCutFollowsPathOrderAcrossSubfolders)
{
    for (int i = 0; i < 1999; ++i)
        touch(QStringLiteral("n/b/x%1.jpg").arg(i, 4, 10, QLatin1Char('0')));
    for (const char* name : {"n/b0.jpg", "n/b.jpg", "n/B.jpg", "n/b-c.jpg"})
        touch(QString::fromLatin1(name));
    const QStringList files = KelvaroStore::expandFolders({path("n")});
    ASSERT_EQ(files.size(), 2000);
    EXPECT_EQ(files.mid(0, 4), (QStringList{path("n/B.jpg"), path("n/b-c.jpg"), path("n/b.jpg"), path("n/b/x0000.jpg")}));
    EXPECT_EQ(files.last(), path("n/b/x1996.jpg"));
    EXPECT_FALSE(files.contains(path("n/b0.jpg")));
}

TEST_F(IntakeTest, ExpansionSkipsHiddenFoldersAndKeepsPlainFilesAsGiven)
{
    touch("f/Top.JPG");
    touch("f/sub/deep.heic");
    touch("f/.secret/inside.jpg");
    touch("f/doc.pdf");
    touch("f/readme.md");
    const QString hiddenDirect = touch(".direct.jpg");
    const QString text = touch("notes.txt");
    const QString missing = path("gone.jpg");
    const QStringList result = KelvaroStore::expandFolders({path("f"), hiddenDirect, text, missing});
    EXPECT_EQ(result, (QStringList{path("f/Top.JPG"), path("f/doc.pdf"), path("f/sub/deep.heic"), hiddenDirect, text, missing}));
}

// A name that is not UTF-8 is taken with the bytes it has, from a folder's listing and from a
// dropped URL's escapes, so the file opens as any other.
TEST_F(IntakeTest, AFileNameThatIsNotUtf8IsTakenAndOpens)
{
    image("d/a.jpg");
    image("d/b.jpg");
    const QByteArray raw = QFile::encodeName(path("d")) + "/caf\xe9.jpg";
    ASSERT_EQ(::rename(QFile::encodeName(image("d/c.jpg")).constData(), raw.constData()), 0);
    const auto removeRaw = qScopeGuard([&] { ::unlink(raw.constData()); }); // Qt's listing would not find it
    const QString named = NativePath::decoded(raw);
    const QUrl dropped(QStringLiteral("file://") + QString::fromLatin1(raw.toPercentEncoding("/")));
    const struct {
        const char* name;
        QList<QUrl> urls;
        qsizetype count;
    } rows[] = {
        {"a folder", {QUrl::fromLocalFile(path("d"))}, 3},
        {"the file", {dropped}, 1},
    };
    KelvaroStore& s = makeStore();
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        ASSERT_TRUE(s.receive(row.urls, false));
        EXPECT_EQ(s.droppedFiles().size(), row.count);
        ASSERT_TRUE(s.droppedFiles().contains(named));
        EXPECT_EQ(ImageEngine::load(named).image.width(), 48);
    }
}

TEST_F(IntakeTest, AddingAppendsOnlyNewFilesAndSaysWhenNothingWasNew)
{
    const QString a = touch("a.jpg"), b = touch("b.jpg"), c = touch("c.jpg");
    KelvaroStore& s = makeStore();
    s.setLastOutputs({path("old.png")});
    s.setStatusMessage(QStringLiteral("old"));
    s.receive(QStringList{a, b}, true); // adding to an empty wheel replaces and clears the last outputs
    EXPECT_TRUE(s.lastOutputs().isEmpty());
    s.receive(QStringList{b, c, c}, true);
    EXPECT_EQ(s.droppedFiles(), (QStringList{a, b, c}));
    EXPECT_FALSE(s.statusMessage().has_value());

    SignalCounter files(&s, &KelvaroStore::droppedFilesChanged);
    s.receive(QStringList{a, c}, true);
    EXPECT_EQ(s.statusMessage(), QStringLiteral("Tyhle soubory už ve výběru jsou."));
    EXPECT_FALSE(s.statusIsError());
    EXPECT_EQ(files.count, 0);
}

// Access to the files is held while any of them is on the wheel.
TEST_F(IntakeTest, ReplacingKeepsDuplicatesAsGivenAndRemovingTheLastFileReleasesAccess)
{
    const QString a = touch("a.jpg"), b = touch("b.jpg");
    KelvaroStore& s = makeStore();
    s.receive(QStringList{a, a, b}, false);
    EXPECT_EQ(s.droppedFiles(), (QStringList{a, a, b}));
    s.removeDropped(a);
    EXPECT_EQ(s.droppedFiles(), QStringList{b});
    EXPECT_FALSE(s.accessedURLs().isEmpty());
    s.removeDropped(b);
    EXPECT_TRUE(s.droppedFiles().isEmpty());
    EXPECT_TRUE(s.accessedURLs().isEmpty());
}

TEST_F(IntakeTest, NothingUsableKeepsTheWheelWhetherAddingOrReplacing)
{
    const QString a = touch("a.jpg");
    const QString empty = makeFolder("empty");
    KelvaroStore& s = makeStore();
    s.receive(QStringList{a}, false);
    for (bool adding : {true, false}) {
        s.setStatusMessage(std::nullopt);
        s.receive(QStringList{empty}, adding);
        EXPECT_EQ(s.droppedFiles(), QStringList{a});
        EXPECT_EQ(s.statusMessage(), QStringLiteral("V tom, co jsi přidal, nejsou žádné fotky ani PDF."));
        EXPECT_TRUE(s.statusIsError());
    }
}

TEST_F(IntakeTest, OnlyLocalFilesAreTaken)
{
    const QString a = touch("a.jpg");
    KelvaroStore& s = makeStore();
    s.receive(QList<QUrl>{QUrl("https://example.com/photo.jpg"), QUrl::fromLocalFile(a), QUrl("ftp://host/x.png")}, false);
    EXPECT_EQ(s.droppedFiles(), QStringList{a});

    s.receive(QList<QUrl>{QUrl("https://example.com/other.jpg")}, false);
    EXPECT_EQ(s.droppedFiles(), QStringList{a});
    EXPECT_TRUE(s.statusIsError());
}

TEST_F(IntakeTest, ShowsTheImporterAfterTheSectionHadTimeToAppear)
{
    for (const auto& [from, delayMs] : {std::pair<std::optional<SidebarItem>, int>{SidebarItem::history, 300},
                                        {std::nullopt, 300}, {SidebarItem::home, 80}}) {
        KelvaroStore& s = makeStore();
        s.setSidebarSelection(from);
        s.setShowImporter(true);
        s.requestImporter(true);
        EXPECT_EQ(s.sidebarSelection(), SidebarItem::home);
        EXPECT_TRUE(s.importerAdds());
        EXPECT_FALSE(s.showImporter());
        EXPECT_EQ(s.pendingImporterDelay(), delayMs);
        EXPECT_TRUE(waitUntil([&] { return s.showImporter(); }));
        EXPECT_FALSE(s.pendingImporterDelay().has_value());
    }
}

TEST_F(IntakeTest, ImporterRequestOfADestroyedStoreDoesNothing)
{
    KelvaroStore& s = makeStore();
    s.requestImporter(false);
    const int delay = s.pendingImporterDelay().value_or(0);
    store.reset();
    passTimersOf(delay); // past the delay: nothing may fire
}

TEST_F(IntakeTest, SelectModeWaitsWhileASheetIsOpen)
{
    KelvaroStore& s = makeStore();
    s.setSidebarSelection(SidebarItem::history);
    s.setActiveSheet(ToolSheet::crop);
    s.selectMode(WheelMode::actions, true);
    EXPECT_EQ(s.wheelMode(), WheelMode::convert);
    EXPECT_EQ(s.sidebarSelection(), SidebarItem::history);

    s.setActiveSheet(std::nullopt);
    s.selectMode(WheelMode::actions, false);
    EXPECT_EQ(s.wheelMode(), WheelMode::actions);
    EXPECT_EQ(s.sidebarSelection(), SidebarItem::history);
    s.selectMode(WheelMode::tools, true);
    EXPECT_EQ(s.sidebarSelection(), SidebarItem::home);
}

} // namespace
} // namespace kelvaro::test
