#pragma once
// One watched folder on the watch screen: what its action is, where the folder is, its live
// state, how many files it has produced and when it last ran; the switch pauses and resumes it,
// the menu opens the folder or its results, processes what is already there or stops watching
// (at once, without a question). The card holds the rule value the list handed it and reads the
// rule's status from the service whenever it changes. Main thread; created by WatchRuleList.
#include <functional>

#include <QDateTime>
#include <QTimer>

#include "ui/design/DesignSystem.h"
#include "watch/WatchModels.h"

class QGraphicsOpacityEffect;
class QMenu;

namespace kelvaro {

class ToolbarButton;
class WatchService;

namespace settings {
class ToggleSwitch;
}
class Spinner;

// "naposledy před 2 minutami": the card's last-run line, built again every 30 s from the clock.
class AgoText : public Text {
    Q_OBJECT
public:
    using Clock = std::function<QDateTime()>;
    static constexpr int refreshInterval = 30'000; // ms

    // An empty clock reads the system time.
    AgoText(const QDateTime& date, Clock clock, QWidget* parent = nullptr);
    void setDate(const QDateTime& date);
    // How long ago `date` was at `now`, in the interface language ("před 2 minutami").
    static QString relative(const QDateTime& date, const QDateTime& now);
    // Builds the line again from the clock; the timer calls it.
    void refresh();

private:
    QDateTime m_date;
    Clock m_clock;
    QTimer m_timer;
};

class WatchRuleCard : public Card {
    Q_OBJECT
public:
    WatchRuleCard(const WatchRule& rule, WatchService& service, AgoText::Clock clock, QWidget* parent = nullptr);

    // The badge of an action: its symbol and colour.
    static QString symbol(const WatchAction& action);
    static QColor color(const WatchAction& action);

    const WatchRule& rule() const { return m_rule; }
    // The same rule (by id) as the watcher now has it.
    void setRule(const WatchRule& rule);
    // Reads the rule's status again.
    void refreshStatus();

    // The pieces, for tests and the gallery.
    IconBadge* badge() const { return m_badge; }
    Text* stateText() const { return m_state; }
    Spinner* spinner() const { return m_spinner; }
    Text* processedText() const { return m_processed; }
    AgoText* agoText() const { return m_ago; } // hidden while the rule never ran
    Text* messageText() const { return m_message; } // hidden without a message
    settings::ToggleSwitch* enabledSwitch() const { return m_switch; }
    QMenu* menu() const { return m_menu; }
    qreal drawnOpacity() const;

private:
    QWidget* buildInfo();
    QWidget* buildStatusColumn(AgoText::Clock clock);
    void buildMenu();
    void refresh();

    WatchRule m_rule;
    WatchService& m_service;
    IconBadge* m_badge = nullptr;
    Text* m_folderName = nullptr;
    Text* m_folderPath = nullptr;
    Text* m_actionTitle = nullptr;
    Spinner* m_spinner = nullptr;
    SymbolView* m_stateSymbol = nullptr;
    Text* m_state = nullptr;
    Text* m_processed = nullptr;
    AgoText* m_ago = nullptr;
    QWidget* m_messageRow = nullptr;
    Text* m_message = nullptr;
    settings::ToggleSwitch* m_switch = nullptr;
    ToolbarButton* m_menuButton = nullptr;
    QMenu* m_menu = nullptr;
    QGraphicsOpacityEffect* m_opacity = nullptr;
};

} // namespace kelvaro
