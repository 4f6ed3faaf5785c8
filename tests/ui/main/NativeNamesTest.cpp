// A result whose name is not UTF-8 ("caf\xe9.png", made by a real run from "caf\xe9.jpg") on every
// screen that asks whether a stored file exists, shows it or hands it to the desktop: History,
// Shelves (and a shelf's folder in an output folder so named), the compare sheet, the quick look
// (and its size of such a file) and the result links under the wheel each find it, show it and name
// it by its bytes.
#include <filesystem>
#include <functional>
#include <memory>

#include <QDir>
#include <QMimeData>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "../../support/TestImages.h"
#include "UiTestSupport.h"
#include "app/QuickLookSupport.h"
#include "output/OutputFolder.h"
#include "platform/NativeFile.h"
#include "platform/NativePath.h"
#include "ui/history/HistoryList.h"
#include "ui/history/HistoryModel.h"
#include "ui/history/HistoryView.h"
#include "ui/history/ThumbnailCache.h"
#include "ui/shelves/ShelfItemList.h"
#include "ui/shelves/ShelfItemModel.h"
#include "ui/shelves/ShelvesView.h"
#include "ui/wheel/CompareSheet.h"
#include "ui/wheel/DragOutRow.h"
#include "ui/wheel/KelvaroWheelStore.h"
#include "ui/wheel/StatusLine.h"

using namespace kelvaro;
using namespace kelvaro::uitest;
namespace ti = kelvaro::testimages;

namespace {

class NativeNames;

struct ScreenRow {
    const char* name;
    std::function<void(NativeNames&)> check;
};

void PrintTo(const ScreenRow& row, std::ostream* os)
{
    *os << row.name;
}

class NativeNames : public CzechTest, public ::testing::WithParamInterface<ScreenRow> {
protected:
    void SetUp() override
    {
        CzechTest::SetUp();
        out = temp.filePath(QStringLiteral("Výsledky"));
        ASSERT_TRUE(QDir().mkpath(out));
        ASSERT_TRUE(OutputFolder::remember(out));
        photo = ti::writeJpeg(temp.path(), NativePath::decoded("caf\xe9.jpg"), ti::plain(64, 48, QColor(200, 90, 30)));
        result = out + QLatin1Char('/') + NativePath::decoded("caf\xe9.png");
        files = std::make_shared<RecordingFileManager>();
        StoreServices services;
        services.fileManager = files;
        store = makeStore(services);
        store->receive(QStringList{photo}, false);
        store->run(KelvaroOp::convert(ImageFormat::png));
        ASSERT_TRUE(waitFor([&] { return !store->isWorking(); }));
        ASSERT_EQ(store->lastOutputs(), QStringList{result}) << store->statusMessage().value_or(QString()).toStdString();
        ASSERT_TRUE(NativeFile::isFile(result));
        ASSERT_FALSE(store->activities().isEmpty());
        ASSERT_EQ(store->activities().first().outputPath, result);
    }
    void TearDown() override
    {
        store.reset();
        // By the names' bytes: QTemporaryDir's listing leaves such names out.
        std::error_code error;
        std::filesystem::remove_all(NativePath::encoded(temp.path()).toStdString(), error);
    }

public:
    QString folder() const { return temp.path(); }
    QString out;
    QString photo;
    QString result;
    std::shared_ptr<RecordingFileManager> files;
    std::unique_ptr<KelvaroStore> store;
};

TEST_P(NativeNames, TheScreenFindsShowsAndHandsOnTheFileByItsBytes)
{
    GetParam().check(*this);
}

void history(NativeNames& t)
{
    HistoryView view(*t.store, t.files);
    view.resize(900, 700);
    view.show();
    ASSERT_TRUE(waitFor([&] { return view.filesChecked(); }));
    HistoryModel* model = view.model();
    int row = -1;
    for (int i = 0; i < model->rowCount(); ++i)
        if (model->row(i).kind == HistoryModel::Kind::entry)
            row = i;
    ASSERT_GE(row, 0);
    EXPECT_EQ(model->fileState(row), HistoryModel::FileState::present);
    ThumbnailCache* thumbnails = view.list()->thumbnails();
    ASSERT_TRUE(waitFor([&] { return !thumbnails->image(t.result).isNull() || thumbnails->isUnreadable(t.result); }));
    EXPECT_EQ(thumbnails->image(t.result).size(), QSize(64, 48));
    uitest::mouse(view.list()->viewport(), QEvent::MouseButtonDblClick, view.list()->visualRect(model->index(row)).center());
    EXPECT_EQ(t.files->openedFiles, QStringList{t.result});
}

void shelves(NativeNames& t)
{
    ASSERT_TRUE(t.store->addToShelf(std::nullopt, QStringLiteral("Výlet")));
    const QString copy = t.out + QStringLiteral("/Police/Výlet/") + NativePath::decoded("caf\xe9.jpg");
    ASSERT_TRUE(NativeFile::isFile(copy));
    ShelvesView view(*t.store, t.files);
    view.resize(1000, 700);
    view.show();
    ASSERT_TRUE(waitFor([&] { return view.itemsResolved(); }));
    EXPECT_EQ(view.itemModel()->file(0), copy);
    ShelfItemList* list = view.itemList();
    const QRect row = list->visualRect(view.itemModel()->index(0));
    uitest::mouse(list->viewport(), QEvent::MouseButtonDblClick, row.center() - QPoint(100, 0));
    EXPECT_EQ(t.files->openedFiles, QStringList{copy});
    uitest::mouse(list->viewport(), QEvent::MouseButtonPress, list->buttonRect(row, ShelfItemList::Button::reveal).center());
    EXPECT_EQ(t.files->revealed, QList<QStringList>{{copy}});
}

void compare(NativeNames& t)
{
    wheel::KelvaroWheelStore adapter(*t.store);
    const std::optional<wheel::ComparePair> pair = adapter.comparePair();
    ASSERT_TRUE(pair.has_value());
    EXPECT_EQ(pair->before, t.photo);
    EXPECT_EQ(pair->after, t.result);
    wheel::CompareSheet sheet(pair);
    ASSERT_TRUE(sheet.waitForImages(30000));
    EXPECT_EQ(sheet.view()->state(true), wheel::CompareView::State::ready);
    EXPECT_EQ(sheet.view()->state(false), wheel::CompareView::State::ready);
    EXPECT_TRUE(sheet.footerText().startsWith(QStringLiteral("Původně"))) << sheet.footerText().toStdString();
}

void quickLook(NativeNames& t)
{
    const QString note = t.folder() + QLatin1Char('/') + NativePath::decoded("pozn\xe1mka z kav\xe1rny.txt");
    test::writeFile(note, "Účtenka 42");
    QuickLookPanel panel;
    panel.resize(500, 360);
    panel.show();
    panel.showFile(t.result);
    ASSERT_TRUE(panel.waitForContent(30000));
    EXPECT_EQ(panel.content(), QuickLookPanel::Content::image);
    EXPECT_EQ(panel.image().size(), QSize(64, 48));
    panel.showFile(note);
    ASSERT_TRUE(panel.waitForContent(30000));
    EXPECT_EQ(panel.content(), QuickLookPanel::Content::text);
    EXPECT_EQ(panel.text(), QStringLiteral("Účtenka 42"));
}

// A file quick look cannot show gives its size in the header, read by the name's bytes: the
// header's corner is the one a file of the same bytes under a UTF-8 name shows.
void quickLookSize(NativeNames& t)
{
    const QByteArray bytes(5000, '\x7f');
    const QString odd = t.folder() + QLatin1Char('/') + NativePath::decoded("z\xe1znam.bin");
    const QString plain = t.folder() + QStringLiteral("/zaznam.bin");
    test::writeFile(odd, bytes);
    test::writeFile(plain, bytes);
    QuickLookPanel panel;
    panel.resize(500, 360);
    panel.show();
    const auto sizeCorner = [&](const QString& file) {
        panel.showFile(file);
        EXPECT_TRUE(panel.waitForContent(30000));
        EXPECT_EQ(panel.content(), QuickLookPanel::Content::none);
        return panel.grab(QRect(panel.width() - 160, 0, 160, 44)).toImage();
    };
    const QImage expected = sizeCorner(plain);
    EXPECT_EQ(sizeCorner(odd), expected) << "the size of a name that is not UTF-8";
}

// A shelf's folder in an output folder whose own name is not UTF-8 opens as a folder, not as a
// reveal of its files.
void shelfFolder(NativeNames& t)
{
    const QString odd = t.folder() + QLatin1Char('/') + NativePath::decoded("V\xfdsledky");
    std::error_code error;
    ASSERT_TRUE(std::filesystem::create_directory(NativePath::encoded(odd).toStdString(), error)) << error.message();
    ASSERT_TRUE(OutputFolder::remember(odd));
    ASSERT_TRUE(t.store->addToShelf(std::nullopt, QStringLiteral("Výlet")));
    const QString shelf = odd + QStringLiteral("/Police/Výlet");
    ASSERT_TRUE(NativeFile::isDir(shelf));
    ShelvesView view(*t.store, t.files);
    view.resize(1000, 700);
    view.show();
    ASSERT_TRUE(waitFor([&] { return view.itemsResolved(); }));
    view.openFolder(t.store->shelves().first());
    EXPECT_EQ(t.files->opened, QStringList{shelf});
    EXPECT_TRUE(t.files->revealed.isEmpty());
}

void resultLinks(NativeNames& t)
{
    wheel::KelvaroWheelStore adapter(*t.store);
    wheel::StatusLine status(adapter);
    status.resize(600, 300);
    status.show();
    ASSERT_TRUE(status.isResultRowShown());
    status.revealButton()->click();
    EXPECT_EQ(t.files->revealed, QList<QStringList>{{t.result}});
    ASSERT_FALSE(status.compareButton()->isHidden());
    status.compareButton()->click();
    ASSERT_NE(status.compareSheet(), nullptr);
    ASSERT_TRUE(status.compareSheet()->waitForImages(30000));
    EXPECT_EQ(status.compareSheet()->view()->state(false), wheel::CompareView::State::ready);
    status.compareSheet()->reject();
    const std::unique_ptr<QMimeData> dragged(wheel::makeResultMime(status.dragOutRow()->paths()));
    ASSERT_EQ(dragged->urls().size(), 1);
    EXPECT_EQ(NativePath::localFile(dragged->urls().first()), t.result);
}

INSTANTIATE_TEST_SUITE_P(Screens, NativeNames,
                         ::testing::Values(ScreenRow{"history", history}, ScreenRow{"shelves", shelves}, ScreenRow{"compare", compare},
                                           ScreenRow{"quickLook", quickLook}, ScreenRow{"quickLookSize", quickLookSize},
                                           ScreenRow{"shelfFolder", shelfFolder}, ScreenRow{"resultLinks", resultLinks}),
                         test::RowName());

} // namespace
