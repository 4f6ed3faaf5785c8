#include <QApplication>
#include <QScrollBar>
#include <QStyleOptionSlider>
#include <QThread>
#include <QHBoxLayout>
#include <QMouseEvent>

#include <gtest/gtest.h>

#include "ui/design/DesignSystem.h"
#include "ui/design/EmptyStateView.h"
#include "ui/design/KelvaroStyle.h"
#include "ui/design/ModeSwitcher.h"

using namespace kelvaro;

namespace {

void click(QWidget* widget, const QPoint& at)
{
    QMouseEvent press(QEvent::MouseButtonPress, at, widget->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, at, widget->mapToGlobal(at), Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &release);
}

TEST(CardHeader, ShowsTheActionOnlyWithBothTitleAndAction)
{
    int clicks = 0;
    CardHeader both(QStringLiteral("Police"), std::nullopt, QStringLiteral("Zobrazit"), [&] { ++clicks; });
    ASSERT_NE(both.actionButton(), nullptr);
    both.actionButton()->click();
    EXPECT_EQ(clicks, 1);

    CardHeader titleOnly(QStringLiteral("Police"), std::nullopt, QStringLiteral("Zobrazit"), {});
    EXPECT_EQ(titleOnly.actionButton(), nullptr);
    CardHeader actionOnly(QStringLiteral("Police"), std::nullopt, std::nullopt, [&] { ++clicks; });
    EXPECT_EQ(actionOnly.actionButton(), nullptr);
    EXPECT_EQ(actionOnly.subtitleText(), nullptr);

    CardHeader withSubtitle(QStringLiteral("Police"), QStringLiteral("4 police"));
    ASSERT_NE(withSubtitle.subtitleText(), nullptr);
    EXPECT_EQ(withSubtitle.subtitleText()->text(), QStringLiteral("4 police"));
}

// The dotted ring marks focus reached from the keyboard; a window's first focus landing on a link
// draws nothing, so a link never looks selected after a click elsewhere.
TEST(LinkButton, FocusRingOnlyForKeyboardFocus)
{
    QWidget window;
    auto* layout = new QHBoxLayout(&window);
    auto* link = new LinkButton(QStringLiteral("Zobrazit"), TextStyle::caption);
    layout->addWidget(link);
    window.show();
    window.activateWindow();
    QApplication::processEvents();

    const auto ringPixels = [&] {
        const QImage image = link->grab().toImage();
        const QColor ring = Theme::ember();
        int count = 0;
        for (int x = 0; x < image.width(); ++x)
            count += image.pixel(x, 0) == ring.rgba() ? 1 : 0;
        return count;
    };
    link->setFocus(Qt::ActiveWindowFocusReason);
    QApplication::processEvents();
    ASSERT_TRUE(link->hasFocus());
    EXPECT_EQ(ringPixels(), 0);

    link->clearFocus();
    link->setFocus(Qt::TabFocusReason);
    QApplication::processEvents();
    ASSERT_TRUE(link->hasFocus());
    EXPECT_GT(ringPixels(), 2);
}

TEST(EmptyStateView, BadgeOnlyWhenGivenAndLongMessagesWrapWithin380)
{
    EmptyStateView badged(QStringLiteral("tray.2"), QStringLiteral("T"), QStringLiteral("M"), QStringLiteral("Novinka"));
    ASSERT_NE(badged.badge(), nullptr);
    EXPECT_EQ(badged.badge()->accessibleName(), QStringLiteral("Novinka"));

    const QString message = QStringLiteral("Dlouhá zpráva, která se nevejde na jeden řádek a musí se zalomit, ").repeated(4);
    EmptyStateView view(QStringLiteral("tray.2"), QStringLiteral("T"), message);
    EXPECT_EQ(view.badge(), nullptr);
    view.resize(900, 700);
    view.show();
    QCoreApplication::processEvents();
    EXPECT_LE(view.messageText()->width(), 380);
    EXPECT_GT(view.messageText()->height(), QFontMetrics(Theme::font(TextStyle::body)).height() * 2);
}

TEST(Text, ElidesWhenNarrowAndWrapsWhenAsked)
{
    Text oneLine(QStringLiteral("Velmi dlouhý název souboru_2026_final_final.jpg"), TextStyle::callout);
    oneLine.setElide(Qt::ElideMiddle);
    oneLine.resize(60, oneLine.sizeHint().height());
    EXPECT_TRUE(oneLine.isElided());
    oneLine.resize(oneLine.sizeHint());
    EXPECT_FALSE(oneLine.isElided());

    Text wrapped(QStringLiteral("slovo ").repeated(40), TextStyle::callout);
    wrapped.setWrap(true);
    EXPECT_TRUE(wrapped.hasHeightForWidth());
    EXPECT_GT(wrapped.heightForWidth(120), wrapped.heightForWidth(600));
}

TEST(ModeSwitcher, ClickSelectsTheSegmentsMode)
{
    ModeSwitcher switcher(WheelMode::convert);
    switcher.resize(420, switcher.sizeHint().height());
    switcher.show();
    QList<WheelMode> clicked;
    QObject::connect(&switcher, &ModeSwitcher::modeClicked, [&](WheelMode m) { clicked << m; });
    click(&switcher, switcher.segmentRect(WheelMode::actions).center());
    EXPECT_EQ(switcher.selection(), WheelMode::actions);
    // Clicking the selected segment sets the same value again.
    click(&switcher, switcher.segmentRect(WheelMode::actions).center());
    EXPECT_EQ(clicked, (QList<WheelMode>{WheelMode::actions, WheelMode::actions}));
    // The three segments share the width.
    const int a = switcher.segmentRect(WheelMode::convert).width();
    const int b = switcher.segmentRect(WheelMode::tools).width();
    EXPECT_LE(std::abs(a - b), 2);
}

TEST(ModeSwitcher, FollowsTheOwnersValueAndSignalsOnlyChanges)
{
    ModeSwitcher switcher(WheelMode::convert);
    int changes = 0;
    QObject::connect(&switcher, &ModeSwitcher::selectionChanged, [&] { ++changes; });
    switcher.setSelection(WheelMode::convert);
    EXPECT_EQ(changes, 0);
    switcher.setSelection(WheelMode::tools);
    EXPECT_EQ(changes, 1);
    switcher.resize(420, 40);
    switcher.show();
    EXPECT_EQ(switcher.pillRect().toRect(), switcher.segmentRect(WheelMode::tools));
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

} // namespace
