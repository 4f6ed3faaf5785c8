#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

#include "model/GuideContent.h"
#include "model/Models.h"
#include "ui/design/ModeSwitcher.h"
#include "ui/design/Symbols.h"

using namespace kelvaro;

namespace {

// Share of pixels a glyph covers, and the average colour of the covered ones.
struct Coverage {
    double share = 0;
    QColor average;
};

Coverage coverage(const QPixmap& pixmap)
{
    const QImage image = pixmap.toImage().convertToFormat(QImage::Format_ARGB32);
    qint64 covered = 0, r = 0, g = 0, b = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = QColor::fromRgba(image.pixel(x, y));
            if (c.alpha() > 200) {
                ++covered;
                r += c.red();
                g += c.green();
                b += c.blue();
            }
        }
    Coverage result;
    result.share = double(covered) / (image.width() * image.height());
    if (covered > 0)
        result.average = QColor(int(r / covered), int(g / covered), int(b / covered));
    return result;
}

QStringList symbolsTheRecordsUse()
{
    QStringList names;
    for (WheelMode mode : allWheelModes()) {
        names << ModeSwitcher::symbol(mode);
        for (const WheelAction& action : actions(mode))
            names << action.symbol;
    }
    for (SidebarItem item : allSidebarItems())
        names << symbol(item);
    for (const ActivityItem& item : SampleData::activities())
        names << item.symbol;
    for (const Shelf& shelf : SampleData::shelves())
        names << shelf.symbol;
    for (const GuideTopic& topic : GuideContent::steps() + GuideContent::appParts() + GuideContent::resultsAndPrivacy())
        names << topic.symbol;
    names << QStringLiteral("photo.badge.plus") << QStringLiteral("folder.badge.gearshape") << QStringLiteral("gearshape")
          << QStringLiteral("lock.shield") << QStringLiteral("camera.viewfinder");
    names.removeDuplicates();
    return names;
}

TEST(Symbols, EverySymbolTheRecordsAndWindowsUseHasAGlyph)
{
    for (const QString& name : symbolsTheRecordsUse())
        EXPECT_TRUE(Symbols::contains(name)) << qPrintable(name);
}

TEST(Symbols, EveryGlyphDrawsSomethingInTheAskedColour)
{
    const QColor teal(26, 163, 158);
    for (const QString& name : Symbols::names()) {
        const Coverage c = coverage(Symbols::pixmap(name, teal, 48));
        EXPECT_GT(c.share, 0.02) << qPrintable(name);
        EXPECT_LT(c.share, 0.9) << qPrintable(name);
        EXPECT_LE(std::abs(c.average.red() - teal.red()) + std::abs(c.average.green() - teal.green())
                      + std::abs(c.average.blue() - teal.blue()), 18) << qPrintable(name);
    }
}

TEST(Symbols, UnknownNamesCutOutDetailsAndThePixelRatio)
{
    EXPECT_FALSE(Symbols::contains(QStringLiteral("no.such.symbol")));
    EXPECT_GT(coverage(Symbols::pixmap(QStringLiteral("no.such.symbol"), Qt::black, 32)).share, 0.02); // still a shape
    // The check mark is punched out of the filled disc: less covered than the plain disc.
    const double disc = coverage(Symbols::pixmap(QStringLiteral("circle.fill"), Qt::black, 48)).share;
    EXPECT_LT(coverage(Symbols::pixmap(QStringLiteral("checkmark.circle.fill"), Qt::black, 48)).share, disc - 0.05);
    const QPixmap pm = Symbols::pixmap(QStringLiteral("house"), Qt::black, 20, 2.0);
    EXPECT_EQ(pm.width(), 40);
    EXPECT_DOUBLE_EQ(pm.devicePixelRatio(), 2.0);
}

} // namespace
