// The clipboard sheet: the remembered mode, what each mode puts on the clipboard, the status
// line, the history entries and their cap, and a cancelled sheet.
#include <QClipboard>
#include <QFile>
#include <QGuiApplication>
#include <QMimeData>

#include "ExtrasTestSupport.h"
#include "platform/Clipboard.h"
#include "store/KelvaroStore.h"
#include "ui/design/DesignSystem.h"
#include "ui/sheets/SegmentedPicker.h"
#include "ui/wheel/ClipboardSheet.h"

using namespace kelvaro;
using namespace kelvaro::wheel;

namespace {

const QString modeKey = QString::fromLatin1(ClipboardSheet::modeKey);

class ClipboardSheetTest : public extrastest::CzechTest {
protected:
    void SetUp() override
    {
        CzechTest::SetUp();
        Settings::shared().remove(QStringLiteral("kelvaro.test.library"));
        recording = std::make_shared<RecordingClipboard>();
        StoreServices services;
        services.clipboard = recording;
        store = std::make_unique<KelvaroStore>(services, QStringLiteral("kelvaro.test.library"));
        store->setActivities({}); // a first start brings sample entries
    }

    QStringList files(const QStringList& names)
    {
        QStringList paths;
        for (const QString& name : names) {
            QFile f(path(name));
            EXPECT_TRUE(f.open(QIODevice::WriteOnly));
            f.write("x");
            paths << f.fileName();
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
        extrastest::mouse(sheet.picker(), QEvent::MouseButtonPress, sheet.picker()->segmentRect(index).center());
        const int writes = recording->writes;
        const qsizetype entries = store->activities().size();
        sheet.actionButton()->click();
        ASSERT_TRUE(extrastest::waitFor([&] {
            return recording->writes > writes || store->activities().size() > entries;
        }));
    }

    std::shared_ptr<RecordingClipboard> recording;
    std::unique_ptr<KelvaroStore> store;
};

TEST_F(ClipboardSheetTest, ThreePathsGoOnThreeLines)
{
    const QStringList paths = files({QStringLiteral("a.jpg"), QStringLiteral("b.jpg"), QStringLiteral("c.jpg")});
    copyWith(ClipboardMode::paths);
    EXPECT_EQ(recording->text, paths.join(QLatin1Char('\n')));
    EXPECT_EQ(store->statusMessage().value_or(QString()), QStringLiteral("Cesty ke 3 souborům jsou ve schránce."));
    EXPECT_FALSE(store->statusIsError());
    EXPECT_EQ(Settings::shared().stringValue(modeKey), QStringLiteral("paths"));
}

TEST_F(ClipboardSheetTest, NamesAreCopiedUnchanged)
{
    files({QStringLiteral("Dovolená u moře.jpg"), QStringLiteral("50% sleva [1].png")});
    copyWith(ClipboardMode::names);
    EXPECT_EQ(recording->text, QStringLiteral("Dovolená u moře.jpg\n50% sleva [1].png"));
    EXPECT_EQ(store->statusMessage().value_or(QString()), QStringLiteral("Názvy 2 souborů jsou ve schránce."));
}

TEST_F(ClipboardSheetTest, OneFileGetsTheSingularMessage)
{
    files({QStringLiteral("jedna.jpg")});
    copyWith(ClipboardMode::paths);
    EXPECT_EQ(store->statusMessage().value_or(QString()), QStringLiteral("Cesta k souboru je ve schránce."));
}

TEST_F(ClipboardSheetTest, FilesModeNamesTheCountWithItsNounForm)
{
    const QStringList two = files({QStringLiteral("1.jpg"), QStringLiteral("2.jpg")});
    copyWith(ClipboardMode::files);
    EXPECT_EQ(recording->files, two);
    EXPECT_EQ(store->statusMessage().value_or(QString()), QStringLiteral("Do schránky jsem zkopíroval 2 soubory. Vlož je Ctrl+V."));
    files({QStringLiteral("1.jpg"), QStringLiteral("2.jpg"), QStringLiteral("3.jpg"), QStringLiteral("4.jpg"),
           QStringLiteral("5.jpg")});
    copyWith(ClipboardMode::files);
    EXPECT_EQ(store->statusMessage().value_or(QString()), QStringLiteral("Do schránky jsem zkopíroval 5 souborů. Vlož je Ctrl+V."));
}

TEST_F(ClipboardSheetTest, FilesModePutsUriListAndTheCopiedFilesForm)
{
    StoreServices services;
    services.clipboard = std::make_shared<SystemClipboard>();
    store = std::make_unique<KelvaroStore>(services, QStringLiteral("kelvaro.test.library"));
    store->setActivities({});
    const QStringList paths = files({QStringLiteral("x y.jpg"), QStringLiteral("z.png")});
    ClipboardSheet sheet(*store);
    extrastest::mouse(sheet.picker(), QEvent::MouseButtonPress, QPoint(5, 5)); // the first segment, whatever the width
    sheet.actionButton()->click();
    ASSERT_TRUE(extrastest::waitFor([&] { return store->activities().size() == 2; }));
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    ASSERT_NE(data, nullptr);
    EXPECT_TRUE(data->hasFormat(QStringLiteral("text/uri-list")));
    ASSERT_TRUE(data->hasFormat(QStringLiteral("x-special/gnome-copied-files")));
    QList<QUrl> urls;
    for (const QString& p : paths)
        urls << QUrl::fromLocalFile(p);
    EXPECT_EQ(data->urls(), urls);
    EXPECT_TRUE(data->data(QStringLiteral("x-special/gnome-copied-files")).startsWith("copy\n"));
}

TEST_F(ClipboardSheetTest, EachFileGetsOneHistoryEntryNewestLast)
{
    files({QStringLiteral("a.jpg"), QStringLiteral("b.jpg"), QStringLiteral("c.jpg")});
    copyWith(ClipboardMode::names);
    ASSERT_EQ(store->activities().size(), 3);
    EXPECT_EQ(store->activities().first().fileName, QStringLiteral("c.jpg"));
    EXPECT_EQ(store->activities().last().fileName, QStringLiteral("a.jpg"));
    for (const ActivityItem& a : store->activities()) {
        EXPECT_EQ(a.actionTitle, QStringLiteral("Schránka"));
        EXPECT_EQ(a.symbol, QStringLiteral("doc.on.clipboard"));
        EXPECT_EQ(a.savedBytes, 0);
        EXPECT_FALSE(a.outputPath.has_value());
    }
    // The files stay loaded.
    EXPECT_EQ(store->droppedFiles().size(), 3);
}

TEST_F(ClipboardSheetTest, TheHistoryStaysCappedAt500)
{
    QList<ActivityItem> old;
    for (int i = 0; i < 499; ++i) {
        ActivityItem a;
        a.id = QUuid::createUuid();
        a.fileName = QStringLiteral("old%1.jpg").arg(i);
        a.actionTitle = QStringLiteral("Komprese");
        a.symbol = QStringLiteral("photo");
        a.date = QDateTime::currentDateTimeUtc().addSecs(-i - 10);
        old << a;
    }
    store->setActivities(old);
    files({QStringLiteral("a.jpg"), QStringLiteral("b.jpg"), QStringLiteral("c.jpg")});
    copyWith(ClipboardMode::paths);
    ASSERT_EQ(store->activities().size(), 500);
    EXPECT_EQ(store->activities().first().fileName, QStringLiteral("c.jpg"));
    EXPECT_EQ(store->activities().last().fileName, QStringLiteral("old496.jpg"));
}

TEST_F(ClipboardSheetTest, TheModeIsRememberedForTheNextSheet)
{
    {
        ClipboardSheet first(*store);
        EXPECT_EQ(first.picker()->selection(), QStringLiteral("files")); // the default
        extrastest::mouse(first.picker(), QEvent::MouseButtonPress, first.picker()->segmentRect(2).center());
        EXPECT_EQ(Settings::shared().stringValue(modeKey), QStringLiteral("names"));
        EXPECT_EQ(first.explanationText()->text(), clipboardModeExplanation(ClipboardMode::names));
        first.reject();
    }
    ClipboardSheet second(*store);
    EXPECT_EQ(second.picker()->selectedIndex(), 2);
    EXPECT_EQ(second.explanationText()->text(),
              QStringLiteral("Zkopíruje jen názvy souborů, každý na nový řádek. Hodí se do seznamů a poznámek."));
}

TEST_F(ClipboardSheetTest, AnUnknownStoredModeCopiesFilesWithNoSegmentPicked)
{
    Settings::shared().setValue(modeKey, QStringLiteral("everything"));
    const QStringList paths = files({QStringLiteral("a.jpg")});
    ClipboardSheet sheet(*store);
    EXPECT_EQ(sheet.picker()->selectedIndex(), -1);
    EXPECT_EQ(sheet.explanationText()->text(), clipboardModeExplanation(ClipboardMode::files));
    sheet.actionButton()->click();
    ASSERT_TRUE(extrastest::waitFor([&] { return recording->writes == 1; }));
    EXPECT_EQ(recording->files, paths);
}

TEST_F(ClipboardSheetTest, CancellingCopiesNothing)
{
    files({QStringLiteral("a.jpg")});
    ClipboardSheet sheet(*store);
    sheet.show();
    sheet.cancelButton()->click();
    extrastest::spin(50);
    EXPECT_EQ(recording->writes, 0);
    EXPECT_TRUE(store->activities().isEmpty());
}

TEST_F(ClipboardSheetTest, WithoutFilesNothingIsWrittenOrSaid)
{
    ClipboardSheet sheet(*store);
    sheet.actionButton()->click();
    extrastest::spin(50);
    EXPECT_EQ(recording->writes, 0);
    EXPECT_FALSE(store->statusMessage().has_value());
    EXPECT_TRUE(store->activities().isEmpty());
}

TEST_F(ClipboardSheetTest, TextsFollowTheLanguage)
{
    Settings::shared().setValue(QStringLiteral("kelvaro.language"), QStringLiteral("en"));
    ClipboardSheet sheet(*store);
    EXPECT_EQ(sheet.titleText()->text(), QStringLiteral("To Clipboard"));
    EXPECT_EQ(sheet.picker()->segments().at(1).title, QStringLiteral("Paths"));
    EXPECT_EQ(sheet.actionButton()->text(), QStringLiteral("Copy"));
    EXPECT_EQ(sheet.cancelButton()->text(), QStringLiteral("Cancel"));
    sheet.show();
    extrastest::spin(30);
    extrastest::savePicture(&sheet, QStringLiteral("clipboard-sheet-en"));
    // The explanation wraps within the sheet and is not cut.
    EXPECT_GE(sheet.explanationText()->height(), sheet.explanationText()->heightForWidth(sheet.explanationText()->width()));
}

TEST_F(ClipboardSheetTest, Picture)
{
    files({QStringLiteral("a.jpg")});
    Settings::shared().setValue(modeKey, QStringLiteral("paths"));
    ClipboardSheet sheet(*store);
    sheet.show();
    extrastest::spin(30);
    extrastest::savePicture(&sheet, QStringLiteral("clipboard-sheet"));
    EXPECT_EQ(sheet.width(), SheetFrame::sheetWidth);
}

} // namespace
