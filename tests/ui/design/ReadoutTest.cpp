// The readout of changing numbers: texts with as many digits take the same room in the interface
// font, whose own digits are of unequal width, and the drawing agrees with that room.
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

#include "../main/UiTestSupport.h"
#include "ui/design/Readout.h"
#include "ui/design/Theme.h"

using namespace kelvaro;

namespace {

// The leftmost and rightmost columns with ink of a rendered readout (-1 when blank).
std::pair<int, int> inkColumns(Readout& readout)
{
    QImage image(readout.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    readout.render(&image, {}, {}, QWidget::DrawChildren);
    int first = -1, last = -1;
    for (int x = 0; x < image.width(); ++x)
        for (int y = 0; y < image.height(); ++y)
            if (qAlpha(image.pixel(x, y)) > 60) {
                if (first < 0)
                    first = x;
                last = x;
                break;
            }
    return {first, last};
}

class ReadoutTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Theme::installInterfaceFont();
        // Without digits of unequal width in the font nothing here could fail.
        const QFontMetricsF plain(Theme::font(TextStyle::body));
        if (plain.horizontalAdvance(QStringLiteral("111 %")) == plain.horizontalAdvance(QStringLiteral("100 %")))
            GTEST_SKIP() << "the interface font's digits are all of one width";
    }
};

struct SameLength {
    const char* name;
    const char* a;
    const char* b;
    TextStyle style;
};

class ReadoutWidths : public ReadoutTest, public ::testing::WithParamInterface<SameLength> {};

TEST_P(ReadoutWidths, AsManyDigitsTakeTheSameRoom)
{
    const SameLength& c = GetParam();
    Readout a(c.style), b(c.style);
    a.setText(QString::fromUtf8(c.a));
    b.setText(QString::fromUtf8(c.b));
    EXPECT_EQ(a.sizeHint().width(), b.sizeHint().width()) << c.a << " against " << c.b;
    EXPECT_DOUBLE_EQ(Readout::advance(a.text(), a.textFont()), Readout::advance(b.text(), b.textFont()));
}

INSTANTIATE_TEST_SUITE_P(Texts, ReadoutWidths, ::testing::Values(
    SameLength{"percent", "111 %", "100 %", TextStyle::body},
    SameLength{"percentCallout", "85 %", "20 %", TextStyle::callout},
    SameLength{"signed", "+11", "+80", TextStyle::callout},
    SameLength{"negative", "-17", "-80", TextStyle::body},
    SameLength{"counter", "1 z 11", "8 z 40", TextStyle::caption}),
    test::RowName());

// "-17" and "-100" differ by one digit cell exactly.
TEST_F(ReadoutTest, EachDigitMoreAddsOneCell)
{
    const QFont font = Theme::font(TextStyle::body);
    const QFontMetricsF metrics(font);
    qreal widest = 0;
    for (char d = '0'; d <= '9'; ++d)
        widest = std::max(widest, metrics.horizontalAdvance(QLatin1Char(d)));
    EXPECT_NEAR(Readout::advance(QStringLiteral("-100"), font) - Readout::advance(QStringLiteral("-17"), font), widest, 0.01);
}

// Right-aligned in the same frame, "111 %" starts where "100 %" does: the number does not jump
// while a slider moves, and what is drawn stays inside the frame.
TEST_F(ReadoutTest, ARightAlignedNumberKeepsItsPlaceAsItChanges)
{
    Readout wide(TextStyle::body), narrow(TextStyle::body);
    wide.setText(QStringLiteral("100 %"));
    narrow.setText(QStringLiteral("111 %"));
    for (Readout* r : {&wide, &narrow}) {
        r->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        r->resize(52, r->sizeHint().height());
    }
    const auto [wideLeft, wideRight] = inkColumns(wide);
    const auto [narrowLeft, narrowRight] = inkColumns(narrow);
    ASSERT_GE(wideLeft, 0);
    ASSERT_GE(narrowLeft, 0);
    EXPECT_EQ(wideLeft, narrowLeft) << "both begin with a 1 in the same cell";
    EXPECT_EQ(wideRight, narrowRight);
    EXPECT_LT(wideRight, 52);
}

// The cell is as wide as the font's widest digit, whichever digit that is: in a font whose widest
// digit is not the 0, every digit, that one too, takes exactly one such cell.
TEST(Readout, TheDigitCellHoldsWhicheverDigitIsTheWidest)
{
    int checked = 0;
    for (const QString& family : QFontDatabase::families()) {
        QFont font(family);
        font.setPixelSize(13);
        const QFontMetricsF metrics(font);
        QChar widest = QLatin1Char('0');
        for (char d = '1'; d <= '9'; ++d)
            if (metrics.horizontalAdvance(QLatin1Char(d)) > metrics.horizontalAdvance(widest))
                widest = QLatin1Char(d);
        if (widest == QLatin1Char('0'))
            continue;
        ++checked;
        const qreal cell = metrics.horizontalAdvance(widest);
        for (char d = '0'; d <= '9'; ++d)
            EXPECT_DOUBLE_EQ(Readout::advance(QString(QLatin1Char(d)), font), cell) << family.toStdString() << ": " << d;
        EXPECT_DOUBLE_EQ(Readout::advance(QString(widest) + widest + QLatin1Char('0'), font), 3 * cell) << family.toStdString();
        Readout readout;
        readout.setTextFont(font);
        readout.setText(QString(widest));
        EXPECT_GE(readout.sizeHint().width(), cell) << family.toStdString();
    }
    if (checked == 0)
        GTEST_SKIP() << "no font here has a digit wider than its 0";
}

} // namespace
