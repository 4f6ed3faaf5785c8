#pragma once
// The drop card's dashed drop ring with its symbol. Its look moves between resting (0) and
// targeted (1) on the ring's spring, the two symbols cross-fading, and on every change the symbol
// bounces once: a short kick of its scale on the same spring. Changes while the ring is not on
// screen take their end at once. Main thread; created by the drop prompt.
#include <QWidget>

class QVariantAnimation;

namespace kelvaro::wheel {

class DropRing : public QWidget {
    Q_OBJECT
public:
    static constexpr double kResponse = 0.3; // seconds: the ring's answer to a drag
    static constexpr double kBounceGrowth = 0.2; // the symbol's scale at the height of a bounce, less 1

    explicit DropRing(QWidget* parent);
    void setTargeted(bool targeted);
    // How far the look has gone towards targeted, 0–1, and the symbol's scale now (1 at rest).
    double shown() const { return m_shown; }
    double symbolScale() const { return m_scale; }
    // Takes the end of every change under way, for a picture of the ring as it will rest.
    void settle();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QVariantAnimation* m_spring;
    QVariantAnimation* m_bounce;
    bool m_targeted = false;
    double m_shown = 0;
    double m_scale = 1;
};

} // namespace kelvaro::wheel
