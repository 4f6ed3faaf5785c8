#pragma once
// An indeterminate spinner: eight strokes in the secondary colour of the window's appearance,
// one brighter step every 80 ms, turning only while shown. Main thread; created by whatever
// waits on work (the drop card's status line, previews, the watch cards, the about page).
#include <QTimer>
#include <QWidget>

namespace kelvaro {

class Spinner : public QWidget {
    Q_OBJECT
public:
    // `side`: the square's edge in logical pixels.
    explicit Spinner(int side = 16, QWidget* parent = nullptr);
    QSize sizeHint() const override { return {m_side, m_side}; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    int m_side;
    int m_phase = 0;
    QTimer m_timer;
};

} // namespace kelvaro
