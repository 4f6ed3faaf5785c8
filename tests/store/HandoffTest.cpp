// Handing the wheel's files on without a run: the clipboard, booked in the history and reported
// on the status line; a hand-off to the desktop that nobody answered.
#include "StoreTestSupport.h"

namespace kelvaro::test {
namespace {

using HandoffTest = StoreTest;

struct ClipboardCase {
    ClipboardMode mode;
    int files;
    const char* message;
    bool asFiles;
};

class ClipboardTest : public StoreTest, public ::testing::WithParamInterface<ClipboardCase> {};

TEST_P(ClipboardTest, CopiesAndRecordsOneEntryPerFile)
{
    KelvaroStore& s = makeStore(fakeProcess);
    QStringList files;
    for (int i = 0; i < GetParam().files; ++i)
        files.append(touch(QStringLiteral("Léto %1.jpg").arg(i)));
    s.receive(files, false);
    const int before = int(s.activities().size());
    s.copyToClipboard(GetParam().mode);
    EXPECT_EQ(s.statusMessage(), QString::fromUtf8(GetParam().message));
    if (GetParam().asFiles) {
        EXPECT_EQ(clipboard->files, files);
    } else {
        QStringList expected;
        for (const QString& f : files)
            expected.append(GetParam().mode == ClipboardMode::paths ? f : QFileInfo(f).fileName());
        EXPECT_EQ(clipboard->text, expected.join('\n'));
    }
    ASSERT_EQ(s.activities().size(), before + files.size());
    EXPECT_EQ(s.activities().first().fileName, QFileInfo(files.last()).fileName());
    EXPECT_EQ(s.activities().first().actionTitle, QStringLiteral("Schránka"));
    EXPECT_EQ(s.activities().first().symbol, "doc.on.clipboard");
    EXPECT_EQ(s.droppedFiles(), files);
}

INSTANTIATE_TEST_SUITE_P(
    Modes, ClipboardTest,
    ::testing::Values(ClipboardCase{ClipboardMode::files, 1, "Do schránky jsem zkopíroval 1 soubor. Vlož je Ctrl+V.", true},
                      ClipboardCase{ClipboardMode::files, 2, "Do schránky jsem zkopíroval 2 soubory. Vlož je Ctrl+V.", true},
                      ClipboardCase{ClipboardMode::files, 5, "Do schránky jsem zkopíroval 5 souborů. Vlož je Ctrl+V.", true},
                      ClipboardCase{ClipboardMode::paths, 1, "Cesta k souboru je ve schránce.", false},
                      ClipboardCase{ClipboardMode::paths, 3, "Cesty ke 3 souborům jsou ve schránce.", false},
                      ClipboardCase{ClipboardMode::names, 1, "Název souboru je ve schránce.", false},
                      ClipboardCase{ClipboardMode::names, 3, "Názvy 3 souborů jsou ve schránce.", false}));

TEST_F(HandoffTest, ClipboardWithNoFilesChangesNothing)
{
    KelvaroStore& s = makeStore(fakeProcess);
    const int before = int(s.activities().size());
    s.copyToClipboard(ClipboardMode::files);
    EXPECT_EQ(clipboard->writes, 0);
    EXPECT_EQ(s.activities().size(), before);
    EXPECT_FALSE(s.statusMessage().has_value());
}

// A failure met again is reported again, although the status line's text stays as it was.
TEST_F(HandoffTest, AnUnansweredHandoffIsReportedEachTime)
{
    KelvaroStore& s = makeStore(fakeProcess);
    SignalCounter reported(&s, &KelvaroStore::errorReported);
    SignalCounter messages(&s, &KelvaroStore::statusMessageChanged);
    const QStringList shown{touch(QStringLiteral("a.jpg")), touch(QStringLiteral("b.jpg"))};
    for (int i = 0; i < 2; ++i)
        s.reportUnanswered(HandoffFailure::files, shown);
    EXPECT_EQ(s.statusMessage(), QStringLiteral("Soubory se nepodařilo zobrazit – žádný správce souborů neodpověděl."));
    EXPECT_TRUE(s.statusIsError());
    EXPECT_EQ(reported.count, 2);
    EXPECT_EQ(messages.count, 1);
}

} // namespace
} // namespace kelvaro::test
