#pragma once
// The guide page of the main window: in a vertical scroll, a column at most 1180 wide, centred,
// holding the intro, the three steps with "Vyzkoušet" (choose files for a new selection on the
// home screen), a card per wheel with "Otevřít kolo", the two topic cards side by side when their
// grid is at least 702 wide, and the keyboard shortcuts. Everything comes from the guide's
// content and the wheel's slices; the page keeps no state. Main thread; built by the screen
// factory, anew when the language changes.
#include <QList>
#include <QScrollArea>

namespace kelvaro {

class AdaptiveGridLayout;
class CardHeader;
class KelvaroStore;
class TopicsCard;
class WheelGuideCard;

class GuideView : public QScrollArea {
    Q_OBJECT
public:
    explicit GuideView(KelvaroStore& store, QWidget* parent = nullptr);

    static constexpr int maxColumnWidth = 1180;

    QWidget* column() const { return m_column; }
    CardHeader* stepsHeader() const { return m_stepsHeader; }
    QList<WheelGuideCard*> wheelCards() const { return m_wheelCards; }
    QList<TopicsCard*> topicsCards() const { return m_topicsCards; }
    AdaptiveGridLayout* topicsGrid() const { return m_topicsGrid; }

private:
    QWidget* buildIntro();
    QWidget* buildSteps();

    KelvaroStore& m_store;
    QWidget* m_column = nullptr;
    CardHeader* m_stepsHeader = nullptr;
    QList<WheelGuideCard*> m_wheelCards;
    QList<TopicsCard*> m_topicsCards;
    AdaptiveGridLayout* m_topicsGrid = nullptr;
};

} // namespace kelvaro
