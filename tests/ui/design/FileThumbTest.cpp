#include <memory>
#include <vector>

#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "../../support/TestImages.h"
#include "../../support/TestSupport.h"
#include "ui/design/FileThumb.h"

using namespace kelvaro;
using namespace kelvaro::testimages;

namespace {

using kelvaro::test::waitUntil;

TEST(FileThumb, AnOrientationSixJpegComesUpright)
{
    QTemporaryDir dir;
    // Stored 80×40 with red on the left and blue on the right; orientation 6 turns it a quarter
    // clockwise, so upright it is 40×80 with red on top.
    Bitmap stored = quadrants(80, 40);
    Metadata meta;
    meta.orientation = 6;
    const QString path = writeJpeg(dir.path(), QStringLiteral("turned.jpg"), stored, meta);
    const QImage image = FileThumb::thumbnail(path, 300);
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.width(), 40);
    EXPECT_EQ(image.height(), 80);
    const Bitmap back = fromQImage(image);
    // Stored bottom-left (blue) ends up top-left once turned clockwise.
    EXPECT_TRUE(near(colourAt(back, 0.2, 0.1), bottomLeftColour));
    EXPECT_TRUE(near(colourAt(back, 0.8, 0.1), topLeftColour));
}

TEST(FileThumb, AnUnreadableFileKeepsThePlaceholder)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("broken.jpg"));
    test::writeFile(path, "this is not a picture");
    FileThumb thumb(path, 30);
    bool finished = false;
    QObject::connect(&thumb, &FileThumb::finished, [&] { finished = true; });
    thumb.show();
    ASSERT_TRUE(waitUntil([&] { return finished; }));
    EXPECT_FALSE(thumb.hasImage());
    thumb.grab(); // paints the placeholder without trouble

    FileThumb missing(dir.filePath(QStringLiteral("gone.heic")), 30);
    missing.show();
    ASSERT_TRUE(waitUntil([&] { return !missing.isLoading(); }));
    EXPECT_FALSE(missing.hasImage());
}

TEST(FileThumb, AReplacedPathDropsTheOlderResultAndDecodesAtMostThreeTimesTheSide)
{
    QTemporaryDir dir;
    const QString first = writeJpeg(dir.path(), QStringLiteral("a.jpg"), plain(200, 100, QColor(220, 30, 30)));
    const QString second = writeJpeg(dir.path(), QStringLiteral("b.jpg"), plain(100, 200, QColor(30, 40, 220)));
    FileThumb thumb(first, 40);
    thumb.show();
    thumb.setPath(second);
    ASSERT_TRUE(waitUntil([&] { return !thumb.isLoading() && FileThumb::pendingCount() == 0; }));
    ASSERT_TRUE(thumb.hasImage());
    EXPECT_EQ(thumb.image().size(), QSize(60, 120)); // the second, tall picture, at most three times the side
}

// The wheel shows its files' thumbnails as soon as it opens, decoded side by side: PDFs, one of
// them under a photo's name, come out in either order, drawn at the thumbnail's size.
TEST(FileThumb, PdfsUnderAnyNameComeOutDrawnAtTheShownSize)
{
    QTemporaryDir dir;
    const QString a = writePdf(dir.path(), QStringLiteral("a.pdf"), QSizeF(200, 100));
    const QString disguised = dir.filePath(QStringLiteral("x.jpg"));
    const QString b = dir.filePath(QStringLiteral("b.pdf"));
    ASSERT_TRUE(QFile::copy(a, disguised) && QFile::copy(a, b));
    for (const QStringList& paths : {QStringList{a, disguised, b}, QStringList{b, disguised, a}}) {
        std::vector<std::unique_ptr<FileThumb>> thumbs;
        for (const QString& path : paths) {
            thumbs.push_back(std::make_unique<FileThumb>(path, 40));
            thumbs.back()->show();
        }
        ASSERT_TRUE(waitUntil([&] { return FileThumb::pendingCount() == 0; }));
        for (const auto& thumb : thumbs) {
            SCOPED_TRACE(thumb->path().toStdString());
            ASSERT_TRUE(thumb->hasImage());
            EXPECT_EQ(thumb->image().size(), QSize(120, 60));
        }
    }
    // A poster page of 16000 × 16000 pixels is never drawn whole for a thumbnail.
    const QString poster = writePdf(dir.path(), QStringLiteral("poster.pdf"), QSizeF(8000, 8000));
    const test::MemoryLimit limit(256 * 1024 * 1024);
    EXPECT_EQ(FileThumb::thumbnail(poster, 300).size(), QSize(300, 300));
}

} // namespace
