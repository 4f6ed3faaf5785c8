#include <algorithm>
#include <functional>
#include <limits>

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QMenu>
#include <QPointer>
#include <QToolTip>
#include <QWidget>

#include <gtest/gtest.h>

#include "../../support/TestSupport.h"
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

// Tool tips take the desktop theme's palette unless given one: they follow the appearance as the
// windows do, or a dark window shows light tips.
TEST(Theme, ToolTipsFollowTheAppearance)
{
    QWidget window;
    window.resize(200, 100);
    Theme::follow(&window);
    window.show();
    for (const bool dark : {true, false, true}) {
        Appearance::shared().setOverride(dark);
        const QColor ours = Theme::qtPalette(dark).color(QPalette::ToolTipBase);
        EXPECT_EQ(QToolTip::palette().color(QPalette::ToolTipBase), ours) << dark;
        QToolTip::showText(window.mapToGlobal(QPoint(10, 10)), QStringLiteral("kontrast +20"), &window);
        QWidget* tip = nullptr;
        for (QWidget* top : QApplication::topLevelWidgets())
            if (top->inherits("QTipLabel") && top->isVisible())
                tip = top;
        ASSERT_NE(tip, nullptr);
        EXPECT_EQ(tip->palette().color(QPalette::ToolTipBase), ours) << dark;
        QToolTip::hideText();
    }
    Appearance::shared().setOverride(std::nullopt);
}

// Once the desktop's appearance is followed again, tool tips take the desktop's palette back: the
// dark appearance chosen here and then left to a light desktop again, or a dark desktop (whose
// palette the appearance is read from) turning light. A tip shown then, and the palette a new one
// is given, are the desktop's, not Kelvaro's dark ones.
struct TipsBack {
    const char* name;
    std::function<void()> toDark;
    std::function<void()> back;
    bool darkTips; // whether the dark appearance gives the tips its own palette
};

void PrintTo(const TipsBack& row, std::ostream* os)
{
    *os << row.name;
}

class ToolTipsBack : public ::testing::TestWithParam<TipsBack> {
protected:
    void SetUp() override
    {
        Appearance::shared().setOverride(std::nullopt);
        QApplication::setPalette(QPalette());
    }
    void TearDown() override
    {
        QToolTip::hideText();
        Appearance::shared().setOverride(std::nullopt);
        QApplication::setPalette(QPalette());
    }
};

QPalette darkDesktop()
{
    QPalette p;
    p.setColor(QPalette::Window, QColor(36, 31, 49));
    p.setColor(QPalette::WindowText, QColor(235, 235, 235));
    return p;
}

TEST_P(ToolTipsBack, ToTheDesktopsPaletteWhenTheDesktopIsFollowedAgain)
{
    QWidget window;
    window.resize(200, 100);
    Theme::follow(&window);
    window.show();
    ASSERT_FALSE(Appearance::shared().isDark()) << "the desktop of the tests is light";
    const auto shownTip = [&]() -> QWidget* {
        QToolTip::showText(window.mapToGlobal(QPoint(10, 10)), QStringLiteral("kontrast +20"), &window);
        for (QWidget* top : QApplication::topLevelWidgets())
            if (top->inherits("QTipLabel") && top->isVisible())
                return top;
        return nullptr;
    };
    const QColor darkTips = Theme::qtPalette(true).color(QPalette::ToolTipBase);
    const QColor desktops = QToolTip::palette().color(QPalette::ToolTipBase);
    QWidget* tip = shownTip();
    ASSERT_NE(tip, nullptr);
    const QColor shownByTheDesktop = tip->palette().color(QPalette::ToolTipBase);
    ASSERT_NE(shownByTheDesktop, darkTips) << "a tip of the light desktop is dark";
    QToolTip::hideText();

    GetParam().toDark();
    ASSERT_TRUE(Appearance::shared().isDark());
    ASSERT_TRUE(Theme::isDark(&window));
    tip = shownTip();
    ASSERT_NE(tip, nullptr);
    ASSERT_EQ(tip->palette().color(QPalette::ToolTipBase), GetParam().darkTips ? darkTips : shownByTheDesktop);
    QToolTip::hideText();

    GetParam().back();
    EXPECT_FALSE(Appearance::shared().isDark()) << "the appearance stayed dark";
    EXPECT_FALSE(Theme::isDark(&window)) << "the window stayed dark";
    EXPECT_EQ(QToolTip::palette().color(QPalette::ToolTipBase), desktops);
    tip = shownTip();
    ASSERT_NE(tip, nullptr);
    EXPECT_EQ(tip->palette().color(QPalette::ToolTipBase), shownByTheDesktop) << "the tip kept the dark appearance's colours";
}

INSTANTIATE_TEST_SUITE_P(
    Appearances, ToolTipsBack,
    ::testing::Values(TipsBack{"chosenDarkThenLeftToTheDesktop", [] { Appearance::shared().setOverride(true); },
                               [] { Appearance::shared().setOverride(std::nullopt); }, true},
                      TipsBack{"darkDesktopTurnsLight", [] { QApplication::setPalette(darkDesktop()); },
                               [] { QApplication::setPalette(QPalette()); }, false}),
    test::RowName());

// Sheets open and close all session long, each following the appearance; a closed one, however
// it went, must leave nothing behind in the windows kept to follow.
TEST(Theme, ClosedSheetsAndWindowsLeaveNoFollowedWindowBehind)
{
    QWidget owner;
    Theme::follow(&owner);
    const qsizetype before = Theme::followedWindowCount();
    for (int round = 0; round < 20; ++round) {
        QList<QPointer<QWidget>> open;
        for (int i = 0; i < 3; ++i) {
            auto* sheet = new QDialog(&owner);
            sheet->setWindowModality(Qt::WindowModal);
            sheet->setAttribute(Qt::WA_DeleteOnClose);
            Theme::follow(sheet);
            sheet->open();
            open.append(sheet);
        }
        auto* window = new QWidget; // a window of its own, with no owner
        Theme::follow(window);
        window->show();
        open.append(window);
        ASSERT_EQ(Theme::followedWindowCount(), before + 4) << "round " << round;
        // Closed out of the order they opened in: the middle sheet first, the window deleted.
        static_cast<QDialog*>(open[1].data())->reject();
        delete open[3].data();
        static_cast<QDialog*>(open[0].data())->accept();
        static_cast<QDialog*>(open[2].data())->reject();
        ASSERT_TRUE(test::waitUntil([&] { return std::all_of(open.cbegin(), open.cend(), [](const QPointer<QWidget>& w) { return w.isNull(); }); })) << "round " << round;
        ASSERT_EQ(Theme::followedWindowCount(), before) << "round " << round;
    }
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

// The card fill and the window backdrop are the desktop's control and window backgrounds when
// the desktop's palette is of the appearance shown and text stays readable on them; the
// application's greys otherwise.
struct Backdrops {
    const char* name;
    QColor window, text, base; // the desktop's palette
    bool shownDark;
    bool fromDesktop;
};

class DesktopBackdrops : public ::testing::TestWithParam<Backdrops> {
protected:
    void TearDown() override { QApplication::setPalette(QPalette()); }
};

TEST_P(DesktopBackdrops, ComeFromADesktopPaletteOfTheShownAppearance)
{
    const Backdrops& c = GetParam();
    QPalette desktop;
    desktop.setColor(QPalette::Window, c.window);
    desktop.setColor(QPalette::WindowText, c.text);
    desktop.setColor(QPalette::Base, c.base);
    QApplication::setPalette(desktop);
    const QColor canvas = Theme::canvas().resolve(c.shownDark);
    const QColor card = Theme::cardFill().resolve(c.shownDark);
    if (c.fromDesktop) {
        EXPECT_EQ(canvas, c.window);
        EXPECT_EQ(card, c.base);
    } else {
        EXPECT_EQ(canvas, c.shownDark ? Theme::canvas().dark : Theme::canvas().light);
        EXPECT_EQ(card, c.shownDark ? Theme::cardFill().dark : Theme::cardFill().light);
    }
    // What a window of that appearance is given follows the same colours.
    QWidget window;
    Theme::apply(&window, c.shownDark);
    EXPECT_EQ(window.palette().color(QPalette::Window), canvas);
    EXPECT_EQ(window.palette().color(QPalette::Base), card);
}

INSTANTIATE_TEST_SUITE_P(Desktops, DesktopBackdrops, ::testing::Values(
    Backdrops{"lightDesktopInLight", QColor(246, 245, 244), QColor(20, 20, 20), QColor(252, 252, 250), false, true},
    Backdrops{"lightDesktopInDark", QColor(246, 245, 244), QColor(20, 20, 20), QColor(252, 252, 250), true, false},
    Backdrops{"darkDesktopInDark", QColor(36, 31, 49), QColor(235, 235, 235), QColor(24, 22, 32), true, true},
    Backdrops{"darkDesktopInLight", QColor(36, 31, 49), QColor(235, 235, 235), QColor(24, 22, 32), false, false},
    // A grey too deep for the light appearance's quiet text and check box outlines.
    Backdrops{"murkyLightDesktop", QColor(150, 150, 150), QColor(0, 0, 0), QColor(160, 160, 160), false, false}),
    test::RowName());

// Where the appearance is chosen here (not read from the desktop's palette) the application's
// own palette replaces the desktop's; the backdrops still come from the desktop's, and change
// when it changes within the appearance.
TEST(Theme, BackdropsComeFromTheDesktopsPaletteUnderTheApplicationsOwn)
{
    QPalette desktop;
    desktop.setColor(QPalette::Window, QColor(36, 31, 49));
    desktop.setColor(QPalette::WindowText, QColor(235, 235, 235));
    desktop.setColor(QPalette::Base, QColor(24, 22, 32));
    QWidget window;
    Theme::follow(&window);
    Appearance::shared().setOverride(false);
    QApplication::setPalette(desktop);
    Appearance::shared().setOverride(true);
    ASSERT_EQ(QApplication::palette().color(QPalette::Highlight), Theme::ember()) << "the application's own palette is set";
    EXPECT_EQ(Theme::canvas().resolve(true), QColor(36, 31, 49));
    EXPECT_EQ(Theme::cardFill().on(&window), QColor(24, 22, 32));
    EXPECT_EQ(window.palette().color(QPalette::Window), QColor(36, 31, 49));
    Appearance::shared().setOverride(std::nullopt);
    QApplication::setPalette(QPalette());
}

} // namespace
