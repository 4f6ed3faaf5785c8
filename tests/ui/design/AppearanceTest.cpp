#include <QGuiApplication>
#include <QWidget>

#include <gtest/gtest.h>

#include "platform/widgets/Appearance.h"
#include "ui/design/Theme.h"

using namespace kelvaro;

namespace {

TEST(Appearance, PortalValues)
{
    EXPECT_EQ(Appearance::darkFromPortalValue(1), std::optional<bool>(true));
    EXPECT_EQ(Appearance::darkFromPortalValue(2), std::optional<bool>(false));
    EXPECT_EQ(Appearance::darkFromPortalValue(0), std::nullopt);
    EXPECT_EQ(Appearance::darkFromPortalValue(7), std::nullopt);
}

TEST(Appearance, PaletteInference)
{
    EXPECT_TRUE(Appearance::darkFromPalette(Theme::qtPalette(true)));
    EXPECT_FALSE(Appearance::darkFromPalette(Theme::qtPalette(false)));
}

TEST(Appearance, WithoutABusTheApplicationPaletteDecides)
{
    // Tests run with a session bus address that does not exist.
    Appearance& appearance = Appearance::shared();
    appearance.setOverride(std::nullopt);
    EXPECT_EQ(appearance.isDark(), Appearance::darkFromPalette(QGuiApplication::palette()));
}

TEST(Appearance, OverrideSignalsOnlyRealChanges)
{
    Appearance& appearance = Appearance::shared();
    appearance.setOverride(false);
    int changes = 0;
    bool last = false;
    auto connection = QObject::connect(&appearance, &Appearance::changed, [&](bool dark) {
        ++changes;
        last = dark;
    });
    appearance.setOverride(false);
    EXPECT_EQ(changes, 0);
    appearance.setOverride(true);
    EXPECT_EQ(changes, 1);
    EXPECT_TRUE(last);
    EXPECT_TRUE(appearance.isDark());
    appearance.setOverride(true);
    EXPECT_EQ(changes, 1);
    QObject::disconnect(connection);
    appearance.setOverride(std::nullopt);
}

TEST(Appearance, FollowingWindowsRepaintInTheNewAppearance)
{
    Appearance::shared().setOverride(false);
    QWidget window;
    Theme::follow(&window);
    EXPECT_FALSE(Theme::isDark(&window));
    Appearance::shared().setOverride(true);
    EXPECT_TRUE(Theme::isDark(&window));
    Appearance::shared().setOverride(std::nullopt);
}

} // namespace
