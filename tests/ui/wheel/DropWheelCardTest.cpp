// The drop card with a scripted store: drops, the importer, the loaded face, the file strip.
#include <algorithm>
#include <memory>

#include <QApplication>
#include <QPainter>
#include <QVBoxLayout>

#include <gtest/gtest.h>

#include "ui/design/DesignSystem.h"
#include "ui/design/ModeSwitcher.h"
#include "ui/design/Motion.h"
#include "ui/wheel/ActionWheel.h"
#include "ui/wheel/DropRing.h"
#include "ui/wheel/DropWheelCard.h"
#include "ui/wheel/FileImporter.h"
#include "ui/wheel/LoadedWheel.h"
#include "gallery/ScriptedWheelStore.h"
#include "ui/wheel/StatusLine.h"
#include "ui/wheel/WheelControls.h"
#include "WheelTestSupport.h"

using namespace kelvaro;
using namespace kelvaro::wheel;
using namespace wheeltest;

namespace {

// An importer that records its openings and answers when told.
class FakeImporter : public FileImporter {
public:
    int opened = 0;
    std::function<void(const QList<QUrl>&)> pending;
    void choose(QWidget*, std::function<void(const QList<QUrl>&)> done) override
    {
        ++opened;
        pending = std::move(done);
    }
    void answer(const QList<QUrl>& urls)
    {
        auto done = std::exchange(pending, nullptr);
        ASSERT_TRUE(done);
        done(urls);
    }
};

QStringList files(int count)
{
    QStringList list;
    for (int i = 0; i < count; ++i)
        list.append(QStringLiteral("/tmp/kelvaro-card/photo %1.jpg").arg(i + 1));
    return list;
}

class DropWheelCardTest : public CzechTest {
protected:
    void SetUp() override
    {
        CzechTest::SetUp();
        importer = std::make_shared<FakeImporter>();
        card = std::make_unique<DropWheelCard>(store, importer);
        card->resize(720, 720);
        card->show();
        QApplication::processEvents();
    }

    void load(int count)
    {
        store.update([count](auto& v) { v.droppedFiles = files(count); });
        QApplication::processEvents();
    }

    ActionWheel& wheel() { return *card->loadedWheel()->wheel(); }
    // A card point on wedge i of the wheel.
    QPointF onWedge(int i) { return wheel().mapTo(card.get(), wedgePoint(wheel(), i)); }
    QPointF inHole() { return wheel().mapTo(card.get(), wheelPoint(wheel(), 0, 20)); }

    ScriptedWheelStore store;
    std::shared_ptr<FakeImporter> importer;
    std::unique_ptr<DropWheelCard> card;
};

TEST_F(DropWheelCardTest, DragOverEmptyCardSaysDropItHereAndADropReplacesAndShowsTheWheel)
{
    std::unique_ptr<QMimeData> mime(urlMime(urlsOf(files(2))));
    EXPECT_TRUE(dragEnter(card.get(), QPointF(100, 100), mime.get()));
    EXPECT_EQ(card->promptTitle(), QStringLiteral("Pusť to sem"));
    dragLeave(card.get());
    EXPECT_EQ(card->promptTitle(), QStringLiteral("Přetáhni sem fotky"));
    ASSERT_TRUE(dragEnter(card.get(), QPointF(100, 100), mime.get()));
    const DropOutcome outcome = drop(card.get(), QPointF(100, 100), mime.get());
    EXPECT_TRUE(outcome.accepted);
    EXPECT_EQ(outcome.action, Qt::CopyAction);
    ASSERT_EQ(store.received.size(), 1);
    EXPECT_FALSE(store.received[0].adding);
    EXPECT_EQ(store.received[0].urls, urlsOf(files(2)));
    EXPECT_TRUE(card->isLoadedFaceShown());
    EXPECT_FALSE(card->isTargeted());
}

TEST_F(DropWheelCardTest, OnlyLocalFilesReachTheStoreAndWebLinksAloneAreRefused)
{
    std::unique_ptr<QMimeData> web(urlMime({QUrl("https://example.org/a.jpg"), QUrl("http://example.org/b.png")}));
    EXPECT_FALSE(dragEnter(card.get(), QPointF(100, 100), web.get()));
    EXPECT_FALSE(drop(card.get(), QPointF(100, 100), web.get()).accepted);
    EXPECT_TRUE(store.received.isEmpty());

    const QUrl local = QUrl::fromLocalFile("/tmp/kelvaro-card/a.jpg");
    std::unique_ptr<QMimeData> mixed(urlMime({QUrl("https://example.org/a.jpg"), local}));
    ASSERT_TRUE(dragEnter(card.get(), QPointF(100, 100), mixed.get()));
    EXPECT_TRUE(drop(card.get(), QPointF(100, 100), mixed.get()).accepted);
    ASSERT_EQ(store.received.size(), 1);
    EXPECT_EQ(store.received[0].urls, QList<QUrl>{local});
}

TEST_F(DropWheelCardTest, DropOnLoadedCardOutsideTheWedgesAdds)
{
    load(2);
    std::unique_ptr<QMimeData> mime(urlMime(urlsOf({"/tmp/kelvaro-card/new.jpg"})));
    ASSERT_TRUE(dragEnter(card.get(), QPointF(30, 30), mime.get()));
    EXPECT_TRUE(card->isOverlayShown());
    EXPECT_TRUE(dragMove(card.get(), QPointF(30, 30), mime.get()));
    EXPECT_TRUE(drop(card.get(), QPointF(30, 30), mime.get()).accepted);
    ASSERT_EQ(store.received.size(), 1);
    EXPECT_TRUE(store.received[0].adding);
    EXPECT_FALSE(card->isOverlayShown());
    EXPECT_TRUE(store.performed.isEmpty());
}

TEST_F(DropWheelCardTest, DropOnAWedgeReplacesThenRunsThatWedge)
{
    load(2);
    store.setWheelMode(WheelMode::tools);
    std::unique_ptr<QMimeData> mime(urlMime(urlsOf({"/tmp/kelvaro-card/x.jpg"})));
    ASSERT_TRUE(dragEnter(card.get(), QPointF(30, 30), mime.get()));
    EXPECT_TRUE(dragMove(card.get(), onWedge(5), mime.get()));
    EXPECT_EQ(wheel().hovered(), 5);           // the wedge lights as under the mouse
    EXPECT_TRUE(card->isOverlayShown());       // and the card still says it adds elsewhere
    EXPECT_FALSE(dragMove(card.get(), inHole(), mime.get())); // the hole takes nothing
    EXPECT_FALSE(wheel().hovered().has_value());
    EXPECT_TRUE(dragMove(card.get(), onWedge(5), mime.get()));
    EXPECT_TRUE(drop(card.get(), onWedge(5), mime.get()).accepted);
    ASSERT_EQ(store.received.size(), 1);
    EXPECT_FALSE(store.received[0].adding);
    ASSERT_EQ(store.performed.size(), 1);
    EXPECT_EQ(store.performed[0].action.key, QStringLiteral("Obličeje"));
    EXPECT_EQ(store.performed[0].mode, WheelMode::tools);
    EXPECT_FALSE(wheel().hovered().has_value());
}

TEST_F(DropWheelCardTest, TheStripShowsUpToSixtyTilesAndCountsTheRest)
{
    load(61);
    EXPECT_EQ(card->loadedWheel()->tileCount(), 60);
    EXPECT_EQ(card->loadedWheel()->moreText(), QStringLiteral("+1"));
    load(75);
    EXPECT_EQ(card->loadedWheel()->moreText(), QStringLiteral("+15"));
    load(3);
    EXPECT_EQ(card->loadedWheel()->tileCount(), 3);
    EXPECT_TRUE(card->loadedWheel()->moreText().isEmpty());
}

TEST_F(DropWheelCardTest, RemovingTilesDownToOneAndClosingReturnsToThePrompt)
{
    load(2);
    SymbolButton* remove = card->loadedWheel()->removeButton(files(2)[1]);
    ASSERT_NE(remove, nullptr);
    remove->click();
    ASSERT_TRUE(waitFor([&] { return !store.removed.isEmpty() && !card->loadedWheel()->isStripShown(); }))
        << "the tile was never removed";
    EXPECT_EQ(store.removed, QStringList{files(2)[1]});
    card->loadedWheel()->closeButton()->click();
    EXPECT_EQ(store.clears, 1);
    EXPECT_FALSE(card->isLoadedFaceShown());
}

TEST_F(DropWheelCardTest, WhileWorkingAddIsOffAndTheWheelIgnoresTheMouse)
{
    load(2);
    store.update([](auto& v) { v.isWorking = true; });
    EXPECT_FALSE(card->loadedWheel()->addButton()->isEnabled());
    EXPECT_TRUE(card->loadedWheel()->closeButton()->isEnabled());
    click(&wheel(), wedgePoint(wheel(), 1));
    EXPECT_TRUE(store.performed.isEmpty());
    // A drop over the wheel now goes to the card, which adds.
    std::unique_ptr<QMimeData> mime(urlMime(urlsOf({"/tmp/kelvaro-card/late.jpg"})));
    ASSERT_TRUE(dragEnter(card.get(), onWedge(1), mime.get()));
    EXPECT_TRUE(drop(card.get(), onWedge(1), mime.get()).accepted);
    ASSERT_EQ(store.received.size(), 1);
    EXPECT_TRUE(store.received[0].adding);
    EXPECT_TRUE(store.performed.isEmpty());
}

TEST_F(DropWheelCardTest, HoveringAWedgeNamesItInTheStatusLineUntilTheModeSwitches)
{
    load(1);
    store.setWheelMode(WheelMode::tools);
    StatusLine* status = card->loadedWheel()->statusLine();
    mouseMove(&wheel(), wedgePoint(wheel(), 0));
    const WheelAction crop = actions(WheelMode::tools).first();
    EXPECT_EQ(status->shownText(), crop.key + QStringLiteral(" · ") + crop.detail());
    EXPECT_EQ(status->iconSymbol(), QStringLiteral("crop"));
    // The mode switch writes the store and swaps the wheel, which forgets the hovered wedge.
    ModeSwitcher* modes = card->loadedWheel()->modeSwitch();
    click(modes, modes->segmentRect(WheelMode::actions).center());
    EXPECT_EQ(store.values.wheelMode, WheelMode::actions);
    EXPECT_EQ(wheel().mode(), WheelMode::actions);
    EXPECT_EQ(status->shownText(), QStringLiteral("Najeď na výseč a klikni"));
}

TEST_F(DropWheelCardTest, StoreChangesKeepTheWedgeUnderThePointer)
{
    load(1);
    mouseMove(&wheel(), wedgePoint(wheel(), 3));
    store.update([](auto& v) { v.statusMessage = QStringLiteral("Tyhle soubory už ve výběru jsou."); });
    EXPECT_EQ(wheel().hovered(), 3);
}

TEST_F(DropWheelCardTest, TheImporterAddsWhatIsChosenAndACancelResetsItsFlags)
{
    load(1);
    card->loadedWheel()->addButton()->click();
    ASSERT_EQ(store.importerRequests, QList<bool>{true});
    importer->answer(urlsOf({"/tmp/kelvaro-card/more.jpg"}));
    ASSERT_EQ(store.received.size(), 1);
    EXPECT_TRUE(store.received[0].adding);
    EXPECT_FALSE(store.values.importerAdds);

    store.requestImporter(true);
    EXPECT_EQ(importer->opened, 2);
    importer->answer({});
    EXPECT_EQ(store.received.size(), 1);
    EXPECT_FALSE(store.values.importerAdds);
    EXPECT_FALSE(store.values.showImporter);
    store.requestImporter(false); // the next request opens it again
    EXPECT_EQ(importer->opened, 3);
}

TEST_F(DropWheelCardTest, TheBannersLinksRevealAndUndo)
{
    store.update([](auto& v) {
        v.statusMessage = QStringLiteral("Přesunuto 1 soubor do „Fotky“.");
        v.lastOutputs = {"/tmp/kelvaro-card/out.jpg"};
    });
    ASSERT_TRUE(card->isBannerShown());
    EXPECT_EQ(card->bannerText(), QStringLiteral("Přesunuto 1 soubor do „Fotky“."));
    EXPECT_FALSE(card->bannerUndoButton()->isVisibleTo(card.get()));
    card->bannerRevealButton()->click();
    EXPECT_EQ(store.reveals, 1);
    store.update([](auto& v) { v.hasUndo = true; });
    card->bannerUndoButton()->click();
    EXPECT_EQ(store.undos, 1);
}

// The capsules grow with their text: every line of a message that wraps is shown, in the
// banner of the empty card and in the status line under the wheel, wide or narrow.
TEST_F(DropWheelCardTest, WrappedMessagesShowAllTheirLines)
{
    const QString text = QStringLiteral("Zkopírováno 2 soubory do „Fotky z dovolené 2026“. Originály (2) zůstaly na místě – "
                                        "systém nepovolil jejich odstranění.");
    const auto linesShown = [&](QWidget* root) {
        for (auto* label : root->findChildren<ToneLabel*>()) {
            if (label->text() != text || !label->isVisibleTo(root))
                continue;
            const int lines = label->QLabel::heightForWidth(label->width()) / label->fontMetrics().lineSpacing();
            return lines >= 2 && label->height() >= label->QLabel::heightForWidth(label->width());
        }
        return false;
    };
    // Each nested layout takes its own pass.
    const auto allLinesShown = [&](QWidget* root) { return waitFor([&] { return linesShown(root); }); };
    store.update([&](auto& v) { v.statusMessage = text; });
    for (int width : {720, 520}) {
        card->resize(width, 720);
        EXPECT_TRUE(allLinesShown(card.get())) << "banner at " << width;
    }
    load(2);
    for (int width : {720, 520}) {
        card->resize(width, 900);
        EXPECT_TRUE(allLinesShown(card.get())) << "status line at " << width;
    }
}

// A drag over the empty card springs the ring to its targeted look and back; over a loaded card
// "Přidat do výběru" fades in and out. Each starts on the change and ends at its target.
TEST_F(DropWheelCardTest, TheRingSpringsAndTheAddOverlayFadesWithTheDrag)
{
    std::unique_ptr<QMimeData> mime(urlMime(urlsOf(files(1))));
    ASSERT_DOUBLE_EQ(card->ringTargeting(), 0);
    ASSERT_TRUE(dragEnter(card.get(), QPointF(100, 100), mime.get()));
    EXPECT_LT(card->ringTargeting(), 1) << "the ring moves rather than jumps";
    ASSERT_TRUE(waitFor([&] { return card->ringTargeting() == 1; }));
    dragLeave(card.get());
    EXPECT_GT(card->ringTargeting(), 0);
    ASSERT_TRUE(waitFor([&] { return card->ringTargeting() == 0; }));

    load(2);
    ASSERT_TRUE(dragEnter(card.get(), QPointF(30, 30), mime.get()));
    EXPECT_TRUE(card->isOverlayShown());
    EXPECT_LT(card->overlayOpacity(), 1);
    ASSERT_TRUE(waitFor([&] { return card->overlayOpacity() == 1; }));
    dragLeave(card.get());
    EXPECT_FALSE(card->isOverlayShown());
    EXPECT_GT(card->overlayOpacity(), 0) << "it fades out rather than vanishing";
    ASSERT_TRUE(waitFor([&] { return card->overlayOpacity() == 0; }));
}

// Files coming in, a changed selection and files going fade the card from what it showed to
// what it shows now; at rest nothing lies over the card.
TEST_F(DropWheelCardTest, EveryChangeOfTheDroppedFilesFadesTheCardOver)
{
    struct Step {
        const char* name;
        int files;
        bool loaded;
    };
    for (const Step& step : {Step{"in", 2, true}, Step{"more", 3, true}, Step{"out", 0, false}}) {
        load(step.files);
        EXPECT_TRUE(card->isChangingFace()) << step.name;
        EXPECT_EQ(card->isLoadedFaceShown(), step.loaded) << step.name;
        ASSERT_TRUE(waitFor([&] { return !card->isChangingFace(); })) << step.name;
    }
    // The same files again change nothing.
    store.update([](auto& v) { v.statusMessage = QStringLiteral("Hotovo"); });
    EXPECT_FALSE(card->isChangingFace());
}

// The picture the card fades from is the card alone: over whatever ground the card lies on, its
// rounded corners show that ground while it fades, as at rest, not the window's colour.
TEST_F(DropWheelCardTest, TheFadingPictureKeepsTheRoundedCorners)
{
    class Ground : public QWidget {
    protected:
        void paintEvent(QPaintEvent*) override { QPainter(this).fillRect(rect(), QColor(200, 0, 0)); }
    };
    Ground ground;
    auto* column = new QVBoxLayout(&ground);
    column->setContentsMargins(10, 10, 10, 10);
    auto* lying = new DropWheelCard(store, importer);
    column->addWidget(lying);
    ground.resize(740, 740);
    ground.show();
    ASSERT_TRUE(waitFor([&] { return lying->isVisible() && lying->width() > 0; }));
    const QRect frame = lying->geometry();
    const QList<QPoint> corners{frame.topLeft(), frame.topRight(), frame.bottomLeft(), frame.bottomRight()};
    const QImage atRest = ground.grab().toImage();
    store.update([](auto& v) { v.droppedFiles = files(2); });
    ASSERT_TRUE(lying->isChangingFace());
    const QImage changing = ground.grab().toImage();
    for (const QPoint& corner : corners)
        EXPECT_EQ(changing.pixelColor(corner).name(), atRest.pixelColor(corner).name()) << corner.x() << "," << corner.y();
    ASSERT_TRUE(waitFor([&] { return !lying->isChangingFace(); }));
}

// Files dropped to add to the selection: "Přidat do výběru" fades out over its own 0.15 s on
// top of the card fading over, and is not kept in the picture the card fades from.
TEST_F(DropWheelCardTest, TheAddOverlayIsNotKeptInThePictureTheCardFadesFrom)
{
    load(2);
    ASSERT_TRUE(waitFor([&] { return !card->isChangingFace(); }));
    const QImage atRest = card->grab().toImage();
    std::unique_ptr<QMimeData> mime(urlMime(urlsOf({QStringLiteral("/tmp/kelvaro-card/another.jpg")})));
    ASSERT_TRUE(dragEnter(card.get(), QPointF(30, 30), mime.get()));
    ASSERT_TRUE(waitFor([&] { return card->overlayOpacity() == 1; }));
    ASSERT_TRUE(drop(card.get(), QPointF(30, 30), mime.get()).accepted);
    ASSERT_TRUE(card->isChangingFace());
    // Held where it starts, the fade shows the picture it was given whole.
    for (SpringAnimation* spring : card->findChildren<SpringAnimation*>())
        if (spring->state() == QAbstractAnimation::Running)
            spring->pause();
    ASSERT_TRUE(waitFor([&] { return card->overlayOpacity() == 0; }));
    const QImage fading = card->grab().toImage();
    ASSERT_EQ(fading.size(), atRest.size());
    EXPECT_EQ(differingPixels(atRest, fading), 0);
}

// The symbol in the ring bounces once on every change of the drag, in and out alike: its scale
// leaves 1 and comes back to it. The card's animations are stepped by hand.
TEST_F(DropWheelCardTest, TheSymbolBouncesOnEveryChangeOfTheDrag)
{
    std::unique_ptr<QMimeData> mime(urlMime(urlsOf(files(1))));
    ASSERT_DOUBLE_EQ(card->symbolScale(), 1);
    for (const bool targeted : {true, false, true, false}) {
        if (targeted)
            ASSERT_TRUE(dragEnter(card.get(), QPointF(100, 100), mime.get()));
        else
            dragLeave(card.get());
        QList<SpringAnimation*> running;
        for (SpringAnimation* spring : card->findChildren<SpringAnimation*>())
            if (spring->state() == QAbstractAnimation::Running)
                running << spring;
        double highest = 1;
        for (SpringAnimation* spring : running) {
            spring->pause();
            spring->setCurrentTime(spring->duration() / 5);
            highest = std::max(highest, card->symbolScale());
        }
        for (SpringAnimation* spring : running)
            spring->setCurrentTime(spring->duration());
        EXPECT_GT(highest, 1.05) << "no bounce on " << targeted;
        EXPECT_DOUBLE_EQ(card->symbolScale(), 1) << "the bounce did not end at rest on " << targeted;
    }
}

// A change of the drag in the middle of a bounce starts the bounce over: the symbol rises to the
// height of a bounce again rather than finishing the one under way. The animations are set and
// stepped by hand from where each stands.
TEST_F(DropWheelCardTest, AChangeOfTheDragMidBounceStartsTheBounceOver)
{
    const auto running = [&] {
        QList<SpringAnimation*> list;
        for (SpringAnimation* spring : card->findChildren<SpringAnimation*>())
            if (spring->state() == QAbstractAnimation::Running)
                list << spring;
        return list;
    };
    std::unique_ptr<QMimeData> mime(urlMime(urlsOf(files(1))));
    ASSERT_TRUE(dragEnter(card.get(), QPointF(100, 100), mime.get()));
    // Half way through, the first bounce has almost come back to rest, and running still.
    for (SpringAnimation* spring : running())
        spring->setCurrentTime(spring->duration() / 2);
    ASSERT_GT(card->symbolScale(), 1);
    ASSERT_LT(card->symbolScale(), 1.05);
    dragLeave(card.get());
    const QList<SpringAnimation*> after = running();
    QHash<SpringAnimation*, int> from;
    for (SpringAnimation* spring : after) {
        spring->pause();
        from.insert(spring, spring->currentTime());
    }
    double highest = card->symbolScale();
    constexpr int steps = 50;
    for (int step = 1; step <= steps; ++step)
        for (SpringAnimation* spring : after) {
            const int rest = spring->duration() - from.value(spring);
            spring->setCurrentTime(from.value(spring) + rest * step / steps);
            highest = std::max(highest, card->symbolScale());
        }
    EXPECT_GT(highest, 1 + DropRing::kBounceGrowth * 0.9) << "the bounce under way went on instead of starting over";
    EXPECT_DOUBLE_EQ(card->symbolScale(), 1);
}

// On a page that gives the card the height it asks for, files dropped on the prompt grow the card
// into the wheel on its spring: the change starts from the prompt exactly as it was shown (no
// box of it over a card already grown to the wheel) and passes through heights between the two.
TEST_F(DropWheelCardTest, ThePromptGrowsIntoTheWheelOnTheCardsSpring)
{
    card.reset();
    QWidget page;
    auto* column = new QVBoxLayout(&page);
    column->setContentsMargins(0, 0, 0, 0);
    auto* grown = new DropWheelCard(store, importer);
    column->addWidget(grown);
    column->addStretch(1);
    page.resize(720, 1400);
    page.show();
    ASSERT_TRUE(waitFor([&] { return grown->height() == grown->sizeHint().height(); }));
    const int promptHeight = grown->height();
    const QImage prompt = grown->grab().toImage();

    store.update([](auto& v) { v.droppedFiles = files(2); });
    ASSERT_TRUE(grown->isChangingFace());
    QList<SpringAnimation*> running;
    for (SpringAnimation* spring : grown->findChildren<SpringAnimation*>())
        if (spring->state() == QAbstractAnimation::Running)
            running << spring;
    ASSERT_EQ(running.size(), 1);
    SpringAnimation* change = running.first();
    change->pause();
    const auto heightAt = [&](int ms) {
        change->setCurrentTime(ms);
        EXPECT_TRUE(waitFor([&] { return grown->height() == grown->sizeHint().height(); })) << ms << " ms";
        return grown->height();
    };
    EXPECT_EQ(heightAt(0), promptHeight);
    const QImage start = grown->grab().toImage();
    ASSERT_EQ(start.size(), prompt.size());
    EXPECT_EQ(differingPixels(start, prompt), 0);

    QList<int> heights;
    for (int step = 1; step <= 3; ++step)
        heights << heightAt(change->duration() * step / 8);
    change->resume();
    ASSERT_TRUE(waitFor([&] { return !grown->isChangingFace(); }));
    ASSERT_TRUE(waitFor([&] { return grown->height() == grown->sizeHint().height(); }));
    const int wheelHeight = grown->height();
    EXPECT_GT(heights.first(), promptHeight);
    EXPECT_LT(heights.last(), wheelHeight);
    EXPECT_TRUE(std::is_sorted(heights.begin(), heights.end())) << heights[0] << ", " << heights[1] << ", " << heights[2];
}

} // namespace
