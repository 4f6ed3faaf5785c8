#pragma once
// The watched folders on the watch screen: a header with how many of them run and the switch
// that decides whether a finished run is announced ("kelvaro.watch.notify", on unless stored
// off), then one card per rule in the watcher's order. Follows the service: a rule added or
// removed rebuilds the cards, a changed rule or status updates them in place. Main thread;
// created by WatchView.
#include <QList>
#include <QWidget>

#include "ui/watch/WatchRuleCard.h"

class QVBoxLayout;

namespace kelvaro {

class CardHeader;
class Settings;
class WatchService;

namespace settings {
class ToggleSwitch;
}

class WatchRuleList : public QWidget {
    Q_OBJECT
public:
    WatchRuleList(WatchService& service, Settings& settings, AgoText::Clock clock = {}, QWidget* parent = nullptr);

    // "1 z 3 právě běží" in the interface language.
    static QString subtitle(qint64 active, qint64 total);

    QList<WatchRuleCard*> cards() const { return m_cards; }
    Text* subtitleText() const;
    settings::ToggleSwitch* notifySwitch() const { return m_notify; }

private:
    void sync();
    void setNotify(bool on);

    WatchService& m_service;
    Settings& m_settings;
    AgoText::Clock m_clock;
    CardHeader* m_header = nullptr;
    settings::ToggleSwitch* m_notify = nullptr;
    QVBoxLayout* m_cardsLayout = nullptr;
    QList<WatchRuleCard*> m_cards;
};

} // namespace kelvaro
