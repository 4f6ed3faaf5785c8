// The readout of changing numbers: texts with as many digits take the same room in the interface
// font, whose own digits are of unequal width, and the drawing agrees with that room.
#include <utility>

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

// A TrueType font of boxes for printable ASCII, 1000 units to the em: every glyph 500 units wide
// but `wideDigit`, which is 700.
QByteArray boxFont(const QString& family, char wideDigit)
{
    const auto be = [](QByteArray& out, quint32 value, int bytes) {
        for (int shift = (bytes - 1) * 8; shift >= 0; shift -= 8)
            out.append(char((value >> shift) & 0xFF));
    };
    const auto u16 = [&](QByteArray& out, int value) { be(out, quint32(value) & 0xFFFF, 2); };
    const auto u32 = [&](QByteArray& out, quint32 value) { be(out, value, 4); };
    const int glyphs = 1 + 0x7E - 0x20 + 1; // .notdef, then one per code from the space on
    const auto width = [&](int glyph) { return glyph == wideDigit - 0x1F ? 700 : 500; };

    QByteArray cmap, glyf, loca, hmtx, name, head, hhea, maxp, os2, post;
    u16(cmap, 0), u16(cmap, 1), u16(cmap, 3), u16(cmap, 1), u32(cmap, 12);
    for (int v : {4, 32, 0, 4, 4, 1, 0, 0x7E, 0xFFFF, 0, 0x20, 0xFFFF, 1 - 0x20, 1, 0, 0})
        u16(cmap, v);
    for (int g = 0; g < glyphs; ++g) {
        const int w = width(g) - 100;
        u32(loca, quint32(glyf.size()));
        for (int v : {1, 50, 0, 50 + w, 700, 3, 0})
            u16(glyf, v);
        glyf.append(QByteArray(4, char(1))); // four points on the curve, coordinates as 16-bit deltas
        for (int v : {50, w, 0, -w, 0, 0, 700, 0})
            u16(glyf, v);
        glyf.append(QByteArray(2, char(0)));
        u16(hmtx, width(g)), u16(hmtx, 50);
    }
    u32(loca, quint32(glyf.size()));
    const QStringList names{family, QStringLiteral("Regular"), family, QString(family).remove(QLatin1Char(' '))};
    u16(name, 0), u16(name, int(names.size())), u16(name, 6 + 12 * int(names.size()));
    QByteArray strings;
    for (int i = 0; i < names.size(); ++i) {
        const int id = i < 2 ? i + 1 : i * 2;
        for (int v : {3, 1, 0x409, id, int(names[i].size() * 2), int(strings.size())})
            u16(name, v);
        for (QChar c : names[i])
            u16(strings, c.unicode());
    }
    name += strings;
    u32(head, 0x10000), u32(head, 0x10000), u32(head, 0), u32(head, 0x5F0F3CF5);
    for (int v : {3, 1000, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 700, 700, 0, 8, 2, 1, 0})
        u16(head, v);
    u32(hhea, 0x10000);
    for (int v : {800, -200, 0, 700, 0, 0, 700, 1, 0, 0, 0, 0, 0, 0, 0, glyphs})
        u16(hhea, v);
    u32(maxp, 0x10000);
    for (int v : {glyphs, 4, 1, 0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0})
        u16(maxp, v);
    for (int v : {4, 500, 400, 5, 0, 650, 600, 0, 75, 650, 600, 0, 350, 50, 250, 0})
        u16(os2, v);
    os2.append(QByteArray(10, char(0)));                     // PANOSE
    u32(os2, 1), u32(os2, 0), u32(os2, 0), u32(os2, 0);      // Basic Latin
    os2.append("NONE");
    for (int v : {0x40, 0x20, 0x7E, 800, -200, 0, 800, 200})
        u16(os2, v);
    u32(os2, 1), u32(os2, 0);                                // Latin 1
    for (int v : {500, 700, 0, 0x20, 0})
        u16(os2, v);
    u32(post, 0x30000), u32(post, 0), u16(post, -100), u16(post, 50);
    post.append(QByteArray(20, char(0)));

    const QList<std::pair<const char*, QByteArray*>> tables{{"OS/2", &os2}, {"cmap", &cmap}, {"glyf", &glyf}, {"head", &head}, {"hhea", &hhea},
                                                            {"hmtx", &hmtx}, {"loca", &loca}, {"maxp", &maxp}, {"name", &name}, {"post", &post}};
    QByteArray font;
    u32(font, 0x10000), u16(font, int(tables.size())), u16(font, 128), u16(font, 3), u16(font, int(tables.size()) * 16 - 128);
    qsizetype offset = 12 + 16 * tables.size();
    QByteArray data;
    for (const auto& [tag, table] : tables) {
        font.append(tag, 4);
        u32(font, 0), u32(font, quint32(offset + data.size())), u32(font, quint32(table->size()));
        data += *table + QByteArray((4 - table->size() % 4) % 4, char(0));
    }
    return font + data;
}

// The cell is as wide as the font's widest digit, whichever digit that is: in a font whose widest
// digit is each digit in turn, every digit takes exactly that digit's room.
TEST(Readout, TheDigitCellHoldsWhicheverDigitIsTheWidest)
{
    for (char wide = '0'; wide <= '9'; ++wide) {
        const QString family = QStringLiteral("Kelvaro Digits ") + QLatin1Char('A' + (wide - '0'));
        const int id = QFontDatabase::addApplicationFontFromData(boxFont(family, wide));
        ASSERT_GE(id, 0) << "the generated font was refused";
        QFont font(family);
        font.setPixelSize(20);
        const QFontMetricsF metrics(font);
        const qreal cell = metrics.horizontalAdvance(QLatin1Char(wide));
        ASSERT_GT(cell, metrics.horizontalAdvance(QLatin1Char(wide == '0' ? '1' : '0'))) << "the generated font is not the one drawn";
        for (char d = '0'; d <= '9'; ++d)
            EXPECT_DOUBLE_EQ(Readout::advance(QString(QLatin1Char(d)), font), cell) << d << " in the font whose widest digit is " << wide;
        Readout readout;
        readout.setTextFont(font);
        readout.setText(QStringLiteral("10"));
        EXPECT_GE(readout.sizeHint().width(), 2 * cell) << wide;
        QFontDatabase::removeApplicationFont(id);
    }
}

} // namespace
