#pragma once
// The home screen: in a vertical scroll, one column at most 720 wide, centred, holding the
// greeting by the hour with the title and intro, the drop card (built by ScreenFactory), the
// strip of three mode tiles, and the home cards (counters, shelves, recent results). Everything
// shown comes from the store; a tile click selects its wheel mode and shows home. What depends on
// the time of day (the greeting, "před 5 minutami", this week's count) is worked out again when
// the page is shown and every minute while it is. Files that arrive (dropped, chosen, handed
// over by another launch) bring the drop card into view; files that go never move the page.
// Main thread; created by ContentView.
#include <functional>

#include <QDateTime>
#include <QScrollArea>
#include <QTimer>

#include "model/Models.h"

namespace kelvaro {

class HoverButton;
class KelvaroStore;
class QuietStats;
class RecentSection;
class Text;

class HomeView : public QScrollArea {
    Q_OBJECT
public:
    using Clock = std::function<QDateTime()>;
    HomeView(KelvaroStore& store, QWidget* parent = nullptr, Clock clock = {});

    // "Dobré ráno" 5–11, "Dobré odpoledne" 12–17, "Dobrý večer" otherwise; translated.
    static QString greeting(int hour);
    static QString blurb(WheelMode mode);

    static constexpr int maxColumnWidth = 720;

    QWidget* column() const { return m_column; }
    Text* greetingText() const { return m_greeting; }
    HoverButton* modeTile(WheelMode mode) const;
    QWidget* dropCard() const { return m_dropCard; }
    // Reads the clock again (the greeting is worked out when the page is shown).
    void refreshGreeting();
    // Scrolls as little as brings the whole drop card into view, or its top when it is taller
    // than the view.
    void revealDropCard();
    // The greeting, the counters and the recent results' dates, from the clock as it is now.
    void refreshTimes();
    // Ticks every minute while the page is shown (tests shorten it).
    QTimer& minuteTimer() { return m_minuteTimer; }

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* buildHero();
    QWidget* buildModeStrip();
    void droppedFilesChanged();

    KelvaroStore& m_store;
    Clock m_clock;
    QWidget* m_column = nullptr;
    QWidget* m_dropCard = nullptr;
    Text* m_greeting = nullptr;
    QList<HoverButton*> m_tiles;
    QStringList m_files;       // the selection last seen
    bool m_revealPending = false; // files arrived while the page was hidden
    bool m_followingCard = false; // revealed while still growing to its new height
    QuietStats* m_stats = nullptr;
    RecentSection* m_recent = nullptr;
    QTimer m_minuteTimer;
};

} // namespace kelvaro
