#include <limits>

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QMenu>
#include <QWidget>

#include <gtest/gtest.h>

#include "platform/widgets/Appearance.h"
#include "ui/design/DesignSystem.h"
#include "ui/design/Theme.h"

using namespace kelvaro;

namespace {

TEST(Theme, PaletteColourOfAnyIndexIsOneOfTheFive)
{
    const std::pair<qint64, QColor> rows[] = {{0, Theme::ember()}, {4, Theme::rose()},  {5, Theme::ember()},
                                              {7, Theme::teal()},  {-1, Theme::violet()}, {-2, Theme::teal()}};
    for (const auto& [index, colour] : rows)
        EXPECT_EQ(Theme::paletteColor(index), colour) << index;
    // The smallest 64-bit integer has no absolute value; it must still pick one of the five.
    for (const qint64 extreme : {std::numeric_limits<qint64>::min(), std::numeric_limits<qint64>::max(), qint64(std::numeric_limits<int>::min())})
        EXPECT_TRUE(Theme::palette().contains(Theme::paletteColor(extreme))) << extreme;
}

TEST(Theme, ColoursResolveFromTheDrawingWidgetsPalette)
{
    QWidget light, dark;
    Theme::apply(&light, false);
    Theme::apply(&dark, true);
    EXPECT_EQ(Theme::emberText().on(&light), Theme::emberText().light);
    EXPECT_EQ(Theme::emberText().on(&dark), Theme::emberText().dark);
    QWidget child(&dark); // a child follows its window
    EXPECT_EQ(Theme::emberText().on(&child), Theme::emberText().dark);
    // A palette that is neither clearly dark nor light gets the light colour.
    QPalette grey;
    grey.setColor(QPalette::Window, QColor(128, 128, 128));
    grey.setColor(QPalette::WindowText, QColor(128, 128, 128));
    QWidget w;
    w.setPalette(grey);
    EXPECT_EQ(Theme::emberText().on(&w), Theme::emberText().light);
}

// Menus and pop-up lists are windows of their own: they follow the appearance, not the light
// default, or their text and tinted icons vanish in the dark.
TEST(Theme, MenusAndPopUpListsFollowTheAppearance)
{
    Appearance::shared().setOverride(false);
    QWidget window;
    Theme::follow(&window);
    for (const bool dark : {true, false}) {
        Appearance::shared().setOverride(dark);
        QMenu menu(&window);
        QComboBox picker(&window);
        picker.addItem(QStringLiteral("Web"));
        picker.showPopup();
        QWidget* popup = picker.view()->window();
        for (QWidget* w : {static_cast<QWidget*>(&menu), popup})
            EXPECT_EQ(Theme::isDark(w->palette()), dark) << w->metaObject()->className() << (dark ? " in the dark" : " in the light");
        picker.hidePopup();
    }
    Appearance::shared().setOverride(std::nullopt);
}

// Without a portal the appearance is read from the desktop's palette: following it leaves that
// palette the application's, or the answer would only ever see its own guess and stop following
// the desktop.
TEST(Theme, AnAppearanceReadFromTheDesktopsPaletteKeepsThatPalette)
{
    Appearance::shared().setOverride(false);
    Appearance::shared().setOverride(std::nullopt);
    if (!Appearance::shared().followsPalette())
        GTEST_SKIP() << "a desktop portal answers here";
    QPalette desktop;
    desktop.setColor(QPalette::Window, QColor(30, 30, 30));
    desktop.setColor(QPalette::WindowText, QColor(230, 230, 230));
    QApplication::setPalette(desktop);
    ASSERT_TRUE(Appearance::shared().isDark());
    QWidget window;
    Theme::follow(&window);
    EXPECT_EQ(QApplication::palette().color(QPalette::Window), QColor(30, 30, 30));
    EXPECT_EQ(QApplication::palette().color(QPalette::Base), desktop.color(QPalette::Base));
    QApplication::setPalette(QPalette());
}

} // namespace
