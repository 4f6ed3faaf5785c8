#include <limits>

#include <QWidget>

#include <gtest/gtest.h>

#include "ui/design/DesignSystem.h"
#include "ui/design/Theme.h"

using namespace kelvaro;

namespace {

struct Rgb {
    double r, g, b;
};

void expectRgb(const QColor& colour, Rgb expected, const char* what)
{
    EXPECT_NEAR(colour.redF(), expected.r, 0.002) << what;
    EXPECT_NEAR(colour.greenF(), expected.g, 0.002) << what;
    EXPECT_NEAR(colour.blueF(), expected.b, 0.002) << what;
}

struct DynamicCase {
    const char* name;
    const DynamicColor& (*token)();
    Rgb light;
    Rgb dark;
    double lightAlpha;
    double darkAlpha;
};

class DynamicTokens : public ::testing::TestWithParam<DynamicCase> {};

TEST_P(DynamicTokens, ResolveToTheirLightAndDarkValues)
{
    const DynamicCase& c = GetParam();
    const DynamicColor& token = c.token();
    expectRgb(token.resolve(false), c.light, c.name);
    expectRgb(token.resolve(true), c.dark, c.name);
    EXPECT_NEAR(token.resolve(false).alphaF(), c.lightAlpha, 0.01) << c.name;
    EXPECT_NEAR(token.resolve(true).alphaF(), c.darkAlpha, 0.01) << c.name;
}

INSTANTIATE_TEST_SUITE_P(Theme, DynamicTokens,
                         ::testing::Values(DynamicCase{"emberText", &Theme::emberText, {0.78, 0.27, 0.07}, {1.0, 0.55, 0.38}, 1, 1},
                                           DynamicCase{"tealText", &Theme::tealText, {0.03, 0.43, 0.42}, {0.34, 0.82, 0.78}, 1, 1},
                                           DynamicCase{"hairline", &Theme::hairline, {0, 0, 0}, {1, 1, 1}, 0.08, 0.08},
                                           DynamicCase{"wedgeFill", &Theme::wedgeFill, {0, 0, 0}, {1, 1, 1}, 0.07, 0.07}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Theme, FixedColoursHaveTheirValuesInBothAppearances)
{
    expectRgb(Theme::ember(), {1.0, 0.42, 0.22}, "ember");
    expectRgb(Theme::rose(), {0.94, 0.26, 0.47}, "rose");
    expectRgb(Theme::violet(), {0.5, 0.38, 0.98}, "violet");
    expectRgb(Theme::teal(), {0.1, 0.64, 0.62}, "teal");
    expectRgb(Theme::gold(), {0.9, 0.6, 0.1}, "gold");
    expectRgb(Theme::buttonOrange(), {0.93, 0.36, 0.16}, "button orange");
    for (const QColor& c : {Theme::ember(), Theme::rose(), Theme::violet(), Theme::teal(), Theme::gold()})
        EXPECT_EQ(c.alpha(), 255);
}

TEST(Theme, SurfacesDifferBetweenAppearances)
{
    EXPECT_GT(Theme::canvas().light.lightness(), 200);
    EXPECT_LT(Theme::canvas().dark.lightness(), 80);
    EXPECT_GT(Theme::cardFill().light.lightness(), Theme::canvas().light.lightness());
    EXPECT_NE(Theme::cardFill().dark, Theme::canvas().dark);
}

TEST(Theme, PaletteHoldsFiveColoursInOrder)
{
    const QList<QColor>& p = Theme::palette();
    ASSERT_EQ(p.size(), 5);
    EXPECT_EQ(p[0], Theme::ember());
    EXPECT_EQ(p[1], Theme::violet());
    EXPECT_EQ(p[2], Theme::teal());
    EXPECT_EQ(p[3], Theme::gold());
    EXPECT_EQ(p[4], Theme::rose());
}

TEST(Theme, PaletteColourOfAnyIndex)
{
    EXPECT_EQ(Theme::paletteColor(0), Theme::ember());
    EXPECT_EQ(Theme::paletteColor(4), Theme::rose());
    EXPECT_EQ(Theme::paletteColor(5), Theme::ember());
    EXPECT_EQ(Theme::paletteColor(7), Theme::teal());
    EXPECT_EQ(Theme::paletteColor(-1), Theme::violet());
    EXPECT_EQ(Theme::paletteColor(-2), Theme::teal());
    // The smallest 64-bit integer has no absolute value; it must still pick one of the five.
    EXPECT_TRUE(Theme::palette().contains(Theme::paletteColor(std::numeric_limits<qint64>::min())));
    EXPECT_TRUE(Theme::palette().contains(Theme::paletteColor(std::numeric_limits<qint64>::max())));
    EXPECT_TRUE(Theme::palette().contains(Theme::paletteColor(std::numeric_limits<int>::min())));
}

TEST(Theme, ColoursResolveFromTheDrawingWidgetsPalette)
{
    QWidget light;
    Theme::apply(&light, false);
    QWidget dark;
    Theme::apply(&dark, true);
    EXPECT_FALSE(Theme::isDark(&light));
    EXPECT_TRUE(Theme::isDark(&dark));
    EXPECT_EQ(Theme::emberText().on(&light), Theme::emberText().light);
    EXPECT_EQ(Theme::emberText().on(&dark), Theme::emberText().dark);
    // A child follows its window.
    QWidget child(&dark);
    EXPECT_EQ(Theme::emberText().on(&child), Theme::emberText().dark);
}

TEST(Theme, APaletteThatIsNeitherClearlyDarkNorLightGetsTheLightColour)
{
    QPalette grey;
    grey.setColor(QPalette::Window, QColor(128, 128, 128));
    grey.setColor(QPalette::WindowText, QColor(128, 128, 128));
    QWidget w;
    w.setPalette(grey);
    EXPECT_EQ(Theme::emberText().on(&w), Theme::emberText().light);
}

TEST(Theme, QtPalettesCarryTheTokens)
{
    const QPalette light = Theme::qtPalette(false);
    const QPalette dark = Theme::qtPalette(true);
    EXPECT_EQ(light.color(QPalette::Window), Theme::canvas().light);
    EXPECT_EQ(dark.color(QPalette::Window), Theme::canvas().dark);
    EXPECT_EQ(light.color(QPalette::Base), Theme::cardFill().light);
    EXPECT_EQ(dark.color(QPalette::Highlight), Theme::ember());
    EXPECT_FALSE(Theme::isDark(light));
    EXPECT_TRUE(Theme::isDark(dark));
}

TEST(Theme, NamedFontsHaveTheirSizesAndWeights)
{
    EXPECT_EQ(Theme::font(TextStyle::display).pixelSize(), 26);
    EXPECT_EQ(Theme::font(TextStyle::display).weight(), QFont::DemiBold);
    EXPECT_EQ(Theme::font(TextStyle::cardTitle).pixelSize(), 15);
    EXPECT_EQ(Theme::font(TextStyle::cardTitle).weight(), QFont::DemiBold);
    EXPECT_EQ(Theme::font(TextStyle::eyebrow).pixelSize(), 11);
    EXPECT_EQ(Theme::font(TextStyle::eyebrow).weight(), QFont::DemiBold);
    EXPECT_EQ(Theme::font(TextStyle::body).weight(), QFont::Normal);
    EXPECT_EQ(Theme::font(TextStyle::callout, QFont::Medium).weight(), QFont::Medium);
}

TEST(Theme, CardBorderFollowsTheAppearance)
{
    EXPECT_EQ(Card::borderColor(true), QColor::fromRgbF(1, 1, 1, 0.09f));
    EXPECT_EQ(Card::borderColor(false), QColor::fromRgbF(0, 0, 0, 0.08f));
}

} // namespace
