// The action wheel widget: hover, pinning, clicks, drops and its painting.
#include <memory>

#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

#include "ui/wheel/ActionWheel.h"
#include "ui/wheel/Spring.h"
#include "ui/wheel/WheelPainter.h"
#include "ui/wheel/WheelStyle.h"
#include "WheelTestSupport.h"

using namespace kelvaro;
using namespace kelvaro::wheel;
using namespace wheeltest;

namespace {

class ActionWheelTest : public CzechTest {};

struct HoverLog {
    QList<std::optional<QString>> keys;
};

std::unique_ptr<ActionWheel> makeWheel(WheelMode mode, HoverLog* log = nullptr)
{
    auto wheel = std::make_unique<ActionWheel>(mode);
    if (log)
        QObject::connect(wheel.get(), &ActionWheel::hoverChanged, [log](const WheelAction& a, bool present) {
            log->keys.append(present ? std::optional<QString>(a.key) : std::nullopt);
        });
    return wheel;
}

TEST_F(ActionWheelTest, LaysItselfOutAroundTheSquare)
{
    ActionWheel wheel;
    EXPECT_EQ(wheel.size(), QSize(280 + 2 * ActionWheel::kMargin, 280 + 2 * ActionWheel::kMargin));
    // The whole hit band (147) lies inside the widget.
    EXPECT_GE(wheel.width() / 2.0, wheel.wheelGeometry().hitLimit());
}

TEST_F(ActionWheelTest, HoverFollowsThePointerAndReportsChanges)
{
    HoverLog log;
    auto wheel = makeWheel(WheelMode::convert, &log);
    mouseMove(wheel.get(), wedgePoint(*wheel, 2));
    EXPECT_EQ(wheel->hovered(), 2);
    mouseMove(wheel.get(), wedgePoint(*wheel, 2) + QPointF(1, 1)); // same wedge: no new report
    mouseMove(wheel.get(), wheelPoint(*wheel, 0, 20));               // the hole
    EXPECT_FALSE(wheel->hovered().has_value());
    ASSERT_EQ(log.keys.size(), 2);
    EXPECT_EQ(log.keys[0], QStringLiteral("HEIC"));
    EXPECT_EQ(log.keys[1], std::nullopt);
    EXPECT_EQ(wheel->currentVisual().centre.symbol, QStringLiteral("arrow.triangle.2.circlepath"));
}

TEST_F(ActionWheelTest, LeavingFallsBackToThePinnedWedge)
{
    HoverLog log;
    auto wheel = makeWheel(WheelMode::tools, &log);
    wheel->setPinned(QStringLiteral("Komprese"));
    EXPECT_EQ(wheel->hovered(), 2);
    mouseMove(wheel.get(), wedgePoint(*wheel, 5));
    EXPECT_EQ(wheel->hovered(), 5);
    leave(wheel.get());
    EXPECT_EQ(wheel->hovered(), 2);
    EXPECT_EQ(log.keys.last(), QStringLiteral("Komprese"));
}

TEST_F(ActionWheelTest, TheWidgetsCornersCountAsAwayFromTheWheel)
{
    auto wheel = makeWheel(WheelMode::convert);
    wheel->setPinned(QStringLiteral("TIFF"));
    mouseMove(wheel.get(), wedgePoint(*wheel, 0));
    EXPECT_EQ(wheel->hovered(), 0);
    mouseMove(wheel.get(), QPointF(2, 2));
    EXPECT_EQ(wheel->hovered(), 3);
    mouseMove(wheel.get(), wheelPoint(*wheel, 0, 10)); // the hole is on the wheel: no highlight
    EXPECT_FALSE(wheel->hovered().has_value());
}

TEST_F(ActionWheelTest, PinnedKeyOfAnotherModeLightsNothing)
{
    auto wheel = makeWheel(WheelMode::convert);
    wheel->setPinned(QStringLiteral("Komprese"));
    EXPECT_FALSE(wheel->hovered().has_value());
    mouseMove(wheel.get(), wedgePoint(*wheel, 1));
    leave(wheel.get());
    EXPECT_FALSE(wheel->hovered().has_value());
}

TEST_F(ActionWheelTest, ClickOnWedgeSelectsItsAction)
{
    auto wheel = makeWheel(WheelMode::actions);
    QList<QString> selected;
    QObject::connect(wheel.get(), &ActionWheel::actionSelected, [&](const WheelAction& a) { selected.append(a.key); });
    mouseMove(wheel.get(), wedgePoint(*wheel, 4));
    click(wheel.get(), wedgePoint(*wheel, 4));
    EXPECT_EQ(selected, QList<QString>{QStringLiteral("Metadata")});
    EXPECT_EQ(wheel->hovered(), 4); // a click keeps the highlight
}

TEST_F(ActionWheelTest, ClicksInTheHoleOrOutsideCallNothing)
{
    auto wheel = makeWheel(WheelMode::convert);
    int selected = 0;
    QObject::connect(wheel.get(), &ActionWheel::actionSelected, [&] { ++selected; });
    click(wheel.get(), wheelPoint(*wheel, 45, 30));
    click(wheel.get(), wheelPoint(*wheel, 45, 148));
    click(wheel.get(), QPointF(1, 1));
    EXPECT_EQ(selected, 0);
}

TEST_F(ActionWheelTest, PressAndReleaseOnDifferentWedgesIsNoClick)
{
    auto wheel = makeWheel(WheelMode::convert);
    int selected = 0;
    QObject::connect(wheel.get(), &ActionWheel::actionSelected, [&] { ++selected; });
    const QPointF a = wedgePoint(*wheel, 0);
    const QPointF b = wedgePoint(*wheel, 3);
    QMouseEvent press(QEvent::MouseButtonPress, a, a, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(wheel.get(), &press);
    QMouseEvent release(QEvent::MouseButtonRelease, b, b, Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(wheel.get(), &release);
    EXPECT_EQ(selected, 0);
}

TEST_F(ActionWheelTest, DisabledWheelIgnoresThePointer)
{
    auto wheel = makeWheel(WheelMode::convert);
    int selected = 0;
    QObject::connect(wheel.get(), &ActionWheel::actionSelected, [&] { ++selected; });
    wheel->setEnabled(false);
    mouseMove(wheel.get(), wedgePoint(*wheel, 1));
    click(wheel.get(), wedgePoint(*wheel, 1));
    EXPECT_FALSE(wheel->hovered().has_value());
    EXPECT_EQ(selected, 0);
}

TEST_F(ActionWheelTest, ModeChangeStartsWithoutHighlightAndSaysSo)
{
    HoverLog log;
    auto wheel = makeWheel(WheelMode::convert, &log);
    mouseMove(wheel.get(), wedgePoint(*wheel, 3));
    wheel->setMode(WheelMode::tools);
    EXPECT_FALSE(wheel->hovered().has_value());
    EXPECT_EQ(wheel->wheelActions().size(), 9);
    EXPECT_EQ(log.keys.last(), std::nullopt);
    EXPECT_EQ(wheel->currentVisual().centre.title, title(WheelMode::tools));
}

TEST_F(ActionWheelTest, ModeSwapAnimatesOnScreenOnly)
{
    ActionWheel hidden(WheelMode::convert);
    hidden.setMode(WheelMode::tools);
    EXPECT_FALSE(hidden.isAnimating()); // nothing to see: the new wheel is there at once

    ActionWheel shown(WheelMode::convert);
    shown.show();
    shown.setMode(WheelMode::actions);
    EXPECT_TRUE(shown.isAnimating());
    EXPECT_EQ(shown.mode(), WheelMode::actions);
    EXPECT_EQ(shown.wheelGeometry().count, 6);
    shown.settle();
    EXPECT_FALSE(shown.isAnimating());
}

TEST_F(ActionWheelTest, HighlightSpringsWithoutOvershoot)
{
    Spring spring;
    spring.target = 1;
    double peak = 0;
    double at100ms = 0;
    for (int frame = 1; frame <= 120; ++frame) {
        spring.step(1.0 / 120);
        peak = std::max(peak, spring.value);
        if (frame == 12)
            at100ms = spring.value;
    }
    EXPECT_LE(peak, 1.0 + 1e-9);
    EXPECT_GT(at100ms, 0.3);  // well under way after 0.1 s
    EXPECT_LT(at100ms, 0.95); // but not a jump
    EXPECT_TRUE(spring.settled());
}

TEST_F(ActionWheelTest, HoverAnimatesTowardsTheHighlight)
{
    auto wheel = makeWheel(WheelMode::convert);
    mouseMove(wheel.get(), wedgePoint(*wheel, 1));
    EXPECT_TRUE(wheel->isAnimating());
    EXPECT_LT(wheel->currentVisual().highlightOf(1), 1.0);
    wheel->settle();
    EXPECT_FALSE(wheel->isAnimating());
    EXPECT_DOUBLE_EQ(wheel->currentVisual().highlightOf(1), 1.0);
    EXPECT_DOUBLE_EQ(wheel->currentVisual().highlightOf(0), 0.0);
    EXPECT_DOUBLE_EQ(wheel->currentVisual().centreHighlight, 1.0);
    EXPECT_EQ(wheel->currentVisual().centre.symbol, QStringLiteral("square.on.square"));
}

TEST_F(ActionWheelTest, ColoursRepeatAfterSix)
{
    const WheelVisual visual = settledVisual(WheelMode::tools, 6);
    EXPECT_EQ(visual.colorOf(6), wedgeHighlightColors()[0]);
    EXPECT_EQ(visual.colorOf(8), wedgeHighlightColors()[2]);
}

TEST_F(ActionWheelTest, EmptyColourListIsRefused)
{
    ActionWheel wheel(WheelMode::tools);
    wheel.setWedgeColors({});
    EXPECT_EQ(wheel.currentVisual().wedgeColors.size(), 6);
}

// Paints a settled wheel on the light card colour and returns the picture (1 px = 1 unit).
QImage paint(WheelMode mode, std::optional<int> hovered)
{
    const WheelGeometry g{280, 0.4, int(actions(mode).size())};
    QImage image(300, 300, QImage::Format_ARGB32);
    const WheelPalette palette = WheelPalette::light();
    image.fill(palette.cardFill);
    QPainter painter(&image);
    painter.translate(10, 10);
    paintWheel(painter, g, settledVisual(mode, hovered), palette);
    return image;
}

QColor pixelAt(const QImage& image, double angle, double distance)
{
    const double a = (angle - 90) * M_PI / 180;
    return image.pixelColor(int(150 + std::cos(a) * distance), int(150 + std::sin(a) * distance));
}

bool near(const QColor& a, const QColor& b, int tolerance = 24)
{
    return std::abs(a.red() - b.red()) <= tolerance && std::abs(a.green() - b.green()) <= tolerance
        && std::abs(a.blue() - b.blue()) <= tolerance;
}

TEST_F(ActionWheelTest, HighlightedWedgeTakesItsColourAndGrows)
{
    const QImage image = paint(WheelMode::tools, 2);
    const QColor colour = wedgeHighlightColors()[2];
    // Near the outer edge, away from the label.
    EXPECT_TRUE(near(pixelAt(image, 2.5 * 40, 132), colour));
    // 142 px out lies beyond a resting wedge (140) but inside a grown one (144.2).
    EXPECT_TRUE(near(pixelAt(image, 2.5 * 40, 142.5), colour));
    EXPECT_FALSE(near(pixelAt(image, 4.5 * 40, 142.5), colour));
    // A resting wedge is a faint grey, not a colour.
    const QColor resting = pixelAt(image, 4.5 * 40, 132);
    EXPECT_LT(std::abs(resting.red() - resting.blue()), 8);
    EXPECT_LT(resting.lightness(), 250);
}

TEST_F(ActionWheelTest, GapsShowTheCanvasColour)
{
    const QImage image = paint(WheelMode::convert, std::nullopt);
    const QColor inGap = pixelAt(image, 60, 120);
    const QColor inWedge = pixelAt(image, 45, 120);
    EXPECT_GT(inGap.lightness(), inWedge.lightness());
}

TEST_F(ActionWheelTest, CentreBorderTurnsEmberWithAHighlight)
{
    const QImage idle = paint(WheelMode::convert, std::nullopt);
    const QImage lit = paint(WheelMode::convert, 0);
    // The border lies just inside the 50-px disc.
    const QColor border = pixelAt(lit, 90, 49.3);
    EXPECT_TRUE(near(border, WheelPalette::light().ember, 60)) << border.name().toStdString();
    EXPECT_FALSE(near(pixelAt(idle, 90, 49.3), WheelPalette::light().ember, 60));
}

// ---- Drops -----------------------------------------------------------------------------------------

TEST_F(ActionWheelTest, DropOnWedgeHandsOverFilesAndClearsHighlight)
{
    auto wheel = makeWheel(WheelMode::convert);
    QList<QUrl> got;
    QString key;
    QObject::connect(wheel.get(), &ActionWheel::filesDropped, [&](const QList<QUrl>& urls, const WheelAction& a) {
        got = urls;
        key = a.key;
    });
    const QList<QUrl> urls = {QUrl::fromLocalFile("/tmp/a.jpg"), QUrl::fromLocalFile("/tmp/b.jpg")};
    std::unique_ptr<QMimeData> mime(urlMime(urls));
    EXPECT_TRUE(dragEnter(wheel.get(), wedgePoint(*wheel, 3), mime.get()));
    EXPECT_TRUE(dragMove(wheel.get(), wedgePoint(*wheel, 3), mime.get()));
    EXPECT_EQ(wheel->hovered(), 3);
    EXPECT_FALSE(dragMove(wheel.get(), wheelPoint(*wheel, 10, 30), mime.get())); // hole: forbidden
    EXPECT_FALSE(wheel->hovered().has_value());
    EXPECT_TRUE(dragMove(wheel.get(), wedgePoint(*wheel, 4), mime.get()));
    const DropOutcome outcome = drop(wheel.get(), wedgePoint(*wheel, 4), mime.get());
    EXPECT_TRUE(outcome.accepted);
    EXPECT_EQ(outcome.action, Qt::CopyAction);
    EXPECT_EQ(got, urls);
    EXPECT_EQ(key, QStringLiteral("PDF"));
    EXPECT_FALSE(wheel->hovered().has_value());
}

TEST_F(ActionWheelTest, WebLinksAreRefused)
{
    auto wheel = makeWheel(WheelMode::convert);
    int drops = 0;
    QObject::connect(wheel.get(), &ActionWheel::filesDropped, [&] { ++drops; });
    std::unique_ptr<QMimeData> mime(urlMime({QUrl("https://example.org/photo.jpg")}));
    EXPECT_FALSE(dragEnter(wheel.get(), wedgePoint(*wheel, 1), mime.get()));
    EXPECT_FALSE(drop(wheel.get(), wedgePoint(*wheel, 1), mime.get()).accepted);
    EXPECT_EQ(drops, 0);
}

TEST_F(ActionWheelTest, MixedDropKeepsOnlyLocalFiles)
{
    auto wheel = makeWheel(WheelMode::convert);
    QList<QUrl> got;
    QObject::connect(wheel.get(), &ActionWheel::filesDropped, [&](const QList<QUrl>& urls) { got = urls; });
    std::unique_ptr<QMimeData> mime(urlMime({QUrl("https://example.org/a.jpg"), QUrl::fromLocalFile("/tmp/b.jpg")}));
    ASSERT_TRUE(dragEnter(wheel.get(), wedgePoint(*wheel, 0), mime.get()));
    EXPECT_TRUE(drop(wheel.get(), wedgePoint(*wheel, 0), mime.get()).accepted);
    EXPECT_EQ(got, QList<QUrl>{QUrl::fromLocalFile("/tmp/b.jpg")});
}

TEST_F(ActionWheelTest, DropInTheHoleOrWithoutFilesCallsNothing)
{
    auto wheel = makeWheel(WheelMode::convert);
    int drops = 0;
    QObject::connect(wheel.get(), &ActionWheel::filesDropped, [&] { ++drops; });
    EXPECT_FALSE(wheel->dropAt(wheelPoint(*wheel, 0, 10), {QUrl::fromLocalFile("/tmp/a.jpg")}));
    EXPECT_TRUE(wheel->dropAt(wedgePoint(*wheel, 2), {})); // on a wedge but nothing came
    EXPECT_EQ(drops, 0);
}

TEST_F(ActionWheelTest, LeavingDragClearsHighlight)
{
    auto wheel = makeWheel(WheelMode::convert);
    std::unique_ptr<QMimeData> mime(urlMime({QUrl::fromLocalFile("/tmp/a.jpg")}));
    dragEnter(wheel.get(), wedgePoint(*wheel, 1), mime.get());
    EXPECT_EQ(wheel->hovered(), 1);
    dragLeave(wheel.get());
    EXPECT_FALSE(wheel->hovered().has_value());
}

} // namespace
