#include <algorithm>

#include <QApplication>
#include <QCheckBox>
#include <QHBoxLayout>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollBar>
#include <QSpinBox>
#include <QStyleOptionButton>
#include <QStyleOptionSlider>
#include <QStyleOptionSpinBox>
#include <QToolButton>

#include <gtest/gtest.h>

#include "../main/UiTestSupport.h"
#include "ui/design/DesignSystem.h"
#include "ui/design/EmptyStateView.h"
#include "ui/design/KelvaroStyle.h"
#include "ui/design/ModeSwitcher.h"
#include "ui/design/Motion.h"
#include "ui/wheel/WheelControls.h"

using namespace kelvaro;

namespace {

// The dotted ring marks focus reached from the keyboard; a window's first focus landing on a link
// draws nothing, so a link never looks selected after a click elsewhere.
TEST(LinkButton, FocusRingOnlyForKeyboardFocus)
{
    QWidget window;
    auto* layout = new QHBoxLayout(&window);
    auto* before = new LinkButton(QStringLiteral("Otevřít"), TextStyle::caption);
    auto* link = new LinkButton(QStringLiteral("Zobrazit"), TextStyle::caption);
    layout->addWidget(before);
    layout->addWidget(link);
    window.show();
    window.activateWindow();
    ASSERT_TRUE(uitest::waitFor([&] { return window.isActiveWindow(); }));

    const auto ringPixels = [&] {
        const QImage image = link->grab().toImage();
        const QColor ring = Theme::ember();
        int count = 0;
        for (int x = 0; x < image.width(); ++x)
            count += image.pixel(x, 0) == ring.rgba() ? 1 : 0;
        return count;
    };
    link->setFocus(Qt::TabFocusReason); // as a dialog gives its first control the focus
    QApplication::processEvents();
    ASSERT_TRUE(link->hasFocus());
    EXPECT_EQ(ringPixels(), 0);

    before->setFocus(Qt::MouseFocusReason);
    ASSERT_TRUE(test::typeKey(Qt::Key_Tab));
    ASSERT_TRUE(link->hasFocus());
    EXPECT_GT(ringPixels(), 2);
}

// The ring on an orange button is drawn in a colour that stands out from the orange (white), not
// in the ember of the other rings, which is the button's own colour to the eye.
struct OrangeButtonRow {
    const char* name;
    std::function<QAbstractButton*()> make;
};

class OrangeButtonRing : public ::testing::TestWithParam<OrangeButtonRow> {};

TEST_P(OrangeButtonRing, StandsOutFromTheOrange)
{
    uitest::ApplicationStyle style;
    QWidget window;
    auto* layout = new QHBoxLayout(&window);
    auto* before = new KelvaroButton(QStringLiteral("Zrušit"), KelvaroButton::Kind::secondary);
    QAbstractButton* orange = GetParam().make();
    layout->addWidget(before);
    layout->addWidget(orange);
    window.show();
    window.activateWindow();
    ASSERT_TRUE(uitest::waitFor([&] { return window.isActiveWindow(); }));
    before->setFocus(Qt::MouseFocusReason);
    ASSERT_TRUE(test::typeKey(Qt::Key_Tab));
    ASSERT_TRUE(orange->hasFocus());

    const QImage focused = orange->grab().toImage().convertToFormat(QImage::Format_RGB32);
    orange->clearFocus();
    const QImage unfocused = orange->grab().toImage().convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(focused.size(), unfocused.size());
    int ring = 0;
    // Its stroke against the orange it covers, not the fringe where it meets the window at a corner.
    EXPECT_GE(uitest::ringDifference(focused, unfocused, &ring), uitest::kRingDifference) << "the ring is lost in the orange";
    EXPECT_GT(ring, 10) << "no ring";
    EXPECT_LT(uitest::contrastRatio(Theme::ember(), Theme::buttonOrange()), 2.5) << "ember would pass for a ring that shows";
}

INSTANTIATE_TEST_SUITE_P(
    Buttons, OrangeButtonRing,
    ::testing::Values(OrangeButtonRow{"primary", [] { return new KelvaroButton(QStringLiteral("Uložit postup"), KelvaroButton::Kind::primary); }},
                      OrangeButtonRow{"primarySmall",
                                      [] {
                                          auto* button = new KelvaroButton(QStringLiteral("Restartovat"), KelvaroButton::Kind::primary);
                                          button->setSmall(true);
                                          return button;
                                      }},
                      OrangeButtonRow{"wheelPrimary", [] { return new wheel::PrimaryButton(QStringLiteral("Spustit")); }}),
    test::RowName());

// A click selects and reports its segment, even the selected one; the owner's value signals only changes.
TEST(ModeSwitcher, ClicksReportTheirModeAndOnlyRealChangesSignal)
{
    ModeSwitcher switcher(WheelMode::convert);
    switcher.resize(420, switcher.sizeHint().height());
    switcher.show();
    QList<WheelMode> clicked;
    int changes = 0;
    QObject::connect(&switcher, &ModeSwitcher::modeClicked, [&](WheelMode m) { clicked << m; });
    QObject::connect(&switcher, &ModeSwitcher::selectionChanged, [&] { ++changes; });
    for (int i = 0; i < 2; ++i) {
        uitest::mouse(&switcher, QEvent::MouseButtonPress, switcher.segmentRect(WheelMode::actions).center());
        uitest::mouse(&switcher, QEvent::MouseButtonRelease, switcher.segmentRect(WheelMode::actions).center());
    }
    EXPECT_EQ(switcher.selection(), WheelMode::actions);
    EXPECT_EQ(clicked, (QList<WheelMode>{WheelMode::actions, WheelMode::actions}));
    switcher.setSelection(WheelMode::actions);
    EXPECT_EQ(changes, 1); // the first click's
    switcher.setSelection(WheelMode::tools);
    EXPECT_EQ(changes, 2);
}

// A click moves the pill along the 0.3 s critically damped spring: at every frame it stands
// where the spring is, never past the clicked segment, and it comes to rest on that segment.
TEST(ModeSwitcher, ThePillSpringsToTheClickedSegment)
{
    ModeSwitcher switcher(WheelMode::convert);
    switcher.resize(420, switcher.sizeHint().height());
    switcher.show();
    const QRectF from = switcher.pillRect();
    const QRectF to = switcher.segmentRect(WheelMode::actions);
    ASSERT_LT(from.x(), to.x());
    const QVariantAnimation* glide = switcher.pillAnimation();
    int frames = 0;
    QObject::connect(glide, &QVariantAnimation::valueChanged, [&](const QVariant& v) {
        const double x = v.toRectF().x();
        const double expected = from.x() + (to.x() - from.x()) * Motion::springProgress(glide->currentTime() / 1000.0, 0.3);
        EXPECT_NEAR(x, expected, 1.0) << "at " << glide->currentTime() << " ms";
        EXPECT_LE(x, to.x());
        ++frames;
    });
    uitest::mouse(&switcher, QEvent::MouseButtonPress, to.center());
    uitest::mouse(&switcher, QEvent::MouseButtonRelease, to.center());
    EXPECT_EQ(glide->state(), QAbstractAnimation::Running);
    EXPECT_NE(switcher.pillRect(), to);
    ASSERT_TRUE(test::waitUntil([&] { return glide->state() == QAbstractAnimation::Stopped; }));
    EXPECT_GT(frames, 1);
    EXPECT_EQ(switcher.pillRect(), to);
}

TEST(KelvaroStyle, SlimScrollBarsWithAProportionalHandleAndNoButtons)
{
    KelvaroStyle style;
    QScrollBar bar(Qt::Vertical);
    bar.setStyle(&style);
    bar.setRange(0, 300);
    bar.setPageStep(100);
    bar.resize(10, 400);
    QStyleOptionSlider option;
    option.initFrom(&bar);
    option.orientation = Qt::Vertical;
    option.minimum = 0;
    option.maximum = 300;
    option.pageStep = 100;
    option.sliderPosition = 300;
    option.rect = QRect(0, 0, 10, 400);
    EXPECT_EQ(style.pixelMetric(QStyle::PM_ScrollBarExtent), 10);
    EXPECT_TRUE(style.subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarAddLine).isEmpty());
    const QRect slider = style.subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarSlider);
    EXPECT_EQ(slider.height(), 100); // a quarter of the track for a quarter of the content
    EXPECT_EQ(slider.bottom(), 399); // at the end when scrolled to the end
    option.sliderPosition = 0;
    EXPECT_EQ(style.subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarSlider).top(), 0);
}

// An empty check box on a sheet (the window colour) or on a card: its outline stands out at
// least 3:1 from what it lies on, in both appearances.
struct Backdrop {
    const char* name;
    bool dark;
    bool onCard;
};

class UncheckedBox : public ::testing::TestWithParam<Backdrop> {};

TEST_P(UncheckedBox, IsOutlinedAtLeastThreeToOneAgainstWhatItLiesOn)
{
    const Backdrop& c = GetParam();
    KelvaroStyle style;
    QWidget sheet;
    Theme::apply(&sheet, c.dark);
    const QColor background = (c.onCard ? Theme::cardFill() : Theme::canvas()).resolve(c.dark);
    QPalette palette = sheet.palette();
    palette.setColor(QPalette::Window, background);
    sheet.setPalette(palette);
    sheet.setAutoFillBackground(true);
    sheet.resize(220, 40);
    auto* box = new QCheckBox(QStringLiteral("Černobíle"), &sheet);
    box->setStyle(&style);
    box->move(10, 10);
    box->adjustSize();
    QStyleOptionButton option;
    option.initFrom(box);
    const QRect indicator = style.subElementRect(QStyle::SE_CheckBoxIndicator, &option, box).translated(box->pos());
    ASSERT_FALSE(indicator.isEmpty());
    EXPECT_GE(uitest::strongestContrast(sheet.grab().toImage(), indicator, background), 3.0);
}

INSTANTIATE_TEST_SUITE_P(Appearances, UncheckedBox, ::testing::Values(
    Backdrop{"darkSheet", true, false}, Backdrop{"darkCard", true, true},
    Backdrop{"lightSheet", false, false}, Backdrop{"lightCard", false, true}),
    test::RowName());

// A menu item that deletes is drawn in the destructive colour; its neighbours are not.
TEST(KelvaroStyle, MenuItemsThatDeleteAreDrawnInTheDestructiveColour)
{
    for (const bool dark : {false, true}) {
        KelvaroStyle style;
        QMenu menu;
        menu.setStyle(&style);
        Theme::apply(&menu, dark);
        QAction* edit = menu.addAction(QStringLiteral("Upravit…"));
        QAction* remove = menu.addAction(QStringLiteral("Smazat…"));
        KelvaroStyle::markDestructive(remove);
        const QImage image = menu.grab().toImage();
        const QColor tint = Theme::destructive().resolve(dark);
        EXPECT_GT(uitest::pixelsNear(image, tint, 30, menu.actionGeometry(remove)), 5) << dark;
        EXPECT_EQ(uitest::pixelsNear(image, tint, 30, menu.actionGeometry(edit)), 0) << dark;
    }
}

// A menu's edge parts it from its own panel and from the card it opens over, in either
// appearance: the base style's edge is the window colour darkened, which a dark card already is.
TEST(KelvaroStyle, AMenusEdgeStandsOutFromItsPanelAndTheCardUnderIt)
{
    for (const bool dark : {false, true}) {
        KelvaroStyle style;
        QMenu menu;
        menu.setStyle(&style);
        Theme::apply(&menu, dark);
        menu.addAction(QStringLiteral("Upravit…"));
        menu.addAction(QStringLiteral("Duplikovat"));
        const QImage image = menu.grab().toImage();
        const int y = image.height() / 2;
        const QColor edge = image.pixelColor(0, y);
        EXPECT_GE(uitest::contrastRatio(edge, image.pixelColor(4, y)), 1.4) << (dark ? "dark" : "light");
        EXPECT_GE(uitest::contrastRatio(edge, Theme::cardFill().resolve(dark)), 1.4) << (dark ? "dark" : "light");
    }
}

// The line that parts a menu's groups is seen in either appearance: the base style draws it in
// the window colour darkened, which a dark panel already nearly is.
TEST(KelvaroStyle, AMenusSeparatorStandsOutFromItsPanel)
{
    for (const bool dark : {false, true}) {
        KelvaroStyle style;
        QMenu menu;
        menu.setStyle(&style);
        Theme::apply(&menu, dark);
        menu.addAction(QStringLiteral("Otevřít Kelvaro"));
        QAction* separator = menu.addSeparator();
        menu.addAction(QStringLiteral("Ukončit"));
        const QImage image = menu.grab().toImage();
        const QRect row = menu.actionGeometry(separator);
        const QColor panel = image.pixelColor(row.center().x(), row.top());
        double strongest = 1;
        for (int y = row.top(); y <= row.bottom(); ++y)
            strongest = std::max(strongest, uitest::contrastRatio(image.pixelColor(row.center().x(), y), panel));
        EXPECT_GE(strongest, 1.4) << (dark ? "dark" : "light");
    }
}

// A spin box's arrows stand out from the face of their buttons in either appearance: in the dark
// the base style lightens the button colour under them towards the grey of the arrows.
TEST(KelvaroStyle, ASpinBoxsArrowsStandOutFromTheirButtons)
{
    for (const bool dark : {false, true}) {
        KelvaroStyle style;
        QSpinBox box;
        box.setStyle(&style);
        Theme::apply(&box, dark);
        box.setRange(1, 99);
        box.setValue(12);
        box.resize(box.sizeHint());
        const QImage image = box.grab().toImage();
        QStyleOptionSpinBox option;
        option.initFrom(&box);
        option.subControls = QStyle::SC_All;
        option.buttonSymbols = QAbstractSpinBox::UpDownArrows;
        option.frame = true;
        const QRect up = style.subControlRect(QStyle::CC_SpinBox, &option, QStyle::SC_SpinBoxUp, &box);
        const QColor face = image.pixelColor(up.left() + 1, up.bottom() - 1);
        EXPECT_GE(uitest::strongestContrast(image, up.adjusted(1, 1, -1, -1), face), 3.5) << (dark ? "dark" : "light");
    }
}

// A borderless button that opens its menu at once draws no arrow of the base style in its corner:
// with neither text nor icon, nothing at all is drawn.
TEST(KelvaroStyle, AButtonThatOpensItsMenuAtOnceDrawsNoCornerArrow)
{
    for (const bool dark : {false, true}) {
        KelvaroStyle style;
        QToolButton button;
        button.setStyle(&style);
        Theme::apply(&button, dark);
        QMenu menu;
        menu.addAction(QStringLiteral("Zmenšit"));
        button.setMenu(&menu);
        button.setPopupMode(QToolButton::InstantPopup);
        button.setAutoRaise(true);
        button.resize(48, 28);
        QImage image(button.size(), QImage::Format_ARGB32);
        image.fill(Qt::transparent);
        button.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
        int drawn = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                drawn += qAlpha(image.pixel(x, y)) > 0 ? 1 : 0;
        EXPECT_EQ(drawn, 0) << dark;
    }
}

// The platform's own confirmation marks its deleting button with the destructive role: that
// button is drawn in the destructive colour, the cancel beside it is not.
TEST(KelvaroStyle, AMessageBoxButtonWithTheDestructiveRoleIsDrawnInTheDestructiveColour)
{
    KelvaroStyle style;
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Kelvaro"), QStringLiteral("Vymazat ukázková data?"));
    Theme::apply(&box, true);
    QPushButton* clear = box.addButton(QStringLiteral("Vymazat"), QMessageBox::DestructiveRole);
    QPushButton* cancel = box.addButton(QStringLiteral("Zrušit"), QMessageBox::RejectRole);
    const QColor tint = Theme::destructive().dark;
    for (QPushButton* button : {clear, cancel}) {
        button->setStyle(&style);
        button->resize(button->sizeHint());
    }
    EXPECT_GT(uitest::pixelsNear(clear->grab().toImage(), tint, 30), 5);
    EXPECT_EQ(uitest::pixelsNear(cancel->grab().toImage(), tint, 30), 0);
}

TEST(EmptyStateView, ShowsABadgeOnlyWhenGiven)
{
    EmptyStateView badged(QStringLiteral("tray.2"), QStringLiteral("T"), QStringLiteral("M"), QStringLiteral("Novinka"));
    ASSERT_NE(badged.badge(), nullptr);
    EXPECT_EQ(badged.badge()->accessibleName(), QStringLiteral("Novinka"));
    EXPECT_EQ(EmptyStateView(QStringLiteral("tray.2"), QStringLiteral("T"), QStringLiteral("M")).badge(), nullptr);
}

} // namespace
