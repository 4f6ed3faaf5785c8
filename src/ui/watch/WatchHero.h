#pragma once
// The card at the top of the watch screen: what automatic processing is, "Přidat složku", and a
// three-step picture (new file → your recipe → done). Main thread; created by WatchView.
#include <functional>

#include "ui/design/DesignSystem.h"

namespace kelvaro {

class WatchHero : public Card {
    Q_OBJECT
public:
    explicit WatchHero(std::function<void()> onAdd, QWidget* parent = nullptr);
    KelvaroButton* addButton() const { return m_add; }

private:
    QWidget* flowDiagram();

    KelvaroButton* m_add = nullptr;
};

} // namespace kelvaro
