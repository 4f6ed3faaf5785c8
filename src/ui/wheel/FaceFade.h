#pragma once
// The drop card's change of face. Laid over the card while its dropped files change, it springs
// the card's height from what it was to what the new face asks for and fades out the old face
// where it stood, on the card's own fill as large as the card is now, so the new face comes in
// under it and nothing of the old card's size or edge is drawn over it. Takes no pointer events.
// Main thread; created by the drop card, which keeps it over its whole rectangle.
#include <QPixmap>
#include <QWidget>

namespace kelvaro {
class SpringAnimation;
}

namespace kelvaro::wheel {

class FaceFade : public QWidget {
    Q_OBJECT
public:
    static constexpr double kResponse = 0.35; // seconds: prompt to wheel, and every new selection
    static constexpr int kEdge = 2; // pixels of the card's edge it leaves uncovered, its border drawn there

    explicit FaceFade(QWidget* card);
    // Starts a change from a card `fromHeight` high whose face `leaving` (a child of the card's)
    // goes; its picture is taken now.
    void start(int fromHeight, QWidget* leaving);
    bool isRunning() const;
    // The height the card asks for now, on its way from where it started to `toHeight`.
    int height(int toHeight) const;
    SpringAnimation* spring() const { return m_spring; }

Q_SIGNALS:
    // Each step of the change, and its end: the card lays itself out again.
    void stepped();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    SpringAnimation* m_spring;
    QPixmap m_old;
    QPoint m_at;
    int m_from = 0;
    double m_progress = 1;
};

} // namespace kelvaro::wheel
