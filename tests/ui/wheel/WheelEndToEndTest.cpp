// The main road with the real store and engine: files dropped on the card, a wedge clicked,
// results in the output folder, shown in the status line and comparable with their input.
#include <memory>

#include <unistd.h>

#include <QDir>
#include <QImage>
#include <QScopeGuard>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "../../support/TestImages.h"
#include "WheelTestSupport.h"
#include "output/OutputFolder.h"
#include "platform/NativePath.h"
#include "store/KelvaroStore.h"
#include "ui/design/DesignSystem.h"
#include "ui/wheel/ActionWheel.h"
#include "ui/wheel/DragOutRow.h"
#include "ui/wheel/DropWheelCard.h"
#include "ui/wheel/FileImporter.h"
#include "ui/wheel/KelvaroWheelStore.h"
#include "ui/wheel/LoadedWheel.h"
#include "ui/wheel/StatusLine.h"
#include "ui/wheel/WheelControls.h"

using namespace kelvaro;
using namespace kelvaro::wheel;
using namespace wheeltest;
namespace ti = kelvaro::testimages;

namespace {

class NoImporter : public FileImporter {
public:
    void choose(QWidget*, std::function<void(const QList<QUrl>&)> done) override { done({}); }
};

using kelvaro::test::waitUntil;

class WheelEndToEnd : public CzechTest {
protected:
    void SetUp() override
    {
        CzechTest::SetUp();
        out = temp.filePath("Výsledky");
        QDir().mkpath(out);
        ASSERT_TRUE(OutputFolder::remember(out));
        for (int i = 0; i < 2; ++i)
            photos << ti::writeJpeg(temp.path(), QStringLiteral("fotka %1.jpg").arg(i + 1), ti::plain(64, 48, QColor(40 + 100 * i, 120, 200)));
        store = std::make_unique<KelvaroStore>(StoreServices::desktop(), QStringLiteral("kelvaro.library.wheeltest"));
        adapter = std::make_unique<KelvaroWheelStore>(*store);
        card = std::make_unique<DropWheelCard>(*adapter, std::make_shared<NoImporter>());
        card->resize(720, 760);
        card->show();
        QApplication::processEvents();
    }

    QString out;
    QStringList photos;
    std::unique_ptr<KelvaroStore> store;
    std::unique_ptr<KelvaroWheelStore> adapter;
    std::unique_ptr<DropWheelCard> card;
};

TEST_F(WheelEndToEnd, DroppedJpegsConvertedByAWedgeClick)
{
    std::unique_ptr<QMimeData> mime(urlMime(urlsOf(photos)));
    ASSERT_TRUE(dragEnter(card.get(), QPointF(60, 60), mime.get()));
    ASSERT_TRUE(drop(card.get(), QPointF(60, 60), mime.get()).accepted);
    ASSERT_EQ(store->droppedFiles().size(), 2);
    ASSERT_TRUE(card->isLoadedFaceShown());

    ActionWheel* wheel = card->loadedWheel()->wheel();
    ASSERT_EQ(wheel->mode(), WheelMode::convert);
    click(wheel, wedgePoint(*wheel, 1)); // "PNG"
    ASSERT_TRUE(waitUntil([&] { return !store->isWorking() && !store->lastOutputs().isEmpty(); }))
        << store->statusMessage().value_or(QString()).toStdString();

    const QStringList written = QDir(out).entryList({QStringLiteral("*.png")}, QDir::Files);
    EXPECT_EQ(written.size(), 2) << written.join(", ").toStdString();
    for (const QString& name : written)
        EXPECT_FALSE(QImage(QDir(out).filePath(name)).isNull());

    StatusLine* status = card->loadedWheel()->statusLine();
    EXPECT_EQ(status->tone(), StatusTone::message);
    EXPECT_TRUE(status->shownText().contains(QStringLiteral("Výsledky")));
    EXPECT_TRUE(status->isResultRowShown());
    EXPECT_EQ(status->dragOutRow()->chips().size(), 3); // two files and "Všech 2"
    EXPECT_FALSE(status->undoButton()->isHidden());

    // The comparison pairs the first output with the photo it came from.
    const std::optional<ComparePair> pair = adapter->comparePair();
    ASSERT_TRUE(pair.has_value());
    EXPECT_EQ(pair->after, store->lastOutputs().first());
    EXPECT_EQ(pair->before, photos.first());
    EXPECT_FALSE(status->compareButton()->isHidden());
}

// A photo whose name is not UTF-8: its result keeps the name's bytes, is offered for comparison
// with it, and its chip names it as text.
TEST_F(WheelEndToEnd, APhotoWhoseNameIsNotUtf8IsComparedWithItsResultAndNamedAsText)
{
    const QString photo = ti::writeJpeg(temp.path(), NativePath::decoded("caf\xe9.jpg"), ti::plain(40, 30, QColor(10, 200, 30)));
    const QString result = out + QStringLiteral("/") + NativePath::decoded("caf\xe9.png");
    const auto removeBoth = qScopeGuard([&] { // Qt's listing would not find them
        for (const QString& file : {photo, result})
            ::unlink(NativePath::encoded(file).constData());
    });
    store->receive(QStringList{photo}, false);
    store->run(KelvaroOp::convert(ImageFormat::png));
    ASSERT_TRUE(waitUntil([&] { return !store->isWorking(); }));
    ASSERT_EQ(store->lastOutputs(), QStringList{result}) << store->statusMessage().value_or(QString()).toStdString();
    EXPECT_EQ(kelvaro::test::namesIn(out), QStringList{NativePath::decoded("caf\xe9.png")});
    const std::optional<ComparePair> pair = adapter->comparePair();
    ASSERT_TRUE(pair.has_value());
    EXPECT_EQ(pair->before, photo);
    EXPECT_EQ(pair->after, result);
    StatusLine* status = card->loadedWheel()->statusLine();
    ASSERT_FALSE(status->dragOutRow()->chips().isEmpty());
    EXPECT_EQ(status->dragOutRow()->chips().first()->toolTip(), QStringLiteral("Přetáhni caf\uFFFD.png"));
    // Dragged out, it is named by its bytes.
    const std::unique_ptr<QMimeData> dragged(makeResultMime({result}));
    ASSERT_EQ(dragged->urls().size(), 1);
    EXPECT_EQ(dragged->urls().first().toEncoded(), "file://" + NativePath::encoded(result).toPercentEncoding("/"));
}

// Two loaded photos of one name from two folders: the comparison shows the one the first output
// was made from, and none at all when a failure leaves that uncertain.
TEST_F(WheelEndToEnd, ComparisonTellsSameNamedPhotosOfTwoFoldersApart)
{
    QDir().mkpath(temp.filePath("A"));
    QDir().mkpath(temp.filePath("B"));
    const QString inA = ti::writeJpeg(temp.filePath("A"), "fotka.jpg", ti::plain(40, 30, QColor(10, 200, 30)));
    const QString inB = ti::writeJpeg(temp.filePath("B"), "fotka.jpg", ti::plain(40, 30, QColor(10, 200, 30)));

    store->receive(QStringList{inB, inA}, false);
    store->run(KelvaroOp::convert(ImageFormat::png));
    ASSERT_TRUE(waitUntil([&] { return !store->isWorking(); }));
    ASSERT_EQ(store->lastOutputs().size(), 2);
    std::optional<ComparePair> pair = adapter->comparePair();
    ASSERT_TRUE(pair.has_value());
    EXPECT_EQ(pair->before, inB);
    EXPECT_EQ(pair->after, store->lastOutputs().first());

    // B's photo cannot be read: the only output is A's, which the engine says, though both
    // inputs have the same name.
    kelvaro::test::writeFile(inB, "not a photo");
    store->receive(QStringList{inB, inA}, false);
    store->run(KelvaroOp::convert(ImageFormat::png));
    ASSERT_TRUE(waitUntil([&] { return !store->isWorking(); }));
    ASSERT_EQ(store->lastOutputs().size(), 1) << store->statusMessage().value_or(QString()).toStdString();
    pair = adapter->comparePair();
    ASSERT_TRUE(pair.has_value());
    EXPECT_EQ(pair->before, inA);
    EXPECT_EQ(pair->after, store->lastOutputs().first());
    store->setLastOutputs({temp.filePath("elsewhere.png")}); // made from nothing loaded
    EXPECT_FALSE(adapter->comparePair().has_value());
}

// A drop on a wedge runs that wedge on what the drop brought, never on the photos loaded before
// it; a drop with nothing usable runs nothing and leaves the intake's message standing.
TEST_F(WheelEndToEnd, AWedgeDropRunsOnlyOnWhatItBrought)
{
    store->receive(photos, false);
    ActionWheel* wheel = card->loadedWheel()->wheel();
    ASSERT_TRUE(waitUntil([&] { return card->isLoadedFaceShown() && wheel->isVisible() && wheel->width() > 0; }))
        << "the loaded face was never shown";
    const auto dropOnPng = [&](const QString& path) {
        // Where the wheel is now: a message of the drop before may have moved it.
        const QPointF png = wheel->mapTo(card.get(), wedgePoint(*wheel, 1));
        std::unique_ptr<QMimeData> mime(urlMime({QUrl::fromLocalFile(path)}));
        ASSERT_TRUE(dragEnter(card.get(), png, mime.get()));
        ASSERT_TRUE(drop(card.get(), png, mime.get()).accepted);
    };

    QDir().mkpath(temp.filePath("prázdná"));
    QDir().mkpath(temp.filePath("poznámky"));
    kelvaro::test::writeFile(temp.filePath("poznámky/seznam.txt"), "mléko\n");
    for (const char* nothingUsable : {"prázdná", "poznámky"}) {
        dropOnPng(temp.filePath(QString::fromUtf8(nothingUsable)));
        EXPECT_FALSE(store->isWorking()) << nothingUsable;
        EXPECT_EQ(store->droppedFiles(), photos);
        EXPECT_EQ(store->statusMessage(), QStringLiteral("V tom, co jsi přidal, nejsou žádné fotky ani PDF."));
        EXPECT_TRUE(store->statusIsError());
    }

    // The run this drop starts comes after any the drops before could have started.
    dropOnPng(ti::writeJpeg(temp.path(), "nová.jpg", ti::plain(40, 30, Qt::darkGreen)));
    ASSERT_TRUE(waitUntil([&] { return !store->isWorking() && !store->lastOutputs().isEmpty(); }));
    EXPECT_EQ(QDir(out).entryList(QDir::Files), QStringList{QStringLiteral("nová.png")});
}

TEST_F(WheelEndToEnd, CardMadeForTheStoreFollowsIt)
{
    std::unique_ptr<DropWheelCard> own(makeDropWheelCard(*store));
    EXPECT_FALSE(own->isLoadedFaceShown());
    store->receive(QStringList{photos.first()}, false);
    EXPECT_TRUE(own->isLoadedFaceShown());
    EXPECT_EQ(own->loadedWheel()->countText(), QStringLiteral("1 soubor připraven"));
    store->setWheelMode(WheelMode::actions);
    EXPECT_EQ(own->loadedWheel()->wheel()->mode(), WheelMode::actions);
    own.reset(); // the card's view of the store goes with it
    store->setWheelMode(WheelMode::tools);
}

} // namespace
