// The clipboard sheet: the mode it hands the store and remembers, an unknown stored mode, and a
// cancelled sheet.
#include "../main/UiTestSupport.h"
#include "platform/Clipboard.h"
#include "store/KelvaroStore.h"
#include "ui/design/DesignSystem.h"
#include "ui/sheets/ClipboardSheet.h"
#include "ui/sheets/SegmentedPicker.h"

using namespace kelvaro;

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

// The segment picked is the mode the store copies with (its texts and history entries are the
// store's own), and the next sheet opens on it.
TEST_F(ClipboardSheetTest, ThePickedModeIsWhatTheStoreCopiesAndIsRemembered)
{
    const QStringList paths = files({QStringLiteral("Dovolená u moře.jpg"), QStringLiteral("50% sleva [1].png")});
    copyWith(ClipboardMode::paths);
    EXPECT_EQ(recording->text, paths.join(QLatin1Char('\n')));
    copyWith(ClipboardMode::names);
    EXPECT_EQ(recording->text, QStringLiteral("Dovolená u moře.jpg\n50% sleva [1].png"));
    copyWith(ClipboardMode::files);
    EXPECT_EQ(recording->files, paths);
    EXPECT_EQ(store->statusMessage(), QStringLiteral("Do schránky jsem zkopíroval 2 soubory. Vlož je Ctrl+V."));
    EXPECT_EQ(Settings::shared().stringValue(modeKey), QStringLiteral("files"));
    ClipboardSheet next(*store);
    EXPECT_EQ(next.picker()->selectedIndex(), 0);
    uitest::mouse(next.picker(), QEvent::MouseButtonPress, next.picker()->segmentRect(2).center());
    EXPECT_EQ(Settings::shared().stringValue(modeKey), QStringLiteral("names"));
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

TEST_F(ClipboardSheetTest, ACancelledSheetCopiesAndSaysNothing)
{
    files({QStringLiteral("a.jpg")});
    ClipboardSheet sheet(*store);
    sheet.show();
    sheet.cancelButton()->click();
    uitest::passPostedEvents(); // the copy would have been queued before it
    EXPECT_EQ(recording->writes, 0);
    EXPECT_FALSE(store->statusMessage().has_value());
    EXPECT_TRUE(store->activities().isEmpty());
}

} // namespace
