#pragma once
// The "Sledované složky" screen: the hero card that explains automatic processing, the watched
// folders (only once there is one) and the ready-made ideas. "Přidat složku" (in the window
// toolbar and in the hero) and every idea open the add-watch sheet, the first recipe's action or
// the idea's own preselected. The rules, statuses and operations are the watcher's, reached
// through a WatchService; the screen follows its changes. Main thread; built by the screen
// factory for the sidebar's watch section.
#include <functional>
#include <memory>

#include <QDateTime>
#include <QPointer>
#include <QScrollArea>

#include "ui/design/ToolbarContributor.h"
#include "watch/WatchModels.h"

namespace kelvaro {

class AddWatchSheet;
class KelvaroButton;
class Settings;
class WatchHero;
class WatchRecipeGrid;
class WatchRuleList;
class WatchService;

class WatchView : public QScrollArea, public ToolbarContributor {
    Q_OBJECT
public:
    using Clock = std::function<QDateTime()>;
    static constexpr int maxColumnWidth = 1100;

    // An empty clock reads the system time.
    WatchView(std::shared_ptr<WatchService> service, Settings& settings, QWidget* parent = nullptr, Clock clock = {});
    ~WatchView() override;

    QWidget* toolbarItems() override;

    // Opens the add-watch sheet afresh with `action` chosen (window-modal); one at a time.
    void openSheet(const WatchAction& action);
    // The action "Přidat složku" starts from: the first recipe's.
    static WatchAction defaultAction();

    // The pieces, for tests and the gallery.
    WatchService& service() const { return *m_service; }
    WatchHero* hero() const { return m_hero; }
    WatchRuleList* ruleList() const { return m_ruleList; }
    WatchRecipeGrid* recipeGrid() const { return m_grid; }
    KelvaroButton* addButton() const;
    AddWatchSheet* sheet() const;

private:
    void refreshRules();

    std::shared_ptr<WatchService> m_service;
    Settings& m_settings;
    WatchHero* m_hero = nullptr;
    WatchRuleList* m_ruleList = nullptr;
    WatchRecipeGrid* m_grid = nullptr;
    QPointer<KelvaroButton> m_addButton;
    QPointer<AddWatchSheet> m_sheet;
};

} // namespace kelvaro
