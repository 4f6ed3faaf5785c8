// The action wheel widget: hover, pinning, clicks and drops.
#include <memory>

#include <gtest/gtest.h>

#include "ui/wheel/ActionWheel.h"
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

// The hole, beyond the band, a corner and a press and release on two wedges select nothing; a
// click on one wedge selects it and keeps its highlight.
TEST_F(ActionWheelTest, AClickSelectsOnlyTheWedgeUnderBothPressAndRelease)
{
    auto wheel = makeWheel(WheelMode::actions);
    QList<QString> selected;
    QObject::connect(wheel.get(), &ActionWheel::actionSelected, [&](const WheelAction& a) { selected.append(a.key); });
    click(wheel.get(), wheelPoint(*wheel, 45, 30));
    click(wheel.get(), wheelPoint(*wheel, 45, 148));
    click(wheel.get(), QPointF(1, 1));
    uitest::mouse(wheel.get(), QEvent::MouseButtonPress, wedgePoint(*wheel, 0));
    uitest::mouse(wheel.get(), QEvent::MouseButtonRelease, wedgePoint(*wheel, 3));
    EXPECT_TRUE(selected.isEmpty());
    mouseMove(wheel.get(), wedgePoint(*wheel, 4));
    click(wheel.get(), wedgePoint(*wheel, 4));
    EXPECT_EQ(selected, QList<QString>{QStringLiteral("Metadata")});
    EXPECT_EQ(wheel->hovered(), 4);
}

// ---- Drops -----------------------------------------------------------------------------------------

TEST_F(ActionWheelTest, DropOnWedgeHandsOverFilesAndClearsHighlight)
{
    auto wheel = makeWheel(WheelMode::convert);
    QList<QUrl> got;
    QString key;
    int drops = 0;
    QObject::connect(wheel.get(), &ActionWheel::filesDropped, [&](const QList<QUrl>& urls, const WheelAction& a) {
        got = urls;
        key = a.key;
        ++drops;
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
    // In the hole, or on a wedge with nothing: no hand-over.
    EXPECT_FALSE(wheel->dropAt(wheelPoint(*wheel, 0, 10), {QUrl::fromLocalFile("/tmp/a.jpg")}));
    EXPECT_TRUE(wheel->dropAt(wedgePoint(*wheel, 2), {}));
    EXPECT_EQ(drops, 1);
}

} // namespace
