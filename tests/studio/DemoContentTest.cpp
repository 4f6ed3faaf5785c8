// The demo files on disk and the demo records built from them.
#include <QFileInfo>
#include <QImageReader>

#include <gtest/gtest.h>

#include "../support/TestSupport.h"
#include "platform/Settings.h"
#include "store/ShelfStorage.h"
#include "studio/DemoContent.h"

namespace kelvaro {
namespace {

TEST(DemoContent, WritesItsPhotosOnceAndRedrawsAMissingOneTheSame)
{
    Settings::shared().setValue(QStringLiteral("kelvaro.language"), QStringLiteral("cs"));
    const QStringList photos = DemoContent::ensurePhotos();
    ASSERT_EQ(photos.size(), 8);
    QList<QDateTime> written;
    for (int i = 0; i < photos.size(); ++i) {
        EXPECT_EQ(QFileInfo(photos[i]).fileName(), DemoContent::photoNames()[i]);
        EXPECT_EQ(QImageReader(photos[i], "jpeg").size(), QSize(1800, 1200));
        written << QFileInfo(photos[i]).lastModified();
    }
    const QImage first(photos[3]);
    ASSERT_TRUE(QFile::remove(photos[3]));
    ASSERT_EQ(DemoContent::ensurePhotos(), photos);
    for (int i = 0; i < photos.size(); ++i)
        EXPECT_TRUE(i == 3 || QFileInfo(photos[i]).lastModified() == written[i]) << "rewrote " << photos[i].toStdString();
    // Same palette and seed: the same picture, up to the codec.
    const QImage again(photos[3]);
    for (const QPoint at : {QPoint(100, 100), QPoint(900, 600), QPoint(1700, 1150)})
        EXPECT_LE(std::abs(qGray(first.pixel(at)) - qGray(again.pixel(at))), 3);

    const auto pair = DemoContent::comparePair();
    ASSERT_TRUE(pair);
    EXPECT_EQ(QFileInfo(pair->before).fileName(), QStringLiteral("Vik_221.png"));
    EXPECT_EQ(QFileInfo(pair->after).fileName(), QStringLiteral("Vik_221 komprese.jpg"));
    EXPECT_LT(QFileInfo(pair->after).size(), QFileInfo(pair->before).size());
    // In English the comparison's result gets its own name; the original is shared.
    Settings::shared().setValue(QStringLiteral("kelvaro.language"), QStringLiteral("en"));
    EXPECT_EQ(QFileInfo(DemoContent::comparePair()->after).fileName(), QStringLiteral("Vik_221 compressed.jpg"));
}

TEST(DemoContent, RecordsCycleThroughFewPhotosAndFollowTheLanguage)
{
    Settings::shared().setValue(QStringLiteral("kelvaro.language"), QStringLiteral("en"));
    const QStringList photos = DemoContent::ensurePhotos().mid(0, 3);

    const QList<ActivityItem> history = DemoContent::activities(photos);
    ASSERT_EQ(history.size(), 14);
    EXPECT_EQ(history[13].outputPath, photos[13 % 3]);
    EXPECT_TRUE(DemoContent::activities({}).isEmpty());

    const QList<Shelf> shelves = DemoContent::shelves(photos);
    ASSERT_EQ(shelves.size(), 4);
    EXPECT_EQ(shelves[0].name, QStringLiteral("Travel 2026"));
    EXPECT_EQ(shelves[0].items.size(), 3);
    EXPECT_TRUE(shelves[3].items.isEmpty());
    // The items' tokens find the demo photos themselves.
    EXPECT_EQ(ShelfStorage::url(*shelves[1].items[0].storedPath), photos[1]);

    const QList<WatchRule> rules = DemoContent::watchRules();
    ASSERT_EQ(rules.size(), 4);
    EXPECT_EQ(rules[0].folderPath, QStringLiteral("~/Desktop/Screenshots"));
    EXPECT_EQ(rules[3].folderName, QStringLiteral("For clients"));
}

} // namespace
} // namespace kelvaro
