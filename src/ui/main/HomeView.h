#pragma once
// The home screen: in a vertical scroll, one column at most 720 wide, centred, holding the
// greeting by the hour with the title and intro, the drop card (built by ScreenFactory), the
// strip of three mode tiles, and the home cards (counters, shelves, recent results). Everything
// shown comes from the store; a tile click selects its wheel mode and shows home. What depends on
// the time of day (the greeting, "před 5 minutami", this week's count) is worked out again when
// the page is shown and every minute while it is. Files that arrive (dropped, chosen, handed
// over by another launch) bring the drop card into view when it is not, unless the pointer is on
// the card; files that go never move the page. While the pointer is over the wheel, during a run
// and for a moment after it, the page holds what is under the pointer where it is as the card
// changes (the file strip comes or goes, the result banner appears): it scrolls by as much as
// the wheel, or the card when the wheel goes, moved. Main thread; created by ContentView.
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
    // How long after a run the page still holds its place (tests shorten it).
    QTimer& afterRunTimer() { return m_afterRun; }

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    QWidget* buildHero();
    QWidget* buildModeStrip();
    void droppedFilesChanged();
    // Whether what lies under the pointer is to stay where it is, and where the pointer is.
    bool holdsPlace() const;
    bool pointerOverWheel() const;
    bool pointerOnCard() const;
    // Scrolls by as much as the held widget moved since its place was taken; takes the places
    // anew when nothing is held.
    void keepPlace();
    void takePlaces();
    QWidget* heldWidget() const;
    int topOf(const QWidget* widget) const;

    KelvaroStore& m_store;
    Clock m_clock;
    QWidget* m_column = nullptr;
    QWidget* m_dropCard = nullptr;
    Text* m_greeting = nullptr;
    QList<HoverButton*> m_tiles;
    QStringList m_files;       // the selection last seen
    bool m_revealPending = false; // files arrived while the page was hidden
    bool m_followingCard = false; // revealed while still growing to its new height
    QWidget* m_wheel = nullptr;     // the card's action wheel, when the card has one
    QRect m_wheelPlace;             // where the wheel and the card stood in the viewport when
    int m_cardTop = 0;              // the place was last taken
    bool m_scrolling = false;       // the page scrolls itself: not a move of the user's
    QTimer m_afterRun;              // runs for a moment after a run has ended
    QuietStats* m_stats = nullptr;
    RecentSection* m_recent = nullptr;
    QTimer m_minuteTimer;
};

} // namespace kelvaro
