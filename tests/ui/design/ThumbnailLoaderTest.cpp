// The thumbnails' loader: one decode per file and size class, its cache, and its stop requests.
#include <memory>
#include <vector>

#include <QDateTime>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "../../support/TestImages.h"
#include "../../support/TestSupport.h"
#include "gallery/HeldThumbnails.h"
#include "ui/design/FileThumb.h"
#include "ui/design/ThumbnailLoader.h"

using namespace kelvaro;
using namespace kelvaro::testimages;
using kelvaro::gallery::HeldThumbnails;
using kelvaro::test::waitUntil;

namespace {

std::unique_ptr<FileThumb> shownThumb(const QString& path, int side = 40)
{
    auto thumb = std::make_unique<FileThumb>(path, side);
    thumb->show();
    return thumb;
}

bool settled()
{
    return ThumbnailLoader::pendingCount() == 0;
}

struct SizeClassRow {
    int maxPixel;
    int decoded;
};

class SizeClass : public ::testing::TestWithParam<SizeClassRow> {};

// The wheel's header (40 px, 120 asked) and its strip (46 px, 138 asked) share one decode;
// nothing is decoded larger than it was asked.
TEST_P(SizeClass, ViewsOfAboutOneSizeShareADecodeNoneLargerThanAsked)
{
    EXPECT_EQ(ThumbnailLoader::sizeClass(GetParam().maxPixel), GetParam().decoded);
}

INSTANTIATE_TEST_SUITE_P(Sides, SizeClass,
                         ::testing::Values(SizeClassRow{50, 50}, SizeClassRow{90, 90}, SizeClassRow{119, 90},
                                           SizeClassRow{120, 120}, SizeClassRow{138, 120}, SizeClassRow{179, 120},
                                           SizeClassRow{180, 180}, SizeClassRow{300, 240}, SizeClassRow{1000, 960}));

TEST(ThumbnailLoader, AFileUnchangedOnDiskIsDecodedOnceAndAChangedOneAgain)
{
    QTemporaryDir dir;
    const HeldThumbnails counted;
    const QString path = writeJpeg(dir.path(), QStringLiteral("a.jpg"), plain(200, 100, topLeftColour));
    auto first = shownThumb(path);
    ASSERT_TRUE(waitUntil([&] { return first->hasImage(); }));
    auto second = shownThumb(path);
    ASSERT_TRUE(second->hasImage()); // from the cache, at once
    EXPECT_EQ(counted.decodes(path), 1);

    // A new picture under the same name, a second later on the clock.
    const QDateTime before = QFileInfo(path).lastModified();
    ASSERT_TRUE(QFile::remove(path));
    writeJpeg(dir.path(), QStringLiteral("a.jpg"), plain(200, 100, bottomLeftColour));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    ASSERT_TRUE(file.setFileTime(before.addSecs(1), QFileDevice::FileModificationTime));
    file.close();
    auto third = shownThumb(path);
    ASSERT_TRUE(waitUntil([&] { return third->hasImage(); }));
    EXPECT_EQ(counted.decodes(path), 2);
    EXPECT_TRUE(near(colourAt(fromQImage(third->image()), 0.5, 0.5), bottomLeftColour));
}

TEST(ThumbnailLoader, ADecodeGoesOnForTheViewsLeftAndIsStoppedOnceTheLastHasGone)
{
    QTemporaryDir dir;
    const QString kept = writeJpeg(dir.path(), QStringLiteral("kept.jpg"), plain(200, 100, topRightColour));
    const QString dropped = writeJpeg(dir.path(), QStringLiteral("dropped.jpg"), plain(200, 100, topLeftColour));
    HeldThumbnails held({kept, dropped});
    auto header = shownThumb(kept, 40);
    auto tile = shownThumb(kept, 46);
    ASSERT_TRUE(waitUntil([&] { return held.holding() == 1; }));
    tile.reset();
    held.letThrough(kept);
    ASSERT_TRUE(waitUntil([&] { return header->hasImage(); }));
    EXPECT_FALSE(held.stopped(kept));
    EXPECT_EQ(held.decodes(kept), 1);

    auto first = shownThumb(dropped, 40);
    auto second = shownThumb(dropped, 46);
    ASSERT_TRUE(waitUntil([&] { return held.holding() == 1; }));
    first.reset();
    second.reset();
    ASSERT_TRUE(waitUntil([&] { return held.stopped(dropped) && settled(); }));
    EXPECT_EQ(held.decodes(dropped), 1);
}

TEST(ThumbnailLoader, ADecodeLetGoOfBeforeItsTurnNeverBegins)
{
    QTemporaryDir dir;
    const int threads = ThumbnailLoader::shared().decodeThreads();
    QStringList paths;
    for (int i = 0; i <= threads; ++i)
        paths.append(writeJpeg(dir.path(), QStringLiteral("%1.jpg").arg(i), plain(60, 40, topLeftColour)));
    HeldThumbnails held(paths);
    std::vector<std::unique_ptr<FileThumb>> thumbs;
    for (const QString& path : paths)
        thumbs.push_back(shownThumb(path));
    // Every thread holds a file; the last file waits for its turn.
    ASSERT_TRUE(waitUntil([&] { return held.holding() == threads; }));
    ASSERT_EQ(held.decodes(paths.last()), 0);

    thumbs.pop_back();
    for (const QString& path : paths)
        held.letThrough(path);
    ASSERT_TRUE(waitUntil([&] { return settled() && thumbs.back()->hasImage(); }));
    EXPECT_EQ(held.decodes(paths.last()), 0);
}

} // namespace
