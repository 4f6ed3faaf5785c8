// The compare sheet: size change, the split, decoding off the GUI thread, unreadable files and the
// tags that stay Czech.

#include <QImage>
#include <QMap>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "ui/design/Formatters.h"
#include "ui/wheel/CompareSheet.h"
#include "ui/wheel/WheelStyle.h"
#include "WheelTestSupport.h"

using namespace kelvaro;
using namespace kelvaro::wheel;

namespace {

class CompareSheetTest : public wheeltest::CzechTest {};

TEST(SizeChange, PercentAndText)
{
    Settings::shared().setValue(QStringLiteral("kelvaro.language"), QStringLiteral("cs"));
    const struct {
        qint64 before, after, percent;
        const char* text;
    } rows[] = {{1000, 500, -50, "-50 %"}, {1000, 1004, 0, "0 %"}, {1000, 1005, 1, "+1 %"},   {1000, 995, -1, "-1 %"},
                {8, 9, 13, "+13 %"},       {700, 700, 0, "0 %"},   {0, 500, 0, "0 %"},        {200, 1, -100, "-100 %"},
                {1000, 1015, 2, "+2 %"},   {1000, 985, -2, "-2 %"}};
    for (const auto& row : rows) {
        EXPECT_EQ(changePercent(row.before, row.after), row.percent) << row.before << " to " << row.after;
        EXPECT_EQ(changeText(row.percent), QString::fromUtf8(row.text));
    }
}

QString fileOfSize(const QTemporaryDir& dir, const QString& name, qint64 bytes)
{
    kelvaro::test::writeFile(dir.filePath(name), QByteArray(bytes, 'x'));
    return dir.filePath(name);
}

TEST_F(CompareSheetTest, FooterShowsTheChangeInTealOnlyWithAnOriginalSize)
{
    QTemporaryDir dir;
    CompareSheet sheet(ComparePair{fileOfSize(dir, "a.jpg", 1000), fileOfSize(dir, "b.jpg", 500)});
    EXPECT_EQ(sheet.changeLabelText(), QStringLiteral("-50 %"));
    EXPECT_EQ(sheet.changeColor(), WheelPalette::light().teal);
    EXPECT_EQ(sheet.footerText(), QStringLiteral("Původně %1 Nyní %2 -50 %")
                                      .arg(Formatters::byteCount(1000), Formatters::byteCount(500)));
    CompareSheet noOriginal(ComparePair{dir.filePath("gone.jpg"), fileOfSize(dir, "c.jpg", 5000)});
    EXPECT_EQ(noOriginal.footerText(), QStringLiteral("Nyní %1").arg(Formatters::byteCount(5000)));
    sheet.waitForImages(30000);
    noOriginal.waitForImages(30000);
}

// The tags over the two pictures read "Před" and "Po" in every interface language: the picture
// area in English is the Czech one, pixel for pixel, while the sheet's own texts follow the language.
TEST_F(CompareSheetTest, TheTagsReadInCzechInEveryLanguage)
{
    QImage picture(64, 48, QImage::Format_RGB32);
    picture.fill(Qt::darkGreen);
    QMap<QString, QImage> shown;
    for (const char* language : {"cs", "en"}) {
        Settings::shared().setValue(QStringLiteral("kelvaro.language"), QString::fromLatin1(language));
        CompareSheet sheet(std::nullopt);
        CompareView* view = sheet.view();
        view->resize(680, 400);
        view->setImage(true, CompareView::State::ready, picture);
        view->setImage(false, CompareView::State::ready, picture);
        shown.insert(QString::fromLatin1(language), view->grab().toImage());
        if (QString::fromLatin1(language) == QLatin1String("en")) {
            EXPECT_EQ(sheet.windowTitle(), QStringLiteral("Comparison"));
        }
    }
    Settings::shared().setValue(QStringLiteral("kelvaro.language"), QStringLiteral("cs"));
    ASSERT_FALSE(shown.value("cs").isNull());
    EXPECT_EQ(shown.value("en"), shown.value("cs")) << "the tags changed with the language";
}

// "Před" marks the original, left of the split, and "Po" the result on the right: each tag is as
// wide as its own word.
TEST_F(CompareSheetTest, TheTagsStandOnTheirSides)
{
    QImage picture(680, 400, QImage::Format_RGB32);
    picture.fill(Qt::darkGreen);
    CompareSheet sheet(std::nullopt);
    CompareView* view = sheet.view();
    view->resize(680, 400);
    view->setImage(true, CompareView::State::ready, picture);
    view->setImage(false, CompareView::State::ready, picture);
    const QImage shown = view->grab().toImage().convertToFormat(QImage::Format_RGB32);
    // The columns of the top band, away from the handle, that a white capsule crosses (over the
    // light grey around the picture).
    const auto tagWidth = [&](int from, int to) {
        int columns = 0;
        for (int x = from; x < to; ++x) {
            bool light = false;
            for (int y = 0; y < 60 && !light; ++y) {
                const QColor c = shown.pixelColor(x, y);
                light = std::min({c.red(), c.green(), c.blue()}) > 240;
            }
            columns += light;
        }
        return columns;
    };
    const QFontMetricsF m(wheelFont(TextSize::caption, QFont::Bold));
    const auto expected = [&](const char* word) { return m.horizontalAdvance(QString::fromUtf8(word)) + 16; };
    EXPECT_NEAR(tagWidth(0, 300), expected("Před"), 3) << "the tag over the original";
    EXPECT_NEAR(tagWidth(380, 680), expected("Po"), 3) << "the tag over the result";
}

TEST_F(CompareSheetTest, DecodesBothAndMarksAnUnreadableOrMissingFile)
{
    QTemporaryDir dir;
    QImage image(64, 48, QImage::Format_RGB32);
    image.fill(Qt::red);
    const QString good = dir.filePath("after.png");
    ASSERT_TRUE(image.save(good));
    const QString broken = fileOfSize(dir, "before.jpg", 300); // not a JPEG at all
    CompareSheet sheet(ComparePair{broken, good});
    EXPECT_EQ(sheet.view()->state(true), CompareView::State::loading);
    ASSERT_TRUE(sheet.waitForImages(30000));
    EXPECT_EQ(sheet.view()->state(true), CompareView::State::failed);
    EXPECT_EQ(sheet.view()->state(false), CompareView::State::ready);
    CompareSheet none(std::nullopt);
    EXPECT_EQ(none.view()->state(true), CompareView::State::failed);
    EXPECT_TRUE(none.waitForImages(0));
}

TEST_F(CompareSheetTest, SplitFollowsThePointerWithinTheImage)
{
    CompareView view;
    view.resize(680, 400);
    EXPECT_DOUBLE_EQ(view.split(), 0.5);
    const auto press = [&](double x) { uitest::mouse(&view, QEvent::MouseButtonPress, QPointF(x, 100)); };
    const auto drag = [&](double x) { uitest::mouse(&view, QEvent::MouseMove, QPointF(x, 100)); };
    press(170); // a click without movement already moves the line
    EXPECT_DOUBLE_EQ(view.split(), 0.25);
    drag(-50);
    EXPECT_DOUBLE_EQ(view.split(), 0.0);
    drag(900);
    EXPECT_DOUBLE_EQ(view.split(), 1.0);
    drag(510);
    EXPECT_DOUBLE_EQ(view.split(), 0.75);
}

} // namespace
