// The loaded card's thumbnails while a file's picture is slow to come: the header's placeholder,
// one decode for the header and the strip, and the decodes of files taken off the wheel.
#include <memory>

#include <QApplication>

#include <gtest/gtest.h>

#include "../../support/TestImages.h"
#include "gallery/HeldThumbnails.h"
#include "gallery/ScriptedWheelStore.h"
#include "ui/design/FileThumb.h"
#include "ui/design/ThumbnailLoader.h"
#include "ui/wheel/DropWheelCard.h"
#include "ui/wheel/FileImporter.h"
#include "ui/wheel/LoadedWheel.h"
#include "ui/wheel/WheelControls.h"
#include "WheelTestSupport.h"

using namespace kelvaro;
using namespace kelvaro::wheel;
using namespace kelvaro::testimages;
using namespace wheeltest;
using kelvaro::gallery::HeldThumbnails;

namespace {

class NoImporter : public FileImporter {
public:
    void choose(QWidget*, std::function<void(const QList<QUrl>&)>) override {}
};

// The slow file is blue, the others green; the placeholder's ember tint is near neither.
const QColor slowColour = bottomLeftColour;
const QColor photoColour = topRightColour;

class WheelThumbnailsTest : public CzechTest {
protected:
    void SetUp() override
    {
        CzechTest::SetUp();
        photo = writeJpeg(temp.path(), QStringLiteral("photo.jpg"), plain(120, 90, photoColour));
        other = writeJpeg(temp.path(), QStringLiteral("other.jpg"), plain(120, 90, photoColour));
        slow = writeJpeg(temp.path(), QStringLiteral("vejir.jpg"), plain(120, 90, slowColour));
        card = std::make_unique<DropWheelCard>(store, std::make_shared<NoImporter>());
        card->resize(720, 720);
        card->show();
        QApplication::processEvents();
    }
    void TearDown() override
    {
        card.reset();
        test::finishBackgroundWork();
    }

    void load(const QStringList& files)
    {
        store.update([&files](auto& v) { v.droppedFiles = files; });
        QApplication::processEvents();
    }
    // The thumbnails of `path` on the card, the header's and the strip's.
    QList<FileThumb*> thumbsOf(const QString& path) const
    {
        QList<FileThumb*> found;
        for (FileThumb* thumb : card->findChildren<FileThumb*>())
            if (thumb->path() == path)
                found.append(thumb);
        return found;
    }
    FileThumb* header() const { return card->loadedWheel()->headerThumb(); }

    QString photo, other, slow;
    ScriptedWheelStore store;
    std::unique_ptr<DropWheelCard> card;
};

TEST_F(WheelThumbnailsTest, TheHeaderShowsItsFilesPlaceholderWhileItsPictureIsDrawnNeverTheFileBefore)
{
    HeldThumbnails held({slow});
    load({photo});
    ASSERT_TRUE(waitFor([&] { return header()->hasImage(); }));
    EXPECT_GT(uitest::pixelsNear(header()->grab().toImage(), photoColour, 40), 100);

    load({slow, photo});
    ASSERT_TRUE(waitFor([&] { return held.holding() == 1; }));
    EXPECT_TRUE(header()->isLoading());
    EXPECT_FALSE(header()->hasImage());
    const QImage shown = header()->grab().toImage();
    EXPECT_EQ(uitest::pixelsNear(shown, photoColour, 40), 0);
    // The same placeholder as a thumbnail that has no picture to wait for.
    FileThumb placeholder(QString(), header()->side(), card->loadedWheel());
    EXPECT_EQ(differingPixels(shown, placeholder.grab().toImage()), 0);

    held.letThrough(slow);
    ASSERT_TRUE(waitFor([&] { return header()->hasImage(); }));
    EXPECT_GT(uitest::pixelsNear(header()->grab().toImage(), slowColour, 40), 100);
}

TEST_F(WheelThumbnailsTest, TheHeaderAndTheStripShowingOneFileDecodeItOnce)
{
    HeldThumbnails held({slow});
    load({slow, photo, other});
    ASSERT_TRUE(waitFor([&] { return held.holding() >= 1; }));
    const QList<FileThumb*> both = thumbsOf(slow);
    ASSERT_EQ(both.size(), 2);
    ASSERT_TRUE(both.contains(header()));

    held.letThrough(slow);
    ASSERT_TRUE(waitFor([&] { return both[0]->hasImage() && both[1]->hasImage(); }));
    EXPECT_EQ(held.decodes(slow), 1);
    EXPECT_EQ(both[0]->image(), both[1]->image());
}

struct TakeOffRow {
    const char* name;
    bool slowFirst;                                       // the header's file too, or the strip's only
    std::function<void(LoadedWheel&, const QString&)> takeOff; // what the user does
};

void PrintTo(const TakeOffRow& row, std::ostream* os)
{
    *os << row.name;
}

class TakenOff : public WheelThumbnailsTest, public ::testing::WithParamInterface<TakeOffRow> {};

TEST_P(TakenOff, AFileTakenOffTheWheelStopsItsDecodeAndNothingShowsItsPicture)
{
    HeldThumbnails held({slow});
    load(GetParam().slowFirst ? QStringList{slow, photo} : QStringList{photo, slow, other});
    ASSERT_TRUE(waitFor([&] { return held.holding() == 1; }));

    GetParam().takeOff(*card->loadedWheel(), slow);
    ASSERT_TRUE(waitFor([&] { return held.stopped(slow) && ThumbnailLoader::pendingCount() == 0; }))
        << "the decode of a file off the wheel went on";
    test::passPostedEvents();
    EXPECT_TRUE(thumbsOf(slow).isEmpty());
    EXPECT_EQ(uitest::pixelsNear(card->grab().toImage(), slowColour, 40), 0);
    EXPECT_EQ(held.decodes(slow), 1);
}

INSTANTIATE_TEST_SUITE_P(
    Ways, TakenOff,
    ::testing::Values(TakeOffRow{"RemovedFromTheStrip", false,
                                 [](LoadedWheel& wheel, const QString& path) { wheel.removeButton(path)->click(); }},
                      TakeOffRow{"TheWheelCleared", true,
                                 [](LoadedWheel& wheel, const QString&) { wheel.closeButton()->click(); }}),
    [](const ::testing::TestParamInfo<TakeOffRow>& info) { return std::string(info.param.name); });

} // namespace
