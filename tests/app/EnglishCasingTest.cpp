// English casing as the user meets it: buttons and menu items in title case, check boxes (which
// are labels) in sentence case, over every screen of the main window and the settings; the items
// of the add-watch picker's pop-up, the history's titles (whoever books them) and the steps a
// workflow lists in sentence case; the welcome's texts and every sentence of the English table
// never in title case; where English needs another word than the same Czech has elsewhere, it
// has it.
#include <utility>

#include <QAbstractButton>
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QXmlStreamReader>

#include <gtest/gtest.h>

#include "app/KelvaroApp.h"
#include "app/MainWindow.h"
#include "app/ScreenInstaller.h"
#include "model/Operations.h"
#include "platform/FileManager.h"
#include "platform/Settings.h"
#include "store/KelvaroStore.h"
#include "../support/TestImages.h"
#include "../support/TestSupport.h"
#include "TestPaths.h"
#include "output/OutputFolder.h"
#include "ui/design/DesignSystem.h"
#include "ui/main/ScreenFactory.h"
#include "ui/onboarding/OnboardingView.h"
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

// Written in title case: two or more words that count, each capitalised. Articles, short
// conjunctions and prepositions after the first word, names (the application's, the platforms',
// the keys') and abbreviations in capitals do not count.
bool isTitleCasePhrase(const QString& text)
{
    static const QStringList minor = QStringLiteral("a an the and but or nor for so yet as at by in of off on per to up via from into with onto over")
                                         .split(QLatin1Char(' '));
    static const QStringList names = QStringLiteral("Kelvaro KDE Connect Instagram YouTube Story Reel Shift Alt Ctrl").split(QLatin1Char(' '));
    int counted = 0;
    const QStringList list = words(text);
    for (int i = 0; i < list.size(); ++i) {
        const QString& word = list[i];
        if (names.contains(word) || word == word.toUpper() || (i > 0 && minor.contains(word.toLower())))
            continue;
        if (!word.front().isUpper())
            return false;
        ++counted;
    }
    return counted >= 2;
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
    // What the store books itself beside the operations (a shelf) and the sample content, as the
    // history shows them.
    QTemporaryDir temp;
    ASSERT_TRUE(QDir().mkpath(temp.filePath(QStringLiteral("out"))));
    ASSERT_TRUE(OutputFolder::remember(temp.filePath(QStringLiteral("out"))));
    store->receive(QStringList{testimages::writeJpeg(temp.path(), QStringLiteral("a.jpg"), testimages::plain(8, 8, Qt::gray))}, false);
    ASSERT_TRUE(store->addToShelf(std::nullopt, QStringLiteral("Trip")));
    QList<ActivityItem> booked = store->activities() + SampleData::activities();
    ASSERT_EQ(booked.first().symbol, QStringLiteral("tray.full")) << "the shelf booked no entry";
    for (const ActivityItem& item : booked)
        texts << LParts(item.actionTitle);

    QStringList wrong;
    for (const QString& text : texts)
        if (!isSentenceCase(text))
            wrong << text;
    EXPECT_TRUE(wrong.isEmpty()) << wrong.join(QStringLiteral("\n")).toStdString();
}

// The welcome's texts are sentences, its buttons title case; it is checked on each of its steps.
TEST_F(EnglishCasingTest, TheWelcomeWritesSentencesInSentenceCase)
{
    OnboardingView welcome(nullptr);
    welcome.resize(640, 560);
    welcome.show();
    QStringList wrong;
    int checked = 0;
    for (int step = 0; step <= OnboardingView::lastStep; ++step) {
        ASSERT_EQ(welcome.step(), step);
        for (const Text* text : welcome.findChildren<Text*>()) {
            // The chosen folder is a path, not a text of ours.
            if (text->objectName() == QLatin1String("folderLine") || words(text->text()).isEmpty())
                continue;
            ++checked;
            if (isTitleCasePhrase(text->text()))
                wrong << text->text();
        }
        for (const KelvaroButton* button : welcome.findChildren<KelvaroButton*>()) {
            if (button->isHidden() || words(button->text()).isEmpty())
                continue;
            ++checked;
            if (!isTitleCase(button->text()))
                wrong << QStringLiteral("button: ") + button->text();
        }
        if (step < OnboardingView::lastStep)
            welcome.advance();
    }
    EXPECT_GT(checked, 12) << "the welcome showed too few texts to judge";
    wrong.removeDuplicates();
    EXPECT_TRUE(wrong.isEmpty()) << wrong.join(QStringLiteral("\n")).toStdString();
}

// Over the whole English table: where the Czech is a sentence (it holds a stop, a comma or a
// question) or names a list item (a history title, a workflow step, a watch action), the English
// is not in title case. Commands and headings, which are title case, are neither.
TEST(EnglishTable, SentencesAndListItemsAreNeverInTitleCase)
{
    QFile file(QStringLiteral(KELVARO_SOURCE_DIR "/translations/kelvaro_en.ts"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    static const QStringList listItems{QStringLiteral("history title"), QStringLiteral("workflow step"), QStringLiteral("watch action")};
    static const QRegularExpression aside(QStringLiteral("\\([^)]*\\)"));
    static const QRegularExpression sentenceMark(QStringLiteral("[.,;:?!]"));
    QXmlStreamReader xml(&file);
    QString source, comment;
    QStringList wrong;
    int messages = 0;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        if (xml.name() == QLatin1String("message")) {
            source.clear();
            comment.clear();
        } else if (xml.name() == QLatin1String("source")) {
            source = xml.readElementText();
        } else if (xml.name() == QLatin1String("comment")) {
            comment = xml.readElementText();
        } else if (xml.name() == QLatin1String("translation")) {
            ++messages;
            const QString english = xml.readElementText();
            // A shortcut in brackets and the ellipsis of a command that asks first are no sentence.
            QString czech = source;
            czech.remove(aside);
            while (czech.endsWith(QChar(0x2026)) || czech.endsWith(QLatin1Char(' ')))
                czech.chop(1);
            if ((czech.contains(sentenceMark) || listItems.contains(comment)) && isTitleCasePhrase(english))
                wrong << QStringLiteral("\"%1\" → \"%2\"").arg(source, english);
        }
    }
    ASSERT_FALSE(xml.hasError()) << xml.errorString().toStdString();
    ASSERT_GT(messages, 300);
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
