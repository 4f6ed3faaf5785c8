// The quiet counter: its digits stand in cells of one width, and a new value rolls in and comes
// to rest looking as a counter made with that value does.
#include <QApplication>
#include <QImage>

#include <gtest/gtest.h>

#include "../main/UiTestSupport.h"
#include "ui/design/QuietStat.h"
#include "ui/design/Theme.h"

using namespace kelvaro;

namespace {

QImage picture(QWidget& widget)
{
    QImage image(widget.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    widget.render(&image, {}, {}, QWidget::DrawChildren);
    return image;
}

struct SameRoom {
    const char* name;
    const char* a;
    const char* b;
};

class QuietStatWidths : public ::testing::TestWithParam<SameRoom> {
protected:
    void SetUp() override
    {
        Theme::installInterfaceFont();
        const QFontMetricsF plain(Theme::font(17, QFont::DemiBold));
        if (plain.horizontalAdvance(QStringLiteral("111")) == plain.horizontalAdvance(QStringLiteral("100")))
            GTEST_SKIP() << "the interface font's digits are all of one width";
    }
};

TEST_P(QuietStatWidths, ValuesOfAsManyDigitsTakeTheSameRoom)
{
    const SameRoom& c = GetParam();
    const QString label = QStringLiteral("souborů zpracováno");
    QuietStat a(QString::fromUtf8(c.a), label), b(QString::fromUtf8(c.b), label);
    EXPECT_EQ(a.sizeHint().width(), b.sizeHint().width()) << c.a << " against " << c.b;
}

INSTANTIATE_TEST_SUITE_P(Values, QuietStatWidths, ::testing::Values(
    SameRoom{"count", "111", "100"},
    SameRoom{"week", "17", "40"},
    SameRoom{"bytes", "1,1 MB", "9,8 MB"}),
    test::RowName());

// A shown counter given a new value rolls it in; at rest it is drawn as a new counter of that
// value is, so the animation leaves nothing behind.
TEST(QuietStat, ANewValueRollsInAndRestsAsIfItHadAlwaysStood)
{
    Theme::installInterfaceFont();
    const QString label = QStringLiteral("akcí tento týden");
    QuietStat counter(QStringLiteral("19"), label);
    QuietStat settled(QStringLiteral("20"), label);
    for (QuietStat* s : {&counter, &settled}) {
        s->resize(s->sizeHint().expandedTo(QSize(240, 0)));
        s->show();
    }
    counter.setValue(QStringLiteral("20"));
    EXPECT_EQ(counter.value(), QStringLiteral("20"));
    ASSERT_TRUE(counter.isRolling());
    EXPECT_NE(picture(counter), picture(settled)) << "the digits are still on their way";
    ASSERT_TRUE(test::waitUntil([&] { return !counter.isRolling(); }));
    EXPECT_EQ(picture(counter), picture(settled));
    // A hidden counter has nothing to show rolling.
    counter.hide();
    counter.setValue(QStringLiteral("21"));
    EXPECT_FALSE(counter.isRolling());
}

// A value with fewer digits gives the label its new place at once; the digits rolling out stay
// in the value's cells and never draw over the label.
TEST(QuietStat, DigitsRollingOutLeaveTheLabelClear)
{
    Theme::installInterfaceFont();
    const QString label = QStringLiteral("akcí celkem");
    QuietStat counter(QStringLiteral("128"), label);
    QuietStat settled(QStringLiteral("0"), label);
    for (QuietStat* s : {&counter, &settled}) {
        s->resize(240, s->sizeHint().height());
        s->show();
    }
    counter.setValue(QStringLiteral("0"));
    ASSERT_TRUE(counter.isRolling());
    const QImage rolling = picture(counter);
    const QImage atRest = picture(settled);
    // The label stands after the value and a gap of 6; the 3 just before it belong to neither.
    const int labelFrom = settled.sizeHint().width() - QFontMetrics(Theme::font(TextStyle::callout)).horizontalAdvance(label) - 4;
    EXPECT_EQ(rolling.copy(labelFrom, 0, rolling.width() - labelFrom, rolling.height()),
              atRest.copy(labelFrom, 0, atRest.width() - labelFrom, atRest.height()));
    ASSERT_TRUE(test::waitUntil([&] { return !counter.isRolling(); }));
}

} // namespace
