#pragma once
// A panel with the card look: rounded rectangle in the card fill with a 1-px inner border
// (black 8 % in light, white 9 % in dark). Adds no padding of its own.
// Main thread; created by the screens.
#include <QWidget>

namespace kelvaro {

class Card : public QWidget {
    Q_OBJECT
public:
    explicit Card(int radius, QWidget* parent = nullptr);
    int radius() const { return m_radius; }
    // The border colour a card uses in each appearance.
    static QColor borderColor(bool dark);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int m_radius;
};

} // namespace kelvaro
