// The workflows screen over a real store: what its rows, dialogs, queue and drops do to the stored
// list and the store, and one workflow run from the screen with the real engine.
#include <memory>

#include <QDir>
#include <QImage>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QScopeGuard>
#include <QSemaphore>

#include <gtest/gtest.h>

#include "../../support/TestImages.h"
#include "../main/UiTestSupport.h"
#include "../wheel/WheelTestSupport.h"
#include "model/WorkflowLibrary.h"
#include "output/OutputFolder.h"
#include "platform/Settings.h"
#include "store/KelvaroStore.h"
#include "store/WorkflowStore.h"
#include "ui/design/DesignSystem.h"
#include "ui/design/EmptyStateView.h"
#include "ui/design/KelvaroStyle.h"
#include "ui/design/Readout.h"
#include "ui/workflows/QueueStrip.h"
#include "ui/workflows/StepEditor.h"
#include "ui/workflows/WorkflowCard.h"
#include "ui/workflows/WorkflowEditor.h"
#include "ui/workflows/WorkflowsView.h"

using namespace kelvaro;
using K = WorkflowStep::Kind;

namespace {

const QString kKey = QString::fromLatin1(WorkflowLibrary::key);

class WorkflowsViewTest : public uitest::CzechTest {
protected:
    void SetUp() override
    {
        CzechTest::SetUp();
        store = uitest::makeStore();
    }
    WorkflowsView& makeView()
    {
        view = std::make_unique<WorkflowsView>(*store, Settings::shared());
        view->toolbarItems();
        view->resize(900, 800);
        view->show();
        return *view;
    }
    QStringList photos(int n)
    {
        QStringList paths;
        for (int i = 0; i < n; ++i)
            paths << testimages::writeJpeg(temp.path(), QStringLiteral("fotka %1.jpg").arg(i + 1), testimages::plain(1600, 1200, QColor(90, 140, 200)));
        return paths;
    }
    // A store whose runs report 2 of 5 done, then wait until `proceed` is released.
    void holdRunsAtTwoOfFive(const std::shared_ptr<QSemaphore>& proceed)
    {
        StoreServices services;
        services.process = [proceed](const KelvaroOp&, const QStringList&, const QString&, const RunHooksPtr& hooks,
                                     const EngineSettings&) {
            hooks->reportProgress(2, 5);
            proceed->acquire();
            return OpResult{};
        };
        store = uitest::makeStore(services);
    }

    std::unique_ptr<KelvaroStore> store;
    std::unique_ptr<WorkflowsView> view;
};

struct StoredCase {
    const char* name;
    QVariant stored;
    int cards;
    bool empty, unreadable, canCreate;
};

class WorkflowsScreenStates : public WorkflowsViewTest, public ::testing::WithParamInterface<StoredCase> {};

TEST_P(WorkflowsScreenStates, showTheStoredListAndNeverWriteWhatTheyCannotRead)
{
    const StoredCase c = GetParam();
    if (c.stored.isValid())
        Settings::shared().setValue(kKey, c.stored);
    WorkflowsView& v = makeView();
    EXPECT_EQ(v.cards().size(), c.cards);
    EXPECT_EQ(v.emptyState() != nullptr, c.empty);
    EXPECT_EQ(v.unreadableText() != nullptr, c.unreadable);
    EXPECT_EQ(v.newWorkflowButton()->isEnabled(), c.canCreate);
    v.newWorkflowButton()->click();
    EXPECT_EQ(v.editor() != nullptr, c.canCreate);
    EXPECT_EQ(Settings::shared().value(kKey), c.stored);
}

INSTANTIATE_TEST_SUITE_P(Values, WorkflowsScreenStates,
                         ::testing::Values(StoredCase{"nothing", QVariant(), 3, false, false, true},
                                           StoredCase{"emptyList", QVariant(QByteArray("[]")), 0, true, false, true},
                                           StoredCase{"unreadable", QVariant(QByteArray("[{")), 0, false, true, false}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(WorkflowsViewTest, rowMenusEditDuplicateAndDeleteThroughTheStoredList)
{
    WorkflowsView& v = makeView();
    const QList<Workflow>& builtIns = WorkflowLibrary::defaults();

    v.cards().at(0)->menu()->actions().at(3)->trigger(); // "Smazat…"
    ASSERT_TRUE(v.deleteDialog());
    v.deleteDialog()->findChild<QAbstractButton*>(QStringLiteral("delete"))->click();
    ASSERT_TRUE(uitest::waitFor([&] { return v.cards().size() == 2; })) << "the deleted card stayed";
    EXPECT_EQ(v.workflows().workflows(), (QList<Workflow>{builtIns.at(1), builtIns.at(2)}));

    v.cards().at(1)->menu()->actions().at(0)->trigger(); // "Upravit…"
    ASSERT_TRUE(v.editor());
    v.editor()->nameField()->setText(QStringLiteral("Sdílení"));
    Q_EMIT v.editor()->nameField()->textEdited(QStringLiteral("Sdílení"));
    v.editor()->save();
    ASSERT_TRUE(uitest::waitFor([&] { return v.cards().size() == 2 && v.cards().at(1)->nameText()->text() == QStringLiteral("Sdílení"); }))
        << "the renamed card never showed its new name";
    EXPECT_EQ(v.cards().at(1)->workflow().id, builtIns.at(2).id);

    v.cards().at(0)->menu()->actions().at(1)->trigger(); // "Duplikovat"
    ASSERT_TRUE(uitest::waitFor([&] { return v.cards().size() == 3; })) << "the copy's card never came";
    EXPECT_EQ(v.cards().at(2)->nameText()->text(), QStringLiteral("Produktovka (kopie)"));
}

// "Smazat…" on a card and "Smazat" in its confirmation are drawn as deletions, not as the
// orange default action, and Return in the confirmation deletes nothing.
TEST_F(WorkflowsViewTest, deletingLooksLikeADeletionAndReturnNeverConfirmsIt)
{
    WorkflowsView& v = makeView();
    QMenu* menu = v.cards().at(0)->menu();
    KelvaroStyle style;
    menu->setStyle(&style);
    QAction* remove = menu->findChild<QAction*>(QStringLiteral("delete"));
    ASSERT_TRUE(remove);
    const QImage menuImage = menu->grab().toImage();
    const QColor tint = Theme::destructive().on(menu);
    EXPECT_GT(uitest::pixelsNear(menuImage, tint, 30, menu->actionGeometry(remove)), 5);
    EXPECT_EQ(uitest::pixelsNear(menuImage, tint, 30, menu->actionGeometry(menu->actions().at(0))), 0);

    remove->trigger();
    QDialog* dialog = v.deleteDialog();
    ASSERT_TRUE(dialog);
    auto* confirm = dialog->findChild<QAbstractButton*>(QStringLiteral("delete"));
    ASSERT_TRUE(confirm);
    const QImage button = confirm->grab().toImage();
    EXPECT_EQ(uitest::pixelsNear(button, Theme::buttonOrange(), 12), 0) << "drawn as the orange default action";
    EXPECT_GT(uitest::pixelsNear(button, Theme::destructive().on(confirm), 30), 5);

    uitest::pressKey(dialog->focusWidget() ? dialog->focusWidget() : dialog, Qt::Key_Return);
    test::passPostedEvents();
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(v.workflows().workflows().size(), 3);
}

// The built-ins stored while the interface was Czech, then the interface switched to English:
// the editor of "Portfolio" offers the English watermark text.
TEST_F(WorkflowsViewTest, theEditorShowsABuiltInsOwnTextInTheInterfaceLanguage)
{
    Settings::shared().setValue(kKey, WorkflowStore::encode(WorkflowLibrary::defaults()).value_or(QByteArray()));
    WorkflowsView& v = makeView();
    Settings::shared().setValue(QStringLiteral("kelvaro.language"), QStringLiteral("en"));
    const QString english = QStringLiteral("© My photos");
    ASSERT_TRUE(uitest::waitFor([&] {
        return !v.cards().isEmpty() && v.cards().at(0)->workflow().steps.last().text == english;
    })) << "the card never took the English text";

    v.cards().at(0)->menu()->actions().at(0)->trigger(); // "Edit…"
    ASSERT_TRUE(v.editor());
    ASSERT_FALSE(v.editor()->stepEditors().isEmpty());
    EXPECT_EQ(v.editor()->stepEditors().last()->textField()->text(), english);
}

// The card's list of steps names a watermark's text between the Czech quotes „ and “ in either
// language, as the user typed it, never in the quotes of the interface's language.
TEST_F(WorkflowsViewTest, theStepsTooltipQuotesAWatermarksTextAsTypedInEitherLanguage)
{
    Workflow workflow = WorkflowStore::newTemplate();
    workflow.name = QStringLiteral("Podpis");
    workflow.steps << WorkflowStep::make(K::watermark);
    workflow.steps.last().text = QStringLiteral("Ahoj");
    Settings::shared().setValue(kKey, WorkflowStore::encode({workflow}).value_or(QByteArray()));
    WorkflowsView& v = makeView();
    for (const char* language : {"cs", "en"}) {
        SCOPED_TRACE(language);
        Settings::shared().setValue(QStringLiteral("kelvaro.language"), QString::fromLatin1(language));
        ASSERT_TRUE(uitest::waitFor([&] { return !v.cards().isEmpty() && v.cards().at(0)->stepsLabel()->toolTip().contains(QLatin1String("Ahoj")); }));
        const QStringList lines = v.cards().at(0)->stepsLabel()->toolTip().split(QLatin1Char('\n'));
        EXPECT_EQ(lines.value(1), QStringLiteral("„Ahoj“"));
    }
}

TEST_F(WorkflowsViewTest, cardAndQueueTextsFollowTheQueue)
{
    Workflow two = WorkflowStore::newTemplate();
    two.steps << WorkflowStep::make(K::watermark);
    EXPECT_EQ(WorkflowCard::stepsText(two), QStringLiteral("1. Zmenšit  →  2. Přidat vodoznak"));
    two.steps.clear();
    EXPECT_EQ(WorkflowCard::stepsText(two), QStringLiteral("Postup nemá žádné kroky."));

    WorkflowsView& v = makeView();
    const QStringList files = photos(5);
    const QList<std::tuple<int, QString, QString>> cases{
        {0, "Žádné fotky ve frontě", "Spustit"}, {1, "Ve frontě: 1 soubor", "Spustit na 1 soubor"},
        {3, "Ve frontě: 3 soubory", "Spustit na 3 soubory"}, {5, "Ve frontě: 5 souborů", "Spustit na 5 souborů"}};
    for (const auto& [count, queue, title] : cases) {
        store->setDroppedFiles(files.mid(0, count));
        EXPECT_EQ(v.queueStrip()->titleText()->text(), queue);
        EXPECT_EQ(v.queueStrip()->clearButton()->isHidden(), count == 0);
        ASSERT_FALSE(v.cards().isEmpty()) << "no workflow card to run";
        KelvaroButton* run = v.cards().first()->runButton();
        EXPECT_EQ(run->text(), title);
        EXPECT_EQ(run->isEnabled(), count > 0);
    }
}

TEST_F(WorkflowsViewTest, dropsReplaceTheQueueWithLocalFilesAndRefuseWebLinks)
{
    WorkflowsView& v = makeView();
    const QStringList files = photos(4);
    store->receive(QStringList{files.at(3)}, false);
    std::unique_ptr<QMimeData> web(wheeltest::urlMime({QUrl(QStringLiteral("https://example.com/a.jpg"))}));
    EXPECT_FALSE(wheeltest::dragEnter(v.viewport(), {100, 100}, web.get()));
    EXPECT_FALSE(wheeltest::drop(v.viewport(), {100, 100}, web.get()).accepted);
    EXPECT_EQ(store->droppedFiles(), QStringList{files.at(3)});

    std::unique_ptr<QMimeData> local(wheeltest::urlMime(wheeltest::urlsOf(files.mid(0, 3))));
    EXPECT_TRUE(wheeltest::dragEnter(v.viewport(), {100, 100}, local.get()));
    EXPECT_TRUE(v.queueStrip()->isTargeted());
    EXPECT_EQ(v.queueStrip()->subtitleText()->text(), QStringLiteral("Pusť fotky sem"));
    EXPECT_TRUE(wheeltest::drop(v.viewport(), {100, 100}, local.get()).accepted);
    EXPECT_FALSE(v.queueStrip()->isTargeted());
    EXPECT_EQ(store->droppedFiles(), files.mid(0, 3));
}

TEST_F(WorkflowsViewTest, whileARunWorksNeitherRunNorEmptyingTheQueueIsOffered)
{
    ASSERT_TRUE(OutputFolder::remember(temp.path()));
    auto proceed = std::make_shared<QSemaphore>();
    holdRunsAtTwoOfFive(proceed);
    WorkflowsView& v = makeView();
    store->receive(photos(5), false);
    KelvaroButton* run = v.cards().first()->runButton();
    run->setFocus(Qt::MouseFocusReason); // as a click gives it
    run->click();
    ASSERT_TRUE(uitest::waitFor([&] { return store->progressDone() == 2; }));
    // The disabled button's focus goes to no control that would draw a ring around itself.
    const QWidget* focused = v.window()->focusWidget();
    EXPECT_TRUE(!focused || !(focused->focusPolicy() & Qt::TabFocus)) << qPrintable(focused->objectName());
    QueueStrip* strip = v.queueStrip();
    EXPECT_TRUE(strip->isSpinnerShown());
    EXPECT_EQ(strip->counterText()->text(), QStringLiteral("2 z 5"));
    EXPECT_FALSE(v.cards().first()->runButton()->isEnabled());
    EXPECT_FALSE(strip->clearButton()->isHidden());
    EXPECT_FALSE(strip->clearButton()->isEnabled());
    strip->clearButton()->click();
    EXPECT_EQ(store->droppedFiles().size(), 5);

    proceed->release();
    ASSERT_TRUE(uitest::waitFor([&] { return !store->isWorking(); }));
    EXPECT_FALSE(strip->isSpinnerShown());
    EXPECT_TRUE(strip->clearButton()->isEnabled());
    strip->clearButton()->click();
    EXPECT_TRUE(store->droppedFiles().isEmpty());
    EXPECT_FALSE(store->statusMessage().has_value());
    EXPECT_EQ(strip->titleText()->text(), QStringLiteral("Žádné fotky ve frontě"));
}

// The links stand right after the message, not at the strip's far end.
TEST_F(WorkflowsViewTest, theRunsLinksFollowItsMessage)
{
    WorkflowsView& v = makeView();
    store->setLastOutputs(photos(1));
    store->setStatusMessage(QStringLiteral("Hotovo – 1 soubor ve složce „Výsledky“."));
    QueueStrip* strip = v.queueStrip();
    const auto gap = [&] {
        const Text* message = strip->messageText();
        return strip->revealButton()->x() - (message->x() + message->sizeHint().width());
    };
    EXPECT_TRUE(uitest::waitFor([&] { return strip->revealButton()->isVisible() && gap() <= 14; }))
        << "the link stands " << gap() << " px after the message";
}

// The interface turns English while a Czech run works, and the screen is made again in English as
// the main window is: the run's counter, its cancel and its last sentence stay Czech.
TEST_F(WorkflowsViewTest, aRunKeepsItsLanguageOnAScreenMadeAfterASwitch)
{
    ASSERT_TRUE(OutputFolder::remember(temp.path()));
    auto proceed = std::make_shared<QSemaphore>();
    const auto release = qScopeGuard([&] { proceed->release(); }); // also when an assertion ends the test
    holdRunsAtTwoOfFive(proceed);
    store->receive(photos(5), false);
    store->run(KelvaroOp::stripMetadata());
    ASSERT_TRUE(uitest::waitFor([&] { return store->progressDone() == 2; }));
    Settings::shared().setValue(QStringLiteral("kelvaro.language"), QStringLiteral("en"));
    WorkflowsView& v = makeView();
    QueueStrip* strip = v.queueStrip();
    EXPECT_EQ(strip->titleText()->text(), QStringLiteral("In the queue: 5 files")); // the screen's own text
    EXPECT_EQ(strip->counterText()->text(), QStringLiteral("2 z 5"));
    EXPECT_EQ(strip->cancelButton()->text(), QStringLiteral("Zrušit"));

    proceed->release();
    ASSERT_TRUE(uitest::waitFor([&] { return !store->isWorking(); }));
    EXPECT_EQ(strip->messageText()->text(),
              QStringLiteral("Hotovo – 0 souborů ve složce „%1“.").arg(QFileInfo(temp.path()).fileName()));
}

// How many pixels of `rect` (fractions of the image) are far from `background`.
int marked(const QImage& image, QRectF rect, const QColor& background)
{
    int count = 0;
    for (int y = int(rect.top() * image.height()); y < int(rect.bottom() * image.height()); ++y)
        for (int x = int(rect.left() * image.width()); x < int(rect.right() * image.width()); ++x) {
            const QColor c = image.pixelColor(x, y);
            count += std::abs(c.red() - background.red()) + std::abs(c.green() - background.green())
                         + std::abs(c.blue() - background.blue()) > 90;
        }
    return count;
}

TEST_F(WorkflowsViewTest, aSavedWorkflowRunsOnTheQueueAndIsTakenBack)
{
    const QString out = temp.filePath(QStringLiteral("Výsledky"));
    QDir().mkpath(out);
    ASSERT_TRUE(OutputFolder::remember(out));
    store = uitest::makeStore(StoreServices::desktop());
    Workflow workflow = WorkflowStore::newTemplate();
    workflow.name = QStringLiteral("Web");
    workflow.steps.first().longEdge = 800;
    workflow.steps << WorkflowStep::make(K::watermark);
    workflow.steps.last().opacity = 1;
    workflow.steps.last().sizePercent = 10;
    Settings::shared().setValue(kKey, QByteArray("[]"));
    ASSERT_TRUE(WorkflowStore(Settings::shared()).upsert(workflow));

    WorkflowsView& v = makeView();
    std::unique_ptr<QMimeData> dropped(wheeltest::urlMime(wheeltest::urlsOf(photos(2))));
    wheeltest::dragEnter(v.viewport(), {100, 100}, dropped.get());
    ASSERT_TRUE(wheeltest::drop(v.viewport(), {100, 100}, dropped.get()).accepted);
    ASSERT_EQ(v.cards().size(), 1);
    KelvaroButton* run = v.cards().first()->runButton();
    EXPECT_EQ(run->text(), QStringLiteral("Spustit na 2 soubory"));
    run->click();
    ASSERT_TRUE(uitest::waitFor([&] { return !store->isWorking() && store->lastOutputs().size() == 2; }, 60000));

    const QColor background(90, 140, 200);
    const QStringList outputs = store->lastOutputs();
    for (const QString& output : outputs) {
        const QImage image(output);
        EXPECT_EQ(std::max(image.width(), image.height()), 800) << qPrintable(output);
        EXPECT_GT(marked(image, {0.55, 0.75, 0.44, 0.24}, background), 50) << "no watermark in " << qPrintable(output);
        EXPECT_EQ(marked(image, {0, 0, 0.5, 0.5}, background), 0);
    }
    QueueStrip* strip = v.queueStrip();
    EXPECT_FALSE(store->statusIsError());
    EXPECT_EQ(strip->messageText()->text(), QStringLiteral("Hotovo – 2 soubory ve složce „Výsledky“."));
    EXPECT_FALSE(strip->undoButton()->isHidden());

    strip->undoButton()->click();
    for (const QString& output : outputs)
        EXPECT_FALSE(QFileInfo::exists(output)) << qPrintable(output);
    EXPECT_FALSE(store->undoState().has_value());
}

} // namespace
