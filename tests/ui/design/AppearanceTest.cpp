#include <QGuiApplication>
#include <QWidget>

#include <gtest/gtest.h>

#include "platform/widgets/Appearance.h"
#include "ui/design/Theme.h"

using namespace kelvaro;

namespace {

TEST(Appearance, PortalValuesAndPaletteInference)
{
    EXPECT_EQ(Appearance::darkFromPortalValue(1), std::optional<bool>(true));
    EXPECT_EQ(Appearance::darkFromPortalValue(2), std::optional<bool>(false));
    EXPECT_EQ(Appearance::darkFromPortalValue(0), std::nullopt);
    EXPECT_EQ(Appearance::darkFromPortalValue(7), std::nullopt);
    EXPECT_TRUE(Appearance::darkFromPalette(Theme::qtPalette(true)));
    EXPECT_FALSE(Appearance::darkFromPalette(Theme::qtPalette(false)));
    // Tests run with a session bus address that does not exist: the application palette decides.
    Appearance::shared().setOverride(std::nullopt);
    EXPECT_EQ(Appearance::shared().isDark(), Appearance::darkFromPalette(QGuiApplication::palette()));
}

TEST(Appearance, OverrideSignalsOnlyRealChangesAndFollowingWindowsRepaint)
{
    Appearance& appearance = Appearance::shared();
    appearance.setOverride(false);
    QWidget window;
    Theme::follow(&window);
    EXPECT_FALSE(Theme::isDark(&window));
    QList<bool> changes;
    QObject::connect(&appearance, &Appearance::changed, &window, [&](bool dark) { changes << dark; });
    appearance.setOverride(false);
    appearance.setOverride(true);
    appearance.setOverride(true);
    EXPECT_EQ(changes, QList<bool>{true});
    EXPECT_TRUE(appearance.isDark());
    EXPECT_TRUE(Theme::isDark(&window));
}

} // namespace
