// The watch screen over a scripted watcher: what it shows for the rules and their statuses, and
// which watcher operation each of its controls calls.
#include <QHelpEvent>
#include <QMenu>
#include <QTest>
#include <QToolTip>

#include <gtest/gtest.h>

#include "../main/UiTestSupport.h"
#include "gallery/ScriptedWatchService.h"
#include "model/WorkflowLibrary.h"
#include "platform/Settings.h"
#include "ui/design/SettingRows.h"
#include "ui/design/Spinner.h"
#include "ui/watch/AddWatchSheet.h"
#include "ui/watch/WatchHero.h"
#include "ui/watch/WatchRecipeGrid.h"
#include "ui/watch/WatchRuleList.h"
#include "ui/watch/WatchView.h"
#include "watch/WatchNotifier.h"

using namespace kelvaro;

namespace {

const QDateTime kNow = QDateTime(QDate(2024, 6, 1), QTime(12, 0));

WatchRule makeRule(const QString& name, const WatchAction& action = WatchAction::stripMetadata(), bool enabled = true)
{
    WatchRule rule = WatchRule::make(QStringLiteral("/fotky/") + name, QByteArray("b"), action);
    rule.isEnabled = enabled;
    return rule;
}

class WatchViewTest : public uitest::CzechTest {
protected:
    WatchView& makeView(const QList<WatchRule>& rules = {})
    {
        service->setRules(rules);
        view = std::make_unique<WatchView>(service, Settings::shared(), nullptr, [] { return kNow; });
        view->toolbarItems();
        view->resize(900, 800);
        view->show();
        return *view;
    }
    WatchRuleCard* card(int i) const { return view->ruleList()->cards().value(i); }

    std::shared_ptr<ScriptedWatchService> service = std::make_shared<ScriptedWatchService>();
    std::unique_ptr<WatchView> view;
};

struct StateCase {
    const char* name;
    bool enabled, busy, unavailable;
    const char* shown;
    bool filledBadge;
    qreal opacity;
};

TEST_F(WatchViewTest, theStateLineShowsTheFirstConditionThatHoldsAndTheListCountsTheRunningRules)
{
    const StateCase cases[] = {
        {"busy beats everything", false, true, true, "Zpracovávám…", false, 0.7},
        {"busy and watching", true, true, false, "Zpracovávám…", true, 1.0},
        {"unavailable while enabled", true, false, true, "Nedostupná", false, 1.0},
        {"watching", true, false, false, "Hlídám", true, 1.0},
        {"paused", false, false, false, "Pozastaveno", false, 0.7},
    };
    QList<WatchRule> rules;
    for (const StateCase& c : cases)
        rules << makeRule(QString::fromUtf8(c.name),
                          rules.size() % 2 ? WatchAction::convert(QStringLiteral("png")) : WatchAction::workflow(WorkflowLibrary::defaults().at(1)),
                          c.enabled);
    WatchView& v = makeView(rules);
    EXPECT_EQ(v.ruleList()->subtitleText()->text(), QStringLiteral("3 z 5 právě běží"));
    for (int i = 0; i < int(std::size(cases)); ++i) {
        const StateCase& c = cases[i];
        // The status arrives after the cards exist: they follow it without being rebuilt.
        service->setStatus(rules[i].id, WatchStatus{c.busy, c.unavailable, c.unavailable ? std::optional(QStringLiteral("Pryč")) : std::nullopt});
        WatchRuleCard* ruleCard = card(i);
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ruleCard->stateText()->text(), QString::fromUtf8(c.shown));
        EXPECT_EQ(ruleCard->spinner()->isVisibleTo(ruleCard), c.busy);
        EXPECT_EQ(ruleCard->badge()->isFilled(), c.filledBadge);
        EXPECT_DOUBLE_EQ(ruleCard->drawnOpacity(), c.opacity);
        EXPECT_EQ(ruleCard->messageText()->isVisibleTo(ruleCard), c.unavailable);
    }
    service->setRules({});
    EXPECT_FALSE(v.ruleList()->isVisibleTo(&v));
}

// Stored rules that cannot be read are said so instead of passing for a first visit, and no
// control offers a new folder that could never be stored beside them.
TEST_F(WatchViewTest, unreadableRulesAreSaidSo)
{
    for (const bool unreadable : {false, true}) {
        SCOPED_TRACE(unreadable);
        service->unreadable = unreadable;
        WatchView& shown = makeView();
        auto* note = shown.findChild<Text*>(QStringLiteral("unreadable"));
        ASSERT_EQ(note != nullptr, unreadable);
        if (note) {
            EXPECT_TRUE(note->isVisible());
            EXPECT_EQ(note->text(), QStringLiteral("Uložené hlídané složky se nepodařilo přečíst, proto je nechávám beze změny."));
        }
        const QList<QAbstractButton*> addButtons{shown.addButton(), shown.hero()->addButton()};
        QList<QAbstractButton*> controls = addButtons;
        for (WatchRecipeCard* recipe : shown.recipeGrid()->cards())
            controls << recipe;
        for (QAbstractButton* control : controls) {
            EXPECT_EQ(control->isEnabled(), !unreadable);
            if (unreadable) {
                QTest::mouseClick(control, Qt::LeftButton);
                EXPECT_EQ(shown.sheet(), nullptr);
            }
        }
        for (QAbstractButton* add : addButtons)
            EXPECT_EQ(add->toolTip().endsWith(QStringLiteral("a další nepřidám.")), unreadable);
    }
}

TEST_F(WatchViewTest, theMenuAndTheSwitchesCallTheWatcher)
{
    makeView({makeRule(QStringLiteral("A"), WatchAction::preset(PresetSpec::defaults().first())),
              makeRule(QStringLiteral("B"), WatchAction::removeBackground())});
    card(1)->enabledSwitch()->click();
    EXPECT_FALSE(service->rules().at(1).isEnabled);
    EXPECT_FALSE(card(1)->enabledSwitch()->isChecked());
    EXPECT_DOUBLE_EQ(card(1)->drawnOpacity(), 0.7);
    for (QAction* action : card(1)->menu()->actions())
        action->trigger(); // "Přestat sledovat" last, without a question
    EXPECT_EQ(service->calls, (QStringList{QStringLiteral("setEnabled 1 0"), QStringLiteral("openFolder 1"),
                                           QStringLiteral("openResults 1"), QStringLiteral("processExisting 1"),
                                           QStringLiteral("remove 1")}));
    EXPECT_EQ(view->ruleList()->cards().size(), 1);
    EXPECT_EQ(view->sheet(), nullptr);

    const QString notify = QString::fromLatin1(WatchNotifier::notifyKey);
    view->ruleList()->notifySwitch()->click();
    EXPECT_EQ(Settings::shared().boolValue(notify), std::optional<bool>(false));
    view->ruleList()->notifySwitch()->click();
    EXPECT_EQ(Settings::shared().boolValue(notify), std::optional<bool>(true));
}

// Hovering a rule's message shows each failed file with its error where the message only counts
// them, and the message itself otherwise.
TEST_F(WatchViewTest, hoveringTheMessageListsTheFailedFiles)
{
    const QStringList failures{QStringLiteral("Soubor „b.jpg“ se nepodařilo přečíst."),
                               QStringLiteral("Soubor „d.jpg“ se nepodařilo přečíst.")};
    struct Case {
        const char* name;
        WatchStatus status;
        QString hover;
    };
    const Case cases[] = {
        {"failed files", {.message = QStringLiteral("Nepovedlo se zpracovat: 2."), .failures = failures}, failures.join(QLatin1Char('\n'))},
        {"a plain message", {.message = QStringLiteral("Ve složce nejsou žádné obrázky.")}, QStringLiteral("Ve složce nejsou žádné obrázky.")},
    };
    const WatchRule rule = makeRule(QStringLiteral("Export"));
    makeView({rule});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        service->setStatus(rule.id, c.status);
        Text* message = card(0)->messageText();
        ASSERT_TRUE(uitest::waitFor([&] { return message->isVisible() && message->width() > 0; }));
        QToolTip::hideText();
        const QPoint at(4, message->height() / 2);
        QHelpEvent hover(QEvent::ToolTip, at, message->mapToGlobal(at));
        QApplication::sendEvent(message, &hover);
        ASSERT_TRUE(uitest::waitFor([] { return QToolTip::isVisible(); })) << "no tooltip came";
        EXPECT_EQ(QToolTip::text(), c.hover);
    }
    QToolTip::hideText();
}

TEST_F(WatchViewTest, everyAddControlOpensAFreshSheetWithItsAction)
{
    WatchView& v = makeView();
    const auto opened = [&](QAbstractButton* control) -> std::optional<WatchAction> {
        control->click();
        AddWatchSheet* sheet = v.sheet();
        if (!sheet)
            return std::nullopt;
        const WatchAction action = sheet->action();
        sheet->reject();
        return action;
    };
    EXPECT_EQ(opened(v.addButton()), WatchView::defaultAction());
    EXPECT_EQ(opened(v.hero()->addButton()), WatchView::defaultAction());
    WatchRecipeCard* privacy = v.recipeGrid()->cards().last();
    EXPECT_EQ(opened(privacy), WatchAction::stripMetadata());
    EXPECT_EQ(opened(privacy), WatchAction::stripMetadata()) << "a cancelled sheet opens again from the same card";
    EXPECT_EQ(WatchView::defaultAction(), WatchAction::preset(PresetSpec::defaults().first()));
}

// Columns of at least 260 px with 12 px between them: two from 532 px, three from 804 px. Each
// column takes an equal share of the width, the cards of a row side by side.
TEST(WatchRecipeGridTest, ColumnsFollowTheGridsWidth)
{
    uitest::makeStore(); // Czech
    const struct {
        int width;
        int columns;
    } cases[] = {{531, 1}, {532, 2}, {803, 2}, {804, 3}, {531, 1}};
    WatchRecipeGrid grid(true, {});
    grid.show();
    const QList<WatchRecipeCard*> cards = grid.cards();
    ASSERT_GE(cards.size(), 4);
    for (const auto& c : cases) {
        grid.resize(c.width, grid.heightForWidth(c.width));
        // The cards of the first row: those level with the first.
        const auto firstRow = [&] {
            int count = 0;
            for (WatchRecipeCard* card : cards)
                count += card->y() == cards.first()->y() ? 1 : 0;
            return count;
        };
        EXPECT_TRUE(uitest::waitFor([&] { return grid.width() == c.width && firstRow() == c.columns; }))
            << c.width << " px: " << firstRow() << " columns, not " << c.columns;
        const int spacing = WatchRecipeGrid::spacing;
        EXPECT_EQ(cards.first()->width(), (c.width - (c.columns - 1) * spacing) / c.columns) << c.width;
        if (c.columns > 1) {
            EXPECT_EQ(cards.at(1)->x(), cards.first()->width() + spacing) << c.width;
        }
    }
}

} // namespace
