// English casing as the user meets it: buttons and menu items in title case, check boxes (which
// are labels) in sentence case, over every screen of the main window and the settings; the items
// of the add-watch picker's pop-up, the history's titles and the steps a workflow lists in
// sentence case; where English needs another word than the same Czech has elsewhere, it has it.
#include <utility>

#include <QAbstractButton>
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QMenu>
#include <QMenuBar>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include "app/KelvaroApp.h"
#include "app/MainWindow.h"
#include "app/ScreenInstaller.h"
#include "model/Operations.h"
#include "platform/FileManager.h"
#include "platform/Settings.h"
#include "store/KelvaroStore.h"
#include "../support/TestSupport.h"
#include "ui/design/DesignSystem.h"
#include "ui/main/ScreenFactory.h"
#include "ui/sheets/CompressSheet.h"
#include "ui/workflows/StepEditor.h"
#include "ui/workflows/WorkflowCard.h"
#include "ui/workflows/WorkflowEditor.h"
#include "ui/watch/AddWatchSheet.h"
#include "ui/watch/WatchView.h"

namespace kelvaro {
namespace {

QStringList words(const QString& text)
{
    static const QRegularExpression word(QStringLiteral("[A-Za-z][A-Za-z'’.-]*"));
    QStringList found;
    for (auto it = word.globalMatch(text); it.hasNext();)
        found << it.next().captured();
    return found;
}

// Every word capitalised but articles, short conjunctions and prepositions of up to four letters
// after the first.
bool isTitleCase(const QString& text)
{
    static const QStringList minor = QStringLiteral("a an the and but or nor for so yet as at by in of off on per to up via from into with onto over")
                                         .split(QLatin1Char(' '));
    const QStringList list = words(text);
    for (int i = 0; i < list.size(); ++i) {
        if (i > 0 && minor.contains(list[i]))
            continue;
        if (!list[i].front().isUpper())
            return false;
    }
    return true;
}

// Only the first word capitalised, formats and names (the application's, the platforms' and
// their formats') aside.
bool isSentenceCase(const QString& text)
{
    static const QStringList names = QStringLiteral("Kelvaro Instagram YouTube Story Reel").split(QLatin1Char(' '));
    const QStringList list = words(text);
    for (int i = 1; i < list.size(); ++i) {
        if (list[i].front().isUpper() && list[i] != list[i].toUpper() && !names.contains(list[i]))
            return false;
    }
    return true;
}

// The title each kind of operation leaves in the history, as the history shows it.
template <std::size_t... kinds>
QStringList historyTitles(std::index_sequence<kinds...>)
{
    return {KelvaroOp{std::variant_alternative_t<kinds, KelvaroOp::Value>{}}.title()...};
}

class EnglishCasingTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Settings::shared().setValue(QStringLiteral("kelvaro.language"), QStringLiteral("en"));
        Settings::shared().setValue(QStringLiteral("kelvaro.onboarded"), true);
        installScreens();
        store = std::make_unique<KelvaroStore>(StoreServices{}, QStringLiteral("kelvaro.test.library"));
        KelvaroAppOptions options;
        options.fileManager = std::make_shared<RecordingFileManager>();
        options.useTray = false;
        app = std::make_unique<KelvaroApp>(*store, options);
    }
    void TearDown() override
    {
        app.reset();
        ScreenFactory::reset();
        Settings::shared().remove(QStringLiteral("kelvaro.language"));
    }

    std::unique_ptr<KelvaroStore> store;
    std::unique_ptr<KelvaroApp> app;
};

TEST_F(EnglishCasingTest, ButtonsAndMenuItemsTakeTitleCaseAndCheckBoxesSentenceCase)
{
    app->showMainWindow();
    QList<QWidget*> roots{app->mainWindow()};
    for (SidebarItem item : allSidebarItems()) {
        store->setSidebarSelection(item);
        test::passPostedEvents();
    }
    app->openSettings();
    roots << app->settingsWindow();

    QStringList wrong;
    int checked = 0;
    for (QWidget* root : roots) {
        for (QAbstractButton* button : root->findChildren<QAbstractButton*>()) {
            const QString text = button->text().remove(QLatin1Char('&'));
            if (words(text).isEmpty())
                continue;
            if (qobject_cast<QCheckBox*>(button)) {
                ++checked;
                if (!isSentenceCase(text))
                    wrong << QStringLiteral("check box: ") + text;
            } else if (qobject_cast<KelvaroButton*>(button) || qobject_cast<LinkButton*>(button)) {
                ++checked;
                if (!isTitleCase(text))
                    wrong << QStringLiteral("button: ") + text;
            }
        }
        for (QMenu* menu : root->findChildren<QMenu*>()) {
            for (QAction* action : menu->actions()) {
                const QString text = action->text().remove(QLatin1Char('&'));
                // The developers' studio keeps its Czech in every language.
                if (action->isSeparator() || words(text).isEmpty() || action->objectName() == QLatin1String("studio"))
                    continue;
                ++checked;
                if (!isTitleCase(text))
                    wrong << QStringLiteral("menu item: ") + text;
            }
        }
    }
    EXPECT_GT(checked, 30) << "the screens showed too few texts to judge";
    EXPECT_TRUE(wrong.isEmpty()) << wrong.join(QStringLiteral("\n")).toStdString();
}

TEST_F(EnglishCasingTest, PickerItemsAndHistoryTitlesTakeSentenceCase)
{
    app->showMainWindow();
    store->setSidebarSelection(SidebarItem::watch);
    test::passPostedEvents();
    auto* watch = app->mainWindow()->findChild<WatchView*>();
    ASSERT_NE(watch, nullptr);
    watch->openSheet(WatchView::defaultAction());
    ASSERT_NE(watch->sheet(), nullptr);

    QStringList texts;
    const QComboBox* picker = watch->sheet()->picker();
    for (int i = 0; i < picker->count(); ++i)
        if (picker->model()->flags(picker->model()->index(i, 0)) & Qt::ItemIsEnabled) // section headers aside
            texts << picker->itemText(i);
    EXPECT_GT(texts.size(), 10) << "the picker offered too few items to judge";
    texts += historyTitles(std::make_index_sequence<std::variant_size_v<KelvaroOp::Value>>());

    QStringList wrong;
    for (const QString& text : texts)
        if (!isSentenceCase(text))
            wrong << text;
    EXPECT_TRUE(wrong.isEmpty()) << wrong.join(QStringLiteral("\n")).toStdString();
}

// The steps of a workflow read as History and the watch picker name the same operations: on the
// workflows screen's cards and in the editor's steps; only the editor's menu offering them is a
// menu, in title case.
TEST_F(EnglishCasingTest, WorkflowStepsAreListedInSentenceCase)
{
    app->showMainWindow();
    store->setSidebarSelection(SidebarItem::workflows);
    test::passPostedEvents();
    QStringList listed;
    for (const WorkflowCard* card : app->mainWindow()->findChildren<WorkflowCard*>())
        listed << card->stepsLabel()->text();
    EXPECT_GE(listed.size(), 3) << "the screen showed too few workflows to judge";
    Workflow every;
    every.name = QStringLiteral("Every step");
    for (WorkflowStep::Kind kind : allWorkflowStepKinds())
        every.steps << WorkflowStep::make(kind);
    listed << WorkflowCard::stepsText(every);
    QStringList steps;
    static const QRegularExpression number(QStringLiteral("^\\d+\\.\\s*"));
    for (const QString& line : std::as_const(listed))
        for (const QString& piece : line.split(QStringLiteral("→")))
            steps << piece.trimmed().remove(number);

    WorkflowEditor editor(every, false, [](const Workflow&) {});
    for (const StepEditor* step : editor.stepEditors())
        steps << step->findChild<Text*>(QStringLiteral("stepName"))->text();
    EXPECT_EQ(editor.stepEditors().size(), allWorkflowStepKinds().size());

    QStringList wrong;
    for (const QString& step : std::as_const(steps))
        if (!isSentenceCase(step))
            wrong << step;
    for (const QAction* action : editor.addMenu()->actions())
        if (!isTitleCase(action->text()))
            wrong << QStringLiteral("menu item: ") + action->text();
    EXPECT_TRUE(wrong.isEmpty()) << wrong.join(QStringLiteral("\n")).toStdString();
}

// "Zmenšit" is the resize step's "Shrink" too.
TEST_F(EnglishCasingTest, TheCompressSheetsButtonSaysCompress)
{
    CompressSheet sheet(*store);
    EXPECT_EQ(sheet.actionButton()->text(), QStringLiteral("Compress"));
}

} // namespace
} // namespace kelvaro
