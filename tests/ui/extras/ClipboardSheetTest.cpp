// The clipboard sheet: the remembered mode, what each mode puts on the clipboard, the status
// line, the history entries, and a cancelled sheet.
#include "../main/UiTestSupport.h"
#include "platform/Clipboard.h"
#include "store/KelvaroStore.h"
#include "ui/design/DesignSystem.h"
#include "ui/sheets/SegmentedPicker.h"
#include "ui/wheel/ClipboardSheet.h"

using namespace kelvaro;
using namespace kelvaro::wheel;

namespace {

const QString modeKey = QString::fromLatin1(ClipboardSheet::modeKey);

class ClipboardSheetTest : public uitest::CzechTest {
protected:
    void SetUp() override
    {
        CzechTest::SetUp();
        recording = std::make_shared<RecordingClipboard>();
        StoreServices services;
        services.clipboard = recording;
        store = uitest::makeStore(services);
    }

    QStringList files(const QStringList& names)
    {
        QStringList paths;
        for (const QString& name : names) {
            kelvaro::test::writeFile(path(name), "x");
            paths << path(name);
        }
        store->setDroppedFiles(paths);
        return paths;
    }

    // Picks `mode` in a fresh sheet and copies; waits for the copy to have run.
    void copyWith(ClipboardMode mode)
    {
        ClipboardSheet sheet(*store);
        sheet.show();
        const int index = mode == ClipboardMode::files ? 0 : mode == ClipboardMode::paths ? 1 : 2;
        uitest::mouse(sheet.picker(), QEvent::MouseButtonPress, sheet.picker()->segmentRect(index).center());
        const int writes = recording->writes;
        const qsizetype entries = store->activities().size();
        sheet.actionButton()->click();
        ASSERT_TRUE(uitest::waitFor([&] {
            return recording->writes > writes || store->activities().size() > entries;
        }));
    }

    std::shared_ptr<RecordingClipboard> recording;
    std::unique_ptr<KelvaroStore> store;
};

TEST_F(ClipboardSheetTest, EachModeCopiesAndSaysWhatItDidAndRemembersTheMode)
{
    const struct {
        ClipboardMode mode;
        QStringList names;
        const char* text; // "" for files mode: the files themselves go on the clipboard
        const char* status;
    } rows[] = {
        {ClipboardMode::paths, {"a.jpg", "b.jpg", "c.jpg"}, "PATHS", "Cesty ke 3 souborům jsou ve schránce."},
        {ClipboardMode::paths, {"jedna.jpg"}, "PATHS", "Cesta k souboru je ve schránce."},
        {ClipboardMode::names, {"Dovolená u moře.jpg", "50% sleva [1].png"}, "Dovolená u moře.jpg\n50% sleva [1].png",
         "Názvy 2 souborů jsou ve schránce."},
        {ClipboardMode::files, {"1.jpg", "2.jpg"}, "", "Do schránky jsem zkopíroval 2 soubory. Vlož je Ctrl+V."},
        {ClipboardMode::files, {"1.jpg", "2.jpg", "3.jpg", "4.jpg", "5.jpg"}, "", "Do schránky jsem zkopíroval 5 souborů. Vlož je Ctrl+V."},
    };
    for (const auto& row : rows) {
        const QStringList paths = files(row.names);
        copyWith(row.mode);
        if (row.mode == ClipboardMode::files)
            EXPECT_EQ(recording->files, paths);
        else
            EXPECT_EQ(recording->text, QString::fromUtf8(row.text) == QLatin1String("PATHS") ? paths.join(QLatin1Char('\n'))
                                                                                               : QString::fromUtf8(row.text));
        EXPECT_EQ(store->statusMessage().value_or(QString()), QString::fromUtf8(row.status));
        EXPECT_FALSE(store->statusIsError());
    }
    EXPECT_EQ(Settings::shared().stringValue(modeKey), QStringLiteral("files"));
    ClipboardSheet next(*store);
    EXPECT_EQ(next.picker()->selectedIndex(), 0);
    uitest::mouse(next.picker(), QEvent::MouseButtonPress, next.picker()->segmentRect(2).center());
    EXPECT_EQ(Settings::shared().stringValue(modeKey), QStringLiteral("names"));
}

TEST_F(ClipboardSheetTest, EachFileGetsOneHistoryEntryNewestFirst)
{
    files({QStringLiteral("a.jpg"), QStringLiteral("b.jpg"), QStringLiteral("c.jpg")});
    copyWith(ClipboardMode::names);
    ASSERT_EQ(store->activities().size(), 3);
    for (int i = 0; i < 3; ++i) {
        const ActivityItem& a = store->activities()[i];
        EXPECT_EQ(a.fileName, QStringList({"c.jpg", "b.jpg", "a.jpg"})[i]);
        EXPECT_EQ(a.actionTitle, QStringLiteral("Schránka"));
        EXPECT_FALSE(a.outputPath.has_value());
    }
    EXPECT_EQ(store->droppedFiles().size(), 3); // the files stay loaded
}

TEST_F(ClipboardSheetTest, AnUnknownStoredModeCopiesFilesWithNoSegmentPicked)
{
    Settings::shared().setValue(modeKey, QStringLiteral("everything"));
    const QStringList paths = files({QStringLiteral("a.jpg")});
    ClipboardSheet sheet(*store);
    EXPECT_EQ(sheet.picker()->selectedIndex(), -1);
    EXPECT_EQ(sheet.explanationText()->text(), clipboardModeExplanation(ClipboardMode::files));
    sheet.actionButton()->click();
    ASSERT_TRUE(uitest::waitFor([&] { return recording->writes == 1; }));
    EXPECT_EQ(recording->files, paths);
}

TEST_F(ClipboardSheetTest, CancellingOrHavingNoFilesCopiesAndSaysNothing)
{
    {
        ClipboardSheet empty(*store);
        empty.actionButton()->click();
    }
    uitest::spin(50);
    EXPECT_EQ(recording->writes, 0);
    files({QStringLiteral("a.jpg")});
    ClipboardSheet sheet(*store);
    sheet.show();
    sheet.cancelButton()->click();
    uitest::spin(50);
    EXPECT_EQ(recording->writes, 0);
    EXPECT_FALSE(store->statusMessage().has_value());
    EXPECT_TRUE(store->activities().isEmpty());
}

} // namespace
