#pragma once
// A 1-px line in the hairline colour, horizontal or vertical. Main thread; created by the screens.
#include <QWidget>

namespace kelvaro {

class Divider : public QWidget {
    Q_OBJECT
public:
    explicit Divider(Qt::Orientation orientation, int length = -1, QWidget* parent = nullptr);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Qt::Orientation m_orientation;
    int m_length;
};

} // namespace kelvaro
